// Rebuilds: restructure and reindex, the saved data file, refused keys, progress and abort.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/engine/engine_fixture.h"

namespace enginetest {
namespace {

namespace fs = std::filesystem;

class RebuildTest : public EngineTest {
protected:
    static std::string contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // A closed set with `count` records R0.. in groups of three, every fourth one deleted.
    void fillAndClose(int count) {
        FileSetHandle h = createAndOpen();
        for (int i = 0; i < count; ++i)
            addWithKeys(h, "R" + std::to_string(i), "G" + std::to_string(i / 3));
        for (int32_t ref = 4; ref <= count; ref += 4) {
            std::vector<uint8_t> buf(TestRecordLength);
            ReadRecord(h, ref, buf);
            DeleteKey(h, 1, ref, codeOf(buf));
            DeleteKey(h, 2, ref, groupOf(buf));
            DeleteRecord(h, ref);
        }
        CloseFileSet(h);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
    }
};

TEST_F(RebuildTest, RestructureClosesHolesKeepsTheOldFileAndReindexRestoresKeys) {
    fillAndClose(40);
    const std::string oldData = contents(name() + ".DAT");
    rebuild();
    EXPECT_EQ(contents(name() + ".SAV"), oldData);
    EXPECT_FALSE(fs::exists(name() + ".MSG"));

    FileSetHandle h = 0;
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(UsedRecordCount(h), 30);
    int32_t ref = 0;
    std::vector<int32_t> refs;
    for (NextUsedRecord(h, ref); EngineOK; NextUsedRecord(h, ref)) refs.push_back(ref);
    EXPECT_EQ(refs.size(), 30u);
    EXPECT_EQ(refs.back(), 30);
    std::vector<uint8_t> buf(TestRecordLength);
    for (const auto& [key, r] : walk(h, 1)) {
        ReadRecord(h, r, buf);
        EXPECT_EQ(codeOf(buf), key);
    }
    EXPECT_EQ(IndexKeyCount(h, 1), 30);
    EXPECT_EQ(IndexKeyCount(h, 2), 30);
    // New records go to the end: the rebuilt file has no freed slots.
    EXPECT_EQ(addWithKeys(h, "NEW"), 31);
}

// What a restructure finds in the data file it copies: nothing after a crash, and for a
// damaged file what did not come over and how many bytes NAME.SAV keeps of it.
TEST_F(RebuildTest, RestructureReportsWhatADamagedDataFileLost) {
    const fs::path dat = name() + ".DAT";
    const auto restructure = [&] {
        RestructureReport found;
        RestructureFile(name(), TestRecordLength, TestRecordLength, {}, &found);
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        ReindexFile(name(), 2, keys, testKey);
        return found;
    };
    const auto setStatus = [&](int32_t ref, uint32_t status) {
        testsupport::Overwrite(dat, 128 + (ref - 1) * TestRecordLength,
                               {reinterpret_cast<const char*>(&status), 4});
    };

    fillAndClose(12);  // 9 live, slots 4, 8 and 12 freed
    RestructureReport found = restructure();
    EXPECT_FALSE(found.damaged());
    EXPECT_EQ(found.kept, 9);
    EXPECT_EQ(found.savedAs, fs::path(name() + ".SAV").filename().string());

    // Cut inside its last record: the ones before it are kept, the rest is counted.
    fs::resize_file(dat, 128 + 9 * TestRecordLength - 20);
    found = restructure();
    EXPECT_TRUE(found.cutShort);
    EXPECT_EQ(found.kept, 8);
    EXPECT_EQ(found.expected, 9);
    EXPECT_EQ(found.bytesSetAside, uint64_t{TestRecordLength - 20});

    // A status that says neither live nor deleted, and a live record whose status bit
    // flipped to "deleted" off the free chain: both left out and named, never taken as live.
    FileSetHandle h = 0;
    OpenFileSet(h, name());
    addWithKeys(h, "GONE");
    DeleteRecord(h, 9);  // on the chain, keys left: only the data file is looked at
    CloseFileSet(h);
    setStatus(2, 0x00000100);
    setStatus(5, 0x80000000);
    found = restructure();
    EXPECT_EQ(found.damagedSlots, (std::vector<uint32_t>{2, 5}));
    EXPECT_EQ(found.kept, 6);
    EXPECT_EQ(found.bytesSetAside, uint64_t{2 * TestRecordLength});

    // A damaged header: every whole slot is looked at; one cut inside it keeps nothing.
    testsupport::Overwrite(dat, 20, "\x7F\x7F\x7F\x7F");  // a header field: its checksum fails
    found = restructure();
    EXPECT_TRUE(found.headerDamaged);
    EXPECT_EQ(found.kept, 6);
    fs::resize_file(dat, 60);
    found = restructure();
    EXPECT_TRUE(found.cutShort);
    EXPECT_EQ(found.kept, 0);
    EXPECT_EQ(found.bytesSetAside, 60u);
}

// A read that meets such a status fails and marks the set, so that its next open asks for
// the rebuild that tells about it.
TEST_F(RebuildTest, AReadThatMeetsADamagedStatusFailsAndTheNextOpenWantsARebuild) {
    fillAndClose(6);
    testsupport::Overwrite(name() + ".DAT", 128 + 2 * TestRecordLength, "\x07");
    FileSetHandle h = 0;
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    int32_t ref = 0;
    NextUsedRecord(h, ref);
    NextUsedRecord(h, ref);
    EXPECT_EQ(ref, 2);
    NextUsedRecord(h, ref);
    EXPECT_EQ(EngineErrorCode, EngineCode::DataFileDefective);
    EXPECT_EQ(ref, 3);
    NextUsedRecord(h, ref);  // the walk goes on past it
    EXPECT_EQ(ref, 5);
    std::vector<uint8_t> buf(TestRecordLength);
    ReadRecord(h, 3, buf);
    EXPECT_EQ(EngineErrorCode, EngineCode::DataFileDefective);
    CloseFileSet(h);
    OpenFileSet(h, name());
    EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective);
    RestructureReport found;
    RestructureFile(name(), TestRecordLength, TestRecordLength, {}, &found);
    EXPECT_EQ(found.damagedSlots, (std::vector<uint32_t>{3}));
}

// An index of more entries than a rebuild writes at once is written in pieces, each after
// the last: every key is there, in order.
TEST_F(RebuildTest, AnIndexWrittenInPiecesHoldsEveryKeyInOrder) {
    constexpr int Count = 70000;
    FileSetHandle h = createAndOpen();
    LockFileSet(h);
    for (int i = 0; i < Count; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "C%06d", (i * 7919) % Count);
        auto rec = makeRecord(code, "G" + std::to_string(i % 7));
        int32_t ref = 0;
        AddRecord(h, ref, rec);
    }
    UnlockFileSet(h);
    CloseFileSet(h);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    ReindexFile(name(), 2, keys, testKey);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(IndexKeyCount(h, 1), Count);
    EXPECT_EQ(IndexKeyCount(h, 2), Count);
    const auto codes = walk(h, 1);
    ASSERT_EQ(codes.size(), std::size_t(Count));
    for (int i = 0; i < Count; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "C%06d", i);
        ASSERT_EQ(codes[i].first, code);
    }
}

TEST_F(RebuildTest, RestructureChangesTheRecordLengthThroughTheConverter) {
    fillAndClose(6);
    const int32_t longer = TestRecordLength + 16;
    RestructureFile(name(), TestRecordLength, longer,
                    [](std::span<const uint8_t> oldRec, std::span<uint8_t> newRec) {
                        newRec[TestRecordLength] = 'X';
                        newRec[0] = 0xEE;  // the engine's bytes stay 0 whatever it does
                    });
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    ReindexFile(name(), 2, keys, testKey);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    FileSetHandle h = 0;
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(RecordLength(h), longer);
    std::vector<uint8_t> buf(longer);
    ReadRecord(h, 1, buf);
    EXPECT_EQ(codeOf(buf), "R0");
    EXPECT_EQ(buf[TestRecordLength], 'X');
    EXPECT_EQ(buf[0], 0);

    // The caller's idea of the old length must match the file.
    CloseFileSet(h);
    RestructureFile(name(), TestRecordLength, TestRecordLength);
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
}

TEST_F(RebuildTest, KeysThatCannotBeAddedAreListedInTheMessageFile) {
    FileSetHandle h = createAndOpen();
    for (const char* code : {"SAME", "OTHER", "SAME", "A\tB"}) {
        auto rec = makeRecord(code, "GROUPLONG");
        int32_t ref = 0;
        AddRecord(h, ref, rec);
    }
    CloseFileSet(h);
    KeyDescTable narrow = keyTable({{16, false}, {5, true}});
    ReindexFile(name(), 2, narrow, testKey);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    // The lowest Ref keeps a unique key; the group is one byte too long everywhere.
    EXPECT_EQ(contents(name() + ".MSG"),
              "1\tSAME\t3\n"
              "2\tGROUPLON\t1\n2\tGROUPLON\t2\n2\tGROUPLON\t3\n2\tGROUPLON\t4\n");
    OpenFileSet(h, name());
    EXPECT_EQ(walk(h, 1), (std::vector<std::pair<std::string, int32_t>>{
                              {"A\tB", 4}, {"OTHER", 2}, {"SAME", 1}}));
    EXPECT_EQ(IndexKeyCount(h, 2), 0);
    CloseFileSet(h);

    // A reindex that refuses nothing removes the old list.
    ReindexFile(name(), 1, keyTable({{16, true}}), testKey);
    ASSERT_TRUE(EngineOK);
    EXPECT_FALSE(fs::exists(name() + ".MSG"));
}

TEST_F(RebuildTest, APartialIndexLeavesOutTheRecordsWithAnEmptyKey) {
    FileSetHandle h = createAndOpen();
    for (const auto& [code, group] : {std::pair{"A", "G1"}, {"B", ""}, {"C", "G0"}}) {
        auto rec = makeRecord(code, group);
        int32_t ref = 0;
        AddRecord(h, ref, rec);
    }
    CloseFileSet(h);
    for (const bool partial : {true, false}) {
        KeyDescTable table = keyTable({{16, false}, {8, true}});
        table[1].partial = partial;
        ReindexFile(name(), 2, table, testKey);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        OpenFileSet(h, name());
        EXPECT_EQ(walk(h, 1), (Entries{{"A", 1}, {"B", 2}, {"C", 3}}));
        const Entries listed = partial ? Entries{{"G0", 3}, {"G1", 1}}
                                       : Entries{{"", 2}, {"G0", 3}, {"G1", 1}};
        EXPECT_EQ(walk(h, 2), listed);
        CloseFileSet(h);
    }
}

TEST_F(RebuildTest, ProgressIsReportedFromStartToEnd) {
    fillAndClose(200);
    std::vector<std::tuple<int, int, int32_t, int32_t>> calls;
    RebuildProgressProc = [&](int state, int keyNr, int32_t read, int32_t written) {
        calls.emplace_back(state, keyNr, read, written);
    };
    RestructureFile(name(), TestRecordLength, TestRecordLength);
    ASSERT_TRUE(EngineOK);
    ASSERT_GE(calls.size(), 2u + 200 / 50);
    EXPECT_EQ(std::get<0>(calls.front()), 0);
    EXPECT_EQ(calls.back(), std::make_tuple(2, 0, 200, 150));
    for (size_t i = 1; i + 1 < calls.size(); ++i) {
        EXPECT_EQ(std::get<0>(calls[i]), 1);
        EXPECT_LE(std::get<2>(calls[i]) - std::get<2>(calls[i - 1]), 50);
    }

    calls.clear();
    ReindexFile(name(), 2, keys, testKey);
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(std::get<0>(calls.front()), 0);
    EXPECT_EQ(std::get<0>(calls.back()), 2);
    bool sawKey2 = false;
    for (const auto& c : calls) sawKey2 |= std::get<0>(c) == 1 && std::get<1>(c) == 2;
    EXPECT_TRUE(sawKey2);
}

TEST_F(RebuildTest, AnAbortedRebuildLeavesEveryFileAsItWas) {
    fillAndClose(300);
    const auto before = folderNames();
    const std::string data = contents(name() + ".DAT");
    const std::string index = contents(name() + ".IX");
    for (const int stopAfter : {1, 3}) {
        int calls = 0;
        RebuildProgressProc = [&](int, int, int32_t, int32_t) {
            if (++calls == stopAfter) EngineOK = false;
        };
        RestructureFile(name(), TestRecordLength, TestRecordLength);
        EXPECT_EQ(EngineErrorCode, EngineCode::RebuildAborted);
        calls = 0;
        ReindexFile(name(), 2, keys, testKey);
        EXPECT_EQ(EngineErrorCode, EngineCode::RebuildAborted);
        EXPECT_EQ(folderNames(), before);
        EXPECT_EQ(contents(name() + ".DAT"), data);
        EXPECT_EQ(contents(name() + ".IX"), index);
    }
    RebuildProgressProc = nullptr;
    FileSetHandle h = 0;
    OpenFileSet(h, name());
    EXPECT_TRUE(EngineOK) << EngineErrorCode;
}

TEST_F(RebuildTest, RebuildNeedsADataFile) {
    RestructureFile(name("NONE"), TestRecordLength, TestRecordLength);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoSuchFileSet);
    ReindexFile(name("NONE"), 2, keys, testKey);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoSuchFileSet);
    fillAndClose(3);
    ReindexFile(name(), 2, keyTable({{0, false}}), testKey);
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
    RestructureFile(name(), TestRecordLength, 2);
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
}

}  // namespace
}  // namespace enginetest
