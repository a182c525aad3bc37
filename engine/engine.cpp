// The engine's calls: handles, shared open sets, brackets, units of work, records and keys.
//
// Durability: every change is made inside a unit, an explicit one (BeginUnit ... CommitUnit)
// or the outermost bracket of one set. A unit holds its slot writes in memory and its index
// changes in one open index transaction; committing it writes the after-images into the
// folder's journal and syncs that once (the unit is then durable), writes the images into
// the data files and, without syncs either, commits the index transaction, or keeps it in
// memory with those of the units before when nobody read the index in between (see
// IndexFile::keep): they are written before the index is next read, when the set closes,
// before the journal, which holds every unit's key changes, is emptied, and once they are
// as much as should wait. A checkpoint (when the last set of a folder closes, at EngineStop,
// or when the journal has grown large) syncs the files written since and empties the
// journal. See journal.h.
//
// Consistency of NAME.DAT and NAME.IX: NAME.IX is only ever used when the data file's header
// vouches for it: the same stamp and serial (the count of units that changed the index) in
// both files, and either state clean with NAME.IX's size and modification time as they were
// at the clean close, or state changing in this boot of the machine. A unit's header image
// says "changing" with the boot and, when the unit changed the index, the next serial, which
// the index's transaction carries too; a clean close of a changed set says "clean" again. A
// process that dies leaves every write in the system's page cache and the journal replays
// what had not reached the files, the index's key changes included (journal.h), so the set
// opens at once; a machine that stopped may have torn the unsynced index, and such a set is
// rebuilt from its data. Opening and closing a set without changes write nothing.
//
// A set closed while another set of its folder is open, its index only read since the open,
// keeps its files (and its lock) open, ready: the steps of a posting open and close the same
// masters again and again. The next open takes it back when neither file was written
// since; a rebuild, a new set in its place, a fork, EngineStop and the close of the folder's
// last set let it go.

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "engine/data_file.h"
#include "engine/engine.h"
#include "engine/file_io.h"
#include "engine/file_names.h"
#include "engine/file_set.h"
#include "engine/index_file.h"
#include "engine/journal.h"

bool EngineOK = true;
int32_t EngineErrorCode = 0;
int EngineSystemError = 0;

namespace engine_detail {

namespace {

// A journal larger than this is emptied by a checkpoint after the unit that grew it.
constexpr uint64_t CheckpointBytes = uint64_t(64) << 20;
// Sets closed lately whose files stay open, ready for the next open of the same set.
constexpr size_t ReadySets = 8;

struct FileSet : std::enable_shared_from_this<FileSet> {
    DataFile dat;
    IndexFile ix;
    std::filesystem::path datPath;
    std::filesystem::path ixPath;
    std::filesystem::path folder;
    dev_t device = 0;
    ino_t inode = 0;
    int handles = 0;
    int lockDepth = 0;
    bool damaged = false;  // changes could not be written: only a rebuild helps
    bool changed = false;  // since it was opened: a clean close vouches for the index anew
    bool inUnit = false;   // has changes in the current unit of work
    // Kept ready after its close: the data file's time and size then, which a reopen checks.
    timespec readyTime{};
    off_t readySize = 0;
    // Whether NAME.IX keeps the times stampIndex gives it, seen at the first stamp since the
    // open; where it does not, each unit asks the file for its times instead.
    enum class Stamps { Unseen, Kept, Refused } stamps = Stamps::Unseen;
};

struct Position {
    enum Kind { None, At, PastEnd } kind = None;
    // The last entry returned; a plain buffer, as walks copy it at every step.
    std::array<char, MaxKeyLength> keyBytes{};
    uint8_t keyLength = 0;
    uint32_t ref = 0;
    std::string_view key() const { return {keyBytes.data(), keyLength}; }
    IndexFile::Ticket ticket = 0;
};

struct Handle {
    std::shared_ptr<FileSet> set;
    std::vector<Position> positions;
};

struct Unit {
    int depth = 0;
    bool aborted = false;  // rolled back by an inner AbortUnit
    // The first failure that keeps it from committing whole, with the system's errno.
    Code failure = 0;
    int systemError = 0;
    std::vector<std::shared_ptr<FileSet>> sets;    // changed in it
    std::vector<std::shared_ptr<FileSet>> parked;  // closed in it, still holding changes
};

struct Registry {
    bool started = false;
    int pageBuffers = 30;
    FileSetHandle nextHandle = 1;
    std::map<FileSetHandle, Handle> handles;
    std::map<std::filesystem::path, std::unique_ptr<Journal>> journals;
    Unit unit;
    bool lastUnitUndecided = false;  // see LastUnitUndecided()
    // Closed clean, files still open and locked, the latest last, while another set of their
    // folder is open. Steps of a posting open and close the same masters again and again;
    // reopening one of these costs three stats (the data file's name, its descriptor, and
    // NAME.IX's name).
    std::vector<std::shared_ptr<FileSet>> ready;
    // The handle looked up last: walks call with the same handle again and again.
    FileSetHandle cachedNumber = 0;
    Handle* cached = nullptr;

    void forget(FileSetHandle number) {
        if (cachedNumber == number) cached = nullptr, cachedNumber = 0;
        handles.erase(number);
    }
    void forgetAll() {
        cached = nullptr;
        cachedNumber = 0;
        handles.clear();
        unit = Unit{};
        journals.clear();
        ready.clear();
    }
};

Registry theRegistry;
bool forkedChild = false;
// A forked child inherits the parent's open sets; they are not its own (the parent holds the
// lock), so it forgets them, without writing anything, at its first call.
// The sets kept ready are let go before a fork, so that a child may open them.
void releaseReady();
const bool forkWatched =
    ::pthread_atfork([] { releaseReady(); }, nullptr, [] { forkedChild = true; }) == 0;

Registry& registry() {
    if (forkedChild) [[unlikely]] {
        forkedChild = false;
        theRegistry.forgetAll();
    }
    return theRegistry;
}

[[gnu::noinline]] Handle* lookUpHandle(FileSetHandle number) {
    Registry& reg = registry();
    const auto it = reg.handles.find(number);
    if (it == reg.handles.end()) return nullptr;
    reg.cachedNumber = number;
    reg.cached = &it->second;
    return reg.cached;
}

inline Handle* findHandle(FileSetHandle number) {
    Registry& reg = registry();
    if (number != 0 && number == reg.cachedNumber) return reg.cached;
    return lookUpHandle(number);
}

// An open set, or one closed inside the unit of work and kept for it (taken back out).
std::shared_ptr<FileSet> findOpenSet(dev_t device, ino_t inode) {
    Registry& reg = registry();
    for (auto& [number, handle] : reg.handles)
        if (handle.set->device == device && handle.set->inode == inode) return handle.set;
    auto& parked = reg.unit.parked;
    for (auto it = parked.begin(); it != parked.end(); ++it) {
        if ((*it)->device == device && (*it)->inode == inode) {
            auto set = *it;
            parked.erase(it);
            return set;
        }
    }
    return nullptr;
}

void shutFiles(FileSet& set) {
    set.ix.close();
    set.dat.close();
}

// Closing the files of the sets kept ready writes nothing: they were closed clean.
void releaseReady() {
    for (auto& set : theRegistry.ready) shutFiles(*set);
    theRegistry.ready.clear();
}

void releaseReadyIn(const std::filesystem::path& folder) {
    auto& ready = registry().ready;
    std::erase_if(ready, [&](const std::shared_ptr<FileSet>& set) {
        if (set->folder != folder) return false;
        shutFiles(*set);
        return true;
    });
}

// Keeps a set closed clean ready for its next open; the oldest one goes when there are many.
void keepReady(FileSet& set) {
    struct stat st {};
    if (::fstat(set.dat.fd(), &st) != 0) {
        shutFiles(set);
        return;
    }
    set.readyTime = st.st_mtim;
    set.readySize = st.st_size;
    set.changed = false;
    auto& ready = registry().ready;
    if (ready.size() == ReadySets) {
        shutFiles(*ready.front());
        ready.erase(ready.begin());
    }
    ready.push_back(set.shared_from_this());
}

// The set kept ready for the data file `device` and `inode` name, taken out; none when there
// is none, or when either of its files was written since its close (it is then let go).
std::shared_ptr<FileSet> takeReady(dev_t device, ino_t inode) {
    auto& ready = registry().ready;
    const auto it = std::find_if(ready.begin(), ready.end(), [&](const auto& set) {
        return set->device == device && set->inode == inode;
    });
    if (it == ready.end()) return nullptr;
    std::shared_ptr<FileSet> set = std::move(*it);
    ready.erase(it);
    struct stat st {};
    if (::fstat(set->dat.fd(), &st) == 0 && set->readyTime.tv_sec == st.st_mtim.tv_sec &&
        set->readyTime.tv_nsec == st.st_mtim.tv_nsec && set->readySize == st.st_size &&
        indexMatches(set->ixPath, set->dat.header()))
        return set;
    shutFiles(*set);
    return nullptr;
}

bool folderInUse(const std::filesystem::path& folder) {
    Registry& reg = registry();
    for (const auto& [number, handle] : reg.handles)
        if (handle.set->folder == folder) return true;
    for (const auto& set : reg.unit.parked)
        if (set->folder == folder) return true;
    return false;
}

FileSetHandle addHandle(std::shared_ptr<FileSet> set) {
    Registry& reg = registry();
    const FileSetHandle number = reg.nextHandle;
    reg.nextHandle = reg.nextHandle == INT32_MAX ? 1 : reg.nextHandle + 1;
    Handle handle;
    handle.positions.resize(static_cast<size_t>(set->ix.keyCount()));
    ++set->handles;
    handle.set = std::move(set);
    reg.handles.emplace(number, std::move(handle));
    return number;
}

Journal& journalFor(const std::filesystem::path& folder) {
    auto& journal = registry().journals[folder];
    if (!journal) journal = std::make_unique<Journal>(folder);
    return *journal;
}

Code writeKeptIn(const std::filesystem::path& folder);

// Before a set of the folder is created or rebuilt: nothing in a journal may later be
// written over the new files.
Code settleJournal(const std::filesystem::path& folder) {
    auto& journals = registry().journals;
    const auto it = journals.find(folder);
    if (it == journals.end()) return recoverFolder(folder);
    if (const Code code = writeKeptIn(folder)) return code;
    return it->second->checkpoint();
}

// Changes that could not all be written (after the unit was durable in the journal): the set
// refuses further changes and is left marked "changing" in no known boot, so the next open
// rebuilds it.
void markDamaged(FileSet& set) {
    set.ix.abandonWrites();
    set.dat.discardChanges();
    set.damaged = true;
    DatHeader& header = set.dat.header();
    if (header.state != SetState::Damaged) header.state = SetState::Changing;
    header.bootId = {};
    set.dat.writeHeader();
}

// A slot whose status bytes hold no valid value: the read fails with DataFileDefective and
// the set is marked, so that its next open asks for the rebuild that tells about it.
Code damagedSlot(FileSet& set) {
    set.dat.noteDamage();
    return EngineCode::DataFileDefective;
}

void rollBack(FileSet& set) {
    set.dat.discardChanges();
    set.ix.abortWrite();
    set.inUnit = false;
}

// A failure inside the unit of work that it cannot commit whole after; the first one counts.
void spoilUnit(Code code) {
    Unit& unit = registry().unit;
    if (unit.depth == 0 || unit.failure != 0) return;
    unit.failure = code;
    unit.systemError = code == EngineCode::IoError ? engine_io::lastError() : 0;
}

// A set that can take no changes refuses them; a unit of work that needed one cannot be whole.
Code refuseDamaged() {
    spoilUnit(EngineCode::IndexDefective);
    return EngineCode::IndexDefective;
}

// Before the first change of a call: the set joins the unit of work, and the data file
// remembers what a rollback goes back to.
Code beginChange(FileSet& set) {
    if (set.damaged) return refuseDamaged();
    Unit& unit = registry().unit;
    if (unit.depth > 0 && !set.inUnit) {
        set.inUnit = true;
        unit.sets.push_back(set.shared_from_this());
    }
    set.dat.beginChanges();
    return 0;
}

// Describes the set's index as a commit left it in `header` (see stampIndex).
bool describeCommitted(FileSet& set, DatHeader& header) {
    if (set.stamps != FileSet::Stamps::Refused && stampIndex(set.ix.fd(), header)) {
        if (set.stamps == FileSet::Stamps::Kept) return true;
        // The first time, the file's own times tell whether the stamp was kept as given.
        const uint64_t stamped = header.indexTime;
        if (!describeIndex(set.ixPath, header)) return false;
        set.stamps = header.indexTime == stamped ? FileSet::Stamps::Kept : FileSet::Stamps::Refused;
        return true;
    }
    set.stamps = FileSet::Stamps::Refused;
    return describeIndex(set.ixPath, header);
}

// Before a unit becomes durable: every index change is whole, and the disk holds room for
// what committing the indexes will write, so that nothing written after the journal can fail
// for a full disk (it would leave the unit on file and its set without its index).
Code prepareIndexes(const std::map<std::filesystem::path, std::vector<FileSet*>>& byFolder) {
    for (const auto& [folder, changed] : byFolder) {
        for (FileSet* set : changed) {
            if (const Code failed = set->ix.writeFailure()) return failed;
            bool grown = false;
            const Code code = set->ix.reserveForCommit(grown);
            // A file that grew is described anew at once, for a process that dies before the
            // commit, and at the clean close, whatever the unit's fate.
            if (grown) {
                set->changed = true;
                set->dat.changeCommittedHeader(
                    [set](DatHeader& committed) { return describeCommitted(*set, committed); });
            }
            if (code != 0) return code;
        }
    }
    return 0;
}

// Makes the changes of `sets` durable at once (see the top of the file). A set whose calls
// all failed changed nothing and is left out.
Code commitSets(const std::vector<FileSet*>& sets) {
    std::map<std::filesystem::path, std::vector<FileSet*>> byFolder;
    for (FileSet* set : sets) {
        if (set->damaged) continue;
        if (set->dat.hasRealChanges() || set->ix.writeChanges() > 0)
            byFolder[set->folder].push_back(set);
        else
            rollBack(*set);
    }
    const auto rollBackAll = [&] {
        for (auto& [other, rest] : byFolder)
            for (FileSet* set : rest) rollBack(*set);
    };
    // The unit's header images say "changing" in this boot; the index's transaction and the
    // header carry the same serial.
    for (auto& [folder, changed] : byFolder) {
        for (FileSet* set : changed) {
            DatHeader& header = set->dat.header();
            header.state = set->dat.damageNoted() ? SetState::Damaged : SetState::Changing;
            header.bootId = engine_io::currentBoot();
            if (set->ix.inWrite() && set->ix.writeChanges() > 0 && set->ix.writeFailure() == 0) {
                if (const Code code = set->ix.putSerial(header.indexSerial + 1)) {
                    rollBackAll();
                    return code;
                }
                ++header.indexSerial;
                // The index is written with this unit once as much is kept as should wait;
                // until then its changes are kept with those before (see IndexFile::keep).
                header.indexCommitting = set->ix.keptEnough();
            }
        }
    }
    if (const Code code = prepareIndexes(byFolder)) {
        rollBackAll();
        return code;
    }
    for (auto& [folder, changed] : byFolder) {
        std::vector<JournalImage> images;
        std::deque<std::vector<uint8_t>> held;  // stable while the images point at them
        for (FileSet* set : changed) {
            const std::string name = set->datPath.filename().string();
            set->dat.forEachChange([&](uint64_t offset, std::span<const uint8_t> bytes) {
                if (offset == 0) bytes = held.emplace_back(bytes.begin(), bytes.end());
                images.push_back({name, offset, bytes});
            });
            for (const KeyChange& change : set->ix.changes()) {
                std::vector<uint8_t>& bytes = held.emplace_back(4 + change.key.size());
                storeLE32(bytes.data(), change.ref);
                std::memcpy(bytes.data() + 4, change.key.data(), change.key.size());
                images.push_back({name, static_cast<uint64_t>(change.keyNr), bytes,
                                  change.add ? JournalImage::Kind::KeyAdded
                                             : JournalImage::Kind::KeyDeleted});
            }
        }
        Journal& journal = journalFor(folder);
        if (const Code code = journal.append(images)) {
            // A unit that reached the journal and could not be blanked there again is
            // replayed by the next process, though it failed here.
            if (journal.failedUnitKept()) registry().lastUnitUndecided = true;
            rollBackAll();
            return code;
        }
        // Durable from here on: a write that fails now leaves the images to a replay.
        for (FileSet* set : changed) {
            Code code = set->dat.applyChanges();
            if (code != 0) journal.keepForReplay();
            DatHeader& header = set->dat.header();
            if (code == 0 && set->ix.inWrite() && !header.indexCommitting) {
                code = set->ix.keep();
            } else if (code == 0 && set->ix.inWrite()) {
                code = set->ix.commit();
                // The header describes the index as it now is, so that a replay after a
                // process died finds it untouched since and brings it up to date. Unsynced,
                // and told again by the next unit's image when it cannot be written now.
                header.indexCommitting = false;
                if (code == 0 && describeCommitted(*set, header)) set->dat.writeHeader();
                journal.touched(set->ixPath);
            }
            if (code != 0) markDamaged(*set);
            set->changed = true;
            journal.touched(set->datPath);
        }
        byFolder[folder].clear();
        // The journal holds the key changes kept: they are written before it is emptied.
        if (journal.size() > CheckpointBytes && writeKeptIn(folder) == 0) journal.checkpoint();
    }
    return 0;
}

// Writes the index changes the set keeps from earlier units into NAME.IX (see IndexFile::keep)
// as a unit's commit writes them: the header on disk says first that the index is being
// written, and then describes it as written. A failure leaves the set refusing changes, as a
// commit that fails after its unit was durable does, and spoils the unit of work.
Code writeKept(FileSet& set) {
    if (!set.ix.holdsKept() || set.ix.inWrite()) return 0;
    Code code = set.dat.changeCommittedHeader([](DatHeader& committed) {
        committed.indexCommitting = true;
        return true;
    });
    if (code == 0) {
        code = set.ix.commit();
        if (code != 0) markDamaged(set);
    }
    if (code != 0) {
        spoilUnit(code);
        return code;
    }
    set.changed = true;
    journalFor(set.folder).touched(set.ixPath);
    // Unsynced, and told again by the next header written when it cannot be written now.
    set.dat.changeCommittedHeader([&set](DatHeader& committed) {
        committed.indexCommitting = false;
        return describeCommitted(set, committed);
    });
    return 0;
}

// The changes kept by every open set of the folder, written before its journal, which holds
// them too, is emptied.
Code writeKeptIn(const std::filesystem::path& folder) {
    Registry& reg = registry();
    Code code = 0;
    const auto write = [&](FileSet& set) {
        if (set.folder != folder) return;
        if (const Code written = writeKept(set); code == 0) code = written;
    };
    for (auto& [number, handle] : reg.handles) write(*handle.set);
    for (auto& set : reg.unit.parked) write(*set);
    return code;
}

Code enterBracket(FileSet& set) {
    if (set.damaged) return refuseDamaged();
    ++set.lockDepth;
    return 0;
}

// Ends a bracket entered by the same call; the call's own failure wins over the bracket's.
// Inside a unit of work the bracket ends nothing: the unit commits.
Code leaveBracket(FileSet& set, Code code) {
    if (set.lockDepth == 0 || --set.lockDepth > 0 || set.inUnit) return code;
    const Code finished = commitSets({&set});
    return code != 0 ? code : finished;
}

// Puts a chain left last-freed-first by older files in ascending order (held with the
// unit's other changes, so a failure is rolled back with them).
Code orderFreeChain(FileSet& set) {
    return set.dat.orderFreeChain();
}

// Closes the set's files. A set changed since it was opened gets the index file's size and
// time in its header: from then on the index is trusted again in any boot (its serial is
// the header's already). Neither is synced: until a checkpoint the journal names the set,
// and a replay marks it changing. With `keep`, a set closed clean keeps its files open,
// ready for its next open.
Code closeSet(FileSet& set, bool keep) {
    Code code = 0;
    if (set.lockDepth > 0) {
        set.lockDepth = 0;
        if (!set.inUnit) code = commitSets({&set});
    }
    if (set.inUnit) rollBack(set);
    if (code == 0 && !set.damaged) code = writeKept(set);
    if (!set.damaged && set.changed && code == 0 && !set.dat.damageNoted()) {
        DatHeader& header = set.dat.header();
        // Every write of the index is done (its transactions are committed unsynced).
        if (!describeIndex(set.ixPath, header)) code = ioError(errno);
        if (code == 0) {
            header.state = SetState::Clean;
            code = set.dat.writeHeader();
        }
    }
    set.handles = 0;
    // An index open for writing holds megabytes of LMDB's write lists: such a set is closed.
    if (keep && code == 0 && !set.damaged && !set.ix.writable())
        keepReady(set);
    else
        shutFiles(set);
    return code;
}

// Empties the journal of a folder whose sets are all closed, and lets go of the sets kept
// ready there: sets stay ready only while another set of their folder is open.
Code checkpointIfUnused(const std::filesystem::path& folder) {
    if (folderInUse(folder)) return 0;
    releaseReadyIn(folder);
    auto& journals = registry().journals;
    const auto it = journals.find(folder);
    if (it == journals.end()) return 0;
    const Code code = it->second->checkpoint();
    journals.erase(it);
    return code;
}

// Ends the unit of work: the sets closed inside it close now.
Code endUnit() {
    Unit& unit = registry().unit;
    for (auto& set : unit.sets) set->inUnit = false;
    std::vector<std::shared_ptr<FileSet>> parked = std::move(unit.parked);
    unit = Unit{};
    Code code = 0;
    // Every one is closed (its index written) before a journal is emptied: the journal holds
    // the key changes they keep until then.
    for (auto& set : parked)
        if (const Code closed = closeSet(*set, true); code == 0) code = closed;
    for (auto& set : parked)
        if (const Code settled = checkpointIfUnused(set->folder); code == 0) code = settled;
    return code;
}

Code openSet(const std::filesystem::path& datPath, const std::filesystem::path& ixPath,
             FileSet& set) {
    set.datPath = datPath;
    set.ixPath = ixPath;
    set.folder = folderOf(datPath);
    // A journal left by a process that died goes into the data files first.
    if (registry().journals.count(set.folder) == 0)
        if (const Code code = recoverFolder(set.folder)) return code;
    if (const Code code = set.dat.open(datPath)) return code;
    DatHeader& header = set.dat.header();
    if (!filenames::exists(ixPath)) return EngineCode::IndexDefective;
    // Changed in an earlier boot of the machine (its unsynced index may be torn), damaged,
    // or an index file other than the one the header last described (damaged, cut, replaced
    // by a copy, written since): only a rebuild can be trusted.
    const engine_io::BootId& boot = engine_io::currentBoot();
    const bool changing = header.state == SetState::Changing;
    if (header.state == SetState::Damaged ||
        (changing && (boot == engine_io::BootId{} || header.bootId != boot)) ||
        !indexMatches(ixPath, header))
        return EngineCode::IndexDefective;
    if (const Code code = set.ix.open(ixPath)) return code;
    const IndexMeta& meta = set.ix.meta();
    if (meta.recordLength != header.recordLength || meta.generation != header.generation ||
        meta.serial != header.indexSerial)
        return EngineCode::IndexDefective;
    // Left changing by a process that died: the index holds every unit of the data (the
    // replay saw to it). Made durable and marked clean, it stays trusted after a restart of
    // the machine too; when that fails it is still trusted in this boot.
    if (changing && set.ix.syncToDisk() == 0 && set.dat.sync() == 0 &&
        describeIndex(ixPath, header)) {
        header.state = SetState::Clean;
        if (set.dat.writeHeader() != 0 || set.dat.sync() != 0) header.state = SetState::Changing;
    }
    return 0;
}

inline bool validKey(const Handle& handle, int keyNr) {
    return keyNr >= 1 && keyNr <= handle.set->ix.keyCount();
}

// Looks the handle up and validates the key number; the failure code otherwise.
inline Code keyHandle(FileSetHandle number, int keyNr, Handle*& handle) {
    handle = findHandle(number);
    if (!handle) return EngineCode::BadHandle;
    return validKey(*handle, keyNr) ? 0 : EngineCode::BadArgument;
}

// keyHandle for a read of the index: the changes the set keeps are written into it first.
inline Code readHandle(FileSetHandle number, int keyNr, Handle*& handle) {
    if (const Code code = keyHandle(number, keyNr, handle)) return code;
    return handle->set->ix.holdsKept() ? writeKept(*handle->set) : 0;
}

}  // namespace

bool finishFailed(Code code) {
    EngineOK = false;
    EngineErrorCode = code;
    if (code == EngineCode::IoError || code == EngineCode::FileInUse)
        EngineSystemError = engine_io::lastError();
    // The operating system failed a step of the unit of work: it cannot commit whole.
    if (code == EngineCode::IoError) spoilUnit(code);
    return false;
}

Code checkName(std::string_view name) {
    // The limit is the set's own name's ("1C", "cvcomp"): the folder it lies in may be as deep
    // as the system allows.
    const size_t slash = name.find_last_of('/');
    const std::string_view own = slash == std::string_view::npos ? name : name.substr(slash + 1);
    if (own.empty() || own.size() > MaxNameLength || name.find('\0') != std::string_view::npos)
        return EngineCode::BadArgument;
    return 0;
}

Code checkKeyTable(int keyCount, const KeyDescTable& keys) {
    if (keyCount < 0 || keyCount > MaxKeys) return EngineCode::BadArgument;
    for (int i = 0; i < keyCount; ++i)
        if (keys[i].length < 1 || keys[i].length > MaxKeyLength) return EngineCode::BadArgument;
    return 0;
}

Code settleFolder(const std::filesystem::path& datPath) {
    return settleJournal(folderOf(datPath));
}

// The device and inode of a file, asked for without its times (see stampIndex).
bool identify(int fd, const char* path, dev_t& device, ino_t& inode) {
    struct statx sx {};
    if (::statx(fd, path, *path ? 0 : AT_EMPTY_PATH, STATX_INO, &sx) != 0) return false;
    device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    inode = sx.stx_ino;
    return true;
}

bool isOpenHere(const std::filesystem::path& datPath) {
    dev_t device = 0;
    ino_t inode = 0;
    if (!identify(AT_FDCWD, datPath.c_str(), device, inode)) return false;
    // A set kept ready is closed: its files are let go, as their lock stands in the way.
    if (const auto kept = takeReady(device, inode)) shutFiles(*kept);
    return findOpenSet(device, inode) != nullptr;
}

}  // namespace engine_detail

using namespace engine_detail;

int EngineErrorClassOf(int32_t code) {
    if (code == 0) return 0;
    if (code == 9903 || (code >= 10200 && code <= 10299) || code == 10410) return 1;
    static constexpr int32_t inUse[] = {9900,  10065, 10110, 10306, 10330, 10332,
                                        10335, 10355, 10360, 10390, 10397, 10399};
    if (std::find(std::begin(inUse), std::end(inUse), code) != std::end(inUse)) return 2;
    if (code >= 10001 && code <= 10009) return 3;
    return 4;
}

int EngineErrorClass() {
    return EngineErrorClassOf(EngineErrorCode);
}

void EngineStart(int pageBuffers) {
    begin();
    Registry& reg = registry();
    reg.started = true;
    reg.pageBuffers = std::max(1, pageBuffers);
}

void EngineStop() {
    begin();
    Registry& reg = registry();
    Code code = 0;
    if (reg.unit.depth > 0) {
        for (auto& set : reg.unit.sets) rollBack(*set);
        code = endUnit();
    }
    for (auto& [number, handle] : reg.handles) {
        if (--handle.set->handles == 0) {
            if (const Code closed = closeSet(*handle.set, false); code == 0) code = closed;
        }
    }
    reg.handles.clear();
    reg.cached = nullptr;
    reg.cachedNumber = 0;
    releaseReady();
    for (auto& [folder, journal] : reg.journals)
        if (const Code settled = journal->checkpoint(); code == 0) code = settled;
    reg.forgetAll();
    reg.started = false;
    finish(code);
}

void EngineAbandon() {
    begin();
    registry().forgetAll();
}

bool EngineReady() {
    begin();
    return registry().started;
}

bool EngineModeFlag() {
    begin();
    return false;
}

void CreateFileSet(std::string_view name, int32_t recordLength, int keyCount,
                   const KeyDescTable& keys) {
    begin();
    if (!finish(checkName(name)) || !finish(checkKeyTable(keyCount, keys))) return;
    if (recordLength < static_cast<int32_t>(MinRecordLength) ||
        recordLength > static_cast<int32_t>(MaxRecordLength)) {
        finish(EngineCode::BadArgument);
        return;
    }
    const auto datPath = filenames::withExtension(name, ".DAT");
    if (isOpenHere(datPath)) {
        finish(EngineCode::FileInUse);
        return;
    }
    if (!finish(settleFolder(datPath))) return;
    DataFile dat;
    DatHeader header;
    header.recordLength = static_cast<uint32_t>(recordLength);
    header.generation = randomStamp();
    header.state = SetState::Changing;  // until the index beside it is complete
    if (!finish(dat.create(datPath, header))) return;

    const auto ixPath = filenames::withExtension(name, ".IX");
    std::error_code ec;
    std::filesystem::remove(ixPath, ec);
    IndexMeta meta{header.recordLength, header.generation, {}};
    meta.keys.assign(keys.begin(), keys.begin() + keyCount);
    IndexFile ix;
    Code code = ix.create(ixPath, meta);
    if (code == 0) code = ix.syncToDisk();
    ix.close();
    if (code == 0 && !describeIndex(ixPath, header)) code = ioError(errno);
    if (code == 0) {
        header.state = SetState::Clean;
        dat.header() = header;
        code = dat.writeHeader();
    }
    if (code == 0) code = dat.sync();
    // The folder's journal is made with the set, so that the first unit of work need not
    // sync the folder for it.
    if (code == 0) code = createJournal(folderOf(datPath));
    if (code == 0) filenames::syncFolder(datPath.parent_path());
    finish(code);
}

void OpenFileSet(FileSetHandle& handle, std::string_view name, bool readOnly, bool a4, bool a5,
                 bool a6) {
    begin();
    handle = 0;
    if (!finish(checkName(name))) return;
    // The name as given is the one found nearly always: one stat settles it. Else the file
    // is looked for whatever the case of its name.
    std::filesystem::path datPath = std::string(name) + ".DAT";
    dev_t device = 0;
    ino_t inode = 0;
    bool found = identify(AT_FDCWD, datPath.c_str(), device, inode);
    if (!found) {
        datPath = filenames::withExtension(name, ".DAT");
        found = identify(AT_FDCWD, datPath.c_str(), device, inode);
    }
    if (!found) {
        // Without the data file nothing can be rebuilt: only "no such set" when the index is
        // missing too, so that nobody creates an empty set over an index of lost data.
        finish(filenames::exists(filenames::withExtension(name, ".IX"))
                   ? EngineCode::DataFileDefective
                   : EngineCode::NoSuchFileSet);
        return;
    }
    if (auto shared = findOpenSet(device, inode)) {
        handle = addHandle(std::move(shared));
        return;
    }
    if (auto kept = takeReady(device, inode)) {
        handle = addHandle(std::move(kept));
        return;
    }
    const auto ixPath = filenames::withExtension(name, ".IX");
    auto set = std::make_shared<FileSet>();
    if (!finish(openSet(datPath, ixPath, *set))) return;
    identify(set->dat.fd(), "", set->device, set->inode);
    handle = addHandle(std::move(set));
}

void CloseFileSet(FileSetHandle& handle) {
    begin();
    Registry& reg = registry();
    const auto it = reg.handles.find(handle);
    handle = 0;
    if (it == reg.handles.end()) {
        finish(EngineCode::BadHandle);
        return;
    }
    const std::shared_ptr<FileSet> set = it->second.set;
    reg.forget(it->first);
    if (--set->handles > 0) return;
    // Closed inside a unit of work with changes in it: kept until the unit ends, and found
    // again by an open in between.
    if (set->inUnit) {
        reg.unit.parked.push_back(set);
        return;
    }
    Code code = closeSet(*set, true);
    if (const Code settled = checkpointIfUnused(set->folder); code == 0) code = settled;
    finish(code);
}

void BeginUnit() {
    begin();
    ++registry().unit.depth;
}

void CommitUnit() {
    begin();
    Unit& unit = registry().unit;
    if (unit.depth == 0) {
        finish(EngineCode::BadArgument);
        return;
    }
    if (--unit.depth > 0) {
        finish(unit.failure);
        return;
    }
    Code code = unit.failure != 0 ? unit.failure : unit.aborted ? EngineCode::BadArgument : 0;
    int systemError = unit.systemError;
    registry().lastUnitUndecided = false;
    if (code == 0) {
        std::vector<FileSet*> sets;
        for (auto& set : unit.sets) sets.push_back(set.get());
        code = commitSets(sets);
        systemError = engine_io::lastError();
    } else {
        for (auto& set : unit.sets) rollBack(*set);
    }
    // Once committed the unit is durable: a set that fails to close after it, or a journal
    // that cannot be emptied, leaves it to the next open's replay and rebuild, and must not
    // be told as a unit that was not saved.
    endUnit();
    // What is told is why the unit failed, not what its closes met.
    engine_io::noteError(systemError);
    finish(code);
}

void AbortUnit() {
    begin();
    Unit& unit = registry().unit;
    if (unit.depth == 0) return;
    for (auto& set : unit.sets) rollBack(*set);
    unit.sets.clear();
    if (--unit.depth > 0) {
        unit.aborted = true;
        return;
    }
    finish(endUnit());
}

bool LastUnitUndecided() {
    return registry().lastUnitUndecided;
}

int32_t UnitFailure() {
    return registry().unit.failure;
}

int UnitSystemError() {
    return registry().unit.systemError;
}

bool InUnit() {
    return registry().unit.depth > 0;
}

void DuplicateFileSetHandle(FileSetHandle source, FileSetHandle& copy) {
    begin();
    copy = 0;
    Handle* handle = findHandle(source);
    if (!handle) {
        finish(EngineCode::BadHandle);
        return;
    }
    copy = addHandle(handle->set);
}

bool IsFileSetOpen(FileSetHandle handle) {
    begin();
    return findHandle(handle) != nullptr;
}

int32_t RecordLength(FileSetHandle number) {
    begin();
    const Handle* handle = findHandle(number);
    if (!handle) return finish(EngineCode::BadHandle), 0;
    return static_cast<int32_t>(handle->set->dat.header().recordLength);
}

int KeyCount(FileSetHandle number) {
    begin();
    const Handle* handle = findHandle(number);
    if (!handle) return finish(EngineCode::BadHandle), 0;
    return handle->set->ix.keyCount();
}

void LockFileSet(FileSetHandle number) {
    begin();
    Handle* handle = findHandle(number);
    finish(handle ? enterBracket(*handle->set) : EngineCode::BadHandle);
}

void UnlockFileSet(FileSetHandle number) {
    begin();
    Handle* handle = findHandle(number);
    finish(handle ? leaveBracket(*handle->set, 0) : EngineCode::BadHandle);
}

namespace {

// Looks up the handle and checks a Ref of an existing slot and, when given, the buffer size.
Code recordCall(FileSetHandle number, int32_t ref, size_t bufferSize, bool checkBuffer,
                FileSet*& set) {
    Handle* handle = findHandle(number);
    if (!handle) return EngineCode::BadHandle;
    set = handle->set.get();
    const DatHeader& header = set->dat.header();
    if (checkBuffer && bufferSize != header.recordLength) return EngineCode::BadArgument;
    if (ref <= 0 || static_cast<uint32_t>(ref) > header.slotCount) return EngineCode::RefOutOfRange;
    return 0;
}

}  // namespace

void ReadRecord(FileSetHandle number, int32_t ref, std::span<uint8_t> buffer, bool lock) {
    begin();
    FileSet* set = nullptr;
    if (!finish(recordCall(number, ref, buffer.size(), true, set))) return;
    if (!finish(set->dat.readSlot(static_cast<uint32_t>(ref), buffer))) return;
    if (!validMarker(loadLE32(buffer.data()), set->dat.header().slotCount))
        finish(damagedSlot(*set));
}

void PutRecord(FileSetHandle number, int32_t ref, std::span<uint8_t> buffer, bool lock) {
    begin();
    if (ref == 0 && findHandle(number)) {
        finish(EngineCode::RefZero);
        return;
    }
    FileSet* set = nullptr;
    if (!finish(recordCall(number, ref, buffer.size(), true, set))) return;
    const auto slot = static_cast<uint32_t>(ref);
    uint32_t marker = 0;
    if (!finish(set->dat.readMarker(slot, marker))) return;
    if (marker != 0) {
        finish(EngineCode::RecordDeleted);
        return;
    }
    if (!finish(enterBracket(*set))) return;
    Code code = beginChange(*set);
    if (code == 0) {
        storeLE32(buffer.data(), 0);
        code = set->dat.writeSlot(slot, buffer);
    }
    finish(leaveBracket(*set, code));
}

void AddRecord(FileSetHandle number, int32_t& ref, std::span<uint8_t> buffer) {
    begin();
    Handle* handle = findHandle(number);
    if (!handle) {
        finish(EngineCode::BadHandle);
        return;
    }
    FileSet& set = *handle->set;
    DatHeader& header = set.dat.header();
    if (buffer.size() != header.recordLength) {
        finish(EngineCode::BadArgument);
        return;
    }
    // The chain is checked before anything is written: a damaged one only gives a code.
    if (!finish(set.dat.loadFreeSlots())) return;
    uint32_t slot = set.dat.lowestFreeSlot();
    const bool reuse = slot != 0;
    if (!reuse) {
        if (header.slotCount == MaxSlots) {
            finish(EngineCode::IoError);
            return;
        }
        slot = header.slotCount + 1;
    }
    if (!finish(enterBracket(set))) return;
    Code code = beginChange(set);
    if (code == 0 && reuse) code = orderFreeChain(set);
    if (code == 0 && !reuse) code = set.dat.reserveSlot(slot);
    if (code == 0) {
        storeLE32(buffer.data(), 0);
        code = set.dat.writeSlot(slot, buffer);
    }
    if (code == 0) {
        if (reuse)
            set.dat.takeLowestFreeSlot();
        else
            header.slotCount = slot;
        ++header.liveCount;
        ref = static_cast<int32_t>(slot);
    }
    finish(leaveBracket(set, code));
}

void DeleteRecord(FileSetHandle number, int32_t ref) {
    begin();
    FileSet* set = nullptr;
    if (!finish(recordCall(number, ref, 0, false, set))) return;
    const auto slot = static_cast<uint32_t>(ref);
    uint32_t marker = 0;
    if (!finish(set->dat.readMarker(slot, marker))) return;
    if (marker != 0) {
        // Freeing a slot twice would loop the free list.
        finish(EngineCode::RecordDeleted);
        return;
    }
    if (!finish(set->dat.loadFreeSlots())) return;
    if (!finish(enterBracket(*set))) return;
    Code code = beginChange(*set);
    if (code == 0) code = orderFreeChain(*set);
    if (code == 0) code = set->dat.freeSlot(slot);
    if (code == 0) --set->dat.header().liveCount;
    finish(leaveBracket(*set, code));
}

int32_t UsedRecordCount(FileSetHandle number) {
    begin();
    const Handle* handle = findHandle(number);
    if (!handle) return finish(EngineCode::BadHandle), 0;
    return static_cast<int32_t>(handle->set->dat.header().liveCount);
}

void NextUsedRecord(FileSetHandle number, int32_t& ref) {
    begin();
    Handle* handle = findHandle(number);
    if (!handle) {
        finish(EngineCode::BadHandle);
        return;
    }
    if (ref < 0) {
        finish(EngineCode::RefOutOfRange);
        return;
    }
    // The page buffers given at start-up size the read-ahead of physical scans.
    const size_t bytes = static_cast<size_t>(registry().pageBuffers) * 4096;
    uint32_t found = 0;
    Code code = handle->set->dat.nextLiveSlot(static_cast<uint32_t>(ref), bytes, found);
    if (code == EngineCode::DataFileDefective) {
        // The damaged slot is passed, so that a walk that goes on does not stop there again.
        ref = static_cast<int32_t>(found);
        code = damagedSlot(*handle->set);
    }
    if (!finish(code)) return;
    if (found != 0) {
        ref = static_cast<int32_t>(found);
        return;
    }
    finish(EngineCode::NoNextRecord);
}

int32_t IndexKeyCount(FileSetHandle number, int keyNr) {
    begin();
    Handle* handle = nullptr;
    if (!finish(readHandle(number, keyNr, handle))) return 0;
    uint64_t entries = 0;
    if (!finish(handle->set->ix.count(keyNr, entries))) return 0;
    return static_cast<int32_t>(std::min<uint64_t>(entries, INT32_MAX));
}

namespace {

// Copies n bytes, from Width to 2 * Width, as two moves of Width bytes that may overlap.
template <size_t Width>
inline void copyEnds(char* to, const char* from, size_t n) {
    char head[Width], tail[Width];
    std::memcpy(head, from, Width);
    std::memcpy(tail, from + n - Width, Width);
    std::memcpy(to, head, Width);
    std::memcpy(to + n - Width, tail, Width);
}

// Copies a key in a few moves of fixed size: walks copy one or two at every step, where a call
// of memcpy, or the string moves the compiler makes of one, cost more than the rest of the step.
inline void copyKey(char* to, const char* from, size_t n) {
    static_assert(MaxKeyLength <= 32);
    if (n >= 16)
        copyEnds<16>(to, from, n);
    else if (n >= 8)
        copyEnds<8>(to, from, n);
    else if (n >= 4)
        copyEnds<4>(to, from, n);
    else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

// The byte order of two keys, then the shorter first, as std::string_view::compare: in words
// of 8 bytes, the last one overlapping, where a call of memcmp would cost more than the rest
// of a walk's step.
inline int compareKeys(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    const auto word = [](const char* p) {
        uint64_t w = 0;
        std::memcpy(&w, p, sizeof w);
        return __builtin_bswap64(w);
    };
    if (n >= 8) {
        for (size_t at = 0;; at = std::min(at + 8, n - 8)) {
            const uint64_t x = word(a.data() + at), y = word(b.data() + at);
            if (x != y) return x < y ? -1 : 1;
            if (at == n - 8) break;
        }
    } else {
        for (size_t i = 0; i < n; ++i)
            if (a[i] != b[i]) return uint8_t(a[i]) < uint8_t(b[i]) ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Hands a key to the caller.
inline void copyKeyOut(std::string_view from, std::string& key) {
    if (key.size() != from.size()) key.resize(from.size());
    copyKey(key.data(), from.data(), from.size());
}

// A step of a walk (direction 1 forward, -1 backward) that stayed on the position's key: only
// the Ref moves, and it must move on. Only a damaged index answers otherwise, and a walk would
// never end.
inline Code moveToRef(Position& position, uint32_t next, int direction, int32_t& ref,
                      std::string& key) {
    if (direction > 0 ? next <= position.ref : next >= position.ref)
        return EngineCode::IndexDefective;
    position.ref = next;
    ref = static_cast<int32_t>(next);
    copyKeyOut(position.key(), key);
    return 0;
}

// Records the entry found as the handle's position and hands it to the caller. A step of a
// walk must move strictly on from the position, as above. Inline: every step of a walk ends
// here.
[[gnu::always_inline]] inline Code moveTo(Position& position, Code code,
                                          const IndexFile::Entry& entry, int direction,
                                          int32_t& ref, std::string& key) {
    if (code != 0) return code;
    if (direction != 0 && position.kind == Position::At) {
        if (entry.sameKey) return moveToRef(position, entry.ref, direction, ref, key);
        int order = compareKeys(entry.key, position.key());
        if (order == 0) order = entry.ref < position.ref ? -1 : entry.ref > position.ref ? 1 : 0;
        if (order * direction <= 0) return EngineCode::IndexDefective;
    }
    position.kind = Position::At;
    position.keyLength = static_cast<uint8_t>(entry.key.size());
    copyKey(position.keyBytes.data(), entry.key.data(), entry.key.size());
    position.ref = entry.ref;
    ref = static_cast<int32_t>(entry.ref);
    // From the index, not from the position just written: reading back a copy made a moment
    // ago in pieces of other sizes waits for the copy to reach the cache.
    copyKeyOut(entry.key, key);
    return 0;
}

// Where a walk starts, or its step back: searches and steps back are out of line, as walks
// seldom make them.
[[gnu::noinline]] Code placeWalk(Position& position, IndexFile& ix, int keyNr, int direction,
                                 IndexFile::Entry& entry) {
    if (direction > 0) return ix.seekAtOrAfter(keyNr, {}, 0, entry, position.ticket);
    return position.kind == Position::At
               ? ix.prev(keyNr, position.key(), position.ref, entry, position.ticket)
               : ix.seekLast(keyNr, entry, position.ticket);
}

// NextKey (direction 1) and PrevKey (-1). Walks call them once per entry: the common steps, to
// the next Ref of a block of them the index read at once or to the next entry, are made within
// this function.
[[gnu::always_inline]] inline void walk(FileSetHandle number, int keyNr, int direction,
                                        int32_t& ref, std::string& key) {
    begin();
    Handle* handle = nullptr;
    if (!finish(readHandle(number, keyNr, handle))) return;
    Position& position = handle->positions[keyNr - 1];
    if (direction > 0 && position.kind == Position::PastEnd) {
        finish(EngineCode::NoNextKey);
        return;
    }
    IndexFile& ix = handle->set->ix;
    uint32_t next = 0;
    if (position.kind == Position::At && ix.stepInBlock(keyNr, position.ticket, direction, next)) {
        finish(moveToRef(position, next, direction, ref, key));
        return;
    }
    IndexFile::Entry entry;
    // The entry returned last may be gone; its successor is found from its value.
    Code code = direction > 0 && position.kind == Position::At
                    ? ix.next(keyNr, position.key(), position.ref, entry, position.ticket)
                    : placeWalk(position, ix, keyNr, direction, entry);
    if (code == EngineCode::KeyNotFound) code = EngineCode::NoNextKey;
    finish(moveTo(position, code, entry, direction, ref, key));
}

}  // namespace

void SearchKey(FileSetHandle number, int keyNr, int32_t& ref, std::string& key) {
    begin();
    Handle* handle = nullptr;
    if (!finish(readHandle(number, keyNr, handle))) return;
    Position& position = handle->positions[keyNr - 1];
    const uint32_t tie = ref > 0 ? static_cast<uint32_t>(ref) : 0;
    IndexFile::Entry entry;
    const Code code = handle->set->ix.seekAtOrAfter(keyNr, key, tie, entry, position.ticket);
    // Past the end, so that PrevKey gives the last entry.
    if (code == EngineCode::KeyNotFound) position.kind = Position::PastEnd;
    finish(moveTo(position, code, entry, 0, ref, key));
}

void NextKey(FileSetHandle number, int keyNr, int32_t& ref, std::string& key) {
    walk(number, keyNr, 1, ref, key);
}

void PrevKey(FileSetHandle number, int keyNr, int32_t& ref, std::string& key) {
    walk(number, keyNr, -1, ref, key);
}

void ClearKeyPosition(FileSetHandle number, int keyNr) {
    begin();
    Handle* handle = nullptr;
    if (!finish(keyHandle(number, keyNr, handle))) return;
    handle->positions[keyNr - 1].kind = Position::None;
}

namespace {

// AddKey and DeleteKey: checks, then one change of the index inside a bracket.
template <typename Change>
void changeKey(FileSetHandle number, int keyNr, int32_t ref, std::string_view key, Code tooLong,
               Change change) {
    begin();
    Handle* handle = nullptr;
    if (!finish(keyHandle(number, keyNr, handle))) return;
    if (ref < 0) {
        finish(EngineCode::RefOutOfRange);
        return;
    }
    FileSet& set = *handle->set;
    if (key.size() > static_cast<size_t>(set.ix.meta().keys[keyNr - 1].length)) {
        finish(tooLong);
        return;
    }
    if (!finish(enterBracket(set))) return;
    Code code = beginChange(set);
    if (code == 0) code = set.ix.beginWrite();
    if (code == 0) code = change(set.ix, static_cast<uint32_t>(ref));
    // A failed index write leaves its transaction to be aborted: the unit with it.
    if (code != 0 && set.ix.writeFailure() != 0) spoilUnit(code);
    finish(leaveBracket(set, code));
}

}  // namespace

void AddKey(FileSetHandle handle, int keyNr, int32_t ref, std::string_view key) {
    changeKey(handle, keyNr, ref, key, EngineCode::KeyTooLong,
              [&](IndexFile& ix, uint32_t r) { return ix.addKey(keyNr, r, key); });
}

void DeleteKey(FileSetHandle handle, int keyNr, int32_t ref, std::string_view key) {
    // A key longer than the index's cannot be in it.
    changeKey(handle, keyNr, ref, key, EngineCode::KeyToDeleteMissing,
              [&](IndexFile& ix, uint32_t r) { return ix.deleteKey(keyNr, r, key); });
}
