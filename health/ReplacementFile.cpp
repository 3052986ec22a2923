#include "health/ReplacementFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/fs/FileCopy.h"

namespace quorvel::health {

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
    std::string pattern = platform::folderOf(target) + "/.quorvel-copy-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error_ = "cannot write in " + platform::folderOf(target) + ": " + std::strerror(errno);
        return;
    }
    ::flock(fd_, LOCK_EX);
    path_ = pattern;
}

ReplacementFile::~ReplacementFile() {
    if (fd_ >= 0) {
        if (!committed_) {
            ::unlink(path_.c_str());
            for (const char* suffix : {"-journal", "-wal", "-shm"}) {
                ::unlink((path_ + suffix).c_str());
            }
        }
        ::close(fd_);
    }
}

bool ReplacementFile::commit() {
    if (fd_ < 0) {
        return false;
    }
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        ::fchmod(fd_, st.st_mode & 07777);
    }
    if (::fsync(fd_) != 0 || ::rename(path_.c_str(), target_.c_str()) != 0) {
        error_ = "cannot replace " + target_ + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    const int folder = ::open(platform::folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

}  // namespace quorvel::health
