#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

// A small owner of one SQLite connection and its statements, for the health
// tasks, which read and write archives below the program's result sets.
namespace quorvel::health {

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        code_ = sqlite3_prepare_v2(db, sql.c_str(), -1, &st_, nullptr);
    }
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return code_ == SQLITE_OK || code_ == SQLITE_ROW || code_ == SQLITE_DONE; }
    // True with a row; false at the end or on an error (then !ok()).
    bool step() {
        if (!st_) {
            return false;
        }
        code_ = sqlite3_step(st_);
        return code_ == SQLITE_ROW;
    }
    void reset() {
        sqlite3_reset(st_);
        code_ = SQLITE_OK;
    }
    void bind(int i, int64_t v) { sqlite3_bind_int64(st_, i, v); }
    void bind(int i, const std::string& v) { sqlite3_bind_text(st_, i, v.c_str(), -1, SQLITE_TRANSIENT); }
    int64_t integer(int i) const { return sqlite3_column_int64(st_, i); }
    std::string text(int i) const {
        const auto* t = sqlite3_column_text(st_, i);
        return t ? reinterpret_cast<const char*>(t) : "";
    }
    bool isNull(int i) const { return sqlite3_column_type(st_, i) == SQLITE_NULL; }
    sqlite3_stmt* get() const { return st_; }
    std::string message() const { return sqlite3_errmsg(db_); }

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
    int code_ = SQLITE_OK;
};

class Connection {
public:
    // Opens an existing file; `writable` false opens it read-only.
    Connection(const std::string& path, bool writable, int waitMilliseconds = 30000) {
        const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_URI;
        code_ = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
        if (db_) {
            sqlite3_busy_timeout(db_, waitMilliseconds);
            sqlite3_extended_result_codes(db_, 1);
        }
    }
    ~Connection() { sqlite3_close(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ok() const { return code_ == SQLITE_OK; }
    sqlite3* get() const { return db_; }
    std::string message() const { return db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code_); }
    bool exec(const std::string& sql) {
        code_ = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
        return code_ == SQLITE_OK;
    }
    int64_t scalar(const std::string& sql) {
        Statement st(db_, sql);
        return st.step() ? st.integer(0) : -1;
    }

private:
    sqlite3* db_ = nullptr;
    int code_ = SQLITE_OK;
};

// A name for use inside a statement: "[name]" as the archive's statements
// write them.
inline std::string bracketed(const std::string& name) {
    return "[" + name + "]";
}

}  // namespace quorvel::health
