#include "mailboximport/Batch.h"

namespace quorvel::mailboximport {

Batch::Batch(archive::Database& db, size_t maxMails, std::chrono::milliseconds maxTime)
    : db_(db), maxMails_(maxMails == 0 ? 1 : maxMails), maxTime_(maxTime) {}

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
