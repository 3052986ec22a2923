// A result set walked, searched and changed row by row, checked against what
// the file holds afterwards.
#include "archive/db/RecordSet.h"

#include <gtest/gtest.h>

#include <limits>

#include "tests/archive/ArchiveTestUtil.h"

using namespace quorvel::archive;
using quorvel::test::addMails;
using quorvel::test::makeArchive;
using quorvel::test::rowsOf;
using quorvel::test::TempDir;
using Rows = std::vector<std::string>;
using Ids = std::vector<int64_t>;

namespace {

struct RecordSetTest : ::testing::Test {
    TempDir dir;
    std::string path = makeArchive(dir);
    std::unique_ptr<Database> db;
    DbError e;

    // Opens the archive once the rows a test needs are in it.
    void openArchive() {
        db = Database::openExclusive(path, e);
        ASSERT_TRUE(db) << e.message;
    }
    std::unique_ptr<RecordSet> open(const std::string& source, bool updatable = true) {
        auto rs = RecordSet::open(*db, source, false, updatable, e);
        EXPECT_TRUE(rs) << e.message;
        return rs;
    }
    Rows stored(const std::string& sql) { return rowsOf(db->handle(), sql); }

    static int64_t id(RecordSet& rs) { return rs.Fields("ID").Value().toInt(); }
    // The rows from the first on, by identifier.
    Ids walk(RecordSet& rs) {
        Ids ids;
        for (bool ok = rs.MoveFirst(e); ok && !rs.isEOF(); ok = rs.MoveNext(e)) {
            ids.push_back(id(rs));
        }
        return ids;
    }
    // Every row that meets a condition, by FindFirst and FindNext.
    Ids found(RecordSet& rs, const std::string& condition) {
        Ids ids;
        for (bool ok = rs.FindFirst(condition, e); ok && !rs.NoMatch(); ok = rs.FindNext(condition, e)) {
            ids.push_back(id(rs));
        }
        return ids;
    }
};

}  // namespace

TEST_F(RecordSetTest, deletedRowsAreGoneFromTheWalkAndAddedOnesJoinItsEnd) {
    addMails(path, 5, [](int) { return 1; });
    openArchive();
    auto rs = open("SELECT * FROM MailInfTabl ORDER BY ID");
    ASSERT_TRUE(rs->Delete(e));  // the first row, current since the open
    // A deleted row stays current with no values: it can be neither read,
    // changed nor deleted again.
    EXPECT_TRUE(rs->Fields("Subject").Value().isNull());
    EXPECT_EQ(rs->fieldError().code, kErrNoCurrent);
    EXPECT_FALSE(rs->Edit(e));
    EXPECT_FALSE(rs->Delete(e));
    EXPECT_EQ(e.code, kErrNoCurrent);
    ASSERT_TRUE(rs->MoveNext(e));
    EXPECT_EQ(id(*rs), 2);
    ASSERT_TRUE(rs->MoveNext(e));
    ASSERT_TRUE(rs->Delete(e));  // 3, in the middle
    ASSERT_TRUE(rs->MoveNext(e));
    EXPECT_EQ(id(*rs), 4);
    ASSERT_TRUE(rs->MoveNext(e));
    ASSERT_TRUE(rs->Delete(e));  // 5, the last: the next move is past the end
    ASSERT_TRUE(rs->MoveNext(e));
    EXPECT_TRUE(rs->isEOF());
    EXPECT_FALSE(rs->MoveNext(e));
    EXPECT_EQ(rs->RecordCount(), 2);

    // Added at the end of the set, the set stays where it was.
    ASSERT_TRUE(rs->AddNew(e));
    rs->Fields("ID").setValue(9);
    ASSERT_TRUE(rs->Update(e));
    EXPECT_TRUE(rs->isEOF());
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(walk(*rs), (Ids{2, 4, 9}));
    EXPECT_EQ(stored("SELECT ID FROM MailInfTabl ORDER BY ID"), (Rows{"2", "4", "9"}));

    // Every row deleted: the set is at both ends.
    while (rs->MoveFirst(e) && !rs->isEOF()) {
        ASSERT_TRUE(rs->Delete(e));
    }
    EXPECT_TRUE(rs->isBOF());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_TRUE(stored("SELECT ID FROM MailInfTabl").empty());
}

// The rows a condition met are kept for the next search; a row written
// through the set must not be judged by that old list.
TEST_F(RecordSetTest, searchesSeeTheRowsWrittenThroughTheSet) {
    addMails(path, 6, [](int i) { return i <= 3 ? 1 : 2; });
    openArchive();
    auto rs = open("SELECT * FROM MailInfTabl ORDER BY ID DESC");
    EXPECT_EQ(found(*rs, "dirID = 1"), (Ids{3, 2, 1}));
    EXPECT_EQ(found(*rs, "dirID = 2"), (Ids{6, 5, 4}));  // the same statement, bound anew
    EXPECT_EQ(found(*rs, "dirID = 1"), (Ids{3, 2, 1}));

    ASSERT_TRUE(rs->MoveFirst(e));  // 6, moved into folder 1
    ASSERT_TRUE(rs->Edit(e));
    rs->Fields("dirID").setValue(1);
    ASSERT_TRUE(rs->Update(e));
    EXPECT_EQ(found(*rs, "dirID = 1"), (Ids{6, 3, 2, 1}));
    ASSERT_TRUE(rs->AddNew(e));
    rs->Fields("ID").setValue(7);
    rs->Fields("dirID").setValue(1);
    ASSERT_TRUE(rs->Update(e));
    EXPECT_EQ(found(*rs, "dirID = 1"), (Ids{6, 3, 2, 1, 7}));

    // Moved out while walking the matches: the walk goes on after it.
    ASSERT_TRUE(rs->FindFirst("dirID = 1", e));
    ASSERT_TRUE(rs->Edit(e));
    rs->Fields("dirID").setValue(2);
    ASSERT_TRUE(rs->Update(e));
    ASSERT_TRUE(rs->FindNext("dirID = 1", e));
    EXPECT_EQ(id(*rs), 3);
    EXPECT_EQ(found(*rs, "dirID = 1"), (Ids{3, 2, 1, 7}));

    // A search that meets nothing leaves the current row where it was.
    ASSERT_TRUE(rs->FindFirst("ID = 2", e));
    ASSERT_TRUE(rs->FindNext("dirID = 2", e));
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(id(*rs), 2);
    EXPECT_EQ(stored("SELECT ID FROM MailInfTabl WHERE dirID = 1 ORDER BY ID"), (Rows{"1", "2", "3", "7"}));
}

TEST_F(RecordSetTest, valuesComeBackExactlyAsTheyWereSet) {
    openArchive();
    const int64_t big = (int64_t{1} << 40) + 3;
    const std::string withNul("a\0b", 3);
    const std::string bytes("\0\x01\xff\0", 4);
    {
        auto inf = RecordSet::open(*db, "MailInfTabl", true, true, e);
        ASSERT_TRUE(inf) << e.message;
        for (int64_t i : {big, int64_t{2}}) {
            ASSERT_TRUE(inf->AddNew(e));
            inf->Fields("ID").setValue(i);
            inf->Fields("dirID").setValue(std::numeric_limits<int64_t>::min());
            inf->Fields("Subject").setValue(withNul);
            inf->Fields("From").setValue("");
            inf->Fields("Date").setValue(DbValue());
            ASSERT_TRUE(inf->Update(e)) << e.message;
        }
        auto obj = RecordSet::open(*db, "MailOBJTabl", true, true, e);
        ASSERT_TRUE(obj && obj->AddNew(e));
        obj->Fields("ID").setValue(1);
        obj->Fields("mailFlObj").setValue(DbValue::blob(bytes));
        ASSERT_TRUE(obj->Update(e)) << e.message;
        ASSERT_TRUE(obj->MoveFirst(e));
        EXPECT_EQ(obj->Fields("mailFlObj").Value(), DbValue::blob(bytes));
    }
    // Read back by a fresh set, past the values the writing set kept.
    auto rs = open("SELECT * FROM MailInfTabl ORDER BY ID DESC");
    ASSERT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->Fields("ID").Value(), DbValue::integer(big));
    EXPECT_EQ(rs->Fields("dirID").Value(), DbValue::integer(std::numeric_limits<int64_t>::min()));
    EXPECT_EQ(rs->Fields("Subject").Value(), DbValue::text(withNul));
    EXPECT_EQ(rs->Fields("From").Value(), DbValue::text(""));  // empty, not null
    EXPECT_TRUE(rs->Fields("Date").Value().isNull());
    EXPECT_TRUE(rs->Fields("To").Value().isNull());  // never set
    EXPECT_EQ(stored("SELECT typeof([From]), typeof([To]), length(CAST(Subject AS BLOB)) FROM MailInfTabl"),
              (Rows{"text|null|3", "text|null|3"}));

    // A row changed to longer and to null values; the row before it keeps its own.
    ASSERT_TRUE(rs->MoveNext(e));
    ASSERT_TRUE(rs->Edit(e));
    rs->Fields("Subject").setValue(std::string(5000, 's'));
    rs->Fields("From").setValue(DbValue());
    ASSERT_TRUE(rs->Update(e));
    EXPECT_EQ(rs->Fields("Subject").Value().size(), 5000);
    EXPECT_TRUE(rs->Fields("From").Value().isNull());
    ASSERT_TRUE(rs->MoveFirst(e));
    EXPECT_EQ(rs->Fields("Subject").Value(), DbValue::text(withNul));
    EXPECT_EQ(rs->Fields("From").Value(), DbValue::text(""));
    auto obj = open("SELECT * FROM MailOBJTabl");
    EXPECT_EQ(obj->Fields("mailFlObj").Value(), DbValue::blob(bytes));
    EXPECT_EQ(obj->Fields("mailFlObj").FieldSize(), 4);
}

// A write the file refuses, or one that fails after its row went in, leaves
// the set and the file as they were, and no transaction open.
TEST_F(RecordSetTest, aFailedWriteLeavesTheSetAndTheFileAsTheyWere) {
    addMails(path, 2, [](int) { return 1; });
    openArchive();
    auto rs = open("SELECT * FROM MailInfTabl ORDER BY ID");
    ASSERT_TRUE(rs->MoveNext(e));
    ASSERT_TRUE(rs->Edit(e));
    rs->Fields("ID").setValue(1);  // taken: the unique index refuses it
    rs->Fields("Subject").setValue("changed");
    EXPECT_FALSE(rs->Update(e));
    EXPECT_EQ(e.code & 0xff, SQLITE_CONSTRAINT);
    EXPECT_EQ(id(*rs), 2);
    EXPECT_EQ(rs->Fields("Subject").Value().toText(), "件名 2");
    EXPECT_EQ(stored("SELECT ID, Subject FROM MailInfTabl ORDER BY ID"), (Rows{"1|件名 1", "2|件名 2"}));
    EXPECT_EQ(sqlite3_get_autocommit(db->handle()), 1);

    // The stored file cannot be written once its row is in: the row goes too,
    // so that no mail is left without its file.
    ASSERT_TRUE(
        db->execute("CREATE TRIGGER spoil AFTER INSERT ON MailOBJTabl BEGIN "
                    "UPDATE MailOBJTabl SET mailFlObj = NULL WHERE _rowid_ = new._rowid_; END",
                    e))
        << e.message;
    auto obj = open("SELECT * FROM MailOBJTabl");
    ASSERT_TRUE(obj->AddNew(e));
    obj->Fields("ID").setValue(1);
    ASSERT_TRUE(obj->Fields("mailFlObj").AppendChunk("mail bytes"));
    EXPECT_FALSE(obj->Update(e));
    EXPECT_EQ(obj->RecordCount(), 0);
    EXPECT_TRUE(stored("SELECT ID FROM MailOBJTabl").empty());
    EXPECT_EQ(sqlite3_get_autocommit(db->handle()), 1);

    // The sets go on working, and what they write now stays written.
    ASSERT_TRUE(rs->Edit(e));
    rs->Fields("Subject").setValue("kept");
    ASSERT_TRUE(rs->Update(e));
    rs.reset();
    obj.reset();
    db.reset();
    EXPECT_EQ(rowsOf(path, "SELECT Subject FROM MailInfTabl WHERE ID = 2"), Rows{"kept"});
}

// Stored mails stay in the file until read; an edit of the other fields must
// leave them alone, and a new value must be read anew.
TEST_F(RecordSetTest, anEditKeepsAStoredFileItDidNotTouch) {
    std::string mail(100 * 1024, '\0');
    for (size_t i = 0; i < mail.size(); ++i) {
        mail[i] = static_cast<char>(i % 251);
    }
    openArchive();
    {
        auto rs = open("SELECT * FROM MailOBJTabl");
        ASSERT_TRUE(rs->AddNew(e));
        rs->Fields("ID").setValue(1);
        ASSERT_TRUE(rs->Fields("mailFlObj").AppendChunk(mail));
        ASSERT_TRUE(rs->Update(e));
    }
    auto rs = open("SELECT * FROM MailOBJTabl");
    Field& file = rs->Fields("mailFlObj");
    EXPECT_EQ(file.GetChunk(0, 3), mail.substr(0, 3));  // the value is open for reading
    ASSERT_TRUE(rs->Edit(e));
    EXPECT_EQ(file.Value(), DbValue::blob(mail));  // read while editing, from the file
    rs->Fields("ID").setValue(5);
    ASSERT_TRUE(rs->Update(e));
    EXPECT_EQ(file.FieldSize(), static_cast<int64_t>(mail.size()));
    EXPECT_EQ(file.GetChunk(100, 10), mail.substr(100, 10));
    EXPECT_EQ(stored("SELECT ID, length(mailFlObj) FROM MailOBJTabl"), Rows{"5|102400"});

    ASSERT_TRUE(rs->Edit(e));
    ASSERT_TRUE(file.AppendChunk("new"));
    ASSERT_TRUE(rs->Update(e));
    EXPECT_EQ(file.GetChunk(0, 100), "new");
    EXPECT_EQ(file.Value().toText(), "new");
}
