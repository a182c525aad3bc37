// The program at scale beside SQLite holding the same rows with the same indexes. A company
// of N invoices, with its customers, vendors, products and purchase orders, is written by the
// sample history through the program's own posting code; every record is then copied into
// SQLite. Each phase runs the program's code and SQLite's equivalent queries on the same
// machine in the same run and prints their ratio and the peak memory in the phase (SQLite's
// cache freed first): the fourteen reports (built; built and shown in the viewer right after
// a report of another width), one statement, a batch of 200, the interest scan, the Payment
// Wizard's open items, the Receiving Wizard's lines and the opening of the Invoice Manager.
// Last come the waits the user meets first: each manager's first open and a statement's
// first open with nothing kept ready by the engine (against a fresh SQLite connection), the
// daily re-aging of the customers, and the program's start to its main window on the first
// day of a new aging (against SQLite re-aging the same open items on a fresh connection).
//
//   scale_bench [--invoices N] [--dir DIR] [--reuse] [--only TEXT] [--repeat N]
//
// N is 10000 by default. DIR (default /dev/shm/stockmere-scale-N, else the temp folder)
// receives the company; with --reuse a company written before for the same N is used again.
// --only runs the phase named TEXT, or else the phases whose name holds TEXT. --repeat runs
// the program's side of each phase N more times after measuring it, for a profiler.

#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "app/program_windows.h"
#include "bench/bench_company.h"
#include "bench/measure.h"
#include "engine/browse/browser.h"
#include "engine/engine.h"
#include "invoicing/entry/invoice_entry_dialog.h"
#include "invoicing/invoicing_state.h"
#include "invoicing/manager/invoice_manager_window.h"
#include "invoicing/posting/invoice_posting.h"
#include "invoicing/posting/aging.h"
#include "invoicing/receivables/aging_recalculation.h"
#include "invoicing/receivables/interest.h"
#include "invoicing/receivables/payment.h"
#include "invoicing/receivables/statement.h"
#include "invoicing/receivables/statement_window.h"
#include "invoicing/records/invoice_files.h"
#include "invoicing/records/invoice_line_file.h"
#include "invoicing/records/invoice_memo_file.h"
#include "masters/master_files.h"
#include "masters/master_manager.h"
#include "masters/masters_state.h"
#include "masters/sample_masters.h"
#include "platform/application.h"
#include "platform/message_host.h"
#include "platform/scope_guard.h"
#include "platform/status_window.h"
#include "purchasing/manager/po_manager_window.h"
#include "purchasing/po_files.h"
#include "purchasing/po_line_file.h"
#include "purchasing/po_memo_file.h"
#include "purchasing/receiving.h"
#include "reports/viewer/report_viewer.h"
#include "reports/wizard/report_builders.h"
#include "reports/wizard/report_builders_run.h"
#include "sample/company_history.h"
#include "shell/app_context.h"
#include "platform/list_view.h"
#include "shell/company/company_defaults.h"
#include "shell/company/company_list.h"
#include "shell/company/company_settings.h"
#include "shell/main_window.h"
#include "shell/text.h"

namespace fs = std::filesystem;

namespace {

constexpr int kCompany = 1;
constexpr Date kToday{2025, 12, 31};
const ReportPeriod kYear{"2025/01/01", "2025/12/31"};
constexpr const char* kFromTyped = "01/01/2025";
constexpr const char* kToTyped = "12/31/2025";

// --- measuring ----------------------------------------------------------------------------

double Seconds(const std::function<void()>& work) {
    const auto start = benchmeasure::Clock::now();
    work();
    return benchmeasure::SecondsSince(start);
}

// The best of repeated runs, each after `before` (untimed): one for work of half a second or
// more, else at least three and as many as fit in about half a second together with their
// `before` (at most 500), since one short run is mostly noise.
double Best(const std::function<void()>& work, const std::function<void()>& before = {}) {
    double best = 0;
    const auto start = benchmeasure::Clock::now();
    for (int run = 0; run < 500; ++run) {
        if (before) before();
        const double seconds = Seconds(work);
        best = run == 0 ? seconds : std::min(best, seconds);
        const double spent = benchmeasure::SecondsSince(start);
        if (best >= 0.5 || (run >= 2 && spent >= 0.5)) break;
    }
    return best;
}

// The median of `runs` runs, each after `before` (untimed): for work of which only the first
// run counts (a first open, a first start), `before` makes each run a first one again.
double Median(const std::function<void()>& work, const std::function<void()>& before,
              int runs = 5) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        if (before) before();
        times.push_back(Seconds(work));
    }
    return benchmeasure::Median(std::move(times));
}

// A figure of /proc/self/status in MiB: "VmHWM" (peak resident) or "VmRSS" (resident now).
double StatusMiB(std::string_view name) {
    return static_cast<double>(benchmeasure::StatusKB(benchmeasure::ProcStatus(), name)) / 1024.0;
}

// The process's peak resident memory is measured per phase: cleared before each run (to what
// is resident then, SQLite's page cache included), read after it. The growth over the
// start is what the phase itself took.
double ClearPeak() {
    benchmeasure::ClearPeak();
    return StatusMiB("VmRSS");
}
double PeakMiB() {
    return StatusMiB("VmHWM");
}

// --- SQLite -------------------------------------------------------------------------------

class Sqlite {
public:
    explicit Sqlite(const fs::path& file) {
        if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK)
            throw std::runtime_error("cannot open " + file.string());
        Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-262144");
    }
    ~Sqlite() { sqlite3_close(db_); }
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;

    void Exec(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string text = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error("SQLite: " + text + " in " + sql);
        }
    }

    class Statement {
    public:
        Statement(sqlite3* db, const std::string& sql) {
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
                throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db));
        }
        ~Statement() { sqlite3_finalize(stmt_); }
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;
        void Bind(int n, const std::string& text) {
            sqlite3_bind_text(stmt_, n, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
        }
        void Bind(int n, int64_t value) { sqlite3_bind_int64(stmt_, n, value); }
        // Runs to the end; every column of every row is read as text, as a report reads it.
        std::size_t Rows() {
            std::size_t rows = 0, bytes = 0;
            const int cols = sqlite3_column_count(stmt_);
            while (sqlite3_step(stmt_) == SQLITE_ROW) {
                ++rows;
                for (int c = 0; c < cols; ++c) {
                    sqlite3_column_text(stmt_, c);
                    bytes += static_cast<std::size_t>(sqlite3_column_bytes(stmt_, c));
                }
            }
            sqlite3_reset(stmt_);
            sink_ += bytes;
            return rows;
        }
        void Step() {
            sqlite3_step(stmt_);
            sqlite3_reset(stmt_);
        }
        void Each(const std::function<void(sqlite3_stmt*)>& row) {
            while (sqlite3_step(stmt_) == SQLITE_ROW) row(stmt_);
            sqlite3_reset(stmt_);
        }

    private:
        sqlite3_stmt* stmt_ = nullptr;
        std::size_t sink_ = 0;
    };

    Statement Prepare(const std::string& sql) { return Statement(db_, sql); }
    // Frees SQLite's page cache, so that the program's memory is measured without it.
    void ReleaseMemory() { sqlite3_db_release_memory(db_); }
    // Rows of the query with `binds` for ?1, ?2, ...
    std::size_t Query(const std::string& sql, const std::vector<std::string>& binds = {}) {
        Statement s = Prepare(sql);
        for (std::size_t i = 0; i < binds.size(); ++i) s.Bind(static_cast<int>(i + 1), binds[i]);
        return s.Rows();
    }

private:
    sqlite3* db_ = nullptr;
};

// One column of a mirrored file: its name and the record's field as trimmed text.
template <class Rec>
struct Column {
    const char* name;
    std::function<std::string(const Rec&)> get;
};

template <class Rec, class Field>
Column<Rec> Col(const char* name, Field field) {
    return {name, [field](const Rec& r) {
                if constexpr (std::is_same_v<decltype(r.get(field)), bool>)
                    return std::string(r.get(field) ? "Y" : "N");
                else
                    return TrimBlanks(r.get(field));
            }};
}

// Every live record of the program's file into a table of its own, then the indexes.
template <class Rec>
std::size_t Mirror(Sqlite& sql, const DataFile& file, const std::string& table,
                   const std::vector<Column<Rec>>& cols, const std::vector<std::string>& indexes) {
    std::string create = "CREATE TABLE " + table + "(",
                insert = "INSERT INTO " + table + " VALUES(";
    for (std::size_t c = 0; c < cols.size(); ++c) {
        create += std::string(c ? "," : "") + cols[c].name + " TEXT";
        insert += std::string(c ? "," : "") + "?" + std::to_string(c + 1);
    }
    sql.Exec(create + ")");
    sql.Exec("BEGIN");
    std::size_t count = 0;
    {
        Sqlite::Statement add = sql.Prepare(insert + ")");
        const StepFile open(file);
        if (!open.ok()) throw std::runtime_error("cannot open the file of " + table);
        int32_t ref = 0;
        for (;;) {
            NextUsedRecord(file.handle(), ref);
            if (!EngineOK) break;
            Rec r;
            ReadRecord(file.handle(), ref, r.bytes());
            for (std::size_t c = 0; c < cols.size(); ++c)
                add.Bind(static_cast<int>(c + 1), cols[c].get(r));
            add.Step();
            ++count;
        }
    }
    sql.Exec("COMMIT");
    for (const std::string& columns : indexes) {
        std::string name = table + "_" + columns;
        std::replace(name.begin(), name.end(), ',', '_');
        sql.Exec("CREATE INDEX " + name + " ON " + table + "(" + columns + ")");
    }
    return count;
}

void MirrorCompany(Sqlite& sql) {
    using namespace Invoice;
    std::printf("copying the company into SQLite ...\n");
    const std::size_t invoices = Mirror<InvoiceRec>(
        sql, InvoiceData(), "inv",
        {Col<InvoiceRec>("number", InvNumber), Col<InvoiceRec>("type", InvType),
         Col<InvoiceRec>("keycode", InvKeyCode), Col<InvoiceRec>("customer", InvCustomerNumber),
         Col<InvoiceRec>("short", InvCustomerShortName), Col<InvoiceRec>("date", InvDate),
         Col<InvoiceRec>("ymd", InvDateYMD), Col<InvoiceRec>("note", InvStatementNote),
         Col<InvoiceRec>("net", InvNet), Col<InvoiceRec>("tax", InvTax),
         Col<InvoiceRec>("total", InvTotal), Col<InvoiceRec>("paid", InvPaid),
         Col<InvoiceRec>("due", InvDue), Col<InvoiceRec>("datepaid", InvDatePaid),
         Col<InvoiceRec>("paidflag", InvPaidFlag)},
        {"number", "customer", "ymd", "keycode", "type,number", "datepaid"});
    const std::size_t lines =
        Mirror<InvoiceLineRec>(sql, InvoiceLineData(), "line",
                               {Col<InvoiceLineRec>("text", InvoiceLine::LineText),
                                Col<InvoiceLineRec>("number", InvoiceLine::LineInvNumber),
                                Col<InvoiceLineRec>("ymd", InvoiceLine::LineSortDate),
                                Col<InvoiceLineRec>("code", InvoiceLine::LineProductCode),
                                Col<InvoiceLineRec>("customer", InvoiceLine::LineCustomerNumber),
                                Col<InvoiceLineRec>("short", InvoiceLine::LineCustomerShortName),
                                Col<InvoiceLineRec>("cost", InvoiceLine::LineUnitCost)},
                               {"ymd", "number"});
    Mirror<CustomerRec>(
        sql, CustomerData(), "customer",
        {Col<CustomerRec>("number", Customer::Number), Col<CustomerRec>("name", Customer::Name),
         Col<CustomerRec>("short", Customer::ShortName),
         Col<CustomerRec>("a0", Customer::Amounts[0]), Col<CustomerRec>("a1", Customer::Amounts[1]),
         Col<CustomerRec>("a2", Customer::Amounts[2]),
         Col<CustomerRec>("a3", Customer::Amounts[3])},
        {"name", "number"});
    Mirror<ProductRec>(
        sql, ProductData(), "product",
        {Col<ProductRec>("code", Product::Code),
         Col<ProductRec>("description", Product::Description),
         Col<ProductRec>("location", Product::Location),
         Col<ProductRec>("keycode", Product::KeyCode),
         Col<ProductRec>("pricetype", Product::PriceType),
         Col<ProductRec>("onhand", Product::StockOnHand), Col<ProductRec>("cost", Product::Cost),
         Col<ProductRec>("price", Product::SalesPrice),
         Col<ProductRec>("minimum", Product::MinimumStock),
         Col<ProductRec>("maximum", Product::MaximumStock),
         Col<ProductRec>("target", Product::TargetStock),
         Col<ProductRec>("vendor", Product::PreferredVendor),
         Col<ProductRec>("nonstock", Product::NonStock),
         Col<ProductRec>("nondepleting", Product::NonDepleting)},
        {"code", "description", "keycode"});
    using namespace PurchaseOrder;
    const std::size_t orders = Mirror<PORec>(
        sql, POData(), "po",
        {Col<PORec>("number", PONumber), Col<PORec>("status", POStatus),
         Col<PORec>("keycode", POKeyCode), Col<PORec>("vendor", POVendorNumber),
         Col<PORec>("ymd", PODateYMD), Col<PORec>("short", POVendorShortName),
         Col<PORec>("net", PONet), Col<PORec>("tax", POTax), Col<PORec>("total", POTotal),
         Col<PORec>("received", POReceivedDate), Col<PORec>("required", PODateRequired)},
        {"number", "vendor", "ymd", "keycode", "status,number", "received", "required"});
    const std::size_t orderLines = Mirror<POLineRec>(
        sql, POLineData(), "poline",
        {Col<POLineRec>("text", POLine::LineText), Col<POLineRec>("kind", POLine::LineKind),
         Col<POLineRec>("number", POLine::LinePONumber),
         Col<POLineRec>("ymd", POLine::LinePODateYMD),
         Col<POLineRec>("code", POLine::LineProductCode),
         Col<POLineRec>("vendor", POLine::LineVendorNumber),
         Col<POLineRec>("short", POLine::LineVendorShortName),
         Col<POLineRec>("receipt", POLine::LineReceiptDate),
         Col<POLineRec>("received", POLine::LineReceivedQty),
         Col<POLineRec>("receiver", POLine::LineReceiverNumber)},
        {"ymd", "number", "receipt", "number,code,kind", "receiver"});
    sql.Exec("ANALYZE");
    std::printf("  %zu invoice records, %zu invoice lines, %zu orders, %zu order lines\n", invoices,
                lines, orders, orderLines);
}

// A stored amount as a number, as the program reads it (thousands commas allowed).
std::string Num(const char* column) {
    return std::string("CAST(REPLACE(") + column + ",',','') AS REAL)";
}

// What SQLite runs for each report: the same walk over the same index, keeping the rows the
// builder keeps.
std::size_t SqliteReport(Sqlite& sql, std::string_view name) {
    const std::vector<std::string> year{kYear.from, kYear.to};
    const std::string po =
        "SELECT number,status,keycode,vendor,ymd,short,net,tax,total,received,"
        "required FROM po WHERE number <> '' ";
    // A zero order is listed only while open.
    const std::string poListed = "AND NOT (" + Num("total") + " = 0 AND status <> 'O') ";
    const std::string inv =
        "SELECT number,type,keycode,customer,short,date,ymd,net,tax,total,"
        "paid,due,datepaid FROM inv WHERE number <> '' ";
    const std::string lines =
        "SELECT text,number,ymd,code,customer,short,cost FROM line "
        "WHERE ymd BETWEEN ?1 AND ?2 ORDER BY ymd";
    const std::string stocked =
        "SELECT * FROM product WHERE code <> '' AND nonstock = 'N' AND nondepleting = 'N' ";
    if (name == "PO Register")
        return sql.Query(po + poListed + "AND ymd BETWEEN ?1 AND ?2 ORDER BY ymd", year);
    if (name == "PO Key Code Inquiry")
        return sql.Query(po + "AND status <> 'R' AND " + Num("total") +
                             " <> 0 AND ymd BETWEEN ?1 AND ?2 ORDER BY ymd",
                         year);
    if (name == "Commitment Report")
        return sql.Query(po + poListed +
                             "AND length(received) < 10 AND required BETWEEN ?1 AND ?2 "
                             "ORDER BY required",
                         year);
    if (name == "Inventory Report") return sql.Query("SELECT * FROM product WHERE code <> ''");
    if (name == "Reorder Report")
        return sql.Query(stocked + "AND " + Num("onhand") + " < " + Num("minimum") + " AND " +
                         Num("target") + " > " + Num("onhand") + " ORDER BY code");
    if (name == "Overstock Report")
        return sql.Query(stocked + "AND " + Num("onhand") + " > " + Num("maximum") +
                         " ORDER BY code");
    if (name == "Receiving Report")
        return sql.Query(
            "SELECT text,code,receipt,number,short,vendor,receiver,received FROM poline "
            "WHERE receipt BETWEEN ?1 AND ?2 ORDER BY receipt",
            year);
    // Repeat masters are never listed, zero records only as regular invoices.
    if (name == "Invoice Register")
        return sql.Query(inv + "AND type <> 'R' AND NOT (" + Num("total") +
                             " = 0 AND type <> 'I') AND ymd BETWEEN ?1 AND ?2 ORDER BY ymd",
                         year);
    if (name == "Invoice Key Code Inquiry")
        return sql.Query(inv + "AND type <> 'R' AND " + Num("total") +
                             " <> 0 AND ymd BETWEEN ?1 AND ?2 ORDER BY ymd",
                         year);
    // Paid in the period, then partly paid and dated in it: each record once.
    if (name == "Payment Register" || name == "Tax Report")
        return sql.Query(inv + "AND datepaid BETWEEN ?1 AND ?2 UNION ALL " + inv +
                             "AND type <> 'D' AND " + Num("paid") + " <> 0 AND " + Num("due") +
                             " <> 0 AND datepaid NOT BETWEEN ?1 AND ?2 AND ymd BETWEEN ?1 AND ?2",
                         year);
    // Unpaid, then deposits not used up: each record once.
    if (name == "Accounts Receivable")
        return sql.Query(inv + "AND type <> 'R' AND datepaid = '' UNION ALL " + inv +
                         "AND type = 'D' AND paidflag <> 'P' AND datepaid <> ''");
    if (name == "Sales Report" || name == "Profit Report") return sql.Query(lines, year);
    throw std::runtime_error("no query for " + std::string(name));
}

// --- the company --------------------------------------------------------------------------

// The company's masters from the sample company, then a year of its history ending today
// through the sample history, which posts through the program's own posting code with the
// files held open and the writes made durable in batches: invoices of one to five lines (a
// sixth of them memo invoices) paid at the sale, later, in part or not at all, deposits on
// account, and purchase orders (one for ten invoices) received in full, in part or not at
// all.
void WriteCompany(const fs::path& dir, int invoices) {
    std::printf("writing a company of %d invoices through the posting code ...\n", invoices);
    const int customers = std::clamp(invoices / 20, 50, 50000);
    const int products = std::clamp(invoices / 50, 100, 5000);
    const int orders = std::max(invoices / 10, 30);
    HistoryCounts counts;
    const double seconds = Seconds([&] {
        counts = benchcompany::WriteSampleCompany(DataFolder(dir), kCompany,
                                                  {.invoices = invoices,
                                                   .customers = customers,
                                                   .products = products,
                                                   .purchaseOrders = orders},
                                                  kToday);
    });
    std::printf(
        "  written in %.1f s: %d customers, %d products, %d invoices (%d memo, %d paid in full, "
        "%d in part, %d deposits), %d orders (%d received in full, %d in part)\n",
        seconds, customers, products, counts.invoices, counts.memoInvoices, counts.paidInFull,
        counts.paidInPart, counts.deposits, counts.purchaseOrders, counts.receivedInFull,
        counts.receivedInPart);
}

// --- the phases ---------------------------------------------------------------------------

struct Phase {
    std::string name;
    std::function<std::size_t()> program;  // the rows it made
    std::function<std::size_t()> sqlite;   // empty where SQLite has no equivalent
    std::function<void()> before = {};     // untimed, before each run of the program
    std::function<void()> after = {};      // untimed, once both sides' runs are done
    // Only the first run counts (a first open, a first start): each side is timed as the
    // median of five runs, the program's each made a first one again by `before`, SQLite's
    // each on a connection of its own.
    bool first = false;
};

// `repeat` more runs of the program's side after the measurement, for a profiler.
// `settle` runs first: it leaves the process holding no more than it needs.
void Run(const Phase& phase, int repeat, const std::function<void()>& settle) {
    settle();
    std::size_t rows = 0, sqlRows = 0;
    double peak = 0, start = 0, growth = 0;
    const auto work = [&] {
        rows = phase.program();
        const double now = PeakMiB();
        peak = std::max(peak, now);
        growth = std::max(growth, now - start);
    };
    const auto before = [&] {
        if (phase.before) phase.before();
        start = ClearPeak();
    };
    const double program = phase.first ? Median(work, before) : Best(work, before);
    for (int run = 0; run < repeat; ++run) {
        if (phase.before) phase.before();
        phase.program();
    }
    std::string sqlRowsText = "-", sqliteText = "-", ratioText = "-";
    if (phase.sqlite) {
        const auto sqlWork = [&] { sqlRows = phase.sqlite(); };
        const double sqlite = phase.first ? Median(sqlWork, {}) : Best(sqlWork);
        sqlRowsText = std::to_string(sqlRows);
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", sqlite * 1000);
        sqliteText = text;
        std::snprintf(text, sizeof text, "%.2f", sqlite > 0 ? program / sqlite : 0.0);
        ratioText = text;
    }
    if (phase.after) phase.after();
    std::printf("%-46s %9zu %9s %10.2f %10s %7s %9.0f %9.0f\n", phase.name.c_str(), rows,
                sqlRowsText.c_str(), program * 1000, sqliteText.c_str(), ratioText.c_str(), peak,
                growth);
    std::fflush(stdout);
}

// Closes each window the program shows modally as soon as it is up and painted; a report
// without rows says so instead of showing the viewer, and that box is dismissed.
class ClosingHost : public UnattendedHost {
public:
    // Each window of that object name, once up and painted, is closed by `close`.
    void CloseWith(const QString& form, std::function<void(Form&)> close) {
        closers_[form] = std::move(close);
    }

    int ShowModal(Form& form) override {
        const auto closer = closers_.find(form.objectName());
        if (closer == closers_.end()) {
            std::fprintf(stderr, "unexpected window %s\n", qPrintable(form.objectName()));
            return Modal::Cancel;
        }
        form.BeginScriptedShow();
        const ScopeExit hide([&form] { form.EndScriptedShow(); });
        form.grab();
        closer->second(form);
        return form.ModalResult() == Modal::None ? Modal::Cancel : form.ModalResult();
    }

private:
    std::map<QString, std::function<void(Form&)>> closers_;
};

// The first `count` values of a column in its order.
std::vector<std::string> FirstValues(Sqlite& sql, const std::string& query, int count) {
    std::vector<std::string> values;
    Sqlite::Statement s = sql.Prepare(query + " LIMIT " + std::to_string(count));
    s.Each([&values](sqlite3_stmt* row) {
        values.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(row, 0)));
    });
    return values;
}

std::size_t SqliteStatement(Sqlite::Statement& customer, Sqlite::Statement& items,
                            const std::string& number) {
    customer.Bind(1, number);
    items.Bind(1, number);
    return customer.Rows() + items.Rows();
}

// The program as main() starts it on the data folder with "today" set: every window made,
// the main window started on the last company (which re-ages the customers on the first
// start of a day) and shown and painted. Closed again when it goes.
class StartedProgram {
public:
    StartedProgram(const fs::path& dir, Date today) : shell_(dir) {
        shell_.context().clock.setToday(today);
        windows_ = std::make_unique<ProgramWindows>();
        TMainForm& main = windows_->mainForm();
        started_ = main.StartUp();
        if (!started_) return;
        main.show();
        main.grab();
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    bool started() const { return started_; }

private:
    ShellContextScope shell_;
    std::unique_ptr<ProgramWindows> windows_;  // gone before the shell's scope
    bool started_ = false;
};

// An amount as the program writes it ("0.00"), from SQLite's sum.
std::string Cents(double amount) {
    if (std::fabs(amount) < 0.005) amount = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", amount);
    return text;
}

// What the daily re-aging does, in SQLite: the open items summed by customer and aging bucket
// on `today` through an index of the open items alone, then every customer read and those
// whose four amounts change rewritten, in one transaction. The customers rewritten.
std::size_t SqliteReaging(Sqlite& sql, Date today, const AgingPeriods& periods) {
    const std::string due = Num("due");
    std::string day = SortableDate(today);
    std::replace(day.begin(), day.end(), '/', '-');
    const std::string age = "julianday('" + day + "') - julianday(replace(ymd, '/', '-'))";
    const auto upTo = [](int64_t days) { return std::to_string(days); };
    std::map<std::string, std::array<double, 4>> sums;
    Sqlite::Statement open = sql.Prepare(
        "SELECT customer, sum(CASE WHEN age <= " + upTo(periods[0]) +
        " THEN d ELSE 0 END), sum(CASE WHEN age > " + upTo(periods[0]) + " AND age <= " +
        upTo(periods[1]) + " THEN d ELSE 0 END), sum(CASE WHEN age > " + upTo(periods[1]) +
        " AND age <= " + upTo(periods[2]) + " THEN d ELSE 0 END), sum(CASE WHEN age > " +
        upTo(periods[2]) + " THEN d ELSE 0 END) FROM (SELECT customer, " + due + " AS d, " + age +
        " AS age FROM inv WHERE " + due + " <> 0) GROUP BY customer");
    open.Each([&sums](sqlite3_stmt* row) {
        auto& s = sums[reinterpret_cast<const char*>(sqlite3_column_text(row, 0))];
        for (int k = 0; k < 4; ++k) s[k] = sqlite3_column_double(row, k + 1);
    });
    struct Change {
        int64_t rowid;
        std::array<std::string, 4> amounts;
    };
    std::vector<Change> changes;
    Sqlite::Statement customers = sql.Prepare("SELECT rowid, number, a0, a1, a2, a3 FROM customer");
    customers.Each([&](sqlite3_stmt* row) {
        const auto found = sums.find(reinterpret_cast<const char*>(sqlite3_column_text(row, 1)));
        Change c{sqlite3_column_int64(row, 0), {}};
        bool changed = false;
        for (int k = 0; k < 4; ++k) {
            c.amounts[k] = Cents(found == sums.end() ? 0.0 : found->second[k]);
            changed |= c.amounts[k] != reinterpret_cast<const char*>(sqlite3_column_text(row, k + 2));
        }
        if (changed) changes.push_back(std::move(c));
    });
    sql.Exec("BEGIN");
    Sqlite::Statement update =
        sql.Prepare("UPDATE customer SET a0 = ?1, a1 = ?2, a2 = ?3, a3 = ?4 WHERE rowid = ?5");
    for (const Change& c : changes) {
        for (int k = 0; k < 4; ++k) update.Bind(k + 1, c.amounts[k]);
        update.Bind(5, c.rowid);
        update.Step();
    }
    sql.Exec("COMMIT");
    return changes.size();
}

// A manager's first page in SQLite: the count, and the page of rows before and after the
// document numbered `number` in the order of `column`.
std::size_t SqliteManagerPage(Sqlite& sql, const std::string& table, const std::string& column,
                              const std::string& number) {
    std::string at, rowid;
    Sqlite::Statement last =
        sql.Prepare("SELECT " + column + ", rowid FROM " + table + " WHERE number = ?1");
    last.Bind(1, number);
    last.Each([&](sqlite3_stmt* row) {
        at = reinterpret_cast<const char*>(sqlite3_column_text(row, 0));
        rowid = reinterpret_cast<const char*>(sqlite3_column_text(row, 1));
    });
    const std::string before = "(" + column + ", rowid) <= (?1, CAST(?2 AS INTEGER))";
    return sql.Query("SELECT count(*) FROM " + table) +
           sql.Query("SELECT * FROM " + table + " WHERE " + before + " ORDER BY " + column +
                         " DESC, rowid DESC LIMIT 30",
                     {at, rowid}) +
           sql.Query("SELECT * FROM " + table + " WHERE NOT " + before + " AND " + column +
                         " >= ?1 ORDER BY " + column + ", rowid LIMIT 30",
                     {at, rowid});
}

}  // namespace

int main(int argc, char** argv) {
    int invoices = 10000;
    fs::path dir;
    bool reuse = false;
    std::string only;
    int repeat = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--invoices")
            invoices = std::stoi(value());
        else if (arg == "--dir")
            dir = value();
        else if (arg == "--reuse")
            reuse = true;
        else if (arg == "--only")
            only = value();
        else if (arg == "--repeat")
            repeat = std::stoi(value());
        else {
            std::fprintf(stderr,
                         "usage: scale_bench [--invoices N] [--dir DIR] [--reuse] "
                         "[--only TEXT] [--repeat N]\n");
            return 2;
        }
    }
    if (dir.empty())
        dir = (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
              ("stockmere-scale-" + std::to_string(invoices));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    GiveLargeBlocksBack();  // as the program does
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    const fs::path done = dir / "written.ok";
    if (!reuse || !fs::exists(done)) {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    EngineStart();
    RegisterSampleMasterFillers();
    if (!fs::exists(done)) {
        WriteCompany(dir, invoices);
        std::ofstream(done) << invoices;
    }

    PlatformWindows windows;
    ClosingHost host;
    MessageHost* previous = InstallHost(&host);
    host.CloseWith("rtreport", [](Form& f) { f.SetModalResult(Modal::Cancel); });
    // The rows the Invoice Manager's list showed when it was last opened.
    std::size_t managerRows = 0;
    host.CloseWith("InvEdit1", [&managerRows](Form&) {
        managerRows = InvEdit1->InvBrowser1->rows().size();
        InvEdit1->SpeedButton3Click();
    });
    ShellContextScope shell{dir};
    MastersStateScope masters;
    InvoicingStateScope invoicing;
    StatementStateScope statements;
    const auto company = FindCompany(shell.context().folder, std::to_string(kCompany));
    if (!company) throw std::runtime_error("the company is not on file");
    shell.context().companies.CurrentCompany = *company;
    shell.context().clock.setToday(kToday);

    const fs::path sqlFile = dir / "mirror.sqlite";
    const bool mirrored = fs::exists(sqlFile);
    Sqlite sql(sqlFile);
    if (!mirrored) MirrorCompany(sql);
    // SQLite's way to the open items alone, for the re-aging (a copy made before it had none).
    sql.Exec("CREATE INDEX IF NOT EXISTS inv_open ON inv(customer) WHERE " + Num("due") + " <> 0");

    Trtreport viewer;

    const std::string heading = "phase (N = " + std::to_string(invoices) + ")";
    std::printf("\n%-46s %9s %9s %10s %10s %7s %9s %9s\n", heading.c_str(), "rows", "SQL rows",
                "program ms", "SQLite ms", "ratio", "peak MiB", "+MiB");
    std::vector<Phase> phases;
    for (const ReportDefinition& report : ReportDefinitions()) {
        const std::string name(report.name);
        const auto sqlite = [&sql, name] { return SqliteReport(sql, name); };
        phases.push_back({name + ": builder",
                          [&report] {
                              return static_cast<std::size_t>(
                                  BuildReport(report, kYear).grid.rowCount() - 1);
                          },
                          sqlite});
        // The viewer held a report of another width before.
        const ReportDefinition& other =
            *FindReportDefinition(report.cols == 9 ? "Invoice Register" : "Inventory Report");
        phases.push_back({name + ": builder + viewer",
                          [&report] {
                              // As the Report Wizard names it: the viewer totals by it.
                              ReportTitle = std::string(report.name);
                              if (RunReport(report, kFromTyped, kToTyped) != ReportRun::Shown)
                                  return std::size_t{0};
                              return static_cast<std::size_t>(rtreport->Report().rowCount() - 1);
                          },
                          sqlite, [&other] {
                              ReportTitle = std::string(other.name);
                              RunReport(other, kFromTyped, kToTyped);
                          }});
    }

    // A batch: the first 200 customers who bought; one customer: the one with the most open
    // items; one order: a partly received one with the most lines.
    const std::vector<std::string> customers =
        FirstValues(sql, "SELECT DISTINCT customer FROM inv ORDER BY customer", 200);
    const std::string one =
        FirstValues(sql,
                    "SELECT customer FROM inv WHERE paidflag <> 'P' AND type <> 'R' "
                    "GROUP BY customer ORDER BY count(*) DESC, customer",
                    1)
            .at(0);
    constexpr const char* kCustomerRow = "SELECT * FROM customer WHERE number = ?1";
    constexpr const char* kStatementItems =
        "SELECT ymd,number,note,type,total,paid,due FROM inv WHERE customer = ?1 "
        "ORDER BY ymd, number";
    Sqlite::Statement customerRow = sql.Prepare(kCustomerRow);
    Sqlite::Statement statementItems = sql.Prepare(kStatementItems);
    const auto loadStatement = [](const std::string& number) {
        Statements().StatementCustomerNumber = number;
        LoadStatementActivity();
        return Statements().Loaded.rows.size();
    };
    // The files a window holds while it is up, opened before the phase's runs and closed
    // after them.
    std::optional<HeldFiles> held;
    const auto hold = [&held](std::initializer_list<const DataFile*> list) {
        return [&held, files = std::vector<const DataFile*>(list)] {
            if (held) return;
            held.emplace();
            for (const DataFile* file : files) held->Hold({file});
        };
    };
    const auto release = [&held] { held.reset(); };
    // From the Customer Manager (which holds the customer file): the statement window opens
    // the invoice file and loads the statement; showing unpaid only loads it again.
    phases.push_back({"one statement (opening the invoice file)",
                      [&] {
                          const HeldFiles files{&InvoiceData()};
                          return loadStatement(one);
                      },
                      [&] { return SqliteStatement(customerRow, statementItems, one); },
                      hold({&CustomerData()}), release});
    phases.push_back({"one statement (files held)", [&] { return loadStatement(one); },
                      [&] { return SqliteStatement(customerRow, statementItems, one); },
                      hold({&CustomerData(), &InvoiceData()}), release});
    phases.push_back({"a batch of 200 statements",
                      [&] {
                          const HeldFiles files{&CustomerData(), &InvoiceData()};
                          std::size_t rows = 0;
                          for (const std::string& number : customers) rows += loadStatement(number);
                          return rows;
                      },
                      [&] {
                          std::size_t rows = 0;
                          for (const std::string& number : customers)
                              rows += SqliteStatement(customerRow, statementItems, number);
                          return rows;
                      }});
    // At 1.5% a month, over the first aging period, no minimum: a charge of a cent or more.
    phases.push_back({"interest scan",
                      [] {
                          InterestTerms terms;
                          terms.rate = *Decimal::Parse("1.5");
                          return ScanInterestCustomers(terms).customers.size();
                      },
                      [&] {
                          return sql.Query(
                              "SELECT name,number,a1,a2,a3 FROM customer WHERE round((" +
                              Num("a1") + "+" + Num("a2") + "+" + Num("a3") +
                              ") * 0.015, 2) > 0 ORDER BY name");
                      }});
    Sqlite::Statement openItems = sql.Prepare(
        "SELECT number,ymd,due,type,paidflag FROM inv WHERE customer = ?1 AND "
        "paidflag <> 'P' AND type <> 'R' AND (type = 'Z' OR " +
        Num("due") + " <> 0) ORDER BY number");
    // As the wizard lists them: with the invoice file it holds open while shown.
    phases.push_back({"Payment Wizard open items", [&] { return ListOpenItems(one).items.size(); },
                      [&] {
                          openItems.Bind(1, one);
                          return openItems.Rows();
                      },
                      hold({&InvoiceData()}), release});
    const std::vector<std::string> orders =
        FirstValues(sql,
                    "SELECT number FROM poline GROUP BY number "
                    "ORDER BY sum(kind = 'L') > 0 DESC, count(*) DESC, number",
                    1);
    const std::string order = orders.empty() ? std::string() : orders.front();
    Sqlite::Statement orderLines =
        sql.Prepare("SELECT * FROM poline WHERE number = ?1 ORDER BY code, kind");
    // With the order files the wizard holds open while shown.
    phases.push_back({"Receiving Wizard lines",
                      [&] { return LoadReceivingList(order, false).rows.size(); },
                      [&] {
                          orderLines.Bind(1, order);
                          return orderLines.Rows();
                      },
                      hold({&POLineData(), &POData()}), release});
    // The manager opens on the company's last invoice, a page of the list by date around it,
    // and counts the records.
    InvoicingWindows invoicingWindows;
    InvoiceManagerWindows managerWindows;
    MastersWindows mastersWindows;
    POManagerWindows poManagerWindows;
    const CompanyRec& current = shell.context().companies.CurrentCompany;
    const std::string lastInvoice = TrimBlanks(current.get(Company::LastInvoiceNumber));
    const std::string lastOrder = TrimBlanks(current.get(Company::LastPONumber));
    const auto showInvoiceManager = [&managerRows] {
        InvEdit1->ShowModal();
        return managerRows;
    };
    phases.push_back({"Invoice Manager open", showInvoiceManager,
                      [&] { return SqliteManagerPage(sql, "inv", "ymd", lastInvoice); }});

    // First opens: nothing kept ready by the engine (as after the program's start), against a
    // fresh SQLite connection.
    const auto cold = [&held] {
        held.reset();
        EngineStop();
        EngineStart();
    };
    const auto fresh = [&sqlFile](const std::function<std::size_t(Sqlite&)>& query) {
        return [&sqlFile, query] {
            Sqlite connection(sqlFile);
            return query(connection);
        };
    };
    std::size_t masterRows = 0;
    for (TMasterManager* manager : std::initializer_list<TMasterManager*>{DemoForm, VenList, EditProd})
        host.CloseWith(manager->objectName(),
                       [manager, &masterRows](Form&) { masterRows = manager->FvcBrowser1->rows().size(); });
    host.CloseWith("POList1", [&managerRows](Form&) {
        managerRows = POList1->InvBrowser1->rows().size();
        POList1->SpeedButton3Click();
    });
    // A master manager opens on the first page in its first order.
    const auto masterPage = [&fresh](std::string table, std::string column) {
        return fresh([table, column](Sqlite& s) {
            return s.Query("SELECT count(*) FROM " + table) +
                   s.Query("SELECT * FROM " + table + " ORDER BY " + column + ", rowid LIMIT 30");
        });
    };
    const auto showMaster = [&masterRows](TMasterManager* manager) {
        return [manager, &masterRows] {
            manager->ShowModal();
            return masterRows;
        };
    };
    TCoSetForm companySettings;
    TCompList companyManager(companySettings);
    std::size_t companies = 0;
    host.CloseWith("CompList", [&](Form&) {
        companies = static_cast<std::size_t>(companyManager.CompListView->Count());
    });
    phases.push_back({"Company Manager first open",
                      [&] {
                          companyManager.ShowModal();
                          return companies;
                      },
                      {}, cold, {}, true});
    phases.push_back({"Customer Manager first open", showMaster(DemoForm),
                      masterPage("customer", "name"), cold, {}, true});
    phases.push_back({"Vendor Manager first open", showMaster(VenList), {}, cold, {}, true});
    phases.push_back({"Product Manager first open", showMaster(EditProd),
                      masterPage("product", "code"), cold, {}, true});
    phases.push_back({"Invoice Manager first open", showInvoiceManager,
                      fresh([&](Sqlite& s) { return SqliteManagerPage(s, "inv", "ymd", lastInvoice); }),
                      cold, {}, true});
    phases.push_back({"Purchase Order Manager first open",
                      [&] {
                          POList1->ShowModal();
                          return managerRows;
                      },
                      fresh([&](Sqlite& s) { return SqliteManagerPage(s, "po", "ymd", lastOrder); }),
                      cold, {}, true});
    // The statement window from the Customer Manager, the program just started: the invoice
    // file opened for the first time.
    phases.push_back({"one statement, first open",
                      [&] {
                          const HeldFiles files{&InvoiceData()};
                          return loadStatement(one);
                      },
                      fresh([&](Sqlite& s) {
                          Sqlite::Statement c = s.Prepare(kCustomerRow);
                          Sqlite::Statement items = s.Prepare(kStatementItems);
                          return SqliteStatement(c, items, one);
                      }),
                      [&] {
                          cold();
                          hold({&CustomerData()})();
                      },
                      release, true});

    // The daily re-aging, and the program's start on the first day of a new aging: every run
    // a day after the one before (two days in turn), nothing kept ready by the engine. SQLite
    // re-ages the same open items on the same days. Afterwards both sides are aged to the
    // company's today again, as they were for the phases before.
    const auto periods = CompanyAgingPeriods(current);
    if (!periods) throw std::runtime_error("the company's aging periods are not numbers");
    constexpr std::array kAgingDays{Date{2026, 1, 30}, Date{2026, 1, 31}};
    int programRuns = 0, sqliteRuns = 0;
    Date programDay = kToday;
    const auto nextDay = [&] {
        cold();
        programDay = kAgingDays[programRuns++ % kAgingDays.size()];
        // Not started yet today, whatever an earlier run left.
        fs::remove(dir / std::string(AgingRunFileName));
    };
    const auto reageSqlite = fresh([&](Sqlite& s) {
        return SqliteReaging(s, kAgingDays[sqliteRuns++ % kAgingDays.size()], *periods);
    });
    const auto agedToToday = [&] {
        programRuns = sqliteRuns = 0;
        shell.context().clock.setToday(kToday);
        RecalculateCustomerAging();
        SqliteReaging(sql, kToday, *periods);
    };
    phases.push_back({"daily re-aging of the customers",
                      [&] {
                          shell.context().clock.setToday(programDay);
                          return static_cast<std::size_t>(RecalculateCustomerAging().changed);
                      },
                      reageSqlite, nextDay, agedToToday, true});
    std::optional<StartedProgram> started;
    phases.push_back({"start to the main window (re-aging)",
                      [&] {
                          started.emplace(dir, programDay);
                          return std::size_t{started->started() ? 1u : 0u};
                      },
                      reageSqlite,
                      [&] {
                          started.reset();
                          nextDay();
                      },
                      [&] {
                          started.reset();
                          agedToToday();
                      },
                      true});

    // A name given whole picks that phase alone.
    const bool whole = std::any_of(phases.begin(), phases.end(),
                                   [&only](const Phase& phase) { return phase.name == only; });
    for (const Phase& phase : phases)
        if (only.empty() ||
            (whole ? phase.name == only : phase.name.find(only) != std::string::npos))
            Run(phase, repeat, [&sql] {
                sql.ReleaseMemory();
                malloc_trim(0);
            });

    InstallHost(previous);
    EngineStop();
    return 0;
}
