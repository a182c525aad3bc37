// The rich-text reader and writer: round trips of every formatting the writer emits, files in
// the shapes word processors write, damaged files, and letters exchanged with a real word
// processor when one is installed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include "platform/printer.h"
#include "platform/rich_text/rich_text_print.h"
#include "platform/rich_text/rtf_reader.h"
#include "platform/rich_text/rtf_writer.h"
#include "tests/support/qt_print.h"
#include "tests/support/temp_dir.h"

namespace {

// What one run of text looks like to a reader of the document.
struct Run {
    QString text;
    QString family;
    double points = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    QColor color;

    bool operator==(const Run&) const = default;
};

void PrintTo(const Run& run, std::ostream* os) {
    *os << run.text.toStdString() << " [" << run.family.toStdString() << " " << run.points
        << (run.bold ? " b" : "") << (run.italic ? " i" : "") << (run.underline ? " u" : "")
        << (run.strike ? " s" : "") << " " << run.color.name().toStdString() << "]";
}

std::vector<Run> Runs(const QTextBlock& block) {
    std::vector<Run> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat f = it.fragment().charFormat();
        const QFont font = f.font();
        runs.push_back(
            {it.fragment().text(), font.family(), f.fontPointSize(), font.bold(), font.italic(),
             font.underline(), font.strikeOut(),
             f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : QColor()});
    }
    return runs;
}

// Bold, italic and underline of every character of the block, as "biu" letters.
QStringList Styles(const QTextBlock& block) {
    QStringList styles;
    for (const Run& run : Runs(block))
        for (qsizetype i = 0; i < run.text.size(); ++i)
            styles << QString(run.bold ? "b" : "") + (run.italic ? "i" : "") +
                          (run.underline ? "u" : "");
    return styles;
}

std::vector<QTextBlock> Blocks(const QTextDocument& document) {
    std::vector<QTextBlock> blocks;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) blocks.push_back(b);
    return blocks;
}

QTextCharFormat Chars(const QString& family, double points) {
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(points);
    return f;
}

QString Read(const QByteArray& rtf, QTextDocument& document) {
    return ReadRtf(rtf, document);
}

// A letter with every formatting the writer knows.
void BuildLetter(QTextDocument& document) {
    QTextCursor c(&document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(centred);
    QTextCharFormat title = Chars("Liberation Serif", 16);
    title.setFontWeight(QFont::Bold);
    c.insertText("Harbour {Supplies} \\ Ltd", title);

    QTextBlockFormat indented;
    indented.setAlignment(Qt::AlignLeft);
    indented.setLeftMargin(48);
    indented.setRightMargin(24);
    indented.setTextIndent(-16);
    c.insertBlock(indented);
    QTextCharFormat italic = Chars("Liberation Sans", 10);
    italic.setFontItalic(true);
    c.insertText("Dear\tcustomer,", italic);
    QTextCharFormat under = Chars("Liberation Sans", 10.5);
    under.setFontUnderline(true);
    under.setForeground(QColor(200, 10, 20));
    c.insertText(QString(" caf\u00e9 \u20ac5 \u03a9 ") + QString::fromUtf8("\xF0\x9F\x98\x80"),
                 under);
    QTextCharFormat struck = Chars("Liberation Mono", 12);
    struck.setFontStrikeOut(true);
    c.insertText(QString("gone") + QChar::LineSeparator + "next line", struck);

    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right);
    c.insertText("Signed", Chars("Liberation Sans", 10));
    c.insertBlock(QTextBlockFormat());
    c.insertText("first point", Chars("Liberation Sans", 10));
    QTextList* list = c.createList(QTextListFormat::ListDisc);
    c.insertBlock();
    c.insertText("second point", Chars("Liberation Sans", 10));
    ASSERT_EQ(c.block().textList(), list);
    c.insertBlock(QTextBlockFormat());
    c.insertText("after", Chars("Liberation Sans", 10));
}

TEST(RtfCodec, RoundTripKeepsEveryFormattingTheWriterEmits) {
    QTextDocument original;
    original.setDefaultFont(QFont("Liberation Sans", 10));
    BuildLetter(original);
    const QByteArray rtf = WriteRtf(original);
    // Windows-1252 as \'hh, the rest as \uN with a fallback, specials escaped.
    for (const char* part : {"\\'e9", "\\'80", "\\u937?", "\\u-10179?\\u-8704?", "\\{Supplies\\}",
                             "\\\\", "\\tab ", "\\line ", "{\\fonttbl", "{\\colortbl ;",
                             "\\red200\\green10\\blue20;", "\\qc", "\\qr", "\\pnlvlblt"})
        EXPECT_TRUE(rtf.contains(part)) << part << "\n" << rtf.toStdString();
    for (const char byte : rtf) EXPECT_LT(static_cast<unsigned char>(byte), 0x80);

    QTextDocument read;
    read.setDefaultFont(original.defaultFont());
    ASSERT_EQ(Read(rtf, read), "");
    // Opening a letter is no edit: Undo has nothing to take back, and works afterwards.
    EXPECT_FALSE(read.isUndoAvailable());
    EXPECT_TRUE(read.isUndoRedoEnabled());
    const auto a = Blocks(original);
    const auto b = Blocks(read);
    ASSERT_EQ(a.size(), b.size()) << read.toPlainText().toStdString();
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Runs(a[i]), Runs(b[i]));
        const QTextBlockFormat fa = a[i].blockFormat();
        const QTextBlockFormat fb = b[i].blockFormat();
        EXPECT_EQ(fa.alignment() & Qt::AlignHorizontal_Mask,
                  fb.alignment() & Qt::AlignHorizontal_Mask);
        EXPECT_DOUBLE_EQ(fa.leftMargin(), fb.leftMargin());
        EXPECT_DOUBLE_EQ(fa.rightMargin(), fb.rightMargin());
        EXPECT_DOUBLE_EQ(fa.textIndent(), fb.textIndent());
        EXPECT_EQ(a[i].textList() != nullptr, b[i].textList() != nullptr);
    }
    // Both bullets are one list, as they were.
    EXPECT_EQ(b[3].textList(), b[4].textList());
    // A second round gives the same bytes: nothing grows or drifts.
    EXPECT_EQ(WriteRtf(read), rtf);
}

TEST(RtfCodec, ReadsFilesInTheShapesWordProcessorsWrite) {
    // Header matter, \* destinations, a picture, a header, a field, old- and new-style
    // bullets, \uN with \uc1 and with \uc0, nested groups and raw 8-bit text.
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 "
        "Arial{\\*\\panose 020b0604020202020204}{\\*\\falt Helvetica};}{\\f1\\fnil\\fcharset2 "
        "Symbol;}\n{\\f2\\froman Liberation Serif;}}\r\n"
        "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "{\\stylesheet{\\s0 Normal;}}{\\info{\\author Someone}{\\title Letter}}"
        "{\\*\\generator Writer 6.1;}{\\*\\pgdsctbl{\\pgdsc0 Default;}}"
        "{\\header \\pard Page header\\par}{\\footerr \\pard Page footer\\par}"
        "\\viewkind4\\uc1\\pard\\qc\\f0\\fs24 Dear \\b LWCSTNAME\\b0 ,\\par\r\n"
        "\\pard\\li720\\ri360\\fi-360 {\\i nested {\\ul deeper} back}\\line second\\par\r\n"
        "\\pard {\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a{\\*\\blipuid 0123}}Prix\\'a0: "
        "caf\xe9 \\u8364\\'80 {\\uc0\\u937}{\\uc2\\u8220\\'93\\'93 q}\\u8221?\\par\r\n"
        "\\pard {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt {\\cf2 link "
        "text}}}\\par\r\n"
        "\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'b7}}"
        "\\fi-360\\li720 wordpad item\\par\r\n"
        "{\\listtext\\pard\\plain \\f1 \\u183\\'b7\\tab}\\pard\\ls1\\li720\\fi-360\\qr word "
        "item\\par\r\n"
        "\\pard\\plain\\f2\\fs20\\tab end\\cell\\row\r\n"
        "}\r\n";
    QTextDocument doc;
    ASSERT_EQ(Read(rtf, doc), "");
    const auto blocks = Blocks(doc);
    ASSERT_EQ(blocks.size(), 7u) << doc.toPlainText().toStdString();
    EXPECT_EQ(blocks[0].text(), "Dear LWCSTNAME,");
    EXPECT_EQ(blocks[0].blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const auto first = Runs(blocks[0]);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].family, "Arial");
    EXPECT_EQ(first[0].points, 12);
    EXPECT_TRUE(first[1].bold);
    EXPECT_FALSE(first[2].bold);

    EXPECT_EQ(blocks[1].text(), QString("nested deeper back") + QChar::LineSeparator + "second");
    EXPECT_DOUBLE_EQ(blocks[1].blockFormat().leftMargin(), 48);
    EXPECT_DOUBLE_EQ(blocks[1].blockFormat().textIndent(), -24);
    EXPECT_DOUBLE_EQ(blocks[1].blockFormat().rightMargin(), 24);
    const auto second = Runs(blocks[1]);
    EXPECT_TRUE(second[0].italic && !second[0].underline);
    EXPECT_TRUE(second[1].italic && second[1].underline);
    EXPECT_TRUE(second[2].italic && !second[2].underline);

    EXPECT_EQ(blocks[2].text(), QString("Prix\u00a0: caf\u00e9 \u20ac \u03a9\u201c q\u201d"));
    EXPECT_EQ(blocks[3].text(), "link text");
    EXPECT_EQ(Runs(blocks[3])[0].color, QColor(0, 0, 255));
    EXPECT_EQ(blocks[4].text(), "wordpad item");
    EXPECT_EQ(blocks[5].text(), "word item");
    ASSERT_NE(blocks[4].textList(), nullptr);
    EXPECT_EQ(blocks[4].textList(), blocks[5].textList());
    EXPECT_EQ(blocks[5].blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(blocks[6].text(), "\tend\t");
    EXPECT_EQ(blocks[6].textList(), nullptr);
    EXPECT_EQ(Runs(blocks[6])[0].family, "Liberation Serif");
    EXPECT_EQ(Runs(blocks[6])[0].points, 10);
    EXPECT_FALSE(doc.toPlainText().contains("Page")) << "headers and footers are not text";
    EXPECT_FALSE(doc.toPlainText().contains("Someone"));
}

TEST(RtfCodec, DamagedFilesAreRefusedWithAReason) {
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {"plain words", "does not begin as rich text"},
        {"{\\rtf1 text}}", "closes more groups than it opens"},
        {"{\\rtf1 {\\b text}", "cut short"},
        {"{\\rtf1 caf\\'e", "cut short"},
        {"{\\rtf1 caf\\'zz}", "hexadecimal"},
        {"{\\rtf1 \\fs99999999999 big}", "number in it is too large"},
        {"{\\rtf1 \\fs2147483648 big}", "number in it is too large"},
        {"{\\rtf1 \\bin2000 ab}", "cut short"},
        {"{\\rtf1 \\" + QByteArray(40, 'x') + " text}", "control word in it is too long"},
        {"{\\rtf1 " + QByteArray(100000, '{') + QByteArray(100000, '}') + "}",
         "nested more than 200 deep"},
    };
    for (const auto& [rtf, reason] : cases) {
        QTextDocument doc;
        doc.setPlainText("left from before");
        const QString problem = Read(rtf, doc);
        EXPECT_TRUE(problem.contains(reason))
            << rtf.left(60).toStdString() << " -> " << problem.toStdString();
        EXPECT_TRUE(doc.isEmpty());
    }
    // The deepest nesting allowed still reads, and a legal \bin is passed over whole.
    QTextDocument doc;
    EXPECT_EQ(Read("{\\rtf1 " + QByteArray(rtf::kMaxDepth - 1, '{') + "deep" +
                       QByteArray(rtf::kMaxDepth - 1, '}') + "}",
                   doc),
              "");
    EXPECT_EQ(doc.toPlainText(), "deep");
    EXPECT_EQ(Read("{\\rtf1 a{\\bin3 }}}}b}", doc), "");
    EXPECT_EQ(doc.toPlainText(), "ab");
    // A \u without its number is passed over: no NUL, and the text after it is kept.
    EXPECT_EQ(Read("{\\rtf1 a\\u b\\u}", doc), "");
    EXPECT_EQ(doc.toPlainText(), "ab");

    // Every cut of a real letter either reads or is refused; none crashes.
    QTextDocument letter;
    BuildLetter(letter);
    const QByteArray whole = WriteRtf(letter);
    for (qsizetype n = 0; n <= whole.lastIndexOf('}'); ++n) {
        QTextDocument part;
        const QString problem = Read(whole.left(n), part);
        EXPECT_FALSE(problem.isEmpty()) << n;
    }
}

TEST(RtfCodec, PrintsRunsWhereTheLayoutPutsThem) {
    QTextDocument doc;
    doc.setDefaultFont(QFont("Liberation Sans", 10));
    BuildLetter(doc);
    RecordingCanvas canvas;
    canvas.BeginDoc();
    PrintRichText(canvas, doc);
    ASSERT_TRUE(canvas.EndDoc());
    const auto* title = canvas.FindText("Harbour {Supplies} \\ Ltd");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->font.name, "Liberation Serif");
    EXPECT_EQ(title->font.style, FontStyle::Bold);
    // Centred: as much room on either side.
    canvas.SetFont(title->font);
    EXPECT_NEAR(title->p1.x(), (canvas.PageWidth() - canvas.TextWidth(title->text)) / 2, 5);
    // The tab splits the line; the second piece starts further right on the same baseline.
    const auto* dear = canvas.FindText("Dear");
    const auto* customer = canvas.FindText("customer,");
    ASSERT_TRUE(dear && customer);
    // Indents print at their size on paper: the first line 32 of 96 to the inch in.
    EXPECT_NEAR(dear->p1.x(), 100, 2);
    EXPECT_EQ(dear->p1.y(), customer->p1.y());
    EXPECT_GT(customer->p1.x(), dear->p1.x() + 100);
    const auto* signedBy = canvas.FindText("Signed");
    ASSERT_NE(signedBy, nullptr);
    EXPECT_GT(signedBy->p1.x(), canvas.PageWidth() / 2);
    EXPECT_NE(canvas.FindText(QString(QChar(0x2022))), nullptr) << "the bullet";

    // A long letter runs on to further pages without losing a line.
    QTextDocument longDoc;
    QTextCursor c(&longDoc);
    for (int i = 1; i <= 150; ++i) {
        if (i > 1) c.insertBlock();
        c.insertText(QString("line %1").arg(i));
    }
    RecordingCanvas pages;
    pages.BeginDoc();
    PrintRichText(pages, longDoc);
    ASSERT_TRUE(pages.EndDoc());
    EXPECT_GE(pages.Pages(), 2);
    for (int i = 1; i <= 150; ++i) EXPECT_NE(pages.FindText(QString("line %1").arg(i)), nullptr);
    for (const auto& call : pages.Texts())
        EXPECT_LE(call.p1.y() + 40, pages.PageHeight()) << call.text.toStdString();
}

// --- exchanging letters with an installed word processor ------------------------------------

class OfficeExchange : public ::testing::Test {
protected:
    void SetUp() override {
        office_ = QStandardPaths::findExecutable("soffice");
        if (office_.isEmpty()) GTEST_SKIP() << "no word processor installed";
    }

    // Converts the file into the format; the converted file's content.
    QByteArray Convert(const QString& path, const QString& format) {
        const QString outDir = QString::fromStdString(dir.file("out-" + format.toStdString()));
        QDir().mkpath(outDir);
        QProcess run;
        run.start(office_,
                  {"-env:UserInstallation=file://" + QString::fromStdString(dir.file("profile")),
                   "--headless", "--convert-to", format, "--outdir", outDir, path});
        EXPECT_TRUE(run.waitForFinished(90000));
        QFile out(outDir + "/" + QFileInfo(path).completeBaseName() + "." + format);
        EXPECT_TRUE(out.open(QIODevice::ReadOnly)) << out.fileName().toStdString();
        return out.readAll();
    }

    testsupport::TempDir dir;
    QString office_;
};

TEST_F(OfficeExchange, LetterSavedHereOpensThereAndBack) {
    QTextDocument original;
    original.setDefaultFont(QFont("Liberation Sans", 10));
    BuildLetter(original);
    const QString path = QString::fromStdString(dir.file("letter.rtf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(WriteRtf(original));
    file.close();

    // As the word processor sees it.
    const QString html = QString::fromUtf8(Convert(path, "html"));
    for (const char* part :
         {"<b>Harbour {Supplies} \\ Ltd</b>", "align=\"center\"", "align=\"right\"", "<i>Dear",
          "caf\u00e9 \u20ac5 \u03a9", "<ul>", "<strike>"})
        EXPECT_TRUE(html.simplified().contains(part)) << part << "\n" << html.toStdString();

    // The word processor's own rich text, read here.
    QTextDocument back;
    ASSERT_EQ(ReadRtf(Convert(path, "rtf"), back), "");
    const auto a = Blocks(original);
    const auto b = Blocks(back);
    ASSERT_EQ(a.size(), b.size()) << back.toPlainText().toStdString();
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a[i].text(), b[i].text());
        EXPECT_EQ(a[i].blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                  b[i].blockFormat().alignment() & Qt::AlignHorizontal_Mask);
        EXPECT_EQ(a[i].textList() != nullptr, b[i].textList() != nullptr);
        EXPECT_EQ(Styles(a[i]), Styles(b[i]));
    }
}

}  // namespace
