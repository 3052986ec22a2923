#include "folders/model/FolderModel.h"

#include <algorithm>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "folders/model/FolderNames.h"
#include "maillist/MailDeletion.h"

namespace quorvel::folders {

using namespace archive;

FolderModel::FolderModel(std::string workingFile, const TableDefs& defs)
    : file_(std::move(workingFile)), defs_(&defs) {}

const std::string& FolderModel::table(int index) const {
    return defs_->tblNames[static_cast<size_t>(index)];
}

int32_t FolderModel::storedId(Id id) {
    return keyToId(makeKey(id));
}

std::optional<FolderModel::Id> FolderModel::root() const {
    return empty() ? std::nullopt : std::optional<Id>(positions().front());
}

int32_t FolderModel::highestId() const {
    const auto& ids = positions();
    return ids.empty() ? 0 : static_cast<int32_t>(*std::max_element(ids.begin(), ids.end()));
}

bool FolderModel::load() {
    folders_ = FolderForest();
    LtDataBaseInfo db(file_, table(kMailDirTabl));
    if (!db.DB_Open(sqlSelectFolders(*defs_), false)) {
        return false;
    }
    RecordSet& rs = *db.RecSet;
    Field& id = rs.Fields(defs_->dirCols[col::kDirId].colName);
    Field& name = rs.Fields(defs_->dirCols[col::kDirName].colName);
    Field& parent = rs.Fields(defs_->dirCols[col::kDirParentId].colName);
    // Every folder is added at the top level first, so that a folder whose
    // row comes before its parent's still finds its parent afterwards. A
    // second row with an identifier already held adds nothing.
    std::vector<Id> parents;
    if (db.DB_MoveFirst()) {
        while (!rs.isEOF()) {
            folders_.add(id.Value().toInt(), nameAsShown(name.Value().toText()), std::nullopt);
            parents.push_back(parent.Value().toInt());
            if (!db.DB_MoveNext()) {
                break;
            }
        }
    }
    // Then the parents, from the second row on, each to the folder in that
    // row's position. One that is refused (missing, or the folder itself or
    // one below it) leaves the folder at the top level rather than lost.
    for (size_t i = 1; i < parents.size() && i < positions().size(); ++i) {
        folders_.setParent(positions()[i], parents[i]);
    }
    return true;
}

void FolderModel::setRootText(const std::string& text) {
    if (const auto r = root()) {
        folders_.rename(*r, text);
    }
}

bool FolderModel::writeTable(Database& db) const {
    return writeFolders(db, folders_);
}

bool FolderModel::writeFolders(Database& db, const FolderForest& folders) const {
    LtDataBaseInfo report(file_, table(kMailDirTabl));  // names the table in its boxes
    DbError error;
    const std::string clear = sqlDeleteAll(report.Tname);
    if (!db.execute(clear, error)) {
        return report.reportError(error, "Execute " + clear);
    }
    const std::string source = sqlAppendOnly(report.Tname);
    auto rs = RecordSet::open(db, source, false, true, error);
    if (!rs) {
        return report.reportError(error, "OpenRecordset " + source);
    }
    const auto& cols = defs_->dirCols;
    auto addRow = [&](int64_t id, const std::string& name, int64_t parent, bool root) {
        if (!rs->AddNew(error)) {
            return report.reportError(error, "AddNew");
        }
        rs->Fields(cols[col::kDirId].colName).setValue(id);
        rs->Fields(cols[col::kDirName].colName).setValue(name);
        rs->Fields(cols[col::kDirParentId].colName).setValue(parent);
        if (root) {
            rs->Fields(cols[col::kDirKind].colName).setValue(kRootKind);
        }
        return rs->Update(error) || report.reportError(error, "Update");
    };
    // Position 1 is always written as the fixed root row; a top-level folder
    // other than the root gets parent 0.
    bool ok = addRow(kRootDirId, kRootDirName, kRootParentId, true);
    const auto& ids = folders.positions();
    for (size_t i = 1; ok && i < ids.size(); ++i) {
        const auto parent = folders.parent(ids[i]);
        ok = addRow(storedId(ids[i]), folders.name(ids[i]), parent ? storedId(*parent) : 0, false);
    }
    return ok;
}

// The folder table emptied and written again in one transaction: a failure
// half way must not leave the archive with only part of its folders.
bool FolderModel::commitFolders(const FolderForest& folders) const {
    LtDataBaseInfo db(file_, table(kMailDirTabl));
    if (!db.DB_Open(sqlAppendOnly(db.Tname), true)) {
        return false;
    }
    Transaction tx(*db.Dbase);
    DbError error;
    return writeFolders(*db.Dbase, folders) && (tx.commit(error) || db.reportError(error, "Update"));
}

bool FolderModel::save() {
    return commitFolders(folders_);
}

int FolderModel::addFolder(Id parent, Id id, const std::string& name) {
    FolderForest next = folders_;
    if (const int refused = next.add(id, name, parent); refused != kOk) {
        return refused;
    }
    if (!commitFolders(next)) {
        return kErrArchive;
    }
    folders_ = std::move(next);
    return kOk;
}

bool FolderModel::renameFolder(Id id, const std::string& name) {
    if (!contains(id) || root() == id) {
        return false;
    }
    LtDataBaseInfo db(file_, table(kMailDirTabl));
    bool ok = db.DB_Open(sqlSelectAllById(db.Tname), true) && db.DB_FindFirst(condId(storedId(id))) && db.DB_Edit();
    if (ok) {
        db.RecSet->Fields(defs_->dirCols[col::kDirName].colName).setValue(name);
        ok = db.DB_Update();
    }
    if (ok) {
        folders_.rename(id, name);
    }
    return ok;
}

int FolderModel::moveFolder(Id id, Id parent) {
    FolderForest next = folders_;
    if (const int refused = next.setParent(id, parent); refused != kOk) {
        return refused;
    }
    if (!commitFolders(next)) {
        return kErrArchive;
    }
    folders_ = std::move(next);
    return kOk;
}

// The mails of the folders, their stored files and the folder rows go in one
// transaction: a failure leaves the archive as it was, so no mail is ever
// left in a folder that no longer exists.
bool FolderModel::deleteFolder(Id id) {
    if (!contains(id) || root() == id) {
        return false;
    }
    FolderForest next = folders_;
    next.removeSubtree(id);
    LtDataBaseInfo db(file_, table(kMailInfTabl));
    if (!db.DB_Open(sqlAppendOnly(db.Tname), true)) {
        return false;
    }
    Transaction tx(*db.Dbase);
    DbError error;
    if (!deleteMailsOf(*db.Dbase, folders_.subtree(id)) || !writeFolders(*db.Dbase, next) ||
        !(tx.commit(error) || db.reportError(error, "Update"))) {
        return false;
    }
    folders_ = std::move(next);
    return true;
}

bool FolderModel::deleteMailsOf(Database& db, const std::vector<Id>& folders) const {
    const std::string& inf = table(kMailInfTabl);
    LtDataBaseInfo report(file_, inf);
    DbError error;
    const std::string& idColumn = defs_->infCols[col::kInfId].colName;
    std::vector<int32_t> mails;
    for (Id folder : folders) {
        const std::string sql = "SELECT " + idColumn + " FROM " + inf + " WHERE " + condDirId(storedId(folder));
        auto rs = RecordSet::open(db, sql, false, false, error);
        if (!rs) {
            return report.reportError(error, "OpenRecordset " + sql);
        }
        while (!rs->isEOF()) {
            mails.push_back(static_cast<int32_t>(rs->Fields(idColumn).Value().toInt()));
            if (!rs->MoveNext(error)) {
                return report.reportError(error, "MoveNext");
            }
        }
    }
    if (!deleteMails(db, *defs_, mails)) {
        return false;
    }
    // A header row whose identifier is no number is not reached by it; it
    // goes with its folder all the same.
    for (Id folder : folders) {
        const std::string sql = "DELETE FROM " + inf + " WHERE " + condDirId(storedId(folder));
        if (!db.execute(sql, error)) {
            return report.reportError(error, "Execute " + sql);
        }
    }
    return true;
}

bool FolderModel::moveMails(const std::vector<int32_t>& mailIds, Id folder) {
    if (!contains(folder)) {
        return false;
    }
    LtDataBaseInfo db(file_, table(kMailInfTabl));
    if (!db.DB_Open(sqlSelectAllById(db.Tname), true)) {
        return false;
    }
    Transaction tx(*db.Dbase);
    const std::string dirId = std::to_string(storedId(folder));
    for (int32_t mail : mailIds) {
        if (!db.DB_FindFirst(condId(mail)) || !db.DB_Edit()) {
            continue;  // a mail no longer stored has nothing to move
        }
        db.RecSet->Fields(defs_->infCols[col::kInfDirId].colName).setValue(dirId);
        if (!db.DB_Update()) {
            return false;  // rolled back: every mail stays where it was
        }
    }
    DbError error;
    return tx.commit(error) || db.reportError(error, "Update");
}

}  // namespace quorvel::folders
