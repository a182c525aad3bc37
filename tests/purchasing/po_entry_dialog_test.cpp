// The purchase-order entry dialog offscreen through the scripted host: a new order's
// defaults and vendor pick, the OK checks in their order, the grid (product look-up, stock
// brought in, extensions, tax), a changed order's lines, the memo PO, and the line arithmetic
// it shares with invoice entry.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>

#include "invoicing/entry/entry_lines.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/entry/ship_to_window.h"
#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/mask_edit.h"
#include "platform/string_grid.h"
#include "purchasing/po_entry_dialog.h"
#include "shell/small_files.h"
#include "tests/invoicing/entry_env.h"
#include "tests/purchasing/purchasing_env.h"
#include "tests/support/stored_files.h"

namespace {

namespace C = EntryCol;

class POEditTest : public EntryEnv {
protected:
    POEditTest() {
        ChangeCompany([](CompanyRec& c) {
            c.set(Company::TaxOnPOs, true);
            EXPECT_TRUE(c.set(Company::NextPONumber, "500"));
            c.set(Company::DefaultPOTerms, "Net 30 Days");
            c.set(Company::POShipToCaption, "Deliver To");
        });
        shell.context().main.LastPODate = "03/15/2024";
        EXPECT_TRUE(CreateVendorFiles());
        EXPECT_TRUE(CreatePOFiles());
        EXPECT_TRUE(OpenPOFiles());
        AddVendor("V1", "Anvil Supply", [](VendorRec& v) { v.set(Vendor::Terms, "Net 10 Days"); });
        AddVendor("V2", "Birch Exempt", [](VendorRec& v) {
            v.set(Vendor::TaxExempt, "Y");
            v.set(Vendor::Hold, "Y");
        });
        AddProduct({.code = "W1",
                    .description = "Widget",
                    .price = "9.00",
                    .onHand = "3",
                    .cost = "2.50",
                    .poDescription = "Widget, bulk",
                    .taxableOnPOs = true});
        AddProduct({.code = "G1",
                    .description = "Gadget",
                    .price = "8.00",
                    .onHand = "-5",
                    .cost = "4.00",
                    .poDescription = "Gadget kit"});
    }
    ~POEditTest() override { ClosePOFiles(); }

    void AddVendor(const std::string& number, const std::string& name,
                   const std::function<void(VendorRec&)>& fill) {
        VendorRec v;
        EXPECT_TRUE(v.set(Vendor::Number, number));
        v.set(Vendor::Name, name);
        v.set(Vendor::ShortName, name.substr(0, 10));
        v.set(Vendor::TaxExempt, "N");
        fill(v);
        Add(VendorData(), masters.state().VendorBuf, v);
    }
    void PickVendor(const QString& name) { Pick("VenList", name); }

    // The dialog as a new order's caller leaves it before showing it.
    void PrepareNew(bool memo = false) {
        TPOEdit1& d = *POEdit1;
        d.POEntryMode = 0;
        d.POEditedNumber = "0";
        purchasing.state().POBuf.clear();
        purchasing.state().POBuf.set(PurchaseOrder::POType,
                                     memo ? PurchaseOrder::TypeMemo : PurchaseOrder::TypeLineItems);
        d.ClearGrid();
        d.IDate->SetText("03/15/2024");
        d.MEDateReq->SetText("03/30/2024");
        d.ARecDate->SetText("03/15/2024");
        d.KeyCode->setText("None");
        for (QLabel* l : {d.ICustName, d.ICustNo, d.Sname}) l->clear();
        d.Memo1->clear();
    }
    // Shows the dialog with the script; the add mode's vendor pick picks `vendor` first.
    int ShowNew(const QString& vendor, const std::function<void(TPOEdit1&)>& script,
                bool memo = false) {
        PrepareNew(memo);
        host->OnModal("POEdit1", [script](Form& f) { script(static_cast<TPOEdit1&>(f)); });
        PickVendor(vendor);
        return POEdit1->ShowModal();
    }

    PurchasingStateScope purchasing;
    POEditScope poEdit;
};

TEST_F(POEditTest, ANewOrderStartsFromTheCompanysDefaultsAndPicksTheVendor) {
    ChangeCompany([](CompanyRec& c) {
        c.set(Company::POPrefix, "Y");
        EXPECT_TRUE(c.set(Company::NextPONumber, "50012"));
        c.set(Company::NewPOsReceived, true);
        c.set(Company::PrintNewPOAtOnce, true);
    });
    shell.context().main.LastPODate = "12/01/2023";
    EXPECT_EQ(ShowNew("Anvil",
                      [&](TPOEdit1& d) {
                          EXPECT_EQ(d.IMode->text(), "Add PO");
                          EXPECT_EQ(d.INum->text(), "122350012")
                              << "month and year of the last PO date in front";
                          EXPECT_TRUE(d.RadioButton1->isChecked());
                          EXPECT_TRUE(d.PrintFlag->isChecked());
                          EXPECT_TRUE(d.MarkRecd->isChecked());
                          EXPECT_TRUE(d.ARecDate->isEnabled());
                          EXPECT_EQ(d.CheckBox2->text(), "Calc. Tax at 10%");
                          EXPECT_TRUE(d.CheckBox2->isChecked());
                          EXPECT_EQ(Cell(d, C::Description, 0), "Description / Comment");
                          EXPECT_EQ(d.RowStockCode[1], "X");
                          // The picked vendor, whose terms replace the company's.
                          EXPECT_EQ(d.ICustNo->text(), "V1");
                          EXPECT_EQ(d.ICustName->text(), "Anvil Supply");
                          EXPECT_EQ(d.Sname->text(), "Anvil Supp");
                          EXPECT_EQ(d.ITerms->currentText(), "Net 10 Days");
                          FillControl(d, "INum", "po7a");
                          EXPECT_EQ(d.INum->text(), "PO7A");

                          // An exempt vendor on hold: no tax, and a warning.
                          PickVendor("Birch");
                          host->Answer(MsgResult::Ok, "This vendor is placed on hold status.",
                                       "Warning");
                          PressButton(d, "BitBtn3");
                          EXPECT_EQ(d.ICustNo->text(), "V2");
                          EXPECT_EQ(d.CheckBox2->text(), "Tax Exempt");
                          EXPECT_FALSE(d.CheckBox2->isEnabled());
                          EXPECT_FALSE(d.CheckBox2->isChecked());
                          // A pick that returns nothing changes nothing.
                          host->OnModal("VenList", [](Form& f) { PressButton(f, "CloseBtn"); });
                          PressButton(d, "BitBtn3");
                          EXPECT_EQ(d.ICustNo->text(), "V2");

                          host->OnModal("POShipWin", [](Form& f) {
                              EXPECT_EQ(f.windowTitle(), "Purchase Order");
                              EXPECT_EQ(POShipWin->Label1->text(), "Deliver To");
                              FillControl(f, "Edit1", "Dock 2");
                              PressButton(f, "OKBtn");
                          });
                          PressButton(d, "Button1");
                          EXPECT_EQ(d.Entry().shipTo[0], "Dock 2");
                          PressButton(d, "InvClose");
                      }),
              Modal::Cancel);
}

TEST_F(POEditTest, ANumberThatWouldNotFitIsNotProposed) {
    ChangeCompany([](CompanyRec& c) {
        c.set(Company::POPrefix, "Y");
        EXPECT_TRUE(c.set(Company::NextPONumber, "123456"));
    });
    EXPECT_EQ(ShowNew("Anvil",
                      [](TPOEdit1& d) {
                          EXPECT_EQ(d.INum->text(), "") << "0324 + 123456 is 10 characters";
                          PressButton(d, "BitBtn1");
                      }),
              Modal::Cancel);
}

TEST_F(POEditTest, OKRefusesInTheOrderOfItsChecksAndThenCloses) {
    Add(POData(), purchasing.state().POBuf, Order("700", "V1", "2024/03/01"));
    ASSERT_TRUE(SaveTerms(shell.context().folder, {"Net 10 Days", "Net 30 Days"}));
    const int result = ShowNew("Anvil", [&](TPOEdit1& d) {
        FillControl(d, "INum", "");
        Refused(d, "You need an PO number.", "PO Number", d.INum);
        FillControl(d, "INum", "700");
        d.ICustNo->clear();
        Refused(d, "You need to select a vendor.", "Vendor Required", d.BitBtn3);
        PickVendor("Anvil");
        PressButton(d, "BitBtn3");
        FillControl(d, "IDate", "02/30/2024");
        Refused(d,
                "You have an invalid PO date. You can clear the date and then select the "
                "calendar button.",
                "PO Date", d.IDate);
        FillControl(d, "IDate", "03/10/2024");
        FillControl(d, "MEDateReq", "");
        Refused(d,
                "You have an invalid date reqired. You can clear the date and then select the "
                "calendar button.",
                "PO Date Required", d.MEDateReq);
        FillControl(d, "MEDateReq", "03/30/2024");

        CheckButton(d, "MarkRecd", true);
        EXPECT_TRUE(d.ARecDate->isEnabled());
        FillControl(d, "ARecDate", "13/01/2024");
        Refused(d,
                "You have an invalid received date. You can clear the date and then select the "
                "calendar button.",
                "PO Received Date", d.ARecDate);
        FillControl(d, "ARecDate", "03/01/2024");
        host->Answer(MsgResult::No,
                     "Your received date is BEFORE the date of this PO. Is this correct?",
                     "Please Confirm");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::None);
        FillControl(d, "ARecDate", "03/16/2024");
        const QString later =
            "Your received date is AFTER (older than) todays date. It will not appear on your "
            "receiving report unless you include this date in the search. Are you sure you want "
            "to do this?";
        host->Answer(MsgResult::No, later, "Please Confirm");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::None);
        EXPECT_EQ(d.focusWidget(), d.ARecDate);
        CheckButton(d, "MarkRecd", false);
        EXPECT_FALSE(d.ARecDate->isEnabled());

        Type(d, C::Quantity, 3, "abc");
        Refused(d, "Line 3 has an invalid QUANTITY value.", ProgramCaption(), d.StringGrid1);
        EXPECT_EQ(d.StringGrid1->Row(), 3);
        EXPECT_EQ(d.StringGrid1->Col(), C::Quantity);
        Type(d, C::Quantity, 3, "2");
        Refused(d,
                "You do not have a description on any of your line items. At least one "
                "description field is required or you have nothing to Purchase.",
                "Description Required", d.StringGrid1);
        // A comment row counts as a description; an order of comments costs nothing.
        d.StringGrid1->SetCurrent(C::Code, 2);
        PressButton(d, "MakeNote");
        Type(d, C::Description, 2, "Call before delivery");
        Refused(d, "This PO number currently exists. Please enter another one.",
                "Duplicate PO: 700", d.INum);
        FillControl(d, "INum", "701");
        host->Answer(MsgResult::No, "Is this a no-charge PO?", "Please Confirm");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::None);

        Type(d, C::Description, 1, "Paint");
        Type(d, C::UnitPrice, 1, "");
        Refused(d, "Line 1 has a quantity but no unit price.", ProgramCaption(), d.StringGrid1);
        EXPECT_EQ(d.StringGrid1->Col(), C::UnitPrice);
        Type(d, C::UnitPrice, 1, "3.00");
        Type(d, C::Quantity, 1, "2");
        Type(d, C::Tax, 1, "Y");

        // A term not in the list: Cancel stays, Yes keeps it in the terms file.
        FillControl(d, "ITerms", "Net 45 Days");
        host->Answer(MsgResult::Cancel,
                     "This is a new payment term. Would you like to add terms to the terms file?",
                     "Terms: Net 45 Days");
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::None);
        EXPECT_EQ(d.focusWidget(), d.ITerms);
        host->Answer(MsgResult::Yes);
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::Ok);
    });
    EXPECT_EQ(result, Modal::Ok);
    EXPECT_EQ(LoadTerms(shell.context().folder),
              (std::vector<std::string>{"Net 10 Days", "Net 30 Days", "Net 45 Days"}));

    // What the caller reads after OK.
    const POEntry e = POEdit1->Entry();
    EXPECT_EQ(e.number, "701");
    EXPECT_EQ(e.vendorNumber, "V1");
    EXPECT_EQ(e.dateRequired, "03/30/2024");
    EXPECT_FALSE(e.markReceived);
    EXPECT_EQ(e.total, "6.60");
    ASSERT_EQ(e.rows.size(), 99u);
    EXPECT_EQ(e.rows[1].description, "Call before delivery");
    EXPECT_EQ(e.rows[1].quantity, " ");
}

TEST_F(POEditTest, TheGridLooksUpProductsAndBringsTheirStockIn) {
    EXPECT_EQ(ShowNew("Anvil",
                      [&](TPOEdit1& d) {
                          Type(d, C::Code, 1, "w1");
                          EXPECT_EQ(Cell(d, C::Code, 1), "W1");
                          EXPECT_EQ(Cell(d, C::Description, 1), "Widget, bulk");
                          EXPECT_EQ(Cell(d, C::UnitPrice, 1), "2.50") << "the cost";
                          EXPECT_EQ(Cell(d, C::Tax, 1), "Y") << "taxed on orders";
                          EXPECT_EQ(d.RowStockCode[1], "S");
                          Type(d, C::Quantity, 1, "5");
                          EXPECT_EQ(d.StockData->text(), "3.00");
                          EXPECT_EQ(d.StkBal->text(), "8.00") << "3 on hand + 5 ordered";
                          EXPECT_EQ(Cell(d, C::Line, 1), "1");
                          EXPECT_EQ(Cell(d, C::Extension, 1), "12.50");

                          Type(d, C::Code, 2, "G1");
                          Type(d, C::Quantity, 2, "2");
                          EXPECT_EQ(Cell(d, C::Line, 2), "CS") << "-5 + 2 is still short";
                          EXPECT_EQ(d.StkBal->text(), "-3.00");
                          Type(d, C::Quantity, 2, "5");
                          EXPECT_EQ(Cell(d, C::Line, 2), "2");
                          Type(d, C::Quantity, 2, "2.5");
                          Type(d, C::UnitPrice, 2, "1.005");
                          EXPECT_EQ(Cell(d, C::Extension, 2), "2.51") << "2.5125 rounds down";
                          Type(d, C::Quantity, 2, "-2.5");
                          EXPECT_EQ(Cell(d, C::Extension, 2), "-2.51");

                          // Tax on row 1 only (flagged "Y"), and only while the switch is on.
                          EXPECT_EQ(d.INet->text(), "9.99");
                          EXPECT_EQ(d.ITax->text(), "1.25");
                          EXPECT_EQ(d.ITotal->text(), "11.24");
                          CheckButton(d, "CheckBox2", false);
                          EXPECT_EQ(d.ITax->text(), "0.00");
                          EXPECT_EQ(d.ITotal->text(), "9.99");

                          host->Answer(MsgResult::Ok,
                                       "This Product Code is already in use on this PO. Change "
                                       "the quantity for the existing product.",
                                       "Code: W1  Line: 1.");
                          Type(d, C::Code, 4, "W1");
                          EXPECT_EQ(Cell(d, C::Code, 4), "");
                          EXPECT_EQ(d.StringGrid1->Row(), 1);
                          // The same through the Product Manager.
                          d.StringGrid1->SetCurrent(C::Code, 6);
                          PickProduct("G1");
                          host->Answer(MsgResult::Ok, {}, "Code: G1  Line: 2.");
                          PressButton(d, "SpeedButton2");
                          EXPECT_EQ(d.StringGrid1->Row(), 2);

                          host->Answer(MsgResult::No,
                                       "That product code was not found. Would you like to add "
                                       "it now?",
                                       "Product Code");
                          Type(d, C::Code, 5, "NOPE");
                          EXPECT_EQ(d.RowStockCode[5], "T");
                          EXPECT_EQ(d.StockData->text(), "NO PRODUCT");
                          EXPECT_EQ(d.StkBal->text(), "");
                          PressButton(d, "DeleteLine");
                          EXPECT_EQ(Cell(d, C::Code, 5), "");
                          EXPECT_EQ(Cell(d, C::UnitPrice, 5), "0.00");
                          PressButton(d, "UndoAll");
                          EXPECT_EQ(Cell(d, C::Code, 1), "");
                          EXPECT_EQ(d.INet->text(), "0.00");
                          PressButton(d, "BitBtn1");
                      }),
              Modal::Cancel);
}

// A product file whose index cannot be trusted is asked about before anything is looked up
// in it: declined, the code typed is neither found nor said to be missing (nor offered to be
// added again); rebuilt, it is found.
TEST_F(POEditTest, ACodeTypedIntoAnUntrustedProductFileAsksForTheRebuildFirst) {
    ProductData().Close();
    const auto ix = shell.context().folder.file("7P.IX");
    testsupport::Overwrite(ix, std::filesystem::file_size(ix) / 2, std::string(64, 'x'));
    EXPECT_EQ(ShowNew("Anvil",
                      [&](TPOEdit1& d) {
                          host->Answer(MsgResult::No, "Index file is defective.  Rebuild?");
                          Type(d, C::Code, 1, "W1");
                          EXPECT_EQ(Cell(d, C::Description, 1), "");
                          EXPECT_EQ(d.RowStockCode[1], "T");
                          host->Answer(MsgResult::Yes, "Index file is defective.  Rebuild?");
                          Type(d, C::Code, 1, "w1");
                          EXPECT_EQ(Cell(d, C::Description, 1), "Widget, bulk");
                          host->Answer(MsgResult::Yes, "Discard what you typed on this PO?");
                          PressButton(d, "BitBtn1");
                      }),
              Modal::Cancel);
}

TEST_F(POEditTest, AChangedOrderKeepsItsNumberAndTakesBackItsOldQuantities) {
    Add(POData(), purchasing.state().POBuf, Order("700", "V2", "2024/03/01", "None", "2024/03/05"));
    TPOEdit1& d = *POEdit1;
    d.POEntryMode = 1;
    d.POEditedNumber = "700";
    purchasing.state().POBuf = Order("700", "V2", "2024/03/01", "None", "2024/03/05");
    d.ClearGrid();
    d.INum->setText("700");
    d.IDate->SetText("03/01/2024");
    d.MEDateReq->SetText("03/30/2024");
    d.ARecDate->SetText("03/20/2024");
    d.MarkRecd->setChecked(true);
    d.ICustNo->setText("V2");
    d.ICustName->setText("Birch Exempt");
    // The vendor as change reads it.
    VendorRec vendor;
    ASSERT_TRUE(vendor.set(Vendor::Number, "V2"));
    vendor.set(Vendor::TaxExempt, "Y");
    masters.state().VendorBuf = vendor;
    const std::array<QString, C::Count> row1{"1", "W1", "4", "Widget, bulk", "2.50", "Y", "10.00"};
    for (int c = 0; c < C::Count; ++c) d.StringGrid1->SetCell(c, 1, row1[c]);
    d.RowOldQuantity[1] = "4";
    d.RowOldCode[1] = "W1";
    d.RowStockOnHand[1] = "3";
    d.RowStockCode[1] = "S";

    host->OnModal("POEdit1", [&](Form&) {
        EXPECT_EQ(d.IMode->text(), "Edit PO");
        EXPECT_FALSE(d.INum->isEnabled()) << "a fully received order keeps its number";
        EXPECT_TRUE(d.MarkRecd->isChecked());
        EXPECT_FALSE(d.BitBtn3->isEnabled());
        EXPECT_FALSE(d.RadioButton2->isEnabled());
        EXPECT_EQ(d.CheckBox2->text(), "Tax Exempt");
        EXPECT_FALSE(d.CheckBox2->isEnabled());
        EXPECT_EQ(d.ITax->text(), "0.00");
        EXPECT_EQ(d.StkBal->text(), "3.00") << "3 - 4 received before + 4";
        EXPECT_EQ(d.OldLineQuan->text(), "\n - Old Quan: 4");
        Type(d, C::Quantity, 1, "6");
        EXPECT_EQ(d.StkBal->text(), "5.00");
        Type(d, C::Code, 1, "G1");
        EXPECT_EQ(d.StkBal->text(), "-4.00") << "another product: nothing to take back";
        EXPECT_EQ(d.OldLineQuan->text(), "(Changed Item)");
        Type(d, C::Code, 2, "W1");
        EXPECT_EQ(d.OldLineQuan->text(), "(New Line Item)");
        host->Answer(MsgResult::Yes, {}, "Please Confirm");  // received after today
        PressButton(d, "OKButton");
        EXPECT_EQ(d.ModalResult(), Modal::Ok) << "its own number is no duplicate";
    });
    EXPECT_EQ(d.ShowModal(), Modal::Ok);
}

TEST_F(POEditTest, AMemoOrderFollowsItsProductsCostUntilTheNetIsTyped) {
    EXPECT_EQ(
        ShowNew(
            "Anvil",
            [&](TPOEdit1& d) {
                EXPECT_TRUE(d.RadioButton2->isChecked());
                EXPECT_EQ(purchasing.state().POMemoMode, 1);
                EXPECT_TRUE(d.Memo1->isVisible());
                EXPECT_FALSE(d.StringGrid1->isVisible());
                EXPECT_FALSE(d.INet->isReadOnly());
                PickProduct("W1");
                PressButton(d, "GetAProd");
                EXPECT_EQ(d.StkName->text(), "W1");
                EXPECT_EQ(d.MemoPDesc->text(), "Widget, bulk");
                EXPECT_EQ(d.MemoProductPrice, "2.50");
                FillControl(d, "MemoQuan", "4");
                EXPECT_EQ(d.INet->text(), "10.00") << "4 at the cost of 2.50";
                EXPECT_EQ(d.StkBal->text(), "7.00");
                EXPECT_EQ(d.TaxLbl->text(), "Tax on 10.00 is 1.00.");
                EXPECT_EQ(d.ITotal->text(), "10.00") << "the hint is not the tax";
                FillControl(d, "INet", "12.00");
                FillControl(d, "ITax", "1.20");
                EXPECT_EQ(d.ITotal->text(), "13.20");

                FillControl(d, "MemoQuan", "abc");
                Refused(d, "You have entered an invalid quantity.", "Memo Quantity", d.MemoQuan);
                FillControl(d, "MemoQuan", "4");
                FillControl(d, "INet", "12.00");
                FillControl(d, "MemoPDesc", "");
                Refused(d, "You need a product description.", "Product Required", d.MemoPDesc);
                FillControl(d, "MemoPDesc", "Widgets for the fair");
                FillControl(d, "Memo1", "Deliver to the side door.\nAsk for Sam.");
                PressButton(d, "OKButton");
                EXPECT_EQ(d.ModalResult(), Modal::Ok);
            },
            true),
        Modal::Ok);
    const POEntry e = POEdit1->Entry();
    EXPECT_TRUE(e.memo);
    EXPECT_EQ(e.stockCode, "W1");
    EXPECT_EQ(e.memoQuantity, "4");
    EXPECT_EQ(e.total, "13.20");
    EXPECT_EQ(e.memoLines, (std::vector<std::string>{"Deliver to the side door.", "Ask for Sam."}));
}

Decimal D(const char* text) {
    return *Decimal::Parse(text);
}

TEST(EntryLinesTest, StockMovesInTheDirectionOfTheDocument) {
    // An order for 6 where 4 were ordered before: 3 on hand - 4 + 6.
    EXPECT_EQ(StockAfter(D("3"), D("4"), D("6"), true, +1), D("5"));
    EXPECT_EQ(StockAfter(D("3"), D("4"), D("6"), false, +1), D("9"));
    // A sale of 6 where 4 were sold before: 3 on hand + 4 - 6.
    EXPECT_EQ(StockAfter(D("3"), D("4"), D("6"), true, -1), D("1"));
    EXPECT_EQ(StockAfter(D("3"), D("4"), D("6"), false, -1), D("-3"));
}

TEST(EntryLinesTest, TaxIsOnTheFlaggedRowsAtTheRateRoundedToCents) {
    std::vector<EntryRow> rows(3);
    rows[0] = {"A", "1", "a", "0.05", "Y", "0.05", "0"};
    rows[1] = {"B", "1", "b", "1,000.00", "N", "1,000.00", "0"};
    rows[2] = {"", " ", "note", "", " ", "0.00", "0"};
    const EntryTotals on = ComputeEntryTotals(rows, true, "10");
    EXPECT_EQ(on.net, D("1000.05"));
    EXPECT_EQ(on.tax, D("0.01")) << "0.005 rounds away from zero";
    EXPECT_EQ(on.total, D("1000.06"));
    const EntryTotals off = ComputeEntryTotals(rows, false, "10");
    EXPECT_EQ(off.tax, D("0"));
    rows[1].extension = "ERROR";
    EXPECT_FALSE(ComputeEntryTotals(rows, true, "10").total);
}

TEST(EntryLinesTest, LinesPassWithACommentAndFailOnTheFirstFault) {
    std::vector<EntryRow> rows(99, EntryRow{"", "1", "", "0.00", "N", "0.00", "0"});
    const auto none = CheckEntryLines(rows, "Purchase");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->row, 0);
    rows[4] = {"", " ", "Call first", "", " ", "0.00", "0"};
    EXPECT_FALSE(CheckEntryLines(rows, "Purchase")) << "a comment row is a description";
    rows[7].unitPrice = "x";
    const auto price = CheckEntryLines(rows, "Purchase");
    ASSERT_TRUE(price);
    EXPECT_EQ(price->message, "Line 8 has an invalid UNIT PRICE value.");
    EXPECT_EQ(price->col, EntryCol::UnitPrice);
    rows[7].unitPrice = "999999999";
    rows[7].quantity = "999999999";
    EXPECT_EQ(CheckEntryLines(rows, "Purchase")->message,
              "Line 8 has an extension too large to compute.");
}

TEST(EntryLinesTest, TheProposedNumberIsNeverCut) {
    EXPECT_EQ(ProposeDocumentNumber(" 50012 ", true, Date{2023, 12, 1}, 9), "122350012");
    EXPECT_EQ(ProposeDocumentNumber("50012", true, Date{2024, 3, 9}, 9), "032450012");
    EXPECT_EQ(ProposeDocumentNumber("500123", true, Date{2024, 3, 9}, 9), std::nullopt);
    EXPECT_EQ(ProposeDocumentNumber("a7", false, Date{2024, 3, 9}, 9), "A7");
}

}  // namespace
