#pragma once
// What the invoice entry dialog holds when OK is pressed: the input of posting a new invoice
// and of changing one (record text, Windows-1252).

#include <string>
#include <string_view>

#include "invoicing/entry/entry_lines.h"

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
