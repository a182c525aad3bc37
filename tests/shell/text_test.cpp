// The fixed-width text helpers of rows, lists and printed columns, and sorting by a key
// made once.
#include "shell/text.h"

#include <gtest/gtest.h>

#include "shell/keyed_sort.h"

namespace {

TEST(TextTrim, DropsEveryControlAndBlankAtBothEnds) {
    EXPECT_EQ(TrimBlanks(std::string("\t\x01 ab c \x1f\n\0", 11)), "ab c");
    EXPECT_EQ(TrimBlanks(" \r\n "), "");
    EXPECT_EQ(TrimBlanks(""), "");
    // Windows-1252 characters above 127 are text, not blanks.
    EXPECT_EQ(TrimBlanks("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(TextStripCommas, TrimsThenRemovesEveryComma) {
    EXPECT_EQ(StripCommas("  1,234,567.50 \t"), "1234567.50");
    EXPECT_EQ(StripCommas(",,"), "");
    EXPECT_EQ(StripCommas("1 ,2"), "1 2");
}

TEST(TextPad, ExtendsButNeverCuts) {
    EXPECT_EQ(PadRightWith("ab", '.', 5), "ab...");
    EXPECT_EQ(PadRightWith("abcdef", ' ', 3), "abcdef");
    EXPECT_EQ(PadRightWith(" a ", ' ', 0), " a ");
    EXPECT_EQ(PadRightWith("", '*', -4), "");
    EXPECT_EQ(PadString("x", '-', 3), "x--");
}

TEST(TextRightJustify, PadsInFrontWithBlanksOnly) {
    EXPECT_EQ(RightJustify("  12.50 ", '0', 8), "   12.50");
    EXPECT_EQ(RightJustify("abc", '*', 3), "abc");
    EXPECT_EQ(RightJustify("", 'x', 2), "  ");
}

TEST(TextRightJustify, CutsTextButKeepsNumbersWhole) {
    EXPECT_EQ(RightJustify("Hello World", ' ', 5), "Hello");
    EXPECT_EQ(RightJustify(" 12 apples ", ' ', 4), "12 a");
    EXPECT_EQ(RightJustify("1,234,567.89", ' ', 8), "1,234,567.89");
    EXPECT_EQ(RightJustify("-1234567.89", ' ', 6), "-1234567.89");
    EXPECT_EQ(RightJustify("123456789012345678901234567890", ' ', 12),
              "123456789012345678901234567890");
    EXPECT_EQ(RightJustify("anything", ' ', -1), "");
}

TEST(TextKey, TrimsUppercasesAsciiPadsAndCuts) {
    EXPECT_EQ(KeyText("  acme\xE9 co\t", 10), "ACME\xE9 CO  ");
    EXPECT_EQ(KeyText("7", 5), "7    ");
    EXPECT_EQ(KeyText(std::string(40, 'z'), 30), std::string(30, 'Z'));
    EXPECT_EQ(KeyText("abc", 35).size(), 30u);
}

}  // namespace

TEST(StableSortByKey, SortsByTheKeyAndKeepsTheOrderOfEqualKeys) {
    std::vector<std::pair<std::string, int>> rows{{"b", 1}, {"A", 2}, {"a", 3}, {"c", 4}, {"B", 5}};
    int keysMade = 0;
    StableSortByKey(rows, [&keysMade](const std::pair<std::string, int>& row) {
        ++keysMade;
        return UpperAscii(row.first);
    });
    const std::vector<std::pair<std::string, int>> sorted{
        {"A", 2}, {"a", 3}, {"b", 1}, {"B", 5}, {"c", 4}};
    EXPECT_EQ(rows, sorted);
    EXPECT_EQ(keysMade, 5);  // once per row, not per comparison

    std::vector<std::pair<std::string, int>> none;
    StableSortByKey(none, [](const auto& row) { return row.first; });
    EXPECT_TRUE(none.empty());
}
