#include "archive/ViewCondition.h"

#include "archive/LockFile.h"
#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"

namespace quorvel::archive {

void s_LoadCondition(const ArchiveLocation& at, ArchiveView& view) {
    // An archive without a saved condition opens on its root, never on the
    // folder the previous archive was left on.
    view.curDir = makeKey(kRootDirId);
    view.activMail.clear();
    const std::string& table = at.defs.tblNames[kCurCondTabl];
    LtDataBaseInfo db(workingFile(at), table);
    if (!db.DB_Open(sqlSelectAllById(table), false)) {
        return;
    }
    db.DB_MoveFirst();
    if (!db.RecSet->isEOF()) {
        view.curDir = cutNull(db.RecSet->Fields(at.defs.condCols[col::kCondCurDir].colName).Value());
        view.activMail = cutNull(db.RecSet->Fields(at.defs.condCols[col::kCondActivMail].colName).Value());
    }
    db.DB_Close();
}

bool s_SaveCondition(const ArchiveLocation& at, const ArchiveView& view) {
    LtDataBaseInfo db(workingFile(at), at.defs.tblNames[kCurCondTabl]);
    // Stop at the first failing step: each has shown its own box.
    if (!db.DB_OpenClear("", true) || !db.DB_AddNew()) {
        return false;
    }
    db.RecSet->Fields(at.defs.condCols[col::kCondId].colName).setValue(1);
    db.RecSet->Fields(at.defs.condCols[col::kCondCurDir].colName).setValue(view.curDir);
    const bool ok = db.DB_Update();
    db.DB_Close();
    return ok;
}

}  // namespace quorvel::archive
