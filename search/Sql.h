#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "archive/db/SqliteStatement.h"

// The little the search code needs over the SQLite interface: the archive
// library's statement and a savepoint that rolls back unless released.
namespace quorvel::search::sql {

using Statement = archive::sqlite::Statement;

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
