#pragma once
// File layers for the engine that tests install (engine_io::installLayer) to count syncs,
// fail the n-th write or sync, make the index store refuse a change, refuse every read, or
// lose at a chosen moment every write not yet synced, as a power loss would. Header-only:
// the binaries that use them link the engine.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/file_io.h"

namespace testsupport {

// Installs a layer for the life of the object.
class LayerScope {
public:
    explicit LayerScope(engine_io::FileLayer& layer) { engine_io::installLayer(&layer); }
    ~LayerScope() { engine_io::installLayer(nullptr); }
    LayerScope(const LayerScope&) = delete;
    LayerScope& operator=(const LayerScope&) = delete;
};

// Counts the syncs (of files and folders) and the writes.
class CountingFiles : public engine_io::FileLayer {
public:
    int syncs = 0;
    int writes = 0;
    int write(int fd, uint64_t offset, std::span<const uint8_t> buffer, size_t& done) override {
        ++writes;
        return FileLayer::write(fd, offset, buffer, done);
    }
    int sync(int fd) override {
        ++syncs;
        return FileLayer::sync(fd);
    }
    int syncFolder(int fd) override {
        ++syncs;
        return FileLayer::syncFolder(fd);
    }
};

// Fails the n-th write or sync (counting both from 1, 0: never) with `error`, and every one
// after it while `sticky` (a disk that stays full).
class FailingFiles : public engine_io::FileLayer {
public:
    int failAt = 0;
    int error = ENOSPC;
    bool sticky = true;
    int calls = 0;
    bool failed() const { return failAt != 0 && calls >= failAt; }

    int write(int fd, uint64_t offset, std::span<const uint8_t> buffer, size_t& done) override {
        if (const int e = fault()) return e;
        return FileLayer::write(fd, offset, buffer, done);
    }
    int resize(int fd, uint64_t size) override {
        if (const int e = fault()) return e;
        return FileLayer::resize(fd, size);
    }
    int reserve(int fd, uint64_t offset, uint64_t length) override {
        if (const int e = fault()) return e;
        return FileLayer::reserve(fd, offset, length);
    }
    int sync(int fd) override {
        if (const int e = fault()) return e;
        return FileLayer::sync(fd);
    }

private:
    int fault() {
        ++calls;
        if (failAt == 0 || calls < failAt) return 0;
        return calls == failAt || sticky ? error : 0;
    }
};

// The index store meets a full disk at its first change: LMDB gives up the transaction.
class IndexChangeFails : public engine_io::FileLayer {
public:
    int indexChange() override { return ENOSPC; }
};

// Every read is refused, as in a folder whose files the user may not read.
class ReadsRefused : public engine_io::FileLayer {
public:
    int read(int, uint64_t, std::span<uint8_t>, size_t&) override { return EACCES; }
};

// Writes reach the files at once (every read sees them), but until a file is synced the
// layer keeps what they overwrote; powerLoss() puts it back, so the files hold only what
// was synced, and from then on every call fails as on a machine without power. The n-th
// write or sync (lossAt, 0: never) loses power on its own: it and every call after it fail,
// and the files go back to what was synced when powerLoss() is called, once the test takes
// the process for dead (a live engine's index maps must not be cut under it).
class PowerLossFiles : public engine_io::FileLayer {
public:
    int lossAt = 0;
    int calls = 0;
    bool lost = false;

    ~PowerLossFiles() override {
        for (auto& [id, file] : files_) ::close(file.fd);
    }

    int write(int fd, uint64_t offset, std::span<const uint8_t> buffer, size_t& done) override {
        if (const int e = tick()) return e;
        File& file = fileOf(fd);
        const uint64_t size = sizeOf(fd);
        if (offset < size) {
            std::vector<uint8_t> old(std::min<uint64_t>(buffer.size(), size - offset));
            if (::pread(fd, old.data(), old.size(), static_cast<off_t>(offset)) < 0) return errno;
            file.undo.emplace_back(offset, std::move(old));
        }
        return FileLayer::write(fd, offset, buffer, done);
    }
    int resize(int fd, uint64_t size) override {
        if (const int e = tick()) return e;
        File& file = fileOf(fd);
        const uint64_t before = sizeOf(fd);
        if (size < before) {
            std::vector<uint8_t> old(before - size);
            if (::pread(fd, old.data(), old.size(), static_cast<off_t>(size)) < 0) return errno;
            file.undo.emplace_back(size, std::move(old));
        }
        return FileLayer::resize(fd, size);
    }
    int reserve(int fd, uint64_t offset, uint64_t length) override {
        if (const int e = tick()) return e;
        fileOf(fd);  // a power loss cuts the file back to what was synced
        return FileLayer::reserve(fd, offset, length);
    }
    int sync(int fd) override {
        if (const int e = tick()) return e;
        const int e = FileLayer::sync(fd);
        if (e == 0) {
            File& file = fileOf(fd);
            file.undo.clear();
            file.syncedSize = sizeOf(fd);
        }
        return e;
    }
    int syncFolder(int fd) override {
        if (lost) return EIO;
        return FileLayer::syncFolder(fd);
    }
    int read(int fd, uint64_t offset, std::span<uint8_t> buffer, size_t& done) override {
        if (lost) return EIO;
        return FileLayer::read(fd, offset, buffer, done);
    }

    // Every write since its file's last sync is undone, newest first, and the machine
    // starts anew (a new boot: the page cache is gone).
    void powerLoss() {
        lost = true;
        if (forgotten_) return;
        forgotten_ = true;
        engine_io::startNewBoot();
        for (auto& [id, file] : files_) {
            for (auto it = file.undo.rbegin(); it != file.undo.rend(); ++it)
                static_cast<void>(::pwrite(file.fd, it->second.data(), it->second.size(),
                                           static_cast<off_t>(it->first)));
            static_cast<void>(::ftruncate(file.fd, static_cast<off_t>(file.syncedSize)));
            file.undo.clear();
        }
    }
    // Power back: the files as they are now count as synced.
    void restore() {
        lost = false;
        forgotten_ = false;
        calls = 0;
        lossAt = 0;
        for (auto& [id, file] : files_) ::close(file.fd);
        files_.clear();
    }

private:
    struct File {
        int fd = -1;  // an open file description of our own: no share in the engine's locks
        uint64_t syncedSize = 0;
        std::vector<std::pair<uint64_t, std::vector<uint8_t>>> undo;
    };
    static uint64_t sizeOf(int fd) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }
    int tick() {
        if (lost) return EIO;
        ++calls;
        if (lossAt != 0 && calls >= lossAt) {
            lost = true;
            return EIO;
        }
        return 0;
    }
    File& fileOf(int fd) {
        struct stat st {};
        ::fstat(fd, &st);
        const auto id = std::make_pair(st.st_dev, st.st_ino);
        auto it = files_.find(id);
        if (it == files_.end()) {
            File file;
            const std::string self = "/proc/self/fd/" + std::to_string(fd);
            file.fd = ::open(self.c_str(), O_RDWR | O_CLOEXEC);
            file.syncedSize = static_cast<uint64_t>(st.st_size);
            it = files_.emplace(id, std::move(file)).first;
        }
        return it->second;
    }
    std::map<std::pair<dev_t, ino_t>, File> files_;
    bool forgotten_ = false;  // the unsynced writes are undone
};

}  // namespace testsupport
