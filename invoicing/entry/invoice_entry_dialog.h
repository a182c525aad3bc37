#pragma once
// TProdInv, the invoice entry dialog (unit Invprod).
// "Product Invoice": the modal dialog in which an invoice is written or changed. Two kinds of
// invoice: line items in a grid of 99 rows, or a memo invoice that sells one product (or
// free text) with a quantity and an amount and carries up to 25 lines of text. The dialog
// picks the customer and the products through their managers, computes extensions, net,
// tax, total and balance due, shows the stock of the product in hand, and checks the entry
// when OK is pressed. It writes nothing itself: posting (add) and change fill it before
// showing it and read it after OK.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "invoicing/posting/invoice_posting.h"
#include "invoicing/entry/line_entry.h"
#include "masters/party_rec.h"

namespace InvoiceCol = EntryCol;

class TProdInv : public TLineEntry {
    Q_OBJECT

public:
    explicit TProdInv(QWidget* parent = nullptr);
    ~TProdInv() override;

    // --- heading ---
    QLineEdit* IStmntNote;
    // --- customer ---
    QLabel* ICredLimit;
    QLabel* CBal;
    QLabel* Acur;
    QLabel* A30;
    QLabel* A60;
    QLabel* A90;
    std::array<QLabel*, 4> AgingCaptions;  // the captions of the four aging buckets
    // --- paid ---
    QLineEdit* IPaid;
    QLabel* BalDue;

    // --- what the callers set before showing and read afterwards ---
    int32_t ProdInvMode = 0;  // 0 add, 1 edit
    std::string ProdInvOldNumber = "0";
    std::string ProdInvOldTotal = "0.00";
    RowTexts& ProdInvOnHand = RowStockOnHand;
    RowTexts& ProdInvStockClass = RowStockCode;
    RowTexts& ProdInvOldQuantities = RowOldQuantity;
    RowTexts& ProdInvOldCodes = RowOldCode;
    RowTexts& ProdInvLineCosts = RowLineCost;
    // The invoice in hand is a memo invoice; the kind buttons switch it. One flag with the
    // document output's (InvoiceOutputState), which sets it for the invoice it loads.
    uint8_t& InvoiceMemoMode();
    uint8_t InvoiceMemoMode() const;

    int32_t EntryMode() const override { return ProdInvMode; }
    bool MemoMode() const override { return InvoiceMemoMode() != 0; }

    // Headings, and rows 1..99 back to their defaults with their per-row texts.
    void ResetInvoiceGrid() { ClearGrid(); }
    // Shows the customer the invoice is for (after a pick, or given from outside).
    void SetCustomer(const CustomerRec& customer);
    // The customer's fields without the hold warning (an invoice under edit): name, number,
    // credit, balance, aging, tax switch, and the customer's terms and ship-to lines.
    void ShowCustomer(const CustomerRec& customer);
    const std::optional<CustomerRec>& Customer() const { return customer_; }
    void ClearCustomer();
    // What the dialog holds, as posting reads it.
    InvoiceEntry Entry() const;

    // --- handlers ---
    void OKButtonClick();
    void BitBtn3Click();
    void Button1Click();
    void CalbuttonClick();
    void RecalcInvoiceTotals() { RecalcTotals(); }
    void IPaidChange();

protected:
    void FormShow() override;
    void SetMemoMode(bool memo) override { InvoiceMemoMode() = memo ? 1 : 0; }
    bool TaxHintWanted() const override;
    void TotalsChanged() override;

private:
    void BuildControls();
    QWidget* BuildHeading();
    QWidget* BuildCustomerPanel();
    void ConnectHandlers();
    QString ProposedNumber() const;
    void PickCustomer(const CustomerRec& seed);
    void ShowTaxSwitch(bool exempt);

    std::optional<CustomerRec> customer_;
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
