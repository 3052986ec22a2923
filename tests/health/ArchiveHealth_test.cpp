// The health tasks over real archive files, healthy and damaged.
#include "health/ArchiveHealth.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/ArchiveSql.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace quorvel;
using namespace quorvel::health;
using quorvel::test::sqlRows;

namespace {

std::string mail(int i) {
    return "From: a@example.jp\r\nSubject: mail " + std::to_string(i) +
           "\r\nDate: Mon, 7 Dec 2026 10:00:00 +0900\r\n\r\n"
           "body " +
           std::to_string(i) + "\r\n";
}

// Every stored mail, "ID|bytes".
std::vector<std::string> storedMails(const std::string& path) {
    return sqlRows(path, "SELECT ID, mailFlObj FROM MailOBJTabl WHERE mailFlObj IS NOT NULL ORDER BY ID");
}

struct Archive {
    test::TempDir dir;
    std::string path = dir.file("a.qvb");
    archive::TableDefs defs = archive::makeTableDefs();

    // Folders 2 (under the root) and 3 (under 2); mails 1..n in folder 2.
    explicit Archive(int n) {
        fs::copy_file(test::builtTemplatePath(), path);
        sqlRows(path, "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (2, 'a', 1), (3, 'b', 2)");
        for (int i = 1; i <= n; ++i) {
            addMail(i, 2, mail(i));
        }
    }
    void addMail(int id, int folder, const std::string& bytes, bool header = true) {
        const std::string n = std::to_string(id);
        sqlRows(path, (header ? "INSERT INTO MailInfTabl (dirID, ID, Subject) VALUES (" + std::to_string(folder) +
                                    ", " + n + ", 'mail');"
                              : "") +
                          "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (" + n + ", " + test::blobLiteral(bytes) +
                          ")");
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
    sqlRows(a.path, "DELETE FROM MailOBJTabl WHERE ID = 3");  // a header without its mail
    a.addMail(4, 2, mail(4), /*header=*/false);               // a mail without its header
    a.addMail(5, 9, mail(5));                                 // in a folder that does not exist
    a.addMail(6, 2, "no header at all");                      // no longer a mail
    sqlRows(a.path, "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (7, 'lost', 42), (8, 'x', 10), (10, 'y', 8)");
    sqlRows(a.path, "DELETE FROM mailDirTabl WHERE ID = 1");
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
    const std::string recovered = std::to_string(repaired.recoveryFolder);
    EXPECT_EQ(sqlRows(a.path, "SELECT dname || ':' || parentID FROM mailDirTabl WHERE ID = " + recovered),
              std::vector<std::string>{"復旧したメール:1"});
    // The rebuilt header holds what the parser read; both homeless mails are
    // in the folder made for them.
    EXPECT_EQ(
        sqlRows(a.path, "SELECT ID || ':' || Subject FROM MailInfTabl WHERE dirID = " + recovered + " ORDER BY ID"),
        (std::vector<std::string>{"4:mail 4", "5:mail"}));
    EXPECT_EQ(sqlRows(a.path, "SELECT ID FROM MailInfTabl WHERE ID = 3"), std::vector<std::string>{});
    EXPECT_EQ(sqlRows(a.path, "SELECT dname FROM mailDirTabl WHERE ID = 1"), std::vector<std::string>{"ルート"});
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
    sqlRows(a.path, "DELETE FROM MailOBJTabl WHERE ID > 2; DELETE FROM MailInfTabl WHERE ID > 2");
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
