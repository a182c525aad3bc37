#pragma once
// The mark a printed or e-mailed invoice leaves on its header records, and the walk over an
// invoice number's header records that finds them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class InvoiceRec;

// The header records of the invoice number (upper-cased), in key-1 order.
bool WalkInvoiceHeaders(const std::string& number,
                        const std::function<bool(int32_t ref, const InvoiceRec&)>& take);

// Marks every header record of the invoice number printed, and with an e-mailed date also
// e-mailed on that date (a record e-mailed before keeps its date). The invoice file set must
// be open. False when a record could not be rewritten.
bool MarkInvoiceOutput(std::string_view number, const std::optional<std::string>& emailedDate);
