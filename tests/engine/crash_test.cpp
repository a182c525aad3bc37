// Kills a writer process at random instants and checks what the file set holds afterwards:
// either it opens consistent and reflects every completed whole-record operation, or it
// reports its index defective and a rebuild brings back every completed record.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "tests/support/killed_child.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int32_t kRecLen = 320;
constexpr int kKeyCount = 4;
constexpr size_t kSeqAt = 4;
constexpr size_t kIdAt = 12;
constexpr size_t kSumAt = kRecLen - 8;

// Key 1 is the account number (unique); key 3 never changes on update; keys 2 and 4 follow
// the version, so updates move some keys and leave others.
KeyDescTable crashKeys() {
    KeyDescTable keys{};
    keys[0] = {10, false};
    keys[1] = {12, true};
    keys[2] = {30, true};
    keys[3] = {10, true};
    return keys;
}

uint64_t mix(uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

uint64_t checksum(std::span<const uint8_t> bytes) {
    uint64_t h = 1469598103934665603ULL;
    for (const uint8_t b : bytes) h = (h ^ b) * 1099511628211ULL;
    return h;
}

template <typename T>
T load(std::span<const uint8_t> rec, size_t at) {
    T v;
    std::memcpy(&v, rec.data() + at, sizeof v);
    return v;
}

template <typename T>
void store(std::span<uint8_t> rec, size_t at, T v) {
    std::memcpy(rec.data() + at, &v, sizeof v);
}

// The whole content of a record follows from (id, seq), so any byte that differs from the
// version the writer reported is visible.
std::vector<uint8_t> makeRecord(uint32_t id, uint64_t seq) {
    std::vector<uint8_t> rec(kRecLen, 0);
    store(std::span(rec), kSeqAt, seq);
    store(std::span(rec), kIdAt, id);
    uint64_t r = mix(seq * 1000003 + id);
    for (size_t i = 16; i < kSumAt; ++i) {
        r = mix(r);
        rec[i] = static_cast<uint8_t>(r);
    }
    store(std::span(rec), kSumAt, checksum(std::span(rec).subspan(kSeqAt, kSumAt - kSeqAt)));
    return rec;
}

bool intact(std::span<const uint8_t> rec) {
    return load<uint64_t>(rec, kSumAt) == checksum(rec.subspan(kSeqAt, kSumAt - kSeqAt));
}

std::string keyOf(uint32_t id, uint64_t seq, int keyNr) {
    static const char* const names[] = {"ALBION TRADING", "BRIDGE & SONS",  "CARTER SUPPLY",
                                        "DELTA HARDWARE", "EASTGATE FOODS", "FERN LTD",
                                        "GROVE MILLS CO", "HARBOUR STORES"};
    char buf[40];
    switch (keyNr) {
        case 1:
            std::snprintf(buf, sizeof buf, "C%08u", id);
            break;
        case 2:
            std::snprintf(buf, sizeof buf, "REGION %02u", static_cast<unsigned>(seq % 7));
            break;
        case 3:
            std::snprintf(buf, sizeof buf, "%s %u", names[id % 8], id % 5);
            break;
        default:
            std::snprintf(buf, sizeof buf, "2026/%02u/%02u", static_cast<unsigned>(seq % 12 + 1),
                          static_cast<unsigned>(seq % 28 + 1));
            break;
    }
    return buf;
}

std::string recordKey(std::span<const uint8_t> rec, int keyNr) {
    return keyOf(load<uint32_t>(rec, kIdAt), load<uint64_t>(rec, kSeqAt), keyNr);
}

enum class Op : uint32_t { Add = 1, Update = 2, Delete = 3 };
enum class Kind : uint32_t { Intent = 1, Done = 2, Failed = 3 };

// One pipe message; small enough that a write to the pipe is atomic.
struct Msg {
    Kind kind;
    Op op;
    uint64_t seq;
    uint32_t id;
    int32_t ref;
    int32_t code;
    int32_t step;
};

struct Live {
    int32_t ref = 0;
    uint64_t seq = 0;
    bool operator==(const Live&) const = default;
};
using Model = std::map<uint32_t, Live>;

// What the data file holds, plus every way in which its index disagrees with it.
struct Snapshot {
    Model records;
    std::vector<std::string> faults;
};

Snapshot inspect(FileSetHandle h) {
    Snapshot s;
    std::set<std::pair<std::string, int32_t>> expected[kKeyCount];
    std::vector<uint8_t> rec(kRecLen);
    int32_t ref = 0;
    for (;;) {
        NextUsedRecord(h, ref);
        if (!EngineOK) {
            if (EngineErrorCode != EngineCode::NoNextRecord)
                s.faults.push_back("record scan failed with " + std::to_string(EngineErrorCode));
            break;
        }
        ReadRecord(h, ref, rec);
        if (!EngineOK) {
            s.faults.push_back("live record " + std::to_string(ref) +
                               " unreadable: " + std::to_string(EngineErrorCode));
            continue;
        }
        if (!intact(rec)) {
            s.faults.push_back("record " + std::to_string(ref) + " is torn");
            continue;
        }
        const uint32_t id = load<uint32_t>(rec, kIdAt);
        const uint64_t seq = load<uint64_t>(rec, kSeqAt);
        if (!s.records.emplace(id, Live{ref, seq}).second)
            s.faults.push_back("account " + std::to_string(id) + " stored twice");
        for (int k = 1; k <= kKeyCount; ++k) expected[k - 1].emplace(keyOf(id, seq, k), ref);
    }
    if (UsedRecordCount(h) != static_cast<int32_t>(s.records.size()))
        s.faults.push_back("UsedRecordCount " + std::to_string(UsedRecordCount(h)) + " but " +
                           std::to_string(s.records.size()) + " live records");
    for (int k = 1; k <= kKeyCount; ++k) {
        std::set<std::pair<std::string, int32_t>> found;
        ClearKeyPosition(h, k);
        std::string key;
        int32_t kref = 0;
        for (;;) {
            NextKey(h, k, kref, key);
            if (!EngineOK) {
                if (EngineErrorCode != EngineCode::NoNextKey)
                    s.faults.push_back("walk of index " + std::to_string(k) + " failed with " +
                                       std::to_string(EngineErrorCode));
                break;
            }
            if (!found.emplace(key, kref).second) {
                s.faults.push_back("index " + std::to_string(k) + " repeats an entry");
                break;
            }
        }
        if (found != expected[k - 1])
            s.faults.push_back("index " + std::to_string(k) + " holds " +
                               std::to_string(found.size()) + " entries that differ from the " +
                               std::to_string(expected[k - 1].size()) + " of the records");
        if (IndexKeyCount(h, k) != static_cast<int32_t>(found.size()))
            s.faults.push_back("IndexKeyCount(" + std::to_string(k) + ") " +
                               std::to_string(IndexKeyCount(h, k)) + " but " +
                               std::to_string(found.size()) + " entries");
    }
    return s;
}

void applyTo(Model& m, const Msg& msg) {
    switch (msg.op) {
        case Op::Add:
            m[msg.id] = Live{msg.ref, msg.seq};
            break;
        case Op::Update:
            m[msg.id].seq = msg.seq;
            break;
        case Op::Delete:
            m.erase(msg.id);
            break;
    }
}

// Same ids with the same versions; refs only where the writer reported them.
bool sameContent(const Model& onDisk, const Model& want, bool compareRefs) {
    if (onDisk.size() != want.size()) return false;
    for (const auto& [id, live] : want) {
        const auto it = onDisk.find(id);
        if (it == onDisk.end() || it->second.seq != live.seq) return false;
        if (compareRefs && live.ref != 0 && it->second.ref != live.ref) return false;
    }
    return true;
}

// --- the writer --------------------------------------------------------------------------

void send(int fd, const Msg& m) {
    testsupport::SendToParent(fd, m);
}

[[noreturn]] void fail(int fd, Msg m, int step) {
    m.kind = Kind::Failed;
    m.code = EngineErrorCode;
    m.step = step;
    send(fd, m);
    _exit(2);
}

[[noreturn]] void writer(const std::string& name, int fd, Model model, uint64_t nextSeq,
                         uint32_t nextId, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::vector<uint32_t> ids;
    for (const auto& [id, live] : model) ids.push_back(id);

    FileSetHandle h = 0;
    OpenFileSet(h, name, false, false, false, true);
    if (!EngineOK) fail(fd, Msg{}, 0);

    // Bounded so that a lost parent can never leave it running.
    for (int n = 0; n < 200000; ++n) {
        const unsigned dice = rng() % 10;
        Msg m{};
        m.kind = Kind::Intent;
        m.seq = nextSeq++;
        if (ids.size() < 20 || dice < 5) {
            m.op = Op::Add;
            m.id = nextId++;
        } else {
            m.op = dice < 8 ? Op::Update : Op::Delete;
            const size_t pick = rng() % ids.size();
            m.id = ids[pick];
            m.ref = model[m.id].ref;
            if (m.op == Op::Delete) {
                ids[pick] = ids.back();
                ids.pop_back();
            }
        }
        send(fd, m);

        LockFileSet(h);
        if (!EngineOK) fail(fd, m, 1);
        if (m.op == Op::Add) {
            auto rec = makeRecord(m.id, m.seq);
            AddRecord(h, m.ref, rec);
            if (!EngineOK) fail(fd, m, 2);
            for (int k = 1; k <= kKeyCount; ++k) {
                AddKey(h, k, m.ref, keyOf(m.id, m.seq, k));
                if (!EngineOK) fail(fd, m, 10 + k);
            }
            ids.push_back(m.id);
        } else if (m.op == Op::Update) {
            const uint64_t old = model[m.id].seq;
            for (int k = 1; k <= kKeyCount; ++k) {
                if (keyOf(m.id, old, k) == keyOf(m.id, m.seq, k)) continue;
                DeleteKey(h, k, m.ref, keyOf(m.id, old, k));
                if (!EngineOK) fail(fd, m, 20 + k);
            }
            auto rec = makeRecord(m.id, m.seq);
            PutRecord(h, m.ref, rec);
            if (!EngineOK) fail(fd, m, 3);
            for (int k = 1; k <= kKeyCount; ++k) {
                if (keyOf(m.id, old, k) == keyOf(m.id, m.seq, k)) continue;
                AddKey(h, k, m.ref, keyOf(m.id, m.seq, k));
                if (!EngineOK) fail(fd, m, 30 + k);
            }
        } else {
            const uint64_t old = model[m.id].seq;
            for (int k = 1; k <= kKeyCount; ++k) {
                DeleteKey(h, k, m.ref, keyOf(m.id, old, k));
                if (!EngineOK) fail(fd, m, 40 + k);
            }
            DeleteRecord(h, m.ref);
            if (!EngineOK) fail(fd, m, 4);
        }
        UnlockFileSet(h);
        if (!EngineOK) fail(fd, m, 5);

        applyTo(model, m);
        m.kind = Kind::Done;
        send(fd, m);
    }
    CloseFileSet(h);
    _exit(0);
}

// --- the parent ----------------------------------------------------------------------------

std::string opName(Op op) {
    return op == Op::Add ? "add" : op == Op::Update ? "update" : "delete";
}

// Reopens the set after a kill and holds it to the rule: it opens consistent and as `before`
// or `after` (the unit in flight, when there was one), or it reports 10010 and a rebuild
// brings back every completed record.
class Verdicts {
public:
    Verdicts(std::string name, KeyDescTable keys) : name_(std::move(name)), keys_(keys) {}

    // The set's records as they now are; false when the set cannot be used any more.
    bool check(int round, const Model& before, const std::optional<Model>& after, bool refsKept,
               Model& now) {
        FileSetHandle h = 0;
        OpenFileSet(h, name_, false, false, false, true);
        if (EngineOK) {
            ++opened;
            const Snapshot s = inspect(h);
            CloseFileSet(h);
            const bool asBefore = sameContent(s.records, before, refsKept);
            const bool asAfter = after && sameContent(s.records, *after, refsKept);
            if (s.faults.empty() && (asBefore || asAfter)) {
                if (asAfter && !asBefore) ++inFlightDone;
                now = s.records;
                return true;
            }
            ++silentlyWrong;
            note(round, "opened without error but " + (s.faults.empty()
                                                           ? "differs from the completed operations"
                                                           : s.faults.front()));
            // Carry on from a sound state so that later rounds still mean something.
            return rebuild(round) && readBack(round, now);
        }
        if (EngineErrorCode != EngineCode::IndexDefective) {
            ADD_FAILURE() << "round " << round << ": open after the kill gave " << EngineErrorCode;
            return false;
        }
        ++rebuilt;
        if (!rebuild(round) || !readBack(round, now)) return false;

        // Refs move in a restructure; what counts is each account's version.
        for (const auto& [id, live] : before) {
            const auto it = now.find(id);
            const bool ok = it != now.end() ? it->second.seq == live.seq ||
                                                  (after && after->count(id) &&
                                                   after->at(id).seq == it->second.seq)
                                            : after && !after->count(id);
            if (ok) continue;
            ++lost;
            note(round, "account " + std::to_string(id) + " (version " + std::to_string(live.seq) +
                            ") lost after rebuild");
        }
        for (const auto& [id, live] : now) {
            if (before.count(id) || (after && after->count(id))) continue;
            ++unexpected;
            note(round, "account " + std::to_string(id) + " came back after its delete");
        }
        return true;
    }

    void note(int round, const std::string& what) {
        lines.push_back("round " + std::to_string(round) + ": " + what);
    }

    int opened = 0, rebuilt = 0, inFlightDone = 0, silentlyWrong = 0, lost = 0, unexpected = 0;
    std::vector<std::string> lines;

private:
    bool rebuild(int round) {
        RestructureFile(name_, kRecLen, kRecLen);
        if (!EngineOK) {
            ADD_FAILURE() << "round " << round << ": restructure gave " << EngineErrorCode;
            return false;
        }
        ReindexFile(name_, kKeyCount, keys_, recordKey);
        if (!EngineOK) {
            ADD_FAILURE() << "round " << round << ": reindex gave " << EngineErrorCode;
            return false;
        }
        return true;
    }

    bool readBack(int round, Model& now) {
        FileSetHandle h = 0;
        OpenFileSet(h, name_, false, false, false, true);
        if (!EngineOK) {
            ADD_FAILURE() << "round " << round << ": open after rebuild gave " << EngineErrorCode;
            return false;
        }
        const Snapshot s = inspect(h);
        CloseFileSet(h);
        for (const std::string& f : s.faults) note(round, "after rebuild " + f);
        if (!s.faults.empty()) ++silentlyWrong;
        now = s.records;
        return true;
    }

    std::string name_;
    KeyDescTable keys_;
};

TEST(EngineCrash, KilledWritersAndRebuildsNeverLeaveASilentlyWrongOrLossySet) {
    EngineStart(30);
    testsupport::TempDir dir;
    const std::string name = dir.file("CRASH");
    const KeyDescTable keys = crashKeys();
    CreateFileSet(name, kRecLen, kKeyCount, keys);
    ASSERT_TRUE(EngineOK) << EngineErrorCode;

    std::mt19937_64 rng(20260407);
    Model model;
    uint64_t nextSeq = 1;
    uint32_t nextId = 1;
    Verdicts verdicts(name, keys);
    int operations = 0, rebuildsKilled = 0;
    auto rebuildTime = std::chrono::microseconds(5000);
    const auto started = std::chrono::steady_clock::now();
    int round = 0;
    for (; round < 50; ++round) {
        if (round >= 10 && std::chrono::steady_clock::now() - started > std::chrono::seconds(40))
            break;

        // Every fifth round kills a rebuild instead, somewhere inside its usual run time.
        if (round % 5 == 4) {
            const auto lifetime =
                std::chrono::microseconds(rng() % (rebuildTime.count() * 3 / 2 + 1));
            const auto msgs = testsupport::RunAndKill<Msg>(
                [&](int fd) {
                    RestructureFile(name, kRecLen, kRecLen);
                    if (EngineOK) ReindexFile(name, kKeyCount, keys, recordKey);
                    Msg m{};
                    m.kind = EngineOK ? Kind::Done : Kind::Failed;
                    m.code = EngineErrorCode;
                    send(fd, m);
                },
                lifetime);
            if (!msgs.empty() && msgs.back().kind == Kind::Failed) {
                ADD_FAILURE() << "round " << round << ": rebuild failed with " << msgs.back().code;
                break;
            }
            if (msgs.empty()) ++rebuildsKilled;
            if (!verdicts.check(round, model, std::nullopt, false, model)) break;
            continue;
        }

        const auto lifetime = std::chrono::microseconds(1000 + rng() % 99000);
        const uint64_t seed = rng();
        const auto msgs = testsupport::RunAndKill<Msg>(
            [&](int fd) { writer(name, fd, model, nextSeq, nextId, seed); }, lifetime);
        std::vector<Msg> done;
        std::optional<Msg> pending;
        for (const Msg& m : msgs) {
            if (m.kind == Kind::Failed) {
                ADD_FAILURE() << "round " << round << ": writer's " << opName(m.op)
                              << " failed at step " << m.step << " with " << m.code;
                return;
            }
            // Numbers the writer used are never handed out again, whatever became of them.
            nextSeq = std::max(nextSeq, m.seq + 1);
            if (m.op == Op::Add) nextId = std::max(nextId, m.id + 1);
            if (m.kind == Kind::Intent) {
                pending = m;
            } else {
                done.push_back(m);
                pending.reset();
            }
        }
        operations += static_cast<int>(done.size());
        for (const Msg& m : done) applyTo(model, m);
        std::optional<Model> after;
        if (pending) {
            if (pending->op == Op::Add) pending->ref = 0;  // its slot was never reported
            after = model;
            applyTo(*after, *pending);
        }
        const auto t = std::chrono::steady_clock::now();
        const int rebuiltBefore = verdicts.rebuilt;
        if (!verdicts.check(round, model, after, true, model)) break;
        if (verdicts.rebuilt > rebuiltBefore)
            rebuildTime = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - t);
    }

    std::cout << "crash test: " << round << " rounds, " << operations << " completed operations, "
              << rebuildsKilled << " rebuilds killed; " << verdicts.opened << " clean opens ("
              << verdicts.inFlightDone << " with the unit in flight done), " << verdicts.rebuilt
              << " rebuilds; " << verdicts.silentlyWrong << " silently wrong, " << verdicts.lost
              << " completed records lost, " << verdicts.unexpected << " deleted records back, "
              << model.size() << " records at the end\n";
    for (const std::string& line : verdicts.lines) std::cout << "  " << line << '\n';
    EXPECT_EQ(verdicts.silentlyWrong, 0);
    EXPECT_EQ(verdicts.lost, 0);
    EXPECT_EQ(verdicts.unexpected, 0);
    EXPECT_GT(operations, 0);
    EngineStop();
}

}  // namespace
