#pragma once
// NAME.IX: one LMDB environment in a single file. Sub-database "meta" holds the record length,
// the key descriptors, the generation stamp and the count of units that changed the index
// (the serial, which NAME.DAT's header carries too); sub-database "kN" is index N. An index entry
// is the key text behind one prefix byte (LMDB refuses empty keys) with the Ref as a 4-byte
// big-endian value, so entries order bytewise by key and then by Ref. Indexes that allow
// duplicates are DUPSORT databases; unique ones hold one Ref per key.
//
// The environment runs without LMDB's lock file (one process per set is guaranteed by the
// lock on NAME.DAT) and without syncing: a process that dies leaves the file as its last
// committed transaction wrote it (LMDB writes its pages before the meta page that makes them
// count, and the system's page cache keeps every write), and the journal holds the key
// changes of the units that had not reached it; only a machine that stops may tear it, and
// then it is rebuilt from the data.
//
// The file is mapped read-only (LMDB writes with pwrite): the pages a call reads are the
// system's file cache, clean and shared, which the system takes back when it needs memory.
// They stay mapped: dropping them would only cost the next read a fault, and they are none
// of the process's private memory, which is what the engine keeps small.

#include <lmdb.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/data_file.h"
#include "engine/engine_codes.h"

namespace engine_detail {

struct IndexMeta {
    uint32_t recordLength = 0;
    uint64_t generation = 0;
    std::vector<KeyDesc> keys;
    uint64_t serial = 0;  // absent in files written before: 0
};

// A Ref as the index holds it: 4 bytes, big-endian, so that a key's entries order by it.
inline uint32_t loadRef(const void* at) {
    const auto* bytes = static_cast<const uint8_t*>(at);
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// One change of an index, as the journal keeps it for a replay.
struct KeyChange {
    bool add = true;  // else a delete
    int keyNr = 0;
    uint32_t ref = 0;
    std::string key;
};

class IndexFile {
public:
    IndexFile() = default;
    ~IndexFile() { close(); }
    IndexFile(const IndexFile&) = delete;
    IndexFile& operator=(const IndexFile&) = delete;

    // Opens an existing index and checks its meta data: IndexDefective when it is not a
    // readable index of ours. It is opened for reading; the first write transaction opens it
    // anew for writing (LMDB sets up megabytes of write lists for a writable environment,
    // most of what an open would cost, and most opens only read).
    Code open(const std::filesystem::path& path);
    // Makes a new, empty index in a file that must not exist yet; it stays open.
    Code create(const std::filesystem::path& path, const IndexMeta& meta);
    void close();
    bool isOpen() const { return env_ != nullptr; }
    const std::filesystem::path& path() const { return path_; }
    // The open file's descriptor, -1 when closed.
    int fd() const;
    // Forces everything written so far to disk.
    Code syncToDisk();

    const IndexMeta& meta() const { return meta_; }
    int keyCount() const { return static_cast<int>(meta_.keys.size()); }

    // One write transaction holds every change of a bracket; with changes kept (see keep), it
    // is nested in the transaction that holds them.
    Code beginWrite();
    bool inWrite() const { return wtxn_ != nullptr; }
    // Entries added or deleted in the open write transaction, and what they were.
    uint32_t writeChanges() const { return wtxnChanges_; }
    const std::vector<KeyChange>& changes() const { return changes_; }
    // Sets the serial the index carries once the open write transaction commits.
    Code putSerial(uint64_t serial);
    // Makes a change the journal kept (a replay): the same as the call that made it.
    Code redo(const KeyChange& change);
    // A change in the open write transaction failed other than by a refusal (a duplicate key,
    // an entry not there): the transaction can only be aborted. Its code, else 0.
    Code writeFailure() const { return writeFailure_; }
    // Makes sure the disk holds room for every page the commit of the open write transaction
    // may add, so that a commit made after the unit is durable cannot find the disk full.
    // `grown` tells whether the file grew.
    Code reserveForCommit(bool& grown);
    // Writes the changes kept and those of the open write transaction into the file.
    Code commit();
    // Keeps the changes of the open write transaction in memory, with those kept before, for
    // a later commit: a unit whose key changes the journal holds need not write the index at
    // once, and the pages that unit after unit change (the way to the last keys, the lists of
    // free pages) are then written once for many. Reads of the index must come after a
    // commit (reads of the open write transaction see the changes kept too).
    Code keep();
    bool holdsKept() const { return kept_ != nullptr; }
    // Whether changes kept so far, with those of the open write transaction, are as much as
    // should wait in memory: it is then time to commit.
    bool keptEnough() const;
    // Drops the open write transaction's changes; those kept stay.
    void abortWrite();
    // Drops every change not written yet, those kept too.
    void abandonWrites();
    // Opened for writing (by a write transaction since the open).
    bool writable() const { return writable_; }

    // Key numbers from 1; the caller validates them. Changes need beginWrite().
    Code addKey(int keyNr, uint32_t ref, std::string_view key);
    Code deleteKey(int keyNr, uint32_t ref, std::string_view key);
    // Appends an entry that sorts after every entry already in the index (rebuilds).
    Code appendKey(int keyNr, uint32_t ref, std::string_view key);
    Code count(int keyNr, uint64_t& entries);

    // A ticket names the place where a call left the index's read cursor: a walk that passes
    // it back steps the cursor on instead of searching again, as long as nothing has moved
    // the cursor or changed the index since. 0 names no place.
    using Ticket = uint64_t;

    // An entry found: the key points into the index and stays valid until the next call.
    struct Entry {
        std::string_view key;
        uint32_t ref = 0;
        // A step of a walk that stayed on the key of the entry it stepped from.
        bool sameKey = false;
    };

    // The common step of a walk through a key with many Refs: the next (direction 1) or
    // previous (-1) Ref of the block the cursor read them in, as long as the ticket holds. No
    // call into LMDB; false when the step leaves the block, and next() or prev() takes it.
    bool stepInBlock(int keyNr, Ticket ticket, int direction, uint32_t& ref) {
        const auto i = static_cast<size_t>(keyNr - 1);
        Run& run = runs_[i];
        const uint32_t at = run.at + static_cast<uint32_t>(direction);
        if (at >= run.count || !cursorHolds(i, ticket)) return false;
        const uint32_t found = loadRef(run.refs + 4 * size_t(at));
        // Only a damaged block holds a Ref the engine never writes.
        if (found > MaxSlots) return false;
        run.at = at;
        ref = found;
        return true;
    }

    // The first entry >= (key, ref): 0 and the entry, or KeyNotFound when there is none.
    Code seekAtOrAfter(int keyNr, std::string_view key, uint32_t ref, Entry& entry, Ticket& ticket);
    // The last entry of all.
    Code seekLast(int keyNr, Entry& entry, Ticket& ticket);
    // The entry after / before (key, ref), which need not exist any more. next() is inline:
    // walks step once per entry, mostly by one step of LMDB's cursor, and the calls around
    // that cost as much as the step itself.
    [[gnu::always_inline]] Code next(int keyNr, std::string_view key, uint32_t ref, Entry& entry,
                                     Ticket& ticket) {
        const auto i = static_cast<size_t>(keyNr - 1);
        if (!cursorHolds(i, ticket)) return seekAtOrAfter(keyNr, key, ref + 1, entry, ticket);
        Run& run = runs_[i];
        if (run.at + 1 < run.count) return nextInBlock(i, entry, ticket);
        MDB_val k{}, d{};
        const int rc = mdb_cursor_get(readCursors_[i], &k, &d, MDB_NEXT);
        if (rc != 0) return cursorFailed(i, rc, ticket);
        warmPage(k.mv_data);
        // LMDB hands out the same key bytes for every Ref of a key: its text was checked when
        // the walk came to it.
        if (k.mv_data == run.key && k.mv_size == run.keySize)
            return nextRef(i, k, d, entry, ticket);
        if (const Code code = extractEntry(k, d, entry)) return lostPlace(i, code, ticket);
        run = Run{k.mv_data, k.mv_size};
        return 0;
    }
    Code prev(int keyNr, std::string_view key, uint32_t ref, Entry& entry, Ticket& ticket);

private:
    static constexpr char KeyPrefix = 'K';  // before every key: LMDB refuses empty ones
    class Cursor;
    bool cursorHolds(size_t i, Ticket ticket) const {
        return ticket != 0 && !wtxn_ && rtxnLive_ && cursorTickets_[i] == ticket;
    }
    Code found(const Cursor& cursor, size_t i, int rc, const MDB_val& k, const MDB_val& d,
               Entry& entry, Ticket& ticket);
    // Reads the block of Refs that read cursor i stands in (at d, a Ref of key k) at once.
    void startRun(size_t i, const MDB_val& k, const MDB_val& d);
    Code fromRun(size_t i, Entry& entry, Ticket& ticket);
    // A page's entries lie in it in the order they were added, not in key order: a walk through
    // a page would wait on memory at most of its entries. The whole page is asked for at once
    // when the walk enters it, into the second-level cache: asked for into the first, the
    // lines would hold up the walk's own reads of the page.
    void warmPage(const void* at) {
        const auto page = reinterpret_cast<uintptr_t>(at) & ~uintptr_t(WarmBytes - 1);
        if (page == warmedPage_) return;
        warmedPage_ = page;
        for (uintptr_t line = page; line < page + WarmBytes; line += 64)
            __builtin_prefetch(reinterpret_cast<const void*>(line), 0, 2);
    }
    // Nothing read from the index is used before it is seen to be an entry we could have
    // written.
    static Code extractEntry(const MDB_val& k, const MDB_val& d, Entry& entry) {
        const auto* key = static_cast<const char*>(k.mv_data);
        if (k.mv_size < 1 || k.mv_size > 1 + MaxKeyLength || d.mv_size != 4 || key[0] != KeyPrefix)
            return EngineCode::IndexDefective;
        const uint32_t ref = loadRef(d.mv_data);
        if (ref > MaxSlots) return EngineCode::IndexDefective;
        entry.key = std::string_view(key + 1, k.mv_size - 1);
        entry.ref = ref;
        return 0;
    }
    // The steps of next() that walks seldom take: within a block of Refs that stepInBlock()
    // refused, to another Ref of the key the cursor stood on.
    Code nextInBlock(size_t i, Entry& entry, Ticket& ticket);
    Code nextRef(size_t i, const MDB_val& k, const MDB_val& d, Entry& entry, Ticket& ticket);
    // Read cursor i's place is lost (a step failed with `code`, or with LMDB's `rc`): the walk
    // that held it searches again.
    Code lostPlace(size_t i, Code code, Ticket& ticket);
    Code cursorFailed(size_t i, int rc, Ticket& ticket);
    // mode: MDB_RDONLY or 0 (writable).
    Code openEnvironment(const std::filesystem::path& path, unsigned mode);
    Code reopenWritable();
    Code openDatabases(MDB_txn* txn, bool create);
    Code readMeta(MDB_txn* txn);
    Code writeMeta(MDB_txn* txn, const IndexMeta& meta);
    Code growMapIfNeeded();
    Code readTxn(MDB_txn*& txn);
    Code cursorFor(int keyNr, Cursor& cursor);
    void setSearchKey(std::string_view key);
    // The code of an LMDB change of index keyNr: one that succeeded counts as a change of the
    // write transaction, one that failed other than by a refusal spoils it.
    Code settle(int keyNr, int rc);
    // What the test layer makes the next change fail with, as LMDB would have.
    int changeFault();
    // The pages a commit of the write transaction may add at the end of the file, at most.
    uint64_t commitPages() const;
    Code reserve(uint64_t pages, bool& grown);
    // The write transaction is gone (committed, kept or aborted).
    void forgetWrite();
    void forgetKept();
    // After a commit that used far less room than was set aside for it (a large unit's), the
    // rest goes back to the disk.
    void releaseRoom();
    Code fail(int rc);

    MDB_env* env_ = nullptr;
    bool writable_ = false;
    MDB_txn* wtxn_ = nullptr;
    // The changes kept by keep(): the transaction that holds them, what they were (by index),
    // the serial it carries and the units in it.
    MDB_txn* kept_ = nullptr;
    std::vector<uint32_t> keptChanges_;
    std::vector<uint32_t> keptDeletes_;
    uint64_t keptSerial_ = 0;
    uint32_t keptUnits_ = 0;
    uint32_t wtxnChanges_ = 0;
    std::vector<KeyChange> changes_;
    uint64_t pendingSerial_ = 0;        // put in the open write transaction (0: none)
    std::vector<uint32_t> keyChanges_;  // of the write transaction, by index
    std::vector<uint32_t> keyDeletes_;  // ... the deletions among them
    Code writeFailure_ = 0;
    MDB_txn* rtxn_ = nullptr;
    bool rtxnLive_ = false;
    uint64_t rtxnEpoch_ = 0;
    MDB_dbi metaDbi_ = 0;
    std::vector<MDB_dbi> dbis_;
    std::vector<MDB_cursor*> readCursors_;
    std::vector<uint64_t> cursorEpochs_;
    std::vector<Ticket> cursorTickets_;  // the ticket each read cursor's place was given
    // Where each read cursor stands, valid while its ticket is: the key of the entry (in the
    // map), and, walking the Refs of one key of a duplicates index, the block of them LMDB
    // handed out at once. The cursor itself then stands on the block's last Ref.
    struct Run {
        const void* key = nullptr;
        size_t keySize = 0;
        const uint8_t* refs = nullptr;
        uint32_t count = 0;
        uint32_t at = 0;
        uint32_t sameKeySteps = 0;  // steps since the key last changed
    };
    std::vector<Run> runs_;
    static constexpr uintptr_t WarmBytes = 4096;  // a page of the system, and of LMDB
    uintptr_t warmedPage_ = 0;
    Ticket lastTicket_ = 0;
    std::vector<MDB_cursor*> appendCursors_;
    IndexMeta meta_;
    std::filesystem::path path_;
    std::string searchKey_;  // prefixed key of the current call, reused to spare allocations
    size_t pageSize_ = 0;
};

}  // namespace engine_detail
