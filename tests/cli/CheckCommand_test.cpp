// check, check --repair and compact on archives damaged behind the tool's back.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/cli/ArchiveFixture.h"

namespace {

namespace fs = std::filesystem;
using quorvel::test::CliRun;
using quorvel::test::FileState;
using quorvel::test::folderEntries;
using quorvel::test::mailText;
using quorvel::test::sqlOn;

using CheckCommandTest = quorvel::test::CliArchiveTest;

// Mail 2 loses its stored file, mail 3 its header row.
void damage(const std::string& a) {
    sqlOn(a, "DELETE FROM MailOBJTabl WHERE ID = 2; DELETE FROM MailInfTabl WHERE ID = 3");
}

TEST_F(CheckCommandTest, checkNamesEachProblemAndChangesNothing) {
    const std::string a = archiveWith("a.qvb", {"first", "second", "third"});
    CliRun healthy = run({"check", a});
    EXPECT_EQ(healthy.status, 0);
    EXPECT_TRUE(healthy.lines.empty());
    EXPECT_EQ(healthy.err, "");

    damage(a);
    const FileState before = FileState::of(a);
    CliRun found = run({"check", a});
    EXPECT_EQ(found.status, 1);
    EXPECT_EQ(found.lines, (std::vector<std::string>{"mail 2 has a header row but no stored mail",
                                                     "mail 3 is stored but has no header row"}));
    EXPECT_TRUE(FileState::of(a) == before);
    EXPECT_EQ(folderEntries(dir_.file("arc")), std::vector<std::string>{"a.qvb"});
}

TEST_F(CheckCommandTest, repairMendsAndKeepsEveryStoredMail) {
    const std::string a = archiveWith("a.qvb", {"first", "second", "third"});
    const FileState healthy = FileState::of(a);
    CliRun nothing = run({"check", "--repair", a});
    EXPECT_EQ(nothing.status, 0);
    EXPECT_EQ(nothing.lines, std::vector<std::string>{"nothing to mend"});
    EXPECT_TRUE(FileState::of(a) == healthy);

    damage(a);
    CliRun repaired = run({"check", "--repair", a});
    EXPECT_EQ(repaired.status, 0) << repaired.err;
    EXPECT_EQ(repaired.lines,
              (std::vector<std::string>{"mended: mail 2 has a header row but no stored mail",
                                        "mended: mail 3 is stored but has no header row",
                                        "note: made folder 2 under the root for mails without a folder"}));
    EXPECT_EQ(run({"check", a}).status, 0);
    // No claim or copy left; where the mails went, byte for byte, is the
    // health tasks' test.
    EXPECT_EQ(folderEntries(dir_.file("arc")), std::vector<std::string>{"a.qvb"});
}

TEST_F(CheckCommandTest, compactGivesBackTheSpaceOfDeletedMails) {
    fs::create_directories(dir_.file("arc"));
    const std::string a = arc("a.qvb");
    ASSERT_EQ(run({"new", a}).status, 0);
    const std::string big(300000, 'x');
    for (const char* subject : {"first", "second", "third"}) {
        ASSERT_EQ(run({"import", a, mailFile(std::string(subject) + ".eml", mailText(subject, big + "\n"))}).status, 0);
    }
    sqlOn(a, "DELETE FROM MailInfTabl WHERE ID <> 2; DELETE FROM MailOBJTabl WHERE ID <> 2");

    CliRun compacted = run({"compact", a});
    EXPECT_EQ(compacted.status, 0) << compacted.err;
    ASSERT_EQ(compacted.lines.size(), 1u);
    std::smatch sizes;
    ASSERT_TRUE(
        std::regex_match(compacted.lines[0], sizes, std::regex(a + ": ([0-9]+) bytes before, ([0-9]+) bytes after")))
        << compacted.lines[0];
    EXPECT_LT(std::stoll(sizes[2]) + 500000, std::stoll(sizes[1]));
    EXPECT_EQ(static_cast<long long>(fs::file_size(a)), std::stoll(sizes[2]));
    EXPECT_EQ(folderEntries(dir_.file("arc")), std::vector<std::string>{"a.qvb"});
    EXPECT_EQ(run({"check", a}).status, 0);
}

}  // namespace
