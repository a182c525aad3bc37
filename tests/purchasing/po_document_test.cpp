// A purchase order loaded from the real order, line, memo and vendor files into the document
// buffer, and sent to the view, the printer with its file copies, and the print queue.
#include <gtest/gtest.h>

#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/invoice_output.h"
#include "masters/master_files.h"
#include "platform/printer.h"
#include "purchasing/add_po.h"
#include "purchasing/po_document.h"
#include "purchasing/po_memo_file.h"
#include "purchasing/purchasing_services.h"
#include "shell/text.h"
#include "tests/purchasing/receiving_env.h"
#include "tests/support/qt_print.h"

namespace {

using namespace PurchaseOrder;
using Op = RecordingCanvas::Op;

class PODocumentTest : public ReceivingEnv {
protected:
    PODocumentTest() {
        EXPECT_TRUE(CreateVendorFiles());
        EXPECT_TRUE(CreatePOMemoFiles());
        EXPECT_TRUE(OpenPOFiles());
        EXPECT_TRUE(OpenPOLineFiles());
        EXPECT_TRUE(OpenPOMemoFiles());
        VendorRec v;
        EXPECT_TRUE(v.set(Vendor::Number, "V1"));
        v.set(Vendor::Name, "Anvil Supply");
        v.set(Vendor::Address[0], "3 Forge Road");
        v.set(Vendor::MailSort, "ANVIL");
        v.set(Vendor::Type, "Metal");
        v.set(Vendor::Email, "orders@anvil.test");
        EXPECT_TRUE(v.set(Vendor::Amounts[0], "1234.5"));
        {
            const StepFile open(VendorData());
            masters.state().VendorBuf = v;
            int32_t ref = 0;
            EXPECT_TRUE(VendorData().AddRecord(ref));
        }
        masters.state().VendorBuf.clear();
        AddVendorToPrintQueue = [this](const VendorLabelRow& row) {
            queued.push_back(row.number + "|" + row.name + "|" + row.sortCode + "|" + row.type);
        };
    }
    ~PODocumentTest() override {
        ClosePODatabases();
        AddVendorToPrintQueue = nullptr;
        ShowDocumentView = nullptr;
    }

    void AddMemoOrder(const std::string& po, const std::vector<std::string>& lines) {
        PORec h = Order(po, "V1", "2024/03/01");
        h.set(POType, TypeMemo);
        AddOrder(h);
        AddLine(OrderedLine(po, "W1", "4"));
        POMemoRec memo;
        EXPECT_TRUE(memo.set(POMemo::MemoPONumber, po));
        SetPOMemoLines(memo, lines);
        AddThrough(State().POMemoBuf, AddPOMemoRecord, memo);
    }

    void Output(const std::string& po, bool toPrinter, bool batch = false) {
        PODocumentState& s = out.state();
        s.CurrentPONumber = po;
        s.POOutputToPrinter = toPrinter ? 1 : 0;
        s.POBatchRunning = batch ? 1 : 0;
        BuildPODocument();
    }
    // The documents printed (a batch prints many in one job).
    int Documents() const { return static_cast<int>(DocumentTitles(canvas).size()); }

    DocumentState& Doc() { return document.state(); }
    CompanyRec& Company() { return shell.context().companies.CurrentCompany; }

    std::vector<std::string> queued;
    PODocumentStateScope out;
    DocumentStateScope document;
    RecordingCanvas canvas;
    PrinterOverride printer{canvas};
    PurchasingServices services;
};

TEST_F(PODocumentTest, LoadsHeaderSumsVendorAndOnlyTheOrderedLinesOfTheExactNumber) {
    PORec first = Order("P100", "V1", "2024/03/01");
    EXPECT_TRUE(first.set(POTotal, "1000.10"));
    EXPECT_TRUE(first.set(POTax, "0.10"));
    AddOrder(first);
    PORec second = Order("P100", "V1", "2024/03/01");
    second.set(PONotes, "Spring stock");
    second.set(POShipTo1, "Dock 4");
    second.set(POSignature1, "J. Marsh");
    EXPECT_TRUE(second.set(POTotal, "5.00"));
    AddOrder(second);
    AddOrder(Order("P1000", "V1", "2024/03/01"));
    AddLine(OrderedLine("P100", "W1", "10", "4", "100", "2024/03/02"));
    AddLine(ReceiverLine("P100", "W1", "6", "101"));
    AddLine(OrderedLine("P100", "B2", "1.5"));
    AddLine(OrderedLine("P1000", "X9", "1"));

    out.state().CurrentPONumber = " p100 ";
    const auto loaded = LoadPODocument();
    ASSERT_TRUE(loaded);
    const DocumentRecord& d = Doc().DocumentRecord;
    EXPECT_EQ(d.TotalAmount, "    1,005.10");
    EXPECT_EQ(d.TaxAmount, "        0.10");
    EXPECT_EQ(d.NetAmount, "    1,005.00");
    EXPECT_EQ(d.Reference, "Spring stock");
    EXPECT_EQ(d.ShipLine1, "Dock 4");
    EXPECT_EQ(d.DocType, "O");
    EXPECT_EQ(d.DatePaid, "");
    EXPECT_EQ(d.DateRequired, "12/31/2024");
    // Never fully received: the stored single blank shows as a slash and that blank.
    EXPECT_EQ(d.DateReceived, "/ ");
    EXPECT_EQ(Doc().DocumentSignature1, "J. Marsh");
    EXPECT_EQ(Doc().DocumentRequiredYMD, "2024/12/31");
    EXPECT_EQ(d.AccountNo, "V1");
    EXPECT_EQ(d.AddrLine1, "Anvil Supply");
    EXPECT_EQ(d.AddrLine2, "3 Forge Road");
    EXPECT_EQ(d.EMailAddress, "orders@anvil.test");
    EXPECT_EQ(Doc().DocumentAging[0], "1,234.50    ");
    EXPECT_EQ(masters.state().VendorBuf.get(Vendor::Name), "Anvil Supply");
    EXPECT_EQ(State().POMemoMode, 0);

    // The receiver line takes no index: the two ordered lines are 1 and 2.
    EXPECT_EQ(Columns(Doc().DocumentLines[1], DocumentLineColumn::Code), "W1        ");
    EXPECT_EQ(TrimBlanks(Columns(Doc().DocumentLines[1], DocumentLineColumn::Quantity)), "10");
    EXPECT_EQ(TrimBlanks(Columns(Doc().DocumentLines[2], DocumentLineColumn::Quantity)), "1.5");
    EXPECT_EQ(Doc().DocumentLines[2].size(), static_cast<std::size_t>(DocumentLineWidth));
    EXPECT_EQ(Doc().DocumentLines[3], "");
}

TEST_F(PODocumentTest, MemoOrderSkipsStrayCharactersAndAMissingMemoShowsNoOtherText) {
    AddMemoOrder("M1", {"Please deliver by Friday", "x", "Gate 2", " y "});
    Doc().DocumentLines[5] = "left from before";
    out.state().CurrentPONumber = "M1";
    ASSERT_TRUE(LoadPODocument());
    EXPECT_EQ(State().POMemoMode, 1);
    EXPECT_EQ(Doc().DocumentLines[1], PadRightWith("Please deliver by Friday", ' ', 74));
    EXPECT_EQ(Doc().DocumentLines[2], "");
    EXPECT_EQ(Doc().DocumentLines[3], PadRightWith("Gate 2", ' ', 74));
    EXPECT_EQ(Doc().DocumentLines[4], "");
    EXPECT_EQ(Doc().DocumentLines[5], "");
    EXPECT_EQ(Doc().DocumentFirstCode, "W1");
    EXPECT_EQ(Doc().DocumentFirstQty, "4");

    // An order whose memo record is missing: the error, then empty memo lines.
    PORec bare = Order("M2", "V1", "2024/03/01");
    bare.set(POType, TypeMemo);
    AddOrder(bare);
    host->Answer(MsgResult::Ok, "Error reading memo data.");
    out.state().CurrentPONumber = "M2";
    ASSERT_TRUE(LoadPODocument());
    EXPECT_EQ(TrimBlanks(Doc().DocumentLines[1]), "");
    EXPECT_EQ(Doc().DocumentLines[3], "");
}

TEST_F(PODocumentTest, UnknownOrderOrVendorNeverBorrowsAnotherRecord) {
    host->Answer(MsgResult::Ok, "Purchase order P404 is not on file.");
    out.state().CurrentPONumber = "P404";
    EXPECT_FALSE(LoadPODocument());

    AddOrder(Order("P7", "V9", "2024/03/01"));
    out.state().CurrentPONumber = "P7";
    const auto loaded = LoadPODocument();
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(loaded->vendor);
    EXPECT_EQ(Doc().DocumentRecord.AccountNo, "V9");
    EXPECT_EQ(Doc().DocumentRecord.AddrLine1, "");
}

TEST_F(PODocumentTest, AnAmountThatIsNotANumberStopsTheOutput) {
    PORec bad = Order("P5", "V1", "2024/03/01");
    bad.set(POTotal, "12x");
    AddOrder(bad);
    out.state().CurrentPONumber = "P5";
    EXPECT_ANY_THROW(LoadPODocument());
}

TEST_F(PODocumentTest, ViewShowsTheWindowOnlyAndPrinterSendsFileCopiesAndQueuesBatchVendors) {
    AddOrder(Order("P100", "V1", "2024/03/01"));
    AddLine(OrderedLine("P100", "W1", "2"));
    int shown = 0;
    ShowDocumentView = [&] { ++shown; };
    Output("P100", false, true);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Documents(), 0);

    Company().set(Company::QueueBatchVendors, "Y");
    Output("P100", true);
    EXPECT_EQ(Documents(), 1);
    EXPECT_EQ(Doc().OutputMode, "PO");
    EXPECT_TRUE(queued.empty());

    Company().set(Company::PrintPOFileCopies, true);
    EXPECT_TRUE(Company().set(Company::POFileCopies, "3"));
    Output("P100", true, true);
    EXPECT_EQ(Documents(), 1 + 4);
    EXPECT_EQ(Doc().OutputMode, "FCP");
    EXPECT_EQ(queued, (std::vector<std::string>{"V1|Anvil Supply|ANVIL|Metal"}));
}

}  // namespace
