// The tokenizer inside FTS5: registered on a connection, used for matching,
// and its offsets good enough for FTS5's own highlight().
#include "search/Tokenizer.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

using namespace quorvel::search;

namespace {

// An in-memory FTS5 table that keeps its text, so highlight() can read it.
class Table {
public:
    Table() {
        sqlite3_open(":memory:", &db_);
        registered_ = registerTokenizer(db_, &error_);
        run("CREATE VIRTUAL TABLE t USING fts5(a, tokenize='quorvel')");
    }
    ~Table() { sqlite3_close(db_); }

    void add(int64_t rowid, const std::string& text) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "INSERT INTO t (rowid, a) VALUES (?1, ?2)", -1, &st, nullptr);
        sqlite3_bind_int64(st, 1, rowid);
        sqlite3_bind_text(st, 2, text.c_str(), -1, SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db_);
        sqlite3_finalize(st);
    }
    // The rows a MATCH expression finds, each as rowid:highlighted text.
    std::vector<std::string> match(const std::string& expression) {
        std::vector<std::string> out;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(
            sqlite3_prepare_v2(db_, "SELECT rowid, highlight(t, 0, '[', ']') FROM t WHERE t MATCH ?1 ORDER BY rowid",
                               -1, &st, nullptr),
            SQLITE_OK);
        sqlite3_bind_text(st, 1, expression.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            out.push_back(std::to_string(sqlite3_column_int64(st, 0)) + ":" +
                          reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        }
        EXPECT_EQ(sqlite3_errcode(db_), SQLITE_DONE) << expression << ": " << sqlite3_errmsg(db_);
        sqlite3_finalize(st);
        return out;
    }
    bool registered() const { return registered_; }
    const std::string& error() const { return error_; }

private:
    void run(const char* statement) {
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db_, statement, nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
        sqlite3_free(message);
    }
    sqlite3* db_ = nullptr;
    bool registered_ = false;
    std::string error_;
};

using Rows = std::vector<std::string>;

}  // namespace

TEST(Tokenizer, aConnectionWithoutItCannotMakeTheTableAndOneWithItCan) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    EXPECT_NE(sqlite3_exec(db, "CREATE VIRTUAL TABLE t USING fts5(a, tokenize='quorvel')", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_TRUE(registerTokenizer(db));
    EXPECT_EQ(sqlite3_exec(db, "CREATE VIRTUAL TABLE t USING fts5(a, tokenize='quorvel')", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_FALSE(registerTokenizer(nullptr));
}

TEST(Tokenizer, twoCharacterWordsAndOneCharacterPrefixesAreFoundWhereTheyStand) {
    Table t;
    ASSERT_TRUE(t.registered()) << t.error();
    t.add(1, "来年度の予算案について");
    t.add(2, "予定表");
    t.add(3, "計算");
    EXPECT_EQ(t.match("\"予算\""), (Rows{"1:来年度の[予算]案について"}));
    EXPECT_EQ(t.match("\"予\" *"), (Rows{"1:来年度の[予算]案について", "2:[予定]表"}));
    // highlight() marks the piece at the place of the lone last character.
    EXPECT_EQ(t.match("\"算\" *"), (Rows{"1:来年度の予[算案]について", "3:[計算]"}));
    // Three characters: two pieces that must follow each other.
    EXPECT_EQ(t.match("\"予算案\""), (Rows{"1:来年度の[予算案]について"}));
    EXPECT_EQ(t.match("\"予算表\""), Rows{});
}

TEST(Tokenizer, aPhraseRunsOnFromAWordIntoTheNextRunWithoutAGap) {
    Table t;
    t.add(1, "会議室 in Tokyo");
    t.add(2, "会議 室内");
    EXPECT_EQ(t.match("\"会議室 in\""), (Rows{"1:[会議室 in] Tokyo"}));
    // Blanks between Japanese words are optional, so 会議 室 also finds 会議室.
    EXPECT_EQ(t.match("\"会議 室\" *"), (Rows{"1:[会議室] in Tokyo", "2:[会議 室内]"}));
}

TEST(Tokenizer, highlightMarksTheOriginalBytesOfFoldedText) {
    Table t;
    t.add(1, "新しいｶﾞｲﾄﾞﾗｲﾝです");
    t.add(2, "ＱＵＯＲＶＥＬ mail");
    EXPECT_EQ(t.match("\"ガイドライン\""), (Rows{"1:新しい[ｶﾞｲﾄﾞﾗｲﾝ]です"}));
    EXPECT_EQ(t.match("\"quorvel\""), (Rows{"2:[ＱＵＯＲＶＥＬ] mail"}));
    EXPECT_EQ(t.match("\"Ｍａｉｌ\""), (Rows{"2:ＱＵＯＲＶＥＬ [mail]"}));
}
