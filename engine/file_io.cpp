#include "engine/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

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

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" as 16 bytes; zeros when it is anything else.
BootId readBootId() {
    BootId id{};
    FILE* file = std::fopen("/proc/sys/kernel/random/boot_id", "re");
    if (!file) return id;
    char text[64] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    size_t at = 0;
    for (size_t i = 0; i < n && at < 2 * id.size(); ++i) {
        if (text[i] == '-') continue;
        const int v = hexValue(text[i]);
        if (v < 0) break;
        id[at / 2] = static_cast<uint8_t>(id[at / 2] << 4 | v);
        ++at;
    }
    if (at != 2 * id.size()) id = BootId{};
    return id;
}

BootId& bootId() {
    static BootId id = readBootId();
    return id;
}

}  // namespace

const BootId& currentBoot() {
    return bootId();
}

void startNewBoot() {
    std::random_device random;
    for (uint8_t& b : bootId()) b = static_cast<uint8_t>(random());
}

}  // namespace engine_io
