// Messages sent to a real SMTP server on loopback, checked as the server received them.

#include <gtest/gtest.h>

#include <QJsonArray>

#include "mail/mail_errors.h"
#include "mail/mail_state.h"
#include "platform/cp1252.h"
#include "tests/mail/smtp_server.h"

namespace {

QStringList Strings(const QJsonValue& array) {
    QStringList result;
    for (const QJsonValue& v : array.toArray()) result.append(v.toString());
    return result;
}

class SmtpSendTest : public ::testing::Test {
protected:
    MailStateScope scope;
    TmsSMTP& smtp = Mail().msSMTP1;
    TmsMessage& message = Mail().msMessage1;

    void Address(const QString& sender, const QStringList& recipients) {
        message.Sender.Address = sender;
        message.Recipients.Clear();
        for (const QString& r : recipients) message.Recipients.Add(r, "");
    }
};

TEST_F(SmtpSendTest, DeliversEnvelopeHeadersAndBodyToEveryRecipient) {
    SmtpServer server;
    smtp.SetServer(server.server());
    Address("office@stockmere.test", {"ann@example.test", "bob@example.test"});
    message.Recipients.Add("cy@example.test", "Cy O'Neil, Jr.");
    message.SetSubject("Invoice - 1001");
    message.Body = QStringList{"Date: 2024/05/14", "", "Total:   1,250.00", "\tindented"};

    smtp.Connect();
    ASSERT_TRUE(smtp.Connected());
    smtp.Send();
    message.SetSubject("Invoice - 1002");
    smtp.Send();  // the session carries the next message
    EXPECT_TRUE(smtp.Connected());
    smtp.Disconnect();
    EXPECT_FALSE(smtp.Connected());

    const auto received = server.messages();
    ASSERT_EQ(received.size(), 2u);
    const QJsonObject& first = received[0];
    EXPECT_EQ(first["mail_from"].toString(), "office@stockmere.test");
    EXPECT_EQ(Strings(first["rcpt_tos"]),
              (QStringList{"ann@example.test", "bob@example.test", "cy@example.test"}));
    EXPECT_EQ(first["from"].toString(), "office@stockmere.test");
    EXPECT_EQ(first["to"].toString(),
              "ann@example.test, bob@example.test, \"Cy O'Neil, Jr.\" <cy@example.test>");
    EXPECT_EQ(first["subject"].toString(), "Invoice - 1001");
    EXPECT_EQ(received[1]["subject"].toString(), "Invoice - 1002");
    EXPECT_FALSE(first["date"].toString().isEmpty());
    EXPECT_TRUE(first["message_id"].toString().endsWith("@stockmere.test>"));
    EXPECT_NE(first["message_id"], received[1]["message_id"]);
    EXPECT_EQ(first["content_type"].toString(), "text/plain");
    EXPECT_EQ(BodyLines(first), message.Body);
    EXPECT_TRUE(first["defects"].toArray().isEmpty()) << first["defects"].toArray().size();

    const QStringList log = server.sessionLog();
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].startsWith("EHLO "));
    EXPECT_EQ(log[1], "QUIT");
}

TEST_F(SmtpSendTest, SendConnectsWhenNeededAndUsesThePortSetApart) {
    SmtpServer server;
    smtp.SetServer("127.0.0.1");
    smtp.SetPort(server.port());
    Address("office@stockmere.test", {"ann@example.test"});
    message.Body = QStringList{"hello"};
    smtp.Send();
    EXPECT_TRUE(smtp.Connected());
    EXPECT_EQ(server.messages().size(), 1u);
}

TEST_F(SmtpSendTest, LinesStartingWithADotArriveAsWritten) {
    SmtpServer server;
    smtp.SetServer(server.server());
    Address("office@stockmere.test", {"ann@example.test"});
    message.Body = QStringList{".", "..", ".leading", "middle . dot", "", "last", "."};
    // A line break inside one line must not end the data early and let the rest be read
    // as commands.
    message.Body.append("before\r\n.\r\nMAIL FROM:<evil@example.test>\n.\rafter");

    smtp.Send();

    const auto received = server.messages();
    ASSERT_EQ(received.size(), 1u);
    QStringList expected = QStringList{".", "..", ".leading", "middle . dot", "", "last", "."};
    expected += QStringList{"before", ".", "MAIL FROM:<evil@example.test>", ".", "after"};
    EXPECT_EQ(BodyLines(received[0]), expected);
}

TEST_F(SmtpSendTest, TextBeyondAsciiRoundTrips) {
    SmtpServer server;
    smtp.SetServer(server.server());
    Address("office@stockmere.test", {"zoe@example.test"});
    message.Recipients.Clear();
    message.Recipients.Add("zoe@example.test", FromCp1252("Zo\xeb \xdcnal"));
    // Record text is Windows-1252: euro sign, en dash, umlauts.
    const QString subject = FromCp1252(
        "M\xfcller \x96 Stra\xdf"
        "e 5 \x80");
    message.SetSubject(subject);
    const QString longLine = QString(FromCp1252("\xe9t\xe9 = \x80 ")).repeated(40);
    message.Body = QStringList{FromCp1252("Gr\xf6\xdf"
                                          "e: 5 \x80"),
                               "trailing blanks   ", longLine, "plain",
                               QString::fromUtf8("\xe2\x9c\x93 \xf0\x9f\x93\xa6")};

    smtp.Send();

    const auto received = server.messages();
    ASSERT_EQ(received.size(), 1u);
    const QJsonObject& m = received[0];
    EXPECT_EQ(m["subject"].toString(), subject);
    EXPECT_EQ(m["to"].toString(), FromCp1252("Zo\xeb \xdcnal <zoe@example.test>"));
    EXPECT_EQ(BodyLines(m), message.Body);
    EXPECT_TRUE(m["defects"].toArray().isEmpty());
    // What travelled is 7-bit text in lines that every server takes.
    for (const QByteArray& line : RawLines(m)) {
        EXPECT_LE(line.size(), 78) << line.constData();
        for (const char c : line) ASSERT_GE(c, 0) << line.constData();
    }
}

TEST_F(SmtpSendTest, SubjectsStayOneLineAndRoundTripWhenLong) {
    SmtpServer server;
    smtp.SetServer(server.server());
    Address("office@stockmere.test", {"ann@example.test"});
    message.Body = QStringList{"x"};

    message.SetSubject("Hello\r\nBcc: victim@example.test");
    smtp.Send();
    const QString longAscii = QString("Statement  for account 4711 ").repeated(10).left(255);
    message.SetSubject(longAscii);
    smtp.Send();
    const QString longAccented = QString(FromCp1252("\xc4rger \x80 ")).repeated(40);
    message.SetSubject(longAccented);
    smtp.Send();
    message.SetSubject("Looks =?UTF-8?B?encoded?= but is not");
    smtp.Send();

    const auto received = server.messages();
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[0]["subject"].toString(), "HelloBcc: victim@example.test");
    EXPECT_EQ(Strings(received[0]["rcpt_tos"]), QStringList{"ann@example.test"});
    EXPECT_EQ(received[1]["subject"].toString(), longAscii);
    EXPECT_EQ(received[2]["subject"].toString(), longAccented.left(255));
    EXPECT_EQ(received[3]["subject"].toString(), "Looks =?UTF-8?B?encoded?= but is not");
    for (const QJsonObject& m : received) {
        EXPECT_TRUE(m["defects"].toArray().isEmpty());
        for (const QByteArray& line : RawLines(m)) EXPECT_LE(line.size(), 78) << line.data();
    }
}

TEST_F(SmtpSendTest, ServerWithoutEhloIsGreetedWithHelo) {
    SmtpServer server({"--no-ehlo"});
    smtp.SetServer(server.server());
    Address("office@stockmere.test", {"ann@example.test"});
    message.Body = QStringList{"hello"};
    smtp.Send();
    ASSERT_EQ(server.messages().size(), 1u);
    const QStringList log = server.sessionLog();
    ASSERT_GE(log.size(), 2);
    EXPECT_TRUE(log[0].startsWith("EHLO "));
    EXPECT_TRUE(log[1].startsWith("HELO "));
}

TEST_F(SmtpSendTest, RefusedRecipientRaisesTheReplyAndTheSessionGoesOn) {
    SmtpServer server({"--reject-rcpt", "nobody"});
    smtp.SetServer(server.server());
    Address("office@stockmere.test", {"ann@example.test", "nobody@example.test"});
    message.Body = QStringList{"hello"};
    try {
        smtp.Send();
        FAIL() << "no error";
    } catch (const EServerError& e) {
        EXPECT_EQ(e.ReplyCode(), 550);
        EXPECT_EQ(e.Text(), "550 5.1.1 <nobody@example.test>: Recipient address rejected");
    }
    EXPECT_TRUE(server.messages().empty());

    // The refused transaction is reset, so the next message goes through the same session.
    Address("office@stockmere.test", {"ann@example.test"});
    smtp.Send();
    const auto received = server.messages();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(Strings(received[0]["rcpt_tos"]), QStringList{"ann@example.test"});
    EXPECT_TRUE(server.sessionLog().contains("RSET"));
}

}  // namespace
