#pragma once
// The invoice line file (file stem + "D"): one record per invoice line, keyed by the
// invoice's sort date and by its number. Entry points over the shared file layer, on
// Invoicing()'s InvoiceLineFile and InvoiceLineBuf. Updates rewrite without the
// changed-in-the-meantime check.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "invoicing/invoicing_state.h"
#include "shell/file_layer.h"

// Both indexes allow duplicates: an invoice has many lines, a day many invoices.
inline constexpr int InvoiceLineDateKey = 1;    // sort date "%-10s"
inline constexpr int InvoiceLineNumberKey = 2;  // invoice number "%-9s", upper-cased

std::string BuildInvoiceLineKey(std::span<const uint8_t> record, int keyNr);
inline std::string BuildInvoiceLineKey(const InvoiceLineRec& record, int keyNr) {
    return BuildInvoiceLineKey(record.bytes(), keyNr);
}

const DataFile& InvoiceLineData();

// Adds InvoiceLineBuf with its two keys; a refused key removes what was added.
bool AddInvoiceLineRecord(int32_t& ref);
// Writes `record` over line ref and replaces the keys that changed; InvoiceLineBuf holds the
// record afterwards, as after an add. False when nothing was written.
bool UpdateInvoiceLineRecord(const InvoiceLineRec& record, int32_t ref);
// Removes line ref with the keys of the line as stored.
bool DeleteInvoiceLineRecord(int32_t ref);

bool CreateInvoiceLineFile();
// Opens InvoiceLineFile; a missing file set is created without a word.
bool OpenInvoiceLineFiles();
void CloseInvoiceLineFiles();
bool RebuildInvoiceLineFiles();
bool SearchInvoiceLineKey(std::string_view key, int32_t& ref, int keyNr);
