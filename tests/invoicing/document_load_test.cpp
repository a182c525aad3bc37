// Loading an invoice into the document buffer from the real files: the quantity column,
// sums over the invoice and its payment records, the customer's block, memo invoices, and
// what the buffer keeps from the document before.
#include <gtest/gtest.h>

#include "invoicing/records/invoice_memo_file.h"
#include "platform/application.h"
#include "shell/text.h"
#include "tests/invoicing/output_env.h"

namespace {

TEST(DocumentText, QuantityShowsTheDecimalsTypedWithSeparators) {
    const auto column = [](const std::string& quantity) {
        return QuantityColumn(PadRightWith(quantity, ' ', 10) + "Widget");
    };
    EXPECT_EQ(column("2"), "         2");
    EXPECT_EQ(column("2.5"), "       2.5");
    EXPECT_EQ(column("1234.125"), " 1,234.125");
    EXPECT_EQ(column("3."), "         3");
    EXPECT_EQ(column("1.23456"), "         1");
    EXPECT_EQ(column("-.5"), "      -0.5");
    EXPECT_EQ(column(""), std::string(10, ' '));
    EXPECT_EQ(column("1,000"), "     1,000");
    // Separators that would not fit are left out rather than cutting the figure.
    EXPECT_EQ(column("9999999999"), "9999999999");
    EXPECT_EQ(column("99999.9999"), "99999.9999");
    // Text that is not a number is shown as it stands.
    EXPECT_EQ(column("n/a"), "       n/a");
}

TEST(DocumentText, StoredDatesFollowTheCompanysDateOrder) {
    EXPECT_EQ(StoredDateForDisplay("2024/03/15", "M"), "03/15/2024");
    EXPECT_EQ(StoredDateForDisplay("2024/03/15", "D"), "15/03/2024");
    EXPECT_EQ(StoredDateForDisplay("2024/03/15", "Y"), "2024/03/15");
    EXPECT_EQ(StoredDateForDisplay("", "M"), "/");
    EXPECT_EQ(StoredDateForDisplay("", "D"), "/");
    EXPECT_EQ(StoredDateForDisplay("", "Y"), "/");
    EXPECT_EQ(FormatAsTyped("2.125"), "2.125");
    EXPECT_EQ(FormatAsTyped("1250"), "1,250");
    EXPECT_EQ(FormatAmount(" 1,234.5"), "1,234.50");
    EXPECT_EQ(FormatAmount(""), "0.00");
}

class DocumentLoadTest : public OutputEnv {};

TEST_F(DocumentLoadTest, ALineItemInvoiceFillsEveryFieldAndItsLinesInColumns) {
    InvoiceEntry e = Entry(
        {Row("W1", "2.5", "Widget", "2.50", "6.25", "Y"), Row("", "", "Thank you", "", "0.00")},
        "6.88");
    e.number = "a1001";
    e.net = "6.25";
    e.tax = "0.63";
    e.notes = "PO 77";
    e.terms = "Net 30";
    e.shipTo = {"Dock 4", "Harbour Lane", "", ""};
    Post(e);
    Load("A1001");

    const DocumentRecord& d = Doc();
    EXPECT_EQ(d.DocNumber, "A1001");
    EXPECT_EQ(d.DocType, "I");
    EXPECT_EQ(d.DocDate, "03/15/2024");
    EXPECT_EQ(d.Reference, "PO 77");
    EXPECT_EQ(d.Terms, "Net 30");
    EXPECT_EQ(d.Kind, "P");
    EXPECT_EQ(d.PrintedFlag, "");
    EXPECT_EQ(d.TotalAmount, "        6.88");
    EXPECT_EQ(d.TaxAmount, "        0.63");
    EXPECT_EQ(d.NetAmount, "        6.25");
    EXPECT_EQ(d.PaidAmount, "        0.00");
    EXPECT_EQ(d.BalanceDue, "        6.88");
    EXPECT_EQ(d.DatePaid, "/");
    EXPECT_EQ(d.AccountNo, "C1");
    EXPECT_EQ(d.AddrLine1, "Acme Tools");
    EXPECT_EQ(d.AddrLine2, "12 Quay Street");
    EXPECT_EQ(d.AddrLine4, "HT1 2AB");
    EXPECT_EQ(d.AddrLine5, "");
    EXPECT_EQ(d.ShipLine1, "Dock 4");
    EXPECT_EQ(d.ShipLine2, "Harbour Lane");
    EXPECT_EQ(d.EMailAddress, "ann@acme.test");
    // Posting the invoice raised the balance and the current bucket by its total.
    EXPECT_EQ(d.AccountBalance, "1,264.38");
    EXPECT_EQ(document.state().DocumentAging,
              (std::array<std::string, 4>{"1,241.38    ", "20.00       ", "0.00        ",
                                          "3.00        "}));
    EXPECT_EQ(InvoiceOutput().InvoiceMemoMode, 0);

    const auto& lines = document.state().DocumentLines;
    ASSERT_EQ(lines[1].size(), 81u);
    EXPECT_EQ(lines[1], "W1        " + std::string(" ") + "       2.5" + " " +
                            PadRightWith("Widget", ' ', 33) + " " + "      2.50" + " Y " +
                            "        6.25");
    EXPECT_EQ(Columns(lines[2], DocumentLineColumn::Code), std::string(10, ' '));
    EXPECT_EQ(TrimBlanks(Columns(lines[2], DocumentLineColumn::Description)), "Thank you");
    EXPECT_EQ(lines[3], "");
}

TEST_F(DocumentLoadTest, PartialPaymentsAddUpAndTheLastRecordGivesTheOtherFields) {
    PostInvoice("1001", {Row("", "", "Consulting", "", "100.00")}, "100.00", "10.00");
    AddPaymentRecord("1001", "25.50", "04/01/2024");
    AddPaymentRecord("1001", "4.50", "04/09/2024");
    // Another invoice's records stop the walk.
    PostInvoice("1002", {Row("", "", "Other", "", "7.00")}, "7.00", "7.00");
    Load("1001");

    const DocumentRecord& d = Doc();
    EXPECT_EQ(d.PaidAmount, "       40.00");
    EXPECT_EQ(d.TotalAmount, "      100.00");
    EXPECT_EQ(d.BalanceDue, "       60.00");
    EXPECT_EQ(d.DocType, "X");
    EXPECT_EQ(d.DocDate, "04/09/2024");
    EXPECT_EQ(d.Reference, "Cheque 55");
}

TEST_F(DocumentLoadTest, AMemoInvoiceWithOneMemoLineYieldsOneLineAndItsFirstSale) {
    InvoiceEntry e = Entry({}, "5.00");
    e.memo = true;
    e.memoLines = {"Repairs to the loading dock"};
    e.stockCode = "W1";
    e.memoQuantity = "2";
    e.memoDescription = "Widget";
    Post(e);
    Load("1001");

    const auto& lines = document.state().DocumentLines;
    int filled = 0;
    for (int i = 1; i <= DocumentLineCount; ++i) filled += lines[i].empty() ? 0 : 1;
    EXPECT_EQ(filled, 1);
    EXPECT_EQ(lines[1], PadRightWith("Repairs to the loading dock", ' ', 74));
    EXPECT_EQ(InvoiceOutput().InvoiceMemoMode, 1);
    EXPECT_EQ(document.state().DocumentFirstCode, "W1");
    EXPECT_EQ(document.state().DocumentFirstQty, "2");
}

TEST_F(DocumentLoadTest, AMissingMemoIsReportedAndShowsNoOtherInvoicesText) {
    InvoiceEntry e = Entry({}, "5.00");
    e.memo = true;
    e.memoLines = {"First memo"};
    Post(e);
    e.number = "1002";
    e.memoLines = {"Second memo"};
    Post(e);
    // Invoice 1001 loses its memo; the search now lands on 1002's.
    const StepFile open(InvoiceMemoData());
    int32_t ref = 0;
    ASSERT_TRUE(SearchInvoiceMemoKey("1001", ref));
    ASSERT_TRUE(DeleteInvoiceMemoRecord(ref));

    host->Answer(MsgResult::Ok, "Error reading memo data.");
    Load("1001");
    for (int i = 1; i <= DocumentMemoLines; ++i)
        EXPECT_EQ(TrimBlanks(document.state().DocumentLines[i]), "") << i;
}

TEST_F(DocumentLoadTest, AnInvoiceWhoseCustomerIsGoneShowsNoOtherCustomer) {
    AddCustomer("C2", "Bay Stores", [](CustomerRec& c) { c.set(Customer::Email, "bay@x.test"); });
    InvoiceEntry e = Entry({Row("", "", "Consulting", "", "9.00")}, "9.00");
    e.customerNumber = "C2";
    Post(e);
    {
        const StepFile open(CustomerData());
        CustomerRec probe;
        ASSERT_TRUE(probe.set(Customer::Number, "C2"));
        CustomerRec found;
        const int32_t ref = CustomerData().Find(
            CustomerNumberKey, BuildCustomerKey(probe, CustomerNumberKey), found.bytes());
        ASSERT_NE(ref, 0);
        ASSERT_TRUE(DeleteCustomerRecord(ref));
    }
    Load("1001");
    EXPECT_EQ(Doc().AccountNo, "C2");
    EXPECT_EQ(Doc().AddrLine1, "");
    EXPECT_EQ(Doc().EMailAddress, "");
}

TEST_F(DocumentLoadTest, AnUnknownNumberIsReportedAndLeavesTheBufferAlone) {
    PostInvoice("1001", {Row("", "", "Consulting", "", "9.00")}, "9.00");
    Load("1001");
    host->Answer(MsgResult::Ok, "Invoice 999 is not on file.");
    InvoiceOutput().InvoiceOutputNumber = "999";
    EXPECT_FALSE(LoadInvoiceDocument());
    EXPECT_EQ(Doc().DocNumber, "1001");
    EXPECT_FALSE(document.state().DocumentLines[1].empty());
}

TEST_F(DocumentLoadTest, AStoredAmountThatIsNotANumberStopsTheOutputWithItsReason) {
    PostInvoice("1001", {Row("", "", "Consulting", "", "9.00")}, "9.00");
    AddPaymentRecord("1001", "x1", "04/01/2024");
    InvoiceOutput().InvoiceOutputNumber = "1001";
    try {
        LoadInvoiceDocument();
        ADD_FAILURE() << "no error";
    } catch (const AppError& error) {
        EXPECT_TRUE(error.Text().contains("\"x1\"")) << error.Text().toStdString();
    }
}

TEST_F(DocumentLoadTest, FieldsTheLoaderDoesNotSetKeepThePreviousDocuments) {
    DocumentState& doc = document.state();
    // What a purchase order left behind.
    doc.DocumentRecord.DateRequired = "04/30/2024";
    doc.DocumentRecord.DateReceived = "05/02/2024";
    doc.DocumentSignature1 = "Buyer";
    doc.DocumentLines[40] = "an old line";
    PostInvoice("1001", {Row("", "", "Consulting", "", "9.00")}, "9.00");
    Load("1001");
    EXPECT_EQ(doc.DocumentRecord.DateRequired, "04/30/2024");
    EXPECT_EQ(doc.DocumentRecord.DateReceived, "05/02/2024");
    EXPECT_EQ(doc.DocumentSignature1, "Buyer");
    EXPECT_EQ(doc.DocumentLines[40], "");
}

TEST_F(DocumentLoadTest, NinetyNineLinesAtMostAreTaken) {
    std::vector<InvoiceRow> rows;
    for (int i = 1; i <= 99; ++i)
        rows.push_back(Row("", "", "Line " + std::to_string(i), "", "1.00"));
    PostInvoice("1001", rows, "99.00");
    // A hundredth line record of the same number, as an import might leave.
    InvoiceLineRec extra = Lines().back();
    extra.set(InvoiceLine::LineText, PadRightWith("", ' ', 10) + "Line 100");
    AddThrough(State().InvoiceLineBuf, AddInvoiceLineRecord, extra);
    Load("1001");
    EXPECT_EQ(TrimBlanks(Columns(document.state().DocumentLines[99], 23, 54)), "Line 99");
}

}  // namespace
