#pragma once
// TPOEdit1, the purchase-order entry dialog (unit POEdit).
// "Purchase Order": the modal dialog in which a purchase order is written or changed. Two
// kinds of order: line items in a grid of 99 rows, or a memo PO that orders one product (or
// free text) with a quantity and an amount and carries up to 25 lines of text. The dialog
// picks the vendor and the products through their managers, computes extensions, net, tax
// and total, shows the stock each line will leave, and checks the entry when OK is pressed.
// It writes no order itself: posting (add) and change fill it before showing it and read it
// after OK.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "invoicing/entry/line_entry.h"
#include "platform/instance_scope.h"

class QToolButton;

// What the dialog holds when OK is pressed.
struct POEntry : DocumentEntry {
    std::string dateRequired;  // MEDateReq, in the company's date order
    bool markReceived = false;
    std::string receivedDate;  // ARecDate
    std::string vendorNumber;
    std::string vendorShortName;
    std::string signature1, signature2;
};

class TPOEdit1 : public TLineEntry {
    Q_OBJECT

public:
    explicit TPOEdit1(QWidget* parent = nullptr);
    ~TPOEdit1() override;

    // --- heading ---
    QLabel* Label9;  // "Lines Received: " while an order is changed
    MaskEdit* MEDateReq;
    QPushButton* DateReq;
    // --- receiving and signatures ---
    QCheckBox* MarkRecd;
    MaskEdit* ARecDate;
    QPushButton* ARecCal;
    QLineEdit* Sig1;
    QLineEdit* Sig2;
    // --- saved lines ---
    QToolButton* ImportButn;
    QToolButton* ExportButn;

    // --- what the callers set before showing and read afterwards ---
    int32_t POEntryMode = 0;  // 0 add, 1 edit
    // The number of the order being changed ("0" when adding): the duplicate check lets it
    // pass.
    std::string POEditedNumber = "0";

    // The saved-lines routines (their own unit's by default); without them the buttons are off.
    std::function<void()> ExportLines;
    std::function<void()> ImportLines;

    int32_t EntryMode() const override { return POEntryMode; }
    bool MemoMode() const override;

    // What the dialog holds, as posting and change read it.
    POEntry Entry() const;

    // --- handlers ---
    void OKButtonClick();
    void SpeedButton3Click();  // vendor pick
    void Button1Click();
    void CalbuttonClick();
    void DateReqClick();
    void ARecCalClick();
    void MarkRecdClick();
    void RecalcPOTotals() { RecalcTotals(); }

protected:
    void FormShow() override;
    void SetMemoMode(bool memo) override;
    bool TaxHintWanted() const override;

private:
    void BuildControls();
    QWidget* BuildHeading();
    QWidget* BuildVendorPanel();
    QWidget* BuildReceivingPanel();
    void ConnectHandlers();
    QString ProposedNumber() const;
    // The tax switch: on at the company's rate when it taxes orders; off for an exempt vendor.
    void ShowTaxSwitch(bool exempt);
    void ShowMarkReceived(bool marked);
    // A date field's calendar; true when a date was chosen.
    bool PickFieldDate(MaskEdit* field, const QString& caption);
    // The terms check of OK: false when the dialog stays open.
    bool TermsAccepted();
};

// The one dialog, while a POEditScope lives.
extern TPOEdit1* POEdit1;

// Creates POEdit1 for the life of the object (the application's, or a test's).
class POEditScope : public InstanceScope<TPOEdit1> {
public:
    POEditScope() : InstanceScope(POEdit1) {}
};
