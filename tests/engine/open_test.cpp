// Opening and closing file sets: sharing, other processes, crashes and damaged files.

#include <filesystem>

#include "engine/file_io.h"
#include "tests/engine/engine_fixture.h"

namespace enginetest {
namespace {

namespace fs = std::filesystem;

class OpenTest : public EngineTest {
protected:
    std::vector<std::string> codesByKey(FileSetHandle h) {
        std::vector<std::string> codes;
        std::vector<uint8_t> buf(TestRecordLength);
        for (const auto& [key, ref] : walk(h, 1)) {
            ReadRecord(h, ref, buf);
            EXPECT_EQ(codeOf(buf), key);
            codes.push_back(key);
        }
        return codes;
    }

    int32_t openCode(const std::string& base = "STOCK") {
        return testsupport::OpenCode(name(base));
    }
};

TEST_F(OpenTest, ReopenAfterCloseKeepsRecordsKeysAndFreeList) {
    FileSetHandle h = createAndOpen();
    for (const char* code : {"C", "A", "B", "D"}) addWithKeys(h, code, "G");
    DeleteRecord(h, 2);
    DeleteKey(h, 1, 2, "A");
    DeleteKey(h, 2, 2, "G");
    CloseFileSet(h);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;

    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(RecordLength(h), TestRecordLength);
    EXPECT_EQ(KeyCount(h), 2);
    EXPECT_EQ(UsedRecordCount(h), 3);
    EXPECT_EQ(codesByKey(h), (std::vector<std::string>{"B", "C", "D"}));
    EXPECT_EQ(IndexKeyCount(h, 2), 3);
    EXPECT_EQ(addWithKeys(h, "E"), 2);
}

TEST_F(OpenTest, MissingFilesGiveTheirOwnCodes) {
    EXPECT_EQ(openCode("NOSUCH"), EngineCode::NoSuchFileSet);
    EXPECT_EQ(EngineErrorClassOf(EngineCode::NoSuchFileSet), 1);

    FileSetHandle h = createAndOpen();
    addWithKeys(h, "A");
    CloseFileSet(h);
    fs::rename(name() + ".IX", name() + ".KEEP");
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    // Without its data file a set is defective, not absent: an empty set must not be
    // created over what is left of it.
    fs::rename(name() + ".DAT", name() + ".GONE");
    fs::rename(name() + ".KEEP", name() + ".IX");
    EXPECT_EQ(openCode(), EngineCode::DataFileDefective);
    fs::rename(name() + ".GONE", name() + ".DAT");
    EXPECT_EQ(openCode(), 0);

    OpenFileSet(h, std::string(MaxNameLength + 1, 'N'));
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
    OpenFileSet(h, "");
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
}

TEST_F(OpenTest, ExistingFilesAreFoundWhateverTheCaseOfTheirNames) {
    FileSetHandle h = createAndOpen("Stock");
    addWithKeys(h, "A");
    CloseFileSet(h);
    EXPECT_TRUE(fs::exists(name("Stock") + ".DAT"));
    EXPECT_TRUE(fs::exists(name("Stock") + ".IX"));
    fs::rename(name("Stock") + ".DAT", name("stock") + ".dat");
    fs::rename(name("Stock") + ".IX", name("stock") + ".Ix");
    OpenFileSet(h, name("STOCK"));
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(UsedRecordCount(h), 1);
    CloseFileSet(h);
    // A rebuild keeps working on the files found.
    rebuild("STOCK");
    EXPECT_TRUE(fs::exists(name("stock") + ".dat"));
    EXPECT_FALSE(fs::exists(name("STOCK") + ".DAT"));
    EXPECT_EQ(openCode("stock"), 0);

    // Creating the set again empties the files found instead of making a second set.
    CreateFileSet(name("STOCK"), TestRecordLength, 2, keys);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_FALSE(fs::exists(name("STOCK") + ".DAT"));
    OpenFileSet(h, name("stock"));
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(UsedRecordCount(h), 0);
    EXPECT_EQ(IndexKeyCount(h, 1), 0);
}

TEST_F(OpenTest, OpeningAnOpenSetAgainSharesIt) {
    FileSetHandle first = createAndOpen();
    FileSetHandle second = 0;
    OpenFileSet(second, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    ASSERT_NE(first, second);
    addWithKeys(first, "A");
    EXPECT_EQ(UsedRecordCount(second), 1);
    EXPECT_EQ(IndexKeyCount(second, 1), 1);
    CloseFileSet(first);
    addWithKeys(second, "B");
    EXPECT_EQ(codesByKey(second), (std::vector<std::string>{"A", "B"}));
    CloseFileSet(second);
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(openCode(), 0);
}

// A set closed while another of its folder stays open keeps its files ready: opening it
// again costs no read of either file. Whatever changed either file since is seen, the set is
// let go for a rebuild or a new set, and for a child process; closing the folder's last set
// closes its files.
TEST_F(OpenTest, AClosedSetStaysReadyOnlyWhileNothingElseWantsItsFiles) {
    FileSetHandle keep = createAndOpen("KEEP");
    FileSetHandle h = createAndOpen();
    addWithKeys(h, "A");
    CloseFileSet(h);
    const fs::path ix = name() + ".IX";
    const auto ixTime = fs::last_write_time(ix);
    // Records rewritten, no key touched: the index file is left as it was.
    OpenFileSet(h, name());
    auto rec = makeRecord("A");
    rec[40] = 'x';
    PutRecord(h, 1, rec);
    CloseFileSet(h);
    EXPECT_EQ(fs::last_write_time(ix), ixTime);
    EXPECT_EQ(openCode(), 0);

    // A child process may open it while this one keeps it ready.
    EXPECT_EQ(inChild([&] {
                  FileSetHandle other = 0;
                  OpenFileSet(other, name());
                  return EngineOK ? 0 : 1;
              }),
              0);

    // Written behind the engine's back after the close: found at the next open.
    testsupport::Overwrite(ix, fs::file_size(ix) / 2, std::string(64, 'x'));
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    rebuild();
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    CloseFileSet(h);
    testsupport::Overwrite(name() + ".DAT", 128 + 4, "B");
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    std::vector<uint8_t> stored(TestRecordLength);
    ReadRecord(h, 1, stored);
    EXPECT_EQ(codeOf(stored), "B");
    EXPECT_EQ(stored[40], 'x');
    CloseFileSet(h);

    // A set kept ready is no obstacle to a rebuild or a new set in its place.
    ReindexFile(name(), 2, keys, testKey);
    EXPECT_TRUE(EngineOK) << EngineErrorCode;
    OpenFileSet(h, name());
    CloseFileSet(h);
    CreateFileSet(name(), TestRecordLength, 2, keys);
    EXPECT_TRUE(EngineOK) << EngineErrorCode;
    OpenFileSet(h, name());
    EXPECT_EQ(UsedRecordCount(h), 0);
    CloseFileSet(h);

    // The folder's last set closed: another process gets the files.
    CloseFileSet(keep);
    FileSetHandle again = 0;
    OpenFileSet(again, name());
    CloseFileSet(again);
    EXPECT_EQ(inChild([&] {
                  EngineAbandon();  // as a process of its own, which holds nothing
                  FileSetHandle other = 0;
                  OpenFileSet(other, name());
                  return EngineOK ? 0 : 1;
              }),
              0);
}

TEST_F(OpenTest, AnotherProcessGetsFileInUse) {
    FileSetHandle h = createAndOpen();
    const int status = inChild([&] {
        FileSetHandle other = 0;
        OpenFileSet(other, name());
        if (EngineOK || EngineErrorClass() != 2) return 1;
        RestructureFile(name(), TestRecordLength, TestRecordLength);
        return EngineErrorCode == EngineCode::FileInUse ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
    addWithKeys(h, "A");
    EXPECT_TRUE(EngineOK);
    // Nor may this process rebuild or recreate it while it is open.
    RestructureFile(name(), TestRecordLength, TestRecordLength);
    EXPECT_EQ(EngineErrorCode, EngineCode::FileInUse);
    CreateFileSet(name(), TestRecordLength, 2, keys);
    EXPECT_EQ(EngineErrorCode, EngineCode::FileInUse);
    EXPECT_EQ(UsedRecordCount(h), 1);
}

TEST_F(OpenTest, ASetLeftOpenByADeadProcessIsTrustedOnlyInTheSameBootAndUntouched) {
    FileSetHandle h = createAndOpen();
    for (int i = 0; i < 20; ++i) addWithKeys(h, "R" + std::to_string(i));
    CloseFileSet(h);

    // A process that only read the set leaves the index that was closed: the same check as
    // after a clean close lets it in, and catches damage done to it since.
    const auto readerDies = [&] {
        return inChild([&] {
            FileSetHandle r = 0;
            OpenFileSet(r, name());
            return EngineOK && walk(r, 1).size() == 20 ? 0 : 1;  // dies without closing
        });
    };
    ASSERT_EQ(readerDies(), 0);
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(codesByKey(h).size(), 20u);
    CloseFileSet(h);
    // A bracket whose only change was refused changed nothing either.
    const int refused = inChild([&] {
        FileSetHandle r = 0;
        OpenFileSet(r, name());
        LockFileSet(r);
        AddKey(r, 1, 5, "R0");
        const bool duplicate = EngineErrorCode == EngineCode::DuplicateKey;
        UnlockFileSet(r);
        return duplicate && EngineOK ? 0 : 1;
    });
    ASSERT_EQ(refused, 0);
    EXPECT_EQ(openCode(), 0);
    ASSERT_EQ(readerDies(), 0);
    testsupport::Overwrite(name() + ".IX", fs::file_size(name() + ".IX") / 2,
                           std::string(64, 'x'));
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    rebuild();

    // After changes the machine kept every write of the process in its page cache: the set
    // opens at once with all of them, and is durable and clean from then on.
    const auto writerDies = [&](int from) {
        return inChild([&] {
            FileSetHandle w = 0;
            OpenFileSet(w, name());
            for (int i = from; i < from + 10; ++i) addWithKeys(w, "R" + std::to_string(i));
            return EngineOK ? 0 : 1;
        });
    };
    ASSERT_EQ(writerDies(20), 0);
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(UsedRecordCount(h), 30);
    EXPECT_EQ(codesByKey(h).size(), 30u);
    CloseFileSet(h);
    engine_io::startNewBoot();
    EXPECT_EQ(openCode(), 0);

    // Written since the process died, or left by it in an earlier boot of the machine (its
    // unsynced index may be torn): only a rebuild is trusted.
    ASSERT_EQ(writerDies(30), 0);
    testsupport::Overwrite(name() + ".IX", fs::file_size(name() + ".IX") / 2,
                           std::string(64, 'x'));
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    rebuild();
    ASSERT_EQ(writerDies(40), 0);
    engine_io::startNewBoot();
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    rebuild();
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(UsedRecordCount(h), 50);
    EXPECT_EQ(codesByKey(h).size(), 50u);
}

TEST_F(OpenTest, ASetLeftInsideABracketOpensWithoutTheRecordOfThatBracket) {
    CreateFileSet(name(), TestRecordLength, 2, keys);
    const int status = inChild([&] {
        FileSetHandle h = 0;
        OpenFileSet(h, name());
        for (int i = 0; i < 5; ++i) addWithKeys(h, "R" + std::to_string(i));
        LockFileSet(h);
        auto rec = makeRecord("HALF");
        int32_t ref = 0;
        AddRecord(h, ref, rec);
        return EngineOK ? 0 : 1;  // dies before its keys and the end of the bracket
    });
    ASSERT_EQ(status, 0);
    FileSetHandle h = 0;
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    // The record of the bracket that never ended is not there by half: not there at all.
    EXPECT_EQ(codesByKey(h), (std::vector<std::string>{"R0", "R1", "R2", "R3", "R4"}));
}

TEST_F(OpenTest, OnlyTheOutermostBracketEndsTheUnit) {
    CreateFileSet(name(), TestRecordLength, 2, keys);
    // Inner brackets ended, the outer one not: what was written inside is not kept.
    int status = inChild([&] {
        FileSetHandle h = 0;
        OpenFileSet(h, name());
        addWithKeys(h, "DONE");
        LockFileSet(h);
        addWithKeys(h, "INNER");
        return EngineOK ? 0 : 1;
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(openCode(), 0);

    // A bracket that changed only keys and never ended leaves the set as it was.
    status = inChild([&] {
        FileSetHandle h = 0;
        OpenFileSet(h, name());
        LockFileSet(h);
        AddKey(h, 1, 1, "EXTRA");
        DeleteKey(h, 1, 1, "DONE");
        return EngineOK ? 0 : 1;
    });
    ASSERT_EQ(status, 0);
    FileSetHandle h = 0;
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(codesByKey(h), (std::vector<std::string>{"DONE"}));
}

TEST_F(OpenTest, DamagedIndexFilesAreReportedAndRebuilt) {
    FileSetHandle h = createAndOpen();
    for (int i = 0; i < 300; ++i) addWithKeys(h, "R" + std::to_string(i), "G");
    CloseFileSet(h);
    const fs::path ix = name() + ".IX";
    const auto size = fs::file_size(ix);

    // Garbage in the middle, garbage at the start, cut short, emptied, replaced by an
    // older copy of itself: each is found at open, never read.
    fs::copy_file(ix, name() + ".OLD");
    testsupport::Overwrite(ix, size / 2, std::string(64, 'x'));
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    testsupport::Overwrite(ix, 0, std::string(4096, '\xFF'));
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    fs::resize_file(ix, size / 3);
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    fs::resize_file(ix, 0);
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);

    rebuild();
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(codesByKey(h).size(), 300u);
    addWithKeys(h, "NEW");
    CloseFileSet(h);
    fs::copy_file(ix, name() + ".OLD", fs::copy_options::overwrite_existing);
    OpenFileSet(h, name());
    addWithKeys(h, "NEWER");
    CloseFileSet(h);
    fs::copy_file(name() + ".OLD", ix, fs::copy_options::overwrite_existing);
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
}

TEST_F(OpenTest, ASetClosedCleanOpensAtOnceWhenItsFolderWasCopied) {
    FileSetHandle h = createAndOpen();
    for (int i = 0; i < 50; ++i) addWithKeys(h, "R" + std::to_string(i));
    CloseFileSet(h);
    // A restore of a copied folder: the same bytes, sizes and times in files of new inodes.
    for (const char* ext : {".DAT", ".IX"}) {
        const fs::path file = name() + ext;
        const auto time = fs::last_write_time(file);
        fs::copy_file(file, name() + ".CPY");
        fs::rename(name() + ".CPY", file);
        fs::last_write_time(file, time);
    }
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(codesByKey(h).size(), 50u);
    CloseFileSet(h);
}

TEST_F(OpenTest, DamagedDataFilesGiveACodeAndWholeSlotsSurviveARebuild) {
    FileSetHandle h = createAndOpen();
    for (int i = 0; i < 10; ++i) addWithKeys(h, "R" + std::to_string(i));
    CloseFileSet(h);
    const fs::path dat = name() + ".DAT";

    // Cut inside the last slot: the header promises more than the file holds.
    fs::resize_file(dat, 128 + 10 * TestRecordLength - 10);
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    rebuild();
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(UsedRecordCount(h), 9);
    CloseFileSet(h);

    // A damaged header field: found by the header's checksum, recovered from the slots.
    testsupport::Overwrite(dat, 20, std::string("\x7F\x7F\x7F\x7F", 4));
    EXPECT_EQ(openCode(), EngineCode::IndexDefective);
    rebuild();
    EXPECT_EQ(openCode(), 0);

    // Not a data file of ours at all, or too short for a header.
    testsupport::Overwrite(dat, 0, "garbage!");
    EXPECT_EQ(openCode(), EngineCode::DataFileDefective);
    RestructureFile(name(), TestRecordLength, TestRecordLength);
    EXPECT_EQ(EngineErrorCode, EngineCode::DataFileDefective);
    fs::resize_file(dat, 17);
    EXPECT_EQ(openCode(), EngineCode::DataFileDefective);
}

TEST_F(OpenTest, ADataFileCutInsideItsHeaderIsRebuiltEmptyWithItsBytesKept) {
    FileSetHandle h = createAndOpen();
    addWithKeys(h, "A");
    CloseFileSet(h);
    const fs::path dat = name() + ".DAT";
    for (const uint64_t size : {60u, 0u}) {
        fs::resize_file(dat, size);
        EXPECT_EQ(openCode(), EngineCode::IndexDefective) << size;
        rebuild();
        EXPECT_EQ(fs::file_size(name() + ".SAV"), size);
        OpenFileSet(h, name());
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        EXPECT_EQ(UsedRecordCount(h), 0);
        addWithKeys(h, "B");
        CloseFileSet(h);
    }
}

TEST_F(OpenTest, AFolderOfAnyDepthWorksAndOnlyTheSetsOwnNameIsLimited) {
    std::string deep;
    for (int i = 0; i < 6; ++i) deep += std::string(60, 'd') + std::to_string(i) + "/";
    fs::create_directories(name(deep));
    const std::string base = deep + "STOCK";
    ASSERT_GT(name(base).size(), 370u);
    FileSetHandle h = createAndOpen(base);
    addWithKeys(h, "A");
    CloseFileSet(h);
    EXPECT_EQ(openCode(base), 0);
    rebuild(base);
    EXPECT_EQ(openCode(base), 0);

    CreateFileSet(name(std::string(MaxNameLength, 'N')), TestRecordLength, 2, keys);
    EXPECT_TRUE(EngineOK) << EngineErrorCode;
    CreateFileSet(name(std::string(MaxNameLength + 1, 'N')), TestRecordLength, 2, keys);
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
}

TEST_F(OpenTest, EngineStopClosesEverySet) {
    FileSetHandle h = createAndOpen();
    addWithKeys(h, "A");
    LockFileSet(h);  // a bracket left open is finished, not lost
    addWithKeys(h, "B");
    EngineStop();
    EXPECT_FALSE(EngineReady());
    EXPECT_FALSE(IsFileSetOpen(h));
    EngineStart(30);
    EXPECT_TRUE(EngineReady());
    EXPECT_FALSE(EngineModeFlag());
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(codesByKey(h), (std::vector<std::string>{"A", "B"}));
}

TEST(EngineErrorClasses, CodesSortIntoTheirClasses) {
    EXPECT_EQ(EngineErrorClassOf(0), 0);
    for (const int32_t c : {9903, 10210, 10220, 10230, 10250, 10275, 10410})
        EXPECT_EQ(EngineErrorClassOf(c), 1) << c;
    for (const int32_t c : {9900, 10065, 10110, 10306, 10399})
        EXPECT_EQ(EngineErrorClassOf(c), 2) << c;
    for (const int32_t c : {10001, 10009}) EXPECT_EQ(EngineErrorClassOf(c), 3) << c;
    for (const int32_t c : {10010, 10040, 10050, 10125, 10130, 10135, 10300, 10450})
        EXPECT_EQ(EngineErrorClassOf(c), 4) << c;
}

}  // namespace
}  // namespace enginetest
