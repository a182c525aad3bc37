#pragma once
// The printed purchase order: the order in the document buffer drawn on the printer as the
// form OutputMode names: "PO" the order, "FCP" a file copy. One call prints one form as one
// print job.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class PrintCanvas;
class CompanyRec;
struct DocumentState;

// Marks the open header records (status "O") of the order number printed and, with a date,
// e-mailed on that date (an order e-mailed before keeps its date). The purchasing unit,
// which owns the order file, plugs itself in; false when a record could not be rewritten.
extern std::function<bool(std::string_view number, const std::optional<std::string>& emailedDate)>
    MarkPurchaseOrderOutput;

// Prints the form on the program's printer, then, unless the buffer holds a reprint, marks
// the order printed once the job has ended well (inside a batch: once the batch's job has).
// A job that does not end well raises an error and marks nothing.
void PrintPurchaseOrderDocument();

// The form's pages as one job on the canvas, laid out by the company's print settings and
// fonts; true when the job ended well. Marks nothing.
bool PrintPurchaseOrderPages(PrintCanvas& canvas, const DocumentState& doc,
                             const CompanyRec& company);
