#include "mail/mail_message.h"

#include <QRegularExpression>
#include <algorithm>

#include "mail/mail_errors.h"
#include "mail/mime.h"

void TmsAddressList::Add(const QString& address, const QString& name) {
    items_.push_back({address.left(MaxLength), name.left(MaxLength)});
}

void TmsCustomMessage::SetSubject(const QString& subject) {
    QString oneLine = subject;
    oneLine.remove('\r').remove('\n');
    subject_ = oneLine.left(MaxSubject);
}

bool IsUsableAddress(const QString& address) {
    static const QString refused = " <>,;";
    return !address.isEmpty() && std::all_of(address.begin(), address.end(), [](QChar ch) {
        return ch.unicode() > 0x20 && ch.unicode() < 0x7f && !refused.contains(ch);
    });
}

namespace {

void CheckAddress(const QString& address) {
    if (IsUsableAddress(address)) return;
    // Shown in a message box: line breaks in it would garble the message.
    QString shown = address;
    shown.replace(QRegularExpression("[\\x00-\\x1f]"), " ");
    throw EMessageError(QString("The e-mail address \"%1\" cannot be used.").arg(shown));
}

QString DomainOf(const QString& address) {
    const qsizetype at = address.lastIndexOf('@');
    return at < 0 ? QString() : address.mid(at + 1);
}

}  // namespace

void TmsMessage::CheckSendable() const {
    if (Sender.Address.isEmpty()) throw EMessageError("The message has no sender address.");
    if (Recipients.Count() == 0) throw EMessageError("The message has no recipient.");
    CheckAddress(Sender.Address);
    for (const TmsMailAddress& recipient : Recipients) CheckAddress(recipient.Address);
}

QByteArray TmsMessage::Encoded(const QDateTime& date) const {
    // A line break inside one body line becomes a line of its own: a bare CR or LF must
    // never reach the server, where it could end the message early.
    QStringList lines;
    for (const QString& line : Body) lines += line.split(QRegularExpression("\r\n|\r|\n"));

    QList<Mailbox> to;
    for (const TmsMailAddress& recipient : Recipients)
        to.append({recipient.Name, recipient.Address});

    const bool plain = IsPlain7Bit(lines);
    QByteArray out;
    const auto field = [&out](const QByteArray& text) { out += text + "\r\n"; };
    field("Date: " + MailDate(date));
    field(AddressHeader("From", {{Sender.Name, Sender.Address}}));
    field(AddressHeader("To", to));
    field(UnstructuredHeader("Subject", Subject()));
    field("Message-ID: " + NewMessageId(DomainOf(Sender.Address)));
    field("MIME-Version: 1.0");
    if (plain) {
        field("Content-Type: text/plain; charset=us-ascii");
        field("Content-Transfer-Encoding: 7bit");
    } else {
        field("Content-Type: text/plain; charset=utf-8");
        field("Content-Transfer-Encoding: quoted-printable");
    }
    out += "\r\n";
    for (const QString& line : lines)
        out += (plain ? line.toLatin1() : QuotedPrintableLine(line)) + "\r\n";
    return out;
}
