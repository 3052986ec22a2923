#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "archive/db/Database.h"

struct sqlite3_stmt;

namespace quorvel::mailboximport {

// The transaction an import writes its mails in: opened at the first write,
// committed once it holds `maxMails` mails or has been open `maxTime`. Each
// commit is one flush to the disk instead of one per mail; a crash loses at
// most the open batch, whose mails the journal takes back whole.
class Batch {
public:
    using Clock = std::chrono::steady_clock;

    Batch(archive::Database& db, size_t maxMails, std::chrono::milliseconds maxTime);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    // Opens the batch unless it is open; false with `error` when it cannot be.
    bool open(archive::DbError& error);
    // One more mail written in the open batch.
    void added() { ++mails_; }
    // Whether the open batch should be committed now.
    bool due() const;
    // Commits the open batch, if any; its mails then count as committed.
    bool commit(archive::DbError& error);

    // One mail's rows inside the open batch: all of them, or none when
    // undone. Statements prepared once, since they run for every mail.
    bool beginMail(archive::DbError& error);
    bool endMail(archive::DbError& error);
    void undoMail();

    bool isOpen() const { return tx_.has_value(); }
    archive::Database& database() { return db_; }
    size_t pendingMails() const { return mails_; }

private:
    bool run(sqlite3_stmt*& st, const char* sql, archive::DbError& error);

    archive::Database& db_;
    sqlite3_stmt* beginMail_ = nullptr;
    sqlite3_stmt* endMail_ = nullptr;
    sqlite3_stmt* undoMail_ = nullptr;
    size_t maxMails_;
    std::chrono::milliseconds maxTime_;
    std::optional<archive::Transaction> tx_;
    Clock::time_point openedAt_;
    size_t mails_ = 0;
};

}  // namespace quorvel::mailboximport
