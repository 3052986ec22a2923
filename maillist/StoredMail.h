#pragma once

#include <cstdint>
#include <string>

#include "archive/ArchiveLocation.h"

namespace quorvel {

// What writing a stored mail out came to.
enum class StoredMailWrite {
    Written,
    NoSuchMail,    // no stored file row for the identifier
    NoStoredFile,  // the row holds no file (null)
    Failed,        // the archive could not be read or the file not written
};

// Writes mail `id`'s stored file, byte for byte, to `path`. It is copied in
// pieces into a temporary file made beside `path` (created exclusively, so a
// planted link is never followed, and short-named, so it fits wherever `path`
// fits) and renamed over `path` when complete: a failed write never leaves a
// truncated mail under that name. `error` gets the system's reason for a
// failed write; the access layer reports its own errors.
StoredMailWrite writeStoredMailFile(const archive::ArchiveLocation& pv, int32_t id, const std::string& path,
                                    std::string& error);

// The same, true when written.
bool writeStoredMail(const archive::ArchiveLocation& pv, int32_t id, const std::string& path);

}  // namespace quorvel
