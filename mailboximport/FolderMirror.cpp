#include "mailboximport/FolderMirror.h"

#include <algorithm>

#include "archive/Schema.h"
#include "folders/model/FolderNames.h"

namespace quorvel::mailboximport {

using archive::DbError;
using folders::FolderModel;

FolderMirror::FolderMirror(const FolderModel& folders, const archive::TableDefs& defs, int32_t target,
                           int32_t& dirCounter)
    : folders_(folders), defs_(defs), target_(target), dirCounter_(dirCounter) {
    dirCounter_ = std::max(dirCounter_, folders_.highestId());
}

std::string FolderMirror::nameOf(int32_t id) const {
    const auto made = madeNames_.find(id);
    return made != madeNames_.end() ? made->second : folders_.name(id);
}

std::optional<int32_t> FolderMirror::child(int32_t parent, const std::string& name) const {
    if (const auto made = made_.find({parent, name}); made != made_.end()) {
        return made->second;
    }
    for (FolderModel::Id id : folders_.children(parent)) {
        if (folders_.name(id) == name) {
            return FolderModel::storedId(id);
        }
    }
    return std::nullopt;
}

std::optional<int32_t> FolderMirror::folderFor(const std::vector<std::string>& path, archive::Database& db,
                                               DbError& error, int64_t& made) {
    int32_t folder = target_;
    for (const std::string& part : path) {
        const std::string name = folders::nameAsShown(part);
        if (const auto found = child(folder, name)) {
            folder = *found;
            continue;
        }
        const auto fresh = makeFolder(folder, name, db, error);
        if (!fresh) {
            return std::nullopt;
        }
        ++made;
        folder = *fresh;
    }
    return folder;
}

std::optional<int32_t> FolderMirror::makeFolder(int32_t parent, const std::string& name, archive::Database& db,
                                                DbError& error) {
    const archive::TableDefs& defs = defs_;
    if (!rows_) {
        rows_ = archive::RecordSet::open(db, archive::sqlAppendOnly(defs.tblNames[archive::kMailDirTabl]), false, true,
                                         error);
        if (!rows_) {
            return std::nullopt;
        }
    }
    int32_t id = ++dirCounter_;
    while (folders_.contains(id)) {
        id = ++dirCounter_;
    }
    // The row a folder made in the tree gets: no kind, which only the root has.
    if (!rows_->AddNew(error)) {
        return std::nullopt;
    }
    rows_->Fields(defs.dirCols[archive::col::kDirId].colName).setValue(int64_t{id});
    rows_->Fields(defs.dirCols[archive::col::kDirName].colName).setValue(name);
    rows_->Fields(defs.dirCols[archive::col::kDirParentId].colName).setValue(int64_t{parent});
    if (!rows_->Update(error)) {
        return std::nullopt;
    }
    made_[{parent, name}] = id;
    madeNames_[id] = name;
    return id;
}

}  // namespace quorvel::mailboximport
