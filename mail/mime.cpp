#include "mail/mime.h"

#include <QLocale>
#include <QRegularExpression>
#include <QUuid>
#include <algorithm>

namespace {

constexpr qsizetype FoldWidth = 78;
// "=?UTF-8?B?" and "?=" around the base64 text of an encoded word.
constexpr qsizetype EncodedWordOverhead = 12;
constexpr qsizetype MaxEncodedWord = 75;

bool IsPrintableAscii(QChar ch) {
    return ch.unicode() >= 0x20 && ch.unicode() <= 0x7e;
}

bool NeedsEncodedWords(const QString& text) {
    // A plain "=?" would be read back as the start of an encoded word.
    return text.contains("=?") || std::any_of(text.begin(), text.end(), [](QChar ch) {
               return !IsPrintableAscii(ch) && ch != '\t';
           });
}

// Joins the tokens with single blanks, breaking a line before a token where it would grow
// past FoldWidth. Unfolding turns each break back into the blank it replaced, so the text
// reads exactly as joined. A line never breaks before an empty token (that would leave a
// line of blanks only).
QByteArray FoldTokens(const QByteArray& prefix, const QList<QByteArray>& tokens) {
    QByteArray out;
    QByteArray line = prefix;
    bool first = true;
    for (const QByteArray& token : tokens) {
        if (first) {
            line += token;
            first = false;
        } else if (!token.isEmpty() && line.size() + 1 + token.size() > FoldWidth &&
                   line.size() > prefix.size()) {
            out += line + "\r\n";
            line = " " + token;
        } else {
            line += " " + token;
        }
    }
    return out + line;
}

// The text as UTF-8 encoded words, never splitting a character between two words. The
// first word fits beside `firstLineUsed` characters of header.
QList<QByteArray> EncodedWords(const QString& text, qsizetype firstLineUsed) {
    const auto bytesFor = [](qsizetype room) {
        return std::max<qsizetype>(3, (room - EncodedWordOverhead) / 4 * 3);
    };
    qsizetype limit = bytesFor(std::min(MaxEncodedWord, FoldWidth - 2 - firstLineUsed));
    QList<QByteArray> words;
    QByteArray chunk;
    const auto flush = [&] {
        if (chunk.isEmpty()) return;
        words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
        chunk.clear();
        limit = bytesFor(MaxEncodedWord);
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype units = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            units = 2;
        const QByteArray character = text.mid(i, units).toUtf8();
        i += units - 1;
        if (chunk.size() + character.size() > limit) flush();
        chunk += character;
    }
    flush();
    return words;
}

QByteArray Phrase(const QString& name) {
    static const QRegularExpression atoms("^[A-Za-z0-9!#$%&'*+/=?^_`{|}~ -]*$");
    if (NeedsEncodedWords(name)) return {};
    if (atoms.match(name).hasMatch() && !name.startsWith(' ') && !name.endsWith(' ') &&
        !name.contains("  "))
        return name.toLatin1();
    QByteArray quoted = "\"";
    for (const QChar ch : name) {
        if (ch == '"' || ch == '\\') quoted += '\\';
        quoted += char(ch.unicode());
    }
    return quoted + "\"";
}

// A display name is one line of text: control characters (CR and LF above all, which would
// end the header field and start another) are dropped, whoever set the name.
QString WithoutControls(const QString& name) {
    QString clean;
    clean.reserve(name.size());
    for (const QChar ch : name)
        if (ch.category() != QChar::Other_Control) clean += ch;
    return clean;
}

}  // namespace

QByteArray UnstructuredHeader(const QByteArray& name, const QString& text) {
    const QByteArray prefix = name + ": ";
    if (NeedsEncodedWords(text)) return FoldTokens(prefix, EncodedWords(text, prefix.size()));
    return FoldTokens(prefix, text.toLatin1().split(' '));
}

QByteArray AddressHeader(const QByteArray& name, const QList<Mailbox>& mailboxes) {
    const QByteArray prefix = name + ": ";
    QList<QByteArray> tokens;
    for (qsizetype i = 0; i < mailboxes.size(); ++i) {
        const Mailbox& box = mailboxes[i];
        const QByteArray address = box.address.toLatin1();
        const QByteArray separator = i + 1 < mailboxes.size() ? "," : "";
        const QString displayName = WithoutControls(box.name);
        if (displayName.isEmpty()) {
            tokens.append(address + separator);
            continue;
        }
        const QByteArray phrase = Phrase(displayName);
        if (phrase.isEmpty())
            // Only the first mailbox shares its line with the field name.
            tokens.append(EncodedWords(displayName, tokens.isEmpty() ? prefix.size() : 0));
        else
            tokens.append(phrase);
        tokens.append("<" + address + ">" + separator);
    }
    return FoldTokens(prefix, tokens);
}

bool IsPlain7Bit(const QStringList& lines) {
    // 998 characters plus CR LF is the longest line SMTP carries.
    return std::all_of(lines.begin(), lines.end(), [](const QString& line) {
        return line.size() <= 998 && std::all_of(line.begin(), line.end(), [](QChar ch) {
                   return IsPrintableAscii(ch) || ch == '\t';
               });
    });
}

QByteArray QuotedPrintableLine(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    QByteArray out;
    qsizetype column = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        // Blanks at a line end would be lost in transit; they are encoded there.
        const bool blank = (b == ' ' || b == '\t') && i + 1 < bytes.size();
        QByteArray token;
        if ((b >= 33 && b <= 126 && b != '=') || blank)
            token = QByteArray(1, char(b));
        else
            token = "=" + QByteArray::number(b, 16).toUpper().rightJustified(2, '0');
        // Room for the "=" of a soft break keeps every line within 76 characters.
        if (column + token.size() > 75) {
            out += "=\r\n";
            column = 0;
        }
        out += token;
        column += token.size();
    }
    return out;
}

QByteArray MailDate(const QDateTime& when) {
    const int offset = when.offsetFromUtc() / 60;
    const int absolute = std::abs(offset);
    const QString zone = QString("%1%2%3")
                             .arg(offset < 0 ? '-' : '+')
                             .arg(absolute / 60, 2, 10, QChar('0'))
                             .arg(absolute % 60, 2, 10, QChar('0'));
    return (QLocale::c().toString(when, "ddd, dd MMM yyyy hh:mm:ss") + " " + zone).toLatin1();
}

QByteArray NewMessageId(const QString& domain) {
    static const QRegularExpression hostName("^[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*$");
    const QString host = hostName.match(domain).hasMatch() ? domain : QString("localhost");
    return ("<" + QUuid::createUuid().toString(QUuid::WithoutBraces) + "@" + host + ">").toLatin1();
}
