#include "maillist/MailDeletion.h"

#include <algorithm>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"

namespace quorvel {

using namespace archive;

namespace {

// Identifiers per statement: a folder of 10,000 mails goes in a few
// statements, each finding its rows through the ID index.
constexpr size_t kIdsPerStatement = 500;

bool deleteRows(Database& db, const std::string& table, const std::string& idColumn, const std::vector<int32_t>& ids) {
    for (size_t from = 0; from < ids.size(); from += kIdsPerStatement) {
        const size_t to = std::min(ids.size(), from + kIdsPerStatement);
        std::string sql = "DELETE FROM " + table + " WHERE " + idColumn + " IN (";
        for (size_t i = from; i < to; ++i) {
            sql += (i == from ? "" : ",") + std::to_string(ids[i]);
        }
        sql += ")";
        DbError error;
        if (!db.execute(sql, error)) {
            return LtDataBaseInfo(db.path(), table).reportError(error, "Delete");
        }
    }
    return true;
}

}  // namespace

bool deleteMails(Database& db, const TableDefs& defs, const std::vector<int32_t>& ids) {
    return deleteRows(db, defs.tblNames[kMailInfTabl], defs.infCols[col::kInfId].colName, ids) &&
           deleteRows(db, defs.tblNames[kMailOBJTabl], defs.objCols[col::kObjId].colName, ids);
}

bool deleteMailsFromArchive(const std::string& workingFile, const TableDefs& defs, const std::vector<int32_t>& ids) {
    LtDataBaseInfo db(workingFile, defs.tblNames[kMailInfTabl]);
    if (!db.DB_Open(sqlAppendOnly(db.Tname), true)) {
        return false;
    }
    Transaction tx(*db.Dbase);
    DbError error;
    return deleteMails(*db.Dbase, defs, ids) && (tx.commit(error) || db.reportError(error, "Delete"));
}

}  // namespace quorvel
