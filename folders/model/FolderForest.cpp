#include "folders/model/FolderForest.h"

#include <algorithm>
#include <unordered_set>

#include "folders/model/FolderNames.h"

namespace quorvel::folders {

int FolderForest::add(Id id, std::string name, std::optional<Id> parent) {
    if (contains(id)) {
        return kErrIdInUse;
    }
    if (parent && !contains(*parent)) {
        return kErrNoSuchFolder;
    }
    folders_[id].name = std::move(name);
    positions_.push_back(id);
    attach(id, parent);
    return kOk;
}

int FolderForest::checkParent(Id id, Id parent) const {
    if (!contains(id) || !contains(parent)) {
        return kErrNoSuchFolder;
    }
    for (std::optional<Id> up = parent; up; up = folders_.at(*up).parent) {
        if (*up == id) {
            return kErrCycle;
        }
    }
    return kOk;
}

int FolderForest::setParent(Id id, Id parent) {
    if (const int refused = checkParent(id, parent); refused != kOk) {
        return refused;
    }
    if (folders_.at(id).parent == parent) {
        return kOk;  // where it is, it keeps its place among its siblings
    }
    detach(id);
    attach(id, parent);
    return kOk;
}

void FolderForest::rename(Id id, std::string name) {
    auto it = folders_.find(id);
    if (it == folders_.end()) {
        return;
    }
    it->second.name = std::move(name);
    if (it->second.parent) {
        sortChildren(*it->second.parent);
    }
}

void FolderForest::removeSubtree(Id id) {
    if (!contains(id)) {
        return;
    }
    const std::vector<Id> gone = subtree(id);
    detach(id);
    const std::unordered_set<Id> goneSet(gone.begin(), gone.end());
    for (Id g : gone) {
        folders_.erase(g);
    }
    std::erase_if(positions_, [&](Id p) { return goneSet.count(p) != 0; });
}

const std::string& FolderForest::name(Id id) const {
    static const std::string none;
    auto it = folders_.find(id);
    return it == folders_.end() ? none : it->second.name;
}

std::optional<FolderForest::Id> FolderForest::parent(Id id) const {
    auto it = folders_.find(id);
    return it == folders_.end() ? std::nullopt : it->second.parent;
}

const std::vector<FolderForest::Id>& FolderForest::children(Id id) const {
    static const std::vector<Id> none;
    auto it = folders_.find(id);
    return it == folders_.end() ? none : it->second.children;
}

std::vector<FolderForest::Id> FolderForest::subtree(Id id) const {
    std::vector<Id> out;
    if (contains(id)) {
        collectBelow(id, out);
        out.push_back(id);
    }
    return out;
}

void FolderForest::collectBelow(Id id, std::vector<Id>& out) const {
    for (Id child : folders_.at(id).children) {
        collectBelow(child, out);
        out.push_back(child);
    }
}

std::string FolderForest::fullPath(Id id) const {
    std::vector<const std::string*> names;
    for (auto it = folders_.find(id); it != folders_.end();
         it = it->second.parent ? folders_.find(*it->second.parent) : folders_.end()) {
        names.push_back(&it->second.name);
    }
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (it != names.rbegin()) {
            path += '\\';
        }
        path += **it;
    }
    return path;
}

// A folder joins its new siblings last and is then sorted among them, by a
// stable sort: among equal names the one that came last stays last.
void FolderForest::attach(Id id, std::optional<Id> parent) {
    folders_.at(id).parent = parent;
    if (!parent) {
        topLevel_.push_back(id);
        return;
    }
    folders_.at(*parent).children.push_back(id);
    sortChildren(*parent);
}

void FolderForest::detach(Id id) {
    const std::optional<Id> parent = folders_.at(id).parent;
    std::vector<Id>& siblings = parent ? folders_.at(*parent).children : topLevel_;
    siblings.erase(std::find(siblings.begin(), siblings.end(), id));
    folders_.at(id).parent.reset();
}

void FolderForest::sortChildren(Id parent) {
    std::vector<Id>& children = folders_.at(parent).children;
    std::stable_sort(children.begin(), children.end(),
                     [this](Id a, Id b) { return nameBefore(folders_.at(a).name, folders_.at(b).name); });
}

}  // namespace quorvel::folders
