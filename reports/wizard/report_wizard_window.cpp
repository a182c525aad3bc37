#include "reports/wizard/report_wizard_window.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/mask_edit.h"
#include "platform/message_host.h"
#include "reports/wizard/report_builders.h"
#include "reports/wizard/report_builders_run.h"
#include "reports/viewer/report_viewer.h"
#include "reports/wizard/report_dates.h"
#include "shell/app_context.h"
#include "shell/cal_form.h"

TRptSelect* RptSelect = nullptr;

namespace {

constexpr int kTitleLength = 25;

QString Q(std::string_view text) {
    return FromCp1252(text);
}

template <class T>
T* Named(const char* name, QWidget* parent) {
    auto* widget = new T(parent);
    widget->setObjectName(name);
    return widget;
}

QPushButton* Button(const char* name, const QString& caption, QWidget* parent) {
    auto* button = Named<QPushButton>(name, parent);
    button->setText(caption);
    button->setAutoDefault(false);
    return button;
}

// The date fields' mask: the company's order, blanks in the places not typed.
QString DateMask(const DateFormat& format) {
    return format.order() == DateOrder::YearFirst ? "!9999/99/99;1; " : "!99/99/9999;1; ";
}

QString DateSelectionLabel(const DateFormat& format) {
    return format.order() == DateOrder::DayFirst ? "Date Selection (dd/mm/yyyy):"
                                                 : "Date Selection:";
}

const ReportDefinition* SelectedReport(const QListWidget& list) {
    const QListWidgetItem* item = list.currentItem();
    return item ? FindReportDefinition(ToCp1252(item->text())) : nullptr;
}

}  // namespace

TRptSelect::TRptSelect(QWidget* parent) : Form(parent) {
    setObjectName("RptSelect");
    setWindowTitle("Report Wizard");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    Label4 = Named<QLabel>("Label4", this);
    Label4->setText("Select a Report Type:");
    ListBox1 = Named<QListWidget>("ListBox1", this);
    for (const ReportDefinition& report : ReportDefinitions()) ListBox1->addItem(Q(report.name));
    ListBox1->setMinimumWidth(
        ListBox1->fontMetrics().horizontalAdvance("Invoice Key Code Inquiry") + 40);
    Label4->setBuddy(ListBox1);

    Label3 = Named<QLabel>("Label3", this);
    Label3->setText("Date Selection:");
    ComboBox1 = Named<QComboBox>("ComboBox1", this);
    for (const std::string_view preset : ReportDatePresets) ComboBox1->addItem(Q(preset));
    ComboBox1->setMaxVisibleItems(11);
    Label3->setBuddy(ComboBox1);

    Label1 = Named<QLabel>("Label1", this);
    Label1->setText("From:");
    Label2 = Named<QLabel>("Label2", this);
    Label2->setText("To:");
    const int dateWidth = fontMetrics().horizontalAdvance("00/00/00000") + 40;
    for (auto [edit, name, label] :
         {std::tuple{&IDate, "IDate", Label1}, {&EndDt, "EndDt", Label2}}) {
        *edit = new MaskEdit("!99/99/9999;1; ", this);
        (*edit)->setObjectName(name);
        (*edit)->setMinimumWidth(dateWidth);
        (*edit)->setTextMargins(0, 0, 26, 0);
        (*edit)->installEventFilter(this);
        label->setBuddy(*edit);
    }
    for (auto [button, name, edit] :
         {std::tuple{&Cal1But, "Cal1But", IDate}, {&Cal2But, "Cal2But", EndDt}}) {
        // A child of its edit: it sits inside the edit's right end and hides with it.
        *button = Button(name, "...", edit);
        (*button)->setToolTip("Calendar");
        (*button)->setCursor(Qt::ArrowCursor);
        (*button)->setFocusPolicy(Qt::NoFocus);
    }

    RType = Named<QLabel>("RType", this);
    RType->setWordWrap(true);
    RType->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    RType->setMinimumHeight(RType->fontMetrics().lineSpacing() * 5);
    RType->setFrameShape(QFrame::StyledPanel);

    Button1 = Button("Button1", "&View", this);
    Button1->setDefault(true);
    CancelBut = Button("CancelBut", "&Cancel", this);
    HelpBut = Button("HelpBut", "&Help", this);

    auto* dates = new QGridLayout;
    dates->addWidget(Label3, 0, 0, 1, 2);
    dates->addWidget(ComboBox1, 1, 0, 1, 2);
    dates->addWidget(Label1, 2, 0, 1, 2);
    dates->addWidget(IDate, 3, 0, 1, 2);
    dates->addWidget(Label2, 4, 0, 1, 2);
    dates->addWidget(EndDt, 5, 0, 1, 2);
    dates->addWidget(RType, 6, 0, 1, 2);
    dates->setRowStretch(7, 1);

    auto* list = new QVBoxLayout;
    list->addWidget(Label4);
    list->addWidget(ListBox1, 1);

    auto* body = new QHBoxLayout;
    body->addLayout(list, 1);
    body->addLayout(dates, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {Button1, CancelBut, HelpBut}) buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    resize(560, 360);

    connect(ListBox1, &QListWidget::currentRowChanged, this, Guarded([this] { ListBox1Click(); }));
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, Guarded([this] { ListBox1DblClick(); }));
    // Choosing the preset shown again applies it again (dates typed since are replaced).
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, Guarded([this] { ComboBox1Change(); }));
    connect(ComboBox1, &QComboBox::activated, this, Guarded([this] { ComboBox1Change(); }));
    connect(Cal1But, &QPushButton::clicked, this, Guarded([this] { Cal1ButClick(); }));
    connect(Cal2But, &QPushButton::clicked, this, Guarded([this] { Cal2ButClick(); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
    connect(CancelBut, &QPushButton::clicked, this, Guarded([this] { CancelButClick(); }));
    connect(HelpBut, &QPushButton::clicked, this, Guarded([this] { HelpButClick(); }));
}

bool TRptSelect::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
        if (watched == IDate) PlaceCalendarButton(IDate, Cal1But);
        if (watched == EndDt) PlaceCalendarButton(EndDt, Cal2But);
    }
    return Form::eventFilter(watched, event);
}

void TRptSelect::PlaceCalendarButton(MaskEdit* edit, QPushButton* button) {
    const int height = edit->height() - 4;
    const int width = height + 4;
    button->setGeometry(edit->width() - width - 2, 2, width, height);
}

void TRptSelect::FormShow() {
    const DateFormat format = Shell().companies.dateFormat();
    Label3->setText(DateSelectionLabel(format));
    const QString mask = DateMask(format);
    for (MaskEdit* edit : {IDate, EndDt})
        if (edit->EditMask() != mask) edit->SetEditMask(mask);
    PlaceCalendarButton(IDate, Cal1But);
    PlaceCalendarButton(EndDt, Cal2But);
    SetPresetText(OpeningPreset);
    ComboBox1Change();
    ListBox1->setFocus();
    {
        const QSignalBlocker quiet(ListBox1);
        ListBox1->setCurrentRow(0);
    }
    ListBox1Click();
}

void TRptSelect::SetPresetText(std::string_view preset) {
    const QSignalBlocker quiet(ComboBox1);
    ComboBox1->setCurrentIndex(ComboBox1->findText(Q(preset)));
}

void TRptSelect::ListBox1Click() {
    const ReportDefinition* report = SelectedReport(*ListBox1);
    if (!report) return;
    report->dated ? ShowDateRange() : HideDateRange();
    RType->setText(Q(report->description));
}

void TRptSelect::ShowDateRange() {
    Label1->setText("From:");
    // The hint of the date order comes back with the dates it describes.
    Label3->setText(DateSelectionLabel(Shell().companies.dateFormat()));
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label2, ComboBox1, IDate, EndDt, Cal1But, Cal2But})
        w->show();
}

void TRptSelect::HideDateRange() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{ComboBox1, IDate, EndDt, Cal1But, Cal2But, Label2})
        w->hide();
    Label3->setText("Date Selection:");
    Label1->setText("Searches all records...");
}

void TRptSelect::ComboBox1Change() {
    const ShellContext& shell = Shell();
    const auto dates = PresetDates(ToCp1252(ComboBox1->currentText()), shell.clock.today(),
                                   shell.companies.dateFormat());
    if (!dates) return;
    IDate->SetText(Q(dates->from));
    EndDt->SetText(Q(dates->to));
}

bool TRptSelect::PickInto(MaskEdit* edit, const QString& caption) {
    CalTop = frameGeometry().top();
    CalLeft = 0;
    std::string date = ToCp1252(edit->Text());
    const bool chosen = PickDate(nullptr, date, caption);
    edit->SetText(Q(date));
    if (chosen) SetPresetText(CustomDatesPreset);
    return chosen;
}

void TRptSelect::Cal1ButClick() {
    (PickInto(IDate, "Select FROM Date") ? EndDt : IDate)->setFocus();
}

void TRptSelect::Cal2ButClick() {
    if (PickInto(EndDt, "Select Ending Date"))
        Button1->setFocus();
    else
        EndDt->setFocus();
}

void TRptSelect::Button1Click() {
    const CheckedDates dates = CheckReportDates(ToCp1252(IDate->Text()), ToCp1252(EndDt->Text()),
                                                Shell().companies.dateFormat());
    if (dates.problem != DateRangeProblem::None) {
        const DateRangeMessage message = MessageOf(dates.problem);
        MessageBox(message.text, message.caption, MsgIcon::Warning);
        (dates.problem == DateRangeProblem::InvalidTo ? EndDt : IDate)->setFocus();
        return;
    }
    const QListWidgetItem* item = ListBox1->currentItem();
    if (!item) return;
    ReportTitle = ToCp1252(item->text()).substr(0, kTitleLength);
    if (const ReportBuilder build = ReportBuilderFor(ReportTitle)) build();
}

void TRptSelect::CancelButClick() {
    SetModalResult(Modal::Cancel);
}

void TRptSelect::HelpButClick() {
    ShowHelp("ReportWizard");
}

ReportWizardWindows::ReportWizardWindows()
    : command_(CommandId::ReportWizard, [] { ShowModal(*RptSelect); }) {}

ReportWizardWindows::~ReportWizardWindows() = default;
