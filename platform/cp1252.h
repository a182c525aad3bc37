#pragma once
// Record text is Windows-1252: one byte per character, so an sN field holds N characters.
// These convert at the window boundary.

#include <QString>
#include <string>
#include <string_view>

// True when the character can be stored as one Windows-1252 byte.
bool IsCp1252(char32_t ch);

// The byte for a character, or -1 when Windows-1252 cannot hold it.
int Cp1252Byte(char32_t ch);

// Bytes to text. Every byte maps to a character, so FromCp1252 -> ToCp1252 gives the
// same bytes back.
QString FromCp1252(std::string_view bytes);

// Text to bytes; a character Windows-1252 cannot hold becomes '?'. Windows refuse such
// characters where they are typed, so this only matters for text from other sources.
std::string ToCp1252(const QString& text);

// Index (in UTF-16 units) of the first character Windows-1252 cannot hold, or -1.
qsizetype FirstUnencodable(const QString& text);

// The character at a UTF-16 index as a string (both halves of a surrogate pair).
QString CharacterAt(const QString& text, qsizetype index);
