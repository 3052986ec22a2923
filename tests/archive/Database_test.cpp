// The archive connection: how it is opened, and transactions over it, judged
// by what the file holds once the connection is gone.
#include "archive/db/Database.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/archive/ArchiveTestUtil.h"

using namespace quorvel::archive;
using quorvel::test::makeArchive;
using quorvel::test::rowsOf;
using quorvel::test::TempDir;
using Rows = std::vector<std::string>;

namespace {

struct DatabaseTest : ::testing::Test {
    TempDir dir;
    std::string path = makeArchive(dir);
    DbError e;
    std::unique_ptr<Database> db = Database::openExclusive(path, e);

    void insert(int id) {
        ASSERT_TRUE(db->execute("INSERT INTO MailInfTabl (ID) VALUES (" + std::to_string(id) + ")", e)) << e.message;
    }
    // The identifiers the file holds once this connection has closed it.
    Rows storedAfterClose() {
        db.reset();
        return rowsOf(path, "SELECT ID FROM MailInfTabl ORDER BY ID");
    }
};

}  // namespace

// A transaction dropped without commit takes its writes back and ends: a
// write after it is not swallowed by a transaction left open.
TEST_F(DatabaseTest, aDroppedTransactionEndsAndTakesItsWritesBack) {
    ASSERT_TRUE(db);
    {
        Transaction tx(*db);
        ASSERT_TRUE(tx.begun());
        insert(1);
        insert(2);
    }
    EXPECT_EQ(sqlite3_get_autocommit(db->handle()), 1);
    insert(3);
    {
        Transaction tx(*db);
        insert(4);
        ASSERT_TRUE(tx.commit(e)) << e.message;
        EXPECT_FALSE(tx.commit(e));  // once only
    }
    EXPECT_EQ(storedAfterClose(), (Rows{"3", "4"}));
}

// Transactions nest: an inner one committed is still taken back with the
// outer; one dropped inside takes back only its own.
TEST_F(DatabaseTest, nestedTransactionsGoWithTheOuterOne) {
    ASSERT_TRUE(db);
    {
        Transaction outer(*db);
        insert(1);
        Transaction inner(*db);
        insert(2);
        ASSERT_TRUE(inner.commit(e));
    }
    {
        Transaction outer(*db);
        insert(3);
        {
            Transaction inner(*db);
            ASSERT_TRUE(inner.begun());
            insert(4);
        }
        insert(5);
        ASSERT_TRUE(outer.commit(e)) << e.message;
    }
    EXPECT_EQ(sqlite3_get_autocommit(db->handle()), 1);
    EXPECT_EQ(storedAfterClose(), (Rows{"3", "5"}));
}

// Only the archive itself is opened, never through a link; it is written
// durably unless it is a scratch copy.
TEST_F(DatabaseTest, opensNoLinkAndSyncsAllButScratchCopies) {
    ASSERT_TRUE(db);
    EXPECT_EQ(rowsOf(db->handle(), "PRAGMA synchronous"), Rows{"2"});  // FULL
    EXPECT_EQ(rowsOf(db->handle(), "PRAGMA journal_mode"), Rows{"delete"});
    db.reset();

    std::filesystem::create_symlink(path, dir.file("link.qvb"));
    EXPECT_FALSE(Database::openExclusive(dir.file("link.qvb"), e));
    EXPECT_NE(e.code, 0);

    markScratchFile(path, true);
    db = Database::openExclusive(path, e);
    markScratchFile(path, false);
    ASSERT_TRUE(db) << e.message;
    EXPECT_EQ(rowsOf(db->handle(), "PRAGMA synchronous"), Rows{"0"});  // OFF
}
