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

struct FileDesc {
    int32_t recordLength = 0;
    std::vector<KeyDesc> keys;  // key 1 first
    KeyBuilder buildKey;        // key N of a record, exactly as the index holds it

    KeyDescTable keyTable() const;
    int keyCount() const { return static_cast<int>(keys.size()); }
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

// Keeps the code of a failed step while the undo after it runs engine calls of its own.
class EngineFailure {
public:
    EngineFailure();
    // Puts the failure back: EngineOK false with the code kept; answers false.
    bool report() const;

private:
    int32_t code_;
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
// index from them; keys that cannot be added go to .MSG. The set must be closed.
bool RebuildFiles(std::string_view name, const FileDesc& desc);

// Adds the record and then each of its keys; when a step fails, what was added is removed.
bool AddRecordWithKeys(FileSetHandle handle, const FileDesc& desc, std::span<uint8_t> record,
                       int32_t& ref);
// Rewrites record `ref` (read earlier as `before`) and replaces the keys that changed; a key
// that another record holds in a unique index refuses the whole change.
bool UpdateRecordWithKeys(FileSetHandle handle, const FileDesc& desc, int32_t ref,
                          std::span<const uint8_t> before, std::span<uint8_t> record);
// Removes the record's keys and then the record.
bool DeleteRecordWithKeys(FileSetHandle handle, const FileDesc& desc, int32_t ref,
                          std::span<const uint8_t> record);

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
