#pragma once
// The mark a printed or e-mailed purchase order leaves on its header records.

#include <optional>
#include <string>
#include <string_view>

// Marks every open header record (status "O") of the order number printed and, with a
// date, e-mailed on that date; a record e-mailed before keeps its date. POFile must be
// open. The walk stops at the first engine failure; false when a record could not be read
// or rewritten.
bool MarkPOOutput(std::string_view number, const std::optional<std::string>& emailedDate);
