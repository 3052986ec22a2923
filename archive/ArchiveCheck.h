#pragma once

#include <string>

#include "archive/Schema.h"

namespace quorvel::archive {

// What a look at a file says about it as an archive.
enum class ArchiveShape {
    Archive,     // a database with every table and column the program reads
    NotArchive,  // not a database, or one that lacks a table or column
    Unknown,     // it could not be read now (locked, unreadable): the open decides
};

// Looks at a file without changing it (read-only; nothing is created or
// rolled back), so that a file that is not an archive is refused with one
// message before the program works on it.
ArchiveShape checkArchiveShape(const std::string& path, const TableDefs& defs);

}  // namespace quorvel::archive
