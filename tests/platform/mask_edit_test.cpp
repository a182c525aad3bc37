// Masked edits in the original mask syntax: the text returned keeps literals and blanks,
// "9" is optional and "0" required, and "!" puts the blanks of a group on the left.
#include <gtest/gtest.h>

#include "platform/mask_edit.h"

namespace {

// Types the characters as a user would, from the first position.
void Type(MaskEdit& edit, const QString& keys) {
    edit.setCursorPosition(0);
    edit.insert(keys);
}

}  // namespace

TEST(MaskEdit, DateMasksReturnLiteralsAndBlanks) {
    MaskEdit month("!99/99/9999;1;_", nullptr);
    EXPECT_EQ(month.Text(), "  /  /    ");
    EXPECT_EQ(month.displayText(), "__/__/____");
    EXPECT_TRUE(month.IsBlank());
    EXPECT_TRUE(month.IsComplete());  // every position optional

    Type(month, "12252024");
    EXPECT_EQ(month.Text(), "12/25/2024");

    // A short group typed with its separator: its blanks go to the left ("!").
    month.SetText({});
    Type(month, "1/5/2024");
    EXPECT_EQ(month.Text(), " 1/ 5/2024");

    MaskEdit year("!9999/99/99;1;_", nullptr);
    EXPECT_EQ(year.Text(), "    /  /  ");
    year.SetText("2024/1/5");
    EXPECT_EQ(year.Text(), "2024/ 1/ 5");
    year.SetText("2024/12/31");
    EXPECT_EQ(year.Text(), "2024/12/31");
}

TEST(MaskEdit, SetTextPlacesShortTextByTheMasksDirection) {
    MaskEdit count("9999;1; ", nullptr);
    EXPECT_EQ(count.Text(), "    ");
    EXPECT_EQ(count.displayText(), "    ");
    count.SetText("12");
    EXPECT_EQ(count.Text(), "12  ");
    count.SetText("x7");  // a letter leaves its position blank
    EXPECT_EQ(count.Text(), "7   ");

    MaskEdit right("!9999;1; ", nullptr);
    right.SetText("12");
    EXPECT_EQ(right.Text(), "  12");
    // Text() read back and set again gives the same text.
    right.SetText(right.Text());
    EXPECT_EQ(right.Text(), "  12");

    MaskEdit date("!99/99/9999;1;_", nullptr);
    date.SetText("1/5/2024");
    EXPECT_EQ(date.Text(), " 1/ 5/2024");
    EXPECT_EQ(date.displayText(), "_1/_5/2024");
}

TEST(MaskEdit, RequiredPositionsKeepTheirPlaceAndCountForCompleteness) {
    MaskEdit code("00-0000;1;_", nullptr);
    EXPECT_FALSE(code.IsComplete());
    code.SetText("1-23");
    EXPECT_EQ(code.Text(), "1 -23  ");
    EXPECT_FALSE(code.IsComplete());
    code.SetText("12-3456");
    EXPECT_EQ(code.Text(), "12-3456");
    EXPECT_TRUE(code.IsComplete());
    // Qt's own input mask has the digits the other way round.
    EXPECT_EQ(QtInputMask(ParseEditMask("!99/00;1;_")), "00/99;_");
}

TEST(MaskEdit, SaveFieldZeroDropsLiteralsAndCaseMarksApply) {
    MaskEdit date("!99/99/9999;0;_", nullptr);
    date.SetText("12252024");
    EXPECT_EQ(date.Text(), "12252024");
    EXPECT_EQ(date.displayText(), "12/25/2024");

    MaskEdit state(">LL<lll;1;_", nullptr);
    Type(state, "abCDe");
    EXPECT_EQ(state.Text(), "ABcde");

    // A literal that is a mask character is escaped with "\".
    MaskEdit escaped("\\A99;1;_", nullptr);
    escaped.SetText("A12");
    EXPECT_EQ(escaped.Text(), "A12");
    EXPECT_EQ(QtInputMask(ParseEditMask("\\A99;1;_")), "\\A00;_");

    // Without fields: literals kept, "_" shown for blanks.
    const ParsedMask bare = ParseEditMask("999");
    EXPECT_TRUE(bare.saveLiterals);
    EXPECT_EQ(bare.blank, '_');
}

TEST(MaskEdit, SignalsAnEditAndAnEmptyMaskIsAPlainEdit) {
    MaskEdit edit("9999;1; ", nullptr);
    int changes = 0;
    QObject::connect(&edit, &QLineEdit::textChanged, [&] { ++changes; });
    edit.SetText("42");
    EXPECT_EQ(changes, 1);

    MaskEdit plain;
    plain.SetText("free text");
    EXPECT_EQ(plain.Text(), "free text");
    plain.SetEditMask("99;1;_");
    EXPECT_EQ(plain.Text(), "  ");
}
