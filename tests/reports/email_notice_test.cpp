// The e-mail notice: its checks, who gets what, and whole sends from the window to a real
// SMTP server on loopback over real customer and vendor files.
#include <QCoreApplication>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QThread>

#include "mail/mail_state.h"
#include "platform/help.h"
#include "platform/status_window.h"
#include "reports/notice/email_notice.h"
#include "tests/mail/smtp_server.h"
#include "tests/reports/label_print_fixture.h"

namespace {

// Who each received message went to and under which subject, in order.
QStringList Deliveries(const SmtpServer& server) {
    QStringList result;
    for (const QJsonObject& m : server.messages()) {
        QStringList to;
        for (const QJsonValue& address : m["rcpt_tos"].toArray()) to.append(address.toString());
        result.append(to.join(",") + " | " + m["subject"].toString());
    }
    return result;
}

const QString kCompanyAddress = "office@harbour.test";

// --- the checks and the plan, without a window -------------------------------------------

TEST(EMNoticeCheck, RefusesInOrderAndNamesTheField) {
    const NoticeForm good{" sales@harbour.test ", "Price list", "Prices rise in May."};
    EXPECT_FALSE(CheckNoticeForm(good, 1));

    struct Case {
        NoticeForm form;
        std::size_t rows;
        QString caption;
        NoticeField field;
    };
    const std::vector<Case> cases{
        {{"", "  ", ""}, 0, "E-Mail Subject", NoticeField::Subject},
        {{"  ", "Price list", ""}, 0, "E-Mail Address", NoticeField::ReturnAddress},
        {{"sales.harbour.test", "Price list", ""},
         0,
         "Return E-Mail Address",
         NoticeField::ReturnAddress},
        {{"sales desk@harbour.test", "Price list", "Hi"},
         1,
         "Return E-Mail Address",
         NoticeField::ReturnAddress},
        {{"sales@harbour.test", "Price list", " \n\n  "}, 1, "Message Text", NoticeField::Body},
        {good, 0, "Print Queue", NoticeField::None},
    };
    for (const Case& c : cases) {
        const auto refusal = CheckNoticeForm(c.form, c.rows);
        ASSERT_TRUE(refusal) << c.caption.toStdString();
        EXPECT_EQ(refusal->caption, c.caption);
        EXPECT_EQ(refusal->field, c.field) << c.caption.toStdString();
    }
    EXPECT_EQ(CheckNoticeForm(cases[2].form, 0)->text,
              "The return e-mail address does not have the @ sign included. Bad e-mail address.");
    EXPECT_EQ(CheckNoticeForm(cases[2].form, 0)->icon, MsgIcon::Warning);
}

template <class Fields, class Rec>
Rec PartyWith(const std::string& name, const std::string& email) {
    Rec party;
    party.set(Fields::Name, name);
    party.set(Fields::Email, email);
    return party;
}

TEST(EMNoticePlan, BlankAndBadAddressesFollowTheCompanySetting) {
    using Action = NoticeMail::Action;
    NoticeSettings settings{"Price list", kCompanyAddress, false};
    const auto customer = [&settings](const std::string& email) {
        return PlanNotice(PartyWith<Customer, CustomerRec>(" Acme Tools ", email), settings);
    };

    const NoticeMail good = customer("  ann@acme.test ");
    EXPECT_EQ(good.action, Action::Send);
    EXPECT_EQ(good.recipient, "ann@acme.test");
    EXPECT_EQ(good.subject, "Price list");
    EXPECT_EQ(customer("   ").action, Action::Empty);
    // Addresses the transport would refuse are reported, not sent to.
    for (const std::string bad :
         {"x", "ann.acme.test", "ann @acme.test", "ann@acme.test;bob@b.test"}) {
        const NoticeMail mail = customer(bad);
        EXPECT_EQ(mail.action, Action::Send) << bad;
        EXPECT_EQ(mail.recipient, kCompanyAddress) << bad;
        EXPECT_EQ(mail.subject, "BAD CUSTOMER E-MAIL FOR: Acme Tools") << bad;
    }

    settings.includeWithoutAddress = true;
    EXPECT_EQ(customer("").recipient, kCompanyAddress);
    const NoticeMail vendor = PlanNotice(PartyWith<Vendor, VendorRec>("Bolt Supply", ""), settings);
    EXPECT_EQ(vendor.subject, "BAD VENDOR E-MAIL FOR: Bolt Supply");
    EXPECT_EQ(PlanNotice(ProductRec(), settings).action, Action::Nothing);
    EXPECT_EQ(PlanNotice(QueueRecord(), settings).action, Action::Nothing);
}

TEST(EMNoticeSend, LostConnectionEndsTheRunWithTheCountSoFar) {
    MailStateScope mail;
    SmtpServer server;
    TmsSMTP& smtp = Mail().msSMTP1;
    smtp.SetServer(server.server());
    smtp.Connect();
    const std::vector<QueueRecord> records{
        PartyWith<Customer, CustomerRec>("Ann", "ann@acme.test"),
        PartyWith<Customer, CustomerRec>("Bob", "bob@acme.test"),
    };
    const NoticeOutcome outcome = SendNotices(
        records, {"Notice", kCompanyAddress, false}, {"Hello"}, kCompanyAddress, [&](int) {
            server.stop();
            for (int i = 0; i < 500 && smtp.Connected(); ++i) {
                QCoreApplication::processEvents();
                QThread::msleep(5);
            }
        });
    EXPECT_TRUE(outcome.connectionLost);
    EXPECT_EQ(outcome.sent, 1);
    EXPECT_TRUE(outcome.error.isEmpty());
    EXPECT_EQ(Deliveries(server), QStringList{"ann@acme.test | Notice"});
}

// --- the window ---------------------------------------------------------------------------

class EMNoteWindowTest : public LabelPrintTest {
protected:
    EMNoteWindowTest() {
        CompanyRec& company = Shell().companies.CurrentCompany;
        company.set(Company::EmailAddress, kCompanyAddress.toStdString());
        company.set(Company::SmtpHost, server.server().toStdString());
        company.set(Company::EmailIncludeWithoutAddress, "N");
        Create();
        LabelQueueChanged = false;
    }

    template <class Fields, class Rec>
    static void StoreParty(const DataFile& file, Rec& buffer, bool (*add)(int32_t&),
                           const std::string& number, const std::string& name,
                           const std::string& email) {
        Rec party = Party<Fields, Rec>(number, name, {"1 High St"});
        party.set(Fields::Email, email);
        Store(file, buffer, add, party);
    }
    void AddCustomer(const std::string& number, const std::string& name, const std::string& email) {
        StoreParty<Customer>(CustomerData(), Masters().CustomerBuf, AddCustomerRecord, number, name,
                             email);
    }
    void AddVendor(const std::string& number, const std::string& name, const std::string& email) {
        StoreParty<Vendor>(VendorData(), Masters().VendorBuf, AddVendorRecord, number, name, email);
    }
    static void Queue(LabelKind kind, const std::string& caption) {
        AddToLabelQueue(kind, caption, "", "", "");
    }

    // Shows the window from the main window's command and runs the script in it.
    int Show(const std::function<void(TEMMemo&)>& script) {
        int result = Modal::None;
        host->OnModal("EMMemo", [&](Form& form) {
            script(*EMMemo);
            result = form.ModalResult();
        });
        EXPECT_TRUE(RunRegisteredCommand(CommandId::EMailNotice));
        return result;
    }
    static void Type(TEMMemo& w, const QString& subject, const QString& body) {
        FillControl(w, "EMSubject", subject);
        FillControl(w, "EMBody", body);
    }

    SmtpServer server;
    PlatformWindows windows;
    MailStateScope mail;
    EMMemoScope emMemo;
};

TEST_F(EMNoteWindowTest, SendsToEveryQueuedCustomerAndVendorAndReportsTheRest) {
    AddCustomer("C1", "Acme Tools", "ann@acme.test");
    AddCustomer("C2", "Blank Co", "");
    AddCustomer("C3", "Ex Ltd", "x");
    AddVendor("V1", "Bolt Supply", "orders@bolt.test");
    StoreProduct("P1", "Widget", "1.00", "A1");
    for (const auto& [kind, caption] :
         std::vector<std::pair<LabelKind, std::string>>{{LabelKind::Customer, "C1"},
                                                        {LabelKind::Product, "P1"},
                                                        {LabelKind::Customer, "c2"},
                                                        {LabelKind::Customer, "C3"},
                                                        {LabelKind::Vendor, "V1"}})
        Queue(kind, caption);

    const int result = Show([this](TEMMemo& w) {
        EXPECT_EQ(w.Label3->text(), "Records in Queue: 5");
        EXPECT_EQ(w.EMRetAdd->text(), kCompanyAddress);
        FillControl(w, "EMRetAdd", " sales@harbour.test ");
        Type(w, "  Spring prices ", "Dear customer,\n\nPrices change on 1 May.\n");
        host->Answer(MsgResult::Ok, EmptyAddressesText(1), "E-Mail Addresses");
        host->Answer(MsgResult::Ok, "There were 3 e-mail messages sent.", "E-Mail Sent");
        PressButton(w, "OKButton");
    });
    EXPECT_EQ(result, Modal::Ok);
    EXPECT_EQ(Deliveries(server), (QStringList{
                                      "ann@acme.test | Spring prices",
                                      kCompanyAddress + " | BAD CUSTOMER E-MAIL FOR: Ex Ltd",
                                      "orders@bolt.test | Spring prices",
                                  }));
    const QJsonObject first = server.messages().at(0);
    EXPECT_EQ(first["mail_from"].toString(), "sales@harbour.test");
    EXPECT_EQ(first["body"].toString().replace("\r\n", "\n"),
              "Dear customer,\n\nPrices change on 1 May.\n");
    EXPECT_FALSE(LabelQueueChanged);
    EXPECT_EQ(lblwiz->QueueItems().size(), 5u) << "the queue is left as it was";
    EXPECT_FALSE(StatForm->isVisible());
    EXPECT_FALSE(Mail().msSMTP1.Connected());
    EXPECT_EQ(server.sessionLog().size(), 2) << "one session for the whole run";

    // The next showing keeps the message and takes the company's return address again.
    Show([](TEMMemo& w) {
        EXPECT_EQ(w.EMSubject->text(), "  Spring prices ");
        EXPECT_EQ(w.EMRetAdd->text(), kCompanyAddress);
        PressButton(w, "SpeedButton16");
    });
}

TEST_F(EMNoteWindowTest, CompanyCanAskForWarningsAboutBlankAddresses) {
    Shell().companies.CurrentCompany.set(Company::EmailIncludeWithoutAddress, "Y");
    AddCustomer("C2", "Blank Co", " ");
    Queue(LabelKind::Customer, "C2");
    Show([this](TEMMemo& w) {
        Type(w, "Notice", "Closed on Friday.");
        host->Answer(MsgResult::Ok, "There were 1 e-mail messages sent.", "E-Mail Sent");
        PressButton(w, "OKButton");
    });
    EXPECT_EQ(Deliveries(server),
              QStringList{kCompanyAddress + " | BAD CUSTOMER E-MAIL FOR: Blank Co"});
}

TEST_F(EMNoteWindowTest, QueueOfProductsOrRecordsGoneSendsNothingToAnyone) {
    AddCustomer("C1", "Acme Tools", "ann@acme.test");
    AddCustomer("C3", "Carr & Co", "carr@carr.test");
    StoreProduct("P1", "Widget", "1.00", "A1");
    Queue(LabelKind::Product, "P1");
    Queue(LabelKind::Customer, "C2");  // a search for it lands on C3
    LabelQueueChanged = true;
    Show([this](TEMMemo& w) {
        Type(w, "Notice", "Closed on Friday.");
        host->Answer(MsgResult::Ok,
                     "These records of the print queue are no longer on file: customer C2. "
                     "They were not sent your message.");
        host->Answer(MsgResult::Ok, "There were 0 e-mail messages sent.", "E-Mail Sent");
        PressButton(w, "OKButton");
    });
    EXPECT_TRUE(Deliveries(server).isEmpty());
    EXPECT_FALSE(LabelQueueChanged);
}

TEST_F(EMNoteWindowTest, RefusalsKeepTheWindowOpenBeforeAnythingIsOpened) {
    AddCustomer("C1", "Acme Tools", "ann@acme.test");
    Show([this](TEMMemo& w) {
        Type(w, "Notice", "Closed on Friday.");
        FillControl(w, "EMRetAdd", "sales.harbour.test");
        host->Answer(MsgResult::Ok,
                     "The return e-mail address does not have the @ sign included. Bad e-mail "
                     "address.",
                     "Return E-Mail Address");
        PressButton(w, "OKButton");
        EXPECT_EQ(w.ModalResult(), Modal::None);
        EXPECT_EQ(w.focusWidget(), w.EMRetAdd);

        FillControl(w, "EMRetAdd", "sales@harbour.test");
        host->Answer(MsgResult::Ok, {}, "Print Queue");
        PressButton(w, "OKButton");
        EXPECT_EQ(w.ModalResult(), Modal::None);
        EXPECT_EQ(w.EMBody->toPlainText(), "Closed on Friday.");

        // The queue button fills the queue and the count follows.
        host->OnModal("lblwiz", [](Form& queue) {
            Queue(LabelKind::Customer, "C1");
            queue.SetModalResult(Modal::Cancel);
        });
        PressButton(w, "Button1");
        EXPECT_EQ(w.Label3->text(), "Records in Queue: 1");
        PressButton(w, "SpeedButton14");
        PressButton(w, "SpeedButton16");
    });
    EXPECT_TRUE(server.sessionLog().isEmpty()) << "the mail server was never reached";
    EXPECT_EQ(host->HelpKeywords(), QStringList{"EMNote"});
    EXPECT_FALSE(HelpPagePath("EMNote").isEmpty());
}

TEST_F(EMNoteWindowTest, MailSetupFailureSendsNothingAndClosesTheWindow) {
    Queue(LabelKind::Customer, "C1");
    const std::string closedServer = "127.0.0.1:" + std::to_string(ClosedPort());
    Shell().companies.CurrentCompany.set(Company::SmtpHost, closedServer);
    const int result = Show([this, &closedServer](TEMMemo& w) {
        Type(w, "Notice", "Closed on Friday.");
        host->Answer(MsgResult::Ok,
                     QString::fromStdString("Not Online. Mail server " + closedServer +
                                            ": Connection refused."),
                     "E-Mail Mode");
        PressButton(w, "OKButton");
    });
    EXPECT_EQ(result, Modal::Ok);
    EXPECT_FALSE(StatForm->isVisible());
    EXPECT_TRUE(Deliveries(server).isEmpty());
}

TEST_F(EMNoteWindowTest, ServerRefusalEndsTheRunWithItsReplyAndTheCountSent) {
    SmtpServer refusing({"--reject-rcpt", "bob@"});
    Shell().companies.CurrentCompany.set(Company::SmtpHost, refusing.server().toStdString());
    AddCustomer("C1", "Acme Tools", "ann@acme.test");
    AddCustomer("C2", "Bob Ltd", "bob@bob.test");
    AddCustomer("C3", "Carr & Co", "carr@carr.test");
    for (const char* number : {"C1", "C2", "C3"}) Queue(LabelKind::Customer, number);
    LabelQueueChanged = true;
    Show([this](TEMMemo& w) {
        Type(w, "Notice", "Closed on Friday.");
        host->Answer(MsgResult::Ok);
        PressButton(w, "OKButton");
    });
    const QString shown = host->LastMessage()->text;
    EXPECT_TRUE(shown.startsWith("550 ")) << shown.toStdString();
    EXPECT_TRUE(
        shown.endsWith("There were 1 e-mail messages sent. The rest of the print queue "
                       "was not sent your message."))
        << shown.toStdString();
    EXPECT_EQ(Deliveries(refusing), QStringList{"ann@acme.test | Notice"});
    EXPECT_TRUE(LabelQueueChanged) << "the queue was not all used";
    EXPECT_FALSE(StatForm->isVisible());
    EXPECT_FALSE(Mail().msSMTP1.Connected());
}

}  // namespace
