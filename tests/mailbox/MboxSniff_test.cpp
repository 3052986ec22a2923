#include "mailbox/MboxSniff.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/TestEnv.h"

namespace quorvel::mailbox {
namespace {

TEST(MboxSniff, separatorLinesAsWritersMakeThem) {
    for (const char* line : {
             "From MAILER-DAEMON Fri Jul  8 12:08:34 2011",
             "From - Tue Mar  3 10:00:00 2020",
             "From user@example.jp Sat Jan  3 01:05:34 1996",
             "From user@example.jp Sat Jan 3 01:05 1996",
             "From user@example.jp Thu Jan  1 00:00:00 +0000 2015",
             "From user@example.jp Sat Jan  3 01:05:34 JST 1996",
             "From user@example.jp Sat Jan  3 01:05:34 1996 +0900",
             "From user@example.jp\tSAT JAN  3 01:05:34 1996",
             "From user@example.jp Fri, 8 Jul 2011 12:08:34 +0900",
             "From user@example.jp Fri, 08 Jul 2011 12:08:34",
         }) {
        EXPECT_TRUE(isSeparatorLine(line)) << line;
    }
    for (const char* line : {
             "From: user@example.jp",
             "From the desk of the editor, Tuesday",
             "From user@example.jp",
             "From  Fri Jul  8 12:08:34 2011",            // no sender
             "From user@example.jp Fri Jul  8 2011",      // no time
             "From user@example.jp Fri Jul  8 12:08:34",  // no year
             "From user@example.jp Fri Jul 123 12:08:34 2011",
             "From user@example.jp Fri Jly  8 12:08:34 2011",
             "From user@example.jp Fri Jul  8 12:8:34 2011",
             "From user@example.jp Fri Jul  8 12:08:34 2011 and some more",
             "from user@example.jp Fri Jul  8 12:08:34 2011",
             ">From user@example.jp Fri Jul  8 12:08:34 2011",
             "",
         }) {
        EXPECT_FALSE(isSeparatorLine(line)) << line;
    }
    EXPECT_FALSE(isSeparatorLine("From " + std::string(1100, 'a') + " Fri Jul  8 12:08:34 2011"));
}

TEST(MboxSniff, onlyTheFirstLineAtByteZeroCounts) {
    quorvel::test::TempDir dir;
    auto sniff = [&](const std::string& bytes) {
        static int n = 0;
        const std::string path = dir.file("f" + std::to_string(++n));
        quorvel::test::writeFile(path, bytes);
        return isMbox(path);
    };
    const std::string sep = "From user@example.jp Sat Jan  3 01:05:34 1996";
    EXPECT_TRUE(sniff(sep + "\nSubject: x\n\nbody\n"));
    EXPECT_TRUE(sniff(sep + "\r\nSubject: x\r\n"));
    EXPECT_TRUE(sniff(sep + "\n"));
    EXPECT_FALSE(sniff(""));
    EXPECT_FALSE(sniff(sep));  // a first line with no end
    EXPECT_FALSE(sniff("\xEF\xBB\xBF" + sep + "\n"));
    EXPECT_FALSE(sniff("\n" + sep + "\n"));
    EXPECT_FALSE(sniff("Return-Path: <a@example.jp>\n" + sep + "\n"));
    EXPECT_FALSE(sniff("From: user@example.jp\nSubject: a mail, not a mailbox\n"));
    EXPECT_FALSE(sniff("From the desk of the editor\n\nA letter.\n"));

    EXPECT_FALSE(isMbox(dir.file("missing")));
    EXPECT_FALSE(isMbox(dir.path()));
    const std::string real = dir.file("real");
    quorvel::test::writeFile(real, sep + "\n");
    ASSERT_EQ(::symlink(real.c_str(), dir.file("link").c_str()), 0);
    EXPECT_TRUE(isMbox(real));
    EXPECT_FALSE(isMbox(dir.file("link")));
}

}  // namespace
}  // namespace quorvel::mailbox
