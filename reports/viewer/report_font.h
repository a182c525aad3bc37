#pragma once
// The report font: the font of the report viewer's grid, kept in "RptFont.Dat" in the data
// folder. The file is one 48-byte record: the name as a short string of 32 characters
// (length byte first), 3 zero bytes, the size in points and the colour as 32-bit integers
// (little-endian), the style bits (bold, italic, underline, strike-out) and 3 zero bytes.

#include <optional>
#include <string>
#include <string_view>

#include "engine/record_fields.h"
#include "platform/font_setting.h"
#include "shell/data_folder.h"

inline constexpr std::string_view ReportFontFileName = "RptFont.Dat";

class ReportFontRec : public fields::Record<ReportFontRec, 48> {};

namespace ReportFontField {
inline constexpr fields::Text<ReportFontRec> Name{0, 32};
inline constexpr fields::I32<ReportFontRec> Size{36};
inline constexpr fields::I32<ReportFontRec> Color{40};
inline constexpr fields::Byte<ReportFontRec> Style{44};
}  // namespace ReportFontField

// Arial, 10 points, bold, black.
FontSpec DefaultReportFont();

// The record of a font (a name longer than 32 characters is cut).
ReportFontRec EncodeReportFont(const FontSpec& font);
// The font of a file's content; nothing when it is shorter than one record or its record is
// not a font (name blank or unreadable, size outside 1 to 1638 points).
std::optional<FontSpec> DecodeReportFont(std::string_view content);

// The kept font; the default when the file is missing or damaged.
FontSpec LoadReportFont(const DataFolder& folder);
// Replaces the file with the font's record; false when it could not be written.
bool SaveReportFont(const DataFolder& folder, const FontSpec& font);
