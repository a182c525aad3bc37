// Posting a new purchase order across the company's files, checked on disk: header, lines,
// memo, stock of an order marked received, the company's numbers and the print queue; what is
// refused before anything is written; what a failing step leaves behind; and the entry
// dialog prepared, shown and posted offscreen.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "engine/browse/browser.h"
#include "invoicing/entry/ship_to_window.h"
#include "platform/application.h"
#include "platform/mask_edit.h"
#include "purchasing/add_po.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "shell/text.h"
#include "tests/purchasing/po_entry_env.h"
#include "tests/purchasing/purchasing_env.h"

namespace {

// What a posting stopped by a file that is not open says after its step's text.
const std::string NotOpen =
    "\n\nThe posting could not be saved: a file it needs is not open. Nothing of it was saved.";

class POPostingTest : public POEntryEnv {};

TEST_F(POPostingTest, AnOpenLineItemOrderIsWrittenToEveryFile) {
    std::vector<std::string> queued;
    AddVendorToPrintQueue = [&](const VendorLabelRow& row) {
        queued = {row.number, row.name, row.sortCode, row.type};
    };
    ChangeCompany([](CompanyRec& c) { c.set(Company::QueuePOVendor, "Y"); });
    POEntry e = Order({Ordered("W1", "1,000", "Widget", "2.00", "2,000.00"),
                       Ordered("", "", "Call before delivery", "", "0.00"),
                       Ordered("SVC", "1", "Service", "5.00", "5.00")},
                      "2,005.00");
    e.shipTo = {"Dock 4", "", "", ""};
    e.signature1 = "Buyer: J. Marsh";
    e.print = true;
    Post(e);

    const std::vector<PORec> headers = Headers();
    ASSERT_EQ(headers.size(), 1u);
    const PORec& h = headers[0];
    EXPECT_EQ(h.get(PO::PONumber), "500");
    EXPECT_EQ(h.get(PO::POStatus), "O");
    EXPECT_EQ(h.get(PO::PODate), "03/15/2024");
    EXPECT_EQ(h.get(PO::PODateYMD), "2024/03/15");
    EXPECT_EQ(h.get(PO::POMonth) + h.get(PO::PODay) + h.get(PO::POYear), "03152024")
        << "the working date fields end up holding the order date";
    EXPECT_EQ(h.get(PO::PODateRequired), "2024/04/01");
    EXPECT_EQ(h.get(PO::POMarkedReceived), "N");
    EXPECT_EQ(h.get(PO::POReceivedDate), " ");
    EXPECT_EQ(h.get(PO::POTotal), "2005.00");
    EXPECT_EQ(h.get(PO::POType), "P");
    EXPECT_EQ(h.get(PO::POPrinted), "");
    EXPECT_EQ(h.get(PO::POVendorNumber), "V1");
    EXPECT_EQ(h.get(PO::POCompanyNumber), "7");
    EXPECT_EQ(h.get(PO::POShipTo1), "Dock 4");
    EXPECT_EQ(h.get(PO::POSignature1), "Buyer: J. Marsh");

    const std::vector<POLineRec> lines = POLines();
    ASSERT_EQ(lines.size(), 3u) << "a comment row is a line; empty rows are not";
    EXPECT_EQ(lines[0].get(POLine::LineText),
              PadRightWith("1000", ' ', 10) + PadRightWith("Widget", ' ', 32) +
                  PadRightWith("2.00", ' ', 10) + "N" + PadRightWith("2000.00", ' ', 10));
    EXPECT_EQ(lines[0].get(POLine::LineKind), "P");
    EXPECT_EQ(lines[0].get(POLine::LinePODateYMD), "2024/03/15");
    EXPECT_EQ(lines[0].get(POLine::LineReceived), "N");
    EXPECT_EQ(lines[0].get(POLine::LineReceivedQty), "0");
    EXPECT_EQ(lines[0].get(POLine::LineReceiptDate), " ");
    EXPECT_EQ(lines[0].get(POLine::LineReceiverNumber), " ");
    EXPECT_EQ(lines[1].get(POLine::LineProductCode), "");
    EXPECT_EQ(StockOf("W1"), "3") << "nothing comes in before it is received";

    EXPECT_EQ(masters.state().VendorBuf.get(Vendor::Name), "Anvil Supply");
    EXPECT_EQ(queued, (std::vector<std::string>{"V1", "Anvil Supply", "ANVIL", "Metal"}));
    const CompanyRec company = CompanyOnFile();
    EXPECT_EQ(company.get(Company::NextPONumber), "501");
    EXPECT_EQ(company.get(Company::LastPONumber), "500");
    EXPECT_EQ(shell.context().companies.CurrentCompany, company);
    EXPECT_TRUE(POMemos().empty());
    EXPECT_EQ(view.status[1], "Added PO 500 containing 3 line item(s).");
    EXPECT_EQ(view.caption, "Harbour Lane - #7");
    EXPECT_EQ(view.printed, 1);
}

TEST_F(POPostingTest, AnOrderMarkedReceivedBringsStockedGoodsInOncePerRow) {
    POEntry e = Order({Ordered("W1", "2", "Widget", "2.00", "4.00"),
                       Ordered("w1", "1.5", "Widget again", "2.00", "3.00"),
                       Ordered("SVC", "4", "Service", "1.00", "4.00"),
                       Ordered("LIB", "1", "Library", "1.00", "1.00"),
                       Ordered("GONE", "1", "Not on file", "1.00", "1.00")},
                      "13.00");
    e.markReceived = true;
    Post(e);

    EXPECT_EQ(StockOf("W1"), "6.5");
    EXPECT_EQ(StockOf("SVC"), "5") << "a non-stock product is left alone";
    EXPECT_EQ(StockOf("LIB"), "3") << "only selling leaves a non-depleting product alone";
    const PORec h = Headers().at(0);
    EXPECT_EQ(h.get(PO::POMarkedReceived), "Y");
    EXPECT_EQ(h.get(PO::POReceivedDate), "2024/03/20");
    for (const POLineRec& line : POLines()) {
        EXPECT_EQ(line.get(POLine::LineReceived), "Y");
        EXPECT_EQ(line.get(POLine::LineReceiverNumber), "Auto-Rec");
        EXPECT_EQ(line.get(POLine::LineReceiptDate), "2024/03/20");
    }
    EXPECT_EQ(POLines().at(1).get(POLine::LineReceivedQty), "1.5");
}

TEST_F(POPostingTest, AMemoOrderWritesItsOneLineAndItsText) {
    POEntry none = MemoOrder("", "30.00");
    none.markReceived = true;
    Post(none);
    std::vector<POLineRec> lines = POLines();
    ASSERT_EQ(lines.size(), 1u) << "rows left in the hidden grid are not posted";
    EXPECT_EQ(lines[0].get(POLine::LineProductCode), "** NONE **");
    EXPECT_EQ(lines[0].get(POLine::LineText),
              PadRightWith("4", ' ', 10) + PadRightWith("Assorted fittings", ' ', 32) +
                  PadRightWith("30.00", ' ', 10) + "M" + PadRightWith("30.00", ' ', 10));
    EXPECT_EQ(StockOf("W1"), "3") << "no product, no stock, even marked received";
    EXPECT_EQ(Headers().at(0).get(PO::POType), "M");
    EXPECT_EQ(purchasing.state().POMemoMode, 1);
    const std::vector<POMemoRec> memos = POMemos();
    ASSERT_EQ(memos.size(), 1u);
    EXPECT_EQ(memos[0].get(POMemo::MemoPONumber), "500");
    EXPECT_EQ(POMemoLines(memos[0])[1], "before noon");
    EXPECT_EQ(view.status[1], "Added PO 500 containing 1 line item(s).");

    POEntry product = MemoOrder("W1", "8.00");
    product.number = "501";
    product.markReceived = true;
    Post(product);
    EXPECT_EQ(StockOf("W1"), "7") << "the memo quantity of its product comes in";
}

TEST_F(POPostingTest, TheNextPONumberFollowsTheNumberPosted) {
    const auto next = [&](const std::string& number) {
        POEntry e = Order({Ordered("", "1", "Note", "0.00", "0.00")}, "0.00");
        e.number = number;
        return Planned(e).nextPONumber;
    };
    EXPECT_EQ(next("50012"), "50013");
    EXPECT_EQ(next("PO7A"), std::nullopt) << "a number that is not one leaves the next alone";
    ChangeCompany([](CompanyRec& c) { c.set(Company::POPrefix, "Y"); });
    EXPECT_EQ(next("052450012"), "50013") << "characters 5 to 9 after the month and year";
    EXPECT_EQ(next("0524"), std::nullopt);
}

TEST_F(POPostingTest, WhatCannotBePostedWholeIsRefusedBeforeAnythingIsWritten) {
    const std::vector<std::size_t> before = Counts();
    POEntry stranger = Order({Ordered("W1", "1", "Widget", "2.00", "2.00")}, "2.00");
    stranger.vendorNumber = "V9";
    EXPECT_EQ(Refusal(stranger), "Vendor V9 is not on file. Please pick the vendor again.");

    AddProduct({.code = "BIG", .description = "Bulk", .onHand = "9999999999"});
    POEntry overflow = Order({Ordered("BIG", "1", "Bulk", "1.00", "1.00")}, "1.00");
    overflow.markReceived = true;
    EXPECT_TRUE(Refusal(overflow).contains("does not fit")) << Refusal(overflow).toStdString();
    overflow.markReceived = false;
    EXPECT_TRUE(PlanPOPosting(overflow).posting) << "open, the stock is not touched";

    POEntry wide = Order({Ordered("W1", "12345678901", "Widget", "2.00", "2.00")}, "2.00");
    EXPECT_TRUE(Refusal(wide).contains("Line 1")) << Refusal(wide).toStdString();

    POMemoRec left;
    ASSERT_TRUE(left.set(POMemo::MemoPONumber, "500"));
    Add(POMemoData(), purchasing.state().POMemoBuf, left);
    EXPECT_EQ(PlanPOPosting(MemoOrder("", "1.00")).caption, "Duplicate Memo");

    EXPECT_EQ(Headers().size(), before[0]);
    EXPECT_EQ(POLines().size(), before[1]);
    EXPECT_EQ(StockOf("BIG"), "9999999999");
    EXPECT_EQ(CompanyOnFile().get(Company::NextPONumber), "500");
}

TEST_F(POPostingTest, AFailingStepTakesTheWholeOrderBack) {
    const POPosting open = Planned(Order({Ordered("W1", "1", "Widget", "2.00", "2.00")}, "2.00"));
    ClosePOFiles();
    EXPECT_EQ(ErrorOfWriting(open), "Add operation failed" + NotOpen);
    ASSERT_TRUE(OpenPOFiles());
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(POLines().empty());
    EXPECT_EQ(CompanyOnFile().get(Company::NextPONumber), "500");

    POEntry memo = MemoOrder("W1", "8.00");
    memo.markReceived = true;
    const POPosting received = Planned(memo);
    const std::string stockBefore = StockOf("W1");
    ClosePOMemoFiles();
    EXPECT_EQ(ErrorOfWriting(received), "memo add operation failed" + NotOpen);
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(POLines().empty());
    EXPECT_EQ(StockOf("W1"), stockBefore);
    EXPECT_EQ(CompanyOnFile().get(Company::NextPONumber), "500");
    EXPECT_TRUE(view.status.count(1) == 0) << "no status after a failed memo";
}

TEST_F(POPostingTest, AddPOPreparesTheDialogPostsAndProposesTheDatesTyped) {
    shell.context().main.LastPODate = "03/15/2024";
    shell.context().main.LastPODateRequired = "03/30/2024";
    shell.context().main.LastPOReceiptDate = "03/16/2024";
    host->OnModal("POEdit1", [&](Form& f) {
        auto& d = static_cast<TPOEdit1&>(f);
        EXPECT_EQ(d.windowTitle(), "Add PO - Company: Harbour Lane - #7");
        EXPECT_EQ(d.IDate->Text(), "03/15/2024");
        EXPECT_EQ(d.MEDateReq->Text(), "03/30/2024");
        EXPECT_EQ(d.ARecDate->Text(), "03/16/2024");
        EXPECT_EQ(d.Sig1->text(), "Buyer: J. Marsh");
        EXPECT_EQ(POShipWin->Edit1->text(), "Harbour Lane 4");
        EXPECT_EQ(d.KeyCode->text(), "None");
        FillControl(d, "INum", "po7a");
        FillControl(d, "IDate", "03/18/2024");
        FillControl(d, "MEDateReq", "04/02/2024");
        Type(d, EntryCol::Code, 1, "W1");
        Type(d, EntryCol::Quantity, 1, "2");
        Type(d, EntryCol::Description, 1, "Widget");
        host->Answer(MsgResult::No,
                     "This is a new payment term. Would you like to add terms to the terms file?",
                     "Terms: " + d.ITerms->currentText());
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::Ok);
    });
    Pick("VenList", "Anvil");
    ASSERT_TRUE(AddPO(view));

    const PORec h = Headers().at(0);
    EXPECT_EQ(h.get(PO::PONumber), "PO7A");
    EXPECT_EQ(POLines().at(0).get(POLine::LinePONumber), "PO7A")
        << "upper-cased as typed: lines and header agree";
    EXPECT_EQ(h.get(PO::POTotal), "4.00");
    EXPECT_EQ(CompanyOnFile().get(Company::LastPONumber), "PO7A");
    EXPECT_EQ(CompanyOnFile().get(Company::NextPONumber), "500");
    EXPECT_EQ(shell.context().main.LastPODate, "03/18/2024");
    EXPECT_EQ(shell.context().main.LastPODateRequired, "04/02/2024");
    EXPECT_EQ(shell.context().main.LastPOReceiptDate, "03/16/2024");

    host->OnModal("POEdit1", [&](Form& f) {
        auto& d = static_cast<TPOEdit1&>(f);
        EXPECT_EQ(d.IDate->Text(), "03/18/2024");
        EXPECT_EQ(d.MEDateReq->Text(), "04/02/2024");
        EXPECT_EQ(d.Row(1).code, "") << "the grid starts empty";
        PressButton(d, "BitBtn1");
    });
    Pick("VenList", "Anvil");
    EXPECT_FALSE(AddPO(view));
    EXPECT_EQ(Headers().size(), 1u);
}

}  // namespace
