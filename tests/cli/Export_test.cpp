// export says which mails it could not write, writes the others, and only
// ever writes plain files inside the folder it is given.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/ArchiveFixture.h"

namespace {

namespace fs = std::filesystem;
using quorvel::test::CliRun;
using quorvel::test::folderEntries;
using quorvel::test::mailText;
using quorvel::test::readFile;
using quorvel::test::sqlOn;
using quorvel::test::writeFile;

class ExportTest : public quorvel::test::CliArchiveTest {
protected:
    std::string to() {
        fs::create_directories(dir_.file("to"));
        return dir_.file("to");
    }
};

TEST_F(ExportTest, mailsThatCannotBeWrittenAreNamedAndTheOthersWritten) {
    const std::string a = archiveWith("a.qvb", {"first", "second", "third", "fourth"});
    sqlOn(a, "UPDATE MailOBJTabl SET mailFlObj = NULL WHERE ID = 2; DELETE FROM MailOBJTabl WHERE ID = 3");
    const std::string out = to();

    CliRun r = run({"export", a, "--to", out, "1", "2", "7", "3", "4"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines, (std::vector<std::string>{out + "/first.eml", out + "/fourth.eml"}));
    EXPECT_EQ(r.err, "quorvel-cli: " + a + ": no mail 7\n" +                      //
                         "quorvel-cli: " + a + ": mail 2 has no stored file\n" +  //
                         "quorvel-cli: " + a + ": mail 3 has no stored file\n");
    EXPECT_EQ(folderEntries(out), (std::vector<std::string>{"first.eml", "fourth.eml"}));  // no empty files
    EXPECT_EQ(readFile(out + "/fourth.eml"), mailText("fourth"));

    EXPECT_EQ(run({"export", a, "--to", out, "1", "4"}).status, 0);
}

TEST_F(ExportTest, namesStayInsideTheFolderAndLinksThereAreReplaced) {
    const std::string a = archiveWith("a.qvb", {"first", "second", "third"});
    std::string aLong;
    for (int i = 0; i < 100; ++i) {
        aLong += "あ";  // 300 bytes
    }
    sqlOn(a, "UPDATE MailInfTabl SET Subject = '../../etc/passwd' WHERE ID = 2; UPDATE MailInfTabl SET Subject = '" +
                 aLong + "' WHERE ID = 3");
    const std::string out = to();
    // A link planted under the name the first mail gets.
    writeFile(dir_.file("victim.txt"), "keep me");
    fs::create_symlink(dir_.file("victim.txt"), out + "/first.eml");

    CliRun r = run({"export", a, "--to", out, "1", "2", "3"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir_.file("victim.txt")), "keep me");
    EXPECT_FALSE(fs::is_symlink(out + "/first.eml"));
    EXPECT_EQ(readFile(out + "/first.eml"), mailText("first"));
    EXPECT_EQ(readFile(out + "/.._.._etc_passwd.eml"), mailText("second"));

    const auto names = folderEntries(out);
    ASSERT_EQ(names.size(), 3u);
    const std::string& shortened = names[2];  // sorts last
    EXPECT_LE(shortened.size(), 255u);
    EXPECT_EQ(shortened.substr(0, 3), "あ");
    EXPECT_EQ(shortened.substr(shortened.size() - 4), ".eml");
    EXPECT_EQ(readFile(out + "/" + shortened), mailText("third"));
}

}  // namespace
