#include "platform/fs/FileCopy.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using quorvel::platform::copyFileNew;
using quorvel::platform::copyFileReplacing;
using quorvel::test::readFile;
using quorvel::test::TempDir;
using quorvel::test::writeFile;

namespace {
int entries(const std::string& folder) {
    int n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(folder)) {
        ++n;
    }
    return n;
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
    EXPECT_EQ(entries(dir.path()), 2);

    // The copy cannot take the target's place (a folder stands there): the
    // target stays as it was and no temporary file is left.
    fs::create_directories(dir.file("folder.qvb/inside"));
    EXPECT_FALSE(copyFileReplacing(dir.file("work.hvl"), dir.file("folder.qvb"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(dir.file("folder.qvb/inside")));
    EXPECT_EQ(entries(dir.path()), 3);

    // A source that is gone leaves the target alone.
    EXPECT_FALSE(copyFileReplacing(dir.file("gone.hvl"), dir.file("a.qvb"), error));
    EXPECT_EQ(readFile(dir.file("a.qvb")), big);
    EXPECT_FALSE(copyFileReplacing(dir.file("work.hvl"), dir.file("missing/a.qvb"), error));
    EXPECT_EQ(entries(dir.path()), 3);
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
    EXPECT_EQ(entries(dir.path()), 3);  // a.qvb, a.hvl, b.hvl: no temporary file left
}
