#pragma once
// ReportRows: the rows of a report in compact storage. The cells of every row sit in large
// text chunks; a row is a small entry saying where its text starts, how many cells it has,
// what kind of row it is and which of its cells are amounts (decided once, when the row is
// stored). A report of millions of rows costs its text, a byte a cell and 12 bytes a row, so
// a year of sales can be built, sorted and shown without a string or an item per cell.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What a row is. Only rows the viewer inserted are dropped when the report is sorted again,
// so a record whose sort value is blank keeps its place in the report.
enum class ReportRowKind : uint8_t { Record, Total, Spacer };

// One row as separate strings: what builders hand in and what a caller may take out.
struct ReportRow {
    std::vector<std::string> cells;
    ReportRowKind kind = ReportRowKind::Record;

    bool operator==(const ReportRow&) const = default;
};

// Whether a cell holds an amount: the trimmed text has a point, begins as a whole number
// (optional sign, digits, possibly none) that stops at a comma or a point, and holds nothing
// but digits, commas and points after it. "1,234.50", "-12.00", ".50" and "12.05.2005" are
// amounts; "abc.1", "3.5 inch disks" and any text without a point are not.
bool IsNumericCell(std::string_view text);

class ReportRows {
public:
    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    void clear();
    // Rows are kept in 12 bytes each, beside their text: a row has at most this many cells.
    static constexpr std::size_t MaxCells = UINT16_MAX;
    void reserve(std::size_t rows) { lines_.reserve(rows); }

    void push_back(const ReportRow& row) { Append(row.cells, row.kind); }
    void Append(std::span<const std::string> cells, ReportRowKind kind = ReportRowKind::Record);
    void Append(std::span<const std::string_view> cells,
                ReportRowKind kind = ReportRowKind::Record);
    // Every row of `other` after these.
    void AppendAll(const ReportRows& other);
    // Replaces row `r` (a row past the end is not there to replace).
    void Set(std::size_t r, const ReportRow& row);
    // Keeps the first `rows` rows, or adds empty records up to that many.
    void Resize(std::size_t rows);

    // The row as separate strings.
    ReportRow operator[](std::size_t r) const;
    int CellCount(std::size_t r) const;
    // The cell's text; empty past the row's cells.
    std::string_view Cell(std::size_t r, int c) const;
    ReportRowKind Kind(std::size_t r) const { return lines_[r].kind; }
    void SetKind(std::size_t r, ReportRowKind kind) { lines_[r].kind = kind; }
    // visit(c, text) for each cell of row `r` in turn: a pass over every cell of a large
    // report reads each row's storage once.
    template <class Visit>
    void VisitCells(std::size_t r, Visit&& visit) const {
        const Line& line = lines_[r];
        const char* block = Block(line);
        const char* text = block + std::size_t(line.cells) * line.endBytes;
        uint32_t from = 0;
        for (int c = 0; c < line.cells; ++c) {
            const uint32_t end = End(block, line, c);
            visit(c, std::string_view(text + from, end - from));
            from = end;
        }
    }
    // Asks for row `r` to be brought into the cache: a pass over rows scattered in storage
    // asks a few rows ahead of the one it reads. (Always inlined: a call around two
    // prefetches would cost about what they save.)
    [[gnu::always_inline]] void Prefetch(std::size_t r) const {
        const char* block = Block(lines_[r]);
        __builtin_prefetch(block);
        __builtin_prefetch(block + 64);
    }
    // IsNumericCell of the cell, without looking at its text again.
    bool IsAmount(std::size_t r, int c) const;

    // Row `r` with the cell of `column`, trimmed and cut to `cut` characters, in front and
    // the front cell where that one was.
    void MoveToFront(std::size_t r, int column, std::size_t cut);
    // The rows listed in `order` (indexes of rows now held, each at most once) become the
    // rows, in that order; the others are dropped.
    void Keep(std::span<const uint32_t> order);

    // Every row's index, grouped by where its text is stored: after a sort, a pass over
    // every cell in row order would miss the cache at nearly every row.
    std::vector<uint32_t> StorageOrder() const;

    bool operator==(const ReportRows& other) const;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ReportRow;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = ReportRow;

        const_iterator() = default;
        const_iterator(const ReportRows* rows, std::size_t r) : rows_(rows), r_(r) {}
        ReportRow operator*() const { return (*rows_)[r_]; }
        const_iterator& operator++() {
            ++r_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++r_;
            return before;
        }
        bool operator==(const const_iterator& other) const { return r_ == other.r_; }

    private:
        const ReportRows* rows_ = nullptr;
        std::size_t r_ = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    // A row: its block starts at `at` in chunk `chunk`. A block holds where each cell ends
    // (counted from the start of the text, in `endBytes` bytes a cell: 1 when the row's text
    // is shorter than 256 bytes, as nearly every report row is, else 2 or 4), then the text.
    struct Line {
        uint32_t at = 0;
        uint16_t chunk = 0;
        uint16_t cells = 0;
        uint16_t amounts = 0;  // bit c: cell c is an amount (cells past 16 are looked at)
        ReportRowKind kind = ReportRowKind::Record;
        uint8_t endBytes = 1;
    };
    template <class Cells>
    Line Store(const Cells& cells, ReportRowKind kind);
    // Room for a block of `bytes` at the end of the last chunk, or in a new one.
    char* Room(std::size_t bytes, Line& line);
    const char* Block(const Line& line) const { return chunks_[line.chunk].data() + line.at; }
    char* Block(const Line& line) { return chunks_[line.chunk].data() + line.at; }
    static uint32_t End(const char* block, const Line& line, int c) {
        const char* at = block + static_cast<std::size_t>(c) * line.endBytes;
        if (line.endBytes == 1) return static_cast<unsigned char>(*at);
        if (line.endBytes == 2) {
            uint16_t end = 0;
            std::memcpy(&end, at, sizeof end);
            return end;
        }
        uint32_t end = 0;
        std::memcpy(&end, at, sizeof end);
        return end;
    }
    static void SetEnd(char* block, const Line& line, int c, uint32_t end);
    std::size_t BlockSize(const Line& line) const;
    // The block of a line no row uses any more.
    void Forget(const Line& line) { unused_ += BlockSize(line); }
    void DropUnused();

    // The blocks, in chunks that are filled and never moved: a report grows without copying
    // what it holds.
    std::vector<std::string> chunks_;
    std::vector<Line> lines_;
    std::size_t unused_ = 0;  // bytes of the chunks that no row uses
};
