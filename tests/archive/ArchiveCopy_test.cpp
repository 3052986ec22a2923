// The working copy of an archive is made under a read lock: never half way
// through another connection's write, never with a write cut short in it.
#include "archive/ArchiveCopy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/archive/ArchiveTestUtil.h"

namespace fs = std::filesystem;
using namespace quorvel::archive;
using quorvel::test::makeArchive;
using quorvel::test::rowsOf;
using quorvel::test::TempDir;
using Rows = std::vector<std::string>;

namespace {

// Another program's connection to the archive.
struct Connection {
    sqlite3* db = nullptr;
    explicit Connection(const std::string& path) { sqlite3_open(path.c_str(), &db); }
    ~Connection() { sqlite3_close(db); }
    int run(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
};

// The outcome of one copy; the claim on the copy is the lock file's test.
ArchiveCopy copy(const std::string& archive, const std::string& target, int waitMs = 0) {
    std::string error;
    const ArchiveCopy outcome = copyArchiveForWork(archive, target, error, nullptr, waitMs);
    EXPECT_TRUE(outcome != ArchiveCopy::Failed) << error;
    return outcome;
}

std::string check(const std::string& path) {
    const Rows rows = rowsOf(path, "PRAGMA integrity_check");
    return rows.empty() ? "nothing" : rows[0];
}

}  // namespace

// A writer is waited for up to the wait, and reported busy after it; the
// copy made once it is done holds what it wrote.
TEST(ArchiveCopy, aWriterIsWaitedForThenReportedBusy) {
    TempDir dir;
    const std::string a = makeArchive(dir);
    Connection writer(a);
    ASSERT_EQ(writer.run("BEGIN EXCLUSIVE; INSERT INTO MailInfTabl (ID) VALUES (1)"), SQLITE_OK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(copy(a, dir.file("a.hvl"), 200), ArchiveCopy::Busy);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(dir.file("a.hvl")));

    std::thread finish([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        writer.run("COMMIT");
    });
    const ArchiveCopy made = copy(a, dir.file("a.hvl"), 10000);
    finish.join();
    ASSERT_EQ(made, ArchiveCopy::Copied);
    EXPECT_EQ(rowsOf(dir.file("a.hvl"), "SELECT ID FROM MailInfTabl"), Rows{"1"});
    EXPECT_EQ(copy(a, dir.file("a.hvl")), ArchiveCopy::Exists);  // never over a copy
}

// Another process rewrites part of a large archive, batch after batch, while
// copies are made: each copy is a whole database holding one whole batch.
TEST(ArchiveCopy, copiesMadeWhileAnotherProcessWritesHoldWholeCommits) {
    TempDir dir;
    const std::string a = makeArchive(dir);
    {
        Connection c(a);  // large enough that a copy takes a while
        ASSERT_EQ(c.run("INSERT INTO MailBdyTabl (ID, mailBody) VALUES (1, hex(randomblob(4000000)))"), SQLITE_OK);
    }
    int ready[2], stop[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe2(stop, O_NONBLOCK), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        Connection c(a);
        sqlite3_busy_timeout(c.db, 10000);
        (void)!::write(ready[1], "r", 1);
        char s = 0;
        for (int batch = 1; ::read(stop[0], &s, 1) != 1; ++batch) {
            const std::string tag = std::to_string(batch);
            std::string sql = "BEGIN IMMEDIATE; DELETE FROM MailInfTabl; DELETE FROM MailOBJTabl;";
            for (int i = 1; i <= 8; ++i) {
                const std::string id = std::to_string(i);
                sql += "INSERT INTO MailInfTabl (ID, dirID) VALUES (" + id + ", " + tag + ");" +
                       "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (" + id + ", '" + tag +
                       ":' || hex(randomblob(3000)));";
            }
            if (c.run((sql + "COMMIT;").c_str()) != SQLITE_OK) {
                ::_exit(1);
            }
            ::usleep(3000);  // as between two mails: a reader gets its turn
        }
        ::_exit(0);
    }
    char r = 0;
    ASSERT_EQ(::read(ready[0], &r, 1), 1);
    for (int n = 0; n < 30; ++n) {
        const std::string target = dir.file("copy" + std::to_string(n) + ".hvl");
        ASSERT_EQ(copy(a, target, 10000), ArchiveCopy::Copied);
        EXPECT_EQ(check(target), "ok") << n;
        // Rows, batches, stored files, and stored files of the rows' batch.
        const Rows batch = rowsOf(target,
                                  "SELECT count(*), count(DISTINCT dirID), (SELECT count(*) FROM MailOBJTabl), "
                                  "(SELECT count(*) FROM MailOBJTabl WHERE mailFlObj LIKE max(m.dirID) || ':%') "
                                  "FROM MailInfTabl m");
        EXPECT_TRUE(batch == Rows{"0|0|0|0"} || batch == Rows{"8|1|8|8"})
            << n << ": " << ::testing::PrintToString(batch);
        fs::remove(target);
    }
    (void)!::write(stop[1], "s", 1);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A process that died in the middle of a write left its journal: the copy is
// of the archive as the write found it, and the archive is mended too.
TEST(ArchiveCopy, aWriteCutShortIsRolledBackBeforeTheCopy) {
    TempDir dir;
    const std::string a = makeArchive(dir);
    {
        Connection c(a);
        ASSERT_EQ(c.run("INSERT INTO MailInfTabl (ID, Subject) VALUES (1, 'kept')"), SQLITE_OK);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Connection c(a);
        c.run(
            "PRAGMA cache_size=2; BEGIN; UPDATE MailInfTabl SET Subject = 'torn';"
            "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (99, zeroblob(400000));");
        ::_exit(0);  // gone without commit or rollback
    }
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    ASSERT_TRUE(fs::exists(a + "-journal"));

    ASSERT_EQ(copy(a, dir.file("a.hvl")), ArchiveCopy::Copied);
    EXPECT_FALSE(fs::exists(a + "-journal"));
    for (const std::string& file : {a, dir.file("a.hvl")}) {
        EXPECT_EQ(check(file), "ok") << file;
        EXPECT_EQ(rowsOf(file, "SELECT Subject FROM MailInfTabl"), Rows{"kept"}) << file;
        EXPECT_EQ(rowsOf(file, "SELECT count(*) FROM MailOBJTabl"), Rows{"0"}) << file;
    }
}
