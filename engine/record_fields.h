#pragma once
// The field codec of fixed-length records. A record layout names each of its fields once, as a
// typed constant (offset and width), and reads and writes it only through these functions:
//
//     class CompanyRec : public fields::Record<CompanyRec, 3600> {};
//     namespace Company { inline constexpr fields::Text<CompanyRec> Name{4, 35}; }
//     rec.set(Company::Name, "Acme");  std::string n = rec.get(Company::Name);
//
// "sN" fields are a length byte followed by N bytes of Windows-1252 text (one byte per
// character, zeros after the text). The field types carry their record type, so a field of
// one layout cannot be applied to a record of another.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fields {

// --- untagged codec over a byte buffer; nothing outside the buffer is ever read or written ---

// Text of an sN field; a length byte above N (a damaged record) is read as N.
std::string ReadText(std::span<const uint8_t> rec, int offset, int width);
// The same text as a view into the buffer, for reading many records without copies.
std::string_view ReadTextView(std::span<const uint8_t> rec, int offset, int width);
// Writes at most `width` bytes of text (longer text is cut) and zeros after it.
void WriteText(std::span<uint8_t> rec, int offset, int width, std::string_view text);
// Writes the text only when it fits whole; false and nothing written otherwise.
bool WriteWholeText(std::span<uint8_t> rec, int offset, int width, std::string_view text);
bool ReadBool(std::span<const uint8_t> rec, int offset);
void WriteBool(std::span<uint8_t> rec, int offset, bool value);
int32_t ReadI32(std::span<const uint8_t> rec, int offset);  // little-endian
void WriteI32(std::span<uint8_t> rec, int offset, int32_t value);
uint8_t ReadByte(std::span<const uint8_t> rec, int offset);
void WriteByte(std::span<uint8_t> rec, int offset, uint8_t value);

namespace detail {
// A field that does not fit its record stops the build when the field is a constant.
constexpr int Checked(int offset, int size, int recordSize) {
    if (offset < 0 || size <= 0 || offset + size > recordSize)
        throw std::logic_error("field outside its record");
    return offset;
}
// The length byte of an sN field counts up to 255.
constexpr int Width(int width) {
    if (width < 1 || width > 255) throw std::logic_error("text field width outside 1..255");
    return width;
}
}  // namespace detail

// --- field types of a layout R (R names the record class and its Size) ---

// The place of an sN field: a length byte at `offset`, then `width` bytes.
template <class R>
struct SizedText {
    int offset;
    int width;
    constexpr SizedText(int off, int w)
        : offset(detail::Checked(off, w + 1, R::Size)), width(detail::Width(w)) {}
    constexpr int end() const { return offset + 1 + width; }
};

// sN text: cut to N when longer.
template <class R>
struct Text : SizedText<R> {
    using SizedText<R>::SizedText;
};

// sN text holding a value that a cut would make wrong (amounts, counts, document numbers):
// text that does not fit is refused, never cut.
template <class R>
struct Number : SizedText<R> {
    using SizedText<R>::SizedText;
};

// The place of a field of `Bytes` bytes.
template <class R, int Bytes>
struct FixedField {
    int offset;
    constexpr explicit FixedField(int off) : offset(detail::Checked(off, Bytes, R::Size)) {}
    constexpr int end() const { return offset + Bytes; }
};

// One byte, 0 off and nonzero on.
template <class R>
struct Bool : FixedField<R, 1> {
    using FixedField<R, 1>::FixedField;
};

// Signed 32-bit integer, little-endian.
template <class R>
struct I32 : FixedField<R, 4> {
    using FixedField<R, 4>::FixedField;
};

// One unsigned byte.
template <class R>
struct Byte : FixedField<R, 1> {
    using FixedField<R, 1>::FixedField;
};

// --- typed access over a raw record (what a key builder receives from the engine) ---

template <class R>
std::string Get(std::span<const uint8_t> rec, Text<R> f) {
    return ReadText(rec, f.offset, f.width);
}
template <class R>
std::string Get(std::span<const uint8_t> rec, Number<R> f) {
    return ReadText(rec, f.offset, f.width);
}
template <class R>
bool Get(std::span<const uint8_t> rec, Bool<R> f) {
    return ReadBool(rec, f.offset);
}
template <class R>
int32_t Get(std::span<const uint8_t> rec, I32<R> f) {
    return ReadI32(rec, f.offset);
}
template <class R>
uint8_t Get(std::span<const uint8_t> rec, Byte<R> f) {
    return ReadByte(rec, f.offset);
}

// --- the record buffer of a layout ---

// Self is the layout's record class (derived from this one); N its length in bytes. The first
// 4 bytes belong to the engine.
template <class Self, std::size_t N>
class Record {
public:
    static constexpr int Size = static_cast<int>(N);

    std::span<uint8_t> bytes() { return bytes_; }
    std::span<const uint8_t> bytes() const { return bytes_; }
    void clear() { bytes_.fill(0); }
    bool operator==(const Record&) const = default;

    std::string get(Text<Self> f) const { return ReadText(bytes_, f.offset, f.width); }
    void set(Text<Self> f, std::string_view text) { WriteText(bytes_, f.offset, f.width, text); }

    std::string get(Number<Self> f) const { return ReadText(bytes_, f.offset, f.width); }
    // A text or number field as a view, valid while the record is unchanged.
    std::string_view view(Text<Self> f) const { return ReadTextView(bytes_, f.offset, f.width); }
    std::string_view view(Number<Self> f) const { return ReadTextView(bytes_, f.offset, f.width); }
    // False, and the field unchanged, when the text is longer than the field.
    [[nodiscard]] bool set(Number<Self> f, std::string_view text) {
        return WriteWholeText(bytes_, f.offset, f.width, text);
    }

    bool get(Bool<Self> f) const { return ReadBool(bytes_, f.offset); }
    void set(Bool<Self> f, bool value) { WriteBool(bytes_, f.offset, value); }

    int32_t get(I32<Self> f) const { return ReadI32(bytes_, f.offset); }
    void set(I32<Self> f, int32_t value) { WriteI32(bytes_, f.offset, value); }

    uint8_t get(Byte<Self> f) const { return ReadByte(bytes_, f.offset); }
    void set(Byte<Self> f, uint8_t value) { WriteByte(bytes_, f.offset, value); }

private:
    std::array<uint8_t, N> bytes_{};
};

// --- runs of text fields (the lines of a memo) ---

namespace detail {
template <class R, std::size_t... K>
constexpr std::array<Text<R>, sizeof...(K)> TextRun(int first, int width,
                                                    std::index_sequence<K...>) {
    return {{Text<R>{first + (width + 1) * static_cast<int>(K), width}...}};
}
}  // namespace detail

// N sN fields of one width, one straight after the other from `first`.
template <class R, std::size_t N>
constexpr std::array<Text<R>, N> TextRun(int first, int width) {
    return detail::TextRun<R>(first, width, std::make_index_sequence<N>{});
}

// Writes lines into the run: lines beyond the run are dropped, each is cut to its field,
// fields without a line are emptied.
template <class R, std::size_t N>
void SetTextRun(R& record, const std::array<Text<R>, N>& run, std::span<const std::string> lines) {
    for (std::size_t k = 0; k < N; ++k) record.set(run[k], k < lines.size() ? lines[k] : "");
}

// The texts of the run as stored.
template <class R, std::size_t N>
std::vector<std::string> GetTextRun(const R& record, const std::array<Text<R>, N>& run) {
    std::vector<std::string> lines;
    lines.reserve(N);
    for (const auto& field : run) lines.push_back(record.get(field));
    return lines;
}

}  // namespace fields
