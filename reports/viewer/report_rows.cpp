// ReportRows: a report's rows in one text buffer, and what an amount cell looks like.
#include "reports/viewer/report_rows.h"

#include <algorithm>

#include "shell/text.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Cells whose amount flag is kept in a row's entry; any later one is looked at when asked.
constexpr int kFlaggedCells = 16;

}  // namespace

bool IsNumericCell(std::string_view text) {
    const std::string_view t = TrimmedView(text);
    if (t.find('.') == std::string_view::npos) return false;
    std::size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    while (i < t.size() && IsDigit(t[i])) ++i;
    if (i == t.size() || (t[i] != ',' && t[i] != '.')) return false;
    return std::all_of(t.begin() + static_cast<std::ptrdiff_t>(i), t.end(),
                       [](char c) { return IsDigit(c) || c == ',' || c == '.'; });
}

void ReportRows::clear() {
    text_.clear();
    ends_.clear();
    lines_.clear();
}

template <class Cells>
ReportRows::Line ReportRows::Store(const Cells& cells, ReportRowKind kind) {
    Line line;
    line.text = text_.size();
    line.cells = static_cast<uint32_t>(ends_.size());
    line.kind = kind;
    ends_.push_back(static_cast<uint32_t>(cells.size()));
    int c = 0;
    for (const auto& cell : cells) {
        text_.append(cell);
        ends_.push_back(static_cast<uint32_t>(text_.size() - line.text));
        if (c < kFlaggedCells && IsNumericCell(cell)) line.amounts |= uint16_t(1u << c);
        ++c;
    }
    return line;
}

void ReportRows::Append(std::span<const std::string> cells, ReportRowKind kind) {
    lines_.push_back(Store(cells, kind));
}

void ReportRows::Append(std::span<const std::string_view> cells, ReportRowKind kind) {
    lines_.push_back(Store(cells, kind));
}

void ReportRows::AppendAll(const ReportRows& other) {
    lines_.reserve(lines_.size() + other.size());
    std::vector<std::string_view> cells;
    for (std::size_t r = 0; r < other.size(); ++r) {
        cells.clear();
        for (int c = 0; c < other.CellCount(r); ++c) cells.push_back(other.Cell(r, c));
        Append(cells, other.Kind(r));
    }
}

void ReportRows::Set(std::size_t r, const ReportRow& row) {
    // The old text is left behind: rows are replaced one by one only in small grids.
    if (r < lines_.size()) lines_[r] = Store(row.cells, row.kind);
}

void ReportRows::Resize(std::size_t rows) {
    if (rows < lines_.size()) {
        lines_.resize(rows);
        DropUnused();
    }
    while (lines_.size() < rows) Append(std::span<const std::string>());
}

ReportRow ReportRows::operator[](std::size_t r) const {
    ReportRow row{{}, Kind(r)};
    for (int c = 0; c < CellCount(r); ++c) row.cells.emplace_back(Cell(r, c));
    return row;
}

int ReportRows::CellCount(std::size_t r) const {
    return static_cast<int>(ends_[lines_[r].cells]);
}

std::string_view ReportRows::Cell(std::size_t r, int c) const {
    const Line& line = lines_[r];
    if (c < 0 || c >= static_cast<int>(ends_[line.cells])) return {};
    const uint32_t* ends = &ends_[line.cells + 1];
    const uint32_t from = c ? ends[c - 1] : 0;
    return std::string_view(text_).substr(line.text + from, ends[c] - from);
}

bool ReportRows::IsAmount(std::size_t r, int c) const {
    if (c < kFlaggedCells) return c >= 0 && (lines_[r].amounts >> c) & 1u;
    return IsNumericCell(Cell(r, c));
}

std::size_t ReportRows::TextSize(const Line& line) const {
    const uint32_t count = ends_[line.cells];
    return count ? ends_[line.cells + count] : 0;
}

void ReportRows::MoveToFront(std::size_t r, int column, std::size_t cut) {
    const int count = CellCount(r);
    std::vector<std::string> cells;
    cells.reserve(std::max(count, column + 1));
    for (int c = 0; c < std::max(count, column + 1); ++c) cells.emplace_back(Cell(r, c));
    std::string front(TrimmedView(cells[column]).substr(0, cut));
    cells[column] = std::move(cells[0]);
    cells[0] = std::move(front);
    if (column >= count) {
        // The row grows by cells it did not have: it is stored anew.
        lines_[r] = Store(cells, Kind(r));
        return;
    }
    // The trimmed front is never longer than the cell it came from: rewritten in place.
    Line& line = lines_[r];
    uint32_t* ends = &ends_[line.cells + 1];
    std::size_t at = line.text;
    line.amounts = 0;
    for (int c = 0; c < count; ++c) {
        text_.replace(at, cells[c].size(), cells[c]);
        at += cells[c].size();
        ends[c] = static_cast<uint32_t>(at - line.text);
        if (c < kFlaggedCells && IsNumericCell(cells[c])) line.amounts |= uint16_t(1u << c);
    }
}

void ReportRows::Keep(std::span<const uint32_t> order) {
    std::vector<Line> kept;
    kept.reserve(order.size());
    for (const uint32_t r : order) kept.push_back(lines_[r]);
    lines_ = std::move(kept);
    DropUnused();
}

// Rows dropped or rewritten leave their text behind; once that is most of the buffer, the
// rows held are copied into buffers of their own size.
void ReportRows::DropUnused() {
    std::size_t liveText = 0, liveEnds = 0;
    for (const Line& line : lines_) {
        liveText += TextSize(line);
        liveEnds += ends_[line.cells] + 1;
    }
    constexpr std::size_t kSlack = 1 << 16;
    if (text_.size() <= 2 * liveText + kSlack && ends_.size() <= 2 * liveEnds + kSlack) return;
    std::string text;
    text.reserve(liveText);
    std::vector<uint32_t> ends;
    ends.reserve(liveEnds);
    for (Line& line : lines_) {
        const uint32_t count = ends_[line.cells];
        const std::size_t from = line.text;
        line.text = text.size();
        text.append(text_, from, count ? ends_[line.cells + count] : 0);
        const auto first = ends_.begin() + line.cells;
        line.cells = static_cast<uint32_t>(ends.size());
        ends.insert(ends.end(), first, first + count + 1);
    }
    text_ = std::move(text);
    ends_ = std::move(ends);
}

bool ReportRows::operator==(const ReportRows& other) const {
    if (size() != other.size()) return false;
    for (std::size_t r = 0; r < size(); ++r) {
        if (Kind(r) != other.Kind(r) || CellCount(r) != other.CellCount(r)) return false;
        for (int c = 0; c < CellCount(r); ++c)
            if (Cell(r, c) != other.Cell(r, c)) return false;
    }
    return true;
}
