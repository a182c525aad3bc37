#include "shell/cal_form.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <stdexcept>

#include "platform/application.h"
#include "platform/cp1252.h"
#include "platform/help.h"
#include "platform/scope_guard.h"
#include "shell/app_context.h"
#include "shell/text.h"

int CalTop = 0;
int CalLeft = 0;
TCalForm* CalForm = nullptr;

namespace {

constexpr std::array<const char*, 12> MonthNames{"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};

// The dialog's top-left corner moved as little as needed for the whole window to be on the
// screen: a position remembered from a larger or another screen must not hide it.
QPoint OnScreen(QPoint at, QSize size) {
    QScreen* screen = QGuiApplication::screenAt(at);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return at;
    const QRect area = screen->availableGeometry();
    const int x =
        std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width()));
    const int y =
        std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height()));
    return {x, y};
}

TCalForm& RequireCalForm() {
    if (!CalForm) throw std::logic_error("CalForm used before it was created");
    return *CalForm;
}

}  // namespace

TCalForm::TCalForm(QWidget* parent) : Form(parent) {
    setObjectName("CalForm");
    setWindowTitle(DateSelectionCaption);

    CBMonth = new QComboBox(this);
    CBMonth->setObjectName("CBMonth");
    for (const char* name : MonthNames) CBMonth->addItem(name);
    YearEdit = new QSpinBox(this);
    YearEdit->setObjectName("YearEdit");
    YearEdit->setRange(1, 9999);

    Calendar1 = new QCalendarWidget(this);
    Calendar1->setObjectName("Calendar1");
    // The month box and the year control are the navigation; the calendar shows one month.
    Calendar1->setNavigationBarVisible(false);
    Calendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar1->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));

    NDate = new QLabel(this);
    NDate->setObjectName("NDate");
    NDate->setAlignment(Qt::AlignCenter);

    OKBtn = new QPushButton("&OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("&Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    SetButtonResult(OKBtn, Modal::Ok);
    SetButtonResult(CancelBtn, Modal::Cancel);

    auto* top = new QHBoxLayout;
    top->addWidget(CBMonth, 1);
    top->addWidget(YearEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(NDate, 1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Calendar1, 1);
    layout->addLayout(buttons);

    connect(Calendar1, &QCalendarWidget::selectionChanged, this, Guarded(this, &TCalForm::ShowSelection));
    // Double-click or Enter on a day chooses it.
    connect(Calendar1, &QCalendarWidget::activated, this, Guarded([this] { SetModalResult(Modal::Ok); }));
    connect(CBMonth, &QComboBox::currentIndexChanged, this, Guarded([this](int index) {
        if (!syncing_ && index >= 0) MoveToMonth(SelectedDate().year, index + 1);
    }));
    connect(YearEdit, &QSpinBox::valueChanged, this, Guarded([this](int year) {
        if (!syncing_) MoveToMonth(year, SelectedDate().month);
    }));
    BindHelpKey(*this, "DateSelection");

    ShowSelection();
    // Days big enough to hit with the mouse.
    resize(360, 300);
}

void TCalForm::SetDate(Date date) {
    if (!IsValidYmd(date.year, date.month, date.day)) date = Shell().clock.today();
    Calendar1->setSelectedDate(QDate(date.year, date.month, date.day));
    ShowSelection();
}

Date TCalForm::SelectedDate() const {
    const QDate d = Calendar1->selectedDate();
    return Date{d.year(), d.month(), d.day()};
}

void TCalForm::MoveToMonth(int year, int month) {
    // The day stays where it can; the 31st becomes the month's last day.
    const int day = std::min(SelectedDate().day, DaysInMonth(year, month));
    Calendar1->setSelectedDate(QDate(year, month, day));
}

void TCalForm::ShowSelection() {
    const ScopedAssign<bool> guard(syncing_, true);
    const Date date = SelectedDate();
    CBMonth->setCurrentIndex(date.month - 1);
    YearEdit->setValue(date.year);
    // The window is created once at start-up, possibly before a company is current.
    const DateFormat format = HasShellContext() ? Shell().companies.dateFormat() : DateFormat();
    NDate->setText(FromCp1252(format.format(date)));
}

void TCalForm::FormShow() {
    // The company (and with it the date order) may have changed since the caller set the date.
    ShowSelection();
    move(OnScreen(QPoint(CalLeft, CalTop), frameGeometry().size()));
    Calendar1->setFocus();
}

bool PickDate(QWidget* near, std::string& dateText, const QString& caption) {
    TCalForm& form = RequireCalForm();
    const DateFormat format = Shell().companies.dateFormat();
    const std::string typed = TrimBlanks(dateText);
    std::optional<Date> start = typed.size() >= 10 ? format.parse(typed) : std::nullopt;
    if (!start) {
        start = Shell().clock.today();
        dateText = format.format(*start);
    }
    if (near) {
        const QPoint at =
            near->isWindow() ? near->frameGeometry().topLeft() : near->mapToGlobal(QPoint(0, 0));
        CalLeft = at.x();
        CalTop = at.y();
    }
    form.SetDate(*start);
    form.setWindowTitle(caption.isEmpty() ? QString(DateSelectionCaption) : caption);
    const ScopeExit restore([&form] { form.setWindowTitle(DateSelectionCaption); });
    if (form.ShowModal() != Modal::Ok) return false;
    dateText = ToCp1252(form.NDate->text());
    return true;
}
