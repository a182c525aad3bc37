#include "reports/viewer/report_font.h"

#include <algorithm>

#include "platform/cp1252.h"

namespace {
// The largest point size a stored font may name.
constexpr int kMaxPoints = 1638;
}  // namespace

FontSpec DefaultReportFont() {
    return FontSpec{"Arial", 10, 0, FontStyle::Bold};
}

ReportFontRec EncodeReportFont(const FontSpec& font) {
    ReportFontRec rec;
    rec.set(ReportFontField::Name, ToCp1252(font.name));
    rec.set(ReportFontField::Size, font.size);
    rec.set(ReportFontField::Color, font.color);
    rec.set(ReportFontField::Style, font.style);
    return rec;
}

std::optional<FontSpec> DecodeReportFont(std::string_view content) {
    ReportFontRec rec;
    if (content.size() < rec.bytes().size()) return std::nullopt;
    std::copy_n(content.begin(), rec.bytes().size(), rec.bytes().begin());
    const std::string name = rec.get(ReportFontField::Name);
    const bool readable = std::all_of(name.begin(), name.end(),
                                      [](char c) { return static_cast<unsigned char>(c) >= 32; });
    const bool blank = name.find_first_not_of(' ') == std::string::npos;
    const int32_t size = rec.get(ReportFontField::Size);
    if (!readable || blank || size < 1 || size > kMaxPoints) return std::nullopt;
    constexpr uint8_t kStyleBits =
        FontStyle::Bold | FontStyle::Italic | FontStyle::Underline | FontStyle::StrikeOut;
    return FontSpec{FromCp1252(name), size, rec.get(ReportFontField::Color),
                    static_cast<uint8_t>(rec.get(ReportFontField::Style) & kStyleBits)};
}

FontSpec LoadReportFont(const DataFolder& folder) {
    const auto content = ReadWholeFile(folder.file(ReportFontFileName));
    if (!content) return DefaultReportFont();
    return DecodeReportFont(*content).value_or(DefaultReportFont());
}

bool SaveReportFont(const DataFolder& folder, const FontSpec& font) {
    const ReportFontRec rec = EncodeReportFont(font);
    const auto bytes = rec.bytes();
    return ReplaceFile(folder.file(ReportFontFileName),
                       std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
