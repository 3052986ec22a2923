#include "maillist/StoredMail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "platform/fs/FileCopy.h"

namespace quorvel {

namespace {

constexpr int64_t kCopyPiece = 1 << 20;

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

StoredMailWrite writeStoredMailFile(const archive::ArchiveLocation& pv, int32_t id, const std::string& path,
                                    std::string& error) {
    const std::string& table = pv.defs.tblNames[archive::kMailOBJTabl];
    archive::LtDataBaseInfo db(workingFile(pv), table);
    if (!db.DB_Open(archive::sqlSelectAllById(table), false)) {
        return StoredMailWrite::Failed;
    }
    db.DB_MoveFirst();
    if (!db.DB_FindFirst(archive::condId(id))) {
        return db.RecSet->NoMatch() ? StoredMailWrite::NoSuchMail : StoredMailWrite::Failed;
    }
    archive::Field& file = db.RecSet->Fields(pv.defs.objCols[archive::col::kObjFile].colName);
    const int64_t size = file.FieldSize();
    if (size == 0 && file.Value().isNull()) {
        return StoredMailWrite::NoStoredFile;
    }
    std::string temporary = platform::folderOf(path) + "/.qv-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot write in " + platform::folderOf(path) + ": " + std::strerror(errno);
        return StoredMailWrite::Failed;
    }
    bool ok = ::fchmod(fd, 0644) == 0;
    bool readFailed = false;
    for (int64_t offset = 0; ok && offset < size; offset += kCopyPiece) {
        auto piece = file.GetChunk(offset, kCopyPiece);
        readFailed = !piece;
        ok = piece && writeAll(fd, *piece);
    }
    // On disk before it has its name: a crash never leaves a short mail there.
    ok = ok && ::fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    // rename replaces whatever has the name, a link included, never what a
    // link points to.
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = readFailed ? "cannot read mail " + std::to_string(id) + " from the archive"
                           : "cannot write " + path + ": " + std::strerror(err ? err : EIO);
        return StoredMailWrite::Failed;
    }
    return StoredMailWrite::Written;
}

bool writeStoredMail(const archive::ArchiveLocation& pv, int32_t id, const std::string& path) {
    std::string error;
    return writeStoredMailFile(pv, id, path, error) == StoredMailWrite::Written;
}

}  // namespace quorvel
