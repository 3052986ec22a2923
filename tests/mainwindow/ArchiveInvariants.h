#pragma once

#include <QtTest>
#include <map>
#include <set>

#include "app/ProgramValues.h"
#include "archive/LtDataBaseInfo.h"

namespace quorvel::test {

// Checks what every archive must hold after any change: each mail has one
// row in each of the two mail tables, every mail's folder exists, and the
// folders form one tree under the root.
inline void verifyArchiveInvariants(const ProgramValues& pv) {
    auto column = [&](const char* table, const char* a, const char* b) {
        std::multimap<int64_t, int64_t> rows;
        archive::LtDataBaseInfo db(workingFile(pv), table);
        if (db.DB_Open("", false)) {
            for (db.DB_MoveFirst(); !db.RecSet->isEOF(); db.DB_MoveNext()) {
                rows.emplace(db.RecSet->Fields(a).Value().toInt(), b ? db.RecSet->Fields(b).Value().toInt() : 0);
            }
        }
        return rows;
    };
    const auto folders = column("mailDirTabl", "ID", "parentID");
    const auto mails = column("MailInfTabl", "ID", "dirID");
    const auto files = column("MailOBJTabl", "ID", nullptr);
    QCOMPARE(mails.size(), files.size());
    for (const auto& [id, dir] : mails) {
        QVERIFY2(mails.count(id) == 1 && files.count(id) == 1, "a mail without exactly one row in each table");
        QVERIFY2(folders.count(dir) == 1, "a mail in a folder that does not exist");
    }
    QCOMPARE(folders.count(1), size_t{1});
    QCOMPARE(folders.find(1)->second, int64_t{0});
    for (const auto& [id, parent] : folders) {
        QVERIFY2(folders.count(id) == 1, "two folders with one identifier");
        // Walking up from every folder reaches the root without a circle.
        std::set<int64_t> seen;
        for (int64_t f = id; f != 1;) {
            QVERIFY2(seen.insert(f).second, "folders in a circle");
            auto up = folders.find(f);
            QVERIFY2(up != folders.end() && up->second != 0, "a folder outside the tree");
            f = up->second;
            QVERIFY2(folders.count(f) == 1, "a folder whose parent does not exist");
        }
    }
}

}  // namespace quorvel::test
