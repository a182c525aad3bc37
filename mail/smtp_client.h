#pragma once
// TmsSMTP, the SMTP client (unit mssmtp).
// The SMTP client: one session to the company's mail host, through which every sender
// sends the one message object.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <initializer_list>

#include "mail/mail_socket.h"

class TmsMessage;

// A mail session over a socket: the host, and the log-in and log-out of its protocol.
class TmsMailBase : public TagSocket {
public:
    // The host name, optionally followed by ":" and a port ("[v6 address]:port" for IPv6).
    const QString& Server() const { return server_; }
    void SetServer(const QString& server) { server_ = server; }
    // The port used when Server names none.
    quint16 Port() const { return port_; }
    void SetPort(quint16 port) { port_ = port; }

    // When not connected: connects and logs in. Raises on failure, leaving it closed.
    void Connect();
    // When connected: logs out and closes. The closing always happens; a server that does
    // not answer the log-out is no reason to report a failure after the mail went out.
    void Disconnect();

protected:
    explicit TmsMailBase(quint16 defaultPort) : port_(defaultPort) {}
    virtual void LogIn() = 0;
    virtual void LogOut() = 0;

private:
    QString server_;
    quint16 port_;
};

class TmsSMTP : public TmsMailBase {
public:
    static constexpr quint16 DefaultPort = 25;

    TmsSMTP() : TmsMailBase(DefaultPort) {}

    TmsMessage* MailMessage() const { return message_; }
    void SetMailMessage(TmsMessage* message) { message_ = message; }

    // Sends MailMessage to each of its recipients, connecting first when needed; the
    // session stays open for the next message. The message is checked before anything is
    // sent (EMessageError); a reply of the wrong class raises EServerError with the reply.
    void Send();

protected:
    void LogIn() override;
    void LogOut() override;

private:
    struct Reply {
        int code = 0;
        QStringList lines;
        QString Text() const { return lines.join('\n'); }
    };

    Reply ReadReply();
    Reply Command(const QByteArray& command);
    // Sends the command; EServerError unless the reply's code is one of `accepted`.
    Reply Expect(const QByteArray& command, std::initializer_list<int> accepted);
    void RequireCode(const Reply& reply, std::initializer_list<int> accepted);
    QByteArray HelloName() const;
    // After a refused step: RSET, so that the session can carry the next message.
    void Reset();

    TmsMessage* message_ = nullptr;
};
