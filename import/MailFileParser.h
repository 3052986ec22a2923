#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/Schema.h"

namespace quorvel::mailimport {

// The body line that marks an attachment; compared exactly.
inline constexpr std::string_view kAttachmentMarker = "Content-Disposition: attachment;";

// A header section longer than this is not a mail; it bounds the memory one
// parse may take whatever the file holds (a real header is a few kilobytes).
inline constexpr size_t kMaxHeaderBytes = 4 * 1024 * 1024;

enum class ParseOutcome {
    Mail,
    NotMail,
    Unreadable,  // the file could not be opened or read; also not a mail
};

struct ParseResult {
    ParseOutcome outcome = ParseOutcome::NotMail;
    std::string error;  // why the file could not be read
};

// Reads one mail file and fills the value fields of infCols (entries 2 to 10)
// and objCols (entry 1, the file's path). Every value is cleared first, and
// again when the file turns out not to be a mail. Never touches an archive
// and never changes the file.
ParseResult parseMailFile(const std::string& path, archive::ColumnList& infCols, archive::ColumnList& objCols);

// True when the file is a mail; its values are then in the column lists.
bool f_parseMailFl(const std::string& path, archive::ColumnList& infCols, archive::ColumnList& objCols);

inline bool f_parseMailFl(const std::string& path, archive::TableDefs& defs) {
    return f_parseMailFl(path, defs.infCols, defs.objCols);
}

// The file length in kilobytes, rounded up, followed by "KB" (2500 gives "3KB").
std::string kilobyteSizeText(uint64_t bytes);

}  // namespace quorvel::mailimport
