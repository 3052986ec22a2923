#include "platform/settings/SettingsFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TestEnv.h"

using quorvel::platform::SettingsFile;
using quorvel::test::readFile;
using quorvel::test::TempDir;
using quorvel::test::writeFile;

TEST(SettingsFile, valuesRoundTripWithLineBreaksBackslashesAndEquals) {
    TempDir dir;
    SettingsFile file(dir.file("sub/key.conf"));  // the folder is made by the first write
    EXPECT_FALSE(file.read("a").has_value());
    const std::string tricky = "C:\\path\\x=1\r\nsecond line\\n not an escape\n";
    ASSERT_TRUE(file.write("a", tricky));
    ASSERT_TRUE(file.write("b", ""));
    ASSERT_TRUE(file.write("日本語", "値"));
    EXPECT_EQ(file.read("a"), tricky);
    EXPECT_EQ(file.read("b"), "");
    EXPECT_EQ(file.read("日本語"), "値");
    // One line per value: the line breaks inside the value are escaped.
    std::string text = readFile(file.path());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    // Overwriting keeps the other values.
    ASSERT_TRUE(file.write("a", "plain"));
    EXPECT_EQ(file.read("a"), "plain");
    EXPECT_EQ(file.read("日本語"), "値");
    // Names that cannot stand on one line are refused.
    EXPECT_FALSE(file.write("x=y", "1"));
    EXPECT_FALSE(file.write("", "1"));
}

TEST(SettingsFile, damagedFileReadsAsMissingAndIsReplacedCleanly) {
    TempDir dir;
    const std::string path = dir.file("key.conf");
    writeFile(path, std::string("garbage without equals\n=novalue\nkept=yes\n\0\x01\xff binary", 48));
    SettingsFile file(path);
    EXPECT_EQ(file.read("kept"), "yes");
    EXPECT_FALSE(file.read("garbage without equals").has_value());
    ASSERT_TRUE(file.write("new", "1"));
    EXPECT_EQ(readFile(path), "kept=yes\nnew=1\n");

    // An unreadable file gives nothing and is replaced by the next write.
    if (::geteuid() != 0) {  // root reads anything
        ::chmod(path.c_str(), 0);
        EXPECT_FALSE(file.read("kept").has_value());
        ASSERT_TRUE(file.write("after", "2"));
        EXPECT_EQ(file.read("after"), "2");
    }
    // No temporary file is left beside it.
    EXPECT_EQ(quorvel::test::folderEntries(dir.path()), (std::vector<std::string>{"key.conf", "key.conf.lock"}));
}

TEST(SettingsFile, writeIntoUnwritableFolderFails) {
    TempDir dir;
    writeFile(dir.file("blocker"), "a file where the folder should be");
    SettingsFile file(dir.file("blocker/key.conf"));
    EXPECT_FALSE(file.write("a", "1"));
    EXPECT_FALSE(file.read("a").has_value());
}

// Several processes write different values at the same moment; the file is
// re-read under the lock before each write, so none is lost.
TEST(SettingsFile, concurrentProcessesLoseNoValue) {
    TempDir dir;
    const std::string path = dir.file("shared.conf");
    constexpr int kProcesses = 4;
    constexpr int kValuesEach = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SettingsFile file(path);
            bool ok = true;
            for (int i = 0; i < kValuesEach; ++i) {
                ok = file.write("p" + std::to_string(p) + "_" + std::to_string(i), std::to_string(i)) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto values = SettingsFile::parse(readFile(path));
    EXPECT_EQ(values.size(), static_cast<size_t>(kProcesses * kValuesEach));
    for (int p = 0; p < kProcesses; ++p) {
        for (int i = 0; i < kValuesEach; ++i) {
            EXPECT_EQ(values["p" + std::to_string(p) + "_" + std::to_string(i)], std::to_string(i));
        }
    }
}
