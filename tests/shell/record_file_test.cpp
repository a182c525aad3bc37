// The access routines every data file shares: what an error part-way leaves behind.
#include "shell/record_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "shell/company/company_file.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

CompanyRec NumberedCompany(const std::string& number) {
    CompanyRec c;
    EXPECT_TRUE(c.set(Company::CompanyNumber, number));
    c.set(Company::Name, "Company " + number);
    return c;
}

// The files as a process killed at this instant would leave them, in a folder of their own.
DataFolder Snapshot(const DataFolder& from, const fs::path& to) {
    for (const char* ext : {".DAT", ".IX"})
        fs::copy_file(from.file(std::string(CompanyFileName) + ext),
                      to / (std::string(CompanyFileName) + ext));
    return DataFolder(to);
}

}  // namespace

TEST(RecordFile, AnErrorInsideABracketClosesItSoLaterRecordsStillReachTheDisk) {
    EngineStart();
    testsupport::TempDir dir;
    testsupport::TempDir killed;
    const DataFolder folder(dir.path());
    const FileDesc& desc = CompanyFileDesc();
    FileSetHandle handle = 0;
    ASSERT_TRUE(OpenFiles(handle, folder.fileSet(CompanyFileName), desc, true));

    EXPECT_THROW(
        InBracket(handle, []() -> bool { throw std::runtime_error("Add operation failed"); }),
        std::runtime_error);
    CompanyRec added = NumberedCompany("5");
    int32_t ref = 0;
    ASSERT_TRUE(AddRecordWithKeys(handle, desc, added.bytes(), ref));

    // A copy taken at this instant is what a killed process leaves: it opens as it was or asks
    // for a rebuild, and either way holds the record added after the error.
    const DataFolder copy = Snapshot(folder, killed.path());
    auto found = FindCompany(copy, "5");
    if (!found && EngineErrorCode == EngineCode::IndexDefective) {
        ASSERT_TRUE(RebuildCompanyFiles(copy));
        found = FindCompany(copy, "5");
    }
    EXPECT_TRUE(found.has_value()) << "engine error " << EngineErrorCode;

    // The bracket was closed, so a clean close leaves a set that opens without a rebuild.
    CloseFileSet(handle);
    EXPECT_TRUE(FindCompany(folder, "5").has_value()) << "engine error " << EngineErrorCode;
    EngineStop();
}
