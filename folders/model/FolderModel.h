#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "folders/model/FolderForest.h"

namespace quorvel::archive {
class Database;
struct TableDefs;
}  // namespace quorvel::archive

namespace quorvel::folders {

// The open archive's folders, without any widget: what the folder tree shows
// and what its edits do to the archive. Each edit is one transaction on the
// working file, and the folders held here change only once it committed;
// when the archive refuses, it is left as it was and the access layer's
// error sink has heard why.
//
// The folder table is always written whole from the folders held here: the
// fixed root row first, then every other folder in its position (the order
// of loading and adding), never with the root's shown name.
class FolderModel {
public:
    using Id = FolderForest::Id;

    // The answers of the edits that return a code.
    static constexpr int kOk = FolderForest::kOk;
    static constexpr int kErrNoSuchFolder = FolderForest::kErrNoSuchFolder;
    static constexpr int kErrIdInUse = FolderForest::kErrIdInUse;
    static constexpr int kErrCycle = FolderForest::kErrCycle;  // below itself: refused, nothing written
    static constexpr int kErrArchive = 1;                      // the archive refused the write

    FolderModel(std::string workingFile, const archive::TableDefs& defs);

    // Reads every folder of the folder table in place of those held. The
    // first row read is the root; a folder whose parent is missing, or that
    // would close a circle, stays at the top level. False when the table
    // could not be read; nothing is held then.
    bool load();
    // The text the root shows: the archive's file name, never stored.
    void setRootText(const std::string& text);

    bool empty() const { return folders_.empty(); }
    bool contains(Id id) const { return folders_.contains(id); }
    // The folder in position 1.
    std::optional<Id> root() const;
    const std::vector<Id>& positions() const { return folders_.positions(); }
    const std::vector<Id>& topLevel() const { return folders_.topLevel(); }
    const std::string& name(Id id) const { return folders_.name(id); }
    std::optional<Id> parent(Id id) const { return folders_.parent(id); }
    // The subfolders in the order the tree shows them.
    const std::vector<Id>& children(Id id) const { return folders_.children(id); }
    // The folder and all below it, each after all of its own descendants.
    std::vector<Id> subtree(Id id) const { return folders_.subtree(id); }
    // As the window's title shows it: "archive.qvb\inbox\work".
    std::string fullPath(Id id) const { return folders_.fullPath(id); }
    // kOk, kErrNoSuchFolder or kErrCycle for moving `id` below `parent`.
    int checkMove(Id id, Id parent) const { return folders_.checkParent(id, parent); }
    // The highest folder identifier, 0 without folders.
    int32_t highestId() const;
    // The identifier as the archive's rows carry it: the number in the
    // folder's key, 0 for one that is negative or beyond 32 bits.
    static int32_t storedId(Id id);

    // Writes the folder table inside the caller's transaction on `db`.
    bool writeTable(archive::Database& db) const;
    // Writes the folder table as the folders stand.
    bool save();
    // A folder `id` named `name` below `parent`; kErrNoSuchFolder and
    // kErrIdInUse are refused before the archive is touched.
    int addFolder(Id parent, Id id, const std::string& name);
    // A one-row update of the folder's name. The root keeps its stored name.
    bool renameFolder(Id id, const std::string& name);
    // The folder, every folder below it and every mail in any of them (both
    // of each mail's rows). The root is never deleted.
    bool deleteFolder(Id id);
    // Puts the folder below `parent` with its subtree; a move below itself is
    // kErrCycle, with nothing written.
    int moveFolder(Id id, Id parent);
    // Puts the mails into the folder; an identifier no mail carries is passed
    // over.
    bool moveMails(const std::vector<int32_t>& mailIds, Id folder);

private:
    bool writeFolders(archive::Database& db, const FolderForest& folders) const;
    bool commitFolders(const FolderForest& folders) const;
    bool deleteMailsOf(archive::Database& db, const std::vector<Id>& folders) const;
    const std::string& table(int index) const;

    std::string file_;
    const archive::TableDefs* defs_;
    FolderForest folders_;
};

}  // namespace quorvel::folders
