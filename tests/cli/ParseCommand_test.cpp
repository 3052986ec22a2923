#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QStringList>
#include <sstream>
#include <vector>

#include "tests/cli/CliRun.h"
#include "tests/support/TestEnv.h"

namespace {

using quorvel::test::readFile;
using quorvel::test::writeFile;

using quorvel::test::CliRun;
constexpr auto json = quorvel::test::jsonLine;

class ParseCommandTest : public ::testing::Test {
protected:
    CliRun run(const std::vector<std::string>& args) { return quorvel::test::runCli(dir_, args); }
    std::string mailFile(const std::string& name, const std::string& bytes) {
        writeFile(dir_.file(name), bytes);
        return dir_.file(name);
    }

    quorvel::test::TempDir dir_;
};

TEST_F(ParseCommandTest, oneJsonLinePerFileInOrder) {
    std::string first = mailFile("a.eml",
                                 "Received: by mx; Tue, 01 Jan 2002 10:15:30 +0900\r\n"
                                 "From: \"Taro \\\\ Y\" <t@example.jp>\r\n"
                                 "Subject: =?UTF-8?B?5Lya6K2w?= =?UTF-8?Q?a=09b?=\r\n\r\n"
                                 "Content-Disposition: attachment;\r\n");
    std::string notMail = mailFile("b.txt", "just text\n");
    std::string second = mailFile("c.eml", "From: x\nTo: y\nX-Priority: 1\n\n");
    CliRun r = run({"parse", first, notMail, second});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0], "{\"file\":\"" + first +
                              "\",\"mail\":true,\"mailType\":\"R\",\"X-Priority\":\"\",\"attachment\":\"〆\","
                              "\"DateR\":\"2002/01/01 10:15\",\"From\":\"\\\"Taro \\\\\\\\ Y\\\" <t@example.jp>\","
                              "\"Subject\":\"会議a\\tb\",\"Date\":\"\",\"To\":\"\",\"size\":\"1KB\"}");
    EXPECT_EQ(r.lines[1], "{\"file\":\"" + notMail + "\",\"mail\":false}");
    QJsonObject third = json(r.lines[2]);
    EXPECT_EQ(third.keys().size(), 11);  // file, mail and the nine values
    EXPECT_EQ(third["mailType"].toString(), "S");
    EXPECT_EQ(third["X-Priority"].toString(), "！");
    EXPECT_EQ(third["To"].toString(), "y");
    EXPECT_EQ(json(r.lines[0])["From"].toString(), "\"Taro \\\\ Y\" <t@example.jp>");
}

TEST_F(ParseCommandTest, unreadableFilesGiveStatusTwoAndTheRestIsStillReported) {
    std::string mail = mailFile("a.eml", "From: x\r\nSubject: y\r\n\r\n");
    std::string missing = dir_.file("missing.eml");
    std::string oddName = mailFile("bad\xff.eml", "From: x\r\nSubject: y\r\n\r\n");
    CliRun r = run({"parse", missing, mail, dir_.path(), oddName});
    EXPECT_EQ(r.status, 2);
    ASSERT_EQ(r.lines.size(), 4u);
    EXPECT_EQ(r.lines[0], "{\"file\":\"" + missing + "\",\"mail\":false}");
    EXPECT_TRUE(json(r.lines[1])["mail"].toBool());
    EXPECT_FALSE(json(r.lines[2])["mail"].toBool());
    EXPECT_EQ(json(r.lines[3])["file"].toString(), QString::fromStdString(dir_.file("bad\uFFFD.eml")));
    EXPECT_NE(r.err.find(missing), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(dir_.path() + ":"), std::string::npos) << r.err;
}

TEST_F(ParseCommandTest, helpAndUsageErrors) {
    CliRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    ASSERT_FALSE(help.lines.empty());
    EXPECT_NE(readFile(dir_.file("out")).find("parse FILE..."), std::string::npos);
    CliRun parseHelp = run({"parse", "--help"});
    EXPECT_EQ(parseHelp.status, 0);
    EXPECT_NE(readFile(dir_.file("out")).find("Exit status"), std::string::npos);
    EXPECT_EQ(run({}).status, 1);
    EXPECT_EQ(run({"parse"}).status, 1);
    EXPECT_EQ(run({"parse", "-x", "f"}).status, 1);
    CliRun unknown = run({"frobnicate"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("frobnicate"), std::string::npos);
    // After "--" a name that begins with "-" is a file.
    mailFile("-m.eml", "From: x\r\nSubject: y\r\n\r\n");
    CliRun dashed = run({"parse", "--", dir_.file("-m.eml")});
    EXPECT_EQ(dashed.status, 0);
    EXPECT_EQ(dashed.lines.size(), 1u);
}

}  // namespace
