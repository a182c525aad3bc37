#include "invoicing/entry/line_entry.h"

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
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <vector>

#include "invoicing/entry/ship_to_window.h"
#include "invoicing/posting/invoice_posting.h"
#include "masters/master_files.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/font_setting.h"
#include "platform/mask_edit.h"
#include "platform/scope_guard.h"
#include "platform/string_grid.h"
#include "platform/text_guard.h"
#include "shell/app_context.h"
#include "shell/small_files.h"
#include "shell/text.h"

using namespace entry;

namespace {

// Both documents' memo text: 25 lines of at most 74 characters.
constexpr int MemoLineCount = 25;
constexpr int MemoLineWidth = 74;

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

}  // namespace

// --- widgets and text ----------------------------------------------------------------------

namespace entry {

std::string Cp(const QString& text) {
    return ToCp1252(text);
}

QString Qs(std::string_view text) {
    return FromCp1252(text);
}

std::optional<Decimal> NumberOf(const QString& text) {
    return EntryNumber(Cp(text));
}

bool IsNumber(const QString& text) {
    return IsNumberEntry(Cp(text));
}

QString Money(std::optional<Decimal> value) {
    return value ? QString::fromStdString(value->format(",0.00")) : QString("ERROR");
}

QString Shown(std::string_view stored) {
    const auto value = EntryNumber(stored);
    return value ? QString::fromStdString(value->format(",0.00")) : Qs(TrimBlanks(stored));
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

QLabel* Caption(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    if (buddy) label->setBuddy(buddy);
    return label;
}

void AddField(QGridLayout* grid, const QString& caption, QWidget* field, int row, int col,
              int span) {
    grid->addWidget(Caption(field->parentWidget(), caption, field), row, col);
    grid->addWidget(field, row, col + 1, 1, span);
}

QLabel* ValueLabel(QWidget* parent, const char* name, int minChars) {
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

QLineEdit* NumberEdit(QWidget* parent, const char* name, int maxLength) {
    QLineEdit* edit = Edit(parent, name, maxLength);
    edit->setValidator(new UpperAsciiValidator(edit));
    return edit;
}

MaskEdit* DateEdit(QWidget* parent, const char* name) {
    auto* edit = new MaskEdit("!99/99/9999;1;_", parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton* DotsButton(QWidget* parent, const char* name) {
    QPushButton* button = Button(parent, name, "...");
    button->setMaximumWidth(button->fontMetrics().horizontalAdvance("....") + 12);
    return button;
}

QString DateOrderCaption() {
    const DateOrder order = Shell().companies.dateFormat().order();
    return order == DateOrder::DayFirst    ? "Dy/Mo/Year"
           : order == DateOrder::YearFirst ? "Year/Mo/Dy"
                                           : "Mo/Dy/Year";
}

QComboBox* TermsBox(QWidget* parent, const char* name) {
    auto* terms = new QComboBox(parent);
    terms->setObjectName(name);
    terms->setEditable(true);
    terms->setInsertPolicy(QComboBox::NoInsert);
    terms->lineEdit()->setMaxLength(35);
    terms->addItems(DefaultTerms);
    return terms;
}

void LoadTerms(QComboBox* terms) {
    const std::vector<std::string> lines = ::LoadTerms(Shell().folder);
    if (lines.empty()) return;
    const QString typed = terms->currentText();
    terms->clear();
    QStringList items;
    for (const std::string& t : lines) items << Qs(t);
    items.sort(Qt::CaseInsensitive);
    terms->addItems(items);
    terms->setEditText(typed);
}

}  // namespace entry

// --- building ------------------------------------------------------------------------------

TLineEntry::TLineEntry(const LineEntryKind& kind, QWidget* parent) : Form(parent), kind_(kind) {
    // Rows without a product until a caller or the user gives them one.
    for (int r = 0; r <= EntryGridRows; ++r) {
        RowStockOnHand[r] = NoStockOnHand;
        RowStockCode[r] = StockClass::EmptyRow;
        RowOldQuantity[r] = "0";
        RowLineCost[r] = "0";
    }
}

TLineEntry::~TLineEntry() = default;

void TLineEntry::BuildHeadingFields(QWidget* box, QGridLayout* form, const QString& numberCaption) {
    IMode = new QLabel(box);
    IMode->setObjectName("IMode");
    QFont bold = IMode->font();
    bold.setBold(true);
    IMode->setFont(bold);
    form->addWidget(IMode, 0, 0, 1, 2);

    INum = NumberEdit(box, "INum", 9);
    AddField(form, numberCaption, INum, 1, 0);

    IDate = DateEdit(box, "IDate");
    Calbutton = DotsButton(box, "Calbutton");
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
    ITerms = TermsBox(box, "ITerms");
    AddField(form, "Terms:", ITerms, 3, 2);
}

QGroupBox* TLineEntry::BuildPartyPanel(const QString& title, const QString& pickCaption,
                                       const QString& pickHint) {
    auto* box = new QGroupBox(title, this);
    auto* grid = new QGridLayout(box);
    BitBtn3 = Button(box, "BitBtn3", pickCaption);
    BitBtn3->setToolTip(pickHint);
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
    return box;
}

QWidget* TLineEntry::BuildLinesPanel() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    RadioButton1 = new QRadioButton("&Line Item", panel);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton2 = new QRadioButton("&Memo", panel);
    RadioButton2->setObjectName("RadioButton2");
    RadioButton1->setChecked(true);

    lineButtons_ = new QWidget(panel);
    lineTools_ = new QHBoxLayout(lineButtons_);
    lineTools_->setContentsMargins(0, 0, 0, 0);
    lineTools_->addWidget(RadioButton1);
    lineTools_->addWidget(RadioButton2);
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
        lineTools_->addWidget(b);
    lineTools_->addStretch(1);
    lineTools_->addWidget(InvClose);
    layout->addWidget(lineButtons_);

    StringGrid1 = new StringGrid(panel);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->SetColCount(EntryCol::Count);
    StringGrid1->SetRowCount(EntryGridRows + 1);
    StringGrid1->SetFixedCols(1);
    StringGrid1->SetEditable(true);
    // A double-click in the product column picks a product instead of editing the cell.
    StringGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed |
                                 QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::SelectedClicked);
    const std::array<std::pair<int, bool>, EntryCol::Count> editors{
        {{0, false}, {10, false}, {10, false}, {32, false}, {10, false}, {1, true}, {0, false}}};
    for (int c = 1; c < EntryCol::Count; ++c)
        StringGrid1->setItemDelegateForColumn(
            c, new CellEditor(StringGrid1, editors[c].first, editors[c].second));
    StringGrid1->installEventFilter(this);
    layout->addWidget(StringGrid1, 1);

    memoPanel_ = new QWidget(panel);
    auto* memo = new QGridLayout(memoPanel_);
    memo->setContentsMargins(0, 0, 0, 0);
    MemoPDesc = Edit(memoPanel_, "MemoPDesc", 32);
    MemoQuan = Edit(memoPanel_, "MemoQuan", 10);
    GetAProd = DotsButton(memoPanel_, "GetAProd");
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
    memo->setRowStretch(1, 1);
    memoPanel_->setVisible(false);
    layout->addWidget(memoPanel_, 1);
    return panel;
}

QWidget* TLineEntry::BuildStockPanel() {
    auto* box = new QGroupBox("Stock At A Glance:", this);
    auto* form = new QFormLayout(box);
    LineNum = ValueLabel(box, "LineNum", 3);
    StkName = ValueLabel(box, "StkName", 10);
    StockData = ValueLabel(box, "StockData", 12);
    StkBal = ValueLabel(box, "StkBal", 12);
    OldLineQuan = new QLabel(box);
    OldLineQuan->setObjectName("OldLineQuan");
    form->addRow("Line:", LineNum);
    form->addRow("Product:", StkName);
    form->addRow("On Hand:", StockData);
    form->addRow(kind_.afterCaption, StkBal);
    if (kind_.showCost) {
        CurCost = ValueLabel(box, "CurCost", 12);
        form->addRow("Cost:", CurCost);
    }
    form->addRow(OldLineQuan);
    return box;
}

QGroupBox* TLineEntry::BuildTotalsPanel() {
    auto* box = new QGroupBox(this);
    totalsForm_ = new QFormLayout(box);
    INet = Edit(box, "INet", 10);
    ITax = Edit(box, "ITax", 10);
    CheckBox2 = new QCheckBox("Calc. Tax", box);
    CheckBox2->setObjectName("CheckBox2");
    // Its caption names the rate: never cut.
    CheckBox2->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    TaxLbl = new QLabel(box);
    TaxLbl->setObjectName("TaxLbl");
    ITotal = ValueLabel(box, "ITotal", 12);
    for (QLineEdit* amount : {INet, ITax}) amount->setAlignment(Qt::AlignRight);
    ITotal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    totalsForm_->addRow(Caption(box, "&Net:", INet), INet);
    auto* taxRow = new QHBoxLayout;
    taxRow->addWidget(ITax);
    taxRow->addWidget(CheckBox2);
    totalsForm_->addRow(Caption(box, "&Tax:", ITax), taxRow);
    totalsForm_->addRow(TaxLbl);
    totalsForm_->addRow("Total:", ITotal);
    return box;
}

QHBoxLayout* TLineEntry::BuildButtonRow(const QString& printCaption, const QString& helpKeyword) {
    auto* buttons = new QHBoxLayout;
    PrintFlag = new QCheckBox(printCaption, this);
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
    connect(BitBtn2, &QPushButton::clicked, this, Guarded([helpKeyword] { ShowHelp(helpKeyword); }));
    return buttons;
}

void TLineEntry::ConnectLineHandlers() {
    SetButtonResult(OKButton, Modal::Ok);
    connect(BitBtn1, &QPushButton::clicked, this, Guarded([this] { CancelClick(); }));
    connect(InvClose, &QToolButton::clicked, this, Guarded([this] { CancelClick(); }));
    connect(RadioButton1, &QRadioButton::clicked, this, Guarded([this] { RadioButton1Click(); }));
    connect(RadioButton2, &QRadioButton::clicked, this, Guarded([this] { RadioButton2Click(); }));
    connect(DeleteLine, &QToolButton::clicked, this, Guarded([this] { DeleteLineClick(); }));
    connect(MakeNote, &QToolButton::clicked, this, Guarded([this] { MakeNoteClick(); }));
    connect(UndoAll, &QToolButton::clicked, this, Guarded([this] { UndoAllClick(); }));
    connect(TopButn, &QToolButton::clicked, this, Guarded([this] { GoToRow(1, 1); }));
    connect(CnterButn, &QToolButton::clicked, this, Guarded([this] { GoToRow(50, 50); }));
    connect(BottButn, &QToolButton::clicked, this, Guarded([this] { GoToRow(99, 96); }));
    connect(SpeedButton2, &QToolButton::clicked, this, Guarded([this] { SpeedButton2Click(); }));
    connect(GetAProd, &QPushButton::clicked, this, Guarded([this] { SpeedButton2Click(); }));
    connect(SpeedButton8, &QToolButton::clicked, this, Guarded([] { RunCalculator(); }));
    connect(
        StringGrid1, &StringGrid::CellEdited, this,
        Guarded([this](int col, int row, const QString& text) { StringGrid1SetEditText(col, row, text); }));
    connect(StringGrid1, &StringGrid::CellSelected, this, Guarded([this](int, int row) {
        if (!refreshing_) RefreshRow(row);
    }));
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, Guarded([this](int, int col) {
        if (col != EntryCol::Code) return;
        SpeedButton2Click();
        // Keeps the rows below the cursor in sight while the grid is filled from the top.
        const int row = StringGrid1->Row();
        if (row == StringGrid1->TopRow() + 2 && row < EntryGridRows)
            StringGrid1->SetTopRow(StringGrid1->TopRow() + 1);
    }));
    connect(INet, &QLineEdit::textEdited, this, Guarded([this] { INetChange(); }));
    connect(ITax, &QLineEdit::textEdited, this, Guarded([this] { ITaxChange(); }));
    // A blank amount is 0, written back once the field is left rather than while typing.
    for (QLineEdit* amount : {INet, ITax})
        connect(amount, &QLineEdit::editingFinished, this, Guarded([this, amount] {
            if (TrimBlanks(Cp(amount->text())).empty() && !amount->isReadOnly()) {
                amount->setText("0.00");
                ITaxChange();
            }
        }));
    connect(MemoQuan, &QLineEdit::textEdited, this, Guarded([this] { MemoQuanChange(); }));
    connect(CheckBox2, &QCheckBox::clicked, this,
            Guarded([this] { MemoMode() ? INetChange() : RecalcTotals(); }));
    connect(Memo1, &QPlainTextEdit::textChanged, this, Guarded([this] { LimitMemo(); }));
}

void TLineEntry::GoToRow(int row, int top) {
    StringGrid1->setFocus();
    StringGrid1->SetCurrent(EntryCol::Code, row);
    StringGrid1->SetTopRow(top);
}

void TLineEntry::ShowStart(bool memo) {
    SetGridWidths();
    LoadTerms(ITerms);
    Label7->setText(DateOrderCaption());
    (memo ? RadioButton2 : RadioButton1)->setChecked(true);
}

void TLineEntry::ShowLayout(const QString& modeText) {
    const bool adding = EntryMode() == 0;
    IMode->setText(modeText);
    // The type, the print switch and the customer or vendor are fixed once a document is
    // on file.
    RadioButton1->setEnabled(adding);
    RadioButton2->setEnabled(adding);
    PrintFlag->setEnabled(adding);
    BitBtn3->setEnabled(adding);

    const QFont editorFont = CompanyFont(Company::EditorFont);
    for (QWidget* w : {static_cast<QWidget*>(StringGrid1), static_cast<QWidget*>(ICustName),
                       static_cast<QWidget*>(Sname), static_cast<QWidget*>(ICustNo)})
        w->setFont(editorFont);
    Memo1->setFont(CompanyFont(Company::ManagersFont));

    ShowEntryType();
    StringGrid1->SetCurrent(EntryCol::Code, 1);
    StringGrid1->SetTopRow(1);
}

void TLineEntry::ReadEntry(DocumentEntry& e) const {
    e.number = Cp(INum->text());
    e.date = Cp(IDate->Text());
    e.notes = Cp(INVNOTES->text());
    e.terms = Cp(ITerms->currentText());
    e.keyCode = Cp(KeyCode->text());
    e.net = Cp(INet->text());
    e.tax = Cp(ITax->text());
    e.total = Cp(ITotal->text());
    e.memo = RadioButton2->isChecked();
    for (int r = 1; r <= EntryGridRows; ++r) e.rows.push_back(Row(r));
    for (const QString& line : Memo1->toPlainText().split('\n')) e.memoLines.push_back(Cp(line));
    e.stockCode = Cp(StkName->text());
    e.memoQuantity = Cp(MemoQuan->text());
    e.memoDescription = Cp(MemoPDesc->text());
    if (POShipWin) e.shipTo = POShipWin->Lines();
    e.print = PrintFlag->isChecked();
}

void TLineEntry::SetGridWidths() {
    const QFontMetrics m(StringGrid1->font());
    const std::array<const char*, EntryCol::Count> samples{
        "XXi",       "XXXXXXXX", "XXXXXXXXX", "XXXXXXXXXXXXXXXXXXXXXXXXX",
        "XXXXXXXXX", "Xi",       "XXXXXXXXX"};
    for (int c = 0; c < EntryCol::Count; ++c)
        StringGrid1->SetColWidth(c, m.horizontalAdvance(samples[c]) + 8);
    // The extension takes the rest of the grid's width.
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
}

// --- the document type ---------------------------------------------------------------------

void TLineEntry::ShowEntryType() {
    const bool adding = EntryMode() == 0;
    const bool memo = MemoMode();
    MemoProductPrice = "0";
    MemoQuan->setStyleSheet({});
    if (adding) {
        MemoQuan->setText("1");
        for (QLabel* l : {StkBal, StockData, StkName, OldLineQuan}) l->clear();
        if (CurCost) CurCost->clear();
        MemoPDesc->clear();
        LineNum->setText("0");
        if (memo) ClearRowProduct(1, StockClass::EmptyRow);
    } else {
        StockData->setText(Shown(RowStockOnHand[1]));
        OldLineQuan->setText("\n - Old Quan: " + Qs(RowOldQuantity[1]));
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
    StringGrid1->setVisible(!memo);
    if (memo) {
        if (adding)
            for (QLineEdit* amount : {INet, ITax}) amount->setText("0.00");
        INetChange();
        Memo1->setFocus();
    } else {
        if (adding) ClearGrid();
        RecalcTotals();
        StringGrid1->setFocus();
    }
}

void TLineEntry::RadioButton1Click() {
    SetMemoMode(false);
    ShowEntryType();
}

void TLineEntry::RadioButton2Click() {
    SetMemoMode(true);
    ShowEntryType();
}

// --- the grid ------------------------------------------------------------------------------

void TLineEntry::ClearGrid() {
    const std::array<const char*, EntryCol::Count> headings{
        "LN", "Product#", "Quantity", "Description / Comment", "Unit Price", "T", "Extension"};
    const ScopedAssign<bool> quiet(refreshing_, true);
    for (int c = 0; c < EntryCol::Count; ++c) StringGrid1->SetCell(c, 0, headings[c]);
    for (int r = 1; r <= EntryGridRows; ++r) {
        ResetRow(r);
        RowOldQuantity[r] = "0";
        RowOldCode[r].clear();
    }
    StockData->clear();
    StkBal->clear();
    StringGrid1->SetCurrent(EntryCol::Code, 1);
}

QString TLineEntry::DefaultQuantity() const {
    return Qs(TrimBlanks(Shell().companies.CurrentCompany.get(Company::DefaultQuantity)));
}

void TLineEntry::ResetRow(int row) {
    const std::array<QString, EntryCol::Count> cells{
        QString::number(row), "", DefaultQuantity(), "", "0.00", "N", "0.00"};
    for (int c = 0; c < EntryCol::Count; ++c) StringGrid1->SetCell(c, row, cells[c]);
    ClearRowProduct(row, StockClass::EmptyRow);
    PaintRow(row);
}

void TLineEntry::ClearRowProduct(int row, const char* stockClass) {
    RowStockOnHand[row] = NoStockOnHand;
    RowStockCode[row] = stockClass;
    RowLineCost[row] = "0";
}

void TLineEntry::SetRowProduct(int row, const ProductRec& product) {
    RowStockOnHand[row] = TrimBlanks(product.get(Product::StockOnHand));
    RowStockCode[row] = product.get(Product::NonStock)       ? StockClass::NonStock
                        : product.get(Product::NonDepleting) ? StockClass::NonDepleting
                                                             : StockClass::Stocked;
    RowLineCost[row] = TrimBlanks(product.get(Product::Cost));
}

EntryRow TLineEntry::Row(int row) const {
    const auto cell = [&](int col) { return Cp(StringGrid1->Cell(col, row)); };
    EntryRow r;
    r.code = cell(EntryCol::Code);
    r.quantity = cell(EntryCol::Quantity);
    r.description = cell(EntryCol::Description);
    r.unitPrice = cell(EntryCol::UnitPrice);
    r.taxFlag = cell(EntryCol::Tax);
    r.extension = cell(EntryCol::Extension);
    r.unitCost = RowLineCost[row];
    return r;
}

void TLineEntry::LoadStoredRows(const std::vector<std::pair<std::string, std::string>>& lines) {
    const StepFile open(ProductData());
    const ScopedAssign<bool> quiet(refreshing_, true);
    for (std::size_t i = 0; i < lines.size() && i < static_cast<std::size_t>(EntryGridRows); ++i) {
        const int r = static_cast<int>(i) + 1;
        const std::string code = TrimBlanks(lines[i].first);
        const std::string& text = lines[i].second;
        const auto part = [&text](std::size_t from, std::size_t width) {
            return Qs(TrimBlanks(from < text.size() ? text.substr(from, width) : ""));
        };
        const std::array<QString, EntryCol::Count - 1> cells{
            Qs(code), part(0, 10), part(10, 32), part(42, 10), part(52, 1), part(53, 10)};
        for (int c = EntryCol::Code; c < EntryCol::Count; ++c)
            StringGrid1->SetCell(c, r, cells[static_cast<std::size_t>(c - 1)]);
        RowOldQuantity[r] = Cp(cells[EntryCol::Quantity - 1]);
        RowOldCode[r] = code;

        ProductRec probe;
        ProductRec product;
        const bool found =
            open.ok() && probe.set(Product::Code, code) &&
            ProductData().Find(ProductCodeKey, BuildProductKey(probe, ProductCodeKey),
                               product.bytes()) != 0;
        if (found) {
            SetRowProduct(r, product);
        } else {
            ClearRowProduct(r, StockClass::NoProduct);
            RowStockOnHand[r] = "0";
        }
    }
}

void TLineEntry::LoadStoredMemo(std::vector<std::string> memoLines) {
    MemoPDesc->setText(StringGrid1->Cell(EntryCol::Description, 1));
    MemoQuan->setText(StringGrid1->Cell(EntryCol::Quantity, 1));
    StkName->setText(StringGrid1->Cell(EntryCol::Code, 1));
    while (!memoLines.empty() && TrimBlanks(memoLines.back()).empty()) memoLines.pop_back();
    QStringList text;
    for (const std::string& line : memoLines) text << Qs(line);
    Memo1->setPlainText(text.join('\n'));
}

void TLineEntry::StringGrid1SetEditText(int col, int row, const QString& text) {
    if (refreshing_ || row < 1 || row > EntryGridRows) return;
    if (col == EntryCol::Code) {
        if (TrimBlanks(Cp(text)).empty()) {
            ClearRowProduct(row, StockClass::EmptyRow);
        } else {
            StringGrid1->SetCurrent(EntryCol::Code, row);
            const std::string code = KeyText(TrimBlanks(Cp(text)).substr(0, 10), 0);
            ProductRec probe;
            static_cast<void>(probe.set(Product::Code, code));
            ProductRec found;
            int32_t ref = 0;
            // A file that could not be searched says nothing about the code: the user is told
            // why (an open has told it already), never offered to add the product again.
            bool searched = false;
            QString unsearched;  // why, when not told by the open
            {
                const StepFile open(ProductData());
                if (open.ok())
                    ref = ProductData().Find(ProductCodeKey, BuildProductKey(probe, ProductCodeKey),
                                             found.bytes());
                searched = open.ok() && (ref != 0 || !LookupFailed());
                // A defective index met by the open has been asked about already.
                if (!searched && (open.ok() || EngineErrorCode != EngineCode::IndexDefective))
                    unsearched = LookupFailureText("product");
            }
            if (!searched) {
                ClearRowProduct(row, StockClass::NoProduct);
                if (!unsearched.isEmpty())
                    MessageBox(unsearched, "Product Code", MsgIcon::Warning);
            } else if (ref == 0) {
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

void TLineEntry::StringGrid1KeyPress() {
    const int row = StringGrid1->Row();
    if (StringGrid1->Col() != EntryCol::Code || row < 1) return;
    const QString code = StringGrid1->Cell(EntryCol::Code, row);
    if (TrimBlanks(Cp(code)).empty())
        SpeedButton2Click();
    else
        StringGrid1SetEditText(EntryCol::Code, row, code);
}

bool TLineEntry::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        // Enter in a cell's editor reaches the grid as well; the editor's commit handles it.
        const QWidget* focus = QApplication::focusWidget();
        if (focus && focus != StringGrid1 && StringGrid1->isAncestorOf(focus))
            return Form::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            StringGrid1->Col() == EntryCol::Code) {
            StringGrid1KeyPress();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

int TLineEntry::RowWithCode(const std::string& code, int except) const {
    for (int r = 1; r <= EntryGridRows; ++r) {
        if (r == except) continue;
        const std::string other = TrimBlanks(Cp(StringGrid1->Cell(EntryCol::Code, r)));
        if (!other.empty() && SameProductCode(other, code)) return r;
    }
    return 0;
}

bool TLineEntry::FillRowFromProduct(int row, const ProductRec& product) {
    const std::string code = TrimBlanks(product.get(Product::Code));
    if (const int other = RowWithCode(code, row)) {
        {
            const ScopedAssign<bool> quiet(refreshing_, true);
            if (SameProductCode(Cp(StringGrid1->Cell(EntryCol::Code, row)), code)) {
                StringGrid1->SetCell(EntryCol::Code, row, "");
                ClearRowProduct(row, StockClass::EmptyRow);
            }
            StringGrid1->SetCurrent(EntryCol::Code, other);
        }
        MessageBox(QString("This Product Code is already in use on this %1. Change the quantity "
                           "for the existing product.")
                       .arg(kind_.noun),
                   QString("Code: %1  Line: %2.").arg(Qs(code)).arg(other), MsgIcon::Information);
        RefreshRow(other);
        return false;
    }
    WarnIfOnHold(product);
    const ScopedAssign<bool> quiet(refreshing_, true);
    StringGrid1->SetCell(EntryCol::Code, row, Qs(code));
    StringGrid1->SetCell(EntryCol::Quantity, row, DefaultQuantity());
    StringGrid1->SetCell(EntryCol::Description, row,
                         Qs(TrimBlanks(product.get(kind_.description))));
    StringGrid1->SetCell(EntryCol::UnitPrice, row, Qs(TrimBlanks(product.get(kind_.unitPrice))));
    StringGrid1->SetCell(EntryCol::Tax, row, product.get(kind_.taxable) ? "Y" : "N");
    SetRowProduct(row, product);
    return true;
}

void TLineEntry::WarnIfOnHold(const ProductRec& product) {
    if (product.get(Product::SalesOnHold))
        MessageBox("This Product is currently placed on HOLD status.",
                   "Please Note! Code: " + Qs(TrimBlanks(product.get(Product::Code))),
                   MsgIcon::Information);
}

void TLineEntry::TakeRowProduct(int row, const ProductRec& product) {
    WarnIfOnHold(product);
    SetRowProduct(row, product);
    const ScopedAssign<bool> quiet(refreshing_, true);
    StringGrid1->SetCell(EntryCol::Tax, row, product.get(kind_.taxable) ? "Y" : "N");
}

// The remark under the stock panel: what a changed document's row held before.
void TLineEntry::ShowOldQuantity(int row, bool sameProduct) {
    if (EntryMode() == 1 && sameProduct)
        OldLineQuan->setText("\n - Old Quan: " + Qs(RowOldQuantity[row]));
    else if (EntryMode() == 1)
        OldLineQuan->setText(TrimBlanks(RowOldCode[row]).empty() ? "(New Line Item)"
                                                                 : "(Changed Item)");
    else
        OldLineQuan->clear();
}

void TLineEntry::RefreshRow(int row) {
    if (row < 1 || row > EntryGridRows || MemoMode()) return;
    const ScopedAssign<bool> quiet(refreshing_, true);
    const QString quantityText = StringGrid1->Cell(EntryCol::Quantity, row);
    const QString priceText = StringGrid1->Cell(EntryCol::UnitPrice, row);
    Decimal quantity = NumberOf(quantityText).value_or(Decimal());
    if (TrimBlanks(Cp(quantityText)).empty() && TrimBlanks(Cp(priceText)).empty()) {
        quantity = Decimal();
        RowStockOnHand[row] = "0";
        RowOldQuantity[row] = "0";
        RowStockCode[row] = StockClass::EmptyRow;
    }
    const std::string code = TrimBlanks(Cp(StringGrid1->Cell(EntryCol::Code, row)));
    const bool same = SameProductCode(code, RowOldCode[row]);
    const auto after = StockAfter(EntryNumber(RowStockOnHand[row]).value_or(Decimal()),
                                  EntryNumber(RowOldQuantity[row]).value_or(Decimal()), quantity,
                                  same, kind_.direction);

    LineNum->setText(QString::number(row));
    StkName->setText(Qs(code));
    const std::string& stockClass = RowStockCode[row];
    const bool stocked = stockClass == StockClass::Stocked;
    QString lineMark = QString::number(row);
    if (stocked) {
        StockData->setText(Shown(RowStockOnHand[row]));
        const bool short_ = after && after->isNegative();
        StkBal->setStyleSheet(short_ ? "color: red;" : QString());
        if (short_) lineMark = "CS";
        StkBal->setText(Money(after));
        ShowOldQuantity(row, same);
    } else {
        StockData->setText(stockClass == StockClass::NonStock       ? "NON-STOCK"
                           : stockClass == StockClass::NonDepleting ? "NON-DEPLETE"
                           : stockClass == StockClass::NoProduct    ? "NO PRODUCT"
                                                                    : "NO CODE");
        StkBal->clear();
        OldLineQuan->clear();
    }
    if (CurCost) {
        const bool hasProduct =
            stocked || stockClass == StockClass::NonStock || stockClass == StockClass::NonDepleting;
        CurCost->setText(hasProduct ? Shown(RowLineCost[row]) : QString());
    }
    StringGrid1->SetCell(EntryCol::Line, row, lineMark);
    StringGrid1->SetCell(EntryCol::Extension, row,
                         Money(LineExtension(NumberOf(quantityText), NumberOf(priceText))));
    PaintRow(row);
    RecalcTotals();
}

// A row whose product would go below zero ("CS") is painted yellow and bold.
void TLineEntry::PaintRow(int row) {
    const bool shortRow = StringGrid1->Cell(EntryCol::Line, row) == "CS";
    for (int c = 0; c < EntryCol::Count; ++c) {
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

void TLineEntry::RecalcTotals() {
    if (MemoMode()) return;
    std::vector<EntryRow> rows;
    rows.reserve(EntryGridRows);
    for (int r = 1; r <= EntryGridRows; ++r) rows.push_back(Row(r));
    const EntryTotals totals = ComputeEntryTotals(
        rows, CheckBox2->isChecked(), Shell().companies.CurrentCompany.get(Company::TaxRate));
    ITax->setText(Money(totals.tax));
    ITotal->setText(Money(totals.total));
    INet->setText(Money(totals.net));
    TotalsChanged();
}

void TLineEntry::INetChange() {
    if (!MemoMode()) return;
    const auto net = NumberOf(INet->text());
    const auto tax = NumberOf(ITax->text());
    TaxLbl->clear();
    if (net && TaxHintWanted()) {
        const auto rate = EntryNumber(Shell().companies.CurrentCompany.get(Company::TaxRate));
        const auto taxOnNet = rate ? Decimal::Mul(*net, *rate) : std::nullopt;
        const auto hint = taxOnNet
                              ? Decimal::Div(*taxOnNet, Decimal::FromScaled(100 * Decimal::Scale))
                              : std::nullopt;
        TaxLbl->setText(QString("Tax on %1 is %2.").arg(Money(net), Money(hint)));
    }
    ITotal->setText(net && tax ? Money(Decimal::Add(*net, *tax)) : QString("ERROR"));
    TotalsChanged();
}

void TLineEntry::ITaxChange() {
    MemoMode() ? INetChange() : RecalcTotals();
}

// --- line buttons --------------------------------------------------------------------------

void TLineEntry::EmptyStockPanel() {
    for (QLabel* l : {LineNum, StkName, StockData, StkBal, OldLineQuan}) l->clear();
    if (CurCost) CurCost->clear();
}

void TLineEntry::DeleteLineClick() {
    const int row = StringGrid1->Row();
    if (row < 1) return;
    {
        const ScopedAssign<bool> quiet(refreshing_, true);
        ResetRow(row);
    }
    EmptyStockPanel();
    RecalcTotals();
}

void TLineEntry::MakeNoteClick() {
    const int row = StringGrid1->Row();
    if (row < 1) return;
    {
        const ScopedAssign<bool> quiet(refreshing_, true);
        const std::array<QString, EntryCol::Count> cells{
            QString::number(row), "", " ", "", "", " ", "0.00"};
        for (int c = 0; c < EntryCol::Count; ++c) StringGrid1->SetCell(c, row, cells[c]);
        ClearRowProduct(row, StockClass::EmptyRow);
        PaintRow(row);
        StringGrid1->SetCurrent(EntryCol::Description, row);
    }
    EmptyStockPanel();
    RecalcTotals();
}

void TLineEntry::UndoAllClick() {
    EmptyStockPanel();
    MemoPDesc->clear();
    MemoQuan->setText("1");
    ClearGrid();
    if (MemoMode()) {
        Memo1->clear();
        INet->setText("0.00");
        ITax->setText("0.00");
        INetChange();
        Memo1->setFocus();
    } else {
        RecalcTotals();
        StringGrid1->SetCurrent(EntryCol::Code, 1);
        StringGrid1->setFocus();
    }
}

void TLineEntry::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    if (!event->spontaneous()) shownContent_ = TypedContent();
}

QString TLineEntry::TypedContent() const {
    QStringList parts;
    for (int row = 1; row <= EntryGridRows; ++row)
        for (int col = EntryCol::Code; col < EntryCol::Count; ++col)
            parts << StringGrid1->Cell(col, row);
    parts << Memo1->toPlainText() << MemoPDesc->text() << MemoQuan->text();
    return parts.join('\t');
}

void TLineEntry::CancelClick() {
    if (TypedContent() != shownContent_ &&
        MessageBox(QString("Discard what you typed on this %1?").arg(kind_.noun), "Please Confirm",
                   MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    SetModalResult(Modal::Cancel);
}

void TLineEntry::reject() {
    CancelClick();
}

// --- the memo document ---------------------------------------------------------------------

// What the memo cannot hold is not taken.
void TLineEntry::LimitMemo() {
    const QString text = Memo1->toPlainText();
    const QStringList lines = text.split('\n');
    const bool fits = lines.size() <= MemoLineCount &&
                      std::all_of(lines.begin(), lines.end(),
                                  [](const QString& line) { return line.size() <= MemoLineWidth; });
    if (fits) {
        memoText_ = text;
        return;
    }
    const QSignalBlocker block(Memo1);
    Memo1->setPlainText(memoText_);
    Memo1->moveCursor(QTextCursor::End);
    Beep();
}

void TLineEntry::ShowMemoProduct(const ProductRec& product) {
    const std::string code = TrimBlanks(product.get(Product::Code));
    WarnIfOnHold(product);
    SetRowProduct(1, product);
    const std::string& stockClass = RowStockCode[1];
    StockData->setText(stockClass == StockClass::NonStock       ? "NON-STOCK"
                       : stockClass == StockClass::NonDepleting ? "NON-DEPLETE"
                                                                : Shown(RowStockOnHand[1]));
    if (stockClass != StockClass::Stocked) StkBal->clear();
    LineNum->setText("1");
    StkName->setText(Qs(code));
    MemoPDesc->setText(Qs(TrimBlanks(product.get(kind_.description))));
    MemoProductPrice = TrimBlanks(product.get(kind_.memoPrice)).substr(0, 10);
    {
        const ScopedAssign<bool> quiet(refreshing_, true);
        StringGrid1->SetCell(EntryCol::Code, 1, Qs(code));
    }
    if (CurCost) CurCost->setText(Shown(RowLineCost[1]));
    MemoQuan->setText("1");
    MemoQuanChange();
    MemoQuan->setFocus();
}

void TLineEntry::RefreshMemoStock() {
    const std::string& stockClass = RowStockCode[1];
    if (stockClass == StockClass::NonStock) StockData->setText("NON-STOCK");
    if (stockClass == StockClass::NonDepleting) StockData->setText("NON-DEPLETE");
    if (stockClass != StockClass::Stocked) {
        OldLineQuan->clear();
        return;
    }
    const auto onHand = EntryNumber(RowStockOnHand[1]);
    const auto quantity = NumberOf(MemoQuan->text());
    if (!onHand || !quantity) return;
    const bool same = SameProductCode(Cp(StkName->text()), RowOldCode[1]);
    const auto after = StockAfter(*onHand, EntryNumber(RowOldQuantity[1]).value_or(Decimal()),
                                  *quantity, same, kind_.direction);
    const bool short_ = after && after->isNegative();
    StkBal->setText(Money(after));
    StkBal->setStyleSheet(short_ ? "color: red;" : QString());
    MemoQuan->setStyleSheet(short_ ? "background: yellow;" : QString());
    ShowOldQuantity(1, same);
}

void TLineEntry::MemoQuanChange() {
    RefreshMemoStock();
    const auto price = EntryNumber(MemoProductPrice);
    if (!price || price->isZero()) return;
    const auto quantity = NumberOf(MemoQuan->text());
    INet->setText(Money(quantity ? LineExtension(quantity, price) : std::nullopt));
    INetChange();
}

// --- the product pick ----------------------------------------------------------------------

void TLineEntry::SpeedButton2Click() {
    if (!EditProd) return;
    const int row = MemoMode() ? 1 : std::max(1, StringGrid1->Row());
    MastersState& m = Masters();
    EditProd->SetPanelText(1, PickPrompt);
    m.ProductSeed.clear();
    static_cast<void>(
        m.ProductSeed.set(Product::Code, Cp(StringGrid1->Cell(EntryCol::Code, row)).substr(0, 10)));
    m.ProductSeed.set(Product::Description, Cp(StringGrid1->Cell(EntryCol::Description, row)));
    m.ProductSelectMode = 1;
    m.ProductSelectResult = 0;
    EditProd->ShowModal();
    EditProd->SetPanelText(1, MenuPrompt);
    m.ProductSelectMode = 0;
    if (m.ProductSelectResult != PickedResult) return;
    if (MemoMode()) {
        ShowMemoProduct(m.ProductBuf);
        return;
    }
    if (FillRowFromProduct(row, m.ProductBuf)) RefreshRow(row);
}

// --- OK ------------------------------------------------------------------------------------

bool TLineEntry::GridLinesValid() {
    std::vector<EntryRow> rows;
    rows.reserve(EntryGridRows);
    for (int r = 1; r <= EntryGridRows; ++r) rows.push_back(Row(r));
    const std::optional<LineProblem> problem = CheckEntryLines(rows, kind_.nothingTo);
    if (!problem) return true;
    if (problem->row == 0) {
        Refuse(StringGrid1, Qs(problem->message), "Description Required", MsgIcon::Warning);
        return false;
    }
    MessageBox(Qs(problem->message), ProgramCaption());
    SetModalResult(Modal::None);
    StringGrid1->setFocus();
    StringGrid1->SetCurrent(problem->col, problem->row);
    return false;
}

void TLineEntry::Accept() {
    if (OnAccept && !OnAccept()) SetModalResult(Modal::None);
}
