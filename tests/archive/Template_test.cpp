// The template archive the build generates from the schema file.
#include <gtest/gtest.h>

#include "archive/LtDataBaseInfo.h"
#include "platform/dialogs/MessageService.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace quorvel::archive;
using quorvel::platform::ScopedScriptedMessages;
using quorvel::test::makeArchive;
using quorvel::test::rowsOf;
using quorvel::test::TempDir;

TEST(Template, holdsTheTablesAndFixedRows) {
    TempDir dir;
    ScopedScriptedMessages msgs;
    const std::string path = makeArchive(dir);
    TableDefs defs = makeTableDefs();
    for (int t = 1; t <= 5; ++t) {
        LtDataBaseInfo db(path, defs.tblNames[t]);
        ASSERT_TRUE(db.DB_Open("", false)) << defs.tblNames[t];
        const ColumnList* lists[] = {nullptr,       &defs.condCols, &defs.dirCols,
                                     &defs.infCols, &defs.bdyCols,  &defs.objCols};
        ASSERT_EQ(db.RecSet->fieldCount(), static_cast<int>(lists[t]->size()));
        for (const auto& c : *lists[t]) {
            EXPECT_TRUE(db.RecSet->Fields(c.colName).valid()) << c.colName;
        }
        EXPECT_EQ(db.RecSet->RecordCount(), (t == kCurCondTabl || t == kMailDirTabl) ? 1 : 0);
    }
    {
        LtDataBaseInfo db(path, "mailDirTabl");
        ASSERT_TRUE(db.DB_Open(sqlSelectAllById("mailDirTabl"), false));
        EXPECT_EQ(db.RecSet->Fields("ID").Value().toInt(), 1);
        EXPECT_EQ(db.RecSet->Fields("dname").Value().toText(), "ルート");
        EXPECT_EQ(db.RecSet->Fields("parentID").Value().toInt(), 0);
        EXPECT_EQ(db.RecSet->Fields("kind").Value().toInt(), 1);
    }
    {
        LtDataBaseInfo db(path, "curCondTabl");
        ASSERT_TRUE(db.DB_Open("", false));
        EXPECT_EQ(db.RecSet->Fields("curDir").Value().toText(), "1_");
        EXPECT_TRUE(db.RecSet->Fields("activMail").Value().isNull());
    }
    EXPECT_TRUE(msgs.shown().empty());
}

TEST(Template, usesARollbackJournalAndIndexesTheIdentifiers) {
    TempDir dir;
    const std::string path = makeArchive(dir);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    EXPECT_EQ(rowsOf(db, "PRAGMA journal_mode"), std::vector<std::string>{"delete"});
    for (const char* q : {"SELECT * FROM MailInfTabl WHERE ID = 5", "SELECT * FROM MailInfTabl WHERE dirID = 5",
                          "SELECT * FROM MailOBJTabl WHERE ID = 5", "SELECT * FROM mailDirTabl WHERE ID = 5",
                          "SELECT * FROM mailDirTabl ORDER BY parentID"}) {
        const auto plan = rowsOf(db, std::string("EXPLAIN QUERY PLAN ") + q);
        EXPECT_NE(testing::PrintToString(plan).find("INDEX"), std::string::npos) << q << testing::PrintToString(plan);
    }
    sqlite3_close(db);
}
