// Receiving without a screen: listing an order's lines, the checks of a posting in their
// order, and what a posting writes to the line, product, company and order files.
#include <QStringList>
#include <cerrno>
#include <deque>
#include <filesystem>
#include <string>

#include "purchasing/po_files.h"
#include "tests/purchasing/receiving_env.h"
#include "tests/support/books_check.h"
#include "tests/support/fault_files.h"

namespace {

// Answers the posting's questions from a list, remembering each question's caption.
struct Answers {
    std::deque<bool> yes;
    QStringList captions;
    ReceivingQuestion ask() {
        return [this](const QString&, const QString& caption) {
            captions << caption;
            if (yes.empty()) {
                ADD_FAILURE() << "unexpected question " << caption.toStdString();
                return false;
            }
            const bool answer = yes.front();
            yes.pop_front();
            return answer;
        };
    }
};

class ReceivingTest : public ReceivingEnv {
protected:
    // Loads the order as the wizard does and fills in today's quantities by code.
    ReceivingEntry Load(const std::string& po,
                        const std::vector<std::pair<std::string, std::string>>& today,
                        const std::string& receiver = "100") {
        const ReceivingList list = LoadReceivingList(po, false);
        EXPECT_TRUE(list.error.isEmpty()) << list.error.toStdString();
        ReceivingEntry e;
        e.poNumber = po;
        e.loadedPONumber = po;
        e.receiverNumber = receiver;
        e.receiverDate = "03/15/2024";
        e.openQuantity = (list.totalOrdered - list.totalReceived).general();
        e.rows = list.rows;
        // As typed into the grid: each edited row's balance follows.
        for (ReceivingRow& row : e.rows)
            for (const auto& [code, quantity] : today)
                if (row.code == code) {
                    row.inToday = quantity;
                    row.balanceDue = BalanceDueText(row);
                }
        return e;
    }
    // The same with today's quantities by row.
    ReceivingEntry LoadRows(const std::string& po, const std::vector<std::string>& today,
                            const std::string& receiver) {
        ReceivingEntry e = Load(po, {}, receiver);
        for (std::size_t i = 0; i < today.size() && i < e.rows.size(); ++i) {
            e.rows[i].inToday = today[i];
            e.rows[i].balanceDue = BalanceDueText(e.rows[i]);
        }
        return e;
    }
    // What the books say against the order files, from the opening stock given.
    std::vector<std::string> Disagreements(const std::map<std::string, Decimal>& opening) {
        return testsupport::BooksDisagreements(
            testsupport::ReadCompanyBooks(shell.context().folder, "7"), Date{2024, 3, 15}, opening);
    }
    ReceivingPlan Plan(const ReceivingEntry& e) { return PlanReceiving(e, answers.ask()); }
    void Post(const ReceivingEntry& e) {
        const ReceivingPlan plan = Plan(e);
        ASSERT_TRUE(plan.posting) << plan.refusal.text.toStdString();
        WriteReceiving(*plan.posting);
    }
    // Plans the entry expecting a refusal with the text.
    ReceivingRefusal Refused(const ReceivingEntry& e, const QString& text) {
        const ReceivingPlan plan = Plan(e);
        EXPECT_FALSE(plan.posting) << text.toStdString();
        EXPECT_EQ(plan.refusal.text, text);
        return plan.refusal;
    }

    Answers answers;
};

std::vector<std::string> Codes(const std::vector<ReceivingRow>& rows) {
    std::vector<std::string> codes;
    for (const ReceivingRow& row : rows) codes.push_back(row.code);
    return codes;
}

TEST_F(ReceivingTest, ReceivingTheRestOfAPartlyReceivedLineCompletesTheOrder) {
    AddProduct("W1", "5");
    const int32_t header = AddHeader("500");
    const int32_t ordered = AddLine(OrderedLine("500", "W1", "10", "4", "99", "2024/03/01"));

    const ReceivingList list = LoadReceivingList("500", false);
    ASSERT_EQ(list.rows.size(), 1u);
    const ReceivingRow& row = list.rows[0];
    EXPECT_EQ(row.description, "Item W1");
    EXPECT_EQ(row.code, "W1");
    EXPECT_EQ(row.unitCost, "2.50");
    EXPECT_EQ(row.ordered, "10");
    EXPECT_EQ(row.kind, "P");
    EXPECT_EQ(row.toDate, "4");
    EXPECT_EQ(row.inToday, "0");
    EXPECT_EQ(row.balanceDue, "") << "a balance still due is shown only once edited";
    EXPECT_EQ(list.totalOrdered.general(), "10");
    EXPECT_EQ(list.totalReceived.general(), "4");

    ReceivingEntry e = Load("500", {});
    ReceiveAll(e.rows[0]);
    EXPECT_EQ(e.rows[0].inToday, "6");
    EXPECT_EQ(e.rows[0].balanceDue, "0");
    Post(e);

    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].second, OrderedLine("500", "W1", "10", "4", "99", "2024/03/01"))
        << "the ordered line keeps its first receipt";
    const POLineRec& later = lines[1].second;
    EXPECT_EQ(later.get(POLine::LineKind), "L");
    EXPECT_EQ(later.get(POLine::LineText),
              PadRightWith("0", ' ', 10) + PadRightWith("Item W1", ' ', 32) +
                  PadRightWith("2.50", ' ', 10) + "N" + PadRightWith("0", ' ', 10));
    EXPECT_EQ(later.get(POLine::LineReceivedQty), "6");
    EXPECT_EQ(later.get(POLine::LineReceiverNumber), "100");
    EXPECT_EQ(later.get(POLine::LineReceiptDate), "2024/03/15");
    EXPECT_EQ(later.get(POLine::LineReceived), "Y");
    EXPECT_EQ(later.get(POLine::LinePONumber), "500");
    EXPECT_EQ(later.get(POLine::LinePODateYMD), "2024/03/01");
    EXPECT_NE(lines[1].first, ordered);

    EXPECT_EQ(StockOf("W1"), "11");
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), "2024/03/15");
    EXPECT_EQ(IndexOf(POData(), POReceivedDateKey), (Entries{{"2024/03/15", header}}));
    EXPECT_EQ(NextReceiverOnFile(), "101");
    EXPECT_EQ(shell.context().companies.CurrentCompany.get(Company::NextReceiverNumber), "101");

    // Loaded again, the order has nothing open.
    const ReceivingList again = LoadReceivingList("500", false);
    ASSERT_EQ(again.rows.size(), 1u);
    EXPECT_EQ(again.rows[0].toDate, "10");
    EXPECT_EQ(again.rows[0].balanceDue, "0");
    EXPECT_TRUE(LoadReceivingList("500", true).rows.empty());
}

TEST_F(ReceivingTest, AFirstReceiptStaysOnTheOrderedLineAndLaterOnesAddReceiverLines) {
    AddProduct("A", "0");
    AddProduct("B", "1.5");
    const int32_t header = AddHeader("501");
    const int32_t a = AddLine(OrderedLine("501", "A", "5"));
    const int32_t b = AddLine(OrderedLine("501", "B", "2000"));

    Post(Load("501", {{"A", "2"}}));
    const POLineRec first = LineAt(a);
    EXPECT_EQ(first.get(POLine::LineReceivedQty), "2");
    EXPECT_EQ(first.get(POLine::LineReceived), "Y");
    EXPECT_EQ(first.get(POLine::LineReceiverNumber), "100");
    EXPECT_EQ(first.get(POLine::LineReceiptDate), "2024/03/15");
    EXPECT_EQ(first.get(POLine::LineText), OrderedLine("501", "A", "5").get(POLine::LineText));
    EXPECT_EQ(LineAt(b), OrderedLine("501", "B", "2000"));
    EXPECT_EQ(Lines().size(), 2u);
    // The indexes follow the rewritten line.
    const Entries receivers = IndexOf(POLineData(), POLineReceiverKey);
    EXPECT_NE(std::find(receivers.begin(), receivers.end(), std::pair{std::string("100      "), a}),
              receivers.end());
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), " ") << "6 still open";
    EXPECT_EQ(StockOf("A"), "2");

    // The second receipt of A adds a line; B's first goes into its ordered line. Quantities
    // are exact decimals, typed with separators or not.
    Post(Load("501", {{"A", "3"}, {"B", "1,000.25"}}, "101"));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].second, first);
    EXPECT_EQ(lines[1].second.get(POLine::LineReceivedQty), "1000.25");
    EXPECT_EQ(lines[1].second.get(POLine::LineKind), "P");
    EXPECT_EQ(lines[2].second.get(POLine::LineKind), "L");
    EXPECT_EQ(lines[2].second.get(POLine::LineReceivedQty), "3");
    EXPECT_EQ(lines[2].second.get(POLine::LineReceiverNumber), "101");
    EXPECT_EQ(StockOf("A"), "5");
    EXPECT_EQ(StockOf("B"), "1001.75");
    EXPECT_EQ(NextReceiverOnFile(), "102");
    const ReceivingList list = LoadReceivingList("501", false);
    EXPECT_EQ(list.rows[0].toDate, "5");
    EXPECT_EQ(list.rows[1].toDate, "1000.25");
}

TEST_F(ReceivingTest, AnOrderIsReceivedWhenTodaysTotalReachesItsOpenTotal) {
    AddProduct("A", "0");
    AddProduct("B", "0");
    const int32_t header = AddHeader("502");
    AddLine(OrderedLine("502", "A", "5"));
    AddLine(OrderedLine("502", "B", "5"));

    // More than ordered of A, less of B: the order as a whole has nothing open. The
    // over-receipt is asked about once, for A.
    answers.yes = {true};
    Post(Load("502", {{"A", "7"}, {"B", "3"}}));
    EXPECT_EQ(answers.captions, QStringList{"Product: Item A"});
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), "2024/03/15");

    // Receiving more than is open leaves the order received, on the date it first was.
    answers.yes = {true};
    ReceivingEntry more = Load("502", {{"B", "4"}}, "101");
    more.receiverDate = "03/14/2024";
    Post(more);
    EXPECT_EQ(answers.captions.size(), 2);
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), "2024/03/15");
    EXPECT_EQ(IndexOf(POData(), POReceivedDateKey), (Entries{{"2024/03/15", header}}));

    // Declining the question writes nothing.
    answers.yes = {false};
    const ReceivingRefusal declined = Refused(Load("502", {{"A", "1"}}, "102"), "");
    EXPECT_EQ(declined.field, ReceivingField::Grid);
    EXPECT_EQ(declined.row, 0);
    EXPECT_EQ(StockOf("A"), "7");
    EXPECT_EQ(NextReceiverOnFile(), "102");

    // An order received over in one go is received too.
    const int32_t over = AddHeader("504");
    AddLine(OrderedLine("504", "A", "5"));
    answers.yes = {true};
    Post(Load("504", {{"A", "6"}}, "102"));
    EXPECT_EQ(HeaderAt(over).get(PurchaseOrder::POReceivedDate), "2024/03/15");
}

TEST_F(ReceivingTest, TheListHoldsEveryLineOfTheOrderWithEachProductsOwnReceipts) {
    AddHeader("503");
    // "A" and "AL" join their kinds into keys that interleave ("503AL" is A's receiver line),
    // and "-X" sorts before any "." a search might start from.
    AddLine(OrderedLine("503", "A", "4", "2", "90"));
    AddLine(ReceiverLine("503", "A", "1", "91"));
    AddLine(OrderedLine("503", "AL", "6"));
    AddLine(OrderedLine("503", "-X", "2", "2", "92"));
    AddLine(OrderedLine("503", std::string(NoProductCode), "1"));
    // Other orders whose number and code join to the same keys, and a comment line.
    AddLine(OrderedLine("5030", "A", "9"));
    AddLine(OrderedLine("50", "3A", "9"));
    AddLine(OrderedLine("503", "C", ""));

    const ReceivingList all = LoadReceivingList(" 503 ", false);
    ASSERT_TRUE(all.error.isEmpty());
    EXPECT_EQ(Codes(all.rows), (std::vector<std::string>{"** NONE **", "-X", "A", "AL"}));
    EXPECT_EQ(all.rows[1].toDate, "2");
    EXPECT_EQ(all.rows[1].balanceDue, "0");
    EXPECT_EQ(all.rows[2].toDate, "3");
    EXPECT_EQ(all.rows[3].toDate, "0");
    EXPECT_EQ(all.totalOrdered.general(), "13") << "4 + 6 + 2 + the memo line's 1";
    EXPECT_EQ(all.totalReceived.general(), "5");

    const ReceivingList open = LoadReceivingList("503", true);
    EXPECT_EQ(Codes(open.rows), (std::vector<std::string>{"** NONE **", "A", "AL"}));
    EXPECT_EQ(open.rows[1].toDate, "3");
    EXPECT_EQ(open.totalOrdered.general(), "13") << "hidden lines still count";

    EXPECT_TRUE(LoadReceivingList("999", false).rows.empty());
    EXPECT_TRUE(LoadReceivingList("999", false).totalOrdered.isZero());
    EXPECT_TRUE(LoadReceivingList("1234567890", false).rows.empty());

    AddLine(OrderedLine("504", "Q", "x1"));
    EXPECT_FALSE(LoadReceivingList("504", false).error.isEmpty())
        << "a quantity that is not a number would make the totals wrong";
}

TEST_F(ReceivingTest, ALineWithoutAProductIsReceivedWithoutStockAndCompletesTheOrder) {
    AddProduct("W1", "5");
    const int32_t header = AddHeader("560");
    AddLine(OrderedLine("560", "W1", "2"));
    const int32_t none = AddLine(OrderedLine("560", std::string(NoProductCode), "1"));
    const int32_t comment = AddLine(OrderedLine("560", "", "3"));  // a comment with a quantity

    Post(Load("560", {{"W1", "2"}}));
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), " ") << "4 still open";
    const ReceivingList open = LoadReceivingList("560", true);
    EXPECT_EQ(Codes(open.rows), (std::vector<std::string>{"", "** NONE **"}));

    Post(Load("560", {{"** NONE **", "1"}, {"", "3"}}, "101"));
    for (const int32_t ref : {none, comment}) {
        const POLineRec line = LineAt(ref);
        EXPECT_EQ(line.get(POLine::LineKind), "P");
        EXPECT_EQ(line.get(POLine::LineReceived), "Y");
        EXPECT_EQ(line.get(POLine::LineReceiverNumber), "101");
    }
    EXPECT_EQ(LineAt(comment).get(POLine::LineReceivedQty), "3");
    EXPECT_EQ(StockOf("W1"), "7") << "only W1 came into stock";
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), "2024/03/15");
    EXPECT_TRUE(LoadReceivingList("560", true).rows.empty());
    EXPECT_EQ(Disagreements({{"W1", Decimal::FromInt(5).value()}}), std::vector<std::string>{});
}

TEST_F(ReceivingTest, AProductOnTwoLinesIsCreditedToEachRowsOwnLine) {
    AddProduct("W1", "0");
    const int32_t header = AddHeader("570");
    const int32_t first = AddLine(OrderedLine("570", "W1", "2"));
    const int32_t second = AddLine(OrderedLine("570", "W1", "3"));

    // First receipts go into each line itself, later ones into receiver lines of their own.
    Post(LoadRows("570", {"1", "1"}, "100"));
    EXPECT_EQ(LineAt(first).get(POLine::LineReceivedQty), "1");
    EXPECT_EQ(LineAt(second).get(POLine::LineReceivedQty), "1");
    const ReceivingList list = LoadReceivingList("570", false);
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0].lineRef, first);
    EXPECT_EQ(list.rows[1].toDate, "1");

    Post(LoadRows("570", {"0", "2"}, "101"));
    Post(LoadRows("570", {"1"}, "102"));
    const ReceivingList done = LoadReceivingList("570", false);
    EXPECT_EQ(done.rows[0].toDate, "2");
    EXPECT_EQ(done.rows[1].toDate, "3");
    EXPECT_TRUE(LoadReceivingList("570", true).rows.empty()) << "nothing due on either line";
    EXPECT_EQ(StockOf("W1"), "5");
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), "2024/03/15");
    EXPECT_EQ(Disagreements({{"W1", Decimal()}}), std::vector<std::string>{});
}

TEST_F(ReceivingTest, AllNoneAndTheBalanceDueReadEachCellAsANumber) {
    ReceivingRow row{"Widget", "W1", "2.50", "10", "P", "4", "0", ""};
    row.inToday = "1,000";
    EXPECT_EQ(BalanceDueText(row), "-994");
    row.inToday = "abc";
    EXPECT_EQ(BalanceDueText(row), "6") << "a cell that is not a number counts 0";
    ReceiveAll(row);
    EXPECT_EQ(row.inToday, "6");
    EXPECT_EQ(row.balanceDue, "0");
    ReceiveNone(row);
    EXPECT_EQ(row.inToday, "0");
    EXPECT_EQ(row.balanceDue, "6");
    ReceivingRow over{"Widget", "W1", "2.50", "10", "P", "12.5", "0", ""};
    ReceiveAll(over);
    EXPECT_EQ(over.inToday, "-2.5") << "All brings an over-received line back to its order";
}

TEST_F(ReceivingTest, TheChecksOfAPostingComeInOrderAndRefuseBeforeWriting) {
    AddProduct("W1", "5");
    AddHeader("510");
    AddLine(OrderedLine("510", "W1", "10"));
    const ReceivingEntry good = Load("510", {{"W1", "4"}});

    ReceivingEntry e = good;
    e.rows = {ReceivingRow{}};
    EXPECT_EQ(Refused(e, "You need to select a PO to receive.").field, ReceivingField::PONumber);
    e = good;
    e.poNumber = "  ";
    EXPECT_EQ(Refused(e, "You need to enter a PO number.").caption, "PO Number");
    e = good;
    e.receiverNumber = " ";
    EXPECT_EQ(Refused(e, "You need to enter a receiver number.").field,
              ReceivingField::ReceiverNumber);
    e = good;
    e.rows[0].inToday = "4x";
    const ReceivingRefusal notNumber =
        Refused(e, "The amount in the \"In Today\" column of product W1 (\"4x\") is not a number.");
    EXPECT_EQ(notNumber.field, ReceivingField::Grid);
    EXPECT_EQ(notNumber.row, 0);
    e = good;
    e.rows[0].inToday = "";
    EXPECT_EQ(Refused(e,
                      "You have not entered an amount for any items in the \"In Today\" column. "
                      "You have nothing to receive.")
                  .caption,
              "Received Items");
    e = good;
    e.receiverDate = "02/30/2024";
    EXPECT_EQ(Refused(e, "The receiver date is not a valid date.").field,
              ReceivingField::ReceiverDate);
    e = good;
    e.receiverDate = "03/16/2024";
    answers.yes = {false, true};
    EXPECT_EQ(Refused(e, "").field, ReceivingField::ReceiverDate);
    EXPECT_EQ(answers.captions, QStringList{"Please Confirm"});
    EXPECT_TRUE(Plan(e).posting) << "a later date once confirmed";

    // Found on file at planning time.
    e = good;
    e.rows[0].code = "W9";
    EXPECT_EQ(Refused(e,
                      "No product of the rows with an amount is on file (W9), so nothing can be "
                      "received.")
                  .field,
              ReceivingField::Grid);
    e = good;
    e.loadedPONumber = "511";
    Refused(e,
            "The ordered line of product W1 is no longer on PO 511. Select Find to load the PO "
            "again.");
    e = good;
    e.rows[0].lineRef = AddLine(OrderedLine("512", "W1", "10"));
    e.loadedPONumber = "512";
    Refused(e, "PO 512 is not on file, so nothing can be received on it.");

    EXPECT_EQ(LineAt(1), OrderedLine("510", "W1", "10"));
    EXPECT_EQ(StockOf("W1"), "5");
    EXPECT_EQ(NextReceiverOnFile(), "100");
}

TEST_F(ReceivingTest, NumbersThatDoNotFitTheirFieldsAreRefusedNotCut) {
    AddProduct("W1", "9999999999");
    AddHeader("520");
    AddLine(OrderedLine("520", "W1", "10"));
    Refused(Load("520", {{"W1", "1"}}),
            "The stock on hand of product W1 (10000000000) does not fit its field of 10 "
            "characters.");
    AddProduct("N1", "0", true);
    AddLine(OrderedLine("520", "N1", "10"));
    answers.yes = {true};
    Refused(Load("520", {{"N1", "12345678901"}}),
            "The quantity received of product N1 (12345678901) does not fit its field of 10 "
            "characters.");
    EXPECT_EQ(StockOf("W1"), "9999999999");
}

TEST_F(ReceivingTest, AReceiverNumberUsedOnAnyOrderIsRefused) {
    AddProduct("W1", "0");
    AddHeader("530");
    AddHeader("531");
    AddLine(OrderedLine("530", "W1", "1", "1", "Auto-Rec", "2024/03/01"));
    AddLine(OrderedLine("531", "W1", "5"));
    const ReceivingRefusal refusal =
        Refused(Load("531", {{"W1", "1"}}, "auto-rec"),
                "The receiver number you entered already exists. Enter a different number.");
    EXPECT_EQ(refusal.caption, "Duplicate Receiver Number");
    EXPECT_EQ(refusal.field, ReceivingField::ReceiverNumber);
    Post(Load("531", {{"W1", "1"}}, "100"));
    Refused(Load("531", {{"W1", "1"}}, " 100"),
            "The receiver number you entered already exists. Enter a different number.");
}

TEST_F(ReceivingTest, TheNextReceiverNumberFollowsANumericReceiverOnly) {
    EXPECT_EQ(NextReceiverNumberAfter("00125"), "126");
    EXPECT_EQ(NextReceiverNumberAfter(" 12.5 "), "14");
    EXPECT_EQ(NextReceiverNumberAfter("999999999"), "1000000000");
    EXPECT_FALSE(NextReceiverNumberAfter("R-7"));
    EXPECT_FALSE(NextReceiverNumberAfter("1,000"));

    CompanyRec company;
    EXPECT_EQ(ProposedReceiverNumber(company, " 540 "), "540");
    ASSERT_TRUE(company.set(Company::NextReceiverNumber, " 77 "));
    EXPECT_EQ(ProposedReceiverNumber(company, "540"), "77");

    AddProduct("W1", "0");
    AddHeader("540");
    AddLine(OrderedLine("540", "W1", "5"));
    Post(Load("540", {{"W1", "1"}}, "R-7"));
    EXPECT_EQ(NextReceiverOnFile(), "100") << "left as it was";
    EXPECT_EQ(LineAt(1).get(POLine::LineReceiverNumber), "R-7");
}

TEST_F(ReceivingTest, ANonStockProductRecordsItsReceiptWithoutStock) {
    AddProduct("S1", "3", true);
    AddHeader("550");
    AddLine(OrderedLine("550", "S1", "2"));
    Post(Load("550", {{"S1", "2"}}));
    EXPECT_EQ(StockOf("S1"), "3");
    EXPECT_EQ(LineAt(1).get(POLine::LineReceivedQty), "2");
}

TEST_F(ReceivingTest, ARowWhoseProductIsNotOnFileIsLeftOutAndTheOthersPost) {
    AddProduct("W1", "5");
    const int32_t header = AddHeader("530");
    AddLine(OrderedLine("530", "W1", "4"));
    AddLine(OrderedLine("530", "W9", "2"));  // W9 is not a product
    const ReceivingEntry e = Load("530", {{"W1", "4"}, {"W9", "2"}});
    const ReceivingPlan plan = Plan(e);
    ASSERT_TRUE(plan.posting) << plan.refusal.text.toStdString();
    EXPECT_EQ(plan.posting->skippedProducts, std::vector<std::string>{"W9"});
    WriteReceiving(*plan.posting);
    EXPECT_EQ(StockOf("W1"), "9");
    EXPECT_EQ(LineAt(2), OrderedLine("530", "W9", "2")) << "the left-out row's line is unchanged";
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), " ")
        << "W9 did not come in, so the order is not fully received";
}

// Reads of the product records fail as on a failing disk; the file's header still reads.
class ProductReadsFail : public engine_io::FileLayer {
public:
    int read(int fd, uint64_t offset, std::span<uint8_t> buffer, size_t& done) override {
        std::error_code ec;
        const auto path = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
        if (offset > 0 && path.filename() == "7P.DAT") return EIO;
        return FileLayer::read(fd, offset, buffer, done);
    }
};

TEST_F(ReceivingTest, AProductFileThatCannotBeReadRefusesTheReceiptWhole) {
    AddProduct("W1", "5");
    AddHeader("540");
    AddLine(OrderedLine("540", "W1", "4"));
    AddLine(OrderedLine("540", std::string(NoProductCode), "1"));  // needs no product
    const ReceivingEntry e = Load("540", {{"W1", "4"}, {std::string(NoProductCode), "1"}});
    ReceivingPlan plan;
    {
        ProductReadsFail failing;
        const testsupport::LayerScope layer(failing);
        plan = Plan(e);
    }
    ASSERT_FALSE(plan.posting) << "a row that cannot be looked up is not taken as not on file";
    EXPECT_TRUE(plan.refusal.text.startsWith("The product file cannot be read."))
        << plan.refusal.text.toStdString();
    EXPECT_EQ(LineAt(2), OrderedLine("540", std::string(NoProductCode), "1"));
    EXPECT_EQ(StockOf("W1"), "5");
    EXPECT_EQ(NextReceiverOnFile(), "100");
}

}  // namespace
