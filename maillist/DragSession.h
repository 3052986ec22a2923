#pragma once

#include <string>
#include <vector>

namespace quorvel {

// Which control the drop-target component serves while a mail program's drag
// is over the window: the component takes the window over, and the files it
// delivers go to the folder highlighted in the tree or to the list's folder.
enum class ComponentTarget { Tree, List };

// What the list and the tree share while something is dragged.
struct DragSession {
    // The keys and file names of the mails being dragged out of the list;
    // entry 0 is always empty.
    std::vector<std::string> keys{""};
    std::vector<std::string> names{""};
    bool listDragActive = false;  // a drag that started in the list is going on
    ComponentTarget componentOn = ComponentTarget::Tree;

    // As at the window's start: nothing dragged.
    void reset() { *this = DragSession{}; }
    // The dragged keys without the empty entry 0.
    std::vector<std::string> draggedKeys() const {
        return keys.empty() ? keys : std::vector<std::string>(keys.begin() + 1, keys.end());
    }
};

}  // namespace quorvel
