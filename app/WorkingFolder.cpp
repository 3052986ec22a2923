#include "app/WorkingFolder.h"

#include <filesystem>
#include <iostream>

#include "app/RegIO.h"
#include "app/StartUp.h"
#include "platform/dialogs/MessageService.h"

namespace fs = std::filesystem;

namespace quorvel {

bool f_enterWorkingFolder(ProgramValues& pv) {
    const std::string folder = pv.tmpPath + "/tmp" + std::to_string(pv.runNo);
    std::error_code ec;
    if (fs::exists(folder, ec)) {
        platform::msgBox(kMsgCloseAllBefore + pv.tmpPath + kMsgCloseAllAfter);
        return false;
    }
    pv.tmpPath = folder;
    pv.workPath = folder;
    if (!fs::create_directory(folder, ec)) {
        std::cerr << "quorvel: cannot create the working folder " << folder << ": " << ec.message() << std::endl;
    }
    return true;
}

void s_leaveInstance(const ProgramValues& pv) {
    std::error_code ec;
    if (!pv.workPath.empty() && fs::is_directory(pv.workPath, ec)) {
        removeWorkingFolder(pv.workPath);
    }
    long long count = leadingNumber(f_regGetVal("", "runACnt", "0")) - 1;
    f_regSetVal("", "runACnt", count);
    if (count < 1) {
        f_regSetVal("", "runACnt", "0");
        f_regSetVal("", "newFCnt", "0");
    }
}

}  // namespace quorvel
