#include "engine/browse/key_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace browse {

namespace {

// Keys are mostly zero-padded numbers, dates and upper-case names. Reading each place of a
// key in the alphabet its first and last keys use there (digits, or blank-digits-letters)
// spreads such keys evenly; plain bytes would crowd every number into a tenth of the range.
constexpr std::string_view Digits = "0123456789";
constexpr std::string_view Alnum = " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr double Precision = 281474976710656.0;  // 2^48: every value stays an exact double

struct Place {
    std::string_view alphabet;  // empty: any byte
    int base() const { return alphabet.empty() ? 256 : static_cast<int>(alphabet.size()); }
};

bool holds(std::string_view alphabet, std::string_view key, size_t at) {
    return at >= key.size() || alphabet.find(key[at]) != std::string_view::npos;
}

size_t commonPrefix(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

struct Scale {
    size_t prefix = 0;
    std::vector<Place> places;
};

Scale scaleFor(std::string_view first, std::string_view last) {
    Scale scale;
    scale.prefix = commonPrefix(first, last);
    double span = 1;
    const size_t length = std::max(first.size(), last.size());
    for (size_t at = scale.prefix; at < length && span < Precision; ++at) {
        Place place;
        if (holds(Digits, first, at) && holds(Digits, last, at))
            place.alphabet = Digits;
        else if (holds(Alnum, first, at) && holds(Alnum, last, at))
            place.alphabet = Alnum;
        span *= place.base();
        if (span > Precision) break;
        scale.places.push_back(place);
    }
    return scale;
}

// The key's places as one number. A character outside a place's alphabet counts as its
// nearest neighbour below, and the places after it as full (or empty when nothing is below),
// so that the order of keys is kept.
double valueOf(const Scale& scale, std::string_view key) {
    double value = 0;
    enum { Exact, Floor, Ceiling } rest = Exact;
    for (size_t i = 0; i < scale.places.size(); ++i) {
        const Place& place = scale.places[i];
        const size_t at = scale.prefix + i;
        int rank = 0;
        if (rest == Ceiling) {
            rank = place.base() - 1;
        } else if (rest == Floor || at >= key.size()) {
            rest = Floor;
        } else if (place.alphabet.empty()) {
            rank = static_cast<uint8_t>(key[at]);
        } else {
            const std::string_view a = place.alphabet;
            const auto pos = a.find(key[at]);
            if (pos != std::string_view::npos) {
                rank = static_cast<int>(pos);
            } else {
                const auto below = std::count_if(a.begin(), a.end(), [&](char c) {
                    return static_cast<uint8_t>(c) < static_cast<uint8_t>(key[at]);
                });
                rank = below == 0 ? 0 : static_cast<int>(below - 1);
                rest = below == 0 ? Floor : Ceiling;
            }
        }
        value = value * place.base() + rank;
    }
    return value;
}

}  // namespace

double keyFraction(std::string_view first, std::string_view last, std::string_view key) {
    if (key <= first || last <= first) return 0;
    if (key >= last) return 1;
    // Every key strictly between first and last shares their common prefix.
    const Scale scale = scaleFor(first, last);
    const double lo = valueOf(scale, first);
    const double hi = valueOf(scale, last);
    if (hi <= lo) return 0;
    return std::clamp((valueOf(scale, key) - lo) / (hi - lo), 0.0, 1.0);
}

std::string keyAtFraction(std::string_view first, std::string_view last, double fraction) {
    if (fraction <= 0 || last <= first) return std::string(first);
    if (fraction >= 1) return std::string(last);
    const Scale scale = scaleFor(first, last);
    const double lo = valueOf(scale, first);
    const double hi = valueOf(scale, last);
    double value = std::floor(lo + fraction * (hi - lo));
    std::string places(scale.places.size(), '\0');
    for (size_t i = scale.places.size(); i-- > 0;) {
        const Place& place = scale.places[i];
        const double next = std::floor(value / place.base());
        const auto rank = static_cast<int>(value - next * place.base());
        places[i] = place.alphabet.empty() ? static_cast<char>(rank) : place.alphabet[rank];
        value = next;
    }
    while (!places.empty() && places.back() == '\0') places.pop_back();
    return std::string(first.substr(0, scale.prefix)) + places;
}

}  // namespace browse
