#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "search/Search.h"
#include "tests/support/TestEnv.h"

// An archive file made from the built template, with folders and mails
// written by plain SQL the way the import writes them (a MailInfTabl row and
// the mail's bytes in MailOBJTabl), and a connection with the tokenizer.
namespace quorvel::test {

struct MailRow {
    MailRow(int64_t id, int64_t dirId, std::string bytes, std::string dateR = "", std::string date = "",
            std::string subject = "(件名)", std::string attachment = "")
        : id(id),
          dirId(dirId),
          bytes(std::move(bytes)),
          dateR(std::move(dateR)),
          date(std::move(date)),
          subject(std::move(subject)),
          attachment(std::move(attachment)) {}
    int64_t id;
    int64_t dirId;
    std::string bytes;
    std::string dateR;  // "yyyy/mm/dd hh:mm" or empty
    std::string date;
    std::string subject;     // what the list shows; the index reads the bytes
    std::string attachment;  // "〆" or empty
};

class SearchArchive {
public:
    SearchArchive();
    ~SearchArchive();
    SearchArchive(const SearchArchive&) = delete;
    SearchArchive& operator=(const SearchArchive&) = delete;

    sqlite3* db() const { return db_; }
    const std::string& path() const { return path_; }

    void addFolder(int64_t id, const std::string& name, int64_t parent);
    void addMail(const MailRow& mail);
    // Statements of the test's own, outside the index's code; fails the test on an error.
    void exec(const std::string& statement);
    int64_t count(const std::string& query);

    void close();
    void reopen();

    // The identifiers found for a query text, in the order found; the
    // query must parse and the search succeed.
    std::vector<int64_t> find(const std::string& text, std::optional<int64_t> inFolder = std::nullopt);

private:
    TempDir dir_;
    std::string path_;
    sqlite3* db_ = nullptr;
};

// A mail of the given header lines and body, with CRLF line ends.
std::string mailBytes(const std::vector<std::string>& headers, const std::string& body);
// Text in another charset (via iconv), and an RFC 2047 B word of it.
std::string encodeAs(const std::string& utf8, const char* charset);
std::string encodedWord(const std::string& utf8, const char* charset);
std::string base64(const std::string& bytes);

}  // namespace quorvel::test
