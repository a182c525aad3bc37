#include "platform/cp1252.h"

#include <QList>
#include <array>

namespace {

// Characters of bytes 0x80-0x9F. The five bytes Windows-1252 leaves undefined map to the
// C1 control of the same value, so that stored bytes survive a round trip.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

int Cp1252Byte(char32_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<int>(ch);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == ch) return static_cast<int>(0x80 + i);
    return -1;
}

bool IsCp1252(char32_t ch) {
    return Cp1252Byte(ch) >= 0;
}

QString FromCp1252(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.append(QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b)));
    }
    return out;
}

std::string ToCp1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t ch : text.toUcs4()) {
        const int b = Cp1252Byte(ch);
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

qsizetype FirstUnencodable(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A surrogate (a character outside the basic plane) is never encodable.
        if (c.isSurrogate() || !IsCp1252(c.unicode())) return i;
    }
    return -1;
}

QString CharacterAt(const QString& text, qsizetype index) {
    if (index < 0 || index >= text.size()) return {};
    const bool pair = text.at(index).isHighSurrogate() && index + 1 < text.size() &&
                      text.at(index + 1).isLowSurrogate();
    return text.mid(index, pair ? 2 : 1);
}
