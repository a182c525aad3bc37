// The report viewer window driven as a user would: shown by a builder, sorted from the
// column box, the check boxes and a double-click, saved, printed and given a new font.
#include "reports/viewer/report_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>

#include "platform/printer.h"
#include "platform/scripted_host_guard.h"
#include "platform/string_grid.h"
#include "reports/viewer/report_font.h"
#include "reports/viewer/report_text.h"
#include "shell/app_context.h"
#include "tests/reports/report_samples.h"
#include "tests/support/temp_dir.h"

using namespace reportsamples;

namespace {

class ReportViewerTest : public ::testing::Test {
protected:
    ReportViewerTest() {
        CompanyRec& company = shell.context().companies.CurrentCompany;
        company.set(Company::Name, "Harbour Supplies");
        EXPECT_TRUE(company.set(Company::LeftFormMargin, "60"));
        EXPECT_TRUE(company.set(Company::TopFormMargin, "80"));
        ReportTitle = "PO Register";
    }
    ~ReportViewerTest() override { ReportTitle.clear(); }

    // What a builder does before it shows the viewer.
    void Fill(const ReportGrid& grid, const ReportParams& params = kPORegister) {
        viewer.RptGrid->SetColCount(grid.cols);
        viewer.RptGrid->SetRowCount(grid.rowCount());
        for (int r = 0; r < grid.rowCount(); ++r)
            for (int c = 0; c < grid.cols; ++c)
                viewer.RptGrid->SetCell(c, r, QString::fromStdString(grid.cell(c, r)));
        viewer.Head1->setText("Harbour Supplies");
        viewer.Head2->setText("Date: Tuesday, March 4, 2025, 02:05 PM");
        viewer.Head3->setText("Selected records from 01/01/2024 to 02/29/2024");
        viewer.SortColumnLimit = params.SortColumnLimit;
        viewer.LastAmountColumn = params.LastAmountColumn;
        viewer.SortCol->clear();
        for (int n = params.SortColumnLimit + 1; n >= 2; --n)
            viewer.SortCol->addItem(QString::number(n));
    }

    // The grid as shown, one line a row.
    std::vector<std::string> Shown() const { return Lines(*viewer.RptGrid); }

    std::string FileBytes(const std::string& name) {
        return ReadWholeFile(dir.path() / name).value_or(std::string{});
    }

    testsupport::TempDir dir;
    ShellContextScope shell{dir.path()};
    ScriptedHostGuard host;
    Trtreport viewer;
};

TEST_F(ReportViewerTest, ShowsTheReportSortedOnItsFirstColumnWithTotals) {
    EXPECT_EQ(viewer.windowTitle(), "Report Wizard");
    EXPECT_EQ(rtreport, &viewer);
    Fill(PORegister());
    host->OnModal("rtreport", [&](Form& f) {
        ReportGrid expected = PORegister();
        ASSERT_EQ(SortAndTotalReport(expected, 0, true, kPORegister), SortOutcome::Sorted);
        EXPECT_EQ(Shown(), Lines(expected));
        EXPECT_EQ(viewer.Report(), expected);
        EXPECT_EQ(f.windowTitle(), "PO Register by Date");
        EXPECT_TRUE(viewer.stotals->isChecked());
        EXPECT_TRUE(viewer.PageBreakCB->isEnabled());
        EXPECT_EQ(viewer.SortCol->currentText(), "2");
        EXPECT_EQ(viewer.SortCol->itemText(0), "2");  // the box lists its numbers in order
        EXPECT_EQ(viewer.RptGrid->Col(), 0);
        EXPECT_EQ(viewer.RptGrid->Row(), 1);
        // Columns are wide enough for their longest text; painting amounts is no trouble.
        EXPECT_GT(viewer.RptGrid->ColWidth(6),
                  QFontMetrics(viewer.RptGrid->font()).horizontalAdvance("1,365.0"));
        EXPECT_FALSE(viewer.RptGrid->grab().isNull());
        PressButton(f, "ExitButn");
    });
    viewer.ShowModal();
}

TEST_F(ReportViewerTest, SortsOnTheColumnChosenTypedOrDoubleClicked) {
    Fill(PORegister());
    host->OnModal("rtreport", [&](Form& f) {
        FillControl(f, "SortCol", "4");
        EXPECT_EQ(f.windowTitle(), "PO Register by Vendor#");
        EXPECT_EQ(Shown()[1], "V100|1001|ACME|2024/01/15|100.00|5.00|105.00|O");
        const auto byVendor = Shown();

        // Past the sort limit or the grid, only a beep; not a number, the conversion error.
        FillControl(f, "SortCol", "6");
        FillControl(f, "SortCol", "9");
        EXPECT_EQ(host->Beeps(), 2);
        host->Answer(MsgResult::Ok, "'abc' is not a valid integer value.");
        FillControl(f, "SortCol", "abc");
        EXPECT_EQ(Shown(), byVendor);

        // Chosen from the list: "2" is the second column as it now stands.
        emit viewer.SortCol->textActivated("2");
        EXPECT_EQ(f.windowTitle(), "PO Register by PO#");
        EXPECT_EQ(Shown()[1], "1001|V100|ACME|2024/01/15|100.00|5.00|105.00|O");

        viewer.RptGrid->SetCurrent(2, 3);
        viewer.RptGridDblClick();
        EXPECT_EQ(f.windowTitle(), "PO Register by Short Name");
        EXPECT_EQ(Shown()[1], "ACME|V100|1001|2024/01/15|100.00|5.00|105.00|O");
        viewer.RptGridDblClick();  // on column 0 now: nothing to do
        EXPECT_EQ(f.windowTitle(), "PO Register by Short Name");

        // Typed key by key as the user does, the window active so that the box loses the
        // focus to the grid after a sort: one sort per number (a second one would swap the
        // columns back).
        f.activateWindow();
        QApplication::processEvents();
        const auto typeKeys = [&](const QString& keys) {
            QLineEdit* edit = viewer.SortCol->lineEdit();
            edit->setFocus();
            edit->selectAll();
            for (const QChar key : keys) {
                QKeyEvent press(QEvent::KeyPress, key.unicode(), Qt::NoModifier, key);
                QApplication::sendEvent(edit, &press);
            }
        };
        typeKeys("2");
        EXPECT_EQ(f.windowTitle(), "PO Register by Vendor#");
        EXPECT_EQ(Shown()[1], "V100|ACME|1001|2024/01/15|100.00|5.00|105.00|O");
        host->Answer(MsgResult::Ok, "'x' is not a valid integer value.");
        typeKeys("x");
        typeKeys("2");
        EXPECT_EQ(f.windowTitle(), "PO Register by Short Name");

        // Without sub-totals: sorted on column 0, only the grand total; page breaks off.
        CheckButton(f, "PageBreakCB", true);
        EXPECT_EQ(f.windowTitle(), "PO Register by Short Name");
        CheckButton(f, "stotals", false);
        EXPECT_FALSE(viewer.PageBreakCB->isEnabled());
        EXPECT_EQ(Shown().size(), 6u);
        EXPECT_EQ(Shown().back(), "|||Grand Total|1,300.00|65.00|1,365.00|");
        PressButton(f, "ExitButn");
    });
    viewer.ShowModal();

    // The next report: sub-totals are ticked again and the new rows replace the old.
    Fill(ReportGrid::FromRows(
        8, {POHeading(), PORow("2024/03/01", "2001", "ZED", "V9", "9.00", "0.00", "9.00")}));
    host->OnModal("rtreport", [&](Form& f) {
        EXPECT_TRUE(viewer.stotals->isChecked());
        EXPECT_TRUE(viewer.PageBreakCB->isEnabled());
        EXPECT_TRUE(viewer.PageBreakCB->isChecked());  // kept from the last report
        EXPECT_EQ(Shown(),
                  (std::vector<std::string>{
                      "Year/Mo/Dy|PO#|Short Name|Vendor#|Net Amount|Tax Amount|Grand Total|C",
                      "2024/03/01|2001|ZED|V9|9.00|0.00|9.00|O", "|||** Totals|9.00|0.00|9.00|",
                      "|||||||", "|||Grand Total|9.00|0.00|9.00|"}));
        PressButton(f, "ExitButn");
    });
    viewer.ShowModal();
}

TEST_F(ReportViewerTest, AReportOfOnlyItsHeadingsIsShownAsItIs) {
    Fill(ReportGrid::FromRows(8, {POHeading()}));
    host->OnModal("rtreport", [&](Form& f) {
        EXPECT_EQ(Shown(), Lines(ReportGrid::FromRows(8, {POHeading()})));
        FillControl(f, "SortCol", "3");
        EXPECT_EQ(Shown().size(), 1u);
        PressButton(f, "ExitButn");
    });
    viewer.ShowModal();
}

TEST_F(ReportViewerTest, SavesTheReportAsText) {
    Fill(PORegister());
    const std::string path = dir.file("po.txt");
    host->OnModal("rtreport", [&](Form& f) {
        host->AnswerFile({});  // cancelled: nothing written
        PressButton(f, "SaveButn");
        // A folder that is not there: the user is told what the system said.
        const QString nowhere = QString::fromStdString(dir.file("gone/po.txt"));
        host->AnswerFile(nowhere);
        host->Answer(MsgResult::Ok,
                     "The report could not be saved in " + nowhere +
                         ".\n\nThe system reported: No such file or directory.",
                     "Save As");
        PressButton(f, "SaveButn");
        host->AnswerFile(QString::fromStdString(path));
        PressButton(f, "SaveButn");
        PressButton(f, "ExitButn");
    });
    viewer.ShowModal();
    EXPECT_EQ(host->Record()[1].caption, "Save As");
    const auto saved = ReadWholeFile(path);
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved,
              ReportTextFile(viewer.Report(), {"PO Register by Date", "Harbour Supplies",
                                               "Date: Tuesday, March 4, 2025, 02:05 PM",
                                               "Selected records from 01/01/2024 to 02/29/2024"}));
    EXPECT_EQ(saved->substr(0, 39), "PO Register by Date\r\nHarbour Supplies\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// The viewer fills the work area as a maximised window (its frame and buttons on the
// screen), and "Save As" proposes the user's documents folder, else the data folder's
// parent, and then the folder used last; never the program's working folder.
TEST_F(ReportViewerTest, OpensMaximisedAndSavesWhereTheUserKeepsFiles) {
    Fill(PORegister());
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString first = QDir(documents).exists()
                              ? documents
                              : QString::fromStdString(dir.path().parent_path().string());
    const std::string chosen = dir.file("po.txt");
    host->OnModal("rtreport", [&](Form& f) {
        EXPECT_TRUE(f.windowState() & Qt::WindowMaximized);
        host->AnswerFile(QString::fromStdString(chosen));
        PressButton(f, "SaveButn");
        host->AnswerFile({});
        PressButton(f, "SaveButn");
        PressButton(f, "ExitButn");
    });
    viewer.ShowModal();
    std::vector<QString> proposed;
    for (const auto& shown : host->Record())
        if (shown.kind == ScriptedHost::Kind::File) proposed.push_back(shown.proposed);
    ASSERT_EQ(proposed.size(), 2u);
    EXPECT_EQ(proposed[0], QDir(first).filePath("PO Register.TXT"));
    EXPECT_EQ(proposed[1], QString::fromStdString(dir.file("PO Register.TXT")));
    EXPECT_NE(QFileInfo(proposed[0]).absolutePath(), QDir::currentPath());
}

TEST_F(ReportViewerTest, PrintsOnTheProgramPrinterWithTheCompanysMargins) {
    Fill(PORegister());
    RecordingCanvas canvas;
    const PrinterOverride use(canvas);
    host->OnModal("rtreport", [&](Form& f) {
        PressButton(f, "InvPrint");
        const auto* done = canvas.FindText("Report Complete. 3 records printed.");
        ASSERT_NE(done, nullptr);
        EXPECT_EQ(done->p1.x(), 60);
        EXPECT_EQ(canvas.FindText("Harbour Supplies")->p1, QPoint(60, 80));
        EXPECT_NE(canvas.FindText("PO Register by Date"), nullptr);
        EXPECT_EQ(canvas.Texts().front().font, viewer.RptGridFont());

        // A margin that is not a whole number ends the command before any job starts.
        canvas.Clear();
        EXPECT_TRUE(Shell().companies.CurrentCompany.set(Company::TopFormMargin, "x"));
        host->Answer(MsgResult::Ok, "'x' is not a valid integer value.");
        PressButton(f, "InvPrint");
        EXPECT_TRUE(canvas.Calls().empty());
        EXPECT_FALSE(canvas.Printing());

        host->AnswerPrinterDialog(true);
        PressButton(f, "PSetButn");
        PressButton(f, "HelpButn");
        PressButton(f, "ExitButn");
    });
    viewer.ShowModal();
    EXPECT_EQ(host->HelpKeywords(), QStringList{"ReportWizard"});
}

TEST_F(ReportViewerTest, TheChosenFontIsUsedAndKept) {
    EXPECT_EQ(viewer.RptGridFont(), DefaultReportFont());
    Fill(PORegister());
    const FontSpec chosen{"Courier New", 12, 0x000000FF, FontStyle::Italic};
    host->OnModal("rtreport", [&](Form& f) {
        host->AnswerFont(std::nullopt);
        PressButton(f, "SpeedButton1");
        EXPECT_EQ(viewer.RptGridFont(), DefaultReportFont());
        EXPECT_EQ(FileBytes("RptFont.Dat"), "");
        host->AnswerFont(chosen);
        PressButton(f, "SpeedButton1");
        PressButton(f, "ExitButn");
    });
    viewer.ShowModal();
    EXPECT_EQ(viewer.RptGridFont(), chosen);
    EXPECT_EQ(CurrentReportFont(), chosen);
    EXPECT_TRUE(viewer.RptGrid->font().italic());
    EXPECT_EQ(viewer.RptGrid->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(FileBytes("RptFont.Dat").size(), 48u);

    // The next start of the program reads it back.
    const Trtreport next;
    EXPECT_EQ(next.RptGridFont(), chosen);
}

TEST(AmountCell, PointsLineUpWhateverTheTextsLength) {
    const QRect cell(10, 20, 120, 18);
    for (const char* text : {"1,234.50", "5.00", "-12.00", ".50", "12.05.2005"}) {
        const AmountCellParts parts = SplitAmountCell(cell, text, 20);
        EXPECT_EQ(parts.fraction.left(), 110) << text;
        EXPECT_EQ(parts.whole.right(), 109) << text;
        EXPECT_EQ(parts.whole.left(), 10);
        EXPECT_EQ(parts.fraction.right(), cell.right());
        EXPECT_EQ(parts.whole.top(), 22);
        EXPECT_EQ(parts.wholeText + parts.fractionText, text);
        EXPECT_TRUE(parts.fractionText.startsWith('.'));
    }
    EXPECT_EQ(SplitAmountCell(cell, "12.05.2005", 20).fractionText, ".05.2005");
}

}  // namespace
