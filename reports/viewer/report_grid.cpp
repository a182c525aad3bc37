#include "reports/viewer/report_grid.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <algorithm>
#include <numeric>
#include <optional>
#include <span>
#include <unordered_map>

#include "engine/decimal.h"
#include "platform/cp1252.h"
#include "shell/text.h"

namespace {

// The sort column's cell, trimmed, is cut to this many characters when it moves to the front.
constexpr std::size_t kFrontCut = 33;

// The text of the key a group of rows shares.
std::string_view RowKey(std::string_view front) {
    return TrimmedView(front).substr(0, 32);
}

// "mm/yyyy" from a "yyyy/mm/dd" key.
std::string MonthOf(std::string_view key) {
    const auto part = [&key](std::size_t from, std::size_t n) {
        return from < key.size() ? std::string(key.substr(from, n)) : std::string();
    };
    return part(5, 2) + "/" + part(0, 4);
}

// The rows as they read once sorted on `column`: that column's cell, trimmed and cut, in
// front and column 0's where it was. Nothing is moved until the sort has succeeded.
class SortedView {
public:
    SortedView(const ReportRows& rows, int column) : rows_(rows), column_(column) {}

    std::string_view Cell(std::size_t r, int c) const {
        if (c == 0) return TrimmedView(rows_.Cell(r, column_)).substr(0, kFrontCut);
        return rows_.Cell(r, c == column_ ? 0 : c);
    }
    bool IsAmount(std::size_t r, int c) const {
        return c == 0 || c == column_ ? IsNumericCell(Cell(r, c)) : rows_.IsAmount(r, c);
    }

private:
    const ReportRows& rows_;
    const int column_;
};

// The values of a row's summed columns, read once for the group, month and grand sums.
// Cells that are not amounts, or whose text is not a number (such as "12.05.2005"), add
// nothing.
using RowAmounts = std::vector<std::optional<Decimal>>;
void ReadAmounts(const SortedView& view, std::size_t r, const TotalsLayout& layout,
                 RowAmounts& values) {
    values.resize(layout.summed.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = view.IsAmount(r, layout.summed[i])
                        ? Decimal::Parse(StripCommas(view.Cell(r, layout.summed[i])))
                        : std::nullopt;
}

// The running sums of the summed columns.
class Sums {
public:
    explicit Sums(const TotalsLayout& layout) : layout_(layout), values_(layout.summed.size()) {}

    void Add(const RowAmounts& amounts) {
        for (std::size_t i = 0; i < values_.size(); ++i) {
            if (!amounts[i]) continue;
            const auto sum = Decimal::Add(values_[i], *amounts[i]);
            if (!sum) throw DecimalOverflow("A total of this report is too large to show.");
            values_[i] = *sum;
        }
    }
    void Reset() { std::fill(values_.begin(), values_.end(), Decimal()); }

    // A total row: the label(s) and the sums.
    std::vector<std::string> Row(int cols,
                                 std::initializer_list<std::pair<int, std::string>> labels) const {
        std::vector<std::string> cells(cols);
        for (const auto& [col, text] : labels)
            if (col >= 0 && col < cols) cells[col] = text;
        for (std::size_t i = 0; i < values_.size(); ++i) {
            const int col = layout_.summed[i];
            cells[col] = values_[i].format(col == layout_.threePlacesCol ? ",0.000" : ",0.00");
        }
        return cells;
    }

private:
    const TotalsLayout& layout_;
    std::vector<Decimal> values_;
};

// Each record's place among the distinct texts of column `c`, in the locale's collation
// without regard to case: records of equal rank sort together. A collation key is made once
// per distinct text, never per comparison. With `exact`, texts equal but for case are told
// apart (and then by their bytes), so that each forms one unbroken group.
// The collators a sort ranks its texts with: made once per sort, not once per column.
struct Collators {
    QCollator folded{QLocale()};
    QCollator caseSensitive{QLocale()};
    Collators() {
        folded.setCaseSensitivity(Qt::CaseInsensitive);
        caseSensitive.setCaseSensitivity(Qt::CaseSensitive);
    }
};

std::vector<uint32_t> Ranks(const SortedView& view, std::span<const uint32_t> records, int c,
                            bool exact, const Collators& collators) {
    std::unordered_map<std::string_view, uint32_t> ids;
    std::vector<std::string_view> texts;
    std::vector<uint32_t> rank(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto [at, added] =
            ids.try_emplace(view.Cell(records[i], c), static_cast<uint32_t>(texts.size()));
        if (added) texts.push_back(at->first);
        rank[i] = at->second;
    }
    ids = {};

    const QCollator& folded = collators.folded;
    const QCollator& caseSensitive = collators.caseSensitive;
    std::vector<QCollatorSortKey> foldedKeys, exactKeys;
    foldedKeys.reserve(texts.size());
    for (const std::string_view text : texts) {
        const QString shown = FromCp1252(text);
        foldedKeys.push_back(folded.sortKey(shown));
        if (exact) exactKeys.push_back(caseSensitive.sortKey(shown));
    }
    const auto compare = [&](uint32_t a, uint32_t b) {
        if (const int d = foldedKeys[a].compare(foldedKeys[b]); d != 0 || !exact) return d;
        if (const int d = exactKeys[a].compare(exactKeys[b]); d != 0) return d;
        return texts[a].compare(texts[b]);
    };
    std::vector<uint32_t> sorted(texts.size());
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(),
              [&](uint32_t a, uint32_t b) { return compare(a, b) < 0; });
    std::vector<uint32_t> rankOf(texts.size());
    uint32_t place = 0;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (i > 0 && compare(sorted[i - 1], sorted[i]) != 0) ++place;
        rankOf[sorted[i]] = place;
    }
    for (uint32_t& r : rank) r = rankOf[r];
    return rank;
}

// The records' order: by the rank of their first cell; records alike there by the rank of
// the next cell, ranked among those records only, and so on. Records alike in every cell
// keep their order. Later cells cost nothing once the earlier ones tell every record apart.
std::vector<uint32_t> RecordOrder(const SortedView& view, std::span<const uint32_t> records,
                                  int cols) {
    struct Run {
        std::size_t begin, end;
    };
    std::vector<uint32_t> order(records.size());
    std::iota(order.begin(), order.end(), 0);
    const Collators collators;
    std::vector<uint32_t> key = Ranks(view, records, 0, true, collators);
    std::vector<Run> tied{{0, order.size()}};
    for (int c = 0; c < cols && !tied.empty(); ++c) {
        if (c > 0) {
            // The tied records are read in the order they are stored: in sorted order every
            // cell would be a cache miss in a report of millions of rows.
            std::vector<uint32_t> tiedRecords;
            for (const Run& run : tied)
                for (std::size_t i = run.begin; i < run.end; ++i) tiedRecords.push_back(order[i]);
            std::sort(tiedRecords.begin(), tiedRecords.end());
            std::vector<uint32_t> rows(tiedRecords.size());
            for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = records[tiedRecords[i]];
            const std::vector<uint32_t> ranks = Ranks(view, rows, c, false, collators);
            for (std::size_t i = 0; i < ranks.size(); ++i) key[tiedRecords[i]] = ranks[i];
        }
        std::vector<Run> still;
        for (const Run& run : tied) {
            const auto first = order.begin() + static_cast<std::ptrdiff_t>(run.begin);
            const auto last = order.begin() + static_cast<std::ptrdiff_t>(run.end);
            std::stable_sort(first, last,
                             [&key](uint32_t a, uint32_t b) { return key[a] < key[b]; });
            for (std::size_t i = run.begin; i < run.end;) {
                std::size_t j = i + 1;
                while (j < run.end && key[order[j]] == key[order[i]]) ++j;
                if (j - i > 1) still.push_back({i, j});
                i = j;
            }
        }
        tied = std::move(still);
    }
    return order;
}

}  // namespace

ReportGrid ReportGrid::FromRows(int cols, std::vector<std::vector<std::string>> rows) {
    ReportGrid grid;
    grid.cols = std::max(cols, 0);
    grid.rows.reserve(rows.size());
    for (auto& cells : rows) {
        cells.resize(grid.cols);
        grid.rows.Append(cells);
    }
    return grid;
}

std::string_view ReportGrid::CellView(int col, int row) const {
    if (row < 0 || row >= rowCount() || col < 0 || col >= cols) return {};
    return rows.Cell(row, col);
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

SortOutcome CheckSortable(const ReportGrid& grid, int column, const ReportParams& params) {
    if (grid.rows.size() < 2) return SortOutcome::TooFewRows;
    if (column < 0 || column > params.SortColumnLimit || column >= grid.cols)
        return SortOutcome::NotSortable;
    for (std::size_t r = 1; r < grid.rows.size(); ++r)
        if (grid.rows.Kind(r) == ReportRowKind::Record) return SortOutcome::Sorted;
    return SortOutcome::TooFewRows;
}

SortOutcome SortAndTotalReport(ReportGrid& grid, int column, bool subTotals,
                               const ReportParams& params) {
    if (const SortOutcome check = CheckSortable(grid, column, params); check != SortOutcome::Sorted)
        return check;

    std::vector<uint32_t> records;
    records.reserve(grid.rows.size() - 1);
    for (std::size_t r = 1; r < grid.rows.size(); ++r)
        if (grid.rows.Kind(r) == ReportRowKind::Record) records.push_back(static_cast<uint32_t>(r));

    const SortedView view(grid.rows, column);
    const std::vector<uint32_t> order = RecordOrder(view, records, grid.cols);

    const TotalsLayout layout = TotalsLayoutOf(params.ReportTitle, grid.cols);
    const std::string_view heading = view.Cell(0, 0);
    const bool byMonth =
        layout.monthLabelCol >= 0 && (heading.find("Date") != std::string_view::npos ||
                                      heading.find("Year/Mo") != std::string_view::npos);
    const int cols = grid.cols;
    const std::vector<std::string> spacer(cols);

    // The rows to come, in order: rows held now by index, and after them the rows inserted
    // here (kept in `inserted` until the sort is sure).
    const auto held = static_cast<uint32_t>(grid.rows.size());
    ReportRows inserted;
    std::vector<uint32_t> plan;
    plan.reserve(records.size() + 4);
    plan.push_back(0);
    const auto insert = [&](const std::vector<std::string>& cells, ReportRowKind kind) {
        plan.push_back(held + static_cast<uint32_t>(inserted.size()));
        inserted.Append(cells, kind);
    };

    Sums group(layout), month(layout), grand(layout);
    const auto groupRow = [&] {
        insert(group.Row(cols, {{layout.labelCol, "** Totals"}}), ReportRowKind::Total);
    };
    const auto monthRow = [&](const std::string& which) {
        insert(month.Row(cols, {{layout.monthLabelCol, "(" + which + ")"},
                                {layout.monthTotalCol, "Month Total"}}),
               ReportRowKind::Total);
    };

    std::string_view previousKey = RowKey(view.Cell(records[order.front()], 0));
    std::string currentMonth = MonthOf(previousKey);
    bool monthRowsInserted = false;
    RowAmounts amounts;
    for (const uint32_t index : order) {
        const uint32_t row = records[index];
        const std::string_view key = RowKey(view.Cell(row, 0));
        if (subTotals && key != previousKey) {
            groupRow();
            insert(spacer, ReportRowKind::Spacer);
            group.Reset();
            std::string rowMonth = MonthOf(key);
            if (byMonth && rowMonth != currentMonth) {
                monthRow(currentMonth);
                insert(spacer, ReportRowKind::Spacer);
                month.Reset();
                currentMonth = std::move(rowMonth);
                monthRowsInserted = true;
            }
        }
        ReadAmounts(view, row, layout, amounts);
        group.Add(amounts);
        month.Add(amounts);
        grand.Add(amounts);
        previousKey = key;
        plan.push_back(row);
    }
    if (subTotals) groupRow();
    if (monthRowsInserted) {
        insert(spacer, ReportRowKind::Spacer);
        monthRow(currentMonth);
    }
    insert(spacer, ReportRowKind::Spacer);
    insert(grand.Row(cols, {{layout.labelCol, "Grand Total"}}), ReportRowKind::Total);

    // Every total is known: the rows change now.
    grid.rows.MoveToFront(0, column, kFrontCut);
    for (const uint32_t row : records) grid.rows.MoveToFront(row, column, kFrontCut);
    grid.rows.AppendAll(inserted);
    grid.rows.Keep(plan);
    return SortOutcome::Sorted;
}

std::string ReportCaption(const ReportGrid& grid, std::string_view reportTitle) {
    const std::string heading = TrimBlanks(grid.cell(0, 0));
    const std::string by = heading.find("Year/Mo") != std::string::npos ? "Date" : heading;
    return std::string(reportTitle) + " by " + by;
}

std::vector<std::string> LongestCells(const ReportGrid& grid) {
    std::vector<std::string_view> longest(grid.cols);
    // Read in the order the rows are stored; of cells equally long, the one of the earliest
    // row is kept, as a pass in row order would keep it.
    std::vector<uint32_t> from(grid.cols, UINT32_MAX);
    for (const uint32_t r : grid.rows.StorageOrder())
        for (int c = 0; c < grid.cols && c < grid.rows.CellCount(r); ++c) {
            const std::string_view text = TrimmedView(grid.rows.Cell(r, c)).substr(0, 32);
            if (text.size() > longest[c].size() ||
                (text.size() == longest[c].size() && r < from[c])) {
                longest[c] = text;
                from[c] = r;
            }
        }
    std::vector<std::string> cells;
    for (const std::string_view text : longest) cells.emplace_back(text.empty() ? " " : text);
    return cells;
}
