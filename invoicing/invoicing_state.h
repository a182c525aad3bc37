#pragma once
// The invoicing unit's process-wide state: the open handles and record buffers of the
// invoice header, line and memo files, which posting, output, payments and reports use
// directly. The application uses the one built in; a test installs a fresh one with
// InvoicingStateScope.

#include <cstdint>

#include "engine/engine.h"
#include "invoicing/records/invoice_line_rec.h"
#include "invoicing/records/invoice_memo_rec.h"
#include "invoicing/records/invoice_rec.h"
#include "shell/unit_state.h"

struct InvoicingState {
    FileSetHandle InvoiceFile = 0;
    InvoiceRec InvoiceBuf;
    // Whether the last call of the header file failed for a lock.
    uint8_t InvoiceLockFlag = 0;

    FileSetHandle InvoiceMemoFile = 0;
    InvoiceMemoRec InvoiceMemoBuf;
    uint8_t InvoiceMemoLockFlag = 0;

    FileSetHandle InvoiceLineFile = 0;
    InvoiceLineRec InvoiceLineBuf;
    uint8_t InvoiceLineLockFlag = 0;
};

InvoicingState& Invoicing();
using InvoicingStateScope = UnitStateScope<InvoicingState>;
