// Opening a form letter as the Letter Wizard does, as the letter grows: the file read into a
// document, then shown in a rich-text editor and laid out whole. Each letter begins with a
// font table of many fonts and holds four paragraphs that change their formatting every few
// words, so that a paragraph's runs grow with the letter; sizes double from 64 KiB to the
// largest asked for (1 MiB by default). It prints each size's times and its time per KiB
// against the smallest letter's: a reader that keeps pace with the text keeps that ratio
// near 1 or below, one whose work grows with the square of a paragraph's runs doubles it
// with every size. The bar: a 1 MiB letter opens in under a second.
//
//   letter_bench [--largest KIB] [--file LETTER]   (--file: times opening that letter alone)

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QTextDocument>
#include <QTextEdit>
#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bench/measure.h"
#include "reports/letters/letter_file.h"

namespace {

constexpr int kParagraphs = 4;

// A letter of about `bytes` bytes of rich text.
QByteArray Letter(qsizetype bytes) {
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl";
    for (int f = 0; f < 400; ++f)
        rtf += "{\\f" + QByteArray::number(f) + "\\fswiss\\fcharset0 Font Number " +
               QByteArray::number(f) + ";}";
    rtf += "}{\\colortbl;\\red0\\green0\\blue0;\\red200\\green0\\blue0;}\n";
    static const char* const kWords[] = {"Dear", "LWCSTNAME,", "your", "balance", "of",
                                         "LWCSTBAL", "is", "now", "due;", "thank", "you."};
    const qsizetype paragraph = (bytes - rtf.size()) / kParagraphs;
    int run = 0;
    for (int p = 0; p < kParagraphs; ++p) {
        rtf += "\\pard\\fi360\\li0 ";
        const qsizetype end = rtf.size() + paragraph;
        for (int w = 0; rtf.size() < end; ++w, ++run) {
            if (w % 3 == 0)
                rtf += QByteArray(run % 2 ? "\\b" : "\\b0") + (run % 5 ? "\\i0" : "\\i") + "\\f" +
                       QByteArray::number(run % 7) + "\\fs" + QByteArray::number(20 + run % 4 * 2) +
                       "\\cf" + QByteArray::number(run % 3) + " ";
            rtf += kWords[w % 11];
            rtf += ' ';
        }
        rtf += "\\par\n";
    }
    return rtf + "}";
}

struct Opened {
    bool ok = false;
    double read = 0;   // seconds to read the file into a document
    double shown = 0;  // seconds to show it in an editor, laid out
};

Opened Open(const std::filesystem::path& path) {
    Opened opened;
    auto start = std::chrono::steady_clock::now();
    LetterLoad load = LoadLetter(path, QFont("Arial", 10));
    opened.read = benchmeasure::SecondsSince(start);
    if (!load.document) {
        std::fprintf(stderr, "%s\n", load.error.toLocal8Bit().constData());
        return opened;
    }
    start = std::chrono::steady_clock::now();
    QTextEdit editor;
    editor.resize(900, 700);
    editor.setDocument(load.document.get());
    editor.document()->documentLayout()->documentSize();
    opened.shown = benchmeasure::SecondsSince(start);
    editor.setDocument(new QTextDocument(&editor));  // the letter stays the load's
    opened.ok = true;
    return opened;
}

}  // namespace

int main(int argc, char** argv) {
    qsizetype largest = 1024;
    std::filesystem::path given;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--largest" && i + 1 < argc) {
            largest = std::stoi(argv[++i]);
        } else if (arg == "--file" && i + 1 < argc) {
            given = argv[++i];
        } else {
            std::fprintf(stderr, "usage: letter_bench [--largest KIB] [--file LETTER]\n");
            return 2;
        }
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!given.empty()) {
        const Opened opened = Open(given);
        if (!opened.ok) return 1;
        std::printf("%s: read %.3f s, shown %.3f s\n", given.c_str(), opened.read, opened.shown);
        return 0;
    }

    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("letter_bench_" + std::to_string(getpid()) + ".rtf");
    std::printf("%8s %12s %10s %10s %12s\n", "KiB", "runs/para", "read s", "shown s",
                "s/KiB ratio");
    double firstPerKiB = 0;
    double largestTotal = 0;
    for (qsizetype kib = 64; kib <= largest; kib *= 2) {
        const QByteArray rtf = Letter(kib * 1024);
        QFile file(QString::fromStdString(path.string()));
        if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        file.close();
        const Opened opened = Open(path);
        if (!opened.ok) return 1;
        const double total = opened.read + opened.shown;
        if (firstPerKiB == 0) firstPerKiB = total / kib;
        largestTotal = total;
        std::printf("%8lld %12lld %10.3f %10.3f %12.2f\n", static_cast<long long>(kib),
                    static_cast<long long>(rtf.count("\\fs") / kParagraphs), opened.read,
                    opened.shown, total / kib / firstPerKiB);
    }
    std::filesystem::remove(path);
    std::printf("largest letter opened in %.2f s (bar 1.00 s): %s\n", largestTotal,
                largestTotal < 1.0 ? "within" : "OVER");
    return 0;
}
