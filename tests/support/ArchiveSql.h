#pragma once

// Statements run on an archive file behind the program's back, to set up a
// case or to look at what the program wrote. Header only: every test that
// uses it links SQLite already, through the archive library or directly.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace quorvel::test {

// Runs statements, adding the rows they give to `rows` when given: each
// row's values joined by "|" (NULL as an empty value, the bytes of a blob as
// they are). False when one fails or the file does not exist (it is not
// made); a GoogleTest test fails then too.
inline bool runSql(const std::string& path, const std::string& statements, std::vector<std::string>* rows = nullptr) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path;
        sqlite3_close(db);
        return false;
    }
    bool ok = true;
    for (const char* rest = statements.c_str(); ok && *rest;) {
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(db, rest, -1, &st, &rest);
        while (st && (rc = sqlite3_step(st)) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; rows && i < sqlite3_column_count(st); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                row += (i ? "|" : "") + std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(st, i)));
            }
            if (rows) {
                rows->push_back(row);
            }
        }
        ok = rc == SQLITE_OK || rc == SQLITE_DONE;
        EXPECT_TRUE(ok) << path << ": " << sqlite3_errmsg(db) << " in " << statements;
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return ok;
}

// The rows the statements give, as runSql adds them.
inline std::vector<std::string> sqlRows(const std::string& path, const std::string& statements) {
    std::vector<std::string> rows;
    runSql(path, statements, &rows);
    return rows;
}

// Bytes as an SQL blob literal, X'...'.
inline std::string blobLiteral(const std::string& bytes) {
    std::string hex = "X'";
    for (unsigned char c : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", c);
        hex += two;
    }
    return hex + "'";
}

// Overwrites the first page of a table's rows, so that the file still opens
// as a database and reading the table fails.
inline void spoilTable(const std::string& path, const std::string& table) {
    const std::vector<std::string> page =
        sqlRows(path, "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_master WHERE name = '" +
                          table + "'");
    ASSERT_EQ(page.size(), 1u) << table;
    const long number = std::stol(page[0]), size = std::stol(page[0].substr(page[0].find('|') + 1));
    ASSERT_GT(number, 1);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((number - 1) * size);
    file << std::string(static_cast<size_t>(size), '\xff');
    ASSERT_TRUE(file.flush());
}

}  // namespace quorvel::test
