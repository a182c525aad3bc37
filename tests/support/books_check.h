#pragma once
// A books check for tests and benchmarks, over the files on disk: the documents that are on
// file only in part (a header without its lines, lines without their header, a memo document
// without its memo, a payment without its invoice, a next number that names a document on
// file), and what the books say (customer balances and aging, the company's receivables
// total, stock on hand, orders marked received) against what the documents on file say.
// It also checks that the invoice file's open-item index lists exactly the records with an
// amount due. Reads the files with the engine alone; the engine must be running and the
// company's file sets closed or open in this process, with indexes that can be trusted
// (rebuilt first).
//
// It recomputes what posting writes: an invoice, a payment, a deposit or a finance charge
// moves the customer's balance and the receivables total by the amount due of its records,
// each in the aging bucket of its record's date on `today`; an invoice line takes its quantity
// out of a stocked product (not non-stock, not non-depleting) and a purchase-order line brings
// its received quantity in (non-depleting products too). It assumes documents take the numbers
// the program proposes (the next-number checks) and that every invoice and order has a row.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/decimal.h"
#include "engine/engine.h"
#include "invoicing/posting/aging.h"
#include "invoicing/records/invoice_line_rec.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_memo_rec.h"
#include "invoicing/records/invoice_rec.h"
#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "purchasing/po_line_rec.h"
#include "purchasing/po_memo_rec.h"
#include "purchasing/po_rec.h"
#include "shell/company/company_file.h"
#include "shell/data_folder.h"
#include "shell/dates.h"
#include "shell/record_file.h"
#include "shell/text.h"

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
    return Decimal::ParseBlankAsZero(StripCommas(text)).value_or(Decimal::FromScaled(-1));
}

// Document numbers and product codes as their keys compare them.
inline std::string Key(std::string_view text) {
    return UpperAscii(TrimBlanks(text));
}

// The stock on hand of every product, by code.
inline std::map<std::string, Decimal> StockOnHand(const DataFolder& folder,
                                                  std::string_view company) {
    std::map<std::string, Decimal> stock;
    for (const ProductRec& p : CompanyRecords<ProductRec>(folder, company, "P"))
        stock[Key(p.get(Product::Code))] = Amount(p.get(Product::StockOnHand));
    return stock;
}

using IndexEntries = std::vector<std::pair<std::string, int32_t>>;

// A company's files as they are on disk.
struct CompanyBooks {
    std::optional<CompanyRec> company;
    std::vector<CustomerRec> customers;
    std::vector<ProductRec> products;
    std::vector<InvoiceRec> invoices;
    std::vector<int32_t> invoiceRefs;  // the record number of each of `invoices`
    // What the invoice file's open-item index lists; nothing when the set has no such index.
    std::optional<IndexEntries> openItems;
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
    b.openItems.emplace();
    std::string key;
    int32_t ref = 0;
    for (NextKey(h, InvoiceOpenItemKey, ref, key); EngineOK;
         NextKey(h, InvoiceOpenItemKey, ref, key))
        b.openItems->emplace_back(key, ref);
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

namespace books_detail {

// The extension of a stored line: characters 54 to 63 of its text.
inline Decimal LineExtension(const std::string& text) {
    return Amount(text.size() > 53 ? text.substr(53, 10) : std::string());
}
inline Decimal LineQuantity(const std::string& text) {
    return Amount(text.substr(0, 10));
}

// Records that stand for an invoice (and carry its lines and memo), as against the payment
// and deposit records that share or take numbers.
inline bool IsInvoiceDocument(const InvoiceRec& r) {
    const std::string type = TrimBlanks(r.get(Invoice::InvType));
    return type == Invoice::TypeRegular || type == Invoice::TypePartlyPaid ||
           type == Invoice::TypeRepeatGenerated;
}

// The number part the company's next number counts: the whole number, or with the
// month-and-year prefix characters 5 on.
inline std::string CountedPart(const std::string& number, bool prefixed) {
    return prefixed ? (number.size() > 4 ? number.substr(4) : std::string()) : number;
}

}  // namespace books_detail

// The documents on file only in part, one line each; empty when every document is whole.
inline std::vector<std::string> HalfPostedDocuments(const CompanyBooks& b) {
    using namespace books_detail;
    std::vector<std::string> found;
    const auto note = [&](std::string line) { found.push_back(std::move(line)); };

    // Invoices: lines and memo by number.
    std::map<std::string, Decimal> lineSum;
    std::map<std::string, int> lineCount;
    for (const InvoiceLineRec& l : b.invoiceLines) {
        const std::string n = Key(l.get(InvoiceLine::LineInvNumber));
        lineSum[n] += LineExtension(l.get(InvoiceLine::LineText));
        ++lineCount[n];
    }
    std::map<std::string, int> memos;
    for (const InvoiceMemoRec& m : b.invoiceMemos) ++memos[Key(m.get(InvoiceMemo::MemoInvNumber))];
    std::map<std::string, int> documents;
    std::set<std::string> deposits;
    for (const InvoiceRec& r : b.invoices) {
        const std::string n = Key(r.get(Invoice::InvNumber));
        if (IsInvoiceDocument(r)) ++documents[n];
        if (TrimBlanks(r.get(Invoice::InvType)) == Invoice::TypeDeposit) deposits.insert(n);
    }
    for (const InvoiceRec& r : b.invoices) {
        const std::string n = Key(r.get(Invoice::InvNumber));
        const std::string type = TrimBlanks(r.get(Invoice::InvType));
        if (type == Invoice::TypePartialRecord && !documents.count(n))
            note("payment record " + n + " without its invoice");
        if (type == Invoice::TypeDepositTaken && !deposits.count(n))
            note("deposit taken " + n + " without its deposit");
        if (!IsInvoiceDocument(r)) continue;
        if (documents[n] > 1)
            note("invoice " + n + " on file " + std::to_string(documents[n]) + " times");
        if (!lineCount.count(n))
            note("invoice " + n + " without its lines");
        else if (lineSum[n] != Amount(r.get(Invoice::InvNet)))
            note("invoice " + n + ": net " + Amount(r.get(Invoice::InvNet)).format("0.00") +
                 " but its lines add up to " + lineSum[n].format("0.00"));
        if (TrimBlanks(r.get(Invoice::InvKind)) == Invoice::KindMemo && !memos.count(n))
            note("memo invoice " + n + " without its memo");
    }
    for (const auto& [n, count] : lineCount)
        if (!documents.count(n))
            note(std::to_string(count) + " line(s) of invoice " + n + " without it");
    for (const auto& [n, count] : memos)
        if (!documents.count(n)) note("memo of invoice " + n + " without it");

    // Purchase orders.
    std::map<std::string, Decimal> orderedSum;
    std::map<std::string, int> orderLineCount;
    std::set<std::string> receivers;
    for (const POLineRec& l : b.orderLines) {
        const std::string n = Key(l.get(POLine::LinePONumber));
        if (TrimBlanks(l.get(POLine::LineKind)) == POLine::KindOrdered)
            orderedSum[n] += LineExtension(l.get(POLine::LineText));
        ++orderLineCount[n];
        receivers.insert(Key(l.get(POLine::LineReceiverNumber)));
    }
    std::map<std::string, int> orderMemos;
    for (const POMemoRec& m : b.orderMemos) ++orderMemos[Key(m.get(POMemo::MemoPONumber))];
    std::map<std::string, int> orders;
    for (const PORec& po : b.orders) ++orders[Key(po.get(PurchaseOrder::PONumber))];
    for (const PORec& po : b.orders) {
        const std::string n = Key(po.get(PurchaseOrder::PONumber));
        if (orders[n] > 1) note("PO " + n + " on file " + std::to_string(orders[n]) + " times");
        if (!orderLineCount.count(n))
            note("PO " + n + " without its lines");
        else if (orderedSum[n] != Amount(po.get(PurchaseOrder::PONet)))
            note("PO " + n + ": net " + Amount(po.get(PurchaseOrder::PONet)).format("0.00") +
                 " but its lines add up to " + orderedSum[n].format("0.00"));
        if (TrimBlanks(po.get(PurchaseOrder::POType)) == PurchaseOrder::TypeMemo &&
            !orderMemos.count(n))
            note("memo PO " + n + " without its memo");
    }
    for (const auto& [n, count] : orderLineCount)
        if (!orders.count(n)) note(std::to_string(count) + " line(s) of PO " + n + " without it");
    for (const auto& [n, count] : orderMemos)
        if (!orders.count(n)) note("memo of PO " + n + " without it");

    // The company's next numbers are those of documents not yet written.
    if (b.company) {
        const CompanyRec& c = *b.company;
        const std::string nextInvoice = Key(c.get(Company::NextInvoiceNumber));
        const bool invoicePrefix = TrimBlanks(c.get(Company::InvoiceNumberPrefix)) == "Y";
        for (const auto& [n, count] : documents)
            if (!nextInvoice.empty() &&
                (CountedPart(n, invoicePrefix) == nextInvoice || n == nextInvoice + "I"))
                note("the next invoice number " + nextInvoice + " names invoice " + n);
        const std::string nextPO = Key(c.get(Company::NextPONumber));
        const bool poPrefix = TrimBlanks(c.get(Company::POPrefix)) == "Y";
        for (const auto& [n, count] : orders)
            if (!nextPO.empty() && CountedPart(n, poPrefix) == nextPO)
                note("the next PO number " + nextPO + " names PO " + n);
        const std::string nextReceiver = Key(c.get(Company::NextReceiverNumber));
        if (!nextReceiver.empty() && receivers.count(nextReceiver))
            note("the next receiver number " + nextReceiver + " is on file");
    }
    return found;
}

// What disagrees, one line each; empty when the books agree with the documents. Stock is
// checked against `openingStock` (by product code) moved by every invoice and receipt.
inline std::vector<std::string> BooksDisagreements(
    const CompanyBooks& b, Date today, const std::map<std::string, Decimal>& openingStock) {
    using namespace books_detail;
    std::vector<std::string> problems;
    const auto disagree = [&](const std::string& what, Decimal books, Decimal documents) {
        if (books != documents)
            problems.push_back(what + ": books " + books.format("0.00") + ", documents " +
                               documents.format("0.00"));
    };
    if (!b.company) return {"the company is not on file"};
    const auto periods = CompanyAgingPeriods(*b.company);
    if (!periods) return {"the aging periods are not numbers"};

    // Receivables: every record's amount due, by customer and aging bucket.
    struct Owed {
        Decimal balance;
        std::array<Decimal, 4> aging{};
    };
    std::map<std::string, Owed> owed;
    Decimal receivables;
    for (const InvoiceRec& r : b.invoices) {
        const Decimal due = Amount(r.get(Invoice::InvDue));
        if (due.isZero()) continue;
        const auto date = ParseSortableDate(r.get(Invoice::InvDateYMD));
        if (!date) {
            problems.push_back("invoice " + r.get(Invoice::InvNumber) + " has no date");
            continue;
        }
        Owed& o = owed[Key(r.get(Invoice::InvCustomerNumber))];
        o.balance += due;
        o.aging[static_cast<std::size_t>(AgingBucketOf(DaysBetween(*date, today), *periods))] +=
            due;
        receivables += due;
    }
    Decimal balances;
    for (const CustomerRec& c : b.customers) {
        const std::string number = Key(c.get(Customer::Number));
        const Owed o = owed[number];
        disagree("balance of customer " + number, Amount(c.get(Customer::Balance)), o.balance);
        for (std::size_t k = 0; k < o.aging.size(); ++k)
            disagree("aging " + std::to_string(k) + " of customer " + number,
                     Amount(c.get(Customer::Amounts[k])), o.aging[k]);
        balances += Amount(c.get(Customer::Balance));
    }
    disagree("receivables total", Amount(b.company->get(Company::ReceivablesTotal)), receivables);
    disagree("customers' balances", balances, receivables);

    // The open-item index lists exactly the records with an amount due, by their customer.
    if (b.openItems) {
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
    }

    // Stock: opening stock less what invoices sold plus what came in on orders. Selling a
    // non-depleting product leaves its stock alone; receiving it brings it in.
    std::map<std::string, Decimal> sold, received;
    for (const InvoiceLineRec& l : b.invoiceLines)
        sold[Key(l.get(InvoiceLine::LineProductCode))] +=
            LineQuantity(l.get(InvoiceLine::LineText));
    std::map<std::string, std::pair<Decimal, Decimal>> orderedReceived;  // by PO number
    for (const POLineRec& l : b.orderLines) {
        const Decimal in = Amount(l.get(POLine::LineReceivedQty));
        received[Key(l.get(POLine::LineProductCode))] += in;
        auto& [ordered, inSum] = orderedReceived[Key(l.get(POLine::LinePONumber))];
        if (TrimBlanks(l.get(POLine::LineKind)) == POLine::KindOrdered)
            ordered += LineQuantity(l.get(POLine::LineText));
        inSum += in;
    }
    for (const ProductRec& p : b.products) {
        if (p.get(Product::NonStock)) continue;
        const std::string code = Key(p.get(Product::Code));
        const auto opening = openingStock.find(code);
        Decimal expected = opening == openingStock.end() ? Decimal() : opening->second;
        expected += received[code];
        if (!p.get(Product::NonDepleting)) expected -= sold[code];
        disagree("stock of " + code, Amount(p.get(Product::StockOnHand)), expected);
    }

    // An order carries a received date exactly when everything on it has come in.
    for (const PORec& po : b.orders) {
        const std::string number = Key(po.get(PurchaseOrder::PONumber));
        const auto& [ordered, in] = orderedReceived[number];
        const bool dated = !TrimBlanks(po.get(PurchaseOrder::POReceivedDate)).empty();
        if (dated != (in >= ordered))
            problems.push_back(
                "PO " + number +
                (dated ? " is dated received with " : " is not dated received with ") +
                in.general() + " of " + ordered.general() + " in");
    }
    return problems;
}

// Everything the two checks find, and the files that could not be read; empty when the
// books are whole and agree with the documents.
inline std::vector<std::string> CheckBooks(const DataFolder& folder, std::string_view company,
                                           Date today,
                                           const std::map<std::string, Decimal>& openingStock) {
    const CompanyBooks books = ReadCompanyBooks(folder, company);
    std::vector<std::string> problems;
    for (const std::string& file : books.unreadable) problems.push_back("cannot read " + file);
    for (std::string& p : HalfPostedDocuments(books)) problems.push_back("half-posted: " + p);
    for (std::string& p : BooksDisagreements(books, today, openingStock))
        problems.push_back(std::move(p));
    return problems;
}

}  // namespace testsupport
