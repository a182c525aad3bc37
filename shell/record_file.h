#pragma once
// The access routines that every data file shares. Files differ in name, record length and
// key table, not in code: each file describes itself once in a FileDesc and gives its named
// entry points over these.
//
// Like the engine, these set EngineOK / EngineErrorCode and answer false on failure; the code
// is that of the step that failed, kept across the undo that follows it.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

// A partial key (KeyDesc::partial, empty for the records it leaves out) is an index of our own
// after the file's keys, derived from the record alone. The record writes keep it (AddRec,
// PutRec and DeleteRec add, change and remove it with the record, in one bracket), so that no
// write of a record can leave it behind; the whole-record steps add, replace and remove the
// other keys. A set written before the file had it lacks it until it is reindexed; until then
// its writes leave it out.
struct FileDesc {
    int32_t recordLength = 0;
    std::vector<KeyDesc> keys;  // key 1 first
    KeyBuilder buildKey;        // key N of a record, exactly as the index holds it

    KeyDescTable keyTable() const;
    int keyCount() const { return static_cast<int>(keys.size()); }
    bool isPartial(int keyNr) const {
        return keyNr >= 1 && keyNr <= keyCount() && keys[keyNr - 1].partial;
    }
    // The keys that are not partial, in ascending order.
    std::vector<int> wholeRecordKeys() const;
    // The partial keys, in ascending order.
    std::vector<int> partialKeys() const;
};

// Closes a file set on every way out of a scope (the handle becomes 0).
class FileSetCloser {
public:
    explicit FileSetCloser(FileSetHandle& handle) : handle_(handle) {}
    ~FileSetCloser();
    FileSetCloser(const FileSetCloser&) = delete;
    FileSetCloser& operator=(const FileSetCloser&) = delete;

private:
    FileSetHandle& handle_;
};

// EngineOK set and no code: for a step whose failure counts as done.
void ClearEngineStatus();
// EngineOK cleared with the code; answers false.
bool FailWithCode(int32_t code);

// Keeps the code of a failed step, and what the operating system said, while the undo after
// it runs engine calls of its own.
class EngineFailure {
public:
    EngineFailure();
    // Puts the failure back: EngineOK false with the code and the system's error kept;
    // answers false.
    bool report() const;

private:
    int32_t code_;
    int systemError_;
};

// Runs `body` inside one whole-record bracket, so that a record and its keys reach the disk
// together. `enter` takes the bracket and answers whether it did (plain LockFileSet when
// empty). The answer is the body's, and false when the bracket could not be closed. An error
// the body raises closes the bracket on its way out.
bool InBracket(FileSetHandle handle, const std::function<bool()>& body,
               const std::function<bool()>& enter = {});

bool CreateFiles(std::string_view name, const FileDesc& desc);
// Opens the set; when it does not exist yet (9903) and `createWhenMissing` is set, creates it
// empty first. Other failures (10010 defective index, ...) are left to the caller.
bool OpenFiles(FileSetHandle& handle, std::string_view name, const FileDesc& desc,
               bool createWhenMissing);
// Copies the live records into a fresh data file (the old one kept as .SAV) and rebuilds the
// index from them; keys that cannot be added go to .MSG. The set must be closed. `report`
// receives what the copy found in the old data file.
bool RebuildFiles(std::string_view name, const FileDesc& desc,
                  RestructureReport* report = nullptr);
// The second half alone: the index made afresh from the records as they are.
bool ReindexFiles(std::string_view name, const FileDesc& desc);

// How the record-and-keys steps run each engine call: once (empty), or again while it fails
// for a lock and the user wants to wait (the prompting file layer). Answers EngineOK.
using EngineCallRunner = std::function<bool(const std::function<void()>& call)>;

// The steps of a record and its keys on one open set, each engine call run through `run`.
// Whole operations (Add, Replace, Remove) leave the set as they found it when a step fails,
// with the code of the step that failed; the caller holds the whole-record bracket.
class KeyedSet {
public:
    KeyedSet(FileSetHandle handle, const FileDesc& desc, EngineCallRunner run = {});

    // The record writes, each with the partial keys of the record (see FileDesc).
    bool AddRec(std::span<const uint8_t> record, int32_t& ref) const;  // adds a copy
    bool PutRec(std::span<const uint8_t> record, int32_t ref) const;   // writes a copy
    bool ReadRec(int32_t ref, std::span<uint8_t> record) const;
    // ReadRec, refused with RecordDeleted when the slot is free.
    bool ReadLive(int32_t ref, std::span<uint8_t> record) const;
    bool DeleteRec(int32_t ref) const;
    // Cut to MaxKeyLength. An empty key of a partial index is no entry: nothing to add or
    // delete.
    bool AddKey(std::string_view key, int32_t ref, int keyNr) const;
    bool DeleteKey(std::string_view key, int32_t ref, int keyNr) const;
    // Equal keys: true. Else adds the new key, then deletes the old one (one already missing
    // counts as deleted); when the old one stays, the new one goes again: false.
    bool ChangeKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr) const;

    // Adds the record, then its keys in `order` (empty: every key but the partial ones, in
    // ascending order); a refused key removes the keys added and the record.
    bool Add(std::span<const uint8_t> record, int32_t& ref, std::span<const int> order = {}) const;
    // Replaces the keys of `stored` (what the index holds for record `ref`) by those of
    // `record` in `order` (empty as with Add), then writes `record`; a failed step changes
    // back every key already replaced, so the index never holds two keys for one record.
    bool Replace(int32_t ref, std::span<const uint8_t> stored, std::span<const uint8_t> record,
                 std::span<const int> order = {}) const;
    // Removes the keys of the record stored at `ref`, then the record. A free slot is
    // refused; when a key cannot be removed (other than already missing) the keys removed go
    // back and the record stays, so no key ever points at a freed slot.
    bool Remove(int32_t ref) const;

private:
    using KeyEntries = std::vector<std::pair<int, std::string>>;

    bool Run(const std::function<void()>& call) const;
    std::vector<int> Order(std::span<const int> order) const;
    // The partial keys of the file that the open set has.
    std::vector<int> PartialKeysOfSet() const;
    // Those a write at `ref` keeps: none for a Ref of no slot, which the engine refuses.
    std::vector<int> PartialKeysAt(int32_t ref) const;
    // Writes `record` over `stored` (the record at `ref` as it is) with its `partial` keys
    // replaced first; a failed write changes them back.
    bool WriteOver(int32_t ref, std::span<const uint8_t> stored, std::span<const uint8_t> record,
                   std::span<const int> partial) const;
    // Removes the `partial` keys of `stored` (the record at `ref`), then the record; a failed
    // delete puts them back.
    bool DeleteFrom(int32_t ref, std::span<const uint8_t> stored,
                    std::span<const int> partial) const;
    // Key nr of `record` added for each of `keys`; when one is refused, those added go again:
    // false with its code.
    bool AddKeys(std::span<const uint8_t> record, int32_t ref, std::span<const int> keys) const;
    // Key nr of `from` replaced by that of `to` for each of `keys`; when one fails, those
    // replaced are changed back: false with its code.
    bool ReplaceKeys(int32_t ref, std::span<const uint8_t> from, std::span<const uint8_t> to,
                     std::span<const int> keys) const;
    // Key nr of `to` put back in place of that of `from` for each of `keys`, last first, every
    // one attempted; false with the code of the failure that made it necessary.
    bool ChangeBack(int32_t ref, std::span<const uint8_t> from, std::span<const uint8_t> to,
                    std::span<const int> keys) const;
    // Key nr of `stored` removed for each of `keys` (one already missing counts as removed),
    // those removed into `removed`; when one cannot be removed, those removed go back: false
    // with its code.
    bool RemoveKeys(int32_t ref, std::span<const uint8_t> stored, std::span<const int> keys,
                    KeyEntries& removed) const;
    // Adds the entries back, keeping the code of the failure that made it necessary.
    bool PutBack(int32_t ref, const KeyEntries& removed) const;

    FileSetHandle handle_;
    const FileDesc& desc_;
    EngineCallRunner run_;
};

// Within one whole-record bracket, without prompts:
// adds the record and then each of its keys; when a step fails, what was added is removed.
bool AddRecordWithKeys(FileSetHandle handle, const FileDesc& desc, std::span<uint8_t> record,
                       int32_t& ref);
// Rewrites record `ref` (read earlier as `before`) and replaces the keys that changed; a key
// that another record holds in a unique index refuses the whole change.
bool UpdateRecordWithKeys(FileSetHandle handle, const FileDesc& desc, int32_t ref,
                          std::span<const uint8_t> before, std::span<uint8_t> record);
// Removes the keys of the record stored at `ref` and then the record (KeyedSet::Remove).
bool DeleteRecordWithKeys(FileSetHandle handle, const FileDesc& desc, int32_t ref);

// Whether a record is the one looked for, beyond its key.
using RecordTest = std::function<bool(std::span<const uint8_t> record)>;

// The record whose key `keyNr` is exactly `key` (and that `accept` takes, when given: the
// entries of that key are tried in index order): the search must land on that key, and the
// record read must build the same key. On a match the record is copied into `record` and its
// Ref returned; otherwise 0, `record` untouched, EngineOK false with 10210 (no such record) or
// 10010 (the index points at a record of another key).
int32_t FindExact(FileSetHandle handle, const FileDesc& desc, int keyNr, std::string_view key,
                  std::span<uint8_t> record, const RecordTest& accept = {});

// Calls `visit` with each record in the order of key `keyNr` until it answers false. True when
// the walk ended at the last key or by the visitor.
bool ForEachByKey(FileSetHandle handle, const FileDesc& desc, int keyNr,
                  const std::function<bool(int32_t ref, std::span<const uint8_t> record)>& visit);

// Every live record of the open set, in record order, each read into a `Rec` (a record type
// of the set's length). The walk stops at the first record that cannot be read; EngineOK is
// set again afterwards, so a caller that must know compares the count with UsedRecordCount.
template <class Rec>
std::vector<Rec> LiveRecords(FileSetHandle handle) {
    std::vector<Rec> records;
    for (int32_t ref = 0;;) {
        NextUsedRecord(handle, ref);
        if (!EngineOK) break;
        Rec r;
        ReadRecord(handle, ref, r.bytes());
        if (!EngineOK) break;
        records.push_back(r);
    }
    ClearEngineStatus();
    return records;
}
