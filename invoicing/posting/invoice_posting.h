#pragma once
// Posting a new invoice: from what the entry dialog holds when OK is pressed, everything the
// posting writes is computed and checked first (customer found, stock, balances, aging,
// totals, next number, memo number free, every value fitting its field). Only a plan that
// passes is written, so a posting that cannot be written whole is refused before anything is
// written. Plain logic: it reads the company's files and writes none.

#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/entry/entry_lines.h"
#include "invoicing/posting/plan_refusal.h"
#include "invoicing/records/invoice_line_rec.h"
#include "invoicing/records/invoice_memo_rec.h"
#include "invoicing/records/invoice_rec.h"
#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "shell/dates.h"

inline constexpr int InvoiceGridRows = EntryGridRows;
// The product code of the one line of a memo invoice without a product.
inline constexpr std::string_view NoProductCode = "** NONE **";

// One grid row as shown (record text).
using InvoiceRow = EntryRow;

// What the entry dialog holds when OK is pressed.
struct InvoiceEntry : DocumentEntry {
    std::string statementNote;
    std::string customerNumber;
    std::string customerShortName;
    std::string paid;  // as shown, ",0.00"
};

struct StockChange {
    int32_t ref = 0;
    ProductRec record;  // as it will be written
};

// A customer's row in the print queue.
struct CustomerLabelRow {
    std::string number, name, sortCode, type;
};

// Everything a posting writes, in the order it writes it.
struct InvoicePosting {
    InvoiceRec header;
    std::vector<InvoiceLineRec> lines;  // one per posted row
    std::vector<StockChange> stock;
    int32_t customerRef = 0;
    CustomerRec customer;
    std::optional<CustomerLabelRow> labelRow;
    std::string receivablesTotal;                  // "0.00"
    std::optional<std::string> nextInvoiceNumber;  // nothing: left as it is
    std::string lastInvoiceNumber;
    std::optional<InvoiceMemoRec> memo;
    // The answer of an external transaction ("CPWIN.TXT"), line by line.
    std::vector<std::string> answerLines;
    std::string number;  // as typed, for the status text
    bool print = false;
};

struct PostingPlan : PlanRefusalText {
    std::optional<InvoicePosting> posting;
};

// Computes the posting of a new invoice for the current company (Shell()), reading its
// company record, customer, products and memo file (the invoice files must be open).
PostingPlan PlanInvoicePosting(const InvoiceEntry& entry, bool external);

// The next invoice number after `number`: its numeric value + 1, or with the year-and-month
// prefix the value of characters 5 to 9 + 1. Nothing when that part is not a whole number or
// the result would not fit the field: the company's number is then left as it is.
std::optional<std::string> NextInvoiceNumberAfter(std::string_view number, bool prefixed);

// The invoice's date as typed and its parts: month and day of two digits, the year, and the
// "yyyy/mm/dd" copy that keys use.
void SetInvoiceDate(InvoiceRec& header, std::string_view typed, Date date);

// ASCII letters upper-cased, like the key builders do; other characters kept.
std::string UpperAscii(std::string_view text);

// The line text of a posted row: quantity, description, unit price, tax flag and extension,
// each padded to its width (10, 32, 10, 1, 10). Nothing when a part is wider than its width.
std::optional<std::string> InvoiceLineText(const InvoiceRow& row);

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
