// Searching real archive files: what is found, in what order, and that the
// archive's own tables and other programs' view of the file stay as they were.
#include "search/Search.h"

#include <gtest/gtest.h>

#include "search/QueryParser.h"
#include "search/SearchIndex.h"
#include "tests/search/SearchArchive.h"

using namespace quorvel;
using namespace quorvel::search;
using test::encodeAs;
using test::encodedWord;
using test::mailBytes;
using test::MailRow;
using Ids = std::vector<int64_t>;

namespace {

std::string utf8Mail(const std::string& subject, const std::string& body, const std::vector<std::string>& more = {}) {
    std::vector<std::string> headers = {"From: Yamada <yamada@example.jp>", "To: Keiri <keiri@example.jp>",
                                        "Subject: " + encodedWord(subject, "UTF-8"), "MIME-Version: 1.0",
                                        "Content-Type: text/plain; charset=UTF-8"};
    headers.insert(headers.end(), more.begin(), more.end());
    return mailBytes(headers, body);
}

std::string mailIn(const char* charset, const std::string& subject, const std::string& body) {
    return mailBytes({"From: a@example.jp", "Subject: " + encodedWord(subject, charset), "MIME-Version: 1.0",
                      std::string("Content-Type: text/plain; charset=") + charset},
                     encodeAs(body, charset));
}

void synchroniseOk(test::SearchArchive& a) {
    const IndexResult r = synchronise(a.db());
    ASSERT_TRUE(r.ok) << r.error;
}

// Folders: 2 仕事 (3 予算 below it), 4 私用. Mails 1-6, newest first by date.
class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        a.addFolder(2, "仕事", 1);
        a.addFolder(3, "予算", 2);
        a.addFolder(4, "私用", 1);
        a.addMail({1, 2, utf8Mail("来年度の予算について", "会議は明日です。"), "2024/04/01 09:00", ""});
        a.addMail({2, 3, utf8Mail("見積書の送付", "予定表を添付します。"), "2024/04/02 10:00", ""});
        a.addMail({3, 4, utf8Mail("週末の予定", "Let's meet at the STATION."), "", "2024/03/15 18:30"});
        a.addMail({4, 2, utf8Mail("会議室の予約", "ｶﾞｲﾄﾞﾗｲﾝを参照。ＰＤＦあり。"), "2023/12/24 23:59", ""});
        a.addMail({5, 4, utf8Mail("計算結果", "結果は予想どおり。"), "", ""});
        a.addMail(
            {6, 3, utf8Mail("Re: 予算", "予算 の 件、了解です。", {"Cc: boss@example.jp"}), "2024/04/02 10:00", ""});
        synchroniseOk(a);
    }
    test::IsolatedXdg env;
    test::SearchArchive a;
};

}  // namespace

TEST_F(SearchTest, japaneseWordsOfTwoAndOneCharactersAreFoundInSubjectAndBody) {
    EXPECT_EQ(a.find("予算"), (Ids{6, 1}));
    EXPECT_EQ(a.find("会議"), (Ids{1, 4}));
    // One character: at the start of a piece or as the last of its run.
    EXPECT_EQ(a.find("予"), (Ids{6, 2, 1, 3, 4, 5}));
    EXPECT_EQ(a.find("算"), (Ids{6, 1, 5}));
    // Three characters: the pieces one after the other.
    EXPECT_EQ(a.find("会議室"), (Ids{4}));
    EXPECT_EQ(a.find("予算会"), Ids{});
}

TEST_F(SearchTest, foldedFormsMeetWhateverWidthOrCaseWasTyped) {
    EXPECT_EQ(a.find("ガイドライン"), (Ids{4}));
    EXPECT_EQ(a.find("ｶﾞｲﾄﾞ"), (Ids{4}));
    EXPECT_EQ(a.find("pdf"), (Ids{4}));
    EXPECT_EQ(a.find("Ｓｔａｔｉｏｎ"), (Ids{3}));
}

TEST_F(SearchTest, fieldsLimitWhereAWordMayStand) {
    EXPECT_EQ(a.find("subject:予算"), (Ids{6, 1}));
    EXPECT_EQ(a.find("body:予算"), (Ids{6}));
    EXPECT_EQ(a.find("subject:会議"), (Ids{4}));
    EXPECT_EQ(a.find("from:yamada"), (Ids{6, 2, 1, 3, 4, 5}));
    EXPECT_EQ(a.find("to:boss"), (Ids{6}));
    EXPECT_EQ(a.find("to:keiri@example.jp"), (Ids{6, 2, 1, 3, 4, 5}));
    EXPECT_EQ(a.find("from:keiri"), Ids{});
}

TEST_F(SearchTest, orNegationAndPhrases) {
    EXPECT_EQ(a.find("会議 OR 見積"), (Ids{2, 1, 4}));
    EXPECT_EQ(a.find("予算 -了解"), (Ids{1}));
    EXPECT_EQ(a.find("予 -subject:予"), (Ids{2, 5}));
    // Only negative terms: every mail but those.
    EXPECT_EQ(a.find("-予算 -会議"), (Ids{2, 3, 5}));
    EXPECT_EQ(a.find("\"予算 の 件\""), (Ids{6}));
    EXPECT_EQ(a.find("\"件 の 予算\""), Ids{});
    EXPECT_EQ(a.find("\"meet at\""), (Ids{3}));
    EXPECT_EQ(a.find("\"at meet\""), Ids{});
    // A mixed group: a filter or a word.
    EXPECT_EQ(a.find("in:私用 OR 見積"), (Ids{2, 3, 5}));
}

TEST_F(SearchTest, datesAreTheReceivedElseTheSentDateAndNoDateMatchesNone) {
    EXPECT_EQ(a.find("after:2024-04-01"), (Ids{6, 2, 1}));
    EXPECT_EQ(a.find("before:2024-04-01"), (Ids{3, 4}));
    EXPECT_EQ(a.find("after:2024-03-15 before:2024-04-02"), (Ids{1, 3}));
    EXPECT_EQ(a.find("-after:2024-01-01"), (Ids{4}));
    EXPECT_EQ(a.find("予 after:2024/4/2"), (Ids{6, 2}));
}

TEST_F(SearchTest, foldersAreTheFolderAndEverythingBelowIt) {
    EXPECT_EQ(a.find("予算", int64_t{2}), (Ids{6, 1}));
    EXPECT_EQ(a.find("予算", int64_t{3}), (Ids{6}));
    EXPECT_EQ(a.find("予算", int64_t{4}), Ids{});
    EXPECT_EQ(a.find("予 in:仕事"), (Ids{6, 2, 1, 4}));
    EXPECT_EQ(a.find("予 in:ｼｺﾞﾄ"), Ids{});
    EXPECT_EQ(a.find("予 -in:仕事"), (Ids{3, 5}));
    EXPECT_EQ(a.find("予 in:どこにもない"), Ids{});
}

TEST_F(SearchTest, hitsCarryTheRowAsTheListShowsItNewestFirst) {
    const ParsedQuery parsed = parseQuery("予算");
    const SearchResult result = quorvel::search::search(a.db(), *parsed.query);
    ASSERT_EQ(result.hits.size(), 2u);
    const Hit& hit = result.hits[0];
    EXPECT_EQ(hit.id, 6);
    EXPECT_EQ(hit.dirId, 3);
    EXPECT_EQ(hit.dateR, "2024/04/02 10:00");
    EXPECT_EQ(hit.subject, "(件名)");
    EXPECT_EQ(hit.mailType, "R");
    EXPECT_EQ(hit.size, "1KB");
    // Same minute: the higher identifier first.
    EXPECT_EQ(a.find("after:2024-04-02"), (Ids{6, 2}));
}

TEST_F(SearchTest, aDeletedMailIsGoneAtOnceWithoutTouchingTheIndex) {
    a.exec("DELETE FROM MailInfTabl WHERE ID = 6; DELETE FROM MailOBJTabl WHERE ID = 6");
    EXPECT_EQ(a.find("予算"), (Ids{1}));
    EXPECT_EQ(a.find("-予算"), (Ids{2, 3, 4, 5}));
    const IndexResult r = synchronise(a.db());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.dropped, 1);
    EXPECT_EQ(r.indexed, 0);
}

TEST_F(SearchTest, aMovedMailIsFoundInItsNewFolderOnly) {
    a.exec("UPDATE MailInfTabl SET dirID = 4 WHERE ID = 6");
    EXPECT_EQ(a.find("予算", int64_t{4}), (Ids{6}));
    EXPECT_EQ(a.find("予算", int64_t{2}), (Ids{1}));
    EXPECT_EQ(synchronise(a.db()).indexed, 0);
}

TEST_F(SearchTest, anIdentifierTakenByAnotherMailIsIndexedAgain) {
    // Deleted and replaced without the writers telling the index.
    a.exec("DELETE FROM MailInfTabl WHERE ID = 5; DELETE FROM MailOBJTabl WHERE ID = 5");
    a.addMail({5, 4, utf8Mail("新しいメール", "まったく別の内容"), "2024/05/01 00:00", ""});
    EXPECT_EQ(a.find("計算"), (Ids{5}));  // the old document still answers, until synchronised
    const IndexResult r = synchronise(a.db());
    EXPECT_EQ(r.indexed, 1);
    EXPECT_EQ(a.find("計算"), Ids{});
    EXPECT_EQ(a.find("別"), (Ids{5}));
}

TEST_F(SearchTest, resultsSurviveClosingAndReopeningTheFile) {
    const Ids before = a.find("予 OR ガイド");
    a.reopen();
    EXPECT_TRUE(hasIndex(a.db()));
    EXPECT_EQ(a.find("予 OR ガイド"), before);
    EXPECT_EQ(synchronise(a.db()).indexed, 0);
}

TEST_F(SearchTest, aCancelledSearchSaysSoAndFindsNothing) {
    std::atomic<bool> cancel{true};
    const SearchResult r = quorvel::search::search(a.db(), *parseQuery("予").query, std::nullopt, &cancel);
    EXPECT_EQ(r.status, SearchResult::Status::Cancelled);
    EXPECT_TRUE(r.hits.empty());
    EXPECT_EQ(a.find("予").size(), 6u);  // the connection works on
}

TEST(SearchQueries, theSameWordInEveryCharsetAndAnHtmlOnlyMailAreFound) {
    test::IsolatedXdg env;
    test::SearchArchive a;
    a.addMail({1, 1, mailIn("ISO-2022-JP", "予算の件", "来期の予算です"), "2024/01/01 00:00", ""});
    a.addMail({2, 1, mailIn("Shift_JIS", "予算の件", "来期の予算です"), "2024/01/02 00:00", ""});
    a.addMail({3, 1, mailIn("UTF-8", "予算の件", "来期の予算です"), "2024/01/03 00:00", ""});
    a.addMail({4, 1,
               mailBytes({"Subject: html", "MIME-Version: 1.0", "Content-Type: text/html; charset=ISO-2022-JP"},
                         encodeAs("<p>来期の<b>予</b>算&#12391;す<script>内緒</script></p>", "ISO-2022-JP")),
               "2024/01/04 00:00", ""});
    synchroniseOk(a);
    EXPECT_EQ(a.find("subject:予算"), (Ids{3, 2, 1}));
    EXPECT_EQ(a.find("body:\"来期の予算です\""), (Ids{4, 3, 2, 1}));
    EXPECT_EQ(a.find("内緒"), Ids{});
}

TEST(SearchQueries, attachmentsByNameAndByMark) {
    test::IsolatedXdg env;
    test::SearchArchive a;
    const std::string withFile =
        mailBytes({"Subject: files", "MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b"},
                  "--b\r\nContent-Type: text/plain\r\n\r\nsee the file\r\n--b\r\nContent-Type: application/pdf\r\n"
                  "Content-Disposition: attachment; filename=\"" +
                      encodedWord("見積書.pdf", "ISO-2022-JP") + "\"\r\n\r\nxx\r\n--b--\r\n");
    a.addMail({1, 1, withFile, "2024/01/01 00:00", ""});
    a.addMail({2, 1, utf8Mail("marked", "the import saw a marker line"), "2024/01/02 00:00", "", "(件名)", "〆"});
    a.addMail({3, 1, utf8Mail("plain", "見積書 in the body"), "2024/01/03 00:00", ""});
    synchroniseOk(a);
    EXPECT_EQ(a.find("attachment:見積書"), (Ids{1}));
    EXPECT_EQ(a.find("attachment:pdf"), (Ids{1}));
    EXPECT_EQ(a.find("見積書"), (Ids{3, 1}));
    EXPECT_EQ(a.find("has:attachment"), (Ids{2, 1}));
    EXPECT_EQ(a.find("-has:attachment"), (Ids{3}));
}

TEST(SearchQueries, malformedQueriesNeverReachTheDatabase) {
    test::IsolatedXdg env;
    test::SearchArchive a;
    a.addMail({1, 1, utf8Mail("x", "\"quoted\" text; DROP TABLE MailInfTabl; --"), "2024/01/01 00:00", ""});
    synchroniseOk(a);
    for (const char* text : {"\"unclosed", "after:2024-13-01", "-", "a OR", "OR", "has:nothing", "subject:"}) {
        const ParsedQuery parsed = parseQuery(text);
        EXPECT_FALSE(parsed.query) << text;
        EXPECT_NE(parsed.message.find("検索条件が正しくありません"), std::string::npos) << text;
    }
    // Whatever the words hold, they stay words: of the index's expression
    // language and of SQL alike.
    EXPECT_EQ(a.find("\"\"\"quoted\"\"\""), (Ids{1}));
    EXPECT_EQ(a.find("'); DROP TABLE MailInfTabl; --"), (Ids{1}));
    EXPECT_EQ(a.find("NOT AND NEAR(x) {subject}: *"), Ids{});
    EXPECT_EQ(a.find("text NOT"), Ids{});
    EXPECT_EQ(a.count("SELECT count(*) FROM MailInfTabl"), 1);
}
