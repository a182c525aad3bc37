#include "invoicing/manager/customer_data_view.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "invoicing/documents/document_buffer.h"
#include "invoicing/posting/posting_steps.h"
#include "platform/cp1252.h"
#include "shell/app_context.h"
#include "shell/company/company_rec.h"
#include "shell/text.h"

TQView* QView = nullptr;

namespace {

using namespace Invoice;

QString Trimmed(std::string_view stored) {
    return FromCp1252(TrimBlanks(stored));
}

QString Money(std::string_view stored) {
    return FromCp1252(FormatAmount(stored));
}

QString KindText(const std::string& kind, const std::string& type) {
    if (type == "D" || type == "X") return "(Payment Record)";
    if (type == "T") return "(Applied Deposit)";
    return kind == KindLineItems ? "(Product Invoice)" : "(Memo Invoice)";
}

QString TypeText(const std::string& type, const InvoiceRec& invoice) {
    if (type == "I") return "I - Regular Invoice";
    if (type == "R")
        return "R - Repeat Billing Master Record (Created: " +
               FromCp1252(invoice.get(InvRepeatCreated)) + ")";
    if (type == "G") return "G - Repeat Billing Generated Invoice";
    if (type == "X") return "X - Partial Payment Record against Type Z";
    if (type == "Z") return "Z - Invoice has Partial Payment(s) of Type X";
    if (type == "D") return "D - Deposit on Account";
    if (type == "T") return "T - Deposit Taken (offsets type D)";
    return FromCp1252(type);
}

}  // namespace

CustomerDataTexts CustomerDataOf(const InvoiceRec& invoice,
                                 const std::optional<CustomerRec>& customer,
                                 const CompanyRec& company) {
    CustomerDataTexts t;
    const std::string type = TrimBlanks(invoice.get(InvType));
    t.printed = TrimBlanks(invoice.get(InvPrinted)) == "Y";
    t.repeat = type == "R";
    t.IvDate = FromCp1252(invoice.get(InvDate));
    if (t.repeat) {
        std::string due = invoice.get(InvRepeatNextDue);
        // The next-due date is stored month first; a day-first company reads it swapped.
        if (TrimBlanks(company.get(Company::DateOrderSetting)) == "D")
            due = Columns(due, 4, 6) + Columns(due, 1, 3) + Columns(due, 7, 10);
        t.IvDate += "\n - Next Due: " + FromCp1252(due);
    }
    t.DataType = TypeText(type, invoice);
    t.IvNum = FromCp1252(invoice.get(InvNumber)) + "   " +
              KindText(TrimBlanks(invoice.get(InvKind)), type);
    t.InvTot = Money(invoice.get(InvTotal));
    t.PdAmount = Money(invoice.get(InvPaid));
    t.IBalDue = Money(invoice.get(InvDue));
    if (type == "Z") {
        // What has been paid of a part-paid invoice is what no longer is due.
        const auto total = AmountOf(invoice.get(InvTotal));
        const auto due = AmountOf(invoice.get(InvDue));
        if (total && due) t.PdAmount = QString::fromStdString((*total - *due).format(",0.00"));
    }

    t.CustNo = FromCp1252(invoice.get(InvCustomerNumber));
    if (!customer) {
        t.CustName = "No customer has this number.";
        return t;
    }
    const CustomerRec& c = *customer;
    t.CustName = FromCp1252(c.get(Customer::Name));
    t.CustBal = Money(c.get(Customer::Balance));
    t.Pnum = FromCp1252(c.get(Customer::Phone1));
    t.LstPmt = FromCp1252(c.get(Customer::LastPaymentDate));
    t.LstInv = FromCp1252(c.get(Customer::LastInvoiceNumber));
    for (std::size_t k = 0; k < t.aging.size(); ++k)
        t.aging[k] = Money(c.get(Customer::Amounts[k]));
    return t;
}

std::array<QString, 4> AgingRowCaptions(const CompanyRec& company) {
    return {Trimmed(company.get(Company::AgingCaption[0])),
            Trimmed(company.get(Company::AgingCaption[1])),
            Trimmed(company.get(Company::AgingCaption[2])),
            "Over " + Trimmed(company.get(Company::AgingPeriod[2])) + ":"};
}

TQView::TQView(QWidget* parent) : Form(parent) {
    setObjectName("QView");
    setWindowTitle("Customer Data");
    auto* layout = new QVBoxLayout(this);
    const auto value = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    const auto row = [&value](QFormLayout* form, const char* caption, const char* name) {
        QLabel* l = value(name);
        form->addRow(caption, l);
        return l;
    };

    auto* invoice = new QFormLayout;
    DataType = row(invoice, "Type:", "DataType");
    IvNum = row(invoice, "Invoice Number:", "IvNum");
    IvDate = row(invoice, "Invoice Date:", "IvDate");
    InvTot = row(invoice, "Invoice Total:", "InvTot");
    PdAmount = row(invoice, "Paid Amount:", "PdAmount");
    IBalDue = row(invoice, "Balance Due:", "IBalDue");
    layout->addLayout(invoice);
    auto* markers = new QHBoxLayout;
    PIFlag = new QLabel("* Printed *", this);
    PIFlag->setObjectName("PIFlag");
    Label18 = new QLabel("* Repeat *", this);
    Label18->setObjectName("Label18");
    for (QLabel* m : {PIFlag, Label18}) {
        m->setStyleSheet("color: red; font-weight: bold");
        markers->addWidget(m);
    }
    markers->addStretch();
    layout->addLayout(markers);

    auto* box = new QGroupBox("Customer Data:", this);
    box->setObjectName("Panel1");
    auto* customer = new QFormLayout(box);
    CustName = row(customer, "Name:", "CustName");
    CustNo = row(customer, "Customer Number:", "CustNo");
    CustBal = row(customer, "Account Balance:", "CustBal");
    Pnum = row(customer, "Phone Number:", "Pnum");
    LstPmt = row(customer, "Last Payment:", "LstPmt");
    LstInv = row(customer, "Last Invoice:", "LstInv");
    a0to30 = value("a0to30");
    a3160 = value("a3160");
    A6190 = value("A6190");
    AO90 = value("AO90");
    const std::array<const char*, 4> defaults{
        "00 - 30 Days:", "31 - 60 Days:", "61 - 90 Days:", "Over 90 Days:"};
    const std::array<QLabel*, 4> amounts{a0to30, a3160, A6190, AO90};
    for (std::size_t k = 0; k < amounts.size(); ++k) {
        AgingCaptions[k] = new QLabel(defaults[k], box);
        AgingCaptions[k]->setObjectName(QString("AgingCaption%1").arg(k + 1));
        amounts[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        customer->addRow(AgingCaptions[k], amounts[k]);
    }
    layout->addWidget(box);

    auto* buttons = new QHBoxLayout;
    BitBtn1 = new QPushButton("&Close", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    SetButtonResult(BitBtn1, Modal::Ok);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    layout->addLayout(buttons);
}

void TQView::Fill(const CustomerDataTexts& t) {
    DataType->setText(t.DataType);
    IvNum->setText(t.IvNum);
    IvDate->setText(t.IvDate);
    InvTot->setText(t.InvTot);
    PdAmount->setText(t.PdAmount);
    IBalDue->setText(t.IBalDue);
    PIFlag->setVisible(t.printed);
    Label18->setVisible(t.repeat);
    CustName->setText(t.CustName);
    CustNo->setText(t.CustNo);
    CustBal->setText(t.CustBal);
    Pnum->setText(t.Pnum);
    LstPmt->setText(t.LstPmt);
    LstInv->setText(t.LstInv);
    const std::array<QLabel*, 4> amounts{a0to30, a3160, A6190, AO90};
    for (std::size_t k = 0; k < amounts.size(); ++k) amounts[k]->setText(t.aging[k]);
}

void TQView::FormShow() {
    const std::array<QString, 4> captions = AgingRowCaptions(Shell().companies.CurrentCompany);
    for (std::size_t k = 0; k < captions.size(); ++k) AgingCaptions[k]->setText(captions[k]);
    BitBtn1->setFocus();
}
