#include "purchasing/receiving_wizard.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/font_setting.h"
#include "platform/mask_edit.h"
#include "platform/scope_guard.h"
#include "platform/string_grid.h"
#include "platform/text_guard.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "shell/app_context.h"
#include "shell/date_dialog.h"
#include "shell/text.h"

TRecvWiz* RecvWiz = nullptr;

namespace {

const QString WizardCaption = QStringLiteral("Receiving Wizard");
const QString EnterPONumber = QStringLiteral("Enter a PO number and select the Find button...");

std::string Cp(const QString& text) {
    return ToCp1252(text);
}
QString Qs(std::string_view text) {
    return FromCp1252(text);
}

// The In Today editor: the grid's own (it refuses what record text cannot hold), at most
// 10 characters, the width of a stored quantity.
class InTodayEditor : public QStyledItemDelegate {
public:
    InTodayEditor(QAbstractItemDelegate* gridEditor, QObject* parent)
        : QStyledItemDelegate(parent), gridEditor_(gridEditor) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = gridEditor_->createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setMaxLength(10);
        return editor;
    }

private:
    QAbstractItemDelegate* gridEditor_;
};

template <class T, class... Args>
T* Named(const char* name, Args&&... args) {
    auto* control = new T(std::forward<Args>(args)...);
    control->setObjectName(name);
    return control;
}

QPushButton* Button(QWidget* owner, const char* name, const QString& text) {
    auto* button = Named<QPushButton>(name, text, owner);
    button->setAutoDefault(false);
    return button;
}

QLabel* Caption(QWidget* owner, const QString& text, QWidget* buddy = nullptr) {
    auto* label = new QLabel(text, owner);
    if (buddy) label->setBuddy(buddy);
    return label;
}

// The company's editor font with its colour on the widget; the default look when the
// company has none.
void ApplyEditorFont(QWidget* widget) {
    const CompanyRec& company = Shell().companies.CurrentCompany;
    FontSpec font;
    font.name = Qs(company.get(Company::EditorFont.name));
    font.size = company.get(Company::EditorFont.size);
    font.color = company.get(Company::EditorFont.colour);
    font.style = company.get(Company::EditorFont.style);
    if (font.name.isEmpty() || font.size <= 0) return;
    widget->setFont(ToQFont(font));
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, ColorFromRef(font.color));
    widget->setPalette(palette);
}

}  // namespace

TRecvWiz::TRecvWiz(QWidget* parent)
    : Form(parent), receivingWizard_(CommandId::ReceivingWizard, [this] { ShowModal(); }) {
    setObjectName("RecvWiz");
    setWindowTitle(WizardCaption);
    BuildControls();
    ConnectHandlers();
    FormCreate();
}

void TRecvWiz::BuildControls() {
    auto* top = new QVBoxLayout(this);

    auto* fields = new QGridLayout;
    PONum = Named<QLineEdit>("PONum", this);
    PONum->setMaxLength(9);
    LoadBtn = Named<QPushButton>("LoadBtn", "&Find", this);
    LoadBtn->setDefault(true);
    CBFilter = Named<QCheckBox>("CBFilter", "&Show Open Items Only", this);
    RDate = Named<MaskEdit>("RDate", "!99/99/9999;1;_", this);
    Calbutton = Button(this, "Calbutton", "...");
    Calbutton->setMaximumWidth(28);
    RNum = Named<QLineEdit>("RNum", this);
    RNum->setMaxLength(9);
    for (QLineEdit* edit : {PONum, RNum}) GuardText(edit);
    fields->addWidget(Caption(this, "P&O Number:", PONum), 0, 0);
    fields->addWidget(PONum, 0, 1);
    fields->addWidget(LoadBtn, 0, 2);
    fields->addWidget(CBFilter, 0, 3, 1, 2);
    auto* date = new QHBoxLayout;
    date->setSpacing(0);
    date->addWidget(RDate);
    date->addWidget(Calbutton);
    fields->addWidget(Caption(this, "Receiver &Date:", RDate), 1, 0);
    fields->addLayout(date, 1, 1);
    fields->addWidget(Caption(this, "&Receiver #:", RNum), 1, 2);
    fields->addWidget(RNum, 1, 3);
    fields->setColumnStretch(5, 1);
    top->addLayout(fields);

    auto* totals = new QHBoxLayout;
    TotOrder = Named<QLabel>("TotOrder", this);
    RecToDate = Named<QLabel>("RecToDate", this);
    OpenAmt = Named<QLabel>("OpenAmt", this);
    Label7 = Named<QLabel>("Label7", this);
    for (auto [caption, value] : std::array<std::pair<const char*, QLabel*>, 3>{
             {{"Ordered:", TotOrder}, {"Received:", RecToDate}, {"Due:", OpenAmt}}}) {
        totals->addWidget(Caption(this, caption));
        value->setMinimumWidth(70);
        totals->addWidget(value);
    }
    totals->addStretch(1);
    totals->addWidget(Label7);
    top->addLayout(totals);

    // All and None sit above the In Today column.
    auto* allNone = new QHBoxLayout;
    allNoneSpacer_ = new QWidget(this);
    allNone->addWidget(allNoneSpacer_);
    RecAllBtn = Button(this, "RecAllBtn", "&All");
    NoneBtn = Button(this, "NoneBtn", "&None");
    allNone->setSpacing(0);
    allNone->addWidget(RecAllBtn);
    allNone->addWidget(NoneBtn);
    allNone->addStretch(1);
    top->addLayout(allNone);

    StringGrid1 = Named<StringGrid>("StringGrid1", this);
    StringGrid1->SetColCount(RecvCol::Count);
    StringGrid1->SetRowCount(2);
    StringGrid1->SetEditable(true);
    StringGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed |
                                 QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::DoubleClicked);
    StringGrid1->setItemDelegateForColumn(
        RecvCol::InToday, new InTodayEditor(StringGrid1->itemDelegate(), StringGrid1));
    const std::array<const char*, RecvCol::Count> headings{"Product Description",
                                                           "Product#",
                                                           "Unit Cost",
                                                           "Ordered",
                                                           "T",
                                                           "To Date",
                                                           "In Today",
                                                           "Bal. Due"};
    for (int c = 0; c < RecvCol::Count; ++c) StringGrid1->SetCell(c, 0, headings[c]);
    HeaderControl1 = StringGrid1->horizontalHeader();
    HeaderControl1->setObjectName("HeaderControl1");
    HeaderControl1->setSectionResizeMode(QHeaderView::Interactive);
    HeaderControl1->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    HeaderControl1->setStretchLastSection(true);
    StringGrid1->setMinimumHeight(220);
    top->addWidget(StringGrid1, 1);

    auto* buttons = new QHBoxLayout;
    SpeedButton14 = Named<QToolButton>("SpeedButton14", this);
    SpeedButton14->setText("Help");
    SpeedButton14->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    SpeedButton14->setToolTip("Help");
    InvClose = Named<QToolButton>("InvClose", this);
    InvClose->setText("Close");
    InvClose->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    InvClose->setToolTip("Close");
    for (QToolButton* tool : {SpeedButton14, InvClose})
        tool->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    PostBtn = Button(this, "PostBtn", "&Post");
    buttons->addWidget(SpeedButton14);
    buttons->addStretch(1);
    buttons->addWidget(PostBtn);
    buttons->addWidget(InvClose);
    top->addLayout(buttons);

    StatusBar1 = Named<QStatusBar>("StatusBar1", this);
    StatusBar1->setSizeGripEnabled(false);
    statusPanel_ = Named<QLabel>("StatusPanel", StatusBar1);
    StatusBar1->addWidget(statusPanel_, 1);
    top->addWidget(StatusBar1);
}

void TRecvWiz::ConnectHandlers() {
    connect(PONum, &QLineEdit::textChanged, this, Guarded([this] { PONumChange(); }));
    connect(LoadBtn, &QPushButton::clicked, this, Guarded([this] { LoadBtnClick(); }));
    connect(CBFilter, &QCheckBox::clicked, this, Guarded([this] { CBFilterClick(); }));
    connect(StringGrid1, &StringGrid::CellSelected, this,
            Guarded([this](int col, int row) { StringGrid1SelectCell(col, row); }));
    connect(
        StringGrid1, &StringGrid::CellEdited, this,
        Guarded([this](int col, int row, const QString& text) { StringGrid1SetEditText(col, row, text); }));
    connect(HeaderControl1, &QHeaderView::sectionResized, this, Guarded([this](int section) {
        if (section < RecvCol::InToday) {
            int left = 0;
            for (int c = 0; c < RecvCol::InToday; ++c) left += StringGrid1->ColWidth(c);
            allNoneSpacer_->setFixedWidth(left);
        }
    }));
    connect(RecAllBtn, &QPushButton::clicked, this, Guarded([this] { RecAllBtnClick(); }));
    connect(NoneBtn, &QPushButton::clicked, this, Guarded([this] { NoneBtnClick(); }));
    connect(Calbutton, &QPushButton::clicked, this, Guarded([this] { CalbuttonClick(); }));
    connect(PostBtn, &QPushButton::clicked, this, Guarded([this] { PostBtnClick(); }));
    connect(InvClose, &QToolButton::clicked, this, Guarded([this] { InvCloseClick(); }));
    connect(SpeedButton14, &QToolButton::clicked, this, Guarded([this] { SpeedButton14Click(); }));
}

void TRecvWiz::FormCreate() {
    shownFormat_ = Shell().companies.dateFormat();
    lastDate_ = Shell().clock.today();
    RDate->SetEditMask(QString::fromStdString(shownFormat_.DateEditMask()));
    RDate->SetText(Qs(shownFormat_.format(lastDate_)));
    CBFilter->setChecked(false);
    ApplyCompanyLook();
}

// The grid in the company's editor font, its columns as wide as sample texts in that font.
void TRecvWiz::ApplyCompanyLook() {
    ApplyEditorFont(StringGrid1);
    const QFontMetrics metrics(StringGrid1->font());
    const auto xs = [&metrics](int n) { return metrics.horizontalAdvance(QString(n, 'X')) + 8; };
    const std::array<int, RecvCol::Count - 1> widths{
        xs(25), xs(11), xs(9), xs(8), metrics.horizontalAdvance("Xx") + 8, xs(9), xs(9)};
    int left = 0;
    for (int c = 0; c < RecvCol::Count - 1; ++c) {
        StringGrid1->SetColWidth(c, widths[c]);
        if (c < RecvCol::InToday) left += widths[c];
    }
    allNoneSpacer_->setFixedWidth(left);
    const int last = xs(9);
    StringGrid1->setMinimumWidth(left + widths[RecvCol::InToday] + last +
                                 style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                                 metrics.horizontalAdvance("...") + 2 * StringGrid1->frameWidth());
}

void TRecvWiz::hideEvent(QHideEvent* event) {
    files_.Release();
    Form::hideEvent(event);
}

void TRecvWiz::FormShow() {
    // Every order loaded reads its lines from the files opened once here.
    files_.Hold({&POLineData(), &POData()});
    ApplyCompanyLook();
    TotOrder->clear();
    RecToDate->clear();
    OpenAmt->clear();
    LoadBtn->setEnabled(false);
    SetStatus(EnterPONumber);
    // The date of the last use, in the date order of the company now current.
    if (const auto typed = shownFormat_.parse(TrimBlanks(Cp(RDate->Text())))) lastDate_ = *typed;
    const ShellContext& shell = Shell();
    shownFormat_ = shell.companies.dateFormat();
    RDate->SetEditMask(QString::fromStdString(shownFormat_.DateEditMask()));
    RDate->SetText(Qs(shownFormat_.format(lastDate_)));
    setWindowTitle(WizardCaption + " - " +
                   Qs(TrimBlanks(shell.companies.CurrentCompany.get(Company::Name))));
    PONum->clear();
    RNum->clear();
    ClearGrid();
    PONum->setFocus();
}

QString TRecvWiz::StatusText() const {
    return statusPanel_->text();
}

void TRecvWiz::SetStatus(const QString& text) {
    statusPanel_->setText(text);
}

void TRecvWiz::ClearGrid() {
    {
        const ScopedAssign<bool> quiet(filling_, true);
        StringGrid1->SetRowCount(2);
        StringGrid1->ClearCells();
        rowLines_.clear();
        ShowRow(1, ReceivingRow{});
    }
    StringGrid1->SetCurrent(RecvCol::InToday, 1);
}

void TRecvWiz::ShowRow(int row, const ReceivingRow& data) {
    const std::array<const std::string*, RecvCol::Count> cells{
        &data.description, &data.code,   &data.unitCost, &data.ordered,
        &data.kind,        &data.toDate, &data.inToday,  &data.balanceDue};
    const ScopedAssign<bool> quiet(filling_, true);
    for (int c = 0; c < RecvCol::Count; ++c) {
        StringGrid1->SetCell(c, row, Qs(*cells[c]));
        QTableWidgetItem* cell = StringGrid1->item(row - 1, c);
        if (!cell) continue;
        if (c == RecvCol::InToday) {
            cell->setBackground(QColor(Qt::yellow));
        } else {
            // Only today's quantity can be chosen and typed.
            cell->setFlags(Qt::ItemIsEnabled);
            cell->setBackground(StringGrid1->palette().base());
        }
    }
}

std::vector<ReceivingRow> TRecvWiz::Rows() const {
    std::vector<ReceivingRow> rows;
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
        const auto cell = [&](int c) { return Cp(StringGrid1->Cell(c, r)); };
        const std::size_t at = static_cast<std::size_t>(r - 1);
        rows.push_back({cell(RecvCol::Description), cell(RecvCol::Code), cell(RecvCol::UnitCost),
                        cell(RecvCol::Ordered), cell(RecvCol::Kind), cell(RecvCol::ToDate),
                        cell(RecvCol::InToday), cell(RecvCol::BalanceDue),
                        at < rowLines_.size() ? rowLines_[at] : 0});
    }
    return rows;
}

void TRecvWiz::PONumChange() {
    LoadBtn->setEnabled(!TrimBlanks(Cp(PONum->text())).empty());
}

void TRecvWiz::LoadBtnClick() {
    ReceivePONumber.assign(1, '0');  // nothing loaded
    Label7->setText(" ");
    ClearGrid();
    const std::string number = TrimBlanks(Cp(PONum->text()));
    const ReceivingList list = LoadReceivingList(number, CBFilter->isChecked());
    if (!list.error.isEmpty()) {
        MessageBox(list.error, WizardCaption, MsgIcon::Warning);
        SetStatus(EnterPONumber);
        return;
    }

    if (!list.rows.empty()) StringGrid1->SetRowCount(static_cast<int>(list.rows.size()) + 1);
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        ShowRow(static_cast<int>(i) + 1, list.rows[i]);
        rowLines_.push_back(list.rows[i].lineRef);
    }

    const Decimal open = Decimal::Sub(list.totalOrdered, list.totalReceived).value_or(Decimal());
    RecToDate->setText(QString::fromStdString(list.totalReceived.general()));
    TotOrder->setText(QString::fromStdString(list.totalOrdered.general()));
    OpenAmt->setText(QString::fromStdString(open.general()));
    RecAllBtn->setEnabled(open > Decimal());
    if (open > Decimal()) {
        StringGrid1->setFocus();
        StringGrid1->SetCurrent(RecvCol::InToday, 1);
    }
    RNum->setText(Qs(ProposedReceiverNumber(Shell().companies.CurrentCompany, number)));
    LoadBtn->setEnabled(false);
    SetStatus(
        "For each item, enter the amount received in the \"In Today\" column, then "
        "select Post button...");

    if (list.rows.empty()) {
        MessageBox(list.totalOrdered.isZero()
                       ? "That PO number does not exist."
                       : "That PO number does not have any open items to display.",
                   WizardCaption, MsgIcon::Information);
        SetStatus("PO not found. Enter a PO number and select the Find button...");
        return;
    }
    Label7->setText(QString("%1 line(s)").arg(list.rows.size()));
    ReceivePONumber = number;
}

void TRecvWiz::CBFilterClick() {
    // Nothing typed yet: nothing to list again.
    if (TrimBlanks(Cp(PONum->text())).empty()) return;
    LoadBtnClick();
}

void TRecvWiz::StringGrid1SelectCell(int col, int row) {
    if (col != RecvCol::InToday) StringGrid1->SetCurrent(RecvCol::InToday, row);
}

void TRecvWiz::StringGrid1SetEditText(int col, int row, const QString&) {
    if (filling_ || col != RecvCol::InToday || row < 1 || row >= StringGrid1->RowCount()) return;
    const ScopedAssign<bool> quiet(filling_, true);
    StringGrid1->SetCell(RecvCol::BalanceDue, row,
                         Qs(BalanceDueText(Rows()[static_cast<std::size_t>(row - 1)])));
}

void TRecvWiz::RecAllBtnClick() {
    std::vector<ReceivingRow> rows = Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ReceiveAll(rows[i]);
        ShowRow(static_cast<int>(i) + 1, rows[i]);
    }
    PostBtn->setEnabled(true);
    PostBtn->setFocus();
}

void TRecvWiz::NoneBtnClick() {
    std::vector<ReceivingRow> rows = Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ReceiveNone(rows[i]);
        ShowRow(static_cast<int>(i) + 1, rows[i]);
    }
    StringGrid1->setFocus();
}

void TRecvWiz::CalbuttonClick() {
    std::string text = Cp(RDate->Text());
    const bool chosen = PickDate(this, text, "Receiving Date");
    RDate->SetText(Qs(text));
    (chosen ? static_cast<QWidget*>(RNum) : static_cast<QWidget*>(RDate))->setFocus();
}

ReceivingEntry TRecvWiz::Entry() const {
    return {Cp(PONum->text()), ReceivePONumber,     Cp(RNum->text()),
            Cp(RDate->Text()), Cp(OpenAmt->text()), Rows()};
}

void TRecvWiz::FocusRefused(const ReceivingRefusal& refusal) {
    switch (refusal.field) {
        case ReceivingField::PONumber:
            PONum->setFocus();
            break;
        case ReceivingField::ReceiverNumber:
            RNum->setFocus();
            break;
        case ReceivingField::ReceiverDate:
            RDate->setFocus();
            break;
        case ReceivingField::Grid:
            StringGrid1->setFocus();
            StringGrid1->SetCurrent(RecvCol::InToday, refusal.row + 1);
            break;
        case ReceivingField::None:
            break;
    }
}

void TRecvWiz::PostBtnClick() {
    const ReceivingPlan plan = PlanReceiving(Entry(), [](const QString& text,
                                                         const QString& caption) {
        return MessageBox(text, caption, MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes;
    });
    if (!plan.posting) {
        const ReceivingRefusal& refusal = plan.refusal;
        if (!refusal.text.isEmpty()) MessageBox(refusal.text, refusal.caption, refusal.icon);
        FocusRefused(refusal);
        return;
    }
    try {
        WriteReceiving(*plan.posting);
    } catch (...) {
        // Part of the receipt may be on file: the list is stale and must be found again.
        ClearGrid();
        throw;
    }
    ClearGrid();
    SetStatus("PO " + Qs(ReceivePONumber) +
              " received. Enter another PO number or close window...");
    if (!plan.posting->skippedProducts.empty())
        MessageBox("These rows were not received because their products are not on file: " +
                       Qs(JoinedWith(plan.posting->skippedProducts, ", ")) +
                       ". Their stock and PO lines are unchanged.",
                   WizardCaption, MsgIcon::Information);
    PONum->clear();
    PONum->setFocus();
}

void TRecvWiz::InvCloseClick() {
    SetModalResult(Modal::Cancel);
}

void TRecvWiz::SpeedButton14Click() {
    ShowHelp("RecWiz");
}
