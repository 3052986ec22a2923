// ls prints one entry per line whatever the archive's texts hold, and
// nothing a terminal would take as a command.
#include <gtest/gtest.h>

#include "tests/cli/ArchiveFixture.h"

namespace {

using quorvel::test::CliRun;
constexpr auto json = quorvel::test::jsonLine;
using quorvel::test::sqlOn;

using ListOutputTest = quorvel::test::CliArchiveTest;

// Tab, line ends, escape sequences, DEL, a backslash, a C1 control (U+009B,
// a one-character CSI), a byte that is not UTF-8, then plain text.
const char* const kAwkward =
    "'a' || char(9) || 'b' || char(13) || char(10) || 'c' || char(27) || '[31m' || char(127) || '\\' || "
    "char(155) || CAST(X'FF' AS TEXT) || 'é件'";

TEST_F(ListOutputTest, controlCharactersAreEscapedInLines) {
    const std::string a = archiveWith("a.qvb", {"plain"});
    sqlOn(a, std::string("UPDATE MailInfTabl SET Subject = ") + kAwkward + ", [From] = 'x' || char(10) || 'y'");
    sqlOn(a, "INSERT INTO mailDirTabl (ID, dname, parentID, kind) VALUES (5, 'in' || char(10) || 'box', 1, 0)");

    CliRun mails = run({"ls", a, "--folder", "1"});
    EXPECT_EQ(mails.status, 0);
    ASSERT_EQ(mails.lines.size(), 1u);
    EXPECT_EQ(mails.lines[0],
              "1\tS\t\t\t\tx\\ny\ta\\tb\\r\\nc\\x1b[31m\\x7f\\\\\\u009b\\xffé件\t2002/01/01 10:00\tb@example.com\t1KB");
    CliRun folders = run({"ls", a});
    EXPECT_EQ(folders.lines, (std::vector<std::string>{"1\t0\tルート", "5\t1\tin\\nbox"}));
}

TEST_F(ListOutputTest, jsonLinesHoldTheValuesAsTheyAre) {
    const std::string a = archiveWith("a.qvb", {"plain", "second"});
    sqlOn(a, std::string("UPDATE MailInfTabl SET Subject = ") + kAwkward + " WHERE ID = 1");
    sqlOn(a, "INSERT INTO mailDirTabl (ID, dname, parentID, kind) VALUES (5, 'in' || char(10) || 'box', 1, 0)");

    CliRun mails = run({"ls", a, "--folder", "1", "--json"});
    EXPECT_EQ(mails.status, 0);
    ASSERT_EQ(mails.lines.size(), 2u);
    const QJsonObject first = json(mails.lines[0]);
    EXPECT_EQ(first.keys().size(), 10);  // the identifier and the nine list columns
    EXPECT_EQ(first["id"].toInt(), 1);
    EXPECT_EQ(first["Subject"].toString(),
              QString::fromUtf8("a\tb\r\nc\x1b[31m\x7f\\\xc2\x9b\xef\xbf\xbd\xc3\xa9\xe4\xbb\xb6"));
    EXPECT_EQ(first["From"].toString(), "a@example.com");
    EXPECT_EQ(first["size"].toString(), "1KB");
    EXPECT_EQ(json(mails.lines[1])["Subject"].toString(), "second");

    CliRun folders = run({"ls", a, "--json"});
    ASSERT_EQ(folders.lines.size(), 2u);
    EXPECT_EQ(folders.lines[1], "{\"id\":5,\"parentID\":1,\"name\":\"in\\nbox\"}");
}

}  // namespace
