#pragma once

#include <array>
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

// One mail's values as its header row stores them, by the mail table's
// columns (col::kInfMailType to col::kInfSize; the folder and the identifier
// are the writer's). An empty value is not written.
struct MailValues {
    std::array<std::string, archive::col::kInfSize + 1> inf;
    std::string file;  // the mail file whose bytes are stored; empty for a mail parsed from memory
};

struct ParseResult {
    ParseOutcome outcome = ParseOutcome::NotMail;
    std::string error;  // why the file could not be read
    MailValues mail;    // empty unless the file is a mail
};

// Reads one mail file and answers its values. `infCols` gives the texts a
// flag column stores (the priority and attachment columns' captions). Never
// touches an archive and never changes the file.
ParseResult parseMailFile(const std::string& path, const archive::ColumnList& infCols);

// The same for a mail whose bytes are in memory (one mail of an mbox): the
// values are those parseMailFile answers for a file of these bytes. Never
// Unreadable.
ParseResult parseMail(std::string_view bytes, const archive::ColumnList& infCols);

// The file length in kilobytes, rounded up, followed by "KB" (2500 gives "3KB").
std::string kilobyteSizeText(uint64_t bytes);

}  // namespace quorvel::mailimport
