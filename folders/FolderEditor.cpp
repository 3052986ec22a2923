#include "folders/FolderEditor.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>

#include "folders/FolderTree.h"
#include "folders/frmInpDirName.h"
#include "platform/dialogs/MessageService.h"
#include "toolkit/TreeView.h"

namespace quorvel {

using folders::FolderModel;

FolderEditor::FolderEditor(ProgramValues& pv, int32_t& dirCounter, ui::TreeView& tree, FolderTree& folders,
                           QMenu& mnuEdit, QAction& mnuDelFld, QObject* parent)
    : QObject(parent),
      pv_(pv),
      dirCounter_(dirCounter),
      tree_(tree),
      folders_(folders),
      mnuEdit_(mnuEdit),
      mnuDelFld_(mnuDelFld) {
    connect(&tree_, &ui::TreeView::AfterLabelEdit, this, &FolderEditor::tvTreeView_AfterLabelEdit);
    connect(&tree_, &ui::TreeView::KeyDown, this, &FolderEditor::tvTreeView_KeyDown);
    connect(&tree_, &ui::TreeView::MouseDown, this, &FolderEditor::tvTreeView_MouseDown);
}

void FolderEditor::mnuAddFld_Click() {
    if (tree_.selectedKey().isEmpty()) {
        return;  // no archive open: nothing to put a folder under
    }
    frmInpDirName dialog([this](const QString& name) { return addFolder(name); }, tree_.window());
    dialog.exec();
}

bool FolderEditor::addFolder(const QString& name) {
    const QString parent = tree_.selectedKey();
    const auto parentId = FolderTree::idOf(parent);
    if (!parentId) {
        return false;
    }
    const int32_t id = ++dirCounter_;
    if (folders_.model().addFolder(*parentId, id, name.toStdString()) != FolderModel::kOk) {
        return false;  // the archive was not written: neither is the tree
    }
    const QString key = FolderTree::keyOf(id);
    tree_.addNode(parent, key, name, FolderTree::kFolderImage);
    tree_.setSorted(key, true);  // as every loaded folder
    tree_.setNodeExpanded(parent, true);
    pv_.markModified();
    return true;
}

void FolderEditor::tvTreeView_AfterLabelEdit(const QString& key, const QString& newText, bool* cancel) {
    if (newText == tree_.text(key)) {
        return;
    }
    if (tree_.positionOf(key) == 1) {
        *cancel = true;  // the archive's own node is never renamed
        return;
    }
    if (newText.isEmpty()) {
        // A folder needs a name, here as in the creation dialog.
        platform::msgBox(frmInpDirName::kMsgNoName);
        *cancel = true;
        return;
    }
    // A name the archive did not take stays off the tree as well.
    const auto id = FolderTree::idOf(key);
    *cancel = !id || !folders_.model().renameFolder(*id, newText.toStdString());
    if (!*cancel) {
        pv_.markModified();
    }
}

std::vector<int32_t> FolderEditor::foldersBelow(const QString& key) const {
    std::vector<int32_t> ids;
    if (const auto id = FolderTree::idOf(key)) {
        for (FolderModel::Id below : folders_.model().subtree(*id)) {
            ids.push_back(FolderModel::storedId(below));
        }
        if (!ids.empty()) {
            ids.pop_back();  // the folder itself
        }
    }
    return ids;
}

void FolderEditor::mnuDelFld_Click() {
    const QString folder = tree_.selectedKey();
    if (folder.isEmpty() || tree_.positionOf(folder) == 1) {
        return;  // nothing selected, or the archive's own node
    }
    if (platform::msgBox(tree_.text(folder).toStdString() + kMsgDeleteSuffix, platform::MsgButtons::OkCancel) !=
        platform::MsgAnswer::Ok) {
        return;
    }
    const auto id = FolderTree::idOf(folder);
    if (!id || !folders_.model().deleteFolder(*id)) {
        return;  // rolled back: the tree and the archive still agree
    }
    const QString parent = tree_.parentKey(folder);
    tree_.removeNode(folder);
    // The parent becomes current with its own mails listed: an empty list
    // would show a folder that holds mails as empty.
    folders_.showFolder(parent);
    pv_.markModified();
}

void FolderEditor::tvTreeView_KeyDown(int key, int shift) {
    if (key == Qt::Key_Delete && shift == 0 && tree_.positionOf(tree_.selectedKey()) > 1) {
        mnuDelFld_Click();
    }
}

void FolderEditor::tvTreeView_MouseDown(int button, int, const QPoint& pos) {
    pressed_ = tree_.hitTest(pos);
    if (pressed_.isEmpty()) {
        QApplication::beep();
        tree_.setDropHighlight({});
        return;
    }
    tree_.selectNode(pressed_);
    if (button == 2) {
        mnuDelFld_.setVisible(tree_.positionOf(pressed_) != 1);
        mnuEdit_.popup(QCursor::pos());
    }
    tree_.setDropHighlight({});
}

}  // namespace quorvel
