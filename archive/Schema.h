#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The archive's tables, their column lists and every statement text and search
// condition the program sends to an archive. Table and column names exist only
// here; the template archive's schema file matches them.
namespace quorvel::archive {

// Positions in tblNames (index 0 holds no table).
enum TableIndex : int { kCurCondTabl = 1, kMailDirTabl = 2, kMailInfTabl = 3, kMailBdyTabl = 4, kMailOBJTabl = 5 };

struct ColumnSpec {
    std::string colName;
    std::string caption;  // the mail list's column header (infCols only)
    int32_t width = 0;    // the mail list's column width in twips (infCols only)
};

using ColumnList = std::vector<ColumnSpec>;

// The table names and the five column lists, filled once at start-up and
// only read from then on.
//
// These column orders MUST NOT change: infCols 1 to 10 are the mail list's
// columns, whose positions and widths the settings store as hedP1..hedW10.
struct TableDefs {
    std::array<std::string, 6> tblNames;
    ColumnList condCols;
    ColumnList dirCols;
    ColumnList infCols;
    ColumnList bdyCols;
    ColumnList objCols;
};

TableDefs makeTableDefs();

// Indexes into the column lists, by column.
namespace col {
inline constexpr int kCondId = 0, kCondCurDir = 1, kCondActivMail = 2;
inline constexpr int kDirId = 0, kDirName = 1, kDirParentId = 2, kDirKind = 3;
inline constexpr int kInfDirId = 0, kInfId = 1, kInfMailType = 2, kInfPriority = 3, kInfAttachment = 4, kInfDateR = 5,
                     kInfFrom = 6, kInfSubject = 7, kInfDate = 8, kInfTo = 9, kInfSize = 10;
inline constexpr int kBdyId = 0, kBdyBody = 1;
inline constexpr int kObjId = 0, kObjFile = 1;
}  // namespace col

// The fixed root folder row.
inline constexpr int32_t kRootDirId = 1;
inline constexpr const char* kRootDirName = "ルート";
inline constexpr int32_t kRootParentId = 0;
inline constexpr int32_t kRootKind = 1;

// Statement texts.
std::string sqlSelectAllById(const std::string& table);      // "SELECT * FROM T ORDER BY ID"
std::string sqlSelectAllByIdDesc(const std::string& table);  // highest identifier first
std::string sqlSelectFolders(const TableDefs& defs);         // folders by parentID
std::string sqlMailList(const TableDefs& defs, int32_t dirId);
std::string sqlDeleteAll(const std::string& table);  // "DELETE * FROM T;"
// An updatable set over a table that reads none of its rows, for adding rows
// without fetching every row already stored.
std::string sqlAppendOnly(const std::string& table);

// Search conditions for find first / find next.
std::string condId(int32_t id);     // "ID = n"
std::string condDirId(int32_t id);  // "dirID = n"

// Folder and mail keys: the identifier followed by "_".
std::string makeKey(int64_t id);
// The leading decimal digits of a key ("12_" gives 12); 0 when there are none.
int32_t keyToId(const std::string& key);

}  // namespace quorvel::archive
