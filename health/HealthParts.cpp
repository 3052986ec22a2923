#include "health/HealthParts.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "health/Sqlite.h"
#include "import/MailFileParser.h"

namespace quorvel::health {

namespace {

constexpr int64_t kPiece = 1 << 20;

// Enough of a mail for the parser to tell whether it is one.
constexpr int64_t kEnoughToTell = static_cast<int64_t>(mailimport::kMaxHeaderBytes) + kPiece;

}  // namespace

std::string readOnlyUri(const std::string& path) {
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20) {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?mode=ro";
}

StoredMails::StoredMails(sqlite3* db, const archive::TableDefs& defs)
    : db_(db), table_(defs.tblNames[archive::kMailOBJTabl]), column_(defs.objCols[archive::col::kObjFile].colName) {
    const std::string where = " FROM " + bracketed(table_) + " WHERE " + bracketed(column_) + " IS NOT NULL";
    Statement counting(db, "SELECT count(*)" + where);
    count_ = counting.step() ? counting.integer(0) : 0;
    const std::string sql = "SELECT rowid, ID, length(" + bracketed(column_) + ")" + where + " ORDER BY ID";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st_, nullptr) != SQLITE_OK) {
        ok_ = false;
        message_ = sqlite3_errmsg(db);
    }
}

StoredMails::~StoredMails() {
    sqlite3_finalize(st_);
}

bool StoredMails::next() {
    if (!st_) {
        return false;
    }
    const int rc = sqlite3_step(st_);
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE) {
            ok_ = false;
            message_ = sqlite3_errmsg(db_);
        }
        return false;
    }
    rowid_ = sqlite3_column_int64(st_, 0);
    id_ = sqlite3_column_int64(st_, 1);
    size_ = sqlite3_column_int64(st_, 2);
    return true;
}

bool StoredMails::read(int64_t offset, int64_t length, std::string& out) {
    sqlite3_blob* blob = nullptr;
    if (sqlite3_blob_open(db_, "main", table_.c_str(), column_.c_str(), rowid_, 0, &blob) != SQLITE_OK) {
        message_ = sqlite3_errmsg(db_);
        sqlite3_blob_close(blob);
        return false;
    }
    const int64_t n = std::max<int64_t>(0, std::min(length, size_ - offset));
    out.resize(static_cast<size_t>(n));
    const bool ok =
        n == 0 || sqlite3_blob_read(blob, out.data(), static_cast<int>(n), static_cast<int>(offset)) == SQLITE_OK;
    if (!ok) {
        message_ = sqlite3_errmsg(db_);
    }
    sqlite3_blob_close(blob);
    return ok;
}

MailScratch::MailScratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-check-XXXXXX").string();
    if (::mkdtemp(pattern.data())) {
        folder_ = pattern;
    }
}

MailScratch::~MailScratch() {
    std::error_code ec;
    if (!folder_.empty()) {
        std::filesystem::remove_all(folder_, ec);
    }
}

MailReading MailScratch::read(StoredMails& mails, const archive::TableDefs& defs, std::string& error, bool whole) {
    if (folder_.empty()) {
        error = "no temporary folder";
        return MailReading::Unreadable;
    }
    const std::string path = folder_ + "/mail.eml";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = std::strerror(errno);
        return MailReading::Unreadable;
    }
    const int64_t wanted = whole ? mails.size() : std::min(mails.size(), kEnoughToTell);
    bool ok = true;
    std::string piece;
    for (int64_t offset = 0; ok && offset < wanted; offset += kPiece) {
        ok = mails.read(offset, std::min(kPiece, wanted - offset), piece);
        if (!ok) {
            error = mails.message();
        }
        for (size_t done = 0; ok && done < piece.size();) {
            const ssize_t n = ::write(fd, piece.data() + done, piece.size() - done);
            if (n <= 0 && errno != EINTR) {
                ok = false;
                error = std::strerror(errno);
            }
            done += n > 0 ? static_cast<size_t>(n) : 0;
        }
    }
    ::close(fd);
    if (!ok) {
        return MailReading::Unreadable;
    }
    mailimport::ParseResult parsed = mailimport::parseMailFile(path, defs.infCols);
    values_ = std::move(parsed.mail);
    if (parsed.outcome == mailimport::ParseOutcome::Unreadable) {
        error = parsed.error;
        return MailReading::Unreadable;
    }
    return parsed.outcome == mailimport::ParseOutcome::Mail ? MailReading::Mail : MailReading::NotMail;
}

}  // namespace quorvel::health
