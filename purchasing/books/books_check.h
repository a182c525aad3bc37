#pragma once
// The books check: the documents that are on file only in part (a header without its lines,
// lines without their header, a memo document without its memo, a payment without its
// invoice, a next number that names a document on file), and what the books say (customer
// balances and aging, the company's receivables total, orders marked received, and given the
// opening stock, stock on hand) against what the documents on file say.
//
// It recomputes what posting writes: an invoice, a payment, a deposit or a finance charge
// moves the customer's balance and the receivables total by the amount due of its records,
// each in the aging bucket of its record's date as of the day of aging; an invoice line takes
// its quantity out of a stocked product (not non-stock, not non-depleting) and a purchase-
// order line brings its received quantity in (non-depleting products too). It assumes
// documents take the numbers the program proposes (the next-number checks).
//
// Records are fed one at a time and only what the check needs of each is kept, so a company
// of any size is checked in one pass over its files.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/decimal.h"
#include "invoicing/records/invoice_line_rec.h"
#include "invoicing/records/invoice_memo_rec.h"
#include "invoicing/records/invoice_rec.h"
#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "purchasing/po_line_rec.h"
#include "purchasing/po_memo_rec.h"
#include "purchasing/po_rec.h"
#include "shell/company/company_rec.h"
#include "shell/data_folder.h"
#include "shell/dates.h"

// Amount text as stored (blank: zero); -0.01 when it is not a number, so that it disagrees.
Decimal BooksAmount(std::string_view text);
// Document numbers and product codes as their keys compare them.
std::string BooksKey(std::string_view text);

class BooksCheck {
public:
    explicit BooksCheck(const std::optional<CompanyRec>& company);
    ~BooksCheck();
    BooksCheck(BooksCheck&&) noexcept;
    BooksCheck& operator=(BooksCheck&&) noexcept;

    void Add(const CustomerRec& customer);
    void Add(const ProductRec& product);
    void Add(const InvoiceRec& invoice);
    void Add(const InvoiceLineRec& line);
    void Add(const InvoiceMemoRec& memo);
    void Add(const PORec& order);
    void Add(const POLineRec& line);
    void Add(const POMemoRec& memo);

    // The documents on file only in part, one line each.
    std::vector<std::string> HalfPosted() const;
    // What disagrees, one line each. The aging buckets are checked as of `agingDay` (when
    // known), the stock against `openingStock` (by product code) moved by every invoice and
    // receipt (when given).
    std::vector<std::string> Disagreements(std::optional<Date> agingDay,
                                           const std::map<std::string, Decimal>* openingStock) const;

private:
    struct Facts;
    std::unique_ptr<Facts> facts_;
};

struct BooksFindings {
    std::vector<std::string> unreadable;  // files that could not be read to the end
    std::vector<std::string> halfPosted;
    std::vector<std::string> disagreements;
    bool empty() const { return unreadable.empty() && halfPosted.empty() && disagreements.empty(); }
    // Every finding, the unreadable files and the half-posted documents marked as such.
    std::vector<std::string> all() const;
};

// Checks the books of company `number` from its files in the folder (company, customers,
// products, invoices with their lines and memos, orders with their lines and memos). The
// engine must be running; the sets must be closed or open in this process, with indexes that
// can be trusted.
BooksFindings CheckCompanyBooks(const DataFolder& folder, std::string_view number,
                                std::optional<Date> agingDay,
                                const std::map<std::string, Decimal>* openingStock = nullptr);
