// The Payment Wizard offscreen through the scripted host: choosing the customer through the
// Customer Manager, moving items, the paid amount, partial payments and deposits through the
// amount dialog, the calendar, and posting from the window to the files.
#include "invoicing/receivables/payment_wizard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <map>

#include "invoicing/receivables/partial_payment_dialog.h"
#include "masters/master_manager.h"
#include "platform/mask_edit.h"
#include "shell/date_dialog.h"
#include "shell/text.h"
#include "tests/invoicing/payment_env.h"
#include "tests/support/accelerators.h"

namespace {

QStringList Rows(const QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
}

class PayBoxTest : public PaymentEnv {
protected:
    // Runs the wizard with the script; its modal result.
    int Show(const std::function<void(TPayBox&)>& script) {
        host->OnModal("PayBox", [&script](Form&) { script(*PayBox); });
        return PayBox->ShowModal();
    }

    // Chooses the customer of that name through the Customer Manager; `note` is the
    // message expected after the choice.
    void Choose(TPayBox& box, const std::string& name, const QString& note = {}) {
        host->OnModal("DemoForm", [name](Form&) {
            EXPECT_EQ(DemoForm->Panel(1)->text(), PickPrompt);
            BrowserGotoKey(*DemoForm->FvcBrowser1, KeyText(name, 30), 0);
            DemoForm->FvcBrowser1Pick();
        });
        if (!note.isEmpty()) host->Answer(MsgResult::Ok, note, "Please Note");
        PressButton(box, "BitBtn3");
        EXPECT_EQ(DemoForm->Panel(1)->text(), MenuPrompt);
        EXPECT_EQ(masters.state().CustSelectMode, 0);
    }

    // Selects exactly these rows of the list, the first of them current.
    static void Select(QListWidget* list, std::initializer_list<int> rows) {
        list->clearSelection();
        for (const int row : rows) list->item(row)->setSelected(true);
        list->setCurrentRow(*rows.begin(), QItemSelectionModel::NoUpdate);
    }

    static void PressEnter(QWidget* widget) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(widget, &enter);
    }

    MastersWindows managers;
    PaymentWindows payments;
    CalFormScope calendar;
};

TEST_F(PayBoxTest, EachShowingStartsEmptyForTheCompany) {
    ChangeCompany([](CompanyRec& c) { c.set(Company::DateOrderSetting, "Y"); });
    const int result = Show([](TPayBox& box) {
        EXPECT_EQ(box.windowTitle(), "Payment Wizard - Harbour Lane");
        EXPECT_EQ(box.PmtDate->EditMask(), "!9999/99/99;1;_");
        EXPECT_EQ(box.PmtDate->Text(), "2024/03/15");
        EXPECT_EQ(box.PAmt->text(), "0.00");
        EXPECT_EQ(box.PCustBal->text(), "0.00");
        EXPECT_EQ(box.IPostedAmt->text(), "0.00");
        for (QPushButton* b : {box.OKBtn, box.PPmtBtn, box.AccountDep, box.IncludeBtn,
                               box.IncAllBtn, box.ExcludeBtn, box.ExAllBtn})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_EQ(box.OKBtn->text(), "&Post");
        EXPECT_EQ(box.IncAllBtn->toolTip(), "Move all records right");
        PressButton(box, "CancelBtn");
    });
    EXPECT_EQ(result, Modal::Cancel);
}

TEST_F(PayBoxTest, TypingTheCustomersExactBalanceMovesEveryItemAndPostsThem) {
    AddCustomer("C1", "Acme Tools", "250.00");
    AddCustomer("C2", "Bolt Supply", "40.00");
    const int32_t first = AddInvoice({.number = "1001", .customer = "C1"});
    const int32_t second = AddInvoice({.number = "1002", .customer = "C1", .total = "150.00"});
    AddInvoice({.number = "1003", .customer = "C2", .total = "40.00"});

    const int result = Show([this](TPayBox& box) {
        Choose(box, "Acme Tools");
        EXPECT_EQ(box.PCustName->text(), "Acme Tools");
        EXPECT_EQ(box.PCustNum->text(), "C1");
        EXPECT_EQ(box.PCustBal->text(), "250.00");
        EXPECT_EQ(box.PCustPhone->text(), "555-0100");
        EXPECT_EQ(box.Sname->text(), "Acme Tools");
        EXPECT_EQ(Rows(box.SrcList), QStringList({"1001      03/01/24       100.00",
                                                  "1002      03/01/24       150.00"}));
        EXPECT_TRUE(box.AccountDep->isEnabled());
        EXPECT_TRUE(box.IncAllBtn->isEnabled());

        FillControl(box, "PAmt", "250.00");
        EXPECT_EQ(box.SrcList->count(), 0);
        EXPECT_EQ(box.DstList->count(), 2);
        EXPECT_EQ(box.IPostedAmt->text(), "250.00");
        EXPECT_TRUE(box.OKBtn->isEnabled());
        EXPECT_FALSE(box.PPmtBtn->isEnabled());
        FillControl(box, "PNotes", "Check 77");
        PressButton(box, "OKBtn");
    });
    EXPECT_EQ(result, Modal::Ok);
    EXPECT_EQ(InvoiceAt(first).get(Invoice::InvPaidFlag), "P");
    EXPECT_EQ(InvoiceAt(second).get(Invoice::InvPaid), "150.00");
    EXPECT_EQ(InvoiceAt(second).get(Invoice::InvStatementNote), "Check 77");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "0.00");
    EXPECT_EQ(CustomerOnFile("C2").get(Customer::Balance), "40.00");
    EXPECT_EQ(CompanyOnFile().get(Company::ReceivablesTotal), "-150.00");
}

TEST_F(PayBoxTest, APartialPaymentSplitsTheInvoiceBetweenTheLists) {
    AddCustomer("C1", "Acme Tools", "100.00");
    const int32_t ref = AddInvoice({.number = "1001", .customer = "C1"});
    const int result = Show([this](TPayBox& box) {
        Choose(box, "Acme Tools");
        Select(box.SrcList, {0});
        box.SrcListClick();
        ASSERT_TRUE(box.PPmtBtn->isEnabled());
        host->OnModal("PPmtDialog", [this](Form& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Partial Payment");
            EXPECT_EQ(PPmtDialog->Label1->text(), "Invoice: 1001   Date: 03/01/24");
            EXPECT_EQ(PPmtDialog->PPAmt->text(), "0.00");
            host->Answer(MsgResult::Ok, "The partial payment amount must be less than amount due.",
                         "Partial Payment Amount");
            FillControl(dialog, "PPAmt", "100");
            PressButton(dialog, "OKBtn");
            EXPECT_EQ(dialog.ModalResult(), Modal::None) << "the dialog stays open";
            FillControl(dialog, "PPAmt", "40");
            PressButton(dialog, "OKBtn");
        });
        PressButton(box, "PPmtBtn");
        EXPECT_EQ(Rows(box.DstList), QStringList({"1001      03/01/24        40.00P"}));
        EXPECT_EQ(Rows(box.SrcList), QStringList({"1001      03/01/24        60.00"}));
        EXPECT_EQ(box.SrcList->currentRow(), 0);
        EXPECT_EQ(box.IPostedAmt->text(), "40.00");
        EXPECT_FALSE(box.OKBtn->isEnabled()) << "the paid amount is still 0.00";
        FillControl(box, "PAmt", "40");
        PressButton(box, "OKBtn");
    });
    EXPECT_EQ(result, Modal::Ok);
    EXPECT_EQ(InvoiceAt(ref).get(Invoice::InvType), "Z");
    EXPECT_EQ(InvoiceAt(ref).get(Invoice::InvDue), "60.00");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "60.00");
}

TEST_F(PayBoxTest, ADepositOnAccountForACustomerWithoutABalance) {
    AddCustomer("C1", "Acme Tools", "0.00");
    const int result = Show([this](TPayBox& box) {
        Choose(box, "Acme Tools",
               "This customer does not have a balance due. You can only record deposits on "
               "account or clear offsetting invoices and credits.");
        EXPECT_EQ(box.SrcList->count(), 0);
        host->OnModal("PPmtDialog", [](Form& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Deposit on Account");
            EXPECT_EQ(PPmtDialog->Label1->text(), "Invoice: DEPOSIT     Date: 03/15/2024");
            EXPECT_EQ(PPmtDialog->DepositMode, 1U);
            FillControl(dialog, "PPAmt", "1,000");
            PressButton(dialog, "OKBtn");
        });
        PressButton(box, "AccountDep");
        EXPECT_EQ(PPmtDialog->DepositMode, 0U);
        EXPECT_EQ(Rows(box.DstList), QStringList({"DEPOSIT   03/15/24     1,000.00"}));
        EXPECT_TRUE(box.ExcludeBtn->isEnabled());
        FillControl(box, "PAmt", "1000");
        PressButton(box, "OKBtn");
    });
    EXPECT_EQ(result, Modal::Ok);
    const auto invoices = Invoices();
    ASSERT_EQ(invoices.size(), 1U);
    EXPECT_EQ(invoices[0].second.get(Invoice::InvNumber), "DP1");
    EXPECT_EQ(invoices[0].second.get(Invoice::InvDue), "-1000.00");
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "-1000.00");
}

TEST_F(PayBoxTest, APaidAmountThatIsNoPlainNumberIsRefusedAndPostsNothing) {
    AddCustomer("C1", "Acme Tools", "1000.00");
    AddInvoice({.number = "1001", .customer = "C1", .total = "1000.00"});
    const int result = Show([this](TPayBox& box) {
        Choose(box, "Acme Tools");
        PressButton(box, "IncAllBtn");
        host->Answer(MsgResult::Ok, "The payment amount must be a numeric value.",
                     "Invalid Payment Amount");
        FillControl(box, "PAmt", "1,000.00");
        EXPECT_FALSE(box.OKBtn->isEnabled());
        host->Answer(MsgResult::Ok,
                     "You should not enter a negative number in the payment box. Create a "
                     "credit invoice if you are trying to give the customer credit.",
                     "Paid Amount");
        FillControl(box, "PAmt", "-1000");
        EXPECT_FALSE(box.OKBtn->isEnabled());
        FillControl(box, "PAmt", "1000");
        EXPECT_TRUE(box.OKBtn->isEnabled());
        PressButton(box, "CancelBtn");
    });
    EXPECT_EQ(result, Modal::Cancel);
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "1000.00");
}

TEST_F(PayBoxTest, MovesWalkTheSourceFromItsLastRowAndKeepTheButtonsInStep) {
    AddCustomer("C1", "Acme Tools", "600.00");
    AddInvoice({.number = "1001", .customer = "C1"});
    AddInvoice({.number = "1002", .customer = "C1", .total = "200.00"});
    AddInvoice({.number = "1003", .customer = "C1", .total = "300.00"});
    Show([this](TPayBox& box) {
        Choose(box, "Acme Tools");
        Select(box.SrcList, {0, 2});
        PressButton(box, "IncludeBtn");
        EXPECT_EQ(Rows(box.DstList), QStringList({"1003      03/01/24       300.00",
                                                  "1001      03/01/24       100.00"}));
        EXPECT_EQ(Rows(box.SrcList), QStringList({"1002      03/01/24       200.00"}));
        EXPECT_EQ(box.SrcList->currentRow(), 0) << "the first moved position, clamped";
        EXPECT_EQ(box.IPostedAmt->text(), "400.00");

        // Enter on the post list moves its selected row back, into its sorted place.
        Select(box.DstList, {1});
        PressEnter(box.DstList);
        EXPECT_EQ(Rows(box.SrcList).first(), "1001      03/01/24       100.00");
        EXPECT_EQ(box.DstList->count(), 1);

        PressButton(box, "ExAllBtn");
        EXPECT_EQ(box.DstList->count(), 0);
        EXPECT_EQ(box.SrcList->count(), 3);
        EXPECT_TRUE(box.PPmtBtn->isEnabled());
        EXPECT_FALSE(box.ExcludeBtn->isEnabled());
        EXPECT_FALSE(box.ExAllBtn->isEnabled());
        EXPECT_EQ(box.IPostedAmt->text(), "0.00");

        host->Answer(MsgResult::Ok, "There are no records to move to the left box.",
                     "Payment Wizard");
        PressEnter(box.DstList);

        // A new deposit cannot be paid in part.
        host->OnModal("PPmtDialog", [](Form& dialog) {
            FillControl(dialog, "PPAmt", "5");
            PressButton(dialog, "OKBtn");
        });
        PressButton(box, "AccountDep");
        Select(box.DstList, {0});
        PressButton(box, "ExcludeBtn");
        Select(box.SrcList, {box.SrcList->count() - 1});
        box.SrcListClick();
        EXPECT_FALSE(box.PPmtBtn->isEnabled());
        PressButton(box, "CancelBtn");
    });
    EXPECT_EQ(Invoices().size(), 3U);
}

TEST_F(PayBoxTest, AnInvalidPaymentDateKeepsTheWindowOpenWithNothingWritten) {
    AddCustomer("C1", "Acme Tools", "100.00");
    AddInvoice({.number = "1001", .customer = "C1"});
    const int result = Show([this](TPayBox& box) {
        Choose(box, "Acme Tools");
        FillControl(box, "PAmt", "100");
        ASSERT_TRUE(box.OKBtn->isEnabled());
        FillControl(box, "PmtDate", "02/30/2024");
        host->Answer(MsgResult::Ok,
                     "You have an invalid payment date. You can clear the date and then select "
                     "the calendar button.",
                     "Payment Date");
        PressButton(box, "OKBtn");
        EXPECT_EQ(box.ModalResult(), Modal::None);

        // The calendar replaces a date that is no date with today's and opens beside the
        // wizard.
        host->OnModal("CalForm", [&box](Form& calendar) {
            EXPECT_EQ(CalTop, box.frameGeometry().top());
            EXPECT_EQ(CalLeft, box.frameGeometry().right() + 7);
            EXPECT_EQ(CalForm->SelectedDate(), (Date{2024, 3, 15}));
            CalForm->SetDate(Date{2024, 3, 12});
            PressButton(calendar, "OKBtn");
        });
        PressButton(box, "Calbutton");
        EXPECT_EQ(box.PmtDate->Text(), "03/12/2024");
        PressButton(box, "OKBtn");
    });
    EXPECT_EQ(result, Modal::Ok);
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::LastPaymentDate), "03/12/2024");
    EXPECT_EQ(Invoices().front().second.get(Invoice::InvDatePaid), "2024/03/12");
}

TEST_F(PayBoxTest, TheCommandOpensTheWizardAndAManagerClosedWithoutAPickChangesNothing) {
    AddCustomer("C1", "Acme Tools", "100.00");
    AddInvoice({.number = "1001", .customer = "C1"});
    host->OnModal("PayBox", [this](Form&) {
        TPayBox& box = *PayBox;
        Choose(box, "Acme Tools");
        PressButton(box, "IncAllBtn");
        host->OnModal("DemoForm", [](Form& manager) { PressButton(manager, "CloseBtn"); });
        PressButton(box, "BitBtn3");
        EXPECT_EQ(box.PCustName->text(), "Acme Tools");
        EXPECT_EQ(box.DstList->count(), 1);
        PressButton(box, "CancelBtn");
    });
    EXPECT_TRUE(RunRegisteredCommand(CommandId::PaymentWizard));
}

}  // namespace

namespace {

TEST_F(PayBoxTest, TheInvoiceFileIsOpenWhileTheWizardIsShownAndClosedAfter) {
    AddCustomer("C1", "Acme Tools", "100.00");
    AddInvoice({.number = "1001", .customer = "C1"});
    CloseInvoiceDatabases();
    ASSERT_EQ(InvoiceData().handle(), 0);
    Show([this](TPayBox& box) {
        EXPECT_NE(InvoiceData().handle(), 0);
        Choose(box, "Acme Tools");
        Choose(box, "Acme Tools");  // a second customer finds the file open
        EXPECT_NE(InvoiceData().handle(), 0);
        EXPECT_EQ(Rows(box.SrcList), QStringList({"1001      03/01/24       100.00"}));
        PressButton(box, "CancelBtn");
    });
    EXPECT_EQ(InvoiceData().handle(), 0);
}

}  // namespace

TEST_F(PayBoxTest, NoTwoCaptionsShareAnAltKey) {
    using testsupport::AcceleratorClashes, testsupport::ClashLines;
    EXPECT_EQ(ClashLines(AcceleratorClashes(*PayBox)), "") << "Payment Wizard";
    EXPECT_EQ(ClashLines(AcceleratorClashes(*DemoForm)), "") << "Customer Manager";
}
