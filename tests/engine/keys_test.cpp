// Indexes: order, unique and duplicate keys, searches and walks.

#include <lmdb.h>

#include <algorithm>
#include <array>
#include <fstream>

#include "engine/data_file.h"
#include "engine/index_file.h"
#include "tests/engine/engine_fixture.h"

namespace enginetest {
namespace {

using KeysTest = EngineTest;

TEST_F(KeysTest, KeysOrderBytewiseWithTheRefBreakingTies) {
    FileSetHandle h = createAndOpen();
    const std::string zero("B\0", 2);
    const std::string high("\xFF", 1);
    const Entries added = {{"B", 9}, {"B", 2},  {"A", 7}, {zero, 1}, {"", 4},
                           {"B", 5}, {high, 3}, {"a", 6}, {"", 2}};
    for (const auto& [key, ref] : added) {
        AddKey(h, 2, ref, key);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
    }
    const Entries expected = {{"", 2},  {"", 4},   {"A", 7}, {"B", 2}, {"B", 5},
                              {"B", 9}, {zero, 1}, {"a", 6}, {high, 3}};
    EXPECT_EQ(walk(h, 2), expected);
    EXPECT_EQ(IndexKeyCount(h, 2), 9);

    // The same entry twice is refused even where keys may repeat.
    AddKey(h, 2, 5, "B");
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    EXPECT_EQ(IndexKeyCount(h, 2), 9);
}

// Walks compare each key with the one before (a damaged index must not send them back) and
// copy it out in pieces of a few sizes: keys of every length, differing from the one before at
// any place, in bytes above 127 too, come out whole and in byte order both ways.
TEST_F(KeysTest, WalksHandOutKeysOfEveryLengthInByteOrder) {
    CreateFileSet(name("LONG"), TestRecordLength, 1, keyTable({{MaxKeyLength, true}}));
    FileSetHandle h = 0;
    OpenFileSet(h, name("LONG"));
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
    Entries expected;
    LockFileSet(h);
    for (size_t at = 0; at < text.size(); ++at) {
        std::string low = text, high = text;
        low[at] = '\x01';
        high[at] = '\xE9';
        for (const std::string& key : {text.substr(0, at + 1), low, high}) {
            // Some keys have Refs enough to be read in blocks.
            for (int32_t ref = 1; ref <= (at % 7 == 0 ? 5 : 1); ++ref) {
                AddKey(h, 1, ref, key);
                expected.emplace_back(key, ref);
            }
        }
    }
    UnlockFileSet(h);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    std::sort(expected.begin(), expected.end());

    // One key string for the whole walk, so that it grows and shrinks from step to step.
    int32_t ref = 0;
    std::string key;
    Entries forward, backward;
    for (NextKey(h, 1, ref, key); EngineOK; NextKey(h, 1, ref, key)) forward.emplace_back(key, ref);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
    EXPECT_EQ(forward, expected);
    ClearKeyPosition(h, 1);
    for (PrevKey(h, 1, ref, key); EngineOK; PrevKey(h, 1, ref, key))
        backward.emplace_back(key, ref);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
    EXPECT_TRUE(std::equal(backward.begin(), backward.end(), expected.rbegin(), expected.rend()));
}

TEST_F(KeysTest, UniqueIndexesLongKeysAndDeletesAreChecked) {
    FileSetHandle h = createAndOpen();
    AddKey(h, 1, 1, "X");
    ASSERT_TRUE(EngineOK);
    AddKey(h, 1, 2, "X");
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    EXPECT_EQ(EngineErrorClass(), 1);

    AddKey(h, 1, 3, std::string(16, 'L'));
    EXPECT_TRUE(EngineOK);
    AddKey(h, 1, 4, std::string(17, 'L'));
    EXPECT_EQ(EngineErrorCode, EngineCode::KeyTooLong);
    AddKey(h, 1, 5, "");
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(IndexKeyCount(h, 1), 3);

    // A unique key is deleted only together with its own Ref.
    DeleteKey(h, 1, 2, "X");
    EXPECT_EQ(EngineErrorCode, EngineCode::KeyToDeleteMissing);
    DeleteKey(h, 1, 1, "Y");
    EXPECT_EQ(EngineErrorCode, EngineCode::KeyToDeleteMissing);
    DeleteKey(h, 2, 1, "X");
    EXPECT_EQ(EngineErrorCode, EngineCode::KeyToDeleteMissing);
    EXPECT_EQ(EngineErrorClass(), 1);
    DeleteKey(h, 1, 1, "X");
    EXPECT_TRUE(EngineOK);
    AddKey(h, 1, 2, "X");
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(walk(h, 1), (Entries{{"", 5}, {"LLLLLLLLLLLLLLLL", 3}, {"X", 2}}));

    for (const int badKey : {0, 3, -1}) {
        AddKey(h, badKey, 1, "A");
        EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
        IndexKeyCount(h, badKey);
        EXPECT_EQ(EngineErrorCode, EngineCode::BadArgument);
    }
}

TEST_F(KeysTest, SearchKeyFindsTheFirstEntryAtOrAfterAndPositionsTheWalk) {
    FileSetHandle h = createAndOpen();
    for (const auto& [key, ref] : Entries{{"BAKER", 4}, {"BAKER", 2}, {"CARTER", 1}, {"ABLE", 3}})
        AddKey(h, 2, ref, key.substr(0, 8));

    int32_t ref = 0;
    std::string key = "BAKER";
    SearchKey(h, 2, ref, key);
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(key, "BAKER");
    EXPECT_EQ(ref, 2);
    NextKey(h, 2, ref, key);
    EXPECT_EQ(std::make_pair(key, ref), std::make_pair(std::string("BAKER"), 4));

    key = "BAKER";
    ref = 3;  // the Ref breaks the tie
    SearchKey(h, 2, ref, key);
    EXPECT_EQ(ref, 4);

    key = "BAL";
    ref = 0;
    SearchKey(h, 2, ref, key);
    EXPECT_EQ(std::make_pair(key, ref), std::make_pair(std::string("CARTER"), 1));
    PrevKey(h, 2, ref, key);
    EXPECT_EQ(std::make_pair(key, ref), std::make_pair(std::string("BAKER"), 4));

    // Nothing at or after: the position is past the end, so PrevKey gives the last entry.
    key = "D";
    SearchKey(h, 2, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::KeyNotFound);
    EXPECT_EQ(EngineErrorClass(), 1);
    NextKey(h, 2, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
    key = "D";
    SearchKey(h, 2, ref, key);
    PrevKey(h, 2, ref, key);
    EXPECT_EQ(std::make_pair(key, ref), std::make_pair(std::string("CARTER"), 1));
}

TEST_F(KeysTest, NextAndPrevStopAtBothEndsWithoutLosingTheirPlace) {
    FileSetHandle h = createAndOpen();
    int32_t ref = 0;
    std::string key;
    NextKey(h, 1, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
    PrevKey(h, 1, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
    SearchKey(h, 1, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::KeyNotFound);

    for (int i = 1; i <= 3; ++i) AddKey(h, 1, i, std::string(1, char('A' + i - 1)));
    ClearKeyPosition(h, 1);
    PrevKey(h, 1, ref, key);  // unpositioned: the last entry
    EXPECT_EQ(key, "C");
    NextKey(h, 1, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
    PrevKey(h, 1, ref, key);
    EXPECT_EQ(key, "B");
    PrevKey(h, 1, ref, key);
    EXPECT_EQ(key, "A");
    PrevKey(h, 1, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
    NextKey(h, 1, ref, key);
    EXPECT_EQ(key, "B");
    ClearKeyPosition(h, 1);
    NextKey(h, 1, ref, key);
    EXPECT_EQ(key, "A");
}

TEST_F(KeysTest, WalksThatChangeTheirOwnIndexNeverSkipOrRepeat) {
    FileSetHandle h = createAndOpen();
    for (int i = 0; i < 200; ++i) AddKey(h, 2, i + 1, "G" + std::to_string(100 + i / 3));
    const Entries before = walk(h, 2);
    ASSERT_EQ(before.size(), 200u);

    // Replace every visited entry by one that sorts before it, add one behind the end and
    // delete the entry ahead: originals are each seen once, the later addition too.
    Entries seen;
    ClearKeyPosition(h, 2);
    int32_t ref = 0;
    std::string key;
    int added = 0;
    for (;;) {
        NextKey(h, 2, ref, key);
        if (!EngineOK) break;
        seen.emplace_back(key, ref);
        ASSERT_LE(seen.size(), 300u);
        if (key[0] != 'G') continue;
        DeleteKey(h, 2, ref, key);
        AddKey(h, 2, ref, "A" + key);
        if (added < 50) AddKey(h, 2, 1000 + added++, "Z");
    }
    Entries originals, additions;
    for (const auto& e : seen) (e.first[0] == 'G' ? originals : additions).push_back(e);
    EXPECT_EQ(originals, before);
    EXPECT_EQ(additions.size(), 50u);
    EXPECT_TRUE(std::all_of(additions.begin(), additions.end(),
                            [](const auto& e) { return e.first == "Z"; }));

    // Backwards, deleting each entry as it is visited.
    const size_t total = walk(h, 2).size();
    ClearKeyPosition(h, 2);
    size_t visited = 0;
    for (;;) {
        PrevKey(h, 2, ref, key);
        if (!EngineOK) break;
        ++visited;
        DeleteKey(h, 2, ref, key);
        ASSERT_TRUE(EngineOK);
    }
    EXPECT_EQ(visited, total);
    EXPECT_EQ(IndexKeyCount(h, 2), 0);
}

TEST_F(KeysTest, ReadsInsideABracketSeeItsOwnChanges) {
    FileSetHandle h = createAndOpen();
    FileSetHandle browse = 0;
    DuplicateFileSetHandle(h, browse);
    AddKey(h, 1, 1, "A");
    int32_t ref = 0;
    std::string key;
    NextKey(browse, 1, ref, key);  // leaves a read cursor standing on "A"
    LockFileSet(h);
    AddKey(h, 1, 2, "B");
    key = "B";
    SearchKey(h, 1, ref, key);
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(ref, 2);
    NextKey(browse, 1, ref, key);
    EXPECT_EQ(key, "B");
    EXPECT_EQ(IndexKeyCount(browse, 1), 2);
    DeleteKey(h, 1, 1, "A");
    PrevKey(browse, 1, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::NoNextKey);
    UnlockFileSet(h);
    ASSERT_TRUE(EngineOK);
    EXPECT_EQ(walk(browse, 1), (Entries{{"B", 2}}));
}

// A bracket of many records commits its index changes in stretches: none may be lost or be
// seen twice, inside the bracket or after it.
TEST_F(KeysTest, ALongBracketKeepsEveryChange) {
    FileSetHandle h = createAndOpen();
    LockFileSet(h);
    for (int i = 0; i < 700; ++i) addWithKeys(h, "R" + std::to_string(1000 + i), "G");
    AddKey(h, 1, 5, "R1000");
    EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
    for (int i = 0; i < 700; i += 2) DeleteKey(h, 2, i + 1, "G");
    EXPECT_EQ(walk(h, 1).size(), 700u);
    EXPECT_EQ(IndexKeyCount(h, 2), 350);
    UnlockFileSet(h);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    CloseFileSet(h);
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    const Entries codes = walk(h, 1);
    ASSERT_EQ(codes.size(), 700u);
    EXPECT_EQ(codes.front(), (std::pair<std::string, int32_t>{"R1000", 1}));
    EXPECT_EQ(codes.back(), (std::pair<std::string, int32_t>{"R1699", 700}));
    const Entries groups = walk(h, 2);
    ASSERT_EQ(groups.size(), 350u);
    EXPECT_EQ(groups.front().second, 2);
}

// A key with thousands of Refs spans several pages of the index, which walks read a page at a
// time: turning back, another handle's walk and changes in the middle must not upset them.
TEST_F(KeysTest, LongRunsOfOneKeyWalkLikeAnyOther) {
    FileSetHandle h = createAndOpen();
    Entries expected;
    LockFileSet(h);
    for (int32_t r = 1; r <= 3; ++r) AddKey(h, 2, r, "F");
    for (int32_t r = 1; r <= 2500; ++r) AddKey(h, 2, r, "G");
    for (int32_t r = 1; r <= 3; ++r) AddKey(h, 2, r, "H");
    UnlockFileSet(h);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    for (const char* key : {"F", "G", "H"})
        for (int32_t r = 1; r <= (key[0] == 'G' ? 2500 : 3); ++r) expected.emplace_back(key, r);
    EXPECT_EQ(walk(h, 2), expected);

    // Backwards from the end.
    Entries backwards;
    ClearKeyPosition(h, 2);
    int32_t ref = 0;
    std::string key;
    for (PrevKey(h, 2, ref, key); EngineOK; PrevKey(h, 2, ref, key))
        backwards.emplace_back(key, ref);
    EXPECT_TRUE(std::equal(backwards.begin(), backwards.end(), expected.rbegin(), expected.rend()));

    const auto step = [&](FileSetHandle on, bool forward) {
        forward ? NextKey(on, 2, ref, key) : PrevKey(on, 2, ref, key);
        EXPECT_TRUE(EngineOK) << EngineErrorCode;
        return std::pair<std::string, int32_t>(key, ref);
    };
    // Turning back at every entry.
    ClearKeyPosition(h, 2);
    step(h, true);
    for (size_t i = 1; i < expected.size(); ++i) {
        ASSERT_EQ(step(h, true), expected[i]);
        ASSERT_EQ(step(h, false), expected[i - 1]);
        ASSERT_EQ(step(h, true), expected[i]);
    }

    ClearKeyPosition(h, 2);
    for (int i = 0; i < 3 + 1500; ++i) step(h, true);
    EXPECT_EQ(step(h, false), (std::pair<std::string, int32_t>("G", 1499)));
    EXPECT_EQ(step(h, false), (std::pair<std::string, int32_t>("G", 1498)));
    EXPECT_EQ(step(h, true), (std::pair<std::string, int32_t>("G", 1499)));
    // Another handle's walk moves the index's reading in between.
    FileSetHandle other = 0;
    DuplicateFileSetHandle(h, other);
    for (int i = 0; i < 10; ++i) step(other, true);
    EXPECT_EQ(step(h, true), (std::pair<std::string, int32_t>("G", 1500)));
    EXPECT_EQ(step(other, true), (std::pair<std::string, int32_t>("G", 8)));
    EXPECT_EQ(step(h, true), (std::pair<std::string, int32_t>("G", 1501)));
    // Changes just ahead of the walk and behind it.
    DeleteKey(h, 2, 1502, "G");
    AddKey(h, 2, 1501, "FZ");
    AddKey(h, 2, 3000, "G");
    EXPECT_EQ(step(h, true), (std::pair<std::string, int32_t>("G", 1503)));
    for (int i = 1504; i <= 2500; ++i) step(h, true);
    EXPECT_EQ(step(h, true), (std::pair<std::string, int32_t>("G", 3000)));
    EXPECT_EQ(step(h, false), (std::pair<std::string, int32_t>("G", 2500)));
    EXPECT_EQ(step(h, true), (std::pair<std::string, int32_t>("G", 3000)));
    EXPECT_EQ(step(h, true), (std::pair<std::string, int32_t>("H", 1)));
    EXPECT_EQ(IndexKeyCount(h, 2), 2507);
}

// A walk over a large index with searches of another key between its steps (the walk's
// cursor and blocks of Refs point into the map while the searches move other cursors), after
// changes committed in many transactions: nothing read may differ.
TEST_F(KeysTest, WalkingALargeIndexWithSearchesBetweenStepsLosesNothing) {
    using engine_detail::IndexFile;
    constexpr uint32_t Count = 20000;
    const auto code = [](uint32_t r) {
        char text[16];
        std::snprintf(text, sizeof text, "C%07u", (r * 7919) % 100003);
        return std::string(text);
    };
    const auto group = [](uint32_t r) { return std::string(1, char('A' + r % 5)); };
    IndexFile ix;
    ASSERT_EQ(ix.create(dir.file("MAP.IX"), {TestRecordLength, 1, {{16, false}, {8, true}}}), 0);
    for (uint32_t r = 1; r <= Count; ++r) {
        ASSERT_EQ(ix.beginWrite(), 0);
        ASSERT_EQ(ix.addKey(1, r, code(r)), 0);
        ASSERT_EQ(ix.addKey(2, r, group(r)), 0);
        if (r % 1000 == 0) {
            ASSERT_EQ(ix.commit(), 0);
        }
    }

    // The groups walked in order, Refs rising within each, with a search of key 1 between
    // steps now and then.
    IndexFile::Entry entry;
    IndexFile::Ticket ticket = 0, searched = 0;
    ASSERT_EQ(ix.seekAtOrAfter(2, "", 0, entry, ticket), 0);
    uint32_t walked = 1;
    std::string lastKey(entry.key);
    uint32_t lastRef = entry.ref;
    for (;;) {
        if (walked % 100 == 0) {
            const uint32_t r = 1 + (walked * 31) % Count;
            ASSERT_EQ(ix.seekAtOrAfter(1, code(r), 0, entry, searched), 0);
            ASSERT_EQ(entry.key, code(r));
            ASSERT_EQ(entry.ref, r);
        }
        const auto got = ix.next(2, lastKey, lastRef, entry, ticket);
        if (got == EngineCode::KeyNotFound) break;
        ASSERT_EQ(got, 0);
        ASSERT_EQ(entry.key, group(entry.ref));
        ASSERT_TRUE(entry.key > lastKey || entry.ref > lastRef) << lastKey << lastRef;
        lastKey = entry.key;
        lastRef = entry.ref;
        ++walked;
    }
    EXPECT_EQ(walked, Count);
}

TEST_F(KeysTest, EveryHandleKeepsItsOwnPositions) {
    FileSetHandle h = createAndOpen();
    for (int i = 1; i <= 3; ++i) AddKey(h, 1, i, std::string(1, char('A' + i - 1)));
    FileSetHandle copy = 0;
    DuplicateFileSetHandle(h, copy);
    ASSERT_TRUE(EngineOK);
    ASSERT_NE(copy, h);
    int32_t ref = 0;
    std::string key;
    NextKey(h, 1, ref, key);
    NextKey(h, 1, ref, key);
    EXPECT_EQ(key, "B");
    NextKey(copy, 1, ref, key);
    EXPECT_EQ(key, "A");
    NextKey(h, 1, ref, key);
    EXPECT_EQ(key, "C");
    CloseFileSet(copy);
    EXPECT_TRUE(IsFileSetOpen(h));
    PrevKey(h, 1, ref, key);
    EXPECT_EQ(key, "B");
}

// Entries LMDB holds happily but the engine never writes, in an index the header vouches for
// (as a buggy writer would leave it): each is refused with a code, never handed out.
TEST_F(KeysTest, EntriesTheEngineNeverWritesAreRefusedNotCopied) {
    FileSetHandle h = createAndOpen();
    addWithKeys(h, "A");
    CloseFileSet(h);
    const std::string ix = name() + ".IX";
    MDB_env* env = nullptr;
    ASSERT_EQ(mdb_env_create(&env), 0);
    mdb_env_set_maxdbs(env, 8);
    ASSERT_EQ(mdb_env_open(env, ix.c_str(), MDB_NOSUBDIR | MDB_NOLOCK, 0644), 0);
    MDB_txn* txn = nullptr;
    MDB_dbi dbi = 0;
    ASSERT_EQ(mdb_txn_begin(env, nullptr, 0, &txn), 0);
    ASSERT_EQ(mdb_dbi_open(txn, "k1", 0, &dbi), 0);
    const auto put = [&](const std::string& key, std::string data) {
        MDB_val k{key.size(), const_cast<char*>(key.data())};
        MDB_val d{data.size(), data.data()};
        ASSERT_EQ(mdb_put(txn, dbi, &k, &d, 0), 0) << key;
    };
    put("KLONG" + std::string(36, 'x'), std::string("\0\0\0\1", 4));
    put("KN", std::string("\0\0\0\1\0", 5));
    put("KO", std::string("\x80\0\0\1", 4));
    put("QWRONG PREFIX", std::string("\0\0\0\1", 4));
    // A key whose Refs a walk reads in a block, the last of them one no record can have.
    ASSERT_EQ(mdb_dbi_open(txn, "k2", MDB_DUPSORT | MDB_DUPFIXED, &dbi), 0);
    for (const char last : {'\1', '\2', '\3'}) put("KG", std::string("\0\0\0", 3) + last);
    put("KG", std::string("\x80\0\0\1", 4));
    ASSERT_EQ(mdb_txn_commit(txn), 0);
    mdb_env_close(env);

    // Vouch for the file as a clean close would.
    using namespace engine_detail;
    const std::string dat = name() + ".DAT";
    std::array<uint8_t, DatHeaderSize> bytes{};
    std::fstream file(dat, std::ios::in | std::ios::out | std::ios::binary);
    file.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    DatHeader header;
    ASSERT_EQ(decodeHeader(bytes, std::filesystem::file_size(dat), header), 0);
    ASSERT_TRUE(describeIndex(ix, header));
    bytes = encodeHeader(header);
    file.seekp(0);
    file.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    file.close();

    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    for (const char* at : {"LONG", "N", "O", "P"}) {
        std::string key = at;
        int32_t ref = 0;
        SearchKey(h, 1, ref, key);
        EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective) << at;
        EXPECT_EQ(key, at);
    }
    DeleteKey(h, 1, 1, "N");
    EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective);
    ClearKeyPosition(h, 1);
    int32_t ref = 0;
    std::string key;
    NextKey(h, 1, ref, key);
    EXPECT_EQ(key, "A");
    NextKey(h, 1, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective);
    EXPECT_EQ(key, "A");
    ClearKeyPosition(h, 2);
    for (int step = 0; step < 4; ++step) NextKey(h, 2, ref, key);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    EXPECT_EQ(std::make_pair(key, ref), std::make_pair(std::string("G"), 3));
    NextKey(h, 2, ref, key);
    EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective);
    EXPECT_EQ(std::make_pair(key, ref), std::make_pair(std::string("G"), 3));
}

}  // namespace
}  // namespace enginetest
