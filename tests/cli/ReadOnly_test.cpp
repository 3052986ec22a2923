// The reading commands (ls, export, check) never create or change a file.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/cli/ArchiveFixture.h"

namespace {

namespace fs = std::filesystem;
using quorvel::test::CliRun;
using quorvel::test::FileState;
using quorvel::test::folderEntries;
using quorvel::test::mailText;
using quorvel::test::readFile;
using quorvel::test::writeFile;

class ReadOnlyTest : public quorvel::test::CliArchiveTest {
protected:
    // ls, export and check on `a`, each expected to end with `status`.
    void readEach(const std::string& a, int status) {
        fs::create_directories(dir_.file("exported"));
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"ls", a},
                                                   {"ls", a, "--folder", "1"},
                                                   {"ls", a, "--folder", "1", "--json"},
                                                   {"export", a, "--to", dir_.file("exported"), "1", "2"},
                                                   {"check", a}}) {
            SCOPED_TRACE(args[0] + " " + args.back());
            CliRun r = run(args);
            EXPECT_EQ(r.status, status) << r.err;
        }
    }
};

// A write cut short: a process changes the archive in a transaction and is
// gone before it commits, leaving a journal that only a writer may roll back.
void interruptWrite(const std::string& archive) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(archive.c_str(), &db);
        // A small cache makes the engine write changed pages into the file
        // before the commit.
        sqlite3_exec(db,
                     "PRAGMA cache_size=2; BEGIN; UPDATE MailInfTabl SET Subject = 'torn';"
                     "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (99, zeroblob(400000));",
                     nullptr, nullptr, nullptr);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_GT(fs::file_size(archive + "-journal"), 0u);
}

TEST_F(ReadOnlyTest, anArchiveIsReadWithoutChangingIt) {
    const std::string a = archiveWith("a.qvb", {"first", "second"});
    const FileState before = FileState::of(a);
    const auto entries = folderEntries(dir_.file("arc"));
    readEach(a, 0);
    EXPECT_TRUE(FileState::of(a) == before);
    EXPECT_EQ(folderEntries(dir_.file("arc")), entries);  // no journal, claim or copy left

    // One this user may not write is read all the same.
    fs::permissions(a, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    readEach(a, 0);
    EXPECT_TRUE(FileState::of(a) == before);
    EXPECT_EQ(readFile(dir_.file("exported/first.eml")), mailText("first"));
}

TEST_F(ReadOnlyTest, anEmptyFileIsNoArchiveAndStaysEmpty) {
    fs::create_directories(dir_.file("arc"));
    const std::string a = arc("empty.qvb");
    writeFile(a, "");
    const FileState before = FileState::of(a);
    const std::string line = "quorvel-cli: " + a + ": not an archive (the file is empty)\n";
    fs::create_directories(dir_.file("exported"));
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"ls", a},
                                               {"ls", a, "--folder", "1"},
                                               {"export", a, "--to", dir_.file("exported"), "1"},
                                               {"check", a},
                                               {"import", a, mailFile("1.eml", mailText("first"))},
                                               {"check", "--repair", a},
                                               {"compact", a}}) {
        SCOPED_TRACE(args[0]);
        CliRun r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, line);
        EXPECT_TRUE(FileState::of(a) == before);
    }
    EXPECT_EQ(folderEntries(dir_.file("arc")), std::vector<std::string>{"empty.qvb"});
}

TEST_F(ReadOnlyTest, aWriteCutShortIsReadAsItsRollBackLeavesIt) {
    const std::string a = archiveWith("a.qvb", {"first", "second"});
    interruptWrite(a);
    const FileState archive = FileState::of(a), journal = FileState::of(a + "-journal");
    const auto entries = folderEntries(dir_.file("arc"));

    readEach(a, 0);
    CliRun listed = run({"ls", a, "--folder", "1"});
    ASSERT_EQ(listed.lines.size(), 2u);
    EXPECT_NE(listed.lines[0].find("\tfirst\t"), std::string::npos) << listed.lines[0];
    EXPECT_EQ(readFile(dir_.file("exported/second.eml")), mailText("second"));
    CliRun checked = run({"check", a});
    EXPECT_EQ(checked.status, 0);
    EXPECT_NE(checked.err.find("cut short"), std::string::npos) << checked.err;
    // Nothing was rolled back: that is a writer's to do.
    EXPECT_TRUE(FileState::of(a) == archive);
    EXPECT_TRUE(FileState::of(a + "-journal") == journal);
    EXPECT_EQ(folderEntries(dir_.file("arc")), entries);

    // The next writer does it.
    CliRun imported = run({"import", a, mailFile("3.eml", mailText("third"))});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_FALSE(fs::exists(a + "-journal"));
    checked = run({"check", a});
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.err, "");
    EXPECT_EQ(run({"ls", a, "--folder", "1"}).lines.size(), 3u);
}

}  // namespace
