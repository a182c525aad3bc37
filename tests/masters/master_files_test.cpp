// Keys and files of customers, vendors and products, and the sample filler.
#include "masters/master_files.h"

#include <filesystem>

#include "masters/sample_masters.h"
#include "shell/sample_company.h"
#include "tests/masters/company_env.h"

namespace {

TEST(MasterKeys, PartyKeysTrimUpperCaseAndPad) {
    CustomerRec c;
    c.set(Customer::Name, " \tacme trading co\r ");
    ASSERT_TRUE(c.set(Customer::Number, " c-12 "));
    EXPECT_EQ(BuildCustomerKey(c, CustomerNameKey), "ACME TRADING CO" + std::string(15, ' '));
    EXPECT_EQ(BuildCustomerKey(c, CustomerNumberKey), "C-12    ");
    EXPECT_EQ(BuildCustomerKey(c, 3), "");
    // A 35-character name gives the first 30; non-ASCII letters are kept as they are.
    c.set(Customer::Name, std::string(31, 'b') + "\xe9xyz");
    EXPECT_EQ(BuildCustomerKey(c, 1), std::string(30, 'B'));
    c.set(Customer::Name, "caf\xe9");
    EXPECT_EQ(BuildCustomerKey(c, 1).substr(0, 5), "CAF\xe9 ");

    VendorRec v;
    v.set(Vendor::Name, "  bolt & nut ");
    ASSERT_TRUE(v.set(Vendor::Number, "v7"));
    EXPECT_EQ(BuildVendorKey(v, VendorNameKey), "BOLT & NUT" + std::string(20, ' '));
    EXPECT_EQ(BuildVendorKey(v, VendorNumberKey), "V7      ");
    EXPECT_EQ(BuildVendorKey(v, 0), "");
}

TEST(MasterKeys, ProductKeysHaveTheirOwnWidths) {
    ProductRec p;
    ASSERT_TRUE(p.set(Product::Code, " ab-1 "));
    p.set(Product::Description, std::string(32, 'd'));
    p.set(Product::KeyCode, "tools");
    EXPECT_EQ(BuildProductKey(p, ProductCodeKey), "AB-1      ");
    EXPECT_EQ(BuildProductKey(p, ProductDescriptionKey), std::string(30, 'D'));
    EXPECT_EQ(BuildProductKey(p, ProductKeyCodeKey), "TOOLS     ");
    EXPECT_EQ(BuildProductKey(p, 4), "");
}

class MasterFilesTest : public CompanyEnv {
protected:
    MastersStateScope masters;
    MastersState& m = masters.state();
};

TEST_F(MasterFilesTest, EachFileIsNamedByTheCompanyAndItsLetter) {
    ASSERT_TRUE(CreateCustomerFiles());
    ASSERT_TRUE(CreateVendorFiles());
    ASSERT_TRUE(CreateProductFiles());
    for (const char* name : {"7C", "7V", "7P"})
        EXPECT_TRUE(std::filesystem::exists(dir.path() / (std::string(name) + ".DAT"))) << name;
    ASSERT_TRUE(OpenProductFiles());
    EXPECT_EQ(RecordLength(m.ProductFile), 616);
    EXPECT_EQ(KeyCount(m.ProductFile), 3);
}

TEST_F(MasterFilesTest, NumbersAndCodesAreUniqueNamesAreNot) {
    host->Answer(MsgResult::Ok, "I am going to create a new, empty customer file for this company.",
                 "New Company");
    ASSERT_TRUE(OpenCustomerFiles());
    int32_t ref = 0;
    m.CustomerBuf.set(Customer::Name, "Acme");
    ASSERT_TRUE(m.CustomerBuf.set(Customer::Number, "C1"));
    ASSERT_TRUE(AddCustomerRecord(ref));
    ASSERT_TRUE(m.CustomerBuf.set(Customer::Number, "C2"));
    EXPECT_TRUE(AddCustomerRecord(ref)) << "a second Acme";
    ASSERT_TRUE(m.CustomerBuf.set(Customer::Number, "c1"));
    EXPECT_FALSE(AddCustomerRecord(ref));
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    EXPECT_EQ(UsedRecordCount(m.CustomerFile), 2);

    host->Answer(MsgResult::Ok, "I am going to create a new, empty product file for this company.",
                 "New Company");
    ASSERT_TRUE(OpenProductFiles());
    m.ProductBuf.set(Product::Description, "Hammer");
    ASSERT_TRUE(m.ProductBuf.set(Product::Code, "H1"));
    ASSERT_TRUE(AddProductRecord(ref));
    m.ProductBuf.set(Product::Description, "Other");
    EXPECT_FALSE(AddProductRecord(ref));
    EXPECT_EQ(UsedRecordCount(m.ProductFile), 1);
}

// Every live record of a file set, in record order.
std::vector<std::vector<uint8_t>> Records(const std::filesystem::path& set) {
    std::vector<std::vector<uint8_t>> records;
    FileSetHandle h = 0;
    OpenFileSet(h, set.string());
    EXPECT_TRUE(EngineOK) << set << " " << EngineErrorCode;
    if (!EngineOK) return records;
    const FileSetCloser closer(h);
    for (int32_t ref = 0;;) {
        NextUsedRecord(h, ref);
        if (!EngineOK) break;
        records.emplace_back(RecordLength(h));
        ReadRecord(h, ref, records.back());
    }
    return records;
}

TEST_F(MasterFilesTest, SampleFillerIsDeterministicAndKeepsNumbersUnique) {
    const auto fill = [&](const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        EXPECT_TRUE(FillSampleMasters(DataFolder(folder), shell.context().companies.CurrentCompany,
                                      42, 30, 8, 60));
    };
    fill(dir.path() / "a");
    fill(dir.path() / "b");
    for (const char* name : {"7C", "7V", "7P"}) {
        const auto a = Records(dir.path() / "a" / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == Records(dir.path() / "b" / name)) << name;
    }
    FileSetHandle h = 0;
    OpenFileSet(h, (dir.path() / "a" / "7C").string());
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(IndexKeyCount(h, CustomerNumberKey), 30);
    CloseFileSet(h);
    OpenFileSet(h, (dir.path() / "a" / "7P").string());
    EXPECT_EQ(IndexKeyCount(h, ProductCodeKey), 60);
    EXPECT_EQ(IndexKeyCount(h, ProductKeyCodeKey), 60);
    CloseFileSet(h);
}

TEST_F(MasterFilesTest, TheSampleCompanyAsksTheMasterFillers) {
    RegisterSampleMasterFillers();
    const std::filesystem::path folder = dir.path() / "sample";
    std::filesystem::create_directories(folder);
    CreateSampleCompany(DataFolder(folder), 3, "Sample",
                        {.counts = {{"customers", 5}, {"vendors", 2}, {"products", 7}}});
    EXPECT_EQ(Records(folder / "3C").size(), 5u);
    EXPECT_EQ(Records(folder / "3V").size(), 2u);
    const auto products = Records(folder / "3P");
    ASSERT_EQ(products.size(), 7u);
    const std::string vendor = fields::Get(products[0], Product::PreferredVendor);
    EXPECT_TRUE(vendor == "V00001" || vendor == "V00002") << vendor;
    for (const char* name : {"customers", "vendors", "products"}) UnregisterSampleFiller(name);
}

}  // namespace
