#include "archive/Schema.h"

#include <gtest/gtest.h>

#include "tests/archive/ArchiveTestUtil.h"

using namespace quorvel::archive;
using quorvel::test::makeArchive;
using quorvel::test::rowsOf;
using quorvel::test::TempDir;

TEST(Schema, keysTurnBackIntoIdentifiers) {
    EXPECT_EQ(makeKey(12), "12_");
    EXPECT_EQ(keyToId(makeKey(12)), 12);
    EXPECT_EQ(keyToId("305"), 305);
    EXPECT_EQ(keyToId("_3"), 0);
    EXPECT_EQ(keyToId(""), 0);
    EXPECT_EQ(keyToId("2147483647_"), 2147483647);
    EXPECT_EQ(keyToId("2147483648_"), 0);  // no identifier is that large
}

// The statements run on an archive give the rows the program reads them for.
TEST(Schema, statementsSelectTheRowsTheyAreFor) {
    TempDir dir;
    const std::string path = makeArchive(dir);
    const TableDefs defs = makeTableDefs();
    DbError e;
    auto db = Database::openExclusive(path, e);
    ASSERT_TRUE(db) << e.message;
    ASSERT_TRUE(db->execute("INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (2, 'b', 5), (5, 'a', 1)", e));
    auto folders = RecordSet::open(*db, sqlSelectFolders(defs), false, false, e);
    ASSERT_TRUE(folders) << e.message;
    std::vector<int64_t> parents;
    for (bool ok = folders->MoveFirst(e); ok && !folders->isEOF(); ok = folders->MoveNext(e)) {
        parents.push_back(folders->Fields("parentID").Value().toInt());
    }
    EXPECT_EQ(parents, (std::vector<int64_t>{0, 1, 5}));

    // A set for adding rows reads none of those stored.
    auto append = RecordSet::open(*db, sqlAppendOnly(defs.tblNames[kMailDirTabl]), false, true, e);
    ASSERT_TRUE(append) << e.message;
    EXPECT_EQ(append->RecordCount(), 0);
    ASSERT_TRUE(append->AddNew(e));
    append->Fields("ID").setValue(7);
    ASSERT_TRUE(append->Update(e));
    EXPECT_EQ(rowsOf(db->handle(), "SELECT ID FROM mailDirTabl ORDER BY ID"),
              (std::vector<std::string>{"1", "2", "5", "7"}));
}
