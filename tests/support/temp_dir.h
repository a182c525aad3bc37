#pragma once
// A throw-away folder per test, for the real engine files a test writes.

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh folder for one test, removed when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // path() / name, as a string, for APIs that take a file name.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace testsupport
