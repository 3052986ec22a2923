#include "tests/search/SearchArchive.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "search/QueryParser.h"
#include "search/Tokenizer.h"

namespace quorvel::test {

SearchArchive::SearchArchive() : path_(dir_.file("archive.qvb")) {
    std::filesystem::copy_file(builtTemplatePath(), path_);
    reopen();
}

SearchArchive::~SearchArchive() {
    close();
}

void SearchArchive::close() {
    if (db_) {
        EXPECT_EQ(sqlite3_close(db_), SQLITE_OK) << "a statement was left open";
        db_ = nullptr;
    }
}

void SearchArchive::reopen() {
    close();
    ASSERT_EQ(sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    std::string error;
    ASSERT_TRUE(search::registerTokenizer(db_, &error)) << error;
}

void SearchArchive::exec(const std::string& statement) {
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db_, statement.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << statement << ": " << (error ? error : "");
    sqlite3_free(error);
}

int64_t SearchArchive::count(const std::string& query) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_, query.c_str(), -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
    const int64_t n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

void SearchArchive::addFolder(int64_t id, const std::string& name, int64_t parent) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_, "INSERT INTO mailDirTabl (ID, dname, parentID, kind) VALUES (?1, ?2, ?3, 0)", -1, &st,
                       nullptr);
    sqlite3_bind_int64(st, 1, id);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 3, parent);
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db_);
    sqlite3_finalize(st);
}

void SearchArchive::addMail(const MailRow& mail) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_,
                       "INSERT INTO MailInfTabl (dirID, ID, mailType, attachment, DateR, [From], Subject, [Date], "
                       "[To], size) VALUES (?1, ?2, 'R', ?3, ?4, 'someone', ?5, ?6, 'someone else', '1KB')",
                       -1, &st, nullptr);
    sqlite3_bind_int64(st, 1, mail.dirId);
    sqlite3_bind_int64(st, 2, mail.id);
    sqlite3_bind_text(st, 3, mail.attachment.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 4, mail.dateR.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 5, mail.subject.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 6, mail.date.c_str(), -1, SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db_);
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db_, "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (?1, ?2)", -1, &st, nullptr);
    sqlite3_bind_int64(st, 1, mail.id);
    sqlite3_bind_blob(st, 2, mail.bytes.data(), static_cast<int>(mail.bytes.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(st), SQLITE_DONE) << sqlite3_errmsg(db_);
    sqlite3_finalize(st);
}

std::vector<int64_t> SearchArchive::find(const std::string& text, std::optional<int64_t> inFolder) {
    const search::ParsedQuery parsed = search::parseQuery(text);
    EXPECT_TRUE(parsed.query) << text << ": " << parsed.message;
    if (!parsed.query) {
        return {};
    }
    const search::SearchResult result = search::search(db_, *parsed.query, inFolder);
    EXPECT_EQ(result.status, search::SearchResult::Status::Done) << text << ": " << result.error;
    std::vector<int64_t> ids;
    for (const search::Hit& hit : result.hits) {
        ids.push_back(hit.id);
    }
    return ids;
}

std::string mailBytes(const std::vector<std::string>& headers, const std::string& body) {
    std::string out;
    for (const std::string& h : headers) {
        out += h + "\r\n";
    }
    return out + "\r\n" + body;
}

std::string encodeAs(const std::string& utf8, const char* charset) {
    gsize written = 0;
    GError* error = nullptr;
    char* bytes = g_convert(utf8.data(), static_cast<gssize>(utf8.size()), charset, "UTF-8", nullptr, &written, &error);
    EXPECT_TRUE(bytes) << (error ? error->message : "");
    g_clear_error(&error);
    std::string out(bytes ? bytes : "", written);
    g_free(bytes);
    return out;
}

std::string base64(const std::string& bytes) {
    char* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string out = text;
    g_free(text);
    return out;
}

std::string encodedWord(const std::string& utf8, const char* charset) {
    return std::string("=?") + charset + "?B?" + base64(encodeAs(utf8, charset)) + "?=";
}

}  // namespace quorvel::test
