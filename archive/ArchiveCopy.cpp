#include "archive/ArchiveCopy.h"

#include <sqlite3.h>

#include "platform/fs/FileCopy.h"

namespace quorvel::archive {

namespace {

// One connection holding a read transaction for as long as it lives.
class ReadLock {
public:
    ReadLock(const std::string& path, int waitMilliseconds) {
        // Read-write where it may, so that a writer's hot journal is rolled
        // back; read-only for an archive the user may not write.
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
            if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
                code_ = db_ ? sqlite3_errcode(db_) : SQLITE_CANTOPEN;
                return;
            }
        }
        sqlite3_busy_timeout(db_, waitMilliseconds);
        code_ = sqlite3_exec(db_, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
        held_ = code_ == SQLITE_OK;
    }
    ~ReadLock() {
        if (held_) {
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        }
        sqlite3_close(db_);
    }
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

    bool held() const { return held_; }
    bool busy() const { return (code_ & 0xff) == SQLITE_BUSY || (code_ & 0xff) == SQLITE_LOCKED; }
    std::string message() const { return db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code_); }

private:
    sqlite3* db_ = nullptr;
    int code_ = SQLITE_OK;
    bool held_ = false;
};

}  // namespace

ArchiveCopy copyArchiveForWork(const std::string& archive, const std::string& target, std::string& error, int* claim,
                               int waitMilliseconds) {
    ReadLock lock(archive, waitMilliseconds);
    if (!lock.held()) {
        if (lock.busy()) {
            return ArchiveCopy::Busy;
        }
        error = "cannot read " + archive + ": " + lock.message();
        return ArchiveCopy::Failed;
    }
    bool existed = false;
    if (platform::copyFileNew(archive, target, error, existed, claim)) {
        return ArchiveCopy::Copied;
    }
    return existed ? ArchiveCopy::Exists : ArchiveCopy::Failed;
}

}  // namespace quorvel::archive
