// The invoice entry dialog offscreen through the scripted host, run by AddInvoice: the new
// invoice's defaults, the OK checks in their order, the grid (product look-up, extensions,
// tax, stock), the memo invoice, and posting from the dialog.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/entry/ship_to_window.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/mask_edit.h"
#include "platform/string_grid.h"
#include "tests/invoicing/entry_env.h"

namespace {

namespace C = InvoiceCol;

class ProdInvTest : public EntryEnv {
protected:
    ProdInvTest() {
        AddCustomer("C1", "Acme Tools", [](CustomerRec& c) {
            EXPECT_TRUE(c.set(Customer::Balance, "95.00"));
            EXPECT_TRUE(c.set(Customer::CreditLimit, "100.00"));
            EXPECT_TRUE(c.set(Customer::Amounts[0], "95.00"));
            c.set(Customer::Terms, "Net 10 Days");
            c.set(Customer::Address2[0], "Dock 4");
        });
        AddCustomer("C2", "Bolt Exempt", [](CustomerRec& c) { c.set(Customer::TaxExempt, "Y"); });
        AddCustomer("C3", "Cedar Works");
        AddProduct({.code = "W1",
                    .description = "Widget",
                    .price = "2.50",
                    .onHand = "3",
                    .cost = "1.10",
                    .taxable = true});
        AddProduct({.code = "G1",
                    .description = "Gadget",
                    .price = "4.00",
                    .onHand = "10",
                    .cost = "2.00"});
    }

    // The Customer Manager's pick of the customer of that name.
    void PickCustomer(const QString& name) { Pick("DemoForm", name); }
    void Add(const std::function<void(TProdInv&)>& script) {
        host->OnModal("ProdInv", [script](Form& f) { script(static_cast<TProdInv&>(f)); });
    }
};

TEST_F(ProdInvTest, ANewInvoiceStartsFromTheCompanysDefaultsAndPicksTheCustomer) {
    ChangeCompany([](CompanyRec& c) {
        c.set(Company::InvoiceNumberPrefix, "Y");
        static_cast<void>(c.set(Company::DefaultQuantity, " 2 "));
        c.set(Company::AgingCaption[0], "Now");
        c.set(Company::AgingCaption[2], "");
    });
    Add([&](TProdInv& d) {
        EXPECT_EQ(d.windowTitle(), "Add Invoice - Company: Harbour Lane - #7");
        EXPECT_EQ(d.IMode->text(), "Add Invoice");
        EXPECT_EQ(d.INum->text(), "03241001") << "month and year of the proposed date in front";
        EXPECT_EQ(d.IDate->Text(), "03/15/2024");
        EXPECT_EQ(d.KeyCode->text(), "None");
        EXPECT_EQ(d.IPaid->text(), "0.00");
        EXPECT_TRUE(d.RadioButton1->isChecked());
        EXPECT_EQ(Cell(d, C::Line, 99), "99");
        EXPECT_EQ(Cell(d, C::Quantity, 1), "2");
        EXPECT_EQ(Cell(d, C::UnitPrice, 1), "0.00");
        EXPECT_EQ(Cell(d, C::Tax, 1), "N");
        EXPECT_EQ(Cell(d, 3, 0), "Description / Comment");
        EXPECT_EQ(d.ProdInvStockClass[1], "X");
        // The picked customer.
        EXPECT_EQ(d.ICustNo->text(), "C1");
        EXPECT_EQ(d.ICustName->text(), "Acme Tools");
        EXPECT_EQ(d.ICredLimit->text(), "100.00");
        EXPECT_EQ(d.CBal->text(), "95.00");
        EXPECT_EQ(d.Acur->text(), "95.00");
        EXPECT_EQ(d.AgingCaptions[0]->text(), "Now");
        EXPECT_EQ(d.AgingCaptions[2]->text(), "90") << "a blank caption shows its days";
        EXPECT_EQ(d.AgingCaptions[3]->text(), "Over 90");
        EXPECT_EQ(d.ITerms->currentText(), "Net 10 Days");
        EXPECT_TRUE(d.Button1->isEnabled());
        EXPECT_EQ(POShipWin->Edit1->text(), "Dock 4");
        EXPECT_EQ(d.CheckBox2->text(), "Calc. Tax at 10%");
        // Lower-case typing is upper-cased, so a typed "i" is the letter "I".
        FillControl(d, "INum", "x1i");
        EXPECT_EQ(d.INum->text(), "X1I");
        PressButton(d, "BitBtn1");
    });
    PickCustomer("Acme");
    EXPECT_FALSE(AddInvoice(view));
    EXPECT_TRUE(Headers().empty());
}

TEST_F(ProdInvTest, OKRefusesInTheOrderOfItsChecksAndThenPosts) {
    InvoiceRec onFile;
    ASSERT_TRUE(onFile.set(Invoice::InvNumber, "900"));
    PostingEnv::Add(InvoiceData(), State().InvoiceBuf, onFile);
    Add([&](TProdInv& d) {
        FillControl(d, "INum", "");
        Refused(d, "You need an invoice number.", "Invoice Number", d.INum);
        FillControl(d, "INum", "i100");
        Refused(d, "You need to select a customer.", "Customer Required", d.BitBtn3);
        PickCustomer("Acme");
        PressButton(d, "BitBtn3");
        Refused(d,
                "Please do not use the letter \"I\" in your invoice numbers. This is reserved for "
                "Interest Wizard. You must change this invoice number.",
                "Invoice Number", d.INum);
        FillControl(d, "INum", "900");
        FillControl(d, "IDate", "02/30/2024");
        Refused(d,
                "You have an invalid invoice date. You can clear the date and then select the "
                "calendar button.",
                "Invoice Date", d.IDate);
        FillControl(d, "IDate", "03/01/2024");
        Refused(d,
                "You do not have a description on any of your line items. At least one "
                "description field is required or you have nothing to invoice.",
                "Description Required", d.StringGrid1);
        Type(d, C::Quantity, 2, "abc");
        Refused(d, "Line 2 has an invalid QUANTITY value.", ProgramCaption(), d.StringGrid1);
        EXPECT_EQ(d.StringGrid1->Row(), 2);
        EXPECT_EQ(d.StringGrid1->Col(), C::Quantity);
        Type(d, C::Quantity, 2, "");
        Type(d, C::Description, 2, "Labour");
        Refused(d, "Line 2 has a unit price but no quantity.", ProgramCaption(), d.StringGrid1);
        Type(d, C::Quantity, 2, "4");
        Type(d, C::UnitPrice, 2, "1.50");
        Refused(d, "This invoice number currently exists. Please enter another one.",
                "Duplicate Invoice: 900", d.INum);
        FillControl(d, "INum", "1001");
        FillControl(d, "IPaid", "x");
        Refused(d, "The PAID amount has an invalid value.", ProgramCaption(), d.IPaid);
        FillControl(d, "IPaid", "7.00");
        Refused(d, "The amount paid is more than the total of this invoice.", "Amount Paid",
                d.IPaid);
        FillControl(d, "IPaid", "1.00");
        // 95.00 owed + 6.00 is over the limit of 100.00.
        const QString question =
            "This invoice brings the customer's balance to 101.00, over the credit limit of "
            "100.00. Do you want to go ahead?";
        host->Answer(MsgResult::No, question, "Please Confirm");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::None);
        host->Answer(MsgResult::Yes, question, "Please Confirm");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::Ok);
    });
    host->OnModal("DemoForm", [](Form& f) { PressButton(f, "CloseBtn"); });
    EXPECT_TRUE(AddInvoice(view));

    const std::vector<InvoiceRec> headers = Headers();
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[1].get(Invoice::InvNumber), "1001");
    EXPECT_EQ(headers[1].get(Invoice::InvTotal), "6.00");
    EXPECT_EQ(headers[1].get(Invoice::InvDue), "5.00");
    EXPECT_EQ(shell.context().main.LastInvoiceDate, "03/01/2024");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "100.00");
    EXPECT_EQ(view.status[1], "Added invoice 1001 containing 1 line item(s).");
}

TEST_F(ProdInvTest, TheGridLooksUpProductsAndComputesExtensionsTaxAndStock) {
    Add([&](TProdInv& d) {
        Type(d, C::Code, 1, "w1");
        EXPECT_EQ(Cell(d, C::Code, 1), "W1");
        EXPECT_EQ(Cell(d, C::Description, 1), "Widget");
        EXPECT_EQ(Cell(d, C::UnitPrice, 1), "2.50");
        EXPECT_EQ(Cell(d, C::Tax, 1), "Y");
        EXPECT_EQ(d.ProdInvStockClass[1], "S");
        EXPECT_EQ(d.ProdInvLineCosts[1], "1.10");
        EXPECT_EQ(d.CurCost->text(), "1.10");

        Type(d, C::Quantity, 1, "5");
        EXPECT_EQ(Cell(d, C::Line, 1), "CS") << "5 sold of 3 on hand";
        EXPECT_EQ(d.StkBal->text(), "-2.00");
        EXPECT_EQ(Cell(d, C::Extension, 1), "12.50");

        Type(d, C::Quantity, 1, "2.5");
        Type(d, C::UnitPrice, 1, "1.005");
        EXPECT_EQ(Cell(d, C::Extension, 1), "2.51") << "2.5125 rounds to 2.51";
        EXPECT_EQ(Cell(d, C::Line, 1), "1");
        Type(d, C::Quantity, 1, "-2.5");
        EXPECT_EQ(Cell(d, C::Extension, 1), "-2.51");
        Type(d, C::Quantity, 1, "1,000");
        Type(d, C::UnitPrice, 1, "2.50");

        Type(d, C::Code, 2, "G1");
        Type(d, C::Quantity, 2, "3");
        EXPECT_EQ(d.INet->text(), "2,512.00");
        EXPECT_EQ(d.ITax->text(), "250.00") << "tax only on the rows flagged Y";
        EXPECT_EQ(d.ITotal->text(), "2,762.00");
        FillControl(d, "IPaid", "62");
        EXPECT_EQ(d.BalDue->text(), "2,700.00");

        host->Answer(MsgResult::Ok,
                     "This Product Code is already in use on this invoice. Change the quantity "
                     "for the existing product.",
                     "Code: W1  Line: 1.");
        Type(d, C::Code, 3, "W1");
        EXPECT_EQ(Cell(d, C::Code, 3), "");
        EXPECT_EQ(d.StringGrid1->Row(), 1);

        host->Answer(MsgResult::No,
                     "That product code was not found. Would you like to add it now?",
                     "Product Code");
        Type(d, C::Code, 4, "NOPE");
        EXPECT_EQ(d.ProdInvStockClass[4], "T");
        EXPECT_EQ(d.StockData->text(), "NO PRODUCT");

        PressButton(d, "DeleteLine");
        EXPECT_EQ(Cell(d, C::Code, 4), "");
        EXPECT_EQ(Cell(d, C::UnitPrice, 4), "0.00");

        // Enter on an empty product code picks a product.
        d.StringGrid1->SetCurrent(C::Code, 5);
        host->OnModal("EditProd", [](Form& f) { PressButton(f, "CloseBtn"); });
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(d.StringGrid1, &enter);
        EXPECT_EQ(Cell(d, C::Code, 5), "");

        // A tax-exempt customer pays no tax.
        PickCustomer("Bolt");
        PressButton(d, "BitBtn3");
        EXPECT_EQ(d.CheckBox2->text(), "Tax Exempt");
        EXPECT_FALSE(d.CheckBox2->isEnabled());
        EXPECT_EQ(d.ITax->text(), "0.00");
        EXPECT_EQ(d.ITotal->text(), "2,512.00");
        host->Answer(MsgResult::Yes, "Discard what you typed on this invoice?", "Please Confirm");
        PressButton(d, "InvClose");
    });
    PickCustomer("Acme");
    EXPECT_FALSE(AddInvoice(view));
}

TEST_F(ProdInvTest, AMemoInvoiceSellsOneProductWithItsText) {
    Add([&](TProdInv& d) {
        CheckButton(d, "RadioButton2", true);
        EXPECT_EQ(d.InvoiceMemoMode(), 1);
        EXPECT_TRUE(d.Memo1->isVisible());
        EXPECT_FALSE(d.StringGrid1->isVisible());
        PickProduct("G1");
        PressButton(d, "GetAProd");
        EXPECT_EQ(d.StkName->text(), "G1");
        EXPECT_EQ(d.MemoPDesc->text(), "Gadget");
        EXPECT_EQ(d.INet->text(), "4.00");
        FillControl(d, "MemoQuan", "3");
        EXPECT_EQ(d.INet->text(), "12.00") << "quantity times the sales price";
        EXPECT_EQ(d.StkBal->text(), "7.00");
        EXPECT_EQ(d.TaxLbl->text(), "Tax on 12.00 is 1.20.");
        FillControl(d, "ITax", "1.20");
        EXPECT_EQ(d.ITotal->text(), "13.20");

        QStringList lines;
        for (int k = 1; k <= 26; ++k) lines << QString("line %1").arg(k);
        FillControl(d, "Memo1", lines.join('\n'));
        EXPECT_EQ(d.Memo1->toPlainText(), "") << "26 lines are more than the memo holds";
        FillControl(d, "Memo1", "Fitted on site.\n" + QString(75, 'x'));
        EXPECT_EQ(d.Memo1->toPlainText(), "");
        FillControl(d, "Memo1", "Fitted on site.\nTested.");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::Ok);
    });
    PickCustomer("Cedar");
    EXPECT_TRUE(AddInvoice(view));
    EXPECT_EQ(StockOf("G1"), "7");
    const std::vector<InvoiceLineRec> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].get(InvoiceLine::LineProductCode), "G1");
    EXPECT_EQ(lines[0].get(InvoiceLine::LineUnitCost), "2.00");
    EXPECT_EQ(InvoiceMemoLines(Memos().at(0))[1], "Tested.");
    EXPECT_EQ(Headers().at(0).get(Invoice::InvTotal), "13.20");
}

TEST_F(ProdInvTest, APostingThatCannotBeWrittenKeepsTheDialogOpenWithItsEntry) {
    InvoiceMemoRec leftOver;
    ASSERT_TRUE(leftOver.set(InvoiceMemo::MemoInvNumber, "1001"));
    PostingEnv::Add(InvoiceMemoData(), State().InvoiceMemoBuf, leftOver);
    Add([&](TProdInv& d) {
        CheckButton(d, "RadioButton2", true);
        FillControl(d, "Memo1", "Kept while the number is changed.");
        FillControl(d, "INet", "10.00");
        host->Answer(MsgResult::Ok,
                     "A memo for invoice number 1001 is already on file. Please use another "
                     "invoice number.",
                     "Duplicate Memo");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::None);
        EXPECT_EQ(d.Memo1->toPlainText(), "Kept while the number is changed.");
        FillControl(d, "INum", "1002");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::Ok);
    });
    PickCustomer("Cedar");
    EXPECT_TRUE(AddInvoice(view));
    EXPECT_EQ(Headers().size(), 1u);
    EXPECT_EQ(Memos().size(), 2u);
    EXPECT_EQ(CompanyOnFile().get(Company::NextInvoiceNumber), "1003");
}

}  // namespace

// Escape, Cancel and Close throw typed lines or a memo away only when the user says so; an
// untouched dialog closes without a question, and No keeps everything typed.
TEST_F(ProdInvTest, TypedLinesAreDiscardedOnlyOnConfirmation) {
    const auto escape = [](TProdInv& d) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&d, &key);
    };
    const QString question = "Discard what you typed on this invoice?";
    Add([&](TProdInv& d) { escape(d); });
    PickCustomer("Cedar");
    EXPECT_FALSE(AddInvoice(view));
    EXPECT_TRUE(host->Messages().isEmpty());

    Add([&](TProdInv& d) {
        Type(d, C::Code, 1, "W1");
        host->Answer(MsgResult::No, question, "Please Confirm");
        escape(d);
        EXPECT_EQ(d.ModalResult(), Modal::None);
        EXPECT_EQ(host->LastMessage()->icon, MsgIcon::Question);
        EXPECT_EQ(host->LastMessage()->buttons, MsgButtons::YesNo);
        host->Answer(MsgResult::No, question, "Please Confirm");
        PressButton(d, "BitBtn1");
        EXPECT_EQ(d.ModalResult(), Modal::None);
        EXPECT_EQ(Cell(d, C::Code, 1), "W1");
        host->Answer(MsgResult::Yes, question, "Please Confirm");
        PressButton(d, "InvClose");
        EXPECT_EQ(d.ModalResult(), Modal::Cancel);
    });
    PickCustomer("Cedar");
    EXPECT_FALSE(AddInvoice(view));

    Add([&](TProdInv& d) {
        CheckButton(d, "RadioButton2", true);
        FillControl(d, "Memo1", "Fitted on site.");
        host->Answer(MsgResult::Yes, question, "Please Confirm");
        PressButton(d, "BitBtn1");
        EXPECT_EQ(d.ModalResult(), Modal::Cancel);
    });
    PickCustomer("Cedar");
    EXPECT_FALSE(AddInvoice(view));
    EXPECT_TRUE(Headers().empty());
    EXPECT_EQ(StockOf("W1"), "3");
}
