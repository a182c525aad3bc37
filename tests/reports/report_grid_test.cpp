// Sorting a report and the total rows the viewer inserts.
#include "reports/viewer/report_grid.h"

#include <gtest/gtest.h>

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>

#include "engine/decimal.h"
#include "platform/cp1252.h"
#include "platform/scope_guard.h"
#include "reports/viewer/report_collation.h"

#include "tests/reports/report_samples.h"

using namespace reportsamples;

namespace {

using Texts = std::vector<std::string>;
const std::string kSpacer8 = "|||||||";

int CountLines(const ReportGrid& grid, const std::string& part) {
    const Texts lines = Lines(grid);
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find(part) != std::string::npos;
    }));
}

}  // namespace

TEST(IsNumericCell, TellsAmountsFromText) {
    for (const char* amount : {"1,234.50", "-12.00", ".50", "  1,050.00 ", "0.000", "12.05.2005",
                               "-.5", "+3.25", "1,000,000,000.00"})
        EXPECT_TRUE(IsNumericCell(amount)) << amount;
    for (const char* text :
         {"abc.1", "1234", "1,234", "", "   ", "** Totals", "Grand Total", "(01/2024)",
          "3.5 inch disks", "12.00 each", "V1.2", "45 Days", "2024/01/15", "-"})
        EXPECT_FALSE(IsNumericCell(text)) << text;
}

TEST(SortAndTotal, TwoMonthsGetGroupMonthAndGrandRows) {
    ReportGrid grid = PORegister();
    ASSERT_EQ(SortAndTotalReport(grid, 0, true, kPORegister), SortOutcome::Sorted);
    EXPECT_EQ(Lines(grid),
              (Texts{"Year/Mo/Dy|PO#|Short Name|Vendor#|Net Amount|Tax Amount|Grand Total|C",
                     "2024/01/15|1001|ACME|V100|100.00|5.00|105.00|O",
                     "2024/01/15|1002|BOLTS|V200|200.00|10.00|210.00|O",
                     "|||** Totals|300.00|15.00|315.00|", kSpacer8,
                     "||(01/2024)|Month Total|300.00|15.00|315.00|", kSpacer8,
                     "2024/02/03|1003|ACME|V100|1,000.00|50.00|1,050.00|O",
                     "|||** Totals|1,000.00|50.00|1,050.00|", kSpacer8,
                     "||(02/2024)|Month Total|1,000.00|50.00|1,050.00|", kSpacer8,
                     "|||Grand Total|1,300.00|65.00|1,365.00|"}));
    EXPECT_EQ(grid.rows[3].kind, ReportRowKind::Total);
    EXPECT_EQ(grid.rows[4].kind, ReportRowKind::Spacer);
    EXPECT_EQ(grid.rows[7].kind, ReportRowKind::Record);
    EXPECT_EQ(ReportCaption(grid, "PO Register"), "PO Register by Date");

    // Sorting again on the same column drops the old total rows first.
    const ReportGrid once = grid;
    ASSERT_EQ(SortAndTotalReport(grid, 0, true, kPORegister), SortOutcome::Sorted);
    EXPECT_EQ(grid, once);
}

TEST(SortAndTotal, SortColumnMovesToTheFrontAndStaysThere) {
    ReportGrid grid = PORegister();
    ASSERT_EQ(SortAndTotalReport(grid, 3, true, kPORegister), SortOutcome::Sorted);
    // Vendor# and the date change places; equal vendors are ordered by their other columns.
    EXPECT_EQ(Lines(grid),
              (Texts{"Vendor#|PO#|Short Name|Year/Mo/Dy|Net Amount|Tax Amount|Grand Total|C",
                     "V100|1001|ACME|2024/01/15|100.00|5.00|105.00|O",
                     "V100|1003|ACME|2024/02/03|1,000.00|50.00|1,050.00|O",
                     "|||** Totals|1,100.00|55.00|1,155.00|", kSpacer8,
                     "V200|1002|BOLTS|2024/01/15|200.00|10.00|210.00|O",
                     "|||** Totals|200.00|10.00|210.00|", kSpacer8,
                     "|||Grand Total|1,300.00|65.00|1,365.00|"}));
    EXPECT_EQ(ReportCaption(grid, "PO Register"), "PO Register by Vendor#");

    // Column numbers refer to the columns as they now stand: 3 is the date again.
    ASSERT_EQ(SortAndTotalReport(grid, 3, true, kPORegister), SortOutcome::Sorted);
    EXPECT_EQ(grid.cell(0, 0), "Year/Mo/Dy");
    EXPECT_EQ(grid.cell(3, 0), "Vendor#");
    EXPECT_EQ(CountLines(grid, "Month Total"), 2);
}

TEST(SortAndTotal, WithoutSubTotalsOnlyTheGrandTotalIsAdded) {
    ReportGrid grid = PORegister();
    ASSERT_EQ(SortAndTotalReport(grid, 0, false, kPORegister), SortOutcome::Sorted);
    const Texts lines = Lines(grid);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "2024/02/03|1003|ACME|V100|1,000.00|50.00|1,050.00|O");
    EXPECT_EQ(lines[4], kSpacer8);
    EXPECT_EQ(lines[5], "|||Grand Total|1,300.00|65.00|1,365.00|");
}

TEST(SortAndTotal, OneMonthGetsGroupRowsButNoMonthRow) {
    ReportGrid grid = ReportGrid::FromRows(
        8, {POHeading(), PORow("2024/03/02", "7", "A", "V1", "1.10", "0.10", "1.20"),
            PORow("2024/03/09", "8", "B", "V2", "2.20", "0.20", "2.40"),
            PORow("2024/03/30", "9", "C", "V3", "3.30", "0.30", "3.60")});
    ASSERT_EQ(SortAndTotalReport(grid, 0, true, kPORegister), SortOutcome::Sorted);
    EXPECT_EQ(CountLines(grid, "** Totals"), 3);
    EXPECT_EQ(CountLines(grid, "Month Total"), 0);
    EXPECT_EQ(Lines(grid).back(), "|||Grand Total|6.60|0.60|7.20|");
}

TEST(SortAndTotal, ReportsWithoutAMonthColumnOrMonthRowsGetNone) {
    // Accounts Receivable sorted on its invoice date: sums in column 6, labels in 5.
    const Texts heading{"Category", "Invoice#",   "Short Name",  "Customer#",
                        "Aging",    "Year/Mo/Dy", "Balance Due", "C"};
    const auto row = [](const char* cat, const char* inv, const char* date, const char* due) {
        return Texts{cat, inv, "NAME", "C1", "45 Days", A(date), A(due), "I"};
    };
    ReportGrid grid = ReportGrid::FromRows(8, {heading, row("Current", "10", "2024/05/01", "10.00"),
                                               row("Over 90", "11", "2024/01/01", "20.00"),
                                               row("Current", "12", "2024/05/01", "5.00")});
    ASSERT_EQ(SortAndTotalReport(grid, 5, true, {"Accounts Receivable", 5, 5}),
              SortOutcome::Sorted);
    EXPECT_EQ(Lines(grid),
              (Texts{"Year/Mo/Dy|Invoice#|Short Name|Customer#|Aging|Category|Balance Due|C",
                     "2024/01/01|11|NAME|C1|45 Days|Over 90|20.00|I", "|||||** Totals|20.00|",
                     kSpacer8, "2024/05/01|10|NAME|C1|45 Days|Current|10.00|I",
                     "2024/05/01|12|NAME|C1|45 Days|Current|5.00|I", "|||||** Totals|15.00|",
                     kSpacer8, "|||||Grand Total|35.00|"}));
}

TEST(SortAndTotal, QuantitiesOfSalesAreTotalledToThreePlaces) {
    const Texts heading{"Product Description", "Product#", "Year/Mo/Dy", "Invoice#",
                        "Short Name",          "Customer", "Unit Price", "Quantity",
                        "Line Amount"};
    const auto row = [](const char* code, const char* date, const char* qty, const char* amount) {
        return Texts{PadRightWith("Widget", ' ', 32),
                     code,
                     date,
                     "5",
                     "SHOP",
                     "C1",
                     A("1.250"),
                     A(qty),
                     A(amount)};
    };
    ReportGrid grid = ReportGrid::FromRows(
        9, {heading, row("W1", "2024/04/02", "1,000.500", "1,250.63"),
            row("W1", "2024/05/02", "0.250", "0.31"), row("W2", "2024/05/09", "2.000", "2.50")});
    ASSERT_EQ(SortAndTotalReport(grid, 1, true, {"Sales Report", 5, 8}), SortOutcome::Sorted);
    EXPECT_EQ(
        Lines(grid),
        (Texts{"Product#|Product Description|Year/Mo/Dy|Invoice#|Short Name|Customer|Unit "
               "Price|Quantity|Line Amount",
               "W1|Widget|2024/04/02|5|SHOP|C1|1.250|1,000.500|1,250.63",
               "W1|Widget|2024/05/02|5|SHOP|C1|1.250|0.250|0.31",
               "||||||** Totals|1,000.750|1,250.94", "||||||||",
               "W2|Widget|2024/05/09|5|SHOP|C1|1.250|2.000|2.50", "||||||** Totals|2.000|2.50",
               "||||||||", "||||||Grand Total|1,002.750|1,253.44"}));
    // On the date column the months of the records are totalled too.
    ASSERT_EQ(SortAndTotalReport(grid, 2, true, {"Sales Report", 5, 8}), SortOutcome::Sorted);
    EXPECT_EQ(CountLines(grid, "|(04/2024)|Month Total|1,000.500|1,250.63"), 1);
    EXPECT_EQ(CountLines(grid, "|(05/2024)|Month Total|2.250|2.81"), 1);
}

TEST(SortAndTotal, SumsAreExactAndSkipTextThatIsNoNumber) {
    std::vector<Texts> rows{POHeading()};
    for (int i = 0; i < 1000; ++i)
        rows.push_back(PORow("2024/06/01", std::to_string(i), "N", "V", "0.10", "0.01", "-0.11"));
    rows.push_back(PORow("2024/06/01", "X", "N", "V", "12.05.2005", "0.00", "0.00"));
    rows.push_back(PORow("2024/06/01", "Y", "N", "V", "9,999,999,999.99", "0.00", "0.00"));
    ReportGrid grid = ReportGrid::FromRows(8, std::move(rows));
    ASSERT_EQ(SortAndTotalReport(grid, 0, false, kPORegister), SortOutcome::Sorted);
    EXPECT_EQ(Lines(grid).back(), "|||Grand Total|10,000,000,099.99|10.00|-110.00|");
}

// A total is the exact sum of its rows whatever their order: one that fits is shown even
// where a running sum on the way would not fit.
TEST(SortAndTotal, ATotalThatFitsIsShownWhateverItsRowsAddUpToOnTheWay) {
    ReportGrid grid = ReportGrid::FromRows(
        8, {POHeading(), PORow("2024/06/01", "1", "N", "V", "9,000,000,000,000.00", "0.00", "0.00"),
            PORow("2024/06/01", "2", "N", "V", "9,000,000,000,000.00", "0.00", "0.00"),
            PORow("2024/06/01", "3", "N", "V", "-9,000,000,000,000.00", "0.00", "0.00")});
    ASSERT_EQ(SortAndTotalReport(grid, 0, true, kPORegister), SortOutcome::Sorted);
    EXPECT_EQ(Lines(grid).back(), "|||Grand Total|9,000,000,000,000.00|0.00|0.00|");
}

TEST(SortAndTotal, ATotalTooLargeToHoldIsAnErrorThatChangesNothing) {
    ReportGrid grid = ReportGrid::FromRows(
        8, {POHeading(), PORow("2024/06/01", "1", "N", "V", "9,000,000,000,000.00", "0.00", "0.00"),
            PORow("2024/06/02", "2", "N", "V", "9,000,000,000,000.00", "0.00", "0.00")});
    const ReportGrid before = grid;
    EXPECT_THROW(SortAndTotalReport(grid, 0, true, kPORegister), DecimalOverflow);
    EXPECT_EQ(grid, before);
}

TEST(SortAndTotal, KeysDifferingInCaseAreNeighboursInSeparateGroups) {
    ReportGrid grid = ReportGrid::FromRows(
        8, {POHeading(), PORow("2024/01/01", "1", "abc", "V", "1.00", "0.00", "1.00"),
            PORow("2024/01/01", "2", "ABC", "V", "2.00", "0.00", "2.00"),
            PORow("2024/01/01", "3", "abc", "V", "4.00", "0.00", "4.00"),
            PORow("2024/01/01", "4", "abd", "V", "8.00", "0.00", "8.00")});
    ASSERT_EQ(SortAndTotalReport(grid, 2, true, kPORegister), SortOutcome::Sorted);
    // Each spelling forms one unbroken group; "abd" comes after both.
    const Texts lines = Lines(grid);
    std::vector<std::string> keys;
    for (const std::string& line : lines)
        if (line.substr(0, 3) == "abc" || line.substr(0, 3) == "ABC")
            keys.push_back(line.substr(0, 3));
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_TRUE(keys[0] == keys[1] || keys[1] == keys[2]) << lines[1] << lines[2] << lines[3];
    EXPECT_EQ(CountLines(grid, "** Totals"), 3);
    EXPECT_TRUE(CountLines(grid, "|** Totals|5.00|") == 1 &&
                CountLines(grid, "|** Totals|2.00|") == 1);
    const auto abd = std::find_if(lines.begin(), lines.end(),
                                  [](const std::string& l) { return l.substr(0, 3) == "abd"; });
    for (auto l = abd; l != lines.end(); ++l) EXPECT_NE(l->substr(0, 3), "abc");
}

TEST(SortAndTotal, ARecordWithABlankSortValueSurvivesLaterSorts) {
    ReportGrid grid = ReportGrid::FromRows(
        8, {POHeading(), PORow("2024/01/01", "1", "", "V", "1.00", "0.00", "1.00"),
            PORow("2024/01/02", "2", "ZED", "V", "2.00", "0.00", "2.00")});
    ASSERT_EQ(SortAndTotalReport(grid, 2, true, kPORegister), SortOutcome::Sorted);
    EXPECT_EQ(Lines(grid)[1], "|1|2024/01/01|V|1.00|0.00|1.00|O");
    ASSERT_EQ(SortAndTotalReport(grid, 0, true, kPORegister), SortOutcome::Sorted);
    EXPECT_EQ(CountLines(grid, "|1|2024/01/01|V|1.00|0.00|1.00|O"), 1);
    EXPECT_EQ(Lines(grid).back(), "|||Grand Total|3.00|0.00|3.00|");
}

// The records' order is the locale's: the front cell without regard to case and then with
// it, the other cells without regard to case, records alike in every cell as they came.
// Checked against the locale's own collator, in the C locale and in locales whose collation
// is the collator's (words from a table, and from sort keys in Danish), on runs of records
// alike both long and short.
TEST(SortAndTotal, RecordsFollowTheLocalesOrderWithoutRegardToCase) {
    const std::vector<std::string> fronts{"Bolt", "bolt", "BOLT", "Washer", "nut",
                                          "\xC9lan", "\xE9lan", "elan", "Zinc"};
    const std::vector<std::string> seconds{"PREFIXED-b", "prefixed-A", "PREFIXED", "a b",
                                           "ab",         "A-B",        "x",        "X"};
    std::mt19937 random(7);
    std::vector<std::vector<std::string>> rows{{"Name", "Second", "Third"}};
    for (int i = 0; i < 900; ++i) {
        const std::string& front = fronts[random() % fronts.size()];
        // One front has a single second value: a long run to sort on the third column.
        const std::string& second = front == "Zinc" ? seconds[0] : seconds[random() % 8];
        // Mostly distinct, alike in their first eight characters but for case.
        rows.push_back({front, second,
                        (random() % 2 ? "tag-number-" : "TAG-NUMBER-") +
                            std::to_string(random() % 500)});
    }
    const ScopeExit restore([before = QLocale()] { QLocale::setDefault(before); });
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::Danish)}) {
        QLocale::setDefault(locale);
        QCollator folded(locale), exact(locale);
        folded.setCaseSensitivity(Qt::CaseInsensitive);
        exact.setCaseSensitivity(Qt::CaseSensitive);
        std::vector<std::size_t> expected(rows.size() - 1);
        std::iota(expected.begin(), expected.end(), 1);
        std::stable_sort(expected.begin(), expected.end(), [&](std::size_t a, std::size_t b) {
            const auto q = [&](std::size_t r, int c) { return FromCp1252(rows[r][c]); };
            if (const int d = folded.compare(q(a, 0), q(b, 0))) return d < 0;
            if (const int d = exact.compare(q(a, 0), q(b, 0))) return d < 0;
            if (const int d = rows[a][0].compare(rows[b][0])) return d < 0;
            for (int c = 1; c < 3; ++c)
                if (const int d = folded.compare(q(a, c), q(b, c))) return d < 0;
            return false;
        });
        ReportGrid grid = ReportGrid::FromRows(3, rows);
        ASSERT_EQ(SortAndTotalReport(grid, 0, false, ReportParams{"Other", 2, 2}),
                  SortOutcome::Sorted);
        for (std::size_t k = 0; k < expected.size(); ++k) {
            const std::vector<std::string>& want = rows[expected[k]];
            ASSERT_EQ(grid.rows[k + 1].cells, want)
                << locale.name().toStdString() << ", row " << k + 1;
        }
    }
}

// Every pair of Windows-1252 characters, alone and ahead of a longer text, compares as the
// locale's own collator compares them, with and without regard to case.
TEST(ReportCollation, EveryCharacterComparesAsTheLocaleCompares) {
    const ScopeExit restore([before = QLocale()] { QLocale::setDefault(before); });
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QLocale::setDefault(locale);
        const ReportCollation collation;
        QCollator folded(locale), exact(locale);
        folded.setCaseSensitivity(Qt::CaseInsensitive);
        exact.setCaseSensitivity(Qt::CaseSensitive);
        const auto sign = [](int v) { return (v > 0) - (v < 0); };
        for (int a = 1; a < 256; ++a)
            for (int b = 1; b < 256; ++b) {
                const std::string x(1, char(a)), y = std::string(1, char(b)) + "m";
                const QString qx = FromCp1252(x), qy = FromCp1252(y);
                ASSERT_EQ(collation.Compare(x, y), sign(folded.compare(qx, qy)))
                    << locale.name().toStdString() << " " << a << " " << b;
                int want = sign(folded.compare(qx, FromCp1252(std::string(1, char(b)))));
                if (want == 0) want = sign(exact.compare(qx, FromCp1252(std::string(1, char(b)))));
                if (want == 0) want = sign(x.compare(std::string(1, char(b))));
                ASSERT_EQ(collation.CompareExact(x, std::string(1, char(b))), want)
                    << locale.name().toStdString() << " " << a << " " << b;
            }
    }
}

// Words agree with the collator and places are its order, in locales whose words come from a
// table (English; Czech, where "ch" is one letter) and in those whose words come from sort
// keys (Danish, whose "aa" pairs overlap; Greek, whose letters go first; Hungarian, with
// letters of three characters). Texts of one word come in groups large enough to be ordered
// by sort keys, with the empty text among characters the collator ignores.
TEST(ReportCollation, WordsAndPlacesFollowTheCollatorInEveryLocale) {
    const std::string common[] = {"a",    "A",    "\xE1", "\xC4", "b",  "c",   "C",    "ch",
                                  "CH",   "cs",   "h",    "H",    "aa", "Aa",  "\xDF", "ss",
                                  "l",    "\xB7", "\xBD", "1",    "2",  " ",   "-",    "\xB5",
                                  "\x01", "\xAD", "e",    "\xE9", "z",  "dzs", "\xE6", "\x85"};
    std::mt19937 random(11);
    std::vector<std::string> texts{"",     "\x01", "\x02", "\x01\x01", "\x03",
                                   "\x04", "\x05", "\x06", "\x07",     "\x08\x01"};
    for (int i = 0; i < 2500; ++i) {
        std::string text = i % 5 == 0 ? "Heavy Duty Chisel " : "";
        for (int k = int(random() % 9); k > 0; --k)
            text += random() % 6 ? common[random() % std::size(common)]
                                 : std::string(1, char(1 + random() % 255));
        texts.push_back(text);
    }
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    for (const QLocale& locale :
         {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Czech),
          QLocale(QLocale::Danish), QLocale(QLocale::Greek), QLocale(QLocale::Hungarian)}) {
        const ReportCollation collation(locale);
        QCollator folded(locale), exact(locale);
        folded.setCaseSensitivity(Qt::CaseInsensitive);
        exact.setCaseSensitivity(Qt::CaseSensitive);
        const auto foldedOf = [&](std::size_t a, std::size_t b) {
            return folded.compare(FromCp1252(texts[a]), FromCp1252(texts[b]));
        };
        const auto exactOf = [&](std::size_t a, std::size_t b) {
            if (const int d = foldedOf(a, b)) return d;
            if (const int d = exact.compare(FromCp1252(texts[a]), FromCp1252(texts[b]))) return d;
            return texts[a].compare(texts[b]);
        };
        for (const bool byCase : {false, true}) {
            const auto compare = [&](std::size_t a, std::size_t b) {
                return byCase ? exactOf(a, b) : foldedOf(a, b);
            };
            std::vector<std::size_t> sorted(texts.size());
            std::iota(sorted.begin(), sorted.end(), 0);
            std::stable_sort(sorted.begin(), sorted.end(),
                             [&](std::size_t a, std::size_t b) { return compare(a, b) < 0; });
            const std::vector<uint32_t> places = collation.Ranks(views, byCase);
            uint32_t place = 0;
            for (std::size_t k = 0; k < sorted.size(); ++k) {
                const std::size_t a = sorted[k];
                if (k > 0) {
                    const std::size_t before = sorted[k - 1];
                    const int d = compare(before, a);
                    place += d != 0;
                    // In the collator's order words never fall, and equal texts share one.
                    const uint64_t wordBefore = collation.Word(texts[before]);
                    const uint64_t word = collation.Word(texts[a]);
                    ASSERT_TRUE(foldedOf(before, a) == 0 ? wordBefore == word : wordBefore <= word)
                        << locale.name().toStdString() << " '" << texts[before] << "' '" << texts[a]
                        << "'";
                }
                ASSERT_EQ(places[a], place) << locale.name().toStdString()
                                            << (byCase ? " exact" : "") << " '" << texts[a] << "'";
            }
        }
    }
}

TEST(SortAndTotal, RefusedSortsLeaveTheGridAlone) {
    ReportGrid headingOnly = ReportGrid::FromRows(8, {POHeading()});
    const ReportGrid before = headingOnly;
    EXPECT_EQ(SortAndTotalReport(headingOnly, 0, true, kPORegister), SortOutcome::TooFewRows);
    EXPECT_EQ(headingOnly, before);

    ReportGrid grid = PORegister();
    const ReportGrid unsorted = grid;
    for (const int column : {4, 7, 8, -1})
        EXPECT_EQ(SortAndTotalReport(grid, column, true, kPORegister), SortOutcome::NotSortable);
    // A limit past the grid's last column does not reach outside it.
    EXPECT_EQ(SortAndTotalReport(grid, 8, true, {"PO Register", 20, 20}), SortOutcome::NotSortable);
    EXPECT_EQ(grid, unsorted);
}

// Sorting moves rows but not their stored text: of equally long cells, the earliest row's
// is still the one measured, however the rows are stored.
TEST(SortAndTotal, LongestCellsKeepTheEarliestRowsCellOfTheLongest) {
    // More than one chunk of storage (about 1.5 MB), the first filled with rows that sort
    // last.
    std::vector<std::vector<std::string>> rows{{"N", "C"}};
    constexpr int kRows = 20000;
    for (int i = 0; i < kRows; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%c%05d", i < 15000 ? 'Z' : 'A', i);
        rows.push_back({name, std::string(60, 'x')});
    }
    ReportGrid grid = ReportGrid::FromRows(2, std::move(rows));
    std::vector<std::string> measured;
    ASSERT_EQ(SortAndTotalReport(grid, 0, false, ReportParams{"Other", 1, 1}, &measured),
              SortOutcome::Sorted);
    ASSERT_EQ(grid.cell(0, 1), "A15000");
    EXPECT_EQ(LongestCells(grid)[0], "A15000");
    // Measured while sorting, the same.
    EXPECT_EQ(measured, LongestCells(grid));
}

TEST(SortAndTotal, LongestCellsMeasureTrimmedTextCutTo32) {
    ReportGrid grid = ReportGrid::FromRows(
        3, {{"Code", "", "Product Description"}, {"  A1  ", "", std::string(40, 'D')}});
    EXPECT_EQ(LongestCells(grid), (Texts{"Code", " ", std::string(32, 'D')}));
}
