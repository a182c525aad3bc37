#include "engine/journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>

#include "engine/engine_codes.h"
#include "engine/file_io.h"
#include "engine/file_names.h"
#include "engine/index_file.h"

namespace engine_detail {

namespace {

constexpr std::array<uint8_t, 8> Magic = {'S', 'T', 'K', 'M', 'J', 'N', 'L', 0x1A};
constexpr uint32_t Version = 2;
constexpr uint32_t FirstVersion = 1;  // units without their index changes
constexpr size_t HeaderSize = 32;
constexpr size_t EntryHeadSize = 32;
constexpr uint32_t ImageEntry = static_cast<uint32_t>(JournalImage::Kind::Image);
constexpr uint32_t CommitEntry = 2;
constexpr uint32_t KeyAddedEntry = static_cast<uint32_t>(JournalImage::Kind::KeyAdded);
constexpr uint32_t KeyDeletedEntry = static_cast<uint32_t>(JournalImage::Kind::KeyDeleted);
// The file is written with zeros ahead of its entries, this much at a time, and keeps its
// length when it is emptied: a unit then overwrites bytes the file already has, and its
// sync need not make a new file length durable too (on ext4 that length costs a commit of
// the file system's own journal, several times the sync of the bytes alone).
constexpr uint64_t JournalGrowBytes = uint64_t(1) << 20;
// What an emptied journal keeps of its length.
constexpr uint64_t JournalKeepBytes = uint64_t(4) << 20;
constexpr std::array<uint8_t, HeaderSize> Blank{};

// A 64-bit hash of bytes continuing from `h`, eight bytes at a time.
uint64_t hashOn(uint64_t h, std::span<const uint8_t> bytes) {
    size_t i = 0;
    const auto mixIn = [&h](uint64_t word) {
        h ^= word * 0xFF51AFD7ED558CCDull;
        h = ((h << 29) | (h >> 35)) * 0xC4CEB9FE1A85EC53ull;
    };
    for (; i + 8 <= bytes.size(); i += 8) mixIn(loadLE64(&bytes[i]));
    uint64_t tail = bytes.size() - i;
    for (size_t shift = 8; i < bytes.size(); ++i, shift += 8) tail |= uint64_t(bytes[i]) << shift;
    mixIn(tail);
    return h;
}

std::array<uint8_t, HeaderSize> encodeJournalHeader(uint64_t salt) {
    std::array<uint8_t, HeaderSize> out{};
    std::memcpy(out.data(), Magic.data(), Magic.size());
    storeLE32(&out[8], Version);
    storeLE64(&out[16], salt);
    storeLE64(&out[24], hashOn(0, std::span(out).first(24)));
    return out;
}

bool validHeader(std::span<const uint8_t> bytes) {
    return bytes.size() >= HeaderSize &&
           std::memcmp(bytes.data(), Magic.data(), Magic.size()) == 0 &&
           (loadLE32(&bytes[8]) == Version || loadLE32(&bytes[8]) == FirstVersion) &&
           loadLE64(&bytes[24]) == hashOn(0, bytes.first(24));
}

// Appends one entry to `out` and moves the chain on.
void putEntry(std::vector<uint8_t>& out, uint64_t& chain, uint32_t kind, std::string_view name,
              uint64_t offset, std::span<const uint8_t> bytes) {
    std::array<uint8_t, EntryHeadSize> head{};
    storeLE32(&head[0], kind);
    storeLE32(&head[4], static_cast<uint32_t>(name.size()));
    storeLE64(&head[8], offset);
    storeLE32(&head[16], static_cast<uint32_t>(bytes.size()));
    const std::span<const uint8_t> nameBytes(reinterpret_cast<const uint8_t*>(name.data()),
                                             name.size());
    chain = hashOn(hashOn(hashOn(chain, std::span(head).first(24)), nameBytes), bytes);
    storeLE64(&head[24], chain);
    out.insert(out.end(), head.begin(), head.end());
    out.insert(out.end(), nameBytes.begin(), nameBytes.end());
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// Slots never used, from `from` up to `to`, in a data file of records `recordLength` long.
std::vector<uint8_t> unusedSlots(uint64_t from, uint64_t to, uint32_t recordLength) {
    std::vector<uint8_t> fill(to - from, 0);
    if (recordLength == 0) return fill;
    for (uint64_t at = DatHeaderSize; at + 4 <= to; at += recordLength)
        if (at >= from) storeLE32(&fill[at - from], UnusedMark);
    return fill;
}

struct ReplayFile {
    FileDescriptor fd;
    uint32_t recordLength = 0;
    // Its header as the process that died left it, before the replay: the last description
    // of the index it wrote, which the images may predate.
    std::optional<DatHeader> before;
};

// The index changes of one unit in one set, with the serial the unit gave the set's index.
struct IndexRedo {
    uint64_t serial = 0;
    std::vector<KeyChange> changes;
};

// Writes the images of the complete units in `bytes` into their files (opened into `files`)
// and gathers their index changes by data file into `redo`.
Code replayUnits(const std::filesystem::path& folder, std::span<const uint8_t> bytes,
                 std::map<std::string, ReplayFile>& files,
                 std::map<std::string, std::vector<IndexRedo>>& redo) {
    if (!validHeader(bytes)) return 0;
    uint64_t chain = loadLE64(&bytes[16]);
    struct Pending {
        uint32_t kind;
        std::string name;
        uint64_t offset;
        std::span<const uint8_t> data;
    };
    std::vector<Pending> unit;
    for (size_t at = HeaderSize; at + EntryHeadSize <= bytes.size();) {
        const uint8_t* head = &bytes[at];
        const uint32_t kind = loadLE32(head);
        const uint32_t nameLength = loadLE32(head + 4);
        const uint64_t offset = loadLE64(head + 8);
        const uint32_t length = loadLE32(head + 16);
        const size_t end = at + EntryHeadSize + nameLength + length;
        if (end > bytes.size() || end < at) break;
        const auto name = bytes.subspan(at + EntryHeadSize, nameLength);
        const auto data = bytes.subspan(at + EntryHeadSize + nameLength, length);
        const uint64_t next = hashOn(hashOn(hashOn(chain, std::span(head, 24)), name), data);
        if (next != loadLE64(head + 24)) break;
        chain = next;
        at = end;
        if (kind == ImageEntry || kind == KeyAddedEntry || kind == KeyDeletedEntry) {
            if (kind != ImageEntry && (length < 4 || offset < 1 || offset > MaxKeys)) break;
            unit.push_back({kind, std::string(name.begin(), name.end()), offset, data});
            continue;
        }
        if (kind != CommitEntry || offset != unit.size()) break;
        std::map<std::string, IndexRedo> unitRedo;
        for (const Pending& image : unit) {
            if (image.kind != ImageEntry) {
                unitRedo[image.name].changes.push_back(
                    {image.kind == KeyAddedEntry, static_cast<int>(image.offset),
                     loadLE32(image.data.data()),
                     std::string(image.data.begin() + 4, image.data.end())});
                continue;
            }
            ReplayFile& file = files[image.name];
            if (!file.fd) {
                const auto path = folder / image.name;
                file.fd.reset(::open(path.c_str(), O_RDWR | O_CLOEXEC));
                if (!file.fd) return ioError(errno);
                std::array<uint8_t, DatHeaderSize> headerBytes{};
                DatHeader header;
                if (readAt(file.fd.get(), 0, headerBytes) &&
                    decodeHeader(headerBytes, fileSizeOf(file.fd.get()), header) == 0)
                    file.before = header;
            }
            if (image.offset == 0 && image.data.size() == DatHeaderSize) {
                file.recordLength = loadLE32(&image.data[HeaderRecordLengthAt]);
                unitRedo[image.name].serial = loadLE64(&image.data[HeaderIndexSerialAt]);
            }
            const uint64_t size = fileSizeOf(file.fd.get());
            if (image.offset > size) {
                const auto fill = unusedSlots(size, image.offset, file.recordLength);
                if (!writeAt(file.fd.get(), size, fill)) return EngineCode::IoError;
            }
            if (!writeAt(file.fd.get(), image.offset, image.data)) return EngineCode::IoError;
        }
        for (auto& [name, changed] : unitRedo)
            if (!changed.changes.empty()) redo[name].push_back(std::move(changed));
        unit.clear();
    }
    return 0;
}

// Brings the index of a replayed set up to date with the key changes of the units it lacks,
// when it can be trusted to be as LMDB last committed it: the units were written in this boot
// of the machine, and the index file is the one a header of the set last described: its
// size, modification time and inode, or, when the process died while LMDB may have been
// committing (the header it left says so), the same file, which a commit may have written and
// given back room of. Any doubt leaves the set as it is, and its open then asks for a rebuild.
void redoIndex(const std::filesystem::path& datPath, const ReplayFile& file,
               const std::vector<IndexRedo>& units) {
    const int datFd = file.fd.get();
    std::array<uint8_t, DatHeaderSize> bytes{};
    DatHeader header;
    if (!readAt(datFd, 0, bytes) || decodeHeader(bytes, fileSizeOf(datFd), header) != 0) return;
    const engine_io::BootId& boot = engine_io::currentBoot();
    if (header.state != SetState::Changing || boot == engine_io::BootId{} ||
        header.bootId != boot)
        return;
    const auto stem = datPath.parent_path() / datPath.stem();
    const auto ixPath = filenames::withExtension(stem.string(), ".IX");
    const bool committing = file.before && file.before->indexCommitting;
    const auto described = [&](const DatHeader& h) {
        return indexMatches(ixPath, h) || (committing && indexSameFile(ixPath, h));
    };
    if (!described(header) && !(file.before && described(*file.before))) return;
    {
        IndexFile ix;
        if (ix.open(ixPath) != 0) return;
        if (ix.meta().recordLength != header.recordLength ||
            ix.meta().generation != header.generation)
            return;
        for (const IndexRedo& unit : units) {
            const uint64_t serial = ix.meta().serial;
            if (unit.serial <= serial) continue;
            if (unit.serial != serial + 1 || unit.serial > header.indexSerial) return;
            if (ix.beginWrite() != 0) return;
            for (const KeyChange& change : unit.changes) {
                if (change.keyNr > ix.keyCount() || ix.redo(change) != 0) {
                    ix.abortWrite();
                    return;
                }
            }
            if (ix.putSerial(unit.serial) != 0) {
                ix.abortWrite();
                return;
            }
            if (ix.commit() != 0) return;
        }
        if (ix.meta().serial != header.indexSerial) return;
    }
    // The index as it is now is the one the set's header vouches for.
    header.indexCommitting = false;
    if (!describeIndex(ixPath, header)) return;
    bytes = encodeHeader(header);
    static_cast<void>(writeAt(datFd, 0, bytes));
}

// Marks a replayed data file as changing (its index may be older than its slots) and syncs
// it. One found damaged stays so.
Code markReplayed(int fd) {
    std::array<uint8_t, DatHeaderSize> bytes{};
    if (!readAt(fd, 0, bytes)) return EngineCode::IoError;
    DatHeader header;
    if (decodeHeader(bytes, fileSizeOf(fd), header) == 0 && header.state != SetState::Damaged) {
        header.state = SetState::Changing;
        bytes = encodeHeader(header);
        if (!writeAt(fd, 0, bytes)) return EngineCode::IoError;
    }
    return engine_io::sync(fd) ? 0 : EngineCode::IoError;
}

// Empties a journal: without a header, none of the entries behind it is ever replayed (a
// new header brings a new salt, which no old entry's chain follows).
Code blankHeader(int fd) {
    return writeAt(fd, 0, Blank) && engine_io::sync(fd) ? 0 : EngineCode::IoError;
}

// Replays the journal open (and locked) at `fd`, then empties it. An empty journal costs a
// read of its header and nothing else.
Code replayJournal(int fd, const std::filesystem::path& folder) {
    const uint64_t size = fileSizeOf(fd);
    if (size < HeaderSize) return 0;
    std::array<uint8_t, HeaderSize> header{};
    if (!readAt(fd, 0, header)) return EngineCode::IoError;
    if (!validHeader(header)) return 0;
    std::vector<uint8_t> bytes(size);
    if (!readAt(fd, 0, bytes)) return EngineCode::IoError;
    std::map<std::string, ReplayFile> files;
    std::map<std::string, std::vector<IndexRedo>> redo;
    if (const Code code = replayUnits(folder, bytes, files, redo)) return code;
    for (auto& [name, file] : files)
        if (const Code code = markReplayed(file.fd.get())) return code;
    static const std::vector<IndexRedo> none;
    for (const auto& [name, file] : files) {
        const auto units = redo.find(name);
        redoIndex(folder / name, file, units == redo.end() ? none : units->second);
    }
    // Only once the data files hold every image may the journal go.
    return blankHeader(fd);
}

}  // namespace

std::filesystem::path folderOf(const std::filesystem::path& file) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(file, ec);
    return (ec ? file : absolute).lexically_normal().parent_path();
}

Code recoverFolder(const std::filesystem::path& folder) {
    const auto path = folder / JournalName;
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd) return errno == ENOENT ? 0 : ioError(errno);
    if (!lockExclusive(fd.get())) return errno == EWOULDBLOCK ? 0 : ioError(errno);
    return replayJournal(fd.get(), folder);
}

Code createJournal(const std::filesystem::path& folder) {
    const auto path = folder / JournalName;
    const FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    return fd ? 0 : ioError(errno);
}

Code Journal::openFile() {
    if (fd_) return 0;
    const auto path = folder_ / JournalName;
    bool created = false;
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd && errno == ENOENT) {
        fd.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        created = static_cast<bool>(fd);
    }
    if (!fd) return ioError(errno);
    if (!lockExclusive(fd.get()))
        return errno == EWOULDBLOCK ? EngineCode::FileInUse : ioError(errno);
    // Entries found here were left by a process that died: they go to their files first.
    if (const Code code = replayJournal(fd.get(), folder_)) return code;
    if (created) {
        const FileDescriptor dir(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!dir || !engine_io::syncFolder(dir.get())) return EngineCode::IoError;
    }
    fd_ = std::move(fd);
    size_ = 0;
    length_ = fileSizeOf(fd_.get());
    return 0;
}

// Blanks the head of the unit at `unblanked_`, which was reported failed.
bool Journal::blankFailedUnit() {
    if (!unblanked_) return true;
    const size_t blank = *unblanked_ == 0 ? HeaderSize : EntryHeadSize;
    if (!writeAt(fd_.get(), *unblanked_, std::span(Blank).first(blank)) ||
        !engine_io::sync(fd_.get()))
        return false;
    unblanked_.reset();
    return true;
}

Code Journal::append(const std::vector<JournalImage>& images) {
    failedUnitKept_ = false;
    if (keep_) return EngineCode::IoError;
    if (const Code code = openFile()) return code;
    if (!blankFailedUnit()) return EngineCode::IoError;
    std::vector<uint8_t> out;
    uint64_t chain = chain_;
    if (size_ == 0) {
        salt_ = randomStamp();
        const auto header = encodeJournalHeader(salt_);
        out.assign(header.begin(), header.end());
        chain = salt_;
    }
    for (const JournalImage& image : images)
        putEntry(out, chain, static_cast<uint32_t>(image.kind), image.file, image.offset,
                 image.bytes);
    putEntry(out, chain, CommitEntry, {}, images.size(), {});
    const int fd = fd_.get();
    const uint64_t end = size_ + out.size();
    if (end > length_) {
        // The zeros go first: when they fail, nothing of the unit is in the file. The unit's
        // one sync makes them durable with it.
        const uint64_t grown = (end / JournalGrowBytes + 1) * JournalGrowBytes;
        const bool zeroed = writeAt(fd, length_, std::vector<uint8_t>(grown - length_, 0));
        const int error = engine_io::lastError();
        length_ = std::max(length_, fileSizeOf(fd));
        if (!zeroed) return ioError(error);
    }
    // A unit whose bytes did not all reach the file lacks its commit entry, the last: no replay
    // can take it, and the next unit is written over it.
    if (!writeAt(fd, size_, out)) return ioError(engine_io::lastError());
    if (!engine_io::sync(fd)) {
        const int error = engine_io::lastError();
        // Blank the head where the unit began, so that no replay takes the unit, reported as
        // failed, for committed. When even that fails, the next append or checkpoint tries
        // again before anything else.
        unblanked_ = size_;
        failedUnitKept_ = !blankFailedUnit();
        return ioError(error);
    }
    size_ = end;
    chain_ = chain;
    return 0;
}

Code Journal::checkpoint() {
    if (fd_ && !blankFailedUnit()) return EngineCode::IoError;
    if (keep_ || size_ == 0) {
        touched_.clear();
        return 0;
    }
    for (const auto& file : touched_) {
        const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        // A file gone since (a rebuild renamed another into place) has nothing to keep.
        if (fd && !engine_io::sync(fd.get())) return EngineCode::IoError;
    }
    touched_.clear();
    // A journal a large unit grew gives back what it does not keep.
    if (length_ > JournalKeepBytes) {
        if (!engine_io::resize(fd_.get(), JournalKeepBytes)) return EngineCode::IoError;
        length_ = JournalKeepBytes;
    }
    if (const Code code = blankHeader(fd_.get())) return code;
    size_ = 0;
    return 0;
}

}  // namespace engine_detail
