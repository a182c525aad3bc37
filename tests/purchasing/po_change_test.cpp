// Changing and deleting a purchase order on the company's files: receipts taken back out of
// stock and re-received, lines rewritten, deleted and added by row, receiver lines, memo
// orders, and the refusals that leave every file as it was.
#include <gtest/gtest.h>

#include <map>

#include "platform/application.h"
#include "purchasing/po_change.h"
#include "shell/text.h"
#include "tests/purchasing/po_entry_env.h"

namespace {

class POChangeTest : public POEntryEnv {
protected:
    // Posts the entry and returns the order as the manager's Edit reads it.
    POUnderEdit Posted(const POEntry& e) {
        Post(e);
        return UnderEdit();
    }
    POUnderEdit UnderEdit() {
        POUnderEdit old;
        PORec h;
        h.set(PO::PONumber, "500");
        old.ref = POData().Find(PONumberKey, BuildPOKey(h, PONumberKey), h.bytes());
        EXPECT_NE(old.ref, 0);
        old.header = h;
        old.lines = POLinesOf("500");
        return old;
    }
    void Change(const POUnderEdit& old, const POEntry& e) {
        POChangePlan plan = PlanPOChange(old, e);
        ASSERT_TRUE(plan.change) << plan.refusal.toStdString();
        WritePOChange(*plan.change, view);
    }
    void Delete(const POUnderEdit& old) {
        PODeletionPlan plan = PlanPODeletion(old.ref, old.header);
        ASSERT_TRUE(plan.deletion) << plan.refusal.toStdString();
        WritePODeletion(*plan.deletion, view);
    }
    // A later receipt as receiving adds it, on the line file that is open.
    void AddReceiver(const std::string& code, const std::string& quantity) {
        POLineRec r = POLines().at(0);
        r.set(POLine::LineKind, POLine::KindReceiver);
        r.set(POLine::LineProductCode, code);
        EXPECT_TRUE(r.set(POLine::LineReceivedQty, quantity));
        r.set(POLine::LineReceiverNumber, "100");
        Purchasing().POLineBuf = r;
        int32_t ref = 0;
        ASSERT_TRUE(AddPOLineRecord(ref));
    }
    static POEntry Widgets(const std::string& quantity, bool received) {
        POEntry e = Order({Ordered("W1", quantity, "Widget", "2.00", "4.00")}, "4.00");
        e.markReceived = received;
        return e;
    }
};

TEST_F(POChangeTest, AReceivedOrderKeptReceivedMovesStockByTheDifferenceOnly) {
    const POUnderEdit old = Posted(Widgets("2", true));
    ASSERT_EQ(StockOf("W1"), "5");
    Change(old, Widgets("2", true));
    EXPECT_EQ(StockOf("W1"), "5") << "unchanged quantities leave the stock as it was";
    Change(UnderEdit(), Widgets("6", true));
    EXPECT_EQ(StockOf("W1"), "9");
    const POLineRec line = POLines().at(0);
    EXPECT_EQ(line.get(POLine::LineReceivedQty), "6");
    EXPECT_EQ(line.get(POLine::LineReceiverNumber), "Auto-Rec");
    EXPECT_EQ(view.status[1], "Editing PO 500 completed.");
}

TEST_F(POChangeTest, UnmarkingReceiptTakesTheGoodsBackOutAndClearsTheLines) {
    const POUnderEdit old = Posted(Widgets("2", true));
    Change(old, Widgets("2", false));
    EXPECT_EQ(StockOf("W1"), "3");
    const POLineRec line = POLines().at(0);
    EXPECT_EQ(line.get(POLine::LineReceived), "N");
    EXPECT_EQ(line.get(POLine::LineReceivedQty), "0");
    EXPECT_EQ(line.get(POLine::LineReceiptDate), " ");
    EXPECT_EQ(line.get(POLine::LineReceiverNumber), " ");
    const PORec h = Headers().at(0);
    EXPECT_EQ(h.get(PO::POMarkedReceived), "N");
    EXPECT_EQ(h.get(PO::POReceivedDate), " ");
}

TEST_F(POChangeTest, RowsRewriteDeleteAndAddLinesByPosition) {
    const POUnderEdit old = Posted(Order(
        {Ordered("W1", "1", "First", "1.00", "1.00"), Ordered("SVC", "1", "Second", "1.00", "1.00"),
         Ordered("LIB", "1", "Third", "1.00", "1.00")},
        "3.00"));
    POEntry e = Order({Ordered("W1", "2", "First again", "1.00", "2.00"), EntryRow{},
                       Ordered("LIB", "3", "Third again", "1.00", "3.00"),
                       Ordered("W1", "4", "Fourth", "1.00", "4.00")},
                      "9.00");
    e.markReceived = true;
    Change(old, e);
    const std::vector<POLineRec> lines = POLines();
    ASSERT_EQ(lines.size(), 3u) << "the emptied row deletes its line";
    // Records are compared by text: an added line may take the place a deleted one freed.
    std::map<std::string, POLineRec> byText;
    for (const POLineRec& l : lines) byText[TrimBlanks(l.get(POLine::LineText).substr(10, 32))] = l;
    ASSERT_EQ(byText.size(), 3u);
    EXPECT_TRUE(byText.count("First again") && byText.count("Third again"));
    ASSERT_TRUE(byText.count("Fourth"));
    EXPECT_EQ(byText["Fourth"].get(POLine::LineReceived), "Y");
    EXPECT_EQ(TrimBlanks(byText["Fourth"].get(POLine::LineReceiverNumber)), "")
        << "an added line has no receiver";
    EXPECT_EQ(byText["First again"].get(POLine::LineReceiverNumber), "Auto-Rec");
    EXPECT_EQ(StockOf("W1"), "9");
    EXPECT_EQ(StockOf("LIB"), "5");
}

TEST_F(POChangeTest, AnOrderWithReceiverLinesIsNotChangedButDeletedWithAllItsReceipts) {
    Post(Widgets("10", false));
    // First receipt of 4 on the ordered line, then 3 more on a receiver line.
    {
        POUnderEdit old = UnderEdit();
        POLineRec first = old.lines.at(0).record;
        first.set(POLine::LineReceivedQty, "4");
        first.set(POLine::LineReceived, "Y");
        Purchasing().POLineBuf = first;
        ASSERT_TRUE(UpdatePOLineRecord(old.lines.at(0).ref));
    }
    AddReceiver("W1", "3");
    const auto before = Counts();
    const POChangePlan refused = PlanPOChange(UnderEdit(), Widgets("1", false));
    EXPECT_FALSE(refused.change);
    EXPECT_EQ(refused.caption, "Partial Receivers");
    EXPECT_EQ(Counts(), before);

    Delete(UnderEdit());
    EXPECT_EQ(StockOf("W1"), "-4") << "3 on hand less the 7 received";
    EXPECT_EQ(Counts(), (std::vector<std::size_t>{0, 0, 0}));
    EXPECT_EQ(view.status[1], "Deleted PO 500 containing 2 line item(s).");
}

TEST_F(POChangeTest, DeletingAnOrderNeverReceivedLeavesStockAlone) {
    Delete(Posted(Widgets("2", false)));
    EXPECT_EQ(StockOf("W1"), "3");
    EXPECT_EQ(view.status[1], "Deleted PO 500 containing 1 line item(s).");
}

TEST_F(POChangeTest, MemoOrdersKeepTheirMemoAndLoseItWithTheOrder) {
    const POUnderEdit old = Posted(MemoOrder("W1", "4.00"));
    POEntry e = MemoOrder("W1", "4.00");
    e.memoDescription = "";
    e.memoLines = {"Changed text"};
    Change(old, e);
    ASSERT_EQ(POMemos().size(), 1u);
    EXPECT_EQ(POMemoLines(POMemos()[0]).at(0), "Changed text");
    ASSERT_EQ(POLines().size(), 1u);
    EXPECT_EQ(TrimBlanks(POLines()[0].get(POLine::LineText).substr(10, 32)), "Memo PO");

    Delete(UnderEdit());
    EXPECT_TRUE(POMemos().empty());
    EXPECT_EQ(view.status[1], "Deleted memo PO 500.");
}

TEST_F(POChangeTest, WhatCannotBeWrittenWholeIsRefusedBeforeAnyWrite) {
    const POUnderEdit old = Posted(Widgets("2", true));
    const auto lines = POLines();
    POEntry e = Widgets("lots", true);
    const POChangePlan plan = PlanPOChange(old, e);
    EXPECT_FALSE(plan.change);
    EXPECT_EQ(plan.caption, "Edit PO");
    EXPECT_EQ(POLines().at(0).bytes().size(), lines.at(0).bytes().size());
    EXPECT_EQ(StockOf("W1"), "5");
}

}  // namespace
