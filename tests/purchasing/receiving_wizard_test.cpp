// The Receiving Wizard offscreen through the scripted host, opened by the main window's
// command: finding an order, the grid, All and None, the checks of Post with their focus,
// and the receiver date across companies of different date orders.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "platform/application.h"
#include "platform/mask_edit.h"
#include "platform/string_grid.h"
#include "purchasing/po_files.h"
#include "purchasing/receiving_wizard.h"
#include "shell/date_dialog.h"
#include "shell/commands.h"
#include "tests/purchasing/receiving_env.h"

namespace {

namespace C = RecvCol;

class ReceivingWizardTest : public ReceivingEnv {
protected:
    // Runs the main window's command; the script works the window, which then closes.
    void Show(const std::function<void(TRecvWiz&)>& script) {
        host->OnModal("RecvWiz", [script](Form& f) {
            script(static_cast<TRecvWiz&>(f));
            PressButton(f, "InvClose");
        });
        EXPECT_TRUE(RunRegisteredCommand(CommandId::ReceivingWizard));
    }
    // Types into the In Today cell of the row as the grid's editor hands it over.
    static void Type(TRecvWiz& w, int row, const QString& text) {
        RunCommand([&] { w.StringGrid1->item(row - 1, C::InToday)->setText(text); });
    }
    static QString Cell(TRecvWiz& w, int col, int row) { return w.StringGrid1->Cell(col, row); }
    // Presses Post expecting the message; the window stays on the field named.
    void PostRefused(TRecvWiz& w, const QString& text, const QString& caption, QWidget* focus,
                     MsgResult answer = MsgResult::Ok) {
        host->Answer(answer, text, caption);
        PressButton(w, "PostBtn");
        EXPECT_EQ(w.ModalResult(), Modal::None) << text.toStdString();
        if (focus) EXPECT_EQ(w.focusWidget(), focus) << text.toStdString();
    }
    void SetDateOrder(const char* order) {
        EXPECT_EQ(UpdateCurrentCompany(shell.context().companies, shell.context().folder,
                                       [order](CompanyRec& c) {
                                           c.set(Company::DateOrderSetting, order);
                                           return true;
                                       }),
                  CompanyResult::Ok);
    }

    CalFormScope calForm;
    RecvWizScope recvWiz;
};

TEST_F(ReceivingWizardTest, FindListsTheOrderAndPostReceivesIt) {
    AddProduct("W1", "5");
    AddProduct("G1", "0");
    const int32_t header = AddHeader("500");
    const int32_t w1 = AddLine(OrderedLine("500", "W1", "10", "4", "99", "2024/03/01"));
    AddLine(OrderedLine("500", "G1", "2"));

    Show([&](TRecvWiz& w) {
        EXPECT_EQ(w.windowTitle(), "Receiving Wizard - Harbour Lane");
        EXPECT_EQ(w.StatusText(), "Enter a PO number and select the Find button...");
        EXPECT_EQ(w.RDate->Text(), "03/15/2024");
        EXPECT_FALSE(w.LoadBtn->isEnabled());
        EXPECT_EQ(w.focusWidget(), w.PONum);
        EXPECT_EQ(Cell(w, C::InToday, 0), "In Today");
        FillControl(w, "PONum", " ");
        EXPECT_FALSE(w.LoadBtn->isEnabled());
        FillControl(w, "PONum", "500");
        EXPECT_TRUE(w.LoadBtn->isEnabled());
        PressButton(w, "LoadBtn");

        ASSERT_EQ(w.StringGrid1->RowCount(), 3);
        EXPECT_EQ(Cell(w, C::Code, 1), "G1");
        EXPECT_EQ(Cell(w, C::Code, 2), "W1");
        EXPECT_EQ(Cell(w, C::Description, 2), "Item W1");
        EXPECT_EQ(Cell(w, C::ToDate, 2), "4");
        EXPECT_EQ(Cell(w, C::InToday, 2), "0");
        EXPECT_EQ(w.TotOrder->text(), "12");
        EXPECT_EQ(w.RecToDate->text(), "4");
        EXPECT_EQ(w.OpenAmt->text(), "8");
        EXPECT_EQ(w.Label7->text(), "2 line(s)");
        EXPECT_EQ(w.Rows()[1].lineRef, w1) << "each row posts to the line it was loaded from";
        EXPECT_EQ(w.RNum->text(), "100");
        EXPECT_EQ(w.ReceivePONumber, "500");
        EXPECT_FALSE(w.LoadBtn->isEnabled());
        EXPECT_TRUE(w.RecAllBtn->isEnabled());
        EXPECT_EQ(w.StatusText(),
                  "For each item, enter the amount received in the \"In Today\" column, then "
                  "select Post button...");

        // Only In Today can be chosen or typed into.
        w.StringGrid1->SetCurrent(C::Code, 2);
        EXPECT_EQ(w.StringGrid1->Col(), C::InToday);
        EXPECT_EQ(w.StringGrid1->Row(), 2);
        EXPECT_FALSE(w.StringGrid1->item(1, C::ToDate)->flags() & Qt::ItemIsEditable);
        EXPECT_TRUE(w.StringGrid1->item(1, C::InToday)->flags() & Qt::ItemIsEditable);

        Type(w, 2, "3");
        EXPECT_EQ(Cell(w, C::BalanceDue, 2), "3");
        PressButton(w, "RecAllBtn");
        EXPECT_EQ(Cell(w, C::InToday, 1), "2");
        EXPECT_EQ(Cell(w, C::InToday, 2), "6");
        EXPECT_EQ(Cell(w, C::BalanceDue, 2), "0");
        EXPECT_EQ(w.focusWidget(), w.PostBtn);
        PressButton(w, "NoneBtn");
        EXPECT_EQ(Cell(w, C::InToday, 2), "0");
        EXPECT_EQ(Cell(w, C::BalanceDue, 1), "2");
        EXPECT_EQ(Cell(w, C::BalanceDue, 2), "6");
        EXPECT_EQ(w.StringGrid1->RowCount(), 3) << "no row added past the last";

        PressButton(w, "RecAllBtn");
        PressButton(w, "PostBtn");
        EXPECT_EQ(w.StatusText(), "PO 500 received. Enter another PO number or close window...");
        EXPECT_EQ(w.PONum->text(), "");
        EXPECT_EQ(w.focusWidget(), w.PONum);
        EXPECT_EQ(w.StringGrid1->RowCount(), 2);
        EXPECT_EQ(Cell(w, C::Code, 1), "");
        EXPECT_EQ(w.TotOrder->text(), "12") << "the totals of the last load stay";
    });
    EXPECT_EQ(StockOf("W1"), "11");
    EXPECT_EQ(StockOf("G1"), "2");
    EXPECT_EQ(NextReceiverOnFile(), "101");
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), "2024/03/15");
}

TEST_F(ReceivingWizardTest, FindSaysWhenThereIsNothingToList) {
    AddHeader("600");
    AddLine(OrderedLine("600", "W1", "2", "2", "R9", "2024/03/01"));
    Show([&](TRecvWiz& w) {
        FillControl(w, "PONum", "601");
        host->Answer(MsgResult::Ok, "That PO number does not exist.", "Receiving Wizard");
        PressButton(w, "LoadBtn");
        EXPECT_EQ(w.StatusText(), "PO not found. Enter a PO number and select the Find button...");
        EXPECT_EQ(w.ReceivePONumber, "0");

        FillControl(w, "PONum", "600");
        host->Answer(MsgResult::Ok, "That PO number does not have any open items to display.",
                     "Receiving Wizard");
        CheckButton(w, "CBFilter", true);
        EXPECT_FALSE(w.RecAllBtn->isEnabled()) << "nothing is open";
        CheckButton(w, "CBFilter", false);
        EXPECT_EQ(Cell(w, C::Code, 1), "W1");
        EXPECT_EQ(Cell(w, C::BalanceDue, 1), "0");
        EXPECT_EQ(w.RNum->text(), "100");
    });
}

TEST_F(ReceivingWizardTest, PostChecksInOrderAndReceivesTheOrderThatWasFound) {
    AddProduct("W1", "0");
    const int32_t header = AddHeader("700");
    AddHeader("701");
    const int32_t line = AddLine(OrderedLine("700", "W1", "5"));
    const int32_t other = AddLine(OrderedLine("701", "W1", "5"));

    Show([&](TRecvWiz& w) {
        PostRefused(w, "You need to select a PO to receive.", "Receiving Wizard", w.PONum);
        FillControl(w, "PONum", "700");
        PressButton(w, "LoadBtn");
        FillControl(w, "PONum", "");
        PostRefused(w, "You need to enter a PO number.", "PO Number", w.PONum);
        // Another number typed without Find: the order found is the one received.
        FillControl(w, "PONum", "701");
        FillControl(w, "RNum", " ");
        PostRefused(w, "You need to enter a receiver number.", "Receiver Number", w.RNum);
        FillControl(w, "RNum", "100");
        PostRefused(w,
                    "You have not entered an amount for any items in the \"In Today\" column. "
                    "You have nothing to receive.",
                    "Received Items", nullptr);
        Type(w, 1, "7");
        EXPECT_EQ(Cell(w, C::BalanceDue, 1), "-2");
        PostRefused(w,
                    "You are receiving more items than ordered. A Change to the PO is probably "
                    "needed. Continue anyway?",
                    "Product: Item W1", w.StringGrid1, MsgResult::No);
        EXPECT_EQ(w.StringGrid1->Row(), 1);
        Type(w, 1, "5");
        FillControl(w, "RDate", "03/16/2024");
        PostRefused(w,
                    "Your received date is AFTER (older than) todays date. It will not appear on "
                    "your receiving report unless you include this date in the search. Are you "
                    "sure you want to do this?",
                    "Please Confirm", w.RDate, MsgResult::No);
        FillControl(w, "RDate", "03/14/2024");
        PressButton(w, "PostBtn");
        EXPECT_EQ(w.StatusText(), "PO 700 received. Enter another PO number or close window...");
    });
    EXPECT_EQ(LineAt(line).get(POLine::LineReceivedQty), "5");
    EXPECT_EQ(LineAt(line).get(POLine::LineReceiptDate), "2024/03/14");
    EXPECT_EQ(LineAt(other), OrderedLine("701", "W1", "5"));
    EXPECT_EQ(HeaderAt(header).get(PurchaseOrder::POReceivedDate), "2024/03/14");
    EXPECT_EQ(StockOf("W1"), "5");
}

TEST_F(ReceivingWizardTest, TheReceiverDateFollowsTheCompanysDateOrder) {
    SetDateOrder("Y");
    Show([&](TRecvWiz& w) {
        EXPECT_EQ(w.RDate->EditMask(), "!9999/99/99;1;_");
        EXPECT_EQ(w.RDate->Text(), "2024/03/15");
        // A date that is not one opens the calendar on today.
        FillControl(w, "RDate", "2024/13/01");
        host->OnModal("CalForm", [](Form& f) {
            auto& cal = static_cast<TCalForm&>(f);
            EXPECT_EQ(cal.windowTitle(), "Receiving Date");
            EXPECT_EQ(cal.SelectedDate(), (Date{2024, 3, 15}));
            cal.SetDate(Date{2024, 3, 10});
            PressButton(f, "OKBtn");
        });
        PressButton(w, "Calbutton");
        EXPECT_EQ(w.RDate->Text(), "2024/03/10");
        EXPECT_EQ(w.focusWidget(), w.RNum);
    });
    // The date of the last use comes back in the next company's order.
    SetDateOrder("D");
    Show([&](TRecvWiz& w) {
        EXPECT_EQ(w.RDate->EditMask(), "!99/99/9999;1;_");
        EXPECT_EQ(w.RDate->Text(), "10/03/2024");
    });
}

}  // namespace
