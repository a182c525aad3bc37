// The small files beside the data: the last-company file and the payment terms.
#include "shell/small_files.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/temp_dir.h"

namespace {

void WriteRaw(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

CompanyRec SampleCompany() {
    CompanyRec c;
    c.set(Company::Name, "Harbour Supplies");
    EXPECT_TRUE(c.set(Company::CompanyNumber, "12"));
    c.set(Company::SmtpHost, "mail.example.com");
    c.set(Company::PrintLogo, true);
    return c;
}

TEST(LastCompanyFile, RoundTripsTheWholeRecord) {
    testsupport::TempDir dir;
    const DataFolder folder(dir.path());
    EXPECT_FALSE(ReadLastCompany(folder).has_value());
    ASSERT_TRUE(WriteLastCompany(folder, SampleCompany()));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "LastCo.Dat"), 3600u);
    EXPECT_EQ(ReadLastCompany(folder), SampleCompany());
    // Written again over the old one, with nothing left beside it.
    CompanyRec other = SampleCompany();
    other.set(Company::Name, "Other");
    ASSERT_TRUE(WriteLastCompany(folder, other));
    EXPECT_EQ(ReadLastCompany(folder), other);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(LastCompanyFile, FoundWhateverTheCaseOfItsName) {
    testsupport::TempDir dir;
    const CompanyRec c = SampleCompany();
    WriteRaw(dir.path() / "LASTCO.DAT",
             std::string(reinterpret_cast<const char*>(c.bytes().data()), c.bytes().size()));
    EXPECT_EQ(ReadLastCompany(DataFolder(dir.path())), c);
}

TEST(LastCompanyFile, DamagedFileMeansNoLastCompany) {
    testsupport::TempDir dir;
    const DataFolder folder(dir.path());
    const auto path = dir.path() / "LastCo.Dat";
    const CompanyRec c = SampleCompany();
    const std::string whole(reinterpret_cast<const char*>(c.bytes().data()), c.bytes().size());
    for (const std::string& bad : {std::string(), whole.substr(0, 100), whole + "x",
                                   std::string(3600, '\xFF'), std::string(3600, '\0')}) {
        WriteRaw(path, bad);
        EXPECT_FALSE(ReadLastCompany(folder).has_value()) << bad.size();
    }
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);  // not even a file
    EXPECT_FALSE(ReadLastCompany(folder).has_value());
}

TEST(TermsFile, SavesCrLfLinesAndLoadsThemBack) {
    testsupport::TempDir dir;
    const DataFolder folder(dir.path());
    EXPECT_TRUE(LoadTerms(folder).empty());
    const std::vector<std::string> terms{"Net 30", "", "2% 10, Net 30", "Due on receipt"};
    ASSERT_TRUE(SaveTerms(folder, terms));
    EXPECT_EQ(ReadWholeFile(dir.path() / "LWTERMS.DAT"),
              "Net 30\r\n\r\n2% 10, Net 30\r\nDue on receipt\r\n");
    EXPECT_EQ(LoadTerms(folder), terms);
    ASSERT_TRUE(SaveTerms(folder, {}));
    EXPECT_TRUE(LoadTerms(folder).empty());
}

TEST(TermsFile, ReadsFilesWrittenElsewhere) {
    testsupport::TempDir dir;
    WriteRaw(dir.path() / "lwterms.dat", "Net 10\nCOD\r\nNet 60");
    const DataFolder folder(dir.path());
    EXPECT_EQ(LoadTerms(folder), (std::vector<std::string>{"Net 10", "COD", "Net 60"}));
    // Saving replaces that file rather than adding a second one beside it.
    ASSERT_TRUE(SaveTerms(folder, {"COD"}));
    EXPECT_EQ(ReadWholeFile(dir.path() / "lwterms.dat"), "COD\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(TermsFile, LineBreaksInsideATermCannotSplitIt) {
    testsupport::TempDir dir;
    const DataFolder folder(dir.path());
    ASSERT_TRUE(SaveTerms(folder, {"Net\r\n30", "COD"}));
    EXPECT_EQ(LoadTerms(folder), (std::vector<std::string>{"Net  30", "COD"}));
}

TEST(ReplaceFile, FailureLeavesTheOldContent) {
    testsupport::TempDir dir;
    const auto path = dir.path() / "f.txt";
    ASSERT_TRUE(ReplaceFile(path, "old"));
    // A folder where the temporary file would go makes the write fail.
    std::filesystem::create_directory(dir.path() / "f.txt.tmp");
    EXPECT_FALSE(ReplaceFile(path, "new"));
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_FALSE(ReplaceFile(dir.path() / "missing" / "x", "new"));
}

}  // namespace
