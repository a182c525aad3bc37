#pragma once
// Fixed-width text helpers for rows, lists and printed columns. Record text is one byte per
// character (Windows-1252), so widths count bytes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The texts one after the other with the separator between them.
std::string JoinedWith(const std::vector<std::string>& texts, std::string_view separator);

// The text without the characters of code 32 or less at both ends.
std::string TrimBlanks(std::string_view text);
// The same, as a view into `text`.
std::string_view TrimmedView(std::string_view text);
// TrimBlanks, then every comma removed: amount text as typed or shown, ready for conversion.
std::string StripCommas(std::string_view text);
// The text extended on the right with `fill` up to `width`; never cut.
std::string PadRightWith(std::string_view text, char fill, int width);
// The same helper under the name the document output uses.
inline std::string PadString(std::string_view text, char fill, int width) {
    return PadRightWith(text, fill, width);
}
// The trimmed text with blanks in front up to `width` (`fill` is not used). Text longer than
// the width is cut to its first `width` characters, except a number (with or without
// thousands separators), which is kept whole: a cut figure would show a wrong amount.
std::string RightJustify(std::string_view text, char fill, int width);

// ASCII letters upper-cased, like the key builders do; other characters kept.
std::string UpperAscii(std::string_view text);

// A key part: trimmed, ASCII letters upper-cased, blank-padded to `width`, and the whole cut
// to the longest key the engine holds.
std::string KeyText(std::string_view text, int width);
// The same without upper-casing, for keys of text kept as stored (dates).
std::string PlainKeyText(std::string_view text, int width);

// A whole number stored as text (a margin, a count), blanks around it allowed; nothing when
// the text is not one.
std::optional<int> WholeNumber(std::string_view text);
