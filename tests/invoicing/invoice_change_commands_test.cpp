// The Invoice Manager's Delete and Edit on the highlighted invoice, offscreen through the
// scripted host: the guards and confirmations of each, the entry dialog filled from the
// invoice on file in edit mode, and the change posted from it.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "engine/browse/browser.h"
#include "invoicing/manager/invoice_browse.h"
#include "invoicing/posting/invoice_change.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/entry/ship_to_window.h"
#include "masters/edit_fields.h"
#include "masters/master_edit.h"
#include "masters/master_manager.h"
#include "masters/record_edit.h"
#include "platform/application.h"
#include "platform/mask_edit.h"
#include "platform/string_grid.h"
#include "shell/small_files.h"
#include "tests/invoicing/posting_env.h"

namespace {

namespace C = InvoiceCol;

InvoiceRow Sold(const std::string& code, const std::string& quantity, const std::string& desc,
                const std::string& price, const std::string& extension) {
    return {code, quantity, desc, price, "N", extension, "1.25"};
}

class InvoiceCommandsTest : public PostingEnv {
protected:
    InvoiceCommandsTest() {
        AddCustomer("C1", "Acme Tools", [](CustomerRec& c) {
            EXPECT_TRUE(c.set(Customer::Balance, "50.00"));
            c.set(Customer::Terms, "Net 10 Days");
        });
        AddProduct({.code = "W1", .description = "Widget", .price = "2.00", .onHand = "10"});
        AddProduct({.code = "G1", .description = "Gadget", .price = "3.00", .onHand = "20"});
        AddProduct({.code = "SVC", .description = "Service", .nonStock = true});
        list.resize(400, 300);
        bool shared = false;
        EXPECT_TRUE(SetupInvoiceBrowser(list, shared));
        view.list = &list;
    }

    // Posts invoice 1001 of W1 x 2 and G1 x 1 with its heading filled.
    void PostTwoLines() {
        InvoiceEntry e = Entry(
            {Sold("W1", "2", "Widget", "2.00", "4.00"), Sold("G1", "1", "Gadget", "3.00", "3.00")},
            "7.00");
        e.notes = "Rush order";
        e.terms = "Due On Receipt";
        e.keyCode = "K7";
        e.shipTo = {"Dock 4", "Harbour Lane", "", ""};
        Post(e);
    }

    // A record of another kind (payment, deposit) put straight into the file.
    void AddRecord(const std::string& number, const char* type, const std::string& paid,
                   const std::string& total = "0.00") {
        InvoiceRec r;
        ASSERT_TRUE(r.set(Invoice::InvNumber, number));
        r.set(Invoice::InvType, type);
        ASSERT_TRUE(r.set(Invoice::InvCustomerNumber, "C1"));
        r.set(Invoice::InvDate, "03/15/2024");
        r.set(Invoice::InvDateYMD, "2024/03/15");
        ASSERT_TRUE(r.set(Invoice::InvTotal, total));
        ASSERT_TRUE(r.set(Invoice::InvPaid, paid));
        PostingEnv::Add(InvoiceData(), State().InvoiceBuf, r);
    }

    // Changes the stored header of the invoice.
    void Amend(const std::string& number, const std::function<void(InvoiceRec&)>& change) {
        int32_t ref = 0;
        InvoiceRec r = Find(number, ref);
        change(r);
        ASSERT_TRUE(InvoiceData().PutRec(r.bytes(), ref));
    }

    // Changes the stored header with its keys kept in step.
    void Rewrite(const std::string& number, const std::function<void(InvoiceRec&)>& change) {
        int32_t ref = 0;
        const InvoiceRec before = Find(number, ref);
        State().InvoiceBuf = before;
        change(State().InvoiceBuf);
        ASSERT_TRUE(UpdateInvoiceRecord(ref, before));
    }

    InvoiceRec Find(const std::string& number, int32_t& ref) {
        InvoiceRec probe;
        EXPECT_TRUE(probe.set(Invoice::InvNumber, number));
        InvoiceRec found;
        ref = InvoiceData().Find(InvoiceNumberKey, BuildInvoiceKey(probe, InvoiceNumberKey),
                                 found.bytes());
        EXPECT_NE(ref, 0);
        return found;
    }

    void Highlight(const std::string& number) {
        int32_t ref = 0;
        const InvoiceRec r = Find(number, ref);
        BrowserGotoKey(list, BuildInvoiceKey(r, BrowserKeyNumber(list)), ref);
        ASSERT_EQ(BrowserCurrentRef(list), ref);
    }

    void Edit(const std::function<void(TProdInv&)>& script) {
        host->OnModal("ProdInv", [script](Form& f) { script(static_cast<TProdInv&>(f)); });
    }
    static QString Cell(TProdInv& d, int col, int row) { return d.StringGrid1->Cell(col, row); }
    static void Type(TProdInv& d, int col, int row, const QString& text) {
        RunCommand([&] { d.StringGrid1->item(row - 1, col)->setText(text); });
    }

    void Tells(const QString& text, const QString& caption) {
        host->Answer(MsgResult::Ok, text, caption);
    }
    void Asks(MsgResult answer, const QString& text, const QString& caption) {
        host->Answer(answer, text, caption);
    }

    MastersWindows mastersWindows;
    InvoicingWindows invoicingWindows;
    TFvcBrowser list;
};

const QString SureText = "Are you sure you want to delete this record?";

TEST_F(InvoiceCommandsTest, DeleteGuardsItsRecordsAndAsksBeforeDeleting) {
    PostTwoLines();
    Amend("1001", [](InvoiceRec& r) {
        r.set(Invoice::InvPrinted, "Y");
        EXPECT_TRUE(r.set(Invoice::InvPaid, "1.00"));
    });
    AddRecord("990", Invoice::TypePartlyPaid, "1.00", "5.00");
    AddRecord("DP3", Invoice::TypeDeposit, "100.00");
    AddRecord("DP4", Invoice::TypeDepositTaken, "0.00");

    ChangeCompany([](CompanyRec& c) { c.set(Company::RequireAuditTrail, "Y"); });
    Highlight("1001");
    Tells("The audit trail feature is turned on. Unable to delete record.", "Audit Trail");
    EXPECT_FALSE(DeleteInvoice(view));
    ChangeCompany([](CompanyRec& c) { c.set(Company::RequireAuditTrail, "N"); });

    Highlight("990");
    Tells(
        "This record is associated with a partial payment (type X or Z). Unable to delete "
        "this item.",
        "Partial Payment Item");
    EXPECT_FALSE(DeleteInvoice(view));

    // Printed is no question for a deletion; payments are only noted.
    Highlight("1001");
    Tells(
        "This record has payment activity. If you delete this record the payment data will "
        "also be removed.",
        "Please Note");
    Asks(MsgResult::No, SureText, "Delete Invoice#: 1001");
    EXPECT_FALSE(DeleteInvoice(view));
    EXPECT_EQ(Headers().size(), 4u);

    // A deposit asks twice.
    Highlight("DP3");
    Tells(
        "This record has payment activity. If you delete this record the payment data will "
        "also be removed.",
        "Please Note");
    Asks(MsgResult::No,
         "You are about to delete a payment you posted as a Deposit on Account. Are you sure?",
         "Please Confirm");
    EXPECT_FALSE(DeleteInvoice(view));
    Highlight("DP3");
    Tells(
        "This record has payment activity. If you delete this record the payment data will "
        "also be removed.",
        "Please Note");
    Asks(MsgResult::Yes,
         "You are about to delete a payment you posted as a Deposit on Account. Are you sure?",
         "Please Confirm");
    Asks(MsgResult::Yes, SureText, "Delete Invoice#: DP3");
    EXPECT_TRUE(DeleteInvoice(view));
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "157.00")
        << "the deposit's -100.00 owed is taken back";

    // A deposit taken is not guarded.
    Highlight("DP4");
    Asks(MsgResult::Yes, SureText, "Delete Invoice#: DP4");
    EXPECT_TRUE(DeleteInvoice(view));
    EXPECT_EQ(Headers().size(), 2u);
    EXPECT_EQ(view.status[0], "Records: 2");
    EXPECT_EQ(view.status[1], "Deleted invoice DP4 containing 0 line item(s).");
}

TEST_F(InvoiceCommandsTest, ADamagedInvoiceIsDeletedWholeAndWhatCannotBeCorrectedIsNamed) {
    PostTwoLines();  // 1001: W1 x 2, G1 x 1, 7.00
    const auto damageStock = [&](const std::string& code, const std::string& stock) {
        const StepFile open(ProductData());
        ProductRec probe;
        ASSERT_TRUE(probe.set(Product::Code, code));
        ProductRec p;
        const int32_t ref = ProductData().Find(ProductCodeKey,
                                               BuildProductKey(probe, ProductCodeKey), p.bytes());
        ASSERT_NE(ref, 0);
        ASSERT_TRUE(p.set(Product::StockOnHand, stock));
        p.set(Product::PriceType, "F");  // as the Product Manager writes every product
        p.set(Product::PriceUpdate, "M");
        ASSERT_TRUE(ProductData().PutRec(p.bytes(), ref));
    };
    damageStock("W1", "lots");
    Amend("1001", [](InvoiceRec& r) { EXPECT_TRUE(r.set(Invoice::InvTotal, "x7")); });

    // Edit cannot take its amounts back and says so before the dialog opens.
    Highlight("1001");
    Tells(
        "This record is damaged (an amount is blank or not a number) and cannot be edited. "
        "You can delete it and enter the invoice again.",
        "Edit Invoice");
    EXPECT_FALSE(ModifyInvoice(view));

    // The total cannot be read and neither can W1's stock: the invoice goes all the same.
    Highlight("1001");
    Asks(MsgResult::Yes, SureText, "Delete Invoice#: 1001");
    Tells(
        "Invoice 1001 was deleted. Please put these right by hand:\n\n"
        "The stock of product W1 was not corrected: The stock on hand of product W1 (\"lots\") "
        "is not a number. Please correct it in the Product Manager.\n"
        "The customer's balance and aging and the receivables total was not corrected: The "
        "total of invoice 1001 (\"x7\") is not a number.",
        "Delete Invoice");
    EXPECT_TRUE(DeleteInvoice(view));
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(StockOf("G1"), "20") << "what can be corrected is";
    EXPECT_EQ(StockOf("W1"), "lots");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "57.00");
    EXPECT_EQ(CompanyOnFile().get(Company::ReceivablesTotal), "107.00");

    // A memo invoice whose customer is gone and whose date cannot be read: memo removed too,
    // the receivables corrected.
    InvoiceEntry memo = MemoEntry("9.00", "G1", "3", {"Fitted on site."});
    memo.number = "1002";
    Post(memo);
    Rewrite("1002", [](InvoiceRec& r) {
        EXPECT_TRUE(r.set(Invoice::InvCustomerNumber, "C9"));
        r.set(Invoice::InvDate, "31/31/2024");
        r.set(Invoice::InvDateYMD, "");
    });
    Highlight("1002");
    Asks(MsgResult::Yes, SureText, "Delete Invoice#: 1002");
    Tells(
        "Invoice 1002 was deleted. Please put these right by hand:\n\n"
        "The customer's balance and aging was not corrected: Customer C9 of this invoice is "
        "not on file, so the customer's balance cannot be corrected.",
        "Delete Invoice");
    EXPECT_TRUE(DeleteInvoice(view));
    EXPECT_TRUE(Headers().empty());
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(Memos().empty());
    EXPECT_EQ(StockOf("G1"), "20");
    EXPECT_EQ(CompanyOnFile().get(Company::ReceivablesTotal), "107.00");
    EXPECT_EQ(view.status[1], "Deleted memo invoice 1002.");

    // Only the date unreadable: the balance is corrected, the aging is not.
    InvoiceEntry plain = Entry({Sold("G1", "1", "Gadget", "3.00", "3.00")}, "3.00");
    plain.number = "1003";
    Post(plain);
    Rewrite("1003", [](InvoiceRec& r) {
        r.set(Invoice::InvDate, "31/31/2024");
        r.set(Invoice::InvDateYMD, "");
    });
    Highlight("1003");
    Asks(MsgResult::Yes, SureText, "Delete Invoice#: 1003");
    Tells(
        "Invoice 1003 was deleted. Please put these right by hand:\n\n"
        "The customer's aging was not corrected: The date of invoice 1003 (\"31/31/2024\") "
        "cannot be read.",
        "Delete Invoice");
    EXPECT_TRUE(DeleteInvoice(view));
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "66.00") << "1002 moved to C9";
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Amounts[0]), "19.00");

    // The stock is put right in the Product Manager's edit dialog; W1 sells again.
    InvoiceEntry sale = Entry({Sold("W1", "1", "Widget", "2.00", "2.00")}, "2.00");
    sale.number = "1004";
    EXPECT_NE(PlanInvoicePosting(sale, false).refusal, "");
    {
        const StepFile open(ProductData());
        ProductRec probe;
        ASSERT_TRUE(probe.set(Product::Code, "W1"));
        ProductRec before;
        const int32_t ref = ProductData().Find(
            ProductCodeKey, BuildProductKey(probe, ProductCodeKey), before.bytes());
        TRecordEdit edit("ProductEdit", ProductEditTable(), ProductRec::Size);
        edit.Load(before.bytes(), true, "Edit Product");
        edit.OnSave = [&](std::span<const uint8_t> r) {
            return UpdateMaster(ProductKind(), ref, before.bytes(), r);
        };
        host->OnModal("ProductEdit", [](Form& f) {
            FillControl(f, "StockEdit", "8");
            PressButton(f, "OKBtn");
        });
        EXPECT_EQ(edit.ShowModal(), Modal::Ok);
    }
    EXPECT_EQ(StockOf("W1"), "8");
    Post(sale);
    EXPECT_EQ(StockOf("W1"), "7");
}

TEST_F(InvoiceCommandsTest, EditAndDeleteDoNothingWhenTheHighlightedRowCannotBeRead) {
    PostTwoLines();
    Highlight("1001");
    int32_t ref = 0;
    Find("1001", ref);
    ASSERT_TRUE(DeleteInvoiceRecord(ref));  // gone since the list showed it
    EXPECT_FALSE(DeleteInvoice(view));
    EXPECT_FALSE(ModifyInvoice(view));
    EXPECT_EQ(StockOf("W1"), "8") << "nothing was given back";

    RecordingView unbound;  // a list with no file behind it
    EXPECT_FALSE(DeleteInvoice(unbound));
    EXPECT_FALSE(ModifyInvoice(unbound));
}

TEST_F(InvoiceCommandsTest, EditRefusesPaymentsDepositsAndPaidInvoicesAndAsksWhenPrinted) {
    PostTwoLines();
    AddRecord("990", Invoice::TypePartialRecord, "1.00");
    AddRecord("DP3", Invoice::TypeDeposit, "100.00");
    AddRecord("DP4", Invoice::TypeDepositTaken, "0.00");
    AddRecord("991", Invoice::TypeRegular, "2.00", "7.00");
    Amend("991", [](InvoiceRec& r) { r.set(Invoice::InvPaidFlag, "P"); });
    const auto refused = [&](const std::string& number, const QString& text,
                             const QString& caption) {
        Highlight(number);
        Tells(text, caption);
        EXPECT_FALSE(ModifyInvoice(view)) << number;
    };

    ChangeCompany([](CompanyRec& c) { c.set(Company::RequireAuditTrail, "Y"); });
    refused("1001", "The audit trail feature is turned on. Unable to modify record.",
            "Audit Trail");
    ChangeCompany([](CompanyRec& c) { c.set(Company::RequireAuditTrail, "N"); });
    refused("990", "This record is part of a partial-payment record and may not be edited.",
            "Partial Payments");
    refused("991",
            "This record has been paid. You may not edit this record. You can use the "
            "Invoice-View menu option to look at this invoice.",
            "Paid Item");
    refused("DP3",
            "This record is a deposit. You may not edit this record, however, you can delete it.",
            "Deposit on Account");
    refused("DP4",
            "This record is a deposit which has been previously offset (taken). Unable to edit "
            "this record.",
            "Deposit Taken");
    AddRecord("992", Invoice::TypeRegular, "0.00", "3.00");
    Amend("992", [](InvoiceRec& r) {
        EXPECT_TRUE(r.set(Invoice::InvCustomerNumber, "C9"));
        EXPECT_TRUE(r.set(Invoice::InvDue, "3.00"));
    });
    refused("992",
            "Customer C9 of this invoice is not on file, so the customer's balance cannot be "
            "corrected.",
            "Customer Required");

    // Paid in full at entry: editable. Printed: asked first.
    Amend("1001", [](InvoiceRec& r) {
        r.set(Invoice::InvPrinted, "Y");
        EXPECT_TRUE(r.set(Invoice::InvPaid, "7.00"));
        r.set(Invoice::InvPaidFlag, "P");
    });
    Highlight("1001");
    const QString printed =
        "This invoice has been printed. Are you sure you want to edit this record?";
    Asks(MsgResult::No, printed, "Printed Invoice");
    EXPECT_FALSE(ModifyInvoice(view));
    Asks(MsgResult::Yes, printed, "Printed Invoice");
    Edit([](TProdInv& d) { PressButton(d, "BitBtn1"); });
    EXPECT_FALSE(ModifyInvoice(view));
    EXPECT_EQ(ProdInv->ProdInvMode, 0);
    EXPECT_EQ(StockOf("W1"), "8");
}

TEST_F(InvoiceCommandsTest, EditShowsTheInvoiceOnFileAndPostsTheChange) {
    SaveTerms(shell.context().folder, {"Net 30 Days", "2% 10 Net 30", "Due On Receipt"});
    PostTwoLines();
    Highlight("1001");
    Edit([&](TProdInv& d) {
        EXPECT_EQ(d.windowTitle(), "Edit Invoice");
        EXPECT_EQ(d.IMode->text(), "Edit Invoice");
        EXPECT_EQ(d.ProdInvMode, 1);
        EXPECT_EQ(d.ProdInvOldNumber, "1001");
        EXPECT_EQ(d.ProdInvOldTotal, "7.00");
        EXPECT_EQ(d.INum->text(), "1001");
        EXPECT_EQ(d.IDate->Text(), "03/15/2024");
        EXPECT_EQ(d.INVNOTES->text(), "Rush order");
        EXPECT_EQ(d.ITerms->currentText(), "Due On Receipt") << "the invoice's, not the customer's";
        EXPECT_EQ(d.KeyCode->text(), "K7");
        EXPECT_EQ(POShipWin->Edit1->text(), "Dock 4");
        EXPECT_EQ(d.ICustNo->text(), "C1");
        EXPECT_EQ(d.ICustName->text(), "Acme Tools");
        EXPECT_EQ(d.CBal->text(), "57.00");
        EXPECT_TRUE(d.RadioButton1->isChecked());
        EXPECT_FALSE(d.RadioButton2->isEnabled());
        EXPECT_FALSE(d.BitBtn3->isEnabled()) << "the customer stays";
        EXPECT_TRUE(d.Button1->isEnabled());
        EXPECT_EQ(Cell(d, C::Code, 1), "W1");
        EXPECT_EQ(Cell(d, C::Quantity, 1), "2");
        EXPECT_EQ(Cell(d, C::Description, 2), "Gadget");
        EXPECT_EQ(Cell(d, C::UnitPrice, 2), "3.00");
        EXPECT_EQ(Cell(d, C::Extension, 2), "3.00");
        EXPECT_EQ(Cell(d, C::Code, 3), "");
        EXPECT_EQ(d.ProdInvOldQuantities[1], "2");
        EXPECT_EQ(d.ProdInvOldCodes[2], "G1");
        EXPECT_EQ(d.ProdInvLineCosts[1], "1.25");
        EXPECT_EQ(d.ProdInvOnHand[1], "8");
        EXPECT_EQ(d.ProdInvStockClass[1], "S");
        EXPECT_EQ(d.ITotal->text(), "7.00");
        EXPECT_EQ(d.BalDue->text(), "7.00");

        // Erasing every row forgets what the rows held; the stock still comes back whole.
        PressButton(d, "UndoAll");
        Type(d, C::Code, 1, "G1");
        Type(d, C::Quantity, 1, "4");
        Type(d, C::Code, 2, "SVC");
        EXPECT_EQ(d.ITotal->text(), "12.00");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::Ok);
    });
    EXPECT_TRUE(ModifyInvoice(view));
    EXPECT_EQ(ProdInv->ProdInvMode, 0);
    EXPECT_EQ(StockOf("W1"), "10");
    EXPECT_EQ(StockOf("G1"), "16");
    const std::vector<InvoiceLineRec> lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].get(InvoiceLine::LineUnitCost), "0.00") << "the new product's cost";
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "62.00");
    EXPECT_EQ(CompanyOnFile().get(Company::ReceivablesTotal), "112.00");
    int32_t ref = 0;
    const InvoiceRec h = Find("1001", ref);
    EXPECT_EQ(h.get(Invoice::InvTotal), "12.00");
    EXPECT_EQ(h.get(Invoice::InvTerms), "Due On Receipt");
    EXPECT_EQ(BrowserCurrentRef(list), ref);
    EXPECT_EQ(view.status[1], "Editing invoice 1001 completed.");
    EXPECT_EQ(view.receivables, "112.00");
}

TEST_F(InvoiceCommandsTest, ATaxExemptCustomersInvoiceShowsNoTaxWhenEdited) {
    AddCustomer("C2", "Bolt Exempt", [](CustomerRec& c) { c.set(Customer::TaxExempt, "Y"); });
    InvoiceEntry e = Entry({{"W1", "2", "Widget", "2.00", "Y", "4.00", "0"}}, "4.00");
    e.customerNumber = "C2";
    Post(e);
    Highlight("1001");
    Edit([](TProdInv& d) {
        EXPECT_EQ(d.CheckBox2->text(), "Tax Exempt");
        EXPECT_EQ(d.ITax->text(), "0.00");
        EXPECT_EQ(d.ITotal->text(), "4.00");
        PressButton(d, "BitBtn1");
    });
    EXPECT_FALSE(ModifyInvoice(view));
}

TEST_F(InvoiceCommandsTest, TheDateIsShownInTheCompanysOrder) {
    PostTwoLines();
    for (const auto& [order, shown] : {std::pair{"D", "15/03/2024"}, {"Y", "2024/03/15"}}) {
        ChangeCompany([order = order](CompanyRec& c) { c.set(Company::DateOrderSetting, order); });
        Highlight("1001");
        Edit([shown = QString(shown)](TProdInv& d) {
            EXPECT_EQ(d.IDate->Text(), shown);
            PressButton(d, "BitBtn1");
        });
        EXPECT_FALSE(ModifyInvoice(view));
    }
}

TEST_F(InvoiceCommandsTest, AMemoInvoiceIsEditedInItsMemoFields) {
    InvoiceEntry e = MemoEntry("9.00", "G1", "3", {"Fitted on site.", "Tested."});
    e.memoDescription = "Gadgets fitted";
    Post(e);
    Highlight("1001");
    Edit([](TProdInv& d) {
        EXPECT_TRUE(d.RadioButton2->isChecked());
        EXPECT_EQ(d.InvoiceMemoMode(), 1);
        EXPECT_EQ(d.StkName->text(), "G1");
        EXPECT_EQ(d.MemoQuan->text(), "3");
        EXPECT_EQ(d.MemoPDesc->text(), "Gadgets fitted");
        EXPECT_EQ(d.Memo1->toPlainText(), "Fitted on site.\nTested.");
        FillControl(d, "MemoQuan", "1");
        FillControl(d, "Memo1", "Fitted on site.\nTested twice.");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::Ok);
    });
    EXPECT_TRUE(ModifyInvoice(view));
    EXPECT_EQ(StockOf("G1"), "19");
    EXPECT_EQ(InvoiceMemoLines(Memos().at(0))[1], "Tested twice.");

    // A memo gone from its file is reported when the edit opens.
    ASSERT_TRUE(DeleteInvoiceMemoRecord(1));
    Highlight("1001");
    Tells("Error reading memo data.", ProgramCaption());
    Edit([](TProdInv& d) {
        EXPECT_EQ(d.Memo1->toPlainText(), "");
        PressButton(d, "BitBtn1");
    });
    EXPECT_FALSE(ModifyInvoice(view));
}

}  // namespace
