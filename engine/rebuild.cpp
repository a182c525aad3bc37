// The two steps of a rebuild. Each works on files that no process has open, writes its
// result into a temporary file and renames it into place only when it has finished, so an
// abort or a failure leaves the original files as they were.
//
// NAME.MSG lists the keys ReindexFile could not add, one line each:
//   key number TAB key text TAB record number
// where bytes below 32, 127 and the backslash in the key text are written as \xHH.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "engine/data_file.h"
#include "engine/engine.h"
#include "engine/file_io.h"
#include "engine/file_names.h"
#include "engine/file_set.h"
#include "engine/index_file.h"

RebuildProgress RebuildProgressProc;

namespace engine_detail {

namespace {

constexpr int32_t ProgressEvery = 50;
constexpr size_t ReadChunk = size_t(1) << 20;
constexpr int64_t AppendsPerCommit = 32768;

// Calls the progress routine; false when it asked to stop.
bool reportProgress(int state, int keyNr, int64_t read, int64_t written) {
    if (!RebuildProgressProc) return true;
    EngineOK = true;
    RebuildProgressProc(state, keyNr, static_cast<int32_t>(std::min<int64_t>(read, INT32_MAX)),
                        static_cast<int32_t>(std::min<int64_t>(written, INT32_MAX)));
    const bool goOn = EngineOK;
    EngineOK = true;
    return goOn;
}

std::filesystem::path tempPathFor(const std::filesystem::path& target) {
    return target.string() + ".TMP";
}

void removeQuietly(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

// Reads the slots of a data file in chunks and hands each one to `visit`, up to the end of
// the file or the first slot never used (the file grows ahead of its slots).
class SlotReader {
public:
    SlotReader(int fd, uint64_t fileSize, uint32_t recordLength)
        : fd_(fd), recordLength_(recordLength) {
        slots_ = fileSize < DatHeaderSize ? 0 : (fileSize - DatHeaderSize) / recordLength;
        perChunk_ = std::max<uint64_t>(1, ReadChunk / recordLength);
        buffer_.resize(static_cast<size_t>(perChunk_) * recordLength);
    }
    uint64_t slots() const { return slots_; }
    void limit(uint64_t slots) { slots_ = std::min(slots_, slots); }

    // visit(ref, record) returns a code; a nonzero one stops the walk. The first slot never
    // used ends it, unless `throughUnused` hands such slots to `visit` too.
    template <typename Visit>
    Code forEach(Visit visit, bool throughUnused = false) {
        for (uint64_t first = 1; first <= slots_; first += perChunk_) {
            const uint64_t count = std::min(perChunk_, slots_ - first + 1);
            const std::span<uint8_t> chunk(buffer_.data(),
                                           static_cast<size_t>(count) * recordLength_);
            if (!readAt(fd_, DatHeaderSize + (first - 1) * recordLength_, chunk))
                return EngineCode::IoError;
            for (uint64_t i = 0; i < count; ++i) {
                const auto record =
                    chunk.subspan(static_cast<size_t>(i) * recordLength_, recordLength_);
                if (!throughUnused && loadLE32(record.data()) == UnusedMark) return 0;
                if (const Code code = visit(static_cast<uint32_t>(first + i), record)) return code;
            }
        }
        return 0;
    }

private:
    int fd_;
    uint32_t recordLength_;
    uint64_t slots_ = 0;
    uint64_t perChunk_ = 1;
    std::vector<uint8_t> buffer_;
};

bool isLive(std::span<const uint8_t> record) {
    return loadLE32(record.data()) == 0;
}

// Opens and locks a data file for a rebuild step; the set must not be open anywhere.
Code openForRebuild(const std::filesystem::path& datPath, FileDescriptor& fd) {
    if (isOpenHere(datPath)) return EngineCode::FileInUse;
    fd.reset(::open(datPath.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd) return errno == ENOENT ? EngineCode::NoSuchFileSet : EngineCode::IoError;
    if (!lockExclusive(fd.get()))
        return errno == EWOULDBLOCK ? EngineCode::FileInUse : EngineCode::IoError;
    return 0;
}

// Keeps the old data file as NAME.SAV: a hard link where the file system allows, else a copy.
Code keepAsSaved(const std::filesystem::path& datPath, std::string_view name) {
    const auto savPath = filenames::withExtension(name, ".SAV");
    removeQuietly(savPath);
    const auto savTarget = std::filesystem::path(std::string(name) + ".SAV");
    if (::link(datPath.c_str(), savTarget.c_str()) == 0) return 0;
    std::error_code ec;
    std::filesystem::copy_file(datPath, savTarget,
                               std::filesystem::copy_options::overwrite_existing, ec);
    return ec ? ioError(ec.value()) : 0;
}

// The freed slots among `freeLooking` (slots whose status says deleted) that the header's
// free chain does not reach: a live record whose status bit flipped looks deleted, and only
// the chain tells it apart. A chain that breaks leaves the slots behind the break unreached.
std::vector<uint32_t> offChain(int fd, const DatHeader& header,
                               const std::vector<uint32_t>& freeLooking) {
    std::vector<bool> reached(static_cast<size_t>(header.slotCount) + 1, false);
    for (uint32_t ref = header.freeHead; ref != 0 && ref <= header.slotCount && !reached[ref];) {
        std::array<uint8_t, 4> marker{};
        if (!readAt(fd, DatHeaderSize + uint64_t(ref - 1) * header.recordLength, marker)) break;
        const uint32_t value = loadLE32(marker.data());
        if (!validMarker(value, header.slotCount) || value == 0) break;
        reached[ref] = true;
        ref = value & ~FreeMark;
    }
    std::vector<uint32_t> off;
    for (const uint32_t ref : freeLooking)
        if (!reached[ref]) off.push_back(ref);
    return off;
}

Code restructure(std::string_view name, int32_t oldRecordLength, int32_t newRecordLength,
                 const RecordConvert& convert, RestructureReport& report) {
    report = RestructureReport{};
    if (const Code code = checkName(name)) return code;
    const auto valid = [](int32_t length) {
        return length >= static_cast<int32_t>(MinRecordLength) &&
               length <= static_cast<int32_t>(MaxRecordLength);
    };
    if (!valid(oldRecordLength) || !valid(newRecordLength)) return EngineCode::BadArgument;
    const auto datPath = filenames::withExtension(name, ".DAT");
    FileDescriptor oldFd;
    if (const Code code = openForRebuild(datPath, oldFd)) return code;
    if (const Code code = settleFolder(datPath)) return code;

    // A damaged header is no obstacle: every whole slot of the file is looked at.
    const uint64_t fileSize = fileSizeOf(oldFd.get());
    const auto oldLength = static_cast<uint32_t>(oldRecordLength);
    Code headerCode = 0;
    DatHeader oldHeader;
    if (fileSize < DatHeaderSize) {
        // Cut short inside its header: no whole slot to keep, but the set can be made again.
        headerCode = shortFileCode(oldFd.get(), fileSize);
        if (headerCode != EngineCode::IndexDefective) return headerCode;
        report.cutShort = true;
        report.bytesSetAside = fileSize;
    } else {
        std::array<uint8_t, DatHeaderSize> headerBytes{};
        if (!readAt(oldFd.get(), 0, headerBytes)) return EngineCode::IoError;
        headerCode = decodeHeader(headerBytes, fileSize, oldHeader);
    }
    if (headerCode == 0 && oldHeader.recordLength != oldLength) return EngineCode::BadArgument;
    if (headerCode == EngineCode::DataFileDefective) return headerCode;

    SlotReader reader(oldFd.get(), fileSize, oldLength);
    reader.limit(MaxSlots);
    if (fileSize >= DatHeaderSize) {
        const uint64_t wholeSlots = reader.slots();
        if (headerCode == 0) {
            // Sound: exactly the slots it counts (the file grows ahead of them).
            reader.limit(oldHeader.slotCount);
            report.expected = oldHeader.liveCount;
        } else if (oldHeader.recordLength == oldLength && oldHeader.slotCount > wholeSlots &&
                   oldHeader.liveCount <= oldHeader.slotCount) {
            // A header that reads well but counts more slots than the file holds: cut short.
            report.cutShort = true;
            report.expected = oldHeader.liveCount;
            report.bytesSetAside = (fileSize - DatHeaderSize) % oldLength;
        } else {
            report.headerDamaged = true;
            report.bytesSetAside = (fileSize - DatHeaderSize) % oldLength;
        }
    }

    const auto tempPath = tempPathFor(datPath);
    FileDescriptor out(::open(tempPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!out) return ioError(errno);
    DatHeader header;
    header.recordLength = static_cast<uint32_t>(newRecordLength);
    header.state = SetState::Changing;  // no index matches the new Refs yet
    header.generation = randomStamp();

    const auto newLength = static_cast<size_t>(newRecordLength);
    const size_t copyLength = std::min<size_t>(newLength, static_cast<size_t>(oldRecordLength));
    std::vector<uint8_t> pending;
    pending.reserve(ReadChunk + newLength);
    uint64_t offset = DatHeaderSize;
    int64_t read = 0;
    int64_t written = 0;
    std::vector<uint32_t> freeLooking;
    const auto flush = [&]() -> Code {
        if (!writeAt(out.get(), offset, pending)) return EngineCode::IoError;
        offset += pending.size();
        pending.clear();
        return 0;
    };
    // Slots whose status bytes hold no valid value are neither copied nor passed over in
    // silence: they are counted as damaged and stay in NAME.SAV. With a sound header a slot
    // inside its count that says "never used" is damaged too; without one such slots are the
    // file's room to grow.
    const uint32_t statusLimit = headerCode == 0 ? oldHeader.slotCount : MaxSlots;
    Code code = reportProgress(0, 0, 0, 0) ? 0 : EngineCode::RebuildAborted;
    if (code == 0) {
        code = reader.forEach(
            [&](uint32_t ref, std::span<const uint8_t> record) -> Code {
                ++read;
                const uint32_t marker = loadLE32(record.data());
                if (marker == 0) {
                    const size_t at = pending.size();
                    pending.resize(at + newLength, 0);
                    const std::span<uint8_t> newRecord(pending.data() + at, newLength);
                    std::memcpy(newRecord.data(), record.data(), copyLength);
                    if (convert) convert(record, newRecord);
                    storeLE32(newRecord.data(), 0);
                    ++written;
                    if (pending.size() >= ReadChunk)
                        if (const Code c = flush()) return c;
                } else if (marker == UnusedMark && headerCode != 0) {
                    // room the file grew ahead
                } else if (!validMarker(marker, statusLimit)) {
                    report.damagedSlots.push_back(ref);
                } else {
                    freeLooking.push_back(ref);
                }
                if (read % ProgressEvery == 0 && !reportProgress(1, 0, read, written))
                    return EngineCode::RebuildAborted;
                return 0;
            },
            true);
    }
    if (code == 0) code = flush();
    if (code == 0) {
        header.slotCount = static_cast<uint32_t>(written);
        header.liveCount = header.slotCount;
        const auto bytes = encodeHeader(header);
        if (!writeAt(out.get(), 0, bytes) || !engine_io::sync(out.get()))
            code = EngineCode::IoError;
    }
    out.reset();
    if (code == 0) code = keepAsSaved(datPath, name);
    if (code == 0 && ::rename(tempPath.c_str(), datPath.c_str()) != 0) code = ioError(errno);
    if (code != 0) {
        removeQuietly(tempPath);
        return code;
    }
    filenames::syncFolder(datPath.parent_path());
    if (headerCode == 0) {
        for (const uint32_t ref : offChain(oldFd.get(), oldHeader, freeLooking))
            report.damagedSlots.push_back(ref);
        std::sort(report.damagedSlots.begin(), report.damagedSlots.end());
    }
    report.kept = written;
    report.bytesSetAside += report.damagedSlots.size() * uint64_t{oldLength};
    report.savedAs = filenames::withExtension(name, ".SAV").filename().string();
    reportProgress(2, 0, read, written);
    return 0;
}

std::string messageLine(int keyNr, std::string_view key, uint32_t ref) {
    std::string line = std::to_string(keyNr) + '\t';
    for (const char c : key) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127 || c == '\\') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            line += escaped;
        } else {
            line += c;
        }
    }
    line += '\t' + std::to_string(ref) + '\n';
    return line;
}

Code writeMessages(std::string_view name, const std::string& messages) {
    const auto msgPath = filenames::withExtension(name, ".MSG");
    if (messages.empty()) {
        removeQuietly(msgPath);  // a stale list would describe an older index
        return 0;
    }
    const auto tempPath = tempPathFor(msgPath);
    FileDescriptor fd(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd) return EngineCode::IoError;
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(messages.data()),
                                         messages.size());
    const bool ok = writeAt(fd.get(), 0, bytes) && engine_io::sync(fd.get());
    fd.reset();
    if (!ok || ::rename(tempPath.c_str(), msgPath.c_str()) != 0) {
        removeQuietly(tempPath);
        return EngineCode::IoError;
    }
    return 0;
}

// The keys of one index, gathered before they are sorted and appended.
struct KeyEntries {
    struct Entry {
        uint64_t head;  // the first 8 key bytes, big-endian: most comparisons end here
        uint32_t offset;
        uint32_t ref;
        uint8_t length;
    };
    std::string text;
    std::vector<Entry> entries;

    std::string_view key(const Entry& e) const { return {text.data() + e.offset, e.length}; }
    void add(std::string_view key, uint32_t ref) {
        uint64_t head = 0;
        for (size_t i = 0; i < 8; ++i)
            head = head << 8 | (i < key.size() ? static_cast<uint8_t>(key[i]) : 0u);
        entries.push_back(
            {head, static_cast<uint32_t>(text.size()), ref, static_cast<uint8_t>(key.size())});
        text.append(key);
    }
    void sort() {
        std::sort(entries.begin(), entries.end(), [this](const Entry& a, const Entry& b) {
            if (a.head != b.head) return a.head < b.head;
            const int c = key(a).compare(key(b));
            return c != 0 ? c < 0 : a.ref < b.ref;
        });
    }
    void clear() {
        text.clear();
        entries.clear();
    }
};

Code reindex(std::string_view name, int keyCount, const KeyDescTable& keys,
             const KeyBuilder& builder) {
    if (const Code code = checkName(name)) return code;
    if (const Code code = checkKeyTable(keyCount, keys)) return code;
    if (keyCount > 0 && !builder) return EngineCode::BadArgument;
    const auto datPath = filenames::withExtension(name, ".DAT");
    DataFile dat;
    if (isOpenHere(datPath)) return EngineCode::FileInUse;
    if (const Code code = settleFolder(datPath)) return code;
    if (const Code code = dat.open(datPath)) {
        // The slots cannot be trusted without a sound header: that takes a restructure.
        return code == EngineCode::IndexDefective ? EngineCode::DataFileDefective : code;
    }
    DatHeader& header = dat.header();
    const uint64_t generation = header.generation + 1;

    const auto ixPath = filenames::withExtension(name, ".IX");
    const auto tempPath = tempPathFor(ixPath);
    removeQuietly(tempPath);
    IndexMeta meta{header.recordLength, generation, {}};
    // Made from the data as it is, the index holds every unit the data file counts.
    meta.serial = header.indexSerial;
    meta.keys.assign(keys.begin(), keys.begin() + keyCount);
    IndexFile ix;
    Code code = ix.create(tempPath, meta);
    if (code == 0 && !reportProgress(0, 0, 0, 0)) code = EngineCode::RebuildAborted;

    SlotReader reader(dat.fd(), fileSizeOf(dat.fd()), header.recordLength);
    reader.limit(header.slotCount);
    KeyEntries gathered;
    std::string messages;
    int64_t read = 0;
    int64_t written = 0;
    for (int keyNr = 1; code == 0 && keyNr <= keyCount; ++keyNr) {
        const auto maxLength = static_cast<size_t>(keys[keyNr - 1].length);
        const bool partial = keys[keyNr - 1].partial;
        gathered.clear();
        // One index at a time, in one exact allocation: no doubling of a large vector.
        gathered.entries.reserve(header.liveCount);
        read = 0;
        written = 0;
        code = reader.forEach([&](uint32_t ref, std::span<const uint8_t> record) -> Code {
            ++read;
            if (isLive(record)) {
                const std::string key = builder(record, keyNr);
                if (key.empty() && partial) {
                    // Not listed in this index.
                } else if (key.size() > maxLength)
                    messages += messageLine(keyNr, key, ref);
                else
                    gathered.add(key, ref);
            }
            if (read % ProgressEvery == 0 &&
                !reportProgress(1, keyNr, read, gathered.entries.size()))
                return EngineCode::RebuildAborted;
            return 0;
        });
        if (code != 0) break;
        gathered.sort();
        code = ix.beginWrite();
        const bool unique = !keys[keyNr - 1].duplicates;
        for (size_t i = 0; code == 0 && i < gathered.entries.size(); ++i) {
            const auto& entry = gathered.entries[i];
            const std::string_view key = gathered.key(entry);
            if (unique && i > 0 && key == gathered.key(gathered.entries[i - 1])) {
                // The lowest Ref keeps a unique key; the others are listed.
                messages += messageLine(keyNr, key, entry.ref);
                continue;
            }
            code = ix.appendKey(keyNr, entry.ref, key);
            // A transaction holds every page it writes in memory until it commits: the index
            // is written in pieces, so that a rebuild's memory does not grow with it.
            if (code == 0 && ++written % AppendsPerCommit == 0) {
                code = ix.commit();
                if (code == 0) code = ix.beginWrite();
            }
        }
        if (code == 0)
            code = ix.commit();
        else
            ix.abortWrite();
        if (code == 0 && !reportProgress(1, keyNr, read, written))
            code = EngineCode::RebuildAborted;
    }
    if (code == 0) code = ix.syncToDisk();
    ix.close();
    if (code == 0 && ::rename(tempPath.c_str(), ixPath.c_str()) != 0) code = ioError(errno);
    if (code == 0 && !describeIndex(ixPath, header)) code = ioError(errno);
    if (code != 0) {
        removeQuietly(tempPath);
        return code;
    }
    filenames::syncFolder(ixPath.parent_path());
    header.generation = generation;
    header.state = SetState::Clean;
    code = dat.writeHeader();
    if (code == 0) code = dat.sync();
    if (code == 0) code = writeMessages(name, messages);
    if (code == 0) reportProgress(2, keyCount, read, written);
    return code;
}

}  // namespace

}  // namespace engine_detail

bool RestructureReport::damaged() const {
    return headerDamaged || cutShort || !damagedSlots.empty() || (expected >= 0 && expected != kept);
}

void RestructureFile(std::string_view name, int32_t oldRecordLength, int32_t newRecordLength,
                     const RecordConvert& convert, RestructureReport* report) {
    engine_detail::begin();
    RestructureReport found;
    const bool done = engine_detail::finish(
        engine_detail::restructure(name, oldRecordLength, newRecordLength, convert, found));
    // A copy that did not finish changed nothing and found nothing to tell.
    if (report) *report = done ? std::move(found) : RestructureReport{};
}

void ReindexFile(std::string_view name, int keyCount, const KeyDescTable& keys,
                 const KeyBuilder& builder) {
    engine_detail::begin();
    engine_detail::finish(engine_detail::reindex(name, keyCount, keys, builder));
}
