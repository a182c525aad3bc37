// Units of work over several file sets: kept whole or not at all, through rollbacks, dead
// processes, failed writes and power losses, at one sync per unit.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <set>

#include "engine/file_io.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/fault_files.h"

namespace enginetest {
namespace {

int32_t load32(std::span<const uint8_t> rec, size_t at) {
    int32_t v = 0;
    std::memcpy(&v, rec.data() + at, sizeof v);
    return v;
}

class UnitTest : public EngineTest {
protected:
    std::vector<std::string> codes(FileSetHandle h) {
        std::vector<std::string> out;
        for (const auto& [key, ref] : walk(h, 1)) out.push_back(key);
        return out;
    }
    // Opens the set, rebuilding it first when its index is not to be trusted.
    FileSetHandle openOrRebuild(const std::string& base) {
        FileSetHandle h = 0;
        OpenFileSet(h, name(base));
        if (EngineErrorCode == EngineCode::IndexDefective) {
            rebuild(base);
            OpenFileSet(h, name(base));
        }
        EXPECT_TRUE(EngineOK) << base << " " << EngineErrorCode;
        return h;
    }
    int32_t openCode(const std::string& base) { return testsupport::OpenCode(name(base)); }
    // addWithKeys without expectations: under faults calls fail.
    static void add(FileSetHandle h, const std::string& code) {
        auto rec = makeRecord(code);
        int32_t ref = 0;
        LockFileSet(h);
        AddRecord(h, ref, rec);
        if (EngineOK) AddKey(h, 1, ref, code);
        if (EngineOK) AddKey(h, 2, ref, "");
        const bool ok = EngineOK;
        const int32_t code2 = EngineErrorCode;
        UnlockFileSet(h);
        if (!ok) EngineOK = false, EngineErrorCode = code2;
    }
    static int rounds(int fallback) {
        const char* env = std::getenv("STOCKMERE_FAULT_ROUNDS");
        return env ? std::max(1, std::atoi(env)) : fallback;
    }
};

TEST_F(UnitTest, AUnitOverSeveralSetsIsCommittedOrRolledBackWhole) {
    FileSetHandle a = createAndOpen("A");
    FileSetHandle b = createAndOpen("B");
    addWithKeys(a, "KEEP");
    const int32_t gone = addWithKeys(a, "GONE");
    DeleteKey(a, 1, gone, "GONE");
    DeleteKey(a, 2, gone, "");
    DeleteRecord(a, gone);  // a freed slot, for the free list to be put back by a rollback

    BeginUnit();
    addWithKeys(a, "X1");
    addWithKeys(b, "Y1");
    DeleteKey(a, 1, 1, "KEEP");
    // Reads inside the unit see its changes.
    EXPECT_EQ(codes(a), (std::vector<std::string>{"X1"}));
    EXPECT_EQ(UsedRecordCount(a), 2);
    // A set closed inside the unit keeps its changes for it and is found again.
    CloseFileSet(b);
    OpenFileSet(b, name("B"));
    EXPECT_EQ(codes(b), (std::vector<std::string>{"Y1"}));
    AbortUnit();
    EXPECT_FALSE(InUnit());
    EXPECT_EQ(codes(a), (std::vector<std::string>{"KEEP"}));
    EXPECT_EQ(UsedRecordCount(a), 1);
    EXPECT_TRUE(codes(b).empty());
    EXPECT_EQ(addWithKeys(a, "REUSE"), gone) << "the free list is as before the unit";

    {
        EngineUnit unit;
        addWithKeys(a, "X2");
        addWithKeys(b, "Y2");
        CloseFileSet(b);
        ASSERT_TRUE(unit.commit()) << EngineErrorCode;
    }
    // Leaving a scope without commit rolls back, as an error raised inside it would.
    {
        EngineUnit unit;
        addWithKeys(a, "X3");
    }
    CloseFileSet(a);
    EXPECT_EQ(openCode("A"), 0);
    EXPECT_EQ(openCode("B"), 0);
    OpenFileSet(a, name("A"));
    OpenFileSet(b, name("B"));
    EXPECT_EQ(codes(a), (std::vector<std::string>{"KEEP", "REUSE", "X2"}));
    EXPECT_EQ(codes(b), (std::vector<std::string>{"Y2"}));
}

TEST_F(UnitTest, AUnitCostsOneSyncAndOpeningOrClosingUnchangedSetsNone) {
    FileSetHandle keep = createAndOpen("KEEP");
    for (const char* base : {"A", "B", "C"}) {
        CreateFileSet(name(base), TestRecordLength, 2, keys);
        ASSERT_TRUE(EngineOK);
    }
    testsupport::CountingFiles counted;
    const testsupport::LayerScope installed(counted);
    FileSetHandle h = 0;
    for (int i = 0; i < 3; ++i) {
        OpenFileSet(h, name("A"));
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        CloseFileSet(h);
    }
    EXPECT_EQ(counted.syncs, 0);

    // Three sets, each opened, changed and closed inside the unit, as postings do.
    for (int round = 0; round < 2; ++round) {
        counted.syncs = 0;
        BeginUnit();
        for (const char* base : {"A", "B", "C"}) {
            OpenFileSet(h, name(base));
            for (int i = 0; i < 3; ++i) addWithKeys(h, base + std::to_string(round * 3 + i));
            CloseFileSet(h);
        }
        addWithKeys(keep, "K" + std::to_string(round));
        CommitUnit();
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
        EXPECT_EQ(counted.syncs, 1) << "round " << round;
    }
    counted.syncs = 0;
    OpenFileSet(h, name("B"));
    EXPECT_EQ(codes(h).size(), 6u);
    CloseFileSet(h);
    EXPECT_EQ(counted.syncs, 0);
}

TEST_F(UnitTest, ADeadProcessLeavesCommittedUnitsWholeAndTheUnfinishedOneOut) {
    FileSetHandle a = createAndOpen("A");
    FileSetHandle b = createAndOpen("B");
    CloseFileSet(a);
    CloseFileSet(b);
    ASSERT_EQ(inChild([&] {
                  FileSetHandle ca = 0, cb = 0;
                  OpenFileSet(ca, name("A"));
                  OpenFileSet(cb, name("B"));
                  for (int i = 0; i < 3; ++i) {
                      EngineUnit unit;
                      addWithKeys(ca, "A" + std::to_string(i));
                      addWithKeys(cb, "B" + std::to_string(i));
                      if (!unit.commit()) return 1;
                  }
                  BeginUnit();
                  addWithKeys(ca, "AHALF");
                  addWithKeys(cb, "BHALF");
                  return EngineOK ? 0 : 1;
              }),
              0);
    // The journal is replayed at the next open, and the machine kept the indexes as the
    // process left them: the sets open at once.
    EXPECT_EQ(openCode("A"), 0);
    a = openOrRebuild("A");
    b = openOrRebuild("B");
    EXPECT_EQ(codes(a), (std::vector<std::string>{"A0", "A1", "A2"}));
    EXPECT_EQ(codes(b), (std::vector<std::string>{"B0", "B1", "B2"}));
}

// Units that nobody reads in between keep their key changes in memory, in one transaction of
// the index: every read sees them, a unit that fails takes back its own and no other, and
// the journal that also holds them is emptied (a set created in the folder) only once they
// are in the index, so a process that dies then leaves nothing to rebuild.
TEST_F(UnitTest, KeyChangesKeptAcrossUnitsAreReadAndTakenBackPerUnit) {
    FileSetHandle a = createAndOpen("A");
    for (int i = 0; i < 3; ++i) addWithKeys(a, "K" + std::to_string(i), "G");
    {
        EngineUnit unit;
        addWithKeys(a, "FAILS", "G");
        LockFileSet(a);
        AddKey(a, 1, 1, "K0");  // a duplicate: refused, and the unit is rolled back by hand
        EXPECT_EQ(EngineErrorCode, EngineCode::DuplicateKey);
        UnlockFileSet(a);
    }
    addWithKeys(a, "K3", "G");
    FileSetHandle other = 0;
    DuplicateFileSetHandle(a, other);
    EXPECT_EQ(codes(other), (std::vector<std::string>{"K0", "K1", "K2", "K3"}));
    EXPECT_EQ(IndexKeyCount(a, 2), 4);
    std::vector<uint8_t> rec(TestRecordLength);
    ReadRecord(a, 4, rec);
    EXPECT_EQ(codeOf(rec), "K3") << "the slot of the unit taken back is reused";
    CloseFileSet(other);
    CloseFileSet(a);

    ASSERT_EQ(inChild([&] {
                  FileSetHandle ca = 0;
                  OpenFileSet(ca, name("A"));
                  for (int i = 4; i < 7; ++i) addWithKeys(ca, "K" + std::to_string(i), "G");
                  CreateFileSet(name("C"), TestRecordLength, 2, keys);
                  return EngineOK ? 0 : 1;
              }),
              0);
    EXPECT_EQ(openCode("A"), 0);
    a = openOrRebuild("A");
    EXPECT_EQ(codes(a).size(), 7u);
    EXPECT_EQ(walk(a, 2).size(), 7u);
}

// A disk that lets a process die at the n-th header write after the journal's sync: the first
// is the unit's header image (nothing of the unit is in the data file or the index yet); the
// unit's key changes are kept until the index is read, which writes the header that says the
// index is being written (the second), then has LMDB commit them, then writes the header that
// describes the index (the third).
class DiesAfterTheJournal : public engine_io::FileLayer {
public:
    explicit DiesAfterTheJournal(int headerWrite) : dieAt_(headerWrite) {}
    int write(int fd, uint64_t offset, std::span<const uint8_t> buffer, size_t& done) override {
        if (synced_ && offset == 0 && ++headers_ == dieAt_) ::_exit(0);
        return FileLayer::write(fd, offset, buffer, done);
    }
    int sync(int fd) override {
        synced_ = true;
        return FileLayer::sync(fd);
    }

private:
    int dieAt_;
    int headers_ = 0;
    bool synced_ = false;
};

// The process died between the journal and the files, or before or after LMDB wrote the
// unit's index: the next open writes the unit's images and makes its key changes again where
// the index lacks them, so the set opens at once with the unit whole and its index in step.
TEST_F(UnitTest, AUnitThatDiedOnItsWayFromTheJournalIsRedoneWithItsKeys) {
    for (const int dieAt : {1, 2, 3}) {
        const std::string set = "A" + std::to_string(dieAt);
        FileSetHandle a = createAndOpen(set);
        addWithKeys(a, "KEEP", "G1");
        const int32_t gone = addWithKeys(a, "GONE", "G1");
        CloseFileSet(a);
        ASSERT_EQ(inChild([&] {
                      FileSetHandle ca = 0;
                      OpenFileSet(ca, name(set));
                      DiesAfterTheJournal layer(dieAt);
                      engine_io::installLayer(&layer);
                      EngineUnit unit;
                      add(ca, "NEW");
                      LockFileSet(ca);
                      DeleteKey(ca, 1, gone, "GONE");
                      DeleteKey(ca, 2, gone, "G1");
                      DeleteRecord(ca, gone);
                      UnlockFileSet(ca);
                      unit.commit();
                      IndexKeyCount(ca, 1);
                      return 1;  // the layer ends the child with 0 on its way
                  }),
                  0);
        EXPECT_EQ(openCode(set), 0) << dieAt;
        a = openOrRebuild(set);
        EXPECT_EQ(codes(a), (std::vector<std::string>{"KEEP", "NEW"}));
        EXPECT_EQ(UsedRecordCount(a), 2);
        EXPECT_EQ(IndexKeyCount(a, 2), 2);
        // Reused before the rebuild that never came: the freed slot takes the next record.
        EXPECT_EQ(addWithKeys(a, "LAST"), gone);
        CloseFileSet(a);
    }
}

// The journal is written over, not appended to: its length is set once, so that a unit's
// sync has no new length to write, and emptying it blanks its header. What lies behind the
// header then is never replayed, whether the next unit overwrote part of it or none.
TEST_F(UnitTest, AnEmptiedJournalKeepsItsLengthAndNeverReplaysWhatLiesBehind) {
    FileSetHandle a = createAndOpen("A");
    const int32_t counter = addWithKeys(a, "#COUNT");
    const auto setCount = [&](int32_t count) {
        auto rec = makeRecord("#COUNT");
        std::memcpy(rec.data() + 40, &count, 4);
        PutRecord(a, counter, rec);
        ASSERT_TRUE(EngineOK) << EngineErrorCode;
    };
    const std::filesystem::path journal = dir.file("ENGINE.JNL");
    const auto length = std::filesystem::file_size(journal);
    EXPECT_GT(length, 0u);
    for (int32_t i = 1; i <= 40; ++i) setCount(i);
    EXPECT_EQ(std::filesystem::file_size(journal), length);
    CloseFileSet(a);
    EXPECT_EQ(std::filesystem::file_size(journal), length);

    // Opening after it was emptied costs neither a write nor a sync, and finds the set clean:
    // a replay of the forty old units would have marked it changing.
    {
        testsupport::CountingFiles counted;
        const testsupport::LayerScope installed(counted);
        EXPECT_EQ(openCode("A"), 0);
        EXPECT_EQ(counted.writes + counted.syncs, 0);
    }

    // A process that dies after one short unit: the replay takes that unit and none of the
    // older ones behind it (the last of which would set the count back to 40).
    ASSERT_EQ(inChild([&] {
                  OpenFileSet(a, name("A"));
                  setCount(100);
                  return EngineOK ? 0 : 1;
              }),
              0);
    a = openOrRebuild("A");
    auto rec = makeRecord("");
    ReadRecord(a, counter, rec);
    EXPECT_EQ(load32(rec, 40), 100);
    EXPECT_EQ(codes(a), std::vector<std::string>{"#COUNT"});
}

// Each round runs units that each add one record to A and one to B and count them in a
// record of B, until a fault: a power loss at a random write or sync, or a write or sync
// that fails (a full disk, an I/O error). Afterwards every unit that returned is there, and
// no unit is there by half; once the disk works again before the program ends, no unit that
// was reported failed is there either.
TEST_F(UnitTest, PowerLossesAndFailedWritesNeverLeaveHalfAUnit) {
    FileSetHandle a = createAndOpen("A");
    FileSetHandle b = createAndOpen("B");
    const int32_t counter = addWithKeys(b, "#COUNT");
    CloseFileSet(a);
    CloseFileSet(b);
    std::mt19937 random(11);
    std::set<std::string> returned, refused;
    int next = 0, losses = 0, failures = 0;
    const int total = rounds(60);
    for (int round = 0; round < total; ++round) {
        testsupport::PowerLossFiles power;
        testsupport::FailingFiles failing;
        const bool loseyPower = round % 2 == 0;
        if (loseyPower)
            power.lossAt = 1 + static_cast<int>(random() % 60);
        else
            failing.failAt = 1 + static_cast<int>(random() % 60),
            failing.error = round % 4 == 1 ? ENOSPC : EIO;
        {
            const testsupport::LayerScope installed(
                loseyPower ? static_cast<engine_io::FileLayer&>(power) : failing);
            OpenFileSet(a, name("A"));
            OpenFileSet(b, name("B"));
            for (int unit = 0; unit < 8 && EngineOK; ++unit) {
                const std::string id = std::to_string(next++);
                BeginUnit();
                add(a, "A" + id);
                if (EngineOK) add(b, "B" + id);
                auto rec = makeRecord("#COUNT");
                if (EngineOK) ReadRecord(b, counter, rec);
                const int32_t count = load32(rec, 40) + 1;
                std::memcpy(rec.data() + 40, &count, 4);
                if (EngineOK) PutRecord(b, counter, rec);
                const int32_t failedWith = EngineErrorCode;
                if (EngineOK) {
                    CommitUnit();
                } else {
                    AbortUnit();
                    EngineOK = false;
                    EngineErrorCode = failedWith;
                }
                if (EngineOK) {
                    returned.insert(id);
                } else if (!loseyPower) {
                    refused.insert(id);
                    // Or the set refuses changes after a write that failed past the commit.
                    EXPECT_TRUE(EngineErrorCode == EngineCode::IoError ||
                                EngineErrorCode == EngineCode::IndexDefective)
                        << EngineErrorCode;
                }
            }
            if (loseyPower) {
                power.powerLoss();
                ++losses;
                EngineAbandon();
            } else {
                failures += failing.failed() ? 1 : 0;
            }
        }
        if (!loseyPower) EngineStop();
        EngineStart(30);
        a = openOrRebuild("A");
        b = openOrRebuild("B");
        std::set<std::string> inA, inB;
        for (const std::string& code : codes(a)) inA.insert(code.substr(1));
        for (const std::string& code : codes(b))
            if (code != "#COUNT") inB.insert(code.substr(1));
        ASSERT_EQ(inA, inB) << "round " << round;
        for (const std::string& id : returned) ASSERT_TRUE(inA.count(id)) << id;
        for (const std::string& id : refused) ASSERT_FALSE(inA.count(id)) << id;
        auto rec = makeRecord("");
        ReadRecord(b, counter, rec);
        ASSERT_EQ(load32(rec, 40), static_cast<int32_t>(inB.size())) << "round " << round;
        ASSERT_EQ(UsedRecordCount(a), static_cast<int32_t>(inA.size()));
        CloseFileSet(a);
        CloseFileSet(b);
    }
    EXPECT_EQ(losses, (total + 1) / 2);
    EXPECT_GT(failures, total / 4);
}

// Postings close their sets inside the unit: closing them and emptying the journal come after
// the unit is durable. Whichever write or sync fails, once or from then on, a unit reported
// committed is on file after a restart, and one reported failed is not, unless the engine
// told that the disk kept it in the journal (when it refuses every write and sync after the
// journal's).
TEST_F(UnitTest, AUnitReportedFailedIsNotOnFileAndOneReportedCommittedIs) {
    for (const char* base : {"A", "B"}) {
        CreateFileSet(name(base), TestRecordLength, 2, keys);
        ASSERT_TRUE(EngineOK);
    }
    const auto has = [this](FileSetHandle h, const std::string& code) {
        const std::vector<std::string> all = codes(h);
        return std::find(all.begin(), all.end(), code) != all.end();
    };
    int committed = 0, failed = 0, undecided = 0;
    for (const bool sticky : {false, true}) {
        for (int failAt = 1; failAt <= 16; ++failAt) {
            const std::string code = (sticky ? "S" : "U") + std::to_string(failAt);
            bool reported = false;
            bool kept = false;
            {
                testsupport::FailingFiles failing;
                failing.failAt = failAt;
                failing.sticky = sticky;
                const testsupport::LayerScope installed(failing);
                FileSetHandle a = 0, b = 0;
                BeginUnit();
                OpenFileSet(a, name("A"));
                if (EngineOK) add(a, code);
                OpenFileSet(b, name("B"));
                if (EngineOK) add(b, code);
                CloseFileSet(a);
                CloseFileSet(b);
                CommitUnit();
                reported = EngineOK;
                kept = !reported && LastUnitUndecided();
                EngineAbandon();
            }
            (reported ? committed : kept ? undecided : failed) += 1;
            EngineStart(30);
            FileSetHandle a = openOrRebuild("A");
            FileSetHandle b = openOrRebuild("B");
            EXPECT_EQ(has(a, code), has(b, code)) << code << ": half a unit";
            if (!kept) EXPECT_EQ(has(a, code), reported) << code;
            CloseFileSet(a);
            CloseFileSet(b);
        }
    }
    EXPECT_GT(committed, 0);
    EXPECT_GT(failed, 0);
    EXPECT_GT(undecided, 0);
}

// The index's writes after a unit is durable cannot find the disk full: what they add to the
// index file lies in room the disk gave before, whatever the unit (adds, deletions, keys whose
// Refs outgrow their leaf, units of one change or of hundreds), and its clean close too.
TEST_F(UnitTest, AnIndexCommitStaysInTheRoomTheDiskGaveBeforeTheUnitWasDurable) {
    // Remembers the end of the room asked for in the index file.
    struct RoomWatch : engine_io::FileLayer {
        ino_t index = 0;
        uint64_t reservedEnd = 0;
        int reserve(int fd, uint64_t offset, uint64_t length) override {
            struct stat st {};
            if (::fstat(fd, &st) == 0 && st.st_ino == index)
                reservedEnd = std::max(reservedEnd, offset + length);
            return FileLayer::reserve(fd, offset, length);
        }
    } watch;
    const testsupport::LayerScope installed(watch);
    FileSetHandle h = createAndOpen();
    const std::string ix = name() + ".IX";
    const auto sizeOf = [&] {
        struct stat st {};
        EXPECT_EQ(::stat(ix.c_str(), &st), 0);
        watch.index = st.st_ino;
        return static_cast<uint64_t>(st.st_size);
    };
    std::mt19937 random(77);
    std::vector<std::pair<int32_t, std::string>> live;  // Ref, code
    int next = 0;
    const auto withinRoom = [&](const std::function<void()>& work, const std::string& what) {
        const uint64_t before = sizeOf();
        watch.reservedEnd = 0;
        work();
        EXPECT_LE(sizeOf(), std::max(before, watch.reservedEnd)) << what;
    };
    for (int unit = 0; unit < 60; ++unit) {
        const int changes = unit % 10 == 9 ? 400 : 1 + static_cast<int>(random() % 12);
        withinRoom(
            [&] {
                BeginUnit();
                for (int c = 0; c < changes; ++c) {
                    if (live.empty() || random() % 4 != 0) {
                        const std::string code = "C" + std::to_string(next++);
                        const int32_t ref = addWithKeys(h, code, "G" + std::to_string(random() % 3));
                        live.emplace_back(ref, code);
                    } else {
                        const size_t at = random() % live.size();
                        std::vector<uint8_t> rec(TestRecordLength);
                        ReadRecord(h, live[at].first, rec);
                        LockFileSet(h);
                        DeleteKey(h, 1, live[at].first, codeOf(rec));
                        DeleteKey(h, 2, live[at].first, groupOf(rec));
                        DeleteRecord(h, live[at].first);
                        UnlockFileSet(h);
                        live.erase(live.begin() + static_cast<std::ptrdiff_t>(at));
                    }
                }
                CommitUnit();
                ASSERT_TRUE(EngineOK) << EngineErrorCode;
            },
            "unit " + std::to_string(unit));
    }
    withinRoom([&] { CloseFileSet(h); }, "the clean close");
    EXPECT_GT(next, 1500) << "keys whose Refs outgrow their leaf";
}

}  // namespace
}  // namespace enginetest
