#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

// The little the search code needs over the SQLite interface: a statement
// that finalizes itself and a savepoint that rolls back unless released.
namespace quorvel::search::sql {

class Statement {
public:
    Statement(sqlite3* db, const char* text) : db_(db) { code_ = sqlite3_prepare_v2(db, text, -1, &st_, nullptr); }
    Statement(sqlite3* db, const std::string& text) : Statement(db, text.c_str()) {}
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return code_ == SQLITE_OK || code_ == SQLITE_ROW || code_ == SQLITE_DONE; }
    int code() const { return code_; }
    // True with a row; false at the end or on an error (then !ok()).
    bool step() {
        if (!st_) {
            return false;
        }
        code_ = sqlite3_step(st_);
        return code_ == SQLITE_ROW;
    }
    // Runs a statement that returns no rows; true when it succeeded.
    bool run() {
        step();
        return code_ == SQLITE_DONE || code_ == SQLITE_ROW;
    }
    void reset() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        code_ = st_ ? SQLITE_OK : code_;
    }
    void bind(int i, int64_t v) { sqlite3_bind_int64(st_, i, v); }
    void bind(int i, std::string_view v) {
        sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    void bindNull(int i) { sqlite3_bind_null(st_, i); }
    int64_t integer(int i) const { return sqlite3_column_int64(st_, i); }
    std::string text(int i) const {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st_, i));
        return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(st_, i))) : std::string();
    }
    std::string_view blob(int i) const {
        const void* b = sqlite3_column_blob(st_, i);
        return b ? std::string_view(static_cast<const char*>(b), static_cast<size_t>(sqlite3_column_bytes(st_, i)))
                 : std::string_view();
    }
    bool isNull(int i) const { return sqlite3_column_type(st_, i) == SQLITE_NULL; }
    sqlite3_stmt* get() const { return st_; }
    std::string message() const { return sqlite3_errmsg(db_); }

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
    int code_ = SQLITE_OK;
};

// Works inside the caller's transaction as well as outside any.
class Savepoint {
public:
    explicit Savepoint(sqlite3* db) : db_(db) {
        active_ = sqlite3_exec(db_, "SAVEPOINT qv_search", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Savepoint() {
        if (active_) {
            sqlite3_exec(db_, "ROLLBACK TO qv_search", nullptr, nullptr, nullptr);
            sqlite3_exec(db_, "RELEASE qv_search", nullptr, nullptr, nullptr);
        }
    }
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

    bool begun() const { return active_; }
    bool release() {
        if (!active_) {
            return false;
        }
        // When the release cannot commit, the destructor still rolls back.
        active_ = sqlite3_exec(db_, "RELEASE qv_search", nullptr, nullptr, nullptr) != SQLITE_OK;
        return !active_;
    }

private:
    sqlite3* db_;
    bool active_ = false;
};

inline bool exec(sqlite3* db, const char* text, std::string* error = nullptr) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, text, nullptr, nullptr, &message);
    if (rc != SQLITE_OK && error) {
        *error = message ? message : sqlite3_errstr(rc);
    }
    sqlite3_free(message);
    return rc == SQLITE_OK;
}

}  // namespace quorvel::search::sql
