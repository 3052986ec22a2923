#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::mailbox {

struct DirectoryEntry {
    enum class Type { File, Folder, Link, Other };
    std::string name;
    Type type = Type::Other;
    uint64_t size = 0;  // of a regular file
};

// The entries of a folder without "." and "..", sorted bytewise by name so
// that every reading of the same tree sees the same order. Entries are
// looked at with lstat: a link is reported as a link, never followed.
// False, with `error` naming the folder, when it cannot be read.
bool listDirectory(const std::string& folder, std::vector<DirectoryEntry>& entries, std::string& error);

// The type of one path, by lstat; Other with `error` set when it cannot be looked at.
DirectoryEntry::Type entryType(const std::string& path, uint64_t& size, std::string& error);

// True when `path` is a folder, not a link to one.
bool isFolder(const std::string& path);

}  // namespace quorvel::mailbox
