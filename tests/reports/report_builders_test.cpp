// The report builders on real files of company 7: which records each report selects, what
// its cells hold, and what reading a damaged or missing file gives.
#include "reports/wizard/report_builders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/reports/report_files_env.h"

namespace {

using Strings = std::vector<std::string>;

class ReportBuildersTest : public ReportFilesEnv {
protected:
    static PORec Order(const std::string& number, const std::string& ymd, const std::string& total,
                       const std::string& status = "O") {
        using namespace PurchaseOrder;
        PORec r;
        EXPECT_TRUE(r.set(PONumber, number));
        r.set(POStatus, status);
        r.set(POKeyCode, "");
        EXPECT_TRUE(r.set(POVendorNumber, "V200"));
        r.set(POVendorShortName, "BOLTS");
        r.set(PODateYMD, ymd);
        r.set(PODateRequired, ymd);
        r.set(POReceivedDate, " ");
        EXPECT_TRUE(r.set(PONet, total));
        EXPECT_TRUE(r.set(POTax, "0.00"));
        EXPECT_TRUE(r.set(POTotal, total));
        return r;
    }

    static InvoiceLineRec Line(const std::string& number, const std::string& ymd,
                               const std::string& code, const std::string& text,
                               const std::string& unitCost) {
        using namespace InvoiceLine;
        InvoiceLineRec r;
        r.set(LineText, text);
        EXPECT_TRUE(r.set(LineInvNumber, number));
        r.set(LineSortDate, ymd);
        r.set(LineProductCode, code);
        EXPECT_TRUE(r.set(LineCustomerNumber, "C100"));
        r.set(LineCustomerShortName, "ACME");
        EXPECT_TRUE(r.set(LineUnitCost, unitCost));
        return r;
    }

    // Quantity, description, unit price, tax flag and extension laid out as posting does.
    static std::string Text(const std::string& quantity, const std::string& description,
                            const std::string& price, const std::string& extension) {
        return PadRightWith(quantity, ' ', 10) + PadRightWith(description, ' ', 32) +
               PadRightWith(price, ' ', 10) + "N" + PadRightWith(extension, ' ', 10);
    }
};

TEST_F(ReportBuildersTest, PurchaseOrderReportsSelectByDateStatusAndTotal) {
    Put(POData(), Order("500", "2024/01/01", "1234.5"));     // first day of the period
    Put(POData(), Order("501", "2024/03/31", "0.00"));       // zero, but open: listed
    Put(POData(), Order("502", "2024/02/10", "0.00", "C"));  // zero and not open: left out
    Put(POData(), Order("", "2024/02/11", "9.00"));          // no number
    Put(POData(), Order("503", "2024/04/01", "9.00"));       // after the period
    Put(POData(), Order("504", "2023/12/31", "9.00"));       // before it

    EXPECT_EQ(Rows("PO Register"),
              (Strings{"Year/Mo/Dy|PO#|Short Name|Vendor#|Net Amount|Tax Amount|Grand Total|C",
                       "2024/01/01|500|BOLTS|V200|1,234.50|0.00|1,234.50|O",
                       "2024/03/31|501|BOLTS|V200|0.00|0.00|0.00|O"}));
    // The key code column shows "*none*" for a blank code, and no zero total appears.
    EXPECT_EQ(Rows("PO Key Code Inquiry"),
              (Strings{"Key Code|PO#|Short Name|Year/Mo/Dy|Net Amount|Tax Amount|Grand Total|C",
                       "*none*|500|BOLTS|2024/01/01|1,234.50|0.00|1,234.50|O"}));

    // Cells are padded to their column's width, amounts right-justified in 12.
    const BuiltReport built =
        BuildReport(*FindReportDefinition("PO Register"), {"2024/01/01", "2024/01/01"});
    ASSERT_EQ(built.grid.rowCount(), 2);
    EXPECT_EQ(built.grid.rows[1].cells,
              (Strings{"2024/01/01", "500      ", "BOLTS     ", "V200    ", "    1,234.50",
                       "        0.00", "    1,234.50", "O"}));
}

TEST_F(ReportBuildersTest, CommitmentReportListsOrdersDueAndNotYetReceived) {
    PORec due = Order("600", "2024/01/05", "50.00");
    due.set(PurchaseOrder::PODateRequired, "2024/02/20");
    const int32_t ref = Put(POData(), due);
    PORec late = Order("601", "2024/01/05", "50.00");
    late.set(PurchaseOrder::PODateRequired, "2024/05/01");
    Put(POData(), late);

    const Strings listed = Rows("Commitment Report");
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1], "2024/02/20|600|BOLTS|V200|50.00|0.00|50.00|O");

    // Once received it disappears.
    ASSERT_TRUE(POData().Open());
    due.set(PurchaseOrder::POReceivedDate, "2024/02/18");
    std::ranges::copy(due.bytes(), POData().buffer().begin());
    ASSERT_TRUE(POData().PutRec(POData().buffer(), ref));
    POData().Close();
    EXPECT_EQ(Rows("Commitment Report").size(), 1u);
}

TEST_F(ReportBuildersTest, InvoiceRegistersTreatZeroTotalsByType) {
    Put(InvoiceData(), Invoice("1001", "I", "2024/02/01", "0.00"));   // zero invoice: listed
    Put(InvoiceData(), Invoice("1002", "X", "2024/02/02", "0.00"));   // zero payment record
    Put(InvoiceData(), Invoice("1003", "R", "2024/02/03", "80.00"));  // repeat master
    InvoiceRec keyed = Invoice("1004", "I", "2024/02/04", "120.00");
    keyed.set(Invoice::InvKeyCode, "");
    Put(InvoiceData(), keyed);

    EXPECT_EQ(Rows("Invoice Register"),
              (Strings{"Year/Mo/Dy|Invoice#|Short Name|Customer#|Net Amount|Tax Amount|Grand "
                       "Total|C",
                       "2024/02/01|1001|ACME|C100|0.00|0.00|0.00|I",
                       "2024/02/04|1004|ACME|C100|120.00|0.00|120.00|I"}));
    EXPECT_EQ(Rows("Invoice Key Code Inquiry"),
              (Strings{"Key Code|Invoice#|Short Name|Year/Mo/Dy|Net Amount|Tax Amount|Grand "
                       "Total|C",
                       "*none*|1004|ACME|2024/02/04|120.00|0.00|120.00|I"}));
}

TEST_F(ReportBuildersTest, PaymentRegisterAndTaxReportListPaymentsOnce) {
    using namespace ::Invoice;
    // Paid in full in the period (dated before it).
    InvoiceRec full = Invoice("2001", "I", "2023/12/20", "100.00");
    EXPECT_TRUE(full.set(InvPaid, "100.00"));
    EXPECT_TRUE(full.set(InvDue, "0.00"));
    EXPECT_TRUE(full.set(InvTax, "10.00"));
    full.set(InvDatePaid, "2024/02/15");
    full.set(InvPaidFlag, "P");
    Put(InvoiceData(), full);
    // Partly paid, dated in the period, no date paid: dated with its invoice date.
    InvoiceRec part = Invoice("2002", "Z", "2024/03/01", "300.00");
    EXPECT_TRUE(part.set(InvPaid, "100.00"));
    EXPECT_TRUE(part.set(InvDue, "200.00"));
    part.set(InvKeyCode, "Partial");
    Put(InvoiceData(), part);
    // Partly paid with a date paid in the period: met by both walks, listed once.
    InvoiceRec both = Invoice("2003", "Z", "2024/03/02", "50.00");
    EXPECT_TRUE(both.set(InvPaid, "20.00"));
    EXPECT_TRUE(both.set(InvDue, "30.00"));
    both.set(InvDatePaid, "2024/03/03");
    Put(InvoiceData(), both);
    // A deposit with an amount paid and due is not a partly paid invoice.
    InvoiceRec deposit = Invoice("2004", "D", "2024/03/04", "40.00");
    EXPECT_TRUE(deposit.set(InvPaid, "10.00"));
    Put(InvoiceData(), deposit);
    // Unpaid.
    Put(InvoiceData(), Invoice("2005", "I", "2024/03/05", "70.00"));

    EXPECT_EQ(Rows("Payment Register"),
              (Strings{"Year/Mo/Dy|Invoice#|Short Name|Customer#|Grand Total|Paid Amount|Balance "
                       "Due|C",
                       "2024/02/15|2001|ACME|C100|100.00|100.00|0.00|I",
                       "2024/03/03|2003|ACME|C100|50.00|20.00|30.00|Z",
                       "2024/03/01|2002|ACME|C100|300.00|100.00|200.00|Z"}));
    EXPECT_EQ(Rows("Tax Report"),
              (Strings{"Year/Mo/Dy|Invoice#|Short Name|Customer#|Key Code|Paid Amount|Tax "
                       "Amount|C",
                       "2024/02/15|2001|ACME|C100|None|100.00|10.00|I",
                       "2024/03/03|2003|ACME|C100|None|20.00|0.00|Z",
                       "2024/03/01|2002|ACME|C100|Partial|100.00|0.00|Z"}));
}

TEST_F(ReportBuildersTest, AccountsReceivableAgesOpenItemsIntoTheCompanysCategories) {
    using namespace ::Invoice;
    Put(InvoiceData(), Invoice("3001", "I", "2024/03/10", "10.00"));  // 5 days
    Put(InvoiceData(), Invoice("3002", "I", "2024/01/30", "20.00"));  // 45 days
    Put(InvoiceData(), Invoice("3003", "I", "2023/12/15", "30.00"));  // 91 days
    Put(InvoiceData(), Invoice("3004", "R", "2024/03/01", "99.00"));  // repeat master
    InvoiceRec paid = Invoice("3005", "I", "2024/03/01", "15.00");
    paid.set(InvDatePaid, "2024/03/02");
    Put(InvoiceData(), paid);
    InvoiceRec deposit = Invoice("3006", "D", "2024/02/14", "-25.00");  // 30 days: current
    deposit.set(InvDatePaid, "2024/02/14");
    Put(InvoiceData(), deposit);
    InvoiceRec usedDeposit = Invoice("3007", "D", "2024/02/14", "-5.00");
    usedDeposit.set(InvDatePaid, "2024/02/14");
    usedDeposit.set(InvPaidFlag, "P");
    Put(InvoiceData(), usedDeposit);

    EXPECT_EQ(Rows("Accounts Receivable"),
              (Strings{"Category|Invoice#|Short Name|Customer#|Aging|Year/Mo/Dy|Balance Due|C",
                       "Current|3001|ACME|C100|5 Days|2024/03/10|10.00|I",
                       "31-60|3002|ACME|C100|45 Days|2024/01/30|20.00|I",
                       "Over 90|3003|ACME|C100|91 Days|2023/12/15|30.00|I",
                       "Current|3006|ACME|C100|30 Days|2024/02/14|-25.00|D"}));

    // No receivables: refused before any invoice is read.
    EXPECT_TRUE(shell.context().companies.CurrentCompany.set(Company::ReceivablesTotal, "0.00"));
    const BuiltReport zero = BuildReport(*FindReportDefinition("Accounts Receivable"), {});
    EXPECT_TRUE(zero.zeroReceivables);
    EXPECT_FALSE(HasRecords(zero));
}

TEST_F(ReportBuildersTest, AccountsReceivableAgesByTheStoredDateWhateverTheDateOrderNow) {
    // Typed month first as 02/03/2024 (3 February, 41 days); the company now reads dates day
    // first, in which the typed text would be 2 March.
    Put(InvoiceData(), Invoice("3001", "I", "2024/02/03", "10.00"));
    shell.context().companies.CurrentCompany.set(Company::DateOrderSetting, "D");
    EXPECT_EQ(Rows("Accounts Receivable"),
              (Strings{"Category|Invoice#|Short Name|Customer#|Aging|Year/Mo/Dy|Balance Due|C",
                       "31-60|3001|ACME|C100|41 Days|2024/02/03|10.00|I"}));
}

TEST_F(ReportBuildersTest, ReorderAndOverstockFollowTheStockLimits) {
    Put(ProductData(), Product("LOW", "2", "5", "20", "12"));       // reorder 10
    Put(ProductData(), Product("ATMIN", "5", "5", "20", "12"));     // at the minimum: none
    Put(ProductData(), Product("HIGH", "1,030", "5", "20", "12"));  // 1,010 over
    ProductRec nonStock = Product("NS", "0", "5", "1", "12");
    nonStock.set(Product::NonStock, true);
    Put(ProductData(), nonStock);
    ProductRec nonDepleting = Product("ND", "9", "10", "1", "12");
    nonDepleting.set(Product::NonDepleting, true);
    Put(ProductData(), nonDepleting);
    ProductRec preferred = Product("A", "0", "1", "", "3");  // a one-character code
    preferred.set(Product::PreferredVendor, "V200");
    Put(ProductData(), preferred);

    EXPECT_EQ(Rows("Reorder Report"),
              (Strings{"Preferred Vendor|Product Description|Product#|Key Code|Min. Quan.|Max. "
                       "Quan.|Target Quan.|On Hand|Reorder Amt.",
                       "V200|Widget A|A||1.00|0.00|3.00|0.00|3.00",
                       "*None*|Widget LOW|LOW||5.00|20.00|12.00|2.00|10.00"}));
    EXPECT_EQ(Rows("Overstock Report"),
              (Strings{"Preferred Vendor|Product Description|Product#|Key Code|Min. Quan.|Max. "
                       "Quan.|Target Quan.|On Hand|Over Stock",
                       "*None*|Widget HIGH|HIGH||5.00|20.00|12.00|1,030.00|1,010.00"}));
}

TEST_F(ReportBuildersTest, InventoryListsEveryProductWithItsCostValue) {
    ProductRec stocked = Product("B-7", "3", "", "", "");
    stocked.set(Product::Location, "Shelf 4");
    stocked.set(Product::KeyCode, "HARDWARE");
    EXPECT_TRUE(stocked.set(Product::Cost, "0.333"));
    Put(ProductData(), stocked);
    Put(ProductData(), Product("", "1", "", "", ""));  // no code: not a product
    ProductRec blank = Product("C-1", "", "", "", "");
    EXPECT_TRUE(blank.set(Product::Cost, ""));
    Put(ProductData(), blank);

    EXPECT_EQ(Rows("Inventory Report"),
              (Strings{"Location|Product Description|Product#|Key Code|T|On Hand|Cost|Sell|Cost "
                       "Value",
                       "Shelf 4|Widget B-7|B-7|HARDWARE|F|3.00|0.33|4.00|1.00",
                       "*None*|Widget C-1|C-1||F|0.00|0.00|4.00|0.00"}));
}

TEST_F(ReportBuildersTest, ProfitAndSalesReportsWorkOnInvoiceLines) {
    Put(InvoiceLineData(),
        Line("4001", "2024/03/05", "BOLT", Text("3", "Hex bolt 10mm", "1.15", "3.45"), "0.70"));
    Put(InvoiceLineData(),
        Line("4002", "2024/03/06", "", Text("1,000", "Labour", "0.125", "125.00"), ""));
    Put(InvoiceLineData(),
        Line("4003", "2024/04/01", "BOLT", Text("1", "Hex bolt 10mm", "1.15", "1.15"), "0.70"));

    EXPECT_EQ(Rows("Profit Report"),
              (Strings{"Product#|Product Description|Invoice#|Date|Customer|Quantity|Your "
                       "Cost|Sales Price|Net Profit",
                       "BOLT|Hex bolt 10mm|4001|2024/03/05|C100|3.00|2.10|3.45|1.35",
                       "*None*|Labour|4002|2024/03/06|C100|1,000.00|0.00|125.00|125.00"}));
    EXPECT_EQ(Rows("Sales Report"),
              (Strings{"Product Description|Product#|Year/Mo/Dy|Invoice#|Short "
                       "Name|Customer|Unit Price|Quantity|Line Amount",
                       "Hex bolt 10mm|BOLT|2024/03/05|4001|ACME|C100|1.150|3.000|3.45",
                       "Labour|*None*|2024/03/06|4002|ACME|C100|0.125|1,000.000|125.00"}));
}

TEST_F(ReportBuildersTest, ReceivingReportListsReceiptsOfThePeriod) {
    using namespace POLine;
    const auto receipt = [](const std::string& number, const std::string& date,
                            const std::string& receiver, const std::string& received) {
        POLineRec r;
        r.set(LineText, PadRightWith("12", ' ', 10) + "Washers");
        EXPECT_TRUE(r.set(LinePONumber, number));
        r.set(LineProductCode, "WASH");
        EXPECT_TRUE(r.set(LineVendorNumber, "V200"));
        r.set(LineVendorShortName, "BOLTS");
        r.set(LineReceiptDate, date);
        r.set(LineReceiverNumber, receiver);
        EXPECT_TRUE(r.set(LineReceivedQty, received));
        return r;
    };
    Put(POLineData(), receipt("700", "2024/02/01", "R-1", "4"));
    Put(POLineData(), receipt("700", "2024/02/09", "", ""));
    Put(POLineData(), receipt("701", " ", "", "0"));  // not received

    EXPECT_EQ(Rows("Receiving Report"),
              (Strings{"Product Description|Product#|Year/Mo/Dy|PO#|Short "
                       "Name|Vendor#|Receiver#|Ordered|Received",
                       "Washers|WASH|2024/02/01|700|BOLTS|V200|R-1|12.000|4.00",
                       "Washers|WASH|2024/02/09|700|BOLTS|V200|*None*|12.000|0.00"}));
}

TEST_F(ReportBuildersTest, APeriodWithoutRecordsGivesOnlyTheHeadings) {
    Put(InvoiceData(), Invoice("1001", "I", "2024/02/01", "10.00"));
    for (const ReportDefinition& report : ReportDefinitions()) {
        if (!report.dated) continue;
        const BuiltReport built = BuildReport(report, {"2030/01/01", "2030/12/31"});
        EXPECT_FALSE(HasRecords(built)) << report.name;
        EXPECT_EQ(built.grid.rowCount(), 1) << report.name;
        EXPECT_EQ(built.grid.cols, report.cols) << report.name;
        EXPECT_EQ(built.engineError, 0) << report.name;
    }
}

TEST_F(ReportBuildersTest, ReadingFailuresAreToldNeverPassedOffAsEmptyOrWrongReports) {
    // A company without the file yet has nothing to report, and building creates no file.
    std::filesystem::remove(SetName("O") + ".DAT");
    std::filesystem::remove(SetName("O") + ".IX");
    const BuiltReport none =
        BuildReport(*FindReportDefinition("PO Register"), {"2024/01/01", "2024/12/31"});
    EXPECT_EQ(none.engineError, 0);
    EXPECT_FALSE(HasRecords(none));
    EXPECT_FALSE(std::filesystem::exists(SetName("O") + ".DAT"));

    // A damaged index is an error, not an empty report.
    Put(InvoiceData(), Invoice("1001", "I", "2024/02/01", "10.00"));
    {
        std::ofstream ix(SetName("I") + ".IX", std::ios::binary | std::ios::trunc);
        ix << "not an index";
    }
    const BuiltReport damaged =
        BuildReport(*FindReportDefinition("Invoice Register"), {"2024/01/01", "2024/12/31"});
    EXPECT_NE(damaged.engineError, 0);
    EXPECT_FALSE(HasRecords(damaged));

    // An amount that is not a number stops the report, naming the record.
    Put(ProductData(), Product("P1", "4 boxes", "", "", ""));
    try {
        BuildReport(*FindReportDefinition("Inventory Report"), {});
        FAIL() << "no error";
    } catch (const ReportDataError& error) {
        EXPECT_STREQ(error.what(),
                     "The stock on hand of product P1 is \"4 boxes\", which is not a number. The "
                     "report cannot be built until the record is corrected.");
    }
}

}  // namespace
