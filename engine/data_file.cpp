#include "engine/data_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <vector>

#include "engine/engine_codes.h"
#include "engine/file_io.h"

namespace engine_detail {

namespace {

constexpr std::array<uint8_t, 8> Magic = {'S', 'T', 'K', 'M', 'D', 'A', 'T', 0x1A};
constexpr uint32_t FormatVersion = 1;
constexpr size_t ChecksumOffset = DatHeaderSize - 4;
// A read at most this many slots past the last one counts as a step forward of a walk.
constexpr uint32_t AheadGap = 2;
constexpr size_t AheadBytes = 64 << 10;
constexpr uint32_t FirstAheadSlots = 8;

uint32_t fnv1a(std::span<const uint8_t> bytes) {
    uint32_t h = 2166136261u;
    for (const uint8_t b : bytes) h = (h ^ b) * 16777619u;
    return h;
}

}  // namespace

uint32_t loadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void storeLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t loadLE64(const uint8_t* p) {
    return loadLE32(p) | uint64_t(loadLE32(p + 4)) << 32;
}
void storeLE64(uint8_t* p, uint64_t v) {
    storeLE32(p, static_cast<uint32_t>(v));
    storeLE32(p + 4, static_cast<uint32_t>(v >> 32));
}

std::array<uint8_t, DatHeaderSize> encodeHeader(const DatHeader& h) {
    std::array<uint8_t, DatHeaderSize> out{};
    std::memcpy(out.data(), Magic.data(), Magic.size());
    storeLE32(&out[8], FormatVersion);
    storeLE32(&out[12], DatHeaderSize);
    storeLE32(&out[HeaderRecordLengthAt], h.recordLength);
    storeLE32(&out[20], h.slotCount);
    storeLE32(&out[24], h.liveCount);
    storeLE32(&out[28], h.freeHead);
    storeLE64(&out[32], h.generation);
    storeLE32(&out[40], static_cast<uint32_t>(h.state));
    storeLE64(&out[44], h.indexTime);
    // Bytes 52..59 are reserved (zero).
    storeLE64(&out[60], h.indexSize);
    std::memcpy(&out[68], h.bootId.data(), h.bootId.size());
    storeLE64(&out[HeaderIndexSerialAt], h.indexSerial);
    storeLE64(&out[92], h.indexInode);
    storeLE32(&out[100], h.indexCommitting ? 1 : 0);
    storeLE32(&out[ChecksumOffset], fnv1a(std::span(out).first(ChecksumOffset)));
    return out;
}

Code decodeHeader(std::span<const uint8_t> bytes, uint64_t fileSize, DatHeader& h) {
    if (bytes.size() < DatHeaderSize || fileSize < DatHeaderSize ||
        std::memcmp(bytes.data(), Magic.data(), Magic.size()) != 0 ||
        loadLE32(&bytes[8]) != FormatVersion || loadLE32(&bytes[12]) != DatHeaderSize)
        return EngineCode::DataFileDefective;
    if (loadLE32(&bytes[ChecksumOffset]) != fnv1a(bytes.first(ChecksumOffset)))
        return EngineCode::IndexDefective;
    h.recordLength = loadLE32(&bytes[HeaderRecordLengthAt]);
    h.slotCount = loadLE32(&bytes[20]);
    h.liveCount = loadLE32(&bytes[24]);
    h.freeHead = loadLE32(&bytes[28]);
    h.generation = loadLE64(&bytes[32]);
    const uint32_t state = loadLE32(&bytes[40]);
    h.indexTime = loadLE64(&bytes[44]);
    h.indexSize = loadLE64(&bytes[60]);
    std::memcpy(h.bootId.data(), &bytes[68], h.bootId.size());
    h.indexSerial = loadLE64(&bytes[HeaderIndexSerialAt]);
    h.indexInode = loadLE64(&bytes[92]);
    h.indexCommitting = loadLE32(&bytes[100]) != 0;
    if (h.recordLength < MinRecordLength || h.recordLength > MaxRecordLength ||
        state > static_cast<uint32_t>(SetState::Damaged) || h.slotCount > MaxSlots ||
        h.liveCount > h.slotCount || h.freeHead > h.slotCount ||
        (h.freeHead == 0) != (h.liveCount == h.slotCount) ||
        DatHeaderSize + uint64_t(h.slotCount) * h.recordLength > fileSize)
        return EngineCode::IndexDefective;
    h.state = static_cast<SetState>(state);
    return 0;
}

Code shortFileCode(int fd, uint64_t fileSize) {
    std::array<uint8_t, DatHeaderSize> bytes{};
    const size_t held = static_cast<size_t>(std::min<uint64_t>(fileSize, DatHeaderSize));
    if (held > 0 && !readAt(fd, 0, std::span(bytes).first(held))) return EngineCode::IoError;
    const size_t magic = std::min(held, Magic.size());
    return std::memcmp(bytes.data(), Magic.data(), magic) == 0 ? EngineCode::IndexDefective
                                                               : EngineCode::DataFileDefective;
}

uint64_t randomStamp() {
    // One system call: a std::random_device costs tens of microseconds to set up in a
    // virtual machine, and every journal start takes one.
    uint64_t stamp = 0;
    if (::getrandom(&stamp, sizeof stamp, 0) == static_cast<ssize_t>(sizeof stamp)) return stamp;
    std::random_device rd;
    return (uint64_t(rd()) << 32) ^ rd();
}

namespace {

struct IndexFacts {
    uint64_t time = 0;
    uint64_t size = 0;
    uint64_t inode = 0;
};

bool indexFacts(const std::filesystem::path& ixPath, IndexFacts& facts) {
    struct stat st {};
    if (::stat(ixPath.c_str(), &st) != 0) return false;
    facts.time = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1'000'000'000u +
                 static_cast<uint64_t>(st.st_mtim.tv_nsec);
    facts.size = static_cast<uint64_t>(st.st_size);
    facts.inode = static_cast<uint64_t>(st.st_ino);
    return true;
}

}  // namespace

bool describeIndex(const std::filesystem::path& ixPath, DatHeader& header) {
    IndexFacts facts;
    if (!indexFacts(ixPath, facts)) return false;
    header.indexTime = facts.time;
    header.indexSize = facts.size;
    header.indexInode = facts.inode;
    return true;
}

bool stampIndex(int ixFd, DatHeader& header) {
    timespec now{};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
    // Whole seconds, which file systems whose times are coarser than a nanosecond keep too.
    const timespec times[2] = {{0, UTIME_OMIT}, {now.tv_sec, 0}};
    struct statx sx {};
    if (::futimens(ixFd, times) != 0 ||
        ::statx(ixFd, "", AT_EMPTY_PATH, STATX_SIZE | STATX_INO, &sx) != 0)
        return false;
    header.indexTime = static_cast<uint64_t>(now.tv_sec) * 1'000'000'000u;
    header.indexSize = sx.stx_size;
    header.indexInode = sx.stx_ino;
    return true;
}

bool indexMatches(const std::filesystem::path& ixPath, const DatHeader& header) {
    IndexFacts facts;
    // A set closed clean may have been copied with its folder (a restore keeps sizes and
    // times, never inodes): its stamps still pair the files. One left changing is trusted only
    // in the very file the dead process wrote.
    const bool sameFileNeeded = header.state != SetState::Clean && header.indexInode != 0;
    return indexFacts(ixPath, facts) && facts.time == header.indexTime &&
           facts.size == header.indexSize && (!sameFileNeeded || facts.inode == header.indexInode);
}

bool indexSameFile(const std::filesystem::path& ixPath, const DatHeader& header) {
    IndexFacts facts;
    return header.indexInode != 0 && indexFacts(ixPath, facts) &&
           facts.inode == header.indexInode;
}

Code ioError(int error) {
    engine_io::noteError(error);
    return EngineCode::IoError;
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}
int FileDescriptor::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}
void FileDescriptor::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

bool readAt(int fd, uint64_t offset, std::span<uint8_t> buffer) {
    return engine_io::readAt(fd, offset, buffer);
}

bool writeAt(int fd, uint64_t offset, std::span<const uint8_t> buffer) {
    return engine_io::writeAt(fd, offset, buffer);
}

uint64_t fileSizeOf(int fd) {
    // The size alone: a file asked for its times is written with a fine-grained time next
    // (see stampIndex).
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_SIZE, &sx) != 0) return 0;
    return sx.stx_size;
}

bool lockExclusive(int fd) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EINTR) return false;
    }
}

Code DataFile::open(const std::filesystem::path& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd) return errno == ENOENT ? EngineCode::NoSuchFileSet : ioError(errno);
    if (!lockExclusive(fd.get()))
        return errno == EWOULDBLOCK ? EngineCode::FileInUse : ioError(errno);
    std::array<uint8_t, DatHeaderSize> bytes{};
    const uint64_t size = fileSizeOf(fd.get());
    if (size < DatHeaderSize) return shortFileCode(fd.get(), size);
    if (!readAt(fd.get(), 0, bytes)) return EngineCode::IoError;
    DatHeader header;
    if (const Code code = decodeHeader(bytes, size, header)) return code;
    fd_ = std::move(fd);
    header_ = header;
    headerOnDisk_ = bytes;
    fileSize_ = size;
    damageNoted_ = header.state == SetState::Damaged;
    forgetFreeSlots();
    forgetReadAhead();
    return 0;
}

Code DataFile::create(const std::filesystem::path& path, const DatHeader& header) {
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd) return ioError(errno);
    if (!lockExclusive(fd.get()))
        return errno == EWOULDBLOCK ? EngineCode::FileInUse : ioError(errno);
    if (!engine_io::resize(fd.get(), 0)) return EngineCode::IoError;
    fd_ = std::move(fd);
    header_ = header;
    fileSize_ = DatHeaderSize;
    damageNoted_ = false;
    forgetFreeSlots();
    forgetReadAhead();
    if (const Code code = writeHeader()) {
        fd_.reset();
        return code;
    }
    return 0;
}

Code DataFile::noteDamage() {
    damageNoted_ = true;
    header_.state = SetState::Damaged;
    DatHeader committed = changing_ ? headerBefore_ : header_;
    committed.state = SetState::Damaged;
    return putHeader(encodeHeader(committed));
}

Code DataFile::changeCommittedHeader(const std::function<bool(DatHeader& committed)>& change) {
    DatHeader& committed = changing_ ? headerBefore_ : header_;
    if (!change(committed)) return ioError(errno);
    header_.indexTime = committed.indexTime;
    header_.indexSize = committed.indexSize;
    header_.indexInode = committed.indexInode;
    return putHeader(encodeHeader(committed));
}

Code DataFile::writeHeader() {
    return putHeader(encodeHeader(header_));
}

Code DataFile::putHeader(const std::array<uint8_t, DatHeaderSize>& bytes) {
    if (!writeAt(fd_.get(), 0, bytes)) {
        headerOnDisk_.reset();
        return EngineCode::IoError;
    }
    headerOnDisk_ = bytes;
    return 0;
}

Code DataFile::sync() {
    return engine_io::sync(fd_.get()) ? 0 : EngineCode::IoError;
}

void DataFile::beginChanges() {
    if (changing_) return;
    changing_ = true;
    headerBefore_ = header_;
    inOrderBefore_ = freeInOrder_;
}

Code DataFile::applyChanges() {
    Code code = 0;
    forEachChange([&](uint64_t offset, std::span<const uint8_t> bytes) {
        if (code != 0) return;
        if (offset == 0) {
            std::array<uint8_t, DatHeaderSize> header{};
            std::copy(bytes.begin(), bytes.end(), header.begin());
            code = putHeader(header);
        } else if (!writeAt(fd_.get(), offset, bytes)) {
            code = EngineCode::IoError;
        }
    });
    // The slots read and kept in memory are as on disk again once they hold what was written.
    if (code != 0) forgetReadAhead();
    for (const auto& [ref, bytes] : changed_)
        if (uint8_t* cached = cachedSlot(ref)) std::copy(bytes.begin(), bytes.end(), cached);
    changed_.clear();
    freeUndo_.clear();
    changing_ = false;
    return code;
}

void DataFile::discardChanges() {
    if (!changing_) return;
    for (auto it = freeUndo_.rbegin(); it != freeUndo_.rend(); ++it) {
        if (it->first) {
            freeSlots_.push_back(it->second);
        } else {
            const auto at = std::find(freeSlots_.begin(), freeSlots_.end(), it->second);
            if (at != freeSlots_.end()) freeSlots_.erase(at);
        }
    }
    header_ = headerBefore_;
    freeInOrder_ = inOrderBefore_;
    changed_.clear();
    freeUndo_.clear();
    changing_ = false;
}

Code DataFile::heldSlot(uint32_t ref, std::vector<uint8_t>*& image) {
    beginChanges();
    auto it = changed_.find(ref);
    if (it == changed_.end()) {
        std::vector<uint8_t> bytes(header_.recordLength);
        if (const uint8_t* cached = cachedSlot(ref))
            std::copy(cached, cached + bytes.size(), bytes.begin());
        else if (!readAt(fd_.get(), slotOffset(ref), bytes))
            return EngineCode::IoError;
        it = changed_.emplace(ref, std::move(bytes)).first;
    }
    image = &it->second;
    return 0;
}

Code DataFile::readSlot(uint32_t ref, std::span<uint8_t> buffer) const {
    const auto held = changed_.find(ref);
    if (held != changed_.end()) {
        std::copy(held->second.begin(), held->second.end(), buffer.begin());
        return 0;
    }
    const uint32_t length = header_.recordLength;
    const auto copyCached = [&](const uint8_t* from) {
        std::copy(from, from + length, buffer.begin());
        lastRead_ = ref;
        return 0;
    };
    if (const uint8_t* cached = cachedSlot(ref)) return copyCached(cached);
    const bool forward = lastRead_ != 0 && ref > lastRead_ && ref - lastRead_ <= AheadGap;
    lastRead_ = ref;
    // A walk that runs on past its block gets one twice as large: a walk that soon leaves
    // the area reads little it does not use.
    const uint32_t blockEnd = aheadFirst_ + aheadCount_;
    const bool through = aheadCount_ != 0 && ref >= blockEnd && ref - blockEnd < AheadGap;
    const auto most = static_cast<uint32_t>(std::max<size_t>(1, AheadBytes / length));
    aheadSlots_ = through ? std::min(2 * aheadSlots_, most) : std::min(FirstAheadSlots, most);
    const uint32_t count = std::min(aheadSlots_, header_.slotCount - ref + 1);
    if (forward && count > 1) {
        if (const Code code = readAhead(ref, count)) return code;
        return copyCached(cachedSlot(ref));
    }
    if (!readAt(fd_.get(), slotOffset(ref), buffer.first(length))) return EngineCode::IoError;
    lastSlot_.assign(buffer.begin(), buffer.begin() + length);
    lastSlotRef_ = ref;
    return 0;
}

uint8_t* DataFile::cachedSlot(uint32_t ref) const {
    if (ref - aheadFirst_ < aheadCount_)
        return &ahead_[static_cast<size_t>(ref - aheadFirst_) * header_.recordLength];
    return ref == lastSlotRef_ ? lastSlot_.data() : nullptr;
}

Code DataFile::writeSlot(uint32_t ref, std::span<const uint8_t> buffer) {
    beginChanges();
    const auto bytes = buffer.first(header_.recordLength);
    changed_[ref].assign(bytes.begin(), bytes.end());
    return 0;
}

Code DataFile::reserveSlot(uint32_t ref) {
    const uint64_t end = slotOffset(ref) + header_.recordLength;
    if (end <= fileSize_) return 0;
    const uint64_t slots = std::max<uint64_t>(1, GrowBytes / header_.recordLength);
    std::vector<uint8_t> unused(static_cast<size_t>(slots) * header_.recordLength, 0);
    for (uint64_t i = 0; i < slots; ++i) storeLE32(&unused[i * header_.recordLength], UnusedMark);
    // Straight to the file: slots beyond the header's count are nobody's yet.
    forgetReadAhead();
    if (!writeAt(fd_.get(), slotOffset(ref), unused)) return EngineCode::IoError;
    fileSize_ = slotOffset(ref) + unused.size();
    return 0;
}

Code DataFile::readAhead(uint32_t first, uint32_t count) const {
    forgetReadAhead();
    ahead_.resize(static_cast<size_t>(count) * header_.recordLength);
    if (!readAt(fd_.get(), slotOffset(first), ahead_)) return EngineCode::IoError;
    aheadFirst_ = first;
    aheadCount_ = count;
    return 0;
}

Code DataFile::nextLiveSlot(uint32_t after, size_t blockBytes, uint32_t& found) const {
    const uint32_t length = header_.recordLength;
    const auto perRead = static_cast<uint32_t>(std::max<size_t>(1, blockBytes / length));
    found = 0;
    for (uint32_t slot = after + 1; slot <= header_.slotCount;) {
        if (slot - aheadFirst_ >= aheadCount_)
            if (const Code code = readAhead(slot, std::min(perRead, header_.slotCount - slot + 1)))
                return code;
        for (const uint32_t end = aheadFirst_ + aheadCount_; slot < end; ++slot) {
            const auto held = changed_.empty() ? changed_.end() : changed_.find(slot);
            const uint8_t* bytes = held != changed_.end()
                                       ? held->second.data()
                                       : &ahead_[static_cast<size_t>(slot - aheadFirst_) * length];
            const uint32_t marker = loadLE32(bytes);
            if (marker == 0 || !validMarker(marker, header_.slotCount)) {
                found = slot;
                return marker == 0 ? 0 : EngineCode::DataFileDefective;
            }
        }
    }
    return 0;
}

Code DataFile::readMarker(uint32_t ref, uint32_t& marker) const {
    const auto held = changed_.find(ref);
    if (held != changed_.end()) {
        marker = loadLE32(held->second.data());
        return 0;
    }
    if (const uint8_t* cached = cachedSlot(ref)) {
        marker = loadLE32(cached);
        return 0;
    }
    std::array<uint8_t, 4> bytes{};
    if (!readAt(fd_.get(), slotOffset(ref), bytes)) return EngineCode::IoError;
    marker = loadLE32(bytes.data());
    return 0;
}

Code DataFile::writeMarker(uint32_t ref, uint32_t marker) {
    std::vector<uint8_t>* image = nullptr;
    if (const Code code = heldSlot(ref, image)) return code;
    storeLE32(image->data(), marker);
    return 0;
}

void DataFile::forgetFreeSlots() {
    freeSlots_.clear();
    freeLoaded_ = false;
    freeInOrder_ = false;
}

Code DataFile::loadFreeSlots() {
    if (freeLoaded_) return 0;
    const uint32_t freeCount = header_.slotCount - header_.liveCount;
    std::vector<uint32_t> chain;
    chain.reserve(freeCount);
    // At most freeCount steps: a loop or a stray link ends the walk with a code.
    for (uint32_t ref = header_.freeHead; ref != 0;) {
        if (chain.size() == freeCount || ref > header_.slotCount) return EngineCode::IndexDefective;
        uint32_t marker = 0;
        if (const Code code = readMarker(ref, marker)) return code;
        if ((marker & FreeMark) == 0 || marker == UnusedMark) return EngineCode::IndexDefective;
        chain.push_back(ref);
        ref = marker & ~FreeMark;
    }
    if (chain.size() != freeCount) return EngineCode::IndexDefective;
    freeInOrder_ = std::is_sorted(chain.begin(), chain.end());
    freeSlots_ = std::move(chain);
    std::sort(freeSlots_.begin(), freeSlots_.end(), std::greater<>());
    freeLoaded_ = true;
    return 0;
}

Code DataFile::orderFreeChain() {
    if (freeInOrder_) return 0;
    beginChanges();
    // Only the markers whose link changes are written.
    std::vector<std::pair<uint32_t, uint32_t>> links;  // slot, its next in the chain on disk
    links.reserve(freeSlots_.size());
    for (uint32_t ref = header_.freeHead; ref != 0;) {
        if (links.size() == freeSlots_.size()) return EngineCode::IndexDefective;
        uint32_t marker = 0;
        if (const Code code = readMarker(ref, marker)) return code;
        links.emplace_back(ref, marker & ~FreeMark);
        ref = marker & ~FreeMark;
    }
    std::sort(links.begin(), links.end());
    for (size_t i = 0; i < links.size(); ++i) {
        const uint32_t next = i + 1 < links.size() ? links[i + 1].first : 0;
        if (links[i].second != next)
            if (const Code code = writeMarker(links[i].first, FreeMark | next)) return code;
    }
    header_.freeHead = lowestFreeSlot();
    freeInOrder_ = true;
    return 0;
}

void DataFile::takeLowestFreeSlot() {
    beginChanges();
    freeUndo_.emplace_back(true, freeSlots_.back());
    freeSlots_.pop_back();
    header_.freeHead = lowestFreeSlot();
}

Code DataFile::freeSlot(uint32_t ref) {
    // Descending order: the slots ahead of the place are higher, the one at it is lower.
    const auto place =
        std::lower_bound(freeSlots_.begin(), freeSlots_.end(), ref, std::greater<>());
    const uint32_t next = place == freeSlots_.begin() ? 0 : *(place - 1);
    if (const Code code = writeMarker(ref, FreeMark | next)) return code;
    if (place != freeSlots_.end()) {
        if (const Code code = writeMarker(*place, FreeMark | ref)) return code;
    } else {
        header_.freeHead = ref;
    }
    freeSlots_.insert(place, ref);
    freeUndo_.emplace_back(false, ref);
    return 0;
}

}  // namespace engine_detail
