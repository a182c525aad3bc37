// Finding existing files whatever the case of their names.

#include <gtest/gtest.h>

#include <fstream>

#include "engine/file_names.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

void touch(const fs::path& path) {
    std::ofstream(path) << "x";
}

TEST(FileNames, ExistingFilesAreFoundIgnoringCaseAndNewOnesKeepTheirName) {
    testsupport::TempDir dir;
    touch(dir.path() / "Terms.dat");
    EXPECT_EQ(filenames::findExisting(dir.path() / "TERMS.DAT"), dir.path() / "Terms.dat");
    EXPECT_EQ(filenames::withExtension((dir.path() / "terms").string(), ".DAT"),
              dir.path() / "Terms.dat");
    EXPECT_TRUE(filenames::exists(dir.path() / "tErMs.DaT"));
    // Only ASCII letters fold; anything else must match as it is.
    EXPECT_FALSE(filenames::exists(dir.path() / "Terms_dat"));
    EXPECT_EQ(filenames::findExisting(dir.path() / "NEW.DAT"), dir.path() / "NEW.DAT");

    // An exact match wins; among several others the first in name order.
    touch(dir.path() / "terms.DAT");
    EXPECT_EQ(filenames::findExisting(dir.path() / "terms.DAT"), dir.path() / "terms.DAT");
    EXPECT_EQ(filenames::findExisting(dir.path() / "TERMS.dat"), dir.path() / "Terms.dat");

    // A folder is not a file, and a missing folder finds nothing.
    fs::create_directory(dir.path() / "Sub.DAT");
    EXPECT_FALSE(filenames::exists(dir.path() / "SUB.DAT"));
    EXPECT_EQ(filenames::findExisting(dir.path() / "none" / "X.DAT"),
              dir.path() / "none" / "X.DAT");
}

}  // namespace
