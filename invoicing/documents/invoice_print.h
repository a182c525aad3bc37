#pragma once
// The printed invoice: the invoice in the document buffer drawn on the printer as the form
// OutputMode names: "INV" the invoice, "PSL" a packing slip (quantities without prices or
// totals), "FCP" a file copy. One call prints one form as one print job.

class PrintCanvas;
class CompanyRec;
struct DocumentState;

// Prints the form on the program's printer, then marks the invoice's records printed once
// the job has ended well (inside a batch: once the batch's job has). A job that does not end
// well raises an error and marks nothing.
void PrintInvoiceDocument();

// The form's pages as one job on the canvas, laid out by the company's print settings and
// fonts; true when the job ended well. Marks nothing.
bool PrintInvoicePages(PrintCanvas& canvas, const DocumentState& doc, const CompanyRec& company);
