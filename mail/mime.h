#pragma once
// The coders that make a message of any text travel as 7-bit lines: encoded words in
// headers, quoted-printable bodies, folding, and the Date and Message-ID fields.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// One header field, "Name: value" folded to lines of at most 78 characters where the
// text allows, without its final line end. Text that 7-bit ASCII cannot carry as it
// stands becomes UTF-8 encoded words.
QByteArray UnstructuredHeader(const QByteArray& name, const QString& text);

// An address header listing the mailboxes, folded after the commas.
struct Mailbox {
    QString name;
    QString address;
};
QByteArray AddressHeader(const QByteArray& name, const QList<Mailbox>& mailboxes);

// True when the lines can travel as they stand: printable ASCII (and tab), each line short
// enough for SMTP.
bool IsPlain7Bit(const QStringList& lines);

// One line of text as UTF-8 quoted-printable, soft-broken into lines of at most 76
// characters joined by CR LF (no final line end).
QByteArray QuotedPrintableLine(const QString& line);

// "Tue, 14 May 2024 09:05:00 +0200": English names whatever the locale.
QByteArray MailDate(const QDateTime& when);

// A new "<unique@domain>"; domain is used when it is a plain host name.
QByteArray NewMessageId(const QString& domain);
