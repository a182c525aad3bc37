// ReportRows: a report's rows in chunks of text, and what an amount cell looks like.
#include "reports/viewer/report_rows.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "shell/text.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// What TrimmedView drops.
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Cells whose amount flag is kept in a row's entry; any later one is looked at when asked.
constexpr int kFlaggedCells = 16;
// The size of a chunk of row blocks: big enough that a report of millions of rows needs few.
constexpr std::size_t kChunkBytes = 1 << 20;

}  // namespace

bool IsNumericCell(std::string_view text) {
    // One pass, blanks skipped on the way: most cells that are no amount fail at their first
    // character that is not a blank.
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && IsBlank(text[i])) ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < n && IsDigit(text[i])) ++i;
    if (i == n || (text[i] != ',' && text[i] != '.')) return false;
    bool point = false;
    for (; i < n && (IsDigit(text[i]) || text[i] == ',' || text[i] == '.'); ++i)
        point = point || text[i] == '.';
    while (i < n && IsBlank(text[i])) ++i;
    return point && i == n;
}

void ReportRows::clear() {
    chunks_.clear();
    lines_.clear();
    unused_ = 0;
}

void ReportRows::SetEnd(char* block, const Line& line, int c, uint32_t end) {
    char* at = block + static_cast<std::size_t>(c) * line.endBytes;
    if (line.endBytes == 1) {
        *at = static_cast<char>(end);
    } else if (line.endBytes == 2) {
        const auto narrow = static_cast<uint16_t>(end);
        std::memcpy(at, &narrow, sizeof narrow);
    } else {
        std::memcpy(at, &end, sizeof end);
    }
}

std::size_t ReportRows::BlockSize(const Line& line) const {
    if (line.cells == 0) return 0;
    return std::size_t(line.cells) * line.endBytes + End(Block(line), line, line.cells - 1);
}

char* ReportRows::Room(std::size_t bytes, Line& line) {
    if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < bytes) {
        if (chunks_.size() > UINT16_MAX) throw std::length_error("The report is too large to hold.");
        chunks_.emplace_back().reserve(std::max(kChunkBytes, bytes));
    }
    std::string& chunk = chunks_.back();
    line.chunk = static_cast<uint16_t>(chunks_.size() - 1);
    line.at = static_cast<uint32_t>(chunk.size());
    // Within the capacity reserved: the chunk's text never moves.
    chunk.resize(chunk.size() + bytes);
    return chunk.data() + line.at;
}

template <class Cells>
ReportRows::Line ReportRows::Store(const Cells& cells, ReportRowKind kind) {
    if (std::size(cells) > MaxCells) throw std::length_error("A report row has too many cells.");
    Line line;
    line.cells = static_cast<uint16_t>(std::size(cells));
    line.kind = kind;
    std::size_t text = 0;
    for (const auto& cell : cells) text += std::size(cell);
    if (text > UINT32_MAX / 2) throw std::length_error("A report row is too long to hold.");
    line.endBytes = text <= UINT8_MAX ? 1 : text <= UINT16_MAX ? 2 : 4;
    char* block = Room(line.cells * std::size_t(line.endBytes) + text, line);
    char* at = block + line.cells * std::size_t(line.endBytes);
    uint32_t end = 0;
    int c = 0;
    for (const auto& cell : cells) {
        std::memcpy(at + end, std::data(cell), std::size(cell));
        end += static_cast<uint32_t>(std::size(cell));
        SetEnd(block, line, c, end);
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
    // The old block is left behind: rows are replaced one by one only in small grids.
    if (r >= lines_.size()) return;
    const Line stored = Store(row.cells, row.kind);
    Forget(lines_[r]);
    lines_[r] = stored;
}

void ReportRows::Resize(std::size_t rows) {
    if (rows < lines_.size()) {
        for (std::size_t r = rows; r < lines_.size(); ++r) Forget(lines_[r]);
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
    return static_cast<int>(lines_[r].cells);
}

std::string_view ReportRows::Cell(std::size_t r, int c) const {
    const Line& line = lines_[r];
    if (c < 0 || c >= static_cast<int>(line.cells)) return {};
    const char* block = Block(line);
    const uint32_t from = c ? End(block, line, c - 1) : 0;
    return {block + line.cells * std::size_t(line.endBytes) + from, End(block, line, c) - from};
}

bool ReportRows::IsAmount(std::size_t r, int c) const {
    if (c < kFlaggedCells) return c >= 0 && (lines_[r].amounts >> c) & 1u;
    return IsNumericCell(Cell(r, c));
}

void ReportRows::MoveToFront(std::size_t r, int column, std::size_t cut) {
    const int count = CellCount(r);
    if (column >= count) {
        // The row grows by cells it did not have: it is stored anew.
        std::vector<std::string> cells(column + 1);
        for (int c = 0; c < count; ++c) cells[c] = Cell(r, c);
        std::string front(TrimmedView(cells[column]).substr(0, cut));
        cells[column] = std::move(cells[0]);
        cells[0] = std::move(front);
        Set(r, {std::move(cells), Kind(r)});
        return;
    }
    // The trimmed front is never longer than the cell it came from, so the row is rewritten
    // in place and its ends keep their width. Only cells 0 and `column` change: the other
    // cells keep their amount flags.
    Line& line = lines_[r];
    char* block = Block(line);
    char* text = block + line.cells * std::size_t(line.endBytes);
    const std::string_view cell = Cell(r, column);
    const std::string_view front = TrimmedView(cell).substr(0, cut);
    const auto flag = [&line](int c, bool amount) {
        if (c >= kFlaggedCells) return;
        line.amounts = amount ? uint16_t(line.amounts | (1u << c)) : uint16_t(line.amounts & ~(1u << c));
    };
    if (column == 0) {
        // The front is part of the cell itself: the text after it moves up.
        if (front.size() == cell.size()) return;
        const uint32_t shrink = static_cast<uint32_t>(cell.size() - front.size());
        const uint32_t total = End(block, line, count - 1);
        if (!front.empty()) std::memmove(text, front.data(), front.size());
        std::memmove(text + front.size(), text + cell.size(), total - cell.size());
        for (int c = 0; c < count; ++c) SetEnd(block, line, c, End(block, line, c) - shrink);
        flag(0, IsNumericCell(std::string_view(text, front.size())));
        return;
    }
    // Cell 0 and the cells up to `column` are copied aside (a sort moves every row: the
    // buffer is kept between calls), then written back behind the front.
    const uint32_t end0 = End(block, line, 0);
    const uint32_t beforeColumn = End(block, line, column - 1);
    const uint32_t shrink = static_cast<uint32_t>(cell.size() - front.size());
    thread_local std::string aside;
    aside.assign(text, beforeColumn);  // cell 0, then cells 1 .. column-1
    if (!front.empty()) std::memmove(text, front.data(), front.size());
    const uint32_t middle = beforeColumn - end0;  // cells 1 .. column-1
    std::memcpy(text + front.size(), aside.data() + end0, middle);
    std::memcpy(text + front.size() + middle, aside.data(), end0);
    const bool wasAmount = (line.amounts & 1u) != 0;
    // Ends: cell 0 is the front; cells 1 .. column-1 move by the difference of the two
    // fronts; `column` (the old cell 0) and the cells after it end `shrink` earlier.
    const int64_t moved = static_cast<int64_t>(front.size()) - end0;
    SetEnd(block, line, 0, static_cast<uint32_t>(front.size()));
    for (int c = 1; c < column; ++c)
        SetEnd(block, line, c, static_cast<uint32_t>(End(block, line, c) + moved));
    const uint32_t total = End(block, line, count - 1);
    if (shrink > 0) {
        const uint32_t after = End(block, line, column);  // where the old column ended
        std::memmove(text + after - shrink, text + after, total - after);
    }
    for (int c = column; c < count; ++c) SetEnd(block, line, c, End(block, line, c) - shrink);
    flag(0, IsNumericCell(std::string_view(text, front.size())));
    flag(column, wasAmount);
}

void ReportRows::Keep(std::span<const uint32_t> order) {
    std::vector<bool> kept(lines_.size());
    std::vector<Line> lines;
    lines.reserve(order.size());
    for (const uint32_t r : order) {
        if (r >= lines_.size() || kept[r]) throw std::logic_error("Rows kept twice or unknown.");
        lines.push_back(lines_[r]);
        kept[r] = true;
    }
    for (std::size_t r = 0; r < lines_.size(); ++r)
        if (!kept[r]) Forget(lines_[r]);
    lines_ = std::move(lines);
    DropUnused();
}

// Rows dropped or replaced leave their blocks behind; once that is most of the storage, the
// rows held are copied into chunks of their own.
void ReportRows::DropUnused() {
    std::size_t held = 0;
    for (const std::string& chunk : chunks_) held += chunk.size();
    constexpr std::size_t kSlack = 1 << 16;
    if (unused_ * 2 <= held + kSlack) return;
    ReportRows kept;
    kept.lines_.reserve(lines_.size());
    for (const Line& line : lines_) {
        Line moved = line;
        const std::size_t size = BlockSize(line);
        std::memcpy(kept.Room(size, moved), Block(line), size);
        kept.lines_.push_back(moved);
    }
    *this = std::move(kept);
}

std::vector<uint32_t> ReportRows::StorageOrder() const {
    std::vector<std::size_t> next(chunks_.size() + 1, 0);
    for (const Line& line : lines_) ++next[line.chunk + 1];
    std::partial_sum(next.begin(), next.end(), next.begin());
    std::vector<uint32_t> order(lines_.size());
    for (std::size_t r = 0; r < lines_.size(); ++r)
        order[next[lines_[r].chunk]++] = static_cast<uint32_t>(r);
    return order;
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
