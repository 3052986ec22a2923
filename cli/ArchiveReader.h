#pragma once

#include <ostream>
#include <string>

#include "cli/Deadline.h"

struct sqlite3;

namespace quorvel::cli {

// An archive opened for reading only: the tool's reading commands never
// create or change a file, not even an empty one, which SQLite would take
// for an empty database and write.
//
// A write that was interrupted (the program or tool killed) leaves a journal
// beside the archive that only a writer may roll back; until one does, the
// archive is read from a private copy of the two files, rolled back there.
class ArchiveReader {
public:
    ArchiveReader() = default;
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Opens the archive at `path`, waiting until `deadline` for a writer that
    // holds it; false after its line on `err`. With `copy`, it is read from a
    // private copy in any case.
    bool open(const std::string& path, const Deadline& deadline, std::ostream& err, bool copy = false);

    sqlite3* db() const { return db_; }
    // The file read: the archive, or its private copy.
    const std::string& file() const { return file_; }
    // Whether an interrupted write was found and the archive is read as it
    // was before that write.
    bool interrupted() const { return interrupted_; }

    // Closes the connection (the private copy stays until the object goes).
    void close();

private:
    bool openCopy(const std::string& path, const Deadline& deadline, std::ostream& err);
    sqlite3* db_ = nullptr;
    std::string file_;
    std::string copyFolder_;
    bool interrupted_ = false;
};

// Makes ready an archive a writing command holds the claim on: it must be an
// archive file, and a journal an interrupted write left is rolled back now.
// False after its line.
bool readyForWriting(const std::string& path, const Deadline& deadline, std::ostream& err);

}  // namespace quorvel::cli
