#pragma once
// The purchase-order memo file (file stem + "PM"): the text of each memo order, one unique
// key, the order number. Entry points over the shared file layer, on Purchasing()'s
// POMemoFile and POMemoBuf. Updates rewrite without the changed-in-the-meantime check.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "purchasing/purchasing_state.h"
#include "shell/file_layer.h"

inline constexpr int POMemoNumberKey = 1;

// Key 1: MemoPONumber trimmed, upper-cased, "%-9s"; any other key number gives "".
std::string BuildPOMemoKey(std::span<const uint8_t> record, int keyNr);
inline std::string BuildPOMemoKey(const POMemoRec& record, int keyNr) {
    return BuildPOMemoKey(record.bytes(), keyNr);
}

// The memo text into the record's 25 lines: lines after the 25th are dropped, each line is
// cut to 74 characters, lines not given are emptied.
void SetPOMemoLines(POMemoRec& record, std::span<const std::string> lines);
// The 25 lines as stored.
std::vector<std::string> POMemoLines(const POMemoRec& record);

const DataFile& POMemoData();

bool IsPOMemoLockError();
bool AskPOMemoLockAbort();

bool AddPOMemoData(const POMemoRec& record, int32_t& ref);
bool PutPOMemoData(int32_t ref, const POMemoRec& record);
bool DeletePOMemoData(int32_t ref);
bool AddPOMemoKey(std::string_view key, int32_t ref, int keyNr);
bool DeletePOMemoKey(std::string_view key, int32_t ref, int keyNr);
bool ReplacePOMemoKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr);

// Adds POMemoBuf with its key; a number already on file is refused and leaves nothing.
bool AddPOMemoRecord(int32_t& ref);
// Writes POMemoBuf over record ref, replacing its key. False when nothing was written: the
// user gave up at a lock, the stored record is gone or unreadable, or the number is taken.
bool UpdatePOMemoRecord(int32_t ref);
// Removes record ref with the key of the record as stored.
bool DeletePOMemoRecord(int32_t ref);

bool CreatePOMemoFiles();
// Opens POMemoFile; a missing file set is created without a word.
bool OpenPOMemoFiles();
void ClosePOMemoFiles();
bool RebuildPOMemoFiles();
// The first entry of index keyNr at or after `key`; `key` receives the key found.
bool SearchPOMemoKey(std::string& key, int32_t& ref, int keyNr = POMemoNumberKey);
