#include "invoicing/receivables/partial_payment_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "invoicing/receivables/payment.h"
#include "platform/application.h"
#include "platform/cp1252.h"

TPPmtDialog::TPPmtDialog(QWidget* parent) : Form(parent) {
    setObjectName("PPmtDialog");
    setWindowTitle("Partial Payment");
    auto* layout = new QGridLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    layout->addWidget(Label1, 0, 0, 1, 2);
    auto* caption = new QLabel("Payment Amount:", this);
    PPAmt = new QLineEdit(this);
    PPAmt->setObjectName("PPAmt");
    PPAmt->setMaxLength(10);
    PPAmt->setAlignment(Qt::AlignRight);
    caption->setBuddy(PPAmt);
    layout->addWidget(caption, 1, 0);
    layout->addWidget(PPAmt, 1, 1);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    CancelBtn = new QPushButton("&Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons, 2, 0, 1, 2);
    OKBtn->setDefault(true);
    SetButtonResult(OKBtn, Modal::Ok);
    SetButtonResult(CancelBtn, Modal::Cancel);
    connect(OKBtn, &QPushButton::clicked, this, Guarded([this] { OKBtnClick(); }));
}

void TPPmtDialog::FormShow() {
    PPAmt->setFocus();
    PPAmt->selectAll();
}

void TPPmtDialog::OKBtnClick() {
    const auto refusal =
        CheckDialogAmount(ToCp1252(PPAmt->text()), DepositMode != 0, PaymentAmountDue, amount_);
    if (refusal) Refuse(PPAmt, refusal->text, refusal->caption);
}
