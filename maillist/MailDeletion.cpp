#include "maillist/MailDeletion.h"

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"

namespace quorvel {

bool s_delMailByID(const ProgramValues& pv, const std::vector<int32_t>& delLst, const std::string& TblName) {
    archive::LtDataBaseInfo db(workingFile(pv), TblName);
    if (!db.DB_Open(archive::sqlSelectAllById(TblName), true)) {
        return false;
    }
    archive::Transaction tx(*db.Dbase);
    for (size_t i = 1; i < delLst.size(); ++i) {
        const std::string c = archive::condId(delLst[i]);
        db.DB_MoveFirst();
        if (!db.DB_FindFirst(c)) {
            continue;  // no row carries it
        }
        // Every row carrying the identifier goes, not only the first.
        do {
            if (!db.DB_Delete()) {
                return false;
            }
        } while (!db.RecSet->isEOF() && db.DB_FindNext(c));
    }
    archive::DbError error;
    return tx.commit(error) || db.reportError(error, "Delete");
}

}  // namespace quorvel
