// Mails are committed in batches: what a stop leaves behind is whole mails
// in folders that exist, and the import says how far it came.
#include <gtest/gtest.h>

#include <set>

#include "tests/mailboximport/ImportFixture.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailboximport::test {
namespace {

using quorvel::test::writeFile;
using Batches = ImportTest;

std::vector<std::string> mails(const std::string& prefix, int n) {
    std::vector<std::string> out;
    for (int i = 1; i <= n; ++i) {
        out.push_back(mail(prefix + " " + std::to_string(i)));
    }
    return out;
}

TEST_F(Batches, aBatchIsCommittedAfterItsMailsOrItsTime) {
    writeFile(src("Inbox"), mboxOf(mails("m", 10)));
    ImportOptions options;
    options.batchMails = 4;
    options.batchTime = std::chrono::hours(1);
    std::vector<int64_t> committed;
    const ImportResult r = import({src("Inbox")}, options, 1, [&](const ImportProgress& p) {
        committed.push_back(p.committed);
        return true;
    });
    EXPECT_EQ(r.stored, 10);
    // Seen after each mail: nothing is committed before the fourth mail.
    EXPECT_EQ(std::set<int64_t>(committed.begin(), committed.end()), (std::set<int64_t>{0, 4, 8}));

    options.batchMails = 1000;
    options.batchTime = std::chrono::milliseconds(0);  // every mail is a batch of its own
    std::vector<int64_t> behind;
    import({src("Inbox")}, options, 1, [&](const ImportProgress& p) {
        behind.push_back(p.stored - p.committed);
    return true;
});
EXPECT_EQ(std::set<int64_t>(behind.begin(), behind.end()), std::set<int64_t>{0});
}  // namespace

TEST_F(Batches, progressNamesTheFolderAndCountsTheBytes) {
    writeFile(src("Mail/Inbox"), mboxOf(mails("in", 3)));
    writeFile(src("Mail/Sent"), mboxOf(mails("out", 2)));
    std::vector<std::string> folders;
    ImportProgress last;
    import({src("Mail")}, {}, 1, [&](const ImportProgress& p) {
        if (folders.empty() || folders.back() != p.folder) {
            folders.push_back(p.folder);
}
EXPECT_LE(p.bytesDone, p.bytesTotal);
last = p;
return true;
}  // namespace quorvel::mailboximport::test
);
EXPECT_EQ(folders, (std::vector<std::string>{"Mail", "Inbox", "Sent"}));
EXPECT_EQ(last.stored, 5);
EXPECT_EQ(last.bytesDone, last.bytesTotal);
EXPECT_GT(last.mailsPerSecond, 0);
}

TEST_F(Batches, aCancelKeepsTheWholeMailsStoredAndMakesNoFurtherFolder) {
    const std::vector<std::string> first = mails("first", 6);
    writeFile(src("Mail/A"), mboxOf(first));
    writeFile(src("Mail/B"), mboxOf(mails("second", 3)));
    ImportOptions options;
    options.batchMails = 4;
    const ImportResult r = import({src("Mail")}, options, 1, [](const ImportProgress& p) { return p.stored < 5; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.stored, 5);  // the open batch is committed too
    EXPECT_EQ(r.stoppedIn, src("Mail/A"));
    EXPECT_EQ(
        contents(),
        (Contents{{"", {}}, {"Mail", {}}, {"Mail/A", std::vector<std::string>(first.begin(), first.begin() + 5)}}));
}

TEST_F(Batches, aRefusedWriteKeepsTheMailsBeforeItAndNoPartOfItsMail) {
    writeFile(src("box.mbox"), mboxOf(mails("m", 6)));
    sql("CREATE TRIGGER refuse BEFORE INSERT ON MailOBJTabl WHEN NEW.ID = 4 BEGIN SELECT RAISE(ABORT, 'disk full'); "
        "END");
    const ImportResult r = import({src("box.mbox")});
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.failure, "disk full");
    EXPECT_EQ(r.stored, 3);
    EXPECT_EQ(r.stoppedIn, src("box.mbox"));
    ASSERT_EQ(failures().size(), 1u);
    EXPECT_NE(failures()[0].find("MailOBJTabl: Update: disk full"), std::string::npos) << failures()[0];
    // Both rows of mails 1 to 3, and of mail 4 neither.
    EXPECT_EQ(sql("SELECT group_concat(ID) FROM MailInfTabl"), std::vector<std::string>{"1,2,3"});
    EXPECT_EQ(sql("SELECT group_concat(ID) FROM MailOBJTabl"), std::vector<std::string>{"1,2,3"});
    EXPECT_EQ(contents().at("box.mbox").size(), 3u);
}

TEST_F(Batches, aRefusedDigestTakesBackItsMailsRows) {
    writeFile(src("box.mbox"), mboxOf(mails("m", 5)));
    ImportOptions options;
    options.skipDuplicates = true;
    ASSERT_EQ(import({src("box.mbox")}, options).stored, 5);
    writeFile(src("box.mbox"), mboxOf(mails("n", 3)));
    sql("CREATE TRIGGER refuse BEFORE INSERT ON qvMailDigest WHEN NEW.ID = 7 BEGIN SELECT RAISE(ABORT, 'no room'); "
        "END");
    const ImportResult r = import({src("box.mbox")}, options);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.stored, 1);
    ASSERT_EQ(failures().size(), 1u);
    EXPECT_NE(failures()[0].find("qvMailDigest: Update: no room"), std::string::npos) << failures()[0];
    EXPECT_EQ(sql("SELECT group_concat(ID) FROM MailInfTabl"), std::vector<std::string>{"1,2,3,4,5,6"});
    EXPECT_EQ(sql("SELECT group_concat(ID) FROM MailOBJTabl"), std::vector<std::string>{"1,2,3,4,5,6"});
}

}  // namespace
}  // namespace quorvel::mailboximport::test
