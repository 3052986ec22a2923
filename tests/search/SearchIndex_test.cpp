// The index's tables in an archive: made only by a search, kept in step by
// the writers or by synchronise, and invisible to the rest of the program.
#include "search/SearchIndex.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "archive/ArchiveCheck.h"
#include "health/ArchiveHealth.h"
#include "search/Tokenizer.h"
#include "tests/search/SearchArchive.h"

using namespace quorvel;
using namespace quorvel::search;
using test::encodedWord;
using test::mailBytes;
using test::MailRow;
using Ids = std::vector<int64_t>;

namespace {

std::string mail(const std::string& subject, const std::string& body) {
    return mailBytes(
        {"From: a@example.jp", "Subject: " + encodedWord(subject, "UTF-8"), "Content-Type: text/plain; charset=UTF-8"},
        body);
}

// The same mails for every archive of a comparison.
const std::vector<MailRow>& someMails() {
    static const std::vector<MailRow> mails = {
        {1, 1, mail("予算の相談", "来週の会議で決めます"), "2024/01/01 10:00", ""},
        {2, 2, mail("Budget", "予定が変わりました ｶﾀｶﾅ"), "2024/01/02 10:00", ""},
        {3, 2, mail("計算書", "ＡＢＣ社の見積"), "", "2023/05/05 05:05"},
        {4, 1, mail("雑談", "特になし"), "", ""},
    };
    return mails;
}

const char* const kQueries[] = {"予算", "予", "算", "カタカナ", "abc", "会議 OR 見積", "-予", "after:2024-01-02"};

std::vector<Ids> answers(test::SearchArchive& a) {
    std::vector<Ids> out;
    for (const char* q : kQueries) {
        out.push_back(a.find(q));
    }
    return out;
}

int64_t searchTables(test::SearchArchive& a) {
    return a.count("SELECT count(*) FROM sqlite_master WHERE name LIKE 'qvSearch%'");
}

void expectHealthy(const std::string& path) {
    const archive::TableDefs defs = archive::makeTableDefs();
    EXPECT_EQ(archive::checkArchiveShape(path, defs), archive::ArchiveShape::Archive);
    const health::CheckResult check = health::checkArchive(path, defs);
    EXPECT_TRUE(check.readable) << check.error;
    for (const health::Problem& p : check.problems) {
        ADD_FAILURE() << health::describe(p);
    }
}

class SearchIndexTest : public ::testing::Test {
protected:
    void SetUp() override { a.addFolder(2, "仕事", 1); }
    test::IsolatedXdg env;
    test::SearchArchive a;
};

}  // namespace

TEST_F(SearchIndexTest, anArchiveGetsTheTablesOnlyFromItsFirstSearch) {
    EXPECT_FALSE(hasIndex(a.db()));
    a.addMail(someMails()[0]);
    std::string error;
    EXPECT_TRUE(indexMail(a.db(), 1, &error)) << error;
    EXPECT_TRUE(removeMail(a.db(), 1, &error)) << error;
    EXPECT_EQ(searchTables(a), 0);
    const IndexResult r = synchronise(a.db());
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.rebuilt);
    EXPECT_EQ(r.indexed, 1);
    EXPECT_TRUE(hasIndex(a.db()));
    EXPECT_EQ(a.find("予算"), (Ids{1}));
}

TEST_F(SearchIndexTest, incrementalIndexingFirstSearchAndRebuildGiveTheSameAnswers) {
    // Indexed by the writers as each mail comes.
    ASSERT_TRUE(synchronise(a.db()).ok);
    for (const MailRow& m : someMails()) {
        a.addMail(m);
        ASSERT_TRUE(indexMail(a.db(), m.id));
    }
    EXPECT_EQ(synchronise(a.db()).indexed, 0);
    const std::vector<Ids> incremental = answers(a);
    EXPECT_EQ(incremental[0], (Ids{1}));
    EXPECT_EQ(incremental[3], (Ids{2}));
    EXPECT_EQ(incremental[6], (Ids{3, 4}));

    // An old archive, indexed by its first search.
    test::SearchArchive old;
    old.addFolder(2, "仕事", 1);
    for (const MailRow& m : someMails()) {
        old.addMail(m);
    }
    ASSERT_TRUE(synchronise(old.db()).ok);
    EXPECT_EQ(answers(old), incremental);

    const IndexResult r = rebuild(a.db());
    EXPECT_TRUE(r.ok && r.rebuilt);
    EXPECT_EQ(r.indexed, 4);
    EXPECT_EQ(answers(a), incremental);
}

TEST_F(SearchIndexTest, aRemovedMailIsNotFoundUntilItIsIndexedAgain) {
    for (const MailRow& m : someMails()) {
        a.addMail(m);
    }
    ASSERT_TRUE(synchronise(a.db()).ok);
    ASSERT_TRUE(removeMail(a.db(), 1));
    EXPECT_EQ(a.find("予算"), Ids{});
    // Indexing again replaces, never doubles.
    ASSERT_TRUE(indexMail(a.db(), 2));
    ASSERT_TRUE(indexMail(a.db(), 2));
    EXPECT_EQ(a.find("予定"), (Ids{2}));
    const IndexResult r = synchronise(a.db());
    EXPECT_EQ(r.indexed, 1);
    EXPECT_EQ(a.find("予算"), (Ids{1}));
}

TEST_F(SearchIndexTest, aMailWithoutStoredBytesIsFoundByWhatTheListShows) {
    a.addMail({7, 1, "", "2024/01/01 00:00", "", "取引先からの請求"});
    a.exec("DELETE FROM MailOBJTabl WHERE ID = 7");
    ASSERT_TRUE(synchronise(a.db()).ok);
    EXPECT_EQ(a.find("請求"), (Ids{7}));
}

TEST_F(SearchIndexTest, theArchiveWithTheIndexPassesTheProgramsChecks) {
    for (const MailRow& m : someMails()) {
        a.addMail(m);
    }
    ASSERT_TRUE(synchronise(a.db()).ok);
    a.close();
    expectHealthy(a.path());
    a.reopen();
    EXPECT_EQ(a.find("予算"), (Ids{1}));
}

TEST_F(SearchIndexTest, aCompactedArchiveKeepsItsIndexAndARepairedOneIsIndexedAgain) {
    for (const MailRow& m : someMails()) {
        a.addMail(m);
    }
    ASSERT_TRUE(synchronise(a.db()).ok);
    a.close();
    const health::CompactResult compacted = health::compactArchive(a.path());
    ASSERT_TRUE(compacted.done) << compacted.error;
    a.reopen();
    EXPECT_TRUE(hasIndex(a.db()));
    EXPECT_EQ(a.find("予算"), (Ids{1}));
    a.close();

    // The repair copies plain tables only: the FTS table's own tables come
    // without the table itself.
    const health::RepairResult repaired = health::repairArchive(a.path(), archive::makeTableDefs());
    ASSERT_TRUE(repaired.done) << repaired.error;
    a.reopen();
    EXPECT_FALSE(hasIndex(a.db()));
    const IndexResult r = synchronise(a.db());
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.rebuilt);
    EXPECT_EQ(a.find("予算"), (Ids{1}));
    EXPECT_EQ(answers(a)[6], (Ids{3, 4}));
}

TEST_F(SearchIndexTest, anIndexOfAnotherVersionIsMadeAnew) {
    a.addMail(someMails()[0]);
    ASSERT_TRUE(synchronise(a.db()).ok);
    a.exec("UPDATE qvSearchState SET value = value + 1 WHERE name = 'tokenizer'");
    EXPECT_FALSE(hasIndex(a.db()));
    const IndexResult r = synchronise(a.db());
    EXPECT_TRUE(r.rebuilt);
    EXPECT_EQ(r.indexed, 1);
    EXPECT_TRUE(hasIndex(a.db()));
}

TEST_F(SearchIndexTest, droppingTheIndexLeavesTheArchiveAsItWas) {
    a.addMail(someMails()[0]);
    ASSERT_TRUE(synchronise(a.db()).ok);
    std::string error;
    ASSERT_TRUE(dropIndex(a.db(), &error)) << error;
    EXPECT_EQ(searchTables(a), 0);
    EXPECT_EQ(a.count("SELECT count(*) FROM MailInfTabl"), 1);
    EXPECT_FALSE(hasIndex(a.db()));
}

TEST_F(SearchIndexTest, aConnectionWithoutTheTokenizerCannotWriteTheIndexAndSaysSo) {
    a.addMail(someMails()[0]);
    ASSERT_TRUE(synchronise(a.db()).ok);
    sqlite3* plain = nullptr;
    ASSERT_EQ(sqlite3_open(a.path().c_str(), &plain), SQLITE_OK);
    sqlite3_busy_timeout(plain, 5000);
    std::string error;
    EXPECT_FALSE(indexMail(plain, 1, &error));
    EXPECT_NE(error.find("tokenizer"), std::string::npos) << error;
    sqlite3_close(plain);
}

TEST_F(SearchIndexTest, aCancelKeepsWhatWasDoneAndTheNextRunDoesTheRest) {
    constexpr int kMails = 700;
    a.exec("BEGIN");
    for (int i = 1; i <= kMails; ++i) {
        a.addMail({i, 1, mail("件名" + std::to_string(i), "本文 number" + std::to_string(i)), "", ""});
    }
    a.exec("COMMIT");
    std::atomic<bool> cancel{false};
    int64_t lastDone = -1, lastTotal = -1;
    const IndexResult first = synchronise(
        a.db(),
        [&](int64_t done, int64_t total) {
            lastDone = done;
            lastTotal = total;
            cancel = done > 0;
        },
        &cancel);
    EXPECT_TRUE(first.ok);
    EXPECT_TRUE(first.cancelled);
    EXPECT_GT(first.indexed, 0);
    EXPECT_LT(first.indexed, kMails);
    EXPECT_EQ(lastTotal, kMails);
    EXPECT_EQ(lastDone, first.indexed);
    const IndexResult second = synchronise(a.db());
    EXPECT_FALSE(second.rebuilt);
    EXPECT_EQ(first.indexed + second.indexed, kMails);
    EXPECT_EQ(a.find("number700"), (Ids{700}));
    EXPECT_EQ(a.find("件名").size(), static_cast<size_t>(kMails));
}

TEST_F(SearchIndexTest, manyDocumentsNoMailRefersToAnyMoreMakeTheIndexAnew) {
    a.exec("BEGIN");
    for (int i = 1; i <= 1100; ++i) {
        a.addMail({i, 1, mail("subject", "body " + std::to_string(i)), "", ""});
    }
    a.exec("COMMIT");
    ASSERT_TRUE(synchronise(a.db()).ok);
    a.exec("DELETE FROM MailInfTabl WHERE ID > 1; DELETE FROM MailOBJTabl WHERE ID > 1");
    const IndexResult r = synchronise(a.db());
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.dropped, 1099);
    EXPECT_TRUE(r.rebuilt);
    EXPECT_EQ(a.find("subject"), (Ids{1}));
    // A few removals never do.
    a.addMail({2, 1, mail("subject", "body 2"), "", ""});
    ASSERT_TRUE(indexMail(a.db(), 2));
    ASSERT_TRUE(removeMail(a.db(), 2));
    EXPECT_FALSE(synchronise(a.db()).rebuilt);
}
