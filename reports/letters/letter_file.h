#pragma once
// Letter files: opened as rich text when they hold rich text (whatever their name says), else
// as plain text; always saved as rich text.

#include <QString>
#include <filesystem>
#include <memory>

class QFont;
class QTextDocument;

struct LetterLoad {
    std::unique_ptr<QTextDocument> document;  // set when the file was read
    QString error;                            // else why not, for the user
};

// Reads the letter into a new document whose default font is the one given.
LetterLoad LoadLetter(const std::filesystem::path& path, const QFont& defaultFont);

// Writes the letter as rich text, replacing the file whole; an empty string when it was
// written, else why not.
QString SaveLetter(const std::filesystem::path& path, const QTextDocument& letter);
