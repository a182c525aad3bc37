#include "purchasing/po_saved_lines.h"

#include <algorithm>

#include "purchasing/po_memo_rec.h"
#include "shell/text.h"

namespace {

constexpr int NotesWidth = 60;
constexpr int KeyCodeWidth = 8;
constexpr int LinesFileRows = 100;  // the grid's 99 and a blank one
constexpr int MemoFileLines = 26;

std::string Pad(std::string_view text, int width) {
    return PadRightWith(text, ' ', width);
}

// Positions `from` (0-based) on, `count` characters; what the line does not reach is empty.
std::string_view Part(std::string_view text, std::size_t from,
                      std::size_t count = std::string_view::npos) {
    return from < text.size() ? text.substr(from, count) : std::string_view();
}

std::string TrimRight(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return std::string(text);
}

// The lines of a text file (CR LF or LF); a break at the very end ends the last line rather
// than starting another. Nothing when a control character other than a tab is found: that
// is not a file this program wrote.
std::optional<std::vector<std::string_view>> SplitLines(std::string_view content) {
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const std::size_t eol = content.find('\n');
        std::string_view line = content.substr(0, eol);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (std::any_of(line.begin(), line.end(),
                        [](char c) { return static_cast<unsigned char>(c) < ' ' && c != '\t'; }))
            return std::nullopt;
        lines.push_back(line);
        content.remove_prefix(eol == std::string_view::npos ? content.size() : eol + 1);
    }
    return lines;
}

void AddLine(std::string& out, std::string_view line) {
    out += line;
    out += "\r\n";
}

}  // namespace

std::string SavedRowText(const SavedRow& row) {
    const EntryRow& c = row.cells;
    const char tax = c.taxFlag.empty() ? ' ' : c.taxFlag.front();
    return Pad(row.mark, 2) + ' ' + Pad(c.code, 10) + ' ' + Pad(c.quantity, 10) + ' ' +
           Pad(c.description, 32) + ' ' + Pad(c.unitPrice, 10) + ' ' + tax + ' ' +
           Pad(c.extension, 12);
}

EntryRow SavedRowCells(std::string_view text) {
    EntryRow r;
    r.code = TrimBlanks(Part(text, 3, 10));
    r.quantity = TrimBlanks(Part(text, 14, 10));
    r.description = TrimBlanks(Part(text, 25, 32));
    r.unitPrice = TrimBlanks(Part(text, 58, 10));
    r.taxFlag = std::string(Part(text, 69, 1));
    r.extension = TrimBlanks(Part(text, 71));
    return r;
}

std::string SavedNotesText(const SavedNotes& notes) {
    return Pad(notes.notes, NotesWidth) + Pad(notes.keyCode, KeyCodeWidth);
}

SavedNotes SavedNotesOf(std::string_view text) {
    const std::size_t split = text.size() > NotesWidth + KeyCodeWidth
                                  ? text.size() - KeyCodeWidth
                                  : static_cast<std::size_t>(NotesWidth);
    return {TrimBlanks(Part(text, 0, split)), TrimBlanks(Part(text, split, KeyCodeWidth))};
}

std::string SavedLinesText(const SavedLinesFile& file) {
    std::string out;
    for (int r = 0; r < LinesFileRows; ++r)
        AddLine(out,
                SavedRowText(r < static_cast<int>(file.rows.size()) ? file.rows[r] : SavedRow{}));
    AddLine(out, SavedNotesText(file.notes));
    return out;
}

std::string SavedMemoText(const SavedMemoFile& file) {
    std::string out;
    for (int k = 0; k < MemoFileLines; ++k)
        AddLine(out, k < static_cast<int>(file.memoLines.size()) ? file.memoLines[k] : "");
    AddLine(out, SavedNotesText(file.notes));
    AddLine(out, SavedRowText(file.product));
    return out;
}

std::optional<SavedLinesFile> ParseSavedLines(std::string_view content) {
    const auto lines = SplitLines(content);
    if (!lines || lines->size() < LinesFileRows + 1) return std::nullopt;
    SavedLinesFile file;
    for (int r = 0; r < EntryGridRows; ++r)
        file.rows.push_back({std::string(Part((*lines)[r], 0, 2)), SavedRowCells((*lines)[r])});
    file.notes = SavedNotesOf((*lines)[LinesFileRows]);
    return file;
}

std::optional<SavedMemoFile> ParseSavedMemo(std::string_view content) {
    const auto lines = SplitLines(content);
    if (!lines || lines->size() < MemoFileLines + 2) return std::nullopt;
    SavedMemoFile file;
    // The memo holds one line fewer than the file; its indentation is the user's text.
    for (int k = 0; k < POMemo::LineCount; ++k) {
        std::string line = TrimRight((*lines)[k]);
        if (static_cast<int>(line.size()) > POMemo::LineWidth) return std::nullopt;
        file.memoLines.push_back(std::move(line));
    }
    while (!file.memoLines.empty() && file.memoLines.back().empty()) file.memoLines.pop_back();
    file.notes = SavedNotesOf((*lines)[MemoFileLines]);
    file.product = {std::string(Part((*lines)[MemoFileLines + 1], 0, 2)),
                    SavedRowCells((*lines)[MemoFileLines + 1])};
    return file;
}
