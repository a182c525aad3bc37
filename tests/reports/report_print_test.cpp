// The printed report: page heading, rows, rules, page breaks and the closing count, on the
// recording canvas and in a real PDF.
#include "reports/viewer/report_print.h"

#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>

#include "platform/printer.h"
#include "tests/reports/report_samples.h"
#include "tests/support/pdf_read.h"
#include "tests/support/temp_dir.h"

using namespace reportsamples;
using Op = RecordingCanvas::Op;

namespace {

constexpr int kLeft = 60;
constexpr int kTop = 80;

ReportPrintSetup PrintSetup(const ReportParams& params, const ReportGrid& grid) {
    ReportPrintSetup setup;
    setup.params = params;
    setup.headings = {ReportCaption(grid, params.ReportTitle), "Harbour Supplies",
                      "Date: Monday, March 3, 2025, 09:00 AM",
                      "Selected records from 01/01/2024 to 02/29/2024"};
    setup.companyName = "Harbour Supplies";
    setup.runDateTime = "Tuesday, March 4, 2025, 02:05 PM";
    setup.leftMargin = kLeft;
    setup.topMargin = kTop;
    setup.font = {"Arial", 10, 0, FontStyle::Bold};
    return setup;
}

ReportGrid SortedPORegister(bool subTotals = true) {
    ReportGrid grid = PORegister();
    EXPECT_EQ(SortAndTotalReport(grid, 0, subTotals, kPORegister), SortOutcome::Sorted);
    return grid;
}

std::vector<RecordingCanvas::Call> Lines(const RecordingCanvas& canvas, int page = 0) {
    std::vector<RecordingCanvas::Call> lines;
    for (const auto& call : canvas.Calls())
        if (call.op == Op::Line && (page == 0 || call.page == page)) lines.push_back(call);
    return lines;
}

std::vector<int> TextYs(const RecordingCanvas& canvas, const QString& text) {
    std::vector<int> ys;
    for (const auto& call : canvas.Texts())
        if (call.text == text) ys.push_back(call.p1.y());
    return ys;
}

}  // namespace

TEST(PrintReport, LaysOutHeadingRowsAndRulesInPrinterPixels) {
    const ReportGrid grid = SortedPORegister();
    RecordingCanvas canvas;
    ASSERT_TRUE(PrintReport(canvas, grid, PrintSetup(kPORegister, grid)));
    EXPECT_EQ(canvas.Calls().front().text, "PO Register");
    EXPECT_EQ(canvas.Pages(), 1);
    const int h = canvas.TextHeight("MXjpy");
    const int pageHeight = canvas.PageHeight();

    const auto at = [&canvas](const QString& text) {
        const auto* call = canvas.FindText(text);
        return call ? call->p1 : QPoint(-1, -1);
    };
    EXPECT_EQ(at("Harbour Supplies"), QPoint(kLeft, kTop));
    EXPECT_EQ(at("PO Register by Date"), QPoint(kLeft, kTop + h));
    EXPECT_EQ(at("Page 1"), QPoint(canvas.PageWidth() - 500, kTop + h));
    EXPECT_EQ(at("Date: Tuesday, March 4, 2025, 02:05 PM"), QPoint(kLeft, kTop + 2 * h));
    EXPECT_EQ(at("Selected records from 01/01/2024 to 02/29/2024"), QPoint(kLeft, kTop + 3 * h));
    const int headingY = kTop + 5 * h;
    EXPECT_EQ(at("Year/Mo/Dy"), QPoint(kLeft, headingY));
    EXPECT_EQ(TextYs(canvas, "2024/01/15"),
              (std::vector<int>{headingY + h + 3, headingY + 2 * (h + 3)}));
    EXPECT_EQ(at("Report Complete. 3 records printed."), QPoint(kLeft, pageHeight - 100));

    // Amounts end at one right edge down their column, whatever their length.
    const auto rightEdge = [&](const QString& text) {
        const auto* call = canvas.FindText(text);
        return call ? call->p1.x() + canvas.TextWidth(text) : -1;
    };
    const int netEdge = rightEdge("100.00");
    EXPECT_GT(netEdge, at("V100").x());
    for (const char* net : {"200.00", "300.00", "1,000.00", "1,300.00"})
        EXPECT_EQ(rightEdge(net), netEdge) << net;
    EXPECT_EQ(rightEdge("Net Amount"), netEdge);  // headings of amount columns too
    EXPECT_EQ(rightEdge("1,365.00"), rightEdge("105.00"));

    // Heavy rules: around the heading row, over each "** Totals", around each month row and
    // around the grand total; all from the left margin or the rule start to one rule end.
    const auto lines = Lines(canvas);
    ASSERT_FALSE(lines.empty());
    const int ruleEnd = lines.front().p2.x();
    EXPECT_GT(ruleEnd, rightEdge("1,365.00"));
    std::vector<int> ys;
    for (const auto& line : lines) {
        EXPECT_EQ(line.penWidth, 3);
        EXPECT_EQ(line.p2.x(), ruleEnd);
        EXPECT_EQ(line.p1.y(), line.p2.y());
        ys.push_back(line.p1.y());
    }
    EXPECT_EQ(ys.front(), headingY - 17);
    EXPECT_EQ(ys[1], headingY + h);
    EXPECT_EQ(lines.size(), 2u + 2u + 2u * 2u + 2u);  // heading, 2 sub-totals, 2 months, grand
    const auto totals = TextYs(canvas, "** Totals");
    ASSERT_EQ(totals.size(), 2u);
    const auto over = std::find_if(lines.begin(), lines.end(),
                                   [&](const auto& l) { return l.p1.y() == totals[0]; });
    ASSERT_NE(over, lines.end());
    EXPECT_GT(over->p1.x(), at("V100").x());  // the rule over the sums starts after column 3
}

TEST(PrintReport, SubTotalPageBreaksStartANewPageAfterEachGroup) {
    const ReportGrid grid = SortedPORegister();
    ReportPrintSetup setup = PrintSetup(kPORegister, grid);
    setup.subTotalPageBreaks = true;
    RecordingCanvas canvas;
    ASSERT_TRUE(PrintReport(canvas, grid, setup));
    ASSERT_EQ(canvas.Pages(), 3);
    const int h = canvas.TextHeight("MXjpy");
    for (int page = 1; page <= 3; ++page) {
        const auto texts = canvas.Texts(page);
        ASSERT_GE(texts.size(), 5u);
        EXPECT_EQ(texts[0].text, "Harbour Supplies");
        EXPECT_EQ(canvas.FindText("Page " + QString::number(page))->page, page);
        // Every page repeats the column headings under its page heading.
        const auto heading = std::find_if(texts.begin(), texts.end(),
                                          [](const auto& t) { return t.text == "Year/Mo/Dy"; });
        ASSERT_NE(heading, texts.end()) << page;
        EXPECT_EQ(heading->p1.y(), kTop + 5 * h);
    }
    EXPECT_EQ(canvas.FindText("Continued on page 2 ...")->page, 1);
    EXPECT_EQ(canvas.FindText("Continued on page 3 ...")->page, 2);
    const auto* done = canvas.FindText("Report Complete. 3 records printed.");
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(done->page, 3);
    EXPECT_EQ(canvas.Texts(3).back().text, done->text);
    ASSERT_NE(canvas.FindText("1,365.00"), nullptr);
    EXPECT_EQ(canvas.FindText("1,365.00")->page, 3);
}

TEST(PrintReport, LongReportsTurnPagesAboveTheFootAndCountEveryRecord) {
    std::vector<std::vector<std::string>> rows{POHeading()};
    for (int i = 0; i < 150; ++i)
        rows.push_back(
            PORow("2024/01/" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(i % 28 + 1),
                  std::to_string(1000 + i), "ACME", "V100", "1.00", "0.10", "1.10"));
    ReportGrid grid = ReportGrid::FromRows(8, std::move(rows));
    ASSERT_EQ(SortAndTotalReport(grid, 0, true, kPORegister), SortOutcome::Sorted);
    RecordingCanvas canvas;
    ASSERT_TRUE(PrintReport(canvas, grid, PrintSetup(kPORegister, grid)));
    ASSERT_GT(canvas.Pages(), 2);
    const int foot = canvas.PageHeight() - 100;
    const int h = canvas.TextHeight("MXjpy");
    for (int page = 1; page <= canvas.Pages(); ++page) {
        int records = 0;
        for (const auto& text : canvas.Texts(page)) {
            if (text.p1.y() != foot) {
                EXPECT_LE(text.p1.y(), foot - 100) << page;
            }
            if (text.text.startsWith("2024/01/")) ++records;
        }
        EXPECT_GT(records + (page == canvas.Pages() ? 1 : 0), 0) << page;
        if (page < canvas.Pages()) {
            EXPECT_EQ(canvas.Texts(page).back().text,
                      QString("Continued on page %1 ...").arg(page + 1));
        }
    }
    EXPECT_NE(canvas.FindText("Report Complete. 150 records printed."), nullptr);
    EXPECT_GT(h, 0);
}

TEST(PrintReport, WideReportsPrintAcrossThePageAndCountRecordsWhateverTheirFirstColumn) {
    const std::vector<std::string> heading{
        "Location", "Product Description", "Product#", "Key Code", "T", "On Hand", "Cost",
        "Sell",     "Cost Value"};
    const auto row = [](const char* code, const char* type) {
        return std::vector<std::string>{"*None*",  "Widget",  code,      "K",      type,
                                        A("2.00"), A("1.50"), A("3.00"), A("3.00")};
    };
    ReportGrid grid =
        ReportGrid::FromRows(9, {heading, row("W1", "R"), row("W2", "R"), row("W3", "S")});
    const ReportParams inventory{"Inventory Report", 4, 8};
    ASSERT_EQ(SortAndTotalReport(grid, 4, true, inventory), SortOutcome::Sorted);
    RecordingCanvas canvas;
    ASSERT_TRUE(PrintReport(canvas, grid, PrintSetup(inventory, grid)));
    const auto* page = canvas.FindText("Page 1");
    ASSERT_NE(page, nullptr);
    EXPECT_GT(page->p1.x() + 500, 3000);  // the landscape page's width
    EXPECT_EQ(canvas.GetOrientation(), Orientation::Portrait);
    EXPECT_NE(canvas.FindText("Report Complete. 3 records printed."), nullptr);
    EXPECT_NE(canvas.FindText("9.00"), nullptr);  // the grand cost value
}

TEST(PrintReport, NumbersArePrintedWhole) {
    const ReportGrid grid = ReportGrid::FromRows(
        8, {POHeading(),
            PORow("2024/01/01", "1", "BIG", "V1", "-1,234,567,890,123.45", "0.00", "0.00")});
    RecordingCanvas canvas;
    ASSERT_TRUE(PrintReport(canvas, grid, PrintSetup(kPORegister, grid)));
    EXPECT_NE(canvas.FindText("-1,234,567,890,123.45"), nullptr);
}

TEST(PrintReport, ARealPdfReadsBack) {
    testsupport::TempDir dir;
    const QString path = QString::fromStdString(dir.file("report.pdf"));
    const ReportGrid grid = SortedPORegister();
    SetPdfOutput(path);
    const bool printed = PrintReport(Printer(), grid, PrintSetup(kPORegister, grid));
    SetPdfOutput({});
    ASSERT_TRUE(printed);
    ASSERT_TRUE(QFile::exists(path));
    const QString text = testsupport::PdfText(path);
    for (const char* part :
         {"Harbour Supplies", "PO Register by Date", "Page 1",
          "Date: Tuesday, March 4, 2025, 02:05 PM", "Year/Mo/Dy", "** Totals", "(01/2024)",
          "Month Total", "Grand Total", "1,365.00", "Report Complete. 3 records printed."})
        EXPECT_TRUE(text.contains(part)) << part << "\n" << text.toStdString();
}

TEST(FormMargin, TakesWholeNumbersOnly) {
    EXPECT_EQ(FormMargin("12"), 12);
    EXPECT_EQ(FormMargin(" 5"), 5);
    EXPECT_EQ(FormMargin("0"), 0);
    for (const char* bad : {"", "  ", "1x", "1.5", "x"}) EXPECT_FALSE(FormMargin(bad)) << bad;
}
