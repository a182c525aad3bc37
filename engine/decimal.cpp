#include "engine/decimal.h"

#include <algorithm>

namespace {

using Wide = __int128;

constexpr int64_t Pow10(int n) {
    int64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

bool Fits(Wide v) {
    return v <= Decimal::MaxScaled && v >= -Decimal::MaxScaled;
}

// num / den rounded half away from zero; den != 0.
template <class Int>
Int DivideRounded(Int num, Int den) {
    Int q = num / den;
    Int r = num % den;
    if (r < 0) r = -r;
    const Int absDen = den < 0 ? -den : den;
    if (2 * r >= absDen) q += ((num < 0) != (den < 0)) ? -1 : 1;
    return q;
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The parts of a number text, before any value is computed.
struct Scanned {
    bool ok = false;
    bool negative = false;
    std::string_view whole;     // digits before the point
    std::string_view fraction;  // digits after it
};

Scanned Scan(std::string_view text) {
    Scanned s;
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    text = text.substr(b, e - b);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) s.negative = text[i++] == '-';
    const std::size_t wholeStart = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    s.whole = text.substr(wholeStart, i - wholeStart);
    if (i < text.size() && text[i] == '.') {
        const std::size_t fracStart = ++i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        s.fraction = text.substr(fracStart, i - fracStart);
    }
    s.ok = i == text.size() && (!s.whole.empty() || !s.fraction.empty());
    return s;
}

std::optional<Decimal> Make(Wide v) {
    if (!Fits(v)) return std::nullopt;
    return Decimal::FromScaled(static_cast<int64_t>(v));
}

Decimal OrThrow(std::optional<Decimal> d, const char* what) {
    if (!d) throw DecimalOverflow(what);
    return *d;
}

uint64_t Magnitude(int64_t v) {
    return v < 0 ? static_cast<uint64_t>(-(v + 1)) + 1 : static_cast<uint64_t>(v);
}

}  // namespace

bool IsNumberText(std::string_view text) {
    return Scan(text).ok;
}

std::optional<Decimal> Decimal::FromInt(int64_t whole) {
    return Make(Wide(whole) * Scale);
}

std::optional<Decimal> Decimal::Parse(std::string_view text) {
    const Scanned s = Scan(text);
    if (!s.ok) return std::nullopt;
    Wide v = 0;
    for (char c : s.whole) {
        v = v * 10 + (c - '0');
        if (v > Wide(MaxScaled) / Scale + 1) return std::nullopt;
    }
    v *= Scale;
    const std::string_view kept =
        s.fraction.substr(0, std::min<std::size_t>(s.fraction.size(), Places));
    Wide frac = 0;
    for (char c : kept) frac = frac * 10 + (c - '0');
    frac *= Pow10(Places - static_cast<int>(kept.size()));
    // The first dropped digit decides: the rest can only add to a half, never reach a whole.
    if (s.fraction.size() > static_cast<std::size_t>(Places) && s.fraction[Places] >= '5') ++frac;
    v += frac;
    return Make(s.negative ? -v : v);
}

std::optional<Decimal> Decimal::ParseBlankAsZero(std::string_view text) {
    if (std::all_of(text.begin(), text.end(), IsBlank)) return Decimal();
    return Parse(text);
}

std::optional<Decimal> Decimal::Add(Decimal a, Decimal b) {
    return Make(Wide(a.v_) + b.v_);
}
std::optional<Decimal> Decimal::Sub(Decimal a, Decimal b) {
    return Make(Wide(a.v_) - b.v_);
}

std::optional<Decimal> Decimal::Mul(Decimal a, Decimal b) {
    // Most products fit in 64 bits, whose division costs a fraction of a wide one; 2 * r
    // stays below 2 * Scale.
    if (int64_t product = 0; !__builtin_mul_overflow(a.v_, b.v_, &product))
        return Make(DivideRounded<int64_t>(product, Scale));
    return Make(DivideRounded<Wide>(Wide(a.v_) * b.v_, Scale));
}

std::optional<Decimal> Decimal::Div(Decimal a, Decimal b) {
    if (b.v_ == 0) return std::nullopt;
    return Make(DivideRounded<Wide>(Wide(a.v_) * Scale, b.v_));
}

Decimal operator+(Decimal a, Decimal b) {
    return OrThrow(Decimal::Add(a, b), "amount too large");
}
Decimal operator-(Decimal a, Decimal b) {
    return OrThrow(Decimal::Sub(a, b), "amount too large");
}
Decimal operator*(Decimal a, Decimal b) {
    return OrThrow(Decimal::Mul(a, b), "amount too large");
}
Decimal operator/(Decimal a, Decimal b) {
    if (b.isZero()) throw DecimalOverflow("division by zero");
    return OrThrow(Decimal::Div(a, b), "amount too large");
}

Decimal Decimal::operator-() const {
    return OrThrow(Make(-Wide(v_)), "amount too large");
}

Decimal Decimal::round(int places) const {
    places = std::clamp(places, 0, Places);
    const int64_t unit = Pow10(Places - places);
    return OrThrow(Make(DivideRounded<Wide>(v_, unit) * unit), "amount too large");
}

std::string Decimal::format(std::string_view pattern) const {
    const bool thousands = !pattern.empty() && pattern.front() == ',';
    if (thousands) pattern.remove_prefix(1);
    int places = 0;
    if (pattern.size() >= 2 && pattern.substr(0, 2) == "0.") {
        places = static_cast<int>(pattern.size()) - 2;
        if (places > Places || pattern.find_first_not_of('0', 2) != std::string_view::npos)
            throw std::invalid_argument("number pattern");
    } else if (pattern != "0") {
        throw std::invalid_argument("number pattern");
    }
    // The quotient of a 64-bit value by a power of ten, rounded, cannot overflow; the digits
    // are written from the right into one buffer.
    const int64_t units = DivideRounded<int64_t>(v_, Pow10(Places - places));
    uint64_t mag = Magnitude(units);
    char digits[48];
    char* const end = digits + sizeof digits;
    char* at = end;
    for (int i = 0; i < places; ++i) {
        *--at = static_cast<char>('0' + mag % 10);
        mag /= 10;
    }
    if (places > 0) *--at = '.';
    int whole = 0;
    do {
        if (thousands && whole > 0 && whole % 3 == 0) *--at = ',';
        *--at = static_cast<char>('0' + mag % 10);
        mag /= 10;
        ++whole;
    } while (mag != 0);
    if (units < 0) *--at = '-';
    return std::string(at, end);
}

std::string Decimal::general() const {
    const uint64_t mag = Magnitude(v_);
    std::string out = v_ < 0 ? "-" : "";
    out += std::to_string(mag / Scale);
    uint64_t frac = mag % Scale;
    if (frac != 0) {
        std::string digits = std::to_string(frac);
        digits.insert(0, Places - digits.size(), '0');
        digits.erase(digits.find_last_not_of('0') + 1);
        out += '.' + digits;
    }
    return out;
}
