// The search's query parser and tokenizer on any bytes. The bytes are cut
// into terms in both modes (offsets inside the text, every term valid UTF-8),
// indexed and looked for through FTS5, and read as a query: a query the
// parser takes must run as a search over a small archive in memory without
// an error, whatever it holds, so that no text ever makes an FTS5 syntax
// error or reaches the statement as SQL.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "search/QueryParser.h"
#include "search/Search.h"
#include "search/SearchIndex.h"
#include "search/SearchStatement.h"
#include "search/Segmenter.h"
#include "search/Tokenizer.h"

using quorvel::fuzz::fail;
using quorvel::fuzz::isValidUtf8;
namespace search = quorvel::search;

namespace {

const char* const kArchive = R"(
CREATE TABLE mailDirTabl (ID INTEGER, dname TEXT, parentID INTEGER, kind INTEGER);
CREATE TABLE MailInfTabl (dirID INTEGER, ID INTEGER, mailType TEXT, [X-Priority] TEXT, attachment TEXT,
    DateR TEXT, [From] TEXT, Subject TEXT, [Date] TEXT, [To] TEXT, size TEXT);
CREATE TABLE MailOBJTabl (ID INTEGER, mailFlObj BLOB);
INSERT INTO mailDirTabl VALUES (1, 'ルート', 0, 1), (2, '仕事', 1, 0), (3, 'a', 2, 0);
INSERT INTO MailInfTabl (dirID, ID, attachment, DateR, Subject) VALUES
    (2, 1, '', '2024/04/01 09:00', 'a'), (3, 2, '〆', '', 'b'), (1, 3, '', 'garbage', 'c');
INSERT INTO MailOBJTabl VALUES
    (1, 'Subject: 予算 budget' || char(13, 10) || char(13, 10) || '会議 "quoted" NEAR(a b) ｶﾞｲﾄﾞ'),
    (2, 'From: x@example.jp' || char(13, 10) || 'Subject: =?UTF-8?B?5LqI5a6a?=' || char(13, 10, 13, 10) || 'body'),
    (3, 'To: y' || char(13, 10, 13, 10) || 'OR AND NOT * ^ : {}');
-- A table that keeps its text, for highlight() over the input.
CREATE VIRTUAL TABLE kept USING fts5(a, tokenize='quorvel');
)";

struct Archive {
    sqlite3* db = nullptr;
    Archive() {
        sqlite3_open(":memory:", &db);
        std::string error;
        if (!search::registerTokenizer(db, &error) ||
            sqlite3_exec(db, kArchive, nullptr, nullptr, nullptr) != SQLITE_OK) {
            fail("cannot set up the archive: " + error + sqlite3_errmsg(db), "");
        }
        const search::IndexResult indexed = search::synchronise(db);
        if (!indexed.ok || indexed.indexed != 3) {
            fail("cannot index the archive: " + indexed.error, "");
        }
    }
};

struct Check {
    std::string_view input;
    bool first = true;
};

int checkTerm(void* context, const search::Term& term) {
    auto* check = static_cast<Check*>(context);
    if (term.start < 0 || term.start >= term.end || static_cast<size_t>(term.end) > check->input.size()) {
        fail("a term's offsets lie outside its text", check->input);
    }
    if (term.text.empty() || !isValidUtf8(term.text)) {
        fail("a term is empty or no valid UTF-8", check->input);
    }
    if (term.colocated && check->first) {
        fail("the first term is colocated", check->input);
    }
    check->first = false;
    return 0;
}

void checkSegments(std::string_view input) {
    static search::Segmenter segmenter;
    for (const search::SegmentMode mode : {search::SegmentMode::Document, search::SegmentMode::Query}) {
        Check check{input};
        segmenter.run(input, mode, checkTerm, &check);
    }
}

// The input as a document of FTS5 and as a word looked for in it.
void checkThroughFts5(sqlite3* db, std::string_view input) {
    sqlite3_exec(db, "SAVEPOINT input", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO kept (rowid, a) VALUES (1, ?1)", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, input.data(), static_cast<int>(input.size()), SQLITE_STATIC);
    if (sqlite3_step(st) != SQLITE_DONE) {
        fail(std::string("FTS5 refused a text: ") + sqlite3_errmsg(db), input);
    }
    sqlite3_finalize(st);
    const std::string expression = search::matchExpression({search::Field::Any, std::string(input), false});
    if (!expression.empty()) {
        sqlite3_prepare_v2(db, "SELECT highlight(kept, 0, '[', ']') FROM kept WHERE kept MATCH ?1", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, expression.c_str(), -1, SQLITE_STATIC);
        int rc;
        int rows = 0;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            ++rows;
        }
        if (rc != SQLITE_DONE) {
            fail("a word's expression failed: " + expression + ": " + sqlite3_errmsg(db), input);
        }
        if (rows != 1) {
            fail("a text does not find itself: " + expression, input);
        }
        sqlite3_finalize(st);
    }
    sqlite3_exec(db, "ROLLBACK TO input; RELEASE input", nullptr, nullptr, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Archive archive;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkSegments(input);
    checkThroughFts5(archive.db, input);

    const search::ParsedQuery parsed = search::parseQuery(input);
    if (!parsed.query) {
        if (parsed.message.empty()) {
            fail("a refused query has no message", input);
        }
        return 0;
    }
    for (const std::optional<int64_t> folder : {std::optional<int64_t>(), std::optional<int64_t>(2)}) {
        const search::SearchResult result = search::search(archive.db, *parsed.query, folder);
        if (result.status != search::SearchResult::Status::Done) {
            fail("a query the parser took failed: " + result.error, input);
        }
    }
    return 0;
}
