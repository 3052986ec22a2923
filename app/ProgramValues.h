#pragma once

#include <cstdint>
#include <string>

#include "archive/ArchiveLocation.h"

namespace quorvel {

// The folders of one running instance, fixed at start-up.
struct InstancePaths {
    std::string programFolder;  // the folder that holds the program file
    std::string sysPath;        // system folder: template, blank preview mail, drop folder
    std::string tmpPath;        // temporary folder; the working folder once the window loads
    std::string workPath;       // this instance's working folder, once the window made it
    std::string dropPath;       // the drop folder: mails dragged from a mail program land here
    int32_t runNo = 0;          // this instance's number
};

// Whether the open archive has changes a save has not written, and which
// archive to go back to when an open fails. The archive document sets and
// clears these; everything else only marks a change.
struct DocumentState {
    bool newFlag = false;  // made from the template and never saved under a name
    bool modFlag = false;
    std::string prevPath;  // the archive last opened successfully
    std::string prevName;
    uint64_t changes = 0;  // how many changes were marked in this run

    // A change to the open archive that a save has not written yet.
    void markModified() {
        modFlag = true;
        ++changes;
    }
};

// The program-wide values of one running instance, made of the parts above so
// that each part of the program can be handed just the part it needs. Start-up
// fills them; the main window owns them from then on.
struct ProgramValues : InstancePaths, archive::ArchiveLocation, archive::ArchiveView, DocumentState {
    std::string cmdLine;    // the command line without its enclosing double quotes
    std::string mailerCmd;  // the mail program's command prefix, or ""
};

}  // namespace quorvel
