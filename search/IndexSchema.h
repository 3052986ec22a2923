#pragma once

#include <string>

// Names for the search statements: the archive's tables and columns as
// archive/Schema.h names them, and the index's own tables.
namespace quorvel::search {

inline constexpr const char* kTextTable = "qvSearchText";
inline constexpr const char* kDocTable = "qvSearchDoc";
inline constexpr const char* kStateTable = "qvSearchState";
// The FTS5 table's own tables, which a copy of the archive's tables may
// carry without the table itself (the health repair copies plain tables
// only).
inline constexpr const char* kTextShadowTables[] = {"qvSearchText_data", "qvSearchText_idx", "qvSearchText_content",
                                                    "qvSearchText_docsize", "qvSearchText_config"};
// Raised whenever the index's tables or what goes into them change.
inline constexpr int kFormatVersion = 1;

// Each a name ready for a statement, in brackets.
struct ArchiveNames {
    std::string mails;  // MailInfTabl and its columns
    std::string id, dirId, mailType, priority, attachment, dateR, from, subject, date, to, size;
    std::string stored;  // MailOBJTabl and its columns
    std::string storedId, storedBytes;
    std::string folders;  // mailDirTabl and its columns
    std::string folderId, folderName, folderParent;
};

const ArchiveNames& archiveNames();

}  // namespace quorvel::search
