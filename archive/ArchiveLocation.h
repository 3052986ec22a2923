#pragma once

#include <string>

#include "archive/Schema.h"

namespace quorvel::archive {

// Where the open archive lies and which file the program works on: all that a
// database task of the open archive needs.
struct ArchiveLocation {
    std::string arcPath;   // folder of the open archive
    std::string arcName;   // file name of the open archive
    std::string lockName;  // file name, in arcPath, of the working file
    std::string useLockF;  // "0": work on archives in place; else on a lock copy
    TableDefs defs;
};

// The file every database task of the open archive works on.
inline std::string workingFile(const ArchiveLocation& at) {
    return at.arcPath + "/" + at.lockName;
}

// Whether the program works on lock copies.
inline bool usesLockFiles(const ArchiveLocation& at) {
    return at.useLockF != "0";
}

// What the window shows of an archive, kept in the archive between sessions.
struct ArchiveView {
    std::string curDir = "1_";  // key of the current folder
    std::string activMail;      // key of the mail to show when the archive opens
};

}  // namespace quorvel::archive
