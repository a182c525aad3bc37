#pragma once
// TLineEntry, the line-entry dialog that invoice and purchase-order entry share.
// What invoice entry and purchase-order entry have in common: the grid of 99 line items
// with its buttons, the memo document (one product or free text, a quantity, an amount and
// 25 lines of text), the "Stock At A Glance:" panel with its "CS" rows, the net, tax and
// total, and the product pick and look-up. A sale takes stock out and a purchase brings it
// in; which product fields fill a row, and the words of the messages, come from the kind.
// Each dialog lays these controls out with its own heading and adds its own OK checks.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "invoicing/entry/entry_lines.h"
#include "masters/product_rec.h"
#include "platform/form.h"
#include "shell/company/company_rec.h"

class MaskEdit;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class StringGrid;

// Stock classes of a row.
namespace StockClass {
inline constexpr const char* Stocked = "S";
inline constexpr const char* NonStock = "Y";
inline constexpr const char* NonDepleting = "Z";
inline constexpr const char* NoProduct = "T";
inline constexpr const char* EmptyRow = "X";
}  // namespace StockClass

// The on-hand text of a row without a product.
inline constexpr const char* NoStockOnHand = "9999999999";

// Per-row texts; index = grid row (1..99), index 0 unused.
using RowTexts = std::array<std::string, EntryGridRows + 1>;

// How a kind of document uses its lines.
struct LineEntryKind {
    int direction;                         // -1 a sale takes stock out, +1 a purchase brings it in
    fields::Text<ProductRec> description;  // the product's description on this document
    fields::Number<ProductRec> unitPrice;  // the price a row is filled with
    fields::Bool<ProductRec> taxable;      // the product's tax switch for this document
    fields::Number<ProductRec> memoPrice;  // the price a memo document's net follows
    const char* noun;                      // "invoice": "... already in use on this invoice."
    const char* nothingTo;                 // "... or you have nothing to invoice."
    const char* afterCaption;              // the stock panel's "After Invoice:"
    bool showCost;                         // the stock panel shows the product's cost
};

// Widgets as both dialogs build them, and record text at the window boundary.
namespace entry {
std::string Cp(const QString& text);
QString Qs(std::string_view text);
std::optional<Decimal> NumberOf(const QString& text);
bool IsNumber(const QString& text);
// An amount shown ",0.00"; "ERROR" for a value that could not be computed.
QString Money(std::optional<Decimal> value);
// A stored amount for display; text that is not a number is shown as it is.
QString Shown(std::string_view stored);
QFont CompanyFont(const Company::Font& font);
QLabel* Caption(QWidget* parent, const QString& text, QWidget* buddy = nullptr);
// A captioned field in a grid: the caption in `col`, the field after it over `span` columns.
void AddField(QGridLayout* grid, const QString& caption, QWidget* field, int row, int col,
              int span = 1);
QLabel* ValueLabel(QWidget* parent, const char* name, int minChars = 10);
QLineEdit* Edit(QWidget* parent, const char* name, int maxLength);
QPushButton* Button(QWidget* parent, const char* name, const QString& text);
QToolButton* Tool(QWidget* parent, const char* name, const QString& text, const QString& hint);
// A document number field: ASCII letters upper-cased as typed, as the keys hold them.
QLineEdit* NumberEdit(QWidget* parent, const char* name, int maxLength);
// A date field, and the small "..." button of a calendar or a pick beside a field.
MaskEdit* DateEdit(QWidget* parent, const char* name);
QPushButton* DotsButton(QWidget* parent, const char* name);
// "Mo/Dy/Year", "Dy/Mo/Year" or "Year/Mo/Dy" by the company's date order.
QString DateOrderCaption();
// An editable terms box with the default terms; LoadTerms replaces them from the file.
QComboBox* TermsBox(QWidget* parent, const char* name);
void LoadTerms(QComboBox* terms);
}  // namespace entry

class TLineEntry : public Form {
    Q_OBJECT

public:
    ~TLineEntry() override;

    // --- heading ---
    QLabel* IMode;  // "Add ..." / "Edit ..."
    QLineEdit* INum;
    MaskEdit* IDate;
    QLabel* Label7;  // the date order, "Mo/Dy/Year"
    QPushButton* Calbutton;
    QLineEdit* INVNOTES;
    QLineEdit* KeyCode;
    QComboBox* ITerms;
    // --- the customer or vendor ---
    QPushButton* BitBtn3;  // pick
    QLabel* ICustName;
    QLabel* ICustNo;
    QLabel* Sname;
    QPushButton* Button1;  // "&Ship To"

    // --- kind and lines ---
    QRadioButton* RadioButton1;  // "&Line Item"
    QRadioButton* RadioButton2;  // "&Memo"
    StringGrid* StringGrid1;
    QToolButton* DeleteLine;
    QToolButton* MakeNote;
    QToolButton* UndoAll;
    QToolButton* TopButn;
    QToolButton* CnterButn;
    QToolButton* BottButn;
    QToolButton* SpeedButton2;  // product pick
    QToolButton* SpeedButton8;  // calculator
    QToolButton* InvClose;
    // --- memo document ---
    QPlainTextEdit* Memo1;
    QLineEdit* MemoPDesc;
    QLineEdit* MemoQuan;
    QPushButton* GetAProd;
    // --- stock at a glance ---
    QLabel* LineNum;
    QLabel* StkName;
    QLabel* StockData;
    QLabel* StkBal;
    QLabel* OldLineQuan;
    QLabel* CurCost = nullptr;  // with the kind's showCost
    // --- totals ---
    QLineEdit* INet;
    QLineEdit* ITax;
    QCheckBox* CheckBox2;  // "Calc. Tax at R%" / "Tax Exempt"
    QLabel* TaxLbl;
    QLabel* ITotal;
    QCheckBox* PrintFlag;
    QPushButton* OKButton;
    QPushButton* BitBtn1;  // "&Cancel"
    QPushButton* BitBtn2;  // "&Help"

    // Per row: the product's stock on hand (NoStockOnHand without a product), its stock class,
    // and what the row held when a document was loaded for a change ("0" and empty for a new
    // one), and the cost of its product.
    RowTexts RowStockOnHand;
    RowTexts RowStockCode;
    RowTexts RowOldQuantity;
    RowTexts RowOldCode;
    RowTexts RowLineCost;
    // The price of the product picked for a memo document; "0" when none.
    std::string MemoProductPrice = "0";

    // The last check of OK, after the dialog's own: answers false, having told the user, to
    // keep the dialog open. Posting computes the whole posting there.
    std::function<bool()> OnAccept;

    // 0 add, 1 edit; the memo document is in hand.
    virtual int32_t EntryMode() const = 0;
    virtual bool MemoMode() const = 0;

    // Headings, and rows 1..99 back to their defaults with their per-row texts.
    void ClearGrid();
    // Row as shown in the grid (1..99).
    EntryRow Row(int row) const;

    // A document loaded for a change: rows 1.. from its stored lines, each a product code and
    // a line text (quantity, description, unit price, tax flag and extension in columns of 10,
    // 32, 10, 1 and 10): the cells, the row's old quantity and code, and its product's stock
    // on hand and class ("0" and "T" for a product not on file).
    void LoadStoredRows(const std::vector<std::pair<std::string, std::string>>& lines);
    // A memo document loaded for a change: the memo's product, quantity and description from
    // row 1, and its stored memo lines (blank lines at the end are not text).
    void LoadStoredMemo(std::vector<std::string> memoLines);

    // --- handlers ---
    void SpeedButton2Click();  // product pick for the current row (memo: the memo product)
    void RadioButton1Click();
    void RadioButton2Click();
    void DeleteLineClick();
    void MakeNoteClick();
    void UndoAllClick();
    // Cancel, Close and Escape: lines or a memo typed since the dialog was shown are thrown
    // away only when the user confirms it; an untouched dialog closes at once.
    void CancelClick();
    void reject() override;
    // A cell changed: a new product code is looked up, then the row is refreshed.
    void StringGrid1SetEditText(int col, int row, const QString& text);
    // Enter in the product column: the pick for an empty code, the look-up for a typed one.
    void StringGrid1KeyPress();
    void RefreshRow(int row);
    // Net, tax and total of the lines; a memo document keeps its typed amounts.
    void RecalcTotals();
    void INetChange();
    void ITaxChange();
    void MemoQuanChange();

    // A product for a row whose text came from elsewhere (saved lines): the hold warning, the
    // row's stock and the document's tax flag; the row's code, description and prices stay.
    void TakeRowProduct(int row, const ProductRec& product);
    // The memo document's product as the pick shows it.
    void ShowMemoProduct(const ProductRec& product);
    void RefreshMemoStock();

protected:
    TLineEntry(const LineEntryKind& kind, QWidget* parent);

    virtual void SetMemoMode(bool memo) = 0;
    // Whether the memo document's tax hint is shown.
    virtual bool TaxHintWanted() const = 0;
    // After the totals changed.
    virtual void TotalsChanged() {}

    // The heading's fields in rows 0..3 of the grid: the mode (over two columns), number and
    // date, notes, key code and terms.
    void BuildHeadingFields(QWidget* box, QGridLayout* form, const QString& numberCaption);
    // The customer's or vendor's box: pick and ship-to buttons, name, number and short name in
    // rows 0..2 of its grid, which takes further rows.
    QGroupBox* BuildPartyPanel(const QString& title, const QString& pickCaption,
                               const QString& pickHint);
    // The panels for the dialog's layout; the totals panel's form takes further rows.
    QWidget* BuildLinesPanel();
    QWidget* BuildStockPanel();
    QGroupBox* BuildTotalsPanel();
    QFormLayout* totalsForm() const { return totalsForm_; }
    // The row of line buttons, for a dialog that adds its own.
    QHBoxLayout* lineTools() const { return lineTools_; }
    // Print flag, OK, Cancel and Help under the dialog.
    QHBoxLayout* BuildButtonRow(const QString& printCaption, const QString& helpKeyword);
    void ConnectLineHandlers();

    // The first steps of showing: grid widths, the terms, the date order, the type's button.
    void ShowStart(bool memo);
    // What add and change mode allow, the fonts, the type's layout and the grid on row 1.
    void ShowLayout(const QString& modeText);
    // The grid's column widths, measured on the dialog's font.
    void SetGridWidths();
    // The fields both documents have, as posting reads them.
    void ReadEntry(DocumentEntry& e) const;
    // The layout of the document type in hand: the grid or the memo, and their amounts.
    void ShowEntryType();
    // The line checks of OK for a document with line items; false after telling the user.
    bool GridLinesValid();
    // After every check of OK: the caller's last check, the dialog staying open when it fails.
    void Accept();
    QString DefaultQuantity() const;
    void EmptyStockPanel();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    const LineEntryKind kind_;

private:
    // Fills the row from a product; false when the product is on another row already.
    bool FillRowFromProduct(int row, const ProductRec& product);
    void SetRowProduct(int row, const ProductRec& product);
    void ClearRowProduct(int row, const char* stockClass);
    void ResetRow(int row);
    void PaintRow(int row);
    void WarnIfOnHold(const ProductRec& product);
    void ShowOldQuantity(int row, bool sameProduct);
    void LimitMemo();
    // The lines and the memo as shown, to tell what the user typed.
    QString TypedContent() const;
    QString shownContent_;
    int RowWithCode(const std::string& code, int except) const;
    void GoToRow(int row, int top);

    QWidget* lineButtons_ = nullptr;
    QHBoxLayout* lineTools_ = nullptr;
    QWidget* memoPanel_ = nullptr;
    QFormLayout* totalsForm_ = nullptr;
    QString memoText_;  // the memo's last text within its limits
    bool refreshing_ = false;
};
