// Posting a new invoice across the company's files, checked on disk: header, lines, stock,
// customer, company, memo and print queue; what is refused before anything is written; and
// what a failing step leaves behind.
#include <gtest/gtest.h>

#include "engine/browse/browser.h"
#include "invoicing/posting/aging.h"
#include "invoicing/manager/invoice_browse.h"
#include "platform/application.h"
#include "shell/text.h"
#include "tests/invoicing/posting_env.h"

namespace {

// What a posting stopped by a file that is not open says after its step's text.
const std::string NotOpen =
    "\n\nThe posting could not be saved: a file it needs is not open. Nothing of it was saved.";

InvoiceRow Sold(const std::string& code, const std::string& quantity, const std::string& desc,
                const std::string& price, const std::string& tax, const std::string& extension,
                const std::string& cost = "0") {
    return {code, quantity, desc, price, tax, extension, cost};
}

class PostingTest : public PostingEnv {
protected:
    PostingTest() {
        AddCustomer("C1", "Acme Tools", [](CustomerRec& c) {
            EXPECT_TRUE(c.set(Customer::Balance, "50.00"));
            c.set(Customer::MailSort, "ACME");
            c.set(Customer::Type, "Retail");
        });
        AddProduct({.code = "W1", .description = "Widget", .price = "2.50", .onHand = "10"});
        AddProduct({.code = "G1", .description = "Gadget", .price = "4.00", .onHand = "1.25"});
        AddProduct({.code = "SVC", .description = "Service", .onHand = "0", .nonStock = true});
        AddProduct({.code = "LIB", .description = "Library", .onHand = "3", .nonDepleting = true});
    }

    // The error that stopped the writing of the posting; empty when it went through.
    std::string ErrorOfWriting(const InvoicePosting& posting) {
        try {
            WriteInvoicePosting(posting, view, false);
        } catch (const AppError& e) {
            return e.Text().toStdString();
        }
        return {};
    }

    // Every record count, to show that a refusal wrote nothing.
    std::vector<std::size_t> Counts() { return {Headers().size(), Lines().size(), Memos().size()}; }
};

TEST_F(PostingTest, ALineItemInvoiceIsWrittenToEveryFile) {
    std::vector<std::string> queued;
    AddCustomerToPrintQueue = [&](const CustomerLabelRow& row) {
        queued = {row.number, row.name, row.sortCode, row.type};
    };
    ChangeCompany([](CompanyRec& c) { c.set(Company::QueueInvoiceCustomer, "Y"); });
    InvoiceEntry e = Entry({Sold("W1", "2.5", "Widget", "2.50", "Y", "6.25", "1.10"),
                            Sold("", "", "Thank you", "", "", "0.00"),
                            Sold("G1", "1", "Gadget", "4.00", "N", "4.00", "2.00")},
                           "10.88", "5.00");
    e.net = "10.25";
    e.tax = "0.63";
    e.shipTo = {"Dock 4", "Harbour Lane", "", ""};
    e.print = true;
    Post(e);

    const std::vector<InvoiceRec> headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    const InvoiceRec& h = headers[0];
    EXPECT_EQ(h.get(Invoice::InvNumber), "1001");
    EXPECT_EQ(h.get(Invoice::InvType), "I");
    EXPECT_EQ(h.get(Invoice::InvDate), "03/15/2024");
    EXPECT_EQ(h.get(Invoice::InvMonth), "03");
    EXPECT_EQ(h.get(Invoice::InvDay), "15");
    EXPECT_EQ(h.get(Invoice::InvYear), "2024");
    EXPECT_EQ(h.get(Invoice::InvDateYMD), "2024/03/15");
    EXPECT_EQ(h.get(Invoice::InvNet), "10.25");
    EXPECT_EQ(h.get(Invoice::InvTotal), "10.88");
    EXPECT_EQ(h.get(Invoice::InvPaid), "5.00");
    EXPECT_EQ(h.get(Invoice::InvDue), "5.88");
    EXPECT_EQ(h.get(Invoice::InvPaidFlag), "");
    EXPECT_EQ(h.get(Invoice::InvCompanyNumber), "7");
    EXPECT_EQ(h.get(Invoice::InvKind), "P");
    EXPECT_EQ(h.get(Invoice::InvShipTo1), "Dock 4");

    const std::vector<InvoiceLineRec> lines = Lines();
    ASSERT_EQ(lines.size(), 3u) << "a description-only row is a line too";
    EXPECT_EQ(lines[0].get(InvoiceLine::LineText),
              PadRightWith("2.5", ' ', 10) + PadRightWith("Widget", ' ', 32) +
                  PadRightWith("2.50", ' ', 10) + "Y" + PadRightWith("6.25", ' ', 10));
    EXPECT_EQ(lines[0].get(InvoiceLine::LineProductCode), "W1");
    EXPECT_EQ(lines[0].get(InvoiceLine::LineUnitCost), "1.10");
    EXPECT_EQ(lines[0].get(InvoiceLine::LineKind), "P");
    EXPECT_EQ(lines[0].get(InvoiceLine::LineStatus), "I");
    EXPECT_EQ(lines[0].get(InvoiceLine::LineSortDate), "2024/03/15");
    EXPECT_EQ(lines[0].get(InvoiceLine::LineCustomerNumber), "C1");
    EXPECT_EQ(lines[1].get(InvoiceLine::LineProductCode), "");

    EXPECT_EQ(StockOf("W1"), "7.5") << "stock is the shortest text of the exact result";
    EXPECT_EQ(StockOf("G1"), "0.25");

    const CustomerRec c = CustomerOnFile("C1");
    EXPECT_EQ(c.get(Customer::Balance), "55.88");
    EXPECT_EQ(c.get(Customer::LastInvoiceNumber), "1001");
    EXPECT_EQ(c.get(Customer::LastPaymentDate), "03/15/2024");
    EXPECT_EQ(c.get(Customer::Amounts[0]), "5.88");
    EXPECT_EQ(masters.state().CustomerBuf, c);
    EXPECT_EQ(queued, (std::vector<std::string>{"C1", "Acme Tools", "ACME", "Retail"}));

    const CompanyRec company = CompanyOnFile();
    EXPECT_EQ(company.get(Company::ReceivablesTotal), "105.88");
    EXPECT_EQ(company.get(Company::NextInvoiceNumber), "1002");
    EXPECT_EQ(company.get(Company::LastInvoiceNumber), "1001");
    EXPECT_EQ(shell.context().companies.CurrentCompany, company);

    EXPECT_TRUE(Memos().empty());
    EXPECT_EQ(view.status[1], "Added invoice 1001 containing 3 line item(s).");
    EXPECT_EQ(view.caption, "Harbour Lane - #7");
    EXPECT_EQ(view.receivables, "105.88");
    EXPECT_EQ(view.printed, (std::vector<std::string>{"1001"}));
}

TEST_F(PostingTest, AnInvoicePaidInFullIsMarkedPaidAndAddsNothingOwed) {
    Post(Entry({Sold("", "1", "Consulting", "40.00", "N", "40.00")}, "40.00", "40.00"));
    const InvoiceRec h = Headers().at(0);
    EXPECT_EQ(h.get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(h.get(Invoice::InvDatePaid), "2024/03/15");
    EXPECT_EQ(h.get(Invoice::InvDue), "0.00");
    const CustomerRec c = CustomerOnFile("C1");
    EXPECT_EQ(c.get(Customer::Balance), "50.00");
    EXPECT_EQ(c.get(Customer::Amounts[0]), "0.00");
    EXPECT_EQ(CompanyOnFile().get(Company::ReceivablesTotal), "100.00");
}

TEST_F(PostingTest, OnlyStockedProductsLoseStockAndARepeatedProductLosesEachRow) {
    Post(Entry({Sold("SVC", "3", "Service", "1.00", "N", "3.00"),
                Sold("LIB", "1", "Library", "1.00", "N", "1.00"),
                Sold("NOPE", "1", "Not a product", "1.00", "N", "1.00"),
                Sold("", "4", "Widget", "1.00", "N", "4.00"),
                Sold("w1", "2", "Widget", "1", "N", "2"), Sold("W1", "3", "Widget", "1", "N", "3")},
               "14.00"));
    EXPECT_EQ(StockOf("SVC"), "0");
    EXPECT_EQ(StockOf("LIB"), "3");
    EXPECT_EQ(StockOf("W1"), "5") << "a description alone sells no stock; code rows count";
    EXPECT_EQ(Lines().size(), 6u);
}

TEST_F(PostingTest, AMemoInvoiceWithoutAProductHasOneNoneLineAndItsMemo) {
    InvoiceEntry e = Entry({Sold("W1", "9", "left in the hidden grid", "1", "N", "9")}, "75.00");
    e.memo = true;
    e.memoQuantity = " 2 ";
    e.memoDescription = "Repairs";
    e.net = "75.00";
    e.memoLines = {"Replaced the pump.", "", "Checked the valves.", std::string(80, 'x')};
    Post(e);

    const std::vector<InvoiceLineRec> lines = Lines();
    ASSERT_EQ(lines.size(), 1u) << "rows left in the grid of a memo invoice are not posted";
    EXPECT_EQ(lines[0].get(InvoiceLine::LineProductCode), "** NONE **");
    EXPECT_EQ(lines[0].get(InvoiceLine::LineKind), "M");
    EXPECT_EQ(lines[0].get(InvoiceLine::LineText),
              PadRightWith("2", ' ', 10) + PadRightWith("Repairs", ' ', 32) +
                  PadRightWith("75.00", ' ', 10) + "M" + PadRightWith("75.00", ' ', 10));
    EXPECT_EQ(StockOf("W1"), "10");
    EXPECT_EQ(Headers().at(0).get(Invoice::InvKind), "M");
    const std::vector<InvoiceMemoRec> memos = Memos();
    ASSERT_EQ(memos.size(), 1u);
    const std::vector<std::string> stored = InvoiceMemoLines(memos[0]);
    EXPECT_EQ(stored[0], "Replaced the pump.");
    EXPECT_EQ(stored[3], std::string(74, 'x'));
    EXPECT_EQ(view.status[1], "Added invoice 1001 containing 1 line item(s).");
}

TEST_F(PostingTest, ANumberTypedWithBlanksOrLowerCaseKeepsLinesAndMemoWithTheirHeader) {
    InvoiceEntry e = Entry({}, "5.00");
    e.memo = true;
    e.net = "5.00";
    e.memoLines = {"Call-out."};
    e.number = " r-7 ";
    Post(e);

    ASSERT_EQ(Headers().size(), 1u);
    EXPECT_EQ(Headers()[0].get(Invoice::InvNumber), "R-7");
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0].get(InvoiceLine::LineInvNumber), "R-7");
    ASSERT_EQ(Memos().size(), 1u);
    EXPECT_EQ(Memos()[0].get(InvoiceMemo::MemoInvNumber), "R-7");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::LastInvoiceNumber), "R-7");
    EXPECT_EQ(CompanyOnFile().get(Company::LastInvoiceNumber), "R-7");
}

TEST_F(PostingTest, AMemoInvoiceForAProductLowersItsStockByTheMemoQuantity) {
    InvoiceEntry e = Entry({}, "30.00");
    e.memo = true;
    e.stockCode = "G1";
    e.memoQuantity = "1,000.5";
    e.net = "30.00";
    e.memoLines = {"One line"};
    Post(e);
    EXPECT_EQ(StockOf("G1"), "-999.25");
    EXPECT_EQ(Lines().at(0).get(InvoiceLine::LineProductCode), "G1");
}

TEST_F(PostingTest, TheAgeOfTheInvoicePicksTheAgingAmount) {
    struct Case {
        const char* date;
        std::size_t bucket;
    };
    // Today is 2024/03/15; the periods are 30, 60 and 90 days.
    const Case cases[] = {{"02/14/2024", 0}, {"02/13/2024", 1}, {"01/15/2024", 1},
                          {"01/14/2024", 2}, {"12/16/2023", 2}, {"12/15/2023", 3},
                          {"04/01/2024", 0}};
    int number = 2001;
    for (const Case& k : cases) {
        const std::string customer = "A" + std::to_string(number);
        AddCustomer(customer, "Aged " + customer);
        InvoiceEntry e = Entry({Sold("", "1", "Aged", "1.00", "N", "1.00")}, "1.00");
        e.number = std::to_string(number++);
        e.customerNumber = customer;
        e.date = k.date;
        Post(e);
        const CustomerRec c = CustomerOnFile(customer);
        for (std::size_t b = 0; b < 4; ++b)
            EXPECT_EQ(c.get(Customer::Amounts[b]), b == k.bucket ? "1.00" : "")
                << k.date << " bucket " << b;
    }
    EXPECT_EQ(AgingBucketOf(30, {30, 60, 90}), AgingBucket::Current);
    EXPECT_EQ(AgingBucketOf(31, {30, 60, 90}), AgingBucket::Period1);
}

TEST_F(PostingTest, TheNextInvoiceNumberFollowsTheNumberPosted) {
    EXPECT_EQ(NextInvoiceNumberAfter("1001", false), "1002");
    EXPECT_EQ(NextInvoiceNumberAfter("00099", false), "100");
    EXPECT_EQ(NextInvoiceNumberAfter("032410045", true), "10046");
    EXPECT_EQ(NextInvoiceNumberAfter("ZZ2410045", true), "10046");
    EXPECT_EQ(NextInvoiceNumberAfter("0324", true), std::nullopt);
    EXPECT_EQ(NextInvoiceNumberAfter("0324A0045", true), std::nullopt);
    EXPECT_EQ(NextInvoiceNumberAfter("A100", false), std::nullopt);
    EXPECT_EQ(NextInvoiceNumberAfter("999999999", false), std::nullopt);

    ChangeCompany([](CompanyRec& c) { c.set(Company::InvoiceNumberPrefix, "Y"); });
    InvoiceEntry e = Entry({Sold("", "1", "Prefixed", "1", "N", "1.00")}, "1.00");
    e.number = "032410045";
    Post(e);
    EXPECT_EQ(CompanyOnFile().get(Company::NextInvoiceNumber), "10046");

    ChangeCompany([](CompanyRec& c) { c.set(Company::InvoiceNumberPrefix, "N"); });
    e.number = "R-7";
    Post(e);
    const CompanyRec company = CompanyOnFile();
    EXPECT_EQ(company.get(Company::NextInvoiceNumber), "10046") << "not a number: left alone";
    EXPECT_EQ(company.get(Company::LastInvoiceNumber), "R-7");
}

TEST_F(PostingTest, WhatCannotBePostedWholeIsRefusedBeforeAnythingIsWritten) {
    InvoiceMemoRec leftOver;
    ASSERT_TRUE(leftOver.set(InvoiceMemo::MemoInvNumber, "1001"));
    Add(InvoiceMemoData(), State().InvoiceMemoBuf, leftOver);
    ProductRec bad;
    ASSERT_TRUE(bad.set(Product::Code, "BAD"));
    ASSERT_TRUE(bad.set(Product::StockOnHand, "lots"));
    Add(ProductData(), masters.state().ProductBuf, bad);
    const std::vector<std::size_t> before = Counts();
    const CustomerRec customerBefore = CustomerOnFile("C1");

    const auto refusal = [](const InvoiceEntry& e) {
        return PlanInvoicePosting(e, false).refusal.toStdString();
    };
    const InvoiceEntry good = Entry({Sold("W1", "1", "Widget", "2.50", "N", "2.50")}, "2.50");

    InvoiceEntry e = good;
    e.customerNumber = "C9";
    EXPECT_EQ(refusal(e), "Customer C9 is not on file. Please pick the customer again.");
    e = good;
    e.memo = true;
    EXPECT_EQ(refusal(e),
              "A memo for invoice number 1001 is already on file. Please use another invoice "
              "number.");
    e = good;
    e.rows[1] = Sold("BAD", "1", "Bad stock", "1", "N", "1.00");
    EXPECT_EQ(refusal(e),
              "The stock on hand of product BAD (\"lots\") is not a number. Please correct it "
              "in the Product Manager.");
    e = good;
    e.total = "12,345,678.00";
    EXPECT_EQ(refusal(e),
              "The invoice total (12345678.00) does not fit its field of 10 characters.");
    e = good;
    e.rows[0].extension = "1,234,567,890.00";
    EXPECT_EQ(refusal(e), "Line 1 has a value wider than its column; it cannot be stored whole.");
    ChangeCompany([](CompanyRec& c) { static_cast<void>(c.set(Company::AgingPeriod[1], "6x")); });
    EXPECT_NE(refusal(good).find("aging periods"), std::string::npos);

    EXPECT_EQ(Counts(), before);
    EXPECT_EQ(StockOf("W1"), "10");
    EXPECT_EQ(CustomerOnFile("C1"), customerBefore);
    EXPECT_EQ(CompanyOnFile().get(Company::ReceivablesTotal), "100.00");
}

TEST_F(PostingTest, AHeaderThatCannotBeAddedStopsThePostingWithNothingWritten) {
    const PostingPlan plan =
        PlanInvoicePosting(Entry({Sold("W1", "1", "Widget", "2.50", "N", "2.50")}, "2.50"), false);
    ASSERT_TRUE(plan.posting);
    CloseInvoiceFiles();
    EXPECT_EQ(ErrorOfWriting(*plan.posting), "Add operation failed" + NotOpen);
    ASSERT_TRUE(OpenInvoiceFiles());
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(StockOf("W1"), "10");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "50.00");
    EXPECT_TRUE(view.status.empty());
}

TEST_F(PostingTest, AMemoThatCannotBeAddedTakesTheEarlierStepsBackWithIt) {
    InvoiceEntry e = Entry({}, "20.00");
    e.memo = true;
    e.memoQuantity = "1";
    e.net = "20.00";
    e.memoLines = {"Memo text"};
    const PostingPlan plan = PlanInvoicePosting(e, false);
    ASSERT_TRUE(plan.posting);
    CloseInvoiceMemoFiles();
    const CompanyRec companyBefore = CompanyOnFile();
    EXPECT_EQ(ErrorOfWriting(*plan.posting), "memo add operation failed" + NotOpen);
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "50.00");
    EXPECT_EQ(CompanyOnFile(), companyBefore);
    EXPECT_EQ(Shell().companies.CurrentCompany, companyBefore) << "the copy in memory too";
    EXPECT_TRUE(view.status.empty()) << "no status after a failed memo";
}

TEST_F(PostingTest, TheManagersListIsPositionedOnTheNewInvoice) {
    InvoiceRec earlier;
    ASSERT_TRUE(earlier.set(Invoice::InvNumber, "0990"));
    earlier.set(Invoice::InvDateYMD, "2024/01/02");
    Add(InvoiceData(), State().InvoiceBuf, earlier);
    TFvcBrowser list;
    list.resize(400, 300);
    bool shared = false;
    ASSERT_TRUE(SetupInvoiceBrowser(list, shared));
    BrowserSetKeyNumber(list, InvoiceDateKey);
    view.list = &list;

    Post(Entry({Sold("", "1", "Positioned", "1", "N", "1.00")}, "1.00"));
    bool read = false;
    InvoiceRec shown;
    BrowserReadCurrent(list, read, shown.bytes());
    ASSERT_TRUE(read);
    EXPECT_EQ(shown.get(Invoice::InvNumber), "1001");
    EXPECT_EQ(view.status[0], "Records: 2");
    EXPECT_TRUE(view.printed.empty());
}

}  // namespace
