// Builds the template archive: runs a schema file against a new database.
// Usage: qv_mktemplate SCHEMA.sql OUTPUT.qvb
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: qv_mktemplate SCHEMA.sql OUTPUT.qvb\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "qv_mktemplate: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::stringstream schema;
    schema << in.rdbuf();

    const std::string out = argv[2];
    const std::string tmp = out + ".part";
    std::remove(tmp.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::cerr << "qv_mktemplate: " << sqlite3_errmsg(db) << "\n";
        sqlite3_close(db);
        return 1;
    }
    char* err = nullptr;
    if (sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::cerr << "qv_mktemplate: " << (err ? err : "failed") << "\n";
        sqlite3_free(err);
        sqlite3_close(db);
        std::remove(tmp.c_str());
        return 1;
    }
    sqlite3_close(db);
    if (std::rename(tmp.c_str(), out.c_str()) != 0) {
        std::cerr << "qv_mktemplate: cannot write " << out << "\n";
        return 1;
    }
    return 0;
}
