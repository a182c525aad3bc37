// Exact decimals: parsing stored and typed number text, rounding, arithmetic and formatting.
#include "engine/decimal.h"

#include <gtest/gtest.h>

namespace {

Decimal D(std::string_view text) {
    const auto d = Decimal::Parse(text);
    EXPECT_TRUE(d.has_value()) << text;
    return d.value_or(Decimal());
}

const Decimal Max = Decimal::FromScaled(Decimal::MaxScaled);

TEST(DecimalParse, AcceptsStoredNumberText) {
    EXPECT_EQ(D(" 12.50 ").scaled(), 12'500'000);
    EXPECT_EQ(D("-0.25").scaled(), -250'000);
    EXPECT_EQ(D("+3").scaled(), 3'000'000);
    EXPECT_EQ(D(".5").scaled(), 500'000);
    EXPECT_EQ(D("5.").scaled(), 5'000'000);
    EXPECT_EQ(D("\t0007\r\n").scaled(), 7'000'000);
    EXPECT_EQ(D("-0"), Decimal());
}

TEST(DecimalParse, RefusesWhatIsNotANumber) {
    for (const char* bad : {"", "   ", "-", ".", "+-1", "1,000", "1e5", "1.2.3", "12 3", "$5",
                            "0x10", "1-", "abc", "١"})
        EXPECT_FALSE(Decimal::Parse(bad).has_value()) << bad;
}

TEST(DecimalParse, BlankMeansZeroOnlyWhenAsked) {
    EXPECT_EQ(Decimal::ParseBlankAsZero("  "), Decimal());
    EXPECT_EQ(Decimal::ParseBlankAsZero(""), Decimal());
    EXPECT_EQ(Decimal::ParseBlankAsZero(" 2.5"), D("2.5"));
    EXPECT_FALSE(Decimal::ParseBlankAsZero("x").has_value());
}

TEST(DecimalParse, ExtraDecimalsRoundHalfAwayFromZero) {
    EXPECT_EQ(D("0.0000005").scaled(), 1);
    EXPECT_EQ(D("-0.0000005").scaled(), -1);
    EXPECT_EQ(D("0.00000049999").scaled(), 0);
    EXPECT_EQ(D("0.9999999").scaled(), 1'000'000);
}

TEST(DecimalParse, ValuesBeyondTheRangeAreRefused) {
    EXPECT_EQ(D("9223372036854.775807"), Max);
    EXPECT_EQ(D("-9223372036854.775807"), -Max);
    EXPECT_FALSE(Decimal::Parse("9223372036854.775808").has_value());
    EXPECT_FALSE(Decimal::Parse("-9223372036854.775808").has_value());
    EXPECT_FALSE(Decimal::Parse("99999999999999999999999999999999999999999").has_value());
    EXPECT_EQ(D("000000000000000000000000000000001"), D("1"));
}

TEST(DecimalArithmetic, ExactWhereBinaryFloatingPointIsNot) {
    EXPECT_EQ(D("0.1") + D("0.2"), D("0.3"));
    EXPECT_EQ(D("0.1") * D("0.2"), D("0.02"));
    EXPECT_EQ(D("19.99") * D("3"), D("59.97"));
    EXPECT_EQ(D("100") - D("100.01"), D("-0.01"));
}

TEST(DecimalArithmetic, QuotientsAndProductsRoundHalfAwayFromZero) {
    EXPECT_EQ(D("1") / D("3"), D("0.333333"));
    EXPECT_EQ(D("2") / D("3"), D("0.666667"));
    EXPECT_EQ(D("-2") / D("3"), D("-0.666667"));
    EXPECT_EQ(D("2") / D("-3"), D("-0.666667"));
    EXPECT_EQ(D("0.000005") * D("0.1"), D("0.000001"));
    EXPECT_EQ(D("-0.000005") * D("0.1"), D("-0.000001"));
}

TEST(DecimalArithmetic, OverflowAndDivisionByZeroAreRefused) {
    const Decimal tiny = Decimal::FromScaled(1);
    EXPECT_FALSE(Decimal::Add(Max, tiny).has_value());
    EXPECT_FALSE(Decimal::Sub(-Max, tiny).has_value());
    EXPECT_FALSE(Decimal::Mul(Max, D("2")).has_value());
    EXPECT_FALSE(Decimal::Div(Max, D("0.5")).has_value());
    EXPECT_FALSE(Decimal::Div(D("1"), Decimal()).has_value());
    EXPECT_THROW(Max + tiny, DecimalOverflow);
    EXPECT_THROW(D("1") / Decimal(), DecimalOverflow);
    EXPECT_THROW(D("5000000000000") * D("5000000000000"), DecimalOverflow);
    EXPECT_EQ(Decimal::Add(Max, -tiny), Decimal::FromScaled(Decimal::MaxScaled - 1));
    EXPECT_FALSE(Decimal::FromInt(9'223'372'036'855).has_value());
    EXPECT_EQ(Decimal::FromInt(-42), D("-42"));
}

TEST(DecimalRound, HalfAwayFromZeroIncludingNegatives) {
    EXPECT_EQ(D("2.345").round(2), D("2.35"));
    EXPECT_EQ(D("-2.345").round(2), D("-2.35"));
    EXPECT_EQ(D("2.3449").round(2), D("2.34"));
    EXPECT_EQ(D("0.5").round(0), D("1"));
    EXPECT_EQ(D("-0.5").round(0), D("-1"));
    EXPECT_EQ(D("-0.4").round(0), Decimal());
    EXPECT_EQ(D("1.0005").round(3), D("1.001"));
    EXPECT_THROW(Max.round(0), DecimalOverflow);
}

TEST(DecimalFormat, FixedPatterns) {
    const Decimal v = D("1234567.891");
    EXPECT_EQ(v.format(",0.00"), "1,234,567.89");
    EXPECT_EQ(v.format("0.00"), "1234567.89");
    EXPECT_EQ(v.format(",0.000"), "1,234,567.891");
    EXPECT_EQ(v.format("0"), "1234568");
    EXPECT_EQ(v.format(",0"), "1,234,568");
    EXPECT_EQ(D("-1234.5").format(",0.00"), "-1,234.50");
    EXPECT_EQ(D("999.995").format(",0.00"), "1,000.00");
    EXPECT_EQ(D("-999.995").format(",0.00"), "-1,000.00");
    EXPECT_EQ(D("100").format(",0.00"), "100.00");
    EXPECT_EQ(D("0.05").format("0.00"), "0.05");
    // A value that shows as zero shows no sign.
    EXPECT_EQ(D("-0.001").format("0.00"), "0.00");
    EXPECT_EQ(Max.format(",0.00"), "9,223,372,036,854.78");
    EXPECT_EQ((-Max).format("0"), "-9223372036855");
    EXPECT_THROW(v.format("#.##"), std::invalid_argument);
    EXPECT_THROW(v.format("0.0000000"), std::invalid_argument);
}

TEST(DecimalFormat, GeneralTextIsShortestExact) {
    EXPECT_EQ(D("12.50").general(), "12.5");
    EXPECT_EQ(D("3.000").general(), "3");
    EXPECT_EQ(D("-0.25").general(), "-0.25");
    EXPECT_EQ(Decimal().general(), "0");
    EXPECT_EQ(D("0.000001").general(), "0.000001");
    EXPECT_EQ(D("-1000000").general(), "-1000000");
    EXPECT_EQ((-Max).general(), "-9223372036854.775807");
    // What general() writes reads back as the same value.
    for (const char* t : {"0.1", "-7.000125", "123456789.5"}) EXPECT_EQ(D(D(t).general()), D(t));
}

TEST(DecimalCompare, ByValueNotByText) {
    EXPECT_EQ(D("1.50"), D("1.5"));
    EXPECT_LT(D("-2"), D("-1.999999"));
    EXPECT_GT(D("10"), D("9.99"));
    EXPECT_TRUE(D("-0.01").isNegative());
    EXPECT_TRUE(D("0.000").isZero());
}

TEST(DecimalShape, NumberTextWhateverItsSize) {
    EXPECT_TRUE(IsNumberText(" -123456789012345678901234567890.5 "));
    EXPECT_FALSE(IsNumberText("12a"));
    EXPECT_FALSE(IsNumberText(""));
}

}  // namespace
