#pragma once
// Adding, changing and deleting a customer, vendor or product as the managers do it: numbers
// and codes unique, a record that documents refer to kept. Plain logic over the file layer.

#include <QString>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "masters/edit_fields.h"
#include "shell/file_layer.h"

struct MasterKind {
    const DataFile& (*file)();
    const EditTable& (*table)();
    int uniqueKey;              // number (customers, vendors) or code (products)
    const char* uniqueControl;  // its control in the edit dialog
    const char* noun;           // "customer"
    const char* uniqueNoun;     // "Customer number"
    // The number documents refer to, and whether they do (empty: nothing refers to it).
    std::function<std::string(std::span<const uint8_t> record)> numberOf;
    std::function<bool(std::string_view number)> inUse;
    const char* inUseText;
    // A new record's defaults; the last touches before a record is written (new or not).
    std::function<void(std::span<uint8_t> record)> blank;
    std::function<void(std::span<uint8_t> record, bool isNew)> beforeSave;
};

const MasterKind& CustomerKind();
const MasterKind& VendorKind();
const MasterKind& ProductKind();

// The defaults of a new record of the kind.
std::vector<uint8_t> BlankRecord(const MasterKind& kind);

// Adds the record; its Ref in `ref`.
SaveOutcome AddMaster(const MasterKind& kind, std::span<const uint8_t> record, int32_t& ref);
// Writes the record over record `ref`, which read `before` when editing began.
SaveOutcome UpdateMaster(const MasterKind& kind, int32_t ref, std::span<const uint8_t> before,
                         std::span<const uint8_t> record);
// Deletes record `ref` unless documents refer to it (Refused with the kind's text).
SaveOutcome DeleteMaster(const MasterKind& kind, int32_t ref);
