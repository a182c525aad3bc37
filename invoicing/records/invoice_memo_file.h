#pragma once
// The invoice memo file (file stem + "M"): one record per memo invoice, one unique key, the
// invoice number. Entry points over the shared file layer, on Invoicing()'s InvoiceMemoFile
// and InvoiceMemoBuf. Updates rewrite without the changed-in-the-meantime check.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/invoicing_state.h"
#include "shell/file_layer.h"

inline constexpr int InvoiceMemoNumberKey = 1;

// Key 1: MemoInvNumber trimmed, upper-cased, "%-9s"; any other key number gives "".
std::string BuildInvoiceMemoKey(std::span<const uint8_t> record, int keyNr);
inline std::string BuildInvoiceMemoKey(const InvoiceMemoRec& record, int keyNr) {
    return BuildInvoiceMemoKey(record.bytes(), keyNr);
}

// The memo text into the record's 25 lines: lines after the 25th are dropped, each line is
// cut to 74 characters, lines not given are emptied.
void SetInvoiceMemoLines(InvoiceMemoRec& record, std::span<const std::string> lines);
// The 25 lines as stored.
std::vector<std::string> InvoiceMemoLines(const InvoiceMemoRec& record);

const DataFile& InvoiceMemoData();

bool InvoiceMemoFileLocked();
bool InvoiceMemoLockAbort();

bool AddInvoiceMemoRec(const InvoiceMemoRec& record, int32_t& ref);
bool PutInvoiceMemoRec(const InvoiceMemoRec& record, int32_t ref);
bool DeleteInvoiceMemoRec(int32_t ref);
bool AddInvoiceMemoKey(std::string_view key, int32_t ref, int keyNr);
bool DeleteInvoiceMemoKey(std::string_view key, int32_t ref, int keyNr);
bool ChangeInvoiceMemoKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr);

// Adds InvoiceMemoBuf with its key; a number already on file is refused and leaves nothing.
bool AddInvoiceMemoRecord(int32_t& ref);
// Writes InvoiceMemoBuf over record ref, replacing its key. False when nothing was written:
// the user gave up at a lock, or the stored record is gone or unreadable.
bool UpdateInvoiceMemoRecord(int32_t ref);
// Removes record ref with the key of the record as stored.
bool DeleteInvoiceMemoRecord(int32_t ref);

bool CreateInvoiceMemoFile();
// Opens InvoiceMemoFile; a missing file set is created without a word.
bool OpenInvoiceMemoFiles();
void CloseInvoiceMemoFiles();
bool RebuildInvoiceMemoFiles();
bool SearchInvoiceMemoKey(std::string_view key, int32_t& ref, int keyNr = InvoiceMemoNumberKey);
