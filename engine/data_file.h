#pragma once
// NAME.DAT: a fixed header followed by fixed-length slots. Slot N (from 1) starts at
// DatHeaderSize + (N-1) * recordLength. Bytes 0..3 of a live slot are 0; a freed slot holds
// FreeMark | next freed Ref there, so the freed slots form a chain from the header's freeHead.
// The chain runs in ascending Ref order and the lowest freed slot is reused first, so that
// records added one after another get ascending Refs (equal keys are ordered by Ref). Files
// written before kept the chain last-freed-first; such a chain is put in order at its first
// use. The file grows ahead of the slots in use, in steps of GrowBytes, so that a synced add
// does not change the file's size every time; slots never used hold UnusedMark.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace engine_detail {

using Code = int32_t;  // 0 or an engine error code

inline constexpr uint32_t DatHeaderSize = 128;
inline constexpr uint32_t MinRecordLength = 4;
inline constexpr uint32_t MaxRecordLength = 65535;
inline constexpr uint32_t MaxSlots = 0x7FFFFFFF;
inline constexpr uint32_t FreeMark = 0x80000000u;
inline constexpr uint32_t UnusedMark = 0xFFFFFFFFu;
inline constexpr uint64_t GrowBytes = 256 << 10;

// Clean: closed properly; NAME.IX is the file the header describes (same stamp, count of
// index changes, size and modification time). Open: written by older versions while a set
// was open unchanged, read as Clean. Changing: slots or index have changed and no clean close
// has vouched for NAME.IX since; its unsynced writes are trusted only within the boot that
// made them (bootId), when NAME.IX carries the header's stamp and count. Damaged: a read met
// a slot whose status bytes hold no valid value; only a rebuild, which tells about it, helps.
enum class SetState : uint32_t { Clean = 0, Open = 1, Changing = 2, Damaged = 3 };

struct DatHeader {
    uint32_t recordLength = 0;
    uint32_t slotCount = 0;
    uint32_t liveCount = 0;
    uint32_t freeHead = 0;
    uint64_t generation = 0;  // the stamp NAME.IX carries too; new at each rebuild
    SetState state = SetState::Clean;
    // NAME.IX's modification time (ns) and size as last described: at every commit of the
    // index, when its file grows, and at the clean close.
    uint64_t indexTime = 0;
    uint64_t indexSize = 0;
    // The boot of the machine in which the set was last changed (zeros: none known), and the
    // number of units that changed its index since the stamp was set: NAME.IX holds the
    // same count once it has every one of them.
    std::array<uint8_t, 16> bootId{};
    uint64_t indexSerial = 0;
    uint64_t indexInode = 0;  // NAME.IX's inode when it was described (0: not known)
    // Written before LMDB writes the index (with the image of a unit that writes it, or before
    // the changes kept from units are written), cleared by the header written once the index
    // is described as written: found set, the process died while LMDB may have been writing
    // the index.
    bool indexCommitting = false;
};

// Bytes 0..3 of a slot: 0 live, FreeMark | the next freed Ref (0 ends the chain) deleted.
// Anything else is damage.
inline bool validMarker(uint32_t marker, uint32_t slotCount) {
    return marker == 0 || ((marker & FreeMark) != 0 && (marker & ~FreeMark) <= slotCount);
}

std::array<uint8_t, DatHeaderSize> encodeHeader(const DatHeader& header);
// Where encodeHeader puts the fields a replay reads straight from a header image.
inline constexpr size_t HeaderRecordLengthAt = 16;
inline constexpr size_t HeaderIndexSerialAt = 84;
// DataFileDefective when the bytes are not our header at all; IndexDefective when they are
// but a field is damaged or disagrees with the file size (a rebuild recovers the slots).
Code decodeHeader(std::span<const uint8_t> bytes, uint64_t fileSize, DatHeader& out);

// The code of a data file shorter than its header: IndexDefective when the bytes it holds
// are the start of our header (a copy or a first write cut short, which a rebuild turns into
// an empty set with the bytes kept in NAME.SAV), DataFileDefective when they are not ours.
Code shortFileCode(int fd, uint64_t fileSize);

uint32_t loadLE32(const uint8_t* p);
void storeLE32(uint8_t* p, uint32_t v);
uint64_t loadLE64(const uint8_t* p);
void storeLE64(uint8_t* p, uint64_t v);

uint64_t randomStamp();
// Records NAME.IX's size, modification time and inode in the header (false when it cannot
// be looked at). A file changed or replaced after that no longer matches: see indexMatches.
bool describeIndex(const std::filesystem::path& ixPath, DatHeader& header);
// Describes NAME.IX (open at `ixFd`) as describeIndex does, without asking the file for its
// times: it is given a modification time of our own, which the header records. A file asked
// for its times gets a fine-grained time at its next write, and that moves the clock every
// file's times come from; the journal's next write would then change its time too, and its
// sync would write its inode as well as its bytes, a second wait for the disk at every unit.
// False when the time cannot be set (a file of another owner).
bool stampIndex(int ixFd, DatHeader& header);
// NAME.IX as described: its size and time, and for a set not closed clean its inode too.
bool indexMatches(const std::filesystem::path& ixPath, const DatHeader& header);
// The same file as described, though written since (known inodes only).
bool indexSameFile(const std::filesystem::path& ixPath, const DatHeader& header);

// IoError, keeping the errno for EngineSystemError.
Code ioError(int error);

// An owned file descriptor.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// pread/pwrite of the whole span through the engine's file layer.
bool readAt(int fd, uint64_t offset, std::span<uint8_t> buffer);
bool writeAt(int fd, uint64_t offset, std::span<const uint8_t> buffer);
uint64_t fileSizeOf(int fd);
// Exclusive, non-blocking lock of the whole file: one process per file set.
bool lockExclusive(int fd);

class DataFile {
public:
    // Opens and locks an existing file and reads its header: FileInUse, IoError,
    // DataFileDefective or IndexDefective on failure (nothing is written).
    Code open(const std::filesystem::path& path);
    // Creates (or empties) the file with the header given and locks it.
    Code create(const std::filesystem::path& path, const DatHeader& header);
    void close() {
        discardChanges();
        forgetReadAhead();
        fd_.reset();
    }
    bool isOpen() const { return static_cast<bool>(fd_); }
    // A slot was found with status bytes that hold no valid value: the header on disk (as
    // committed, without changes held for a unit) says Damaged from now on, and so does
    // every header written later, so that the next open asks for the rebuild that tells.
    Code noteDamage();
    bool damageNoted() const { return damageNoted_; }
    int fd() const { return fd_.get(); }

    DatHeader& header() { return header_; }
    const DatHeader& header() const { return header_; }
    // Writes the header as it is in memory straight to the file (outside units of work).
    Code writeHeader();
    // Changes the header on disk, as committed (without the changes held for a unit), and
    // writes it: `change` says whether it could be made. What it describes of NAME.IX goes
    // into the header of the changes held too. For NAME.IX changed on disk outside a unit's
    // images (its file grew for room, changes kept were written), so that a process that dies
    // now still finds the index vouched for.
    Code changeCommittedHeader(const std::function<bool(DatHeader& committed)>& change);
    Code sync();

    uint64_t slotOffset(uint32_t ref) const {
        return DatHeaderSize + static_cast<uint64_t>(ref - 1) * header_.recordLength;
    }
    // Slot writes (records and markers) and the header's changes are held in memory until
    // applyChanges writes them out, or discardChanges forgets them and puts the header and
    // the free slots back as they were; reads see them meanwhile.
    bool hasChanges() const { return changing_; }
    // Whether a slot or the header differs from before the changes.
    bool hasRealChanges() const {
        return changing_ && (!changed_.empty() || encodeHeader(header_) != encodeHeader(headerBefore_));
    }
    // Called before the first change of the header or a slot: what discardChanges goes back to.
    void beginChanges();
    // Calls image(offset, bytes) for the header, unless the file holds it as it is, and for
    // every changed slot.
    template <typename Image>
    void forEachChange(Image image) const {
        const auto header = encodeHeader(header_);
        if (!headerOnDisk_ || header != *headerOnDisk_)
            image(uint64_t{0}, std::span<const uint8_t>(header));
        for (const auto& [ref, bytes] : changed_) image(slotOffset(ref), std::span(bytes));
    }
    Code applyChanges();
    void discardChanges();

    // A read a little past the one before it reads a block of slots ahead (see ahead_).
    Code readSlot(uint32_t ref, std::span<uint8_t> buffer) const;
    Code writeSlot(uint32_t ref, std::span<const uint8_t> buffer);
    // Makes room for slot `ref` at the end, growing the file ahead when it must.
    Code reserveSlot(uint32_t ref);
    // The first live slot after `after` (0: none), reading blocks of about `blockBytes`
    // through the read-ahead, so that reading the slot found costs no further read. A slot
    // whose status bytes are not valid stops the walk: DataFileDefective, `found` that slot.
    Code nextLiveSlot(uint32_t after, size_t blockBytes, uint32_t& found) const;
    Code readMarker(uint32_t ref, uint32_t& marker) const;
    Code writeMarker(uint32_t ref, uint32_t marker);

    // Reads the free chain once (IndexDefective when it is damaged: a marker that is not a
    // freed one, a Ref outside the file, a loop, or a length other than the header's count).
    // Writes nothing; the calls below keep the copy in step with the disk.
    Code loadFreeSlots();
    bool freeChainInOrder() const { return freeInOrder_; }
    // Rewrites the markers of a chain found out of order so that it runs ascending (call it
    // inside a bracket). On failure the chain on disk may be half rewritten.
    Code orderFreeChain();
    // The lowest freed slot, 0 when there is none.
    uint32_t lowestFreeSlot() const { return freeSlots_.empty() ? 0 : freeSlots_.back(); }
    // Unlinks the lowest freed slot once the caller has written a live record into it.
    void takeLowestFreeSlot();
    // Links the live slot `ref` into the ordered chain: its own marker and at most one other.
    // On failure the chain on disk may be broken.
    Code freeSlot(uint32_t ref);

private:
    void forgetFreeSlots();
    // Every write to the file's slots calls it: the block read ahead is then stale.
    void forgetReadAhead() const {
        aheadCount_ = 0;
        lastSlotRef_ = 0;
    }
    // Reads `count` slots from `first` into the read-ahead block.
    Code readAhead(uint32_t first, uint32_t count) const;
    // The held image of slot `ref`, copied from memory (see cachedSlot) or read from the file
    // first when it has none yet.
    Code heldSlot(uint32_t ref, std::vector<uint8_t>*& image);

    // Writes the header's bytes, noting them as the file's (or that they are unknown).
    Code putHeader(const std::array<uint8_t, DatHeaderSize>& bytes);

    FileDescriptor fd_;
    DatHeader header_;
    // The header's bytes as the file holds them; none when a write of them failed.
    std::optional<std::array<uint8_t, DatHeaderSize>> headerOnDisk_;
    bool damageNoted_ = false;
    uint64_t fileSize_ = 0;
    bool changing_ = false;
    std::map<uint32_t, std::vector<uint8_t>> changed_;  // Ref -> whole slot
    // As they were before the changes: the header, whether the chain ran in order, and the
    // free list's steps to undo (true: a slot taken, false: a slot freed).
    DatHeader headerBefore_;
    bool inOrderBefore_ = false;
    std::vector<std::pair<bool, uint32_t>> freeUndo_;
    // The freed slots, highest first, so that the lowest is taken from the back.
    std::vector<uint32_t> freeSlots_;
    bool freeLoaded_ = false;
    bool freeInOrder_ = false;
    // Walks that step forward through the slots (record order, or an index whose records
    // were added in its order, as dated records are) would cost a read per record: a read a
    // few slots past the last one reads a block from there instead. It holds the slots as
    // on disk; changes held in changed_ are looked up before it.
    mutable std::vector<uint8_t> ahead_;
    mutable uint32_t aheadFirst_ = 0;
    mutable uint32_t aheadCount_ = 0;
    mutable uint32_t lastRead_ = 0;
    mutable uint32_t aheadSlots_ = 0;  // the size of the next block
    // The slot read last on its own, as on disk: a record looked up is often read again, or
    // its status bytes, before it is changed (a posting's plan reads what it then rewrites).
    mutable std::vector<uint8_t> lastSlot_;
    mutable uint32_t lastSlotRef_ = 0;
    // Where slot `ref` is held as on disk in memory (the read-ahead or the slot read last),
    // else nullptr.
    uint8_t* cachedSlot(uint32_t ref) const;
};

}  // namespace engine_detail
