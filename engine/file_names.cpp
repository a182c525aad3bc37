#include "engine/file_names.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

namespace filenames {

namespace {
char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

std::filesystem::path findExisting(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return path;
    const std::string wanted = path.filename().string();
    if (wanted.empty()) return path;
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    std::vector<std::string> matches;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (equalsIgnoringCase(candidate, wanted)) matches.push_back(candidate);
    }
    if (matches.empty()) return path;
    std::sort(matches.begin(), matches.end());
    return path.parent_path() / matches.front();
}

std::filesystem::path withExtension(std::string_view base, std::string_view extension) {
    std::string name(base);
    name.append(extension);
    return findExisting(std::filesystem::path(name));
}

bool exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(findExisting(path), ec);
}

void syncFolder(const std::filesystem::path& folder) {
    const std::string dir = folder.empty() ? std::string(".") : folder.string();
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace filenames
