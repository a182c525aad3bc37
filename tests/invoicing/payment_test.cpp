// Payments posted on real files: the records each kind of item writes, the customer's
// balance and aging, the company's receivables total, and refusals that write nothing.
#include <gtest/gtest.h>

#include "platform/application.h"
#include "tests/invoicing/payment_env.h"

namespace {

Decimal D(const char* text) {
    return *Decimal::Parse(text);
}

PaymentItem Deposit(const char* amount) {
    return PaymentItem{"DEPOSIT", "03/15/24", D(amount), false, 0};
}

class PaymentTest : public PaymentEnv {
protected:
    PaymentTest() { AddCustomer("C1", "Acme Tools", "100.00"); }

    // The open item of the customer's list with this number (the first, when several).
    PaymentItem Open(const std::string& number, const std::string& customer = "C1") {
        for (const PaymentItem& item : ListOpenItems(customer).items)
            if (item.number == number) return item;
        ADD_FAILURE() << number << " is not listed";
        return {};
    }

    PaymentEntry Entry(const char* paid, std::vector<PaymentItem> items) {
        PaymentEntry e;
        e.customerNumber = "C1";
        e.shortName = "Acme";
        e.paymentDate = "03/15/2024";
        e.paidAmount = paid;
        e.notes = "Check 1234";
        e.items = std::move(items);
        return e;
    }

    // Plans and writes; the plan's refusal text when there is one.
    QString Post(const PaymentEntry& e) {
        const PaymentPlan plan = PlanPayments(e);
        if (!plan.posting) return plan.refusal.text;
        WritePayments(*plan.posting);
        return {};
    }

    // Records added after the first `before` of the file.
    std::vector<InvoiceRec> AddedAfter(int32_t before) {
        std::vector<InvoiceRec> added;
        for (const auto& [ref, r] : Invoices())
            if (ref > before) added.push_back(r);
        return added;
    }
};

TEST(PaymentItemText, FixedColumnsAndDateOrders) {
    EXPECT_EQ(PaymentItemText({"1001", "03/01/24", D("1234.5"), false, 7}),
              "1001      03/01/24     1,234.50");
    EXPECT_EQ(PaymentItemText({"1001", "03/01/24", D("60"), true, 7}),
              "1001      03/01/24        60.00P");
    EXPECT_EQ(PaymentItemText({"DP12", "03/01/24", D("-100"), false, 7}).substr(19),
              "     -100.00");

    InvoiceRec r;
    r.set(Invoice::InvDay, "5");
    r.set(Invoice::InvMonth, "03");
    r.set(Invoice::InvYear, "2024");
    EXPECT_EQ(ListedDate(r, DateOrder::DayFirst), "05/03/24");
    EXPECT_EQ(ListedDate(r, DateOrder::MonthFirst), "03/05/24");
    EXPECT_EQ(ListedDate(r, DateOrder::YearFirst), "24/03/05");

    EXPECT_EQ(DepositListDate("03/15/2024", DateOrder::MonthFirst), "03/15/24");
    EXPECT_EQ(DepositListDate("2024/03/15", DateOrder::YearFirst), "24/03/15");
    EXPECT_EQ(DepositListDate("", DateOrder::MonthFirst), "        ");
}

TEST(PaidAmount, OnlyPlainDecimalNumbersAreTaken) {
    Decimal v;
    EXPECT_EQ(CheckPaidAmount("  ", &v), PaidAmountCheck::Empty);
    EXPECT_EQ(CheckPaidAmount("100", &v), PaidAmountCheck::Ok);
    EXPECT_EQ(v, D("100"));
    EXPECT_EQ(CheckPaidAmount("12.", &v), PaidAmountCheck::Ok);
    EXPECT_EQ(CheckPaidAmount(".5", &v), PaidAmountCheck::Ok);
    EXPECT_EQ(v, D("0.5"));
    EXPECT_EQ(CheckPaidAmount("5-"), PaidAmountCheck::Negative);
    EXPECT_EQ(CheckPaidAmount("1,000.00"), PaidAmountCheck::NotNumeric);
    // Text after the decimal point is no number either, though it fails only past the point.
    EXPECT_EQ(CheckPaidAmount("12.5x"), PaidAmountCheck::NotNumeric);
    EXPECT_EQ(CheckPaidAmount("1.2.3"), PaidAmountCheck::NotNumeric);
    EXPECT_EQ(CheckPaidAmount("."), PaidAmountCheck::NotNumeric);
}

TEST(PaidAmount, PostIsEnabledOnlyWhileTheItemsAddUpToThePaidAmount) {
    const std::vector<PaymentItem> items{{"1001", "", D("60.10"), false, 1},
                                         {"1002", "", D("39.90"), false, 2}};
    const PostedTotal total = TotalPosted(items, "100");
    EXPECT_EQ(total.sum, D("100"));
    EXPECT_TRUE(total.postable);
    EXPECT_TRUE(TotalPosted(items, " 100.00 ").postable);
    EXPECT_FALSE(TotalPosted(items, "100.01").postable);
    EXPECT_FALSE(TotalPosted(items, "1,00.00").postable) << "a refused amount posts nothing";
    EXPECT_FALSE(TotalPosted(items, "").postable);
    EXPECT_FALSE(TotalPosted({}, "0.00").postable) << "nothing to post";
    EXPECT_TRUE(
        TotalPosted({{"DP3", "", D("-100"), false, 3}, {"1001", "", D("100"), false, 1}}, "0.00")
            .postable)
        << "a deposit cleared against an invoice";
}

TEST(DialogAmount, AboveZeroAndBelowTheAmountDue) {
    Decimal amount;
    EXPECT_EQ(CheckDialogAmount("0.00", false, D("100"), amount)->text,
              "The payment amount must be greater than zero.");
    EXPECT_EQ(CheckDialogAmount("-5", true, D("0"), amount)->caption, "Payment Amount");
    EXPECT_EQ(CheckDialogAmount("abc", true, D("0"), amount)->text,
              "The payment amount must be a numeric value.");
    const auto equal = CheckDialogAmount("100", false, D("100"), amount);
    ASSERT_TRUE(equal);
    EXPECT_EQ(equal->text, "The partial payment amount must be less than amount due.");
    EXPECT_EQ(equal->caption, "Partial Payment Amount");
    // Taken to the cent first: 99.999 would be listed and posted as 100.00.
    EXPECT_TRUE(CheckDialogAmount("99.999", false, D("100"), amount));
    EXPECT_FALSE(CheckDialogAmount("1,040", true, D("0"), amount)) << "a deposit has no limit";
    EXPECT_EQ(amount, D("1040"));
    EXPECT_FALSE(CheckDialogAmount("39.996", false, D("100"), amount));
    EXPECT_EQ(amount, D("40"));
}

TEST_F(PaymentTest, TheOpenListHoldsWhatIsStillDue) {
    AddCustomer("C2", "Bolt");
    const int32_t open = AddInvoice({.number = "1002", .customer = "C1", .total = "250.00"});
    AddInvoice({.number = "1001", .customer = "C1", .flag = "P"});       // paid in full
    AddInvoice({.number = "1003", .customer = "C1", .paid = "100.00"});  // nothing due
    AddInvoice({.number = "1004", .customer = "C1", .type = "R"});       // repeat master
    const int32_t partly = AddInvoice(
        {.number = "1000", .customer = "C1", .paid = "100.00", .type = "Z"});  // due 0, type Z
    AddInvoice({.number = "2001", .customer = "C2"});
    const int32_t deposit = AddInvoice({.number = "DP9",
                                        .customer = "c1",
                                        .date = {2024, 2, 29},
                                        .total = "0.00",
                                        .paid = "75.00",
                                        .type = "D"});
    const OpenItems open1 = ListOpenItems(" c1 ");
    EXPECT_TRUE(open1.problem.isEmpty());
    ASSERT_EQ(open1.items.size(), 3U);
    EXPECT_EQ(PaymentItemText(open1.items[0]), "1000      03/01/24         0.00P");
    EXPECT_EQ(open1.items[0].ref, partly);
    EXPECT_EQ(PaymentItemText(open1.items[1]), "1002      03/01/24       250.00");
    EXPECT_EQ(open1.items[1].ref, open);
    EXPECT_EQ(PaymentItemText(open1.items[2]), "DP9       02/29/24       -75.00");
    EXPECT_EQ(open1.items[2].ref, deposit);

    AddInvoice({.number = "1005", .customer = "C1", .due = "12,5x"});
    const OpenItems open2 = ListOpenItems("C1");
    EXPECT_EQ(open2.items.size(), 3U);
    EXPECT_EQ(open2.problem, "The amount due of invoice 1005 is not a number; it is not listed.");
}

TEST_F(PaymentTest, ADepositAloneIsNumberedFromTheRecordCountAndLowersTheBalance) {
    AddInvoice({.number = "1001", .customer = "C1"});
    AddInvoice({.number = "1002", .customer = "C1"});
    EXPECT_EQ(Post(Entry("100.00", {Deposit("100.00")})), "");

    const auto added = AddedAfter(2);
    ASSERT_EQ(added.size(), 1U);
    const InvoiceRec& d = added[0];
    EXPECT_EQ(d.get(Invoice::InvNumber), "DP3");
    EXPECT_EQ(d.get(Invoice::InvType), "D");
    EXPECT_EQ(d.get(Invoice::InvKind), "D");
    EXPECT_EQ(d.get(Invoice::InvKeyCode), "Deposit");
    EXPECT_EQ(d.get(Invoice::InvCustomerNumber), "C1");
    EXPECT_EQ(d.get(Invoice::InvCustomerShortName), "Acme");
    EXPECT_EQ(d.get(Invoice::InvCompanyNumber), "7");
    EXPECT_EQ(d.get(Invoice::InvDate), "03/15/2024");
    EXPECT_EQ(d.get(Invoice::InvMonth), "03");
    EXPECT_EQ(d.get(Invoice::InvDay), "15");
    EXPECT_EQ(d.get(Invoice::InvYear), "2024");
    EXPECT_EQ(d.get(Invoice::InvDateYMD), "2024/03/15");
    EXPECT_EQ(d.get(Invoice::InvDatePaid), "2024/03/15");
    EXPECT_EQ(d.get(Invoice::InvStatementNote), "Check 1234");
    EXPECT_EQ(d.get(Invoice::InvNet), "0.00");
    EXPECT_EQ(d.get(Invoice::InvTotal), "0.00");
    EXPECT_EQ(d.get(Invoice::InvPaid), "100.00");
    EXPECT_EQ(d.get(Invoice::InvDue), "-100.00");
    EXPECT_EQ(d.get(Invoice::InvPaidFlag), "");
    EXPECT_EQ(InvoiceIndex(InvoiceTypeNumberKey).front().first, "DDP3      ");

    const CustomerRec c = CustomerOnFile("C1");
    EXPECT_EQ(c.get(Customer::Balance), "0.00");
    EXPECT_EQ(c.get(Customer::LastPaymentDate), "03/15/2024");
    EXPECT_EQ(c.get(Customer::Amounts[0]), "100.00") << "two invoices less the deposit";
    EXPECT_EQ(CompanyOnFile().get(Company::ReceivablesTotal), "0.00");
    EXPECT_EQ(shell.context().companies.CurrentCompany.get(Company::ReceivablesTotal), "0.00");
    EXPECT_EQ(masters.state().CustomerBuf.get(Customer::Balance), "0.00");
}

TEST_F(PaymentTest, DepositNumbersAlreadyTakenArePassedOver) {
    // Two records on file, one of them numbered as the next deposit would be.
    AddInvoice({.number = "DP3", .customer = "C1", .paid = "50.00", .type = "D"});
    AddInvoice({.number = "1001", .customer = "C1"});
    EXPECT_EQ(Post(Entry("30", {Deposit("10"), Deposit("20")})), "");
    const auto added = AddedAfter(2);
    ASSERT_EQ(added.size(), 2U);
    EXPECT_EQ(added[0].get(Invoice::InvNumber), "DP4");
    EXPECT_EQ(added[1].get(Invoice::InvNumber), "DP5");
}

TEST_F(PaymentTest, ADepositAndAnInvoicePostedTogetherClearEachOther) {
    const int32_t invoice = AddInvoice({.number = "1001", .customer = "C1", .date = {2024, 1, 2}});
    const int32_t deposit = AddInvoice({.number = "DP1",
                                        .customer = "C1",
                                        .date = {2024, 2, 1},
                                        .total = "0.00",
                                        .paid = "100.00",
                                        .type = "D"});
    EXPECT_EQ(Post(Entry("0.00", {Open("DP1"), Open("1001")})), "");

    const InvoiceRec d = InvoiceAt(deposit);
    EXPECT_EQ(d.get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(d.get(Invoice::InvDue), "0.00");
    EXPECT_EQ(d.get(Invoice::InvType), "D");
    EXPECT_EQ(d.get(Invoice::InvDatePaid), "2024/02/01") << "closed on its own date";
    const auto added = AddedAfter(2);
    ASSERT_EQ(added.size(), 1U);
    const InvoiceRec& t = added[0];
    EXPECT_EQ(t.get(Invoice::InvType), "T");
    EXPECT_EQ(t.get(Invoice::InvNumber), "DP1");
    EXPECT_EQ(t.get(Invoice::InvPaid), "-100.00");
    EXPECT_EQ(t.get(Invoice::InvDue), "0.00");
    EXPECT_EQ(t.get(Invoice::InvTotal), "0.00");
    EXPECT_EQ(t.get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(t.get(Invoice::InvDateYMD), "2024/03/15");

    const InvoiceRec i = InvoiceAt(invoice);
    EXPECT_EQ(i.get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(i.get(Invoice::InvDue), "0.00");
    EXPECT_EQ(i.get(Invoice::InvPaid), "100.00");
    EXPECT_EQ(i.get(Invoice::InvType), "I");
    EXPECT_EQ(i.get(Invoice::InvDatePaid), "2024/03/15");
    EXPECT_EQ(i.get(Invoice::InvStatementNote), "Check 1234");

    const CustomerRec c = CustomerOnFile("C1");
    EXPECT_EQ(c.get(Customer::Balance), "100.00") << "nothing was paid";
    for (const auto field : Customer::Amounts) EXPECT_EQ(c.get(field), "0.00");
    EXPECT_TRUE(ListOpenItems("C1").items.empty());
    EXPECT_EQ(CompanyOnFile().get(Company::ReceivablesTotal), "100.00");
}

TEST_F(PaymentTest, PartialPaymentsLeaveTheInvoicePartlyPaidUntilTheRestIsPaid) {
    const int32_t ref = AddInvoice({.number = "1001", .customer = "C1"});
    PaymentItem part = Open("1001");
    part.amount = D("40");
    part.partial = true;
    EXPECT_EQ(Post(Entry("40", {part})), "");

    InvoiceRec inv = InvoiceAt(ref);
    EXPECT_EQ(inv.get(Invoice::InvType), "Z");
    EXPECT_EQ(inv.get(Invoice::InvDue), "60.00");
    EXPECT_EQ(inv.get(Invoice::InvPaidFlag), "");
    auto added = AddedAfter(1);
    ASSERT_EQ(added.size(), 1U);
    EXPECT_EQ(added[0].get(Invoice::InvType), "X");
    EXPECT_EQ(added[0].get(Invoice::InvKeyCode), "Partial");
    EXPECT_EQ(added[0].get(Invoice::InvNumber), "1001");
    EXPECT_EQ(added[0].get(Invoice::InvKind), "P");
    EXPECT_EQ(added[0].get(Invoice::InvPaid), "40.00");
    EXPECT_EQ(added[0].get(Invoice::InvDue), "0.00");
    EXPECT_EQ(added[0].get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(added[0].get(Invoice::InvDatePaid), "2024/03/15");
    EXPECT_EQ(PaymentItemText(Open("1001")), "1001      03/01/24        60.00P");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "60.00");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Amounts[0]), "60.00");

    // The rest, listed with its "P", goes the partial way too and closes the invoice.
    EXPECT_EQ(Post(Entry("60", {Open("1001")})), "");
    inv = InvoiceAt(ref);
    EXPECT_EQ(inv.get(Invoice::InvDue), "0.00");
    EXPECT_EQ(inv.get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(inv.get(Invoice::InvDatePaid), "2024/03/15");
    added = AddedAfter(1);
    ASSERT_EQ(added.size(), 2U);
    EXPECT_EQ(added[1].get(Invoice::InvPaid), "60.00");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "0.00");
    EXPECT_EQ(InvoiceIndex(InvoiceDatePaidKey).back().first, "2024/03/15");
}

TEST_F(PaymentTest, AFullPaymentReAgesTheCustomerByTheBucketRule) {
    // Today is 2024/03/15 and the periods 30/60/90: each age on and just past a limit.
    const int32_t paid = AddInvoice({.number = "1001", .customer = "C1", .date = {2024, 3, 10}});
    AddInvoice({.number = "1002", .customer = "C1", .date = {2024, 2, 14}, .total = "10.00"});
    AddInvoice({.number = "1003", .customer = "C1", .date = {2024, 2, 13}, .total = "20.00"});
    AddInvoice({.number = "1004", .customer = "C1", .date = {2024, 1, 15}, .total = "30.00"});
    AddInvoice({.number = "1005", .customer = "C1", .date = {2024, 1, 14}, .total = "40.00"});
    AddInvoice({.number = "1006", .customer = "C1", .date = {2023, 12, 16}, .total = "50.00"});
    AddInvoice({.number = "1007", .customer = "C1", .date = {2023, 12, 15}, .total = "60.00"});
    auto entry = Entry("100.00", {Open("1001")});
    entry.notes = "";
    EXPECT_EQ(Post(entry), "");

    const InvoiceRec inv = InvoiceAt(paid);
    EXPECT_EQ(inv.get(Invoice::InvPaid), "100.00");
    EXPECT_EQ(inv.get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(inv.get(Invoice::InvStatementNote), "") << "an empty note changes nothing";
    EXPECT_TRUE(AddedAfter(7).empty());
    const CustomerRec c = CustomerOnFile("C1");
    EXPECT_EQ(c.get(Customer::Balance), "0.00");
    EXPECT_EQ(c.get(Customer::Amounts[0]), "10.00");  // 30 days
    EXPECT_EQ(c.get(Customer::Amounts[1]), "50.00");  // 31 and 60 days
    EXPECT_EQ(c.get(Customer::Amounts[2]), "90.00");  // 61 and 90 days
    EXPECT_EQ(c.get(Customer::Amounts[3]), "60.00");  // 91 days
}

TEST_F(PaymentTest, PayingTheRestOfAnInvoicePaidInPartAtEntryAddsAPaymentRecord) {
    AddCustomer("C2", "Bolt");
    const int32_t ref = AddInvoice(
        {.number = "1001", .customer = "C1", .total = "150.00", .paid = "50.00", .notes = "old"});
    // Another customer's invoice under the same number stays as it is.
    const int32_t other = AddInvoice({.number = "1001", .customer = "C2"});
    EXPECT_EQ(Post(Entry("100", {Open("1001")})), "");

    const auto added = AddedAfter(2);
    ASSERT_EQ(added.size(), 1U);
    const InvoiceRec& x = added[0];
    EXPECT_EQ(x.get(Invoice::InvType), "X");
    EXPECT_EQ(x.get(Invoice::InvPaid), "100.00");
    EXPECT_EQ(x.get(Invoice::InvTotal), "0.00");
    EXPECT_EQ(x.get(Invoice::InvNet), "150.00") << "built from the invoice";
    EXPECT_EQ(x.get(Invoice::InvKeyCode), "None");
    EXPECT_EQ(x.get(Invoice::InvDate), "03/15/2024");
    EXPECT_EQ(x.get(Invoice::InvStatementNote), "Check 1234");

    const InvoiceRec inv = InvoiceAt(ref);
    EXPECT_EQ(inv.get(Invoice::InvType), "Z");
    EXPECT_EQ(inv.get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(inv.get(Invoice::InvDue), "0.00");
    EXPECT_EQ(inv.get(Invoice::InvPaid), "50.00");
    EXPECT_EQ(inv.get(Invoice::InvDatePaid), "2024/03/01");
    EXPECT_EQ(inv.get(Invoice::InvStatementNote), "old");

    const InvoiceRec untouched = InvoiceAt(other);
    EXPECT_EQ(untouched.get(Invoice::InvPaidFlag), "");
    EXPECT_EQ(untouched.get(Invoice::InvDue), "100.00");
}

TEST_F(PaymentTest, AnInvoiceNumberedLikeADepositStaysAnInvoice) {
    const int32_t ref = AddInvoice({.number = "DP77", .customer = "C1", .paid = "20.00"});
    EXPECT_EQ(Post(Entry("80", {Open("DP77")})), "");
    EXPECT_EQ(InvoiceAt(ref).get(Invoice::InvType), "Z");
    EXPECT_EQ(AddedAfter(1).at(0).get(Invoice::InvType), "X");
}

TEST_F(PaymentTest, ARecordChangedAfterPlanningIsNotOverwrittenAndNothingIsPosted) {
    const int32_t ref = AddInvoice({.number = "1001", .customer = "C1"});
    const PaymentPlan plan = PlanPayments(Entry("150", {Open("1001"), Deposit("50")}));
    ASSERT_TRUE(plan.posting);

    EXPECT_TRUE(OpenInvoiceFiles());
    const InvoiceRec before = StoredIn<InvoiceRec>(State().InvoiceFile, ref);
    State().InvoiceBuf = before;
    State().InvoiceBuf.set(Invoice::InvPrinted, "Y");
    EXPECT_TRUE(UpdateInvoiceRecord(ref, before));
    CloseInvoiceFiles();

    // The customer and the company would carry a payment the invoice does not show.
    const CustomerRec customer = CustomerOnFile("C1");
    const CompanyRec company = CompanyOnFile();
    host->Answer(MsgResult::Ok, "The record has changed in the meantime.");
    EXPECT_THROW(WritePayments(*plan.posting), AppError);
    const InvoiceRec inv = InvoiceAt(ref);
    EXPECT_EQ(inv.get(Invoice::InvPrinted), "Y");
    EXPECT_EQ(inv.get(Invoice::InvPaidFlag), "");
    EXPECT_TRUE(AddedAfter(1).empty()) << "no deposit";
    EXPECT_EQ(CustomerOnFile("C1"), customer);
    EXPECT_EQ(CompanyOnFile(), company);
}

class PaymentRefusalTest : public PaymentTest {
protected:
    // Posts and expects the refusal; nothing on file may have changed.
    void ExpectRefused(const PaymentEntry& e, const QString& text) {
        const auto invoices = Invoices();
        const CustomerRec customer = CustomerOnFile("C1");
        const CompanyRec company = CompanyOnFile();
        const PaymentPlan plan = PlanPayments(e);
        EXPECT_FALSE(plan.posting);
        EXPECT_EQ(plan.refusal.text, text);
        EXPECT_EQ(Invoices(), invoices);
        EXPECT_EQ(CustomerOnFile("C1"), customer);
        EXPECT_EQ(CompanyOnFile(), company);
    }
};

TEST_F(PaymentRefusalTest, NothingIsWrittenWhenAnyPartCannotBe) {
    const int32_t ref = AddInvoice({.number = "1001", .customer = "C1"});
    AddInvoice({.number = "1002", .customer = "C1"});
    const PaymentItem item = Open("1001");

    auto badDate = Entry("100", {item});
    badDate.paymentDate = "02/30/2024";
    const PaymentPlan plan = PlanPayments(badDate);
    EXPECT_EQ(plan.field, PaymentField::PaymentDate);
    EXPECT_EQ(plan.refusal.caption, "Payment Date");
    ExpectRefused(badDate,
                  "You have an invalid payment date. You can clear the date and then select the "
                  "calendar button.");

    ExpectRefused(Entry("99", {item}),
                  "The items you are posting do not add up to the paid amount.");

    auto stranger = Entry("100", {item});
    stranger.customerNumber = "C9";
    ExpectRefused(stranger,
                  "Invoice 1001 is no longer among the customer's open items. Please choose the "
                  "customer again.");

    PaymentItem wrongRecord = item;
    wrongRecord.ref = ref + 1;
    ExpectRefused(Entry("100", {wrongRecord}),
                  "Invoice 1001 is no longer among the customer's open items. Please choose the "
                  "customer again.");

    ExpectRefused(Entry("200", {item, item}),
                  "Invoice 1001 is paid in full already; it cannot be paid again.");

    // The last of several items cannot be written: the deposit before it is not added either.
    PaymentItem tooMuch = Open("1002");
    tooMuch.partial = true;
    tooMuch.amount = D("99999999");
    ExpectRefused(Entry("100000099", {Deposit("100"), tooMuch}),
                  "The amount due of invoice 1002 (-99999899.00) does not fit its field of 10 "
                  "characters.");
}

TEST_F(PaymentRefusalTest, ACustomerOrCompanyThatCannotTakeThePaymentRefusesIt) {
    AddCustomer("C3", "Huge Debts", "-99999999.99");
    auto e = Entry("1", {Deposit("1")});
    e.customerNumber = "C3";
    ExpectRefused(e,
                  "The balance of customer C3 (-100000000.99) does not fit its field of 12 "
                  "characters.");

    e.customerNumber = "C4";
    ExpectRefused(e, "Customer C4 is not on file. Please pick the customer again.");

    UpdateCurrentCompany(shell.context().companies, shell.context().folder,
                         [](CompanyRec& c) { return c.set(Company::AgingPeriod[1], "6O"); });
    ExpectRefused(Entry("1", {Deposit("1")}),
                  "The company's aging periods are not whole numbers of days. Please correct "
                  "them in the company settings first.");
}

TEST_F(PaymentRefusalTest, AnInvoiceWithoutADateCannotBeAged) {
    const int32_t ref = AddInvoice({.number = "1001", .customer = "C1"});
    EXPECT_TRUE(OpenInvoiceFiles());
    InvoiceRec r = StoredIn<InvoiceRec>(State().InvoiceFile, ref);
    const InvoiceRec before = r;
    r.set(Invoice::InvDateYMD, "");
    r.set(Invoice::InvDate, "13/45/2024");
    State().InvoiceBuf = r;
    EXPECT_TRUE(UpdateInvoiceRecord(ref, before));
    CloseInvoiceFiles();
    ExpectRefused(Entry("5", {Deposit("5")}),
                  "Invoice 1001 has no valid date (\"13/45/2024\"), so the customer's balance "
                  "cannot be aged.");
}

}  // namespace
