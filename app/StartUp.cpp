#include "app/StartUp.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/RegIO.h"
#include "app/UserFolders.h"
#include "platform/dialogs/MessageService.h"

namespace fs = std::filesystem;

namespace quorvel {

namespace {

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

// Start-up goes on whatever the file system refuses; it says so on stderr.
void report(const std::string& what, const std::string& path) {
    std::cerr << "quorvel: " << what << ": " << path << std::endl;
}

}  // namespace

bool f_chkFolders(const std::string& programFolder) {
    bool result = true;
    if (!isFolder(programFolder + "/sys")) {
        result = false;
    }
    if (!isFolder(programFolder + "/tmp")) {
        result = false;
    }
    return result;
}

void s_initTblDefs(ProgramValues& pv) {
    pv.defs = archive::makeTableDefs();
    pv.newFlag = false;
    pv.modFlag = false;
}

bool f_splitPath(const std::string& path, std::string& folder, std::string& name) {
    size_t slash = path.rfind('/');
    bool result = false;
    if (slash != std::string::npos) {
        folder = path.substr(0, slash);
        name = path.substr(slash + 1);
        result = !name.empty() && !folder.empty() && isFolder(folder);
    }
    if (!result) {
        folder.clear();
        name.clear();
    }
    return result;
}

std::string mailerCmdFromCommand(const std::string& command) {
    // Cut before the first "%" that follows the second double quote.
    std::string cut = command;
    int quotes = 0;
    for (size_t i = 0; i < command.size(); ++i) {
        if (quotes < 2) {
            if (command[i] == '"') {
                ++quotes;
            }
        } else if (command[i] == '%') {
            cut = command.substr(0, i);
            break;
        }
    }
    std::string text;
    for (char c : cut) {
        if (c != '"') {
            text += c;
        }
    }
    if (!text.empty() && text[0] == '%') {
        size_t close = text.find('%', 1);
        if (close != std::string::npos) {
            const char* value = std::getenv(text.substr(1, close - 1).c_str());
            text = std::string(value ? value : "") + text.substr(close + 1);
        }
    }
    if (text.empty() || (text.back() != ' ' && text.back() != ':')) {
        text += ' ';
    }
    return text;
}

std::string f_getMailerCmd() {
    std::string type = f_regGetClassVal(".eml", "", "");
    if (type.empty()) {
        return {};
    }
    std::string command = f_regGetClassVal(type + "\\shell\\open\\command", "", "");
    if (command.empty()) {
        return {};
    }
    return mailerCmdFromCommand(command);
}

std::string stripCommandLineQuotes(const std::string& commandLine) {
    std::string text = commandLine;
    if (!text.empty() && text.front() == '"') {
        text.erase(0, 1);
    }
    if (!text.empty() && text.back() == '"') {
        text.pop_back();
    }
    return text;
}

bool deleteFilesIn(const std::string& folder) {
    std::error_code ec;
    bool all = true;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        // A link is removed itself, never what it points to.
        std::error_code typeEc;
        if (it->is_symlink(typeEc) || !it->is_directory(typeEc)) {
            std::error_code rmEc;
            if (!fs::remove(it->path(), rmEc)) {
                report("cannot delete", it->path().string());
                all = false;
            }
        }
    }
    return all && !ec;
}

bool removeWorkingFolder(const std::string& folder) {
    deleteFilesIn(folder);
    std::error_code ec;
    if (fs::is_empty(folder, ec) && !ec) {
        if (fs::remove(folder, ec)) {
            return true;
        }
    }
    report("cannot remove the folder", folder);
    return false;
}

void cleanTempFolder(const std::string& tmpPath) {
    std::error_code ec;
    std::vector<fs::path> folders;
    for (fs::directory_iterator it(tmpPath, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_symlink(typeEc) && it->is_directory(typeEc)) {
            folders.push_back(it->path());
        }
    }
    for (const auto& folder : folders) {
        removeWorkingFolder(folder.string());
    }
}

int32_t takeInstanceNumber(InstanceLocks& locks, const std::string& tmpPath) {
    int32_t runNo = static_cast<int32_t>(leadingNumber(f_regGetVal("", "runACnt", "0"))) + 1;
    if (runNo < 1) {
        runNo = 1;
    }
    // The count is only a starting point: a number that a live instance holds
    // is passed over, so an instance that exited early blocks nobody.
    for (int tries = 0; tries < 10000; ++tries, ++runNo) {
        InstanceLocks::Slot slot = locks.claimSlot(tmpPath, runNo);
        if (slot == InstanceLocks::Slot::HeldByOther) {
            continue;
        }
        if (slot == InstanceLocks::Slot::Claimed) {
            std::string stale = tmpPath + "/tmp" + std::to_string(runNo);
            if (isFolder(stale)) {
                removeWorkingFolder(stale);  // no live instance owns it
            }
        }
        break;
    }
    f_regSetVal("", "runACnt", static_cast<long long>(runNo));
    return runNo;
}

StartOutcome s_startUp(ProgramValues& pv, InstanceLocks& locks, const std::string& programFolder,
                       const std::string& commandLine) {
    pv.programFolder = programFolder;
    if (!f_chkFolders(programFolder)) {
        platform::msgBox(kMsgSetupBroken);
        return StartOutcome::End;
    }

    // The template and help are always read from the program folder; the
    // working files go elsewhere when the installation is read-only.
    const bool writable = programFolderWritable(programFolder);
    const WorkFolders work = defaultWorkFolders(programFolder, writable, writable ? "" : privateWorkFolder());
    // A saved folder that no longer exists (a build that was removed, an
    // earlier installation) gives way to this program folder's.
    auto savedFolder = [](const char* name, const std::string& fallback) {
        const std::string saved = f_regGetVal("", name, fallback);
        return isFolder(saved) ? saved : fallback;
    };
    pv.sysPath = savedFolder("sysPath", programFolder + "/sys");
    f_regSetVal("", "sysPath", pv.sysPath);
    pv.tmpPath = savedFolder("tmpPath", work.tmpPath);
    f_regSetVal("", "tmpPath", pv.tmpPath);
    pv.dropPath = writable ? pv.sysPath + "/tmp" : work.dropPath;

    if (!locks.joinRunning(pv.tmpPath)) {
        f_regSetVal("", "newFCnt", "0");
        f_regSetVal("", "runACnt", "0");
        cleanTempFolder(pv.tmpPath);
        const std::string& dropFolder = pv.dropPath;
        if (isFolder(dropFolder)) {
            deleteFilesIn(dropFolder);
        } else {
            std::error_code ec;
            if (!fs::create_directory(dropFolder, ec)) {
                report("cannot create the drop folder", dropFolder);
            }
        }
    }

    s_initTblDefs(pv);
    pv.useLockF = f_regGetVal("", "useLockF", "1");

    pv.cmdLine = stripCommandLineQuotes(commandLine);
    if (!pv.cmdLine.empty() && pv.cmdLine.front() != '/') {
        // A name given from a terminal is relative to its folder.
        std::error_code ec;
        const fs::path absolute = fs::absolute(pv.cmdLine, ec);
        if (!ec) {
            pv.cmdLine = absolute.lexically_normal().string();
        }
    }
    pv.arcPath.clear();
    pv.arcName.clear();
    if (!pv.cmdLine.empty()) {
        std::error_code ec;
        if (!fs::is_regular_file(pv.cmdLine, ec)) {
            platform::msgBox(kMsgFileNotFound);
        } else if (!f_splitPath(pv.cmdLine, pv.arcPath, pv.arcName)) {
            platform::msgBox(kMsgFileNotFound);
        }
    }

    pv.mailerCmd = f_getMailerCmd();
    pv.runNo = takeInstanceNumber(locks, pv.tmpPath);
    return StartOutcome::ShowWindow;
}

}  // namespace quorvel
