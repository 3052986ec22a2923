// Drag-out names, stored mails written out, and the mail program's command line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/ProgramValues.h"
#include "archive/Schema.h"
#include "maillist/DragOut.h"
#include "maillist/MailerLaunch.h"
#include "maillist/StoredMail.h"
#include "tests/support/ArchiveSql.h"
#include "tests/support/TestEnv.h"

using namespace quorvel;

TEST(DragOut, namesAreUniqueWithinOneDrag) {
    EXPECT_EQ(dragOutNames({"Re", "Re", ""}), (std::vector<std::string>{"Re(1)", "Re", "(1)"}));
    EXPECT_EQ(dragOutNames({"件名"}), std::vector<std::string>{"件名"});
    EXPECT_EQ(dragOutNames({"a", "A", "a", "a"}), (std::vector<std::string>{"a(2)", "A", "a(1)", "a"}));
    EXPECT_EQ(dragOutNames({"", ""}), (std::vector<std::string>{"(2)", "(1)"}));
    EXPECT_EQ(f_slash2anderB("a/b\\c:d"), "a_b\\c:d");

    EXPECT_EQ(dragOutFileName("Re: 1/2"), "Re: 1_2.eml");
    EXPECT_EQ(dragOutFileName(std::string("a\0b", 3)), "ab.eml");
    EXPECT_EQ(dragOutFileName(".."), "_...eml");
    EXPECT_EQ(dragOutFileName("a\r\nb\tc\x1b[31m\x7f"), "a  b c [31m .eml");
    // Too long for a file name: shortened at a character boundary, the
    // "(n)" suffix and the extension kept.
    std::string longSubject;
    for (int i = 0; i < 120; ++i) {
        longSubject += "件";  // three bytes each
    }
    const std::string name = dragOutFileName(longSubject + "(3)");
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(name.substr(name.size() - 7), "(3).eml");
    EXPECT_EQ((name.size() - 7) % 3, 0u);  // whole characters only
    EXPECT_EQ(name.substr(0, 3), "件");
}

TEST(MailerLaunch, thePathTravelsAsOneArgument) {
    EXPECT_EQ(mailerArguments("/usr/bin/mailer --open ", "/w/tmp1/7.eml"),
              (std::vector<std::string>{"/usr/bin/mailer", "--open", "/w/tmp1/7.eml"}));
    EXPECT_EQ(mailerArguments("mailer ", "/a b/c.eml"), (std::vector<std::string>{"mailer", "/a b/c.eml"}));
    EXPECT_TRUE(mailerArguments("   ", "/x.eml").empty());
    // The path is appended as text: a prefix written without a space keeps it.
    EXPECT_EQ(mailerArguments("prog /eml:", "/w/7 x.eml"), (std::vector<std::string>{"prog", "/eml:/w/7 x.eml"}));
    EXPECT_EQ(mailerArguments("mailer", "/w/7.eml"), (std::vector<std::string>{"mailer", "/w/7.eml"}));

    // A program whose path holds a space is found by the file it names.
    test::TempDir dir;
    test::writeFile(dir.file("My Mail/mailer"), "#!/bin/sh\n");
    EXPECT_EQ(mailerArguments(dir.file("My Mail/mailer") + " /eml: ", "/w/7.eml"),
              (std::vector<std::string>{dir.file("My Mail/mailer"), "/eml:", "/w/7.eml"}));
}

namespace {

// An archive whose mail 1 holds `bytes`, mail 2 a null stored file, and no mail 3.
ProgramValues archiveWithStoredMails(const test::TempDir& dir, const std::string& bytes) {
    ProgramValues pv;
    pv.defs = archive::makeTableDefs();
    pv.arcPath = dir.path();
    pv.lockName = "a.qvb";
    std::filesystem::copy_file(test::builtTemplatePath(), dir.file("a.qvb"));
    test::runSql(workingFile(pv),
                 "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (1, " + test::blobLiteral(bytes) + "), (2, NULL)");
    return pv;
}

}  // namespace

TEST(StoredMail, writesTheBytesUnderAnyNameThatFitsAndNeverThroughALink) {
    test::IsolatedXdg env;
    test::TempDir dir;
    const std::string mail = "From: a@example.jp\r\nSubject: x\r\n\r\nbody\r\n";
    const ProgramValues pv = archiveWithStoredMails(dir, mail);
    std::filesystem::create_directory(dir.file("out"));
    std::string error;

    // A name as long as the file system takes: nothing added to it on the way.
    const std::string longName = dir.file("out/" + std::string(251, 'x') + ".eml");
    ASSERT_EQ(writeStoredMailFile(pv, 1, longName, error), StoredMailWrite::Written) << error;
    EXPECT_EQ(test::readFile(longName), mail);

    // A link planted under the name is replaced, and what it pointed to kept.
    test::writeFile(dir.file("victim"), "not yours");
    const std::string planted = dir.file("out/planted.eml");
    std::filesystem::create_symlink(dir.file("victim"), planted);
    ASSERT_EQ(writeStoredMailFile(pv, 1, planted, error), StoredMailWrite::Written) << error;
    EXPECT_EQ(test::readFile(dir.file("victim")), "not yours");
    EXPECT_FALSE(std::filesystem::is_symlink(planted));
    EXPECT_EQ(test::readFile(planted), mail);

    // A mail without its stored file, and one not stored at all, say so and
    // write nothing.
    EXPECT_EQ(writeStoredMailFile(pv, 2, dir.file("out/2.eml"), error), StoredMailWrite::NoStoredFile);
    EXPECT_EQ(writeStoredMailFile(pv, 3, dir.file("out/3.eml"), error), StoredMailWrite::NoSuchMail);
    EXPECT_EQ(writeStoredMailFile(pv, 1, dir.file("missing/1.eml"), error), StoredMailWrite::Failed);
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_EQ(test::folderEntries(dir.file("out")).size(), 2u);  // no temporary file left behind
}
