#include "cli/ArchiveClaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "archive/LockFile.h"
#include "platform/fs/FileCopy.h"

namespace quorvel::cli {

namespace {

// Whether `fd` is the file that `path` names now.
bool namesFile(const std::string& path, int fd) {
    struct stat byName {
    }, byFd{};
    return ::lstat(path.c_str(), &byName) == 0 && ::fstat(fd, &byFd) == 0 && byName.st_dev == byFd.st_dev &&
           byName.st_ino == byFd.st_ino;
}

enum class Found { Gone, Mine, ToolClaim, WindowCopy, LeftCopy, Strange };

// What stands under the claim's name when making it failed. A left-over
// empty claim is removed here, under a claim of its own, so that two tools
// clearing it at once never remove a live one.
Found inspect(const std::string& path, int& mine) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? Found::Gone : Found::Strange;
    }
    if (!S_ISREG(st.st_mode)) {
        return Found::Strange;
    }
    const int fd = platform::claimFile(path);
    if (fd < 0) {
        if (::lstat(path.c_str(), &st) != 0) {
            return Found::Gone;
        }
        // The window's working copy is never empty: it appears whole.
        return st.st_size == 0 ? Found::ToolClaim : Found::WindowCopy;
    }
    if (!namesFile(path, fd) || ::fstat(fd, &st) != 0) {
        ::close(fd);
        return Found::Gone;  // replaced meanwhile: look again
    }
    if (st.st_size != 0) {
        ::close(fd);
        return Found::LeftCopy;
    }
    mine = fd;
    return Found::Mine;
}

}  // namespace

std::string claimPathFor(const ProgramValues& pv) {
    return pv.arcPath + "/" + archive::f_getFlNameBody(pv.arcName) + ".hvl";
}

bool ArchiveClaim::take(const ProgramValues& pv, const Deadline& deadline, std::ostream& err) {
    archive_ = workingFile(pv);
    path_ = claimPathFor(pv);
    err_ = &err;
    const std::string prefix = "quorvel-cli: " + archive_ + ": ";
    if (path_ == archive_) {
        err << prefix << "cannot claim the archive (its name is that of its own working copy)\n";
        return false;
    }
    for (;;) {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            // Between the file's making and its lock another tool may have
            // taken it for a left-over and removed it: then try again.
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && namesFile(path_, fd)) {
                fd_ = fd;
                return true;
            }
            ::close(fd);
            continue;
        }
        if (errno != EEXIST) {
            err << prefix << "cannot claim the archive (cannot make " << path_ << ": " << std::strerror(errno) << ")\n";
            return false;
        }
        int left = -1;
        switch (inspect(path_, left)) {
            case Found::Gone:
                continue;
            case Found::Mine: {
                // An empty claim no live process holds: a killed tool's.
                const bool removed = ::unlink(path_.c_str()) == 0;
                const int why = errno;
                ::close(left);
                if (!removed) {
                    err << prefix << "cannot clear the claim a stopped tool left (" << path_ << ": "
                        << std::strerror(why) << ")\n";
                    return false;
                }
                continue;
            }
            case Found::ToolClaim:
                if (deadline.passed()) {
                    err << prefix << "in use by another program (still in use after waiting " << deadline.waitedText()
                        << "; see --wait)\n";
                    return false;
                }
                deadline.pause();
                continue;
            case Found::WindowCopy:
                err << prefix << "in use by another program\n";
                return false;
            case Found::LeftCopy:
                err << prefix << "the program ended without closing it and left unsaved work in " << path_
                    << "; open the archive in the program to take up or discard that work\n";
                return false;
            case Found::Strange:
                err << prefix << "cannot claim the archive (" << path_ << " is in the way and is not a plain file)\n";
                return false;
        }
    }
}

bool ArchiveClaim::release() {
    if (fd_ < 0) {
        return true;
    }
    bool removed = true;
    if (namesFile(path_, fd_) && ::unlink(path_.c_str()) != 0) {
        removed = false;
        *err_ << "quorvel-cli: " << archive_ << ": cannot remove its claim " << path_ << " (" << std::strerror(errno)
              << "); the next writer clears it\n";
    }
    ::close(fd_);
    fd_ = -1;
    return removed;
}

ArchiveClaim::~ArchiveClaim() {
    release();
}

}  // namespace quorvel::cli
