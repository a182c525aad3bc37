// Customer statements on real files: what a statement lists and in which order, the
// statement window's unpaid-only reload, printing on the recording canvas and as a real
// PDF, e-mail to the loopback SMTP server, and batch runs with their pauses, cancel, label
// queue rows and last-run date.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include "invoicing/receivables/statement.h"
#include "invoicing/receivables/statement_window.h"
#include "mail/mail_state.h"
#include "masters/master_manager.h"
#include "platform/cp1252.h"
#include "platform/mask_edit.h"
#include "platform/string_grid.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "tests/invoicing/output_env.h"
#include "tests/mail/smtp_server.h"
#include "tests/support/pdf_read.h"

namespace {

class StatementTest : public OutputEnv {
protected:
    // A header record of customer `customer` as the posting and payment code write them.
    void AddRecord(const std::string& customer, const std::string& number, const std::string& ymd,
                   const std::string& type, const std::string& total, const std::string& paid,
                   const std::string& due, const std::string& note = "") {
        InvoiceRec r;
        EXPECT_TRUE(r.set(Invoice::InvNumber, number));
        EXPECT_TRUE(r.set(Invoice::InvCustomerNumber, customer));
        r.set(Invoice::InvType, type);
        r.set(Invoice::InvDateYMD, ymd);
        r.set(Invoice::InvStatementNote, note);
        EXPECT_TRUE(r.set(Invoice::InvTotal, total));
        EXPECT_TRUE(r.set(Invoice::InvPaid, paid));
        EXPECT_TRUE(r.set(Invoice::InvDue, due));
        AddThrough(State().InvoiceBuf, AddInvoiceRecord, r);
    }
    StatementData Load(const std::string& number, bool unpaidOnly) {
        Statements().StatementCustomerNumber = number;
        Statements().StatementUnpaidOnly = unpaidOnly ? 1 : 0;
        EXPECT_TRUE(LoadStatementActivity());
        return Statements().Loaded;
    }
    static std::vector<std::string> Column(const StatementData& s, int c) {
        std::vector<std::string> cells;
        for (const StatementRow& r : s.rows) cells.push_back(TrimBlanks(r[c]));
        return cells;
    }

    StatementStateScope statements;
    TMainForm mainForm;
    StatementWindows windows;
};

TEST_F(StatementTest, ListsEveryRecordInDateOrderWithReferencesAndTotals) {
    AddRecord("C1", "1003", "2024/03/05", "I", "30.00", "0.00", "30.00");
    AddRecord("C1", "1001", "2023/12/31", "X", "0.00", "12.50", "0.00");
    AddRecord("C1", "1002", "2024/01/15", "I", "100.00", "100.00", "0.00", "Thanks, paid");
    AddRecord("C2", "2001", "2023/01/01", "I", "9.00", "0.00", "9.00");  // another customer
    const StatementData s = Load("c1 ", false);
    EXPECT_EQ(Column(s, 0), (std::vector<std::string>{"2023/12/31", "2024/01/15", "2024/03/05"}));
    EXPECT_EQ(Column(s, 2), (std::vector<std::string>{"Partial Payment Made", "Thanks, paid",
                                                      "Invoice"}));
    EXPECT_EQ(s.totals, (StatementRow{"", "", AccountTotalsText, "130.00", "112.50", "30.00", ""}));
    EXPECT_EQ(s.aging[0], "1,234.50");
    EXPECT_EQ(s.address[0], "12 Quay Street");

    // The window shows the same rows between the headings and the totals.
    EXPECT_EQ(Stment->SGrid->RowCount(), 5);
    EXPECT_EQ(Stment->SGrid->Cell(0, 0), "Date");
    EXPECT_EQ(Stment->SGrid->Cell(2, 4), AccountTotalsText);
    EXPECT_EQ(Stment->CSBar->findChild<QLabel*>("Panel0")->text(),
              "There are 3 records selected.");
}

TEST_F(StatementTest, UnpaidOnlyDropsPaidAndRepeatMastersAndShowsPartPayments) {
    AddRecord("C1", "1001", "2024/01/01", "I", "50.00", "50.00", "0.00");
    AddRecord("C1", "1002", "2024/01/02", "R", "20.00", "0.00", "20.00");
    AddRecord("C1", "1003", "2024/01/03", "Z", "80.00", "0.00", "30.00");
    const StatementData all = Load("C1", false);
    EXPECT_EQ(all.rows.size(), 3u);
    const StatementData unpaid = Load("C1", true);
    ASSERT_EQ(unpaid.rows.size(), 1u);
    EXPECT_EQ(unpaid.rows[0][4], "50.00");  // what payments took off the partly paid invoice
    EXPECT_EQ(unpaid.totals[4], "50.00");

    // Only fully paid records: the box leaves the totals row alone.
    AddCustomer("C3", "Paid Up");
    AddRecord("C3", "3001", "2024/02/01", "I", "10.00", "10.00", "0.00");
    Load("C3", false);
    Stment->UnpaidBox->click();
    EXPECT_TRUE(Statements().Loaded.rows.empty());
    EXPECT_EQ(Stment->SGrid->RowCount(), 2);
}

TEST_F(StatementTest, AnAmountThatIsNotANumberStopsWithItsReason) {
    AddRecord("C1", "1001", "2024/01/01", "I", "50.00", "0.00", "50.00");
    InvoiceRec r = HeadersOf("1001").front();
    fields::WriteText(r.bytes(), Invoice::InvDue.offset, Invoice::InvDue.width, "5O.00");
    {
        const StepFile open(InvoiceData());
        int32_t ref = 0;
        ASSERT_TRUE(InvoiceData().Search(BuildInvoiceKey(r, 1), ref, 1));
        ASSERT_TRUE(InvoiceData().PutRec(r.bytes(), ref));
    }
    Statements().StatementCustomerNumber = "C1";
    EXPECT_THROW(LoadStatementActivity(), std::exception);
}

TEST_F(StatementTest, PrintsOnTheCanvasAndAsARealPdf) {
    AddRecord("C1", "1001", "2024/01/01", "D", "25.00", "0.00", "25.00");
    Load("C1", false);
    PrintStatement();
    EXPECT_NE(canvas.FindText("STATEMENT"), nullptr);
    EXPECT_NE(canvas.FindText("Deposit on Account"), nullptr);
    EXPECT_NE(canvas.FindText(AccountTotalsText), nullptr);

    QtPrintCanvas pdf(SharedPrinter());
    const PrinterOverride real(pdf);
    const QString path = QString::fromStdString(dir.file("statement.pdf"));
    SetPdfOutput(path);
    PrintStatement();
    SetPdfOutput({});
    const QString text = testsupport::PdfText(path);
    for (const char* part : {"STATEMENT", "Acme Tools", "Account Number: C1", "2024/01/01",
                             "Deposit on Account", "25.00", "1,234.50"})
        EXPECT_TRUE(text.contains(part)) << part << "\n" << text.toStdString();
}

TEST_F(StatementTest, TheStatementButtonEmailsToTheCustomer) {
    SmtpServer server;
    ChangeCompany([&](CompanyRec& c) { c.set(Company::SmtpHost, ToCp1252(server.server())); });
    mainForm.EMdef->setChecked(true);
    AddRecord("C1", "1001", "2024/01/01", "I", "25.00", "0.00", "25.00");
    Load("C1", false);
    Stment->PrinStButn->click();
    const auto received = server.messages();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0]["rcpt_tos"].toArray().at(0).toString(), "ann@acme.test");
    EXPECT_EQ(received[0]["subject"].toString(), "Statement - C1");
    const QString body = received[0]["body"].toString();
    EXPECT_TRUE(body.contains("Account Number: C1"));
    EXPECT_TRUE(body.contains(AccountTotalsText));
}

class BatchStatementTest : public StatementTest {
protected:
    BatchStatementTest() {
        // Twelve customers with balances: C1 and eleven more.
        ChangeCompany([](CompanyRec& c) { c.set(Company::LastStatementRun, "01/01/2024"); });
        for (int i = 1; i <= 11; ++i)
            AddCustomer("B" + std::to_string(i), "Batch " + std::to_string(100 + i),
                        [](CustomerRec& c) { EXPECT_TRUE(c.set(Customer::Balance, "-5")); });
        host->OnModal("SelStmnt", [](Form&) { SelStmnt->OKButton->click(); });
    }
    void BatchOf(const QString& size) {
        host->OnModal("BatchStWin", [size](Form&) {
            BatchStWin->EMBNum->SetText(size);
            BatchStWin->OKButton->click();
        });
    }
    // The statements printed, and the print jobs they went out in.
    int Statements() const { return static_cast<int>(JobTitles().size()); }
    int Jobs() const {
        return static_cast<int>(
            std::count_if(canvas.Calls().begin(), canvas.Calls().end(),
                          [](const auto& c) { return c.op == RecordingCanvas::Op::Begin; }));
    }
    MastersWindows managers;
    std::vector<std::string> queued;
};

TEST_F(BatchStatementTest, PausesAfterEachBatchAndQueuesTheCustomers) {
    ChangeCompany([](CompanyRec& c) { c.set(Company::QueueBatchCustomers, "Y"); });
    AddCustomerToPrintQueue = [this](const CustomerLabelRow& row) {
        queued.push_back(TrimBlanks(row.number));
    };
    BatchOf("5");
    host->Answer(MsgResult::Yes,
                 "5 statements processed during this cycle. There are 7 statements remaining. "
                 "Do you want to continue?",
                 "Batch Job Pause...");
    host->Answer(MsgResult::Yes,
                 "5 statements processed during this cycle. There are 2 statements remaining. "
                 "Do you want to continue?");
    BatchStatements();
    EXPECT_EQ(Statements(), 12);
    EXPECT_EQ(Jobs(), 1);
    EXPECT_EQ(queued.size(), 12u);
    EXPECT_EQ(DemoForm->Panel(1)->text(), "Batch Print complete. 12 statements sent to spooler.");
    EXPECT_EQ(TrimBlanks(CompanyOnFile().get(Company::LastStatementRun)), "03/15/2024");
    EXPECT_EQ(Masters().BatchStatementMode, 0);
    EXPECT_EQ(BatchStWin->Label1->text(), "There are 12 statements to be printed.");
    // A single statement afterwards never queues.
    Load("B1", false);
    EXPECT_EQ(queued.size(), 12u);

    // A printer (not a file) is handed each part at its pause: three jobs, every one printed.
    canvas.Clear();
    canvas.SetPrintsToFile(false);
    host->OnModal("SelStmnt", [](Form&) { SelStmnt->OKButton->click(); });
    BatchOf("5");
    host->Answer(MsgResult::Yes,
                 "5 statements processed during this cycle. There are 7 statements remaining. "
                 "Do you want to continue?");
    host->Answer(MsgResult::No,
                 "5 statements processed during this cycle. There are 2 statements remaining. "
                 "Do you want to continue?");
    BatchStatements();
    EXPECT_EQ(Jobs(), 2);
    EXPECT_EQ(Statements(), 10);
    EXPECT_EQ(queued.size(), 22u);
    EXPECT_EQ(DemoForm->Panel(1)->text(), "Batch job canceled. 10 statements printed.");
}

TEST_F(BatchStatementTest, EMailedStatementsTellWhatWasSentAndWhatWasSkipped) {
    SmtpServer server;
    ChangeCompany([&](CompanyRec& c) { c.set(Company::SmtpHost, ToCp1252(server.server())); });
    mainForm.EMdef->setChecked(true);

    // One statement: sent, or said not to be; the mail session is closed either way.
    Load("C1", false);
    Stment->PrinStButn->click();
    EXPECT_EQ(Stment->CSBar->findChild<QLabel*>("Panel1")->text(), "Statement sent by e-mail.");
    EXPECT_FALSE(Mail().msSMTP1.Connected());
    Load("B1", false);  // no e-mail address
    Stment->PrinStButn->click();
    EXPECT_EQ(Stment->CSBar->findChild<QLabel*>("Panel1")->text(),
              "Statement not sent: the customer has no e-mail address.");
    EXPECT_FALSE(Mail().msSMTP1.Connected());
    EXPECT_EQ(server.messages().size(), 1u);

    // A batch: C1 has an address, B1 to B11 have none.
    BatchOf("99");
    host->Answer(MsgResult::Ok, "E-mail operation complete.", "Batch E-Mail");
    BatchStatements();
    EXPECT_EQ(DemoForm->Panel(1)->text(),
              "Batch complete. 1 statements sent by e-mail, 11 skipped (no e-mail address).");
    EXPECT_EQ(server.messages().size(), 2u);
}

TEST_F(BatchStatementTest, ACanceledBatchKeepsTheLastRunDate) {
    BatchOf("0");  // raised to 1
    host->Answer(MsgResult::No);
    BatchStatements();
    EXPECT_EQ(Statements(), 1);
    EXPECT_EQ(DemoForm->Panel(1)->text(), "Batch job canceled. 1 statements printed.");
    EXPECT_EQ(TrimBlanks(CompanyOnFile().get(Company::LastStatementRun)), "01/01/2024");
    EXPECT_EQ(Masters().BatchStatementMode, 0);
}

TEST_F(BatchStatementTest, BatchSizeAndSelectionRules) {
    EXPECT_EQ(StatementBatchSize("0", 12), 1);
    EXPECT_EQ(StatementBatchSize("99 ", 12), 12);
    EXPECT_EQ(StatementBatchSize(" 5", 12), 5);
    // A blank size is refused and the window stays open until one is typed.
    host->OnModal("BatchStWin", [this](Form& form) {
        BatchStWin->EMBNum->SetText("");
        BatchStWin->OKButton->click();
        EXPECT_EQ(form.ModalResult(), 0);
        BatchStWin->EMBNum->SetText("99");
        BatchStWin->OKButton->click();
    });
    host->Answer(MsgResult::Ok, "You must enter the number of statements to print in this batch.",
                 "Number to Batch Print");
    BatchStatements();
    EXPECT_EQ(Statements(), 12);  // no pause

    // Over 90 names the third period; only customers with an over amount are chosen.
    ChangeCompany([](CompanyRec& c) { EXPECT_TRUE(c.set(Company::AgingPeriod[2], "90")); });
    host->OnModal("SelStmnt", [](Form&) {
        SelStmnt->RBover90->setChecked(true);
        SelStmnt->OKButton->click();
    });
    BatchOf("5");
    BatchStatements();
    EXPECT_EQ(SelStmnt->RBover90->text(), "Over 90");
    EXPECT_EQ(Statements(), 13);  // C1 alone has an over amount
    EXPECT_EQ(SelectStatementCustomers(StatementClass::Over60), std::vector<std::string>{"C1"});
}

}  // namespace
