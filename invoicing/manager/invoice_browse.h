#pragma once
// What the Invoice Manager needs of the invoice file for its list: binding its browse control
// to the file, and the find command that positions that list on the invoice chosen.

#include <cstdint>

class TFvcBrowser;

// Binds the browse control to InvoiceFile (open) on key 1, with InvoiceBuf's length as the
// owner's record buffer, on its first row. `sharedMode` receives the engine's shared-mode
// flag. False, the control left without a model, when the file cannot be browsed.
bool SetupInvoiceBrowser(TFvcBrowser& browser, bool& sharedMode);

// Reads the highlighted row's record into InvoiceBuf; its Ref, or 0 when there is no row or
// the read failed in any way (an error of any class, a row gone since it was shown).
int32_t ReadHighlightedInvoice(TFvcBrowser& browser);

// The "Inv" rows of the find dialog: date, number, customer, key code, total, short name and
// notes of every invoice and payment record of InvoiceFile.
void RegisterInvoiceFindSource();

// Shows the find dialog as "Find Invoice/Payment" over InvoiceFile (its "Inv" rows registered
// first) and, when a row was chosen, positions the browse control on that invoice in the key
// order it runs on. An invoice no longer on file leaves the list where it was.
void FindInvoice(TFvcBrowser& browser);
