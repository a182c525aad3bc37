// Every way a send can fail ends in the matching error, in bounded time, with the session
// closed or still usable, and never with a message half sent.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "mail/mail_errors.h"
#include "mail/mail_state.h"
#include "platform/application.h"
#include "tests/mail/smtp_server.h"

namespace {

class SmtpFailureTest : public ::testing::Test {
protected:
    MailStateScope scope;
    TmsSMTP& smtp = Mail().msSMTP1;
    TmsMessage& message = Mail().msMessage1;

    void SetUp() override {
        message.Sender.Address = "office@stockmere.test";
        message.Recipients.Add("ann@example.test", "");
        message.Body = QStringList{"hello"};
    }
};

TEST_F(SmtpFailureTest, SilentServerTimesOutWithinTheTimeOut) {
    ScriptedPeer silent;
    smtp.SetServer(silent.server());
    smtp.SetTimeOut(300);
    QElapsedTimer clock;
    clock.start();
    try {
        smtp.Connect();
        FAIL() << "no error";
    } catch (const AppError& e) {  // what the application's error display shows
        EXPECT_NE(dynamic_cast<const ETimedOutError*>(&e), nullptr);
        EXPECT_EQ(e.Text(), "Operation timed out");
    }
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(smtp.Connected());
}

TEST_F(SmtpFailureTest, CancelEndsTheWaitAndClosesTheSession) {
    ScriptedPeer silent;
    smtp.SetServer(silent.server());
    smtp.SetTimeOut(20000);
    QTimer::singleShot(50, [this] { smtp.Cancel(); });
    QElapsedTimer clock;
    clock.start();
    try {
        smtp.Send();
        FAIL() << "no error";
    } catch (const ECanceledError& e) {
        EXPECT_EQ(e.Text(), "Operation has been canceled");
    }
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(smtp.Connected());
}

TEST_F(SmtpFailureTest, RefusedConnectionIsASocketError) {
    smtp.SetServer("127.0.0.1:" + QString::number(ClosedPort()));
    EXPECT_THROW(smtp.Connect(), ESocketError);
    EXPECT_FALSE(smtp.Connected());
    EXPECT_THROW(smtp.Send(), ESocketError);
}

TEST_F(SmtpFailureTest, ServerSettingsThatNameNoHostAndPortAreRefused) {
    for (const QString setting : {"", "   ", "127.0.0.1:", "127.0.0.1:mail", "127.0.0.1:0",
                                  "127.0.0.1:70000", "[::1", "[::1]x", ":25"}) {
        smtp.SetServer(setting);
        EXPECT_THROW(smtp.Connect(), ESocketError) << setting.toStdString();
    }
}

TEST_F(SmtpFailureTest, ServersThatBreakTheProtocolGiveErrorsNotHangs) {
    smtp.SetTimeOut(5000);
    {
        ScriptedPeer refusing("554 5.3.2 Service not available\r\n");
        smtp.SetServer(refusing.server());
        try {
            smtp.Connect();
            FAIL() << "no error";
        } catch (const EServerError& e) {
            EXPECT_EQ(e.Text(), "554 5.3.2 Service not available");
        }
        EXPECT_FALSE(smtp.Connected());
    }
    {
        ScriptedPeer garbage("HTTP/1.1 400 Bad Request\r\n");
        smtp.SetServer(garbage.server());
        EXPECT_THROW(smtp.Connect(), ESocketError);
    }
    {
        ScriptedPeer endless(QByteArray(20000, 'x'));
        smtp.SetServer(endless.server());
        EXPECT_THROW(smtp.Connect(), ESocketError);
    }
    {
        QByteArray manyLines;
        for (int i = 0; i < 200; ++i) manyLines += "220-still greeting\r\n";
        ScriptedPeer chatty(manyLines);
        smtp.SetServer(chatty.server());
        EXPECT_THROW(smtp.Connect(), ESocketError);
    }
    EXPECT_FALSE(smtp.Connected());
}

// A reply's raw bytes never reach the message box: only its printable text, cut short.
TEST_F(SmtpFailureTest, RawBytesOfAReplyAreShownAsPrintableTextCutShort) {
    smtp.SetTimeOut(5000);
    const auto shown = [&](const QByteArray& greeting) {
        ScriptedPeer peer(greeting);
        smtp.SetServer(peer.server());
        try {
            smtp.Connect();
        } catch (const AppError& e) {
            return e.Text();
        }
        return QString("no error");
    };
    const QString refused = shown(QByteArray("554 go\0 aw\x01"
                                             "ay\x1b[0m \xff\xfe",
                                             20) +
                                  QByteArray(2000, 'x') + "\r\n");
    EXPECT_TRUE(refused.startsWith("554 go away[0m xxx")) << refused.toStdString();
    EXPECT_LT(refused.size(), 300);
    EXPECT_TRUE(refused.endsWith("...")) << refused.toStdString();
    const QString invalid =
        shown(QByteArray("\0\0\x07"
                         "hello\r\n",
                         10));
    EXPECT_EQ(invalid, "The mail server sent an invalid reply: hello");
    EXPECT_FALSE(smtp.Connected());
}

TEST_F(SmtpFailureTest, ServerGoingAwayMidSessionIsASocketError) {
    SmtpServer server;
    smtp.SetServer(server.server());
    smtp.SetTimeOut(5000);
    smtp.Connect();
    server.stop();
    EXPECT_THROW(smtp.Send(), ESocketError);
    EXPECT_FALSE(smtp.Connected());
    smtp.Disconnect();  // nothing left to close; no error
}

TEST_F(SmtpFailureTest, UnusableMessagesAreRefusedBeforeConnecting) {
    SmtpServer server;
    smtp.SetServer(server.server());
    const auto refused = [&](const char* what) {
        EXPECT_THROW(smtp.Send(), EMessageError) << what;
        EXPECT_FALSE(smtp.Connected()) << what;
    };

    message.Sender.Address = "";
    refused("no sender");
    message.Sender.Address = "office@stockmere.test";
    message.Recipients.Clear();
    refused("no recipient");

    for (const QString bad :
         {"", "ann smith@example.test", "<ann@example.test>", "ann@example.test>",
          "ann@example.test,bob@example.test", "ann@example.test;bob@example.test",
          "ann@example.test\r\nRCPT TO:<x@y>", "ann@example.test\n", "ann\r@example.test",
          "ann\t@example.test", "m\xc3\xbcller@example.test"}) {
        message.Recipients.Clear();
        message.Recipients.Add("ann@example.test", "");
        message.Recipients.Add(bad, "");
        refused(bad.toUtf8().constData());
    }
    message.Recipients.Clear();
    message.Recipients.Add("ann@example.test", "");
    message.Sender.Address = "office@stockmere.test>";
    refused("sender with >");

    message.Sender.Address = "office@stockmere.test";
    SetUp();
    EXPECT_TRUE(server.sessionLog().isEmpty());
    EXPECT_TRUE(server.messages().empty());
    smtp.Send();  // the same message with usable addresses goes
    EXPECT_EQ(server.messages().size(), 1u);
}

}  // namespace
