// The health tasks over real archive files, healthy and damaged.
#include "health/ArchiveHealth.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>

#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace quorvel;
using namespace quorvel::health;

namespace {

void sql(const std::string& path, const std::string& statement) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

std::string mail(int i) {
    return "From: a@example.jp\r\nSubject: mail " + std::to_string(i) +
           "\r\nDate: Mon, 7 Dec 2026 10:00:00 +0900\r\n\r\n"
           "body " +
           std::to_string(i) + "\r\n";
}

// Every stored mail's bytes, by identifier.
std::map<int64_t, std::string> storedMails(const std::string& path) {
    std::map<int64_t, std::string> mails;
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT ID, mailFlObj FROM MailOBJTabl WHERE mailFlObj IS NOT NULL", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        mails[sqlite3_column_int64(st, 0)] = std::string(static_cast<const char*>(sqlite3_column_blob(st, 1)),
                                                         static_cast<size_t>(sqlite3_column_bytes(st, 1)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return mails;
}

struct Archive {
    test::TempDir dir;
    std::string path = dir.file("a.qvb");
    archive::TableDefs defs = archive::makeTableDefs();

    // Folders 2 (under the root) and 3 (under 2); mails 1..n in folder 2.
    explicit Archive(int n) {
        fs::copy_file(test::builtTemplatePath(), path);
        sql(path, "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (2, 'a', 1), (3, 'b', 2)");
        for (int i = 1; i <= n; ++i) {
            addMail(i, 2, mail(i));
        }
    }
    void addMail(int id, int folder, const std::string& bytes, bool header = true) {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        if (header) {
            const std::string row = "INSERT INTO MailInfTabl (dirID, ID, Subject) VALUES (" + std::to_string(folder) +
                                    ", " + std::to_string(id) + ", 'mail')";
            sqlite3_exec(db, row.c_str(), nullptr, nullptr, nullptr);
        }
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (?1, ?2)", -1, &st, nullptr);
        sqlite3_bind_int(st, 1, id);
        sqlite3_bind_blob(st, 2, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    bool leftTemporaryFiles() const {
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            if (entry.path().filename().string().rfind(".quorvel-copy-", 0) == 0) {
                return true;
            }
        }
        return false;
    }
};

std::vector<std::string> lines(const std::vector<Problem>& problems) {
    std::vector<std::string> out;
    for (const Problem& p : problems) {
        out.push_back(describe(p));
    }
    return out;
}

}  // namespace

TEST(ArchiveHealth, aHealthyArchiveHasNoProblemsAndEveryMailIsRead) {
    test::IsolatedXdg env;
    Archive a(3);
    int64_t seen = 0;
    const CheckResult result = checkArchive(a.path, a.defs, [&](int64_t done, int64_t total) {
        EXPECT_EQ(total, 3);
        seen = done;
        return true;
    });
    EXPECT_TRUE(result.readable);
    EXPECT_EQ(lines(result.problems), std::vector<std::string>{});
    EXPECT_EQ(seen, 3);
}

TEST(ArchiveHealth, findsAndMendsWhatLosesOrHidesMailsWithoutLosingAByte) {
    test::IsolatedXdg env;
    Archive a(2);
    a.addMail(3, 2, mail(3));
    sql(a.path, "DELETE FROM MailOBJTabl WHERE ID = 3");  // a header without its mail
    a.addMail(4, 2, mail(4), /*header=*/false);           // a mail without its header
    a.addMail(5, 9, mail(5));                             // in a folder that does not exist
    a.addMail(6, 2, "no header at all");                  // no longer a mail
    sql(a.path, "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (7, 'lost', 42), (8, 'x', 10), (10, 'y', 8)");
    sql(a.path, "DELETE FROM mailDirTabl WHERE ID = 1");
    const auto before = storedMails(a.path);

    const CheckResult found = checkArchive(a.path, a.defs);
    EXPECT_EQ(lines(found.problems), (std::vector<std::string>{
                                         "mail 3 has a header row but no stored mail",
                                         "mail 4 is stored but has no header row",
                                         "mail 5 is in folder 9, which does not exist",
                                         "the root folder's row is missing",
                                         "folder 7 has parent 42, which does not exist or lies below it",
                                         "folder 8 has parent 10, which does not exist or lies below it",
                                         "folder 10 has parent 8, which does not exist or lies below it",
                                         "mail 6 no longer reads as a mail",
                                     }));

    const RepairResult repaired = repairArchive(a.path, a.defs);
    ASSERT_TRUE(repaired.done) << repaired.error;
    EXPECT_FALSE(a.leftTemporaryFiles());
    const CheckResult after = checkArchive(a.path, a.defs);
    // What is not a mail stays as it is: its bytes are the user's.
    EXPECT_EQ(lines(after.problems), std::vector<std::string>{"mail 6 no longer reads as a mail"});
    EXPECT_EQ(storedMails(a.path), before);
    ASSERT_NE(repaired.recoveryFolder, 0);
    const auto rows = [&](const std::string& query) {
        std::vector<std::string> out;
        sqlite3* db = nullptr;
        sqlite3_open(a.path.c_str(), &db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, query.c_str(), -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            out.push_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    };
    const std::string recovered = std::to_string(repaired.recoveryFolder);
    EXPECT_EQ(rows("SELECT dname || ':' || parentID FROM mailDirTabl WHERE ID = " + recovered),
              std::vector<std::string>{"復旧したメール:1"});
    // The rebuilt header holds what the parser read; both homeless mails are
    // in the folder made for them.
    EXPECT_EQ(rows("SELECT ID || ':' || Subject FROM MailInfTabl WHERE dirID = " + recovered + " ORDER BY ID"),
              (std::vector<std::string>{"4:mail 4", "5:mail"}));
    EXPECT_EQ(rows("SELECT ID FROM MailInfTabl WHERE ID = 3"), std::vector<std::string>{});
    EXPECT_EQ(rows("SELECT dname FROM mailDirTabl WHERE ID = 1"), std::vector<std::string>{"ルート"});
}

TEST(ArchiveHealth, aCancelledOrFailedRepairLeavesTheArchiveAsItWas) {
    test::IsolatedXdg env;
    Archive a(3);
    a.addMail(4, 2, mail(4), /*header=*/false);
    const std::string before = test::readFile(a.path);
    const RepairResult cancelled = repairArchive(a.path, a.defs, [](int64_t done, int64_t) { return done < 2; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.done);
    EXPECT_EQ(test::readFile(a.path), before);
    EXPECT_FALSE(a.leftTemporaryFiles());

    const CheckResult checkCancelled = checkArchive(a.path, a.defs, [](int64_t, int64_t) { return false; });
    EXPECT_TRUE(checkCancelled.cancelled);

    test::writeFile(a.dir.file("notes.qvb"), "not a database at all, just text that is long enough");
    const CheckResult unreadable = checkArchive(a.dir.file("notes.qvb"), a.defs);
    EXPECT_FALSE(unreadable.readable && unreadable.problems.empty());
    const RepairResult refused = repairArchive(a.dir.file("notes.qvb"), a.defs);
    EXPECT_FALSE(refused.done);
    EXPECT_FALSE(refused.error.empty());
    EXPECT_EQ(test::readFile(a.dir.file("notes.qvb")), "not a database at all, just text that is long enough");
    EXPECT_FALSE(a.leftTemporaryFiles());
}

TEST(ArchiveHealth, compactionGivesBackTheSpaceOfDeletedMails) {
    test::IsolatedXdg env;
    Archive a(0);
    const std::string big(256 * 1024, 'x');
    for (int i = 1; i <= 20; ++i) {
        a.addMail(i, 2, mail(i) + big);
    }
    sql(a.path, "DELETE FROM MailOBJTabl WHERE ID > 2; DELETE FROM MailInfTabl WHERE ID > 2");
    const auto kept = storedMails(a.path);
    fs::permissions(a.path, fs::perms::owner_read | fs::perms::owner_write);
    const CompactResult result = compactArchive(a.path);
    ASSERT_TRUE(result.done) << result.error;
    EXPECT_LT(result.bytesAfter, result.bytesBefore / 4);
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(a.path)), result.bytesAfter);
    EXPECT_EQ(storedMails(a.path), kept);
    EXPECT_EQ(fs::status(a.path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(checkArchive(a.path, a.defs).problems.empty());
    EXPECT_FALSE(a.leftTemporaryFiles());
}
