#include "engine/browse/key_scale.h"

#include <algorithm>
#include <cstdint>

namespace browse {

namespace {

// Keys compare bytewise, so the bytes after the common prefix read as a base-256 number keep
// their order. Six of them fit a double exactly, and place a thumb finely enough.
constexpr size_t Digits = 6;

size_t commonPrefix(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

double digitsAfter(std::string_view key, size_t prefix) {
    double value = 0;
    for (size_t i = 0; i < Digits; ++i) {
        const size_t at = prefix + i;
        value = value * 256 + (at < key.size() ? static_cast<uint8_t>(key[at]) : 0);
    }
    return value;
}

}  // namespace

double keyFraction(std::string_view first, std::string_view last, std::string_view key) {
    if (key <= first || last <= first) return 0;
    if (key >= last) return 1;
    // Every key strictly between first and last shares their common prefix.
    const size_t prefix = commonPrefix(first, last);
    const double lo = digitsAfter(first, prefix);
    const double hi = digitsAfter(last, prefix);
    if (hi <= lo) return 0;
    return std::clamp((digitsAfter(key, prefix) - lo) / (hi - lo), 0.0, 1.0);
}

std::string keyAtFraction(std::string_view first, std::string_view last, double fraction) {
    if (fraction <= 0 || last <= first) return std::string(first);
    if (fraction >= 1) return std::string(last);
    const size_t prefix = commonPrefix(first, last);
    const double lo = digitsAfter(first, prefix);
    const double hi = digitsAfter(last, prefix);
    double value = lo + fraction * (hi - lo);
    std::string digits(Digits, '\0');
    for (size_t i = Digits; i-- > 0;) {
        const double rest = static_cast<double>(static_cast<uint64_t>(value / 256));
        digits[i] = static_cast<char>(static_cast<uint8_t>(value - rest * 256));
        value = rest;
    }
    while (!digits.empty() && digits.back() == '\0') digits.pop_back();
    std::string key(first.substr(0, prefix));
    key += digits;
    return key;
}

}  // namespace browse
