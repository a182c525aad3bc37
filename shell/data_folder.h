#pragma once
// The one folder that holds every file of every company and the small files beside them.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class DataFolder {
public:
    explicit DataFolder(std::filesystem::path dir) : dir_(std::move(dir)) {}
    const std::filesystem::path& path() const { return dir_; }

    // The path of a file in the folder: an existing file whose name matches without regard
    // to case, else the name as given (new files get the canonical name).
    std::filesystem::path file(std::string_view name) const;
    // The name of a file set (without extension) as the engine takes it.
    std::string fileSet(std::string_view name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

// The whole content of a file, or its first `limit` bytes; nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path,
                                         std::size_t limit = std::string::npos);
// Replaces the file by writing a temporary file beside it and renaming it over the old one,
// so that a failure leaves the old content whole. False when the new content could not be
// written.
bool ReplaceFile(const std::filesystem::path& path, std::string_view content);
