#include "archive/LockFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "archive/ArchiveCheck.h"
#include "archive/ArchiveCopy.h"
#include "archive/db/Database.h"
#include "platform/dialogs/MessageService.h"
#include "platform/fs/FileCopy.h"

namespace quorvel::archive {

std::string f_getFlNameBody(const std::string& fileName) {
    return fileName.substr(0, fileName.find('.'));
}

std::string lockNameFor(const ArchiveLocation& pv, const std::string& arcName) {
    return usesLockFiles(pv) ? f_getFlNameBody(arcName) + ".hvl" : arcName;
}

namespace {

// How long opening waits for another connection's write to the archive.
constexpr int kWriterWaitMs = 2000;

// The working copies this process has claimed, by path, with the claim's
// descriptor: the claim tells other processes that the copy is in use.
std::map<std::string, int>& claims() {
    static std::map<std::string, int> held;
    return held;
}

void holdClaim(const std::string& path, int fd) {
    int& slot = claims()[path];
    if (slot > 0) {
        ::close(slot);
    }
    slot = fd;
}

void dropClaim(const std::string& path) {
    auto it = claims().find(path);
    if (it != claims().end()) {
        ::close(it->second);
        claims().erase(it);
    }
}

// A working copy whose journal is left beside it: the journal belongs to that
// copy only, so it goes with the copy, never onto a new copy of that name.
bool removeWorkingCopy(const std::string& path) {
    std::error_code ec;
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        std::filesystem::remove(path + suffix, ec);
    }
    std::filesystem::remove(path, ec);
    return !ec;
}

// Whether the file locked through `fd` is still the one under `path`, and
// still empty: between a look and the lock, another program may have put a
// file of its own there.
bool stillTheEmptyFile(int fd, const std::string& path) {
    struct stat locked {};
    struct stat named {};
    return ::fstat(fd, &locked) == 0 && ::lstat(path.c_str(), &named) == 0 && locked.st_dev == named.st_dev &&
           locked.st_ino == named.st_ino && locked.st_size == 0;
}

enum class LeftCopy { Recovered, Discarded, Kept };

// A working copy that no live process holds was left by a program that ended
// without closing the archive: the user decides whether its work is taken up.
LeftCopy takeLeftCopy(ArchiveLocation& pv, const std::string& archivePath) {
    const std::string working = workingFile(pv);
    const int fd = platform::claimFile(working);
    if (fd < 0) {
        platform::msgBox(archivePath + kMsgInUse);  // someone took it meanwhile
        return LeftCopy::Kept;
    }
    switch (platform::msgBox(archivePath + kMsgLeftCopyQuestion, platform::MsgButtons::YesNoCancel,
                             platform::MsgIcon::Question)) {
        case platform::MsgAnswer::Yes:
            if (checkArchiveShape(working, pv.defs) == ArchiveShape::NotArchive) {
                ::close(fd);
                platform::msgBox(archivePath + kMsgLeftCopyBroken, platform::MsgButtons::Ok,
                                 platform::MsgIcon::Warning);
                return LeftCopy::Kept;
            }
            holdClaim(working, fd);
            return LeftCopy::Recovered;
        case platform::MsgAnswer::No: {
            const bool removed = removeWorkingCopy(working);
            ::close(fd);
            return removed ? LeftCopy::Discarded : LeftCopy::Kept;
        }
        default:
            ::close(fd);
            return LeftCopy::Kept;
    }
}

}  // namespace

bool f_makeLockFl(ArchiveLocation& pv, bool* recovered) {
    if (recovered) {
        *recovered = false;
    }
    pv.lockName = lockNameFor(pv, pv.arcName);
    if (!usesLockFiles(pv)) {
        return true;
    }
    const std::string archivePath = pv.arcPath + "/" + pv.arcName;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string error;
        int fd = -1;
        const ArchiveCopy copy = copyArchiveForWork(archivePath, workingFile(pv), error, &fd, kWriterWaitMs);
        if (copy == ArchiveCopy::Copied) {
            holdClaim(workingFile(pv), fd);
            markScratchFile(workingFile(pv), true);
            return true;
        }
        if (copy == ArchiveCopy::Busy) {
            platform::msgBox(archivePath + kMsgInUse);  // another connection is writing it
            return false;
        }
        if (copy == ArchiveCopy::Failed) {
            platform::msgBox("作業用のロックファイルを作れないため、" + archivePath + "を開けません。\n" + error,
                             platform::MsgButtons::Ok, platform::MsgIcon::Critical);
            return false;
        }
        if (platform::isClaimed(workingFile(pv))) {
            platform::msgBox(archivePath + kMsgInUse);
            return false;
        }
        std::error_code ec;
        if (std::filesystem::file_size(workingFile(pv), ec) == 0 && !ec) {
            // The command-line tool claims an archive with an empty file of
            // this name; one it left when it was killed holds no work. It is
            // claimed before it goes, so a tool that made it a moment ago and
            // has not locked it yet finds it taken.
            const int fd = platform::claimFile(workingFile(pv));
            if (fd < 0 || !stillTheEmptyFile(fd, workingFile(pv))) {
                if (fd >= 0) {
                    ::close(fd);
                }
                platform::msgBox(archivePath + kMsgInUse);
                return false;
            }
            removeWorkingCopy(workingFile(pv));
            ::close(fd);
            continue;
        }
        if (!recovered) {
            platform::msgBox(archivePath + kMsgInUse);
            return false;
        }
        switch (takeLeftCopy(pv, archivePath)) {
            case LeftCopy::Recovered:
                markScratchFile(workingFile(pv), true);
                *recovered = true;
                return true;
            case LeftCopy::Discarded:
                continue;  // a fresh copy of the archive
            case LeftCopy::Kept:
                return false;
        }
    }
    return false;
}

void renewClaim(const std::string& lckFn) {
    const int fd = platform::claimFile(lckFn);
    if (fd >= 0) {
        holdClaim(lckFn, fd);
    }
}

bool s_DelLockFl(const std::string& lckFn) {
    markScratchFile(lckFn, false);
    std::error_code ec;
    const bool gone = !std::filesystem::exists(lckFn, ec) || std::filesystem::remove(lckFn, ec);
    dropClaim(lckFn);
    return gone;
}

std::string cutNull(const DbValue& trdat) {
    return trdat.isNull() ? std::string() : trdat.toText();
}

}  // namespace quorvel::archive
