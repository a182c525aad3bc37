#include "platform/font_setting.h"

#include <QApplication>
#include <QPalette>

QColor ColorFromRef(int32_t ref) {
    const auto value = static_cast<uint32_t>(ref);
    if (value & 0x80000000u) {
        // The system colours a stored font can name, from the desktop's palette.
        const QPalette palette = QApplication::palette();
        switch (value & 0xFF) {
            case 5:
                return palette.color(QPalette::Base);  // window
            case 14:
                return palette.color(QPalette::HighlightedText);  // highlighted text
            case 13:
                return palette.color(QPalette::Highlight);  // highlight
            case 15:
                return palette.color(QPalette::Button);  // button face
            case 16:
                return palette.color(QPalette::Dark);  // button shadow
            case 17:
                return palette.color(QPalette::PlaceholderText);  // grey text
            default:
                return palette.color(QPalette::WindowText);  // window text
        }
    }
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int32_t ColorToRef(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<int32_t>(static_cast<uint32_t>(rgb.red()) |
                                (static_cast<uint32_t>(rgb.green()) << 8) |
                                (static_cast<uint32_t>(rgb.blue()) << 16));
}

QFont ToQFont(const FontSpec& chosen) {
    QFont font(chosen.name);
    font.setPointSize(chosen.size > 0 ? chosen.size : 10);
    font.setBold(chosen.style & FontStyle::Bold);
    font.setItalic(chosen.style & FontStyle::Italic);
    font.setUnderline(chosen.style & FontStyle::Underline);
    font.setStrikeOut(chosen.style & FontStyle::StrikeOut);
    return font;
}

FontSpec FontSpecOf(const QFont& font, const QColor& color) {
    FontSpec chosen;
    chosen.name = font.family();
    chosen.size = font.pointSize() > 0 ? font.pointSize() : 10;
    chosen.color = ColorToRef(color);
    chosen.style = static_cast<uint8_t>((font.bold() ? FontStyle::Bold : 0) |
                                      (font.italic() ? FontStyle::Italic : 0) |
                                      (font.underline() ? FontStyle::Underline : 0) |
                                      (font.strikeOut() ? FontStyle::StrikeOut : 0));
    return chosen;
}
