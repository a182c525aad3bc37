#pragma once
// The access routines of the company's data files (customers, vendors, products, invoices,
// memos, purchase orders, ...) with the user's prompts: retry while a lock fails, add with
// undo, update that refuses a record changed in the meantime, open that rebuilds a defective
// index or creates a missing file set, rebuild with its status window.
//
// A file describes itself once as data (DataFileDesc) and gets its named entry points as one
// line each over a DataFile:
//
//     const DataFile& CustomerData();   // built once from the customer file's description
//     bool AddCustomerRecord(int32_t& ref) { return CustomerData().AddRecord(ref); }
//
// Like the engine, the routines set EngineOK / EngineErrorCode; on failure the code is that
// of the step that failed, kept across any undo after it.

#include <QString>
#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "shell/record_file.h"
#include "shell/text.h"

// What opening does when the file set does not exist yet (9903, a new company).
enum class MissingFileSet {
    AskNewCompany,   // the "New Company" box with the file's text and OK, then create
    CreateSilently,  // create without a word
};

struct DataFileDesc {
    std::string letters;           // appended to the company's file stem: "C", "I", "PD", ...
    int openNameLength = 8;        // the file name (stem + letters) is cut to this for opening
    int createNameLength = 8;      // ... and to this for creating and rebuilding
    FileDesc file;                 // record length, key table, key builder
    std::vector<int> addOrder;     // key numbers in the order an add adds them; empty: 1..N
    std::vector<int> changeOrder;  // ... in the order an update replaces them; empty: addOrder
    QString rebuildCaption;        // title of the rebuild status window ("Customers", ...)
    MissingFileSet missing = MissingFileSet::CreateSilently;
    QString newCompanyText;  // the "New Company" box's text with AskNewCompany
    // Updates are given the record as read for editing and refuse when the stored one has
    // changed since; an unchanged buffer writes nothing.
    bool compareOnUpdate = false;
    QString promptCaption = QStringLiteral("Please Confirm");
    // The unit's handle and record buffer (reached on each call: tests install fresh state).
    std::function<FileSetHandle&()> handle;
    std::function<std::span<uint8_t>()> buffer;
    // The unit's lock flag, set by LockAbort to whether the last call failed for a lock;
    // may be empty.
    std::function<uint8_t&()> lockFlag;
};

// A description tied to a unit's handle, record buffer and lock flag, reached through the
// unit's accessor (`Unit`, as &Invoicing) on each call, so that a test's fresh state is used.
template <auto Unit, class State, class Rec>
DataFileDesc UnitFileDesc(std::string letters, FileSetHandle State::*file, Rec State::*buf,
                          uint8_t State::*lockFlag) {
    DataFileDesc d;
    d.letters = std::move(letters);
    d.file.recordLength = Rec::Size;
    d.handle = [file]() -> FileSetHandle& { return Unit().*file; };
    d.buffer = [buf] { return (Unit().*buf).bytes(); };
    d.lockFlag = [lockFlag]() -> uint8_t& { return Unit().*lockFlag; };
    return d;
}

// True when the last engine call failed for a lock or because the file was in use (class 2,
// but not an I/O failure of the operating system).
bool FileLocked();

class DataFile;

// One file set as a rebuild sees it: what the status window and the messages call it, its
// names for opening and for rebuilding, and its description.
struct RebuildTarget {
    QString caption;          // "Invoices", "Companies": the status window's title
    std::string openName;
    std::string rebuildName;
    const FileDesc* file = nullptr;
    const DataFile* data = nullptr;  // none for the company file
    // Runs after the set was rebuilt (the company file looks for companies it lost).
    std::function<void()> afterRebuild;
};

// Rebuilds the sets one after the other under the status window, then tells in one message
// what each damaged data file lost and where its old bytes are kept, runs each set's
// afterRebuild and hands the rebuilt sets to FilesRebuilt. A rebuild that fails stops the
// run and is told with its reason (the disk is full, ...), unless the user stopped it
// (RebuildAborted); EngineOK and the code are the failure's.
bool RebuildSets(const std::vector<RebuildTarget>& sets);

// Opens each set to see whether its index can be trusted (the first open of a folder replays
// what a process that died left in its journal). When some cannot, asks once "Index file is
// defective.  Rebuild?" for them all and rebuilds them (RebuildSets). True when every set
// can be used now (a set that does not exist yet counts as usable); false, with 10010, when
// the user said No or a rebuild failed, which has been told.
bool RebuildUntrustedSets(const std::vector<RebuildTarget>& sets);

// For its lifetime the sets the user declined to rebuild, or whose rebuild failed, are not
// asked about again when they are opened: one question covers a start of the program or the
// change to another company, with all the opens that follow it.
class [[nodiscard]] OneRebuildQuestion {
public:
    OneRebuildQuestion();
    ~OneRebuildQuestion();
    OneRebuildQuestion(const OneRebuildQuestion&) = delete;
    OneRebuildQuestion& operator=(const OneRebuildQuestion&) = delete;
};

// After a look-up that found nothing (DataFile::Find answered 0, or the set could not be
// opened): true when that was no answer at all, because the file could not be opened or read
// (an index not rebuilt yet included). "Not found" must then not be said.
bool LookupFailed();
// What to tell then, naming the file ("product"): why it could not be searched.
QString LookupFailureText(const QString& file);

// Told after sets were rebuilt; a higher unit plugs in the books check.
extern std::function<void(const std::vector<RebuildTarget>& rebuilt)> FilesRebuilt;
// Every data file of a company; plugged in by the unit that knows them all.
extern std::function<std::vector<const DataFile*>()> CompanyDataFiles;

// Compares byte by byte as unsigned values: 1 when a is larger at the first difference, -1
// when smaller, 0 when the first `length` bytes are equal (or length is 0). Bytes beyond
// either block count as different.
int CompareBytes(std::span<const uint8_t> a, std::span<const uint8_t> b, std::size_t length);

class DataFile {
public:
    explicit DataFile(DataFileDesc desc);

    const DataFileDesc& desc() const { return d_; }
    FileSetHandle& handle() const { return d_.handle(); }
    std::span<uint8_t> buffer() const { return d_.buffer(); }
    int32_t recordLength() const { return d_.file.recordLength; }
    std::string BuildKey(std::span<const uint8_t> record, int keyNr) const;

    // The engine's names of the current company's file set for opening / for creating and
    // rebuilding.
    std::string OpenName() const;
    std::string CreateName() const;

    // Sets the lock flag; after a lock failure asks "Cannot get a lock.  Abort?" and answers
    // true on Yes. False when the last call did not fail for a lock.
    bool LockAbort() const;

    // One engine call each, under RetryLocked.
    bool AddRec(std::span<const uint8_t> record, int32_t& ref) const;  // adds a copy
    bool PutRec(std::span<const uint8_t> record, int32_t ref) const;
    bool ReadRec(int32_t ref, std::span<uint8_t> record) const;
    bool DeleteRec(int32_t ref) const;
    bool AddKey(std::string_view key, int32_t ref, int keyNr) const;
    bool DeleteKey(std::string_view key, int32_t ref, int keyNr) const;
    // Equal keys: true. Else adds the new key, then deletes the old one; when the old one
    // cannot be deleted (and is not simply missing) the new one is removed again: false.
    bool ChangeKey(std::string_view oldKey, std::string_view newKey, int32_t ref, int keyNr) const;

    // Adds the unit's buffer with its keys; a refused key removes what was added.
    bool AddRecord(int32_t& ref) const;
    // Writes the unit's buffer over record `ref`, replacing the keys that changed. With
    // compareOnUpdate `readForEditing` is the record as read when editing began: an
    // unchanged buffer answers true and writes nothing; a stored record that differs from it
    // says "The record has changed in the meantime." and writes nothing. A deleted or
    // unreadable record fails. Any failed step puts back every key already replaced.
    bool UpdateRecord(int32_t ref, std::span<const uint8_t> readForEditing = {}) const;
    // Removes the keys of the record stored at `ref` and then the record. A deleted or
    // unreadable record fails; when a key cannot be removed (other than already missing)
    // the keys removed are put back and the record stays.
    bool DeleteRecord(int32_t ref) const;

    bool Create() const;
    // Opens the file set into the unit's handle (true at once when it is open already);
    // fails without a current company. A set without the file's partial keys gets them.
    // A defective index (10010) asks "Index file is defective.  Rebuild?" and rebuilds
    // (RebuildUntrustedSets); declined or failed, it fails with 10010, told. A missing set
    // (9903) is created as the description says; other errors fail.
    bool Open() const;
    // Closes the unit's handle when it is open.
    void Close() const;
    // Restructures and reindexes the closed file set under the status window (RebuildSets).
    bool Rebuild() const;
    // The current company's set as a rebuild sees it.
    RebuildTarget Target() const;

    // The first entry at or after `key` in index keyNr; the key found goes to `found`.
    bool Search(std::string_view key, int32_t& ref, int keyNr = 1,
                std::string* found = nullptr) const;
    // The record whose key keyNr is exactly `key` (and that `accept` takes): its Ref, the
    // record copied into `record`. 0 when there is none, `record` untouched: a miss never
    // hands on whatever record the search landed on.
    int32_t Find(int keyNr, std::string_view key, std::span<uint8_t> record,
                 const RecordTest& accept = {}) const;
    // Whether a record of the current company has exactly `key` as key keyNr. Uses the
    // unit's handle when the set is open, else opens it for the look-up alone. No file set
    // means no such record; a set that cannot be read answers true, since the record cannot
    // be shown to be absent.
    bool KeyInUse(int keyNr, std::string_view key) const;

    // Runs the engine call, again while it fails for a lock and the user answers No to
    // "Cannot get a lock.  Abort?". The call's EngineOK; false when the user gave up.
    bool RetryLocked(const std::function<void()>& call) const;

private:
    // The record-and-keys steps on the unit's handle, each call under RetryLocked.
    KeyedSet Set() const;
    // A set just opened that was written before the file had its partial keys (an older
    // company) gets them: it is reindexed from its records under the status window, unless a
    // unit of work is in progress or another handle has the set open (then a later open does
    // it), or it could not be reindexed earlier in this run. The answer is that of opening
    // the set again.
    bool AddMissingIndexes() const;
    // Takes the whole-record bracket, asking "The files are in use.  Abort?" while it fails.
    bool InLockedSet(const std::function<bool()>& body) const;
    // Whether a company is current: its number names the files.
    bool HasCompany() const;
    // A Yes/No prompt under the file's caption; true on Yes.
    bool AskYes(const QString& text) const;
    DataFileDesc d_;
    // The sets (by open name) whose missing indexes could not be added in this run.
    mutable std::set<std::string> reindexFailed_;
};

// The records of the file whose key keyNr, trimmed and upper-cased, equals `target` (itself
// trimmed and upper-cased), from the first key at or after `key`, handed one by one to
// `take` until it answers false. The walk ends at the first engine failure as at the end of
// the number; false when a record could not be read.
template <class Rec>
bool WalkKeyRecords(const DataFile& file, int keyNr, std::string_view key,
                    const std::string& target,
                    const std::function<bool(int32_t ref, const Rec&)>& take) {
    int32_t ref = 0;
    std::string found;
    bool ok = file.Search(key, ref, keyNr, &found);
    while (ok && KeyText(found, 0) == target) {
        Rec rec;
        if (!file.ReadRec(ref, rec.bytes())) return false;
        if (!take(ref, rec)) return true;
        ok = file.RetryLocked([&] { NextKey(file.handle(), keyNr, ref, found); });
    }
    return true;
}
