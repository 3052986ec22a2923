// new, import and ls run as the built tool, on archives in a temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "tests/cli/CliRun.h"
#include "tests/support/TestEnv.h"

namespace {

namespace fs = std::filesystem;
using quorvel::test::readFile;
using quorvel::test::writeFile;

using CliResult = quorvel::test::CliRun;

class ArchiveCommandsTest : public ::testing::Test {
protected:
    quorvel::test::IsolatedXdg env_;
    quorvel::test::TempDir dir_;

    CliResult run(const std::vector<std::string>& args) { return quorvel::test::runCli(dir_, args); }
};

std::string mail(const std::string& subject) {
    return "From: a@example.com\nTo: b@example.com\nSubject: " + subject + "\nDate: 1 Jan 2002 10:00:00\n\nbody\n";
}

}  // namespace

TEST_F(ArchiveCommandsTest, newImportAndListAnArchive) {
    const std::string a = dir_.file("a.qvb");
    EXPECT_EQ(run({"new", a}).status, 0);
    CliResult again = run({"new", a});
    EXPECT_EQ(again.status, 2);  // never replaces an archive
    EXPECT_NE(again.err.find("exists"), std::string::npos);

    writeFile(dir_.file("1.eml"), mail("first"));
    writeFile(dir_.file("2.eml"), mail("second"));
    writeFile(dir_.file("x.txt"), "plain text\n");
    CliResult imported = run({"import", a, dir_.file("1.eml"), dir_.file("x.txt"), dir_.file("2.eml")});
    EXPECT_EQ(imported.status, 1);  // one file was not a mail
    ASSERT_EQ(imported.lines.size(), 2u);
    EXPECT_EQ(imported.lines[0], "2件のメールを登録");
    EXPECT_EQ(imported.lines[1], "not a mail: " + dir_.file("x.txt"));
    EXPECT_EQ(run({"import", a, "--folder", "5", dir_.file("1.eml")}).status, 0);

    CliResult folders = run({"ls", a});
    EXPECT_EQ(folders.lines, std::vector<std::string>{"1\t0\tルート"});
    CliResult root = run({"ls", a, "--folder", "1"});
    ASSERT_EQ(root.lines.size(), 2u);
    EXPECT_EQ(root.lines[0], "1\tS\t\t\t\ta@example.com\tfirst\t2002/01/01 10:00\tb@example.com\t1KB");
    EXPECT_EQ(root.lines[1].substr(0, 2), "2\t");
    CliResult five = run({"ls", a, "--folder", "5"});
    ASSERT_EQ(five.lines.size(), 1u);
    EXPECT_EQ(five.lines[0].substr(0, 2), "3\t");  // identifiers continue after the highest stored

    // Export writes the stored bytes under the subjects' names.
    fs::create_directories(dir_.file("exported"));
    writeFile(dir_.file("3.eml"), mail("first"));
    EXPECT_EQ(run({"import", a, dir_.file("3.eml")}).status, 0);
    CliResult exported = run({"export", a, "--to", dir_.file("exported"), "1", "4", "2"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.lines,
              (std::vector<std::string>{dir_.file("exported/first(1).eml"), dir_.file("exported/first.eml"),
                                        dir_.file("exported/second.eml")}));
    EXPECT_EQ(readFile(dir_.file("exported/first(1).eml")), mail("first"));
    EXPECT_EQ(readFile(dir_.file("exported/second.eml")), mail("second"));
    EXPECT_EQ(run({"export", a, "--to", dir_.file("exported"), "99"}).status, 2);

    // An archive the window has open is not written.
    writeFile(dir_.file("a.hvl"), "the window's working copy");
    CliResult busy = run({"import", a, dir_.file("1.eml")});
    EXPECT_EQ(busy.status, 2);
    EXPECT_NE(busy.err.find("in use"), std::string::npos);
    EXPECT_EQ(run({"ls", a, "--folder", "1"}).lines.size(), 3u);
    EXPECT_EQ(run({"import", dir_.file("none.qvb"), dir_.file("1.eml")}).status, 2);
    EXPECT_EQ(run({"import", a}).status, 1);  // usage
}
