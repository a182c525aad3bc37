// Compact report rows: cells, kinds and amount flags survive in-place rewrites, drops and
// compaction; sorting a sorted report again equals sorting it fresh; the viewer's grid model
// shows a report of another width in full.
#include "reports/viewer/report_rows.h"

#include <gtest/gtest.h>

#include "reports/viewer/report_grid.h"
#include "reports/viewer/report_table.h"
#include "tests/reports/report_samples.h"

using namespace reportsamples;

namespace {

std::vector<ReportRow> Rows(const ReportRows& rows) {
    return {rows.begin(), rows.end()};
}

TEST(ReportRows, KeepCellsKindsAndAmountsThroughRewritesDropsAndCompaction) {
    ReportRows rows;
    std::vector<ReportRow> expected;
    for (int i = 0; i < 3000; ++i) {
        ReportRow row{{"  key " + std::to_string(i % 7) + "  ", "r" + std::to_string(i),
                       A(std::to_string(i) + ".50"), i % 2 ? "x" : ""},
                      i % 5 ? ReportRowKind::Record : ReportRowKind::Total};
        rows.push_back(row);
        expected.push_back(row);
    }
    rows.push_back({{"short"}, ReportRowKind::Spacer});
    expected.push_back({{"short"}, ReportRowKind::Spacer});
    EXPECT_EQ(Rows(rows), expected);
    EXPECT_TRUE(rows.IsAmount(3, 2));
    EXPECT_FALSE(rows.IsAmount(3, 0));
    EXPECT_EQ(rows.Cell(3000, 3), "");

    // In place: the amount moves to the front trimmed; the old front takes its place.
    rows.MoveToFront(4, 2, 33);
    expected[4].cells = {"4.50", "r4", "  key 4  ", ""};
    // A row shorter than the column grows to reach it.
    rows.MoveToFront(3000, 2, 33);
    expected[3000].cells = {"", "", "short"};
    EXPECT_EQ(Rows(rows), expected);
    EXPECT_TRUE(rows.IsAmount(4, 0));
    EXPECT_FALSE(rows.IsAmount(4, 2));

    // Rows of 300 and of 70,000 characters keep their cells' ends in wider numbers: cells
    // after the moved one keep their text however far they shift.
    for (const std::size_t length : {std::size_t(300), std::size_t(70000)}) {
        const ReportRow wide{{"  front  ", std::string(length, 'w'), "  " + A("7.25") + "  ",
                              "after", std::string(length, 'z')}};
        rows.push_back(wide);
        rows.MoveToFront(rows.size() - 1, 2, 33);
        expected.push_back({{"7.25", wide.cells[1], wide.cells[0], "after", wide.cells[4]}});
        EXPECT_TRUE(rows.IsAmount(rows.size() - 1, 0));
        EXPECT_FALSE(rows.IsAmount(rows.size() - 1, 2));
        // The front column itself is trimmed in place.
        rows.push_back(wide);
        rows.MoveToFront(rows.size() - 1, 0, 3);
        expected.push_back({{"fro", wide.cells[1], wide.cells[2], "after", wide.cells[4]}});
        EXPECT_TRUE(rows.IsAmount(rows.size() - 1, 2));
    }
    EXPECT_EQ(Rows(rows), expected);

    // Most rows dropped: what is kept reads the same, in the new order.
    const std::vector<uint32_t> order{3000, 4, 17, 2};
    rows.Keep(order);
    EXPECT_EQ(Rows(rows),
              (std::vector<ReportRow>{expected[3000], expected[4], expected[17], expected[2]}));
    EXPECT_TRUE(rows.IsAmount(1, 0));
}

TEST(SortAndTotal, SortingASortedReportAgainEqualsSortingItFresh) {
    ReportGrid fresh = PORegister();
    ReportGrid twice = PORegister();
    ASSERT_EQ(SortAndTotalReport(twice, 2, true, kPORegister), SortOutcome::Sorted);
    ASSERT_EQ(SortAndTotalReport(twice, 2, true, kPORegister), SortOutcome::Sorted);
    ASSERT_EQ(SortAndTotalReport(fresh, 2, true, kPORegister), SortOutcome::Sorted);
    // The second sort on column 2 brings back the front column as it stood.
    ReportGrid back = fresh;
    ASSERT_EQ(SortAndTotalReport(back, 2, true, kPORegister), SortOutcome::Sorted);
    EXPECT_EQ(Lines(twice), Lines(back));
    EXPECT_EQ(Lines(twice)[1], "2024/01/15|1001|ACME|V100|100.00|5.00|105.00|O");
}

TEST(ReportTable, ShowsAReportOfAnotherWidthInFull) {
    ReportTable table;
    ReportGrid wide = PORegister();
    ASSERT_EQ(SortAndTotalReport(wide, 0, true, kPORegister), SortOutcome::Sorted);
    table.SetReport(std::move(wide));
    table.SetReport(ReportGrid::FromRows(3, {{"Product Description", "Product#", "Line Amount"},
                                             {"Bolts", "B1", A("1.00")},
                                             {"Nuts", "N1", A("2.00")}}));
    EXPECT_TRUE(table.TakeRefilled());
    EXPECT_FALSE(table.TakeRefilled());
    const QAbstractItemModel& model = *table.model();
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Line Amount");
    EXPECT_EQ(model.index(1, 0).data().toString(), "Nuts");
    EXPECT_EQ(Lines(table), (std::vector<std::string>{"Product Description|Product#|Line Amount",
                                                      "Bolts|B1|1.00", "Nuts|N1|2.00"}));
    // Cell by cell, as a string grid is filled.
    table.SetCell(1, 2, "N2");
    EXPECT_EQ(table.Cell(1, 2), "N2");
    EXPECT_EQ(model.index(1, 1).data().toString(), "N2");
}

}  // namespace
