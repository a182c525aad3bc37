#include "invoicing/receivables/interest_wizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "invoicing/receivables/interest_report.h"
#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/long_run.h"
#include "platform/mask_edit.h"
#include "platform/printer.h"
#include "platform/string_grid.h"
#include "shell/app_context.h"
#include "shell/cal_form.h"
#include "shell/main_window.h"
#include "shell/small_files.h"
#include "shell/text.h"

TInterestWiz* InterestWiz = nullptr;

namespace {

const QString ReadyText = "Enter above options then select scan button...";

enum GridCol { NameCol = 0, NumberCol = 1, OverdueCol = 2, ChargeCol = 3, InvoiceCol = 4 };

QString Money(Decimal value) {
    return QString::fromStdString(value.format(",0.00"));
}

template <class T, class... Args>
T* Named(const char* name, Args&&... args) {
    auto* control = new T(std::forward<Args>(args)...);
    control->setObjectName(name);
    return control;
}

// A captioned field in a row of the grid: the caption, then the field.
void AddField(QGridLayout* grid, int row, const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption, field->parentWidget());
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* button = Named<QPushButton>(name, text, parent);
    button->setAutoDefault(false);
    return button;
}

// Amounts are drawn aligned on their point: the whole part ends where ".00" and a small gap
// begin at the cell's right edge, the rest follows it, both 2 pixels below the cell's top.
class PointAlignedDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!IsAmount(index)) return;
        const QString text = index.data().toString();
        const qsizetype point = text.indexOf('.');
        const QRect cell = option.rect.adjusted(0, 2, 0, 0);
        const int at = cell.right() + 1 - option.fontMetrics.horizontalAdvance(".00") - 4;
        painter->save();
        painter->setFont(option.font);
        painter->setPen(option.palette.color(
            option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QRect(cell.left(), cell.top(), at - cell.left(), cell.height()),
                          Qt::AlignRight | Qt::AlignTop, text.left(point));
        painter->drawText(QRect(at, cell.top(), cell.right() + 1 - at, cell.height()),
                          Qt::AlignLeft | Qt::AlignTop, text.mid(point));
        painter->restore();
    }

protected:
    // The grid draws an amount cell's background only; paint() adds the text.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (IsAmount(index)) option->text.clear();
    }

private:
    static bool IsAmount(const QModelIndex& index) {
        return index.column() >= OverdueCol && index.data().toString().contains('.');
    }
};

// A flat fee as it is typed: digits with at most one point.
bool IsFeeText(const QString& text) {
    bool point = false;
    for (const QChar c : text) {
        if (c == '.' && !point)
            point = true;
        else if (!c.isDigit() || c.unicode() > '9')
            return false;
    }
    return true;
}

}  // namespace

TInterestWiz::TInterestWiz(QWidget* parent)
    : Form(parent), command_(CommandId::InterestWizard, [this] { ShowModal(); }) {
    setObjectName("InterestWiz");
    setWindowTitle("Interest Wizard");
    BuildControls();
    ConnectHandlers();
    InterestWiz = this;
}

TInterestWiz::~TInterestWiz() {
    if (InterestWiz == this) InterestWiz = nullptr;
}

// --- building ------------------------------------------------------------------------------

void TInterestWiz::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;

    GroupBox1 = Named<QGroupBox>("GroupBox1", " Calculate for Accounts Over ", this);
    auto* classes = new QVBoxLayout(GroupBox1);
    days30 = Named<QRadioButton>("days30", GroupBox1);
    days60 = Named<QRadioButton>("days60", GroupBox1);
    days90 = Named<QRadioButton>("days90", GroupBox1);
    for (QRadioButton* b : {days30, days60, days90}) classes->addWidget(b);
    days30->setChecked(true);
    top->addWidget(GroupBox1);

    auto* rates = new QGridLayout;
    IPct = new MaskEdit("9.999;1; ", this);
    IPct->setObjectName("IPct");
    AddField(rates, 0, "Monthly Percentage Rate:", IPct);
    MinChg = new MaskEdit("!9.00;1; ", this);
    MinChg->setObjectName("MinChg");
    AddField(rates, 1, "Minimum Interest Charge:", MinChg);
    FlatCB = Named<QCheckBox>("FlatCB", "Use Flat Fee for Charges", this);
    rates->addWidget(FlatCB, 2, 0);
    rates->addWidget(new QLabel("(flat fee overrides above settings)", this), 2, 1);
    FlatRate = Named<QLineEdit>("FlatRate", "0.00", this);
    FlatRate->setMaxLength(6);
    FlatRate->setEnabled(false);
    AddField(rates, 3, "Flat Rate:", FlatRate);
    IPrin = Named<QCheckBox>("IPrin", "Mark Invoices as Printed", this);
    rates->addWidget(IPrin, 4, 0, 1, 2);
    top->addLayout(rates, 1);
    layout->addLayout(top);

    // The short fields are as wide as what they hold.
    const int digit = fontMetrics().horizontalAdvance('0');
    for (QLineEdit* e : std::initializer_list<QLineEdit*>{IPct, MinChg, FlatRate})
        e->setMaximumWidth(digit * 8 + 16);
    rates->setColumnStretch(2, 1);

    auto* invoice = new QGridLayout;
    IDate = new MaskEdit(this);
    IDate->setObjectName("IDate");
    IDate->setMaximumWidth(digit * 12 + 16);
    Calbutton = Button(this, "Calbutton", "...");
    Calbutton->setToolTip("Calendar");
    Calbutton->setMaximumWidth(Calbutton->fontMetrics().horizontalAdvance("....") + 12);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(IDate);
    dateRow->addWidget(Calbutton);
    dateRow->addStretch(1);
    AddField(invoice, 0, "Invoice Date:", IDate);
    invoice->addLayout(dateRow, 0, 1);
    InvComm = Named<QLineEdit>("InvComm", "Interest Charges", this);
    InvComm->setMaxLength(80);
    AddField(invoice, 1, "Invoice Comments/Reference:", InvComm);
    ITerms = Named<QComboBox>("ITerms", this);
    ITerms->setEditable(true);
    ITerms->lineEdit()->setMaxLength(35);
    AddField(invoice, 2, "Payment Terms:", ITerms);
    StmntNote = Named<QLineEdit>("StmntNote", "Interest Charges", this);
    // The invoice keeps 35 characters of it: more could not be stored.
    StmntNote->setMaxLength(35);
    AddField(invoice, 3, "Statement Note:", StmntNote);
    layout->addLayout(invoice);

    LastRun = Named<QLabel>("LastRun", this);
    layout->addWidget(LastRun);

    CustGrid = Named<StringGrid>("CustGrid", this);
    CustGrid->SetColCount(4);
    CustGrid->SetEditable(false);
    CustGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    CustGrid->setItemDelegate(new PointAlignedDelegate(CustGrid));
    CustGrid->setMinimumHeight(220);
    layout->addWidget(CustGrid, 1);

    Label3 = Named<QLabel>("Label3", this);
    QFont bold = Label3->font();
    bold.setBold(true);
    Label3->setFont(bold);
    layout->addWidget(Label3);

    auto* buttons = new QHBoxLayout;
    Button1 = Button(this, "Button1", "Scan File");
    GenInv = Button(this, "GenInv", "Generate Invoices");
    CanButn = Button(this, "CanButn", "&Cancel");
    Button2 = Button(this, "Button2", "Help");
    buttons->addStretch(1);
    for (QPushButton* b : {Button1, GenInv, CanButn, Button2}) buttons->addWidget(b);
    layout->addLayout(buttons);
    resize(720, 620);
}

void TInterestWiz::ConnectHandlers() {
    connect(days30, &QRadioButton::clicked, this, Guarded(this, &TInterestWiz::days30Click));
    connect(days60, &QRadioButton::clicked, this, Guarded(this, &TInterestWiz::days60Click));
    connect(days90, &QRadioButton::clicked, this, Guarded(this, &TInterestWiz::days90Click));
    connect(IPct, &QLineEdit::textChanged, this, Guarded(this, &TInterestWiz::IPctChange));
    // The minimum decides who is listed as much as the rate does.
    connect(MinChg, &QLineEdit::textChanged, this, Guarded(this, &TInterestWiz::SettingChanged));
    connect(FlatCB, &QCheckBox::clicked, this, Guarded(this, &TInterestWiz::FlatCBClick));
    // Typing only: the window's own changes of the field need no check.
    connect(FlatRate, &QLineEdit::textEdited, this, Guarded(this, &TInterestWiz::FlatRateChange));
    connect(Calbutton, &QPushButton::clicked, this, Guarded(this, &TInterestWiz::CalbuttonClick));
    connect(Button1, &QPushButton::clicked, this, Guarded(this, &TInterestWiz::Button1Click));
    connect(GenInv, &QPushButton::clicked, this, Guarded(this, &TInterestWiz::GenerateInterestInvoices));
    SetButtonResult(CanButn, Modal::Cancel);
    connect(CanButn, &QPushButton::clicked, this, Guarded(this, &TInterestWiz::CanButnClick));
    connect(Button2, &QPushButton::clicked, this, Guarded(this, &TInterestWiz::Button2Click));
}

// --- showing -------------------------------------------------------------------------------

void TInterestWiz::FormShow() {
    const ShellContext& shell = Shell();
    const CompanyRec& company = shell.companies.CurrentCompany;
    const std::array<QRadioButton*, 3> buttons{days30, days60, days90};
    for (std::size_t k = 0; k < buttons.size(); ++k)
        buttons[k]->setText("Over " + FromCp1252(TrimBlanks(company.get(Company::AgingPeriod[k]))) +
                            " Days");
    const OverdueClass stored = OverdueClassOf(company.get(Company::InterestOverdueClass));
    buttons[static_cast<std::size_t>(stored)]->setChecked(true);

    ITerms->clear();
    for (const std::string& term : LoadTerms(shell.folder)) ITerms->addItem(FromCp1252(term));
    ITerms->setEditText(FromCp1252(company.get(Company::InterestTerms)));

    const std::string rate = TrimBlanks(company.get(Company::InterestMonthlyRate));
    const std::string minimum = TrimBlanks(company.get(Company::InterestMinimumCharge));
    IPct->SetText(FromCp1252(rate.size() < 2 ? "1.50" : rate));
    MinChg->SetText(FromCp1252(minimum.size() < 2 ? ".10" : minimum));
    IPrin->setChecked(company.get(Company::InterestMarkPrinted));
    LastRun->setText("Last Interest Invoices: " +
                     FromCp1252(company.get(Company::LastInterestRun)));
    const DateFormat dates = shell.companies.dateFormat();
    IDate->SetEditMask(QString::fromStdString(dates.DateEditMask()));
    IDate->SetText(QString::fromStdString(dates.format(shell.clock.today())));

    // The flat-fee choice is not kept; its fields follow it.
    FlatRate->setEnabled(FlatCB->isChecked());
    IPct->setEnabled(!FlatCB->isChecked());
    MinChg->setEnabled(!FlatCB->isChecked());

    ApplyGridFont();
    ResetGrid();
    Button1->setEnabled(true);
    GenInv->setEnabled(false);
    Label3->setText(ReadyText);
}

QRadioButton* TInterestWiz::CheckedClass() const {
    if (days90->isChecked()) return days90;
    if (days60->isChecked()) return days60;
    return days30;
}

OverdueClass TInterestWiz::ChosenClass() const {
    if (days90->isChecked()) return OverdueClass::Over3;
    if (days60->isChecked()) return OverdueClass::Over2;
    return OverdueClass::Over1;
}

void TInterestWiz::ResetGrid() {
    listed_.clear();
    CustGrid->SetColCount(4);
    CustGrid->SetRowCount(2);
    CustGrid->ClearCells();
    CustGrid->SetCell(NameCol, 0, "Customer Name");
    CustGrid->SetCell(NumberCol, 0, "Customer#");
    CustGrid->SetCell(OverdueCol, 0, CheckedClass()->text().trimmed());
    CustGrid->SetCell(ChargeCol, 0, "Interest Chg.");
    SetColumnWidths();
}

void TInterestWiz::ApplyGridFont() {
    const CompanyRec& c = Shell().companies.CurrentCompany;
    FontSpec font;
    const QString name = FromCp1252(c.get(Company::EditorFont.name));
    if (!name.isEmpty() && c.get(Company::EditorFont.size) > 0) {
        font.name = name;
        font.size = c.get(Company::EditorFont.size);
        font.color = c.get(Company::EditorFont.colour);
        font.style = c.get(Company::EditorFont.style);
    }
    gridFont_ = font;
    CustGrid->setFont(ToQFont(font));
    QPalette palette = CustGrid->palette();
    palette.setColor(QPalette::Text, ColorFromRef(font.color));
    CustGrid->setPalette(palette);
    CustGrid->SetRowHeights(CustGrid->fontMetrics().height() + 6);
}

void TInterestWiz::SetColumnWidths() {
    const QFontMetrics metrics(CustGrid->font());
    const auto xs = [&](int n) { return metrics.horizontalAdvance(QString(n, 'X')); };
    CustGrid->SetColWidth(NameCol, xs(34));
    CustGrid->SetColWidth(NumberCol, xs(13));
    CustGrid->SetColWidth(OverdueCol, xs(13));
    const int rest = CustGrid->viewport()->width() - xs(34) - 2 * xs(13) -
                     CustGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) -
                     metrics.horizontalAdvance("...");
    CustGrid->SetColWidth(ChargeCol, std::max(rest, xs(13)));
    if (CustGrid->ColCount() > InvoiceCol) CustGrid->SetColWidth(InvoiceCol, xs(13));
}

// --- settings that allow another scan --------------------------------------------------

// The list no longer follows the settings: a new scan is needed before invoices are made
// from it, or they and the report would not match what is shown.
void TInterestWiz::SettingChanged() {
    Button1->setEnabled(true);
    GenInv->setEnabled(false);
}

void TInterestWiz::days30Click() {
    SettingChanged();
}

void TInterestWiz::days60Click() {
    SettingChanged();
}

void TInterestWiz::days90Click() {
    SettingChanged();
}

void TInterestWiz::IPctChange() {
    SettingChanged();
}

void TInterestWiz::FlatCBClick() {
    SettingChanged();
    const bool flat = FlatCB->isChecked();
    FlatRate->setEnabled(flat);
    IPct->setEnabled(!flat);
    MinChg->setEnabled(!flat);
}

bool TInterestWiz::CheckFlatRate(const QString& text) {
    if (text.contains('-')) {
        MessageBox("You should not enter a negative number in the flat rate box.",
                   "Flat Rate Amount", MsgIcon::Warning);
        FlatRate->setFocus();
        return false;
    }
    if (!IsFeeText(text)) {
        MessageBox("The flat rate must be a numeric value.", "Invalid Flat Rate Amount",
                   MsgIcon::Warning);
        FlatRate->setFocus();
        return false;
    }
    return true;
}

void TInterestWiz::FlatRateChange() {
    const QString text = FlatRate->text().trimmed();
    if (text.isEmpty()) return;
    if (CheckFlatRate(text)) SettingChanged();
}

// --- the scan ------------------------------------------------------------------------------

std::optional<InterestTerms> TInterestWiz::ReadTerms() {
    InterestTerms terms;
    terms.overdue = ChosenClass();
    terms.flat = FlatCB->isChecked();
    const auto number = [](const QString& text) {
        return Decimal::Parse(StripCommas(ToCp1252(text)));
    };
    const auto refuse = [this](QWidget* field, const QString& text, const QString& caption) {
        MessageBox(text, caption, MsgIcon::Warning);
        field->setFocus();
        return std::nullopt;
    };
    if (!terms.flat) {
        const auto rate = number(IPct->Text());
        if (!rate)
            return refuse(IPct, "The monthly percentage rate must be a numeric value.",
                          "Monthly Percentage Rate");
        terms.rate = *rate;
    }
    const auto minimum = number(MinChg->Text());
    if (!minimum)
        return refuse(MinChg, "The minimum interest charge must be a numeric value.",
                      "Minimum Interest Charge");
    terms.minimum = *minimum;
    if (terms.flat) {
        if (FlatRate->text().trimmed().isEmpty()) FlatRate->setText("0.00");
        const QString fee = FlatRate->text().trimmed();
        if (!CheckFlatRate(fee)) return std::nullopt;
        const auto value = number(fee);
        if (!value)
            return refuse(FlatRate, "The flat rate must be a numeric value.",
                          "Invalid Flat Rate Amount");
        terms.flatFee = *value;
    }
    return terms;
}

void TInterestWiz::Button1Click() {
    Label3->setText("Scanning...");
    Button1->setEnabled(false);
    GenInv->setEnabled(false);
    ResetGrid();

    const auto terms = ReadTerms();
    if (!terms) {
        Label3->setText(ReadyText);
        Button1->setEnabled(true);
        return;
    }
    if (terms->flat && terms->flatFee.isZero()) {
        FlatRate->setFocus();
        MessageBox("No flat rate is specified.", "Flat Rate Fee", MsgIcon::Information);
        return;
    }
    CustGrid->SetCell(OverdueCol, 0, CheckedClass()->text().trimmed());
    ProcessPendingMessages();

    InterestScan scan;
    {
        const WaitCursor busy;
        scan = ScanInterestCustomers(*terms);
    }
    if (!scan.refusal.isEmpty()) {
        MessageBox(scan.refusal, InterestCaption, MsgIcon::Warning);
        Label3->setText(ReadyText);
        Button1->setEnabled(true);
        return;
    }
    ShowScan(scan);
    if (listed_.empty()) {
        Label3->setText("No records found.");
        MessageBox("No records were found.", InterestCaption, MsgIcon::Information);
        return;
    }
    GenInv->setEnabled(true);
    Label3->setText(QString::number(listed_.size()) +
                    " found. Complete data below then select generate button...");
}

void TInterestWiz::ShowScan(const InterestScan& scan) {
    listed_ = scan.customers;
    const int totalsRow = static_cast<int>(listed_.size()) + 1;
    CustGrid->SetRowCount(totalsRow + 1);
    for (int row = 1; row < totalsRow; ++row) {
        const InterestCustomer& c = listed_[static_cast<std::size_t>(row - 1)];
        CustGrid->SetCell(NameCol, row, FromCp1252(c.name));
        CustGrid->SetCell(NumberCol, row, FromCp1252(c.number));
        CustGrid->SetCell(OverdueCol, row, Money(c.overdue));
        CustGrid->SetCell(ChargeCol, row, Money(c.charge));
    }
    CustGrid->SetCell(NumberCol, totalsRow, "Totals:");
    CustGrid->SetCell(OverdueCol, totalsRow, Money(scan.totalOverdue));
    CustGrid->SetCell(ChargeCol, totalsRow, Money(scan.totalCharge));
}

// --- the generation ------------------------------------------------------------------------

void TInterestWiz::GenerateInterestInvoices() {
    const ShellContext& shell = Shell();
    const std::string date = TrimBlanks(ToCp1252(IDate->Text()));
    if (!shell.companies.dateFormat().IsValidDate(date)) {
        MessageBox(
            "You have an invalid invoice date. You can clear the date and then select the "
            "calendar button.",
            "Invoice Date", MsgIcon::Warning);
        IDate->setFocus();
        return;
    }

    InterestInvoiceData data;
    data.date = date;
    data.comments = ToCp1252(InvComm->text());
    data.terms = ToCp1252(ITerms->currentText());
    data.statementNote = ToCp1252(StmntNote->text());
    data.markPrinted = IPrin->isChecked();
    data.overdue = ChosenClass();
    data.rateText = TrimBlanks(ToCp1252(IPct->Text()));
    data.minimumText = TrimBlanks(ToCp1252(MinChg->Text()));

    int created = 0;
    {
        const InterestFiles files;
        if (!files.ok()) {
            MessageBox(files.refusal(), InterestCaption, MsgIcon::Warning);
            return;
        }
        const InterestPlanResult planned = PlanInterestInvoices(data, listed_);
        if (!planned.plan) {
            MessageBox(planned.refusal, planned.caption, MsgIcon::Information);
            return;
        }

        GenInv->setEnabled(false);
        CustGrid->SetColCount(5);
        CustGrid->SetCell(InvoiceCol, 0, "Invoice#");
        SetColumnWidths();
        ProcessPendingMessages();
        const WaitCursor busy;
        const InterestRunResult run = WriteInterestInvoices(
            *planned.plan, [this](std::size_t invoice, const std::string& number) {
                CustGrid->SetCell(InvoiceCol, static_cast<int>(invoice) + 1, FromCp1252(number));
                ProcessPendingMessages();
            });
        created = run.created;
    }

    done(Modal::Ok);
    if (MainForm) MainForm->activateWindow();
    ProcessPendingMessages();
    if (MessageBox(QString::number(created) +
                       " invoices were created. Would you like to send a report to the printer?",
                   "Operation Complete", MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes)
        PrintInterestReport();
}

void TInterestWiz::PrintInterestReport() {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    InterestReport report;
    report.companyName = FromCp1252(company.get(Company::Name));
    for (int row = 0; row < CustGrid->RowCount(); ++row) {
        std::vector<QString> cells;
        for (int col = 0; col < CustGrid->ColCount(); ++col)
            cells.push_back(CustGrid->Cell(col, row));
        report.rows.push_back(std::move(cells));
    }
    report.customerRows = static_cast<int>(listed_.size());
    report.invoiceDate = IDate->Text().trimmed();
    report.flat = FlatCB->isChecked();
    report.rate = IPct->Text().trimmed();
    report.flatFee = FlatRate->text().trimmed();
    report.font = gridFont_;
    report.leftMargin = WholeNumber(company.get(Company::LeftFormMargin)).value_or(0);
    report.topMargin = WholeNumber(company.get(Company::TopFormMargin)).value_or(0);
    report.printed = QDateTime::currentDateTime();
    if (!::PrintInterestReport(Printer(), report)) {
        MessageBox("The report could not be printed.", InterestCaption, MsgIcon::Warning);
        return;
    }
    if (MainForm) MainForm->SetStatusText(1, "Interest Report sent to print queue.");
}

// --- the other buttons ---------------------------------------------------------------------

void TInterestWiz::CalbuttonClick() {
    std::string date = ToCp1252(IDate->Text());
    CalTop = CustGrid->mapToGlobal(QPoint(0, 0)).y();
    CalLeft = InvComm->mapToGlobal(QPoint(0, 0)).x();
    const bool chosen = PickDate(nullptr, date);
    // A date that was not valid has become today's.
    IDate->SetText(FromCp1252(date));
    if (chosen)
        InvComm->setFocus();
    else
        IDate->setFocus();
}

void TInterestWiz::Button2Click() {
    ShowHelp("InterestWizard");
}

void TInterestWiz::CanButnClick() {
    SetModalResult(Modal::Cancel);
}
