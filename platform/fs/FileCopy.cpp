#include "platform/fs/FileCopy.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvel::platform {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

int claimFile(const std::string& path);

namespace {

std::string reason(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) {
                ::close(fd_);
            }
            fd_ = other.release();
        }
        return *this;
    }
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool copyContents(int in, int out, off_t size) {
    if (::ioctl(out, FICLONE, in) == 0) {
        return true;  // the file system shares the blocks
    }
    off_t done = 0;
    while (done < size) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(size - done), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
            break;  // fall back to reading and writing
        }
        if (n <= 0) {
            return n == 0 ? done == size : false;
        }
        done += n;
    }
    if (done == size) {
        return true;
    }
    char buffer[1 << 16];
    if (::lseek(in, done, SEEK_SET) < 0) {
        return false;
    }
    while (done < size) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        for (ssize_t written = 0; written < n;) {
            ssize_t w = ::write(out, buffer + written, static_cast<size_t>(n - written));
            if (w < 0 && errno == EINTR) {
                continue;
            }
            if (w <= 0) {
                return false;
            }
            written += w;
        }
        done += n;
    }
    return true;
}

constexpr const char* kTemporaryPrefix = ".quorvel-copy-";

// A complete copy in a temporary file beside the target, claimed (flock) from
// its creation until the caller lets go, so that the clean-up of abandoned
// copies never takes it for one.
struct TemporaryCopy {
    std::string path;  // "" when the copy failed
    Fd claim{-1};
};

// Writes the complete copy; `extraMode` bits are added to the source's mode.
TemporaryCopy makeTemporaryCopy(const std::string& source, const std::string& target, std::string& error,
                                mode_t extraMode = 0) {
    TemporaryCopy copy;
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        error = reason("cannot read", source, errno);
        return copy;
    }
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = reason("cannot read", source, S_ISREG(st.st_mode) ? errno : EISDIR);
        return copy;
    }
    std::string tmp = folderOf(target) + "/" + kTemporaryPrefix + "XXXXXX";
    Fd out(::mkostemp(tmp.data(), O_CLOEXEC));
    if (out.get() < 0) {
        error = reason("cannot write in", folderOf(target), errno);
        return copy;
    }
    ::flock(out.get(), LOCK_EX);  // a fresh file: nobody else can hold it
    bool ok = copyContents(in.get(), out.get(), st.st_size);
    int err = errno;
    ok = ok && ::fchmod(out.get(), (st.st_mode & 0666) | extraMode) == 0;
    ok = ok && ::fsync(out.get()) == 0;
    err = ok ? 0 : (err ? err : errno);
    if (!ok) {
        ::unlink(tmp.c_str());
        error = reason("cannot write", target, err ? err : EIO);
        return copy;
    }
    copy.path = tmp;
    copy.claim = Fd(out.release());
    return copy;
}

// Temporary copies of a copy that never finished (the program was killed
// while saving) are removed; one still being written is claimed and stays.
void removeAbandonedCopies(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != std::strlen(kTemporaryPrefix) + 6 || name.rfind(kTemporaryPrefix, 0) != 0) {
            continue;
        }
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        const int claim = claimFile(path);
        if (claim >= 0) {
            ::unlink(path.c_str());
            ::close(claim);
        }
    }
    ::closedir(dir);
}

void syncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
}

}  // namespace

bool copyFileReplacing(const std::string& source, const std::string& target, std::string& error) {
    removeAbandonedCopies(folderOf(target));
    TemporaryCopy copy = makeTemporaryCopy(source, target, error);
    if (copy.path.empty()) {
        return false;
    }
    if (::rename(copy.path.c_str(), target.c_str()) != 0) {
        error = reason("cannot replace", target, errno);
        ::unlink(copy.path.c_str());
        return false;
    }
    syncFolder(folderOf(target));
    return true;
}

bool writeFileReplacing(const std::string& path, const std::string& bytes, std::string& error) {
    std::string tmp = folderOf(path) + "/" + kTemporaryPrefix + "XXXXXX";
    Fd out(::mkostemp(tmp.data(), O_CLOEXEC));
    if (out.get() < 0) {
        error = reason("cannot write in", folderOf(path), errno);
        return false;
    }
    bool ok = ::fchmod(out.get(), 0644) == 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(out.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    ok = ok && ::fsync(out.get()) == 0 && ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        error = reason("cannot write", path, errno ? errno : EIO);
        ::unlink(tmp.c_str());
    }
    return ok;
}

int claimFile(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        return -1;
    }
    return fd.release();
}

bool isClaimed(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        return false;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        return errno == EWOULDBLOCK;
    }
    ::flock(fd.get(), LOCK_UN);
    return false;
}

bool copyFileNew(const std::string& source, const std::string& target, std::string& error, bool& existed, int* claim) {
    existed = false;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        existed = true;
        error = reason("already exists:", target, EEXIST);
        return false;
    }
    removeAbandonedCopies(folderOf(target));
    // The new file is its maker's to change, whatever the mode of its source
    // (a read-only archive is still opened for work on its copy).
    TemporaryCopy copy = makeTemporaryCopy(source, target, error, S_IWUSR);
    if (copy.path.empty()) {
        return false;
    }
    const std::string& tmp = copy.path;
    // A hard link never replaces an existing name, so two instances racing
    // for the same target cannot both win.
    int rc = ::link(tmp.c_str(), target.c_str());
    int err = errno;
    if (rc != 0 && (err == EPERM || err == ENOTSUP || err == EOPNOTSUPP)) {
        // The file system has no hard links: check again and rename.
        rc = ::lstat(target.c_str(), &st) == 0 ? -1 : ::rename(tmp.c_str(), target.c_str());
        err = rc == 0 ? 0 : (errno ? errno : EEXIST);
        if (::lstat(target.c_str(), &st) == 0 && rc != 0) {
            err = EEXIST;
        }
    }
    ::unlink(tmp.c_str());
    if (rc != 0) {
        existed = err == EEXIST;
        error = reason(existed ? "already exists:" : "cannot write", target, err);
        return false;
    }
    syncFolder(folderOf(target));
    if (claim) {
        // The descriptor that wrote the copy holds its claim already.
        *claim = copy.claim.release();
    }
    return true;
}

}  // namespace quorvel::platform
