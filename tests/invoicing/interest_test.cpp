// Finance charges on real company files: which customers the scan lists and what they are
// charged, the invoices, lines, customers and company a run writes, and the runs that are
// refused with nothing written.
#include "invoicing/receivables/interest.h"

#include "platform/application.h"
#include "tests/invoicing/posting_env.h"

namespace {

class InterestTest : public PostingEnv {
protected:
    // A customer owing `aged` in the buckets current, period 1, period 2, over.
    void Owing(const std::string& number, const std::string& name, std::array<std::string, 4> aged,
               const std::string& balance = "0.00") {
        AddCustomer(number, name, [&](CustomerRec& c) {
            for (std::size_t k = 0; k < aged.size(); ++k)
                EXPECT_TRUE(c.set(Customer::Amounts[k], aged[k]));
            EXPECT_TRUE(c.set(Customer::Balance, balance));
        });
    }

    static InterestTerms Rate(const char* rate, const char* minimum = "0.10",
                              OverdueClass overdue = OverdueClass::Over1) {
        InterestTerms t;
        t.overdue = overdue;
        t.rate = *Decimal::Parse(rate);
        t.minimum = *Decimal::Parse(minimum);
        return t;
    }

    static std::vector<std::string> Numbers(const InterestScan& scan) {
        std::vector<std::string> numbers;
        for (const InterestCustomer& c : scan.customers) numbers.push_back(c.number);
        return numbers;
    }

    static InterestInvoiceData Data(const std::string& date = "03/15/2024") {
        InterestInvoiceData d;
        d.date = date;
        d.comments = "Interest Charges";
        d.terms = "Net 10 Days";
        d.statementNote = "Late fee";
        d.overdue = OverdueClass::Over2;
        d.rateText = "1.50";
        d.minimumText = ".10";
        return d;
    }

    // Plans and writes a run over the customers the terms list.
    InterestRunResult Run(const InterestTerms& terms, const InterestInvoiceData& data) {
        const InterestScan scan = ScanInterestCustomers(terms);
        EXPECT_TRUE(scan.refusal.isEmpty()) << scan.refusal.toStdString();
        const InterestFiles files;
        EXPECT_TRUE(files.ok()) << files.refusal().toStdString();
        const InterestPlanResult planned = PlanInterestInvoices(data, scan.customers);
        if (!planned.plan) {
            ADD_FAILURE() << planned.refusal.toStdString();
            return {};
        }
        return WriteInterestInvoices(*planned.plan);
    }

    // The refusal of a run over the customers given; nothing may have been written.
    std::string Refusal(const std::vector<InterestCustomer>& customers,
                        const InterestInvoiceData& data = Data()) {
        const auto customersBefore = All<CustomerRec>(CustomerData());
        const CompanyRec companyBefore = CompanyOnFile();
        const InterestFiles files;
        EXPECT_TRUE(files.ok());
        const InterestPlanResult planned = PlanInterestInvoices(data, customers);
        EXPECT_FALSE(planned.plan);
        EXPECT_EQ(planned.caption, "Interest Wizard");
        EXPECT_TRUE(Lines().empty());
        EXPECT_EQ(All<CustomerRec>(CustomerData()), customersBefore);
        EXPECT_EQ(CompanyOnFile(), companyBefore);
        return planned.refusal.toStdString();
    }

    static InterestCustomer Listed(const std::string& number, const char* charge) {
        return {"", number, *Decimal::Parse("100"), *Decimal::Parse(charge)};
    }
};

TEST_F(InterestTest, TheOverdueClassChoosesTheBucketsThatCount) {
    Owing("C1", "Acme", {"500.00", "100.00", "", ""});
    Owing("C2", "Birch", {"0.00", "10.00", "20.00", "30.00"});
    Owing("C3", "Cedar", {"", "", "", "40.00"});

    EXPECT_EQ(Numbers(ScanInterestCustomers(Rate("10"))),
              (std::vector<std::string>{"C1", "C2", "C3"}));
    // Period 1 alone is not overdue once the class starts at period 2.
    const InterestScan over60 = ScanInterestCustomers(Rate("10", "0.10", OverdueClass::Over2));
    EXPECT_EQ(Numbers(over60), (std::vector<std::string>{"C2", "C3"}));
    EXPECT_EQ(over60.customers[0].overdue.format("0.00"), "50.00");
    EXPECT_EQ(Numbers(ScanInterestCustomers(Rate("10", "0.10", OverdueClass::Over3))),
              (std::vector<std::string>{"C2", "C3"}));
    EXPECT_EQ(ScanInterestCustomers(Rate("10", "0.10", OverdueClass::Over3))
                  .customers[0]
                  .overdue.format("0.00"),
              "30.00");

    EXPECT_EQ(OverdueClassOf("6"), OverdueClass::Over2);
    EXPECT_EQ(OverdueClassOf(" 9"), OverdueClass::Over3);
    EXPECT_EQ(OverdueClassOf(""), OverdueClass::Over1);
    EXPECT_EQ(OverdueClassCode(OverdueClass::Over2), "6");
}

TEST_F(InterestTest, ChargesAreExactCentsAndMustReachTheMinimum) {
    Owing("C1", "Acme", {"", "1234.00", "", ""});
    Owing("C2", "Birch", {"", "6.00", "", ""});    // 1.5% = 0.09: below the minimum
    Owing("C3", "Cedar", {"", "0.30", "", ""});    // 1.5% = 0.0045: rounds to nothing
    Owing("C4", "Dune", {"", "-50.00", "", ""});   // a credit is not overdue
    Owing("C5", "Elm", {"", "3,000.00", "", ""});  // stored with a separator
    const InterestScan scan = ScanInterestCustomers(Rate("1.50"));
    ASSERT_EQ(Numbers(scan), (std::vector<std::string>{"C1", "C5"}));
    EXPECT_EQ(scan.customers[0].charge.format("0.00"), "18.51");
    EXPECT_EQ(scan.customers[0].name, "Acme");
    EXPECT_EQ(scan.customers[1].charge.format("0.00"), "45.00");
    EXPECT_EQ(scan.totalOverdue.format(",0.00"), "4,234.00");
    EXPECT_EQ(scan.totalCharge.format("0.00"), "63.51");

    EXPECT_TRUE(ScanInterestCustomers(Rate("0")).customers.empty())
        << "a charge of nothing makes no invoice, whatever the minimum";

    InterestTerms flat = Rate("1.50", "10.00");
    flat.flat = true;
    flat.flatFee = *Decimal::Parse("5.00");
    EXPECT_TRUE(ScanInterestCustomers(flat).customers.empty());
    flat.minimum = *Decimal::Parse("5.00");
    const InterestScan flatScan = ScanInterestCustomers(flat);
    EXPECT_EQ(flatScan.customers.size(), 4u) << "every overdue customer pays the flat fee";
    EXPECT_EQ(flatScan.totalCharge.format("0.00"), "20.00");

    // The charge itself is held against the minimum, never the charge rounded up to it:
    // 1.5% of 6.50 is 0.0975, short of 0.10.
    Owing("C6", "Fern", {"", "6.50", "", ""});
    Owing("C7", "Gale", {"", "6.67", "", ""});  // 0.10005: enough, billed 0.10
    const InterestScan tenCents = ScanInterestCustomers(Rate("1.50", "0.10"));
    ASSERT_EQ(Numbers(tenCents), (std::vector<std::string>{"C1", "C5", "C7"}));
    EXPECT_EQ(tenCents.customers[2].charge.format("0.000"), "0.100");
}

TEST_F(InterestTest, AScanStopsAtAgingThatIsNotANumber) {
    Owing("C1", "Acme", {"", "12.00", "", ""});
    Owing("C2", "Birch", {"", "1O.00", "", ""});
    const InterestScan scan = ScanInterestCustomers(Rate("1.50"));
    EXPECT_EQ(scan.refusal.toStdString(),
              "The aging amounts of customer C2 are not numbers, so the scan stopped there.");
}

TEST_F(InterestTest, ARunWritesAnInvoiceAndLinePerCustomerAndMovesTheCompanyOn) {
    ChangeCompany([](CompanyRec& c) { EXPECT_TRUE(c.set(Company::NextInvoiceNumber, "10023")); });
    Owing("C1", "Acme Tools", {"", "1234.00", "", ""}, "1234.00");
    Owing("C2", "Birch", {"", "200.00", "", ""}, "200.00");
    Owing("C3", "Cedar", {"", "", "100.00", ""}, "100.00");
    InterestInvoiceData data = Data();
    data.markPrinted = true;
    const InterestRunResult run = Run(Rate("1.50"), data);
    EXPECT_EQ(run.numbers, (std::vector<std::string>{"10023I", "10024I", "10025I"}));
    EXPECT_EQ(run.created, 3);

    const std::vector<InvoiceRec> headers = Headers();
    ASSERT_EQ(headers.size(), 3u);
    const InvoiceRec& h = headers[0];
    using namespace Invoice;
    EXPECT_EQ(h.get(InvNumber), "10023I");
    EXPECT_EQ(h.get(InvType), "I");
    EXPECT_EQ(h.get(InvKeyCode), "Interest");
    EXPECT_EQ(h.get(InvCustomerNumber), "C1");
    EXPECT_EQ(h.get(InvCompanyNumber), "7");
    EXPECT_EQ(h.get(InvDate), "03/15/2024");
    EXPECT_EQ(h.get(InvPrinted), "Y");
    EXPECT_EQ(h.get(InvMonth), "03");
    EXPECT_EQ(h.get(InvDay), "15");
    EXPECT_EQ(h.get(InvYear), "2024");
    EXPECT_EQ(h.get(InvDateYMD), "2024/03/15");
    EXPECT_EQ(h.get(InvNotes), "Interest Charges");
    EXPECT_EQ(h.get(InvTerms), "Net 10 Days");
    EXPECT_EQ(h.get(InvStatementNote), "Late fee");
    EXPECT_EQ(h.get(InvKind), "P");
    EXPECT_EQ(h.get(InvCustomerShortName), "Acme Tools");
    EXPECT_EQ(h.get(InvNet), "18.51");
    EXPECT_EQ(h.get(InvTax), "0.00");
    EXPECT_EQ(h.get(InvTotal), "18.51");
    EXPECT_EQ(h.get(InvDue), "18.51");
    EXPECT_EQ(h.get(InvPaid), "0.00");
    EXPECT_EQ(h.get(InvDatePaid), "");
    EXPECT_EQ(headers[2].get(InvNumber), "10025I");
    EXPECT_EQ(headers[2].get(InvNet), "1.50");

    const std::vector<InvoiceLineRec> lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    const InvoiceLineRec& l = lines[0];
    EXPECT_EQ(l.get(InvoiceLine::LineText),
              "1" + std::string(9, ' ') + "Interest Charges" + std::string(16, ' ') + "18.51" +
                  std::string(5, ' ') + "N18.51" + std::string(5, ' '));
    EXPECT_EQ(l.get(InvoiceLine::LineKind), "P");
    EXPECT_EQ(l.get(InvoiceLine::LineCompanyNumber), "7");
    EXPECT_EQ(l.get(InvoiceLine::LineInvNumber), "10023I");
    EXPECT_EQ(l.get(InvoiceLine::LineSortDate), "2024/03/15");
    EXPECT_EQ(l.get(InvoiceLine::LineProductCode), "Interest");
    EXPECT_EQ(l.get(InvoiceLine::LineCustomerNumber), "C1");
    EXPECT_EQ(l.get(InvoiceLine::LineCustomerShortName), "Acme Tools");
    // Found again by the invoice number, as the invoice's output finds its lines.
    int32_t ref = 0;
    EXPECT_TRUE(SearchInvoiceLineKey("10024I", ref, InvoiceLineNumberKey));

    const CustomerRec acme = CustomerOnFile("C1");
    EXPECT_EQ(acme.get(Customer::Balance), "1252.51");
    EXPECT_EQ(acme.get(Customer::LastInvoiceNumber), "10023I");
    EXPECT_EQ(acme.get(Customer::Amounts[0]), "18.51") << "dated today: the current bucket";
    EXPECT_EQ(acme.get(Customer::Amounts[1]), "1234.00");
    EXPECT_EQ(CustomerOnFile("C3").get(Customer::Balance), "101.50");

    const CompanyRec company = CompanyOnFile();
    EXPECT_EQ(company.get(Company::NextInvoiceNumber), "10026");
    EXPECT_EQ(company.get(Company::LastInvoiceNumber), "10025");
    EXPECT_EQ(company.get(Company::ReceivablesTotal), "123.01") << "100.00 + 18.51 + 3.00 + 1.50";
    EXPECT_EQ(company.get(Company::InterestOverdueClass), "6");
    EXPECT_EQ(company.get(Company::InterestMonthlyRate), "1.50");
    EXPECT_EQ(company.get(Company::InterestMinimumCharge), ".10");
    EXPECT_TRUE(company.get(Company::InterestMarkPrinted));
    EXPECT_EQ(company.get(Company::InterestTerms), "Net 10 Days");
    EXPECT_EQ(company.get(Company::LastInterestRun), "03/15/2024");
    EXPECT_EQ(shell.context().companies.CurrentCompany, company);
}

TEST_F(InterestTest, TheChargeIsAgedFromTheInvoiceDate) {
    Owing("C1", "Acme", {"", "100.00", "", ""});
    // 45 days before 15 March 2024 with periods of 30, 60 and 90 days.
    Run(Rate("10"), Data("01/30/2024"));
    const CustomerRec c = CustomerOnFile("C1");
    EXPECT_EQ(c.get(Customer::Amounts[0]), "");
    EXPECT_EQ(c.get(Customer::Amounts[1]), "110.00");
    EXPECT_EQ(Headers()[0].get(Invoice::InvPrinted), "") << "not marked printed";
}

TEST_F(InterestTest, ARunThatCannotBeWrittenWholeIsRefusedWithNothingWritten) {
    Owing("C1", "Acme", {"", "100.00", "", ""});
    const std::vector<InterestCustomer> one{Listed("C1", "1.50")};

    EXPECT_EQ(Refusal(one, Data("02/30/2024")), "The invoice date 02/30/2024 is not a valid date.");
    EXPECT_EQ(Refusal({Listed("C9", "1.50")}),
              "Customer C9 is no longer on file. Please scan the file again.");

    // Nine digits leave no room for the letter: the number would be cut.
    ChangeCompany(
        [](CompanyRec& c) { EXPECT_TRUE(c.set(Company::NextInvoiceNumber, "123456789")); });
    EXPECT_EQ(Refusal(one),
              "The invoice number (123456789I) does not fit its field of 9 characters.");
    ChangeCompany([](CompanyRec& c) { EXPECT_TRUE(c.set(Company::NextInvoiceNumber, "12A")); });
    EXPECT_EQ(Refusal(one),
              "The company's next invoice number (\"12A\") is not a whole number. Please "
              "correct it in the company settings first.");

    // A number used before would join this invoice's line to another invoice.
    ChangeCompany([](CompanyRec& c) { EXPECT_TRUE(c.set(Company::NextInvoiceNumber, "500")); });
    InvoiceRec earlier;
    ASSERT_TRUE(earlier.set(Invoice::InvNumber, "501I"));
    Add(InvoiceData(), State().InvoiceBuf, earlier);
    EXPECT_EQ(Refusal({Listed("C1", "1.50"), Listed("C1", "2.00")}),
              "Invoice number 501I is already on file. Please correct the company's next "
              "invoice number first.");
    EXPECT_EQ(Headers().size(), 1u);

    ChangeCompany([](CompanyRec& c) { EXPECT_TRUE(c.set(Company::AgingPeriod[1], "6O")); });
    EXPECT_EQ(Refusal(one),
              "The company's aging periods are not whole numbers of days. Please correct them "
              "in the company settings first.");
}

TEST_F(InterestTest, StoredAmountsThatAreNotNumbersOrWouldNotFitRefuseTheRun) {
    Owing("C1", "Acme", {"", "100.00", "", ""}, "12,5x");
    EXPECT_EQ(Refusal({Listed("C1", "1.50")}),
              "The balance of customer C1 (\"12,5x\") is not a number.");
    Owing("C2", "Birch", {"", "100.00", "", ""}, "999999999.99");
    EXPECT_EQ(Refusal({Listed("C2", "1.50")}),
              "The balance of customer C2 (1000000001.49) does not fit its field of 12 "
              "characters.");
    ChangeCompany(
        [](CompanyRec& c) { EXPECT_TRUE(c.set(Company::ReceivablesTotal, "9999999.00")); });
    Owing("C3", "Cedar", {"", "100.00", "", ""});
    EXPECT_EQ(Refusal({Listed("C3", "1000.00")}),
              "The company's receivables total (10000999.00) does not fit its field of 10 "
              "characters.");
}

TEST_F(InterestTest, AHeaderThatCannotBeAddedStopsTheWholeRun) {
    Owing("C1", "Acme", {"", "100.00", "", ""}, "100.00");
    Owing("C2", "Birch", {"", "200.00", "", ""}, "200.00");
    const InterestScan scan = ScanInterestCustomers(Rate("10"));
    const InterestFiles files;
    const InterestPlanResult planned = PlanInterestInvoices(Data(), scan.customers);
    ASSERT_TRUE(planned.plan);
    const CompanyRec before = CompanyOnFile();
    // The first invoice is written; the second header finds its file closed.
    EXPECT_THROW(WriteInterestInvoices(*planned.plan,
                                       [&](std::size_t, const std::string&) {
                                           CloseInvoiceFiles();
                                       }),
                 AppError);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(CustomerOnFile("C1").get(Customer::Balance), "100.00");
    EXPECT_EQ(CustomerOnFile("C2").get(Customer::Balance), "200.00");
    EXPECT_EQ(CompanyOnFile(), before) << "nothing was invoiced, no number spent";
}

}  // namespace
