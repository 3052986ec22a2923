#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvel::folders {

// The folders in memory, shaped as the tree holds them: the root and any
// folder left without a parent at the top level, in the order they came;
// below a folder its subfolders in name order, equal names in the order they
// arrived. Every folder keeps its position, the order in which folders were
// added (folder 1 is the root), since the folder table is written in it.
class FolderForest {
public:
    using Id = int64_t;

    static constexpr int kOk = 0;
    static constexpr int kErrNoSuchFolder = 35601;
    static constexpr int kErrIdInUse = 35602;
    static constexpr int kErrCycle = 35614;  // a folder cannot go below itself

    // Adds a folder in the next position, under `parent` or at the top level.
    int add(Id id, std::string name, std::optional<Id> parent);
    // Whether `id` may go below `parent`: kOk, kErrNoSuchFolder or kErrCycle
    // (`parent` is `id` itself or one of its descendants).
    int checkParent(Id id, Id parent) const;
    // Moves a folder with its subtree below `parent`, after its new siblings
    // and then sorted among them; under its own parent already, nothing moves.
    int setParent(Id id, Id parent);
    void rename(Id id, std::string name);
    // Removes a folder and every folder below it.
    void removeSubtree(Id id);

    bool empty() const { return positions_.empty(); }
    bool contains(Id id) const { return folders_.count(id) != 0; }
    const std::vector<Id>& positions() const { return positions_; }
    const std::vector<Id>& topLevel() const { return topLevel_; }
    // An unknown folder has no name, no parent and no subfolders.
    const std::string& name(Id id) const;
    std::optional<Id> parent(Id id) const;
    const std::vector<Id>& children(Id id) const;
    // The folder and every folder below it, each after all of its own
    // descendants: the order in which a deletion takes them.
    std::vector<Id> subtree(Id id) const;
    // The names from the top-level folder down to this one, joined by "\".
    std::string fullPath(Id id) const;

private:
    struct Folder {
        std::string name;
        std::optional<Id> parent;
        std::vector<Id> children;
    };

    void attach(Id id, std::optional<Id> parent);
    void detach(Id id);
    void sortChildren(Id parent);
    void collectBelow(Id id, std::vector<Id>& out) const;

    std::unordered_map<Id, Folder> folders_;
    std::vector<Id> positions_;
    std::vector<Id> topLevel_;  // never sorted, as the tree's top level
};

}  // namespace quorvel::folders
