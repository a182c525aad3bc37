#pragma once
// The redo journal of a data folder: one file, ENGINE.JNL, beside the file sets. A unit of
// work writes the after-image of every slot and header it changed into the journal, with a
// commit entry last, and syncs the journal once; only then are the images written into the
// data files, without syncs of their own. Until a checkpoint has synced those files the
// journal keeps the images, so a crash or a power loss loses nothing that was committed: the
// next open replays every complete unit in order and drops an incomplete one.
//
// Format (little-endian). Header, 32 bytes: "STKMJNL" 0x1A, version 2 (1: without index
// changes), 4 bytes zero, the salt (random, new each time the journal starts over) and a hash
// of the 24 bytes before it. Then entries, each a 32-byte head and its data:
//   kind (1 image, 2 commit, 3 key added, 4 key deleted), name length, offset in the file
//   (image), the key number (key) or the number of entries of the unit before it (commit),
//   data length, 4 bytes zero, chain
// followed by the data file's name (within the folder) and the image's bytes, or for a key
// the Ref (4 bytes) and the key's text. The chain is
// a hash of the previous entry's chain (the salt for the first) and this entry's head, name
// and bytes: an entry left half written, or one from before the journal started over, ends
// the replay.
//
// The file keeps its length: it grows a megabyte of zeros at a time, and an emptied journal
// is one whose header is blanked (zeros), with the bytes of old units left behind it. A unit
// therefore rarely changes the file's length, and its sync has only bytes to make durable.
//
// The process writing into a journal holds a lock on it; a journal found unlocked with
// entries was left by a process that died. Replaying marks each data file it wrote into as
// changing (its index is never synced before a checkpoint). When the machine has kept running
// since the units were written (the same boot), the index is as LMDB last committed it, and
// the replay brings it up to date: it makes again, in order, the key changes of the units
// whose serial the index does not carry yet. Otherwise the index waits for a rebuild.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/data_file.h"

namespace engine_detail {

inline constexpr std::string_view JournalName = "ENGINE.JNL";

struct JournalImage {
    // An image of a data file's bytes, or a change of the set's index (offset: the key
    // number; bytes: the Ref, 4 bytes, then the key).
    enum class Kind : uint32_t { Image = 1, KeyAdded = 3, KeyDeleted = 4 };
    std::string file;  // the data file's name within the folder
    uint64_t offset = 0;
    std::span<const uint8_t> bytes;
    Kind kind = Kind::Image;
};

class Journal {
public:
    explicit Journal(std::filesystem::path folder) : folder_(std::move(folder)) {}
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Writes one unit and syncs: 0 once it is durable. On failure nothing of the unit
    // counts (what was written is cut off again).
    Code append(const std::vector<JournalImage>& images);
    // A file with unsynced changes that the next checkpoint must make durable.
    void touched(const std::filesystem::path& file) { touched_.insert(file.native()); }
    uint64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Syncs every touched file, then empties the journal.
    Code checkpoint();
    // Keeps the journal for the next process to replay (the data files could not be written).
    void keepForReplay() { keep_ = true; }
    // After an append that failed: whether its unit is still in the file (its head could not
    // be blanked), so that the next process to open the folder may replay it.
    bool failedUnitKept() const { return failedUnitKept_; }

private:
    Code openFile();
    bool blankFailedUnit();

    std::filesystem::path folder_;
    FileDescriptor fd_;
    uint64_t size_ = 0;    // the header and the entries written since it
    uint64_t length_ = 0;  // the file's length: zeros past size_
    uint64_t salt_ = 0;
    uint64_t chain_ = 0;
    bool keep_ = false;
    // Where a unit reported failed begins, while its head could not be blanked.
    std::optional<uint64_t> unblanked_;
    bool failedUnitKept_ = false;
    std::set<std::string> touched_;  // paths: their text compares faster than a path
};

// The folder a data file lies in, as journals are kept apart by.
std::filesystem::path folderOf(const std::filesystem::path& file);

// Makes the folder's (empty) journal file when it has none yet.
Code createJournal(const std::filesystem::path& folder);

// Replays the journal of `folder` when a process that died left one, then empties it. A
// journal another live process holds is left alone.
Code recoverFolder(const std::filesystem::path& folder);

}  // namespace engine_detail
