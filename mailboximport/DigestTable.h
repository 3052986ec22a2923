#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "archive/Schema.h"
#include "archive/db/Database.h"
#include "mailboximport/MailDigest.h"

struct sqlite3_stmt;

namespace quorvel::mailboximport {

// The table that keeps a digest of every mail an import with duplicate
// skipping stored. It is an addition of its own: the archive's tables stay as
// they are, and an archive without it (made before it, or repaired by a tool
// that dropped it) is simply missing digests, which are made again when a
// folder is imported into. A row counts only while the header row of its mail
// is there, and a digest that matches is confirmed on the stored bytes, so a
// row outliving its mail never makes a new mail be skipped.
inline constexpr const char* kDigestTable = "qvMailDigest";

class DigestTable {
public:
    DigestTable(archive::Database& db, const archive::TableDefs& defs);
    ~DigestTable();
    DigestTable(const DigestTable&) = delete;
    DigestTable& operator=(const DigestTable&) = delete;

    // Makes the table and its index when the archive has none, inside the
    // caller's transaction.
    bool ensure(archive::DbError& error);

    // Gives each mail of the folder that has no row, or a row whose length is
    // not its mail's, the digest of its stored bytes, reading each such mail
    // once. `keepGoing` is asked between mails; when it answers false the
    // filling stops there (`stopped`), every row written so far being right.
    bool fillFolder(int32_t folder, const std::function<bool()>& keepGoing, bool& stopped, archive::DbError& error);

    // Whether a mail of the folder holds exactly these bytes.
    bool folderHolds(int32_t folder, const MailDigest& digest, std::string_view bytes, bool& holds,
                     archive::DbError& error);

    // The digest of mail `id`, replacing any row of that identifier.
    bool record(int32_t id, const MailDigest& digest, uint64_t length, archive::DbError& error);

private:
    sqlite3_stmt* statement(sqlite3_stmt*& slot, const std::string& sql, archive::DbError& error);
    bool storedBytes(int32_t id, std::string& bytes, bool& found, archive::DbError& error);

    archive::Database& db_;
    std::string inf_, obj_, infId_, infDir_, objId_, objFile_;
    sqlite3_stmt* record_ = nullptr;
    sqlite3_stmt* lookup_ = nullptr;
    sqlite3_stmt* missing_ = nullptr;
    sqlite3_stmt* stored_ = nullptr;
};

}  // namespace quorvel::mailboximport
