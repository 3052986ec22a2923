#include "archive/ArchiveCheck.h"

#include <sqlite3.h>

#include <set>

namespace quorvel::archive {

namespace {

// The columns of a table as the engine knows them; empty when it has none.
// `failed` is set when the engine could not answer at all.
std::set<std::string> columnsOf(sqlite3* db, const std::string& table, int& failed) {
    std::set<std::string> columns;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1)", -1, &st, nullptr) != SQLITE_OK) {
        failed = sqlite3_extended_errcode(db);
        return columns;
    }
    sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (const auto* name = sqlite3_column_text(st, 0)) {
            columns.insert(reinterpret_cast<const char*>(name));
        }
    }
    if (rc != SQLITE_DONE) {
        failed = sqlite3_extended_errcode(db);
    }
    sqlite3_finalize(st);
    return columns;
}

bool definitelyNotADatabase(int code) {
    const int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

}  // namespace

ArchiveShape checkArchiveShape(const std::string& path, const TableDefs& defs) {
    sqlite3* db = nullptr;
    // Read-only and never created.
    const int flags = SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        const int code = db ? sqlite3_extended_errcode(db) : SQLITE_CANTOPEN;
        sqlite3_close(db);
        return definitelyNotADatabase(code) ? ArchiveShape::NotArchive : ArchiveShape::Unknown;
    }
    sqlite3_busy_timeout(db, 0);
    const std::pair<int, const ColumnList*> tables[] = {
        {kCurCondTabl, &defs.condCols}, {kMailDirTabl, &defs.dirCols}, {kMailInfTabl, &defs.infCols},
        {kMailBdyTabl, &defs.bdyCols},  {kMailOBJTabl, &defs.objCols},
    };
    ArchiveShape shape = ArchiveShape::Archive;
    for (const auto& [index, list] : tables) {
        int failed = 0;
        const std::set<std::string> have = columnsOf(db, defs.tblNames[static_cast<size_t>(index)], failed);
        if (failed != 0) {
            shape = definitelyNotADatabase(failed) ? ArchiveShape::NotArchive : ArchiveShape::Unknown;
            break;
        }
        bool complete = !have.empty();
        for (const ColumnSpec& c : *list) {
            complete = complete && have.count(c.colName) != 0;
        }
        if (!complete) {
            shape = ArchiveShape::NotArchive;
            break;
        }
    }
    if (shape == ArchiveShape::Archive) {
        // Without a single folder row there is not even the root to show.
        const std::string sql = "SELECT 1 FROM \"" + defs.tblNames[kMailDirTabl] + "\" LIMIT 1";
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        rc = rc == SQLITE_OK ? sqlite3_step(st) : rc;
        sqlite3_finalize(st);
        if (rc == SQLITE_DONE) {
            shape = ArchiveShape::NotArchive;
        } else if (rc != SQLITE_ROW) {
            shape =
                definitelyNotADatabase(sqlite3_extended_errcode(db)) ? ArchiveShape::NotArchive : ArchiveShape::Unknown;
        }
    }
    sqlite3_close(db);
    return shape;
}

}  // namespace quorvel::archive
