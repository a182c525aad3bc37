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

#include "invoicing/invoice_line_rec.h"
#include "invoicing/invoice_rec.h"
#include "masters/party_rec.h"
#include "shell/unit_state.h"

// The Invoice Manager's variables: its list order and customer filter, which outlive one
// showing of the window, and the flags it sets around an output. The application uses the
// one built in; a test installs a fresh one with InvoiceOutputStateScope.
struct InvoiceOutputState {
    uint32_t InvoiceKeyNumber = 3;      // the index the list runs on, 1..6
    std::string InvoiceFilterCustomer;  // the customer number the filter admits
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

// Loads invoice InvoiceOutputNumber and sends it where the flags and the output choice say.
void OutputInvoice();

// The main window's "Default Printed Output": true for "Printer or Fax" (also when there is
// no main window), false for e-mail.
bool OutputGoesToPrinter();

// The 81-character document line of a line record: code, quantity with the decimals typed,
// description, unit price, tax flag and extension in their columns.
std::string InvoiceDocumentLine(const InvoiceLineRec& line);

// The quantity column: characters 1-10 of the line text with thousands separators and the
// decimals typed, right-justified in 10; 10 blanks when empty. A quantity whose separators
// would not fit the column is shown without them.
std::string QuantityColumn(std::string_view lineText);

// Marks every header record of the invoice number printed, and with an e-mailed date also
// e-mailed on that date (a record e-mailed before keeps its date). The invoice file set must
// be open. False when a record could not be rewritten.
bool MarkInvoiceOutput(std::string_view number, const std::optional<std::string>& emailedDate);
