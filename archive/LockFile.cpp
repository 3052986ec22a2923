#include "archive/LockFile.h"

#include <cstdio>
#include <filesystem>

#include "archive/db/Database.h"
#include "platform/dialogs/MessageService.h"
#include "platform/fs/FileCopy.h"

namespace quorvel::archive {

std::string f_getFlNameBody(const std::string& fileName) {
    return fileName.substr(0, fileName.find('.'));
}

std::string lockNameFor(const ProgramValues& pv, const std::string& arcName) {
    return usesLockFiles(pv) ? f_getFlNameBody(arcName) + ".hvl" : arcName;
}

bool f_makeLockFl(ProgramValues& pv) {
    pv.lockName = lockNameFor(pv, pv.arcName);
    if (!usesLockFiles(pv)) {
        return true;
    }
    const std::string archivePath = pv.arcPath + "/" + pv.arcName;
    std::string error;
    bool existed = false;
    if (platform::copyFileNew(archivePath, workingFile(pv), error, existed)) {
        markScratchFile(workingFile(pv), true);
        return true;
    }
    if (existed) {
        platform::msgBox(archivePath + kMsgInUse);
    } else {
        platform::msgBox("作業用のロックファイルを作れないため、" + archivePath + "を開けません。\n" + error,
                         platform::MsgButtons::Ok, platform::MsgIcon::Critical);
    }
    return false;
}

bool s_DelLockFl(const std::string& lckFn) {
    markScratchFile(lckFn, false);
    std::error_code ec;
    if (!std::filesystem::exists(lckFn, ec)) {
        return true;
    }
    return std::filesystem::remove(lckFn, ec);
}

std::string cutNull(const DbValue& trdat) {
    return trdat.isNull() ? std::string() : trdat.toText();
}

}  // namespace quorvel::archive
