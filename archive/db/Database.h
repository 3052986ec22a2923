#pragma once

#include <memory>
#include <string>

struct sqlite3;

namespace quorvel::archive {

// An engine failure: SQLite's result code and text, or one of ours for the
// few result-set misuses the engine cannot see.
struct DbError {
    int code = 0;
    std::string message;
};

// Codes of the failures the result set reports itself; the texts say which.
inline constexpr int kErrReadOnly = 8;     // same number as SQLITE_READONLY
inline constexpr int kErrNoCurrent = 21;   // same number as SQLITE_MISUSE
inline constexpr int kErrNotEditing = 21;  // same number as SQLITE_MISUSE

// One archive file, opened exclusively: while this object lives no other
// connection, in this or another process, can read or write the file. The
// journal is a rollback journal, so once the object is gone the archive is
// complete in its one file and can be copied whole.
class Database {
public:
    // A missing file, a file that is not a database, a read-only file and a
    // file held by another connection all fail here.
    static std::unique_ptr<Database> openExclusive(const std::string& path, DbError& error);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }
    const std::string& path() const { return path_; }

    // Runs statements; the Jet-only forms are translated first.
    bool execute(const std::string& sql, DbError& error);

    DbError lastError() const;

private:
    Database(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
    sqlite3* db_;
    std::string path_;
};

// A working copy is scratch until 上書き保存 copies it over the archive, so its
// writes need not reach the disk one by one; an archive worked on in place is
// written durably. Files marked here are opened without syncing each commit.
void markScratchFile(const std::string& path, bool scratch);
bool isScratchFile(const std::string& path);

// Rewrites the one statement form Jet takes and SQLite does not:
// "DELETE * FROM T ..." becomes "DELETE FROM T ...".
std::string translateStatement(const std::string& sql);

// Makes a multi-statement write all-or-nothing: rolled back when dropped
// without commit().
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool begun() const { return active_; }
    bool commit(DbError& error);

private:
    Database& db_;
    std::string name_;
    bool active_ = false;
};

}  // namespace quorvel::archive
