#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <random>
#include <system_error>

namespace testsupport {

TempDir::TempDir() {
    const char* base = std::getenv("STOCKMERE_TEST_TMP");
    std::filesystem::path root = base ? base : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(root);
    std::random_device rd;
    for (;;) {
        auto candidate = root / ("t" + std::to_string(rd()) + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace testsupport
