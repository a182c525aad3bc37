// The saved lines of purchase-order entry: the two files' layouts as text, files that cannot
// be loaded, and the dialog's buttons offscreen on real product files.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QToolButton>
#include <filesystem>

#include "masters/master_manager.h"
#include "platform/application.h"
#include "platform/mask_edit.h"
#include "platform/string_grid.h"
#include "purchasing/po_entry_dialog.h"
#include "purchasing/po_saved_lines.h"
#include "shell/text.h"
#include "tests/invoicing/entry_env.h"
#include "tests/purchasing/purchasing_env.h"

namespace {

namespace C = EntryCol;

std::vector<std::string> LinesOf(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < content.size()) {
        const std::size_t eol = content.find("\r\n", at);
        lines.push_back(content.substr(at, eol - at));
        at = eol + 2;
    }
    return lines;
}

SavedRow Row(std::string mark, std::string code, std::string quantity, std::string description,
             std::string price, std::string tax, std::string extension) {
    return {std::move(mark),
            {std::move(code),
             std::move(quantity),
             std::move(description),
             std::move(price),
             std::move(tax),
             std::move(extension),
             {}}};
}

// --- the files as text ------------------------------------------------------------------------

TEST(SavedLinesText, ARowStandsAtItsPositionsAndAnOverlongCellShiftsTheRestUncut) {
    const std::string text =
        SavedRowText(Row("CS", "W1", "4", "Widget, bulk", "2.50", "Yes", "10.00"));
    ASSERT_EQ(text.size(), 83u);
    EXPECT_EQ(text.substr(0, 2), "CS");
    EXPECT_EQ(text.substr(3, 10), "W1        ");
    EXPECT_EQ(text.substr(14, 10), "4         ");
    EXPECT_EQ(text.substr(25, 32), PadRightWith("Widget, bulk", ' ', 32));
    EXPECT_EQ(text.substr(58, 10), "2.50      ");
    EXPECT_EQ(text.substr(69, 1), "Y") << "the tax flag's first character only";
    EXPECT_EQ(text.substr(71), "10.00       ");
    for (const std::size_t blank : {2u, 13u, 24u, 57u, 68u, 70u}) EXPECT_EQ(text[blank], ' ');

    const EntryRow back = SavedRowCells(text);
    EXPECT_EQ(back.code, "W1");
    EXPECT_EQ(back.quantity, "4");
    EXPECT_EQ(back.description, "Widget, bulk");
    EXPECT_EQ(back.unitPrice, "2.50");
    EXPECT_EQ(back.taxFlag, "Y");
    EXPECT_EQ(back.extension, "10.00");

    // An extension wider than its 12 positions is kept whole.
    EXPECT_EQ(
        SavedRowCells(SavedRowText(Row("1", "", "", "", "", "N", "12,345,678,901.00"))).extension,
        "12,345,678,901.00");
    // A blank tax flag stays blank; a line cut short reads as empty cells.
    EXPECT_EQ(SavedRowCells(SavedRowText(Row("2", "", " ", "Note", "", " ", ""))).taxFlag, " ");
    const EntryRow cut = SavedRowCells(" 1 W1");
    EXPECT_EQ(cut.code, "W1");
    EXPECT_EQ(cut.description, "");
    EXPECT_EQ(cut.taxFlag, "");
}

TEST(SavedLinesText, NotesKeepTheirKeyCodeWhateverTheirLength) {
    const std::string sixty(60, 'n');
    EXPECT_EQ(SavedNotesText({"Rush", "K9"}), PadRightWith("Rush", ' ', 60) + "K9      ");
    for (const SavedNotes& n : {SavedNotes{"Rush", "K9"}, SavedNotes{sixty, "ABCDEFGH"},
                                SavedNotes{std::string(80, 'm'), "K1"},
                                SavedNotes{std::string(65, 'q'), ""}, SavedNotes{"", ""}}) {
        const SavedNotes back = SavedNotesOf(SavedNotesText(n));
        EXPECT_EQ(back.notes, n.notes);
        EXPECT_EQ(back.keyCode, n.keyCode);
    }
    // A line whose key code was not padded still has it at 61-68.
    const SavedNotes unpadded = SavedNotesOf(PadRightWith("Rush", ' ', 60) + "K9");
    EXPECT_EQ(unpadded.notes, "Rush");
    EXPECT_EQ(unpadded.keyCode, "K9");
}

TEST(SavedLinesText, TheLinesFileHoldsNinetyNineRowsABlankLineAndTheNotes) {
    SavedLinesFile file;
    for (int r = 1; r <= EntryGridRows; ++r)
        file.rows.push_back(Row(std::to_string(r), "", "1", "", "0.00", "N", "0.00"));
    file.rows[0] = Row("1", "W1", "4", "Widget", "2.50", "Y", "10.00");
    file.rows[98] = Row("99", "", "", "Last", "", " ", "");
    file.notes = {"Deliver by noon", "K9"};
    const std::string content = SavedLinesText(file);
    ASSERT_EQ(content.substr(content.size() - 2), "\r\n");
    const std::vector<std::string> lines = LinesOf(content);
    ASSERT_EQ(lines.size(), 101u);
    EXPECT_EQ(lines[99], std::string(83, ' '));
    EXPECT_EQ(lines[100].substr(0, 15), "Deliver by noon");

    // Line 100 is never read, whatever it holds.
    std::vector<std::string> edited = lines;
    edited[99] = "junk that is not a row";
    std::string again;
    for (const std::string& l : edited) again += l + "\r\n";
    const auto back = ParseSavedLines(again);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->rows.size(), 99u);
    EXPECT_EQ(back->rows[0].cells.code, "W1");
    EXPECT_EQ(back->rows[0].cells.extension, "10.00");
    EXPECT_EQ(back->rows[98].cells.description, "Last");
    EXPECT_EQ(back->notes.notes, "Deliver by noon");
    EXPECT_EQ(back->notes.keyCode, "K9");
    // LF line ends and a missing break after the last line are read all the same.
    std::string plain;
    for (const std::string& l : lines) plain += l + "\n";
    plain.pop_back();
    ASSERT_TRUE(ParseSavedLines(plain));
    EXPECT_EQ(ParseSavedLines(plain)->notes.keyCode, "K9");
}

TEST(SavedLinesText, TheMemoFileRestoresAtMostTwentyFiveLinesAndItsProduct) {
    SavedMemoFile file;
    for (int k = 1; k <= 26; ++k) file.memoLines.push_back("  line " + std::to_string(k));
    file.notes = {"Memo notes", "MK"};
    file.product = Row("1", "W1", "7", "Widget, bulk", "2.50", "N", "17.50");
    const std::string content = SavedMemoText(file);
    const std::vector<std::string> lines = LinesOf(content);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[25], "  line 26");
    EXPECT_EQ(lines[26].substr(0, 10), "Memo notes");
    EXPECT_EQ(lines[27].substr(3, 2), "W1");

    const auto back = ParseSavedMemo(content);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->memoLines.size(), 25u);
    EXPECT_EQ(back->memoLines[0], "  line 1") << "indentation is text";
    EXPECT_EQ(back->memoLines[24], "  line 25");
    EXPECT_EQ(back->notes.keyCode, "MK");
    EXPECT_EQ(back->product.cells.code, "W1");
    EXPECT_EQ(back->product.cells.quantity, "7");

    // A short memo comes back as short, not padded with empty lines.
    const auto shortMemo = ParseSavedMemo(SavedMemoText({{"one", "", "three"}, {}, {}}));
    ASSERT_TRUE(shortMemo);
    EXPECT_EQ(shortMemo->memoLines, (std::vector<std::string>{"one", "", "three"}));
}

TEST(SavedLinesText, AFileShortOfItsLinesOrHoldingWhatNoneOfOursHoldsIsNotLoaded) {
    const std::string lines = SavedLinesText({});
    EXPECT_TRUE(ParseSavedLines(lines));
    EXPECT_FALSE(ParseSavedLines(lines.substr(0, lines.size() - 100))) << "no notes line";
    EXPECT_FALSE(ParseSavedLines(lines.substr(0, 1000)));
    EXPECT_FALSE(ParseSavedLines(""));
    std::string binary = lines;
    binary[200] = '\0';
    EXPECT_FALSE(ParseSavedLines(binary));

    const std::string memo = SavedMemoText({});
    EXPECT_TRUE(ParseSavedMemo(memo));
    EXPECT_FALSE(ParseSavedMemo(memo.substr(0, memo.rfind("\r\n", memo.size() - 3) + 2)))
        << "no product row";
    SavedMemoFile wide;
    wide.memoLines = {std::string(75, 'w')};
    EXPECT_FALSE(ParseSavedMemo(SavedMemoText(wide))) << "the memo takes 74 characters a line";
    wide.memoLines = {std::string(74, 'w') + "   "};
    EXPECT_TRUE(ParseSavedMemo(SavedMemoText(wide)));
}

// --- the dialog's buttons ---------------------------------------------------------------------

class SavedLinesDialogTest : public EntryEnv {
protected:
    SavedLinesDialogTest() {
        ChangeCompany([](CompanyRec& c) { c.set(Company::TaxOnPOs, true); });
        EXPECT_TRUE(CreateVendorFiles());
        EXPECT_TRUE(CreatePOFiles());
        EXPECT_TRUE(OpenPOFiles());
        VendorRec v;
        EXPECT_TRUE(v.set(Vendor::Number, "V1"));
        v.set(Vendor::Name, "Anvil Supply");
        v.set(Vendor::TaxExempt, "N");
        Add(VendorData(), masters.state().VendorBuf, v);
        AddProduct({.code = "W1",
                    .description = "Widget",
                    .onHand = "3",
                    .cost = "2.50",
                    .poDescription = "Widget, bulk",
                    .taxableOnPOs = true});
        ProductRec held;
        EXPECT_TRUE(held.set(Product::Code, "G1"));
        EXPECT_TRUE(held.set(Product::Cost, "4.00"));
        EXPECT_TRUE(held.set(Product::StockOnHand, "-5"));
        held.set(Product::PODescription, "Gadget kit");
        held.set(Product::SalesOnHold, true);
        Add(ProductData(), masters.state().ProductBuf, held);
    }
    ~SavedLinesDialogTest() override { ClosePOFiles(); }

    // Shows the dialog for a new order (or a change) with the script.
    int Show(const std::function<void(TPOEdit1&)>& script, bool memo = false, int mode = 0) {
        TPOEdit1& d = *POEdit1;
        d.POEntryMode = mode;
        purchasing.state().POBuf.clear();
        purchasing.state().POBuf.set(PurchaseOrder::POType,
                                     memo ? PurchaseOrder::TypeMemo : PurchaseOrder::TypeLineItems);
        d.ClearGrid();
        d.IDate->SetText("03/15/2024");
        d.Memo1->clear();
        d.INVNOTES->clear();
        d.KeyCode->clear();
        host->OnModal("POEdit1", [script](Form& f) {
            script(static_cast<TPOEdit1&>(f));
            f.SetModalResult(Modal::Cancel);  // closed without the question about typed lines
        });
        if (mode == 0) Pick("VenList", "Anvil");
        return d.ShowModal();
    }
    void Export(TPOEdit1& d) {
        host->Answer(MsgResult::Ok,
                     "The saved lines file has been replaced with the current PO lines.",
                     "Saved Lines File");
        PressButton(d, "ExportButn");
    }
    std::filesystem::path SavedFile(std::string_view name) const {
        return dir.path() / std::string(name);
    }
    // A document's cells, as a check that nothing changed.
    static std::vector<QString> Cells(TPOEdit1& d) {
        std::vector<QString> cells{d.INVNOTES->text(),  d.KeyCode->text(),  d.Memo1->toPlainText(),
                                   d.MemoPDesc->text(), d.MemoQuan->text(), d.INet->text()};
        for (int r = 1; r <= 3; ++r)
            for (int c = 0; c < C::Count; ++c) cells.push_back(Cell(d, c, r));
        return cells;
    }

    PurchasingStateScope purchasing;
    POEditScope poEdit;
};

TEST_F(SavedLinesDialogTest, SavedLineItemsComeBackWithTheirProductsLookedUpAgain) {
    Show([&](TPOEdit1& d) {
        EXPECT_TRUE(d.ExportButn->isEnabled());
        EXPECT_TRUE(d.ImportButn->isEnabled());
        Type(d, C::Code, 1, "W1");
        Type(d, C::Quantity, 1, "4");
        Type(d, C::Tax, 1, "N");  // the product's switch comes back on loading
        host->Answer(MsgResult::Ok, "This Product is currently placed on HOLD status.",
                     "Please Note! Code: G1");
        Type(d, C::Code, 2, "G1");
        Type(d, C::Description, 3, "Paint, blue");
        Type(d, C::UnitPrice, 3, "3.00");
        Type(d, C::Quantity, 3, "2");
        d.INVNOTES->setText(QString(60, 'n'));
        d.KeyCode->setText("KEY12345");
        EXPECT_EQ(d.ITotal->text(), "20.00");
        Export(d);
        ASSERT_TRUE(std::filesystem::exists(SavedFile(SavedLinesFileName)));

        // Products change in the meantime: W1 is gone from the grid's row, G1 stays held; a
        // product removed from the file is kept as a code without a product.
        PressButton(d, "UndoAll");
        ASSERT_EQ(Cell(d, C::Code, 1), "");
        const std::string saved = *ReadWholeFile(SavedFile(SavedLinesFileName));
        std::vector<std::string> lines = LinesOf(saved);
        lines[3] = SavedRowText(Row("4", "GONE", "1", "Old part", "1.00", "N", "1.00"));
        std::string edited;
        for (const std::string& l : lines) edited += l + "\r\n";
        ASSERT_TRUE(ReplaceFile(SavedFile(SavedLinesFileName), edited));

        host->Answer(MsgResult::Ok, "This Product is currently placed on HOLD status.",
                     "Please Note! Code: G1");
        PressButton(d, "ImportButn");
        EXPECT_EQ(Cell(d, C::Code, 1), "W1");
        EXPECT_EQ(Cell(d, C::Quantity, 1), "4");
        EXPECT_EQ(Cell(d, C::Description, 1), "Widget, bulk");
        EXPECT_EQ(Cell(d, C::UnitPrice, 1), "2.50");
        EXPECT_EQ(Cell(d, C::Tax, 1), "Y");
        EXPECT_EQ(Cell(d, C::Extension, 1), "10.00");
        EXPECT_EQ(d.RowStockCode[1], "S");
        EXPECT_EQ(d.RowStockOnHand[1], "3");
        EXPECT_EQ(Cell(d, C::Code, 2), "G1");
        EXPECT_EQ(d.RowStockOnHand[2], "-5");
        EXPECT_EQ(Cell(d, C::Description, 3), "Paint, blue");
        EXPECT_EQ(Cell(d, C::Extension, 3), "6.00");
        EXPECT_EQ(Cell(d, C::Code, 4), "GONE");
        EXPECT_EQ(d.RowStockCode[4], "T");
        EXPECT_EQ(d.INVNOTES->text(), QString(60, 'n'));
        EXPECT_EQ(d.KeyCode->text(), "KEY12345");
        EXPECT_EQ(d.ITotal->text(), "22.00") << "W1 taxed at 10% and the row of GONE added";
        EXPECT_EQ(d.StringGrid1->Row(), 1);
        EXPECT_EQ(d.StringGrid1->Col(), C::Code);
        EXPECT_EQ(d.LineNum->text(), "1");
        EXPECT_EQ(d.StkName->text(), "W1");
    });
}

TEST_F(SavedLinesDialogTest, AMissingOrDamagedFileLeavesTheDialogAsItWas) {
    Show([&](TPOEdit1& d) {
        Type(d, C::Code, 1, "W1");
        d.INVNOTES->setText("Mine");
        const std::vector<QString> before = Cells(d);
        host->Answer(MsgResult::Ok, "You have not created a saved lines PO file.",
                     "Load Saved Lines");
        PressButton(d, "ImportButn");
        EXPECT_EQ(Cells(d), before);

        SavedLinesFile file;
        file.rows.push_back(Row("1", "G1", "9", "Held", "1.00", "N", "9.00"));
        const std::string whole = SavedLinesText(file);
        ASSERT_TRUE(ReplaceFile(SavedFile(SavedLinesFileName), whole.substr(0, whole.size() / 2)));
        host->Answer(MsgResult::Ok,
                     "The file POSAVEL.SAV is damaged or incomplete; nothing was loaded from it.",
                     "Load Saved Lines");
        PressButton(d, "ImportButn");
        EXPECT_EQ(Cells(d), before);

        // A file that cannot be replaced stays as it was, and the user is told.
        std::filesystem::remove(SavedFile(SavedLinesFileName));
        std::filesystem::create_directory(SavedFile(SavedLinesFileName));
        host->Answer(MsgResult::Ok,
                     "The saved lines could not be written to POSAVEL.SAV; the file is "
                     "unchanged.\n\nThe system reported: Is a directory.",
                     "Saved Lines File");
        PressButton(d, "ExportButn");
        EXPECT_TRUE(std::filesystem::is_directory(SavedFile(SavedLinesFileName)));
    });
    // Loading is for a new order only.
    Show(
        [](TPOEdit1& d) {
            EXPECT_TRUE(d.ExportButn->isEnabled());
            EXPECT_FALSE(d.ImportButn->isEnabled());
        },
        false, 1);
}

TEST_F(SavedLinesDialogTest, ASavedMemoComesBackWithItsProductAndAQuantityOfOne) {
    Show(
        [&](TPOEdit1& d) {
            EXPECT_TRUE(d.RadioButton2->isChecked());
            d.Memo1->setPlainText("Please ship\n  by truck\n\nThanks");
            PickProduct("W1");
            PressButton(d, "GetAProd");
            FillControl(d, "MemoQuan", "7");
            d.INVNOTES->setText("Memo order");
            d.KeyCode->setText("MK");
            Export(d);
            EXPECT_FALSE(std::filesystem::exists(SavedFile(SavedLinesFileName)));
            const std::vector<std::string> lines =
                LinesOf(*ReadWholeFile(SavedFile(SavedMemoFileName)));
            ASSERT_EQ(lines.size(), 28u);
            EXPECT_EQ(SavedRowCells(lines[27]).quantity, "7");

            PressButton(d, "UndoAll");
            PressButton(d, "ImportButn");
            EXPECT_EQ(d.Memo1->toPlainText(), "Please ship\n  by truck\n\nThanks");
            EXPECT_EQ(d.INVNOTES->text(), "Memo order");
            EXPECT_EQ(d.KeyCode->text(), "MK");
            EXPECT_EQ(d.StkName->text(), "W1");
            EXPECT_EQ(d.MemoPDesc->text(), "Widget, bulk");
            EXPECT_EQ(d.MemoQuan->text(), "1") << "whatever the file holds";
            EXPECT_EQ(d.LineNum->text(), "1");
            EXPECT_EQ(d.RowStockCode[1], "S");
            EXPECT_EQ(d.StkBal->text(), "4.00");
            EXPECT_EQ(d.focusWidget(), d.Memo1);
            EXPECT_EQ(d.Memo1->textCursor().position(), 0);
            EXPECT_EQ(d.Entry().stockCode, "W1");
        },
        true);
}

TEST_F(SavedLinesDialogTest, AMemoWithoutAProductOnFileKeepsItsSavedDescription) {
    Show(
        [&](TPOEdit1& d) {
            // A product picked earlier must not survive the load.
            PickProduct("W1");
            PressButton(d, "GetAProd");
            SavedMemoFile file;
            file.memoLines = {"Free text order"};
            file.product = Row("1", "", "3", "Cleaning service", "", "N", "");
            ASSERT_TRUE(ReplaceFile(SavedFile(SavedMemoFileName), SavedMemoText(file)));
            PressButton(d, "ImportButn");
            EXPECT_EQ(d.MemoPDesc->text(), "Cleaning service");
            EXPECT_EQ(d.StkName->text(), "");
            EXPECT_EQ(d.MemoProductPrice, "0");
            EXPECT_EQ(d.Entry().stockCode, "");

            file.product = Row("1", "GONE", "3", "Gaskets", "", "N", "");
            ASSERT_TRUE(ReplaceFile(SavedFile(SavedMemoFileName), SavedMemoText(file)));
            host->Answer(MsgResult::Ok,
                         "The current selected product does not exist in your inventory.",
                         "Product Code: GONE");
            PressButton(d, "ImportButn");
            EXPECT_EQ(d.MemoPDesc->text(), "GONE");
            EXPECT_EQ(d.StkName->text(), "GONE");
            EXPECT_EQ(d.RowStockCode[1], "T");
            EXPECT_EQ(d.StockData->text(), "NO PRODUCT");

            std::filesystem::remove(SavedFile(SavedMemoFileName));
            const std::vector<QString> before = Cells(d);
            host->Answer(MsgResult::Ok, "You have not created a saved memo PO file.",
                         "Load Saved Memo");
            PressButton(d, "ImportButn");
            EXPECT_EQ(Cells(d), before);
        },
        true);
}

}  // namespace
