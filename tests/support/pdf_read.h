#pragma once
// A printed PDF read back: its text (pdftotext, layout kept) and its page count (pdfinfo).

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include "tests/support/qt_print.h"

namespace testsupport {

// The text of the file, or of one page (from 1); a form feed ends each page.
inline QString PdfText(const QString& path, int page = 0) {
    QStringList args{"-layout"};
    if (page > 0) args << "-f" << QString::number(page) << "-l" << QString::number(page);
    QProcess run;
    run.start("pdftotext", args << path << "-");
    run.waitForFinished(30000);
    return QString::fromUtf8(run.readAllStandardOutput());
}

// The lines of text on the page that are not blank, without the blanks around them.
inline QStringList PdfLines(const QString& path, int page) {
    QStringList lines;
    for (const QString& line : PdfText(path, page).split('\n'))
        if (!line.trimmed().isEmpty()) lines << line.trimmed();
    return lines;
}

// The number of pages; 0 when the file is missing or not a PDF.
inline int PdfPages(const QString& path) {
    QProcess run;
    run.start("pdfinfo", {path});
    run.waitForFinished(30000);
    const auto found =
        QRegularExpression(R"(^Pages:\s+(\d+)$)", QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(run.readAllStandardOutput()));
    return found.hasMatch() ? found.captured(1).toInt() : 0;
}

}  // namespace testsupport
