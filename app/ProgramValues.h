#pragma once

#include <cstdint>
#include <string>

#include "archive/Schema.h"

namespace quorvel {

// The program-wide values of one running instance. Start-up fills them; the
// main window owns them from then on.
struct ProgramValues {
    std::string programFolder;  // the folder that holds the program file
    std::string sysPath;        // system folder: template, blank preview mail, drop folder
    std::string tmpPath;        // temporary folder; the working folder once the window loads
    std::string workPath;       // this instance's working folder, once the window made it
    std::string dropPath;       // the drop folder: mails dragged from a mail program land here
    std::string useLockF;       // "0": work on archives in place; else on a lock copy
    std::string cmdLine;        // the command line without its enclosing double quotes
    std::string arcPath;        // folder of the open archive
    std::string arcName;        // file name of the open archive
    std::string mailerCmd;      // the mail program's command prefix, or ""
    int32_t runNo = 0;          // this instance's number
    bool newFlag = false;
    bool modFlag = false;
    archive::TableDefs defs;

    // The open archive.
    std::string lockName;  // file name, in arcPath, of the working file
    std::string prevPath;  // the archive last opened successfully
    std::string prevName;
    std::string curDir = "1_";  // key of the current folder
    std::string activMail;      // key of the mail to show when the archive opens
};

// The file every database task of the open archive works on.
inline std::string workingFile(const ProgramValues& pv) {
    return pv.arcPath + "/" + pv.lockName;
}

}  // namespace quorvel
