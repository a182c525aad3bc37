#pragma once
// The rich-text reader: rich text (RTF) as word processors write it, into a text document.
//
// It reads groups, control words with their numbers, \'hh (Windows-1252) and \uN (with the
// \ucN count of fallback characters that follow), the font and colour tables, and per run
// the font, size, colour, bold, italic, underline and strike-out; per paragraph the
// alignment, indents and bullets. What it does not know it passes over: \* destinations,
// pictures, headers and footers, document information, style sheets and list tables, and
// the instructions of fields (their results are kept).
//
// The input is untrusted: nesting is bounded, numbers are bounded, and a damaged file is
// refused with a reason rather than read in part.

#include <QByteArrayView>
#include <QString>

class QTextDocument;

namespace rtf {
// Deeper nesting than any word processor writes; a file beyond it is refused.
inline constexpr int kMaxDepth = 200;
}  // namespace rtf

// True when the data begins as rich text does ("{\rtf", blanks before it allowed).
bool LooksLikeRtf(QByteArrayView data);

// Replaces the document's content with the rich text. Returns an empty string when the
// whole text was read, else why it cannot be read (the document is then left empty).
QString ReadRtf(QByteArrayView data, QTextDocument& document);
