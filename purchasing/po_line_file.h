#pragma once
// The purchase-order line file (file stem + "PD"): ordered lines, the one line of a memo
// order, and the receiver lines of later receipts. Entry points over the shared file layer,
// on Purchasing()'s POLineFile and POLineBuf. Updates rewrite without the
// changed-in-the-meantime check.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "purchasing/purchasing_state.h"
#include "shell/file_layer.h"

// All five indexes allow duplicates.
inline constexpr int POLineDateKey = 1;         // order date "%-10s"
inline constexpr int POLineNumberKey = 2;       // order number "%-9s": all lines of an order
inline constexpr int POLineReceiptDateKey = 3;  // receipt date "%-10s"; none sorts first
// Order number, product code and line kind joined, "%-20s": the ordered line of a product.
inline constexpr int POLineProductKey = 4;
inline constexpr int POLineReceiverKey = 5;  // receiver number "%-9s"

// Key keyNr (1..5): trimmed, upper-cased, padded to its width; any other number gives "".
std::string BuildPOLineKey(std::span<const uint8_t> record, int keyNr);
inline std::string BuildPOLineKey(const POLineRec& record, int keyNr) {
    return BuildPOLineKey(record.bytes(), keyNr);
}

const DataFile& POLineData();

bool IsPOLineLockError();
bool AskPOLineLockAbort();

bool AddPOLineData(const POLineRec& record, int32_t& ref);
bool PutPOLineData(int32_t ref, const POLineRec& record);
bool DeletePOLineData(int32_t ref);
bool AddPOLineKey(std::string_view key, int32_t ref, int keyNr);
bool DeletePOLineKey(std::string_view key, int32_t ref, int keyNr);
bool ReplacePOLineKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr);

// Adds POLineBuf with its five keys; a refused key removes what was added.
bool AddPOLineRecord(int32_t& ref);
// Writes POLineBuf over line ref and replaces the keys that changed. False when nothing was
// written: the user gave up at a lock, the stored line is gone or unreadable, or a key was
// refused (the keys already replaced are put back).
bool UpdatePOLineRecord(int32_t ref);
// Removes line ref with the keys of the line as stored.
bool DeletePOLineRecord(int32_t ref);

bool CreatePOLineFiles();
// Opens POLineFile; a missing file set is created without a word.
bool OpenPOLineFiles();
void ClosePOLineFiles();
bool RebuildPOLineFiles();
// The first entry of index keyNr at or after `key`; `key` receives the key found.
bool SearchPOLineKey(std::string& key, int32_t& ref, int keyNr);

// The ordered ("P") line of the product on the order: its Ref, the line copied into `line`;
// 0 when there is none, `line` untouched. Receiver lines never match, nor does a line whose
// number and code merely join to the same key (order "500A" with "B-1" is not "500" with
// "AB-1").
int32_t FindOrderedPOLine(std::string_view poNumber, std::string_view productCode, POLineRec& line);
