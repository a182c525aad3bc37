// The print queue's list file "*.LST" and the layout's small files, below the window.
#include <gtest/gtest.h>

#include <fstream>

#include "reports/labels/label_layout.h"
#include "reports/labels/label_queue.h"
#include "shell/data_folder.h"
#include "tests/support/temp_dir.h"

namespace {

LabelQueueItem Item(LabelKind kind, std::string caption, std::string name, std::string sort,
                    std::string type) {
    return MakeLabelQueueItem(kind, caption, name, sort, type);
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(ListFile, LinesAreFixedColumnsWithCrLf) {
    const std::string content = BuildListFile({
        Item(LabelKind::Customer, "C100", "Harbour Supplies", "NORTH", "Retail"),
        Item(LabelKind::Product, "BOLT-10", "Bolt 10 mm", "0.25", "Shelf A3"),
    });
    const std::string first = std::string("C100    ") + " " + "Harbour Supplies" +
                              std::string(19, ' ') + " " + "NORTH" + std::string(10, ' ') + " " +
                              "Retail" + std::string(19, ' ') + " " + "C";
    ASSERT_EQ(first.size(), 88u);
    EXPECT_EQ(content.substr(0, 90), first + "\r\n");
    EXPECT_EQ(content.size(), 2u * 90u);
    EXPECT_EQ(content.substr(90 + 87, 3), "P\r\n");
}

TEST(ListFile, RoundTripKeepsFullWidthValues) {
    const std::string name35(35, 'N');
    const std::string sort15 = "SORTCODE-ABCDEF";
    ASSERT_EQ(sort15.size(), 15u);
    const std::vector<LabelQueueItem> items = {
        Item(LabelKind::Customer, "12345678", name35, sort15, std::string(25, 'T')),
        Item(LabelKind::Vendor, "V1", "Dock & Rope Co.", "", "Marine"),
        Item(LabelKind::Product, "WIDGET", "Widget, blue", "9.00", ""),
    };
    const ListFileRead read = ParseListFile(BuildListFile(items));
    EXPECT_EQ(read.badLine, 0);
    EXPECT_EQ(read.items, items);
}

TEST(ListFile, CaptionsOverEightCharactersLoadBackIntact) {
    // Product codes hold ten characters: written whole, the line runs to 90.
    const std::vector<LabelQueueItem> items = {
        Item(LabelKind::Product, "ABCDEFGHIJ", "Ten-character code", "12.50", "Bin 4"),
        Item(LabelKind::Product, "ABCDEFGHI", "Nine", "1.00", "Bin 5"),
        Item(LabelKind::Customer, "C7", "Short caption", "S", "Trade"),
    };
    const std::string content = BuildListFile(items);
    EXPECT_EQ(content.find("\r\n"), 90u);
    EXPECT_EQ(ParseListFile(content).items, items);
}

TEST(ListFile, LinesOfTheOriginalLayoutParseByPosition) {
    // Values trimmed; blanks inside values kept; LF-only line ends and blank lines accepted.
    std::string line = std::string("  AB 12 ") + " " + std::string("  Mary  Ann ").append(23, ' ') +
                       " " + std::string(15, ' ') + " " + std::string("Wholesale").append(16, ' ') +
                       " V";
    ASSERT_EQ(line.size(), 88u);
    const ListFileRead read = ParseListFile(line + "\n\r\n" + line + "   \r\n");
    ASSERT_EQ(read.badLine, 0);
    ASSERT_EQ(read.items.size(), 2u);
    EXPECT_EQ(read.items[0], Item(LabelKind::Vendor, "AB 12", "Mary  Ann", "", "Wholesale"));
    EXPECT_EQ(read.items[1], read.items[0]);
}

TEST(ListFile, DamagedFilesLoadNothingAndNameTheLine) {
    const std::string good = BuildListFileLine(Item(LabelKind::Customer, "1", "A", "B", "C"));
    std::string badKind = good;
    badKind.back() = 'X';
    std::string noSeparator = good;
    noSeparator[8] = 'x';
    std::string tooLong = std::string("ABCDEFGHIJK") + good.substr(8);
    std::string control = good;
    control[20] = '\t';
    for (const std::string& bad : {good.substr(0, 60), badKind, noSeparator, tooLong, control,
                                   std::string("\x01\x02\x03 binary")}) {
        const ListFileRead read = ParseListFile(good + "\r\n" + bad + "\r\n" + good + "\r\n");
        EXPECT_EQ(read.badLine, 2) << bad;
        EXPECT_TRUE(read.items.empty()) << bad;
    }
}

TEST(ListFile, RowValuesFitTheirColumns) {
    // Whatever an adder passes, a row stays one line of the file and reads back.
    const LabelQueueItem item =
        Item(LabelKind::Customer, "TOO-LONG-CAPTION", std::string(50, 'x'), "line\r\nbreak", "");
    EXPECT_EQ(item.caption, "TOO-LONG-C");
    EXPECT_EQ(item.subItems[0].size(), 35u);
    EXPECT_EQ(item.subItems[1], "line  break");
    EXPECT_EQ(ParseListFile(BuildListFile({item})).items, std::vector<LabelQueueItem>{item});
}

TEST(LayoutFiles, ALayoutFileMustBeExactlyOneRecord) {
    testsupport::TempDir dir;
    LabelLayoutRec layout;
    layout.set(LabelLayout::Description, "Sheet of 30");
    const auto path = dir.path() / "sheet.LBL";
    ASSERT_TRUE(WriteLabelLayoutFile(path, layout));
    const auto read = ReadLabelLayoutFile(path);
    ASSERT_TRUE(read.value);
    EXPECT_EQ(*read.value, layout);

    WriteBytes(path, std::string(200, 'x'));
    auto damaged = ReadLabelLayoutFile(path);
    EXPECT_FALSE(damaged.value);
    EXPECT_FALSE(damaged.missing);
    EXPECT_NE(damaged.problem.find("200"), std::string::npos);

    EXPECT_TRUE(ReadLabelLayoutFile(dir.path() / "none.LBL").missing);
}

TEST(LayoutFiles, OversizedLengthBytesAreClampedToTheirField) {
    testsupport::TempDir dir;
    std::string bytes(LabelLayoutRec::Size, '\0');
    bytes[0] = static_cast<char>(200);  // description s50
    for (int i = 1; i <= 60; ++i) bytes[i] = 'D';
    bytes[427] = static_cast<char>(9);  // line width s1
    bytes[428] = '3';
    bytes[429] = 'z';
    WriteBytes(dir.path() / "odd.LBL", bytes);
    const auto read = ReadLabelLayoutFile(dir.path() / "odd.LBL");
    ASSERT_TRUE(read.value);
    EXPECT_EQ(read.value->get(LabelLayout::Description), std::string(50, 'D'));
    EXPECT_EQ(read.value->get(LabelLayout::LineWidth), "3");
}

TEST(LayoutFiles, LastLabelFileHoldsOnePathOf255) {
    testsupport::TempDir dir;
    const DataFolder folder(dir.path());
    EXPECT_TRUE(ReadLastLabelPath(folder).missing);

    const auto layoutPath = dir.path() / "Étiquettes" / "sheet.LBL";
    ASSERT_TRUE(WriteLastLabelPath(folder, layoutPath));
    const auto content = ReadWholeFile(folder.file(LastLabelFileName));
    ASSERT_TRUE(content);
    ASSERT_EQ(content->size(), 256u);
    EXPECT_EQ(static_cast<unsigned char>((*content)[0]), layoutPath.string().size());
    EXPECT_EQ(content->substr(256 - 10), std::string(10, '\0'));
    EXPECT_EQ(*ReadLastLabelPath(folder).value, layoutPath);

    // A path the record cannot hold whole is not written: a cut path names another file.
    EXPECT_FALSE(WriteLastLabelPath(folder, dir.path() / std::string(300, 'a')));
    EXPECT_EQ(*ReadLastLabelPath(folder).value, layoutPath);

    WriteBytes(folder.file(LastLabelFileName), "short");
    const auto damaged = ReadLastLabelPath(folder);
    EXPECT_FALSE(damaged.value);
    EXPECT_FALSE(damaged.missing);
}
