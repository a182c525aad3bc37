#pragma once
// Readable test failures for Qt's strings, and the documents a recording printer was given.

#include <QString>
#include <QStringList>
#include <ostream>

#include "platform/printer.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& lines, std::ostream* os) {
    *os << '[' << lines.join("|").toStdString() << ']';
}

// The titles of the documents printed, in order (a print job may hold many).
inline QStringList DocumentTitles(const RecordingCanvas& canvas) {
    QStringList titles;
    for (const auto& call : canvas.Calls())
        if (call.op == RecordingCanvas::Op::Document) titles << call.text;
    return titles;
}
