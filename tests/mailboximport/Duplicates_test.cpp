// Duplicate skipping: a mail whose exact bytes the folder it would go into
// holds already is left out, found through the digest table, which never
// disturbs the archive's own tables, its checks or its repairs.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/ArchiveCheck.h"
#include "archive/db/Database.h"
#include "health/ArchiveHealth.h"
#include "mailboximport/DigestTable.h"
#include "maillist/MailDeletion.h"
#include "tests/mailboximport/ImportFixture.h"
#include "tests/support/ArchiveSql.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailboximport::test {
namespace {

using quorvel::test::writeFile;

class Duplicates : public ImportTest {
protected:
    ImportOptions skipping() const {
        ImportOptions o;
        o.skipDuplicates = true;
        return o;
    }
    std::vector<std::string> one(const std::string& statement) const { return sql(statement); }
    // Deletes mails as the window does, through the one deletion path.
    void deleteMails(const std::vector<int32_t>& ids) {
        ASSERT_TRUE(deleteMailsFromArchive(workingFile(at_), at_.defs, ids));
    }
};

TEST_F(Duplicates, theSameMailboxImportedTwiceAddsNothing) {
    const std::string a = mail("a"), b = mail("b"), c = mail("c");
    writeFile(src("Mail/Inbox"), mboxOf({a, b}));
    writeFile(src("Mail/Inbox.sbd/Sub"), mboxOf({c}));
    ImportResult r = import({src("Mail")}, skipping());
    EXPECT_EQ(r.stored, 3);
    const Contents first = contents();

    r = import({src("Mail")}, skipping());
    EXPECT_FALSE(r.failed) << r.failure;
    EXPECT_EQ(r.stored, 0);
    EXPECT_EQ(r.duplicates, 3);
    EXPECT_EQ(r.foldersMade, 0);
    EXPECT_EQ(contents(), first);
    // Only a new mail comes in.
    const std::string d = mail("d");
    writeFile(src("Mail/Inbox"), mboxOf({a, d, b}));
    r = import({src("Mail")}, skipping());
    EXPECT_EQ(r.stored, 1);
    EXPECT_EQ(r.duplicates, 3);
    EXPECT_EQ(contents().at("Mail/Inbox"), (std::vector<std::string>{a, b, d}));
}

TEST_F(Duplicates, aMailHeldByAnotherFolderOrDifferingInOneByteIsStored) {
    const std::string a = mail("a");
    writeFile(src("one/a.eml"), a);
    writeFile(src("two/a.eml"), a);
    writeFile(src("two/a2.eml"), a + " ");
    writeFile(src("two/again.eml"), a);  // the same bytes twice in one folder
    const ImportResult r = import({src("one"), src("two")}, skipping());
    EXPECT_EQ(r.stored, 3);
    EXPECT_EQ(r.duplicates, 1);
    EXPECT_EQ(contents(), (Contents{{"", {}}, {"one", {a}}, {"two", {a, a + " "}}}));
}

TEST_F(Duplicates, mailsStoredWithoutDigestsGetThemWhenTheirFolderIsImportedInto) {
    const std::string a = mail("a"), b = mail("b");
    writeFile(src("box/a.eml"), a);
    writeFile(src("other/b.eml"), b);
    ASSERT_EQ(import({src("box"), src("other")}).stored, 2);  // no digests: the table is not even made
    EXPECT_TRUE(one("SELECT name FROM sqlite_master WHERE name = 'qvMailDigest'").empty());

    const ImportResult r = import({src("box")}, skipping());
    EXPECT_EQ(r.stored, 0);
    EXPECT_EQ(r.duplicates, 1);
    // Digests were made for the folder imported into only.
    EXPECT_EQ(one("SELECT group_concat(ID) FROM qvMailDigest"), std::vector<std::string>{"1"});
}

TEST_F(Duplicates, aDeletedMailIsStoredAgainAndAReusedIdentifierNeverHidesOne) {
    const std::string a = mail("a"), b = mail("b"), c = mail("c, longer than b");
    writeFile(src("box/1.eml"), a);
    writeFile(src("box/2.eml"), b);
    ASSERT_EQ(import({src("box")}, skipping()).stored, 2);
    deleteMails({1});
    EXPECT_EQ(import({src("box")}, skipping()).stored, 1);  // a again, as mail 3

    // Mail 3 deleted behind the program's back (its digest row stays), and
    // its identifier given to another mail of the folder, without a digest.
    sql("DELETE FROM MailInfTabl WHERE ID = 3; DELETE FROM MailOBJTabl WHERE ID = 3;"
        "INSERT INTO MailInfTabl (dirID, ID, Subject) VALUES (2, 3, 'c');"
        "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (3, CAST('" +
        c + "' AS BLOB))");
    writeFile(src("again/3.eml"), c);
    writeFile(src("again/1.eml"), a);
    ImportResult r = import({src("again/3.eml"), src("again/1.eml")}, skipping(), 2);
    EXPECT_EQ(r.duplicates, 1);  // c is there as mail 3
    EXPECT_EQ(r.stored, 1);      // a is not, whatever row 3 said before
    EXPECT_EQ(contents().at("box"), (std::vector<std::string>{b, c, a}));
}

TEST_F(Duplicates, aRowOfTheSameLengthLeftByAnotherMailIsMadeRightWhenItMisleads) {
    const std::string a = mail("a"), b = mail("b");  // of the same length
    ASSERT_EQ(a.size(), b.size());
    writeFile(src("box/a.eml"), a);
    ASSERT_EQ(import({src("box")}, skipping()).stored, 1);
    sql("UPDATE MailOBJTabl SET mailFlObj = CAST('" + b + "' AS BLOB) WHERE ID = 1");  // behind the program's back
    writeFile(src("more/a.eml"), a);
    writeFile(src("more/b.eml"), b);
    const ImportResult r = import({src("more/a.eml"), src("more/b.eml")}, skipping(), 2);
    EXPECT_EQ(r.stored, 1);
    EXPECT_EQ(r.duplicates, 1);
    // a is stored: the row said the folder held it, the bytes did not; b is
    // found once the row was made right.
    EXPECT_EQ(contents().at("box"), (std::vector<std::string>{b, a}));
}

TEST_F(Duplicates, theTableLeavesChecksRepairsAndCompactionUntroubled) {
    writeFile(src("Inbox"), mboxOf({mail("a"), mail("b")}));
    ASSERT_EQ(import({src("Inbox")}, skipping()).stored, 2);
    EXPECT_EQ(archive::checkArchiveShape(workingFile(at_), at_.defs), archive::ArchiveShape::Archive);
    const health::CheckResult check = health::checkArchive(workingFile(at_), at_.defs);
    EXPECT_TRUE(check.readable);
    EXPECT_TRUE(check.problems.empty()) << health::describe(check.problems.front());

    const health::RepairResult repair = health::repairArchive(workingFile(at_), at_.defs);
    ASSERT_TRUE(repair.done) << repair.error;
    EXPECT_TRUE(repair.mended.empty());
    ASSERT_TRUE(health::compactArchive(workingFile(at_)).done);
    EXPECT_EQ(import({src("Inbox")}, skipping()).stored, 0);

    // Without the table (a tool that dropped it), the digests are made again.
    sql("DROP TABLE qvMailDigest");
    const ImportResult r = import({src("Inbox")}, skipping());
    EXPECT_EQ(r.stored, 0);
    EXPECT_EQ(r.duplicates, 2);
}

TEST(DigestTableRows, recordReplacesTheRowOfItsIdentifier) {
    quorvel::test::TempDir dir;
    std::filesystem::copy_file(quorvel::test::builtTemplatePath(), dir.file("a.qvb"));
    archive::DbError error;
    auto db = archive::Database::openExclusive(dir.file("a.qvb"), error);
    ASSERT_TRUE(db) << error.message;
    {
        DigestTable table(*db, archive::makeTableDefs());
        ASSERT_TRUE(table.ensure(error)) << error.message;
        ASSERT_TRUE(table.ensure(error)) << "a second ensure: " << error.message;
        EXPECT_TRUE(table.record(5, digestOf("one"), 3, error));
        EXPECT_TRUE(table.record(5, digestOf("two"), 3, error));
    }
    db.reset();
    EXPECT_EQ(quorvel::test::sqlRows(dir.file("a.qvb"), "SELECT count(*), length FROM qvMailDigest"),
              std::vector<std::string>{"1|3"});
}

}  // namespace
}  // namespace quorvel::mailboximport::test
