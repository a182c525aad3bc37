#pragma once
// The rich-text writer: a text document as rich text (RTF) that word processors open with
// the same text and formatting.
//
// It writes the font and colour tables, and per run of text the font, size, colour, bold,
// italic, underline and strike-out; per paragraph the alignment, the first-line, left and
// right indents and a bullet; tabs and line breaks. Text is Windows-1252 with \'hh escapes
// for the bytes above 127 and \uN for every other character.

#include <QByteArray>

class QTextDocument;

QByteArray WriteRtf(const QTextDocument& document);
