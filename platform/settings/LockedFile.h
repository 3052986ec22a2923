#pragma once

#include <functional>
#include <string>

namespace quorvel::platform {

// Reads a whole file; false when it cannot be read.
bool readWholeFile(const std::string& path, std::string& content);

// Changes a file that several processes share: under an exclusive lock on
// path + ".lock" the file is read again (nothing when missing or unreadable),
// `change` computes its new text, and the new text replaces the file
// atomically (temporary file, flushed, renamed). The file's folder is made
// when missing. False when the lock or the write failed.
bool updateFileLocked(const std::string& path, const std::function<std::string(const std::string& current)>& change);

}  // namespace quorvel::platform
