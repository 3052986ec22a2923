#pragma once

#include <string>

namespace quorvel::archive {

enum class ArchiveCopy {
    Copied,
    Exists,  // the target exists: nothing was written
    Busy,    // a writer held the archive for longer than the wait
    Failed,  // the reason is in `error`
};

// Makes the working copy of an archive (see platform::copyFileNew, whose
// claim it hands back) while a read transaction on the archive holds the
// database's shared lock: no other connection (the command-line tool, another
// program) can change the archive half way through the copy, and a journal
// left by a writer that crashed is rolled back first. Waits up to
// `waitMilliseconds` for a writer to finish.
ArchiveCopy copyArchiveForWork(const std::string& archive, const std::string& target, std::string& error, int* claim,
                               int waitMilliseconds);

}  // namespace quorvel::archive
