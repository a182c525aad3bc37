#pragma once
// The report the viewer shows: a grid of text cells handed over by a report builder (row 0
// the column headings, then one row per record), sorted on one column and given sub-total,
// month-total and grand-total rows. Cells are record text (Windows-1252), one byte per
// character. Nothing here touches a widget.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reports/viewer/report_rows.h"

struct ReportGrid {
    int cols = 0;
    ReportRows rows;  // rows[0]: the column headings

    // The rows as a builder hands them over (heading row first); every row is a record and
    // has exactly `cols` cells.
    static ReportGrid FromRows(int cols, std::vector<std::vector<std::string>> rows);
    // The cell's text; empty outside the grid.
    std::string cell(int col, int row) const { return std::string(CellView(col, row)); }
    std::string_view CellView(int col, int row) const;
    int rowCount() const { return static_cast<int>(rows.size()); }

    bool operator==(const ReportGrid&) const = default;
};

// The report parameters: the report's name (at most 25 characters) chooses the totals
// layout, the printed orientation and rules; columns up to SortColumnLimit may be sorted on;
// the columns after it up to LastAmountColumn hold amounts.
struct ReportParams {
    std::string ReportTitle;
    int32_t SortColumnLimit = 0;
    int32_t LastAmountColumn = 0;
};

// The reports grouped by how the viewer totals and prints them.
enum class ReportKind {
    Register,          // the PO, Commitment, Invoice and Payment registers, the key code inquiries
    Tax,               // "Tax Report"
    Receivable,        // "Accounts Receivable"
    SalesOrReceiving,  // "Sales Report", "Receiving Report": quantities to three places
    Profit,            // "Profit Report"
    Inventory,         // "Inventory Report"
    Reorder,           // "Reorder Report", "Overstock Report"
    Other,
};
ReportKind ReportKindOf(std::string_view reportTitle);

// Where a report's total rows put their labels and sums (columns from 0).
struct TotalsLayout {
    std::vector<int> summed;  // the columns added up
    int threePlacesCol = -1;  // a summed column formatted ",0.000" (the others ",0.00")
    int labelCol = 0;         // "** Totals" and "Grand Total"
    int monthLabelCol = -1;   // "(mm/yyyy)"; -1: the report has no month rows
    int monthTotalCol = -1;   // "Month Total"
};
TotalsLayout TotalsLayoutOf(std::string_view reportTitle, int cols);

enum class SortOutcome { Sorted, TooFewRows, NotSortable };

// Sorts the report on `column`: drops the total and spacer rows of an earlier sort, moves
// the column to the front (its cells, trimmed, change places with column 0's, which stay
// there), sorts the records case-insensitively by their cells from the front, and inserts
// "** Totals" rows between groups of equal column-0 text (when `subTotals`), month rows
// between months of a date column, and a closing "Grand Total" row. Sums are exact.
// TooFewRows: the grid holds no record; NotSortable: the column may not be sorted on (the
// caller beeps). The grid is unchanged unless the outcome is Sorted; a total too large for
// an exact amount raises DecimalOverflow and changes nothing either. With `longest`, the
// sorted report's LongestCells are measured while its rows are rewritten.
SortOutcome SortAndTotalReport(ReportGrid& grid, int column, bool subTotals,
                               const ReportParams& params,
                               std::vector<std::string>* longest = nullptr);
// What SortAndTotalReport would answer before it sorts: Sorted when it would sort.
SortOutcome CheckSortable(const ReportGrid& grid, int column, const ReportParams& params);

// The window caption after a sort: the report's name " by " the trimmed heading of column 0,
// or " by Date" when that heading is a "Year/Mo" date.
std::string ReportCaption(const ReportGrid& grid, std::string_view reportTitle);

// Per column, its longest cell trimmed and cut to 32 characters, at least " ": what column
// widths on screen and on paper are measured from.
std::vector<std::string> LongestCells(const ReportGrid& grid);
