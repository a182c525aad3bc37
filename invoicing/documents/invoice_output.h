#pragma once
// Output of one invoice: loading it into the document buffer, then showing it in the view
// window, or printing it (with packing slip, file copies and a print-queue row in batch
// runs) or e-mailing it, by the caller's "to printer" flag and the main window's "Default
// Printed Output" choice.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/decimal.h"
#include "invoicing/records/invoice_line_rec.h"
#include "invoicing/records/invoice_rec.h"
#include "masters/party_rec.h"
#include "shell/unit_state.h"

// The Invoice Manager's variables: its list order and customer filter, which outlive one
// showing of the window, and the flags it sets around an output. The application uses the
// one built in; a test installs a fresh one with InvoiceOutputStateScope.
struct InvoiceOutputState {
    uint32_t InvoiceKeyNumber = 3;       // the index the list runs on, 1..6
    std::string InvoiceFilterCustomer;   // the customer number the filter admits
    std::string InvoiceOutputNumber;     // the invoice to output
    uint8_t InvoiceOutputToPrinter = 0;  // set: print or e-mail; clear: view
    uint8_t InvoiceBatchRunning = 0;     // set while a batch print runs
    uint8_t InvoiceMemoMode = 0;         // set by the loader: the invoice is a memo invoice
};

InvoiceOutputState& InvoiceOutput();
using InvoiceOutputStateScope = UnitStateScope<InvoiceOutputState>;

// Shows the view window on the document buffer, modally; the window plugs itself in here.
extern std::function<void()> ShowDocumentView;
// Writes a status panel of the Invoice Manager; the manager plugs itself in here.
extern std::function<void(int panel, const QString& text)> InvoiceManagerStatusText;

// What the loader found besides the buffer's content.
struct LoadedInvoice {
    InvoiceRec header;                    // the last header record of the number (key 1)
    std::optional<CustomerRec> customer;  // nothing when no customer has its number
};

// Loads invoice InvoiceOutputNumber into the document buffer. The invoice, line and memo
// file sets of the current company must be open. Nothing, after telling the user, when no
// record carries the number; an amount that is not a number raises an error.
std::optional<LoadedInvoice> LoadInvoiceDocument();

// What became of a document (an invoice, a purchase order) sent to output.
enum class DocumentOutcome {
    NotLoaded,  // not on file (the user has been told)
    Viewed,     // shown in the view window
    Printed,    // printed with its packing slip or file copies
    Emailed,    // sent by e-mail
    NoAddress,  // not sent: the customer or vendor has no e-mail address to send to
};

// Loads invoice InvoiceOutputNumber and sends it where the flags and the output choice say.
DocumentOutcome OutputInvoice();

// The main window's "Default Printed Output": true for "Printer or Fax" (also when there is
// no main window), false for e-mail.
bool OutputGoesToPrinter();

// The 81-character document line of a line record: code, quantity with the decimals typed,
// description, unit price, tax flag and extension in their columns.
std::string InvoiceDocumentLine(const InvoiceLineRec& line);

// The same line from a line record's product code and line text, whichever file it is from.
std::string DocumentLineText(std::string_view code, std::string_view lineText);

// What the loaders and their dispatch share.
struct DocumentState;
// Shows the view window on the buffer; the window must have plugged itself in.
void ShowDocumentInView();
// Prints the file copies the company's setting asks for (none when it is 0 or not a
// number), each as "FCP".
void PrintFileCopies(std::string_view copiesSetting, const std::function<void()>& print);
// A stored amount (commas allowed, blank is 0) as a number; one that is not a number raises
// an error naming the document ("invoice", "purchase order"), its number and the field.
Decimal DocumentAmount(std::string_view stored, std::string_view what, std::string_view document,
                       std::string_view number);
// Raises the error of sums that overflow.
[[noreturn]] void DocumentAmountsTooLarge(std::string_view document, std::string_view number);
// Memo lines into the buffer: line 1 always, lines 2..25 only when their trimmed text has at
// least minLength characters; each padded to the memo width.
inline constexpr std::size_t MemoLineWidth = 74;
void SetMemoDocumentLines(DocumentState& doc, const std::vector<std::string>& lines,
                          std::size_t minLength);
// An amount as ",0.00" right-justified to 12 (wider amounts are kept whole).
std::string JustifiedAmount(Decimal value);

// The quantity column: characters 1-10 of the line text with thousands separators and the
// decimals typed, right-justified in 10; 10 blanks when empty. A quantity whose separators
// would not fit the column is shown without them.
std::string QuantityColumn(std::string_view lineText);
