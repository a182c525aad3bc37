#pragma once
// The invoice header file (file stem + "I"): its six keys and its access routines, as named
// entry points over the shared file layer (shell/file_layer.h). They work on Invoicing()'s
// InvoiceFile and InvoiceBuf.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "invoicing/invoicing_state.h"
#include "shell/file_layer.h"

// All six indexes allow duplicates: a number carries its payment and deposit records, and
// the entry dialog, not the file, refuses a number already used.
inline constexpr int InvoiceNumberKey = 1;      // "%-9s", upper-cased
inline constexpr int InvoiceCustomerKey = 2;    // "%-8s", upper-cased
inline constexpr int InvoiceDateKey = 3;        // InvDateYMD "%-10s"
inline constexpr int InvoiceKeyCodeKey = 4;     // "%-8s", upper-cased, in an index of 10
inline constexpr int InvoiceTypeNumberKey = 5;  // type then number, "%-10s", upper-cased
inline constexpr int InvoiceDatePaidKey = 6;    // InvDatePaid "%-10s"
inline constexpr int InvoiceKeyCount = 6;
// An index of our own after the six, kept by every write of a record (a partial key, see
// shell/record_file.h): the customer key ("%-8s", upper-cased, as key 2) of each record that
// still has an amount due, or one that does not read as zero, so that the daily aging reads
// the open records alone. The other records have an empty key and are not listed.
inline constexpr int InvoiceOpenItemKey = 7;

// Whether the record has an amount due that is not zero, or one that cannot be read.
bool InvoiceOwesAmount(std::span<const uint8_t> record);

// Key keyNr (1..7) of a record, at most 30 characters; any other number gives "".
std::string BuildInvoiceKey(std::span<const uint8_t> record, int keyNr);
inline std::string BuildInvoiceKey(const InvoiceRec& record, int keyNr) {
    return BuildInvoiceKey(record.bytes(), keyNr);
}

const DataFile& InvoiceData();

// True when the last engine call failed for a lock (error class 2).
bool InvoiceFileLocked();
// Sets InvoiceLockFlag; after a lock failure asks "Cannot get a lock.  Abort?": true on Yes.
bool InvoiceLockAbort();

// Single engine calls with the lock retry; false when they fail or the user gives up.
bool AddInvoiceRec(const InvoiceRec& record, int32_t& ref);
bool PutInvoiceRec(const InvoiceRec& record, int32_t ref);
bool DeleteInvoiceRec(int32_t ref);
bool AddInvoiceKey(std::string_view key, int32_t ref, int keyNr);
bool DeleteInvoiceKey(std::string_view key, int32_t ref, int keyNr);
// Adds the new key, then removes the old one; when the old one cannot be removed (and was
// not simply missing) the new one goes again and the answer is false.
bool ChangeInvoiceKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr);

// Adds InvoiceBuf and its keys (in the order 1, 2, 3, 4, 6, 5); a refused key removes the
// keys added and the record.
bool AddInvoiceRecord(int32_t& ref);
// Writes InvoiceBuf over record ref. An unchanged buffer writes nothing; a stored record
// that differs from `readForEditing` is refused ("The record has changed in the meantime.").
// Keys are replaced in the order 1, 3, 4, 5, 6, 2; any failure puts back every key replaced.
bool UpdateInvoiceRecord(int32_t ref, const InvoiceRec& readForEditing);
// Removes record ref with the six keys of the record as stored (not InvoiceBuf's).
bool DeleteInvoiceRecord(int32_t ref);

bool CreateInvoiceFile();
// Opens InvoiceFile; a missing file set is created after the "New Company" box.
bool OpenInvoiceFiles();
void CloseInvoiceFiles();
// Restructures and reindexes the closed file set under the "Invoices" status window.
bool RebuildInvoiceFiles();
// The first key 1 entry at or after `key`.
bool SearchInvoiceKey(std::string_view key, int32_t& ref);

// Whether an invoice, payment or deposit record of the current company carries the customer
// number (key 2). Uses InvoiceFile when it is open, else opens it for the look-up alone.
// No invoice file means no invoices; a file that cannot be read answers true, since the
// customer's records cannot be shown to be absent.
bool CustomerHasInvoices(std::string_view customerNumber);

// Opens the header, line and memo files for the Invoice Manager, in that order, stopping at
// the first that fails (those opened before it stay open).
bool OpenInvoiceDatabases();
// Closes the three.
void CloseInvoiceDatabases();
