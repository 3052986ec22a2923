#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/Schema.h"
#include "archive/db/Database.h"
#include "archive/db/RecordSet.h"
#include "folders/model/FolderModel.h"

namespace quorvel::mailboximport {

// The folders an import mirrors below its target. A folder path from the
// target down names, step by step, the subfolder of that name (the first in
// the tree's order when there are several), so that importing the same tree
// again goes into the same folders; a missing one is made with the next
// folder identifier. Names are kept as the tree shows them.
class FolderMirror {
public:
    // `folders` holds the archive's folders as they stood before the import;
    // `dirCounter` is the highest folder identifier handed out so far.
    FolderMirror(const folders::FolderModel& folders, const archive::TableDefs& defs, int32_t target,
                 int32_t& dirCounter);

    // The folder of a path. A missing folder's row is written on `db`,
    // inside the caller's transaction; `made` counts them.
    std::optional<int32_t> folderFor(const std::vector<std::string>& path, archive::Database& db,
                                     archive::DbError& error, int64_t& made);
    // The name of a folder, as the tree shows it.
    std::string nameOf(int32_t id) const;

    int32_t target() const { return target_; }

private:
    std::optional<int32_t> child(int32_t parent, const std::string& name) const;
    std::optional<int32_t> makeFolder(int32_t parent, const std::string& name, archive::Database& db,
                                      archive::DbError& error);

    const folders::FolderModel& folders_;
    const archive::TableDefs& defs_;
    int32_t target_;
    int32_t& dirCounter_;
    std::map<std::pair<int32_t, std::string>, int32_t> made_;
    std::map<int32_t, std::string> madeNames_;
    std::unique_ptr<archive::RecordSet> rows_;
};

}  // namespace quorvel::mailboximport
