// Deleting and changing a posted invoice, checked on disk: stock given back and taken again,
// the customer's balance and aging buckets, the company's receivables, lines rewritten, added
// and deleted, the memo record; what is refused before anything is written; and what a
// failing step leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "invoicing/posting/invoice_change.h"
#include "invoicing/records/invoice_files.h"
#include "platform/application.h"
#include "shell/text.h"
#include "tests/invoicing/posting_env.h"

namespace {

InvoiceRow Sold(const std::string& code, const std::string& quantity, const std::string& desc,
                const std::string& price = "1.00", const std::string& extension = "1.00") {
    return {code, quantity, desc, price, "N", extension, "0.50"};
}

class InvoiceChangeTest : public PostingEnv {
protected:
    InvoiceChangeTest() {
        AddCustomer("C1", "Acme Tools", [](CustomerRec& c) {
            EXPECT_TRUE(c.set(Customer::Balance, "50.00"));
            EXPECT_TRUE(c.set(Customer::Amounts[0], "50.00"));
        });
        AddProduct({.code = "W1", .description = "Widget", .onHand = "10"});
        AddProduct({.code = "G1", .description = "Gadget", .onHand = "20"});
        AddProduct({.code = "SVC", .description = "Service", .nonStock = true});
    }

    // The header of the invoice number on file with its Ref.
    std::pair<int32_t, InvoiceRec> OnFile(const std::string& number) {
        InvoiceRec probe;
        EXPECT_TRUE(probe.set(Invoice::InvNumber, number));
        InvoiceRec found;
        const int32_t ref = InvoiceData().Find(
            InvoiceNumberKey, BuildInvoiceKey(probe, InvoiceNumberKey), found.bytes());
        EXPECT_NE(ref, 0) << "invoice " << number << " is not on file";
        return {ref, found};
    }

    static int32_t MemoRef(const std::string& number) {
        InvoiceMemoRec probe;
        EXPECT_TRUE(probe.set(InvoiceMemo::MemoInvNumber, number));
        InvoiceMemoRec found;
        return InvoiceMemoData().Find(
            InvoiceMemoNumberKey, BuildInvoiceMemoKey(probe, InvoiceMemoNumberKey), found.bytes());
    }

    static void SetStock(const std::string& code, const std::string& onHand) {
        const StepFile open(ProductData());
        ProductRec probe;
        EXPECT_TRUE(probe.set(Product::Code, code));
        ProductRec p;
        const int32_t ref =
            ProductData().Find(ProductCodeKey, BuildProductKey(probe, ProductCodeKey), p.bytes());
        ASSERT_NE(ref, 0);
        ASSERT_TRUE(p.set(Product::StockOnHand, onHand));
        ASSERT_TRUE(ProductData().PutRec(p.bytes(), ref));
    }

    // Posts the memo invoice as 1001 and without its product as 1002; the entry of 1002.
    InvoiceEntry PostMemoPair(InvoiceEntry e) {
        Post(e);
        e.number = "1002";
        e.stockCode = "";
        Post(e);
        return e;
    }

    InvoiceUnderEdit UnderEdit(const std::string& number) {
        const auto [ref, header] = OnFile(number);
        return {ref, header, InvoiceLinesOf(number)};
    }

    void Delete(const std::string& number) {
        const auto [ref, header] = OnFile(number);
        const DeletionPlan plan = PlanInvoiceDeletion(ref, header);
        ASSERT_TRUE(plan.deletion) << plan.refusal.toStdString();
        WriteInvoiceDeletion(*plan.deletion, view);
    }

    void Change(const InvoiceUnderEdit& old, const InvoiceEntry& entry) {
        const ChangePlan plan = PlanInvoiceChange(old, entry);
        ASSERT_TRUE(plan.change) << plan.refusal.toStdString();
        WriteInvoiceChange(*plan.change, view);
    }

    // The error that stopped a write; empty when it went through.
    template <class Fn>
    static std::string ErrorOf(Fn&& write) {
        try {
            write();
        } catch (const AppError& e) {
            return e.Text().toStdString();
        }
        return {};
    }

    std::string Balance() { return CustomerOnFile("C1").get(Customer::Balance); }
    std::string Aged(std::size_t bucket) {
        return CustomerOnFile("C1").get(Customer::Amounts[bucket]);
    }
    std::string Receivables() { return CompanyOnFile().get(Company::ReceivablesTotal); }
};

// --- deleting ---

TEST_F(InvoiceChangeTest, DeletingGivesBackStockOfStockedProductsAndTakesBackWhatIsOwed) {
    Post(Entry(
        {Sold("W1", "2", "Widget"), Sold("SVC", "1", "Service"), Sold("G1", "1,000", "Gadget"),
         Sold("W1", "0.5", "Widget again"), Sold("", "", "Note only", "", "0.00")},
        "30.00", "5.00"));
    ASSERT_EQ(StockOf("W1"), "7.5");
    ASSERT_EQ(Balance(), "75.00");
    ASSERT_EQ(Receivables(), "125.00");

    Delete("1001");
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(StockOf("W1"), "10") << "both rows of the product come back";
    EXPECT_EQ(StockOf("G1"), "20");
    EXPECT_EQ(StockOf("SVC"), "0") << "a non-stock product is not stocked";
    EXPECT_EQ(Balance(), "50.00");
    EXPECT_EQ(Aged(0), "50.00");
    EXPECT_EQ(Receivables(), "100.00");
    EXPECT_EQ(view.status[1], "Deleted invoice 1001 containing 5 line item(s).");
    EXPECT_EQ(view.receivables, "100.00");
    EXPECT_EQ(view.caption, "Harbour Lane - #7");
    EXPECT_EQ(masters.state().CustomerBuf, CustomerOnFile("C1"));
}

TEST_F(InvoiceChangeTest, DeletingAMemoInvoiceRemovesItsMemoOrBeepsWhenItIsGone) {
    PostMemoPair(MemoEntry("12.00", "G1", "3", {"Fitted."}));
    ASSERT_EQ(StockOf("G1"), "17");

    Delete("1001");
    EXPECT_EQ(StockOf("G1"), "20");
    ASSERT_EQ(Memos().size(), 1u);
    EXPECT_EQ(Memos()[0].get(InvoiceMemo::MemoInvNumber), "1002");
    EXPECT_EQ(view.status[1], "Deleted memo invoice 1001.");
    EXPECT_EQ(host->Beeps(), 0);

    ASSERT_TRUE(DeleteInvoiceMemoRecord(MemoRef("1002")));
    Delete("1002");
    EXPECT_EQ(host->Beeps(), 1);
    EXPECT_TRUE(Headers().empty());
    EXPECT_EQ(Balance(), "50.00");
}

TEST_F(InvoiceChangeTest, AnOldInvoiceLeavesTheBucketOfItsAgeWhateverTheDateOrderNow) {
    InvoiceEntry e = Entry({Sold("", "1", "Aged")}, "8.00");
    e.date = "01/15/2024";  // 60 days before today: period 1
    Post(e);
    ASSERT_EQ(Aged(1), "8.00");
    // Day first now: "01/15/2024" as typed is no date any more; its sorted copy still is.
    ChangeCompany([](CompanyRec& c) { c.set(Company::DateOrderSetting, "D"); });
    Delete("1001");
    EXPECT_EQ(Aged(0), "50.00");
    EXPECT_EQ(Aged(1), "0.00");
}

TEST_F(InvoiceChangeTest, ADeletionLeavesOutWhatItCannotCorrectAndPlanningWritesNothing) {
    Post(Entry({Sold("W1", "2", "Widget")}, "2.00"));
    const auto [ref, header] = OnFile("1001");
    // What the deletion leaves to the user; the deletion itself always goes ahead.
    const auto skipped = [&, ref = ref](const InvoiceRec& h) {
        const DeletionPlan plan = PlanInvoiceDeletion(ref, h);
        EXPECT_TRUE(plan.deletion) << plan.refusal.toStdString();
        return plan.deletion ? plan.deletion->skipped.join("|").toStdString() : std::string();
    };

    InvoiceRec other = header;
    ASSERT_TRUE(other.set(Invoice::InvCustomerNumber, "C9"));
    EXPECT_EQ(skipped(other),
              "The customer's balance and aging was not corrected: Customer C9 of this invoice "
              "is not on file, so the customer's balance cannot be corrected.");
    other = header;
    ASSERT_TRUE(other.set(Invoice::InvPaid, "x"));
    EXPECT_EQ(skipped(other),
              "The customer's balance and aging and the receivables total was not corrected: The "
              "amount paid on invoice 1001 (\"x\") is not a number.");
    ChangeCompany([](CompanyRec& c) { static_cast<void>(c.set(Company::AgingPeriod[0], "")); });
    EXPECT_NE(skipped(header).find("The customer's aging was not corrected: The company's aging "
                                   "periods"),
              std::string::npos);
    ChangeCompany([](CompanyRec& c) { static_cast<void>(c.set(Company::AgingPeriod[0], "30")); });

    // Stock given back that would not fit its field is not cut: it is left as it is.
    SetStock("W1", "9999999999");
    const DeletionPlan plan = PlanInvoiceDeletion(ref, header);
    ASSERT_TRUE(plan.deletion);
    EXPECT_EQ(plan.deletion->skipped.join("|"),
              "The stock of product W1 was not corrected: The stock on hand of product W1 "
              "(10000000001) does not fit its field of 10 characters.");
    ASSERT_EQ(plan.deletion->lines.size(), 1u);
    EXPECT_FALSE(plan.deletion->lines[0].stock);

    EXPECT_EQ(Headers().size(), 1u);
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Balance(), "52.00");
    EXPECT_EQ(Receivables(), "102.00");
}

TEST_F(InvoiceChangeTest, AFailedLineDeletionLeavesTheWholeInvoiceAsItWas) {
    Post(Entry({Sold("W1", "2", "Widget"), Sold("G1", "4", "Gadget")}, "6.00"));
    const auto [ref, header] = OnFile("1001");
    DeletionPlan plan = PlanInvoiceDeletion(ref, header);
    ASSERT_TRUE(plan.deletion);
    ASSERT_EQ(plan.deletion->lines.size(), 2u);
    // The second line goes missing before its turn.
    ASSERT_TRUE(DeleteInvoiceLineRecord(plan.deletion->lines[1].line.ref));
    EXPECT_EQ(ErrorOf([&] { WriteInvoiceDeletion(*plan.deletion, view); }),
              "Delete detail recs failed\n\nThe posting could not be saved: a record it changes "
              "is no longer on file. Nothing of it was saved.");
    // The steps before the failure are rolled back with it: nothing is deleted by half.
    EXPECT_EQ(Headers().size(), 1u);
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(StockOf("W1"), "8");
    EXPECT_EQ(StockOf("G1"), "16");
    EXPECT_EQ(Balance(), "56.00");
    EXPECT_EQ(Receivables(), "106.00");
}

// --- changing ---

TEST_F(InvoiceChangeTest, FewerRowsDeleteTheLastLinesAndMoreRowsAddLines) {
    std::vector<InvoiceRow> ten;
    for (int k = 1; k <= 10; ++k) ten.push_back(Sold("", "1", "Row " + std::to_string(k)));
    ten[0] = Sold("W1", "1", "Widget");
    ten[9] = Sold("G1", "2", "Gadget");
    Post(Entry(ten, "10.00"));
    ASSERT_EQ(Lines().size(), 10u);
    ASSERT_EQ(StockOf("G1"), "18");

    // Ten down to seven: rows 8 to 10 emptied.
    InvoiceEntry seven = Entry({ten.begin(), ten.begin() + 7}, "7.00");
    Change(UnderEdit("1001"), seven);
    std::vector<InvoiceLineRec> lines = Lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(TrimBlanks(lines[6].get(InvoiceLine::LineText).substr(10, 32)), "Row 7");
    EXPECT_EQ(StockOf("G1"), "20") << "the deleted line's stock is back";
    EXPECT_EQ(StockOf("W1"), "9");
    EXPECT_EQ(Balance(), "57.00");
    EXPECT_EQ(Receivables(), "107.00");

    // Seven up to ten: three lines added, marked as posting marks them.
    InvoiceEntry tenAgain = Entry(ten, "10.00");
    tenAgain.rows[9] = Sold("G1", "5", "Gadget");
    Change(UnderEdit("1001"), tenAgain);
    lines = Lines();
    ASSERT_EQ(lines.size(), 10u);
    // Freed slots are reused last freed first, so the new lines are found by their code.
    const auto g1 = std::find_if(lines.begin(), lines.end(), [](const InvoiceLineRec& l) {
        return l.get(InvoiceLine::LineProductCode) == "G1";
    });
    ASSERT_NE(g1, lines.end());
    const InvoiceLineRec& added = *g1;
    EXPECT_EQ(added.get(InvoiceLine::LineKind), "P");
    EXPECT_EQ(added.get(InvoiceLine::LineStatus), "I");
    EXPECT_EQ(added.get(InvoiceLine::LineInvNumber), "1001");
    EXPECT_EQ(added.get(InvoiceLine::LineUnitCost), "0.50");
    EXPECT_EQ(StockOf("G1"), "15");
    EXPECT_EQ(Balance(), "60.00");
    EXPECT_EQ(view.status[1], "Editing invoice 1001 completed.");
}

TEST_F(InvoiceChangeTest, AChangedProductOrQuantityMovesStockBetweenProducts) {
    Post(Entry({Sold("W1", "3", "Widget"), Sold("SVC", "1", "Service")}, "4.00"));
    InvoiceEntry e = Entry({Sold("G1", "2", "Gadget"), Sold("W1", "1", "Widget")}, "3.00");
    Change(UnderEdit("1001"), e);
    EXPECT_EQ(StockOf("W1"), "9") << "3 given back, 1 taken";
    EXPECT_EQ(StockOf("G1"), "18");
    EXPECT_EQ(StockOf("SVC"), "0");
    const std::vector<InvoiceLineRec> lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].get(InvoiceLine::LineProductCode), "G1");
    EXPECT_EQ(lines[1].get(InvoiceLine::LineProductCode), "W1");
}

TEST_F(InvoiceChangeTest, ANewDateMovesWhatIsOwedToItsBucketAndPaymentSetsThePaidFlag) {
    Post(Entry({Sold("", "1", "Work", "10.00", "10.00")}, "10.00", "4.00"));
    ASSERT_EQ(Aged(0), "56.00");
    InvoiceEntry e = Entry({Sold("", "1", "Work", "12.00", "12.00")}, "12.00", "4.00");
    e.date = "12/01/2023";  // 105 days before today: over
    Change(UnderEdit("1001"), e);
    EXPECT_EQ(Aged(0), "50.00");
    EXPECT_EQ(Aged(3), "8.00");
    EXPECT_EQ(Balance(), "58.00");
    EXPECT_EQ(Receivables(), "108.00");
    InvoiceRec h = OnFile("1001").second;
    EXPECT_EQ(h.get(Invoice::InvDateYMD), "2023/12/01");
    EXPECT_EQ(h.get(Invoice::InvMonth), "12");
    EXPECT_EQ(h.get(Invoice::InvDue), "8.00");
    EXPECT_EQ(h.get(Invoice::InvPaidFlag), " ");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::LastPaymentDate), "03/15/2024")
        << "a later payment date on file is kept";

    // Paid in full now: marked paid on the invoice's date.
    e.paid = "12.00";
    Change(UnderEdit("1001"), e);
    h = OnFile("1001").second;
    EXPECT_EQ(h.get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(h.get(Invoice::InvDatePaid), "2023/12/01");
    EXPECT_EQ(h.get(Invoice::InvDue), "0.00");
    EXPECT_EQ(Aged(3), "0.00");
    EXPECT_EQ(Balance(), "50.00");
    EXPECT_EQ(Receivables(), "100.00");
}

TEST_F(InvoiceChangeTest, TheLastPaymentDateIsComparedAsADate) {
    CustomerRec c = CustomerOnFile("C1");
    c.set(Customer::LastPaymentDate, "12/31/2023");
    const std::optional<CustomerChange> found = FindCustomerByNumber("C1");
    ASSERT_TRUE(found);
    WriteCustomer({found->ref, c});
    Post(Entry({Sold("", "1", "Work")}, "1.00"));
    InvoiceEntry e = Entry({Sold("", "1", "Work")}, "1.00", "1.00");
    e.date = "01/02/2024";  // later than 12/31/2023, though it sorts before it as text
    Change(UnderEdit("1001"), e);
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::LastPaymentDate), "01/02/2024");
}

TEST_F(InvoiceChangeTest, ARenumberedMemoInvoiceTakesItsLinesAndMemoAlong) {
    InvoiceEntry changed = PostMemoPair(MemoEntry("20.00", "W1", "2", {"First text."}));
    changed.number = "1002";
    changed.stockCode = "W1";
    changed.memoQuantity = "";
    changed.memoDescription = "";
    changed.memoLines = {"Second text.", "More."};
    EXPECT_EQ(PlanInvoiceChange(UnderEdit("1001"), changed).refusal,
              "A memo for invoice number 1002 is already on file. Please use another invoice "
              "number.");

    changed.number = "1003";
    Change(UnderEdit("1001"), changed);
    const InvoiceUnderEdit now = UnderEdit("1003");
    ASSERT_EQ(now.lines.size(), 1u);
    const InvoiceLineRec& line = now.lines[0].record;
    EXPECT_EQ(line.get(InvoiceLine::LineText).substr(0, 42),
              PadRightWith("1", ' ', 10) + PadRightWith("Memo Invoice", ' ', 32))
        << "a blank quantity is 1, a blank description \"Memo Invoice\"";
    EXPECT_EQ(StockOf("W1"), "9");
    std::vector<std::string> texts;
    for (const InvoiceMemoRec& m : Memos())
        if (m.get(InvoiceMemo::MemoInvNumber) == "1003") texts = InvoiceMemoLines(m);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "Second text.");
    EXPECT_EQ(texts[1], "More.");
    EXPECT_EQ(Memos().size(), 2u);
}

TEST_F(InvoiceChangeTest, AMemoInvoiceWhoseMemoWasLostGetsItBack) {
    InvoiceEntry e = MemoEntry("5.00", "", "1", {"Lost."});
    Post(e);
    ASSERT_TRUE(DeleteInvoiceMemoRecord(MemoRef("1001")));
    e.memoLines = {"Typed again."};
    Change(UnderEdit("1001"), e);
    ASSERT_EQ(Memos().size(), 1u);
    EXPECT_EQ(InvoiceMemoLines(Memos()[0])[0], "Typed again.");
}

TEST_F(InvoiceChangeTest, AHeaderChangedInTheMeantimeStopsTheChangeWithNothingWritten) {
    Post(Entry({Sold("W1", "1", "Widget")}, "1.00"));
    const InvoiceUnderEdit old = UnderEdit("1001");
    const ChangePlan plan = PlanInvoiceChange(old, Entry({Sold("W1", "5", "Widget")}, "5.00"));
    ASSERT_TRUE(plan.change);
    InvoiceRec meanwhile = old.header;
    meanwhile.set(Invoice::InvNotes, "changed elsewhere");
    ASSERT_TRUE(InvoiceData().PutRec(meanwhile.bytes(), old.ref));

    host->Answer(MsgResult::Ok, "The record has changed in the meantime.");
    EXPECT_EQ(ErrorOf([&] { WriteInvoiceChange(*plan.change, view); }), "Modify operation failed");
    EXPECT_EQ(StockOf("W1"), "9");
    EXPECT_EQ(Balance(), "51.00");
    EXPECT_EQ(TrimBlanks(Lines()[0].get(InvoiceLine::LineText).substr(0, 10)), "1");
}

}  // namespace
