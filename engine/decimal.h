#pragma once
// Exact decimal numbers for amounts, prices and quantities: a 64-bit integer counting
// millionths. Stored records hold these as text ("1234.50"); no binary floating point is
// involved anywhere between the text read and the text written.

#include <compare>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised by the arithmetic operators when a result does not fit, or on division by zero.
class DecimalOverflow : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

class Decimal {
public:
    static constexpr int Places = 6;
    static constexpr int64_t Scale = 1'000'000;
    // Largest magnitude in millionths; results stay within +-MaxScaled, so negation of a
    // computed value never fails.
    static constexpr int64_t MaxScaled = INT64_MAX;

    constexpr Decimal() = default;
    static constexpr Decimal FromScaled(int64_t millionths) { return Decimal(millionths); }
    static std::optional<Decimal> FromInt(int64_t whole);

    // Text in the C locale: blanks (codes <= 32) around it, an optional sign, digits with at
    // most one decimal point, at least one digit. No thousands separators (callers strip them
    // first) and no exponent. Digits beyond the sixth decimal are rounded half away from zero.
    // Nothing when the text is not a number or the value does not fit.
    static std::optional<Decimal> Parse(std::string_view text);
    // As Parse, but blank text is 0: stored amounts may be empty.
    static std::optional<Decimal> ParseBlankAsZero(std::string_view text);

    constexpr int64_t scaled() const { return v_; }
    constexpr bool isZero() const { return v_ == 0; }
    constexpr bool isNegative() const { return v_ < 0; }

    // Checked arithmetic: nothing on overflow or division by zero. Products and quotients are
    // rounded half away from zero to six places.
    static std::optional<Decimal> Add(Decimal a, Decimal b);
    static std::optional<Decimal> Sub(Decimal a, Decimal b);
    static std::optional<Decimal> Mul(Decimal a, Decimal b);
    static std::optional<Decimal> Div(Decimal a, Decimal b);

    // The same, raising DecimalOverflow.
    friend Decimal operator+(Decimal a, Decimal b);
    friend Decimal operator-(Decimal a, Decimal b);
    friend Decimal operator*(Decimal a, Decimal b);
    friend Decimal operator/(Decimal a, Decimal b);
    Decimal operator-() const;
    Decimal& operator+=(Decimal b) { return *this = *this + b; }
    Decimal& operator-=(Decimal b) { return *this = *this - b; }

    constexpr auto operator<=>(const Decimal&) const = default;

    // Rounded half away from zero to `places` decimals (0..6); raises DecimalOverflow only
    // when rounding up passes the largest value.
    Decimal round(int places) const;

    // Fixed text by a pattern: "0", "0.00", "0.000", ... and the same with a leading ","
    // for thousands separators (",0.00", ",0.000", ",0"). Rounded half away from zero; a value
    // that rounds to zero has no sign. Throws std::invalid_argument on another pattern.
    std::string format(std::string_view pattern) const;
    // The shortest text of the exact value: "12.5", "3", "-0.25", "0".
    std::string general() const;

private:
    constexpr explicit Decimal(int64_t v) : v_(v) {}
    int64_t v_ = 0;
};

// True when the text has the shape Decimal::Parse accepts, whatever its size.
bool IsNumberText(std::string_view text);
