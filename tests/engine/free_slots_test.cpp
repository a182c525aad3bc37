// Reuse of freed slots: lowest first, so that records added together keep their order under a
// duplicate key, and a free chain on disk that stays a valid ascending chain.

#include <fstream>
#include <iterator>
#include <random>
#include <set>

#include "engine/data_file.h"
#include "tests/engine/engine_fixture.h"

namespace enginetest {
namespace {

using engine_detail::DatHeader;
using engine_detail::DatHeaderSize;
using engine_detail::FreeMark;

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

size_t slotAt(int32_t ref) {
    return DatHeaderSize + static_cast<size_t>(ref - 1) * TestRecordLength;
}

// The free chain of a closed set as found on disk, and what is wrong with it (empty if
// nothing): every freed slot once, in ascending order, and every other slot live.
struct Chain {
    std::vector<int32_t> refs;
    std::string fault;
};

Chain readChain(const std::string& datPath) {
    Chain chain;
    const auto bytes = readBytes(datPath);
    DatHeader header;
    if (engine_detail::decodeHeader(bytes, bytes.size(), header) != 0) {
        chain.fault = "header does not decode";
        return chain;
    }
    std::set<uint32_t> inChain;
    for (uint32_t ref = header.freeHead; ref != 0;) {
        if (ref > header.slotCount || !inChain.insert(ref).second) {
            chain.fault = "stray or repeated link to " + std::to_string(ref);
            return chain;
        }
        const uint32_t marker = engine_detail::loadLE32(&bytes[slotAt(static_cast<int32_t>(ref))]);
        if ((marker & FreeMark) == 0) {
            chain.fault = "chain reaches live slot " + std::to_string(ref);
            return chain;
        }
        if (chain.fault.empty() && !chain.refs.empty() &&
            static_cast<int32_t>(ref) <= chain.refs.back())
            chain.fault = "out of order at " + std::to_string(ref);
        chain.refs.push_back(static_cast<int32_t>(ref));
        ref = marker & ~FreeMark;
    }
    if (chain.fault.empty() && chain.refs.size() != header.slotCount - header.liveCount)
        chain.fault = "chain holds " + std::to_string(chain.refs.size()) +
                      " slots, header counts " +
                      std::to_string(header.slotCount - header.liveCount);
    for (uint32_t ref = 1; ref <= header.slotCount && chain.fault.empty(); ++ref) {
        const uint32_t marker = engine_detail::loadLE32(&bytes[slotAt(static_cast<int32_t>(ref))]);
        if (!inChain.count(ref) && marker != 0)
            chain.fault = "freed slot " + std::to_string(ref) + " is not in the chain";
    }
    return chain;
}

// Relinks the freed slots of a closed set in the order given, as files written when slots
// were reused last-freed-first have them; the last one links to `last`. The header's checksum
// is made to match.
void forgeChain(const std::string& datPath, const std::vector<uint32_t>& order, uint32_t last = 0) {
    auto bytes = readBytes(datPath);
    DatHeader header;
    ASSERT_EQ(engine_detail::decodeHeader(bytes, bytes.size(), header), 0);
    header.freeHead = order.empty() ? 0 : order.front();
    const auto encoded = engine_detail::encodeHeader(header);
    std::copy(encoded.begin(), encoded.end(), bytes.begin());
    for (size_t i = 0; i < order.size(); ++i) {
        const uint32_t next = i + 1 < order.size() ? order[i + 1] : last;
        engine_detail::storeLE32(&bytes[slotAt(static_cast<int32_t>(order[i]))], FreeMark | next);
    }
    writeBytes(datPath, bytes);
}

class FreeSlotsTest : public EngineTest {
protected:
    std::string dat() const { return name() + ".DAT"; }

    void deleteWithKeys(FileSetHandle h, int32_t ref) {
        std::vector<uint8_t> rec(TestRecordLength);
        ReadRecord(h, ref, rec);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        LockFileSet(h);
        DeleteKey(h, 1, ref, codeOf(rec));
        DeleteKey(h, 2, ref, groupOf(rec));
        DeleteRecord(h, ref);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        UnlockFileSet(h);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
    }

    // The codes filed under one group, in index order.
    std::vector<std::string> codesInGroup(FileSetHandle h, const std::string& group) {
        std::vector<std::string> codes;
        std::vector<uint8_t> rec(TestRecordLength);
        for (const auto& [key, ref] : walk(h, 2)) {
            if (key != group) continue;
            ReadRecord(h, ref, rec);
            codes.push_back(codeOf(rec));
        }
        return codes;
    }
};

TEST_F(FreeSlotsTest, LinesAddedAfterDeletesComeBackInTheOrderTheyWereAdded) {
    FileSetHandle h = createAndOpen();
    for (int i = 1; i <= 20; ++i) addWithKeys(h, "R" + std::to_string(i), "OLD");
    // Freed 9 first and then 5: the next adds must still run upwards.
    deleteWithKeys(h, 9);
    deleteWithKeys(h, 5);
    std::vector<int32_t> refs;
    for (const char* line : {"L1", "L2", "L3"}) refs.push_back(addWithKeys(h, line, "DOC7"));
    EXPECT_EQ(refs, (std::vector<int32_t>{5, 9, 21}));
    EXPECT_EQ(codesInGroup(h, "DOC7"), (std::vector<std::string>{"L1", "L2", "L3"}));

    // The same once the chain has been to disk and is read back by a later open.
    deleteWithKeys(h, 21);
    deleteWithKeys(h, 2);
    deleteWithKeys(h, 14);
    CloseFileSet(h);
    EXPECT_EQ(readChain(dat()).refs, (std::vector<int32_t>{2, 14, 21}));
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    refs.clear();
    for (const char* line : {"M1", "M2", "M3", "M4"}) refs.push_back(addWithKeys(h, line, "DOC8"));
    EXPECT_EQ(refs, (std::vector<int32_t>{2, 14, 21, 22}));
    EXPECT_EQ(codesInGroup(h, "DOC8"), (std::vector<std::string>{"M1", "M2", "M3", "M4"}));
    CloseFileSet(h);
    const Chain chain = readChain(dat());
    EXPECT_TRUE(chain.fault.empty()) << chain.fault;
    EXPECT_TRUE(chain.refs.empty());
}

TEST_F(FreeSlotsTest, AChainLeftLastFreedFirstIsPutInOrderAtItsFirstUse) {
    // Whichever call meets the old chain first, it ends up ascending and reused lowest first.
    for (const bool deleteFirst : {true, false}) {
        SCOPED_TRACE(deleteFirst ? "delete first" : "add first");
        FileSetHandle h = createAndOpen();
        for (int i = 1; i <= 10; ++i) addWithKeys(h, "R" + std::to_string(i), "G");
        for (const int32_t ref : {2, 4, 7}) deleteWithKeys(h, ref);
        CloseFileSet(h);
        forgeChain(dat(), {7, 4, 2});
        EXPECT_EQ(readChain(dat()).fault, "out of order at 4");  // 7, 4, 2

        OpenFileSet(h, name());
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        EXPECT_EQ(UsedRecordCount(h), 7);
        std::vector<int32_t> refs;
        if (deleteFirst) {
            deleteWithKeys(h, 5);
            for (const char* code : {"A", "B", "C", "D", "E"}) refs.push_back(addWithKeys(h, code));
            EXPECT_EQ(refs, (std::vector<int32_t>{2, 4, 5, 7, 11}));
        } else {
            refs.push_back(addWithKeys(h, "A"));
            CloseFileSet(h);
            const Chain chain = readChain(dat());
            EXPECT_TRUE(chain.fault.empty()) << chain.fault;
            EXPECT_EQ(chain.refs, (std::vector<int32_t>{4, 7}));
            OpenFileSet(h, name());
            ASSERT_TRUE(EngineOK) << EngineErrorCode;
            for (const char* code : {"B", "C", "D"}) refs.push_back(addWithKeys(h, code));
            EXPECT_EQ(refs, (std::vector<int32_t>{2, 4, 7, 11}));
        }
        EXPECT_EQ(walk(h, 1).size(), static_cast<size_t>(UsedRecordCount(h)));
        CloseFileSet(h);
        EXPECT_EQ(readChain(dat()).fault, "");
    }
}

TEST_F(FreeSlotsTest, ManyDeletesAndAddsKeepTheChainValidAndReuseTheLowestSlot) {
    FileSetHandle h = createAndOpen();
    std::mt19937 rng(20240611);
    std::set<int32_t> live;
    std::set<int32_t> freed;
    int32_t end = 0;
    int serial = 0;
    for (int round = 0; round < 6; ++round) {
        for (int step = 0; step < 120; ++step) {
            if (live.size() < 20 || rng() % 2 == 0) {
                const int32_t expected = freed.empty() ? end + 1 : *freed.begin();
                auto rec = makeRecord("N" + std::to_string(++serial));
                int32_t ref = 0;
                AddRecord(h, ref, rec);
                ASSERT_TRUE(EngineOK) << EngineErrorCode;
                ASSERT_EQ(ref, expected) << "round " << round << " step " << step;
                freed.erase(ref);
                end = std::max(end, ref);
                live.insert(ref);
            } else {
                auto it = live.begin();
                std::advance(it, rng() % live.size());
                DeleteRecord(h, *it);
                ASSERT_TRUE(EngineOK) << EngineErrorCode;
                freed.insert(*it);
                live.erase(it);
            }
        }
        // Every other round goes to disk and comes back, so the chain is also read afresh.
        if (round % 2 == 1) {
            CloseFileSet(h);
            const Chain chain = readChain(dat());
            ASSERT_TRUE(chain.fault.empty()) << "round " << round << ": " << chain.fault;
            EXPECT_EQ(chain.refs, std::vector<int32_t>(freed.begin(), freed.end()));
            OpenFileSet(h, name());
            ASSERT_TRUE(EngineOK) << EngineErrorCode;
        }
        EXPECT_EQ(UsedRecordCount(h), static_cast<int32_t>(live.size()));
    }
    while (freed.size() < 3) {
        DeleteRecord(h, *live.begin());
        freed.insert(*live.begin());
        live.erase(live.begin());
    }
    CloseFileSet(h);

    // A loop among the freed slots gives a code on the first add or delete, writes nothing,
    // and leaves the records readable.
    const auto lowest = static_cast<uint32_t>(*freed.begin());
    forgeChain(dat(), {lowest, static_cast<uint32_t>(*std::next(freed.begin()))}, lowest);
    const auto forged = readBytes(dat());
    OpenFileSet(h, name());
    ASSERT_TRUE(EngineOK) << EngineErrorCode;
    auto rec = makeRecord("X");
    int32_t ref = 0;
    AddRecord(h, ref, rec);
    EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective);
    DeleteRecord(h, *live.begin());
    EXPECT_EQ(EngineErrorCode, EngineCode::IndexDefective);
    std::vector<uint8_t> buf(TestRecordLength);
    ReadRecord(h, *live.rbegin(), buf);
    EXPECT_TRUE(EngineOK);
    EXPECT_EQ(UsedRecordCount(h), static_cast<int32_t>(live.size()));
    CloseFileSet(h);
    const auto after = readBytes(dat());
    ASSERT_EQ(after.size(), forged.size());
    EXPECT_TRUE(
        std::equal(forged.begin() + DatHeaderSize, forged.end(), after.begin() + DatHeaderSize));
}

}  // namespace
}  // namespace enginetest
