// Invoices by e-mail against a real SMTP server on loopback: the set-up check and its
// messages, the message as received, customers without a usable address, and the marks
// written only once the server took the message.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QLabel>
#include <QRadioButton>

#include "invoicing/documents/invoice_email.h"
#include "mail/mail_errors.h"
#include "platform/cp1252.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "tests/invoicing/output_env.h"
#include "tests/mail/smtp_server.h"

namespace {

class InvoiceEmailTest : public OutputEnv {
protected:
    InvoiceEmailTest() {
        mainForm.EMdef->setChecked(true);
        UseServer(server.server());
    }
    void UseServer(const QString& host) {
        ChangeCompany([&](CompanyRec& c) { c.set(Company::SmtpHost, ToCp1252(host)); });
    }
    void SetCustomerEmail(const std::string& number, const std::string& email) {
        const StepFile open(CustomerData());
        CustomerRec probe;
        ASSERT_TRUE(probe.set(Customer::Number, number));
        CustomerRec c;
        const int32_t ref = CustomerData().Find(
            CustomerNumberKey, BuildCustomerKey(probe, CustomerNumberKey), c.bytes());
        ASSERT_NE(ref, 0);
        c.set(Customer::Email, email);
        ASSERT_TRUE(CustomerData().PutRec(c.bytes(), ref));
    }
    // As the Invoice Manager's Print runs it in e-mail mode.
    void Send(const std::string& number) {
        ASSERT_TRUE(CheckEmailSetup());
        Output(number, true);
    }

    SmtpServer server;
    TMainForm mainForm;
};

TEST_F(InvoiceEmailTest, TheInvoiceReachesTheCustomerAndIsMarkedSent) {
    PostInvoice("1001", {Row("W1", "2", "Widget", "2.50", "5.00")}, "5.00");
    AddPaymentRecord("1001", "1.00", "04/01/2024");
    Send("1001");
    const auto received = server.messages();
    ASSERT_EQ(received.size(), 1u);
    const QJsonObject& m = received[0];
    EXPECT_EQ(m["mail_from"].toString(), "office@harbour.test");
    EXPECT_EQ(Recipients(m), QStringList{"ann@acme.test"});
    EXPECT_EQ(m["subject"].toString(), "Invoice - 1001");
    const QStringList body = BodyLines(m);
    for (const char* line : {"Invoice Number: 1001", "Account Number: C1", "Payment Terms: Net 30",
                             "Reference: Cheque 55", "Total: 5.00", "Grand Total: 5.00",
                             "Paid Amount: 1.00", "Balance Due: 4.00"})
        EXPECT_TRUE(body.contains(line)) << line << "\n" << body.join("\n").toStdString();
    const std::string line = PadRightWith("W1", ' ', 10) + " " + RightJustify("2", ' ', 10) + " " +
                             PadRightWith("Widget", ' ', 32) + " " + RightJustify("2.50", ' ', 11) +
                             " N " + RightJustify("5.00", ' ', 12);
    EXPECT_EQ(line.size(), 81u);
    EXPECT_TRUE(body.contains(QString::fromStdString(line))) << body.join("\n").toStdString();
    EXPECT_TRUE(body.contains(QString("Harbour Lane") + QString(35 - 7, ' ') + "INVOICE"));

    // Every record of the number, the payment included, is printed and e-mailed today.
    for (const InvoiceRec& h : HeadersOf("1001")) {
        EXPECT_EQ(h.get(Invoice::InvPrinted), "Y");
        EXPECT_EQ(h.get(Invoice::InvEmailedDate), "03/15/2024");
    }
    EXPECT_TRUE(canvas.Calls().empty());
}

TEST_F(InvoiceEmailTest, ASecondEMailKeepsTheFirstDateAndCarriesTheDuplicateBanner) {
    PostInvoice("1001", {Row("", "", "Consulting", "", "9.00")}, "9.00");
    ChangeCompany([](CompanyRec& c) { c.set(Company::PrintDuplicate, true); });
    Send("1001");
    shell.context().clock.setToday(Date{2024, 3, 20});
    Output("1001", true);
    const auto received = server.messages();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_FALSE(BodyLines(received[0]).contains("** DUPLICATE INVOICE **"));
    EXPECT_TRUE(BodyLines(received[1]).contains("** DUPLICATE INVOICE **"));
    EXPECT_EQ(HeadersOf("1001")[0].get(Invoice::InvEmailedDate), "03/15/2024");
}

TEST_F(InvoiceEmailTest, CustomersWithoutAUsableAddressGoToTheCompanyOnlyWhenAsked) {
    PostInvoice("1001", {Row("", "", "Consulting", "", "9.00")}, "9.00");
    SetCustomerEmail("C1", "");
    Send("1001");
    EXPECT_TRUE(server.messages().empty());
    EXPECT_EQ(HeadersOf("1001")[0].get(Invoice::InvPrinted), "");

    ChangeCompany([](CompanyRec& c) { c.set(Company::EmailIncludeWithoutAddress, "Y"); });
    Output("1001", true);
    SetCustomerEmail("C1", "ann smith@acme.test");
    Output("1001", true);
    const auto received = server.messages();
    ASSERT_EQ(received.size(), 2u);
    for (const QJsonObject& m : received) {
        EXPECT_EQ(Recipients(m), QStringList{"office@harbour.test"});
        EXPECT_EQ(m["subject"].toString(), BadCustomerAddressSubject);
    }
}

TEST_F(InvoiceEmailTest, ARefusedRecipientRaisesTheServersReplyAndMarksNothing) {
    SmtpServer refusing({"--reject-rcpt", "acme"});
    UseServer(refusing.server());
    PostInvoice("1001", {Row("", "", "Consulting", "", "9.00")}, "9.00");
    ASSERT_TRUE(CheckEmailSetup());
    EXPECT_THROW(Output("1001", true), EServerError);
    EXPECT_EQ(HeadersOf("1001")[0].get(Invoice::InvPrinted), "");
    EXPECT_EQ(HeadersOf("1001")[0].get(Invoice::InvEmailedDate), "");
}

TEST_F(InvoiceEmailTest, TheSetUpCheckSaysWhatIsMissingAndConnectsOtherwise) {
    ChangeCompany([](CompanyRec& c) { c.set(Company::EmailAddress, "x"); });
    host->Answer(MsgResult::Ok, {}, "E-Mail Mode");
    EXPECT_FALSE(CheckEmailSetup());
    EXPECT_TRUE(host->LastMessage()->text.contains("e-mail address is not set up"));

    ChangeCompany([](CompanyRec& c) { c.set(Company::EmailAddress, "office <x>"); });
    host->Answer(MsgResult::Ok, {}, "E-Mail Mode");
    EXPECT_FALSE(CheckEmailSetup());
    EXPECT_TRUE(host->LastMessage()->text.contains("cannot be used"));

    ChangeCompany([](CompanyRec& c) {
        c.set(Company::EmailAddress, "office@harbour.test");
        c.set(Company::SmtpHost, " ");
    });
    host->Answer(MsgResult::Ok, {}, "E-Mail Mode");
    EXPECT_FALSE(CheckEmailSetup());
    EXPECT_TRUE(host->LastMessage()->text.contains("SMTP host"));

    const QString closedServer = QString("127.0.0.1:%1").arg(ClosedPort());
    UseServer(closedServer);
    host->Answer(MsgResult::Ok, {}, "E-Mail Mode");
    EXPECT_FALSE(CheckEmailSetup());
    EXPECT_FALSE(Mail().msSMTP1.Connected());
    // The user learns which server and what failed, not just that mail is off.
    const QString notOnline = host->LastMessage()->text;
    EXPECT_TRUE(notOnline.startsWith("Not Online. ")) << notOnline.toStdString();
    EXPECT_TRUE(notOnline.contains(closedServer))
        << notOnline.toStdString();
    EXPECT_TRUE(notOnline.contains("refused", Qt::CaseInsensitive)) << notOnline.toStdString();

    document.state().OutputMode = "FCP";
    UseServer(server.server());
    EXPECT_TRUE(CheckEmailSetup());
    EXPECT_TRUE(Mail().msSMTP1.Connected());
    EXPECT_EQ(document.state().OutputMode, "INV");
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible() && w->windowTitle() == "E-Mail Mode");
}

TEST(EMailCheckWindow, SaysWhatItIsDoing) {
    TEMailCheck window;
    EXPECT_EQ(window.windowTitle(), "E-Mail Mode");
    EXPECT_EQ(window.Label1->text(), "Checking E-Mail Server...");
}

class InvoiceEmailTextTest : public OutputEnv {};

TEST_F(InvoiceEmailTextTest, RulesOrBlanksAndAMemoInvoicesLines) {
    InvoiceEntry e = Entry({}, "-5.00");
    e.memo = true;
    e.memoLines = {"Credit for damaged goods", "", "Returned: 2"};
    Post(e);
    Load("1001");
    CompanyRec company = Shell().companies.CurrentCompany;
    std::vector<std::string> lines = InvoiceEmailLines(document.state(), company);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "CREDIT");
    EXPECT_EQ(lines[1], " ");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(82, '-')), 0);
    const auto memo =
        std::find(lines.begin(), lines.end(), PadRightWith("Credit for damaged goods", ' ', 74));
    ASSERT_NE(memo, lines.end());
    EXPECT_EQ(*(memo + 1), "");
    EXPECT_EQ(*(memo + 2), PadRightWith("Returned: 2", ' ', 74));
    EXPECT_EQ(*(memo + 3), " ");

    company.set(Company::EmailRules, "Y");
    lines = InvoiceEmailLines(document.state(), company);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(82, '-')), 5);
}

}  // namespace
