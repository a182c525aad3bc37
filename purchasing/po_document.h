#pragma once
// Output of one purchase order: loading it into the document buffer, then showing it in the
// view window, or printing it (with file copies and a print-queue row in batch runs) or
// e-mailing it, by the caller's "to printer" flag and the main window's "Default Printed
// Output" choice.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "invoicing/documents/invoice_output.h"
#include "masters/party_rec.h"
#include "purchasing/po_rec.h"
#include "shell/unit_state.h"

// The Purchase Order Manager's state: the flags it sets around an output, and the order and
// vendor filter of its list. The application uses the one built in; a test installs a fresh
// one with PODocumentStateScope.
struct PODocumentState {
    std::string CurrentPONumber;      // the order to output
    uint8_t POOutputToPrinter = 0;    // set: print or e-mail; clear: view
    uint8_t POBatchRunning = 0;       // set while a batch print or e-mail runs
    uint32_t POManagerKeyNumber = 3;  // the key the manager's list runs on
    std::string POVendorFilter;       // the vendor number the list's filter admits
};

PODocumentState& PODocument();
using PODocumentStateScope = UnitStateScope<PODocumentState>;

// What the loader found besides the buffer's content.
struct LoadedPO {
    PORec header;                     // the last header record of the number (key 1)
    std::optional<VendorRec> vendor;  // nothing when no vendor has its number
};

// Loads order CurrentPONumber into the document buffer and sets POMemoMode. The order
// header, line and memo file sets of the current company must be open; the vendor file is
// opened for the look-up. Nothing, after telling the user, when no record carries the
// number; an amount that is not a number raises an error.
std::optional<LoadedPO> LoadPODocument();

// The vendor with the number, exactly; nothing when no vendor has it. The vendor file is
// opened for the look-up unless its manager has it open.
std::optional<VendorRec> FindVendorByNumber(std::string_view number);

// Loads order CurrentPONumber and sends it where the flags and the output choice say.
DocumentOutcome BuildPODocument();
