// Posting against SQLite, and the cost of opening a file set as it grows, in one run on the
// same machine and data folder.
//
// Posting: one 3-line invoice into a company that holds N invoices, done the way the program
// posts it: the customer, the products and the company record are looked up, each file
// opened for its step and closed after it; then the header (six keys), the three lines (two
// keys each), the products' stock, the customer's balance and the company's totals are
// written as one unit of work. SQLite does the same reads and writes on the same rows, with
// the same indexes, in WAL mode with synchronous=FULL, one transaction per posting. The two
// sides post in alternating blocks of 20; each side's figure is the median time of a posting
// in its blocks.
//
// Posting through the program's own posting code: the Invoice Manager's road. A company of R
// invoices is written by the sample history; with the files the manager holds open while it
// is shown (invoices, lines, memos, and the customers, products and company that postings
// write), a 3-line invoice is planned (PlanInvoicePosting: the customer, the products and the
// company looked up) and written (WriteInvoicePosting: header with its six keys and its entry
// in the open-item index, lines, stock, customer, company, as one unit of work). SQLite does
// the same reads and writes, with the open-item index as a partial index, at R invoices too.
//
// Opening: OpenFileSet and CloseFileSet of an invoice file set of L records against one of
// 1,000.
//
//   posting_bench [--dir DIR] [--smoke] [--invoices N] [--road R[,R...]] [--large L]
//                 [--postings M] [--program-only]
//
// N is 100000 by default; the road's sizes R are 10000 and 100000. --program-only posts
// through the posting code alone, at the road's sizes, and prints its median: the program's
// side for a profiler, without SQLite's work in the samples.

#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>
#include <algorithm>
#include <optional>

#include "bench/bench_company.h"
#include "bench/measure.h"
#include "bench/sqlite_db.h"
#include "engine/engine.h"
#include "invoicing/entry/entry_lines.h"
#include "invoicing/invoicing_state.h"
#include "invoicing/posting/add_invoice.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/print_queue_adder.h"
#include "invoicing/records/invoice_files.h"
#include "masters/master_files.h"
#include "masters/masters_state.h"
#include "masters/sample_masters.h"
#include "platform/form.h"
#include "platform/message_host.h"
#include "sample/history_session.h"
#include "shell/app_context.h"
#include "shell/company/company_file.h"
#include "shell/record_file.h"
#include "shell/text.h"

namespace fs = std::filesystem;

namespace {

using benchmeasure::Clock;
using benchmeasure::Median;
using benchmeasure::SecondsSince;

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
// With the open-item index: in SQLite a partial index of the invoices with an amount due.
const Shape OpenInvoices{
    "I", 544, {{9, true}, {8, true}, {10, true}, {10, true}, {10, true}, {10, true}, {8, true, true}}};
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

// The engine's side: the files written straight through the engine, the invoice files open
// as the Invoice Manager keeps them while it posts, each posting done as the program does.
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
    for (size_t k = 1; k <= s.keys.size(); ++k) {
        const std::string column = "k" + std::to_string(k);
        db.exec(std::string("CREATE ") + (s.keys[k - 1].duplicates ? "" : "UNIQUE ") + "INDEX " +
                t + "_" + std::to_string(k) + " ON " + t + "(" + column + ", id)" +
                (s.keys[k - 1].partial ? " WHERE " + column + " <> ''" : std::string()));
    }
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
    SqlitePoster(const fs::path& dir, int64_t invoices, const Shape& invoiceShape = Invoices)
        : db_(dir / "books.sqlite"), invoiceShape_(invoiceShape) {
        db_.exec("PRAGMA journal_mode=WAL");
        db_.exec("PRAGMA synchronous=FULL");
        inv_ = makeTable(db_, invoiceShape, invoices);
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
        bindRecord(inv_.insert, invoiceShape_, recordOf(invoiceShape_, n));
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
    const Shape& invoiceShape_;
    Table inv_, lines_, customers_, products_, companies_;
};

// --- the program's posting code ---------------------------------------------------------

// The program's side of the road: company 1 of the folder with `invoices` invoices of the
// sample history, posted through the posting code; then, with the files the Invoice Manager
// holds open while shown, each posting a 3-line invoice of a customer on account, planned and
// written as the manager's "Add" does once its dialog is closed with OK.
class ProgramPoster {
public:
    ProgramPoster(const fs::path& dir, int64_t invoices)
        : folder_(dir), shell_(dir), previousHost_(InstallHost(&host_)) {
        EngineStart(30);
        RegisterSampleMasterFillers();
        benchcompany::WriteSampleCompany(
            folder_, 1,
            {.invoices = invoices, .customers = kCustomers, .products = kProducts,
             .purchaseOrders = 0},
            Today);

        ShellContext& shell = shell_.context();
        shell.clock.setToday(Today);
        const auto stored = FindCompany(folder_, "1");
        check(stored.has_value(), "FindCompany");
        shell.companies.CurrentCompany = *stored;
        shell.companies.CompanyBuf = *stored;
        {
            const StepFile customers(CustomerData());
            for (const CustomerRec& c : LiveRecords<CustomerRec>(CustomerData().handle()))
                customers_.push_back(c);
        }
        {
            const StepFile products(ProductData());
            for (const ProductRec& p : LiveRecords<ProductRec>(ProductData().handle()))
                if (!TrimBlanks(p.get(Product::Code)).empty()) products_.push_back(p);
        }
        check(!customers_.empty() && !products_.empty(), "the sample masters");
        check(OpenInvoiceDatabases(), "OpenInvoiceDatabases");
        manager_.emplace();
    }
    ~ProgramPoster() {
        manager_.reset();
        CloseInvoiceDatabases();
        InstallHost(previousHost_);
        EngineStop();
    }
    ProgramPoster(const ProgramPoster&) = delete;
    ProgramPoster& operator=(const ProgramPoster&) = delete;

    void post(int64_t n) {
        const CompanyRec& company = shell_.context().companies.CurrentCompany;
        const CustomerRec& c = customers_[static_cast<size_t>(n) % customers_.size()];
        InvoiceEntry e;
        const auto number = ProposeDocumentNumber(
            company.get(Company::NextInvoiceNumber),
            TrimBlanks(company.get(Company::InvoiceNumberPrefix)) == "Y", Today,
            Invoice::InvNumber.width);
        check(number.has_value(), "ProposeDocumentNumber");
        e.number = *number;
        e.date = shell_.context().companies.dateFormat().format(Today);
        e.customerNumber = TrimBlanks(c.get(Customer::Number));
        e.customerShortName = c.get(Customer::ShortName);
        e.terms = c.get(Customer::Terms);
        e.keyCode = "COUNTER";
        for (int i = 0; i < 3; ++i)
            e.rows.push_back(DocumentRow(
                products_[static_cast<size_t>(n * 3 + i) % products_.size()], 1 + i, false));
        SetEntryTotals(e, TrimBlanks(c.get(Customer::TaxExempt)) != "Y",
                       TrimBlanks(company.get(Company::TaxRate)));
        e.paid = "0.00";

        const PostingFilesHeld entryDialog;
        const PostingPlan plan = PlanInvoicePosting(e, false);
        if (!plan.posting) throw std::runtime_error("refused: " + plan.refusal.toStdString());
        if (plan.posting->labelRow && !AddCustomerToPrintQueue)
            throw std::runtime_error("the company puts customers into the print queue");
        NoInvoiceManagerView view;
        WriteInvoicePosting(*plan.posting, view, false);
    }

private:
    static constexpr Date Today{2025, 12, 31};

    const DataFolder folder_;
    ShellContextScope shell_;
    MastersStateScope masters_;
    InvoicingStateScope invoicing_;
    // The postings show nothing; a window would be a failure of the benchmark.
    struct Unwatched : UnattendedHost {
        int ShowModal(Form&) override { throw std::runtime_error("a window was shown"); }
    } host_;
    MessageHost* previousHost_;
    std::vector<CustomerRec> customers_;
    std::vector<ProductRec> products_;
    std::optional<PostingFilesHeld> manager_;  // as the Invoice Manager holds them
};

// Postings go in blocks of 20: `post(block, done, count)` posts the `count` after the first
// `done`.
template <class Post>
void inBlocks(int postings, Post post) {
    constexpr int Block = 20;
    for (int done = 0; done < postings; done += Block)
        post(done / Block, done, std::min(Block, postings - done));
}

// The mean time of a posting in one block on one side: invoices after the company's
// `invoices`.
template <class Side>
double timeBlock(Side& side, int64_t invoices, int done, int count) {
    const auto t = Clock::now();
    for (int p = done; p < done + count; ++p) side.post(invoices + 1 + p);
    return SecondsSince(t) / count;
}

struct Posted {
    double engine = 0, sqlite = 0;  // the median time of a posting in a block, in seconds
};

// Posts `postings` invoices on each side, in alternating blocks, so that both meet the disk
// in the same state; other work on the machine comes and goes, so each side's median block
// is told.
template <class Poster>
Posted postBoth(const fs::path& dir, int64_t invoices, int postings,
                const Shape& sqliteShape = Invoices) {
    fresh(dir / "engine");
    fresh(dir / "sqlite");
    Poster engine(dir / "engine", invoices);
    SqlitePoster sqlite(dir / "sqlite", invoices, sqliteShape);
    settle();
    std::vector<double> engineTimes, sqliteTimes;
    inBlocks(postings, [&](int block, int done, int count) {
        // Who goes first changes from block to block.
        double e = 0, q = 0;
        if (block % 2 == 0) {
            e = timeBlock(engine, invoices, done, count);
            q = timeBlock(sqlite, invoices, done, count);
        } else {
            q = timeBlock(sqlite, invoices, done, count);
            e = timeBlock(engine, invoices, done, count);
        }
        engineTimes.push_back(e);
        sqliteTimes.push_back(q);
    });
    return {Median(engineTimes), Median(sqliteTimes)};
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Alone {
    double wall = 0;  // the median time of a posting in a block
    double cpu = 0;   // the processor time of a posting, on average
};

// The program's side alone, in the same blocks, for a profiler.
Alone postProgramOnly(const fs::path& dir, int64_t invoices, int postings) {
    fresh(dir / "engine");
    ProgramPoster program(dir / "engine", invoices);
    settle();
    std::vector<double> times;
    const double cpu = cpuSeconds();
    inBlocks(postings, [&](int, int done, int count) {
        times.push_back(timeBlock(program, invoices, done, count));
    });
    return {Median(times), (cpuSeconds() - cpu) / std::max(postings, 1)};
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
        best = std::min(best, SecondsSince(t) / rounds);
    }
    EngineStop();
    return best;
}

// "10000,100000" as numbers.
std::vector<int64_t> sizesOf(const std::string& text) {
    std::vector<int64_t> sizes;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(',', at), text.size());
        sizes.push_back(std::stoll(text.substr(at, end - at)));
        at = end + 1;
    }
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fs::path dir = fs::temp_directory_path() / "stockmere-posting-bench";
    int64_t invoices = 100000, large = 1000000;
    std::vector<int64_t> road{10000, 100000};
    int postings = 300;
    bool programOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
        if (a == "--smoke") {
            invoices = 200, large = 3000, postings = 20, road = {200};
        } else if (a == "--dir") {
            dir = next();
        } else if (a == "--invoices") {
            invoices = std::stoll(next());
        } else if (a == "--road") {
            road = sizesOf(next());
        } else if (a == "--large") {
            large = std::stoll(next());
        } else if (a == "--postings") {
            postings = std::stoi(next());
        } else if (a == "--program-only") {
            programOnly = true;
        } else {
            std::fprintf(stderr,
                         "usage: posting_bench [--dir DIR] [--smoke] [--invoices N] "
                         "[--road N,N...] [--large L] [--postings M] [--program-only]\n");
            return 2;
        }
    }
    try {
        std::printf("data folder: %s\n", fs::absolute(dir).c_str());
        std::printf("%-52s %10s %10s %8s   %s\n", "work", "engine", "SQLite", "ratio", "bar");
        const auto line = [](const std::string& work, double a, double b, double bar) {
            const double ratio = a / b;
            std::printf("%-52s %10.1f %10.1f %8.3f   <= %.2f %s\n", work.c_str(), a * 1e6,
                        b * 1e6, ratio, bar, ratio <= bar ? "met" : "MISSED");
        };
        if (programOnly) {
            for (const int64_t n : road) {
                const Alone alone = postProgramOnly(dir, n, postings);
                std::printf(
                    "posting code alone: a 3-line invoice among %lld (us) %10.1f"
                    "   processor %.1f\n",
                    static_cast<long long>(n), alone.wall * 1e6, alone.cpu * 1e6);
            }
            fs::remove_all(dir);
            return 0;
        }
        const Posted bare = postBoth<EnginePoster>(dir, invoices, postings);
        line("post a 3-line invoice among " + std::to_string(invoices) + " (us, vs SQLite)",
             bare.engine, bare.sqlite, 1.0);
        for (const int64_t n : road) {
            const Posted program = postBoth<ProgramPoster>(dir, n, postings, OpenInvoices);
            line("posting code: a 3-line invoice among " + std::to_string(n) + " (us)",
                 program.engine, program.sqlite, 1.0);
        }
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
