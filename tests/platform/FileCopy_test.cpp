#include "platform/fs/FileCopy.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>

#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using quorvel::platform::copyFileNew;
using quorvel::platform::copyFileReplacing;
using quorvel::test::readFile;
using quorvel::test::TempDir;
using quorvel::test::writeFile;

namespace {
size_t entries(const std::string& folder) {
    return quorvel::test::folderEntries(folder).size();
}
}  // namespace

TEST(FileCopy, replacingWritesTheWholeFileOrNothing) {
    TempDir dir;
    std::string big(3 * 1024 * 1024 + 5, '\0');
    for (size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7);
    }
    writeFile(dir.file("work.hvl"), big);
    writeFile(dir.file("a.qvb"), "old archive");
    std::string error;
    ASSERT_TRUE(copyFileReplacing(dir.file("work.hvl"), dir.file("a.qvb"), error)) << error;
    EXPECT_EQ(readFile(dir.file("a.qvb")), big);
    EXPECT_EQ(entries(dir.path()), 2u);

    // The copy cannot take the target's place (a folder stands there): the
    // target stays as it was and no temporary file is left.
    fs::create_directories(dir.file("folder.qvb/inside"));
    EXPECT_FALSE(copyFileReplacing(dir.file("work.hvl"), dir.file("folder.qvb"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(dir.file("folder.qvb/inside")));
    EXPECT_EQ(entries(dir.path()), 3u);

    // A source that is gone leaves the target alone.
    EXPECT_FALSE(copyFileReplacing(dir.file("gone.hvl"), dir.file("a.qvb"), error));
    EXPECT_EQ(readFile(dir.file("a.qvb")), big);
    EXPECT_FALSE(copyFileReplacing(dir.file("work.hvl"), dir.file("missing/a.qvb"), error));
    EXPECT_EQ(entries(dir.path()), 3u);
}

TEST(FileCopy, newCopyNeverReplacesAnExistingFile) {
    TempDir dir;
    writeFile(dir.file("a.qvb"), "archive");
    writeFile(dir.file("a.hvl"), "someone's working copy");
    std::string error;
    bool existed = false;
    EXPECT_FALSE(copyFileNew(dir.file("a.qvb"), dir.file("a.hvl"), error, existed));
    EXPECT_TRUE(existed);
    EXPECT_EQ(readFile(dir.file("a.hvl")), "someone's working copy");

    ASSERT_TRUE(copyFileNew(dir.file("a.qvb"), dir.file("b.hvl"), error, existed)) << error;
    EXPECT_EQ(readFile(dir.file("b.hvl")), "archive");
    EXPECT_FALSE(copyFileNew(dir.file("a.qvb"), dir.file("nofolder/c.hvl"), error, existed));
    EXPECT_FALSE(existed);
    EXPECT_EQ(entries(dir.path()), 3u);  // a.qvb, a.hvl, b.hvl: no temporary file left
}

// A claim lasts as long as its holder keeps the descriptor, and a process
// that ends (here: a child killed outright) leaves the file free.
TEST(FileCopy, aClaimedCopyReadsAsInUseUntilItsHolderIsGone) {
    TempDir dir;
    writeFile(dir.file("a.qvb"), "archive");
    std::string error;
    bool existed = false;
    int claim = -1;
    ASSERT_TRUE(quorvel::platform::copyFileNew(dir.file("a.qvb"), dir.file("a.hvl"), error, existed, &claim));
    ASSERT_GE(claim, 0);
    EXPECT_TRUE(quorvel::platform::isClaimed(dir.file("a.hvl")));
    EXPECT_EQ(quorvel::platform::claimFile(dir.file("a.hvl")), -1);
    ::close(claim);
    EXPECT_FALSE(quorvel::platform::isClaimed(dir.file("a.hvl")));
    EXPECT_FALSE(quorvel::platform::isClaimed(dir.file("missing.hvl")));
    EXPECT_EQ(entries(dir.path()), 2u);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        quorvel::platform::claimFile(dir.file("a.hvl"));
        ::pause();
        ::_exit(0);
    }
    for (int i = 0; i < 200 && !quorvel::platform::isClaimed(dir.file("a.hvl")); ++i) {
        ::usleep(10000);
    }
    EXPECT_TRUE(quorvel::platform::isClaimed(dir.file("a.hvl")));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(quorvel::platform::isClaimed(dir.file("a.hvl")));
}

// A save killed half way leaves its temporary copy: the next copy into that
// folder clears it, but never one that a live copy is still writing, nor any
// other file.
TEST(FileCopy, abandonedTemporaryCopiesGoWithTheNextCopy) {
    TempDir dir;
    writeFile(dir.file("work.hvl"), "work");
    writeFile(dir.file(".quorvel-copy-abc123"), "left by a killed save");
    writeFile(dir.file(".quorvel-copy-def456"), "being written");
    writeFile(dir.file(".quorvel-copy-notours"), "not a name of ours");
    const int live = quorvel::platform::claimFile(dir.file(".quorvel-copy-def456"));
    ASSERT_GE(live, 0);
    std::string error;
    ASSERT_TRUE(copyFileReplacing(dir.file("work.hvl"), dir.file("a.qvb"), error)) << error;
    EXPECT_FALSE(fs::exists(dir.file(".quorvel-copy-abc123")));
    EXPECT_TRUE(fs::exists(dir.file(".quorvel-copy-def456")));
    EXPECT_TRUE(fs::exists(dir.file(".quorvel-copy-notours")));
    ::close(live);
}

// An archive the user made read-only can still be opened: its working copy
// is the opener's to write.
TEST(FileCopy, aNewCopyOfAReadOnlyFileIsWritable) {
    TempDir dir;
    writeFile(dir.file("a.qvb"), "archive");
    fs::permissions(dir.file("a.qvb"), fs::perms::owner_read | fs::perms::group_read);
    std::string error;
    bool existed = false;
    ASSERT_TRUE(copyFileNew(dir.file("a.qvb"), dir.file("a.hvl"), error, existed)) << error;
    EXPECT_NE(fs::status(dir.file("a.hvl")).permissions() & fs::perms::owner_write, fs::perms::none);
}

// A file written whole: the old content or the new, never a link followed.
TEST(FileCopy, aWrittenFileReplacesWhatHadItsNameAndNeverFollowsALink) {
    TempDir dir;
    writeFile(dir.file("victim"), "not yours");
    fs::create_symlink(dir.file("victim"), dir.file("log.txt"));
    std::string error;
    ASSERT_TRUE(quorvel::platform::writeFileReplacing(dir.file("log.txt"), "new\n", error)) << error;
    EXPECT_FALSE(fs::is_symlink(dir.file("log.txt")));
    EXPECT_EQ(readFile(dir.file("log.txt")), "new\n");
    EXPECT_EQ(readFile(dir.file("victim")), "not yours");
    EXPECT_FALSE(quorvel::platform::writeFileReplacing(dir.file("missing/log.txt"), "x", error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_EQ(entries(dir.path()), 2u);  // no temporary file left
}
