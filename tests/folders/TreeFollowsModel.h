#pragma once

#include <QtTest>

#include "folders/FolderTree.h"
#include "toolkit/TreeView.h"

namespace quorvel::test {

// The window's tree shows the folder model and nothing else: every folder a
// node in its position, with its text, and its subfolders in the model's
// order.
inline void verifyTreeFollowsModel(FolderTree& folders, const ui::TreeView& tree) {
    QStringList shown, held;
    for (int position = 1; position <= tree.nodeCount(); ++position) {
        const QTreeWidgetItem* node = tree.item(tree.keyAt(position));
        shown << tree.keyAt(position) + tree.text(tree.keyAt(position)) + ">";
        for (int i = 0; i < node->childCount(); ++i) {
            shown.back() += tree.keyOf(node->child(i));
        }
    }
    for (auto id : folders.model().positions()) {
        held << FolderTree::keyOf(id) + QString::fromStdString(folders.model().name(id)) + ">";
        for (auto child : folders.model().children(id)) {
            held.back() += FolderTree::keyOf(child);
        }
    }
    QCOMPARE(shown, held);
}

}  // namespace quorvel::test
