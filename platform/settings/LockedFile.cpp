#include "platform/settings/LockedFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quorvel::platform {

namespace {

bool writeAll(int fd, const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Holds an exclusive flock on a file for as long as it lives.
class FileLock {
public:
    explicit FileLock(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) {
            ::close(fd_);  // closing the descriptor releases the lock
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace

bool readWholeFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return !in.bad();
}

bool updateFileLocked(const std::string& path, const std::function<std::string(const std::string& current)>& change) {
    std::error_code ec;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
    }
    FileLock lock(path + ".lock");
    if (!lock.held()) {
        return false;
    }
    std::string current;
    if (!readWholeFile(path, current)) {
        current.clear();
    }
    const std::string text = change(current);

    const std::string tmpPath = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmpPath.c_str(), path.c_str()) == 0) {
        return true;
    }
    ::unlink(tmpPath.c_str());
    return false;
}

}  // namespace quorvel::platform
