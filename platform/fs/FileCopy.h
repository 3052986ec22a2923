#pragma once

#include <string>

namespace quorvel::platform {

// The folder part of a path: "." for a bare name, "/" for a file at the top.
std::string folderOf(const std::string& path);

// Copies a whole file so that the target is either the complete new file or
// what it was before: the copy goes to a temporary file in the target's
// folder, is flushed to disk, and is then renamed over the target. A crash, a
// kill or a full disk in the middle leaves the old target and no stray file.
// The kernel's fast paths do the copying: a reflink where the file system
// offers one, else copy_file_range. False with a reason on failure.
bool copyFileReplacing(const std::string& source, const std::string& target, std::string& error);

// Makes a copy that must not exist yet: false without touching an existing
// target (the reason then says it exists, and `existed` is set). The target
// appears complete or not at all. With `claim`, the new file is claimed
// (see claimFile) before its name appears, and the claim's descriptor is
// handed back there: no one sees the file unclaimed.
bool copyFileNew(const std::string& source, const std::string& target, std::string& error, bool& existed,
                 int* claim = nullptr);

// Writes `bytes` as the whole of `path`: into a temporary file made
// exclusively beside it, flushed, then renamed over `path`, so a reader never
// sees a half-written file and a planted link is replaced, not followed.
// False with a reason on failure.
bool writeFileReplacing(const std::string& path, const std::string& bytes, std::string& error);

// A claim on a file for as long as a process works with it: an exclusive
// flock on a descriptor the claimer keeps open. The kernel drops it when the
// process ends however it ends, so a file left behind by a crash is free.
// Returns the descriptor, or -1 when the file is missing or claimed already.
int claimFile(const std::string& path);
// Whether a live process holds a claim on the file (the probe takes none).
bool isClaimed(const std::string& path);

}  // namespace quorvel::platform
