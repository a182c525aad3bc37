#pragma once
// The servers the mail tests talk to, all on 127.0.0.1: the real SMTP server (a Python
// process running aiosmtpd) and a scripted peer for servers that misbehave.

#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTcpServer>
#include <ostream>
#include <vector>

#include "tests/support/qt_print.h"
#include "tests/support/temp_dir.h"

class SmtpServer {
public:
    // options: "--reject-rcpt" TEXT refuses recipients containing TEXT; "--no-ehlo".
    explicit SmtpServer(const QStringList& options = {});
    ~SmtpServer();
    SmtpServer(const SmtpServer&) = delete;
    SmtpServer& operator=(const SmtpServer&) = delete;

    quint16 port() const { return port_; }
    // "127.0.0.1:port", as the company's mail host setting holds it.
    QString server() const;
    // The messages accepted so far, in order.
    std::vector<QJsonObject> messages() const;
    // EHLO/HELO/RSET/QUIT as the server saw them.
    QStringList sessionLog() const;
    void stop();

private:
    testsupport::TempDir folder_;
    QProcess process_;
    quint16 port_ = 0;
};

// Accepts connections on loopback and sends each one `greeting` (nothing when empty),
// then reads and ignores everything.
class ScriptedPeer {
public:
    explicit ScriptedPeer(const QByteArray& greeting = {});
    QString server() const;

private:
    QTcpServer listener_;
    QByteArray greeting_;
};

// A loopback port that nobody listens on.
quint16 ClosedPort();

// The received message's raw content split into its lines (without CR LF).
QList<QByteArray> RawLines(const QJsonObject& message);

// The body as a mail reader decodes it, one entry a line.
QStringList BodyLines(const QJsonObject& message);
// The envelope's recipients.
QStringList Recipients(const QJsonObject& message);
