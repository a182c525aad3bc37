#pragma once
// A font as the records store it: name, size in points, colour and style bits.

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>

namespace FontStyle {
inline constexpr uint8_t Bold = 1;
inline constexpr uint8_t Italic = 2;
inline constexpr uint8_t Underline = 4;
inline constexpr uint8_t StrikeOut = 8;
}  // namespace FontStyle

// Colours are stored as 32-bit values: 0x00BBGGRR, or a system colour (high bit set and
// the system colour's index in the low byte).
struct FontSpec {
    QString name = "Arial";
    int size = 10;
    int32_t color = 0;
    uint8_t style = 0;

    bool operator==(const FontSpec&) const = default;
};

QColor ColorFromRef(int32_t ref);
int32_t ColorToRef(const QColor& color);

QFont ToQFont(const FontSpec& chosen);
FontSpec FontSpecOf(const QFont& font, const QColor& color);
