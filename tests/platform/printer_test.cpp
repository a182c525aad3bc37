// The printer canvas: what a recording canvas keeps, jobs that end well or not, and a real
// PDF read back with pdftotext.
#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <stdexcept>

#include "platform/application.h"
#include "platform/printer.h"
#include "platform/scripted_host_guard.h"
#include "tests/support/temp_dir.h"

namespace {

using Op = RecordingCanvas::Op;

// Two pages of text, a rule and a box, as the document printers draw them.
void PrintTwoPages(PrintCanvas& canvas) {
    PrintJob job(canvas, "PO - 1001");
    canvas.SetFont({"Arial", 12, 0, FontStyle::Bold});
    canvas.SetBrushStyle(BrushStyle::Clear);
    canvas.TextOut(150, 150, "Harbour Supplies Purchase Order");
    canvas.SetPenWidth(3);
    canvas.MoveTo(20, 400);
    canvas.LineTo(canvas.PageWidth() - 20, 400);
    canvas.Rectangle(20, 500, 400, 700);
    QImage logo(120, 60, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    canvas.Draw(canvas.PageWidth() - 200, 150, logo);
    canvas.NewPage();
    canvas.SetFont({"Courier New", 10, 0, 0});
    canvas.TextOut(150, 150, "Continued on page number 2");
    ASSERT_TRUE(job.End());
}

QString PdfText(const QString& path, int page = 0) {
    QStringList args{"-layout"};
    if (page > 0) args << "-f" << QString::number(page) << "-l" << QString::number(page);
    QProcess run;
    run.start("pdftotext", args << path << "-");
    run.waitForFinished(30000);
    return QString::fromUtf8(run.readAllStandardOutput());
}

}  // namespace

TEST(RecordingCanvas, KeepsEveryCallWithItsPageFontAndPen) {
    RecordingCanvas canvas;
    PrintTwoPages(canvas);

    const auto& calls = canvas.Calls();
    ASSERT_EQ(calls.front().op, Op::Begin);
    EXPECT_EQ(calls.front().text, "PO - 1001");
    EXPECT_EQ(calls.back().op, Op::End);
    EXPECT_EQ(canvas.Pages(), 2);

    const auto* head = canvas.FindText("Harbour Supplies Purchase Order");
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->page, 1);
    EXPECT_EQ(head->p1, QPoint(150, 150));
    EXPECT_EQ(head->font.style, FontStyle::Bold);
    EXPECT_EQ(head->brush, BrushStyle::Clear);
    EXPECT_EQ(canvas.Texts(2).size(), 1u);
    EXPECT_EQ(canvas.Texts(2)[0].font.name, "Courier New");

    const auto line =
        std::find_if(calls.begin(), calls.end(), [](auto& c) { return c.op == Op::Line; });
    ASSERT_NE(line, calls.end());
    EXPECT_EQ(line->p1, QPoint(20, 400));
    EXPECT_EQ(line->p2, QPoint(canvas.PageWidth() - 20, 400));
    EXPECT_EQ(line->penWidth, 3);
    EXPECT_EQ(canvas.PenPos(), QPoint(0, 0));  // a new page starts at the origin

    const auto rect =
        std::find_if(calls.begin(), calls.end(), [](auto& c) { return c.op == Op::Rectangle; });
    ASSERT_NE(rect, calls.end());
    EXPECT_EQ(rect->p1, QPoint(20, 500));
    EXPECT_EQ(rect->p2, QPoint(400, 700));
    const auto image =
        std::find_if(calls.begin(), calls.end(), [](auto& c) { return c.op == Op::Image; });
    ASSERT_NE(image, calls.end());
    EXPECT_EQ(image->imageSize, QSize(120, 60));
    EXPECT_EQ(image->p2 - image->p1, QPoint(120, 60));
}

TEST(RecordingCanvas, TextIsMeasuredAtPrinterResolution) {
    RecordingCanvas canvas;
    canvas.SetFont({"Arial", 10, 0, 0});
    const int h10 = canvas.TextHeight("MXjpy");
    // A 10 point line at 300 dpi is about 42 pixels high.
    EXPECT_GT(h10, 35);
    EXPECT_LT(h10, 55);
    canvas.SetFont({"Arial", 20, 0, 0});
    EXPECT_GT(canvas.TextHeight("MXjpy"), h10 * 3 / 2);
    EXPECT_GT(canvas.TextWidth("XXXXXXXXXX"), canvas.TextWidth("XXXXX"));
    canvas.SetFont({"Arial", 10, 0, 0});
    const int regular = canvas.TextWidth("Grand Total");
    canvas.SetFont({"Arial", 10, 0, FontStyle::Bold});
    EXPECT_GT(canvas.TextWidth("Grand Total"), regular);

    EXPECT_GT(canvas.PageHeight(), canvas.PageWidth());
    canvas.SetOrientation(Orientation::Landscape);
    EXPECT_GT(canvas.PageWidth(), canvas.PageHeight());
}

TEST(RecordingCanvas, AnAbandonedJobIsNotAJobThatEndedWell) {
    RecordingCanvas canvas;
    try {
        PrintJob job(canvas, "Mailing Labels");
        canvas.TextOut(10, 10, "first label");
        throw std::runtime_error("customer file missing");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(canvas.Printing());
    EXPECT_FALSE(canvas.JobEndedWell());
    EXPECT_EQ(canvas.Calls().back().op, Op::Abort);

    // Drawing outside a job, or a printer that cannot start, is an error, not a crash.
    EXPECT_THROW(canvas.TextOut(1, 1, "x"), AppError);
    canvas.FailNextBegin();
    EXPECT_THROW(PrintJob(canvas, "Interest Charges"), AppError);
    EXPECT_FALSE(canvas.Printing());

    PrintTwoPages(canvas);
    EXPECT_TRUE(canvas.JobEndedWell());
}

TEST(RecordingCanvas, ProgramPrinterCanBeReplacedForAScope) {
    RecordingCanvas canvas;
    {
        PrinterOverride use(canvas);
        EXPECT_EQ(&Printer(), &canvas);
    }
    EXPECT_NE(&Printer(), &canvas);
}

TEST(PdfPrinter, TwoPagesOfTextReadBack) {
    testsupport::TempDir dir;
    const QString path = QString::fromStdString(dir.file("po.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QtPrintCanvas canvas(printer);
    EXPECT_GT(canvas.PageWidth(), 2000);  // Letter or A4 at 300 dpi
    EXPECT_LT(canvas.PageWidth(), 2700);

    PrintTwoPages(canvas);
    EXPECT_TRUE(canvas.JobEndedWell());

    const QString all = PdfText(path);
    EXPECT_EQ(all.count('\f'), 2) << all.toStdString();
    EXPECT_TRUE(PdfText(path, 1).contains("Harbour Supplies Purchase Order"));
    EXPECT_TRUE(PdfText(path, 2).contains("Continued on page number 2"));
    EXPECT_FALSE(PdfText(path, 2).contains("Harbour"));
}

TEST(PdfPrinter, ProgramPrinterWritesToThePdfPathAndAbortKeepsNothing) {
    testsupport::TempDir dir;
    const QString path = QString::fromStdString(dir.file("labels.pdf"));
    SetPdfOutput(path);
    {
        PrintJob job(Printer(), "Mailing Labels");
        Printer().TextOut(100, 100, "abandoned");
    }
    EXPECT_FALSE(QFile::exists(path));
    PrintTwoPages(Printer());
    EXPECT_TRUE(PdfText(path).contains("Continued on page number 2"));
    SetPdfOutput({});
}

// A machine without a printer: every job asks for its own PDF file, proposing the job's
// title in the folder used last; a job that fails to start leaves the printer usable, and a
// cancelled question prints nothing and says nothing.
TEST(PdfPrinter, WithoutAPrinterEachJobAsksForItsOwnFile) {
    ScriptedHostGuard host;
    testsupport::TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    const QString first = folder + "/first.pdf";
    const QString second = folder + "/Invoice - 1002.pdf";

    // A job to a folder that does not exist fails, and the printer takes the next job.
    SetPdfOutput(folder + "/missing/x.pdf");
    EXPECT_THROW(PrintTwoPages(Printer()), AppError);
    EXPECT_FALSE(Printer().Printing());
    SetPdfOutput({});
    SharedPrinter().setOutputFormat(QPrinter::PdfFormat);  // as with no printer installed
    {
        // A job begun on no file at all leaves the printer marked active for good.
        QPainter stuck;
        EXPECT_FALSE(stuck.begin(&SharedPrinter()));
    }

    host->AnswerFile(first);
    PrintTwoPages(Printer());
    host->AnswerFile(second);
    {
        PrintJob job(Printer(), "Invoice - 1002");
        Printer().TextOut(100, 100, "second job");
        ASSERT_TRUE(job.End());
    }
    host->AnswerFile({});
    EXPECT_THROW(PrintJob(Printer(), "Mailing Labels"), CommandCancelled);
    EXPECT_FALSE(Printer().Printing());

    EXPECT_TRUE(PdfText(first).contains("Harbour Supplies Purchase Order"));
    EXPECT_TRUE(PdfText(second).contains("second job"));
    std::vector<QString> proposed;
    for (const auto& shown : host->Record())
        if (shown.kind == ScriptedHost::Kind::File) proposed.push_back(shown.proposed);
    ASSERT_EQ(proposed.size(), 3u);
    EXPECT_TRUE(proposed[0].endsWith("/PO - 1001.pdf"));
    EXPECT_EQ(proposed[1], folder + "/Invoice - 1002.pdf");
    EXPECT_EQ(proposed[2], folder + "/Mailing Labels.pdf");
    EXPECT_EQ(PdfFileName("Sales: a/b"), "Sales- a-b.pdf");
    // A cancelled job is no error the user is shown.
    EXPECT_TRUE(host->Messages().isEmpty());
    host->AnswerFile({});
    EXPECT_FALSE(RunCommand([] { PrintTwoPages(Printer()); }));
    EXPECT_TRUE(host->Messages().isEmpty());
}
