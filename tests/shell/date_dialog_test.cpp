// The date dialog driven offscreen through the scripted host.
#include "shell/date_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSpinBox>

#include "platform/scripted_host_guard.h"
#include "shell/app_context.h"
#include "tests/support/temp_dir.h"

namespace {

class CalFormTest : public ::testing::Test {
protected:
    CalFormTest() { Shell().clock.setToday(Today); }

    static void SetOrder(const char* order) {
        Shell().companies.CurrentCompany.set(Company::DateOrderSetting, order);
    }
    static void Pick(TCalForm& form, Date date) {
        form.Calendar1->setSelectedDate(QDate(date.year, date.month, date.day));
    }

    static constexpr Date Today{2024, 2, 29};
    testsupport::TempDir dir;
    ShellContextScope context{dir.path()};
    CalFormScope calForm;
    ScriptedHostGuard host;
};

TEST_F(CalFormTest, ChosenDateIsShownInTheCompanysDateOrder) {
    const struct {
        const char* order;
        const char* text;
    } cases[] = {{"M", "03/05/2024"}, {"D", "05/03/2024"}, {"Y", "2024/03/05"}, {"", "03/05/2024"}};
    for (const auto& c : cases) {
        SetOrder(c.order);
        CalForm->SetDate({2024, 3, 5});
        EXPECT_EQ(CalForm->NDate->text(), c.text) << c.order;
    }
    // The order is read again when the dialog is shown: the company may have changed.
    SetOrder("M");
    CalForm->SetDate({2024, 3, 5});
    SetOrder("D");
    host->OnModal("CalForm", [](Form& form) {
        EXPECT_EQ(static_cast<TCalForm&>(form).NDate->text(), "05/03/2024");
        form.SetModalResult(Modal::Cancel);
    });
    CalForm->ShowModal();
}

TEST_F(CalFormTest, MonthBoxAndYearFollowTheCalendarAndMoveIt) {
    CalForm->SetDate({2024, 1, 31});
    EXPECT_EQ(CalForm->CBMonth->currentText(), "January");
    EXPECT_EQ(CalForm->YearEdit->value(), 2024);

    Pick(*CalForm, {2025, 7, 4});
    EXPECT_EQ(CalForm->CBMonth->currentText(), "July");
    EXPECT_EQ(CalForm->YearEdit->value(), 2025);
    EXPECT_EQ(CalForm->NDate->text(), "07/04/2025");

    // A day the new month lacks becomes its last day.
    CalForm->SetDate({2024, 1, 31});
    FillControl(*CalForm, "CBMonth", "February");
    EXPECT_EQ(CalForm->SelectedDate(), (Date{2024, 2, 29}));
    FillControl(*CalForm, "YearEdit", "2023");
    EXPECT_EQ(CalForm->SelectedDate(), (Date{2023, 2, 28}));
    EXPECT_EQ(CalForm->NDate->text(), "02/28/2023");
    EXPECT_EQ(CalForm->CBMonth->count(), 12);

    // Not a calendar date: the dialog opens on today.
    CalForm->SetDate({2023, 2, 29});
    EXPECT_EQ(CalForm->SelectedDate(), Today);
}

TEST_F(CalFormTest, PickDateTakesTheDateOnlyOnOkAndRestoresTheCaption) {
    SetOrder("D");
    std::string date = "15/08/2023";
    host->OnModal("CalForm", [](Form& form) {
        auto& cal = static_cast<TCalForm&>(form);
        EXPECT_EQ(cal.windowTitle(), "Receiving Date");
        EXPECT_EQ(cal.SelectedDate(), (Date{2023, 8, 15}));
        Pick(cal, {2023, 9, 1});
        PressButton(cal, "OKBtn");
    });
    EXPECT_TRUE(PickDate(nullptr, date, "Receiving Date"));
    EXPECT_EQ(date, "01/09/2023");
    EXPECT_EQ(CalForm->windowTitle(), "Date Selection");

    host->OnModal("CalForm", [](Form& form) {
        Pick(static_cast<TCalForm&>(form), {2020, 1, 1});
        PressButton(form, "CancelBtn");
    });
    EXPECT_FALSE(PickDate(nullptr, date, "Payment Date"));
    EXPECT_EQ(date, "01/09/2023");
    EXPECT_EQ(CalForm->windowTitle(), "Date Selection");
}

TEST_F(CalFormTest, PickDateStartsOnTodayWhenTheFieldHoldsNoFullDate) {
    // Invalid, empty, a half-typed mask, and a valid date shorter than 10 characters.
    for (const std::string typed : {"31/31/2024", "", "__/__/____", "2/3/2024", "12/31/1999x"}) {
        std::string date = typed;
        host->OnModal("CalForm", [](Form& form) {
            EXPECT_EQ(static_cast<TCalForm&>(form).SelectedDate(), Today);
            form.SetModalResult(Modal::Cancel);
        });
        EXPECT_FALSE(PickDate(nullptr, date));
        EXPECT_EQ(date, "02/29/2024") << typed;
    }
}

TEST_F(CalFormTest, EnterOnADayChoosesIt) {
    std::string date = "06/15/2024";
    host->OnModal("CalForm", [](Form& form) {
        auto& cal = static_cast<TCalForm&>(form);
        Pick(cal, {2024, 6, 16});
        auto* days = cal.Calendar1->findChild<QAbstractItemView*>();
        ASSERT_NE(days, nullptr);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(days, &enter);
        EXPECT_EQ(form.ModalResult(), Modal::Ok);
    });
    EXPECT_TRUE(PickDate(nullptr, date));
    EXPECT_EQ(date, "06/16/2024");
}

TEST_F(CalFormTest, ShowsAtCalTopCalLeftKeptOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    CalLeft = screen.left() + 30;
    CalTop = screen.top() + 20;
    host->OnModal("CalForm", [&](Form& form) {
        EXPECT_EQ(form.pos(), QPoint(CalLeft, CalTop));
        form.SetModalResult(Modal::Cancel);
    });
    CalForm->ShowModal();

    // A position off every screen still leaves the whole dialog visible.
    CalLeft = screen.right() + 5000;
    CalTop = screen.bottom() + 5000;
    host->OnModal("CalForm", [&](Form& form) {
        EXPECT_TRUE(screen.contains(form.frameGeometry())) << form.frameGeometry().x();
        form.SetModalResult(Modal::Cancel);
    });
    CalForm->ShowModal();
}

}  // namespace
