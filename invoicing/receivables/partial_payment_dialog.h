#pragma once
// TPPmtDialog, the partial-payment and deposit dialog of the Payment Wizard.
// The small dialog of the Payment Wizard that asks for one amount: a partial payment of an
// open invoice ("Partial Payment") or a deposit on account ("Deposit on Account").

#include <cstdint>

// moc cannot parse the C++20 headers the decimal type pulls in, and needs none of it.
#ifndef Q_MOC_RUN
#include "engine/decimal.h"
#endif
#include "platform/form.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TPPmtDialog : public Form {
    Q_OBJECT

public:
    explicit TPPmtDialog(QWidget* parent = nullptr);

    QLabel* Label1;  // the item the amount is for
    QLineEdit* PPAmt;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // Set by the caller before showing: the amount due of the item part-paid (0 for a
    // deposit), and 1 while a deposit is asked for.
    Decimal PaymentAmountDue;
    uint32_t DepositMode = 0;

    // The amount accepted by OK, to the cent.
    Decimal Amount() const { return amount_; }

protected:
    void FormShow() override;

private:
    void OKBtnClick();

    Decimal amount_;
};
