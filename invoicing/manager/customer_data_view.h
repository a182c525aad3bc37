#pragma once
// TQView, the customer data view of the Invoice Manager.
// "Customer Data": a read-only summary of one invoice record and of its customer's account,
// shown from the Invoice Manager.

#include <QString>
#include <array>
#include <optional>

#include "invoicing/records/invoice_rec.h"
#include "masters/party_rec.h"
#include "platform/form.h"

class CompanyRec;
class QLabel;
class QPushButton;

// What the window shows, as texts.
struct CustomerDataTexts {
    QString DataType, IvNum, IvDate, InvTot, PdAmount, IBalDue;
    bool printed = false;  // "* Printed *"
    bool repeat = false;   // "* Repeat *"
    QString CustName, CustNo, CustBal, Pnum, LstPmt, LstInv;
    std::array<QString, 4> aging;  // current, period 1, period 2, over
};

// The texts of the invoice record and its customer (nothing when no customer has the
// invoice's customer number).
CustomerDataTexts CustomerDataOf(const InvoiceRec& invoice,
                                 const std::optional<CustomerRec>& customer,
                                 const CompanyRec& company);

// The captions of the four aging rows: the company's three aging captions, then "Over " and
// its third aging period.
std::array<QString, 4> AgingRowCaptions(const CompanyRec& company);

class TQView : public Form {
    Q_OBJECT

public:
    explicit TQView(QWidget* parent = nullptr);

    QLabel* DataType;
    QLabel* IvNum;
    QLabel* IvDate;
    QLabel* InvTot;
    QLabel* PdAmount;
    QLabel* IBalDue;
    QLabel* PIFlag;   // "* Printed *"
    QLabel* Label18;  // "* Repeat *"
    QLabel* CustName;
    QLabel* CustNo;
    QLabel* CustBal;
    QLabel* Pnum;
    QLabel* LstPmt;
    QLabel* LstInv;
    QLabel* a0to30;
    QLabel* a3160;
    QLabel* A6190;
    QLabel* AO90;
    std::array<QLabel*, 4> AgingCaptions;
    QPushButton* BitBtn1;  // "&Close"

    void Fill(const CustomerDataTexts& texts);

protected:
    void FormShow() override;
};

// The one window, while an InvoiceManagerWindows object lives.
extern TQView* QView;
