#include "engine/record_fields.h"

#include <algorithm>
#include <cstring>

namespace fields {

namespace {

// True when bytes [offset, offset + size) lie inside the record.
bool Inside(std::size_t recordSize, int offset, int size) {
    return offset >= 0 && size >= 0 &&
           static_cast<std::size_t>(offset) + static_cast<std::size_t>(size) <= recordSize;
}

}  // namespace

std::string_view ReadTextView(std::span<const uint8_t> rec, int offset, int width) {
    if (width < 0 || !Inside(rec.size(), offset, 1)) return {};
    // A field cut off by the end of the buffer yields what is there.
    const int room = static_cast<int>(rec.size()) - offset - 1;
    const int length = std::min({static_cast<int>(rec[offset]), width, room});
    return {reinterpret_cast<const char*>(rec.data()) + offset + 1,
            static_cast<std::size_t>(length)};
}

std::string ReadText(std::span<const uint8_t> rec, int offset, int width) {
    return std::string(ReadTextView(rec, offset, width));
}

void WriteText(std::span<uint8_t> rec, int offset, int width, std::string_view text) {
    if (width < 0 || width > 255 || !Inside(rec.size(), offset, width + 1)) return;
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(width));
    uint8_t* field = rec.data() + offset;
    field[0] = static_cast<uint8_t>(length);
    std::memcpy(field + 1, text.data(), length);
    std::memset(field + 1 + length, 0, width - length);
}

bool WriteWholeText(std::span<uint8_t> rec, int offset, int width, std::string_view text) {
    if (width < 0 || width > 255 || text.size() > static_cast<std::size_t>(width) ||
        !Inside(rec.size(), offset, width + 1))
        return false;
    WriteText(rec, offset, width, text);
    return true;
}

bool ReadBool(std::span<const uint8_t> rec, int offset) {
    return ReadByte(rec, offset) != 0;
}

void WriteBool(std::span<uint8_t> rec, int offset, bool value) {
    WriteByte(rec, offset, value ? 1 : 0);
}

int32_t ReadI32(std::span<const uint8_t> rec, int offset) {
    if (!Inside(rec.size(), offset, 4)) return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | rec[offset + i];
    return static_cast<int32_t>(v);
}

void WriteI32(std::span<uint8_t> rec, int offset, int32_t value) {
    if (!Inside(rec.size(), offset, 4)) return;
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i, v >>= 8) rec[offset + i] = static_cast<uint8_t>(v & 0xFF);
}

uint8_t ReadByte(std::span<const uint8_t> rec, int offset) {
    return Inside(rec.size(), offset, 1) ? rec[offset] : 0;
}

void WriteByte(std::span<uint8_t> rec, int offset, uint8_t value) {
    if (Inside(rec.size(), offset, 1)) rec[offset] = value;
}

}  // namespace fields
