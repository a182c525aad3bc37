#include "engine/index_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "engine/file_io.h"

namespace engine_detail {

namespace {

constexpr size_t InitialMapSize = size_t(1) << 30;
constexpr uint32_t MetaMagic = 0x58494D53;
constexpr uint32_t MetaVersion = 1;
constexpr size_t MetaFixedSize = 16;
const char* const MetaKeys = "keys";
const char* const MetaGeneration = "gen";
const char* const MetaSerial = "serial";

std::array<uint8_t, 4> bigEndian(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
MDB_val valueOf(const void* data, size_t size) {
    return MDB_val{size, const_cast<void*>(data)};
}
MDB_val valueOf(const char* text) {
    return valueOf(text, std::strlen(text));
}
bool sameBytes(const MDB_val& v, const std::string& s) {
    return v.mv_size == s.size() && std::memcmp(v.mv_data, s.data(), s.size()) == 0;
}
unsigned databaseFlags(const KeyDesc& desc) {
    return desc.duplicates ? (MDB_DUPSORT | MDB_DUPFIXED) : 0u;
}
std::string databaseName(int keyNr) {
    return "k" + std::to_string(keyNr);
}
// Puts an 8-byte value of the meta data: LMDB's code.
int putMetaValue(MDB_txn* txn, MDB_dbi metaDbi, const char* name, uint64_t v) {
    std::array<uint8_t, 8> bytes{};
    storeLE64(bytes.data(), v);
    MDB_val key = valueOf(name);
    MDB_val value = valueOf(bytes.data(), bytes.size());
    return mdb_put(txn, metaDbi, &key, &value, 0);
}

}  // namespace

class IndexFile::Cursor {
public:
    Cursor() = default;
    ~Cursor() {
        if (owned && cursor) mdb_cursor_close(cursor);
    }
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
    MDB_cursor* cursor = nullptr;
    bool owned = false;
};

Code IndexFile::settle(int keyNr, int rc) {
    if (rc == 0) {
        ++wtxnChanges_;
        ++keyChanges_[keyNr - 1];
        return 0;
    }
    if (rc == MDB_KEYEXIST) return EngineCode::DuplicateKey;
    // LMDB leaves a transaction whose change failed unusable: nothing of it may be committed.
    const Code code = fail(rc);
    if (writeFailure_ == 0) writeFailure_ = code;
    return code;
}

int IndexFile::changeFault() {
    if (writeFailure_ != 0) return MDB_BAD_TXN;
    return engine_io::layer().indexChange();
}

Code IndexFile::fail(int rc) {
    // Positive codes are the system's errno values; LMDB's own codes mean a damaged file, but
    // for a map or a transaction that has no more room.
    if (rc == EACCES || rc == EIO || rc == ENOSPC || rc == EROFS || rc == ENOMEM ||
        rc == EDQUOT || rc == EFBIG)
        return ioError(rc);
    if (rc == MDB_MAP_FULL || rc == MDB_TXN_FULL) return ioError(EFBIG);
    return EngineCode::IndexDefective;
}

Code IndexFile::open(const std::filesystem::path& path) {
    close();
    // A set is opened for changes: an index that could not take them is said so now.
    if (::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS))
        return ioError(errno);
    return openEnvironment(path, MDB_RDONLY);
}

Code IndexFile::reopenWritable() {
    const std::filesystem::path path = path_;
    close();
    const Code code = openEnvironment(path, 0);
    // Reading goes on as before when writing is refused (a read-only file).
    if (code != 0) openEnvironment(path, MDB_RDONLY);
    return code;
}

Code IndexFile::openEnvironment(const std::filesystem::path& path, unsigned mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return EngineCode::IndexDefective;
    const auto fileSize = static_cast<uint64_t>(st.st_size);
    // An empty or tiny file would be initialised by LMDB as a new environment.
    if (fileSize < 2 * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE)))
        return EngineCode::IndexDefective;
    int rc = mdb_env_create(&env_);
    if (rc == 0) rc = mdb_env_set_maxdbs(env_, MaxKeys + 1);
    // Reading maps the file as it is: a smaller mapping is cheaper to make and to drop.
    const size_t mapSize =
        mode == MDB_RDONLY ? fileSize : std::max<size_t>(InitialMapSize, fileSize * 2);
    if (rc == 0) rc = mdb_env_set_mapsize(env_, mapSize);
    if (rc == 0)
        rc = mdb_env_open(env_, path.c_str(), MDB_NOSUBDIR | MDB_NOLOCK | MDB_NOSYNC | mode, 0644);
    if (rc != 0) {
        close();
        return rc == EACCES || rc == EROFS ? ioError(rc) : EngineCode::IndexDefective;
    }
    writable_ = mode == 0;
    MDB_envinfo info{};
    MDB_stat envStat{};
    mdb_env_info(env_, &info);
    mdb_env_stat(env_, &envStat);
    pageSize_ = envStat.ms_psize;
    // A truncated file: pages the index refers to lie beyond its end.
    if ((static_cast<uint64_t>(info.me_last_pgno) + 1) * envStat.ms_psize > fileSize) {
        close();
        return EngineCode::IndexDefective;
    }
    MDB_txn* txn = nullptr;
    rc = mdb_txn_begin(env_, nullptr, MDB_RDONLY, &txn);
    if (rc != 0) {
        close();
        return fail(rc);
    }
    Code code = readMeta(txn);
    if (code == 0) code = openDatabases(txn, false);
    if (code == 0) {
        rc = mdb_txn_commit(txn);
        if (rc != 0) code = fail(rc);
    } else {
        mdb_txn_abort(txn);
    }
    if (code != 0)
        close();
    else
        path_ = path;
    return code;
}

Code IndexFile::create(const std::filesystem::path& path, const IndexMeta& meta) {
    close();
    writable_ = true;
    int rc = mdb_env_create(&env_);
    if (rc == 0) rc = mdb_env_set_maxdbs(env_, MaxKeys + 1);
    if (rc == 0) rc = mdb_env_set_mapsize(env_, InitialMapSize);
    if (rc == 0)
        rc = mdb_env_open(env_, path.c_str(), MDB_NOSUBDIR | MDB_NOLOCK | MDB_NOSYNC, 0644);
    MDB_stat envStat{};
    if (rc == 0) rc = mdb_env_stat(env_, &envStat);
    pageSize_ = envStat.ms_psize;
    if (rc == 0) rc = mdb_txn_begin(env_, nullptr, 0, &wtxn_);
    if (rc == 0) rc = mdb_dbi_open(wtxn_, "meta", MDB_CREATE, &metaDbi_);
    if (rc != 0) {
        close();
        return ioError(rc > 0 ? rc : EIO);
    }
    meta_ = meta;
    Code code = writeMeta(wtxn_, meta);
    if (code == 0) code = openDatabases(wtxn_, true);
    if (code == 0) {
        rc = mdb_txn_commit(wtxn_);
        wtxn_ = nullptr;
        if (rc != 0) code = ioError(rc > 0 ? rc : EIO);
    }
    if (code != 0)
        close();
    else
        path_ = path;
    return code;
}

void IndexFile::close() {
    if (!env_) return;
    abandonWrites();
    for (MDB_cursor*& c : readCursors_)
        if (c) mdb_cursor_close(c);
    readCursors_.clear();
    cursorEpochs_.clear();
    cursorTickets_.clear();
    runs_.clear();
    if (rtxn_) mdb_txn_abort(rtxn_);
    rtxn_ = nullptr;
    rtxnLive_ = false;
    mdb_env_close(env_);
    env_ = nullptr;
    dbis_.clear();
    meta_ = IndexMeta{};
}

int IndexFile::fd() const {
    mdb_filehandle_t fd = -1;
    return env_ && mdb_env_get_fd(env_, &fd) == 0 ? fd : -1;
}

Code IndexFile::syncToDisk() {
    // The environment does not map its file writable, so its pages are synced like any file's.
    const int fd = this->fd();
    if (fd < 0) return EngineCode::IoError;
    return engine_io::sync(fd) ? 0 : EngineCode::IoError;
}

Code IndexFile::putSerial(uint64_t serial) {
    const int rc = putMetaValue(wtxn_, metaDbi_, MetaSerial, serial);
    if (rc != 0) return fail(rc);
    pendingSerial_ = serial;
    return 0;
}

Code IndexFile::redo(const KeyChange& change) {
    return change.add ? addKey(change.keyNr, change.ref, change.key)
                      : deleteKey(change.keyNr, change.ref, change.key);
}

Code IndexFile::readMeta(MDB_txn* txn) {
    int rc = mdb_dbi_open(txn, "meta", 0, &metaDbi_);
    if (rc != 0) return fail(rc);
    MDB_val key = valueOf(MetaKeys);
    MDB_val value{};
    rc = mdb_get(txn, metaDbi_, &key, &value);
    if (rc != 0) return fail(rc);
    const auto* bytes = static_cast<const uint8_t*>(value.mv_data);
    if (value.mv_size < MetaFixedSize || loadLE32(bytes) != MetaMagic ||
        loadLE32(bytes + 4) != MetaVersion)
        return EngineCode::IndexDefective;
    IndexMeta meta;
    meta.recordLength = loadLE32(bytes + 8);
    const uint32_t keyCount = loadLE32(bytes + 12);
    if (keyCount > MaxKeys || value.mv_size != MetaFixedSize + 2 * size_t(keyCount))
        return EngineCode::IndexDefective;
    for (uint32_t i = 0; i < keyCount; ++i) {
        const uint8_t length = bytes[MetaFixedSize + 2 * i];
        const uint8_t dup = bytes[MetaFixedSize + 2 * i + 1];
        if (length < 1 || length > MaxKeyLength || dup > 1) return EngineCode::IndexDefective;
        meta.keys.push_back(KeyDesc{length, dup == 1});
    }
    key = valueOf(MetaGeneration);
    rc = mdb_get(txn, metaDbi_, &key, &value);
    if (rc != 0) return fail(rc);
    if (value.mv_size != 8) return EngineCode::IndexDefective;
    meta.generation = loadLE64(static_cast<const uint8_t*>(value.mv_data));
    key = valueOf(MetaSerial);
    rc = mdb_get(txn, metaDbi_, &key, &value);
    if (rc == 0 && value.mv_size != 8) return EngineCode::IndexDefective;
    if (rc == 0)
        meta.serial = loadLE64(static_cast<const uint8_t*>(value.mv_data));
    else if (rc != MDB_NOTFOUND)
        return fail(rc);
    meta_ = std::move(meta);
    return 0;
}

Code IndexFile::writeMeta(MDB_txn* txn, const IndexMeta& meta) {
    std::vector<uint8_t> bytes(MetaFixedSize + 2 * meta.keys.size());
    storeLE32(&bytes[0], MetaMagic);
    storeLE32(&bytes[4], MetaVersion);
    storeLE32(&bytes[8], meta.recordLength);
    storeLE32(&bytes[12], static_cast<uint32_t>(meta.keys.size()));
    for (size_t i = 0; i < meta.keys.size(); ++i) {
        bytes[MetaFixedSize + 2 * i] = static_cast<uint8_t>(meta.keys[i].length);
        bytes[MetaFixedSize + 2 * i + 1] = meta.keys[i].duplicates ? 1 : 0;
    }
    MDB_val key = valueOf(MetaKeys);
    MDB_val value = valueOf(bytes.data(), bytes.size());
    int rc = mdb_put(txn, metaDbi_, &key, &value, 0);
    if (rc == 0) rc = putMetaValue(txn, metaDbi_, MetaGeneration, meta.generation);
    if (rc == 0) rc = putMetaValue(txn, metaDbi_, MetaSerial, meta.serial);
    return rc == 0 ? 0 : fail(rc);
}

Code IndexFile::openDatabases(MDB_txn* txn, bool create) {
    dbis_.assign(meta_.keys.size(), 0);
    for (size_t i = 0; i < meta_.keys.size(); ++i) {
        const unsigned flags = databaseFlags(meta_.keys[i]);
        const int rc = mdb_dbi_open(txn, databaseName(static_cast<int>(i + 1)).c_str(),
                                    flags | (create ? MDB_CREATE : 0u), &dbis_[i]);
        if (rc != 0) return create ? EngineCode::IoError : fail(rc);
        unsigned stored = 0;
        if (mdb_dbi_flags(txn, dbis_[i], &stored) != 0 ||
            (stored & (MDB_DUPSORT | MDB_DUPFIXED | MDB_REVERSEKEY | MDB_INTEGERKEY |
                       MDB_REVERSEDUP | MDB_INTEGERDUP)) != flags)
            return EngineCode::IndexDefective;
    }
    readCursors_.assign(meta_.keys.size(), nullptr);
    cursorEpochs_.assign(meta_.keys.size(), 0);
    cursorTickets_.assign(meta_.keys.size(), 0);
    runs_.assign(meta_.keys.size(), Run{});
    keyChanges_.assign(meta_.keys.size(), 0);
    keyDeletes_.assign(meta_.keys.size(), 0);
    keptChanges_.assign(meta_.keys.size(), 0);
    keptDeletes_.assign(meta_.keys.size(), 0);
    return 0;
}

Code IndexFile::growMapIfNeeded() {
    MDB_envinfo info{};
    MDB_stat envStat{};
    mdb_env_info(env_, &info);
    mdb_env_stat(env_, &envStat);
    const uint64_t used = (static_cast<uint64_t>(info.me_last_pgno) + 1) * envStat.ms_psize;
    // Growing is only allowed between transactions, so keep the map at least twice what a
    // bracket has to write into.
    if (used * 2 <= info.me_mapsize) return 0;
    const int rc = mdb_env_set_mapsize(env_, info.me_mapsize * 2);
    return rc == 0 ? 0 : fail(rc);
}

namespace {

// Pages of the meta data that the unit's serial is written to (its leaf, and a spare).
constexpr uint64_t SerialPages = 2;

// What may be kept in memory before a commit (see keep): the pages a commit of it may write
// (2 MiB of LMDB's 4 KiB pages), and the units. The file keeps that much room for them.
constexpr uint64_t KeptPages = 512;
constexpr uint32_t KeptUnits = 256;

// A key's Refs leave its leaf for a tree of their own past some 500 of them (a node's room).
constexpr uint64_t RefsInLeaf = 500;

// The depth a tree of `entries` Refs of one key may reach, with pages a quarter full at worst
// (LMDB merges emptier ones): some 250 Refs to a leaf, 70 pages to a branch.
uint64_t refTreeDepth(uint64_t entries) {
    uint64_t depth = 1;
    for (uint64_t held = 250; held < entries; held *= 70) ++depth;
    return depth;
}

}  // namespace

// Every page a commit writes is one the transaction copied or made: a page of a tree as it is
// now, or one a merge after a deletion freed again. So a changed index adds at most the pages
// of its tree (the Refs of a key that has many form a tree of their own below it, some 100
// Refs to a page at worst) and those its deletions may merge away; or, when fewer, what its
// changes may touch: the pages on their way down, and a split of each and of the root. The
// commit then copies the way to each changed index in the tree that names them, and writes
// the free list (what was replaced, some 500 pages to a page) in a tree of its own. The meta
// data's page with the unit's serial comes on top.
uint64_t IndexFile::commitPages() const {
    MDB_txn* const txn = wtxn_ ? wtxn_ : kept_;
    uint64_t pages = 0;
    for (size_t i = 0; i < keyChanges_.size(); ++i) {
        const uint64_t changes = keyChanges_[i] + keptChanges_[i];
        if (changes == 0) continue;
        MDB_stat st{};
        if (mdb_stat(txn, dbis_[i], &st) != 0) return UINT32_MAX;
        const bool refTrees = meta_.keys[i].duplicates && st.ms_entries > RefsInLeaf;
        const uint64_t depth = st.ms_depth + (refTrees ? refTreeDepth(st.ms_entries) : 0);
        const uint64_t touched = changes * (2 * depth + 2);
        const uint64_t tree = st.ms_branch_pages + st.ms_leaf_pages + st.ms_overflow_pages +
                              (refTrees ? st.ms_entries / 100 + 1 : 0) +
                              (keyDeletes_[i] + keptDeletes_[i]) * depth + 1;
        pages += std::min(touched, tree);
    }
    MDB_stat names{};
    if (mdb_env_stat(env_, &names) != 0) names.ms_depth = 8;
    constexpr uint64_t FreeListDepth = 4;
    pages += 2 * (uint64_t{names.ms_depth} + FreeListDepth) + 4 + pages / 256;
    return pages + SerialPages;
}

Code IndexFile::reserve(uint64_t pages, bool& grown) {
    grown = false;
    const int fd = this->fd();
    if (fd < 0) return EngineCode::IoError;
    MDB_envinfo info{};
    mdb_env_info(env_, &info);
    const uint64_t need = (static_cast<uint64_t>(info.me_last_pgno) + 1 + pages) * pageSize_;
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_SIZE, &sx) != 0) return ioError(errno);
    const uint64_t size = sx.stx_size;
    if (size >= need) return 0;
    // The pages are written beyond the committed ones only: what the file holds stays. The file
    // grows by steps, as a data file does, so that most commits find their room there already;
    // while changes are kept, by the room of all that may be kept.
    const uint64_t ahead = kept_ ? KeptPages * pageSize_ : 0;
    const uint64_t end = (need + ahead + GrowBytes - 1) / GrowBytes * GrowBytes;
    const bool reserved = engine_io::reserve(fd, size, end - size);
    const int error = engine_io::lastError();
    // A disk that ran full half way may have let the file grow all the same (a size that cannot
    // be told counts as grown).
    grown = fileSizeOf(fd) != size;
    return reserved ? 0 : ioError(error);
}

Code IndexFile::reserveForCommit(bool& grown) {
    grown = false;
    if (!wtxn_ || wtxnChanges_ == 0) return 0;
    return reserve(commitPages(), grown);
}

Code IndexFile::beginWrite() {
    if (wtxn_) return 0;
    if (!writable_)
        if (const Code code = reopenWritable()) return code;
    if (rtxnLive_) {
        mdb_txn_reset(rtxn_);
        rtxnLive_ = false;
    }
    // The map grows between transactions only; what is kept stays far within the room it has
    // then (twice what the file uses, or more).
    if (!kept_)
        if (const Code code = growMapIfNeeded()) return code;
    const int rc = mdb_txn_begin(env_, kept_, 0, &wtxn_);
    if (rc != 0) {
        wtxn_ = nullptr;
        return fail(rc);
    }
    appendCursors_.assign(meta_.keys.size(), nullptr);
    return 0;
}

Code IndexFile::commit() {
    if (wtxn_ && kept_)
        if (const Code code = keep()) return code;
    if (kept_) {
        wtxn_ = kept_;
        pendingSerial_ = keptSerial_;
        forgetKept();
    }
    if (!wtxn_) return 0;
    if (writeFailure_ != 0) {
        const Code code = writeFailure_;
        abortWrite();
        return code;
    }
    const int rc = mdb_txn_commit(wtxn_);
    const uint64_t serial = pendingSerial_;
    forgetWrite();
    if (rc != 0) return fail(rc);
    if (serial != 0) meta_.serial = serial;
    releaseRoom();
    return 0;
}

Code IndexFile::keep() {
    if (!wtxn_) return 0;
    if (writeFailure_ != 0) {
        const Code code = writeFailure_;
        abortWrite();
        return code;
    }
    // A transaction whose changes were all refused holds nothing: kept, it would only have the
    // next read or close write the index for nothing.
    if (wtxnChanges_ == 0 && pendingSerial_ == 0) {
        abortWrite();
        return 0;
    }
    MDB_txn* const parent = kept_;
    // A nested transaction's commit only hands its pages to the one it is nested in.
    const int rc = parent ? mdb_txn_commit(wtxn_) : 0;
    if (!parent) kept_ = wtxn_;
    for (size_t i = 0; i < keyChanges_.size(); ++i) {
        keptChanges_[i] += keyChanges_[i];
        keptDeletes_[i] += keyDeletes_[i];
    }
    if (pendingSerial_ != 0) keptSerial_ = pendingSerial_;
    ++keptUnits_;
    forgetWrite();
    if (rc != 0) {
        // What was kept may have been left half merged: none of it can be written.
        abandonWrites();
        return fail(rc);
    }
    return 0;
}

bool IndexFile::keptEnough() const {
    return commitPages() > KeptPages || keptUnits_ >= KeptUnits;
}

void IndexFile::abandonWrites() {
    abortWrite();
    if (kept_) mdb_txn_abort(kept_);
    forgetKept();
}

void IndexFile::forgetKept() {
    kept_ = nullptr;
    std::fill(keptChanges_.begin(), keptChanges_.end(), 0);
    std::fill(keptDeletes_.begin(), keptDeletes_.end(), 0);
    keptSerial_ = 0;
    keptUnits_ = 0;
}

void IndexFile::releaseRoom() {
    const int fd = this->fd();
    MDB_envinfo info{};
    if (fd < 0 || mdb_env_info(env_, &info) != 0) return;
    const uint64_t used = (static_cast<uint64_t>(info.me_last_pgno) + 1) * pageSize_;
    const uint64_t keep = (used + GrowBytes - 1) / GrowBytes * GrowBytes;
    // Whether it goes or stays, the room was never part of the index; the room for changes
    // kept stays, or every few units would grow the file again.
    if (fileSizeOf(fd) > keep + KeptPages * pageSize_ + 4 * GrowBytes) engine_io::resize(fd, keep);
}

void IndexFile::abortWrite() {
    if (wtxn_) mdb_txn_abort(wtxn_);
    forgetWrite();
}

void IndexFile::forgetWrite() {
    wtxn_ = nullptr;
    wtxnChanges_ = 0;
    changes_.clear();
    pendingSerial_ = 0;
    std::fill(keyChanges_.begin(), keyChanges_.end(), 0);
    std::fill(keyDeletes_.begin(), keyDeletes_.end(), 0);
    writeFailure_ = 0;
    appendCursors_.clear();  // LMDB frees a write transaction's cursors with it
}

Code IndexFile::readTxn(MDB_txn*& txn) {
    // Changes kept are committed before the index is read (the engine sees to it).
    if (kept_ && !wtxn_) return EngineCode::IndexDefective;
    if (wtxn_) {
        txn = wtxn_;
        return 0;
    }
    if (!rtxnLive_) {
        const int rc =
            rtxn_ ? mdb_txn_renew(rtxn_) : mdb_txn_begin(env_, nullptr, MDB_RDONLY, &rtxn_);
        if (rc != 0) return fail(rc);
        rtxnLive_ = true;
        ++rtxnEpoch_;
        std::fill(cursorTickets_.begin(), cursorTickets_.end(), 0);
    }
    txn = rtxn_;
    return 0;
}

Code IndexFile::cursorFor(int keyNr, Cursor& cursor) {
    MDB_txn* txn = nullptr;
    if (const Code code = readTxn(txn)) return code;
    const size_t i = static_cast<size_t>(keyNr - 1);
    if (txn == wtxn_) {
        const int rc = mdb_cursor_open(txn, dbis_[i], &cursor.cursor);
        if (rc != 0) return fail(rc);
        cursor.owned = true;
        return 0;
    }
    MDB_cursor*& cached = readCursors_[i];
    int rc = 0;
    if (!cached) {
        rc = mdb_cursor_open(txn, dbis_[i], &cached);
    } else if (cursorEpochs_[i] != rtxnEpoch_) {
        rc = mdb_cursor_renew(txn, cached);
    }
    if (rc != 0) return fail(rc);
    cursorEpochs_[i] = rtxnEpoch_;
    cursor.cursor = cached;
    return 0;
}

void IndexFile::setSearchKey(std::string_view key) {
    searchKey_.assign(1, KeyPrefix);
    searchKey_.append(key);
}

Code IndexFile::addKey(int keyNr, uint32_t ref, std::string_view key) {
    setSearchKey(key);
    const auto refBytes = bigEndian(ref);
    MDB_val k = valueOf(searchKey_.data(), searchKey_.size());
    MDB_val d = valueOf(refBytes.data(), refBytes.size());
    const bool dup = meta_.keys[keyNr - 1].duplicates;
    if (const int rc = changeFault()) return settle(keyNr, rc);
    const int rc = mdb_put(wtxn_, dbis_[keyNr - 1], &k, &d, dup ? MDB_NODUPDATA : MDB_NOOVERWRITE);
    const Code code = settle(keyNr, rc);
    if (code == 0) changes_.push_back({true, keyNr, ref, std::string(key)});
    return code;
}

Code IndexFile::deleteKey(int keyNr, uint32_t ref, std::string_view key) {
    setSearchKey(key);
    const auto refBytes = bigEndian(ref);
    MDB_val k = valueOf(searchKey_.data(), searchKey_.size());
    MDB_val d = valueOf(refBytes.data(), refBytes.size());
    const MDB_dbi dbi = dbis_[keyNr - 1];
    int rc = changeFault();
    if (rc != 0) return settle(keyNr, rc);
    if (meta_.keys[keyNr - 1].duplicates) {
        rc = mdb_del(wtxn_, dbi, &k, &d);
    } else {
        MDB_val stored{};
        rc = mdb_get(wtxn_, dbi, &k, &stored);
        if (rc == 0 && stored.mv_size != 4) return EngineCode::IndexDefective;
        if (rc == 0 && loadRef(stored.mv_data) != ref) return EngineCode::KeyToDeleteMissing;
        if (rc == 0) rc = mdb_del(wtxn_, dbi, &k, nullptr);
    }
    if (rc == MDB_NOTFOUND) return EngineCode::KeyToDeleteMissing;
    if (rc == 0) ++keyDeletes_[keyNr - 1];
    const Code code = settle(keyNr, rc);
    if (code == 0) changes_.push_back({false, keyNr, ref, std::string(key)});
    return code;
}

Code IndexFile::appendKey(int keyNr, uint32_t ref, std::string_view key) {
    MDB_cursor*& cursor = appendCursors_[keyNr - 1];
    if (!cursor) {
        const int rc = mdb_cursor_open(wtxn_, dbis_[keyNr - 1], &cursor);
        if (rc != 0) {
            cursor = nullptr;
            return fail(rc);
        }
    }
    setSearchKey(key);
    const auto refBytes = bigEndian(ref);
    MDB_val k = valueOf(searchKey_.data(), searchKey_.size());
    MDB_val d = valueOf(refBytes.data(), refBytes.size());
    const bool dup = meta_.keys[keyNr - 1].duplicates;
    const int rc = mdb_cursor_put(cursor, &k, &d, dup ? MDB_APPENDDUP : MDB_APPEND);
    return settle(keyNr, rc);
}

Code IndexFile::count(int keyNr, uint64_t& entries) {
    MDB_txn* txn = nullptr;
    if (const Code code = readTxn(txn)) return code;
    MDB_stat st{};
    const int rc = mdb_stat(txn, dbis_[keyNr - 1], &st);
    if (rc != 0) return fail(rc);
    entries = st.ms_entries;
    return 0;
}

namespace {

// Puts the cursor on the first entry >= (key, ref); `key` is the prefixed key text and is
// extended by one byte when the entries of that key are all below ref.
int positionAtOrAfter(MDB_cursor* cursor, bool dup, std::string& key, uint32_t ref, MDB_val& k,
                      MDB_val& d) {
    k = valueOf(key.data(), key.size());
    int rc = mdb_cursor_get(cursor, &k, &d, MDB_SET_RANGE);
    // The first entry of a key is at or after (key, 0): the usual search needs no more.
    if (rc != 0 || ref == 0 || !sameBytes(k, key)) return rc;
    if (dup) {
        const auto refBytes = bigEndian(ref);
        MDB_val exact = valueOf(key.data(), key.size());
        MDB_val wanted = valueOf(refBytes.data(), refBytes.size());
        rc = mdb_cursor_get(cursor, &exact, &wanted, MDB_GET_BOTH_RANGE);
        if (rc == 0) {
            k = exact;
            d = wanted;
            return 0;
        }
    } else {
        if (d.mv_size != 4 || loadRef(d.mv_data) >= ref) return 0;
        rc = MDB_NOTFOUND;
    }
    if (rc != MDB_NOTFOUND) return rc;
    // The smallest key above `key` in byte order is `key` followed by a zero byte.
    key.push_back('\0');
    k = valueOf(key.data(), key.size());
    return mdb_cursor_get(cursor, &k, &d, MDB_SET_RANGE);
}

}  // namespace

Code IndexFile::found(const Cursor& cursor, size_t i, int rc, const MDB_val& k, const MDB_val& d,
                      Entry& entry, Ticket& ticket) {
    ticket = 0;
    if (!cursor.owned) cursorTickets_[i] = 0;
    if (rc == MDB_NOTFOUND) return EngineCode::KeyNotFound;
    if (rc != 0) return fail(rc);
    if (const Code code = extractEntry(k, d, entry)) return code;
    // A cursor of the write transaction ends with the call: its place cannot be kept.
    if (!cursor.owned) {
        ticket = cursorTickets_[i] = ++lastTicket_;
        runs_[i] = Run{k.mv_data, k.mv_size};
    }
    return 0;
}

void IndexFile::startRun(size_t i, const MDB_val& k, const MDB_val& d) {
    MDB_val key = k, block{0, nullptr};
    const int rc = mdb_cursor_get(readCursors_[i], &key, &block, MDB_GET_MULTIPLE);
    const auto* first = static_cast<const uint8_t*>(block.mv_data);
    const auto* at = static_cast<const uint8_t*>(d.mv_data);
    if (rc != 0 || block.mv_size == 0) return;
    if (block.mv_size % 4 != 0 || at < first || at >= first + block.mv_size ||
        (at - first) % 4 != 0) {
        // The cursor has moved on without a run to show for it: its place is lost.
        cursorTickets_[i] = 0;
        return;
    }
    Run& run = runs_[i];
    run.refs = first;
    run.count = static_cast<uint32_t>(block.mv_size / 4);
    run.at = static_cast<uint32_t>((at - first) / 4);
}

Code IndexFile::fromRun(size_t i, Entry& entry, Ticket& ticket) {
    const Run& run = runs_[i];
    const MDB_val k{run.keySize, const_cast<void*>(run.key)};
    const MDB_val d{4, const_cast<uint8_t*>(run.refs + 4 * size_t(run.at))};
    entry.sameKey = true;
    // The cursor stays where the ticket says: the walk keeps it.
    if (const Code code = extractEntry(k, d, entry)) return lostPlace(i, code, ticket);
    return 0;
}

Code IndexFile::seekAtOrAfter(int keyNr, std::string_view key, uint32_t ref, Entry& entry,
                              Ticket& ticket) {
    Cursor cursor;
    if (const Code code = cursorFor(keyNr, cursor)) return code;
    setSearchKey(key);
    MDB_val k{}, d{};
    const int rc =
        positionAtOrAfter(cursor.cursor, meta_.keys[keyNr - 1].duplicates, searchKey_, ref, k, d);
    return found(cursor, static_cast<size_t>(keyNr - 1), rc, k, d, entry, ticket);
}

Code IndexFile::seekLast(int keyNr, Entry& entry, Ticket& ticket) {
    Cursor cursor;
    if (const Code code = cursorFor(keyNr, cursor)) return code;
    MDB_val k{}, d{};
    const int rc = mdb_cursor_get(cursor.cursor, &k, &d, MDB_LAST);
    return found(cursor, static_cast<size_t>(keyNr - 1), rc, k, d, entry, ticket);
}

Code IndexFile::nextInBlock(size_t i, Entry& entry, Ticket& ticket) {
    ++runs_[i].at;
    return fromRun(i, entry, ticket);
}

// From the third Ref of a key on, the rest of the key's block is read at once (most keys with
// duplicates have few).
Code IndexFile::nextRef(size_t i, const MDB_val& k, const MDB_val& d, Entry& entry,
                        Ticket& ticket) {
    if (d.mv_size != 4 || loadRef(d.mv_data) > MaxSlots)
        return lostPlace(i, EngineCode::IndexDefective, ticket);
    entry.key = std::string_view(static_cast<const char*>(k.mv_data) + 1, k.mv_size - 1);
    entry.ref = loadRef(d.mv_data);
    entry.sameKey = true;
    Run& run = runs_[i];
    run.count = run.at = 0;  // the cursor has left any block it read
    if (++run.sameKeySteps >= 2 && meta_.keys[i].duplicates) startRun(i, k, d);
    return 0;
}

Code IndexFile::lostPlace(size_t i, Code code, Ticket& ticket) {
    ticket = cursorTickets_[i] = 0;
    return code;
}

Code IndexFile::cursorFailed(size_t i, int rc, Ticket& ticket) {
    return lostPlace(i, rc == MDB_NOTFOUND ? EngineCode::KeyNotFound : fail(rc), ticket);
}

Code IndexFile::prev(int keyNr, std::string_view key, uint32_t ref, Entry& entry, Ticket& ticket) {
    const auto i = static_cast<size_t>(keyNr - 1);
    bool holds = cursorHolds(i, ticket);
    if (holds && runs_[i].at + 1 < runs_[i].count) {
        // Inside a run the cursor stands on the block's last Ref, not on the entry returned.
        Run& run = runs_[i];
        if (run.at > 0) {
            --run.at;
            return fromRun(i, entry, ticket);
        }
        holds = false;
    }
    Cursor cursor;
    int rc = 0;
    MDB_val k{}, d{};
    if (holds) {
        cursor.cursor = readCursors_[i];
    } else {
        if (const Code code = cursorFor(keyNr, cursor)) return code;
        setSearchKey(key);
        rc = positionAtOrAfter(cursor.cursor, meta_.keys[i].duplicates, searchKey_, ref, k, d);
    }
    if (rc == 0)
        rc = mdb_cursor_get(cursor.cursor, &k, &d, MDB_PREV);
    else if (rc == MDB_NOTFOUND)
        rc = mdb_cursor_get(cursor.cursor, &k, &d, MDB_LAST);
    return found(cursor, i, rc, k, d, entry, ticket);
}

}  // namespace engine_detail
