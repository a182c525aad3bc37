#include "mail/smtp_client.h"

#include <QHostInfo>
#include <QRegularExpression>
#include <algorithm>

#include "mail/mail_errors.h"
#include "mail/mail_message.h"

namespace {

// A reply longer than this is not SMTP; reading stops rather than waiting on it forever.
constexpr int MaxReplyLines = 100;

// What of a reply the user is shown, at most: a few lines' worth.
constexpr qsizetype MaxShownReply = 240;

// A server's reply as an error message shows it: its printable characters (line breaks
// kept), cut to a readable length. A server may send any bytes, NULs and escapes included.
QString ShownReply(const QString& reply) {
    QString shown;
    for (const QChar c : reply) {
        if (shown.size() == MaxShownReply) return shown + "...";
        if ((c.unicode() >= 0x20 && c.unicode() < 0x7f) || c == u'\n') shown += c;
    }
    return shown;
}

struct HostPort {
    QString host;
    quint16 port;
};

HostPort ParseServer(const QString& server, quint16 defaultPort) {
    const QString text = server.trimmed();
    if (text.isEmpty()) throw ESocketError("No mail server is set.");
    const auto invalid = [&text] {
        return ESocketError(QString("The mail server \"%1\" is not a host name with an optional "
                                    "port number.")
                                .arg(text));
    };
    HostPort result{text, defaultPort};
    QString portText;
    if (text.startsWith('[')) {
        const qsizetype end = text.indexOf(']');
        if (end < 0) throw invalid();
        result.host = text.mid(1, end - 1);
        const QString rest = text.mid(end + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(':')) throw invalid();
            portText = rest.mid(1);
        }
    } else if (text.count(':') == 1) {
        // More than one colon is an IPv6 address written without brackets.
        result.host = text.section(':', 0, 0);
        portText = text.section(':', 1);
    }
    if (!portText.isNull()) {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port == 0 || port > 65535) throw invalid();
        result.port = static_cast<quint16>(port);
    }
    if (result.host.isEmpty()) throw invalid();
    return result;
}

// Lines that start with "." get a second one, so that none reads as the end of the data.
QByteArray DotStuffed(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size() + text.size() / 64 + 2);
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && c == '.') out += '.';
        out += c;
        lineStart = c == '\n';
    }
    if (!out.endsWith("\r\n")) out += "\r\n";
    return out;
}

}  // namespace

void TmsMailBase::Connect() {
    if (Connected()) return;
    const HostPort target = ParseServer(server_, port_);
    Open(target.host, target.port);
    try {
        LogIn();
    } catch (...) {
        Close();
        throw;
    }
}

void TmsMailBase::Disconnect() {
    if (Connected()) {
        try {
            LogOut();
        } catch (const EMailError&) {
        }
    }
    Close();
}

void TmsSMTP::LogIn() {
    RequireCode(ReadReply(), {220});
    const QByteArray name = HelloName();
    const Reply ehlo = Command("EHLO " + name);
    if (ehlo.code == 250) return;
    // A server that does not know EHLO says so with a 5xx reply; it still knows HELO.
    if (ehlo.code / 100 != 5) RequireCode(ehlo, {250});
    Expect("HELO " + name, {250});
}

void TmsSMTP::LogOut() {
    Expect("QUIT", {221});
}

void TmsSMTP::Send() {
    if (!message_) throw EMessageError("There is no message to send.");
    message_->CheckSendable();
    const QByteArray data = DotStuffed(message_->Encoded());
    Connect();
    try {
        Expect("MAIL FROM:<" + message_->Sender.Address.toLatin1() + ">", {250});
        for (const TmsMailAddress& recipient : message_->Recipients)
            Expect("RCPT TO:<" + recipient.Address.toLatin1() + ">", {250, 251});
        Expect("DATA", {354});
        WriteBytes(data + ".\r\n");
        RequireCode(ReadReply(), {250});
    } catch (const EServerError&) {
        Reset();
        throw;
    }
}

void TmsSMTP::Reset() {
    try {
        if (Connected() && Command("RSET").code != 250) Close();
    } catch (const EMailError&) {
        Close();
    }
}

TmsSMTP::Reply TmsSMTP::ReadReply() {
    Reply reply;
    for (int i = 0; i < MaxReplyLines; ++i) {
        const QByteArray line = ReadLine();
        const QByteArray code = line.left(3);
        const bool wellFormed =
            code.size() == 3 &&
            std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
            (line.size() == 3 || line[3] == ' ' || line[3] == '-');
        if (!wellFormed) {
            Close();
            throw ESocketError("The mail server sent an invalid reply: " +
                               ShownReply(QString::fromLatin1(line)));
        }
        reply.code = code.toInt();
        reply.lines.append(QString::fromLatin1(line));
        if (line.size() == 3 || line[3] == ' ') return reply;
    }
    Close();
    throw ESocketError("The mail server sent a reply of too many lines.");
}

TmsSMTP::Reply TmsSMTP::Command(const QByteArray& command) {
    WriteBytes(command + "\r\n");
    return ReadReply();
}

TmsSMTP::Reply TmsSMTP::Expect(const QByteArray& command, std::initializer_list<int> accepted) {
    Reply reply = Command(command);
    RequireCode(reply, accepted);
    return reply;
}

void TmsSMTP::RequireCode(const Reply& reply, std::initializer_list<int> accepted) {
    if (std::find(accepted.begin(), accepted.end(), reply.code) == accepted.end())
        throw EServerError(reply.code, ShownReply(reply.Text()));
}

QByteArray TmsSMTP::HelloName() const {
    static const QRegularExpression domain(
        "^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*$");
    const QString host = QHostInfo::localHostName();
    if (domain.match(host).hasMatch()) return host.toLatin1();
    // Without a usable name the host introduces itself by its address.
    const QHostAddress address = LocalAddress();
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return "[IPv6:" + address.toString().toLatin1() + "]";
    return "[" + address.toString().toLatin1() + "]";
}
