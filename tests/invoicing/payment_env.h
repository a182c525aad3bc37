#pragma once
// Company 7 on file (aging 30/60/90, receivables 1,000.00, month-first dates) with empty
// customer and invoice files and "today" fixed at 2024/03/15, plus helpers to add customers
// and invoices and to read back what the files hold.

#include <functional>
#include <string>
#include <vector>

#include "invoicing/payment.h"
#include "masters/master_files.h"
#include "masters/masters_state.h"
#include "shell/company_defaults.h"
#include "tests/invoicing/invoicing_env.h"

struct NewInvoice {
    std::string number;
    std::string customer;
    Date date{2024, 3, 1};
    std::string total = "100.00";
    std::string paid = "0.00";
    std::string type = "I";
    std::string due{};    // empty: total - paid as the entry writes it
    std::string flag{};   // paid flag
    std::string notes{};  // statement note
};

class PaymentEnv : public InvoicingEnv {
protected:
    PaymentEnv() {
        CompanyRec c = NewCompanyRecord();
        c.set(Company::Name, "Harbour Lane");
        EXPECT_TRUE(c.set(Company::CompanyNumber, "7"));
        EXPECT_TRUE(c.set(Company::ReceivablesTotal, "1000.00"));
        CompanyState& companies = shell.context().companies;
        EXPECT_EQ(AddCompany(companies, shell.context().folder, c), CompanyResult::Ok);
        companies.CurrentCompany = companies.CompanyBuf;
        shell.context().clock.setToday(Date{2024, 3, 15});
        EXPECT_TRUE(CreateCustomerFiles());
        EXPECT_TRUE(CreateInvoiceFile());
    }

    void SetDateOrder(const char* order) {
        EXPECT_EQ(UpdateCurrentCompany(shell.context().companies, shell.context().folder,
                                       [order](CompanyRec& c) {
                                           c.set(Company::DateOrderSetting, order);
                                           return true;
                                       }),
                  CompanyResult::Ok);
    }

    CompanyRec CompanyOnFile() {
        return FindCompany(shell.context().folder, "7").value_or(CompanyRec{});
    }

    void AddCustomer(const std::string& number, const std::string& name,
                     const std::string& balance = "0.00") {
        CustomerRec c;
        EXPECT_TRUE(c.set(Customer::Number, number));
        c.set(Customer::Name, name);
        c.set(Customer::ShortName, name.substr(0, 10));
        EXPECT_TRUE(c.set(Customer::Balance, balance));
        c.set(Customer::Phone1, "555-0100");
        EXPECT_TRUE(OpenCustomerFiles());
        masters.state().CustomerBuf = c;
        int32_t ref = 0;
        EXPECT_TRUE(AddCustomerRecord(ref)) << EngineErrorCode;
        CustomerData().Close();
    }

    CustomerRec CustomerOnFile(const std::string& number) {
        EXPECT_TRUE(OpenCustomerFiles());
        CustomerRec probe;
        EXPECT_TRUE(probe.set(Customer::Number, number));
        CustomerRec c;
        CustomerData().Find(CustomerNumberKey, BuildCustomerKey(probe, CustomerNumberKey),
                            c.bytes());
        CustomerData().Close();
        return c;
    }

    // Writes an invoice as the entry would have left it; its Ref.
    int32_t AddInvoice(const NewInvoice& n) {
        InvoiceRec r;
        EXPECT_TRUE(r.set(Invoice::InvNumber, n.number));
        r.set(Invoice::InvType, n.type);
        r.set(Invoice::InvKeyCode, "None");
        EXPECT_TRUE(r.set(Invoice::InvCustomerNumber, n.customer));
        EXPECT_TRUE(r.set(Invoice::InvCompanyNumber, "7"));
        const std::string ymd = SortableDate(n.date);
        r.set(Invoice::InvDate, DateFormat().format(n.date));
        r.set(Invoice::InvYear, ymd.substr(0, 4));
        r.set(Invoice::InvMonth, ymd.substr(5, 2));
        r.set(Invoice::InvDay, ymd.substr(8, 2));
        r.set(Invoice::InvDateYMD, ymd);
        r.set(Invoice::InvKind, "P");
        r.set(Invoice::InvCustomerShortName, "Short");
        r.set(Invoice::InvStatementNote, n.notes);
        EXPECT_TRUE(r.set(Invoice::InvNet, n.total));
        EXPECT_TRUE(r.set(Invoice::InvTax, "0.00"));
        EXPECT_TRUE(r.set(Invoice::InvTotal, n.total));
        EXPECT_TRUE(r.set(Invoice::InvPaid, n.paid));
        const std::string due =
            n.due.empty() ? (*Decimal::Parse(n.total) - *Decimal::Parse(n.paid)).format("0.00")
                          : n.due;
        EXPECT_TRUE(r.set(Invoice::InvDue, due));
        r.set(Invoice::InvPaidFlag, n.flag);
        EXPECT_TRUE(OpenInvoiceFiles());
        const int32_t ref = AddThrough(State().InvoiceBuf, AddInvoiceRecord, r);
        CloseInvoiceFiles();
        return ref;
    }

    // Every live record of the invoice file, in record order, with its Ref.
    std::vector<std::pair<int32_t, InvoiceRec>> Invoices() {
        EXPECT_TRUE(OpenInvoiceFiles());
        std::vector<std::pair<int32_t, InvoiceRec>> all;
        int32_t ref = 0;
        for (;;) {
            NextUsedRecord(State().InvoiceFile, ref);
            if (!EngineOK) break;
            all.emplace_back(ref, StoredIn<InvoiceRec>(State().InvoiceFile, ref));
        }
        CloseInvoiceFiles();
        return all;
    }
    InvoiceRec InvoiceAt(int32_t ref) {
        EXPECT_TRUE(OpenInvoiceFiles());
        const InvoiceRec r = StoredIn<InvoiceRec>(State().InvoiceFile, ref);
        CloseInvoiceFiles();
        return r;
    }
    // The entries of one index of the invoice file.
    Entries InvoiceIndex(int keyNr) {
        EXPECT_TRUE(OpenInvoiceFiles());
        const Entries entries = Index(State().InvoiceFile, keyNr);
        CloseInvoiceFiles();
        return entries;
    }

    MastersStateScope masters;
};
