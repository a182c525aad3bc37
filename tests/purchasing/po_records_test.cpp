// Record layouts as stored files hold them, and the keys built from them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"

namespace {

using Span = std::pair<int, int>;  // bytes [first, second)

// The stretches of a record that no field covers, after the engine's four bytes; a field
// that overlaps another fails the test.
std::vector<Span> Uncovered(int size, const std::vector<Span>& fieldSpans) {
    std::vector<int> owners(size, 0);
    for (const auto& [from, to] : fieldSpans)
        for (int b = from; b < to; ++b) EXPECT_EQ(owners[b]++, 0) << "byte " << b << " twice";
    std::vector<Span> gaps;
    for (int b = 4; b < size; ++b) {
        if (owners[b]) continue;
        if (!gaps.empty() && gaps.back().second == b)
            ++gaps.back().second;
        else
            gaps.emplace_back(b, b + 1);
    }
    return gaps;
}

template <class... Fields>
std::vector<Span> SpansOf(Fields... fields) {
    return {Span{fields.offset, fields.end()}...};
}

TEST(PORecords, FieldsLeaveExactlyTheStretchesNeverWritten) {
    {
        using namespace PurchaseOrder;
        EXPECT_EQ(Uncovered(PORec::Size,
                            SpansOf(PONumber, POStatus, POKeyCode, POVendorNumber, POCompanyNumber,
                                    PODate, POPrinted, POMonth, PODay, POYear, PODateYMD, PONotes,
                                    POTerms, POType, POVendorShortName, PONet, POTax, POTotal,
                                    POSignature1, POSignature2, POMarkedReceived, POReceivedDate,
                                    PODateRequired, POEmailedDate, POShipTo1, POShipTo2, POShipTo3,
                                    POShipTo4)),
                  (std::vector<Span>{{192, 228}, {274, 276}, {452, 458}, {469, 537}, {681, 684}}));
    }
    {
        using namespace POLine;
        EXPECT_EQ(Uncovered(POLineRec::Size,
                            SpansOf(LineText, LineKind, LineStatus, LineCompanyNumber, LinePONumber,
                                    LinePODateYMD, LineProductCode, LineVendorNumber,
                                    LineVendorShortName, LineReceived, LineReceiptDate,
                                    LineReceivedQty, LineReceiverNumber, LineOrderedLine)),
                  (std::vector<Span>{{74, 76}, {171, 224}}));
    }
    std::vector<Span> memo = SpansOf(POMemo::MemoPONumber);
    for (const auto& line : POMemo::MemoLine) memo.emplace_back(line.offset, line.end());
    EXPECT_EQ(Uncovered(POMemoRec::Size, memo), (std::vector<Span>{{1889, 1892}}));
}

TEST(PORecords, TwentyFiveMemoLinesOfSeventyFour) {
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
