#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

// A statement that finalizes itself, for the widget-free libraries that work
// on an archive below the program's result sets (the health tasks, the search
// index): one class, so that a fix to how a step or a binding is read reaches
// them all.
namespace quorvel::archive::sqlite {

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

}  // namespace quorvel::archive::sqlite
