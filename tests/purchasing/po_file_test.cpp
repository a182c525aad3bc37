// The purchase-order header file on real file sets: add with its key order and undo, update
// with its checks and change-back, delete from the stored record, open, rebuild.
#include <QLabel>
#include <algorithm>
#include <filesystem>

#include "platform/status_window.h"
#include "tests/purchasing/purchasing_env.h"

namespace {

class POFileTest : public PurchasingEnv {
protected:
    PORec Stored(int32_t ref) { return StoredIn<PORec>(State().POFile, ref); }
    Entries Index(int keyNr) { return IndexEntries(State().POFile, keyNr); }
    // Every index holds exactly the keys of the records given, by Ref.
    void ExpectKeysOf(const std::vector<std::pair<PORec, int32_t>>& records) {
        for (int nr = 1; nr <= POKeyCount; ++nr) {
            Entries expected;
            for (const auto& [r, ref] : records) expected.emplace_back(BuildPOKey(r, nr), ref);
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(Index(nr), expected) << "key " << nr;
        }
    }
};

TEST_F(POFileTest, OpeningANewCompanyAsksOnceAndLeavesAnEmptyOpenFile) {
    OpenNewPOFile();
    EXPECT_EQ(UsedRecordCount(State().POFile), 0);
    EXPECT_EQ(KeyCount(State().POFile), 7);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "7O.DAT"));
    ClosePOFiles();
    EXPECT_EQ(State().POFile, 0);
    ASSERT_TRUE(OpenPOFiles());
    EXPECT_EQ(host->Messages().size(), 1);
}

TEST_F(POFileTest, AFiveCharacterCompanyNumberNamesEveryStepAlike) {
    ASSERT_TRUE(shell.context().companies.CurrentCompany.set(Company::CompanyNumber, "12345"));
    OpenNewPOFile();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "12345O.DAT"));
    const int32_t ref = AddOrder(Order("100", "V1", "2024/01/01"));
    ClosePOFiles();
    ASSERT_TRUE(RebuildPOFiles()) << EngineErrorCode;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "12345O.SAV"));
    ASSERT_TRUE(OpenPOFiles());
    EXPECT_EQ(Index(1), (Entries{{"100      ", ref}}));
}

TEST_F(POFileTest, AddStoresTheRecordAndItsSevenKeys) {
    OpenNewPOFile();
    const PORec r = Order("p1", "v1", "2024/03/05", "rush", "2024/04/01", "2024/03/20");
    const int32_t ref = AddOrder(r);
    EXPECT_EQ(Stored(ref), r);
    ExpectKeysOf({{r, ref}});
    EXPECT_EQ(Index(5), (Entries{{"OP1       ", ref}}));
}

TEST_F(POFileTest, DuplicateNumbersAreBothStoredAndOrdersNotReceivedSortFirst) {
    OpenNewPOFile();
    const int32_t a = AddOrder(Order("100", "V1", "2024/01/01", "None", "2024/02/01"));
    const int32_t b = AddOrder(Order("100", "V2", "2024/01/09"));
    const int32_t c = AddOrder(Order("099", "V1", "2024/01/02", "None", "2023/12/31"));
    EXPECT_EQ(Index(1), (Entries{{"099      ", c}, {"100      ", a}, {"100      ", b}}));
    const std::string blank(10, ' ');
    EXPECT_EQ(Index(6), (Entries{{blank, b}, {"2023/12/31", c}, {"2024/02/01", a}}));

    std::string key = "100";
    int32_t ref = 0;
    ASSERT_TRUE(SearchPOKey(key, ref));
    EXPECT_EQ(ref, a);
    EXPECT_EQ(key, "100      ") << "the key found comes back";
}

TEST_F(POFileTest, UpdateWithAnUnchangedBufferWritesNothing) {
    OpenNewPOFile();
    const int32_t ref = AddOrder(Order("100", "V1", "2024/01/01"));
    const PORec read = State().POBuf;
    // Written meanwhile by someone else: an unchanged buffer must not put the old copy back.
    PORec theirs = read;
    theirs.set(PurchaseOrder::POPrinted, "Y");
    PutRecord(State().POFile, ref, theirs.bytes());
    EXPECT_TRUE(UpdatePORecord(read, ref));
    EXPECT_EQ(Stored(ref), theirs);
}

TEST_F(POFileTest, UpdateReplacesEveryChangedKey) {
    OpenNewPOFile();
    const PORec other = Order("200", "V9", "2024/01/01");
    const int32_t o = AddOrder(other);
    const int32_t ref = AddOrder(Order("100", "V1", "2024/01/01"));
    const PORec read = State().POBuf;
    const PORec edited = Order("101", "V2", "2024/02/02", "Net30", "2024/03/03", "2024/02/20");
    State().POBuf = edited;
    ASSERT_TRUE(UpdatePORecord(read, ref)) << EngineErrorCode;
    EXPECT_EQ(Stored(ref), edited);
    ExpectKeysOf({{other, o}, {edited, ref}});
}

TEST_F(POFileTest, UpdateRefusesARecordChangedInAnyByteAndKeepsTheEdits) {
    OpenNewPOFile();
    const int32_t ref = AddOrder(Order("100", "V1", "2024/01/01"));
    const PORec read = State().POBuf;
    // A byte no field covers: still a change.
    PORec theirs = read;
    theirs.bytes()[683] = 1;
    PutRecord(State().POFile, ref, theirs.bytes());

    const PORec mine = Order("101", "V2", "2024/02/02");
    State().POBuf = mine;
    host->Answer(MsgResult::Ok, "The record has changed in the meantime.");
    EXPECT_FALSE(UpdatePORecord(read, ref));
    EXPECT_EQ(Stored(ref), theirs);
    ExpectKeysOf({{theirs, ref}});
    EXPECT_EQ(State().POBuf, mine) << "the stored record is read into a work record";
}

TEST_F(POFileTest, DeleteTakesTheKeysFromTheStoredRecord) {
    OpenNewPOFile();
    const PORec a = Order("100", "V1", "2024/01/01");
    const PORec b = Order("200", "V2", "2024/01/02", "None", "2024/01/03");
    const int32_t ra = AddOrder(a);
    const int32_t rb = AddOrder(b);
    State().POBuf = b;  // not the record deleted
    ASSERT_TRUE(DeletePORecord(ra));
    EXPECT_EQ(UsedRecordCount(State().POFile), 1);
    ExpectKeysOf({{b, rb}});

    EXPECT_FALSE(DeletePORecord(ra));
    EXPECT_EQ(EngineErrorCode, EngineCode::RecordDeleted);
    ExpectKeysOf({{b, rb}});
}

TEST_F(POFileTest, RebuildRestoresTheKeysOfEveryRecord) {
    OpenNewPOFile();
    std::vector<std::pair<PORec, int32_t>> records;
    for (int i = 0; i < 120; ++i) {
        const PORec r = Order(std::to_string(1000 + i), "V" + std::to_string(i % 7),
                              "2024/01/" + std::to_string(10 + i % 20), i % 3 ? "None" : "Rush",
                              i % 2 ? " " : "2024/02/01", "2024/03/" + std::to_string(10 + i % 9));
        records.emplace_back(r, AddOrder(r));
    }
    ClosePOFiles();
    std::filesystem::remove(dir.path() / "7O.IX");

    host->Answer(MsgResult::Yes, "Index file is defective.  Rebuild?");
    ASSERT_TRUE(OpenPOFiles()) << EngineErrorCode;
    EXPECT_EQ(StatForm->windowTitle(), "POs");
    EXPECT_EQ(StatForm->Label2->text(), "Records read: 100");
    EXPECT_FALSE(StatForm->isVisible());
    ExpectKeysOf(records);
}

TEST_F(POFileTest, AVendorHasOrdersWhenKeyTwoHoldsItsNumber) {
    EXPECT_FALSE(VendorHasPOs("V1")) << "no order file yet";
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "7O.DAT"));

    OpenNewPOFile();
    AddOrder(Order("100", "V1", "2024/01/01"));
    AddOrder(Order("101", "V10", "2024/01/01"));
    EXPECT_TRUE(VendorHasPOs(" v1 "));
    EXPECT_FALSE(VendorHasPOs("V"));  // a search lands on "V1": not the same number
    EXPECT_FALSE(VendorHasPOs("V2"));
    EXPECT_FALSE(VendorHasPOs("V123456789")) << "longer than any number on file";
    EXPECT_NE(State().POFile, 0) << "an open file stays open";

    ClosePOFiles();
    EXPECT_TRUE(VendorHasPOs("V10"));
    EXPECT_EQ(State().POFile, 0) << "opened for the look-up alone";

    // Unreadable: the orders cannot be shown to be absent.
    std::filesystem::remove(dir.path() / "7O.IX");
    EXPECT_TRUE(VendorHasPOs("V2"));
    EXPECT_EQ(State().POFile, 0);
}

}  // namespace
