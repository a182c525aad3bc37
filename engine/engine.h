#pragma once
// The record storage engine: file sets of fixed-length records (NAME.DAT) with their
// B-tree indexes (NAME.IX). Plain C++, no Qt.
//
// Every call first sets EngineOK = true and EngineErrorCode = 0, and on failure sets
// EngineOK = false with a code; nothing is thrown and nothing is shown. Callers test
// EngineOK after each call.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_codes.h"

// --- status --------------------------------------------------------------------------
extern bool EngineOK;
extern int32_t EngineErrorCode;
// With IoError (and FileInUse): the operating system's errno that caused it, else 0. It
// tells a full disk (ENOSPC) from a read-only folder (EROFS, EACCES) from a failing disk (EIO).
extern int EngineSystemError;

// 0 none; 1 not found or end; 2 in use, locked or I/O trouble; 3 key op failed but index
// repaired; 4 anything else.
int EngineErrorClass();
int EngineErrorClassOf(int32_t code);

// --- engine life -------------------------------------------------------------------------
// Starts the engine with the given number of page buffers (the program uses 30).
void EngineStart(int pageBuffers = 30);
// Closes every open file set and stops the engine.
void EngineStop();
bool EngineReady();
bool EngineModeFlag();  // the shared-mode flag: always false (one user)

// --- file sets ---------------------------------------------------------------------------
using FileSetHandle = int32_t;  // 0 = closed

// Name is a path without extension; the engine adds ".DAT" / ".IX". An existing file is
// found whatever the case of its name; new files get the name as given.
void CreateFileSet(std::string_view name, int32_t recordLength, int keyCount,
                   const KeyDescTable& keys);
// Callers pass readOnly=false, a4=false, a5=false, a6=true. Opening a set that this process
// already has open shares it: each handle keeps its own index positions.
void OpenFileSet(FileSetHandle& handle, std::string_view name, bool readOnly = false,
                 bool a4 = false, bool a5 = false, bool a6 = true);
void CloseFileSet(FileSetHandle& handle);
// A second handle on the same open set, with index positions of its own (a browse control
// pages with it so that it never moves its owner's walk); closed with CloseFileSet.
void DuplicateFileSetHandle(FileSetHandle source, FileSetHandle& copy);
bool IsFileSetOpen(FileSetHandle handle);
int32_t RecordLength(FileSetHandle handle);
int KeyCount(FileSetHandle handle);

// Brackets one whole-record operation (a record and its keys). Outside a unit of work the
// bracket is the unit of durability: everything inside it is on disk when UnlockFileSet
// returns, or none of it after a crash. Calls outside a bracket are each their own unit.
// Brackets nest; the outermost one counts.
void LockFileSet(FileSetHandle handle);
void UnlockFileSet(FileSetHandle handle);

// --- units of work -----------------------------------------------------------------------
// A unit of work makes every record and key change of every file set between BeginUnit and
// CommitUnit durable at once: after a crash, a power loss or a failed write the sets hold
// all of it or none of it. Reads inside the unit see its changes. Brackets inside a unit end
// nothing; closing a set inside it keeps the set ready until the unit ends. A failure that
// keeps it from being whole (see UnitFailure) spoils the unit: CommitUnit then rolls it back
// and reports that failure. Before the unit is durable the disk is asked for the room its
// index writes need, so that a full disk fails the unit, never a set. Units nest; the outermost one counts. AbortUnit rolls back
// every change since the outermost BeginUnit.
void BeginUnit();
void CommitUnit();
void AbortUnit();
bool InUnit();
// After a CommitUnit that failed: true when the unit could not be taken back out of the
// journal (the disk refused every write and sync), so that the next process to open the
// folder may still find it whole; false when nothing of it is kept.
bool LastUnitUndecided();

// Inside a unit of work: the first failure that keeps it from committing whole (a read or
// change the operating system refused, an index change that failed, a change refused by a set
// that can take none since a write failed), 0 while there is none; with IoError the system's
// errno. Refusals that change nothing (a duplicate key, a record already gone) do not count.
int32_t UnitFailure();
int UnitSystemError();

// A unit of work for one scope: rolled back unless commit() was called and succeeded.
class EngineUnit {
public:
    EngineUnit() { BeginUnit(); }
    ~EngineUnit() {
        if (open_) AbortUnit();
    }
    EngineUnit(const EngineUnit&) = delete;
    EngineUnit& operator=(const EngineUnit&) = delete;
    // CommitUnit; EngineOK tells whether it took.
    bool commit() {
        open_ = false;
        CommitUnit();
        return EngineOK;
    }

private:
    bool open_ = true;
};

// Drops every open set and unit without writing anything, as a process that died would
// leave them (fault tests); the files keep what reached them.
void EngineAbandon();

// --- records ---------------------------------------------------------------------------
// Records are numbered from 1. Bytes 0..3 of a record are the engine's: 0 while live.
// The buffer must be exactly the record length (BadArgument otherwise).
// A deleted record still reads (its bytes 0..3 are then nonzero); PutRecord refuses it.
void ReadRecord(FileSetHandle handle, int32_t ref, std::span<uint8_t> buffer, bool lock = false);
void PutRecord(FileSetHandle handle, int32_t ref, std::span<uint8_t> buffer, bool lock = false);
// Writes into the lowest freed slot or at the end; returns its Ref; zeroes bytes 0..3. Adds
// with no delete between them therefore get ascending Refs, which keeps records with equal
// keys in the order they were added.
void AddRecord(FileSetHandle handle, int32_t& ref, std::span<uint8_t> buffer);
void DeleteRecord(FileSetHandle handle, int32_t ref);
int32_t UsedRecordCount(FileSetHandle handle);
// Ref 0 gives the first live record; NoNextRecord after the last.
void NextUsedRecord(FileSetHandle handle, int32_t& ref);

// --- keys --------------------------------------------------------------------------------
// Key numbers count from 1. Keys compare bytewise; equal keys are ordered by Ref.
int32_t IndexKeyCount(FileSetHandle handle, int keyNr);
// First entry >= (key, ref); callers pass ref 0. Returns the entry found.
void SearchKey(FileSetHandle handle, int keyNr, int32_t& ref, std::string& key);
// Successor / predecessor of the last (key, ref) this handle returned for keyNr, read from
// the index as it is now; the first / last entry when the index is not positioned.
void NextKey(FileSetHandle handle, int keyNr, int32_t& ref, std::string& key);
void PrevKey(FileSetHandle handle, int keyNr, int32_t& ref, std::string& key);
// Forgets the position of keyNr, so the next NextKey starts at the first entry.
void ClearKeyPosition(FileSetHandle handle, int keyNr);
void AddKey(FileSetHandle handle, int keyNr, int32_t ref, std::string_view key);
void DeleteKey(FileSetHandle handle, int keyNr, int32_t ref, std::string_view key);

// --- rebuild -----------------------------------------------------------------------------
// state: 0 start, 1 a step, 2 end; keyNr being built (0 while copying records); counts of
// records read and written. Clearing EngineOK inside it stops the rebuild.
using RebuildProgress = std::function<void(int state, int keyNr, int32_t read, int32_t written)>;
extern RebuildProgress RebuildProgressProc;

// Converts one record during a restructure (old bytes in, new bytes out); may be empty.
using RecordConvert = std::function<void(std::span<const uint8_t> oldRec, std::span<uint8_t> newRec)>;
// Builds key keyNr (from 1) of a record.
using KeyBuilder = std::function<std::string(std::span<const uint8_t> record, int keyNr)>;

// What a restructure found in the old data file. After a crash the file is sound and all of
// it comes over; a damaged one (its header, a cut, status bytes that say neither live nor
// deleted) is kept whole as NAME.SAV, and this says what did not come over.
struct RestructureReport {
    int64_t kept = 0;            // live records copied
    int64_t expected = -1;       // live records the old header counted (-1: it was unreadable)
    bool headerDamaged = false;  // the header could not be read: the slots alone were used
    bool cutShort = false;       // the file ends before the slots its header counts, or inside
                                 // the header itself
    std::vector<uint32_t> damagedSlots;  // slots whose status bytes hold no valid value
    uint64_t bytesSetAside = 0;  // bytes not copied that may have held records: damaged slots,
                                 // a slot cut short, a file cut inside its header
    std::string savedAs;         // the file that keeps them all (NAME.SAV), within the folder
    bool damaged() const;
};

// Copies every live record into a fresh NAME.DAT; the old data file is kept as NAME.SAV.
// Works on a set whose index is missing or defective. The set must not be open. `report`
// receives what the copy found (nothing when it failed or was stopped).
void RestructureFile(std::string_view name, int32_t oldRecordLength, int32_t newRecordLength,
                     const RecordConvert& convert = {}, RestructureReport* report = nullptr);
// Recreates NAME.IX from the records; keys that cannot be added go to NAME.MSG, one line
// each: key number, key text, record number. A partial index (KeyDesc::partial) leaves out
// the records whose key is empty. The set must not be open.
void ReindexFile(std::string_view name, int keyCount, const KeyDescTable& keys,
                 const KeyBuilder& builder);
