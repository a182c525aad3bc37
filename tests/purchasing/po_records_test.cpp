// Record layouts as stored files hold them, and the keys built from them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"

namespace {

// Fills each field to its width with a letter of its own and checks that every one reads
// back whole, sits at its offset and shares no byte with another; returns the bytes used.
template <class Rec, class TextField, class NumberField>
std::set<int> ExpectLayout(const std::vector<std::pair<TextField, int>>& texts,
                           const std::vector<std::pair<NumberField, int>>& numbers) {
    Rec rec;
    std::set<int> used;
    char fill = 'A';
    const auto fillField = [&](auto field, int offset) {
        EXPECT_EQ(field.offset, offset);
        for (int b = field.offset; b < field.end(); ++b)
            EXPECT_TRUE(used.insert(b).second) << "byte " << b << " in two fields";
        return std::string(field.width, fill++);
    };
    for (const auto& [f, at] : texts) rec.set(f, fillField(f, at));
    for (const auto& [f, at] : numbers) EXPECT_TRUE(rec.set(f, fillField(f, at)));
    fill = 'A';
    for (const auto& [f, at] : texts) EXPECT_EQ(rec.get(f), std::string(f.width, fill++));
    for (const auto& [f, at] : numbers) EXPECT_EQ(rec.get(f), std::string(f.width, fill++));
    for (int b = 0; b < 4; ++b) EXPECT_EQ(rec.bytes()[b], 0) << "the engine's bytes";
    return used;
}

TEST(PORecords, HeaderFieldsSitWhereStoredFilesHaveThem) {
    using namespace PurchaseOrder;
    const std::set<int> used = ExpectLayout<PORec>(
        std::vector<std::pair<Text, int>>{
            {POStatus, 14},        {POKeyCode, 16},       {PODate, 40},
            {POPrinted, 51},       {POMonth, 53},         {PODay, 56},
            {POYear, 59},          {PODateYMD, 64},       {PONotes, 75},
            {POTerms, 156},        {POType, 228},         {POVendorShortName, 230},
            {POSignature1, 276},   {POSignature2, 352},   {POMarkedReceived, 428},
            {POReceivedDate, 430}, {PODateRequired, 441}, {POEmailedDate, 458},
            {POShipTo1, 537},      {POShipTo2, 573},      {POShipTo3, 609},
            {POShipTo4, 645}},
        std::vector<std::pair<Number, int>>{{PONumber, 4},
                                            {POVendorNumber, 25},
                                            {POCompanyNumber, 34},
                                            {PONet, 241},
                                            {POTax, 252},
                                            {POTotal, 263}});
    // The stretches never written stay outside every field.
    for (const auto& [from, to] :
         {std::pair{192, 228}, {274, 276}, {452, 458}, {469, 537}, {681, 684}})
        for (int b = from; b < to; ++b) EXPECT_FALSE(used.count(b)) << "byte " << b;
}

TEST(PORecords, LineFieldsSitWhereStoredFilesHaveThem) {
    using namespace POLine;
    const std::set<int> used =
        ExpectLayout<POLineRec>(std::vector<std::pair<Text, int>>{{LineText, 4},
                                                                  {LineKind, 70},
                                                                  {LineStatus, 72},
                                                                  {LinePODateYMD, 92},
                                                                  {LineProductCode, 103},
                                                                  {LineVendorShortName, 123},
                                                                  {LineReceived, 134},
                                                                  {LineReceiptDate, 136},
                                                                  {LineReceiverNumber, 158}},
                                std::vector<std::pair<Number, int>>{{LineCompanyNumber, 76},
                                                                    {LinePONumber, 82},
                                                                    {LineVendorNumber, 114},
                                                                    {LineReceivedQty, 147}});
    EXPECT_EQ(*used.rbegin(), 167);
    EXPECT_FALSE(used.count(74));
    EXPECT_FALSE(used.count(75));
}

TEST(PORecords, TwentyFiveMemoLinesEndAtOffset1888) {
    ASSERT_EQ(POMemo::MemoLine.size(), 25u);
    EXPECT_EQ(POMemo::MemoPONumber.offset, 4);
    EXPECT_EQ(POMemo::MemoLine[0].offset, 14);
    EXPECT_EQ(POMemo::MemoLine[1].offset, 89);
    EXPECT_EQ(POMemo::MemoLine[24].end(), 1889);

    std::vector<std::string> text;
    for (int k = 1; k <= 30; ++k) text.push_back(std::string(80, static_cast<char>('a' + k % 26)));
    POMemoRec rec;
    SetPOMemoLines(rec, text);
    const std::vector<std::string> lines = POMemoLines(rec);
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[0], std::string(74, 'b'));
    EXPECT_EQ(lines[24], std::string(74, 'z'));
    EXPECT_EQ(rec.bytes()[1888], 'z') << "the last character of line 25";
    for (int b = 1889; b < 1892; ++b) EXPECT_EQ(rec.bytes()[b], 0) << "byte " << b;

    SetPOMemoLines(rec, std::vector<std::string>{"only"});
    EXPECT_EQ(POMemoLines(rec)[0], "only");
    EXPECT_EQ(POMemoLines(rec)[24], "");
}

PORec Sample() {
    using namespace PurchaseOrder;
    PORec r;
    EXPECT_TRUE(r.set(PONumber, " p-123 "));
    EXPECT_TRUE(r.set(POVendorNumber, "v7\t"));
    r.set(POStatus, "o");
    r.set(PODateYMD, "2024/03/05");
    r.set(POKeyCode, "rush");
    r.set(POReceivedDate, "2024/04/01");
    r.set(PODateRequired, "2024/03/20");
    return r;
}

TEST(POKeys, EachHeaderKeyHasItsWidthCaseAndSource) {
    const PORec r = Sample();
    // Key 4 is eight characters although its index holds ten; 0 and 8 are no keys.
    const std::vector<std::string> expected = {"",           "P-123    ",  "V7      ",
                                               "2024/03/05", "RUSH    ",   "OP-123    ",
                                               "2024/04/01", "2024/03/20", ""};
    for (int nr = 0; nr <= 8; ++nr) EXPECT_EQ(BuildPOKey(r, nr), expected[nr]) << "key " << nr;

    PORec open = r;
    ASSERT_TRUE(open.set(PurchaseOrder::PONumber, "123"));
    open.set(PurchaseOrder::POStatus, PurchaseOrder::StatusOpen);
    EXPECT_EQ(BuildPOKey(open, 5), "O123      ");
    // Not received yet: one blank, a key of ten blanks.
    open.set(PurchaseOrder::POReceivedDate, PurchaseOrder::NotReceived);
    EXPECT_EQ(BuildPOKey(open, 6), std::string(10, ' '));
    ASSERT_TRUE(open.set(PurchaseOrder::PONumber, "123456789"));
    EXPECT_EQ(BuildPOKey(open, 5), "O123456789");
}

POLineRec Line(const std::string& number, const std::string& code, const char* kind) {
    using namespace POLine;
    POLineRec r;
    EXPECT_TRUE(r.set(LinePONumber, number));
    r.set(LineProductCode, code);
    r.set(LineKind, kind);
    return r;
}

TEST(POKeys, LineKeysAreTrimmedUpperCasedAndPadded) {
    using namespace POLine;
    POLineRec ordered = Line("500", "ab-1", KindOrdered);
    ordered.set(LinePODateYMD, "2024/03/05");
    ordered.set(LineReceiptDate, " ");
    ordered.set(LineReceiverNumber, "auto-rec");
    EXPECT_EQ(BuildPOLineKey(ordered, 1), "2024/03/05");
    EXPECT_EQ(BuildPOLineKey(ordered, 2), "500      ");
    EXPECT_EQ(BuildPOLineKey(ordered, 3), std::string(10, ' '));
    EXPECT_EQ(BuildPOLineKey(ordered, 4), "500AB-1P            ");
    EXPECT_EQ(BuildPOLineKey(ordered, 5), "AUTO-REC ");
    EXPECT_EQ(BuildPOLineKey(ordered, 6), "");
    EXPECT_EQ(BuildPOLineKey(Line("500", "ab-1", KindReceiver), 4), "500AB-1L            ");
    // The widest parts fill the key exactly.
    EXPECT_EQ(BuildPOLineKey(Line("123456789", "ABCDEFGHIJ", KindOrdered), 4),
              "123456789ABCDEFGHIJP");

    POMemoRec memo;
    ASSERT_TRUE(memo.set(POMemo::MemoPONumber, " m-7"));
    EXPECT_EQ(BuildPOMemoKey(memo, 1), "M-7      ");
    EXPECT_EQ(BuildPOMemoKey(memo, 2), "");
}

}  // namespace
