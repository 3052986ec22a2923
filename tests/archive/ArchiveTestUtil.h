#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "tests/support/TestEnv.h"

namespace quorvel::test {

// A fresh archive made from the built template.
inline std::string makeArchive(const TempDir& dir, const std::string& name = "a.qvb") {
    std::string path = dir.file(name);
    std::filesystem::copy_file(builtTemplatePath(), path, std::filesystem::copy_options::overwrite_existing);
    return path;
}

// Adds header rows through the access layer: mail id i lies in folder dirOf(i).
template <typename DirOf>
void addMails(const std::string& archive, int count, DirOf dirOf) {
    archive::LtDataBaseInfo db(archive, "MailInfTabl");
    ASSERT_TRUE(db.DB_Open("", true));
    for (int i = 1; i <= count; ++i) {
        ASSERT_TRUE(db.DB_AddNew());
        db.RecSet->Fields("ID").setValue(i);
        db.RecSet->Fields("dirID").setValue(dirOf(i));
        db.RecSet->Fields("Subject").setValue("件名 " + std::to_string(i));
        ASSERT_TRUE(db.DB_Update());
    }
}

// What a statement gives, read past the access layer: one "a|b" per row,
// NULL for a null value; the engine's error text when it fails.
inline std::vector<std::string> rowsOf(sqlite3* db, const std::string& sql) {
    std::vector<std::string> rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        return {std::string("error: ") + sqlite3_errmsg(db)};
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::string row;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            auto t = sqlite3_column_text(st, c);
            row += (c ? "|" : "") + std::string(t ? reinterpret_cast<const char*>(t) : "NULL");
        }
        rows.push_back(row);
    }
    if (rc != SQLITE_DONE) {
        rows.push_back(std::string("error: ") + sqlite3_errmsg(db));
    }
    sqlite3_finalize(st);
    return rows;
}

// The same through a connection of its own, opened read-only on the file.
inline std::vector<std::string> rowsOf(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {"error: cannot open " + path};
    }
    std::vector<std::string> rows = rowsOf(db, sql);
    sqlite3_close(db);
    return rows;
}

}  // namespace quorvel::test
