#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/Schema.h"
#include "health/ArchiveHealth.h"
#include "import/MailFileParser.h"

// Pieces the check and the repair share.
namespace quorvel::health {

// An SQLite URI that opens `path` read-only, whatever characters it holds.
std::string readOnlyUri(const std::string& path);

// The tables or columns the program reads that the database lacks.
std::vector<Problem> missingTables(sqlite3* db, const archive::TableDefs& defs);
// Rows that do not fit together: mails without their other row or folder,
// folders outside the one tree.
std::vector<Problem> rowProblems(sqlite3* db, const archive::TableDefs& defs);

// The stored mails, one after the other, read in pieces.
class StoredMails {
public:
    StoredMails(sqlite3* db, const archive::TableDefs& defs);
    ~StoredMails();
    StoredMails(const StoredMails&) = delete;
    StoredMails& operator=(const StoredMails&) = delete;

    int64_t count() const { return count_; }
    bool next();
    bool ok() const { return ok_; }
    std::string message() const { return message_; }
    int64_t id() const { return id_; }
    int64_t size() const { return size_; }
    // Up to `length` bytes from `offset`; false when they cannot be read.
    bool read(int64_t offset, int64_t length, std::string& out);

private:
    sqlite3* db_;
    std::string table_;
    std::string column_;
    sqlite3_stmt* st_ = nullptr;
    int64_t count_ = 0;
    int64_t rowid_ = 0;
    int64_t id_ = 0;
    int64_t size_ = 0;
    bool ok_ = true;
    std::string message_;
};

enum class MailReading { Mail, NotMail, Unreadable };

// A private folder that stored mails are written to, one at a time, for the
// mail parser to read.
class MailScratch {
public:
    MailScratch();
    ~MailScratch();
    MailScratch(const MailScratch&) = delete;
    MailScratch& operator=(const MailScratch&) = delete;

    // Writes the current mail (all of it, or as much as the parser looks at
    // when `whole` is false) and parses it; with Mail the parsed header
    // values are in values().
    MailReading read(StoredMails& mails, const archive::TableDefs& defs, std::string& error, bool whole);
    const mailimport::MailValues& values() const { return values_; }

private:
    std::string folder_;
    mailimport::MailValues values_;
};

}  // namespace quorvel::health
