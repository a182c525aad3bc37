// The Interest Wizard offscreen through the scripted host, run from the main window's
// command: what a showing starts from, the flat-fee checks, the scan into the grid, the
// generation and its report, and the printed report's pages.
#include "invoicing/receivables/interest_wizard.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "invoicing/receivables/interest_report.h"
#include "platform/mask_edit.h"
#include "platform/printer.h"
#include "platform/string_grid.h"
#include "shell/date_dialog.h"
#include "shell/main_window.h"
#include "shell/small_files.h"
#include "tests/invoicing/posting_env.h"

namespace {

class InterestWizardTest : public PostingEnv {
protected:
    InterestWizardTest() {
        AddCustomer("C1", "Acme Tools", [](CustomerRec& c) {
            EXPECT_TRUE(c.set(Customer::Amounts[1], "1234.00"));
            EXPECT_TRUE(c.set(Customer::Balance, "1234.00"));
        });
        AddCustomer("C2", "Birch",
                    [](CustomerRec& c) { EXPECT_TRUE(c.set(Customer::Amounts[2], "100.00")); });
        AddCustomer("C3", "Cedar",
                    [](CustomerRec& c) { EXPECT_TRUE(c.set(Customer::Amounts[0], "900.00")); });
    }

    // Shows the wizard from the main window's command and runs the script on it.
    void Run(const std::function<void(TInterestWiz&)>& script) {
        host->OnModal("InterestWiz", [script](Form& f) { script(static_cast<TInterestWiz&>(f)); });
        EXPECT_TRUE(RunRegisteredCommand(CommandId::InterestWizard));
    }
    void Scan(TInterestWiz& w) { PressButton(w, "Button1"); }
    static QStringList Row(TInterestWiz& w, int row) {
        QStringList cells;
        for (int col = 0; col < w.CustGrid->ColCount(); ++col) cells << w.CustGrid->Cell(col, row);
        return cells;
    }
    void Expect(const QString& text, const QString& caption) {
        host->Answer(MsgResult::Ok, text, caption);
    }

    TMainForm mainForm;
    CalFormScope calForm;
    TInterestWiz wizard;
};

TEST_F(InterestWizardTest, AShowingStartsFromTheCompanysStoredSettings) {
    ChangeCompany([](CompanyRec& c) {
        EXPECT_TRUE(c.set(Company::AgingPeriod[0], " 15"));
        c.set(Company::InterestOverdueClass, "9");
        EXPECT_TRUE(c.set(Company::InterestMonthlyRate, "2.25"));
        EXPECT_TRUE(c.set(Company::InterestMinimumCharge, "1"));  // too short: the default
        c.set(Company::InterestMarkPrinted, true);
        c.set(Company::InterestTerms, "Net 30 Days");
        c.set(Company::LastInterestRun, "02/15/2024");
    });
    ASSERT_TRUE(SaveTerms(shell.context().folder, {"Due On Receipt", "Net 30 Days"}));
    Run([&](TInterestWiz& w) {
        EXPECT_EQ(w.windowTitle(), "Interest Wizard");
        EXPECT_EQ(w.days30->text(), "Over 15 Days");
        EXPECT_EQ(w.days60->text(), "Over 60 Days");
        EXPECT_EQ(w.days90->text(), "Over 90 Days");
        EXPECT_TRUE(w.days90->isChecked());
        EXPECT_EQ(Row(w, 0),
                  (QStringList{"Customer Name", "Customer#", "Over 90 Days", "Interest Chg."}));
        EXPECT_EQ(w.CustGrid->RowCount(), 2);
        EXPECT_EQ(w.IPct->Text(), "2.25 ");
        EXPECT_EQ(w.MinChg->Text(), " .10");
        EXPECT_TRUE(w.IPrin->isChecked());
        EXPECT_EQ(w.LastRun->text(), "Last Interest Invoices: 02/15/2024");
        EXPECT_EQ(w.IDate->Text(), "03/15/2024");
        EXPECT_EQ(w.ITerms->count(), 2);
        EXPECT_EQ(w.ITerms->currentText(), "Net 30 Days");
        EXPECT_EQ(w.InvComm->text(), "Interest Charges");
        EXPECT_EQ(w.StmntNote->text(), "Interest Charges");
        EXPECT_EQ(w.FlatRate->text(), "0.00");
        EXPECT_FALSE(w.FlatRate->isEnabled());
        EXPECT_EQ(w.Label3->text(), "Enter above options then select scan button...");
        EXPECT_TRUE(w.Button1->isEnabled());
        EXPECT_FALSE(w.GenInv->isEnabled());
        PressButton(w, "Button2");
        PressButton(w, "CanButn");
    });
    EXPECT_EQ(host->HelpKeywords(), QStringList{"InterestWizard"});
    EXPECT_TRUE(Headers().empty());
}

TEST_F(InterestWizardTest, TheFlatFeeIsCheckedAsItIsTypedAndBeforeAScan) {
    Run([&](TInterestWiz& w) {
        CheckButton(w, "FlatCB", true);
        EXPECT_TRUE(w.FlatRate->isEnabled());
        EXPECT_FALSE(w.IPct->isEnabled());
        EXPECT_FALSE(w.MinChg->isEnabled());

        Expect("You should not enter a negative number in the flat rate box.", "Flat Rate Amount");
        FillControl(w, "FlatRate", "-5");
        EXPECT_EQ(w.focusWidget(), w.FlatRate);
        Expect("The flat rate must be a numeric value.", "Invalid Flat Rate Amount");
        FillControl(w, "FlatRate", "5x");
        Expect("The flat rate must be a numeric value.", "Invalid Flat Rate Amount");
        FillControl(w, "FlatRate", "5.0.0");
        // A point on its way to cents is fine.
        FillControl(w, "FlatRate", "5.");
        FillControl(w, "FlatRate", "");

        // Empty is no fee at all: nothing to scan for until a setting changes.
        Expect("No flat rate is specified.", "Flat Rate Fee");
        Scan(w);
        EXPECT_EQ(w.FlatRate->text(), "0.00");
        EXPECT_FALSE(w.Button1->isEnabled());
        FillControl(w, "FlatRate", "5.00");
        EXPECT_TRUE(w.Button1->isEnabled());

        // A flat fee under the minimum charges nobody.
        CheckButton(w, "FlatCB", false);
        FillControl(w, "MinChg", "6.00");
        CheckButton(w, "FlatCB", true);
        Expect("No records were found.", "Interest Wizard");
        Scan(w);
        EXPECT_EQ(w.Label3->text(), "No records found.");
        EXPECT_FALSE(w.GenInv->isEnabled());

        // A rate that is not a number is told, and the scan can be run again.
        CheckButton(w, "FlatCB", false);
        FillControl(w, "IPct", " .   ");
        Expect("The monthly percentage rate must be a numeric value.", "Monthly Percentage Rate");
        Scan(w);
        EXPECT_TRUE(w.Button1->isEnabled());
        PressButton(w, "CanButn");
    });
}

TEST_F(InterestWizardTest, AScanListsTheChargesAndTheirTotalsAndAnyChangeAllowsAnother) {
    Run([&](TInterestWiz& w) {
        Scan(w);
        ASSERT_EQ(w.CustGrid->RowCount(), 4);
        EXPECT_EQ(Row(w, 1), (QStringList{"Acme Tools", "C1", "1,234.00", "18.51"}));
        EXPECT_EQ(Row(w, 2), (QStringList{"Birch", "C2", "100.00", "1.50"}));
        EXPECT_EQ(Row(w, 3), (QStringList{"", "Totals:", "1,334.00", "20.01"}));
        EXPECT_EQ(w.Label3->text(), "2 found. Complete data below then select generate button...");
        EXPECT_TRUE(w.GenInv->isEnabled());
        EXPECT_FALSE(w.Button1->isEnabled());

        // A changed setting needs a new scan before invoices are made from the list.
        CheckButton(w, "days60", true);
        EXPECT_TRUE(w.Button1->isEnabled());
        EXPECT_FALSE(w.GenInv->isEnabled());
        Scan(w);
        EXPECT_EQ(w.CustGrid->Cell(2, 0), "Over 60 Days");
        EXPECT_EQ(Row(w, 1), (QStringList{"Birch", "C2", "100.00", "1.50"}));
        EXPECT_EQ(w.Listed().size(), 1u);
        FillControl(w, "IPct", "2.000");
        EXPECT_TRUE(w.Button1->isEnabled());
        Scan(w);
        FillControl(w, "MinChg", "5.00");
        EXPECT_TRUE(w.Button1->isEnabled());
        EXPECT_FALSE(w.GenInv->isEnabled());
        PressButton(w, "CanButn");
    });
    EXPECT_TRUE(Headers().empty());
}

TEST_F(InterestWizardTest, GeneratingWritesTheInvoicesClosesAndPrintsTheReport) {
    ChangeCompany([](CompanyRec& c) { EXPECT_TRUE(c.set(Company::NextInvoiceNumber, "10023")); });
    RecordingCanvas canvas;
    const PrinterOverride printer(canvas);
    Run([&](TInterestWiz& w) {
        Scan(w);
        FillControl(w, "IDate", "02/30/2024");
        Expect(
            "You have an invalid invoice date. You can clear the date and then select the "
            "calendar button.",
            "Invoice Date");
        PressButton(w, "GenInv");
        EXPECT_EQ(w.ModalResult(), Modal::None);
        EXPECT_EQ(w.focusWidget(), w.IDate);
        EXPECT_TRUE(Headers().empty());

        FillControl(w, "IDate", "03/01/2024");
        CheckButton(w, "IPrin", true);
        FillControl(w, "ITerms", "Due On Receipt");
        host->Answer(MsgResult::Yes,
                     "2 invoices were created. Would you like to send a report to the printer?",
                     "Operation Complete");
        PressButton(w, "GenInv");
        EXPECT_EQ(w.ModalResult(), Modal::Ok);
        EXPECT_FALSE(w.isVisible()) << "closed before the question";
        EXPECT_EQ(Row(w, 0).last(), "Invoice#");
        EXPECT_EQ(Row(w, 1).last(), "10023I");
        EXPECT_EQ(Row(w, 2).last(), "10024I");
    });

    const std::vector<InvoiceRec> headers = Headers();
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[1].get(Invoice::InvNumber), "10024I");
    EXPECT_EQ(headers[1].get(Invoice::InvPrinted), "Y");
    EXPECT_EQ(headers[1].get(Invoice::InvTerms), "Due On Receipt");
    EXPECT_EQ(headers[1].get(Invoice::InvDate), "03/01/2024");
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "1252.51");
    const CompanyRec company = CompanyOnFile();
    EXPECT_EQ(company.get(Company::NextInvoiceNumber), "10025");
    EXPECT_EQ(company.get(Company::ReceivablesTotal), "120.01");
    EXPECT_EQ(company.get(Company::InterestTerms), "Due On Receipt");
    EXPECT_EQ(company.get(Company::LastInterestRun), "03/01/2024");

    ASSERT_EQ(canvas.Pages(), 1);
    EXPECT_EQ(canvas.Calls().front().text, "Interest Charges");
    for (const char* text : {"Harbour Lane", "Interest Charges Report", "Page 1", "Invoice#",
                             "10024I", "Totals:", "20.01",
                             "Created Invoices Dated: 03/01/2024 and charged 1.5 percent "
                             "interest.",
                             "Report Complete. 2 records printed."})
        EXPECT_NE(canvas.FindText(text), nullptr) << text;
    EXPECT_EQ(mainForm.StatusText(1), "Interest Report sent to print queue.");
}

TEST_F(InterestWizardTest, TheCalendarButtonStartsFromTodayWhenTheDateIsNotValid) {
    Run([&](TInterestWiz& w) {
        FillControl(w, "IDate", "13/45/2024");
        host->OnModal("CalForm", [](Form& f) {
            auto& cal = static_cast<TCalForm&>(f);
            EXPECT_EQ(cal.SelectedDate(), (Date{2024, 3, 15}));
            cal.Calendar1->setSelectedDate(QDate(2024, 2, 1));
            f.SetModalResult(Modal::Ok);
        });
        PressButton(w, "Calbutton");
        EXPECT_EQ(w.IDate->Text(), "02/01/2024");
        EXPECT_EQ(w.focusWidget(), w.InvComm);

        FillControl(w, "IDate", "");
        host->OnModal("CalForm", [](Form& f) { f.SetModalResult(Modal::Cancel); });
        PressButton(w, "Calbutton");
        EXPECT_EQ(w.IDate->Text(), "03/15/2024");
        EXPECT_EQ(w.focusWidget(), w.IDate);
        PressButton(w, "CanButn");
    });
}

// --- the printed report ----------------------------------------------------------------

InterestReport ManyRows(int customers, bool flat) {
    InterestReport r;
    r.companyName = "Harbour Lane";
    r.rows.push_back({"Customer Name", "Customer#", "Over 30 Days", "Interest Chg.", "Invoice#"});
    for (int i = 1; i <= customers; ++i)
        r.rows.push_back({QString("Customer %1").arg(i), QString("C%1").arg(i),
                          i % 2 ? "1,234.00" : "5.00", i % 2 ? "18.51" : "0.10",
                          QString("%1I").arg(1000 + i)});
    r.rows.push_back({"", "Totals:", "99,999.00", "999.99", ""});
    r.customerRows = customers;
    r.invoiceDate = "03/15/2024";
    r.flat = flat;
    r.rate = "1.50";
    r.flatFee = "5.00";
    r.leftMargin = 75;
    r.topMargin = 60;
    r.printed = QDateTime(QDate(2024, 3, 15), QTime(14, 5));
    return r;
}

TEST(InterestReportTest, ALongReportRepeatsItsHeadingsOnEveryPageAndCountsCustomersOnly) {
    RecordingCanvas canvas;
    ASSERT_TRUE(PrintInterestReport(canvas, ManyRows(150, true)));
    const int pages = canvas.Pages();
    ASSERT_GT(pages, 1);
    int customers = 0;
    for (int page = 1; page <= pages; ++page) {
        const auto texts = canvas.Texts(page);
        const auto has = [&](const QString& text) {
            return std::any_of(texts.begin(), texts.end(),
                               [&](const auto& call) { return call.text == text; });
        };
        EXPECT_TRUE(has("Harbour Lane")) << page;
        EXPECT_TRUE(has(QString("Page %1").arg(page))) << page;
        EXPECT_TRUE(has("Date: Friday, March 15, 2024, 02:05 PM")) << page;
        EXPECT_TRUE(
            has("Created Invoices Dated: 03/15/2024 and charged a flat rate of 5.00 as "
                "fee."))
            << page;
        EXPECT_TRUE(has("Invoice#")) << "the column headings, page " << page;
        if (page < pages) {
            EXPECT_TRUE(has(QString("Continued on page %1 ...").arg(page + 1))) << page;
        }
        for (const auto& call : texts) {
            if (call.text.startsWith("Customer ") && call.text != "Customer Name") ++customers;
            EXPECT_LT(call.p1.y(), canvas.PageHeight()) << call.text.toStdString();
        }
    }
    EXPECT_EQ(customers, 150) << "every row once";
    EXPECT_EQ(canvas.Texts(pages).back().text, "Report Complete. 150 records printed.");
}

TEST(InterestReportTest, AmountsAreRightAlignedInTheirColumns) {
    RecordingCanvas canvas;
    ASSERT_TRUE(PrintInterestReport(canvas, ManyRows(2, false)));
    const auto rightEdge = [&](const QString& text) {
        const RecordingCanvas::Call* call = canvas.FindText(text);
        EXPECT_NE(call, nullptr) << text.toStdString();
        return call ? call->p1.x() + canvas.TextWidth(text) : -1;
    };
    EXPECT_EQ(rightEdge("1,234.00"), rightEdge("5.00"));
    EXPECT_EQ(rightEdge("5.00"), rightEdge("99,999.00"));
    EXPECT_EQ(rightEdge("18.51"), rightEdge("0.10"));
    EXPECT_GT(rightEdge("18.51"), rightEdge("1,234.00"));
    EXPECT_EQ(canvas.FindText("Customer Name")->p1.x(), 75) << "the left form margin";
    EXPECT_NE(canvas.FindText("Created Invoices Dated: 03/15/2024 and charged 1.50 percent "
                              "interest."),
              nullptr);
}

}  // namespace
