#include "mailbox/FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quorvel::mailbox {

namespace {

std::string failure(const std::string& path, int code) {
    return path + ": " + std::strerror(code);
}

}  // namespace

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.release();
    }
    return *this;
}

int FileDescriptor::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

FileDescriptor openRegularFile(const std::string& path, uint64_t& size, std::string& error) {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    if (!fd.valid()) {
        // O_NOFOLLOW answers ELOOP for a link, whose usual text would mislead.
        error = errno == ELOOP ? path + ": a symbolic link, not followed" : failure(path, errno);
        return fd;
    }
    if (!isRegularFile(fd.get(), path, size, error)) {
        return FileDescriptor();
    }
    // Reads of a regular file never block; clear the flag all the same.
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool isRegularFile(int fd, const std::string& name, uint64_t& size, std::string& error) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = failure(name, errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? failure(name, EISDIR) : name + ": not a regular file";
        return false;
    }
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

ssize_t readSome(int fd, char* into, size_t count) {
    for (;;) {
        ssize_t n = ::read(fd, into, count);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

bool readPrefix(int fd, size_t limit, std::string& out, std::string& error) {
    out.resize(limit);
    size_t got = 0;
    while (got < limit) {
        ssize_t n = readSome(fd, out.data() + got, limit - got);
        if (n < 0) {
            error = std::strerror(errno);
            out.clear();
            return false;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return true;
}

WholeFile readWholeFile(const std::string& path, uint64_t maxBytes, std::string& out, std::string& error) {
    out.clear();
    uint64_t size = 0;
    FileDescriptor fd = openRegularFile(path, size, error);
    if (!fd.valid()) {
        return WholeFile::Failed;
    }
    if (size > maxBytes) {
        return WholeFile::TooLarge;
    }
    // One byte more than the limit tells a file that grew past it.
    const size_t limit = static_cast<size_t>(maxBytes) + 1;
    out.resize(static_cast<size_t>(size) + 1);
    size_t got = 0;
    for (;;) {
        if (got == out.size()) {
            if (out.size() >= limit) {
                out.clear();
                return WholeFile::TooLarge;
            }
            out.resize(std::min(limit, out.size() * 2));
        }
        ssize_t n = readSome(fd.get(), out.data() + got, out.size() - got);
        if (n < 0) {
            error = failure(path, errno);
            out.clear();
            return WholeFile::Failed;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return WholeFile::Read;
}

}  // namespace quorvel::mailbox
