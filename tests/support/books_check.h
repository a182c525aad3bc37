#pragma once
// The program's books check (purchasing/books/books_check.h) over the files on disk, as the
// tests use it: the company's records read whole (for the facts a test compares), and the
// check over them, or over the files as the program runs it. Beside it, the invoice file's
// open-item index is checked against the records: it lists exactly the records with an
// amount due, under their customer.
// Reads the files with the engine alone; the engine must be running and the company's file
// sets closed or open in this process, with indexes that can be trusted (rebuilt first).

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/decimal.h"
#include "engine/engine.h"
#include "invoicing/records/invoice_files.h"
#include "purchasing/books/books_check.h"
#include "shell/company/company_file.h"
#include "shell/data_folder.h"
#include "shell/dates.h"
#include "shell/record_file.h"
#include "shell/text.h"
#include "tests/support/stored_files.h"

namespace testsupport {

// Every live record of the company's file set with the letters, in record order; nothing
// when the set cannot be opened or read to the end.
template <class Rec>
std::optional<std::vector<Rec>> ReadCompanySet(const DataFolder& folder, std::string_view company,
                                               std::string_view letters) {
    FileSetHandle h = 0;
    OpenFileSet(h, folder.fileSet(std::string(company) + std::string(letters)));
    if (!EngineOK) {
        // A document file never written is empty, not unreadable.
        if (EngineErrorCode == EngineCode::NoSuchFileSet) return std::vector<Rec>{};
        return std::nullopt;
    }
    const FileSetCloser closer(h);
    std::vector<Rec> records = LiveRecords<Rec>(h);
    if (static_cast<int32_t>(records.size()) != UsedRecordCount(h)) return std::nullopt;
    return records;
}

// Every live record of the company's file set with the letters; empty when it cannot be read.
template <class Rec>
std::vector<Rec> CompanyRecords(const DataFolder& folder, std::string_view company,
                                std::string_view letters) {
    return ReadCompanySet<Rec>(folder, company, letters).value_or(std::vector<Rec>{});
}

inline Decimal Amount(std::string_view text) {
    return BooksAmount(text);
}

inline std::string Key(std::string_view text) {
    return BooksKey(text);
}

// The stock on hand of every product, by code.
inline std::map<std::string, Decimal> StockOnHand(const DataFolder& folder,
                                                  std::string_view company) {
    std::map<std::string, Decimal> stock;
    for (const ProductRec& p : CompanyRecords<ProductRec>(folder, company, "P"))
        stock[Key(p.get(Product::Code))] = Amount(p.get(Product::StockOnHand));
    return stock;
}

// A company's files as they are on disk.
struct CompanyBooks {
    std::optional<CompanyRec> company;
    std::vector<CustomerRec> customers;
    std::vector<ProductRec> products;
    std::vector<InvoiceRec> invoices;
    std::vector<int32_t> invoiceRefs;  // the record number of each of `invoices`
    // What the invoice file's open-item index lists; nothing when the set has no such index.
    std::optional<Entries> openItems;
    std::vector<InvoiceLineRec> invoiceLines;
    std::vector<InvoiceMemoRec> invoiceMemos;
    std::vector<PORec> orders;
    std::vector<POLineRec> orderLines;
    std::vector<POMemoRec> orderMemos;
    std::vector<std::string> unreadable;  // the files that could not be read whole
};

// The invoice records with their record numbers, and the entries of the open-item index.
inline bool ReadInvoiceSet(const DataFolder& folder, std::string_view company, CompanyBooks& b) {
    FileSetHandle h = 0;
    OpenFileSet(h, folder.fileSet(std::string(company) + "I"));
    if (!EngineOK) return EngineErrorCode == EngineCode::NoSuchFileSet;
    const FileSetCloser closer(h);
    for (int32_t ref = 0;;) {
        NextUsedRecord(h, ref);
        if (!EngineOK) break;
        InvoiceRec r;
        ReadRecord(h, ref, r.bytes());
        if (!EngineOK) return false;
        b.invoices.push_back(r);
        b.invoiceRefs.push_back(ref);
    }
    if (static_cast<int32_t>(b.invoices.size()) != UsedRecordCount(h)) return false;
    if (KeyCount(h) < InvoiceOpenItemKey) return true;
    b.openItems = IndexEntries(h, InvoiceOpenItemKey);
    return EngineErrorCode == EngineCode::NoNextKey;
}

inline CompanyBooks ReadCompanyBooks(const DataFolder& folder, std::string_view company) {
    CompanyBooks b;
    b.company = FindCompany(folder, company);
    if (!b.company) b.unreadable.push_back("company " + std::string(company) + " (cvcomp)");
    const auto read = [&]<class Rec>(std::vector<Rec>& into, std::string_view letters) {
        auto records = ReadCompanySet<Rec>(folder, company, letters);
        if (records)
            into = std::move(*records);
        else
            b.unreadable.push_back(std::string(company) + std::string(letters) + " (error " +
                                   std::to_string(EngineErrorCode) + ")");
    };
    read(b.customers, "C");
    read(b.products, "P");
    if (!ReadInvoiceSet(folder, company, b))
        b.unreadable.push_back(std::string(company) + "I (error " +
                               std::to_string(EngineErrorCode) + ")");
    read(b.invoiceLines, "D");
    read(b.invoiceMemos, "M");
    read(b.orders, "O");
    read(b.orderLines, "PD");
    read(b.orderMemos, "PM");
    return b;
}

// The check over records read whole: what the program's check finds in them.
inline BooksCheck CheckOf(const CompanyBooks& b) {
    BooksCheck check(b.company);
    for (const auto& r : b.customers) check.Add(r);
    for (const auto& r : b.products) check.Add(r);
    for (const auto& r : b.invoices) check.Add(r);
    for (const auto& r : b.invoiceLines) check.Add(r);
    for (const auto& r : b.invoiceMemos) check.Add(r);
    for (const auto& r : b.orders) check.Add(r);
    for (const auto& r : b.orderLines) check.Add(r);
    for (const auto& r : b.orderMemos) check.Add(r);
    return check;
}

// The documents on file only in part, one line each; empty when every document is whole.
inline std::vector<std::string> HalfPostedDocuments(const CompanyBooks& b) {
    return CheckOf(b).HalfPosted();
}

// Where the open-item index and the records disagree, one line each: a record with an amount
// due that it does not list under its customer, or an entry of no such record.
inline std::vector<std::string> OpenItemDisagreements(const CompanyBooks& b) {
    std::vector<std::string> problems;
    if (!b.openItems) return problems;
    std::set<std::pair<std::string, int32_t>> owing;
    for (std::size_t i = 0; i < b.invoices.size() && i < b.invoiceRefs.size(); ++i) {
        std::string key = BuildInvoiceKey(b.invoices[i], InvoiceOpenItemKey);
        if (!key.empty()) owing.emplace(std::move(key), b.invoiceRefs[i]);
    }
    const std::set<std::pair<std::string, int32_t>> listed(b.openItems->begin(),
                                                           b.openItems->end());
    for (const auto& [key, ref] : owing)
        if (!listed.count({key, ref}))
            problems.push_back("open items: record " + std::to_string(ref) + " of customer " +
                               key + " is not listed");
    for (const auto& [key, ref] : listed)
        if (!owing.count({key, ref}))
            problems.push_back("open items: record " + std::to_string(ref) +
                               " is listed for customer " + key);
    return problems;
}

// What disagrees, one line each; empty when the books agree with the documents. Stock is
// checked against `openingStock` (by product code) moved by every invoice and receipt.
inline std::vector<std::string> BooksDisagreements(
    const CompanyBooks& b, Date today, const std::map<std::string, Decimal>& openingStock) {
    std::vector<std::string> problems = CheckOf(b).Disagreements(today, &openingStock);
    for (std::string& p : OpenItemDisagreements(b)) problems.push_back(std::move(p));
    return problems;
}

// Everything the program's check finds in the files, and the files that could not be read;
// empty when the books are whole and agree with the documents.
inline std::vector<std::string> CheckBooks(const DataFolder& folder, std::string_view company,
                                           Date today,
                                           const std::map<std::string, Decimal>& openingStock) {
    std::vector<std::string> problems =
        CheckCompanyBooks(folder, company, today, &openingStock).all();
    // The check above read every set; the open-item index needs the invoices alone.
    CompanyBooks invoices;
    ReadInvoiceSet(folder, company, invoices);
    for (std::string& p : OpenItemDisagreements(invoices)) problems.push_back(std::move(p));
    return problems;
}

}  // namespace testsupport
