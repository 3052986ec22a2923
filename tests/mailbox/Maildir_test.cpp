#include "mailbox/Maildir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/mailbox/MailboxFixtures.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailbox {
namespace {

using quorvel::test::writeFile;
using V = std::vector<std::string>;

class MaildirTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = dir_.file("Mail");
        test::makeMaildir(root_);
    }
    // The names of the mails listed, relative to the Maildir.
    V listed(std::vector<Skipped>* skipped = nullptr) {
        std::vector<MaildirMail> mails;
        std::vector<Skipped> ignored;
        std::string error;
        EXPECT_TRUE(listMaildir(root_, mails, skipped ? *skipped : ignored, error)) << error;
        V names;
        for (const MaildirMail& mail : mails) {
            names.push_back(mail.path.substr(root_.size() + 1));
        }
        return names;
    }

    quorvel::test::TempDir dir_;
    std::string root_;
};

TEST_F(MaildirTest, aMaildirNeedsCurAndNewAsRealFolders) {
    EXPECT_TRUE(isMaildir(root_));
    const std::string noNew = dir_.file("noNew");
    test::makeFolder(noNew + "/cur");
    test::makeFolder(noNew + "/tmp");
    EXPECT_FALSE(isMaildir(noNew));
    test::makeLink(root_ + "/new", noNew + "/new");
    EXPECT_FALSE(isMaildir(noNew));
    const std::string noTmp = dir_.file("noTmp");
    test::makeFolder(noTmp + "/cur");
    test::makeFolder(noTmp + "/new");
    EXPECT_TRUE(isMaildir(noTmp));
    writeFile(dir_.file("fileCur/cur"), "x");
    test::makeFolder(dir_.file("fileCur/new"));
    EXPECT_FALSE(isMaildir(dir_.file("fileCur")));
}

TEST_F(MaildirTest, newComesBeforeCurAndFlagsDoNotMoveAMail) {
    writeFile(root_ + "/cur/200.x:2,S", "c1");
    writeFile(root_ + "/cur/200.x9:2,", "c2");
    writeFile(root_ + "/cur/100.y:2,RS", "c0");
    writeFile(root_ + "/new/300.z", "n1");
    writeFile(root_ + "/new/050.w", "n0");
    writeFile(root_ + "/tmp/000.delivering", "t");
    // By whole names "200.x9" would come before "200.x:" (':' sorts after '9').
    EXPECT_EQ(listed(), (V{"new/050.w", "new/300.z", "cur/100.y:2,RS", "cur/200.x:2,S", "cur/200.x9:2,"}));
}

TEST_F(MaildirTest, onlyRegularFilesAreMailsTheRestIsReported) {
    writeFile(root_ + "/cur/1.a:2,", "a");
    writeFile(root_ + "/cur/.hidden", "h");
    writeFile(dir_.file("outside"), "o");
    test::makeLink(dir_.file("outside"), root_ + "/new/2.link");
    test::makeFolder(root_ + "/cur/3.folder");
    ASSERT_EQ(::mkfifo((root_ + "/new/4.fifo").c_str(), 0600), 0);
    std::vector<Skipped> skipped;
    EXPECT_EQ(listed(&skipped), V{"cur/1.a:2,"});
    EXPECT_EQ(skipped, (std::vector<Skipped>{
                           {root_ + "/new/2.link", Skipped::Reason::Link, {}},
                           {root_ + "/new/4.fifo", Skipped::Reason::NotRegular, {}},
                           {root_ + "/cur/.hidden", Skipped::Reason::Hidden, {}},
                           {root_ + "/cur/3.folder", Skipped::Reason::NotRegular, {}},
                       }));
}

TEST_F(MaildirTest, readerHandsOutEachFileWholeAndGoesOnAfterAFailure) {
    const std::string a = "Subject: a\r\n\r\nnew mail\r\n";
    const std::string b = "Subject: b\n\nseen\n";
    const std::string d = "Subject: d\n\nlast\n";
    writeFile(root_ + "/new/1.a", a);
    writeFile(root_ + "/cur/2.b:2,S", b);
    writeFile(root_ + "/cur/3.c:2,", std::string(200, 'x'));
    writeFile(root_ + "/cur/4.d:2,", d);
    MaildirReader reader(100);
    std::string error;
    ASSERT_TRUE(reader.open(root_, error)) << error;
    EXPECT_EQ(reader.mailCount(), 4u);
    EXPECT_EQ(reader.bytesTotal(), a.size() + b.size() + 200 + d.size());
    // A mail server moved this one away after the listing.
    ASSERT_EQ(::unlink((root_ + "/cur/2.b:2,S").c_str()), 0);

    std::string mail, path;
    ASSERT_EQ(reader.next(mail, path), MaildirReader::Next::Mail);
    EXPECT_EQ(mail, a);
    EXPECT_EQ(path, root_ + "/new/1.a");
    EXPECT_EQ(reader.bytesDone(), a.size());
    ASSERT_EQ(reader.next(mail, path), MaildirReader::Next::Failed);
    EXPECT_NE(reader.error().find("2.b:2,S"), std::string::npos);
    ASSERT_EQ(reader.next(mail, path), MaildirReader::Next::TooLarge);
    EXPECT_EQ(path, root_ + "/cur/3.c:2,");
    EXPECT_EQ(mail, "");
    ASSERT_EQ(reader.next(mail, path), MaildirReader::Next::Mail);
    EXPECT_EQ(mail, d);
    EXPECT_EQ(reader.next(mail, path), MaildirReader::Next::End);
    EXPECT_EQ(reader.bytesDone(), reader.bytesTotal());
}

TEST_F(MaildirTest, anUnreadableMaildirIsAnError) {
    MaildirReader reader;
    std::string error;
    EXPECT_FALSE(reader.open(dir_.file("none"), error));
    EXPECT_NE(error.find("none"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::mailbox
