#include "mailboximport/DigestTable.h"

#include <sqlite3.h>

#include <cstring>
#include <vector>

namespace quorvel::mailboximport {

using archive::DbError;

namespace {

std::string quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

DbError engineError(sqlite3* db) {
    return {sqlite3_errcode(db), sqlite3_errmsg(db)};
}

// Resets a statement when the caller is done with it, whichever way it left.
class Use {
public:
    explicit Use(sqlite3_stmt* st) : st_(st) {}
    ~Use() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

private:
    sqlite3_stmt* st_;
};

// Mails whose digests are made in one go: their identifiers are read first,
// so that no row is written while the query that found them still runs.
constexpr int kFillChunk = 256;

}  // namespace

DigestTable::DigestTable(archive::Database& db, const archive::TableDefs& defs)
    : db_(db),
      inf_(quoted(defs.tblNames[archive::kMailInfTabl])),
      obj_(quoted(defs.tblNames[archive::kMailOBJTabl])),
      infId_(quoted(defs.infCols[archive::col::kInfId].colName)),
      infDir_(quoted(defs.infCols[archive::col::kInfDirId].colName)),
      objId_(quoted(defs.objCols[archive::col::kObjId].colName)),
      objFile_(quoted(defs.objCols[archive::col::kObjFile].colName)) {}

DigestTable::~DigestTable() {
    for (sqlite3_stmt* st : {record_, lookup_, missing_, stored_}) {
        sqlite3_finalize(st);
    }
}

sqlite3_stmt* DigestTable::statement(sqlite3_stmt*& slot, const std::string& sql, DbError& error) {
    if (!slot && sqlite3_prepare_v2(db_.handle(), sql.c_str(), -1, &slot, nullptr) != SQLITE_OK) {
        error = engineError(db_.handle());
        sqlite3_finalize(slot);
        slot = nullptr;
    }
    return slot;
}

bool DigestTable::ensure(DbError& error) {
    const std::string table = kDigestTable;
    return db_.execute("CREATE TABLE IF NOT EXISTS " + table +
                           " (ID INTEGER PRIMARY KEY, digest BLOB NOT NULL, length INTEGER NOT NULL)",
                       error) &&
           db_.execute("CREATE INDEX IF NOT EXISTS " + table + "_digest ON " + table + " (digest)", error);
}

bool DigestTable::record(int32_t id, const MailDigest& digest, uint64_t length, DbError& error) {
    sqlite3_stmt* st = statement(
        record_, std::string("INSERT OR REPLACE INTO ") + kDigestTable + " (ID, digest, length) VALUES (?1, ?2, ?3)",
        error);
    if (!st) {
        return false;
    }
    Use use(st);
    sqlite3_bind_int64(st, 1, id);
    sqlite3_bind_blob(st, 2, digest.data(), static_cast<int>(digest.size()), SQLITE_STATIC);
    sqlite3_bind_int64(st, 3, static_cast<sqlite3_int64>(length));
    if (sqlite3_step(st) != SQLITE_DONE) {
        error = engineError(db_.handle());
        return false;
    }
    return true;
}

bool DigestTable::storedBytes(int32_t id, std::string& bytes, bool& found, DbError& error) {
    sqlite3_stmt* st = statement(stored_, "SELECT " + objFile_ + " FROM " + obj_ + " WHERE " + objId_ + " = ?1", error);
    if (!st) {
        return false;
    }
    Use use(st);
    sqlite3_bind_int64(st, 1, id);
    const int rc = sqlite3_step(st);
    found = rc == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL;
    if (found) {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(st, 0));
        bytes.assign(data ? data : "", static_cast<size_t>(sqlite3_column_bytes(st, 0)));
        return true;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        error = engineError(db_.handle());
        return false;
    }
    return true;
}

bool DigestTable::fillFolder(int32_t folder, const std::function<bool()>& keepGoing, bool& stopped, DbError& error) {
    stopped = false;
    // Mails without a row, and rows whose length is not that of the mail now
    // carrying the identifier (a mail deleted behind the program's back and
    // its identifier handed out again). length() reads no blob's bytes.
    sqlite3_stmt* st = statement(missing_,
                                 "SELECT i." + infId_ + " FROM " + inf_ + " i LEFT JOIN " + kDigestTable +
                                     " d ON d.ID = i." + infId_ + " WHERE i." + infDir_ + " = ?1 AND i." + infId_ +
                                     " > ?2 AND (d.ID IS NULL OR d.length IS NOT (SELECT length(" + objFile_ +
                                     ") FROM " + obj_ + " o WHERE o." + objId_ + " = i." + infId_ + ")) ORDER BY i." +
                                     infId_ + " LIMIT " + std::to_string(kFillChunk),
                                 error);
    if (!st) {
        return false;
    }
    int64_t after = INT64_MIN;
    std::vector<int32_t> ids;
    std::string bytes;
    for (;;) {
        ids.clear();
        {
            Use use(st);
            sqlite3_bind_int64(st, 1, folder);
            sqlite3_bind_int64(st, 2, after);
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                ids.push_back(static_cast<int32_t>(sqlite3_column_int64(st, 0)));
            }
            if (rc != SQLITE_DONE) {
                error = engineError(db_.handle());
                return false;
            }
        }
        if (ids.empty()) {
            return true;
        }
        for (int32_t id : ids) {
            if (keepGoing && !keepGoing()) {
                stopped = true;
                return true;
            }
            bool found = false;
            if (!storedBytes(id, bytes, found, error)) {
                return false;
            }
            // A header without its stored mail has nothing to compare with.
            if (found && !record(id, digestOf(bytes), bytes.size(), error)) {
                return false;
            }
        }
        after = ids.back();
    }
}

bool DigestTable::folderHolds(int32_t folder, const MailDigest& digest, std::string_view bytes, bool& holds,
                              DbError& error) {
    holds = false;
    // The digest's index first (CROSS JOIN keeps that order): the folder may
    // hold many mails, a digest stands for a few at most.
    sqlite3_stmt* st =
        statement(lookup_,
                  std::string("SELECT d.ID FROM ") + kDigestTable + " d CROSS JOIN " + inf_ + " i ON i." + infId_ +
                      " = d.ID WHERE d.digest = ?1 AND d.length = ?2 AND i." + infDir_ + " = ?3",
                  error);
    if (!st) {
        return false;
    }
    std::vector<int32_t> candidates;
    {
        Use use(st);
        sqlite3_bind_blob(st, 1, digest.data(), static_cast<int>(digest.size()), SQLITE_STATIC);
        sqlite3_bind_int64(st, 2, static_cast<sqlite3_int64>(bytes.size()));
        sqlite3_bind_int64(st, 3, folder);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            candidates.push_back(static_cast<int32_t>(sqlite3_column_int64(st, 0)));
        }
        if (rc != SQLITE_DONE) {
            error = engineError(db_.handle());
            return false;
        }
    }
    std::string stored;
    for (int32_t id : candidates) {
        bool found = false;
        if (!storedBytes(id, stored, found, error)) {
            return false;
        }
        if (found && stored == bytes) {
            holds = true;
            return true;
        }
        // The row no longer tells the truth of its mail: it is made right,
        // so that the mail it stands for is found next time.
        if (found && !record(id, digestOf(stored), stored.size(), error)) {
            return false;
        }
    }
    return true;
}

}  // namespace quorvel::mailboximport
