#pragma once
// Posting a new invoice: from what the entry dialog holds when OK is pressed, everything the
// posting writes is computed and checked first (customer found, stock, balances, aging,
// totals, next number, memo number free, every value fitting its field). Only a plan that
// passes is written, so a posting that cannot be written whole is refused before anything is
// written. Plain logic: it reads the company's files and writes none.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/records/invoice_line_rec.h"
#include "invoicing/records/invoice_memo_rec.h"
#include "invoicing/records/invoice_rec.h"
#include "invoicing/posting/invoice_entry.h"
#include "invoicing/posting/plan_refusal.h"
#include "invoicing/posting/posting_steps.h"
#include "invoicing/print_queue_adder.h"
#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "shell/dates.h"


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
