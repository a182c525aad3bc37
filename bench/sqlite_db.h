#pragma once
// A SQLite connection for the benchmarks, with its prepared statements finalised on close.

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace benchsql {

class Db {
public:
    explicit Db(const std::filesystem::path& file) {
        if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) fail("open");
    }
    ~Db() {
        for (sqlite3_stmt* s : stmts_) sqlite3_finalize(s);
        sqlite3_close(db_);
    }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    void exec(const std::string& sql) {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fail(sql);
    }
    sqlite3_stmt* prepare(const std::string& sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) !=
            SQLITE_OK)
            fail(sql);
        stmts_.push_back(s);
        return s;
    }
    void done(sqlite3_stmt* s) {
        if (sqlite3_step(s) != SQLITE_DONE) fail(sqlite3_sql(s));
        sqlite3_reset(s);
    }
    [[noreturn]] void fail(const std::string& what) {
        throw std::runtime_error("SQLite: " + what + ": " + sqlite3_errmsg(db_));
    }
    sqlite3* get() { return db_; }

private:
    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> stmts_;
};

}  // namespace benchsql
