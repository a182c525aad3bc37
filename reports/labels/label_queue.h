#pragma once
// The print queue's rows and its list file "*.LST": plain text, one line per row, each of
// the five values padded on the right to its column and separated by one blank, CR LF.
// Values are record text (Windows-1252), one byte per character.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/window_flags.h"

// The kind letter of a row, the one way every reader tells the rows apart.
enum class LabelKind : char { Customer = 'C', Vendor = 'V', Product = 'P' };
std::optional<LabelKind> LabelKindOf(std::string_view letter);

// One row: the caption (number or code) and the four sub-items (name or description, sort
// code or price, type or location, kind letter).
struct LabelQueueItem {
    std::string caption;
    std::array<std::string, 4> subItems;

    bool operator==(const LabelQueueItem&) const = default;
};

LabelQueueItem MakeLabelQueueItem(LabelKind kind, std::string_view caption, std::string_view sub1,
                                  std::string_view sub2, std::string_view sub3);

// True while the queue holds rows that have not been printed, saved, exported or used. The
// main window reads it before exit, so its storage lives in the shell's flags.
inline bool& LabelQueueChanged = SharedFlags.LabelQueueChanged;

namespace ListFile {
// Column widths of a line: caption, name, sort code, type; the kind letter closes it.
inline constexpr int CaptionWidth = 8;
inline constexpr int NameWidth = 35;
inline constexpr int SortWidth = 15;
inline constexpr int TypeWidth = 25;
inline constexpr int LineLength = 88;
// Product codes hold up to 10 characters: such a caption is written whole and pushes the
// rest of its line right by the excess.
inline constexpr int MaxCaptionExcess = 2;
}  // namespace ListFile

std::string BuildListFileLine(const LabelQueueItem& item);
// Every row's line, each ended by CR LF.
std::string BuildListFile(const std::vector<LabelQueueItem>& items);

// The rows of a list file, or the first line that is not one (1-based) when the file is
// not in the list file format. Blank lines carry no row and are passed over.
struct ListFileRead {
    std::vector<LabelQueueItem> items;
    int badLine = 0;
};
ListFileRead ParseListFile(std::string_view content);
