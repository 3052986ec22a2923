#pragma once

#include <string>

namespace quorvel::platform {

// Copies a whole file so that the target is either the complete new file or
// what it was before: the copy goes to a temporary file in the target's
// folder, is flushed to disk, and is then renamed over the target. A crash, a
// kill or a full disk in the middle leaves the old target and no stray file.
// The kernel's fast paths do the copying: a reflink where the file system
// offers one, else copy_file_range. False with a reason on failure.
bool copyFileReplacing(const std::string& source, const std::string& target, std::string& error);

// Makes a copy that must not exist yet: false without touching an existing
// target (the reason then says it exists, and `existed` is set). The target
// appears complete or not at all.
bool copyFileNew(const std::string& source, const std::string& target, std::string& error, bool& existed);

}  // namespace quorvel::platform
