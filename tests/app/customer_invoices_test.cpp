// Started by another program: the command line's switches, and "/V" opening the Invoice
// Manager on the exchange file's customer, or telling why not with the main window left up.
#include <QLabel>

#include "app/start_options.h"
#include "engine/browse/browser.h"
#include "invoicing/entry/external_transaction.h"
#include "invoicing/manager/invoice_manager_window.h"
#include "shell/text.h"
#include "shell/window_flags.h"
#include "tests/app/program_env.h"

namespace {

TEST(StartOptions, SwitchesAndTheDataFolderInAnyOrder) {
    StartOptions o = ParseArguments({"stockmere", "/v", "--data", "/tmp/a b"});
    EXPECT_TRUE(o.valid);
    EXPECT_TRUE(o.customerInvoices);
    EXPECT_FALSE(o.externalTransaction);
    EXPECT_EQ(o.dataDir, "/tmp/a b");

    o = ParseArguments({"stockmere", "--data=/d", "/C", "/x", "V"});
    EXPECT_TRUE(o.externalTransaction);
    EXPECT_FALSE(o.customerInvoices) << "only \"/V\" itself asks for the invoices";
    EXPECT_EQ(o.dataDir, "/d");

    o = ParseArguments({"stockmere"});
    EXPECT_TRUE(o.valid);
    EXPECT_TRUE(o.dataDir.empty());
    EXPECT_FALSE(o.customerInvoices || o.externalTransaction);

    EXPECT_FALSE(ParseArguments({"stockmere", "/V", "--data"}).valid);
    EXPECT_FALSE(ParseArguments({"stockmere", "--data="}).valid);
}

class CustomerInvoicesTest : public ProgramEnv {
protected:
    void WriteExchange(const std::string& content) {
        ASSERT_TRUE(ReplaceFile(shell.context().folder.file(ExchangeFileName), content));
    }
    // The customer numbers of the rows the manager lists.
    static std::vector<std::string> Customers(TInvEdit1& m) {
        std::vector<std::string> numbers;
        for (const RR& row : m.InvBrowser1->rows())
            numbers.push_back(TrimBlanks(row.BRLRowEltString.substr(23, 8)));
        return numbers;
    }
};

TEST_F(CustomerInvoicesTest, TheManagerOpensFilteredOnTheExchangeFilesCustomer) {
    WriteExchange(" c00003 \r\nanything else\r\n");
    std::vector<std::string> listed;
    host->OnModal("InvEdit1", [&](Form& f) {
        auto& m = static_cast<TInvEdit1&>(f);
        listed = Customers(m);
        EXPECT_TRUE(m.InvBrowser1->FilterEnabled());
        EXPECT_EQ(m.CFilter->text(), "Filtering Customer#: C00003") << "as stored, not as typed";
        m.SpeedButton3Click();
    });
    EXPECT_TRUE(ShowExchangeCustomerInvoices());
    ASSERT_FALSE(listed.empty()) << "the sample customer has invoices";
    for (const std::string& customer : listed) EXPECT_EQ(customer, "C00003");
    EXPECT_FALSE(SharedFlags.InvoiceFilterOnShow);

    // The next showing from the main window lists every customer again.
    host->OnModal("InvEdit1", [&](Form& f) {
        auto& m = static_cast<TInvEdit1&>(f);
        EXPECT_FALSE(m.InvBrowser1->FilterEnabled());
        const auto all = Customers(m);
        EXPECT_NE(std::count(all.begin(), all.end(), "C00003"), std::ssize(all));
        m.SpeedButton3Click();
    });
    EXPECT_TRUE(RunRegisteredCommand(CommandId::InvoiceManager));
}

TEST_F(CustomerInvoicesTest, AnUnknownCustomerOrNoExchangeFileIsToldAndNothingOpens) {
    host->Answer(MsgResult::Ok,
                 "The exchange file FILE.TXT cannot be read from the data folder " +
                     QString::fromStdString(dir.path().string()) + ".",
                 "Invoice Manager");
    EXPECT_FALSE(ShowExchangeCustomerInvoices());

    WriteExchange("   \r\nC00003\r\n");
    host->Answer(MsgResult::Ok,
                 "The exchange file FILE.TXT has no customer number on its first line.",
                 "Invoice Manager");
    EXPECT_FALSE(ShowExchangeCustomerInvoices());

    WriteExchange("C99999\r\n");
    host->Answer(MsgResult::Ok, "Customer C99999 named in FILE.TXT is not on file.",
                 "Invoice Manager");
    EXPECT_FALSE(ShowExchangeCustomerInvoices());

    EXPECT_FALSE(SharedFlags.InvoiceFilterOnShow) << "no later showing is filtered";
    EXPECT_TRUE(main().isVisible());
}

}  // namespace
