#pragma once
// The purchasing unit's process-wide state: the open handles and record buffers of the
// purchase-order header, line and memo files, which posting, output, receiving and reports
// use directly. The application uses the one built in; a test installs a fresh one with
// PurchasingStateScope.

#include <cstdint>

#include "engine/engine.h"
#include "purchasing/po_line_rec.h"
#include "purchasing/po_memo_rec.h"
#include "purchasing/po_rec.h"
#include "shell/unit_state.h"

struct PurchasingState {
    FileSetHandle POFile = 0;
    PORec POBuf;
    // Whether the last call of the header file failed for a lock.
    uint8_t POLockErrorFlag = 0;

    FileSetHandle POLineFile = 0;
    POLineRec POLineBuf;
    uint8_t POLineLockErrorFlag = 0;

    FileSetHandle POMemoFile = 0;
    POMemoRec POMemoBuf;
    uint8_t POMemoLockErrorFlag = 0;

    // 1 while the purchase order in hand (in entry, posting, change or output) is a memo PO.
    uint8_t POMemoMode = 0;
};

PurchasingState& Purchasing();
using PurchasingStateScope = UnitStateScope<PurchasingState>;
