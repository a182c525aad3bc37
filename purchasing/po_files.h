#pragma once
// The purchase-order header file (file stem + "O"): its seven keys and its access routines,
// as named entry points over the shared file layer (shell/file_layer.h). They work on
// Purchasing()'s POFile and POBuf.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "purchasing/purchasing_state.h"
#include "shell/file_layer.h"

// All seven indexes allow duplicates: the entry dialog, not the file, refuses a number
// already used.
inline constexpr int PONumberKey = 1;        // "%-9s", upper-cased
inline constexpr int POVendorKey = 2;        // "%-8s", upper-cased
inline constexpr int PODateKey = 3;          // PODateYMD "%-10s"
inline constexpr int POKeyCodeKey = 4;       // "%-8s", upper-cased, in an index of 10
inline constexpr int POStatusNumberKey = 5;  // status then number, "%-10s", upper-cased
// POReceivedDate "%-10s": orders not fully received (one blank) sort first.
inline constexpr int POReceivedDateKey = 6;
inline constexpr int PODateRequiredKey = 7;  // PODateRequired "%-10s"
inline constexpr int POKeyCount = 7;

// Key keyNr (1..7) of a record, at most 30 characters; any other number gives "".
std::string BuildPOKey(std::span<const uint8_t> record, int keyNr);
inline std::string BuildPOKey(const PORec& record, int keyNr) {
    return BuildPOKey(record.bytes(), keyNr);
}

const DataFile& POData();

// True when the last engine call failed for a lock (error class 2).
bool IsPOLockError();
// Sets POLockErrorFlag; after a lock failure asks "Cannot get a lock.  Abort?": true on Yes.
bool AskPOLockAbort();

// Single engine calls with the lock retry; false when they fail or the user gives up.
bool AddPOData(const PORec& record, int32_t& ref);
bool PutPOData(int32_t ref, const PORec& record);
bool DeletePOData(int32_t ref);
bool AddPOKey(std::string_view key, int32_t ref, int keyNr);
bool DeletePOKey(std::string_view key, int32_t ref, int keyNr);
// Adds the new key, then removes the old one; when the old one cannot be removed (and was
// not simply missing) the new one goes again and the answer is false. Equal keys: true.
bool ReplacePOKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr);

// Adds POBuf and its keys (in the order 1, 2, 3, 4, 6, 7, 5); a refused key removes the keys
// added and the record.
bool AddPORecord(int32_t& ref);
// Unsigned byte comparison over the whole record: -1, 0 or 1.
int ComparePORecord(const PORec& a, const PORec& b);
// Writes POBuf over record ref. An unchanged buffer writes nothing; a stored record that
// differs from `readForEditing` is refused ("The record has changed in the meantime.").
// Keys are replaced in the order 1, 3, 4, 5, 6, 7, 2; any failure puts back every key
// replaced.
bool UpdatePORecord(const PORec& readForEditing, int32_t ref);
// Removes record ref with the seven keys of the record as stored (not POBuf's); a key that
// cannot be removed keeps the record and puts back the keys removed.
bool DeletePORecord(int32_t ref);

bool CreatePOFiles();
// Opens POFile; a missing file set is created after the "New Company" box.
bool OpenPOFiles();
void ClosePOFiles();
// Restructures and reindexes the closed file set under the "POs" status window.
bool RebuildPOFiles();
// The first key 1 entry at or after `key`; `key` receives the key found.
bool SearchPOKey(std::string& key, int32_t& ref);

// Whether a purchase order of the current company carries the vendor number (key 2). Uses
// POFile when it is open, else opens it for the look-up alone. No order file means no
// orders; a file that cannot be read answers true.
bool VendorHasPOs(std::string_view vendorNumber);

// Opens the header, line and memo files for the Purchase Order Manager, in that order,
// stopping at the first that fails (those opened before it stay open). When the engine has
// not been started, NetTypeDlg explains first; unless it closes with OK nothing is opened.
bool OpenPODatabases();
// Closes the three.
void ClosePODatabases();
