// The sample company: deterministic, refuses a number in use, and runs the fillers of other
// units in their order with seeds of their own.
#include "shell/sample_company.h"

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "shell/company/company_file.h"
#include "shell/small_files.h"
#include "tests/support/temp_dir.h"

namespace {

class SampleCompanyTest : public ::testing::Test {
protected:
    SampleCompanyTest() { EngineStart(30); }
    ~SampleCompanyTest() override { EngineStop(); }
    testsupport::TempDir dir;
    DataFolder folder{dir.path()};
};

TEST_F(SampleCompanyTest, TheSameSeedGivesTheSameCompanyAndAnotherSeedAnotherOne) {
    testsupport::TempDir other;
    const DataFolder second(other.path());
    const CompanyRec a = CreateSampleCompany(folder, 4, "Quay Stores", {.seed = 7, .counts = {}});
    const CompanyRec b = CreateSampleCompany(second, 4, "Quay Stores", {.seed = 7, .counts = {}});
    EXPECT_EQ(a, b);
    EXPECT_EQ(*FindCompany(folder, "4"), a);
    EXPECT_EQ(ReadWholeFile(folder.file("LastCo.Dat")), ReadWholeFile(second.file("LastCo.Dat")));
    EXPECT_EQ(a.get(Company::Name), "Quay Stores");
    EXPECT_EQ(a.get(Company::EmailAddress), "office@quaystores.example");

    const CompanyRec c = CreateSampleCompany(folder, 5, "Quay Stores", {.seed = 8, .counts = {}});
    EXPECT_NE(c.get(Company::Address[0]) + c.get(Company::Address[2]),
              a.get(Company::Address[0]) + a.get(Company::Address[2]));
    EXPECT_FALSE(LoadTerms(folder).empty());
}

TEST_F(SampleCompanyTest, ANumberInUseOrOutOfRangeIsRefusedAndTheFileKept) {
    CreateSampleCompany(folder, 1, "First");
    EXPECT_THROW(CreateSampleCompany(folder, 1, "Again"), std::runtime_error);
    EXPECT_THROW(CreateSampleCompany(folder, 0, "Zero"), std::runtime_error);
    EXPECT_THROW(CreateSampleCompany(folder, 32001, "Big"), std::runtime_error);
    const auto all = ListCompanies(folder, CompanyOrder::ByNumber);
    ASSERT_EQ(all->size(), 1u);
    EXPECT_EQ(all->front().get(Company::Name), "First");
    EXPECT_EQ(ReadLastCompany(folder)->get(Company::Name), "First");
}

TEST_F(SampleCompanyTest, FillersRunInTheirOrderWhenAskedWithSeedsOfTheirOwn) {
    std::vector<std::string> calls;
    const auto filler = [&](std::string name) {
        return
            [&calls, name](const DataFolder&, const CompanyRec& company, uint32_t seed, int count) {
                calls.push_back(name + ":" + company.get(Company::CompanyNumber) + ":" +
                                std::to_string(seed) + ":" + std::to_string(count));
            };
    };
    RegisterSampleFiller("customers", filler("customers"));
    RegisterSampleFiller("products", filler("products"));
    RegisterSampleFiller("invoices", filler("invoices"));
    RegisterSampleFiller("products", filler("products2"));  // replaced in its place

    CreateSampleCompany(
        folder, 9, "Filled",
        {.seed = 3, .counts = {{"invoices", 5}, {"customers", 2}, {"products", 0}}});
    UnregisterSampleFiller("customers");
    UnregisterSampleFiller("products");
    UnregisterSampleFiller("invoices");

    EXPECT_EQ(calls, (std::vector<std::string>{
                         "customers:9:" + std::to_string(FillerSeed(3, "customers")) + ":2",
                         "invoices:9:" + std::to_string(FillerSeed(3, "invoices")) + ":5"}));
    EXPECT_NE(FillerSeed(3, "customers"), FillerSeed(3, "invoices"));
    EXPECT_NE(FillerSeed(3, "customers"), FillerSeed(4, "customers"));
    EXPECT_TRUE(SampleFillerNames().empty());
}

}  // namespace
