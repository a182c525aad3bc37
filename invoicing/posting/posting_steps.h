#pragma once
// The steps a new, changed or deleted invoice is posted with, shared by the three: amounts
// read and checked, the header and line records from the entry, stock, the customer's
// balance and aging, the company's receivables. A plan runs the reading steps and stops at
// the first value it cannot compute or store by throwing PlanRefusal (plan_refusal.h), before
// anything is written; the writing steps then raise the application's error when a write fails.

#include <QString>
#include <array>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/decimal.h"
#include "invoicing/posting/aging.h"
#include "invoicing/posting/invoice_entry.h"
#include "invoicing/posting/plan_refusal.h"
#include "invoicing/records/invoice_line_rec.h"
#include "invoicing/records/invoice_memo_rec.h"
#include "invoicing/records/invoice_rec.h"
#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "shell/company/company_rec.h"
#include "shell/dates.h"

class DataFile;

// Opens a file of the company for one step and closes it at the end of the step, unless it
// was open already (a manager keeps it open while it is shown).
class StepFile {
public:
    explicit StepFile(const DataFile& file);
    ~StepFile();
    StepFile(const StepFile&) = delete;
    StepFile& operator=(const StepFile&) = delete;
    bool ok() const { return ok_; }

private:
    const DataFile& file_;
    bool openedHere_ = false;
    bool ok_ = false;
};

// Files kept open over many steps (a batch, or a window while it is shown), so that each
// step finds them open instead of opening them for itself.
class HeldFiles {
public:
    HeldFiles() = default;
    explicit HeldFiles(std::initializer_list<const DataFile*> files) { Hold(files); }
    // Opens the files not held yet; one that cannot be opened is left to the steps to report.
    void Hold(std::initializer_list<const DataFile*> files);
    void Release() { held_.clear(); }

private:
    std::vector<std::unique_ptr<StepFile>> held_;
};

// Month or day with two digits.
std::string TwoDigits(int n);

// The invoice date typed in the company's order; refuses a text that is not a date.
Date InvoiceDateOrRefuse(std::string_view typed);

// The invoice's date as typed and its parts: month and day of two digits, the year, and the
// "yyyy/mm/dd" copy that keys use.
void SetInvoiceDate(InvoiceRec& header, std::string_view typed, Date date);

// The line text of a posted row: quantity, description, unit price, tax flag and extension,
// each padded to its width (10, 32, 10, 1, 10). Nothing when a part is wider than its width.
std::optional<std::string> InvoiceLineText(const InvoiceRow& row);

// The header fields the entry dialog holds: number (upper-cased), the date and its parts,
// notes, terms, statement note, customer, key code, the four amounts and the ship-to lines.
// The caller sets what posting or change add to them.
void FillHeaderFromEntry(InvoiceRec& header, const InvoiceEntry& entry, Date date);

// The line fields from grid row `rowNr` of the entry: company, invoice number as typed, sort
// date, customer, unit cost, product code and line text. Kind and status are the caller's.
void FillLineFromRow(InvoiceLineRec& line, const InvoiceEntry& entry, int rowNr,
                     const InvoiceRow& row, std::string_view sortDate);

// The memo record filed under the number; 0 when there is none.
int32_t InvoiceMemoRefOf(std::string_view number);

// The memo record of a memo invoice: the entry's number and the first 25 lines of Memo1. The
// memo key is unique: a number whose memo is on file, other than the record `own` (0: none),
// refuses the plan.
InvoiceMemoRec MemoFromEntry(const InvoiceEntry& entry, int32_t own);

// The one row a memo document posts: its product (or "** NONE **"), quantity, description and
// net amount.
EntryRow MemoRow(const DocumentEntry& entry);

// The grid rows a posting writes, by row number: every row with a code or a description; a
// memo document posts its one memo row only, never rows left in its hidden grid.
std::vector<std::pair<int, EntryRow>> PostedRows(const DocumentEntry& entry);

// What the document moves in or out of stock: (product code, quantity) of every row with a
// code, or of the memo document's product.
std::vector<std::pair<std::string, std::string>> StockSales(const DocumentEntry& entry);

struct StockChange {
    int32_t ref = 0;
    ProductRec record;  // as it will be written
};

// Stock on hand of the products an invoice moves, as it will be written. The product file is
// opened at the first product and closed with the plan. A product moved on several rows is
// moved by each of them.
class StockPlan {
public:
    // A purchase brings non-depleting products in like any stocked one: only selling them
    // leaves their stock alone.
    explicit StockPlan(bool nonDepletingCounts = false);
    ~StockPlan();
    StockPlan(const StockPlan&) = delete;
    StockPlan& operator=(const StockPlan&) = delete;

    // Takes the quantity out of stock (or gives it back) when the product is on file and
    // counts for stock (not non-stock, and not non-depleting unless they count). The product's record as it now
    // stands, or nullptr when stock does not change.
    const StockChange* Move(std::string_view code, std::string_view quantity, bool giveBack);
    const std::vector<StockChange>& changes() const { return changes_; }

private:
    struct Open;
    const bool nonDepletingCounts_;
    std::unique_ptr<Open> open_;
    std::vector<StockChange> changes_;
    std::map<int32_t, std::size_t> index_;  // Ref -> place in changes_
};

struct CustomerChange {
    int32_t ref = 0;
    CustomerRec record;  // as it will be written
};

// The customer of that number, found by its exact key; nothing when it is not on file.
std::optional<CustomerChange> FindCustomerByNumber(std::string_view number);
// The customer of that number (exact lookup), read into `record` with the customer file
// opened for the step; its Ref. A refusal when there is none.
int32_t CustomerOrRefuse(std::string_view number, CustomerRec& record);
void AddToCustomerBalance(CustomerRec& customer, Decimal amount);
void AddToCustomerAging(CustomerRec& customer, AgingBucket bucket, Decimal amount);

// The bucket of an invoice dated `date` today.
AgingBucket AgingBucketOn(Date date, const AgingPeriods& periods);

// A customer's four aging amounts made afresh from its invoice records: the amount due of
// every record that has one, in the bucket of the record's age on `today`.
class AgingSums {
public:
    AgingSums(const AgingPeriods& periods, Date today) : periods_(periods), today_(today) {}
    // Adds the record's amount due (commas allowed, blank is 0) dated `date`; a refusal
    // naming the invoice when it is not a number, or when a sum would not fit.
    void Add(Date date, const InvoiceRec& record);
    // The four sums into the customer's aging amounts ("0.00"); a refusal when one does not
    // fit its field.
    void WriteTo(CustomerRec& customer) const;

private:
    AgingPeriods periods_;
    Date today_;
    std::array<Decimal, 4> sums_{};
};

// The company's receivables total moved by the amount, "0.00", checked to fit its field.
std::string ReceivablesAfter(const CompanyRec& stored, Decimal amount);

// --- writing ---

// Rewrites the products; a failure raises "Modify operation failed".
void WriteStock(std::span<const StockChange> changes);
// Rewrites the customer and copies it into CustomerBuf; a failure raises "Modify operation
// failed".
void WriteCustomer(const CustomerChange& change);
// Changes the current company's stored record; a failure raises "Modify operation failed".
void WriteCompany(const std::function<bool(CompanyRec&)>& change);
