#include "reports/viewer/report_viewer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/application.h"
#include "platform/controls.h"
#include "platform/cp1252.h"
#include "platform/font_dialog.h"
#include "platform/long_run.h"
#include "platform/message_host.h"
#include "platform/printer.h"
#include "reports/viewer/report_font.h"
#include "reports/viewer/report_print.h"
#include "reports/viewer/report_table.h"
#include "reports/viewer/report_text.h"
#include "shell/app_context.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

Trtreport* rtreport = nullptr;

namespace {

constexpr const char* kIdleCaption = "Report Wizard";

QToolButton* SpeedButton(const char* name, const QString& text, const QString& hint,
                         QWidget* parent) {
    auto* button = Named<QToolButton>(name, parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    return button;
}

}  // namespace

// Draws amount cells aligned on their point and every other cell's text left-aligned. The
// style draws each cell's panel (selection, focus) without its text: the style's own text
// drawing lays a cell's text out twice, which is most of what painting a page of the report
// costs.
class AmountCellDelegate : public QStyledItemDelegate {
public:
    explicit AmountCellDelegate(Trtreport& viewer)
        : QStyledItemDelegate(viewer.RptGrid), viewer_(viewer) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const ReportGrid& report = viewer_.Report();
        const int row = index.row() + 1;
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        // A cell neither selected nor focused has no panel to draw: the view's base shows.
        if (option.state & (QStyle::State_Selected | QStyle::State_HasFocus)) {
            QStyleOptionViewItem panel = option;
            initStyleOption(&panel, index);
            panel.text.clear();
            style->drawControl(QStyle::CE_ItemViewItem, &panel, painter, widget);
        }
        const QString text = FromCp1252(report.CellView(index.column(), row));

        painter->save();
        painter->setFont(option.font);
        painter->setPen(option.palette.color(
            option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        if (!report.rows.IsAmount(row, index.column())) {
            // Where the style puts an item's text: inside the focus frame's margin.
            const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
            painter->drawText(option.rect.adjusted(margin, 0, -margin, 0),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
            painter->restore();
            return;
        }
        const AmountCellParts parts = SplitAmountCell(
            option.rect, FromCp1252(TrimmedView(report.CellView(index.column(), row))),
            viewer_.PointFieldWidth());
        painter->drawText(parts.whole, Qt::AlignRight | Qt::AlignTop, parts.wholeText);
        painter->drawText(parts.fraction, Qt::AlignLeft | Qt::AlignTop, parts.fractionText);
        // Sums are ruled off from the records above them.
        for (int c = 3; c <= 7 && c < report.cols; ++c)
            if (report.CellView(c, row).find("Total") != std::string_view::npos) {
                painter->drawLine(option.rect.topLeft(), option.rect.topRight());
                break;
            }
        painter->restore();
    }

private:
    Trtreport& viewer_;
};

AmountCellParts SplitAmountCell(const QRect& cell, const QString& text, int pointField) {
    const qsizetype point = text.indexOf('.');
    const int x = cell.left() + cell.width() - pointField;
    AmountCellParts parts;
    parts.wholeText = point < 0 ? text : text.left(point);
    parts.fractionText = point < 0 ? QString() : text.mid(point);
    parts.whole = QRect(QPoint(cell.left(), cell.top() + 2), QPoint(x - 1, cell.bottom()));
    parts.fraction = QRect(QPoint(x, cell.top() + 2), QPoint(cell.right(), cell.bottom()));
    return parts;
}

Trtreport::Trtreport(QWidget* parent) : Form(parent) {
    setObjectName("rtreport");
    setWindowTitle(kIdleCaption);
    auto* layout = new QVBoxLayout(this);

    auto* panel = new QHBoxLayout;
    InvPrint = SpeedButton("InvPrint", "&Print", "Print", this);
    SpeedButton1 = SpeedButton("SpeedButton1", "&Fonts", "Fonts/Colors", this);
    SaveButn = SpeedButton("SaveButn", "Sa&ve", "Save to File", this);
    PSetButn = SpeedButton("PSetButn", "Se&tup", "Printer Setup", this);
    ExitButn = SpeedButton("ExitButn", "&Close", "Close", this);
    HelpButn = SpeedButton("HelpButn", "&Help", "Help", this);
    for (QToolButton* button : {InvPrint, SpeedButton1, SaveButn, PSetButn, ExitButn, HelpButn})
        panel->addWidget(button);
    panel->addSpacing(16);
    Label1 = Named<QLabel>("Label1", this);
    Label1->setText("Sort on Column:");
    SortCol = Named<QComboBox>("SortCol", this);
    SortCol->setEditable(true);
    SortCol->setInsertPolicy(QComboBox::NoInsert);
    SortCol->setEditText("2");
    SortCol->setMinimumContentsLength(3);
    Label1->setBuddy(SortCol);
    stotals = Named<QCheckBox>("stotals", this);
    stotals->setText("&Sub-Totals");
    stotals->setChecked(true);
    PageBreakCB = Named<QCheckBox>("PageBreakCB", this);
    PageBreakCB->setText("Sub-Total Page Breaks");
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, SortCol, stotals, PageBreakCB})
        panel->addWidget(w);
    panel->addStretch();
    layout->addLayout(panel);

    for (auto [label, name] : {std::pair{&Head1, "Head1"}, {&Head2, "Head2"}, {&Head3, "Head3"}}) {
        *label = Named<QLabel>(name, this);
        QFont bold = (*label)->font();
        bold.setBold(true);
        (*label)->setFont(bold);
        layout->addWidget(*label);
    }

    RptGrid = Named<ReportTable>("RptGrid", this);
    RptGrid->setShowGrid(false);
    RptGrid->setTextElideMode(Qt::ElideNone);
    RptGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    RptGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    RptGrid->setItemDelegate(new AmountCellDelegate(*this));
    layout->addWidget(RptGrid, 1);

    connect(InvPrint, &QToolButton::clicked, this, Guarded([this] { InvPrintClick(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, Guarded([this] { SpeedButton1Click(); }));
    connect(SaveButn, &QToolButton::clicked, this, Guarded([this] { SaveButnClick(); }));
    connect(PSetButn, &QToolButton::clicked, this, Guarded([this] { PSetButnClick(); }));
    connect(ExitButn, &QToolButton::clicked, this, Guarded([this] { ExitButnClick(); }));
    connect(HelpButn, &QToolButton::clicked, this, Guarded([this] { HelpButnClick(); }));
    // Only the user's typing or choice sorts: a builder refilling the list must not.
    connect(SortCol->lineEdit(), &QLineEdit::textEdited, this,
            Guarded([this](const QString& text) { SortColChange(text); }));
    connect(SortCol, &QComboBox::textActivated, this,
            Guarded([this](const QString& text) { SortColChange(text); }));
    connect(stotals, &QCheckBox::clicked, this, Guarded([this] { stotalsClick(); }));
    connect(PageBreakCB, &QCheckBox::clicked, this, Guarded([this] { stotalsClick(); }));
    connect(RptGrid, &QTableView::doubleClicked, this, Guarded([this] { RptGridDblClick(); }));

    // The kept report font, or the default when there is none (or it is damaged).
    const FontSpec font = HasShellContext() ? LoadReportFont(Shell().folder) : DefaultReportFont();
    canvasFont_ = ToQFont(font);
    ApplyGridFont(font);

    resize(900, 600);
    if (!rtreport) rtreport = this;
}

Trtreport::~Trtreport() {
    if (rtreport == this) rtreport = nullptr;
}

ReportParams Trtreport::Params() const {
    return ReportParams{ReportTitle, SortColumnLimit, LastAmountColumn};
}

int Trtreport::PointFieldWidth() const {
    return pointFields_[ReportKindOf(ReportTitle) == ReportKind::SalesOrReceiving ? 1 : 0];
}

const ReportGrid& Trtreport::Report() const {
    return RptGrid->Report();
}

void Trtreport::FormShow() {
    // A grid a builder has refilled holds only records; one shown again unchanged keeps the
    // total rows the viewer knows as its own.
    if (RptGrid->TakeRefilled()) RptGrid->Model().ForgetTotals();

    // Maximised, the frame and title bar fit in the work area too, and the buttons show.
    setWindowState(windowState() | Qt::WindowMaximized);
    stotals->setEnabled(true);
    if (!stotals->isChecked()) {
        stotals->setChecked(true);
        stotalsClick();
    }
    SortCol->setEnabled(true);
    SortCol->model()->sort(0);
    SortCol->setEditText("2");
    SortCol->setMaxVisibleItems(std::max(SortCol->count(), 1));
    if (shownRowHeight_ == 0) shownRowHeight_ = RowHeight("AbgXy");
    RptGrid->SetRowHeights(shownRowHeight_);
    RptGrid->setFocus();
    RptGrid->SetCurrent(0, 1);
    RptGrid->horizontalScrollBar()->setValue(0);
    SortAndTotalReport();
}

void Trtreport::SortAndTotalReport() {
    const int column = std::max(RptGrid->Col(), 0);
    switch (CheckSortable(Report(), column, Params())) {
        case SortOutcome::TooFewRows:
            return;
        case SortOutcome::NotSortable:
            Beep();
            return;
        case SortOutcome::Sorted:
            break;
    }
    std::vector<std::string> longest;
    RptGrid->Model().ChangeReport([&](ReportGrid& report) {
        ::SortAndTotalReport(report, column, stotals->isChecked(), Params(), &longest);
    });
    setWindowTitle(FromCp1252(ReportCaption(Report(), ReportTitle)));
    SetColumnWidths(longest);
    RptGrid->SetCurrent(0, 1);
}

void Trtreport::SortColChange(const QString& text) {
    const QString typed = text.trimmed();
    if (typed.isEmpty()) return;  // cleared to type another number
    bool whole = false;
    const int number = typed.toInt(&whole);
    if (!whole) RaiseError(QString("'%1' is not a valid integer value.").arg(text));
    const int column = number - 1;
    if (column < 0 || column >= RptGrid->ColCount()) {
        Beep();
        return;
    }
    if (column == RptGrid->Col()) return;
    // A typed number that the list holds becomes its chosen item: the box reports a number
    // typed but not chosen once more as chosen when it loses the focus, which would sort a
    // second time and swap the columns back.
    if (const int item = SortCol->findText(typed); item >= 0) SortCol->setCurrentIndex(item);
    RptGrid->SetCurrent(column, std::max(RptGrid->Row(), 1));
    SortAndTotalReport();
    RptGrid->setFocus();
}

void Trtreport::stotalsClick() {
    PageBreakCB->setEnabled(stotals->isChecked());
    RptGrid->SetCurrent(0, std::max(RptGrid->Row(), 1));
    RptGrid->setFocus();
    SortAndTotalReport();
}

void Trtreport::RptGridDblClick() {
    if (RptGrid->Col() != 0) SortAndTotalReport();
}

void Trtreport::InvPrintClick() {
    const WaitCursor wait;
    const CompanyRec& company = Shell().companies.CurrentCompany;
    ReportPrintSetup setup;
    for (auto [field, margin] : {std::pair{Company::LeftFormMargin, &setup.leftMargin},
                                 {Company::TopFormMargin, &setup.topMargin}}) {
        const std::string text = company.get(field);
        const auto value = FormMargin(text);
        if (!value) RaiseError(QString("'%1' is not a valid integer value.").arg(FromCp1252(text)));
        *margin = *value;
    }
    setup.params = Params();
    setup.headings = {ToCp1252(windowTitle()), ToCp1252(Head1->text()), ToCp1252(Head2->text()),
                      ToCp1252(Head3->text())};
    setup.companyName = TrimBlanks(company.get(Company::Name));
    setup.runDateTime = RunDateTimeNow();
    setup.font = gridFont_;
    setup.subTotalPageBreaks = PageBreakCB->isChecked();
    if (!PrintReport(Printer(), Report(), setup))
        MessageBox("The report could not be printed. Please check the printer in Printer Setup.",
                   windowTitle(), MsgIcon::Information);
}

void Trtreport::SpeedButton1Click() {
    const auto chosen = ChooseFont(gridFont_);
    if (!chosen) return;
    ApplyGridFont(*chosen);
    canvasFont_.setFamily(chosen->name);
    canvasFont_.setPointSize(chosen->size);
    shownRowHeight_ = 0;
    SetColumnWidths(LongestCells(Report()));
    RptGrid->SetRowHeights(RowHeight("Xj"));
    RptGrid->viewport()->update();
    if (!SaveReportFont(Shell().folder, *chosen))
        MessageBox(QString("The report font could not be kept in %1; it is used until the "
                           "program ends.")
                       .arg(QString::fromLatin1(ReportFontFileName.data(),
                                                static_cast<qsizetype>(ReportFontFileName.size()))),
                   "Fonts/Colors", MsgIcon::Information);
}

void Trtreport::PSetButnClick() {
    PrinterSetup();
}

void Trtreport::SaveButnClick() {
    // Not the program's working folder: a report belongs with the user's documents.
    const QString dataParent =
        QString::fromStdString(Shell().folder.path().parent_path().string());
    const QString path =
        AskSaveFileName("Save As", "Text File|*.TXT", "TXT",
                        saveFolder_.Proposal(FromCp1252(ReportTitle) + ".TXT", dataParent));
    if (path.isEmpty()) return;
    saveFolder_.Used(path);
    const ReportHeadings headings{ToCp1252(windowTitle()), ToCp1252(Head1->text()),
                                  ToCp1252(Head2->text()), ToCp1252(Head3->text())};
    if (!ReplaceFile(path.toStdString(), ReportTextFile(Report(), headings)))
        MessageBox(WithWriteReason(QString("The report could not be saved in %1.").arg(path),
                                   FileWhere::Chosen),
                   "Save As", MsgIcon::Information);
}

void Trtreport::ExitButnClick() {
    SetModalResult(Modal::Cancel);
}

void Trtreport::HelpButnClick() {
    ShowHelp("ReportWizard");
}

void Trtreport::ApplyGridFont(const FontSpec& font) {
    gridFont_ = font;
    const QFont qfont = ToQFont(font);
    RptGrid->setFont(qfont);
    RptGrid->horizontalHeader()->setFont(qfont);
    const QFontMetrics metrics(RptGrid->font());
    pointFields_ = {metrics.horizontalAdvance(".00") + 4, metrics.horizontalAdvance(".000") + 4};
    QPalette palette = RptGrid->palette();
    palette.setColor(QPalette::Text, ColorFromRef(font.color));
    RptGrid->setPalette(palette);
}

void Trtreport::SetColumnWidths(const std::vector<std::string>& longest) {
    const QFontMetrics metrics(canvasFont_);
    for (int c = 0; c < Report().cols && c < static_cast<int>(longest.size()); ++c)
        RptGrid->SetColWidth(c, metrics.horizontalAdvance(FromCp1252(longest[c]) + "X"));
}

int Trtreport::RowHeight(const QString& sample) const {
    return QFontMetrics(canvasFont_).boundingRect(sample).height() + 3;
}

FontSpec CurrentReportFont() {
    if (rtreport) return rtreport->RptGridFont();
    return HasShellContext() ? LoadReportFont(Shell().folder) : DefaultReportFont();
}
