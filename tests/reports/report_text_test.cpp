// The report saved as fixed-width text, and the date-and-time text of a run.
#include "reports/viewer/report_text.h"

#include <gtest/gtest.h>

#include "tests/reports/report_samples.h"

using namespace reportsamples;

namespace {
const ReportHeadings kHeadings{"PO Register by Date", "Harbour Supplies",
                               "Date: Tuesday, March 4, 2025, 02:05 PM",
                               "Selected records from 01/01/2024 to 02/29/2024"};
}

TEST(ReportTextFile, WritesHeadingsAndFixedWidthRowsByteForByte) {
    ReportGrid grid = PORegister();
    ASSERT_EQ(SortAndTotalReport(grid, 0, false, kPORegister), SortOutcome::Sorted);
    const std::string blank13(13, ' ');
    const std::string expected =
        "PO Register by Date\r\n"
        "Harbour Supplies\r\n"
        "Date: Tuesday, March 4, 2025, 02:05 PM\r\n"
        "Selected records from 01/01/2024 to 02/29/2024\r\n"
        " \r\n"
        " Year/Mo/Dy   PO#          Short Name   Vendor#      Net Amount   Tax Amount   Grand "
        "Total "
        " C           \r\n"
        " 2024/01/15   1001         ACME         V100               100.00         5.00       "
        "105.00"
        " O           \r\n"
        " 2024/01/15   1002         BOLTS        V200               200.00        10.00       "
        "210.00"
        " O           \r\n"
        " 2024/02/03   1003         ACME         V100             1,000.00        50.00     "
        "1,050.00"
        " O           \r\n" +
        blank13 + blank13 + blank13 + blank13 + blank13 + blank13 + blank13 + blank13 + "\r\n" +
        blank13 + blank13 + blank13 + " Grand Total      1,300.00        65.00     1,365.00" +
        blank13 + "\r\n";
    EXPECT_EQ(ReportTextFile(grid, kHeadings), expected);
}

TEST(ReportTextFile, CutsNothingAndWidensTheDescriptionColumn) {
    const ReportGrid grid =
        ReportGrid::FromRows(3, {{"Product Description", "Product#", "Line Amount"},
                                 {"Widget", "A-VERY-LONG-CODE", A("12,345,678.90")},
                                 {"3.5 inch disks, boxed", "D1", A("-1,234,567,890.12")}});
    const std::string text = ReportTextFile(grid, kHeadings);
    const std::string rows = text.substr(text.find(" \r\n") + 3);
    EXPECT_EQ(rows,
              " Product Description              Product#     Line Amount \r\n"
              " Widget                           A-VERY-LONG-CODE 12,345,678.90\r\n"
              " 3.5 inch disks, boxed            D1           -1,234,567,890.12\r\n");
}

TEST(FormatRunDateTime, NamesDayAndMonthOnATwelveHourClock) {
    EXPECT_EQ(FormatRunDateTime({2025, 3, 4}, 14, 5), "Tuesday, March 4, 2025, 02:05 PM");
    EXPECT_EQ(FormatRunDateTime({2024, 12, 31}, 0, 0), "Tuesday, December 31, 2024, 12:00 AM");
    EXPECT_EQ(FormatRunDateTime({2000, 1, 1}, 12, 30), "Saturday, January 1, 2000, 12:30 PM");
    EXPECT_EQ(FormatRunDateTime({2024, 2, 29}, 11, 59), "Thursday, February 29, 2024, 11:59 AM");
}
