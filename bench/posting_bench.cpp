// Posting against SQLite, and the cost of opening a file set as it grows, in one run on the
// same machine and data folder.
//
// Posting: one 3-line invoice into a company that holds N invoices, done the way the program
// posts it: the customer, the products and the company record are looked up, each file
// opened for its step and closed after it; then the header (six keys), the three lines (two
// keys each), the products' stock, the customer's balance and the company's totals are
// written as one unit of work. SQLite does the same reads and writes on the same rows, with
// the same indexes, in WAL mode with synchronous=FULL, one transaction per posting. The two
// sides post in alternating blocks.
//
// Opening: OpenFileSet and CloseFileSet of an invoice file set of L records against one of
// 1,000.
//
//   posting_bench [--dir DIR] [--smoke] [--invoices N] [--large L] [--postings M]

#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/sqlite_db.h"
#include "engine/engine.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

void check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what + " failed (engine code " +
                                      std::to_string(EngineErrorCode) + ")");
}

// The shapes of the program's files: record length and keys (length, duplicates).
struct Shape {
    const char* name;
    int32_t length;
    std::vector<KeyDesc> keys;
};
const Shape Invoices{"I", 544, {{9, true}, {8, true}, {10, true}, {10, true}, {10, true}, {10, true}}};
const Shape Lines{"D", 196, {{10, true}, {9, true}}};
const Shape Customers{"C", 916, {{10, false}, {30, true}, {10, true}}};
const Shape Products{"P", 616, {{30, true}, {8, false}}};
const Shape Companies{"cvcomp", 3600, {{5, false}, {30, true}}};

constexpr int kCustomers = 1000;
constexpr int kProducts = 1000;

// Key k of record n of a file: fixed-width text, and written into the record at 8 + 32k so
// that a rebuild finds it there.
std::string keyOf(const Shape& s, int64_t n, int k) {
    char buf[48];
    const int width = s.keys[k - 1].length;
    // Duplicate keys repeat every 97 records; unique keys follow the number.
    const long long v = s.keys[k - 1].duplicates && k > 1 ? n % 97 : n;
    std::snprintf(buf, sizeof buf, "%c%0*lld", 'A' + k, width - 1, v);
    return std::string(buf, static_cast<size_t>(width));
}

std::vector<uint8_t> recordOf(const Shape& s, int64_t n) {
    std::vector<uint8_t> rec(static_cast<size_t>(s.length), ' ');
    std::memset(rec.data(), 0, 4);
    for (int k = 1; k <= static_cast<int>(s.keys.size()); ++k) {
        const std::string key = keyOf(s, n, k);
        std::memcpy(rec.data() + 8 + 32 * (k - 1), key.data(), key.size());
    }
    return rec;
}

std::string keyIn(const Shape& s, std::span<const uint8_t> rec, int k) {
    return std::string(reinterpret_cast<const char*>(rec.data()) + 8 + 32 * (k - 1),
                       static_cast<size_t>(s.keys[k - 1].length));
}

KeyDescTable tableOf(const Shape& s) {
    KeyDescTable t{};
    for (size_t i = 0; i < s.keys.size(); ++i) t[i] = s.keys[i];
    return t;
}

std::string setName(const fs::path& dir, const Shape& s) {
    return (dir / s.name).string();
}

// Fills a set with records 1..count: data in large brackets, then the index rebuilt.
void fill(const fs::path& dir, const Shape& s, int64_t count) {
    const std::string name = setName(dir, s);
    const KeyDescTable table = tableOf(s);
    CreateFileSet(name, s.length, static_cast<int>(s.keys.size()), table);
    check(EngineOK, "CreateFileSet");
    FileSetHandle h = 0;
    OpenFileSet(h, name);
    check(EngineOK, "OpenFileSet");
    for (int64_t n = 1; n <= count;) {
        LockFileSet(h);
        for (int64_t end = std::min(count, n + 20000 - 1); n <= end; ++n) {
            auto rec = recordOf(s, n);
            int32_t ref = 0;
            AddRecord(h, ref, rec);
        }
        UnlockFileSet(h);
        check(EngineOK, "AddRecord");
    }
    CloseFileSet(h);
    ReindexFile(name, static_cast<int>(s.keys.size()), table,
                [&s](std::span<const uint8_t> rec, int k) { return keyIn(s, rec, k); });
    check(EngineOK, "ReindexFile");
}

void fresh(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir);
}

// Writes back everything the set-up left in the page cache, so that neither side's timed
// postings wait behind the writeback of its own loading.
void settle() {
    ::sync();
}

// --- the engine -------------------------------------------------------------------------

struct Found {
    int32_t ref = 0;
    std::vector<uint8_t> rec;
};

Found lookUp(FileSetHandle h, const Shape& s, const std::string& key) {
    Found f;
    std::string k = key;
    SearchKey(h, 1, f.ref, k);
    check(EngineOK && k == key, "SearchKey");
    f.rec.resize(static_cast<size_t>(s.length));
    ReadRecord(h, f.ref, f.rec);
    check(EngineOK, "ReadRecord");
    return f;
}

// Opens a set for one step and closes it after, as the program's steps do.
template <class Body>
void step(const fs::path& dir, const Shape& s, Body body) {
    FileSetHandle h = 0;
    OpenFileSet(h, setName(dir, s));
    check(EngineOK, "OpenFileSet");
    body(h);
    CloseFileSet(h);
    check(EngineOK, "CloseFileSet");
}

void addWithKeys(FileSetHandle h, const Shape& s, std::vector<uint8_t>& rec) {
    int32_t ref = 0;
    LockFileSet(h);
    AddRecord(h, ref, rec);
    for (int k = 1; k <= static_cast<int>(s.keys.size()); ++k) AddKey(h, k, ref, keyIn(s, rec, k));
    UnlockFileSet(h);
    check(EngineOK, "add");
}

// The program's side: the company written, the invoice files open as the Invoice Manager
// keeps them while it posts.
class EnginePoster {
public:
    EnginePoster(fs::path dir, int64_t invoices) : dir_(std::move(dir)) {
        EngineStart(30);
        fill(dir_, Invoices, invoices);
        fill(dir_, Lines, invoices * 3);
        fill(dir_, Customers, kCustomers);
        fill(dir_, Products, kProducts);
        fill(dir_, Companies, 1);
        OpenFileSet(inv_, setName(dir_, Invoices));
        OpenFileSet(lines_, setName(dir_, Lines));
        check(EngineOK, "OpenFileSet");
    }
    ~EnginePoster() {
        CloseFileSet(inv_);
        CloseFileSet(lines_);
        EngineStop();
    }
    EnginePoster(const EnginePoster&) = delete;
    EnginePoster& operator=(const EnginePoster&) = delete;

    // Posts invoice n.
    void post(int64_t n) {
        std::vector<Found> products(3);
        Found customer, company;
        step(dir_, Customers, [&](FileSetHandle h) {
            customer = lookUp(h, Customers, keyOf(Customers, 1 + n % kCustomers, 1));
        });
        step(dir_, Products, [&](FileSetHandle h) {
            for (int i = 0; i < 3; ++i)
                products[i] = lookUp(h, Products, keyOf(Products, 1 + (n * 3 + i) % kProducts, 1));
        });
        step(dir_, Companies,
             [&](FileSetHandle h) { company = lookUp(h, Companies, keyOf(Companies, 1, 1)); });

        EngineUnit unit;
        auto header = recordOf(Invoices, n);
        addWithKeys(inv_, Invoices, header);
        for (int i = 0; i < 3; ++i) {
            auto line = recordOf(Lines, n * 3 + i);
            addWithKeys(lines_, Lines, line);
        }
        step(dir_, Products, [&](FileSetHandle h) {
            for (Found& f : products) {
                f.rec[300] ^= 1;
                PutRecord(h, f.ref, f.rec);
            }
        });
        step(dir_, Customers, [&](FileSetHandle h) {
            customer.rec[300] ^= 1;
            PutRecord(h, customer.ref, customer.rec);
        });
        step(dir_, Companies, [&](FileSetHandle h) {
            Found stored = lookUp(h, Companies, keyOf(Companies, 1, 1));
            stored.rec[300] ^= 1;
            PutRecord(h, stored.ref, stored.rec);
        });
        check(unit.commit(), "CommitUnit");
    }

private:
    fs::path dir_;
    FileSetHandle inv_ = 0;
    FileSetHandle lines_ = 0;
};

// --- SQLite -----------------------------------------------------------------------------

using benchsql::Db;

struct Table {
    const Shape* shape;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* find = nullptr;
    sqlite3_stmt* update = nullptr;
};

void bindRecord(sqlite3_stmt* st, const Shape& s, const std::vector<uint8_t>& rec) {
    sqlite3_bind_blob(st, 1, rec.data(), static_cast<int>(rec.size()), SQLITE_TRANSIENT);
    for (int k = 1; k <= static_cast<int>(s.keys.size()); ++k) {
        const std::string key = keyIn(s, rec, k);
        sqlite3_bind_text(st, k + 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    }
}

Table makeTable(Db& db, const Shape& s, int64_t count) {
    const std::string t = std::string("t_") + s.name;
    std::string cols, params = "?1", keys;
    for (size_t k = 1; k <= s.keys.size(); ++k) {
        cols += ", k" + std::to_string(k) + " TEXT";
        params += ", ?" + std::to_string(k + 1);
        keys += ", k" + std::to_string(k);
    }
    db.exec("CREATE TABLE " + t + "(id INTEGER PRIMARY KEY, data BLOB" + cols + ")");
    for (size_t k = 1; k <= s.keys.size(); ++k)
        db.exec(std::string("CREATE ") + (s.keys[k - 1].duplicates ? "" : "UNIQUE ") + "INDEX " +
                t + "_" + std::to_string(k) + " ON " + t + "(k" + std::to_string(k) + ", id)");
    Table table{&s};
    table.insert = db.prepare("INSERT INTO " + t + "(data" + keys + ") VALUES(" + params + ")");
    table.find = db.prepare("SELECT id, data FROM " + t + " WHERE k1 = ?1 ORDER BY id LIMIT 1");
    table.update = db.prepare("UPDATE " + t + " SET data = ?1 WHERE id = ?2");
    db.exec("BEGIN");
    for (int64_t n = 1; n <= count; ++n) {
        bindRecord(table.insert, s, recordOf(s, n));
        db.done(table.insert);
    }
    db.exec("COMMIT");
    return table;
}

Found sqlFind(Db& db, const Table& t, const std::string& key) {
    sqlite3_bind_text(t.find, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(t.find) != SQLITE_ROW) db.fail("find");
    Found f;
    f.ref = sqlite3_column_int(t.find, 0);
    const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(t.find, 1));
    f.rec.assign(data, data + sqlite3_column_bytes(t.find, 1));
    sqlite3_reset(t.find);
    return f;
}

void sqlUpdate(Db& db, const Table& t, const Found& f) {
    sqlite3_bind_blob(t.update, 1, f.rec.data(), static_cast<int>(f.rec.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(t.update, 2, f.ref);
    db.done(t.update);
}

class SqlitePoster {
public:
    SqlitePoster(const fs::path& dir, int64_t invoices) : db_(dir / "books.sqlite") {
        db_.exec("PRAGMA journal_mode=WAL");
        db_.exec("PRAGMA synchronous=FULL");
        inv_ = makeTable(db_, Invoices, invoices);
        lines_ = makeTable(db_, Lines, invoices * 3);
        customers_ = makeTable(db_, Customers, kCustomers);
        products_ = makeTable(db_, Products, kProducts);
        companies_ = makeTable(db_, Companies, 1);
    }

    void post(int64_t n) {
        Found customer = sqlFind(db_, customers_, keyOf(Customers, 1 + n % kCustomers, 1));
        std::vector<Found> found;
        for (int i = 0; i < 3; ++i)
            found.push_back(
                sqlFind(db_, products_, keyOf(Products, 1 + (n * 3 + i) % kProducts, 1)));
        sqlFind(db_, companies_, keyOf(Companies, 1, 1));

        db_.exec("BEGIN");
        bindRecord(inv_.insert, Invoices, recordOf(Invoices, n));
        db_.done(inv_.insert);
        for (int i = 0; i < 3; ++i) {
            bindRecord(lines_.insert, Lines, recordOf(Lines, n * 3 + i));
            db_.done(lines_.insert);
        }
        for (Found& f : found) {
            f.rec[300] ^= 1;
            sqlUpdate(db_, products_, f);
        }
        customer.rec[300] ^= 1;
        sqlUpdate(db_, customers_, customer);
        Found company = sqlFind(db_, companies_, keyOf(Companies, 1, 1));
        company.rec[300] ^= 1;
        sqlUpdate(db_, companies_, company);
        db_.exec("COMMIT");
    }

private:
    Db db_;
    Table inv_, lines_, customers_, products_, companies_;
};

// Posts `postings` invoices on each side, in alternating blocks, so that both meet the disk
// in the same state (other work on the machine comes and goes); the mean time of a posting
// on each side.
std::pair<double, double> postBoth(const fs::path& dir, int64_t invoices, int postings) {
    fresh(dir / "engine");
    fresh(dir / "sqlite");
    EnginePoster engine(dir / "engine", invoices);
    SqlitePoster sqlite(dir / "sqlite", invoices);
    settle();
    constexpr int Block = 20;
    double engineSeconds = 0, sqliteSeconds = 0;
    for (int done = 0; done < postings; done += Block) {
        const int count = std::min(Block, postings - done);
        const auto timeBlock = [&](auto& side) {
            const auto t = Clock::now();
            for (int p = done; p < done + count; ++p) side.post(invoices + 1 + p);
            return since(t);
        };
        // Who goes first changes from block to block.
        if ((done / Block) % 2 == 0) {
            engineSeconds += timeBlock(engine);
            sqliteSeconds += timeBlock(sqlite);
        } else {
            sqliteSeconds += timeBlock(sqlite);
            engineSeconds += timeBlock(engine);
        }
    }
    return {engineSeconds / postings, sqliteSeconds / postings};
}

// --- opening ----------------------------------------------------------------------------

double openCost(const fs::path& dir, int64_t records, int rounds) {
    EngineStart(30);
    fill(dir, Invoices, records);
    const std::string name = setName(dir, Invoices);
    double best = 1e9;
    // The best of five stretches, each the mean of `rounds` open-and-close pairs.
    for (int pass = 0; pass < 5; ++pass) {
        const auto t = Clock::now();
        for (int i = 0; i < rounds; ++i) {
            FileSetHandle h = 0;
            OpenFileSet(h, name);
            check(EngineOK, "OpenFileSet");
            CloseFileSet(h);
        }
        best = std::min(best, since(t) / rounds);
    }
    EngineStop();
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path() / "stockmere-posting-bench";
    int64_t invoices = 100000, large = 1000000;
    int postings = 300;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (a == "--smoke") {
            invoices = 200, large = 3000, postings = 20;
        } else if (a == "--dir") {
            dir = next();
        } else if (a == "--invoices") {
            invoices = std::stoll(next());
        } else if (a == "--large") {
            large = std::stoll(next());
        } else if (a == "--postings") {
            postings = std::stoi(next());
        } else {
            std::fprintf(stderr,
                         "usage: posting_bench [--dir DIR] [--smoke] [--invoices N] [--large L] "
                         "[--postings M]\n");
            return 2;
        }
    }
    try {
        std::printf("data folder: %s\n", fs::absolute(dir).c_str());
        std::printf("%-44s %10s %10s %8s   %s\n", "work", "engine", "other", "ratio", "bar");
        const auto [engine, sqlite] = postBoth(dir, invoices, postings);
        const auto line = [](const std::string& work, double a, double b, double bar) {
            const double ratio = a / b;
            std::printf("%-44s %10.1f %10.1f %8.3f   <= %.2f %s\n", work.c_str(), a * 1e6, b * 1e6,
                        ratio, bar, ratio <= bar ? "met" : "MISSED");
        };
        line("post a 3-line invoice among " + std::to_string(invoices) + " (us, vs SQLite)",
             engine, sqlite, 1.0);
        fresh(dir / "small");
        const double small = openCost(dir / "small", 1000, 200);
        fresh(dir / "large");
        const double big = openCost(dir / "large", large, 200);
        line("open+close the invoice set, " + std::to_string(large) + " vs 1000 (us)", big, small,
             1.5);
        fs::remove_all(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "posting_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
