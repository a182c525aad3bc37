#include "invoicing/entry/invoice_entry_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/decimal.h"
#include "invoicing/posting/aging.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/documents/invoice_output.h"
#include "invoicing/entry/ship_to_window.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/mask_edit.h"
#include "platform/string_grid.h"
#include "shell/app_context.h"
#include "shell/date_dialog.h"
#include "shell/text.h"

using namespace entry;

TProdInv* ProdInv = nullptr;

namespace {

constexpr const char* LetterIMessage =
    "Please do not use the letter \"I\" in your invoice numbers. This is reserved for Interest "
    "Wizard. You must change this invoice number.";

const LineEntryKind SaleLines{-1,
                              Product::Description,
                              Product::SalesPrice,
                              Product::TaxableOnInvoices,
                              Product::SalesPrice,
                              "invoice",
                              "invoice",
                              "After Invoice:",
                              true};

}  // namespace

TProdInv::TProdInv(QWidget* parent) : TLineEntry(SaleLines, parent) {
    setObjectName("ProdInv");
    setWindowTitle("Product Invoice");
    InvoiceMemoMode() = 0;
    BuildControls();
    ConnectHandlers();
}

uint8_t& TProdInv::InvoiceMemoMode() {
    return InvoiceOutput().InvoiceMemoMode;
}

uint8_t TProdInv::InvoiceMemoMode() const {
    return InvoiceOutput().InvoiceMemoMode;
}

TProdInv::~TProdInv() = default;

// --- building ------------------------------------------------------------------------------

void TProdInv::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(BuildHeading(), 3);
    top->addWidget(BuildCustomerPanel(), 2);
    layout->addLayout(top);
    layout->addWidget(BuildLinesPanel(), 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BuildStockPanel(), 1);
    QGroupBox* totals = BuildTotalsPanel();
    IPaid = Edit(totals, "IPaid", 10);
    IPaid->setAlignment(Qt::AlignRight);
    BalDue = ValueLabel(totals, "BalDue", 12);
    BalDue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    totalsForm()->addRow(Caption(totals, "&Paid:", IPaid), IPaid);
    totalsForm()->addRow("Balance Due:", BalDue);
    bottom->addWidget(totals, 1);
    layout->addLayout(bottom);
    layout->addLayout(BuildButtonRow("P&rint Invoice", "NewInvoice"));
    resize(900, 680);
}

QWidget* TProdInv::BuildHeading() {
    auto* box = new QGroupBox(this);
    auto* form = new QGridLayout(box);
    BuildHeadingFields(box, form, "&Invoice#:");
    IStmntNote = Edit(box, "IStmntNote", 35);
    AddField(form, "St&atement Note:", IStmntNote, 4, 0, 3);
    return box;
}

QWidget* TProdInv::BuildCustomerPanel() {
    QGroupBox* box = BuildPartyPanel("Customer", "C&ustomer...", "Customers");
    auto* grid = static_cast<QGridLayout*>(box->layout());
    ICredLimit = ValueLabel(box, "ICredLimit");
    CBal = ValueLabel(box, "CBal");
    grid->addWidget(Caption(box, "Credit Limit:"), 3, 0);
    grid->addWidget(ICredLimit, 3, 1);
    grid->addWidget(Caption(box, "Balance:"), 3, 2);
    grid->addWidget(CBal, 3, 3);
    const std::array<const char*, 4> names{"Acur", "A30", "A60", "A90"};
    std::array<QLabel*, 4> amounts{};
    for (std::size_t k = 0; k < names.size(); ++k) {
        AgingCaptions[k] = new QLabel(box);
        AgingCaptions[k]->setObjectName(QString(names[k]) + "Caption");
        amounts[k] = ValueLabel(box, names[k]);
        grid->addWidget(AgingCaptions[k], 4, static_cast<int>(k));
        grid->addWidget(amounts[k], 5, static_cast<int>(k));
    }
    Acur = amounts[0];
    A30 = amounts[1];
    A60 = amounts[2];
    A90 = amounts[3];
    return box;
}

void TProdInv::ConnectHandlers() {
    ConnectLineHandlers();
    connect(OKButton, &QPushButton::clicked, this, Guarded([this] { OKButtonClick(); }));
    connect(BitBtn3, &QPushButton::clicked, this, Guarded([this] { BitBtn3Click(); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
    connect(Calbutton, &QPushButton::clicked, this, Guarded([this] { CalbuttonClick(); }));
    connect(IPaid, &QLineEdit::textEdited, this, Guarded([this] { IPaidChange(); }));
    // A blank amount is 0, written back once the field is left rather than while typing.
    connect(IPaid, &QLineEdit::editingFinished, this, Guarded([this] {
        if (!TrimBlanks(Cp(IPaid->text())).empty()) return;
        IPaid->setText("0.00");
        IPaidChange();
    }));
}

// --- showing -------------------------------------------------------------------------------

void TProdInv::FormShow() {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const bool adding = ProdInvMode == 0;
    Button1->setEnabled(customer_.has_value() || !adding);
    ShowStart(InvoiceMemoMode() != 0);
    ShowTaxSwitch(false);
    const std::array<std::string, 4> captions = AgingBucketCaptions(company);
    for (std::size_t k = 0; k < captions.size(); ++k) AgingCaptions[k]->setText(Qs(captions[k]));
    if (adding) {
        INum->setText(ProposedNumber());
        ITerms->setEditText({});
        PrintFlag->setChecked(false);
    }
    ShowLayout(adding ? "Add Invoice" : "Edit Invoice");
    if (adding) {
        INum->setEnabled(true);
        if (Shell().main.ExternalTransMode && customer_) {
            ShowCustomer(*customer_);
        } else {
            const CustomerRec seed = customer_.value_or(CustomerRec{});
            ClearCustomer();
            PickCustomer(seed);
        }
    } else {
        // The tax switch first: the totals shown are computed under it.
        if (customer_) ShowTaxSwitch(TrimBlanks(customer_->get(Customer::TaxExempt)) == "Y");
        RefreshRow(std::max(1, StringGrid1->Row()));
    }
}

// The company's next number, with the month and the year's last two digits of the proposed
// date in front when the company asks for the prefix.
QString TProdInv::ProposedNumber() const {
    const ShellContext& shell = Shell();
    const CompanyRec& company = shell.companies.CurrentCompany;
    const Date date = shell.companies.dateFormat()
                          .parse(shell.main.LastInvoiceDate)
                          .value_or(shell.clock.today());
    return QString::fromStdString(
        ProposeDocumentNumber(company.get(Company::NextInvoiceNumber),
                              TrimBlanks(company.get(Company::InvoiceNumberPrefix)) == "Y", date,
                              INum->maxLength())
            .value_or(std::string()));
}

bool TProdInv::TaxHintWanted() const {
    return CheckBox2->isChecked();
}

void TProdInv::TotalsChanged() {
    const auto total = NumberOf(ITotal->text());
    const auto paid = NumberOf(IPaid->text());
    BalDue->setText(total && paid ? Money(Decimal::Sub(*total, *paid)) : QString());
}

void TProdInv::IPaidChange() {
    TotalsChanged();
}

// --- picks ---------------------------------------------------------------------------------

void TProdInv::BitBtn3Click() {
    PickCustomer(customer_.value_or(CustomerRec{}));
}

void TProdInv::PickCustomer(const CustomerRec& seed) {
    if (!DemoForm) return;
    MastersState& m = Masters();
    DemoForm->SetPanelText(1, PickPrompt);
    m.CustSelectMode = 1;
    m.CustomerBuf.clear();
    m.CustomerBuf.set(Customer::Name, seed.get(Customer::Name));
    static_cast<void>(m.CustomerBuf.set(Customer::Number, seed.get(Customer::Number)));
    DemoForm->ShowModal();
    m.CustSelectMode = 0;
    DemoForm->SetPanelText(1, MenuPrompt);
    if (m.CustSelectResult == PickedResult &&
        !TrimBlanks(m.CustomerBuf.get(Customer::Name)).empty())
        SetCustomer(m.CustomerBuf);
}

void TProdInv::SetCustomer(const CustomerRec& customer) {
    ShowCustomer(customer);
    if (TrimBlanks(customer.get(Customer::Hold)) == "Y")
        MessageBox("This customer is placed on hold status.", "Warning", MsgIcon::Warning);
}

void TProdInv::ShowCustomer(const CustomerRec& customer) {
    customer_ = customer;
    ICustName->setText(Qs(customer.get(Customer::Name)));
    ICustNo->setText(Qs(customer.get(Customer::Number)));
    Sname->setText(Qs(customer.get(Customer::ShortName)));
    ICredLimit->setText(Shown(customer.get(Customer::CreditLimit)));
    CBal->setText(Shown(customer.get(Customer::Balance)));
    const std::array<QLabel*, 4> aging{Acur, A30, A60, A90};
    for (std::size_t k = 0; k < aging.size(); ++k)
        aging[k]->setText(Shown(customer.get(Customer::Amounts[k])));
    ShowTaxSwitch(TrimBlanks(customer.get(Customer::TaxExempt)) == "Y");
    const std::string terms = TrimBlanks(customer.get(Customer::Terms));
    if (!terms.empty()) ITerms->setEditText(Qs(terms));
    if (POShipWin) {
        std::array<std::string, 4> shipTo;
        for (std::size_t k = 0; k < shipTo.size(); ++k)
            shipTo[k] = customer.get(Customer::Address2[k]);
        POShipWin->SetLines(shipTo);
    }
    Button1->setEnabled(true);
    MemoMode() ? INetChange() : RecalcTotals();
}

void TProdInv::ClearCustomer() {
    customer_.reset();
    for (QLabel* l : {ICustName, ICustNo, Sname, ICredLimit, CBal, Acur, A30, A60, A90}) l->clear();
    Button1->setEnabled(false);
}

void TProdInv::ShowTaxSwitch(bool exempt) {
    CheckBox2->setEnabled(!exempt);
    CheckBox2->setChecked(!exempt);
    CheckBox2->setText(
        exempt ? QString("Tax Exempt")
               : "Calc. Tax at " +
                     Qs(TrimBlanks(Shell().companies.CurrentCompany.get(Company::TaxRate))) + "%");
}

// --- buttons -------------------------------------------------------------------------------

void TProdInv::Button1Click() {
    if (!POShipWin) return;
    POShipWin->setWindowTitle("Shipping Address");
    POShipWin->Label1->setText(
        Qs(Shell().companies.CurrentCompany.get(Company::InvoiceShipToCaption)));
    POShipWin->ShowModal();
}

void TProdInv::CalbuttonClick() {
    std::string date = Cp(IDate->Text());
    if (PickDate(IDate, date)) {
        IDate->SetText(Qs(date));
        INVNOTES->setFocus();
    } else {
        IDate->setFocus();
    }
}

// --- OK ------------------------------------------------------------------------------------

void TProdInv::OKButtonClick() {
    const std::string number = TrimBlanks(Cp(INum->text()));
    if (number.empty())
        return Refuse(INum, "You need an invoice number.", "Invoice Number", MsgIcon::Warning);
    if (TrimBlanks(Cp(ICustNo->text())).empty())
        return Refuse(BitBtn3, "You need to select a customer.", "Customer Required",
                      MsgIcon::Information);
    if (number.find_first_of("Ii") != std::string::npos)
        return Refuse(INum, LetterIMessage, "Invoice Number", MsgIcon::Warning);
    if (!Shell().companies.dateFormat().IsValidDate(Cp(IDate->Text())))
        return Refuse(IDate,
                      "You have an invalid invoice date. You can clear the date and then select "
                      "the calendar button.",
                      "Invoice Date", MsgIcon::Warning);
    if (InvoiceMemoMode()) {
        if (TrimBlanks(Cp(MemoQuan->text())).empty() || !IsNumber(MemoQuan->text()))
            return Refuse(MemoQuan, "You have entered an invalid quantity.", "Memo Quantity",
                          MsgIcon::Information);
    } else if (!GridLinesValid()) {
        return;
    }

    InvoiceRec probe;
    static_cast<void>(probe.set(Invoice::InvNumber, number));
    InvoiceRec onFile;
    if (UpperAscii(number) != UpperAscii(TrimBlanks(ProdInvOldNumber)) &&
        InvoiceData().Find(InvoiceNumberKey, BuildInvoiceKey(probe, InvoiceNumberKey),
                           onFile.bytes()) != 0)
        return Refuse(INum, "This invoice number currently exists. Please enter another one.",
                      "Duplicate Invoice: " + INum->text(), MsgIcon::Information);

    const std::array<std::pair<QLineEdit*, const char*>, 3> amounts{
        {{INet, "The NET amount has an invalid value."},
         {ITax, "The TAX amount has an invalid value."},
         {IPaid, "The PAID amount has an invalid value."}}};
    for (const auto& [field, text] : amounts)
        if (!IsNumber(field->text())) return Refuse(field, text, ProgramCaption(), MsgIcon::None);
    const auto total = NumberOf(ITotal->text());
    if (!total)
        return Refuse(INet, "The TOTAL amount has an invalid value.", ProgramCaption(),
                      MsgIcon::None);
    if (*NumberOf(IPaid->text()) > *total)
        return Refuse(IPaid, "The amount paid is more than the total of this invoice.",
                      "Amount Paid", MsgIcon::Information);

    // A limit of 0 is no limit set.
    const auto limit = NumberOf(ICredLimit->text());
    const auto balance = NumberOf(CBal->text());
    const auto oldTotal = EntryNumber(ProdInvOldTotal);
    if (limit && balance && oldTotal && *limit > Decimal()) {
        const auto owed = Decimal::Add(*balance, *total);
        const auto after = owed ? Decimal::Sub(*owed, *oldTotal) : std::nullopt;
        if ((!after || *after > *limit) &&
            MessageBox(QString("This invoice brings the customer's balance to %1, over the credit "
                               "limit of %2. Do you want to go ahead?")
                           .arg(Money(after), Money(limit)),
                       "Please Confirm", MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
            return SetModalResult(Modal::None);
    }
    Accept();
}

// --- what the dialog holds -----------------------------------------------------------------

InvoiceEntry TProdInv::Entry() const {
    InvoiceEntry e;
    ReadEntry(e);
    e.statementNote = Cp(IStmntNote->text());
    e.customerNumber = Cp(ICustNo->text());
    e.customerShortName = Cp(Sname->text());
    e.paid = Cp(IPaid->text());
    return e;
}

// --- the windows of the unit ---------------------------------------------------------------

struct InvoicingWindows::Parts {
    TPOShipWin shipTo;
    TProdInv entry;
};

InvoicingWindows::InvoicingWindows() : parts_(std::make_unique<Parts>()) {
    POShipWin = &parts_->shipTo;
    ProdInv = &parts_->entry;
}

InvoicingWindows::~InvoicingWindows() {
    ProdInv = nullptr;
    POShipWin = nullptr;
}
