#include "mailboximport/Batch.h"

#include <sqlite3.h>

namespace quorvel::mailboximport {

Batch::Batch(archive::Database& db, size_t maxMails, std::chrono::milliseconds maxTime)
    : db_(db), maxMails_(maxMails == 0 ? 1 : maxMails), maxTime_(maxTime) {}

Batch::~Batch() {
    tx_.reset();
    for (sqlite3_stmt* st : {beginMail_, endMail_, undoMail_}) {
        sqlite3_finalize(st);
    }
}

bool Batch::run(sqlite3_stmt*& st, const char* sql, archive::DbError& error) {
    if (!st && sqlite3_prepare_v2(db_.handle(), sql, -1, &st, nullptr) != SQLITE_OK) {
        error = db_.lastError();
        return false;
    }
    const bool done = sqlite3_step(st) == SQLITE_DONE;
    if (!done) {
        error = db_.lastError();
    }
    sqlite3_reset(st);
    return done;
}

bool Batch::beginMail(archive::DbError& error) {
    return run(beginMail_, "SAVEPOINT qv_import_mail", error);
}

bool Batch::endMail(archive::DbError& error) {
    return run(endMail_, "RELEASE qv_import_mail", error);
}

void Batch::undoMail() {
    archive::DbError ignored;
    run(undoMail_, "ROLLBACK TO qv_import_mail", ignored);
    run(endMail_, "RELEASE qv_import_mail", ignored);
}

bool Batch::open(archive::DbError& error) {
    if (tx_) {
        return true;
    }
    tx_.emplace(db_);
    if (!tx_->begun()) {
        error = db_.lastError();
        tx_.reset();
        return false;
    }
    openedAt_ = Clock::now();
    mails_ = 0;
    return true;
}

bool Batch::due() const {
    return tx_ && (mails_ >= maxMails_ || Clock::now() - openedAt_ >= maxTime_);
}

bool Batch::commit(archive::DbError& error) {
    if (!tx_) {
        return true;
    }
    const bool ok = tx_->commit(error);
    tx_.reset();  // rolls back what a failed commit left
    mails_ = 0;
    return ok;
}

}  // namespace quorvel::mailboximport
