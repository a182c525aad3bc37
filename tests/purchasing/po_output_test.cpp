// A purchase order in the document buffer printed and e-mailed against the real order file
// and a real SMTP server on loopback: the marks left on the header records, the message as
// received, vendors without a usable address, and failures that mark nothing.
#include <gtest/gtest.h>

#include <QJsonArray>

#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/po_email.h"
#include "invoicing/documents/po_print.h"
#include "mail/mail_errors.h"
#include "mail/mail_state.h"
#include "platform/cp1252.h"
#include "platform/printer.h"
#include "purchasing/purchasing_services.h"
#include "shell/text.h"
#include "tests/invoicing/po_document.h"
#include "tests/mail/smtp_server.h"
#include "tests/purchasing/purchasing_env.h"

namespace {

using namespace PurchaseOrder;

class POOutputTest : public PurchasingEnv {
protected:
    POOutputTest() {
        OpenNewPOFile();
        CompanyRec& c = Shell().companies.CurrentCompany;
        c.set(Company::Name, "Harbour Supplies");
        c.set(Company::POCaption, "PURCHASE ORDER");
        c.set(Company::POShipToCaption, "Deliver To:");
        c.set(Company::EmailAddress, "office@harbour.test");
        c.set(Company::SmtpHost, ToCp1252(server.server()));
        c.set(Company::TaxHeading, "Tax");
        c.set(Company::ProductCodesOnPOs, true);
        FillPurchaseOrder(document.state());
        shell.context().clock.setToday({2024, 3, 20});
    }

    DocumentRecord& Doc() { return document.state().DocumentRecord; }

    std::vector<PORec> OrdersOf(const std::string& number) {
        PORec probe;
        EXPECT_TRUE(probe.set(PONumber, number));
        std::vector<PORec> found;
        WalkKeyRecords<PORec>(POData(), PONumberKey, BuildPOKey(probe, PONumberKey),
                              KeyText(number, 0), [&](int32_t, const PORec& r) {
                                  found.push_back(r);
                                  return true;
                              });
        return found;
    }

    SmtpServer server;
    MailStateScope mail;
    DocumentStateScope document;
    RecordingCanvas canvas;
    PrinterOverride printer{canvas};
    PurchasingServices services;
};

TEST_F(POOutputTest, PrintingMarksOpenRecordsOfTheNumberOnceAndNoOthers) {
    AddOrder(Order("P100", "V1", "2024/03/15"));
    PORec closed = Order("P100", "V1", "2024/03/15");
    closed.set(POStatus, "C");
    AddOrder(closed);
    AddOrder(Order("P1000", "V1", "2024/03/15"));
    AddOrder(Order("P101", "V1", "2024/03/15"));

    PrintPurchaseOrderDocument();
    const std::vector<PORec> marked = OrdersOf("P100");
    ASSERT_EQ(marked.size(), 2u);
    int printed = 0;
    for (const PORec& r : marked) {
        const bool open = r.get(POStatus) == StatusOpen;
        EXPECT_EQ(r.get(POPrinted), open ? "Y" : "");
        EXPECT_EQ(TrimBlanks(r.get(POEmailedDate)), "");
        printed += open ? 1 : 0;
    }
    EXPECT_EQ(printed, 1);
    for (const char* other : {"P1000", "P101"})
        EXPECT_EQ(OrdersOf(other).at(0).get(POPrinted), "") << other;
    EXPECT_EQ(canvas.Pages(), 1);

    // The empty address shift and shading spacing are filled in memory only.
    EXPECT_EQ(TrimBlanks(Shell().companies.CurrentCompany.get(Company::PushAddress)), "0");
    EXPECT_EQ(TrimBlanks(Shell().companies.CurrentCompany.get(Company::ShadingSpacing)), "8");
}

TEST_F(POOutputTest, AJobThatFailsRaisesAndMarksNothing) {
    AddOrder(Order("P100", "V1", "2024/03/15"));
    canvas.FailNextBegin();
    EXPECT_THROW(PrintPurchaseOrderDocument(), AppError);
    EXPECT_EQ(OrdersOf("P100").at(0).get(POPrinted), "");
}

TEST_F(POOutputTest, TheOrderReachesTheVendorAndIsMarkedSent) {
    AddOrder(Order("P100", "V1", "2024/03/15"));
    EmailPurchaseOrderDocument();
    const auto received = server.messages();
    ASSERT_EQ(received.size(), 1u);
    const QJsonObject& m = received[0];
    EXPECT_EQ(m["mail_from"].toString(), "office@harbour.test");
    EXPECT_EQ(Recipients(m), QStringList{"sales@bolt.test"});
    EXPECT_EQ(m["subject"].toString(), "PURCHASE ORDER - P100");
    const QStringList body = BodyLines(m);
    const std::string line = PadRightWith("B1", ' ', 10) + " " + RightJustify("2", ' ', 10) + " " +
                             PadRightWith("Bolts", ' ', 32) + " " + RightJustify("2.50", ' ', 11) +
                             " N " + RightJustify("5.00", ' ', 12);
    ASSERT_EQ(line.size(), 81u);
    for (const std::string& part :
         {"Harbour Supplies" + RightJustify("PURCHASE ORDER", ' ', 35),
          PadRightWith("Bolt Works", ' ', 38) + "Deliver To:", std::string("PO Number: P100"),
          std::string("Vendor Number: V1"), std::string("Payment Terms: Net 30"),
          std::string("Reference: Spring stock"), line,
          std::string("---------- ---------- -------------------------------- ----------- - "
                      "------------"),
          std::string("Total: 5.00"), std::string("Tax 0.00"), std::string("Grand Total: 5.00"),
          std::string("Date Received: /"), std::string("Date Required: 04/01/2024"),
          std::string("Signed")})
        EXPECT_TRUE(body.contains(QString::fromStdString(part))) << part << "\n"
                                                                 << body.join("\n").toStdString();
    const PORec r = OrdersOf("P100").at(0);
    EXPECT_EQ(r.get(POPrinted), "Y");
    EXPECT_EQ(TrimBlanks(r.get(POEmailedDate)), "03/20/2024");

    // A resend of the printed order leaves the records as they are.
    Doc().PrintedFlag = "Y";
    shell.context().clock.setToday({2024, 4, 2});
    EmailPurchaseOrderDocument();
    EXPECT_EQ(server.messages().size(), 2u);
    EXPECT_EQ(TrimBlanks(OrdersOf("P100").at(0).get(POEmailedDate)), "03/20/2024");
}

TEST_F(POOutputTest, WithoutCodesAndWithMemoTheBodyChangesShape) {
    Shell().companies.CurrentCompany.set(Company::ProductCodesOnPOs, false);
    std::vector<std::string> lines =
        PurchaseOrderEmailLines(document.state(), Shell().companies.CurrentCompany);
    const std::string line = RightJustify("2", ' ', 10) + " " + PadRightWith("Bolts", ' ', 32) +
                             " " + RightJustify("2.50", ' ', 11) + " N " +
                             RightJustify("5.00", ' ', 12);
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "---------- -------------------------------- ----------- - ------------"),
              lines.end());

    Doc().Kind = "M";
    Shell().companies.CurrentCompany.set(Company::POMemoHeader, "Please supply:");
    for (int i = 1; i <= DocumentMemoLines; ++i) document.state().DocumentLines[i] = "";
    document.state().DocumentLines[1] = "Repairs";
    document.state().DocumentLines[4] = "Parts";
    lines = PurchaseOrderEmailLines(document.state(), Shell().companies.CurrentCompany);
    const auto header = std::find(lines.begin(), lines.end(), "Please supply:");
    ASSERT_NE(header, lines.end());
    // The memo lines up to the last one written, blanks between kept.
    const std::vector<std::string> memo(header, header + 6);
    EXPECT_EQ(memo, (std::vector<std::string>{"Please supply:", " ", "Repairs", "", "", "Parts"}));
    EXPECT_EQ(*(header + 6), " ");  // the blank standing for the rule
}

TEST_F(POOutputTest, AVendorWithoutAUsableAddress) {
    AddOrder(Order("P100", "V1", "2024/03/15"));
    Doc().EMailAddress = "";
    EmailPurchaseOrderDocument();
    EXPECT_TRUE(server.messages().empty());
    EXPECT_EQ(OrdersOf("P100").at(0).get(POPrinted), "");

    // With the company's setting the order comes to the company's own address instead.
    Shell().companies.CurrentCompany.set(Company::EmailIncludeWithoutAddress, "Y");
    for (const char* address : {"", "bad address@bolt.test"}) {
        Doc().EMailAddress = address;
        EmailPurchaseOrderDocument();
        const QJsonObject m = server.messages().back();
        EXPECT_EQ(m["subject"].toString(), "BAD VENDOR E-MAIL ADDRESS") << address;
        EXPECT_EQ(Recipients(m), QStringList{"office@harbour.test"}) << address;
    }
    EXPECT_EQ(OrdersOf("P100").at(0).get(POPrinted), "Y");
}

TEST_F(POOutputTest, AFailedExchangeRaisesAndMarksNothing) {
    AddOrder(Order("P100", "V1", "2024/03/15"));
    server.stop();
    EXPECT_THROW(EmailPurchaseOrderDocument(), EMailError);
    const PORec r = OrdersOf("P100").at(0);
    EXPECT_EQ(r.get(POPrinted), "");
    EXPECT_EQ(TrimBlanks(r.get(POEmailedDate)), "");
}

}  // namespace
