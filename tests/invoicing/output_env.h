#pragma once
// Company 7 with customer C1 (address, e-mail, aging) and products on file, invoices posted
// through the real posting, and the output's state fresh for each test: the document
// buffer, the Invoice Manager's output flags, the mail session and a recording printer.

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "invoicing/documents/document_buffer.h"
#include "invoicing/documents/invoice_output.h"
#include "mail/mail_state.h"
#include "platform/printer.h"
#include "tests/invoicing/posting_env.h"
#include "tests/support/qt_print.h"

class OutputEnv : public PostingEnv {
protected:
    OutputEnv() {
        AddCustomer("C1", "Acme Tools", [](CustomerRec& c) {
            c.set(Customer::Address[0], "12 Quay Street");
            c.set(Customer::Address[1], "Harbour Town");
            c.set(Customer::Address[2], "HT1 2AB");
            c.set(Customer::Email, "ann@acme.test");
            c.set(Customer::MailSort, "ACME");
            c.set(Customer::Type, "Retail");
            EXPECT_TRUE(c.set(Customer::Balance, "1257.5"));
            EXPECT_TRUE(c.set(Customer::Amounts[0], "1234.5"));
            EXPECT_TRUE(c.set(Customer::Amounts[1], "20"));
            EXPECT_TRUE(c.set(Customer::Amounts[3], "3.00"));
        });
        AddProduct({.code = "W1", .description = "Widget", .price = "2.50", .onHand = "100"});
        ChangeCompany([](CompanyRec& c) {
            c.set(Company::Address[0], "1 Harbour Lane");
            c.set(Company::EmailAddress, "office@harbour.test");
        });
    }
    ~OutputEnv() override {
        ShowDocumentView = nullptr;
        InvoiceManagerStatusText = nullptr;
    }

    static InvoiceRow Row(const std::string& code, const std::string& quantity,
                          const std::string& description, const std::string& price,
                          const std::string& extension, const std::string& tax = "N") {
        return {code, quantity, description, price, tax, extension, "0"};
    }

    // Posts a line-item invoice of the number with the rows for customer C1.
    void PostInvoice(const std::string& number, std::vector<InvoiceRow> rows,
                     const std::string& total, const std::string& paid = "0.00") {
        InvoiceEntry e = Entry(std::move(rows), total, paid);
        e.number = number;
        e.notes = "PO 77";
        e.terms = "Net 30";
        Post(e);
    }

    // Adds a further header record of the number (a payment against it) as the Payment
    // Wizard writes one.
    void AddPaymentRecord(const std::string& number, const std::string& paid,
                          const std::string& date) {
        InvoiceRec rec;
        for (const InvoiceRec& h : Headers())
            if (h.get(Invoice::InvNumber) == number) rec = h;
        rec.set(Invoice::InvType, Invoice::TypePartialRecord);
        EXPECT_TRUE(rec.set(Invoice::InvPaid, paid));
        EXPECT_TRUE(rec.set(Invoice::InvTotal, "0.00"));
        EXPECT_TRUE(rec.set(Invoice::InvTax, "0.00"));
        rec.set(Invoice::InvDate, date);
        rec.set(Invoice::InvNotes, "Cheque 55");
        AddThrough(State().InvoiceBuf, AddInvoiceRecord, rec);
    }

    std::vector<InvoiceRec> HeadersOf(const std::string& number) {
        std::vector<InvoiceRec> found;
        for (const InvoiceRec& h : Headers())
            if (h.get(Invoice::InvNumber) == number) found.push_back(h);
        return found;
    }

    void Load(const std::string& number) {
        InvoiceOutput().InvoiceOutputNumber = number;
        ASSERT_TRUE(LoadInvoiceDocument());
    }

    // Outputs the invoice with the "to printer" flag (and the batch flag) as the Invoice
    // Manager sets them.
    void Output(const std::string& number, bool toPrinter, bool batch = false) {
        InvoiceOutputState& out = InvoiceOutput();
        out.InvoiceOutputNumber = number;
        out.InvoiceOutputToPrinter = toPrinter ? 1 : 0;
        out.InvoiceBatchRunning = batch ? 1 : 0;
        OutputInvoice();
    }

    // The titles of the documents printed, in order (a batch prints many in one job).
    QStringList JobTitles() const { return DocumentTitles(canvas); }

    DocumentRecord& Doc() { return document.state().DocumentRecord; }

    DocumentStateScope document;
    InvoiceOutputStateScope output;
    MailStateScope mail;
    RecordingCanvas canvas;
    PrinterOverride printer{canvas};
};
