#pragma once
// The label layout: one 444-byte record, the whole content of a "*.LBL" file, plus the two
// small files beside the data that remember it ("Lastlbl.DAT", "Label.Dat").
//
// The margin, column, row and size fields hold the masked edit texts exactly as shown, blanks
// of unfilled positions included. Paths are stored as the file system's own bytes, so that
// a path reads back as the same file whatever characters it holds.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "engine/record_fields.h"
#include "shell/data_folder.h"

class LabelLayoutRec : public fields::Record<LabelLayoutRec, 444> {};

namespace LabelLayout {

using Text = fields::Text<LabelLayoutRec>;
using I32 = fields::I32<LabelLayoutRec>;
using Bool = fields::Bool<LabelLayoutRec>;
using Byte = fields::Byte<LabelLayoutRec>;

inline constexpr Text Description{0, 50};  // Edit1
inline constexpr Text LeftMargin{51, 3};   // LMargin, printer units
inline constexpr Text TopMargin{55, 3};    // TMargin
inline constexpr Text ColumnsAcross{59, 1};
inline constexpr Text RowsDown{61, 2};
inline constexpr Text LabelWidth{64, 4};   // LWdth
inline constexpr Text LabelHeight{69, 4};  // LHght
inline constexpr Text FontName{74, 32};
inline constexpr I32 FontSize{108};             // points
inline constexpr I32 FontColor{112};            // 0x00BBGGRR
inline constexpr Byte FontStyle{116};           // bits: 1 bold, 2 italic, 4 underline, 8 strike-out
inline constexpr Bool UseShippingAddress{117};  // CheckBox1
inline constexpr Bool PrintReturnAddress{118};  // UseCmpAdd
// A single blank when the return address is off.
inline constexpr Text BitmapPath{119, 255};  // BMapName
// Always 0 when the return address is off.
inline constexpr Bool PrintLine{426};     // PLine
inline constexpr Text LineWidth{427, 1};  // MaskEdit1
inline constexpr Text Caption{431, 10};   // CaptName, send/label caption

}  // namespace LabelLayout

inline constexpr std::string_view LastLabelFileName = "Lastlbl.DAT";
inline constexpr std::string_view LabelCopyFileName = "Label.Dat";
inline constexpr int LastLabelRecordSize = 256;  // one s255
inline constexpr int MaxStoredPathLength = 255;

// A path as stored in a record (its own bytes) and back.
std::string StoredPath(const std::filesystem::path& path);
std::filesystem::path PathFromStored(std::string_view stored);

// Reading a small file: the value, or why there is none. `missing` tells an absent file
// from one that is there but cannot be used; `problem` says what is wrong with the latter.
template <class T>
struct SmallFileRead {
    std::optional<T> value;
    bool missing = false;
    std::string problem;
};

// The layout a "*.LBL" file holds; a file that is not exactly one layout long is refused.
// Length bytes larger than their field are read as the field's width.
SmallFileRead<LabelLayoutRec> ReadLabelLayoutFile(const std::filesystem::path& path);
// The layout as the whole content of the file (replaced, never left half written).
bool WriteLabelLayoutFile(const std::filesystem::path& path, const LabelLayoutRec& layout);

// The path "Lastlbl.DAT" names, trimmed.
SmallFileRead<std::filesystem::path> ReadLastLabelPath(const DataFolder& folder);
// False when the path is longer than the record holds or the file cannot be written.
bool WriteLastLabelPath(const DataFolder& folder, const std::filesystem::path& layoutFile);
bool RemoveLastLabelPath(const DataFolder& folder);

// "Label.Dat": a byte copy of the layout file last opened.
bool WriteLabelCopy(const DataFolder& folder, const LabelLayoutRec& layout);
