// The daily aging recalculation on real files: invoices move on to their next aging class as
// the days pass, it runs once a day for each company (and when a company is made current),
// and a customer whose records cannot be aged is left as it was and named.
#include "invoicing/receivables/aging_recalculation.h"

#include "invoicing/invoicing_services.h"
#include "shell/company/company_list.h"
#include "shell/small_files.h"
#include "tests/invoicing/posting_env.h"

namespace {

class AgingRecalculationTest : public PostingEnv {
protected:
    AgingRecalculationTest() {
        AddCustomer("C1", "Acme Tools");
        AddCustomer("C2", "Birch Ltd");
        AddCustomer("C3", "Cedar Co", [](CustomerRec& c) {
            EXPECT_TRUE(c.set(Customer::Amounts[0], "99.00"));  // stale: nothing is open
        });
    }

    void PostFor(const std::string& number, const std::string& customer, const std::string& date,
                 const std::string& total, const std::string& paid = "0.00") {
        InvoiceEntry e = Entry({{"", "1", "Service", total, "N", total, "0"}}, total, paid);
        e.number = number;
        e.customerNumber = customer;
        e.date = date;
        Post(e);
    }

    std::vector<std::string> Aging(const std::string& customer) {
        const CustomerRec c = CustomerOnFile(customer);
        std::vector<std::string> amounts;
        for (const auto& field : Customer::Amounts) amounts.push_back(c.get(field));
        return amounts;
    }
    void Today(int year, int month, int day) {
        shell.context().clock.setToday(Date{year, month, day});
    }

    // Damages the stored header of the invoice in place.
    void Damage(const std::string& number, const std::function<void(InvoiceRec&)>& change) {
        const StepFile open(InvoiceData());
        InvoiceRec probe;
        ASSERT_TRUE(probe.set(Invoice::InvNumber, number));
        InvoiceRec r;
        const int32_t ref = InvoiceData().Find(InvoiceNumberKey,
                                               BuildInvoiceKey(probe, InvoiceNumberKey), r.bytes());
        ASSERT_NE(ref, 0);
        change(r);
        ASSERT_TRUE(InvoiceData().PutRec(r.bytes(), ref));
    }

    using Amounts = std::vector<std::string>;
};

TEST_F(AgingRecalculationTest, InvoicesMoveOnAsTheDaysPassOnceADayForEachCompany) {
    // A company without an invoice file yet: nothing to age, and no file is made for it.
    CloseInvoiceDatabases();
    for (const char* ext : {"7I.DAT", "7I.IX"})
        ASSERT_TRUE(std::filesystem::remove(shell.context().folder.file(ext)));
    RecalculateAgingOncePerDay();
    EXPECT_FALSE(std::filesystem::exists(shell.context().folder.file("7I.DAT")));
    EXPECT_EQ(LastAgingRun(shell.context().folder, "7"), "2024/03/15");
    ASSERT_TRUE(CreateInvoiceFile());
    ASSERT_TRUE(OpenInvoiceDatabases());

    PostFor("1001", "C1", "03/01/2024", "10.00");
    PostFor("1002", "C2", "01/30/2024", "20.00");
    PostFor("1003", "C2", "03/10/2024", "5.00", "5.00");  // paid: nothing owed
    EXPECT_EQ(Aging("C1")[0], "10.00");

    // 50 and 81 days later than their dates.
    Today(2024, 4, 20);
    RecalculateAgingOncePerDay();
    EXPECT_EQ(Aging("C1"), (Amounts{"0.00", "10.00", "0.00", "0.00"}));
    EXPECT_EQ(Aging("C2"), (Amounts{"0.00", "0.00", "20.00", "0.00"}));
    EXPECT_EQ(Aging("C3"), (Amounts{"0.00", "0.00", "0.00", "0.00"}));
    EXPECT_EQ(LastAgingRun(shell.context().folder, "7"), "2024/04/20");

    // Once a day: a second start on the same day leaves the customers alone.
    const auto setCurrent = [&](const std::string& number, const std::string& amount) {
        const CustomerRec c = CustomerOnFile(number);
        CustomerRec changed = c;
        EXPECT_TRUE(changed.set(Customer::Amounts[0], amount));
        const StepFile open(CustomerData());
        int32_t ref = 0;
        for (;;) {
            NextUsedRecord(CustomerData().handle(), ref);
            ASSERT_TRUE(EngineOK);
            CustomerRec r;
            ReadRecord(CustomerData().handle(), ref, r.bytes());
            if (r == c) break;
        }
        ASSERT_TRUE(CustomerData().PutRec(changed.bytes(), ref));
    };
    setCurrent("C1", "1.00");
    RecalculateAgingOncePerDay();
    EXPECT_EQ(Aging("C1")[0], "1.00");

    // Days later, made current from the Company Manager: it runs, through the hook the
    // invoicing unit installs. Other companies keep their own days.
    ASSERT_TRUE(RecordAgingRun(shell.context().folder, "12", "2024/01/02"));
    Today(2024, 5, 1);
    {
        const InvoicingServices services;
        ChooseCompany(CompanyOnFile());
    }
    EXPECT_EQ(Aging("C1"), (Amounts{"0.00", "0.00", "10.00", "0.00"}));
    EXPECT_EQ(Aging("C2"), (Amounts{"0.00", "0.00", "0.00", "20.00"}));
    EXPECT_EQ(LastAgingRun(shell.context().folder, "7"), "2024/05/01");
    EXPECT_EQ(LastAgingRun(shell.context().folder, "12"), "2024/01/02");

    // A record that cannot be aged leaves its customer as it was, named; the others go on.
    PostFor("1004", "C3", "04/30/2024", "7.00");
    Damage("1004", [](InvoiceRec& r) { EXPECT_TRUE(r.set(Invoice::InvDue, "abc")); });
    setCurrent("C3", "3.00");
    Today(2024, 5, 2);
    host->Answer(MsgResult::Ok,
                 "The aging of these customers was left as it was; please correct their "
                 "invoices:\n\nCustomer C3: The amount due of invoice 1004 (\"abc\") is not a "
                 "number.",
                 "Customer Aging");
    RecalculateAgingOncePerDay();
    EXPECT_EQ(Aging("C3")[0], "3.00");
    EXPECT_EQ(Aging("C1"), (Amounts{"0.00", "0.00", "10.00", "0.00"}));
    EXPECT_EQ(LastAgingRun(shell.context().folder, "7"), "2024/05/02");
}

}  // namespace
