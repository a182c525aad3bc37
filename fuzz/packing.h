#pragma once
// One fuzz input holds a whole file set: a 32-bit little-endian DAT length, the DAT bytes,
// then the IX bytes. A length past the end takes everything as DAT.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/support/engine_fuzz.h"

namespace fuzzpack {

inline testsupport::SetImages unpack(const uint8_t* data, size_t size) {
    testsupport::SetImages img;
    if (size < 4) {
        img.dat.assign(data, data + size);
        return img;
    }
    const size_t datLen = static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8 |
                          static_cast<size_t>(data[2]) << 16 | static_cast<size_t>(data[3]) << 24;
    const size_t split = 4 + std::min(datLen, size - 4);
    img.dat.assign(data + 4, data + split);
    img.ix.assign(data + split, data + size);
    return img;
}

inline std::vector<uint8_t> pack(const testsupport::SetImages& img) {
    const auto n = static_cast<uint32_t>(img.dat.size());
    std::vector<uint8_t> out{static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                             static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    out.insert(out.end(), img.dat.begin(), img.dat.end());
    out.insert(out.end(), img.ix.begin(), img.ix.end());
    return out;
}

}  // namespace fuzzpack
