#include "engine/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace engine_io {

namespace {

FileLayer plainLayer;
FileLayer* current = &plainLayer;

bool failed(int error) {
    lastFailure = error;
    return false;
}

}  // namespace

int FileLayer::read(int fd, uint64_t offset, std::span<uint8_t> buffer, size_t& done) {
    const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
    if (n < 0) return errno;
    done = static_cast<size_t>(n);
    return 0;
}

int FileLayer::write(int fd, uint64_t offset, std::span<const uint8_t> buffer, size_t& done) {
    const ssize_t n = ::pwrite(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
    if (n < 0) return errno;
    done = static_cast<size_t>(n);
    return 0;
}

int FileLayer::resize(int fd, uint64_t size) {
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

int FileLayer::reserve(int fd, uint64_t offset, uint64_t length) {
    return ::posix_fallocate(fd, static_cast<off_t>(offset), static_cast<off_t>(length));
}

int FileLayer::sync(int fd) {
    return ::fdatasync(fd) == 0 ? 0 : errno;
}

int FileLayer::syncFolder(int folderFd) {
    return ::fsync(folderFd) == 0 ? 0 : errno;
}

FileLayer& layer() {
    return *current;
}

void installLayer(FileLayer* layer) {
    current = layer ? layer : &plainLayer;
}

bool readAt(int fd, uint64_t offset, std::span<uint8_t> buffer) {
    size_t total = 0;
    while (total < buffer.size()) {
        size_t done = 0;
        const int error = current->read(fd, offset + total, buffer.subspan(total), done);
        if (error == EINTR) continue;
        if (error != 0) return failed(error);
        if (done == 0) return failed(EIO);  // past the end of the file
        total += done;
    }
    return true;
}

bool writeAt(int fd, uint64_t offset, std::span<const uint8_t> buffer) {
    size_t total = 0;
    while (total < buffer.size()) {
        size_t done = 0;
        const int error = current->write(fd, offset + total, buffer.subspan(total), done);
        if (error == EINTR) continue;
        if (error != 0) return failed(error);
        if (done == 0) return failed(ENOSPC);
        total += done;
    }
    return true;
}

bool resize(int fd, uint64_t size) {
    const int error = current->resize(fd, size);
    return error == 0 || failed(error);
}

bool reserve(int fd, uint64_t offset, uint64_t length) {
    int error = 0;
    do {
        error = current->reserve(fd, offset, length);
    } while (error == EINTR);
    return error == 0 || failed(error);
}

bool sync(int fd) {
    const int error = current->sync(fd);
    return error == 0 || failed(error);
}

bool syncFolder(int folderFd) {
    const int error = current->syncFolder(folderFd);
    return error == 0 || failed(error);
}

}  // namespace engine_io
