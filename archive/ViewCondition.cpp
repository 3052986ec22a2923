#include "archive/ViewCondition.h"

#include "archive/LockFile.h"
#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"

namespace quorvel::archive {

void s_LoadCondition(ProgramValues& pv) {
    // An archive without a saved condition opens on its root, never on the
    // folder the previous archive was left on.
    pv.curDir = makeKey(kRootDirId);
    pv.activMail.clear();
    const std::string& table = pv.defs.tblNames[kCurCondTabl];
    LtDataBaseInfo db(workingFile(pv), table);
    if (!db.DB_Open(sqlSelectAllById(table), false)) {
        return;
    }
    db.DB_MoveFirst();
    if (!db.RecSet->isEOF()) {
        pv.curDir = cutNull(db.RecSet->Fields(pv.defs.condCols[col::kCondCurDir].colName).Value());
        pv.activMail = cutNull(db.RecSet->Fields(pv.defs.condCols[col::kCondActivMail].colName).Value());
    }
    db.DB_Close();
}

bool s_SaveCondition(const ProgramValues& pv) {
    LtDataBaseInfo db(workingFile(pv), pv.defs.tblNames[kCurCondTabl]);
    // Stop at the first failing step: each has shown its own box.
    if (!db.DB_OpenClear("", true) || !db.DB_AddNew()) {
        return false;
    }
    db.RecSet->Fields(pv.defs.condCols[col::kCondId].colName).setValue(1);
    db.RecSet->Fields(pv.defs.condCols[col::kCondCurDir].colName).setValue(pv.curDir);
    const bool ok = db.DB_Update();
    db.DB_Close();
    return ok;
}

}  // namespace quorvel::archive
