#include "reports/viewer/report_grid.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>

#include "engine/decimal.h"
#include "reports/viewer/report_collation.h"
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

// Per column, the longest cell trimmed and cut to 32 characters; of cells equally long, the
// one of the earliest row. Rows may be offered in any order.
class LongestCellTexts {
public:
    explicit LongestCellTexts(int cols) : texts_(cols), rows_(cols, UINT32_MAX) {}

    void Offer(int c, std::string_view cell, uint32_t row) {
        if (c >= static_cast<int>(texts_.size())) return;
        const std::string_view text = TrimmedView(cell).substr(0, 32);
        if (text.size() > texts_[c].size() || (text.size() == texts_[c].size() && row < rows_[c])) {
            texts_[c] = text;
            rows_[c] = row;
        }
    }
    // An empty column measures as " ".
    std::vector<std::string> Texts() && {
        for (std::string& text : texts_)
            if (text.empty()) text = " ";
        return std::move(texts_);
    }

private:
    std::vector<std::string> texts_;
    std::vector<uint32_t> rows_;
};

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

// The running sums of the summed columns, wide enough that no sum of amounts can overflow:
// a total is refused only when the value shown does not fit an amount.
using Wide = __int128;

class Sums {
public:
    explicit Sums(const TotalsLayout& layout) : layout_(layout), values_(layout.summed.size()) {}

    void Add(const Wide* amounts) {
        for (std::size_t i = 0; i < values_.size(); ++i) values_[i] += amounts[i];
    }
    void Reset() { std::fill(values_.begin(), values_.end(), Wide(0)); }

    // A total row: the label(s) and the sums.
    std::vector<std::string> Row(int cols,
                                 std::initializer_list<std::pair<int, std::string>> labels) const {
        std::vector<std::string> cells(cols);
        for (const auto& [col, text] : labels)
            if (col >= 0 && col < cols) cells[col] = text;
        for (std::size_t i = 0; i < values_.size(); ++i) {
            const int col = layout_.summed[i];
            if (values_[i] > Decimal::MaxScaled || values_[i] < -Wide(Decimal::MaxScaled))
                throw DecimalOverflow("A total of this report is too large to show.");
            cells[col] = Decimal::FromScaled(static_cast<int64_t>(values_[i]))
                             .format(col == layout_.threePlacesCol ? ",0.000" : ",0.00");
        }
        return cells;
    }

private:
    const TotalsLayout& layout_;
    std::vector<Wide> values_;
};

// The distinct texts among those it is handed, each given an id in the order first seen.
// Open addressing over the texts' hashes: a report of millions of rows looks up every cell
// of a column.
class TextIds {
public:
    explicit TextIds(std::size_t expected) {
        std::size_t size = 64;
        while (size < std::min<std::size_t>(expected, 1 << 16) * 2) size *= 2;
        slots_.assign(size, 0);
    }

    uint32_t Id(std::string_view text) {
        const uint64_t hash = Hash(text);
        for (std::size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            const uint32_t slot = slots_[at];
            if (slot == 0) break;
            if (hashes_[slot - 1] == static_cast<uint32_t>(hash) && texts_[slot - 1] == text)
                return slot - 1;
        }
        const auto id = static_cast<uint32_t>(texts_.size());
        texts_.push_back(text);
        hashes_.push_back(static_cast<uint32_t>(hash));
        if (texts_.size() * 2 > slots_.size()) {
            Grow();
        } else {
            Place(id, hash);
        }
        return id;
    }
    const std::vector<std::string_view>& Texts() const { return texts_; }

private:
    static uint64_t Mix(uint64_t h) {
        h ^= h >> 32;
        h *= 0xd6e8feb86659fd93ULL;
        return h ^ (h >> 32);
    }
    static uint64_t Hash(std::string_view text) {
        uint64_t h = 0x9e3779b97f4a7c15ULL ^ text.size();
        std::size_t i = 0;
        for (; i + 8 <= text.size(); i += 8) {
            uint64_t word = 0;
            std::memcpy(&word, text.data() + i, 8);
            h = Mix(h ^ word);
        }
        uint64_t tail = 0;
        if (i < text.size()) std::memcpy(&tail, text.data() + i, text.size() - i);
        return Mix(Mix(h ^ tail));
    }
    void Place(uint32_t id, uint64_t hash) {
        std::size_t at = hash & (slots_.size() - 1);
        while (slots_[at] != 0) at = (at + 1) & (slots_.size() - 1);
        slots_[at] = id + 1;
    }
    void Grow() {
        slots_.assign(slots_.size() * 2, 0);
        // Below 2^32 slots the low half of a hash places a text as the whole hash does.
        for (uint32_t id = 0; id < texts_.size(); ++id) Place(id, hashes_[id]);
    }

    std::vector<uint32_t> slots_;  // id + 1, or 0 for a free slot
    std::vector<uint32_t> hashes_;
    std::vector<std::string_view> texts_;
};

// The records' rows in the order their text is stored: passes over every record read them
// that way, since in sorted order nearly every read would miss the cache. A report as its
// builder stored it is in row order already, and then no list of its rows is kept.
class StoredRecords {
public:
    explicit StoredRecords(const ReportRows& rows) : rows_(rows) {
        std::vector<uint32_t> order = rows.StorageOrder();
        std::erase_if(order, [&rows](uint32_t r) {
            return r == 0 || rows.Kind(r) != ReportRowKind::Record;
        });
        count_ = order.size();
        if (!std::is_sorted(order.begin(), order.end())) order_ = std::move(order);
    }
    std::size_t size() const { return count_; }
    template <class Visit>
    void ForEach(Visit visit) const {
        if (!order_.empty()) {
            for (const uint32_t r : order_) visit(r);
            return;
        }
        for (uint32_t r = 1; r < rows_.size(); ++r)
            if (rows_.Kind(r) == ReportRowKind::Record) visit(r);
    }

private:
    const ReportRows& rows_;
    std::size_t count_ = 0;
    std::vector<uint32_t> order_;
};

// The records' front cells, read in one pass in the order they are stored: an id per record
// (by row) for each distinct text, the texts, and each text's sums of the summed columns.
// Cells that are not amounts, or whose text is not a number (such as "12.05.2005"), add
// nothing.
struct FrontTexts {
    std::vector<uint32_t> id;
    std::vector<std::string_view> texts;
    std::vector<Wide> sums;  // per text, one per summed column
};

FrontTexts ReadFronts(const SortedView& view, std::size_t rows, const StoredRecords& stored,
                      const std::vector<int>& summed) {
    FrontTexts fronts;
    fronts.id.resize(rows);
    TextIds ids(stored.size());
    stored.ForEach([&](uint32_t r) {
        const uint32_t id = fronts.id[r] = ids.Id(view.Cell(r, 0));
        if (summed.empty()) return;
        if (fronts.sums.size() <= id * summed.size()) fronts.sums.resize((id + 1) * summed.size());
        for (std::size_t k = 0; k < summed.size(); ++k) {
            if (!view.IsAmount(r, summed[k])) continue;
            if (const auto value = Decimal::Parse(StripCommas(view.Cell(r, summed[k]))))
                fronts.sums[id * summed.size() + k] += value->scaled();
        }
    });
    fronts.texts = ids.Texts();
    fronts.sums.resize(fronts.texts.size() * summed.size());
    return fronts;
}

// The records' order, as OrderRecords finds it: records of one front text are neighbours.
struct RecordOrder {
    std::vector<uint32_t> order;  // the records' rows
    // The front texts' ids by place, and where the records of each end in the order.
    std::vector<uint32_t> frontIds;
    std::vector<uint32_t> frontEnds;
};

// Runs of records alike in the cells sorted on so far, as ranges of the order.
struct Run {
    uint32_t begin, end;
};

// A run this long is sorted by the places of its members' texts among the texts of all such
// runs; a shorter one by comparing its texts, settled by their words (and so is a long one
// whose texts are mostly distinct).
constexpr uint32_t kRankedRun = 16;
// The texts of long runs looked at to tell whether they are mostly distinct.
constexpr uint32_t kSample = 2048;

// The records' order: by their front cell (texts equal but for case apart), records alike
// there by their next cell without regard to case, and so on; records alike in every cell
// keep their order. Each column sorts only the runs of records still alike.
RecordOrder OrderRecords(const SortedView& view, const ReportRows& rows,
                         const StoredRecords& stored, int cols,
                         const ReportCollation& collation, FrontTexts& fronts) {
    const auto n = static_cast<uint32_t>(stored.size());
    RecordOrder out;
    std::vector<uint32_t>& order = out.order;
    std::vector<Run> runs;
    {
        // Distinct texts have distinct places: a counting sort by place, in row order, keeps
        // the records' order.
        const std::vector<uint32_t> place = collation.Ranks(fronts.texts, true);
        out.frontIds.resize(place.size());
        for (uint32_t id = 0; id < place.size(); ++id) out.frontIds[place[id]] = id;
        std::vector<uint32_t> next(place.size() + 1, 0);
        stored.ForEach([&](uint32_t r) { ++next[place[fronts.id[r]] + 1]; });
        std::partial_sum(next.begin(), next.end(), next.begin());
        order.resize(n);
        for (uint32_t r = 1; r < rows.size(); ++r)
            if (rows.Kind(r) == ReportRowKind::Record) order[next[place[fronts.id[r]]]++] = r;
        fronts.id = {};
        next.pop_back();
        out.frontEnds = std::move(next);
        for (uint32_t text = 0, begin = 0; text < out.frontEnds.size(); ++text) {
            if (out.frontEnds[text] - begin > 1) runs.push_back({begin, out.frontEnds[text]});
            begin = out.frontEnds[text];
        }
    }
    const auto splitRuns = [&](std::vector<Run>& into, Run run, auto same) {
        for (uint32_t i = run.begin; i < run.end;) {
            uint32_t j = i + 1;
            while (j < run.end && same(order[j - 1], order[j])) ++j;
            if (j - i > 1) into.push_back({i, j});
            i = j;
        }
    };

    // How each record of a run is keyed in the pass over a column, and its key: a place or
    // a word.
    enum Keying : uint8_t { Unkeyed, Ranked, Worded };
    std::vector<uint8_t> keying(runs.empty() ? 0 : rows.size(), Unkeyed);
    std::vector<uint64_t> key(runs.empty() ? 0 : rows.size());
    std::vector<uint64_t> placed;
    std::vector<std::pair<uint64_t, uint32_t>> worded;
    for (int c = 1; c < cols && !runs.empty(); ++c) {
        const auto text = [&](uint32_t r) { return view.Cell(r, c); };
        const auto longRun = [](const Run& run) { return run.end - run.begin >= kRankedRun; };
        // Long runs are ranked, unless the column's texts are mostly distinct (numbers of
        // invoices) and words tell them apart: then a place for each would cost more than
        // it settles. A sample of the long runs' texts tells.
        TextIds sample(kSample);
        uint32_t sampled = 0;
        for (const Run& run : runs)
            for (uint32_t p = run.begin; p < run.end && sampled < kSample && longRun(run); ++p) {
                sample.Id(text(order[p]));
                ++sampled;
            }
        const bool rankLong = sample.Texts().size() * 2 <= sampled;
        const auto ranked = [&](const Run& run) { return rankLong && longRun(run); };
        // The keys are read in one pass over the records in storage order.
        bool anyRanked = false;
        uint32_t members = 0;
        for (const Run& run : runs) {
            const Keying how = ranked(run) ? Ranked : Worded;
            anyRanked = anyRanked || how == Ranked;
            members += run.end - run.begin;
            for (uint32_t p = run.begin; p < run.end; ++p) keying[order[p]] = how;
        }
        TextIds ids(anyRanked ? n : 0);
        const auto keyOf = [&](uint32_t i) {
            if (keying[i] == Ranked) key[i] = ids.Id(text(i));
            if (keying[i] == Worded) key[i] = collation.Word(text(i));
        };
        // Few records left alike are keyed where they stand.
        if (members < n / 8) {
            for (const Run& run : runs)
                for (uint32_t p = run.begin; p < run.end; ++p) keyOf(order[p]);
        } else {
            stored.ForEach(keyOf);
        }
        if (anyRanked) {
            const std::vector<uint32_t> place = collation.Ranks(ids.Texts(), false);
            for (const Run& run : runs)
                if (ranked(run))
                    for (uint32_t p = run.begin; p < run.end; ++p)
                        key[order[p]] = place[key[order[p]]];
        }
        std::vector<Run> still;
        for (const Run& run : runs) {
            const auto first = order.begin() + run.begin, last = order.begin() + run.end;
            // Members of a run stand in the order of their rows: sorting by key and then row
            // keeps that order among equals. Runs often come in order already (a builder lists
            // its records by date).
            if (ranked(run)) {
                if (!std::is_sorted(first, last,
                                    [&](uint32_t a, uint32_t b) { return key[a] < key[b]; })) {
                    placed.clear();
                    for (auto at = first; at != last; ++at) placed.push_back(key[*at] << 32 | *at);
                    std::sort(placed.begin(), placed.end());
                    for (std::size_t k = 0; k < placed.size(); ++k)
                        first[k] = static_cast<uint32_t>(placed[k]);
                }
                splitRuns(still, run, [&](uint32_t a, uint32_t b) { return key[a] == key[b]; });
                continue;
            }
            // Words settle most comparisons; texts of equal words are compared.
            const auto compare = [&](uint32_t a, uint32_t b) {
                if (key[a] != key[b]) return key[a] < key[b] ? -1 : 1;
                return collation.Compare(text(a), text(b));
            };
            if (longRun(run)) {
                worded.clear();
                for (auto at = first; at != last; ++at) worded.emplace_back(key[*at], *at);
                std::sort(worded.begin(), worded.end(), [&](const auto& a, const auto& b) {
                    if (a.first != b.first) return a.first < b.first;
                    if (const int d = collation.Compare(text(a.second), text(b.second)))
                        return d < 0;
                    return a.second < b.second;
                });
                for (std::size_t k = 0; k < worded.size(); ++k) first[k] = worded[k].second;
            } else {
                // An insertion sort that moves a record only past greater texts.
                for (auto at = first + 1; at != last; ++at) {
                    const uint32_t moving = *at;
                    auto to = at;
                    while (to != first && compare(*(to - 1), moving) > 0) {
                        *to = *(to - 1);
                        --to;
                    }
                    *to = moving;
                }
            }
            splitRuns(still, run, [&](uint32_t a, uint32_t b) { return compare(a, b) == 0; });
        }
        for (const Run& run : runs)
            for (uint32_t p = run.begin; p < run.end; ++p) keying[order[p]] = Unkeyed;
        runs = std::move(still);
    }
    return out;
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
                               const ReportParams& params, std::vector<std::string>* longest) {
    if (const SortOutcome check = CheckSortable(grid, column, params); check != SortOutcome::Sorted)
        return check;

    std::optional<StoredRecords> stored(grid.rows);

    const SortedView view(grid.rows, column);
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
    // Where each record (by its row now) and each inserted row will stand.
    std::vector<uint32_t> newRow, insertedRow;
    {
        // Records of one front text are neighbours, so the totals change only between
        // texts: each text's sums are added up first.
        FrontTexts fronts = ReadFronts(view, held, *stored, layout.summed);
        const std::size_t summed = layout.summed.size();
        const RecordOrder sorted =
            OrderRecords(view, grid.rows, *stored, cols, ReportCollation(), fronts);

        plan.reserve(stored->size() + 4);
        if (longest) newRow.resize(held);
        plan.push_back(0);
        const auto insert = [&](const std::vector<std::string>& cells, ReportRowKind kind) {
            insertedRow.push_back(static_cast<uint32_t>(plan.size()));
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

        std::string_view previousKey = RowKey(fronts.texts[sorted.frontIds.front()]);
        std::string currentMonth = MonthOf(previousKey);
        bool monthRowsInserted = false;
        uint32_t at = 0;
        for (std::size_t place = 0; place < sorted.frontIds.size(); ++place) {
            const uint32_t text = sorted.frontIds[place];
            const std::string_view key = RowKey(fronts.texts[text]);
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
            const Wide* sums = fronts.sums.data() + std::size_t(text) * summed;
            group.Add(sums);
            month.Add(sums);
            grand.Add(sums);
            previousKey = key;
            for (; at < sorted.frontEnds[place]; ++at) {
                const uint32_t r = sorted.order[at];
                if (longest) newRow[r] = static_cast<uint32_t>(plan.size());
                plan.push_back(r);
            }
        }
        if (subTotals) groupRow();
        if (monthRowsInserted) {
            insert(spacer, ReportRowKind::Spacer);
            monthRow(currentMonth);
        }
        insert(spacer, ReportRowKind::Spacer);
        insert(grand.Row(cols, {{layout.labelCol, "Grand Total"}}), ReportRowKind::Total);
    }

    // Every total is known: the rows change now, in the order they are stored.
    // The column widths are measured on the way, while each row is at hand.
    LongestCellTexts measured(longest ? cols : 0);
    const auto measure = [&](const ReportRows& rows, std::size_t r, uint32_t row) {
        if (longest)
            rows.VisitCells(r, [&](int c, std::string_view cell) { measured.Offer(c, cell, row); });
    };
    grid.rows.MoveToFront(0, column, kFrontCut);
    measure(grid.rows, 0, 0);
    stored->ForEach([&](uint32_t r) {
        grid.rows.MoveToFront(r, column, kFrontCut);
        measure(grid.rows, r, longest ? newRow[r] : 0);
    });
    for (std::size_t j = 0; j < inserted.size(); ++j) measure(inserted, j, insertedRow[j]);
    if (longest) *longest = std::move(measured).Texts();
    stored.reset();
    newRow = {};
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
    LongestCellTexts longest(grid.cols);
    // Sorted rows lie scattered in storage: each row is asked for a few rows ahead of its
    // reading.
    constexpr std::size_t kAhead = 8;
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        if (r + kAhead < grid.rows.size()) grid.rows.Prefetch(r + kAhead);
        grid.rows.VisitCells(r, [&](int c, std::string_view cell) {
            longest.Offer(c, cell, static_cast<uint32_t>(r));
        });
    }
    return std::move(longest).Texts();
}
