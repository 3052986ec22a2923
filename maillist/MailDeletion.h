#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::archive {
class Database;
struct TableDefs;
}  // namespace quorvel::archive

namespace quorvel {

// The one way mails leave an archive: both of a mail's rows go together, its
// header row in MailInfTabl and its stored file in MailOBJTabl, so that no
// header is ever left without its file or a file without its header.

// Deletes every row carrying one of the identifiers from both tables, inside
// the caller's transaction on `db`. A failure goes to the access layer's
// error sink, under the table it happened in; the caller must then not
// commit.
bool deleteMails(archive::Database& db, const archive::TableDefs& defs, const std::vector<int32_t>& ids);

// The same as one transaction of its own on the working file: all of the
// mails' rows, or none when a step failed.
bool deleteMailsFromArchive(const std::string& workingFile, const archive::TableDefs& defs,
                            const std::vector<int32_t>& ids);

}  // namespace quorvel
