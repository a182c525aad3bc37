#pragma once
// The posting company (aging 30/60/90, receivables 100.00, month-first dates, "today"
// 2024/03/15), plus helpers to add customers with a balance and invoices as the entry leaves
// them, and to read back what the invoice file holds.

#include <functional>
#include <string>
#include <vector>

#include "invoicing/receivables/payment.h"
#include "tests/invoicing/posting_env.h"

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

class PaymentEnv : public PostingEnv {
protected:
    void AddCustomer(const std::string& number, const std::string& name,
                     const std::string& balance = "0.00") {
        PostingEnv::AddCustomer(number, name, [&balance](CustomerRec& c) {
            EXPECT_TRUE(c.set(Customer::Balance, balance));
            c.set(Customer::Phone1, "555-0100");
        });
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
};
