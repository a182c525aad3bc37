#pragma once
// Company 7 on file (tax 10%, aging 30/60/90, next invoice 1001) with empty customer, product
// and invoice files, "today" fixed, and helpers to add masters, build an entry and read back
// every record posting wrote.

#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "invoicing/posting/add_invoice.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "invoicing/posting/invoice_posting.h"
#include "masters/master_files.h"
#include "shell/company/company_defaults.h"
#include "shell/record_file.h"
#include "tests/invoicing/invoicing_env.h"

// Stands in for the Invoice Manager: remembers what posting shows and prints.
struct RecordingView : InvoiceManagerView {
    TFvcBrowser* list = nullptr;
    std::map<int, QString> status;
    QString caption;
    QString receivables;
    std::vector<std::string> printed;

    TFvcBrowser* browser() override { return list; }
    void SetStatusText(int panel, const QString& text) override { status[panel] = text; }
    void SetCompanyCaption(const QString& text) override { caption = text; }
    void SetReceivablesLabel(const QString& text) override { receivables = text; }
    void PrintInvoice(const std::string& number) override { printed.push_back(number); }
};

struct NewProduct {
    std::string code, description, price = "0.00", onHand = "0", cost = "0.00";
    bool taxable = false, nonStock = false, nonDepleting = false;
    std::string poDescription = {};  // as orders describe it
    bool taxableOnPOs = false;
};

class PostingEnv : public InvoicingEnv {
protected:
    PostingEnv() {
        CompanyRec c = NewCompanyRecord();
        c.set(Company::Name, "Harbour Lane");
        EXPECT_TRUE(c.set(Company::CompanyNumber, "7"));
        EXPECT_TRUE(c.set(Company::TaxRate, "10"));
        EXPECT_TRUE(c.set(Company::ReceivablesTotal, "100.00"));
        CompanyState& companies = shell.context().companies;
        EXPECT_EQ(AddCompany(companies, shell.context().folder, c), CompanyResult::Ok);
        companies.CurrentCompany = companies.CompanyBuf;
        shell.context().clock.setToday(Date{2024, 3, 15});
        shell.context().main.LastInvoiceDate = "03/15/2024";
        EXPECT_TRUE(CreateCustomerFiles());
        EXPECT_TRUE(CreateProductFiles());
        EXPECT_TRUE(CreateInvoiceFile());
        EXPECT_TRUE(CreateInvoiceLineFile());
        EXPECT_TRUE(CreateInvoiceMemoFile());
        EXPECT_TRUE(OpenInvoiceDatabases());
    }
    ~PostingEnv() override { AddCustomerToPrintQueue = nullptr; }

    void ChangeCompany(const std::function<void(CompanyRec&)>& change) {
        EXPECT_EQ(UpdateCurrentCompany(shell.context().companies, shell.context().folder,
                                       [&](CompanyRec& c) {
                                           change(c);
                                           return true;
                                       }),
                  CompanyResult::Ok);
    }
    CompanyRec CompanyOnFile() {
        return FindCompany(shell.context().folder, "7").value_or(CompanyRec{});
    }

    template <class Rec>
    static int32_t Add(const DataFile& file, Rec& buffer, const Rec& record) {
        const StepFile open(file);
        buffer = record;
        int32_t ref = 0;
        EXPECT_TRUE(file.AddRecord(ref)) << EngineErrorCode;
        return ref;
    }
    // Every live record of the file, in record order.
    template <class Rec>
    static std::vector<Rec> All(const DataFile& file) {
        const StepFile open(file);
        return LiveRecords<Rec>(file.handle());
    }

    CustomerRec AddCustomer(const std::string& number, const std::string& name,
                            const std::function<void(CustomerRec&)>& fill = {}) {
        CustomerRec c;
        EXPECT_TRUE(c.set(Customer::Number, number));
        c.set(Customer::Name, name);
        c.set(Customer::ShortName, name.substr(0, 10));
        EXPECT_TRUE(c.set(Customer::Balance, "0.00"));
        c.set(Customer::TaxExempt, "N");
        if (fill) fill(c);
        Add(CustomerData(), masters.state().CustomerBuf, c);
        return c;
    }
    void AddProduct(const NewProduct& p) {
        ProductRec r;
        EXPECT_TRUE(r.set(Product::Code, p.code));
        r.set(Product::Description, p.description);
        EXPECT_TRUE(r.set(Product::SalesPrice, p.price));
        EXPECT_TRUE(r.set(Product::StockOnHand, p.onHand));
        EXPECT_TRUE(r.set(Product::Cost, p.cost));
        r.set(Product::TaxableOnInvoices, p.taxable);
        r.set(Product::NonStock, p.nonStock);
        r.set(Product::NonDepleting, p.nonDepleting);
        r.set(Product::PODescription, p.poDescription);
        r.set(Product::TaxableOnPOs, p.taxableOnPOs);
        Add(ProductData(), masters.state().ProductBuf, r);
    }
    CustomerRec CustomerOnFile(const std::string& number) {
        for (const CustomerRec& c : All<CustomerRec>(CustomerData()))
            if (c.get(Customer::Number) == number) return c;
        ADD_FAILURE() << "customer " << number << " is not on file";
        return {};
    }
    std::string StockOf(const std::string& code) {
        for (const ProductRec& p : All<ProductRec>(ProductData()))
            if (p.get(Product::Code) == code) return p.get(Product::StockOnHand);
        ADD_FAILURE() << "product " << code << " is not on file";
        return {};
    }
    std::vector<InvoiceRec> Headers() { return All<InvoiceRec>(InvoiceData()); }
    std::vector<InvoiceLineRec> Lines() { return All<InvoiceLineRec>(InvoiceLineData()); }
    std::vector<InvoiceMemoRec> Memos() { return All<InvoiceMemoRec>(InvoiceMemoData()); }

    // An entry of invoice 1001 dated today for customer C1 with the rows given.
    static InvoiceEntry Entry(std::vector<InvoiceRow> rows, const std::string& total,
                              const std::string& paid = "0.00") {
        InvoiceEntry e;
        e.number = "1001";
        e.date = "03/15/2024";
        e.customerNumber = "C1";
        e.customerShortName = "Acme";
        e.keyCode = "None";
        e.net = total;
        e.tax = "0.00";
        e.total = total;
        e.paid = paid;
        e.rows = std::move(rows);
        e.rows.resize(InvoiceGridRows, InvoiceRow{"", "1", "", "0.00", "N", "0.00", "0"});
        return e;
    }

    // A memo invoice 1001 of the quantity of the product ("" for none) with its memo text.
    static InvoiceEntry MemoEntry(const std::string& total, const std::string& product,
                                  const std::string& quantity, std::vector<std::string> text) {
        InvoiceEntry e = Entry({}, total);
        e.memo = true;
        e.stockCode = product;
        e.memoQuantity = quantity;
        e.memoLines = std::move(text);
        return e;
    }

    // Plans the entry and writes the plan; the plan's refusal fails the test.
    void Post(const InvoiceEntry& entry, bool external = false) {
        const PostingPlan plan = PlanInvoicePosting(entry, external);
        ASSERT_TRUE(plan.posting) << plan.refusal.toStdString();
        WriteInvoicePosting(*plan.posting, view, external);
    }

    MastersStateScope masters;
    RecordingView view;
};
