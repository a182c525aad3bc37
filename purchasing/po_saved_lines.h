#pragma once
// The saved lines of purchase-order entry: one reusable set of lines per kind of order, kept
// as a text file in the data folder ("POSAVEL.SAV" for line items, "POSAVEM.SAV" for a memo
// PO), lines ended by CR LF, and the entry dialog's buttons that replace and load them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/entry/entry_lines.h"

class TPOEdit1;

inline constexpr std::string_view SavedLinesFileName = "POSAVEL.SAV";
inline constexpr std::string_view SavedMemoFileName = "POSAVEM.SAV";

// One grid row as saved: the line column (row number or "CS") and the cells.
struct SavedRow {
    std::string mark;
    EntryRow cells;
};

struct SavedNotes {
    std::string notes;  // INVNOTES
    std::string keyCode;
};

struct SavedLinesFile {
    std::vector<SavedRow> rows;  // grid rows 1..99
    SavedNotes notes;
};

struct SavedMemoFile {
    std::vector<std::string> memoLines;  // the memo's lines, at most 25 on loading
    SavedNotes notes;
    SavedRow product;  // the memo product as grid row 1: code, quantity, description
};

// A row at fixed positions, each cell blank-padded to its width and never cut: line 2, code
// 10, quantity 10, description 32, unit price 10, the tax flag's first character, extension
// 12, one blank between them.
std::string SavedRowText(const SavedRow& row);
// The cells back from their positions, trimmed; the tax flag as it stands.
EntryRow SavedRowCells(std::string_view text);

// The notes padded to 60 characters, then the key code padded to 8.
std::string SavedNotesText(const SavedNotes& notes);
// Notes from positions 1-60 and the key code from 61-68. A longer line holds notes of more
// than 60 characters: the key code is then its last 8 characters, so neither loses text.
SavedNotes SavedNotesOf(std::string_view text);

// Lines 1-99 the rows, line 100 blank, line 101 the notes.
std::string SavedLinesText(const SavedLinesFile& file);
// Lines 1-26 the memo, line 27 the notes, line 28 the product row.
std::string SavedMemoText(const SavedMemoFile& file);

// Nothing when the content is short of the lines it must hold, holds control characters, or
// (memo) a memo line longer than the memo takes: such a file is not loaded.
std::optional<SavedLinesFile> ParseSavedLines(std::string_view content);
std::optional<SavedMemoFile> ParseSavedMemo(std::string_view content);

// The dialog's buttons: "Replaces saved lines with current lines" and "Loads Saved Lines",
// for the kind of order in hand. A file that cannot be loaded leaves the dialog as it was.
void ExportButnClick(TPOEdit1& dialog);
void ImportButnClick(TPOEdit1& dialog);
