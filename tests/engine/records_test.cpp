// Data records: slots, Refs, the free list and buffer checks.

#include <fstream>

#include "tests/engine/engine_fixture.h"

namespace enginetest {
namespace {

using RecordsTest = EngineTest;

TEST_F(RecordsTest, RecordsRoundTripAndFreedSlotsAreReusedLowestFirst) {
    FileSetHandle h = createAndOpen();
    std::vector<int32_t> refs;
    for (const char* code : {"A", "B", "C", "D"}) {
        auto rec = makeRecord(code);
        rec[0] = 0xFF;  // the engine's bytes: written as 0 whatever the caller left there
        int32_t ref = 0;
        AddRecord(h, ref, rec);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        refs.push_back(ref);
    }
    EXPECT_EQ(refs, (std::vector<int32_t>{1, 2, 3, 4}));

    std::vector<uint8_t> buf(TestRecordLength);
    ReadRecord(h, 3, buf);
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(codeOf(buf), "C");
    EXPECT_EQ(buf[0], 0);

    DeleteRecord(h, 1);
    DeleteRecord(h, 3);
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(UsedRecordCount(h), 2);

    // A freed slot still reads; its first bytes tell that it is deleted.
    ReadRecord(h, 3, buf);
    EXPECT_TRUE(EngineOK);
    EXPECT_NE(buf[0] | buf[1] | buf[2] | buf[3], 0);

    auto rec = makeRecord("changed");
    PutRecord(h, 3, rec);
    EXPECT_EQ(EngineErrorCode, EngineCode::RecordDeleted);
    DeleteRecord(h, 3);
    EXPECT_EQ(EngineErrorCode, EngineCode::RecordDeleted);

    int32_t ref = 0;
    AddRecord(h, ref, rec);
    EXPECT_EQ(ref, 1);
    AddRecord(h, ref, rec);
    EXPECT_EQ(ref, 3);
    AddRecord(h, ref, rec);
    EXPECT_EQ(ref, 5);
    EXPECT_EQ(UsedRecordCount(h), 5);

    rec = makeRecord("put");
    PutRecord(h, 2, rec);
    ASSERT_TRUE(EngineOK);
    ReadRecord(h, 2, buf);
    EXPECT_EQ(codeOf(buf), "put");
}

TEST_F(RecordsTest, RefsOutsideTheFileAndWrongBufferSizesAreRefused) {
    FileSetHandle h = createAndOpen();
    addWithKeys(h, "A");
    auto rec = makeRecord("X");

    PutRecord(h, 0, rec);
    EXPECT_EQ(EngineErrorCode, EngineCode::RefZero);
    for (const int32_t bad : {0, 2, -1}) {
        std::vector<uint8_t> buf(TestRecordLength);
        ReadRecord(h, bad, buf);
        EXPECT_EQ(EngineErrorCode, EngineCode::RefOutOfRange) << bad;
        DeleteRecord(h, bad);
        EXPECT_EQ(EngineErrorCode, EngineCode::RefOutOfRange) << bad;
    }
    PutRecord(h, 2, rec);
    EXPECT_EQ(EngineErrorCode, EngineCode::RefOutOfRange);

    // A short buffer is refused before anything is copied into it or past it.
    std::vector<uint8_t> storage(TestRecordLength + 8, 0xAB);
    ReadRecord(h, 1, std::span(storage).first(TestRecordLength - 1));
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
    EXPECT_EQ(storage, std::vector<uint8_t>(TestRecordLength + 8, 0xAB));

    std::vector<uint8_t> longer(TestRecordLength + 1);
    int32_t ref = 0;
    AddRecord(h, ref, longer);
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
    PutRecord(h, 1, longer);
    EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
    EXPECT_EQ(UsedRecordCount(h), 1);
    EXPECT_EQ(EngineErrorClass(), 0);
}

TEST_F(RecordsTest, NextUsedRecordWalksLiveRecordsInRecordOrder) {
    FileSetHandle h = createAndOpen();
    int32_t ref = 0;
    NextUsedRecord(h, ref);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextRecord);

    // Enough records to need several reads of the scan buffer.
    for (int i = 0; i < 5000; ++i) {
        auto rec = makeRecord(std::to_string(i));
        AddRecord(h, ref, rec);
    }
    for (int32_t r = 1; r <= 5000; ++r)
        if (r % 3 != 0) DeleteRecord(h, r);
    ASSERT_TRUE(EngineOK);
    std::vector<int32_t> seen;
    ref = 0;
    for (;;) {
        NextUsedRecord(h, ref);
        if (!EngineOK) break;
        seen.push_back(ref);
    }
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextRecord);
    EXPECT_EQ(EngineErrorClass(), 1);
    ASSERT_EQ(seen.size(), 1666u);
    EXPECT_EQ(seen.front(), 3);
    EXPECT_EQ(seen.back(), 4998);
    EXPECT_EQ(UsedRecordCount(h), 1666);
}

// Walks read blocks of slots ahead; whatever changes a slot after that is what is read.
TEST_F(RecordsTest, ReadsAheadNeverHideALaterChange) {
    FileSetHandle h = createAndOpen();
    int32_t ref = 0;
    for (int i = 1; i <= 50; ++i) {
        auto rec = makeRecord(std::to_string(i));
        AddRecord(h, ref, rec);
    }
    std::vector<uint8_t> buf(TestRecordLength);
    const auto readCode = [&](int32_t r) {
        ReadRecord(h, r, buf);
        return EngineOK ? codeOf(buf) : "error " + std::to_string(EngineErrorCode);
    };
    const auto walk = [&] {
        std::vector<std::string> codes;
        for (int32_t r = 0;;) {
            NextUsedRecord(h, r);
            if (!EngineOK) break;
            codes.push_back(readCode(r));
        }
        return codes;
    };
    // Forward steps, so the later slots are held.
    for (int32_t r = 1; r <= 3; ++r) EXPECT_EQ(readCode(r), std::to_string(r));

    auto put = makeRecord("put");
    PutRecord(h, 4, put);
    DeleteRecord(h, 5);
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(readCode(4), "put");
    std::vector<std::string> codes = walk();
    ASSERT_EQ(codes.size(), 49u);
    EXPECT_EQ(codes[3], "put");
    EXPECT_EQ(codes[4], "6");

    // Inside a unit the changes are read before they are written, and not after a rollback.
    walk();
    BeginUnit();
    auto held = makeRecord("held");
    PutRecord(h, 6, held);
    AddRecord(h, ref, held);
    EXPECT_EQ(ref, 5);
    EXPECT_EQ(readCode(6), "held");
    EXPECT_EQ(walk().size(), 50u);
    AbortUnit();
    EXPECT_EQ(readCode(6), "6");
    codes = walk();
    ASSERT_EQ(codes.size(), 49u);
    EXPECT_EQ(codes[4], "6");

    // Added at the end after a walk held the last slots.
    auto last = makeRecord("last");
    AddRecord(h, ref, last);
    EXPECT_EQ(ref, 5);
    AddRecord(h, ref, last);
    EXPECT_EQ(ref, 51);
    codes = walk();
    ASSERT_EQ(codes.size(), 51u);
    EXPECT_EQ(codes.back(), "last");
}

TEST_F(RecordsTest, AFreeListDamagedOnDiskIsNeverFollowed) {
    FileSetHandle h = createAndOpen();
    for (const char* code : {"A", "B", "C"}) addWithKeys(h, code);
    DeleteRecord(h, 2);
    CloseFileSet(h);
    const std::string dat = name() + ".DAT";
    const auto slotOffset = [](int ref) { return 128 + (ref - 1) * TestRecordLength; };

    // The freed slot looks live, or points past the end of the file, or at itself.
    for (const uint32_t marker : {0u, 0x80000000u | 99u, 0x80000000u | 2u}) {
        {
            std::fstream f(dat, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(slotOffset(2));
            f.write(reinterpret_cast<const char*>(&marker), 4);
        }
        OpenFileSet(h, name());
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        auto rec = makeRecord("D");
        int32_t ref = 0;
        AddRecord(h, ref, rec);
        EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective) << marker;
        EXPECT_EQ(UsedRecordCount(h), 2);
        std::vector<uint8_t> buf(TestRecordLength);
        ReadRecord(h, 1, buf);
        EXPECT_EQ(codeOf(buf), "A");
        ReadRecord(h, 3, buf);
        EXPECT_EQ(codeOf(buf), "C");
        CloseFileSet(h);
    }
    rebuild();
    OpenFileSet(h, name());
    EXPECT_EQ(addWithKeys(h, "D"), 3);
}

TEST_F(RecordsTest, CallsOnClosedHandlesFailWithBadHandle) {
    FileSetHandle h = createAndOpen();
    FileSetHandle stale = h;
    CloseFileSet(h);
    EXPECT_EQ(h, 0);
    std::vector<uint8_t> buf(TestRecordLength);
    ReadRecord(stale, 1, buf);
    EXPECT_EQ(EngineErrorCode, EngineCode::BadHandle);
    int32_t ref = 0;
    AddRecord(stale, ref, buf);
    EXPECT_EQ(EngineErrorCode, EngineCode::BadHandle);
    AddKey(stale, 1, 1, "A");
    EXPECT_EQ(EngineErrorCode, EngineCode::BadHandle);
    EXPECT_FALSE(IsFileSetOpen(stale));
    EXPECT_TRUE(EngineOK);
    CloseFileSet(stale);
    EXPECT_EQ(EngineErrorCode, EngineCode::BadHandle);
}

}  // namespace
}  // namespace enginetest
