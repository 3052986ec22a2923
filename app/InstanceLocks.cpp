#include "app/InstanceLocks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace quorvel {

namespace {

int openLockFile(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

bool tryLock(int fd, int operation) {
    while (::flock(fd, operation | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace

InstanceLocks::~InstanceLocks() {
    if (runningFd_ >= 0) {
        ::close(runningFd_);
    }
    if (slotFd_ >= 0) {
        ::close(slotFd_);
    }
}

std::string InstanceLocks::runningLockPath(const std::string& tmpPath) {
    return tmpPath + "/quorvel.lock";
}

std::string InstanceLocks::slotLockPath(const std::string& tmpPath, int n) {
    return tmpPath + "/tmp" + std::to_string(n) + ".lock";
}

bool InstanceLocks::joinRunning(const std::string& tmpPath) {
    if (runningFd_ < 0) {
        runningFd_ = openLockFile(runningLockPath(tmpPath));
        if (runningFd_ < 0) {
            return false;
        }
    }
    // Every live instance holds a shared lock; an exclusive one can be had
    // only when no other instance holds any.
    bool alone = tryLock(runningFd_, LOCK_EX);
    if (alone) {
        ::flock(runningFd_, LOCK_SH);
        return false;
    }
    ::flock(runningFd_, LOCK_SH);
    return true;
}

InstanceLocks::Slot InstanceLocks::claimSlot(const std::string& tmpPath, int n) {
    int fd = openLockFile(slotLockPath(tmpPath, n));
    if (fd < 0) {
        return Slot::Unavailable;
    }
    if (!tryLock(fd, LOCK_EX)) {
        ::close(fd);
        return Slot::HeldByOther;
    }
    if (slotFd_ >= 0) {
        ::close(slotFd_);
    }
    slotFd_ = fd;
    return Slot::Claimed;
}

}  // namespace quorvel
