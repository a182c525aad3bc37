#pragma once
// The engine's file I/O: every read, write, resize and sync of a data file, the journal and
// the index's sync and room go through one replaceable layer, so that tests can count syncs, fail the
// n-th write or forget what was never synced. The layer keeps the operating system's error
// number of the last failure, which the engine hands on as EngineSystemError.

#include <array>
#include <cstdint>
#include <span>

namespace engine_io {

class FileLayer {
public:
    virtual ~FileLayer() = default;
    // Each answers 0 or the errno of the failure. Short transfers are retried by the caller.
    virtual int read(int fd, uint64_t offset, std::span<uint8_t> buffer, size_t& done);
    virtual int write(int fd, uint64_t offset, std::span<const uint8_t> buffer, size_t& done);
    virtual int resize(int fd, uint64_t size);
    // Gives the file's bytes from `offset` on, `length` of them, their room on the disk,
    // growing the file when it is shorter (posix_fallocate): later writes there cannot find
    // the disk full.
    virtual int reserve(int fd, uint64_t offset, uint64_t length);
    // Makes a file's data durable (fdatasync).
    virtual int sync(int fd);
    // Makes the entries of a folder durable (fsync of the folder).
    virtual int syncFolder(int folderFd);
    // Asked before the index store changes an entry: 0, or the error the store is to fail the
    // change with as if it had met it itself (tests: a store refusing on a full disk).
    virtual int indexChange() { return 0; }
};

// The layer in use; the plain one unless a test installed another.
FileLayer& layer();
// Installs a layer (nullptr: the plain one again). The caller keeps it alive while installed.
void installLayer(FileLayer* layer);

// Whole-buffer transfers, retried on short ones; false with lastError() on failure.
bool readAt(int fd, uint64_t offset, std::span<uint8_t> buffer);
bool writeAt(int fd, uint64_t offset, std::span<const uint8_t> buffer);
bool resize(int fd, uint64_t size);
bool reserve(int fd, uint64_t offset, uint64_t length);
bool sync(int fd);
bool syncFolder(int folderFd);
// The errno of the last failed call above (EIO when a transfer made no progress).
inline int lastFailure = 0;
inline int lastError() {
    return lastFailure;
}
inline void noteError(int error) {
    lastFailure = error;
}

// The id of the machine's current boot (/proc/sys/kernel/random/boot_id), all zeros when it
// cannot be read. Writes not yet synced live in the system's page cache as long as the boot
// does: a process that dies loses none of them, a machine that stops loses any.
using BootId = std::array<uint8_t, 16>;
const BootId& currentBoot();
// For tests of a power loss: the machine counts as started anew from here on.
void startNewBoot();

}  // namespace engine_io
