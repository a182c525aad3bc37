#include "platform/rich_text/rtf_writer.h"

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <cmath>

#include "platform/cp1252.h"
#include "platform/rich_text/rtf_units.h"

namespace {

void AppendNumber(QByteArray& out, const char* word, int value) {
    out += '\\';
    out += word;
    out += QByteArray::number(value);
}

// Text as rich text: the three special characters escaped, tabs and line breaks as control
// words, Windows-1252 above 127 as \'hh, anything else as \uN with "?" for readers that
// do not know \u.
void AppendText(QByteArray& out, QStringView text) {
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator) {
            out += "\\line ";
        } else if (u == QChar::Nbsp) {
            out += "\\~";
        } else if (u < 0x20 || u == QChar::ObjectReplacementCharacter) {
            continue;  // control characters and embedded objects carry no text
        } else if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (const int byte = Cp1252Byte(u); byte >= 0) {
            out += "\\'";
            out += QByteArray::number(byte, 16).rightJustified(2, '0');
        } else {
            // \u takes a signed 16-bit number; halves of a surrogate pair go one by one.
            AppendNumber(out, "u", static_cast<int16_t>(u));
            out += '?';
        }
    }
}

// The font and colour tables, filled as the body uses them.
class Tables {
public:
    int Font(const QString& family) {
        const qsizetype at = fonts_.indexOf(family);
        if (at >= 0) return static_cast<int>(at);
        fonts_.append(family);
        return static_cast<int>(fonts_.size() - 1);
    }
    int SymbolFont() {
        if (symbol_ < 0) symbol_ = Font("Symbol");
        return symbol_;
    }
    // 0 is the reader's own colour ("auto").
    int Color(const QColor& color) {
        const QRgb rgb = color.rgb() & 0xFFFFFF;
        const qsizetype at = colors_.indexOf(rgb);
        if (at >= 0) return static_cast<int>(at + 1);
        colors_.append(rgb);
        return static_cast<int>(colors_.size());
    }

    QByteArray Write() const {
        QByteArray out = "{\\fonttbl";
        for (qsizetype i = 0; i < fonts_.size(); ++i) {
            out += '{';
            AppendNumber(out, "f", static_cast<int>(i));
            out += i == symbol_ ? "\\fnil\\fcharset2 " : "\\fnil\\fcharset0 ";
            AppendText(out, fonts_[i]);
            out += ";}";
        }
        out += "}\r\n{\\colortbl ;";
        for (const QRgb rgb : colors_) {
            AppendNumber(out, "red", qRed(rgb));
            AppendNumber(out, "green", qGreen(rgb));
            AppendNumber(out, "blue", qBlue(rgb));
            out += ';';
        }
        out += "}\r\n";
        return out;
    }

private:
    QStringList fonts_;
    QList<QRgb> colors_;
    qsizetype symbol_ = -1;
};

int HalfPoints(const QFont& font, const QFont& fallback) {
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : fallback.pointSizeF();
    return points > 0 ? static_cast<int>(std::lround(points * 2)) : rtf::kDefaultHalfPoints;
}

void AppendRun(QByteArray& out, Tables& tables, const QTextDocument& document,
               const QTextFragment& fragment) {
    const QTextCharFormat format = fragment.charFormat();
    const QFont font = format.font().resolve(document.defaultFont());
    out += '{';
    AppendNumber(out, "f", tables.Font(font.family()));
    AppendNumber(out, "fs", HalfPoints(font, document.defaultFont()));
    if (font.bold()) out += "\\b";
    if (font.italic()) out += "\\i";
    if (font.underline()) out += "\\ul";
    if (font.strikeOut()) out += "\\strike";
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush)
        AppendNumber(out, "cf", tables.Color(format.foreground().color()));
    out += ' ';
    AppendText(out, fragment.text());
    out += '}';
}

void AppendParagraph(QByteArray& out, Tables& tables, const QTextDocument& document,
                     const QTextBlock& block) {
    const QTextBlockFormat format = block.blockFormat();
    out += "\\pard";
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignHCenter)
        out += "\\qc";
    else if (align & (Qt::AlignRight | Qt::AlignTrailing))
        out += "\\qr";
    else if (align & Qt::AlignJustify)
        out += "\\qj";
    else
        out += "\\ql";
    const int left = rtf::PixelsToTwips(format.leftMargin());
    if (block.textList()) {
        const int symbol = tables.SymbolFont();
        out += "{\\pntext";
        AppendNumber(out, "f", symbol);
        out += "\\'b7\\tab}";
        out += "{\\*\\pn\\pnlvlblt";
        AppendNumber(out, "pnf", symbol);
        out += "\\pnindent0{\\pntxtb\\'b7}}";
        AppendNumber(out, "fi", rtf::kBulletHang);
        AppendNumber(out, "li", rtf::kBulletTextIndent + left);
    } else {
        AppendNumber(out, "fi", rtf::PixelsToTwips(format.textIndent()));
        AppendNumber(out, "li", left);
    }
    AppendNumber(out, "ri", rtf::PixelsToTwips(format.rightMargin()));
    out += ' ';
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().isValid()) AppendRun(out, tables, document, it.fragment());
    out += "\\par\r\n";
}

}  // namespace

QByteArray WriteRtf(const QTextDocument& document) {
    Tables tables;
    const QFont base = document.defaultFont();
    // The document's own font is font 0, the one a reader falls back on.
    tables.Font(base.family());
    QByteArray body;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        AppendParagraph(body, tables, document, block);

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n";
    out += tables.Write();
    out += "\\viewkind4\\plain\\f0";
    AppendNumber(out, "fs", HalfPoints(base, base));
    out += "\r\n";
    out += body;
    out += "}\r\n";
    return out;
}
