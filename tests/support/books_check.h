#pragma once
// A books check for tests and benchmarks: what a company's books say (customer balances and
// aging, the company's receivables total, stock on hand, orders marked received) against
// what the documents on file say. Reads the files with the engine alone; the engine must be
// running and the company's file sets closed or open in this process.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/decimal.h"
#include "engine/engine.h"
#include "invoicing/posting/aging.h"
#include "invoicing/records/invoice_line_rec.h"
#include "invoicing/records/invoice_rec.h"
#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "purchasing/po_line_rec.h"
#include "purchasing/po_rec.h"
#include "shell/company/company_file.h"
#include "shell/data_folder.h"
#include "shell/dates.h"
#include "shell/record_file.h"
#include "shell/text.h"

namespace testsupport {

// Every live record of the company's file set with the letters, in record order.
template <class Rec>
std::vector<Rec> CompanyRecords(const DataFolder& folder, std::string_view company,
                                std::string_view letters) {
    FileSetHandle h = 0;
    OpenFileSet(h, folder.fileSet(std::string(company) + std::string(letters)));
    if (!EngineOK) return {};
    const FileSetCloser closer(h);
    return LiveRecords<Rec>(h);
}

inline Decimal Amount(std::string_view text) {
    return Decimal::ParseBlankAsZero(StripCommas(text)).value_or(Decimal::FromScaled(-1));
}

// The stock on hand of every product, by code.
inline std::map<std::string, Decimal> StockOnHand(const DataFolder& folder,
                                                  std::string_view company) {
    std::map<std::string, Decimal> stock;
    for (const ProductRec& p : CompanyRecords<ProductRec>(folder, company, "P"))
        stock[TrimBlanks(p.get(Product::Code))] = Amount(p.get(Product::StockOnHand));
    return stock;
}

// What disagrees, one line each; empty when the books agree with the documents. Stock is
// checked against `openingStock` (by product code) moved by every invoice and receipt.
inline std::vector<std::string> CheckBooks(const DataFolder& folder, std::string_view company,
                                           Date today,
                                           const std::map<std::string, Decimal>& openingStock) {
    std::vector<std::string> problems;
    const auto disagree = [&](const std::string& what, Decimal books, Decimal documents) {
        if (books != documents)
            problems.push_back(what + ": books " + books.format("0.00") + ", documents " +
                               documents.format("0.00"));
    };
    const auto companyRec = FindCompany(folder, company);
    if (!companyRec) return {"company " + std::string(company) + " is not on file"};
    const auto periods = CompanyAgingPeriods(*companyRec);
    if (!periods) return {"the aging periods are not numbers"};

    // Receivables: every record's amount due, by customer and aging bucket.
    struct Owed {
        Decimal balance;
        std::array<Decimal, 4> aging{};
    };
    std::map<std::string, Owed> owed;
    Decimal receivables;
    for (const InvoiceRec& r : CompanyRecords<InvoiceRec>(folder, company, "I")) {
        const Decimal due = Amount(r.get(Invoice::InvDue));
        if (due.isZero()) continue;
        const auto date = ParseSortableDate(r.get(Invoice::InvDateYMD));
        if (!date) {
            problems.push_back("invoice " + r.get(Invoice::InvNumber) + " has no date");
            continue;
        }
        Owed& o = owed[TrimBlanks(r.get(Invoice::InvCustomerNumber))];
        o.balance += due;
        o.aging[static_cast<std::size_t>(AgingBucketOf(DaysBetween(*date, today), *periods))] +=
            due;
        receivables += due;
    }
    Decimal balances;
    for (const CustomerRec& c : CompanyRecords<CustomerRec>(folder, company, "C")) {
        const std::string number = TrimBlanks(c.get(Customer::Number));
        const Owed o = owed[number];
        disagree("balance of customer " + number, Amount(c.get(Customer::Balance)), o.balance);
        for (std::size_t k = 0; k < o.aging.size(); ++k)
            disagree("aging " + std::to_string(k) + " of customer " + number,
                     Amount(c.get(Customer::Amounts[k])), o.aging[k]);
        balances += Amount(c.get(Customer::Balance));
    }
    disagree("receivables total", Amount(companyRec->get(Company::ReceivablesTotal)), receivables);
    disagree("customers' balances", balances, receivables);

    // Stock: opening stock less what invoices sold plus what came in on orders.
    std::map<std::string, Decimal> moved;
    for (const InvoiceLineRec& l : CompanyRecords<InvoiceLineRec>(folder, company, "D"))
        moved[TrimBlanks(l.get(InvoiceLine::LineProductCode))] -=
            Amount(l.get(InvoiceLine::LineText).substr(0, 10));
    std::map<std::string, std::pair<Decimal, Decimal>> orderedReceived;  // by PO number
    for (const POLineRec& l : CompanyRecords<POLineRec>(folder, company, "PD")) {
        const std::string code = TrimBlanks(l.get(POLine::LineProductCode));
        const Decimal received = Amount(l.get(POLine::LineReceivedQty));
        moved[code] += received;
        auto& [ordered, in] = orderedReceived[TrimBlanks(l.get(POLine::LinePONumber))];
        if (TrimBlanks(l.get(POLine::LineKind)) == POLine::KindOrdered)
            ordered += Amount(l.get(POLine::LineText).substr(0, 10));
        in += received;
    }
    for (const ProductRec& p : CompanyRecords<ProductRec>(folder, company, "P")) {
        if (p.get(Product::NonStock) || p.get(Product::NonDepleting)) continue;
        const std::string code = TrimBlanks(p.get(Product::Code));
        const auto opening = openingStock.find(code);
        disagree("stock of " + code, Amount(p.get(Product::StockOnHand)),
                 (opening == openingStock.end() ? Decimal() : opening->second) + moved[code]);
    }

    // An order carries a received date exactly when everything on it has come in.
    for (const PORec& po : CompanyRecords<PORec>(folder, company, "O")) {
        const std::string number = TrimBlanks(po.get(PurchaseOrder::PONumber));
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

}  // namespace testsupport
