#pragma once

#include <string>

namespace quorvel {

// Which instances of the program are alive, told by locks that each running
// instance holds on files in the temporary folder. The system drops a lock
// when its process ends, so an instance that crashed holds nothing.
class InstanceLocks {
public:
    enum class Slot { Claimed, HeldByOther, Unavailable };

    InstanceLocks() = default;
    ~InstanceLocks();
    InstanceLocks(const InstanceLocks&) = delete;
    InstanceLocks& operator=(const InstanceLocks&) = delete;

    // Answers whether another instance runs, and from then on counts this
    // process as running. A folder where no lock can be made answers false.
    bool joinRunning(const std::string& tmpPath);

    // Claims instance number n for this process: Claimed, HeldByOther while a
    // live instance has it, Unavailable when no lock file can be made there.
    Slot claimSlot(const std::string& tmpPath, int n);

    static std::string runningLockPath(const std::string& tmpPath);
    static std::string slotLockPath(const std::string& tmpPath, int n);

private:
    int runningFd_ = -1;
    int slotFd_ = -1;
};

}  // namespace quorvel
