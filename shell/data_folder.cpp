#include "shell/data_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "engine/file_names.h"

namespace {

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::filesystem::path DataFolder::file(std::string_view name) const {
    return filenames::findExisting(dir_ / name);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::size_t limit) {
    // Plain reads: a folder or device under the name is an unreadable file, not an exception.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string content;
    char buf[65536];
    while (content.size() < limit) {
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, limit - content.size()));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        content.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

bool ReplaceFile(const std::filesystem::path& path, std::string_view content) {
    const std::string temp = path.string() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder's entry.
    filenames::syncFolder(path.parent_path());
    return true;
}
