// new, import, ls and export run as the built tool, on archives in a temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "tests/cli/ArchiveFixture.h"

namespace {

namespace fs = std::filesystem;
using quorvel::test::mailText;
using quorvel::test::readFile;
using quorvel::test::spoilTable;
using quorvel::test::sqlOn;
using quorvel::test::writeFile;

using CliResult = quorvel::test::CliRun;
using ArchiveCommandsTest = quorvel::test::CliArchiveTest;

}  // namespace

TEST_F(ArchiveCommandsTest, newImportAndListAnArchive) {
    const std::string a = dir_.file("a.qvb");
    EXPECT_EQ(run({"new", a}).status, 0);

    writeFile(dir_.file("1.eml"), mailText("first"));
    writeFile(dir_.file("2.eml"), mailText("second"));
    writeFile(dir_.file("x.txt"), "plain text\n");
    CliResult imported = run({"import", a, dir_.file("1.eml"), dir_.file("x.txt"), dir_.file("2.eml")});
    EXPECT_EQ(imported.status, 1);  // one file was not a mail
    ASSERT_EQ(imported.lines.size(), 2u);
    EXPECT_EQ(imported.lines[0], "2件のメールを登録");
    EXPECT_EQ(imported.lines[1], "not a mail: " + dir_.file("x.txt"));
    // A folder made in the window (here behind the tool's back) takes mails.
    sqlOn(a, "INSERT INTO mailDirTabl (ID, dname, parentID, kind) VALUES (5, 'inbox', 1, 0)");
    EXPECT_EQ(run({"import", a, "--folder", "5", dir_.file("1.eml")}).status, 0);

    CliResult folders = run({"ls", a});
    EXPECT_EQ(folders.lines, (std::vector<std::string>{"1\t0\tルート", "5\t1\tinbox"}));
    CliResult root = run({"ls", a, "--folder", "1"});
    ASSERT_EQ(root.lines.size(), 2u);
    EXPECT_EQ(root.lines[0], "1\tS\t\t\t\ta@example.com\tfirst\t2002/01/01 10:00\tb@example.com\t1KB");
    EXPECT_EQ(root.lines[1].substr(0, 2), "2\t");
    CliResult five = run({"ls", a, "--folder", "5"});
    ASSERT_EQ(five.lines.size(), 1u);
    EXPECT_EQ(five.lines[0].substr(0, 2), "3\t");  // identifiers continue after the highest stored

    // Export writes the stored bytes under the subjects' names.
    fs::create_directories(dir_.file("exported"));
    writeFile(dir_.file("3.eml"), mailText("first"));
    EXPECT_EQ(run({"import", a, dir_.file("3.eml")}).status, 0);
    CliResult exported = run({"export", a, "--to", dir_.file("exported"), "1", "4", "2"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.lines,
              (std::vector<std::string>{dir_.file("exported/first(1).eml"), dir_.file("exported/first.eml"),
                                        dir_.file("exported/second.eml")}));
    EXPECT_EQ(readFile(dir_.file("exported/first(1).eml")), mailText("first"));
    EXPECT_EQ(readFile(dir_.file("exported/second.eml")), mailText("second"));
    EXPECT_EQ(run({"import", a}).status, 1);  // usage
}

// Each error is one English line on standard error, "quorvel-cli: PATH: what
// went wrong", and exit status 2; nothing is printed on standard output.
class ArchiveErrorsTest : public ArchiveCommandsTest {
protected:
    void expectOneLine(const std::vector<std::string>& args, const std::string& line) {
        SCOPED_TRACE(args[0]);
        CliResult r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, line + "\n");
        EXPECT_TRUE(r.lines.empty());
    }

    // import, ls and export, each on the archive `a`.
    void expectOneLineFromEach(const std::string& a, const std::string& line) {
        writeFile(dir_.file("1.eml"), mailText("first"));
        fs::create_directories(dir_.file("exported"));
        expectOneLine({"import", a, dir_.file("1.eml")}, line);
        expectOneLine({"ls", a, "--folder", "1"}, line);
        expectOneLine({"export", a, "--to", dir_.file("exported"), "1"}, line);
        EXPECT_TRUE(fs::is_empty(dir_.file("exported")));
    }

    // check, check --repair and compact, each on the archive `a`.
    void expectOneLineFromHealthCommands(const std::string& a, const std::string& line) {
        expectOneLine({"check", a}, line);
        expectOneLine({"check", "--repair", a}, line);
        expectOneLine({"compact", a}, line);
    }
};

TEST_F(ArchiveErrorsTest, missingArchive) {
    const std::string none = dir_.file("none.qvb");
    expectOneLineFromEach(none, "quorvel-cli: " + none + ": no such archive");
    expectOneLineFromHealthCommands(none, "quorvel-cli: " + none + ": no such archive");
    expectOneLine({"ls", none}, "quorvel-cli: " + none + ": no such archive");
    EXPECT_FALSE(fs::exists(none));
    // An archive in the root folder is named with one slash.
    const std::string inRoot = "/quorvel-test-no-archive-" + std::to_string(::getpid()) + ".qvb";
    ASSERT_FALSE(fs::exists(inRoot));
    expectOneLine({"ls", inRoot}, "quorvel-cli: " + inRoot + ": no such archive");
}

TEST_F(ArchiveErrorsTest, fileThatIsNoDatabase) {
    const std::string text = dir_.file("text.qvb");
    writeFile(text, "From: someone\r\n\r\nnot a database\r\n");
    expectOneLineFromEach(text, "quorvel-cli: " + text + ": cannot open the archive (file is not a database)");
    expectOneLineFromHealthCommands(text,
                                    "quorvel-cli: " + text + ": cannot open the archive (file is not a database)");
    EXPECT_EQ(readFile(text), "From: someone\r\n\r\nnot a database\r\n");
}

TEST_F(ArchiveErrorsTest, tableThatCannotBeRead) {
    const std::string a = dir_.file("a.qvb");
    ASSERT_EQ(run({"new", a}).status, 0);
    writeFile(dir_.file("1.eml"), mailText("first"));
    ASSERT_EQ(run({"import", a, dir_.file("1.eml")}).status, 0);  // so that reading needs the spoilt rows
    spoilTable(a, "MailInfTabl");
    expectOneLineFromEach(a,
                          "quorvel-cli: " + a + ": cannot read table MailInfTabl (database disk image is malformed)");
}

TEST_F(ArchiveErrorsTest, newOnAFileThatExists) {
    const std::string a = dir_.file("a.qvb");
    writeFile(a, "kept");
    CliResult r = run({"new", a});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("quorvel-cli: " + a + ": ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(readFile(a), "kept");
}

TEST_F(ArchiveErrorsTest, folderThatIsNotInTheArchive) {
    const std::string a = dir_.file("a.qvb");
    ASSERT_EQ(run({"new", a}).status, 0);
    writeFile(dir_.file("1.eml"), mailText("first"));
    expectOneLine({"import", a, "--folder", "5", dir_.file("1.eml")}, "quorvel-cli: " + a + ": no folder 5");
    expectOneLine({"ls", a, "--folder", "5"}, "quorvel-cli: " + a + ": no folder 5");
    // Nothing was stored: the next mail is mail 1.
    EXPECT_EQ(run({"import", a, dir_.file("1.eml")}).status, 0);
    CliResult root = run({"ls", a, "--folder", "1"});
    ASSERT_EQ(root.lines.size(), 1u);
    EXPECT_EQ(root.lines[0].substr(0, 2), "1\t");
}
