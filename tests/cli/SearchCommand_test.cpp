// quorvel-cli search and index on archives made by the tool: what is printed,
// the exit statuses, and the index made on the first search and kept in step.
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/cli/ArchiveFixture.h"
#include "tests/support/ArchiveSql.h"

namespace quorvel::test {
namespace {

using CliSearch = CliArchiveTest;

TEST_F(CliSearch, findsJapaneseWordsPrintsOneLinePerMailAndSaysHowManyOnStandardError) {
    const std::string a = archiveWith("a.qvb", {"来期の予算について", "会議室の予約", "予定表"});
    // Without an index the first search makes one; the archive's mails stay.
    CliRun r = run({"search", a, "予算"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0].substr(0, 4), "1\t1\t");
    EXPECT_NE(r.lines[0].find("来期の予算について"), std::string::npos);
    EXPECT_NE(r.err.find("1 mails found"), std::string::npos);
    EXPECT_EQ(sqlRows(a, "SELECT count(*) FROM MailInfTabl"), std::vector<std::string>{"3"});

    // One character finds every mail holding it, wherever it stands.
    r = run({"search", a, "予", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 3u);
    for (const std::string& line : r.lines) {
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        EXPECT_TRUE(o.contains("id") && o.contains("folder") && o.contains("subject")) << line;
    }
    // Nothing found is status 1 with nothing on standard output.
    r = run({"search", a, "請求書"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.lines.empty());
}

TEST_F(CliSearch, mailsImportedAfterTheIndexWasMadeAreFound) {
    const std::string a = archiveWith("a.qvb", {"first"});
    ASSERT_EQ(run({"index", a}).status, 0);
    ASSERT_EQ(run({"import", a, mailFile("late.eml", mailText("遅れて届いた予算"))}).status, 0);
    const CliRun r = run({"search", a, "予算"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0].substr(0, 2), "2\t");
}

TEST_F(CliSearch, aQueryOrArchiveThatCannotBeUsedIsStatusTwoWithOneLine) {
    const std::string a = archiveWith("a.qvb", {"x"});
    CliRun r = run({"search", a, "\"unclosed"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("quorvel-cli: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);

    r = run({"search", arc("missing.qvb"), "x"});
    EXPECT_EQ(r.status, 2);
    // in: alone needs to be told which folder is meant.
    EXPECT_EQ(run({"search", a, "in:", "x"}).status, 1);
    EXPECT_EQ(run({"search", a, "--folder", "1", "in:", "x"}).status, 0);
}

}  // namespace
}  // namespace quorvel::test
