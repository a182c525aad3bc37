// ReportRows: a report's rows in chunks of text, and what an amount cell looks like.
#include "reports/viewer/report_rows.h"

#include <algorithm>
#include <cstring>
#include <numeric>

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
}

uint32_t ReportRows::End(const char* block, int c) {
    uint32_t end = 0;
    std::memcpy(&end, block + static_cast<std::size_t>(c) * sizeof end, sizeof end);
    return end;
}

std::size_t ReportRows::BlockSize(const char* block, uint32_t cells) {
    return cells * sizeof(uint32_t) + (cells ? End(block, static_cast<int>(cells) - 1) : 0);
}

char* ReportRows::Room(std::size_t bytes, Line& line) {
    if (chunks_.empty() || chunks_.back().capacity() - chunks_.back().size() < bytes) {
        chunks_.emplace_back().reserve(std::max(kChunkBytes, bytes));
    }
    std::string& chunk = chunks_.back();
    line.chunk = static_cast<uint32_t>(chunks_.size() - 1);
    line.at = static_cast<uint32_t>(chunk.size());
    // Within the capacity reserved: the chunk's text never moves.
    chunk.resize(chunk.size() + bytes);
    return chunk.data() + line.at;
}

template <class Cells>
ReportRows::Line ReportRows::Store(const Cells& cells, ReportRowKind kind) {
    Line line;
    line.cells = static_cast<uint32_t>(std::size(cells));
    line.kind = kind;
    std::size_t text = 0;
    for (const auto& cell : cells) text += std::size(cell);
    char* block = Room(line.cells * sizeof(uint32_t) + text, line);
    char* at = block + line.cells * sizeof(uint32_t);
    uint32_t end = 0;
    int c = 0;
    for (const auto& cell : cells) {
        std::memcpy(at + end, std::data(cell), std::size(cell));
        end += static_cast<uint32_t>(std::size(cell));
        std::memcpy(block + static_cast<std::size_t>(c) * sizeof end, &end, sizeof end);
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
    return static_cast<int>(lines_[r].cells);
}

std::string_view ReportRows::Cell(std::size_t r, int c) const {
    const Line& line = lines_[r];
    if (c < 0 || c >= static_cast<int>(line.cells)) return {};
    const char* block = Block(line);
    const uint32_t from = c ? End(block, c - 1) : 0;
    return {block + line.cells * sizeof(uint32_t) + from, End(block, c) - from};
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
        lines_[r] = Store(cells, Kind(r));
        return;
    }
    // The trimmed front is never longer than the cell it came from: the row is rewritten in
    // place from a copy of its block (kept between calls: a sort moves every row).
    Line& line = lines_[r];
    char* block = Block(line);
    thread_local std::string before;
    before.assign(block, BlockSize(block, line.cells));
    const auto cell = [&](int c) {
        const uint32_t from = c ? End(before.data(), c - 1) : 0;
        return std::string_view(before).substr(line.cells * sizeof(uint32_t) + from,
                                               End(before.data(), c) - from);
    };
    const std::string_view front = TrimmedView(cell(column)).substr(0, cut);
    char* text = block + line.cells * sizeof(uint32_t);
    uint32_t end = 0;
    line.amounts = 0;
    for (int c = 0; c < count; ++c) {
        const std::string_view moved = c == 0 ? front : cell(c == column ? 0 : c);
        std::memcpy(text + end, moved.data(), moved.size());
        end += static_cast<uint32_t>(moved.size());
        std::memcpy(block + static_cast<std::size_t>(c) * sizeof end, &end, sizeof end);
        if (c < kFlaggedCells && IsNumericCell(moved)) line.amounts |= uint16_t(1u << c);
    }
}

void ReportRows::Keep(std::span<const uint32_t> order) {
    std::vector<Line> kept;
    kept.reserve(order.size());
    for (const uint32_t r : order) kept.push_back(lines_[r]);
    lines_ = std::move(kept);
    DropUnused();
}

// Rows dropped or replaced leave their blocks behind; once that is most of the storage, the
// rows held are copied into chunks of their own.
void ReportRows::DropUnused() {
    std::size_t live = 0, held = 0;
    for (const Line& line : lines_) live += BlockSize(Block(line), line.cells);
    for (const std::string& chunk : chunks_) held += chunk.size();
    constexpr std::size_t kSlack = 1 << 16;
    if (held <= 2 * live + kSlack) return;
    ReportRows kept;
    kept.lines_.reserve(lines_.size());
    for (const Line& line : lines_) {
        Line moved = line;
        const std::size_t size = BlockSize(Block(line), line.cells);
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
