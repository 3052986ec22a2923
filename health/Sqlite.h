#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "archive/db/SqliteStatement.h"

// A small owner of one SQLite connection and its statements, for the health
// tasks, which read and write archives below the program's result sets.
namespace quorvel::health {

using Statement = archive::sqlite::Statement;

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
