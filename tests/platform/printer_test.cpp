// The printer canvas: what a recording canvas keeps, jobs that end well or not, batches, the
// folder proposed for PDF files, and real PDFs read back with pdftotext.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <stdexcept>

#include "platform/application.h"
#include "platform/printer.h"
#include "platform/scope_guard.h"
#include "platform/scripted_host_guard.h"
#include "tests/support/pdf_read.h"
#include "tests/support/temp_dir.h"

namespace {

using Op = RecordingCanvas::Op;
using testsupport::PdfText;

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

namespace {

// One document of a batch: its title as its first line, and as many pages as asked.
void PrintDocument(const QString& title, int pages, std::vector<QString>& printed) {
    PrintJob job(Printer(), title);
    EXPECT_EQ(Printer().PageNumber(), 1);  // each document counts its own pages
    Printer().TextOut(150, 150, title);
    for (int page = 2; page <= pages; ++page) {
        Printer().NewPage();
        Printer().TextOut(150, 150, title + " page " + QString::number(page));
    }
    ASSERT_TRUE(job.End());
    Printer().WhenPrinted([&printed, title] { printed.push_back(title); });
}

}  // namespace

// A batch is one job: its file is asked for once, each document starts on a new page, and
// what waits for a document to be printed waits for the whole job. Cancel prints nothing; an
// error between documents keeps those before it, a document left half drawn costs the job.
TEST(PdfPrinter, ABatchIsOneFileAskedForOnceAndMarksWaitForItsEnd) {
    ScriptedHostGuard host;
    testsupport::TempDir dir;
    const auto file = [&dir](const char* name) { return QString::fromStdString(dir.file(name)); };
    SharedPrinter().setOutputFormat(QPrinter::PdfFormat);  // as with no printer installed
    std::vector<QString> printed;

    host->AnswerFile(file("invoices.pdf"));
    {
        PrintBatch batch(Printer(), "Invoices");
        PrintDocument("Invoice - 1001", 2, printed);
        {
            // The invoice's own batch (its packing slip, its copies) joins the run's.
            PrintBatch own(Printer(), "Invoice - 1002");
            PrintDocument("Invoice - 1002", 1, printed);
            PrintDocument("Packing Slip - 1002", 1, printed);
            EXPECT_TRUE(own.End());
        }
        EXPECT_TRUE(printed.empty());
        ASSERT_TRUE(batch.End());
    }
    EXPECT_EQ(printed,
              (std::vector<QString>{"Invoice - 1001", "Invoice - 1002", "Packing Slip - 1002"}));
    ASSERT_EQ(testsupport::PdfPages(file("invoices.pdf")), 4);
    EXPECT_EQ(testsupport::PdfLines(file("invoices.pdf"), 3).value(0), "Invoice - 1002");

    printed.clear();
    host->AnswerFile({});
    EXPECT_THROW(PrintBatch(Printer(), "Statements"), CommandCancelled);
    EXPECT_FALSE(Printer().Printing());

    host->AnswerFile(file("kept.pdf"));
    EXPECT_THROW(
        {
            PrintBatch batch(Printer(), "Statements");
            PrintDocument("Statement - C1", 1, printed);
            RaiseError("Customer C2 holds an amount that is not a number.");
        },
        AppError);
    EXPECT_EQ(printed, std::vector<QString>{"Statement - C1"});
    EXPECT_EQ(testsupport::PdfPages(file("kept.pdf")), 1);

    host->AnswerFile(file("abandoned.pdf"));
    EXPECT_THROW(
        {
            PrintBatch batch(Printer(), "Statements");
            PrintDocument("Statement - C3", 1, printed);
            PrintJob half(Printer(), "Statement - C4");
            RaiseError("The printer could not start a new page.");
        },
        AppError);
    EXPECT_EQ(printed, std::vector<QString>{"Statement - C1"});
    EXPECT_FALSE(QFile::exists(file("abandoned.pdf")));

    // A batch that printed nothing leaves no empty file behind.
    host->AnswerFile(file("empty.pdf"));
    {
        PrintBatch batch(Printer(), "Purchase Orders");
        EXPECT_TRUE(batch.End());
    }
    EXPECT_FALSE(QFile::exists(file("empty.pdf")));
    EXPECT_TRUE(host->Messages().isEmpty());
}

// The folder proposed exists: the one used last while it is there (kept for the next run),
// else the documents folder when there is one, else the home folder. A file chosen in the
// print dialog is the job's file without a second question.
TEST(PdfPrinter, TheFolderProposedExistsAndIsKeptForTheNextRun) {
    ScriptedHostGuard host;
    testsupport::TempDir dir;
    const QString home = QString::fromStdString(dir.file("home"));
    const QString kept = QString::fromStdString(dir.file("PdfDir.Dat"));
    QDir().mkpath(home + "/.config");
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
    const ScopeExit restore([&] {
        qputenv("HOME", oldHome);
        if (oldConfig.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
        KeepPdfFolderIn({});
    });

    SaveFolder folder;
    EXPECT_EQ(folder.Proposal("PO - 1031.pdf"), home + "/PO - 1031.pdf");  // no Documents
    QDir().mkpath(home + "/Documents");
    EXPECT_EQ(folder.Proposal("PO - 1031.pdf"), home + "/Documents/PO - 1031.pdf");
    const QString letters = QString::fromStdString(dir.file("letters"));
    QDir().mkpath(letters);
    folder.KeepIn(kept);
    folder.Used(letters + "/Overdue.pdf");
    EXPECT_EQ(SaveFolder().Proposal("x.pdf"), home + "/Documents/x.pdf");
    SaveFolder nextRun;
    nextRun.KeepIn(kept);
    EXPECT_EQ(nextRun.Proposal("x.pdf"), letters + "/x.pdf");
    QDir(letters).removeRecursively();
    EXPECT_EQ(nextRun.Proposal("x.pdf"), home + "/Documents/x.pdf");

    // The print dialog proposes the job's file; the job of that title writes it unasked,
    // and the program's next run proposes its folder.
    QDir().mkpath(letters);
    KeepPdfFolderIn(kept);
    SharedPrinter().setOutputFormat(QPrinter::PdfFormat);
    host->AnswerPrinterDialog(true);
    ASSERT_TRUE(PrintDialogForJob("Overdue"));
    EXPECT_EQ(SharedPrinter().outputFileName(), letters + "/Overdue.pdf");
    std::vector<QString> printed;
    {
        PrintBatch batch(Printer(), "Overdue");
        PrintDocument("Overdue", 1, printed);
        ASSERT_TRUE(batch.End());
    }
    EXPECT_EQ(testsupport::PdfPages(letters + "/Overdue.pdf"), 1);
    host->AnswerFile({});  // the choice was for that job only
    EXPECT_THROW(PrintBatch(Printer(), "Overdue"), CommandCancelled);
}
