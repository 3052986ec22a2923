#pragma once

#include <string>

namespace quorvel {

// Where an instance keeps its working folders and the drop folder. In a
// program folder the user may write (the build, a private installation) they
// are the program folder's own "tmp" and "sys/tmp"; in a read-only one (a
// system installation) they go to a private folder of the user's, so that two
// users never share one.
struct WorkFolders {
    std::string tmpPath;   // the folder of the per-instance working folders
    std::string dropPath;  // where mails dragged from a mail program are written
};

// Whether the program may write its working files inside its own folder.
bool programFolderWritable(const std::string& programFolder);

// The user's private folder for the program's working files:
// $XDG_RUNTIME_DIR/quorvel, or $XDG_CACHE_HOME/quorvel (~/.cache/quorvel)
// without a runtime folder. Made with mode 0700 when missing; "" when it
// cannot be made, or is a link or someone else's.
std::string privateWorkFolder();

// The folders for a program folder: its own when `writable`, else
// subfolders "tmp" and "drop" of `privateFolder` (made when missing).
WorkFolders defaultWorkFolders(const std::string& programFolder, bool writable, const std::string& privateFolder);

}  // namespace quorvel
