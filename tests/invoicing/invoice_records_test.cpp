// Record layouts as stored files hold them, and the keys built from them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"

namespace {

TEST(InvoiceRecords, FieldsSitWhereStoredFilesHaveThemAndNeverOverlap) {
    using namespace Invoice;
    const std::vector<std::pair<Text, int>> texts = {{InvType, 14},
                                                     {InvKeyCode, 16},
                                                     {InvDate, 40},
                                                     {InvPrinted, 51},
                                                     {InvMonth, 53},
                                                     {InvDay, 56},
                                                     {InvYear, 59},
                                                     {InvDateYMD, 64},
                                                     {InvNotes, 75},
                                                     {InvTerms, 156},
                                                     {InvStatementNote, 192},
                                                     {InvKind, 228},
                                                     {InvCustomerShortName, 230},
                                                     {InvDatePaid, 296},
                                                     {InvPaidFlag, 309},
                                                     {InvRepeatNextDue, 311},
                                                     {InvRepeatCreated, 326},
                                                     {InvEmailedDate, 336},
                                                     {InvShipTo1, 399},
                                                     {InvShipTo2, 435},
                                                     {InvShipTo3, 471},
                                                     {InvShipTo4, 507}};
    const std::vector<std::pair<Number, int>> numbers = {
        {InvNumber, 4}, {InvCustomerNumber, 25}, {InvCompanyNumber, 34}, {InvNet, 241},
        {InvTax, 252},  {InvTotal, 263},         {InvPaid, 274},         {InvDue, 285}};

    // Each field filled to its width with a letter of its own; every one reads back whole.
    InvoiceRec rec;
    std::set<int> used;
    char fill = 'A';
    const auto fillField = [&](auto field, int offset) {
        EXPECT_EQ(field.offset, offset);
        for (int b = field.offset; b < field.end(); ++b)
            EXPECT_TRUE(used.insert(b).second) << "byte " << b << " in two fields";
        return std::string(field.width, fill++);
    };
    for (const auto& [f, at] : texts) rec.set(f, fillField(f, at));
    for (const auto& [f, at] : numbers) ASSERT_TRUE(rec.set(f, fillField(f, at)));
    fill = 'A';
    for (const auto& [f, at] : texts) EXPECT_EQ(rec.get(f), std::string(f.width, fill++));
    for (const auto& [f, at] : numbers) EXPECT_EQ(rec.get(f), std::string(f.width, fill++));
    EXPECT_EQ(InvShipTo4.end(), 543);
    EXPECT_EQ(rec.bytes()[543], 0);
    for (int b = 0; b < 4; ++b) EXPECT_EQ(rec.bytes()[b], 0) << "the engine's bytes";
}

TEST(InvoiceMemoRecords, TwentyFiveLinesOfSeventyFour) {
    ASSERT_EQ(InvoiceMemo::MemoLines.size(), 25u);
    EXPECT_EQ(InvoiceMemo::MemoLines[0].offset, 14);
    EXPECT_EQ(InvoiceMemo::MemoLines[1].offset, 89);
    EXPECT_EQ(InvoiceMemo::MemoLines[24].offset, 1814);
    EXPECT_EQ(InvoiceMemo::MemoLines[24].end(), 1889);

    // More than 25 lines keep the first 25; a long line is cut to 74.
    std::vector<std::string> text;
    for (int k = 1; k <= 30; ++k) text.push_back("line " + std::to_string(k));
    text[3] = std::string(80, 'x');
    InvoiceMemoRec rec;
    SetInvoiceMemoLines(rec, text);
    const std::vector<std::string> lines = InvoiceMemoLines(rec);
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[0], "line 1");
    EXPECT_EQ(lines[3], std::string(74, 'x'));
    EXPECT_EQ(lines[24], "line 25");
    EXPECT_EQ(rec.bytes()[1889], 0);

    // Fewer lines empty the rest: nothing of an older text stays behind.
    SetInvoiceMemoLines(rec, std::vector<std::string>{"only"});
    EXPECT_EQ(InvoiceMemoLines(rec)[0], "only");
    EXPECT_EQ(InvoiceMemoLines(rec)[1], "");
    EXPECT_EQ(InvoiceMemoLines(rec)[24], "");
}

InvoiceRec Sample() {
    InvoiceRec r;
    EXPECT_TRUE(r.set(Invoice::InvNumber, " a-101 "));
    EXPECT_TRUE(r.set(Invoice::InvCustomerNumber, "c7\t"));
    r.set(Invoice::InvDateYMD, "2024/03/05");
    r.set(Invoice::InvKeyCode, "none");
    r.set(Invoice::InvType, "i");
    r.set(Invoice::InvDatePaid, "2024/04/01");
    return r;
}

TEST(InvoiceKeys, EachKeyHasItsWidthCaseAndSource) {
    const InvoiceRec r = Sample();
    EXPECT_EQ(BuildInvoiceKey(r, 1), "A-101    ");
    EXPECT_EQ(BuildInvoiceKey(r, 2), "C7      ");
    EXPECT_EQ(BuildInvoiceKey(r, 3), "2024/03/05");
    // Eight characters although its index holds ten.
    EXPECT_EQ(BuildInvoiceKey(r, 4), "NONE    ");
    EXPECT_EQ(BuildInvoiceKey(r, 5), "IA-101    ");
    EXPECT_EQ(BuildInvoiceKey(r, 6), "2024/04/01");
    EXPECT_EQ(BuildInvoiceKey(r, 0), "");
    EXPECT_EQ(BuildInvoiceKey(r, 7), "");

    InvoiceRec full = r;
    full.set(Invoice::InvKeyCode, "Interest");
    EXPECT_EQ(BuildInvoiceKey(full, 4), "INTEREST");
    ASSERT_TRUE(full.set(Invoice::InvNumber, "123456789"));
    full.set(Invoice::InvType, "X");
    EXPECT_EQ(BuildInvoiceKey(full, 5), "X123456789");
}

TEST(InvoiceKeys, BlankDatesGiveTenBlanks) {
    InvoiceRec r = Sample();
    r.set(Invoice::InvDatePaid, "");
    EXPECT_EQ(BuildInvoiceKey(r, 6), std::string(10, ' '));
    // A change writes one blank for "not paid": the same key.
    r.set(Invoice::InvDatePaid, " ");
    EXPECT_EQ(BuildInvoiceKey(r, 6), std::string(10, ' '));
}

TEST(InvoiceKeys, MemoAndLineKeys) {
    InvoiceMemoRec memo;
    ASSERT_TRUE(memo.set(InvoiceMemo::MemoInvNumber, " m-7"));
    EXPECT_EQ(BuildInvoiceMemoKey(memo, 1), "M-7      ");
    EXPECT_EQ(BuildInvoiceMemoKey(memo, 2), "");

    InvoiceLineRec line;
    ASSERT_TRUE(line.set(InvoiceLine::LineInvNumber, "b12"));
    line.set(InvoiceLine::LineSortDate, "2024/03/05");
    EXPECT_EQ(BuildInvoiceLineKey(line, 1), "2024/03/05");
    // Typed in lower case, found by the header's upper-cased number.
    EXPECT_EQ(BuildInvoiceLineKey(line, 2), "B12      ");
    EXPECT_EQ(BuildInvoiceLineKey(line, 3), "");
}

}  // namespace
