// The external transaction: the exchange file's customer in the entry dialog without a pick,
// the answer file CPWIN.TXT after posting, and the refusals that write nothing.
#include <QLabel>
#include <QPlainTextEdit>

#include "invoicing/entry/external_transaction.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "masters/master_manager.h"
#include "platform/string_grid.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "tests/invoicing/posting_env.h"

namespace {

class ExternalTransactionTest : public PostingEnv {
protected:
    ExternalTransactionTest() {
        AddCustomer("C1", "Acme Tools");
        AddProduct({.code = "W1", .description = "Widget", .price = "2.50", .onHand = "10"});
    }

    void WriteFile(std::string_view name, const std::string& content) {
        ASSERT_TRUE(ReplaceFile(shell.context().folder.file(name), content));
    }
    std::optional<std::string> Answer() {
        return ReadWholeFile(shell.context().folder.file(AnswerFileName));
    }

    MastersWindows mastersWindows;
    InvoicingWindows invoicingWindows;
    TMainForm mainForm;
};

TEST_F(ExternalTransactionTest, TheInvoiceIsAnsweredLineByLineInCPWIN) {
    WriteFile(ExchangeFileName, " c1 \r\nanything after the first line\r\n");
    WriteFile(AnswerFileName, "an answer of an earlier run\r\n");
    host->OnModal("ProdInv", [](Form& f) {
        auto& d = static_cast<TProdInv&>(f);
        EXPECT_EQ(d.ICustNo->text(), "C1") << "no pick: the customer is given";
        EXPECT_EQ(d.ICustName->text(), "Acme Tools");
        d.StringGrid1->item(0, InvoiceCol::Code)->setText("W1");
        d.StringGrid1->item(0, InvoiceCol::Quantity)->setText("2");
        d.StringGrid1->item(1, InvoiceCol::Description)->setText("Delivered");
        FillControl(f, "IPaid", "1.50");
        PressButton(f, "OKButton");
        EXPECT_EQ(f.ModalResult(), Modal::Ok);
    });
    ASSERT_TRUE(RunExternalTransaction());

    const std::string row1 = PadRightWith("W1", ' ', 10) + " " + PadRightWith("2", ' ', 10) + " " +
                             PadRightWith("Widget", ' ', 32) + " " + PadRightWith("2.50", ' ', 10) +
                             " N " + PadRightWith("5.00", ' ', 10);
    const std::string row2 = PadRightWith("", ' ', 10) + " " + PadRightWith("1", ' ', 10) + " " +
                             PadRightWith("Delivered", ' ', 32) + " " +
                             PadRightWith("0.00", ' ', 10) + " N " + PadRightWith("0.00", ' ', 10);
    EXPECT_EQ(Answer(), "C1\r\n1001\r\n5.00\r\n1.50\r\n" + row1 + "\r\n" + row2 + "\r\n");
    EXPECT_EQ(mainForm.StatusText(1), "Added invoice 1001 containing 2 line item(s).");
    EXPECT_EQ(shell.context().main.ExternalTransMode, 0) << "the mode ends with the transaction";
    EXPECT_EQ(StockOf("W1"), "8");
}

TEST_F(ExternalTransactionTest, AMemoInvoiceIsAnsweredWithItsNonBlankMemoLines) {
    WriteFile(ExchangeFileName, "C1");
    ChangeCompany([](CompanyRec& c) { c.set(Company::NewInvoiceType, "M"); });
    host->OnModal("ProdInv", [](Form& f) {
        FillControl(f, "Memo1", "First line\n\n  Third line");
        FillControl(f, "INet", "80.00");
        PressButton(f, "OKButton");
    });
    ASSERT_TRUE(RunExternalTransaction());
    EXPECT_EQ(Answer(), "C1\r\n1001\r\n80.00\r\n0.00\r\nFirst line\r\n  Third line\r\n");
}

TEST_F(ExternalTransactionTest, AnUnknownCustomerOrNoExchangeFileWritesNothing) {
    WriteFile(AnswerFileName, "stale\r\n");
    host->Answer(MsgResult::Ok,
                 "The exchange file FILE.TXT cannot be read from the data folder " +
                     QString::fromStdString(dir.path().string()) + ".",
                 "External Transaction");
    EXPECT_FALSE(RunExternalTransaction());
    EXPECT_EQ(Answer(), std::nullopt) << "an earlier answer never stands for this run";

    WriteFile(ExchangeFileName, "\r\nC1\r\n");
    host->Answer(MsgResult::Ok,
                 "The exchange file FILE.TXT has no customer number on its first line.",
                 "External Transaction");
    EXPECT_FALSE(RunExternalTransaction());

    // A first line of megabytes: read no further than needed, show no more than the field holds.
    WriteFile(ExchangeFileName, "C1" + std::string(2'000'000, 'X') + "\r\n");
    host->Answer(MsgResult::Ok,
                 "The first line of FILE.TXT does not hold a customer number: \"C1XXXXXX...\" is "
                 "longer than 8 characters.",
                 "External Transaction");
    EXPECT_FALSE(RunExternalTransaction());

    WriteFile(ExchangeFileName, "C9\r\n");
    host->Answer(MsgResult::Ok,
                 "Customer C9 named in FILE.TXT is not on file. No invoice was written.",
                 "External Transaction");
    EXPECT_FALSE(RunExternalTransaction());

    WriteFile(ExchangeFileName, "C1\r\n");
    host->OnModal("ProdInv", [](Form& f) { PressButton(f, "BitBtn1"); });
    EXPECT_FALSE(RunExternalTransaction());

    EXPECT_EQ(Answer(), std::nullopt);
    EXPECT_TRUE(Headers().empty());
    EXPECT_EQ(CompanyOnFile().get(Company::NextInvoiceNumber), "1001");
}

}  // namespace
