#include "app/StartUp.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/RegIO.h"
#include "app/UserFolders.h"
#include "app/WorkingFolder.h"
#include "platform/dialogs/MessageService.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace quorvel;
using quorvel::platform::ScopedScriptedMessages;
using quorvel::test::IsolatedXdg;
using quorvel::test::makeProgramFolder;
using quorvel::test::TempDir;
using quorvel::test::writeFile;

namespace {

struct StartUpFixture : ::testing::Test {
    IsolatedXdg env;
    TempDir dir;
    ScopedScriptedMessages msgs;
    std::string program = makeProgramFolder(dir.path());
};

}  // namespace

TEST_F(StartUpFixture, missingSystemFolderEndsBeforeAnythingIsWritten) {
    fs::remove_all(program + "/sys");
    EXPECT_FALSE(f_chkFolders(program));
    ProgramValues pv;
    InstanceLocks locks;
    EXPECT_EQ(s_startUp(pv, locks, program, ""), StartOutcome::End);
    ASSERT_EQ(msgs.shown().size(), 1u);
    EXPECT_EQ(msgs.shown()[0].text, "必要なフォルダやファイルに問題があります。セットアップしなおしてください。");
    EXPECT_EQ(msgs.shown()[0].caption, "Quorvel");
    EXPECT_FALSE(fs::exists(settingsFilePath("")));

    // The check always looks at the program folder, whatever the settings say.
    fs::create_directories(program + "/sys");
    fs::remove_all(program + "/tmp");
    f_regSetVal("", "tmpPath", dir.path());
    EXPECT_EQ(s_startUp(pv, locks, program, ""), StartOutcome::End);
}

TEST_F(StartUpFixture, firstStartWritesSettingsAndCleansEarlierRuns) {
    const std::string tmp = program + "/tmp";
    writeFile(tmp + "/tmp3/a.qvb", "x");
    writeFile(tmp + "/tmp3/b.eml", "y");
    fs::create_directories(tmp + "/tmp5");
    writeFile(tmp + "/tmp7/sub/kept.txt", "a working folder with a sub-folder stays");
    writeFile(tmp + "/loose.txt", "a file lying in the temporary folder stays");
    writeFile(program + "/sys/tmp/0dropped.eml", "left from a drop");
    f_regSetVal("", "runACnt", "5");
    f_regSetVal("", "newFCnt", "9");

    ProgramValues pv;
    auto locks = std::make_unique<InstanceLocks>();
    ASSERT_EQ(s_startUp(pv, *locks, program, ""), StartOutcome::ShowWindow);
    EXPECT_TRUE(msgs.shown().empty());
    EXPECT_EQ(pv.sysPath, program + "/sys");
    EXPECT_EQ(pv.tmpPath, tmp);
    EXPECT_EQ(f_regGetVal("", "sysPath", ""), program + "/sys");
    EXPECT_EQ(f_regGetVal("", "tmpPath", ""), tmp);
    EXPECT_EQ(f_regGetVal("", "newFCnt", ""), "0");
    EXPECT_EQ(pv.runNo, 1);
    EXPECT_EQ(f_regGetVal("", "runACnt", ""), "1");
    EXPECT_EQ(pv.useLockF, "1");
    EXPECT_TRUE(pv.arcPath.empty() && pv.arcName.empty());
    EXPECT_EQ(pv.defs.tblNames[archive::kMailInfTabl], "MailInfTabl");

    EXPECT_FALSE(fs::exists(tmp + "/tmp3"));
    EXPECT_FALSE(fs::exists(tmp + "/tmp5"));
    EXPECT_TRUE(fs::exists(tmp + "/tmp7/sub/kept.txt"));
    EXPECT_TRUE(fs::exists(tmp + "/loose.txt"));
    EXPECT_TRUE(fs::is_empty(program + "/sys/tmp"));

    // The stored folders are used, and a missing drop folder is made.
    ProgramValues again;
    InstanceLocks otherLocks;
    TempDir elsewhere;
    f_regSetVal("", "sysPath", elsewhere.path());
    locks.reset();  // the first instance has gone
    ASSERT_EQ(s_startUp(again, otherLocks, program, ""), StartOutcome::ShowWindow);
    EXPECT_EQ(again.sysPath, elsewhere.path());
    EXPECT_TRUE(fs::is_directory(elsewhere.path() + "/tmp"));
}

TEST_F(StartUpFixture, secondInstanceTouchesNothingAndTakesTheNextNumber) {
    ProgramValues first;
    InstanceLocks firstLocks;
    ASSERT_EQ(s_startUp(first, firstLocks, program, ""), StartOutcome::ShowWindow);
    ASSERT_TRUE(f_enterWorkingFolder(first));
    writeFile(first.workPath + "/新規_1.qvb", "in use");
    writeFile(program + "/sys/tmp/0incoming.eml", "being imported");
    f_regSetVal("", "newFCnt", "4");

    ProgramValues second;
    InstanceLocks secondLocks;
    ASSERT_EQ(s_startUp(second, secondLocks, program, ""), StartOutcome::ShowWindow);
    EXPECT_EQ(second.runNo, 2);
    EXPECT_EQ(f_regGetVal("", "runACnt", ""), "2");
    EXPECT_EQ(f_regGetVal("", "newFCnt", ""), "4");
    EXPECT_TRUE(fs::exists(first.workPath + "/新規_1.qvb"));
    EXPECT_TRUE(fs::exists(program + "/sys/tmp/0incoming.eml"));
}

TEST_F(StartUpFixture, commandLineNamesOneArchive) {
    writeFile(dir.file("my archive.qvb"), "");
    auto start = [&](const std::string& line) {
        ProgramValues pv;
        InstanceLocks locks;
        EXPECT_EQ(s_startUp(pv, locks, program, line), StartOutcome::ShowWindow);
        return pv;
    };

    ProgramValues quoted = start("\"" + dir.file("my archive.qvb") + "\"");
    EXPECT_EQ(quoted.cmdLine, dir.file("my archive.qvb"));
    EXPECT_EQ(quoted.arcPath, dir.path());
    EXPECT_EQ(quoted.arcName, "my archive.qvb");
    EXPECT_TRUE(msgs.shown().empty());

    // A name given from a terminal is found in its folder.
    fs::path cwd = fs::current_path();
    fs::current_path(dir.path());
    ProgramValues bare = start("my archive.qvb");
    ProgramValues dotted = start("./sub/../my archive.qvb");
    fs::current_path(cwd);
    EXPECT_EQ(bare.arcPath, dir.path());
    EXPECT_EQ(bare.arcName, "my archive.qvb");
    EXPECT_EQ(dotted.arcPath, dir.path());

    ProgramValues two = start("\"" + dir.file("my archive.qvb") + "\" \"" + dir.file("my archive.qvb") + "\"");
    EXPECT_TRUE(two.arcName.empty());
    ProgramValues missing = start(dir.file("none.qvb"));
    EXPECT_TRUE(missing.arcName.empty());
    ProgramValues folder = start(dir.path());
    EXPECT_TRUE(folder.arcName.empty());

    ASSERT_EQ(msgs.shown().size(), 3u);
    for (const auto& m : msgs.shown()) {
        EXPECT_EQ(m.text, "ファイルが見つかりません");
    }

    // Saved working folders that no longer exist give way to the program's.
    f_regSetVal("", "tmpPath", dir.file("gone/tmp"));
    f_regSetVal("", "sysPath", dir.file("gone/sys"));
    ProgramValues moved = start("");
    EXPECT_EQ(moved.tmpPath, program + "/tmp");
    EXPECT_EQ(moved.sysPath, program + "/sys");
    EXPECT_EQ(f_regGetVal("", "tmpPath", ""), program + "/tmp");
}

TEST(StartUpPieces, splitPathNeedsAnExistingFolderAndAName) {
    TempDir dir;
    std::string folder = "old", name = "old";
    EXPECT_TRUE(f_splitPath(dir.file("a.qvb"), folder, name));
    EXPECT_EQ(folder, dir.path());
    EXPECT_EQ(name, "a.qvb");
    EXPECT_TRUE(f_splitPath(dir.file("not yet there.qvb"), folder, name));  // only the folder must exist
    EXPECT_FALSE(f_splitPath("a.qvb", folder, name));
    EXPECT_TRUE(folder.empty() && name.empty());
    EXPECT_FALSE(f_splitPath(dir.path() + "/", folder, name));
    EXPECT_FALSE(f_splitPath(dir.path() + "/missing/a.qvb", folder, name));
    EXPECT_FALSE(f_splitPath("/a.qvb", folder, name));
    EXPECT_FALSE(f_splitPath("", folder, name));
}

TEST(StartUpPieces, mailerCommandIsCutBeforeTheFileField) {
    EXPECT_EQ(mailerCmdFromCommand("\"C:/Program Files/Mailer/mailer.exe\" /eml \"%1\""),
              "C:/Program Files/Mailer/mailer.exe /eml ");
    EXPECT_EQ(mailerCmdFromCommand("C:/mailer.exe %1"), "C:/mailer.exe %1 ");
    EXPECT_EQ(mailerCmdFromCommand("\"thunderbird\" \"%1\""), "thunderbird ");
    EXPECT_EQ(mailerCmdFromCommand("\"mailer\""), "mailer ");
    EXPECT_EQ(mailerCmdFromCommand("\"mailer\" -x:"), "mailer -x:");
    ::setenv("QV_TEST_PROGRAMS", "/opt/progs", 1);
    EXPECT_EQ(mailerCmdFromCommand("\"%QV_TEST_PROGRAMS%/mailer.exe\" \"%1\""), "/opt/progs/mailer.exe ");
    EXPECT_EQ(mailerCmdFromCommand("%QV_TEST_PROGRAMS%/mailer.exe \"%1\""), "/opt/progs/mailer.exe %1 ");
    ::unsetenv("QV_TEST_PROGRAMS");
    EXPECT_EQ(mailerCmdFromCommand("%QV_TEST_PROGRAMS%/m"), "/m ");
    // Without a default mail program there is none; with one, the command
    // reaches the window's double click (the window's test).
    IsolatedXdg env;
    EXPECT_EQ(f_getMailerCmd(), "");
}

TEST(StartUpPieces, commandLineQuotesAreStrippedOnce) {
    EXPECT_EQ(stripCommandLineQuotes("\"/a b/c.qvb\""), "/a b/c.qvb");
    EXPECT_EQ(stripCommandLineQuotes("\"/a/c.qvb"), "/a/c.qvb");
    EXPECT_EQ(stripCommandLineQuotes("\"\"x\"\""), "\"x\"");
    EXPECT_EQ(stripCommandLineQuotes("\""), "");
    EXPECT_EQ(stripCommandLineQuotes(""), "");
}

// A system installation's folder is read-only: the working folders and the
// drop folder then live in a folder of the user's own that nobody else may
// enter; a writable program folder keeps them.
TEST(UserFolders, aReadOnlyInstallationWorksInAPrivateFolderOfTheUser) {
    IsolatedXdg env;
    TempDir dir;
    const std::string runtime = dir.file("run");
    fs::create_directory(runtime);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

    const std::string mine = privateWorkFolder();
    EXPECT_EQ(mine, runtime + "/quorvel");
    EXPECT_EQ(fs::status(mine).permissions() & fs::perms::all, fs::perms::owner_all);
    const WorkFolders work = defaultWorkFolders("/usr/lib/quorvel", false, mine);
    EXPECT_EQ(work.tmpPath, mine + "/tmp");
    EXPECT_EQ(work.dropPath, mine + "/drop");
    EXPECT_TRUE(fs::is_directory(work.tmpPath));
    EXPECT_TRUE(fs::is_directory(work.dropPath));
    const WorkFolders own = defaultWorkFolders("/opt/q", true, mine);
    EXPECT_EQ(own.tmpPath, "/opt/q/tmp");
    EXPECT_EQ(own.dropPath, "/opt/q/sys/tmp");

    // A folder of ours opened up by someone is narrowed again; a link put in
    // its place is never used; without a runtime folder the cache is used.
    fs::permissions(mine, fs::perms::all);
    EXPECT_EQ(privateWorkFolder(), mine);
    EXPECT_EQ(fs::status(mine).permissions() & fs::perms::all, fs::perms::owner_all);
    fs::remove_all(mine);
    fs::create_directory(dir.file("elsewhere"));
    fs::create_directory_symlink(dir.file("elsewhere"), mine);
    EXPECT_EQ(privateWorkFolder(), "");
    ::unsetenv("XDG_RUNTIME_DIR");
    const char* cache = std::getenv("XDG_CACHE_HOME");
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(privateWorkFolder(), std::string(cache) + "/quorvel");

    const std::string program = makeProgramFolder(dir.path());
    EXPECT_TRUE(programFolderWritable(program));
    EXPECT_FALSE(programFolderWritable(dir.file("no-such-folder")));
}
