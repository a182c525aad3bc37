#include "reports/viewer/report_grid.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <optional>

#include "engine/decimal.h"
#include "platform/cp1252.h"
#include "shell/text.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Cut(std::string text, std::size_t length) {
    if (text.size() > length) text.resize(length);
    return text;
}

// The text of the key a group of rows shares.
std::string RowKey(const ReportRow& row) {
    return Cut(TrimBlanks(row.cells[0]), 32);
}

// "mm/yyyy" from a "yyyy/mm/dd" key.
std::string MonthOf(const std::string& key) {
    const auto part = [&key](std::size_t from, std::size_t n) {
        return from < key.size() ? key.substr(from, n) : std::string();
    };
    return part(5, 2) + "/" + part(0, 4);
}

// The running sums of the summed columns. Cells that are not amounts, or whose text is not
// a number (such as "12.05.2005"), add nothing.
class Sums {
public:
    explicit Sums(const TotalsLayout& layout) : layout_(layout), values_(layout.summed.size()) {}

    void Add(const ReportRow& row) {
        for (std::size_t i = 0; i < values_.size(); ++i) {
            const std::string& cell = row.cells[layout_.summed[i]];
            if (!IsNumericCell(cell)) continue;
            const auto value = Decimal::Parse(StripCommas(cell));
            if (!value) continue;
            const auto sum = Decimal::Add(values_[i], *value);
            if (!sum) throw DecimalOverflow("A total of this report is too large to show.");
            values_[i] = *sum;
        }
    }
    void Reset() { std::fill(values_.begin(), values_.end(), Decimal()); }

    // A total row: the label(s) and the sums.
    ReportRow Row(int cols, std::initializer_list<std::pair<int, std::string>> labels) const {
        ReportRow row{std::vector<std::string>(cols), ReportRowKind::Total};
        for (const auto& [col, text] : labels)
            if (col >= 0 && col < cols) row.cells[col] = text;
        for (std::size_t i = 0; i < values_.size(); ++i) {
            const int col = layout_.summed[i];
            row.cells[col] = values_[i].format(col == layout_.threePlacesCol ? ",0.000" : ",0.00");
        }
        return row;
    }

private:
    const TotalsLayout& layout_;
    std::vector<Decimal> values_;
};

// The records' order: cell by cell from the front, case-insensitively by the locale's
// collation. Keys equal but for case are told apart right after column 0 so that each
// forms one unbroken group.
class RecordOrder {
public:
    explicit RecordOrder(const std::vector<ReportRow>& rows) {
        QCollator folded{QLocale()};
        folded.setCaseSensitivity(Qt::CaseInsensitive);
        QCollator exact{QLocale()};
        exact.setCaseSensitivity(Qt::CaseSensitive);
        rows_.reserve(rows.size());
        for (const ReportRow& row : rows) {
            std::vector<QCollatorSortKey> cells;
            for (const std::string& cell : row.cells)
                cells.push_back(folded.sortKey(FromCp1252(cell)));
            rows_.push_back(
                {std::move(cells), {exact.sortKey(FromCp1252(row.cells[0]))}, &row.cells[0]});
        }
    }

    bool Less(std::size_t a, std::size_t b) const {
        const Keys& x = rows_[a];
        const Keys& y = rows_[b];
        if (const int c = x.cells[0].compare(y.cells[0]); c != 0) return c < 0;
        if (const int c = x.exactFirst[0].compare(y.exactFirst[0]); c != 0) return c < 0;
        if (*x.first != *y.first) return *x.first < *y.first;
        for (std::size_t i = 1; i < x.cells.size(); ++i)
            if (const int c = x.cells[i].compare(y.cells[i]); c != 0) return c < 0;
        return false;
    }

private:
    struct Keys {
        std::vector<QCollatorSortKey> cells;
        std::vector<QCollatorSortKey> exactFirst;  // one key; the type has no empty state
        const std::string* first;
    };
    std::vector<Keys> rows_;
};

}  // namespace

ReportGrid ReportGrid::FromRows(int cols, std::vector<std::vector<std::string>> rows) {
    ReportGrid grid;
    grid.cols = std::max(cols, 0);
    grid.rows.reserve(rows.size());
    for (auto& cells : rows) {
        cells.resize(grid.cols);
        grid.rows.push_back({std::move(cells), ReportRowKind::Record});
    }
    return grid;
}

const std::string& ReportGrid::cell(int col, int row) const {
    static const std::string none;
    if (row < 0 || row >= rowCount() || col < 0 || col >= cols) return none;
    return rows[row].cells[col];
}

bool IsNumericCell(std::string_view text) {
    const std::string t = TrimBlanks(text);
    if (t.find('.') == std::string::npos) return false;
    std::size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    while (i < t.size() && IsDigit(t[i])) ++i;
    if (i == t.size() || (t[i] != ',' && t[i] != '.')) return false;
    return std::all_of(t.begin() + static_cast<std::ptrdiff_t>(i), t.end(),
                       [](char c) { return IsDigit(c) || c == ',' || c == '.'; });
}

ReportKind ReportKindOf(std::string_view title) {
    static const std::pair<std::string_view, ReportKind> kReports[] = {
        {"PO Register", ReportKind::Register},
        {"Commitment Report", ReportKind::Register},
        {"PO Key Code Inquiry", ReportKind::Register},
        {"Invoice Register", ReportKind::Register},
        {"Payment Register", ReportKind::Register},
        {"Invoice Key Code Inquiry", ReportKind::Register},
        {"Tax Report", ReportKind::Tax},
        {"Accounts Receivable", ReportKind::Receivable},
        {"Sales Report", ReportKind::SalesOrReceiving},
        {"Receiving Report", ReportKind::SalesOrReceiving},
        {"Profit Report", ReportKind::Profit},
        {"Inventory Report", ReportKind::Inventory},
        {"Reorder Report", ReportKind::Reorder},
        {"Overstock Report", ReportKind::Reorder},
    };
    for (const auto& [name, kind] : kReports)
        if (name == title) return kind;
    return ReportKind::Other;
}

TotalsLayout TotalsLayoutOf(std::string_view title, int cols) {
    TotalsLayout layout;
    switch (ReportKindOf(title)) {
        case ReportKind::Register:
            layout = {{4, 5, 6}, -1, 3, 2, 3};
            break;
        case ReportKind::Tax:
            layout = {{5, 6}, -1, 4, 3, 4};
            break;
        case ReportKind::Receivable:
            layout = {{6}, -1, 5, -1, -1};
            break;
        case ReportKind::SalesOrReceiving:
            layout = {{7, 8}, 7, 6, 5, 6};
            break;
        case ReportKind::Profit:
            layout = {{5, 6, 7, 8}, -1, 4, 3, 4};
            break;
        case ReportKind::Inventory:
            layout = {{5, 6, 7, 8}, -1, 4, -1, -1};
            break;
        case ReportKind::Reorder:
            layout = {{8}, -1, 7, -1, -1};
            break;
        case ReportKind::Other:
            layout = {{}, -1, 1, -1, -1};  // a report without totals of its own
            break;
    }
    // A grid narrower than its report's layout keeps what fits.
    std::erase_if(layout.summed, [cols](int c) { return c >= cols; });
    if (layout.labelCol >= cols) layout.labelCol = cols > 1 ? 1 : 0;
    if (layout.monthLabelCol >= cols || layout.monthTotalCol >= cols)
        layout.monthLabelCol = layout.monthTotalCol = -1;
    return layout;
}

SortOutcome SortAndTotalReport(ReportGrid& grid, int column, bool subTotals,
                               const ReportParams& params) {
    if (grid.rows.size() < 2) return SortOutcome::TooFewRows;
    if (column < 0 || column > params.SortColumnLimit || column >= grid.cols)
        return SortOutcome::NotSortable;

    // The heading and the records, the sort column moved to the front.
    std::vector<ReportRow> rows;
    rows.reserve(grid.rows.size());
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        if (r > 0 && grid.rows[r].kind != ReportRowKind::Record) continue;
        ReportRow row = grid.rows[r];
        row.cells.resize(grid.cols);
        std::string front = Cut(TrimBlanks(row.cells[column]), 33);
        row.cells[column] = row.cells[0];
        row.cells[0] = std::move(front);
        rows.push_back(std::move(row));
    }
    if (rows.size() < 2) return SortOutcome::TooFewRows;

    std::vector<std::size_t> order(rows.size() - 1);
    std::iota(order.begin(), order.end(), 1);
    {
        const RecordOrder compare(rows);
        std::stable_sort(order.begin(), order.end(),
                         [&compare](std::size_t a, std::size_t b) { return compare.Less(a, b); });
    }

    const TotalsLayout layout = TotalsLayoutOf(params.ReportTitle, grid.cols);
    const std::string& heading = rows[0].cells[0];
    const bool byMonth =
        layout.monthLabelCol >= 0 &&
        (heading.find("Date") != std::string::npos || heading.find("Year/Mo") != std::string::npos);
    const int cols = grid.cols;
    const ReportRow spacer{std::vector<std::string>(cols), ReportRowKind::Spacer};

    Sums group(layout), month(layout), grand(layout);
    const auto monthRow = [&](const std::string& which) {
        return month.Row(cols, {{layout.monthLabelCol, "(" + which + ")"},
                                {layout.monthTotalCol, "Month Total"}});
    };

    std::vector<ReportRow> out;
    out.reserve(rows.size() * 2 + 4);
    out.push_back(std::move(rows[0]));
    std::string previousKey = RowKey(rows[order.front()]);
    std::string currentMonth = MonthOf(previousKey);
    bool monthRowsInserted = false;
    for (const std::size_t index : order) {
        ReportRow& row = rows[index];
        const std::string key = RowKey(row);
        if (subTotals && key != previousKey) {
            out.push_back(group.Row(cols, {{layout.labelCol, "** Totals"}}));
            out.push_back(spacer);
            group.Reset();
            const std::string rowMonth = MonthOf(key);
            if (byMonth && rowMonth != currentMonth) {
                out.push_back(monthRow(currentMonth));
                out.push_back(spacer);
                month.Reset();
                currentMonth = rowMonth;
                monthRowsInserted = true;
            }
        }
        group.Add(row);
        month.Add(row);
        grand.Add(row);
        previousKey = key;
        out.push_back(std::move(row));
    }
    if (subTotals) out.push_back(group.Row(cols, {{layout.labelCol, "** Totals"}}));
    if (monthRowsInserted) {
        out.push_back(spacer);
        out.push_back(monthRow(currentMonth));
    }
    out.push_back(spacer);
    out.push_back(grand.Row(cols, {{layout.labelCol, "Grand Total"}}));

    grid.rows = std::move(out);
    return SortOutcome::Sorted;
}

std::string ReportCaption(const ReportGrid& grid, std::string_view reportTitle) {
    const std::string heading = TrimBlanks(grid.cell(0, 0));
    const std::string by = heading.find("Year/Mo") != std::string::npos ? "Date" : heading;
    return std::string(reportTitle) + " by " + by;
}

std::vector<std::string> LongestCells(const ReportGrid& grid) {
    std::vector<std::string> longest(grid.cols);
    for (const ReportRow& row : grid.rows)
        for (int c = 0; c < grid.cols && c < static_cast<int>(row.cells.size()); ++c) {
            std::string text = Cut(TrimBlanks(row.cells[c]), 32);
            if (text.size() > longest[c].size()) longest[c] = std::move(text);
        }
    for (std::string& text : longest)
        if (text.empty()) text = " ";
    return longest;
}
