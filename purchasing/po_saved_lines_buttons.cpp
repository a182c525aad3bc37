// The entry dialog's side of the saved lines: what the dialog holds into the file of the
// kind in hand, and the file back into the dialog with each product looked up again.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <filesystem>

#include "invoicing/posting/invoice_posting.h"
#include "masters/master_files.h"
#include "platform/application.h"
#include "platform/string_grid.h"
#include "purchasing/po_entry_dialog.h"
#include "purchasing/po_saved_lines.h"
#include "shell/app_context.h"
#include "shell/posting_unit.h"
#include "shell/text.h"

using namespace entry;

namespace {

const QString SavedLinesCaption = "Saved Lines File";

QString FileName(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<int>(name.size()));
}

// The file's content when it can be loaded; otherwise the user has been told and nothing in
// the dialog changes.
template <class Parsed>
std::optional<Parsed> ReadSaved(std::string_view name, const QString& missingText,
                                const QString& caption,
                                std::optional<Parsed> (*parse)(std::string_view)) {
    const std::filesystem::path path = Shell().folder.file(name);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        MessageBox(missingText, caption, MsgIcon::Information);
        return std::nullopt;
    }
    const std::optional<std::string> content = ReadWholeFile(path);
    std::optional<Parsed> parsed = content ? parse(*content) : std::nullopt;
    if (!parsed)
        MessageBox(QString("The file %1 is damaged or incomplete; nothing was loaded from it.")
                       .arg(FileName(name)),
                   caption, MsgIcon::Warning);
    return parsed;
}

// The product file open for the load; false, having told the user, when it cannot be.
bool ProductFileOpen(const StepFile& open, const QString& caption) {
    if (open.ok()) return true;
    MessageBox(QString("The product file cannot be opened (error %1).").arg(EngineErrorCode),
               caption, MsgIcon::Warning);
    return false;
}

// The product whose code is exactly `code`; nothing when there is none.
std::optional<ProductRec> ProductByCode(const std::string& code) {
    ProductRec probe;
    static_cast<void>(probe.set(Product::Code, code.substr(0, 10)));
    ProductRec found;
    if (ProductData().Find(ProductCodeKey, BuildProductKey(probe, ProductCodeKey), found.bytes()) ==
        0)
        return std::nullopt;
    return found;
}

void ShowNotes(TPOEdit1& d, const SavedNotes& notes) {
    d.INVNOTES->setText(Qs(notes.notes));
    d.KeyCode->setText(Qs(notes.keyCode));
}

SavedNotes NotesOf(const TPOEdit1& d) {
    return {Cp(d.INVNOTES->text()), Cp(d.KeyCode->text())};
}

void LoadSavedLines(TPOEdit1& d) {
    const QString caption = "Load Saved Lines";
    const auto file =
        ReadSaved<SavedLinesFile>(SavedLinesFileName, "You have not created a saved lines PO file.",
                                  caption, &ParseSavedLines);
    if (!file) return;
    const StepFile open(ProductData());
    if (!ProductFileOpen(open, caption)) return;
    d.ClearGrid();
    StringGrid& grid = *d.StringGrid1;
    for (int r = 1; r <= EntryGridRows; ++r) {
        const EntryRow& row = file->rows[r - 1].cells;
        grid.SetCell(EntryCol::Code, r, Qs(row.code));
        grid.SetCell(EntryCol::Quantity, r, Qs(row.quantity));
        grid.SetCell(EntryCol::Description, r, Qs(row.description));
        grid.SetCell(EntryCol::UnitPrice, r, Qs(row.unitPrice));
        grid.SetCell(EntryCol::Tax, r, Qs(row.taxFlag));
        grid.SetCell(EntryCol::Extension, r, Qs(row.extension));
        if (!row.code.empty()) {
            if (const auto product = ProductByCode(row.code))
                d.TakeRowProduct(r, *product);
            else
                d.RowStockCode[r] = StockClass::NoProduct;
        }
        d.RefreshRow(r);
    }
    ShowNotes(d, file->notes);
    d.RecalcTotals();
    grid.SetCurrent(EntryCol::Code, 1);
    grid.SetTopRow(1);
    d.RefreshRow(1);
}

void LoadSavedMemo(TPOEdit1& d) {
    const QString caption = "Load Saved Memo";
    const auto file = ReadSaved<SavedMemoFile>(
        SavedMemoFileName, "You have not created a saved memo PO file.", caption, &ParseSavedMemo);
    if (!file) return;
    const EntryRow& saved = file->product.cells;
    std::optional<ProductRec> product;
    if (!saved.code.empty()) {
        const StepFile open(ProductData());
        if (!ProductFileOpen(open, caption)) return;
        product = ProductByCode(saved.code);
    }
    d.ClearGrid();
    QStringList memo;
    for (const std::string& line : file->memoLines) memo << Qs(line);
    d.Memo1->setPlainText(memo.join('\n'));
    ShowNotes(d, file->notes);
    d.MemoPDesc->setText(Qs(saved.description));
    if (product) {
        d.ShowMemoProduct(*product);
    } else {
        // An order of free text, or of a product no longer on file: no stock to show, no
        // price of an earlier pick to follow, and the saved description kept.
        d.RowStockCode[1] = saved.code.empty() ? StockClass::EmptyRow : StockClass::NoProduct;
        d.MemoProductPrice = "0";
        d.StkName->setText(Qs(saved.code));
        d.StockData->setText(saved.code.empty() ? QString() : "NO PRODUCT");
        d.StkBal->clear();
        d.StringGrid1->SetCell(EntryCol::Code, 1, Qs(saved.code));
        if (!saved.code.empty()) {
            MessageBox("The current selected product does not exist in your inventory.",
                       "Product Code: " + Qs(saved.code), MsgIcon::Information);
            d.MemoPDesc->setText(Qs(saved.code));
        }
    }
    d.LineNum->setText("1");
    d.MemoQuan->setText("1");
    d.RefreshMemoStock();
    d.Memo1->setFocus();
    d.Memo1->moveCursor(QTextCursor::Start);
}

}  // namespace

void ExportButnClick(TPOEdit1& d) {
    const bool lineItems = d.RadioButton1->isChecked();
    std::string content;
    if (lineItems) {
        SavedLinesFile file;
        for (int r = 1; r <= EntryGridRows; ++r)
            file.rows.push_back({Cp(d.StringGrid1->Cell(EntryCol::Line, r)), d.Row(r)});
        file.notes = NotesOf(d);
        content = SavedLinesText(file);
    } else {
        SavedMemoFile file;
        for (const QString& line : d.Memo1->toPlainText().split('\n'))
            file.memoLines.push_back(Cp(line));
        file.notes = NotesOf(d);
        // Row 1 of a memo PO is its product, as the memo fields hold it.
        EntryRow& row = file.product.cells;
        file.product.mark = "1";
        row.code = Cp(d.StkName->text());
        row.quantity = Cp(d.MemoQuan->text());
        row.description = Cp(d.MemoPDesc->text());
        row.unitPrice = d.MemoProductPrice;
        row.taxFlag = "N";
        row.extension = Cp(d.INet->text());
        content = SavedMemoText(file);
    }
    const std::string_view name = lineItems ? SavedLinesFileName : SavedMemoFileName;
    if (!ReplaceFile(Shell().folder.file(name), content)) {
        MessageBox(WithWriteReason(
                       QString("The saved lines could not be written to %1; the file is unchanged.")
                           .arg(FileName(name))),
                   SavedLinesCaption, MsgIcon::Warning);
        return;
    }
    MessageBox("The saved lines file has been replaced with the current PO lines.",
               SavedLinesCaption, MsgIcon::Information);
}

void ImportButnClick(TPOEdit1& d) {
    if (d.RadioButton1->isChecked())
        LoadSavedLines(d);
    else
        LoadSavedMemo(d);
}
