#include "archive/db/Database.h"

#include <sqlite3.h>

#include "archive/db/SqlScanner.h"

#include <atomic>
#include <set>

namespace quorvel::archive {

namespace {

DbError errorOf(sqlite3* db, int rc) {
    if (!db) {
        return {rc, sqlite3_errstr(rc)};
    }
    int code = sqlite3_errcode(db);
    return {code != SQLITE_OK ? code : rc, sqlite3_errmsg(db)};
}

bool run(sqlite3* db, const char* sql, DbError& error) {
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        error = errorOf(db, rc);
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<Database> Database::openExclusive(const std::string& path, DbError& error) {
    // A connection lives on one thread for one task: no locking per call.
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX, nullptr);
    auto fail = [&](DbError e) {
        error = std::move(e);
        sqlite3_close_v2(db);
        return nullptr;
    };
    if (rc != SQLITE_OK) {
        return fail(errorOf(db, rc));
    }
    // SQLite quietly falls back to reading a write-protected file; the
    // archive is always opened to be written, so that is a failure here.
    if (sqlite3_db_readonly(db, "main") == 1) {
        return fail({SQLITE_READONLY, sqlite3_errstr(SQLITE_READONLY)});
    }
    DbError e;
    // Take the exclusive lock at once and keep it until the file is closed;
    // reading the schema also rejects a file that is not a database.
    if (!run(db, "PRAGMA locking_mode=EXCLUSIVE", e) || !run(db, "BEGIN EXCLUSIVE", e)) {
        return fail(e);
    }
    if (!run(db, "SELECT count(*) FROM sqlite_master", e) || !run(db, "COMMIT", e)) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return fail(e);
    }
    // A write-ahead log beside the archive would be lost when the archive is
    // copied alone; a rollback journal never holds committed data.
    if (!run(db, "PRAGMA journal_mode=DELETE", e)) {
        return fail(e);
    }
    // A mail list is read in identifier order through the index, which visits
    // the table's pages out of order: a cache that holds a large archive's
    // header rows avoids reading the same pages again and again.
    if (!run(db, "PRAGMA cache_size=-65536", e) ||
        !run(db, isScratchFile(path) ? "PRAGMA synchronous=OFF" : "PRAGMA synchronous=FULL", e)) {
        return fail(e);
    }
    return std::unique_ptr<Database>(new Database(db, path));
}

Database::~Database() {
    sqlite3_close_v2(db_);
}

bool Database::execute(const std::string& sql, DbError& error) {
    return run(db_, translateStatement(sql).c_str(), error);
}

DbError Database::lastError() const {
    return errorOf(db_, SQLITE_ERROR);
}

namespace {
std::set<std::string>& scratchFiles() {
    static std::set<std::string> files;
    return files;
}
}  // namespace

void markScratchFile(const std::string& path, bool scratch) {
    if (scratch) {
        scratchFiles().insert(path);
    } else {
        scratchFiles().erase(path);
    }
}

bool isScratchFile(const std::string& path) {
    return scratchFiles().count(path) != 0;
}

std::string translateStatement(const std::string& sql) {
    SqlScanner scan{sql};
    scan.space();
    if (!scan.word("DELETE")) {
        return sql;
    }
    const size_t afterDelete = scan.i;
    scan.space();
    if (scan.i < sql.size() && sql[scan.i] == '*') {
        return sql.substr(0, afterDelete) + sql.substr(scan.i + 1);
    }
    return sql;
}

Transaction::Transaction(Database& db) : db_(db) {
    static std::atomic<int> counter{0};
    name_ = "qv_tx" + std::to_string(++counter);
    DbError ignored;
    active_ = run(db_.handle(), ("SAVEPOINT " + name_).c_str(), ignored);
}

Transaction::~Transaction() {
    if (active_) {
        sqlite3_exec(db_.handle(), ("ROLLBACK TO " + name_).c_str(), nullptr, nullptr, nullptr);
        sqlite3_exec(db_.handle(), ("RELEASE " + name_).c_str(), nullptr, nullptr, nullptr);
    }
}

bool Transaction::commit(DbError& error) {
    if (!active_) {
        error = {SQLITE_ERROR, "no transaction is open"};
        return false;
    }
    if (!run(db_.handle(), ("RELEASE " + name_).c_str(), error)) {
        return false;
    }
    active_ = false;
    return true;
}

}  // namespace quorvel::archive
