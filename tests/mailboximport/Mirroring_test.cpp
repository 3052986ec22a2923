// Trees of mailboxes imported below a folder: every folder mirrored, every
// mail stored byte for byte as its source holds it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/mailboximport/ImportFixture.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailboximport::test {
namespace {

namespace fs = std::filesystem;
using quorvel::test::writeFile;
using Mirroring = ImportTest;

TEST_F(Mirroring, aMailProgramTreeThreeLevelsDeepKeepsItsShape) {
    const std::string a = mail("inbox one"), b = mail("inbox two", "text\n\nFrom here on, quoted\n>From kept\n");
    const std::string c = mail("work"), d = mail("projects one", "x\n", true), e = mail("projects two", "y\n", true);
    const std::string f = mail("sent");
    writeFile(src("Mail/Inbox"), mboxOf({a, b}));
    writeFile(src("Mail/Inbox.msf"), "summary");
    writeFile(src("Mail/Inbox.sbd/Work"), mboxOf({c}));
    writeFile(src("Mail/Inbox.sbd/Work.msf"), "summary");
    writeFile(src("Mail/Inbox.sbd/Work.sbd/Projects"), mboxOf({d, e}));
    writeFile(src("Mail/Sent"), mboxOf({f}));

    const ImportResult r = import({src("Mail")});
    EXPECT_FALSE(r.failed) << r.failure;
    EXPECT_EQ(r.stored, 6);
    EXPECT_EQ(r.foldersMade, 5);
    EXPECT_EQ(r.duplicates, 0);
    EXPECT_TRUE(r.notMail.empty());
    EXPECT_EQ(contents(), (Contents{{"", {}},
                                    {"Mail", {}},
                                    {"Mail/Inbox", {a, b}},
                                    {"Mail/Inbox/Work", {c}},
                                    {"Mail/Inbox/Work/Projects", {d, e}},
                                    {"Mail/Sent", {f}}}));
    // Identifiers in the order the mails were read; folders after the root.
    EXPECT_EQ(sql("SELECT group_concat(ID) FROM (SELECT ID FROM MailInfTabl ORDER BY ID)"),
              std::vector<std::string>{"1,2,3,4,5,6"});
    EXPECT_EQ(sql("SELECT count(*) FROM mailDirTabl WHERE ID BETWEEN 2 AND 6 AND kind IS NULL"),
              std::vector<std::string>{"5"});
    EXPECT_TRUE(failures().empty());
}

TEST_F(Mirroring, aMaildirReadsNewThenCurAndItsSubfolders) {
    const std::string n1 = mail("new one"), n2 = mail("new two"), c1 = mail("seen", "z\n", true);
    const std::string p1 = mail("project");
    makeMaildir(src("box"), {n1, n2}, {c1});
    makeMaildir(src("box/.Work.Projects"), {}, {p1});
    writeFile(src("box/dovecot-uidlist"), "3 V1 N4\n");

    const ImportResult r = import({src("box")});
    EXPECT_EQ(r.stored, 4);
    EXPECT_EQ(r.foldersMade, 3);
    EXPECT_TRUE(r.notMail.empty());
    EXPECT_EQ(contents(), (Contents{{"", {}}, {"box", {n1, n2, c1}}, {"box/Work", {}}, {"box/Work/Projects", {p1}}}));
}

TEST_F(Mirroring, aMixedFolderTakesMailFilesMailboxesAndReportsWhatIsNoMail) {
    const std::string a = mail("loose"), b = mail("below"), m1 = mail("old one"), m2 = mail("old two");
    const std::string d1 = mail("maildir");
    writeFile(src("mixed/a.eml"), a);
    writeFile(src("mixed/sub/b.eml"), b);
    writeFile(src("mixed/notes.txt"), "only some notes\n");
    writeFile(src("mixed/old.mbox"), mboxOf({m1, "no header at all\n", m2}));
    makeMaildir(src("mixed/md"), {d1}, {});
    ASSERT_EQ(::symlink(src("mixed/a.eml").c_str(), src("mixed/link.eml").c_str()), 0);

    const ImportResult r = import({src("mixed")});
    EXPECT_EQ(r.stored, 5);
    EXPECT_EQ(r.notMail, (std::vector<std::string>{src("mixed/notes.txt"), src("mixed/old.mbox#2")}));
    EXPECT_EQ(
        contents(),
        (Contents{{"", {}}, {"mixed", {a}}, {"mixed/md", {d1}}, {"mixed/old.mbox", {m1, m2}}, {"mixed/sub", {b}}}));
    ASSERT_EQ(r.skipped.size(), 1u);  // the link is never followed
    EXPECT_EQ(r.skipped[0].path, src("mixed/link.eml"));
}

TEST_F(Mirroring, filesNamedOnTheirOwnGoIntoTheTargetAsTheParserJudgesThem) {
    const std::string a = mail("named eml"), x = mail("named txt");
    writeFile(src("a.eml"), a);
    writeFile(src("x.txt"), x);
    writeFile(src("junk.txt"), "no mail\n");
    writeFile(src("box.mbox"), mboxOf({mail("in box")}));
    ASSERT_EQ(::symlink(src("a.eml").c_str(), src("via-link").c_str()), 0);
    sql("INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (7, 'target', 1)");

    const ImportResult r =
        import({src("a.eml"), src("x.txt"), src("junk.txt"), src("via-link"), src("box.mbox"), src("none")}, {}, 7);
    EXPECT_EQ(r.stored, 4);
    // Named as they were given: what the plan could not look at first, then
    // what the parser refused.
    EXPECT_EQ(r.notMail, (std::vector<std::string>{src("none"), src("junk.txt")}));
    EXPECT_EQ(contents(), (Contents{{"", {}}, {"target", {a, x, a}}, {"target/box.mbox", {mail("in box")}}}));
}

TEST_F(Mirroring, importingAgainFillsTheSameFoldersAndNumbersOnFromTheHighest) {
    writeFile(src("Inbox"), mboxOf({mail("one")}));
    writeFile(src("Inbox.sbd/Sub"), mboxOf({mail("two")}));
    // Folder 9 and mail 20 exist already; new ones come after them.
    sql("INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (9, 'old', 1);"
        "INSERT INTO MailInfTabl (dirID, ID, Subject) VALUES (9, 20, 'old');"
        "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (20, X'41')");

    ImportResult r = import({src("Inbox")});
    EXPECT_EQ(r.foldersMade, 2);
    EXPECT_EQ(sql("SELECT ID || ':' || dname || ':' || parentID FROM mailDirTabl WHERE ID > 9 ORDER BY ID"),
              (std::vector<std::string>{"10:Inbox:1", "11:Sub:10"}));
    EXPECT_EQ(sql("SELECT group_concat(ID) FROM MailInfTabl WHERE ID > 20"), std::vector<std::string>{"21,22"});

    r = import({src("Inbox")});  // without duplicate skipping: stored again, no new folder
    EXPECT_EQ(r.foldersMade, 0);
    EXPECT_EQ(r.stored, 2);
    EXPECT_EQ(contents().at("Inbox/Sub"), (std::vector<std::string>{mail("two"), mail("two")}));
}

TEST_F(Mirroring, aTargetThatIsNoFolderStoresNothing) {
    writeFile(src("a.eml"), mail("a"));
    const ImportResult r = import({src("a.eml")}, {}, 42);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.failure, "no folder 42");
    EXPECT_EQ(sql("SELECT count(*) FROM MailInfTabl"), std::vector<std::string>{"0"});
}

TEST(HoldsMailboxes, onlyFoldersAndMboxFilesLeaveTheWayOfMailFiles) {
    quorvel::test::TempDir dir;
    writeFile(dir.file("a.eml"), mail("a"));
    writeFile(dir.file("from.EML"), mboxOf({mail("a mail that starts as an mbox")}));
    writeFile(dir.file("x.txt"), "text\n");
    writeFile(dir.file("box"), mboxOf({mail("b")}));
    fs::create_directories(dir.file("folder"));
    EXPECT_FALSE(holdsMailboxes({dir.file("a.eml"), dir.file("from.EML"), dir.file("x.txt"), dir.file("none")}));
    EXPECT_TRUE(holdsMailboxes({dir.file("a.eml"), dir.file("box")}));
    EXPECT_TRUE(holdsMailboxes({dir.file("folder")}));
}

}  // namespace
}  // namespace quorvel::mailboximport::test
