#include "cli/ArchiveReader.h"

#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/fs/FileCopy.h"

namespace fs = std::filesystem;

namespace quorvel::cli {

namespace {

enum class Opened { Ready, Interrupted, Busy, Failed };

// Opens `path` and reads its schema, which is where SQLite meets a hot
// journal, a lock held by a writer or a file that is no database.
Opened openFile(const std::string& path, int flags, const Deadline& deadline, sqlite3*& db, std::string& error) {
    db = nullptr;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && st.st_size == 0) {
        error = "not an archive (the file is empty)";
        return Opened::Failed;
    }
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, deadline.remainingMs());
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK) {
        return Opened::Ready;
    }
    error = std::string("cannot open the archive (") + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + ")";
    sqlite3_close(db);
    db = nullptr;
    if (rc == SQLITE_READONLY_ROLLBACK) {
        return Opened::Interrupted;
    }
    return (rc & 0xff) == SQLITE_BUSY ? Opened::Busy : Opened::Failed;
}

std::string busyLine(const std::string& path, const Deadline& deadline) {
    return "quorvel-cli: " + path + ": in use by another program (still in use after waiting " + deadline.waitedText() +
           "; see --wait)\n";
}

// What tells whether a file changed while it was copied.
struct Stamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{}, ctime{};

    static Stamp of(const std::string& path) {
        Stamp s;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            s = {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
        }
        return s;
    }
    bool operator==(const Stamp& o) const {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

}  // namespace

ArchiveReader::~ArchiveReader() {
    close();
    if (!copyFolder_.empty()) {
        std::error_code ec;
        fs::remove_all(copyFolder_, ec);
    }
}

void ArchiveReader::close() {
    sqlite3_close(db_);
    db_ = nullptr;
}

bool ArchiveReader::open(const std::string& path, const Deadline& deadline, std::ostream& err, bool copy) {
    std::string error;
    switch (copy ? Opened::Interrupted : openFile(path, SQLITE_OPEN_READONLY, deadline, db_, error)) {
        case Opened::Ready:
            file_ = path;
            return true;
        case Opened::Interrupted:
            interrupted_ = !copy;
            return openCopy(path, deadline, err);
        case Opened::Busy:
            err << busyLine(path, deadline);
            return false;
        case Opened::Failed:
            break;
    }
    err << "quorvel-cli: " << path << ": " << error << "\n";
    return false;
}

bool ArchiveReader::openCopy(const std::string& path, const Deadline& deadline, std::ostream& err) {
    const std::string journal = path + "-journal";
    std::error_code ec;
    std::string folder = (fs::temp_directory_path(ec) / "quorvel-cli-XXXXXX").string();
    if (ec || !::mkdtemp(folder.data())) {
        err << "quorvel-cli: " << path << ": cannot make a private copy to read (no temporary folder)\n";
        return false;
    }
    copyFolder_ = folder;
    const std::string copy = folder + "/archive";
    for (;;) {
        const Stamp before = Stamp::of(path), journalBefore = Stamp::of(journal);
        std::string error;
        bool existed = false;
        bool copied = platform::copyFileNew(path, copy, error, existed);
        if (copied && journalBefore.exists) {
            copied = platform::copyFileNew(journal, copy + "-journal", error, existed);
        }
        if (!copied) {
            err << "quorvel-cli: " << path << ": cannot make a private copy to read (" << error << ")\n";
            return false;
        }
        if (Stamp::of(path) == before && Stamp::of(journal) == journalBefore) {
            break;
        }
        // A writer rolled the journal back meanwhile: copy again.
        fs::remove(copy, ec);
        fs::remove(copy + "-journal", ec);
        if (deadline.passed()) {
            err << busyLine(path, deadline);
            return false;
        }
        deadline.pause();
    }
    // Opening the copy for writing rolls its journal back; then it is read
    // like the archive.
    sqlite3* writer = nullptr;
    std::string error;
    Opened opened = openFile(copy, SQLITE_OPEN_READWRITE, deadline, writer, error);
    sqlite3_close(writer);
    if (opened == Opened::Ready) {
        opened = openFile(copy, SQLITE_OPEN_READONLY, deadline, db_, error);
    }
    if (opened != Opened::Ready) {
        err << "quorvel-cli: " << path << ": " << error << "\n";
        return false;
    }
    file_ = copy;
    return true;
}

bool readyForWriting(const std::string& path, const Deadline& deadline, std::ostream& err) {
    sqlite3* db = nullptr;
    std::string error;
    Opened opened = openFile(path, SQLITE_OPEN_READONLY, deadline, db, error);
    sqlite3_close(db);
    if (opened == Opened::Interrupted) {
        // The claim is ours: rolling the interrupted write back is ours too.
        opened = openFile(path, SQLITE_OPEN_READWRITE, deadline, db, error);
        sqlite3_close(db);
    }
    switch (opened) {
        case Opened::Ready:
            return true;
        case Opened::Busy:
            err << busyLine(path, deadline);
            return false;
        default:
            err << "quorvel-cli: " << path << ": " << error << "\n";
            return false;
    }
}

}  // namespace quorvel::cli
