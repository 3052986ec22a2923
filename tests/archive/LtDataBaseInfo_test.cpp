#include "archive/LtDataBaseInfo.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/dialogs/MessageService.h"
#include "tests/archive/ArchiveTestUtil.h"

namespace fs = std::filesystem;
using namespace quorvel::archive;
using quorvel::platform::ScopedScriptedMessages;
using quorvel::test::addMails;
using quorvel::test::makeArchive;
using quorvel::test::TempDir;

namespace {
struct Db : ::testing::Test {
    TempDir dir;
    ScopedScriptedMessages msgs;
    std::string path = makeArchive(dir);
};

std::vector<int64_t> ids(LtDataBaseInfo& db) {
    std::vector<int64_t> out;
    EXPECT_TRUE(db.DB_MoveFirst());
    while (!db.RecSet->isEOF()) {
        out.push_back(db.RecSet->Fields("ID").Value().toInt());
        EXPECT_TRUE(db.DB_MoveNext());
    }
    return out;
}
}  // namespace

TEST_F(Db, emptySetIsAtBothEndsAndMoveFirstSucceeds) {
    LtDataBaseInfo db(path, "MailInfTabl");
    ASSERT_TRUE(db.DB_Open("", false));
    EXPECT_TRUE(db.RecSet->isBOF());
    EXPECT_TRUE(db.RecSet->isEOF());
    EXPECT_EQ(db.RecSet->RecordCount(), 0);
    EXPECT_TRUE(db.DB_MoveFirst());
    EXPECT_TRUE(db.RecSet->isEOF());
    EXPECT_FALSE(db.DB_FindFirst("ID = 1"));
    EXPECT_TRUE(db.RecSet->NoMatch());
    EXPECT_TRUE(msgs.shown().empty());
}

// The access layer's own steps over an updatable set answer whether they
// worked; what they wrote is there for the next instance.
TEST_F(Db, rowsAreAddedEditedAndDeletedThroughAnUpdatableSet) {
    LtDataBaseInfo db(path, "mailDirTabl");
    ASSERT_TRUE(db.DB_Open(sqlSelectAllById("mailDirTabl"), true));
    for (int id : {3, 2}) {
        ASSERT_TRUE(db.DB_AddNew());
        db.RecSet->Fields("ID").setValue(std::to_string(id));  // the engine turns the text into the column's number
        db.RecSet->Fields("dname").setValue("箱");
        ASSERT_TRUE(db.DB_Update());
        EXPECT_EQ(db.RecSet->Fields("ID").Value().toInt(), 1);  // the row current before the add stays current
    }
    EXPECT_EQ(ids(db), (std::vector<int64_t>{1, 3, 2}));  // new rows join the end of the open set
    ASSERT_TRUE(db.DB_FindFirst(condId(3)));
    EXPECT_EQ(db.RecSet->Fields("ID").Value().type(), DbValue::Type::Integer);
    ASSERT_TRUE(db.DB_Edit());
    db.RecSet->Fields("DNAME").setValue("アーカイブ");  // names ignore letter case
    ASSERT_TRUE(db.DB_Update());
    ASSERT_TRUE(db.DB_FindFirst(condId(2)));
    ASSERT_TRUE(db.DB_Delete());
    EXPECT_FALSE(db.DB_FindFirst(condId(2)));
    db.DB_Close();

    LtDataBaseInfo again(path, "mailDirTabl");
    ASSERT_TRUE(again.DB_Open(sqlSelectAllByIdDesc("mailDirTabl"), false));
    EXPECT_EQ(ids(again), (std::vector<int64_t>{3, 1}));
    ASSERT_TRUE(again.DB_FindFirst(condId(3)));
    EXPECT_EQ(again.RecSet->Fields("dname").Value().toText(), "アーカイブ");
    EXPECT_TRUE(msgs.shown().empty());
}

TEST_F(Db, findFirstAndNextFollowTheSetsOrder) {
    addMails(path, 12, [](int i) { return i % 3 == 0 ? 7 : 1; });
    LtDataBaseInfo db(path, "MailInfTabl");
    ASSERT_TRUE(db.DB_Open(sqlSelectAllByIdDesc("MailInfTabl"), true));
    std::vector<int64_t> found;
    for (bool ok = db.DB_FindFirst(condDirId(7)); ok; ok = db.DB_FindNext(condDirId(7))) {
        found.push_back(db.RecSet->Fields("ID").Value().toInt());
    }
    EXPECT_EQ(found, (std::vector<int64_t>{12, 9, 6, 3}));
    // Deleting every match while finding: the deleted rows are not found again.
    for (bool ok = db.DB_FindFirst(condDirId(7)); ok; ok = db.DB_FindNext(condDirId(7))) {
        ASSERT_TRUE(db.DB_Delete());
    }
    EXPECT_EQ(db.RecSet->RecordCount(), 8);
    EXPECT_FALSE(db.DB_FindFirst(condDirId(7)));
    db.DB_Close();

    // A statement over bracketed columns reads and searches the same way.
    TableDefs defs = makeTableDefs();
    LtDataBaseInfo list(path, "MailInfTabl");
    ASSERT_TRUE(list.DB_Open(sqlMailList(defs, 1), false));
    EXPECT_EQ(list.RecSet->RecordCount(), 8);
    ASSERT_EQ(list.RecSet->fieldCount(), 10);
    EXPECT_EQ(list.RecSet->Fields(0).Name(), "ID");
    EXPECT_EQ(list.RecSet->Fields(9).Name(), "size");
    ASSERT_TRUE(list.DB_FindFirst(condId(5)));
    EXPECT_EQ(list.RecSet->Fields("Subject").Value().toText(), "件名 5");
    EXPECT_FALSE(list.DB_FindFirst(condId(6)));  // in the table, not in this folder's set
    EXPECT_TRUE(msgs.shown().empty());
}

TEST_F(Db, openClearEmptiesTheTableAndGivesAnUpdatableSet) {
    LtDataBaseInfo db(path, "mailDirTabl");
    ASSERT_TRUE(db.DB_OpenClear("", true));
    EXPECT_EQ(db.RecSet->RecordCount(), 0);
    EXPECT_TRUE(db.RecSet->isEOF());
    ASSERT_TRUE(db.DB_AddNew());
    db.RecSet->Fields("ID").setValue(kRootDirId);
    db.RecSet->Fields("dname").setValue(kRootDirName);
    db.RecSet->Fields("parentID").setValue(kRootParentId);
    db.RecSet->Fields("kind").setValue(kRootKind);
    ASSERT_TRUE(db.DB_Update());
    db.DB_Close();
    EXPECT_FALSE(db.Dbase || db.RecSet);

    addMails(path, 4, [](int i) { return i; });
    LtDataBaseInfo some(path, "MailInfTabl");
    ASSERT_TRUE(some.DB_OpenClear("dirID > 2", true));
    EXPECT_EQ(ids(some), (std::vector<int64_t>{1, 2}));
    EXPECT_TRUE(msgs.shown().empty());
}

TEST_F(Db, anOpenArchiveIsHeldExclusivelyAndLeftCompleteInOneFile) {
    LtDataBaseInfo first(path, "MailInfTabl");
    ASSERT_TRUE(first.DB_Open("", true));
    {
        LtDataBaseInfo second(path, "mailDirTabl");
        EXPECT_FALSE(second.DB_Open("", false));
        ASSERT_EQ(msgs.shown().size(), 1u);
        EXPECT_NE(msgs.shown()[0].text.find("コメント等：OpenDatabase"), std::string::npos);
        EXPECT_NE(msgs.shown()[0].text.find("エラー番号：5\r\n"), std::string::npos);  // SQLITE_BUSY
    }
    ASSERT_TRUE(first.DB_AddNew());
    first.RecSet->Fields("ID").setValue(1);
    ASSERT_TRUE(first.DB_Update());
    first.DB_Close();

    // Nothing but the archive is left beside it, so copying it whole is safe.
    for (const auto& e : fs::directory_iterator(dir.path())) {
        EXPECT_EQ(e.path().filename(), "a.qvb");
    }
    fs::copy_file(path, dir.file("copy.qvb"));
    LtDataBaseInfo copy(dir.file("copy.qvb"), "MailInfTabl");
    ASSERT_TRUE(copy.DB_Open("", false));
    EXPECT_EQ(copy.RecSet->RecordCount(), 1);
}
