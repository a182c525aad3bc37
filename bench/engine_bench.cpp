// The record engine against SQLite on the same work, in one run on the same machine and the
// same data folder: durable adds of 544-byte records with six keys each, a search for every
// key, an ordered scan of every index, and a rebuild of the indexes from the data. Each side
// runs in a child process of its own, so the engine's peak memory is its own.
//
//   engine_bench [--dir DIR] [--smoke] [--full-adds] [--sizes N,N,...]

#include <sqlite3.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <numeric>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/measure.h"
#include "bench/sqlite_db.h"
#include "engine/engine.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kRecLen = 544;
constexpr int kKeys = 6;
constexpr int kBatch = 1000;  // records generated ahead of a timed stretch

// --- the data: a customer-like record of short strings (length byte + text) ----------------

struct Field {
    size_t at;
    size_t width;
};
constexpr Field kAccount{4, 12}, kName{17, 40}, kAddr1{58, 30}, kAddr2{89, 30}, kCity{120, 24},
    kPostcode{145, 10}, kPhone{156, 16}, kDate{173, 10}, kRep{184, 6}, kCategory{191, 20},
    kContact{212, 40}, kEmail{253, 40}, kNotes{294, 240};

const char* const kSurnames[] = {
    "HARRISON",  "ABBOTT",      "BENNETT",    "CARTWRIGHT", "DAWSON",    "ELLIOTT",  "FLETCHER",
    "GRAHAM",    "HOLLAND",     "IRVING",     "JENNINGS",   "KENDALL",   "LAWRENCE", "MARSDEN",
    "NORRIS",    "OSBORNE",     "PARKER",     "QUINN",      "RADCLIFFE", "SINCLAIR", "THORNTON",
    "UNDERWOOD", "VAUGHAN",     "WHITAKER",   "YARDLEY",    "ASHWORTH",  "BRADSHAW", "CROWTHER",
    "DRUMMOND",  "FAIRBROTHER", "GOODWIN",    "HEPWORTH",   "KIRKBRIDE", "LOCKWOOD", "MOUNTFORD",
    "PEMBERTON", "ROWNTREE",    "SHACKLETON", "TOWNSEND",   "WAINWRIGHT"};
const char* const kSuffixes[] = {" LTD",    " & SONS", " TRADING",  " SUPPLIES",
                                 " STORES", " & CO",   " HARDWARE", " FOODS"};
const char* const kCities[] = {"NORTHAMPTON", "LEEDS",      "BRISTOL",   "HUDDERSFIELD",
                               "YORK",        "NOTTINGHAM", "SHEFFIELD", "WOLVERHAMPTON",
                               "BATH",        "CHESTER",    "DERBY",     "KIDDERMINSTER",
                               "LEICESTER",   "PRESTON",    "READING",   "STOCKPORT"};
const char* const kCategories[] = {"HARDWARE", "GARDEN",        "PLUMBING",   "ELECTRICAL",
                                   "TIMBER",   "PAINT & DECOR", "FASTENERS",  "TOOLS",
                                   "CATERING", "JANITORIAL",    "STATIONERY", "PACKAGING"};

uint64_t mix(uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

void putField(std::span<uint8_t> rec, Field f, const std::string& text) {
    const size_t n = std::min(text.size(), f.width);
    rec[f.at] = static_cast<uint8_t>(n);
    std::memcpy(rec.data() + f.at + 1, text.data(), n);
}

std::string getField(std::span<const uint8_t> rec, Field f) {
    const size_t n = std::min<size_t>(rec[f.at], f.width);
    return std::string(reinterpret_cast<const char*>(rec.data()) + f.at + 1, n);
}

// Record i of the data, the same on both sides and in every run.
void makeRecord(int64_t i, std::span<uint8_t> rec) {
    std::fill(rec.begin(), rec.end(), uint8_t{0});
    uint64_t r = mix(static_cast<uint64_t>(i) + 17);
    auto pick = [&](uint64_t n) {
        r = mix(r);
        return r % n;
    };
    char buf[64];
    const std::string surname = kSurnames[pick(std::size(kSurnames))];
    std::snprintf(buf, sizeof buf, "%.4s-%07lld", surname.c_str(), static_cast<long long>(i));
    putField(rec, kAccount, buf);
    std::string name = surname + kSuffixes[pick(std::size(kSuffixes))];
    if (pick(3) == 0) name = std::string(1, static_cast<char>('A' + pick(26))) + ". " + name;
    putField(rec, kName, name);
    std::snprintf(buf, sizeof buf, "%u %s ROAD", static_cast<unsigned>(1 + pick(240)),
                  kSurnames[pick(std::size(kSurnames))]);
    putField(rec, kAddr1, buf);
    putField(rec, kAddr2, "UNIT " + std::to_string(1 + pick(40)));
    const char* city = kCities[pick(std::size(kCities))];
    putField(rec, kCity, city);
    std::snprintf(buf, sizeof buf, "%c%c%u %u%c%c", city[0], city[1],
                  static_cast<unsigned>(1 + pick(30)), static_cast<unsigned>(pick(10)),
                  static_cast<char>('A' + pick(10)), static_cast<char>('A' + pick(10)));
    putField(rec, kPostcode, buf);
    std::snprintf(buf, sizeof buf, "0%04u %06u", static_cast<unsigned>(1000 + pick(9000)),
                  static_cast<unsigned>(pick(1000000)));
    putField(rec, kPhone, buf);
    const unsigned day = static_cast<unsigned>(pick(3 * 365));
    std::snprintf(buf, sizeof buf, "%04u/%02u/%02u", 2023 + day / 365, 1 + day % 365 / 31 % 12,
                  1 + day % 28);
    putField(rec, kDate, buf);
    std::snprintf(buf, sizeof buf, "REP%02u", static_cast<unsigned>(1 + pick(12)));
    putField(rec, kRep, buf);
    putField(rec, kCategory, kCategories[pick(std::size(kCategories))]);
    putField(rec, kContact, "MS " + surname);
    putField(rec, kEmail, "accounts@" + std::to_string(i) + ".example.com");
    std::string notes;
    while (notes.size() < kNotes.width) notes += "Deliver to rear entrance; invoice monthly. ";
    putField(rec, kNotes, notes);
}

// The key builder both sides use, for adds and for rebuilds.
std::string benchKey(std::span<const uint8_t> rec, int keyNr) {
    switch (keyNr) {
        case 1:
            return getField(rec, kAccount);
        case 2:
            return getField(rec, kName).substr(0, 30);
        case 3:
            return (getField(rec, kCity) + " " + getField(rec, kPostcode)).substr(0, 30);
        case 4:
            return getField(rec, kPhone);
        case 5:
            return getField(rec, kDate);
        default:
            return getField(rec, kRep) + " " + getField(rec, kCategory);
    }
}

KeyDescTable benchKeyDescs() {
    KeyDescTable keys{};
    keys[0] = {12, false};
    keys[1] = {30, true};
    keys[2] = {30, true};
    keys[3] = {16, true};
    keys[4] = {10, true};
    keys[5] = {27, true};
    return keys;
}

// A stretch of records with their keys, generated outside the timed part.
struct Batch {
    std::vector<uint8_t> records;
    std::vector<std::array<std::string, kKeys>> keys;
    std::vector<int64_t> ids;

    void fill(std::span<const int64_t> which) {
        ids.assign(which.begin(), which.end());
        records.resize(ids.size() * kRecLen);
        keys.resize(ids.size());
        for (size_t j = 0; j < ids.size(); ++j) {
            const auto rec = record(j);
            makeRecord(ids[j], rec);
            for (int k = 1; k <= kKeys; ++k) keys[j][k - 1] = benchKey(rec, k);
        }
    }
    std::span<uint8_t> record(size_t j) { return {records.data() + j * kRecLen, kRecLen}; }
};

using benchmeasure::Clock;
using benchmeasure::SecondsSince;

// --- results ---------------------------------------------------------------------------------

struct Memory {
    long hwmKB = 0, rssAnonKB = 0, rssFileKB = 0;
    long writtenMappedKB = 0;  // file pages written through the process's writable maps
    long cachedDirtyKB = 0;    // written file pages seen through its read-only maps
    // What the process owns: its anonymous memory and the file pages it has written through
    // its own maps. The index is mapped read-only and written with pwrite: its pages, written
    // or not, are the system's file cache, shared, outliving the process and given back when
    // memory is short (written ones once the system has written them out).
    long privateKB() const { return rssAnonKB + writtenMappedKB; }
};

long fieldKB(const std::string& text, std::size_t from, const char* name) {
    const std::size_t at = text.find(name, from);
    return at == std::string::npos ? 0
                                   : std::strtol(text.c_str() + at + std::strlen(name), nullptr, 10);
}

long rssAnonKB() {
    return benchmeasure::StatusKB(benchmeasure::ProcStatus(), "RssAnon");
}

Memory readMemory() {
    Memory m;
    const std::string status = benchmeasure::ProcStatus();
    m.hwmKB = benchmeasure::StatusKB(status, "VmHWM");
    m.rssAnonKB = benchmeasure::StatusKB(status, "RssAnon");
    m.rssFileKB = benchmeasure::StatusKB(status, "RssFile");
    // Map by map: the dirty pages of a file map that are not copies made on writing (those
    // are anonymous, in RssAnon already).
    std::istringstream maps(benchmeasure::ProcFile("/proc/self/smaps"));
    std::string line;
    bool file = false, writable = false;
    long dirty = 0, anonymous = 0;
    const auto endMap = [&] {
        if (file) (writable ? m.writtenMappedKB : m.cachedDirtyKB) += std::max(0L, dirty - anonymous);
        dirty = anonymous = 0;
    };
    while (std::getline(maps, line)) {
        char perms[8] = {};
        unsigned long inode = 0;
        if (std::sscanf(line.c_str(), "%*x-%*x %7s %*x %*x:%*x %lu", perms, &inode) == 2) {
            endMap();
            file = inode != 0;
            writable = perms[1] == 'w';
        } else if (line.rfind("Private_Dirty:", 0) == 0 || line.rfind("Shared_Dirty:", 0) == 0) {
            dirty += fieldKB(line, 0, ":");
        } else if (line.rfind("Anonymous:", 0) == 0) {
            anonymous += fieldKB(line, 0, ":");
        }
    }
    endMap();
    return m;
}

// The kernel keeps no peak of private memory: a thread samples it every few milliseconds
// while the engine works (reading the counters costs microseconds).
class PrivatePeak {
public:
    PrivatePeak()
        : sampler_([this] {
              while (!stop_) {
                  sample();
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          }) {}
    ~PrivatePeak() {
        stop_ = true;
        sampler_.join();
    }
    // The peak since the last call, with `now` (read in full).
    long take(const Memory& now) {
        sample();
        return std::max(peakKB_.exchange(0), now.privateKB());
    }

private:
    void sample() {
        // Anonymous memory between the phases' ends: maps written through are looked at
        // there (the engine writes none).
        const long now = rssAnonKB();
        long peak = peakKB_.load();
        while (now > peak && !peakKB_.compare_exchange_weak(peak, now)) {
        }
    }
    std::atomic<long> peakKB_{0};
    std::atomic<bool> stop_{false};
    std::thread sampler_;
};

// The engine's phases, whose memory peaks are reported one by one.
enum Phase { Adds, Searches, Scans, Reindex, RestructureReindex, Reopen, PhaseCount };
const char* const kPhaseNames[PhaseCount] = {"adds",    "searches",    "scans",
                                             "reindex", "restructure", "reopen"};

struct Result {
    double durableAdds = 0;  // seconds for `durableCount` adds, one unit each
    double bulkAdds = 0;     // seconds for `bulkCount` adds in units of kBatch
    double searches = 0;     // seconds for a search of every key
    double scans = 0;        // seconds for an ordered scan of every index
    double rebuild = 0;      // seconds to rebuild every index from the data
    double fullRebuild = 0;  // engine: restructure and reindex
    int64_t durableCount = 0, bulkCount = 0, searchCount = 0, scanCount = 0;
    int64_t datBytes = 0, ixBytes = 0;  // engine files once every record is in
    long peakHwmKB = 0, peakFileKB = 0, peakPrivateKB = 0;
    Memory phases[PhaseCount] = {};    // VmHWM within the phase; RSS at its end
    long phasePrivateKB[PhaseCount] = {};  // private memory's peak within the phase
    bool phasePeaks = false;               // VmHWM was reset at each phase's start
    char error[240] = {};

    void sample() { note(readMemory()); }
    void note(const Memory& m) {
        peakHwmKB = std::max(peakHwmKB, m.hwmKB);
        peakFileKB = std::max(peakFileKB, m.rssFileKB);
    }
    // Ends `phase` and starts the next one.
    void endPhase(Phase phase, PrivatePeak& peak) {
        phases[phase] = readMemory();
        note(phases[phase]);
        phasePrivateKB[phase] = peak.take(phases[phase]);
        peakPrivateKB = std::max(peakPrivateKB, phasePrivateKB[phase]);
        phasePeaks = benchmeasure::ClearPeak();
    }
};

struct Plan {
    int64_t n = 0;
    int64_t durable = 0;  // the last `durable` adds are timed one unit each
    fs::path dir;
};

std::vector<int64_t> shuffled(int64_t n) {
    std::vector<int64_t> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937_64(42));
    return order;
}

// Runs `work` over the data in stretches of kBatch ids; only `work` is timed.
template <typename Work>
double timedOverBatches(std::span<const int64_t> ids, Batch& batch, Work&& work) {
    double total = 0;
    for (size_t from = 0; from < ids.size(); from += kBatch) {
        batch.fill(ids.subspan(from, std::min<size_t>(kBatch, ids.size() - from)));
        const auto t = Clock::now();
        work(batch);
        total += SecondsSince(t);
    }
    return total;
}

// A short stretch of work on a shared machine is easily slowed by others: the best of a few
// passes, on both sides alike, is what the work itself costs.
constexpr int kScanPasses = 3;
template <typename Pass>
double bestOf(int passes, Pass&& pass) {
    double best = 0;
    for (int i = 0; i < passes; ++i) {
        const auto t = Clock::now();
        pass();
        const double seconds = SecondsSince(t);
        if (i == 0 || seconds < best) best = seconds;
    }
    return best;
}

std::vector<int64_t> range(int64_t from, int64_t to) {
    std::vector<int64_t> v(static_cast<size_t>(to - from));
    std::iota(v.begin(), v.end(), from);
    return v;
}

// --- the engine's side -----------------------------------------------------------------------

void check(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error(what + " (engine code " + std::to_string(EngineErrorCode) + ")");
}

Result runEngine(const Plan& plan) {
    Result res;
    PrivatePeak peak;
    EngineStart(30);
    const std::string name = (plan.dir / "BENCH").string();
    const KeyDescTable descs = benchKeyDescs();
    CreateFileSet(name, kRecLen, kKeys, descs);
    check(EngineOK, "CreateFileSet");
    FileSetHandle h = 0;
    OpenFileSet(h, name, false, false, false, true);
    check(EngineOK, "OpenFileSet");
    Batch batch;

    const auto addOne = [&](Batch& b, size_t j) {
        int32_t ref = 0;
        AddRecord(h, ref, b.record(j));
        check(EngineOK, "AddRecord");
        for (int k = 1; k <= kKeys; ++k) {
            AddKey(h, k, ref, b.keys[j][k - 1]);
            check(EngineOK, "AddKey " + std::to_string(k));
        }
    };
    const auto bulk = range(0, plan.n - plan.durable);
    res.bulkCount = static_cast<int64_t>(bulk.size());
    res.bulkAdds = timedOverBatches(bulk, batch, [&](Batch& b) {
        LockFileSet(h);
        for (size_t j = 0; j < b.ids.size(); ++j) addOne(b, j);
        UnlockFileSet(h);
        check(EngineOK, "UnlockFileSet");
    });
    const auto durable = range(plan.n - plan.durable, plan.n);
    res.durableCount = plan.durable;
    res.durableAdds = timedOverBatches(durable, batch, [&](Batch& b) {
        for (size_t j = 0; j < b.ids.size(); ++j) {
            LockFileSet(h);
            addOne(b, j);
            UnlockFileSet(h);
            check(EngineOK, "UnlockFileSet");
        }
    });
    res.endPhase(Adds, peak);
    res.datBytes = static_cast<int64_t>(fs::file_size(name + ".DAT"));
    res.ixBytes = static_cast<int64_t>(fs::file_size(name + ".IX"));

    const auto order = shuffled(plan.n);
    std::string key;
    res.searches = timedOverBatches(order, batch, [&](Batch& b) {
        for (size_t j = 0; j < b.ids.size(); ++j) {
            for (int k = 1; k <= kKeys; ++k) {
                const std::string& want = b.keys[j][k - 1];
                key = want;
                int32_t ref = 0;
                SearchKey(h, k, ref, key);
                check(EngineOK && key == want, "SearchKey " + std::to_string(k) + " " + want);
            }
        }
    });
    res.searchCount = plan.n * kKeys;
    res.endPhase(Searches, peak);

    res.scans = bestOf(kScanPasses, [&] {
        for (int k = 1; k <= kKeys; ++k) {
            ClearKeyPosition(h, k);
            int64_t count = 0;
            int32_t ref = 0;
            for (;;) {
                NextKey(h, k, ref, key);
                if (!EngineOK) break;
                ++count;
            }
            check(EngineErrorCode == EngineCode::NoNextKey && count == plan.n,
                  "scan of index " + std::to_string(k) + " gave " + std::to_string(count));
        }
    });
    res.scanCount = kKeys;
    CloseFileSet(h);
    res.endPhase(Scans, peak);

    auto t2 = Clock::now();
    ReindexFile(name, kKeys, descs, benchKey);
    res.rebuild = SecondsSince(t2);
    check(EngineOK, "ReindexFile");
    res.endPhase(Reindex, peak);
    t2 = Clock::now();
    RestructureFile(name, kRecLen, kRecLen);
    check(EngineOK, "RestructureFile");
    ReindexFile(name, kKeys, descs, benchKey);
    res.fullRebuild = SecondsSince(t2);
    check(EngineOK, "ReindexFile after RestructureFile");
    res.endPhase(RestructureReindex, peak);

    OpenFileSet(h, name, false, false, false, true);
    check(EngineOK, "OpenFileSet after rebuild");
    for (int k = 1; k <= kKeys; ++k)
        check(IndexKeyCount(h, k) == plan.n, "rebuilt index " + std::to_string(k));
    CloseFileSet(h);
    EngineStop();
    res.endPhase(Reopen, peak);
    return res;
}

// --- SQLite's side ---------------------------------------------------------------------------

using benchsql::Db;

std::string indexTable(int k) {
    const std::string t = "ix" + std::to_string(k);
    return k == 1 ? "CREATE TABLE " + t +
                        "(k TEXT NOT NULL PRIMARY KEY, id INTEGER NOT NULL) WITHOUT ROWID"
                  : "CREATE TABLE " + t +
                        "(k TEXT NOT NULL, id INTEGER NOT NULL, PRIMARY KEY(k, id)) WITHOUT ROWID";
}

void sqlKey(sqlite3_context* ctx, int, sqlite3_value** args) {
    const auto* data = static_cast<const uint8_t*>(sqlite3_value_blob(args[0]));
    const int n = sqlite3_value_bytes(args[0]);
    const std::string key = benchKey({data, static_cast<size_t>(n)}, sqlite3_value_int(args[1]));
    sqlite3_result_text(ctx, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

Result runSqlite(const Plan& plan) {
    Result res;
    const fs::path file = plan.dir / "bench.sqlite";
    Db db(file);
    db.exec("PRAGMA journal_mode=WAL");
    db.exec("PRAGMA synchronous=FULL");
    // As much memory as the engine may use, so that neither side wins by caching alone.
    db.exec("PRAGMA cache_size=-65536");
    db.exec("CREATE TABLE rec(id INTEGER PRIMARY KEY, data BLOB NOT NULL)");
    for (int k = 1; k <= kKeys; ++k) db.exec(indexTable(k));
    sqlite3_create_function(db.get(), "stk", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlKey,
                            nullptr, nullptr);
    sqlite3_stmt* begin = db.prepare("BEGIN");
    sqlite3_stmt* commit = db.prepare("COMMIT");
    sqlite3_stmt* insRec = db.prepare("INSERT INTO rec(data) VALUES(?1)");
    std::array<sqlite3_stmt*, kKeys> insKey{}, search{}, scan{};
    for (int k = 1; k <= kKeys; ++k) {
        const std::string t = "ix" + std::to_string(k);
        insKey[k - 1] = db.prepare("INSERT INTO " + t + "(k, id) VALUES(?1, ?2)");
        search[k - 1] =
            db.prepare("SELECT k, id FROM " + t + " WHERE k >= ?1 ORDER BY k, id LIMIT 1");
        scan[k - 1] = db.prepare("SELECT k, id FROM " + t + " ORDER BY k, id");
    }
    Batch batch;

    const auto addOne = [&](Batch& b, size_t j) {
        sqlite3_bind_blob(insRec, 1, b.record(j).data(), kRecLen, SQLITE_STATIC);
        db.done(insRec);
        const sqlite3_int64 id = sqlite3_last_insert_rowid(db.get());
        for (int k = 1; k <= kKeys; ++k) {
            const std::string& key = b.keys[j][k - 1];
            sqlite3_bind_text(insKey[k - 1], 1, key.data(), static_cast<int>(key.size()),
                              SQLITE_STATIC);
            sqlite3_bind_int64(insKey[k - 1], 2, id);
            db.done(insKey[k - 1]);
        }
    };
    const auto bulk = range(0, plan.n - plan.durable);
    res.bulkCount = static_cast<int64_t>(bulk.size());
    res.bulkAdds = timedOverBatches(bulk, batch, [&](Batch& b) {
        db.done(begin);
        for (size_t j = 0; j < b.ids.size(); ++j) addOne(b, j);
        db.done(commit);
    });
    const auto durable = range(plan.n - plan.durable, plan.n);
    res.durableCount = plan.durable;
    res.durableAdds = timedOverBatches(durable, batch, [&](Batch& b) {
        for (size_t j = 0; j < b.ids.size(); ++j) {
            db.done(begin);
            addOne(b, j);
            db.done(commit);
        }
    });

    const auto order = shuffled(plan.n);
    res.searches = timedOverBatches(order, batch, [&](Batch& b) {
        for (size_t j = 0; j < b.ids.size(); ++j) {
            for (int k = 1; k <= kKeys; ++k) {
                const std::string& want = b.keys[j][k - 1];
                sqlite3_stmt* s = search[k - 1];
                sqlite3_bind_text(s, 1, want.data(), static_cast<int>(want.size()), SQLITE_STATIC);
                const bool found =
                    sqlite3_step(s) == SQLITE_ROW &&
                    want.compare(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) == 0;
                (void)sqlite3_column_int64(s, 1);
                sqlite3_reset(s);
                if (!found) db.fail("search for " + want);
            }
        }
    });
    res.searchCount = plan.n * kKeys;

    res.scans = bestOf(kScanPasses, [&] {
        for (int k = 1; k <= kKeys; ++k) {
            int64_t count = 0;
            sqlite3_stmt* s = scan[k - 1];
            while (sqlite3_step(s) == SQLITE_ROW) {
                (void)sqlite3_column_text(s, 0);
                (void)sqlite3_column_int64(s, 1);
                ++count;
            }
            sqlite3_reset(s);
            if (count != plan.n) db.fail("scan of ix" + std::to_string(k));
        }
    });
    res.scanCount = kKeys;

    // Sorting first lets each index table be written in order, the fastest way SQLite has.
    const auto t2 = Clock::now();
    db.exec("BEGIN");
    for (int k = 1; k <= kKeys; ++k) {
        const std::string tbl = "ix" + std::to_string(k);
        db.exec("DROP TABLE " + tbl);
        db.exec(indexTable(k));
        db.exec("INSERT INTO " + tbl + "(k, id) SELECT stk(data, " + std::to_string(k) +
                ") AS key, id FROM rec ORDER BY key, id");
    }
    db.exec("COMMIT");
    res.rebuild = SecondsSince(t2);
    res.sample();
    return res;
}

// --- running and reporting -------------------------------------------------------------------

// Runs one side in a child process and brings its result back through a pipe.
template <typename Side>
Result inChild(Side&& side, const Plan& plan) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        Result r;
        try {
            r = side(plan);
        } catch (const std::exception& e) {
            std::snprintf(r.error, sizeof r.error, "%s", e.what());
        }
        const bool sent = ::write(fds[1], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
        _exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    Result r;
    const ssize_t got = ::read(fds[0], &r, sizeof r);
    ::close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got != static_cast<ssize_t>(sizeof r))
        throw std::runtime_error("a benchmark child died (status " + std::to_string(status) + ")");
    if (r.error[0]) throw std::runtime_error(r.error);
    return r;
}

std::string folderKind(const fs::path& dir) {
    struct statfs s {};
    if (statfs(dir.c_str(), &s) != 0) return "unknown file system";
    switch (static_cast<unsigned long>(s.f_type)) {
        case 0xEF53:
            return "ext4, on disk";
        case 0x58465342:
            return "xfs, on disk";
        case 0x9123683E:
            return "btrfs, on disk";
        case 0x794c7630:
            return "overlayfs";
        case 0x01021994:
            return "tmpfs, in memory: durable adds mean nothing here";
        default: {
            char buf[48];
            std::snprintf(buf, sizeof buf, "file system type 0x%lx",
                          static_cast<unsigned long>(s.f_type));
            return buf;
        }
    }
}

void clearFolder(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
}

struct Line {
    const char* work;
    double engine, sqlite;
    int64_t ops;
    double bar;  // 0: no bar
};

void printLine(int64_t n, const Line& l) {
    const double ratio = l.sqlite > 0 ? l.engine / l.sqlite : 0;
    char bar[32] = "";
    if (l.bar > 0)
        std::snprintf(bar, sizeof bar, "<= %.2f %s", l.bar, ratio <= l.bar ? "met" : "MISSED");
    std::printf("%-34s %8lld %10.2f %10.2f %8.3f   %s\n", l.work, static_cast<long long>(n),
                l.engine / static_cast<double>(l.ops) * 1e6,
                l.sqlite / static_cast<double>(l.ops) * 1e6, ratio, bar);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int64_t> sizes{10000, 200000};
    fs::path dir;
    bool fullAdds = false;
    bool smoke = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--smoke") {
            smoke = true;
            sizes = {500};
        } else if (a == "--full-adds") {
            fullAdds = true;
        } else if (a == "--dir" && i + 1 < argc) {
            dir = argv[++i];
        } else if (a == "--sizes" && i + 1 < argc) {
            sizes.clear();
            for (const char* p = argv[++i]; *p;) {
                char* end = nullptr;
                sizes.push_back(std::strtoll(p, &end, 10));
                p = *end ? end + 1 : end;
            }
        } else {
            std::fprintf(stderr,
                         "usage: engine_bench [--dir DIR] [--smoke] [--full-adds] [--sizes N,N]\n");
            return 2;
        }
    }
    for (const int64_t n : sizes) {
        if (n < 1 || n > 10000000) {
            std::fprintf(stderr, "engine_bench: a size must be from 1 to 10000000\n");
            return 2;
        }
    }
    if (dir.empty()) dir = fs::read_symlink("/proc/self/exe").parent_path() / "bench-data";
    constexpr int64_t kSample = 10000;

    try {
        fs::create_directories(dir);
        std::printf(
            "engine against SQLite %s (WAL, synchronous=FULL, one transaction per record,\n"
            "  a 64 MiB page cache)\n",
            sqlite3_libversion());
        std::printf("data folder: %s (%s)\n", fs::absolute(dir).c_str(), folderKind(dir).c_str());
        std::printf(
            "records of %d bytes with %d keys (1 unique, 5 with duplicates) of 8-30 characters\n",
            kRecLen, kKeys);
        std::printf(
            "engine rebuild: ReindexFile alone (its restructure + reindex is shown beside it)\n");
        std::printf("ordered scans: the best of %d passes on each side\n", kScanPasses);
        std::printf("time per operation in microseconds; ratio = engine time / SQLite time\n\n");
        std::printf("%-34s %8s %10s %10s %8s   %s\n", "work", "N", "engine", "SQLite", "ratio",
                    "bar");

        std::vector<std::string> notes;
        Result largest;
        int64_t largestN = 0;
        for (const int64_t n : sizes) {
            Plan plan{n, fullAdds || n <= kSample ? n : kSample, dir};
            clearFolder(dir);
            const Result e = inChild(runEngine, plan);
            clearFolder(dir);
            const Result s = inChild(runSqlite, plan);
            clearFolder(dir);
            if (plan.durable < n) {
                notes.push_back("durable adds at N=" + std::to_string(n) +
                                " measured on the last " + std::to_string(plan.durable) +
                                " adds into a set already holding " +
                                std::to_string(n - plan.durable) +
                                " records loaded in units of 1000 (--full-adds times them all)");
                printLine(n, {"bulk adds, 1000 records per unit", e.bulkAdds, s.bulkAdds,
                              e.bulkCount, 0});
            }
            printLine(n, {"durable adds, one unit per record", e.durableAdds, s.durableAdds,
                          e.durableCount, 2.0});
            printLine(n, {"key searches", e.searches, s.searches, e.searchCount, 0.3});
            printLine(n,
                      {"ordered index scans (per entry)", e.scans, s.scans, e.searchCount, 0.25});
            printLine(n, {"index rebuild (per record)", e.rebuild, s.rebuild, n, 1.0});
            printLine(n, {"  restructure + reindex", e.fullRebuild, s.rebuild, n, 0});
            if (n >= largestN) {
                largest = e;
                largestN = n;
            }
        }
        std::printf(
            "\nengine peak private memory at N=%lld: %.1f MiB (anonymous memory, and file "
            "pages written through its maps); bar < 32 MiB: %s\n",
            static_cast<long long>(largestN), largest.peakPrivateKB / 1024.0,
            largest.peakPrivateKB < 32 * 1024 ? "met" : "MISSED");
        std::printf(
            "  resident (VmHWM) %.1f MiB, of it mapped file pages (the index's, the program's "
            "code) up to %.1f MiB: the system's file cache, shared, not counted\n",
            largest.peakHwmKB / 1024.0, largest.peakFileKB / 1024.0);
        std::printf("engine memory by phase at N=%lld (MiB):", static_cast<long long>(largestN));
        for (int p = 0; p < PhaseCount; ++p) {
            const Memory& m = largest.phases[p];
            std::printf("%s %s private %.1f (resident %.1f, file %.1f, written %.1f)",
                        p ? ";" : "", kPhaseNames[p], largest.phasePrivateKB[p] / 1024.0,
                        m.hwmKB / 1024.0, m.rssFileKB / 1024.0, m.cachedDirtyKB / 1024.0);
        }
        std::printf("\n  private: peak within the phase (anonymous memory sampled every 2 ms); "
                    "%s;\n  file: mapped file pages at the end of the phase, of them written: "
                    "index pages written\n  with pwrite that the system has not written out "
                    "yet (file cache, not counted)\n",
                    largest.phasePeaks ? "resident: VmHWM within the phase"
                                       : "resident: VmHWM so far (this kernel cannot reset it)");
        std::printf(
            "engine files at N=%lld: NAME.DAT %.1f MiB, NAME.IX %.1f MiB\n",
            static_cast<long long>(largestN), largest.datBytes / 1048576.0,
            largest.ixBytes / 1048576.0);
        for (const std::string& note : notes) std::printf("note: %s\n", note.c_str());
        if (smoke) std::printf("smoke run: figures at this size say nothing about the bars\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "engine_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
