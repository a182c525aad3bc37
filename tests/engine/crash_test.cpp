// Kills a writer process at random instants and checks what the file set holds afterwards:
// either it opens consistent and reflects every completed whole-record operation, or it
// reports its index defective and a rebuild brings back every completed record.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
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
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
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
    static const char* const names[] = {"ALBION TRADING", "BRIDGE & SONS", "CARTER SUPPLY",
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

std::string describe(const Model& m) {
    std::ostringstream out;
    out << m.size() << " records";
    return out.str();
}

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
            s.faults.push_back("live record " + std::to_string(ref) + " unreadable: " +
                               std::to_string(EngineErrorCode));
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
    const ssize_t n = ::write(fd, &m, sizeof m);
    if (n != static_cast<ssize_t>(sizeof m)) _exit(3);
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
    prctl(PR_SET_PDEATHSIG, SIGKILL);
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

struct RoundResult {
    std::vector<Msg> done;
    std::optional<Msg> pending;
    std::optional<Msg> failed;
};

RoundResult runWriter(const std::string& name, const Model& model, uint64_t nextSeq,
                      uint32_t nextId, uint64_t seed, std::chrono::microseconds lifetime) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::cout.flush();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        writer(name, fds[1], model, nextSeq, nextId, seed);
    }
    ::close(fds[1]);

    RoundResult r;
    std::vector<Msg> msgs;
    auto drain = [&](int timeoutMs) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return false;
        Msg m;
        const ssize_t n = ::read(fds[0], &m, sizeof m);
        if (n != static_cast<ssize_t>(sizeof m)) return false;
        msgs.push_back(m);
        return true;
    };
    // Keep the pipe empty while waiting so the writer never blocks on it.
    const auto deadline = std::chrono::steady_clock::now() + lifetime;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        drain(static_cast<int>(left.count()));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    while (drain(1000)) {
    }
    ::close(fds[0]);

    for (const Msg& m : msgs) {
        if (m.kind == Kind::Intent) {
            r.pending = m;
        } else if (m.kind == Kind::Done) {
            r.done.push_back(m);
            r.pending.reset();
        } else {
            r.failed = m;
        }
    }
    return r;
}

std::string opName(Op op) {
    return op == Op::Add ? "add" : op == Op::Update ? "update" : "delete";
}

TEST(EngineCrash, KilledWriterNeverLeavesASilentlyWrongOrLossySet) {
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
    int opened = 0, rebuilt = 0, silentlyWrong = 0, lost = 0, unexpected = 0, operations = 0;
    std::vector<std::string> report;
    const auto started = std::chrono::steady_clock::now();
    const int rounds = 50;
    int round = 0;
    for (; round < rounds; ++round) {
        if (round >= 10 && std::chrono::steady_clock::now() - started > std::chrono::seconds(40))
            break;
        const auto lifetime = std::chrono::microseconds(1000 + rng() % 99000);
        const RoundResult r = runWriter(name, model, nextSeq, nextId, rng(), lifetime);
        if (r.failed) {
            ADD_FAILURE() << "round " << round << ": writer's " << opName(r.failed->op)
                          << " failed at step " << r.failed->step << " with "
                          << r.failed->code;
            break;
        }
        operations += static_cast<int>(r.done.size());
        for (const Msg& m : r.done) applyTo(model, m);
        // Numbers the writer used are never handed out again, whatever became of them.
        std::vector<Msg> sent = r.done;
        if (r.pending) sent.push_back(*r.pending);
        for (const Msg& m : sent) {
            nextSeq = std::max(nextSeq, m.seq + 1);
            if (m.op == Op::Add) nextId = std::max(nextId, m.id + 1);
        }
        Model withPending = model;
        if (r.pending) {
            Msg p = *r.pending;
            if (p.op == Op::Add) p.ref = 0;  // its slot was never reported
            applyTo(withPending, p);
        }

        FileSetHandle h = 0;
        OpenFileSet(h, name, false, false, false, true);
        if (EngineOK) {
            ++opened;
            const Snapshot s = inspect(h);
            CloseFileSet(h);
            const bool asBefore = sameContent(s.records, model, true);
            const bool asAfter = r.pending && sameContent(s.records, withPending, true);
            if (!s.faults.empty() || (!asBefore && !asAfter)) {
                ++silentlyWrong;
                std::string why = s.faults.empty() ? "content differs" : s.faults.front();
                report.push_back("round " + std::to_string(round) + ": opened without error " +
                                 "but " + why + " (" + describe(s.records) + ", expected " +
                                 describe(model) + ")");
                // Carry on from a sound state so that later rounds still mean something.
                RestructureFile(name, kRecLen, kRecLen);
                ReindexFile(name, kKeyCount, keys, recordKey);
                OpenFileSet(h, name, false, false, false, true);
                if (!EngineOK) {
                    ADD_FAILURE() << "set unusable after round " << round;
                    break;
                }
                model = inspect(h).records;
                CloseFileSet(h);
                continue;
            }
            model = s.records;
            continue;
        }

        if (EngineErrorCode != EngineCode::IndexDefective) {
            ADD_FAILURE() << "round " << round << ": open after the kill gave "
                          << EngineErrorCode;
            break;
        }
        ++rebuilt;
        RestructureFile(name, kRecLen, kRecLen);
        ASSERT_TRUE(EngineOK) << "restructure in round " << round << ": " << EngineErrorCode;
        ReindexFile(name, kKeyCount, keys, recordKey);
        ASSERT_TRUE(EngineOK) << "reindex in round " << round << ": " << EngineErrorCode;
        OpenFileSet(h, name, false, false, false, true);
        ASSERT_TRUE(EngineOK) << "open after rebuild in round " << round << ": "
                              << EngineErrorCode;
        const Snapshot s = inspect(h);
        CloseFileSet(h);
        for (const std::string& f : s.faults)
            report.push_back("round " + std::to_string(round) + ": after rebuild " + f);
        if (!s.faults.empty()) ++silentlyWrong;

        // Refs move in a restructure; what counts is each account's version.
        for (const auto& [id, live] : model) {
            const auto it = s.records.find(id);
            const bool touched = r.pending && r.pending->id == id;
            const auto after = withPending.find(id);
            const bool ok =
                it != s.records.end()
                    ? it->second.seq == live.seq ||
                          (touched && after != withPending.end() && it->second.seq == after->second.seq)
                    : touched && after == withPending.end();
            if (!ok) {
                ++lost;
                report.push_back("round " + std::to_string(round) + ": account " +
                                 std::to_string(id) + " (version " + std::to_string(live.seq) +
                                 ") lost after rebuild");
            }
        }
        for (const auto& [id, live] : s.records) {
            if (model.count(id) || (r.pending && r.pending->id == id)) continue;
            ++unexpected;
            report.push_back("round " + std::to_string(round) + ": account " +
                             std::to_string(id) + " came back after its delete");
        }
        model = s.records;
    }

    std::cout << "crash test: " << round << " rounds, " << operations
              << " completed operations, " << opened << " clean opens, " << rebuilt
              << " rebuilds; " << silentlyWrong << " silently wrong, " << lost
              << " completed records lost, " << unexpected << " deleted records back, "
              << model.size() << " records at the end\n";
    for (const std::string& line : report) std::cout << "  " << line << '\n';
    EXPECT_EQ(silentlyWrong, 0);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(unexpected, 0);
    EXPECT_GT(operations, 0);
    EngineStop();
}

}  // namespace
