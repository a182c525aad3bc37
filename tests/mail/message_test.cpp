// The message model's limits and the header coders, where the received message alone
// cannot show the fault.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

#include "mail/mime.h"
#include "mail/msmsg.h"
#include "platform/scope_guard.h"
#include "tests/mail/smtp_server.h"

TEST(MessageTest, AddressesNamesAndSubjectsAreCutTo255) {
    TmsMessage message;
    message.Recipients.Add(QString(300, 'a'), QString(256, 'n'));
    message.Recipients.Add("b@example.test");
    ASSERT_EQ(message.Recipients.Count(), 2);
    EXPECT_EQ(message.Recipients.Items(0).Address.size(), 255);
    EXPECT_EQ(message.Recipients.Items(0).Name.size(), 255);
    EXPECT_EQ(message.Recipients.Items(1).Name, "");
    message.Recipients.Clear();
    EXPECT_EQ(message.Recipients.Count(), 0);

    // Line ends go before the cut, so they do not use up the 255 characters.
    message.SetSubject(QString(100, 's') + "\r\n" + QString(200, 't'));
    EXPECT_EQ(message.Subject(), QString(100, 's') + QString(155, 't'));
}

TEST(MessageTest, DateIsWrittenInEnglishWithTheZoneOffset) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const ScopeExit restore([&] { QLocale::setDefault(before); });

    const QDate day(2024, 5, 14);
    EXPECT_EQ(MailDate(QDateTime(day, QTime(9, 5), Qt::OffsetFromUTC, 7200)),
              "Tue, 14 May 2024 09:05:00 +0200");
    EXPECT_EQ(MailDate(QDateTime(day, QTime(23, 59, 7), Qt::OffsetFromUTC, -12600)),
              "Tue, 14 May 2024 23:59:07 -0330");
}

TEST(MessageTest, MessageIdFallsBackToLocalhostForOddDomains) {
    EXPECT_TRUE(NewMessageId("example.test").endsWith("@example.test>"));
    EXPECT_TRUE(NewMessageId("").endsWith("@localhost>"));
    EXPECT_TRUE(NewMessageId("[127.0.0.1]").endsWith("@localhost>"));
    EXPECT_NE(NewMessageId("example.test"), NewMessageId("example.test"));
}

TEST(MessageTest, ControlCharactersInDisplayNamesNeverReachTheHeader) {
    // Whoever fills the names, CR LF must not end the From or To field and start another.
    TmsMessage message;
    message.Sender = {"shop@example.test", "Shop\r\nBcc: victim@example.test"};
    message.Recipients.Add("a@example.test", "Ann\r\nX-Injected: 1\t\x01");
    message.Recipients.Add("b@example.test", "\r\n");
    message.SetSubject("Hello");
    message.Body << "Body";
    const QByteArray text = message.Encoded();
    const QByteArray head = text.left(text.indexOf("\r\n\r\n"));
    for (const QByteArray& line : head.split('\n')) {
        EXPECT_FALSE(line.startsWith("Bcc:")) << line.toStdString();
        EXPECT_FALSE(line.startsWith("X-Injected:")) << line.toStdString();
    }
    EXPECT_TRUE(head.contains("From: \"ShopBcc: victim@example.test\" <shop@example.test>"))
        << head.toStdString();
    EXPECT_TRUE(head.contains("To: \"AnnX-Injected: 1\" <a@example.test>,")) << head.toStdString();
    EXPECT_TRUE(head.contains(" b@example.test")) << "a name of controls alone is no name";
}
