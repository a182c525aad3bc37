#pragma once
// "Product Invoice": the modal dialog in which an invoice is written or changed. Two kinds of
// invoice: line items in a grid of 99 rows, or a memo invoice that sells one product (or
// free text) with a quantity and an amount and carries up to 25 lines of text. The dialog
// picks the customer and the products through their managers, computes extensions, net,
// tax, total and balance due, shows the stock of the product in hand, and checks the entry
// when OK is pressed. It writes nothing itself: posting (add) and change fill it before
// showing it and read it after OK.

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "invoicing/invoice_posting.h"
#include "masters/party_rec.h"
#include "platform/form.h"

class MaskEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class StringGrid;

// Grid columns.
namespace InvoiceCol {
inline constexpr int Line = 0, Code = 1, Quantity = 2, Description = 3, UnitPrice = 4, Tax = 5,
                     Extension = 6, Count = 7;
}

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
using RowTexts = std::array<std::string, InvoiceGridRows + 1>;

class TProdInv : public Form {
    Q_OBJECT

public:
    explicit TProdInv(QWidget* parent = nullptr);
    ~TProdInv() override;

    // --- heading ---
    QLabel* IMode;  // "Add Invoice" / "Edit Invoice"
    QLineEdit* INum;
    MaskEdit* IDate;
    QLabel* Label7;  // the date order, "Mo/Dy/Year"
    QPushButton* Calbutton;
    QLineEdit* INVNOTES;
    QLineEdit* KeyCode;
    QComboBox* ITerms;
    QLineEdit* IStmntNote;
    // --- customer ---
    QPushButton* BitBtn3;  // customer pick
    QLabel* ICustName;
    QLabel* ICustNo;
    QLabel* Sname;
    QLabel* ICredLimit;
    QLabel* CBal;
    QLabel* Acur;
    QLabel* A30;
    QLabel* A60;
    QLabel* A90;
    std::array<QLabel*, 4> AgingCaptions;  // the captions of the four aging buckets
    QPushButton* Button1;                  // "&Ship To"
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
    // --- memo invoice ---
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
    QLabel* CurCost;
    // --- totals ---
    QLineEdit* INet;
    QLineEdit* ITax;
    QCheckBox* CheckBox2;  // "Calc. Tax at R%" / "Tax Exempt"
    QLabel* TaxLbl;
    QLabel* ITotal;
    QLineEdit* IPaid;
    QLabel* BalDue;
    QCheckBox* PrintFlag;
    QPushButton* OKButton;
    QPushButton* BitBtn1;  // "&Cancel"
    QPushButton* BitBtn2;  // "&Help"

    // --- what the callers set before showing and read afterwards ---
    int32_t ProdInvMode = 0;  // 0 add, 1 edit
    std::string ProdInvOldNumber = "0";
    std::string ProdInvOldTotal = "0.00";
    RowTexts ProdInvOnHand;
    RowTexts ProdInvStockClass;
    RowTexts ProdInvOldQuantities;
    RowTexts ProdInvOldCodes;
    RowTexts ProdInvLineCosts;
    // The invoice in hand is a memo invoice; the kind buttons switch it.
    uint8_t InvoiceMemoMode = 0;
    // The sales price of the product picked for a memo invoice; "0" when none.
    std::string MemoProductPrice = "0";

    // The last check of OK, after the dialog's own: answers false, having told the user, to
    // keep the dialog open. Posting computes the whole posting there.
    std::function<bool()> OnAccept;

    // Headings, and rows 1..99 back to their defaults with their per-row texts.
    void ResetInvoiceGrid();
    // Shows the customer the invoice is for (after a pick, or given from outside).
    void SetCustomer(const CustomerRec& customer);
    // The customer's fields without the hold warning (an invoice under edit): name, number,
    // credit, balance, aging, tax switch, and the customer's terms and ship-to lines.
    void ShowCustomer(const CustomerRec& customer);
    const std::optional<CustomerRec>& Customer() const { return customer_; }
    void ClearCustomer();
    // What the dialog holds, as posting reads it.
    InvoiceEntry Entry() const;
    // Row as shown in the grid (1..99).
    InvoiceRow Row(int row) const;

    // --- handlers ---
    void OKButtonClick();
    void BitBtn3Click();
    void SpeedButton2Click();  // product pick for the current row (memo: the memo product)
    void Button1Click();
    void CalbuttonClick();
    void RadioButton1Click();
    void RadioButton2Click();
    void DeleteLineClick();
    void MakeNoteClick();
    void UndoAllClick();
    // A cell changed: a new product code is looked up, then the row is refreshed.
    void StringGrid1SetEditText(int col, int row, const QString& text);
    // Enter in the product column: the pick for an empty code, the look-up for a typed one.
    void StringGrid1KeyPress();
    void RefreshRow(int row);
    void RecalcInvoiceTotals();
    void INetChange();
    void ITaxChange();
    void IPaidChange();
    void MemoQuanChange();

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildHeading();
    QWidget* BuildCustomerPanel();
    QWidget* BuildLinesPanel();
    QWidget* BuildStockPanel();
    QWidget* BuildTotalsPanel();
    void ConnectHandlers();
    void SetGridWidths();
    void LoadTerms();
    QString ProposedNumber() const;
    void ShowInvoiceType();
    void PickCustomer(const CustomerRec& seed);
    void ShowTaxSwitch(bool exempt);
    // Fills the row from a product; false when the product is on another row already.
    bool FillRowFromProduct(int row, const ProductRec& product);
    void SetRowProduct(int row, const ProductRec& product);
    void ClearRowProduct(int row, const char* stockClass);
    void ResetRow(int row);
    void PaintRow(int row);
    void ShowMemoProduct(const ProductRec& product);
    void RefreshMemoStock();
    void EmptyStockPanel();
    void ShowBalanceDue();
    void LimitMemo();
    // The checks of OK for the lines; false after telling the user.
    bool LinesValid();
    int RowWithCode(const std::string& code, int except) const;
    QString DefaultQuantity() const;

    std::optional<CustomerRec> customer_;
    QWidget* gridPanel_ = nullptr;
    QWidget* memoPanel_ = nullptr;
    QWidget* lineButtons_ = nullptr;
    QString memoText_;  // the memo's last text within its limits
    bool refreshing_ = false;
};

// The one dialog, while an InvoicingWindows object lives.
extern TProdInv* ProdInv;

// Creates the invoicing windows once at start-up (the entry dialog and the ship-to window)
// and sets their instance pointers; the application (or a test) owns it.
class InvoicingWindows {
public:
    InvoicingWindows();
    ~InvoicingWindows();
    InvoicingWindows(const InvoicingWindows&) = delete;
    InvoicingWindows& operator=(const InvoicingWindows&) = delete;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
