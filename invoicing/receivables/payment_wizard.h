#pragma once
// "Payment Wizard": money received from one customer. The user picks the customer, moves
// open invoices and deposits into the list of items to post, types the paid amount and the
// payment date, and posts; "&Post" is enabled only while the items add up to the paid
// amount.

#include <QString>
#include <optional>
#include <vector>

// moc cannot parse the C++20 headers the decimal type pulls in, and needs none of it.
#ifndef Q_MOC_RUN
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/receivables/payment.h"
#endif
#include "invoicing/receivables/partial_payment_dialog.h"
#include "masters/party_rec.h"
#include "platform/form.h"
#include "platform/instance_scope.h"
#include "shell/commands.h"

class MaskEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class TPayBox : public Form {
    Q_OBJECT

public:
    explicit TPayBox(QWidget* parent = nullptr);

    QPushButton* BitBtn3;  // choose the customer
    QLabel* PCustName;
    QLabel* PCustNum;
    QLabel* PCustBal;
    QLabel* PCustPhone;
    QLabel* Sname;
    MaskEdit* PmtDate;
    QPushButton* Calbutton;
    QLineEdit* PAmt;
    QLineEdit* PNotes;
    QListWidget* SrcList;  // open invoices and deposits, sorted
    QListWidget* DstList;  // items to post, in the order added
    QPushButton* IncludeBtn;
    QPushButton* IncAllBtn;
    QPushButton* ExcludeBtn;
    QPushButton* ExAllBtn;
    QPushButton* PPmtBtn;
    QPushButton* AccountDep;
    QLabel* IPostedAmt;
    QPushButton* OKBtn;  // "&Post"
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;

    void BitBtn3Click();
    void IncludeBtnClick();
    void IncAllBtnClick();
    void ExcludeBtnClick();
    void ExAllBtnClick();
    void SrcListClick();
    void PPmtBtnClick();
    void AccountDepClick();
    void CalbuttonClick();
    void PAmtChange();
    void PostPayments();

    // The rows of a list, in list order.
    std::vector<PaymentItem> Items(const QListWidget* list) const;

protected:
    void FormShow() override;
    // Closing the wizard closes the files opened for it.
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowCustomer(const CustomerRec& customer);
    void ResetEntry();
    void ListOpenItemsOfCustomer();
    // Moves the selected rows (or all) walking the source from its last row to its first.
    void Move(QListWidget* from, QListWidget* to, bool all, const char* emptyText);
    // Focuses the list and selects the row at index (clamped; the first when -1).
    void SetItem(QListWidget* list, int index);
    void SetButtons();
    void UpdatePostTotal();
    QListWidgetItem* AddItem(QListWidget* list, const PaymentItem& item);
    const PaymentItem& ItemOf(const QListWidgetItem* row) const;
    // Asks the amount dialog; the amount on OK.
    std::optional<Decimal> AskAmount(const QString& caption, const QString& label, Decimal due,
                                     bool deposit);

    std::optional<CustomerRec> customer_;
    std::vector<PaymentItem> pool_;  // every row made since the customer was chosen
    HeldFiles files_;                // open while the wizard is shown
};

extern TPayBox* PayBox;
extern TPPmtDialog* PPmtDialog;

// Creates the wizard and its amount dialog once at start-up and plugs the wizard into the
// main window's command; the application (or a test) owns it.
class PaymentWindows {
public:
    PaymentWindows();
    ~PaymentWindows();
    PaymentWindows(const PaymentWindows&) = delete;
    PaymentWindows& operator=(const PaymentWindows&) = delete;

private:
    InstanceScope<TPPmtDialog> dialog_{PPmtDialog};
    InstanceScope<TPayBox> wizard_{PayBox};
    CommandRegistration command_;
};
