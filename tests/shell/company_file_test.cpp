// The company file: keys, company numbers, adding, listing and finding companies.
#include "shell/company/company_file.h"

#include <gtest/gtest.h>

#include "shell/shell_state.h"
#include "tests/support/temp_dir.h"

namespace {

class CompanyFileTest : public ::testing::Test {
protected:
    void SetUp() override { EngineStart(); }
    void TearDown() override { EngineStop(); }

    static CompanyRec Make(const std::string& number, const std::string& name) {
        CompanyRec c;
        EXPECT_TRUE(c.set(Company::CompanyNumber, number));
        c.set(Company::Name, name);
        return c;
    }
    void Add(const std::string& number, const std::string& name) {
        ASSERT_EQ(AddCompany(state, folder, Make(number, name)), CompanyResult::Ok) << number;
    }
    std::vector<std::string> Names(CompanyOrder order) {
        std::vector<std::string> names;
        const auto list = ListCompanies(folder, order);
        EXPECT_TRUE(list.has_value());
        for (const CompanyRec& c : list.value_or(std::vector<CompanyRec>{}))
            names.push_back(c.get(Company::Name));
        return names;
    }

    testsupport::TempDir dir;
    DataFolder folder{dir.path()};
    CompanyState state;
};

TEST_F(CompanyFileTest, KeysAreTrimmedUppercasedAndPadded) {
    const CompanyRec c = Make(" 7 ", "  Acme Trading\t");
    EXPECT_EQ(BuildCompanyKey(c, 1), "7    ");
    EXPECT_EQ(BuildCompanyKey(c, 2), "ACME TRADING" + std::string(18, ' '));
    EXPECT_EQ(BuildCompanyKey(Make("1", std::string(35, 'x')), 2), std::string(30, 'X'));
}

TEST_F(CompanyFileTest, CompanyNumbersAreWholeNumbersUpTo32000) {
    EXPECT_EQ(CanonicalCompanyNumber(" 007 "), "7");
    EXPECT_EQ(CanonicalCompanyNumber("32000"), "32000");
    for (const char* bad : {"", "0", "32001", "-5", "+5", "1.0", "12a", "99999"})
        EXPECT_FALSE(CanonicalCompanyNumber(bad).has_value()) << bad;
}

TEST_F(CompanyFileTest, AddListAndFindCompanies) {
    EXPECT_TRUE(ListCompanies(folder, CompanyOrder::ByName)->empty());  // no file yet
    Add("10", "Zephyr Goods");
    Add("9", "alpha stores");
    Add("200", "Middle Mart");
    Add("007", "Bravo Co");
    EXPECT_EQ(
        Names(CompanyOrder::ByName),
        (std::vector<std::string>{"alpha stores", "Bravo Co", "Middle Mart", "Zephyr Goods"}));
    EXPECT_EQ(
        Names(CompanyOrder::ByNumber),
        (std::vector<std::string>{"Bravo Co", "alpha stores", "Zephyr Goods", "Middle Mart"}));
    const auto found = FindCompany(folder, " 7");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->get(Company::Name), "Bravo Co");
    EXPECT_EQ(found->get(Company::CompanyNumber), "7");
    EXPECT_FALSE(FindCompany(folder, "1").has_value());
    EXPECT_FALSE(FindCompany(folder, "123456").has_value());
}

TEST_F(CompanyFileTest, AddRefusesBadAndDuplicateNumbers) {
    Add("5", "First");
    EXPECT_EQ(AddCompany(state, folder, Make("05", "Second")), CompanyResult::DuplicateNumber);
    EXPECT_EQ(AddCompany(state, folder, Make("0", "Zero")), CompanyResult::InvalidNumber);
    EXPECT_EQ(AddCompany(state, folder, Make("x1", "Bad")), CompanyResult::InvalidNumber);
    EXPECT_EQ(Names(CompanyOrder::ByName), (std::vector<std::string>{"First"}));
}

TEST_F(CompanyFileTest, UpdateRewritesTheFileAndTheCurrentCopy) {
    Add("3", "Three");
    Add("4", "Four");
    state.CurrentCompany = *FindCompany(folder, "3");
    const auto result = UpdateCurrentCompany(state, folder, [](CompanyRec& c) {
        c.set(Company::Name, "Renamed");
        return c.set(Company::NextInvoiceNumber, "1001");
    });
    ASSERT_EQ(result, CompanyResult::Ok);
    EXPECT_EQ(state.CompanyFile, 0);  // closed again
    EXPECT_EQ(state.CurrentCompany.get(Company::NextInvoiceNumber), "1001");
    EXPECT_EQ(state.CurrentCompany, state.CompanyBuf);
    EXPECT_EQ(FindCompany(folder, "3")->get(Company::Name), "Renamed");
    EXPECT_EQ(FindCompany(folder, "4")->get(Company::Name), "Four");
    // The name key follows the new name.
    EXPECT_EQ(Names(CompanyOrder::ByName), (std::vector<std::string>{"Four", "Renamed"}));
}

TEST_F(CompanyFileTest, UpdateStartsFromTheFileNotTheCurrentCopy) {
    Add("3", "Three");
    state.CurrentCompany = *FindCompany(folder, "3");
    state.CurrentCompany.set(Company::Name, "Stale copy");
    ASSERT_EQ(
        UpdateCurrentCompany(
            state, folder, [](CompanyRec& c) { return c.set(Company::ReceivablesTotal, "12.50"); }),
        CompanyResult::Ok);
    EXPECT_EQ(state.CurrentCompany.get(Company::Name), "Three");
}

TEST_F(CompanyFileTest, MissChangesNothing) {
    Add("70", "Seventy");
    const CompanyRec before = *FindCompany(folder, "70");
    // "7    " sorts just before "70   ": the search lands on company 70.
    state.CurrentCompany = Make("7", "Seven");
    const CompanyRec current = state.CurrentCompany;
    bool called = false;
    const auto result = UpdateCurrentCompany(state, folder, [&](CompanyRec& c) {
        called = true;
        c.set(Company::Name, "Overwritten");
        return true;
    });
    EXPECT_EQ(result, CompanyResult::NotFound);
    EXPECT_FALSE(called);
    EXPECT_EQ(FindCompany(folder, "70"), before);
    EXPECT_EQ(state.CurrentCompany, current);
    EXPECT_EQ(state.CompanyFile, 0);
}

TEST_F(CompanyFileTest, RefusedChangesAndNumberChangesWriteNothing) {
    Add("3", "Three");
    Add("4", "Four");
    state.CurrentCompany = *FindCompany(folder, "3");
    const CompanyRec before = state.CurrentCompany;
    EXPECT_EQ(UpdateCurrentCompany(state, folder,
                                   [](CompanyRec& c) {
                                       c.set(Company::Name, "Half done");
                                       return c.set(Company::TaxRate, "1234567");  // does not fit
                                   }),
              CompanyResult::Refused);
    EXPECT_EQ(UpdateCurrentCompany(
                  state, folder, [](CompanyRec& c) { return c.set(Company::CompanyNumber, "4"); }),
              CompanyResult::NumberChanged);
    EXPECT_EQ(FindCompany(folder, "3"), before);
    EXPECT_EQ(state.CurrentCompany, before);
    EXPECT_EQ(Names(CompanyOrder::ByNumber), (std::vector<std::string>{"Three", "Four"}));
}

TEST_F(CompanyFileTest, NoCompanyFileIsAnEngineErrorNotACrash) {
    state.CurrentCompany = Make("1", "One");
    EXPECT_EQ(UpdateCurrentCompany(state, folder, [](CompanyRec&) { return true; }),
              CompanyResult::EngineError);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoSuchFileSet);
    EXPECT_FALSE(FindCompany(folder, "1").has_value());
}

TEST_F(CompanyFileTest, LostIndexIsReportedAndRebuilt) {
    Add("1", "One");
    Add("2", "Two");
    std::filesystem::remove(folder.file("cvcomp.IX"));
    EXPECT_FALSE(ListCompanies(folder, CompanyOrder::ByName).has_value());
    EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective);
    ASSERT_TRUE(RebuildCompanyFiles(folder));
    EXPECT_EQ(Names(CompanyOrder::ByName), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(FindCompany(folder, "2")->get(Company::Name), "Two");
}

TEST_F(CompanyFileTest, BecomingCurrentSetsStemDatesAndProposedDates) {
    CompanyRec c = Make(" 42 ", "Dates");
    c.set(Company::DateOrderSetting, "D");
    Clock clock;
    clock.setToday({2024, 3, 5});
    MainState main;
    MakeCompanyCurrent(state, main, clock, c);
    EXPECT_EQ(state.fileStem(), "42");
    EXPECT_EQ(state.dateFormat().DateFormatString(), "dd/mm/yyyy");
    EXPECT_EQ(main.LastInvoiceDate, "05/03/2024");
    EXPECT_EQ(main.LastPODate, "05/03/2024");
    EXPECT_EQ(main.LastPODateRequired, "05/03/2024");
    EXPECT_EQ(main.LastPOReceiptDate, "05/03/2024");
    c.set(Company::DateOrderSetting, "Y");
    MakeCompanyCurrent(state, main, clock, c);
    EXPECT_EQ(main.LastPODate, "2024/03/05");
}

}  // namespace
