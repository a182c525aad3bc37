// The Report Wizard: its date presets and checks as plain functions, and the window driven
// as a user would, through to the report viewer shown over real company files.
#include "reports/wizard/report_wizard_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "platform/mask_edit.h"
#include "platform/string_grid.h"
#include "reports/wizard/report_builders_run.h"
#include "reports/viewer/report_viewer.h"
#include "reports/wizard/report_dates.h"
#include "shell/date_dialog.h"
#include "tests/reports/report_files_env.h"

namespace {

const DateFormat kMonthFirst{DateOrder::MonthFirst};
const DateFormat kDayFirst{DateOrder::DayFirst};

DateRangeText Preset(std::string_view preset, Date today, const DateFormat& format = kMonthFirst) {
    return PresetDates(preset, today, format).value_or(DateRangeText{"none", "none"});
}

TEST(ReportDatePresets, MonthsEndOnTheirLastDayLeapYearsIncluded) {
    EXPECT_EQ(Preset("Previous Month", {2024, 1, 20}).from, "12/01/2023");
    EXPECT_EQ(Preset("Previous Month", {2024, 1, 20}).to, "12/31/2023");
    EXPECT_EQ(Preset("Current Month", {2024, 2, 3}).to, "02/29/2024");
    EXPECT_EQ(Preset("Current Month", {2023, 2, 3}).to, "02/28/2023");
    EXPECT_EQ(Preset("Current Month", {1900, 2, 3}).to, "02/28/1900");
    EXPECT_EQ(Preset("Current Month", {2000, 2, 3}).to, "02/29/2000");
    EXPECT_EQ(Preset("Previous Month", {2024, 3, 31}).to, "02/29/2024");
    EXPECT_EQ(Preset("Previous Month", {2100, 3, 1}).to, "02/28/2100");
}

TEST(ReportDatePresets, EachPresetOnOneDay) {
    const Date today{2024, 3, 5};
    const std::vector<std::tuple<std::string_view, std::string, std::string>> expected{
        {"Current Month", "03/01/2024", "03/31/2024"},
        {"Current Year", "01/01/2024", "12/31/2024"},
        {"Last 12 Months", "03/05/2023", "03/05/2024"},
        {"Last 30 Days", "02/04/2024", "03/05/2024"},
        {"Last 60 Days", "01/05/2024", "03/05/2024"},
        {"Last 90 Days", "12/06/2023", "03/05/2024"},
        {"Month to Date", "03/01/2024", "03/05/2024"},
        {"Previous Month", "02/01/2024", "02/29/2024"},
        {"Previous Year", "01/01/2023", "12/31/2023"},
        {"Year to Date", "01/01/2024", "03/05/2024"},
    };
    for (const auto& [preset, from, to] : expected) {
        EXPECT_EQ(Preset(preset, today).from, from) << preset;
        EXPECT_EQ(Preset(preset, today).to, to) << preset;
    }
    EXPECT_FALSE(PresetDates("Custom Dates", today, kMonthFirst));
    // Day first, the presets are typed day first.
    EXPECT_EQ(Preset("Current Year", today, kDayFirst).from, "01/01/2024");
    EXPECT_EQ(Preset("Current Year", today, kDayFirst).to, "31/12/2024");
    EXPECT_EQ(Preset("Month to Date", today, kDayFirst).from, "01/03/2024");
    EXPECT_EQ(Preset("Month to Date", today, kDayFirst).to, "05/03/2024");
    // A year back from 29 February is the last day of that February, a date "&View" takes.
    const DateRangeText leap = Preset("Last 12 Months", {2024, 2, 29});
    EXPECT_EQ(leap.from, "02/28/2023");
    EXPECT_EQ(CheckReportDates(leap.from, leap.to, kMonthFirst).problem, DateRangeProblem::None);
}

TEST(ReportDateChecks, RefusalsComeInOrderAndEqualDatesAreAPeriod) {
    EXPECT_EQ(CheckReportDates("  /  /    ", "13/45/2024", kMonthFirst).problem,
              DateRangeProblem::InvalidFrom);
    EXPECT_EQ(CheckReportDates("02/30/2024", "03/01/2024", kMonthFirst).problem,
              DateRangeProblem::InvalidFrom);
    EXPECT_EQ(CheckReportDates("03/01/2024", "13/01/2024", kMonthFirst).problem,
              DateRangeProblem::InvalidTo);
    EXPECT_EQ(CheckReportDates("03/02/2024", "03/01/2024", kMonthFirst).problem,
              DateRangeProblem::EndBeforeStart);
    const CheckedDates same = CheckReportDates("13/01/2024", "13/01/2024", kDayFirst);
    EXPECT_EQ(same.problem, DateRangeProblem::None);
    EXPECT_EQ(same.period.from, "2024/01/13");
    EXPECT_EQ(same.period.to, "2024/01/13");
}

class ReportWizardTest : public ReportFilesEnv {
protected:
    ReportWizardTest() { ReportTitle.clear(); }
    ~ReportWizardTest() override { ReportTitle.clear(); }

    // Opens the wizard from the main window's command and runs the script while it is up.
    void Wizard(const std::function<void(TRptSelect&)>& script) {
        host->OnModal("RptSelect", [&script](Form& form) {
            script(*RptSelect);
            if (form.ModalResult() == Modal::None) PressButton(form, "CancelBut");
        });
        EXPECT_TRUE(RunRegisteredCommand(CommandId::ReportWizard));
    }

    void Select(TRptSelect& wizard, const QString& report) {
        const auto items = wizard.ListBox1->findItems(report, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << report.toStdString();
        wizard.ListBox1->setCurrentItem(items.front());
    }

    std::vector<std::string> Shown() const { return reportsamples::Lines(*viewer.RptGrid); }

    CalFormScope calendar;
    Trtreport viewer;
    ReportWizardWindows wizardWindows;
};

TEST_F(ReportWizardTest, OpensOnTheFirstReportWithMonthToDate) {
    Wizard([](TRptSelect& w) {
        EXPECT_EQ(w.windowTitle(), "Report Wizard");
        EXPECT_EQ(w.ListBox1->count(), 14);
        EXPECT_EQ(w.ListBox1->currentItem()->text(), "PO Register");
        EXPECT_EQ(w.ListBox1->item(13)->text(), "Tax Report");
        EXPECT_TRUE(w.RType->text().startsWith("Lists all Purchase Orders created"));
        EXPECT_EQ(w.ComboBox1->currentText(), "Month to Date");
        EXPECT_EQ(w.ComboBox1->count(), 11);
        EXPECT_EQ(w.IDate->Text(), "03/01/2024");
        EXPECT_EQ(w.EndDt->Text(), "03/15/2024");
        EXPECT_EQ(w.Label3->text(), "Date Selection:");
        EXPECT_EQ(w.Label1->text(), "From:");
        // The calendar buttons sit inside the right end of their fields.
        EXPECT_EQ(w.Cal1But->parentWidget(), w.IDate);
        EXPECT_EQ(w.Cal1But->geometry().right(), w.IDate->width() - 3);
        EXPECT_EQ(w.Cal2But->toolTip(), "Calendar");
        PressButton(w, "HelpBut");
    });
    EXPECT_EQ(host->HelpKeywords(), QStringList{"ReportWizard"});
}

TEST_F(ReportWizardTest, DayFirstCompaniesSeeTheOrderAndDayFirstPresets) {
    shell.context().companies.CurrentCompany.set(Company::DateOrderSetting, "D");
    Wizard([](TRptSelect& w) {
        EXPECT_EQ(w.Label3->text(), "Date Selection (dd/mm/yyyy):");
        EXPECT_EQ(w.IDate->Text(), "01/03/2024");
        EXPECT_EQ(w.EndDt->Text(), "15/03/2024");
        FillControl(w, "ComboBox1", "Current Year");
        EXPECT_EQ(w.EndDt->Text(), "31/12/2024");
    });
}

TEST_F(ReportWizardTest, UndatedReportsHideTheDatesWhichComeBackAsTheyWere) {
    Wizard([this](TRptSelect& w) {
        FillControl(w, "ComboBox1", "Previous Year");
        Select(w, "Inventory Report");
        for (QWidget* hidden : std::initializer_list<QWidget*>{w.ComboBox1, w.IDate, w.EndDt,
                                                               w.Cal1But, w.Cal2But, w.Label2})
            EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
        EXPECT_EQ(w.Label1->text(), "Searches all records...");
        EXPECT_EQ(w.Label3->text(), "Date Selection:");
        EXPECT_TRUE(w.RType->text().startsWith("Shows all items which make up"));

        Select(w, "Sales Report");
        EXPECT_FALSE(w.IDate->isHidden());
        EXPECT_FALSE(w.ComboBox1->isHidden());
        EXPECT_EQ(w.Label1->text(), "From:");
        EXPECT_EQ(w.IDate->Text(), "01/01/2023");
        EXPECT_EQ(w.EndDt->Text(), "12/31/2023");
        EXPECT_EQ(w.RType->text(), "Shows all products you have sold in the selected period.");

        // "Custom Dates" changes neither date.
        FillControl(w, "ComboBox1", "Custom Dates");
        EXPECT_EQ(w.IDate->Text(), "01/01/2023");
        EXPECT_EQ(w.EndDt->Text(), "12/31/2023");
    });
}

TEST_F(ReportWizardTest, ACalendarDateMakesThePresetCustom) {
    Wizard([this](TRptSelect& w) {
        host->OnModal("CalForm", [&w](Form& calendar) {
            EXPECT_EQ(calendar.windowTitle(), "Select FROM Date");
            EXPECT_EQ(CalTop, w.frameGeometry().top());
            EXPECT_EQ(CalLeft, 0);
            EXPECT_EQ(CalForm->SelectedDate(), (Date{2024, 3, 1}));
            CalForm->SetDate(Date{2024, 2, 10});
            PressButton(calendar, "OKBtn");
        });
        PressButton(w, "Cal1But");
        EXPECT_EQ(w.IDate->Text(), "02/10/2024");
        EXPECT_EQ(w.EndDt->Text(), "03/15/2024");
        EXPECT_EQ(w.ComboBox1->currentText(), "Custom Dates");
        EXPECT_EQ(CalForm->windowTitle(), "Date Selection");

        // Cancelled, the date stays; a field that held no date gets today's.
        w.EndDt->SetText("");
        host->OnModal("CalForm", [](Form& calendar) {
            EXPECT_EQ(calendar.windowTitle(), "Select Ending Date");
            PressButton(calendar, "CancelBtn");
        });
        PressButton(w, "Cal2But");
        EXPECT_EQ(w.EndDt->Text(), "03/15/2024");
    });
}

TEST_F(ReportWizardTest, ViewRefusesBadDatesInOrderAndRunsNothing) {
    Wizard([this](TRptSelect& w) {
        w.IDate->SetText("02/30/2024");
        w.EndDt->SetText("");
        host->Answer(MsgResult::Ok,
                     "You have an invalid beginning date. You can clear the date and then select "
                     "the calendar button.",
                     "FROM Date");
        PressButton(w, "Button1");
        EXPECT_EQ(w.focusWidget(), w.IDate);

        w.IDate->SetText("03/01/2024");
        host->Answer(MsgResult::Ok,
                     "You have an invalid ending date. You can clear the date and then select "
                     "the calendar button.",
                     "TO Date");
        PressButton(w, "Button1");
        EXPECT_EQ(w.focusWidget(), w.EndDt);

        // Undated reports are checked on the dates their hidden fields hold.
        w.EndDt->SetText("02/01/2024");
        Select(w, "Reorder Report");
        host->Answer(MsgResult::Ok, "Your beginning date is not older than your ending date.",
                     "FROM Date");
        PressButton(w, "Button1");
        EXPECT_EQ(w.ModalResult(), Modal::None);
        EXPECT_TRUE(ReportTitle.empty());
    });
}

TEST_F(ReportWizardTest, AnEmptyPeriodTellsSoAndShowsNoViewer) {
    Wizard([this](TRptSelect& w) {
        Select(w, "Invoice Register");
        host->Answer(MsgResult::Ok, "No matching records found for the dates entered.",
                     "Invoice Register");
        PressButton(w, "Button1");
        EXPECT_EQ(ReportTitle, "Invoice Register");
        EXPECT_EQ(w.focusWidget(), w.IDate);

        Select(w, "Overstock Report");
        host->Answer(MsgResult::Ok, "No products found.", "Over Stock Report");
        PressButton(w, "Button1");

        EXPECT_TRUE(shell.context().companies.CurrentCompany.set(Company::ReceivablesTotal, "0"));
        Select(w, "Accounts Receivable");
        host->Answer(MsgResult::Ok,
                     "Your Accounts Receivable balance is zero for this company. There are no "
                     "outstanding items.",
                     "Account Receivable Report");
        PressButton(w, "Button1");
    });
    EXPECT_EQ(host->Pending(), 0u);
}

TEST_F(ReportWizardTest, ViewShowsTheReportAndTheWizardStaysForTheNext) {
    Put(InvoiceData(), Invoice("1001", "I", "2024/03/04", "10.00"));
    Put(InvoiceData(), Invoice("1002", "I", "2024/03/09", "32.50"));
    Put(InvoiceData(), Invoice("0999", "I", "2024/02/28", "5.00"));
    Wizard([this](TRptSelect& w) {
        Select(w, "Invoice Register");
        host->OnModal("rtreport", [this](Form& f) {
            EXPECT_EQ(f.windowTitle(), "Invoice Register by Date");
            EXPECT_EQ(viewer.Head1->text(), "Harbour Lane");
            EXPECT_TRUE(viewer.Head2->text().startsWith("Date: "));
            EXPECT_EQ(viewer.Head3->text(), "Selected records from 03/01/2024 to 03/15/2024");
            EXPECT_EQ(viewer.SortColumnLimit, 3);
            EXPECT_EQ(viewer.LastAmountColumn, 6);
            EXPECT_EQ(viewer.SortCol->count(), 3);
            EXPECT_EQ(viewer.SortCol->itemText(2), "4");
            const std::vector<std::string> shown = Shown();
            ASSERT_GE(shown.size(), 3u);
            EXPECT_EQ(shown[1], "2024/03/04|1001|ACME|C100|10.00|0.00|10.00|I");
            EXPECT_EQ(shown.back(), "|||Grand Total|42.50|0.00|42.50|");
            PressButton(f, "ExitButn");
        });
        PressButton(w, "Button1");
        EXPECT_EQ(w.ModalResult(), Modal::None);

        // A double-click runs the next report straight away.
        Select(w, "Accounts Receivable");
        host->OnModal("rtreport", [this](Form& f) {
            EXPECT_EQ(viewer.Head3->text(), "All unpaid records selected.");
            // The heading, three current items, their sub-total, a blank row, the grand total.
            EXPECT_EQ(Shown().size(), 7u);
            PressButton(f, "ExitButn");
        });
        w.ListBox1DblClick();
        EXPECT_EQ(ReportTitle, "Accounts Receivable");
    });
}

TEST_F(ReportWizardTest, ADamagedAmountIsToldAndNoReportIsShown) {
    InvoiceRec bad = Invoice("1001", "I", "2024/03/04", "10.00");
    EXPECT_TRUE(bad.set(Invoice::InvTax, "ten"));
    Put(InvoiceData(), bad);
    Wizard([this](TRptSelect& w) {
        Select(w, "Invoice Register");
        host->Answer(MsgResult::Ok,
                     "The tax of invoice 1001 is \"ten\", which is not a number. The report "
                     "cannot be built until the record is corrected.",
                     "Invoice Register");
        PressButton(w, "Button1");
    });
    EXPECT_EQ(host->Pending(), 0u);
}

}  // namespace
