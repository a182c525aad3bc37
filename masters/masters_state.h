#pragma once
// The master-file unit's process-wide state: each file's handle and record buffer, and the
// pick protocol's modes and results. The application uses the one built in; a test installs
// a fresh one with MastersStateScope.

#include <cstdint>
#include <functional>
#include <string_view>

#include "engine/engine.h"
#include "masters/party_rec.h"
#include "masters/product_rec.h"
#include "shell/unit_state.h"

// The pick result a manager sets when the user picked a record (double-click or Enter).
inline constexpr uint8_t PickedResult = 8;

struct MastersState {
    FileSetHandle CustomerFile = 0;
    CustomerRec CustomerBuf;
    uint8_t CustomerLockFlag = 0;

    FileSetHandle VendorFile = 0;
    VendorRec VendorBuf;
    uint8_t VendorLockFlag = 0;

    FileSetHandle ProductFile = 0;
    ProductRec ProductBuf;
    uint8_t ProductLockFlag = 0;
    // Where the Product Manager starts when picking: code or description as typed.
    ProductRec ProductSeed;

    // 1 while a caller shows a manager to pick a record.
    uint8_t CustSelectMode = 0;
    uint8_t VendSelectMode = 0;
    uint8_t ProductSelectMode = 0;
    // PickedResult once the user picked; a manager clears it when it is shown, so a caller
    // never takes a record nobody picked.
    uint8_t CustSelectResult = 0;
    uint8_t VendSelectResult = 0;
    uint8_t ProductSelectResult = 0;

    // Set while a batch of customer statements runs: statements then also queue their
    // customers for labels. Creating the Customer Manager clears it.
    uint8_t BatchStatementMode = 0;
};

MastersState& Masters();
using MastersStateScope = UnitStateScope<MastersState>;

// Whether documents refer to a customer (invoices, by their key 2) or a vendor (purchase
// orders, key 2): such a record may not be deleted. The document layers set these; unset,
// no document refers to anything.
extern std::function<bool(std::string_view customerNumber)> CustomerNumberInUse;
extern std::function<bool(std::string_view vendorNumber)> VendorNumberInUse;
