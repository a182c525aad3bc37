#include "purchasing/po_entry_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "invoicing/entry/ship_to_window.h"
#include "invoicing/posting/invoice_posting.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/mask_edit.h"
#include "platform/string_grid.h"
#include "purchasing/po_files.h"
#include "purchasing/po_saved_lines.h"
#include "purchasing/purchasing_state.h"
#include "shell/app_context.h"
#include "shell/date_dialog.h"
#include "shell/posting_unit.h"
#include "shell/small_files.h"
#include "shell/text.h"

using namespace entry;

TPOEdit1* POEdit1 = nullptr;

namespace {

// An order brings stock in at the product's cost, described as the vendor knows it. A memo
// PO's net follows the cost too: a purchase is not priced at what the goods sell for.
const LineEntryKind PurchaseLines{
    +1,         Product::PODescription, Product::Cost, Product::TaxableOnPOs, Product::Cost, "PO",
    "Purchase", "After Order:",         false};

const CompanyRec& TheCompany() {
    return Shell().companies.CurrentCompany;
}

// A date field holds a usable date: valid and typed in full.
bool HoldsFullDate(const MaskEdit* field) {
    const std::string text = Cp(field->Text());
    return text.size() >= 10 && Shell().companies.dateFormat().IsValidDate(text);
}

}  // namespace

TPOEdit1::TPOEdit1(QWidget* parent) : TLineEntry(PurchaseLines, parent) {
    setObjectName("POEdit1");
    setWindowTitle("Purchase Order");
    BuildControls();
    ConnectHandlers();
    ExportLines = [this] { ExportButnClick(*this); };
    ImportLines = [this] { ImportButnClick(*this); };
}

TPOEdit1::~TPOEdit1() = default;

bool TPOEdit1::MemoMode() const {
    return Purchasing().POMemoMode != 0;
}

void TPOEdit1::SetMemoMode(bool memo) {
    Purchasing().POMemoMode = memo ? 1 : 0;
}

// --- building ------------------------------------------------------------------------------

void TPOEdit1::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(BuildHeading(), 3);
    top->addWidget(BuildVendorPanel(), 2);
    layout->addLayout(top);
    layout->addWidget(BuildLinesPanel(), 1);
    ImportButn = Tool(this, "ImportButn", "Load", "Loads Saved Lines");
    ExportButn = Tool(this, "ExportButn", "Save", "Replaces saved lines with current lines");
    // Beside the erase buttons, before the jumps to lines 1, 50 and 99.
    const int jumps = lineTools()->indexOf(TopButn);
    lineTools()->insertWidget(jumps, ExportButn);
    lineTools()->insertWidget(jumps, ImportButn);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BuildStockPanel(), 2);
    bottom->addWidget(BuildReceivingPanel(), 3);
    bottom->addWidget(BuildTotalsPanel(), 3);
    layout->addLayout(bottom);
    layout->addLayout(BuildButtonRow("P&rint PO", "NewPO"));
    resize(940, 700);
}

QWidget* TPOEdit1::BuildHeading() {
    auto* box = new QGroupBox(this);
    auto* form = new QGridLayout(box);
    BuildHeadingFields(box, form, "&PO#:");
    Label9 = new QLabel(box);
    Label9->setObjectName("Label9");
    form->addWidget(Label9, 0, 2, 1, 2);
    MEDateReq = DateEdit(box, "MEDateReq");
    MEDateReq->setMinimumWidth(MEDateReq->fontMetrics().horizontalAdvance("00/00/00000"));
    DateReq = DotsButton(box, "DateReq");
    auto* requiredRow = new QHBoxLayout;
    requiredRow->addWidget(MEDateReq);
    requiredRow->addWidget(DateReq);
    requiredRow->addStretch(1);
    form->addWidget(Caption(box, "Date Required:", MEDateReq), 4, 0);
    form->addLayout(requiredRow, 4, 1, 1, 3);
    return box;
}

QWidget* TPOEdit1::BuildVendorPanel() {
    QGroupBox* box = BuildPartyPanel("Vendor", "&Vendor...", "Vendors");
    static_cast<QGridLayout*>(box->layout())->setRowStretch(3, 1);
    return box;
}

QWidget* TPOEdit1::BuildReceivingPanel() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    MarkRecd = new QCheckBox("M&ark PO Received on:", box);
    MarkRecd->setObjectName("MarkRecd");
    ARecDate = DateEdit(box, "ARecDate");
    ARecCal = DotsButton(box, "ARecCal");
    auto* received = new QHBoxLayout;
    received->addWidget(MarkRecd);
    received->addWidget(ARecDate);
    received->addWidget(ARecCal);
    received->addStretch(1);
    grid->addLayout(received, 0, 0);
    Sig1 = Edit(box, "Sig1", 75);
    Sig2 = Edit(box, "Sig2", 75);
    grid->addWidget(Caption(box, "Not&es / Signature Lines:", Sig1), 1, 0);
    grid->addWidget(Sig1, 2, 0);
    grid->addWidget(Sig2, 3, 0);
    grid->setRowStretch(4, 1);
    return box;
}

void TPOEdit1::ConnectHandlers() {
    ConnectLineHandlers();
    connect(OKButton, &QPushButton::clicked, this, Guarded([this] { OKButtonClick(); }));
    connect(BitBtn3, &QPushButton::clicked, this, Guarded([this] { SpeedButton3Click(); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
    connect(Calbutton, &QPushButton::clicked, this, Guarded([this] { CalbuttonClick(); }));
    connect(DateReq, &QPushButton::clicked, this, Guarded([this] { DateReqClick(); }));
    connect(ARecCal, &QPushButton::clicked, this, Guarded([this] { ARecCalClick(); }));
    connect(MarkRecd, &QCheckBox::clicked, this, Guarded([this] { MarkRecdClick(); }));
    connect(ExportButn, &QToolButton::clicked, this, Guarded([this] {
        if (ExportLines) ExportLines();
    }));
    connect(ImportButn, &QToolButton::clicked, this, Guarded([this] {
        if (ImportLines) ImportLines();
    }));
}

// --- showing -------------------------------------------------------------------------------

void TPOEdit1::FormShow() {
    const CompanyRec& company = TheCompany();
    const bool adding = POEntryMode == 0;
    Button1->setEnabled(true);
    // The stored type decides the layout too, so that the buttons and the layout agree.
    const bool memo =
        TrimBlanks(Purchasing().POBuf.get(PurchaseOrder::POType)) != PurchaseOrder::TypeLineItems;
    SetMemoMode(memo);
    ShowStart(memo);
    ShowTaxSwitch(false);
    ExportButn->setEnabled(static_cast<bool>(ExportLines));
    ImportButn->setEnabled(adding && ImportLines);
    if (adding) {
        Label9->clear();
        MarkRecd->setChecked(company.get(Company::NewPOsReceived));
        ShowMarkReceived(MarkRecd->isChecked());
        INum->setText(ProposedNumber());
        ITerms->setEditText(Qs(TrimBlanks(company.get(Company::DefaultPOTerms))));
        PrintFlag->setChecked(company.get(Company::PrintNewPOAtOnce));
    }
    ShowLayout(adding ? "Add PO" : "Edit PO");
    if (adding) {
        INum->setEnabled(true);
        SpeedButton3Click();
    } else {
        RefreshRow(std::max(1, StringGrid1->Row()));
        // The vendor that change loaded with the order, when it is the order's.
        const VendorRec& vendor = Masters().VendorBuf;
        if (KeyText(vendor.get(Vendor::Number), 8) == KeyText(Cp(ICustNo->text()), 8) &&
            TrimBlanks(vendor.get(Vendor::TaxExempt)) == "Y") {
            ShowTaxSwitch(true);
            // The totals above were worked out with the switch on.
            RecalcTotals();
        }
    }
    // A fully received order keeps its number: its receipts are filed under it.
    if (TrimBlanks(Purchasing().POBuf.get(PurchaseOrder::POReceivedDate)).size() > 5) {
        MarkRecd->setChecked(true);
        ShowMarkReceived(true);
        INum->setEnabled(false);
    }
}

// The company's next PO number, with the month and the year's last two digits of the date
// proposed to a new order in front when the company asks for the prefix.
QString TPOEdit1::ProposedNumber() const {
    const ShellContext& shell = Shell();
    const CompanyRec& company = shell.companies.CurrentCompany;
    const Date date =
        shell.companies.dateFormat().parse(shell.main.LastPODate).value_or(shell.clock.today());
    return QString::fromStdString(
        ProposeDocumentNumber(company.get(Company::NextPONumber),
                              TrimBlanks(company.get(Company::POPrefix)) == "Y", date,
                              INum->maxLength())
            .value_or(std::string()));
}

void TPOEdit1::ShowTaxSwitch(bool exempt) {
    CheckBox2->setEnabled(!exempt);
    CheckBox2->setChecked(!exempt && TheCompany().get(Company::TaxOnPOs));
    CheckBox2->setText(exempt ? QString("Tax Exempt")
                              : "Calc. Tax at " +
                                    Qs(TrimBlanks(TheCompany().get(Company::TaxRate))) + "%");
}

bool TPOEdit1::TaxHintWanted() const {
    return TheCompany().get(Company::TaxOnPOs);
}

void TPOEdit1::ShowMarkReceived(bool marked) {
    ARecDate->setEnabled(marked);
    ARecCal->setEnabled(marked);
}

// --- vendor and ship-to --------------------------------------------------------------------

void TPOEdit1::SpeedButton3Click() {
    if (!VenList) return;
    MastersState& m = Masters();
    VenList->SetPanelText(1, PickPrompt);
    m.VendSelectMode = 1;
    m.VendorBuf.clear();
    m.VendorBuf.set(Vendor::Name, Cp(ICustName->text()).substr(0, 35));
    static_cast<void>(m.VendorBuf.set(Vendor::Number, Cp(ICustNo->text()).substr(0, 8)));
    VenList->ShowModal();
    m.VendSelectMode = 0;
    VenList->SetPanelText(1, MenuPrompt);
    // Only a vendor the user picked replaces the one shown.
    if (m.VendSelectResult != PickedResult || TrimBlanks(m.VendorBuf.get(Vendor::Name)).empty())
        return;
    const VendorRec& vendor = m.VendorBuf;
    ICustName->setText(Qs(vendor.get(Vendor::Name)));
    ICustNo->setText(Qs(vendor.get(Vendor::Number)));
    Sname->setText(Qs(vendor.get(Vendor::ShortName)));
    ShowTaxSwitch(TrimBlanks(vendor.get(Vendor::TaxExempt)) == "Y");
    const std::string terms = TrimBlanks(vendor.get(Vendor::Terms));
    if (!terms.empty()) ITerms->setEditText(Qs(terms));
    MemoMode() ? INetChange() : RecalcTotals();
    if (TrimBlanks(vendor.get(Vendor::Hold)) == "Y")
        MessageBox("This vendor is placed on hold status.", "Warning", MsgIcon::Warning);
}

void TPOEdit1::Button1Click() {
    if (!POShipWin) return;
    POShipWin->setWindowTitle("Purchase Order");
    POShipWin->Label1->setText(Qs(TheCompany().get(Company::POShipToCaption)));
    POShipWin->move(Button1->mapToGlobal(QPoint(0, 0)).x(), 0);
    POShipWin->ShowModal();
}

// --- dates ---------------------------------------------------------------------------------

bool TPOEdit1::PickFieldDate(MaskEdit* field, const QString& caption) {
    std::string date = Cp(field->Text());
    if (!PickDate(field, date, caption)) {
        field->setFocus();
        return false;
    }
    field->SetText(Qs(date));
    return true;
}

void TPOEdit1::CalbuttonClick() {
    if (PickFieldDate(IDate, {})) INVNOTES->setFocus();
}

void TPOEdit1::DateReqClick() {
    if (!PickFieldDate(MEDateReq, "Date Required")) return;
    if (MemoMode())
        Memo1->setFocus();
    else
        StringGrid1->setFocus();
}

void TPOEdit1::ARecCalClick() {
    if (PickFieldDate(ARecDate, "Received Date")) OKButton->setFocus();
}

void TPOEdit1::MarkRecdClick() {
    const bool marked = MarkRecd->isChecked();
    ShowMarkReceived(marked);
    if (marked && !HoldsFullDate(ARecDate))
        ARecDate->SetText(Qs(Shell().companies.dateFormat().format(Shell().clock.today())));
}

// --- OK ------------------------------------------------------------------------------------

void TPOEdit1::OKButtonClick() {
    const DateFormat& dates = Shell().companies.dateFormat();
    const std::string number = TrimBlanks(Cp(INum->text()));
    if (number.empty())
        return Refuse(INum, "You need an PO number.", "PO Number", MsgIcon::Warning);
    if (TrimBlanks(Cp(ICustNo->text())).empty())
        return Refuse(BitBtn3, "You need to select a vendor.", "Vendor Required",
                      MsgIcon::Information);
    const bool memo = RadioButton2->isChecked();
    if (memo && (TrimBlanks(Cp(MemoQuan->text())).empty() || !IsNumber(MemoQuan->text())))
        return Refuse(MemoQuan, "You have entered an invalid quantity.", "Memo Quantity",
                      MsgIcon::Information);
    const std::optional<Date> poDate = dates.parse(Cp(IDate->Text()));
    if (!poDate)
        return Refuse(IDate,
                      "You have an invalid PO date. You can clear the date and then select the "
                      "calendar button.",
                      "PO Date", MsgIcon::Warning);
    if (!dates.IsValidDate(Cp(MEDateReq->Text())))
        return Refuse(MEDateReq,
                      "You have an invalid date reqired. You can clear the date and then select "
                      "the calendar button.",
                      "PO Date Required", MsgIcon::Warning);
    if (MarkRecd->isChecked()) {
        const std::optional<Date> received = dates.parse(Cp(ARecDate->Text()));
        if (!received)
            return Refuse(ARecDate,
                          "You have an invalid received date. You can clear the date and then "
                          "select the calendar button.",
                          "PO Received Date", MsgIcon::Warning);
        const auto confirmed = [](const QString& question) {
            return MessageBox(question, "Please Confirm", MsgIcon::Question, MsgButtons::YesNo) ==
                   MsgResult::Yes;
        };
        const auto stop = [this] {
            SetModalResult(Modal::None);
            ARecDate->setFocus();
        };
        if (*poDate > *received &&
            !confirmed("Your received date is BEFORE the date of this PO. Is this correct?"))
            return stop();
        if (*received > Shell().clock.today() &&
            !confirmed("Your received date is AFTER (older than) todays date. It will not appear "
                       "on your receiving report unless you include this date in the search. Are "
                       "you sure you want to do this?"))
            return stop();
    }
    if (!memo && !GridLinesValid()) return;

    PORec probe;
    static_cast<void>(probe.set(PurchaseOrder::PONumber, number));
    if (UpperAscii(number) != UpperAscii(TrimBlanks(POEditedNumber)) &&
        POData().KeyInUse(PONumberKey, BuildPOKey(probe, PONumberKey)))
        return Refuse(INum, "This PO number currently exists. Please enter another one.",
                      "Duplicate PO: " + INum->text(), MsgIcon::Information);

    if (!IsNumber(INet->text()))
        return Refuse(INet, "The NET amount has an invalid value.", ProgramCaption(),
                      MsgIcon::None);
    if (!IsNumber(ITax->text()))
        return Refuse(ITax, "The TAX amount has an invalid value.", ProgramCaption(),
                      MsgIcon::None);
    const std::optional<Decimal> total = NumberOf(ITotal->text());
    if (!total)
        return Refuse(INet, "The TOTAL amount has an invalid value.", ProgramCaption(),
                      MsgIcon::None);
    if (total->isZero() && MessageBox("Is this a no-charge PO?", "Please Confirm",
                                      MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return SetModalResult(Modal::None);

    if (memo) {
        if (TrimBlanks(Cp(MemoPDesc->text())).empty())
            return Refuse(MemoPDesc, "You need a product description.", "Product Required",
                          MsgIcon::Information);
        if (TrimBlanks(Cp(MemoQuan->text())).empty())
            return Refuse(MemoQuan, "You need to specify the quantity.", "Product Quantity",
                          MsgIcon::Information);
        if (!IsNumber(MemoQuan->text()))
            return Refuse(MemoQuan, "The quantity must be a number.", "Invalid Quantity",
                          MsgIcon::Information);
    }
    if (!TermsAccepted()) return;
    Accept();
}

bool TPOEdit1::TermsAccepted() {
    const QString text = ITerms->currentText();
    // No terms at all is no new term to keep.
    if (TrimBlanks(Cp(text)).empty()) return true;
    QStringList items;
    for (int k = 0; k < ITerms->count(); ++k) {
        items << ITerms->itemText(k);
        if (UpperAscii(Cp(items.back())) == UpperAscii(Cp(text))) return true;
    }
    const MsgResult answer =
        MessageBox("This is a new payment term. Would you like to add terms to the terms file?",
                   "Terms: " + text, MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgResult::Cancel) {
        SetModalResult(Modal::None);
        ITerms->setFocus();
        return false;
    }
    if (answer != MsgResult::Yes) return true;
    items << text;
    items.sort(Qt::CaseInsensitive);
    std::vector<std::string> terms;
    for (const QString& item : items) terms.push_back(Cp(item));
    if (!SaveTerms(Shell().folder, terms)) {
        Refuse(ITerms,
               WithWriteReason(
                   QString("The payment terms could not be saved in %1.").arg(Qs(TermsFileName))),
               "Terms: " + text);
        return false;
    }
    const QSignalBlocker quiet(ITerms);
    ITerms->clear();
    ITerms->addItems(items);
    ITerms->setEditText(text);
    return true;
}

// --- what the dialog holds -----------------------------------------------------------------

POEntry TPOEdit1::Entry() const {
    POEntry e;
    ReadEntry(e);
    e.dateRequired = Cp(MEDateReq->Text());
    e.markReceived = MarkRecd->isChecked();
    e.receivedDate = Cp(ARecDate->Text());
    e.vendorNumber = Cp(ICustNo->text());
    e.vendorShortName = Cp(Sname->text());
    e.signature1 = Cp(Sig1->text());
    e.signature2 = Cp(Sig2->text());
    return e;
}
