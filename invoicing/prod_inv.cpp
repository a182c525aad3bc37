#include "invoicing/prod_inv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

#include "engine/decimal.h"
#include "invoicing/aging.h"
#include "invoicing/invoice_files.h"
#include "invoicing/ship_to.h"
#include "masters/master_files.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/font_spec.h"
#include "platform/mask_edit.h"
#include "platform/scope_guard.h"
#include "platform/string_grid.h"
#include "platform/text_guard.h"
#include "shell/app_context.h"
#include "shell/cal_form.h"
#include "shell/small_files.h"
#include "shell/text.h"

TProdInv* ProdInv = nullptr;

namespace {

constexpr const char* LetterIMessage =
    "Please do not use the letter \"I\" in your invoice numbers. This is reserved for Interest "
    "Wizard. You must change this invoice number.";

const QStringList DefaultTerms{"1% 10 Net 30",
                               "2% 10 Net 30",
                               "Credit Card - American Express",
                               "Credit Card - Master Card",
                               "Credit Card - Visa",
                               "Due On Receipt",
                               "Net 10 Days",
                               "Net 20 Days",
                               "Net 30 Days"};

// Upper-cases ASCII letters as they are typed, as the key builders do, so that the number as
// typed and as keyed never differ.
class UpperAsciiValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar& c : input)
            if (c >= 'a' && c <= 'z') c = c.toUpper();
        return Acceptable;
    }
};

// The editor of a grid column: its width in characters, upper case for the tax flag; a
// width of 0 makes the column read-only (the extension is computed).
class CellEditor : public QStyledItemDelegate {
public:
    CellEditor(QObject* parent, int maxLength, bool upper)
        : QStyledItemDelegate(parent), maxLength_(maxLength), upper_(upper) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        if (maxLength_ == 0) return nullptr;
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        edit->setMaxLength(maxLength_);
        if (upper_) edit->setValidator(new UpperAsciiValidator(edit));
        GuardText(edit);
        return edit;
    }

private:
    int maxLength_;
    bool upper_;
};

std::string Cp(const QString& text) {
    return ToCp1252(text);
}
QString Qs(std::string_view text) {
    return FromCp1252(text);
}

// An amount as typed or shown; blank is 0; nothing when it is not a number.
std::optional<Decimal> NumberOf(std::string_view text) {
    return Decimal::ParseBlankAsZero(StripCommas(text));
}
std::optional<Decimal> NumberOf(const QString& text) {
    return NumberOf(Cp(text));
}

// Text of a number check: commas removed, cut to 15 characters.
bool IsNumberEntry(const QString& text) {
    return NumberOf(StripCommas(Cp(text)).substr(0, 15)).has_value();
}

QString Money(std::optional<Decimal> value) {
    return value ? QString::fromStdString(value->format(",0.00")) : QString("ERROR");
}

// A stored amount for display; text that is not a number is shown as it is.
QString Shown(std::string_view stored) {
    const auto value = NumberOf(stored);
    return value ? QString::fromStdString(value->format(",0.00")) : Qs(TrimBlanks(stored));
}

std::optional<Decimal> Extension(std::optional<Decimal> quantity, std::optional<Decimal> price) {
    if (!quantity || !price) return Decimal();
    const auto product = Decimal::Mul(*quantity, *price);
    if (!product) return std::nullopt;
    return product->round(2);
}

bool SameCode(std::string_view a, std::string_view b) {
    return KeyText(a, 10) == KeyText(b, 10);
}

QFont CompanyFont(const Company::Font& font) {
    const CompanyRec& c = Shell().companies.CurrentCompany;
    FontSpec stored;
    stored.name = Qs(c.get(font.name));
    stored.size = c.get(font.size);
    stored.style = c.get(font.style);
    if (stored.name.isEmpty() || stored.size <= 0) return QFont();
    return ToQFont(stored);
}

QLabel* Caption(QWidget* parent, const QString& text, QWidget* buddy = nullptr) {
    auto* label = new QLabel(text, parent);
    if (buddy) label->setBuddy(buddy);
    return label;
}

// A captioned field in a grid: the caption in `col`, the field after it over `span` columns.
void AddField(QGridLayout* grid, const QString& caption, QWidget* field, int row, int col,
              int span = 1) {
    grid->addWidget(Caption(field->parentWidget(), caption, field), row, col);
    grid->addWidget(field, row, col + 1, 1, span);
}

QLabel* ValueLabel(QWidget* parent, const char* name, int minChars = 10) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString(minChars, '0')));
    return label;
}

QLineEdit* Edit(QWidget* parent, const char* name, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QToolButton* Tool(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(hint);
    return button;
}

}  // namespace

TProdInv::TProdInv(QWidget* parent) : Form(parent) {
    setObjectName("ProdInv");
    setWindowTitle("Product Invoice");
    BuildControls();
    ConnectHandlers();
    // Rows without a product until a caller or the user gives them one.
    for (int r = 0; r <= InvoiceGridRows; ++r) {
        ProdInvOnHand[r] = NoStockOnHand;
        ProdInvStockClass[r] = StockClass::EmptyRow;
        ProdInvOldQuantities[r] = "0";
        ProdInvLineCosts[r] = "0";
    }
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
    bottom->addWidget(BuildTotalsPanel(), 1);
    layout->addLayout(bottom);

    auto* buttons = new QHBoxLayout;
    PrintFlag = new QCheckBox("P&rint Invoice", this);
    PrintFlag->setObjectName("PrintFlag");
    buttons->addWidget(PrintFlag);
    buttons->addStretch(1);
    OKButton = Button(this, "OKButton", "&Ok");
    OKButton->setDefault(false);
    BitBtn1 = Button(this, "BitBtn1", "&Cancel");
    BitBtn2 = Button(this, "BitBtn2", "&Help");
    buttons->addWidget(OKButton);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    layout->addLayout(buttons);
    resize(900, 680);
}

QWidget* TProdInv::BuildHeading() {
    auto* box = new QGroupBox(this);
    auto* form = new QGridLayout(box);
    IMode = new QLabel("Add Invoice", box);
    IMode->setObjectName("IMode");
    QFont bold = IMode->font();
    bold.setBold(true);
    IMode->setFont(bold);
    form->addWidget(IMode, 0, 0, 1, 4);

    INum = Edit(box, "INum", 9);
    INum->setValidator(new UpperAsciiValidator(INum));
    AddField(form, "&Invoice#:", INum, 1, 0);

    IDate = new MaskEdit("!99/99/9999;1;_", box);
    IDate->setObjectName("IDate");
    Calbutton = Button(box, "Calbutton", "...");
    Calbutton->setMaximumWidth(Calbutton->fontMetrics().horizontalAdvance("....") + 12);
    Label7 = new QLabel("Mo/Dy/Year", box);
    Label7->setObjectName("Label7");
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(IDate);
    dateRow->addWidget(Calbutton);
    dateRow->addWidget(Label7);
    form->addWidget(Caption(box, "&Date:", IDate), 1, 2);
    form->addLayout(dateRow, 1, 3);

    INVNOTES = Edit(box, "INVNOTES", 80);
    AddField(form, "Notes/Comments/Reference:", INVNOTES, 2, 0, 3);

    KeyCode = Edit(box, "KeyCode", 8);
    AddField(form, "&Key Code:", KeyCode, 3, 0);

    ITerms = new QComboBox(box);
    ITerms->setObjectName("ITerms");
    ITerms->setEditable(true);
    ITerms->setInsertPolicy(QComboBox::NoInsert);
    ITerms->lineEdit()->setMaxLength(35);
    ITerms->addItems(DefaultTerms);
    AddField(form, "Terms:", ITerms, 3, 2);

    IStmntNote = Edit(box, "IStmntNote", 35);
    AddField(form, "&Statement Note:", IStmntNote, 4, 0, 3);

    RadioButton1 = new QRadioButton("&Line Item", box);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton2 = new QRadioButton("&Memo", box);
    RadioButton2->setObjectName("RadioButton2");
    RadioButton1->setChecked(true);
    auto* kinds = new QHBoxLayout;
    kinds->addWidget(RadioButton1);
    kinds->addWidget(RadioButton2);
    kinds->addStretch(1);
    form->addLayout(kinds, 5, 0, 1, 4);
    return box;
}

QWidget* TProdInv::BuildCustomerPanel() {
    auto* box = new QGroupBox("Customer", this);
    auto* grid = new QGridLayout(box);
    BitBtn3 = Button(box, "BitBtn3", "C&ustomer...");
    BitBtn3->setToolTip("Customers");
    Button1 = Button(box, "Button1", "&Ship To");
    grid->addWidget(BitBtn3, 0, 0);
    grid->addWidget(Button1, 0, 1);
    ICustName = ValueLabel(box, "ICustName", 20);
    grid->addWidget(ICustName, 1, 0, 1, 4);
    ICustNo = ValueLabel(box, "ICustNo", 8);
    Sname = ValueLabel(box, "Sname", 10);
    grid->addWidget(Caption(box, "No:"), 2, 0);
    grid->addWidget(ICustNo, 2, 1);
    grid->addWidget(Caption(box, "SN:"), 2, 2);
    grid->addWidget(Sname, 2, 3);
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

QWidget* TProdInv::BuildLinesPanel() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    lineButtons_ = new QWidget(panel);
    auto* tools = new QHBoxLayout(lineButtons_);
    tools->setContentsMargins(0, 0, 0, 0);
    DeleteLine = Tool(lineButtons_, "DeleteLine", "Erase", "Erase Line");
    MakeNote = Tool(lineButtons_, "MakeNote", "Note", "Add Description comment");
    UndoAll = Tool(lineButtons_, "UndoAll", "Erase All", "Erase All Lines");
    TopButn = Tool(lineButtons_, "TopButn", "1", "Line Item 1");
    CnterButn = Tool(lineButtons_, "CnterButn", "50", "Line Item 50");
    BottButn = Tool(lineButtons_, "BottButn", "99", "Line Item 99");
    SpeedButton2 = Tool(lineButtons_, "SpeedButton2", "Find Product", "Find Product");
    SpeedButton8 = Tool(lineButtons_, "SpeedButton8", "Calculator", "Calculator");
    InvClose = Tool(lineButtons_, "InvClose", "Close", "Close");
    for (QToolButton* b :
         {DeleteLine, MakeNote, UndoAll, TopButn, CnterButn, BottButn, SpeedButton2, SpeedButton8})
        tools->addWidget(b);
    tools->addStretch(1);
    tools->addWidget(InvClose);
    layout->addWidget(lineButtons_);

    StringGrid1 = new StringGrid(panel);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->SetColCount(InvoiceCol::Count);
    StringGrid1->SetRowCount(InvoiceGridRows + 1);
    StringGrid1->SetFixedCols(1);
    StringGrid1->SetEditable(true);
    // A double-click in the product column picks a product instead of editing the cell.
    StringGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed |
                                 QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::SelectedClicked);
    const std::array<std::pair<int, bool>, InvoiceCol::Count> editors{
        {{0, false}, {10, false}, {10, false}, {32, false}, {10, false}, {1, true}, {0, false}}};
    for (int c = 1; c < InvoiceCol::Count; ++c)
        StringGrid1->setItemDelegateForColumn(
            c, new CellEditor(StringGrid1, editors[c].first, editors[c].second));
    StringGrid1->installEventFilter(this);
    gridPanel_ = StringGrid1;
    layout->addWidget(StringGrid1, 1);

    memoPanel_ = new QWidget(panel);
    auto* memo = new QGridLayout(memoPanel_);
    memo->setContentsMargins(0, 0, 0, 0);
    MemoPDesc = Edit(memoPanel_, "MemoPDesc", 32);
    MemoQuan = Edit(memoPanel_, "MemoQuan", 10);
    GetAProd = Button(memoPanel_, "GetAProd", "...");
    GetAProd->setToolTip("Products");
    memo->addWidget(Caption(memoPanel_, "Product Description:", MemoPDesc), 0, 0);
    memo->addWidget(MemoPDesc, 0, 1);
    memo->addWidget(GetAProd, 0, 2);
    memo->addWidget(Caption(memoPanel_, "&Quantity:", MemoQuan), 0, 3);
    memo->addWidget(MemoQuan, 0, 4);
    Memo1 = new QPlainTextEdit(memoPanel_);
    Memo1->setObjectName("Memo1");
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->addWidget(Memo1, 1, 0, 1, 5);
    memoPanel_->setVisible(false);
    layout->addWidget(memoPanel_, 1);
    return panel;
}

QWidget* TProdInv::BuildStockPanel() {
    auto* box = new QGroupBox("Stock At A Glance:", this);
    auto* form = new QFormLayout(box);
    LineNum = ValueLabel(box, "LineNum", 3);
    StkName = ValueLabel(box, "StkName", 10);
    StockData = ValueLabel(box, "StockData", 12);
    StkBal = ValueLabel(box, "StkBal", 12);
    OldLineQuan = new QLabel(box);
    OldLineQuan->setObjectName("OldLineQuan");
    CurCost = ValueLabel(box, "CurCost", 12);
    form->addRow("Line:", LineNum);
    form->addRow("Product:", StkName);
    form->addRow("On Hand:", StockData);
    form->addRow("After Invoice:", StkBal);
    form->addRow("Cost:", CurCost);
    form->addRow(OldLineQuan);
    return box;
}

QWidget* TProdInv::BuildTotalsPanel() {
    auto* box = new QGroupBox(this);
    auto* form = new QFormLayout(box);
    INet = Edit(box, "INet", 10);
    ITax = Edit(box, "ITax", 10);
    CheckBox2 = new QCheckBox("Calc. Tax", box);
    CheckBox2->setObjectName("CheckBox2");
    TaxLbl = new QLabel(box);
    TaxLbl->setObjectName("TaxLbl");
    ITotal = ValueLabel(box, "ITotal", 12);
    IPaid = Edit(box, "IPaid", 10);
    BalDue = ValueLabel(box, "BalDue", 12);
    for (QWidget* w :
         {static_cast<QWidget*>(INet), static_cast<QWidget*>(ITax), static_cast<QWidget*>(IPaid)})
        static_cast<QLineEdit*>(w)->setAlignment(Qt::AlignRight);
    for (QLabel* l : {ITotal, BalDue}) l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(Caption(box, "&Net:", INet), INet);
    auto* taxRow = new QHBoxLayout;
    taxRow->addWidget(ITax);
    taxRow->addWidget(CheckBox2);
    form->addRow(Caption(box, "&Tax:", ITax), taxRow);
    form->addRow(TaxLbl);
    form->addRow("Total:", ITotal);
    form->addRow(Caption(box, "&Paid:", IPaid), IPaid);
    form->addRow("Balance Due:", BalDue);
    return box;
}

void TProdInv::ConnectHandlers() {
    SetButtonResult(OKButton, Modal::Ok);
    SetButtonResult(BitBtn1, Modal::Cancel);
    SetButtonResult(InvClose, Modal::Cancel);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    connect(BitBtn2, &QPushButton::clicked, this, [] { ShowHelp("NewInvoice"); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Calbutton, &QPushButton::clicked, this, [this] { CalbuttonClick(); });
    connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
    connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
    connect(DeleteLine, &QToolButton::clicked, this, [this] { DeleteLineClick(); });
    connect(MakeNote, &QToolButton::clicked, this, [this] { MakeNoteClick(); });
    connect(UndoAll, &QToolButton::clicked, this, [this] { UndoAllClick(); });
    const auto goTo = [this](int row, int top) {
        StringGrid1->setFocus();
        StringGrid1->SetCurrent(InvoiceCol::Code, row);
        StringGrid1->SetTopRow(top);
    };
    connect(TopButn, &QToolButton::clicked, this, [goTo] { goTo(1, 1); });
    connect(CnterButn, &QToolButton::clicked, this, [goTo] { goTo(50, 50); });
    connect(BottButn, &QToolButton::clicked, this, [goTo] { goTo(99, 96); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(GetAProd, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(SpeedButton8, &QToolButton::clicked, this, [] { RunCalculator(); });
    connect(
        StringGrid1, &StringGrid::CellEdited, this,
        [this](int col, int row, const QString& text) { StringGrid1SetEditText(col, row, text); });
    connect(StringGrid1, &StringGrid::CellSelected, this, [this](int, int row) {
        if (!refreshing_) RefreshRow(row);
    });
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, [this](int, int col) {
        if (col == InvoiceCol::Code) SpeedButton2Click();
    });
    connect(INet, &QLineEdit::textEdited, this, [this] { INetChange(); });
    connect(ITax, &QLineEdit::textEdited, this, [this] { ITaxChange(); });
    // A blank amount is 0, written back once the field is left rather than while typing.
    for (QLineEdit* amount : {INet, ITax, IPaid})
        connect(amount, &QLineEdit::editingFinished, this, [this, amount] {
            if (TrimBlanks(Cp(amount->text())).empty() && !amount->isReadOnly()) {
                amount->setText("0.00");
                amount == IPaid ? IPaidChange() : ITaxChange();
            }
        });
    connect(IPaid, &QLineEdit::textEdited, this, [this] { IPaidChange(); });
    connect(MemoQuan, &QLineEdit::textEdited, this, [this] { MemoQuanChange(); });
    connect(CheckBox2, &QCheckBox::clicked, this,
            [this] { InvoiceMemoMode ? INetChange() : RecalcInvoiceTotals(); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { LimitMemo(); });
}

// --- showing -------------------------------------------------------------------------------

void TProdInv::FormShow() {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    const bool adding = ProdInvMode == 0;
    Button1->setEnabled(customer_.has_value() || !adding);
    SetGridWidths();
    LoadTerms();
    const DateOrder order = Shell().companies.dateFormat().order();
    Label7->setText(order == DateOrder::DayFirst    ? "Dy/Mo/Year"
                    : order == DateOrder::YearFirst ? "Year/Mo/Dy"
                                                    : "Mo/Dy/Year");
    (InvoiceMemoMode ? RadioButton2 : RadioButton1)->setChecked(true);
    ShowTaxSwitch(false);
    PrintFlag->setEnabled(true);
    const std::array<std::string, 4> captions = AgingBucketCaptions(company);
    for (std::size_t k = 0; k < captions.size(); ++k) AgingCaptions[k]->setText(Qs(captions[k]));
    if (adding) {
        INum->setText(ProposedNumber());
        ITerms->setEditText({});
        PrintFlag->setChecked(false);
        IMode->setText("Add Invoice");
    } else {
        IMode->setText("Edit Invoice");
    }
    RadioButton1->setEnabled(adding);
    RadioButton2->setEnabled(adding);
    PrintFlag->setEnabled(adding);
    BitBtn3->setEnabled(adding);

    const QFont editorFont = CompanyFont(Company::EditorFont);
    for (QWidget* w : {static_cast<QWidget*>(StringGrid1), static_cast<QWidget*>(ICustName),
                       static_cast<QWidget*>(Sname), static_cast<QWidget*>(ICustNo)})
        w->setFont(editorFont);
    Memo1->setFont(CompanyFont(Company::ManagersFont));

    ShowInvoiceType();
    StringGrid1->SetCurrent(InvoiceCol::Code, 1);
    StringGrid1->SetTopRow(1);
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

void TProdInv::SetGridWidths() {
    const QFontMetrics m(StringGrid1->font());
    const std::array<const char*, InvoiceCol::Count> samples{
        "XXi",       "XXXXXXXX", "XXXXXXXXX", "XXXXXXXXXXXXXXXXXXXXXXXXX",
        "XXXXXXXXX", "Xi",       "XXXXXXXXX"};
    for (int c = 0; c < InvoiceCol::Count; ++c)
        StringGrid1->SetColWidth(c, m.horizontalAdvance(samples[c]) + 8);
    // The extension takes the rest of the grid's width.
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
}

void TProdInv::LoadTerms() {
    const std::vector<std::string> terms = ::LoadTerms(Shell().folder);
    if (terms.empty()) return;
    // The terms of an invoice under edit stay as they are while the list is replaced.
    const QString shown = ITerms->currentText();
    ITerms->clear();
    QStringList items;
    for (const std::string& t : terms) items << Qs(t);
    items.sort(Qt::CaseInsensitive);
    ITerms->addItems(items);
    ITerms->setEditText(shown);
}

// The company's next number, with the month and the year's last two digits of the proposed
// date in front when the company asks for the prefix. Nothing is proposed that the field
// cannot hold: a cut number would be another number.
QString TProdInv::ProposedNumber() const {
    const ShellContext& shell = Shell();
    const CompanyRec& company = shell.companies.CurrentCompany;
    std::string number = TrimBlanks(company.get(Company::NextInvoiceNumber));
    if (TrimBlanks(company.get(Company::InvoiceNumberPrefix)) == "Y") {
        const Date date = shell.companies.dateFormat()
                              .parse(shell.main.LastInvoiceDate)
                              .value_or(shell.clock.today());
        const std::string year = std::to_string(date.year);
        number = (date.month < 10 ? "0" : "") + std::to_string(date.month) +
                 year.substr(year.size() >= 2 ? year.size() - 2 : 0) + number;
    }
    if (number.size() > static_cast<std::size_t>(INum->maxLength())) return {};
    return QString::fromStdString(UpperAscii(number));
}

void TProdInv::ShowInvoiceType() {
    const bool adding = ProdInvMode == 0;
    const bool memo = InvoiceMemoMode != 0;
    MemoProductPrice = "0";
    if (adding) {
        MemoQuan->setText("1");
        for (QLabel* l : {StkBal, StockData, StkName, OldLineQuan, CurCost}) l->clear();
        MemoPDesc->clear();
        LineNum->setText("0");
        if (memo) ClearRowProduct(1, StockClass::EmptyRow);
    } else {
        StockData->setText(Shown(ProdInvOnHand[1]));
        OldLineQuan->setText("\n - Old Quan: " + Qs(ProdInvOldQuantities[1]));
        if (memo) RefreshMemoStock();
    }
    GetAProd->setVisible(memo);
    TaxLbl->setVisible(memo);
    TaxLbl->clear();
    for (QToolButton* b : {MakeNote, DeleteLine, TopButn, CnterButn, BottButn})
        b->setEnabled(!memo);
    CheckBox2->setVisible(!memo);
    for (QLineEdit* amount : {INet, ITax}) {
        amount->setReadOnly(!memo);
        amount->setFocusPolicy(memo ? Qt::StrongFocus : Qt::NoFocus);
    }
    memoPanel_->setVisible(memo);
    gridPanel_->setVisible(!memo);
    if (memo) {
        if (adding)
            for (QLineEdit* amount : {INet, ITax}) amount->setText("0.00");
        INetChange();
        Memo1->setFocus();
    } else {
        if (adding) ResetInvoiceGrid();
        RecalcInvoiceTotals();
        StringGrid1->setFocus();
    }
}

void TProdInv::RadioButton1Click() {
    InvoiceMemoMode = 0;
    ShowInvoiceType();
}

void TProdInv::RadioButton2Click() {
    InvoiceMemoMode = 1;
    ShowInvoiceType();
}

// --- the grid ------------------------------------------------------------------------------

void TProdInv::ResetInvoiceGrid() {
    const std::array<const char*, InvoiceCol::Count> headings{
        "LN", "Product#", "Quantity", "Description / Comment", "Unit Price", "T", "Extension"};
    const ScopedAssign<bool> quiet(refreshing_, true);
    for (int c = 0; c < InvoiceCol::Count; ++c) StringGrid1->SetCell(c, 0, headings[c]);
    for (int r = 1; r <= InvoiceGridRows; ++r) {
        ResetRow(r);
        ProdInvOldQuantities[r] = "0";
        ProdInvOldCodes[r].clear();
    }
    StockData->clear();
    StkBal->clear();
    StringGrid1->SetCurrent(InvoiceCol::Code, 1);
}

QString TProdInv::DefaultQuantity() const {
    return Qs(TrimBlanks(Shell().companies.CurrentCompany.get(Company::DefaultQuantity)));
}

void TProdInv::ResetRow(int row) {
    const std::array<QString, InvoiceCol::Count> cells{
        QString::number(row), "", DefaultQuantity(), "", "0.00", "N", "0.00"};
    for (int c = 0; c < InvoiceCol::Count; ++c) StringGrid1->SetCell(c, row, cells[c]);
    ClearRowProduct(row, StockClass::EmptyRow);
    PaintRow(row);
}

void TProdInv::ClearRowProduct(int row, const char* stockClass) {
    ProdInvOnHand[row] = NoStockOnHand;
    ProdInvStockClass[row] = stockClass;
    ProdInvLineCosts[row] = "0";
}

void TProdInv::SetRowProduct(int row, const ProductRec& product) {
    ProdInvOnHand[row] = TrimBlanks(product.get(Product::StockOnHand));
    ProdInvStockClass[row] = product.get(Product::NonStock)       ? StockClass::NonStock
                             : product.get(Product::NonDepleting) ? StockClass::NonDepleting
                                                                  : StockClass::Stocked;
    ProdInvLineCosts[row] = TrimBlanks(product.get(Product::Cost));
}

InvoiceRow TProdInv::Row(int row) const {
    const auto cell = [&](int col) { return Cp(StringGrid1->Cell(col, row)); };
    InvoiceRow r;
    r.code = cell(InvoiceCol::Code);
    r.quantity = cell(InvoiceCol::Quantity);
    r.description = cell(InvoiceCol::Description);
    r.unitPrice = cell(InvoiceCol::UnitPrice);
    r.taxFlag = cell(InvoiceCol::Tax);
    r.extension = cell(InvoiceCol::Extension);
    r.unitCost = ProdInvLineCosts[row];
    return r;
}

void TProdInv::StringGrid1SetEditText(int col, int row, const QString& text) {
    if (refreshing_ || row < 1 || row > InvoiceGridRows) return;
    if (col == InvoiceCol::Code) {
        if (TrimBlanks(Cp(text)).empty()) {
            ClearRowProduct(row, StockClass::EmptyRow);
        } else {
            StringGrid1->SetCurrent(InvoiceCol::Code, row);
            const std::string code = KeyText(TrimBlanks(Cp(text)).substr(0, 10), 0);
            ProductRec probe;
            static_cast<void>(probe.set(Product::Code, code));
            ProductRec found;
            int32_t ref = 0;
            {
                const StepFile open(ProductData());
                if (open.ok())
                    ref = ProductData().Find(ProductCodeKey, BuildProductKey(probe, ProductCodeKey),
                                             found.bytes());
            }
            if (ref == 0) {
                ClearRowProduct(row, StockClass::NoProduct);
                if (MessageBox("That product code was not found. Would you like to add it now?",
                               "Product Code", MsgIcon::Question,
                               MsgButtons::YesNo) == MsgResult::Yes) {
                    SpeedButton2Click();
                    return;
                }
            } else if (!FillRowFromProduct(row, found)) {
                return;
            }
        }
    }
    RefreshRow(row);
}

void TProdInv::StringGrid1KeyPress() {
    const int row = StringGrid1->Row();
    if (StringGrid1->Col() != InvoiceCol::Code || row < 1) return;
    const QString code = StringGrid1->Cell(InvoiceCol::Code, row);
    if (TrimBlanks(Cp(code)).empty())
        SpeedButton2Click();
    else
        StringGrid1SetEditText(InvoiceCol::Code, row, code);
}

bool TProdInv::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        // Enter in a cell's editor reaches the grid as well; the editor's commit handles it.
        const QWidget* focus = QApplication::focusWidget();
        if (focus && focus != StringGrid1 && StringGrid1->isAncestorOf(focus))
            return Form::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            StringGrid1->Col() == InvoiceCol::Code) {
            StringGrid1KeyPress();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

int TProdInv::RowWithCode(const std::string& code, int except) const {
    for (int r = 1; r <= InvoiceGridRows; ++r) {
        if (r == except) continue;
        const std::string other = TrimBlanks(Cp(StringGrid1->Cell(InvoiceCol::Code, r)));
        if (!other.empty() && SameCode(other, code)) return r;
    }
    return 0;
}

bool TProdInv::FillRowFromProduct(int row, const ProductRec& product) {
    const std::string code = TrimBlanks(product.get(Product::Code));
    if (const int other = RowWithCode(code, row)) {
        {
            const ScopedAssign<bool> quiet(refreshing_, true);
            if (SameCode(Cp(StringGrid1->Cell(InvoiceCol::Code, row)), code)) {
                StringGrid1->SetCell(InvoiceCol::Code, row, "");
                ClearRowProduct(row, StockClass::EmptyRow);
            }
            StringGrid1->SetCurrent(InvoiceCol::Code, other);
        }
        MessageBox(
            "This Product Code is already in use on this invoice. Change the quantity for "
            "the existing product.",
            QString("Code: %1  Line: %2.").arg(Qs(code)).arg(other), MsgIcon::Information);
        RefreshRow(other);
        return false;
    }
    if (product.get(Product::SalesOnHold))
        MessageBox("This Product is currently placed on HOLD status.",
                   "Please Note! Code: " + Qs(code), MsgIcon::Information);
    const ScopedAssign<bool> quiet(refreshing_, true);
    StringGrid1->SetCell(InvoiceCol::Code, row, Qs(code));
    StringGrid1->SetCell(InvoiceCol::Quantity, row, DefaultQuantity());
    StringGrid1->SetCell(InvoiceCol::Description, row,
                         Qs(TrimBlanks(product.get(Product::Description))));
    StringGrid1->SetCell(InvoiceCol::UnitPrice, row,
                         Qs(TrimBlanks(product.get(Product::SalesPrice))));
    StringGrid1->SetCell(InvoiceCol::Tax, row, product.get(Product::TaxableOnInvoices) ? "Y" : "N");
    SetRowProduct(row, product);
    return true;
}

void TProdInv::RefreshRow(int row) {
    if (row < 1 || row > InvoiceGridRows || InvoiceMemoMode) return;
    const ScopedAssign<bool> quiet(refreshing_, true);
    const QString quantityText = StringGrid1->Cell(InvoiceCol::Quantity, row);
    const QString priceText = StringGrid1->Cell(InvoiceCol::UnitPrice, row);
    Decimal quantity = NumberOf(quantityText).value_or(Decimal());
    if (TrimBlanks(Cp(quantityText)).empty() && TrimBlanks(Cp(priceText)).empty()) {
        quantity = Decimal();
        ProdInvOnHand[row] = "0";
        ProdInvOldQuantities[row] = "0";
        ProdInvStockClass[row] = StockClass::EmptyRow;
    }
    const std::string code = TrimBlanks(Cp(StringGrid1->Cell(InvoiceCol::Code, row)));
    const bool same = SameCode(code, ProdInvOldCodes[row]);
    const Decimal onHand = NumberOf(ProdInvOnHand[row]).value_or(Decimal());
    const Decimal old = NumberOf(ProdInvOldQuantities[row]).value_or(Decimal());
    // What the stock comes to once this invoice is posted: a changed invoice first gives
    // back what the row sold before.
    const auto before = same ? Decimal::Add(onHand, old) : std::optional<Decimal>(onHand);
    const auto after = before ? Decimal::Sub(*before, quantity) : std::nullopt;

    LineNum->setText(QString::number(row));
    StkName->setText(Qs(code));
    const std::string& stockClass = ProdInvStockClass[row];
    const bool stocked = stockClass == StockClass::Stocked;
    QString lineMark = QString::number(row);
    if (stocked) {
        StockData->setText(Shown(ProdInvOnHand[row]));
        const bool short_ = after && after->isNegative();
        StkBal->setStyleSheet(short_ ? "color: red;" : QString());
        if (short_) lineMark = "CS";
        StkBal->setText(Money(after));
        if (ProdInvMode == 1 && same)
            OldLineQuan->setText("\n - Old Quan: " + Qs(ProdInvOldQuantities[row]));
        else if (ProdInvMode == 1)
            OldLineQuan->setText(TrimBlanks(ProdInvOldCodes[row]).empty() ? "(New Line Item)"
                                                                          : "(Changed Item)");
        else
            OldLineQuan->clear();
    } else {
        StockData->setText(stockClass == StockClass::NonStock       ? "NON-STOCK"
                           : stockClass == StockClass::NonDepleting ? "NON-DEPLETE"
                           : stockClass == StockClass::NoProduct    ? "NO PRODUCT"
                                                                    : "NO CODE");
        StkBal->clear();
        OldLineQuan->clear();
    }
    const bool hasProduct =
        stocked || stockClass == StockClass::NonStock || stockClass == StockClass::NonDepleting;
    CurCost->setText(hasProduct ? Shown(ProdInvLineCosts[row]) : QString());
    StringGrid1->SetCell(InvoiceCol::Line, row, lineMark);
    StringGrid1->SetCell(InvoiceCol::Extension, row,
                         Money(Extension(NumberOf(quantityText), NumberOf(priceText))));
    PaintRow(row);
    RecalcInvoiceTotals();
}

// A row whose product would go below zero ("CS") is painted yellow and bold.
void TProdInv::PaintRow(int row) {
    const bool shortRow = StringGrid1->Cell(InvoiceCol::Line, row) == "CS";
    for (int c = 0; c < InvoiceCol::Count; ++c) {
        QTableWidgetItem* item = StringGrid1->item(row - 1, c);
        if (!item) continue;
        QFont font = item->font();
        font.setBold(shortRow);
        item->setFont(font);
        if (shortRow)
            item->setBackground(Qt::yellow);
        else
            item->setBackground(c < StringGrid1->FixedCols() ? palette().button() : QBrush());
    }
}

void TProdInv::RecalcInvoiceTotals() {
    if (InvoiceMemoMode) return;
    const auto rate = Decimal::Div(
        NumberOf(Shell().companies.CurrentCompany.get(Company::TaxRate)).value_or(Decimal()),
        Decimal::FromScaled(100 * Decimal::Scale));
    std::optional<Decimal> net = Decimal(), taxable = Decimal();
    for (int r = 1; r <= InvoiceGridRows; ++r) {
        const auto extension = NumberOf(StringGrid1->Cell(InvoiceCol::Extension, r));
        if (!extension || !net) {
            net.reset();
            break;
        }
        net = Decimal::Add(*net, *extension);
        if (CheckBox2->isChecked() && StringGrid1->Cell(InvoiceCol::Tax, r) == "Y" && taxable)
            taxable = Decimal::Add(*taxable, *extension);
    }
    std::optional<Decimal> tax;
    if (taxable && rate)
        if (const auto raw = Decimal::Mul(*taxable, *rate)) tax = raw->round(2);
    const auto total = net && tax ? Decimal::Add(*net, *tax) : std::nullopt;
    ITax->setText(Money(tax));
    ITotal->setText(Money(total));
    INet->setText(Money(net));
    ShowBalanceDue();
}

void TProdInv::ShowBalanceDue() {
    const auto total = NumberOf(ITotal->text());
    const auto paid = NumberOf(IPaid->text());
    BalDue->setText(total && paid ? Money(Decimal::Sub(*total, *paid)) : QString());
}

void TProdInv::INetChange() {
    if (!InvoiceMemoMode) return;
    const auto net = NumberOf(INet->text());
    const auto tax = NumberOf(ITax->text());
    TaxLbl->clear();
    if (net && CheckBox2->isChecked()) {
        const auto rate = NumberOf(Shell().companies.CurrentCompany.get(Company::TaxRate));
        const auto taxOnNet = rate ? Decimal::Mul(*net, *rate) : std::nullopt;
        const auto hint = taxOnNet
                              ? Decimal::Div(*taxOnNet, Decimal::FromScaled(100 * Decimal::Scale))
                              : std::nullopt;
        TaxLbl->setText(QString("Tax on %1 is %2.").arg(Money(net), Money(hint)));
    }
    ITotal->setText(net && tax ? Money(Decimal::Add(*net, *tax)) : QString("ERROR"));
    ShowBalanceDue();
}

void TProdInv::ITaxChange() {
    InvoiceMemoMode ? INetChange() : RecalcInvoiceTotals();
}

void TProdInv::IPaidChange() {
    ShowBalanceDue();
}

// --- the memo invoice ----------------------------------------------------------------------

// The memo holds 25 lines of at most 74 characters: what it cannot hold is not taken.
void TProdInv::LimitMemo() {
    const QString text = Memo1->toPlainText();
    const QStringList lines = text.split('\n');
    const bool fits = lines.size() <= InvoiceMemo::LineCount &&
                      std::all_of(lines.begin(), lines.end(), [](const QString& line) {
                          return line.size() <= InvoiceMemo::LineWidth;
                      });
    if (fits) {
        memoText_ = text;
        return;
    }
    const QSignalBlocker block(Memo1);
    Memo1->setPlainText(memoText_);
    Memo1->moveCursor(QTextCursor::End);
    Beep();
}

void TProdInv::ShowMemoProduct(const ProductRec& product) {
    const std::string code = TrimBlanks(product.get(Product::Code));
    if (product.get(Product::SalesOnHold))
        MessageBox("This Product is currently placed on HOLD status.",
                   "Please Note! Code: " + Qs(code), MsgIcon::Information);
    SetRowProduct(1, product);
    const std::string& stockClass = ProdInvStockClass[1];
    StockData->setText(stockClass == StockClass::NonStock       ? "NON-STOCK"
                       : stockClass == StockClass::NonDepleting ? "NON-DEPLETE"
                                                                : Shown(ProdInvOnHand[1]));
    if (stockClass != StockClass::Stocked) StkBal->clear();
    LineNum->setText("1");
    StkName->setText(Qs(code));
    MemoPDesc->setText(Qs(TrimBlanks(product.get(Product::Description))));
    MemoProductPrice = TrimBlanks(product.get(Product::SalesPrice)).substr(0, 10);
    {
        const ScopedAssign<bool> quiet(refreshing_, true);
        StringGrid1->SetCell(InvoiceCol::Code, 1, Qs(code));
    }
    CurCost->setText(Shown(ProdInvLineCosts[1]));
    MemoQuan->setText("1");
    MemoQuanChange();
    MemoQuan->setFocus();
}

void TProdInv::RefreshMemoStock() {
    const std::string& stockClass = ProdInvStockClass[1];
    if (stockClass == StockClass::NonStock) StockData->setText("NON-STOCK");
    if (stockClass == StockClass::NonDepleting) StockData->setText("NON-DEPLETE");
    if (stockClass != StockClass::Stocked) {
        OldLineQuan->clear();
        return;
    }
    const auto onHand = NumberOf(ProdInvOnHand[1]);
    const auto quantity = NumberOf(MemoQuan->text());
    if (!onHand || !quantity) return;
    const bool same = SameCode(Cp(StkName->text()), ProdInvOldCodes[1]);
    const Decimal old = same ? NumberOf(ProdInvOldQuantities[1]).value_or(Decimal()) : Decimal();
    const auto before = Decimal::Add(*onHand, old);
    const auto after = before ? Decimal::Sub(*before, *quantity) : std::nullopt;
    const bool short_ = after && after->isNegative();
    StkBal->setText(Money(after));
    StkBal->setStyleSheet(short_ ? "color: red;" : QString());
    MemoQuan->setStyleSheet(short_ ? "background: yellow;" : QString());
    if (ProdInvMode == 1 && same)
        OldLineQuan->setText("\n - Old Quan: " + Qs(ProdInvOldQuantities[1]));
    else if (ProdInvMode == 1)
        OldLineQuan->setText(TrimBlanks(ProdInvOldCodes[1]).empty() ? "(New Line Item)"
                                                                    : "(Changed Item)");
    else
        OldLineQuan->clear();
}

void TProdInv::MemoQuanChange() {
    RefreshMemoStock();
    const auto price = NumberOf(MemoProductPrice);
    if (!price || price->isZero()) return;
    const auto quantity = NumberOf(MemoQuan->text());
    INet->setText(Money(quantity ? Extension(quantity, price) : std::nullopt));
    INetChange();
}

// --- picks ---------------------------------------------------------------------------------

void TProdInv::SpeedButton2Click() {
    if (!EditProd) return;
    const int row = InvoiceMemoMode ? 1 : std::max(1, StringGrid1->Row());
    MastersState& m = Masters();
    EditProd->SetPanelText(1, PickPrompt);
    m.ProductSeed.clear();
    static_cast<void>(m.ProductSeed.set(
        Product::Code, Cp(StringGrid1->Cell(InvoiceCol::Code, row)).substr(0, 10)));
    m.ProductSeed.set(Product::Description, Cp(StringGrid1->Cell(InvoiceCol::Description, row)));
    m.ProductSelectMode = 1;
    m.ProductSelectResult = 0;
    EditProd->ShowModal();
    EditProd->SetPanelText(1, MenuPrompt);
    m.ProductSelectMode = 0;
    if (m.ProductSelectResult != PickedResult) return;
    if (InvoiceMemoMode) {
        ShowMemoProduct(m.ProductBuf);
        return;
    }
    if (FillRowFromProduct(row, m.ProductBuf)) RefreshRow(row);
}

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
    InvoiceMemoMode ? INetChange() : RecalcInvoiceTotals();
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

void TProdInv::EmptyStockPanel() {
    for (QLabel* l : {LineNum, StkName, StockData, StkBal, OldLineQuan, CurCost}) l->clear();
}

void TProdInv::DeleteLineClick() {
    const int row = StringGrid1->Row();
    if (row < 1) return;
    {
        const ScopedAssign<bool> quiet(refreshing_, true);
        ResetRow(row);
    }
    EmptyStockPanel();
    RecalcInvoiceTotals();
}

void TProdInv::MakeNoteClick() {
    const int row = StringGrid1->Row();
    if (row < 1) return;
    {
        const ScopedAssign<bool> quiet(refreshing_, true);
        const std::array<QString, InvoiceCol::Count> cells{
            QString::number(row), "", " ", "", "", " ", "0.00"};
        for (int c = 0; c < InvoiceCol::Count; ++c) StringGrid1->SetCell(c, row, cells[c]);
        ClearRowProduct(row, StockClass::EmptyRow);
        PaintRow(row);
        StringGrid1->SetCurrent(InvoiceCol::Description, row);
    }
    EmptyStockPanel();
    RecalcInvoiceTotals();
}

void TProdInv::UndoAllClick() {
    EmptyStockPanel();
    MemoPDesc->clear();
    MemoQuan->setText("1");
    ResetInvoiceGrid();
    if (InvoiceMemoMode) {
        Memo1->clear();
        INet->setText("0.00");
        ITax->setText("0.00");
        INetChange();
        Memo1->setFocus();
    } else {
        RecalcInvoiceTotals();
        StringGrid1->SetCurrent(InvoiceCol::Code, 1);
        StringGrid1->setFocus();
    }
}

// --- OK ------------------------------------------------------------------------------------

bool TProdInv::LinesValid() {
    if (InvoiceMemoMode) {
        if (TrimBlanks(Cp(MemoQuan->text())).empty() || !IsNumberEntry(MemoQuan->text())) {
            Refuse(MemoQuan, "You have entered an invalid quantity.", "Memo Quantity",
                   MsgIcon::Information);
            return false;
        }
        return true;
    }
    const auto refuseCell = [this](int col, int row, const QString& text) {
        MessageBox(text, ProgramCaption());
        SetModalResult(Modal::None);
        StringGrid1->setFocus();
        StringGrid1->SetCurrent(col, row);
        return false;
    };
    bool described = false;
    for (int r = 1; r <= InvoiceGridRows; ++r) {
        const QString line = QString("Line %1 has ").arg(r);
        const QString quantity = StringGrid1->Cell(InvoiceCol::Quantity, r);
        const QString price = StringGrid1->Cell(InvoiceCol::UnitPrice, r);
        if (!IsNumberEntry(quantity))
            return refuseCell(InvoiceCol::Quantity, r, line + "an invalid QUANTITY value.");
        if (!TrimBlanks(Cp(StringGrid1->Cell(InvoiceCol::Description, r))).empty()) {
            described = true;
            const bool noQuantity = TrimBlanks(Cp(quantity)).empty();
            const bool noPrice = TrimBlanks(Cp(price)).empty();
            if (noQuantity && !noPrice)
                return refuseCell(InvoiceCol::Quantity, r, line + "a unit price but no quantity.");
            if (!noQuantity && noPrice)
                return refuseCell(InvoiceCol::UnitPrice, r, line + "a quantity but no unit price.");
        }
        if (!IsNumberEntry(price))
            return refuseCell(InvoiceCol::UnitPrice, r, line + "an invalid UNIT PRICE value.");
        if (!Extension(NumberOf(quantity), NumberOf(price)))
            return refuseCell(InvoiceCol::Quantity, r, line + "an extension too large to compute.");
    }
    if (!described) {
        Refuse(StringGrid1,
               "You do not have a description on any of your line items. At least one "
               "description field is required or you have nothing to invoice.",
               "Description Required", MsgIcon::Warning);
        return false;
    }
    return true;
}

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
    if (!LinesValid()) return;

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
        if (!IsNumberEntry(field->text()))
            return Refuse(field, text, ProgramCaption(), MsgIcon::None);
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
    const auto oldTotal = NumberOf(ProdInvOldTotal);
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
    if (OnAccept && !OnAccept()) SetModalResult(Modal::None);
}

// --- what the dialog holds -----------------------------------------------------------------

InvoiceEntry TProdInv::Entry() const {
    InvoiceEntry e;
    e.number = Cp(INum->text());
    e.date = Cp(IDate->Text());
    e.notes = Cp(INVNOTES->text());
    e.terms = Cp(ITerms->currentText());
    e.statementNote = Cp(IStmntNote->text());
    e.customerNumber = Cp(ICustNo->text());
    e.customerShortName = Cp(Sname->text());
    e.keyCode = Cp(KeyCode->text());
    e.net = Cp(INet->text());
    e.tax = Cp(ITax->text());
    e.total = Cp(ITotal->text());
    e.paid = Cp(IPaid->text());
    e.memo = RadioButton2->isChecked();
    for (int r = 1; r <= InvoiceGridRows; ++r) e.rows.push_back(Row(r));
    for (const QString& line : Memo1->toPlainText().split('\n')) e.memoLines.push_back(Cp(line));
    e.stockCode = Cp(StkName->text());
    e.memoQuantity = Cp(MemoQuan->text());
    e.memoDescription = Cp(MemoPDesc->text());
    if (POShipWin) e.shipTo = POShipWin->Lines();
    e.print = PrintFlag->isChecked();
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
