#include "folders/FolderEditor.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "folders/FolderTree.h"
#include "folders/frmInpDirName.h"
#include "toolkit/TreeView.h"
#include "platform/dialogs/MessageService.h"

namespace quorvel {

using namespace archive;

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
    if (parent.isEmpty()) {
        return false;
    }
    const int32_t id = ++dirCounter_;
    const QString key = QString::fromStdString(makeKey(id));
    tree_.addNode(parent, key, name, FolderTree::kFolderImage);
    tree_.setSorted(key, true);  // as every loaded folder
    tree_.setNodeExpanded(parent, true);
    if (!folders_.s_maileDirSave()) {
        tree_.removeNode(key);  // the archive was not written: neither is the tree
        return false;
    }
    pv_.modFlag = true;
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
    const std::string& table = pv_.defs.tblNames[kMailDirTabl];
    LtDataBaseInfo db(workingFile(pv_), table);
    bool ok = db.DB_Open(sqlSelectAllById(table), true) && db.DB_FindFirst(condId(keyToId(key.toStdString()))) &&
              db.DB_Edit();
    if (ok) {
        db.RecSet->Fields(pv_.defs.dirCols[col::kDirName].colName).setValue(newText.toStdString());
        ok = db.DB_Update();
    }
    // A name the archive did not take stays off the tree as well.
    *cancel = !ok;
    if (ok) {
        pv_.modFlag = true;
    }
}

std::vector<int32_t> FolderEditor::foldersBelow(const QString& key) const {
    std::vector<int32_t> ids;
    QTreeWidgetItem* item = tree_.item(key);
    if (!item) {
        return ids;
    }
    for (int i = 0; i < item->childCount(); ++i) {
        const QString child = tree_.keyOf(item->child(i));
        for (int32_t below : foldersBelow(child)) {
            ids.push_back(below);
        }
        ids.push_back(keyToId(child.toStdString()));
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
    std::vector<int32_t> folderIds{0};
    for (int32_t id : foldersBelow(folder)) {
        folderIds.push_back(id);
    }
    folderIds.push_back(keyToId(folder.toStdString()));
    if (!deleteFromArchive(folderIds, folder)) {
        return;  // rolled back: the tree and the archive still agree
    }
    const QString parent = tree_.parentKey(folder);
    tree_.removeNode(folder);
    // The parent becomes current with its own mails listed: an empty list
    // would show a folder that holds mails as empty.
    folders_.showFolder(parent);
    pv_.modFlag = true;
}

// The mails of the folders, their stored files and the folder rows go in one
// transaction: a failure leaves the archive as it was, so no mail is ever
// left in a folder that no longer exists.
bool FolderEditor::deleteFromArchive(const std::vector<int32_t>& folderIds, const QString& removedKey) {
    const auto& d = pv_.defs;
    LtDataBaseInfo inf(workingFile(pv_), d.tblNames[kMailInfTabl]);
    if (!inf.DB_Open(sqlSelectAllById(inf.Tname), true)) {
        return false;
    }
    Transaction tx(*inf.Dbase);
    // s_delMailByDir: every mail of the listed folders, collecting their identifiers.
    std::vector<int32_t> mailIds{0};
    for (size_t i = 1; i < folderIds.size(); ++i) {
        const std::string c = condDirId(folderIds[i]);
        inf.DB_MoveFirst();
        for (bool found = inf.DB_FindFirst(c); found; found = !inf.RecSet->isEOF() && inf.DB_FindNext(c)) {
            mailIds.push_back(static_cast<int32_t>(inf.RecSet->Fields("ID").Value().toInt()));
            if (!inf.DB_Delete()) {
                return false;
            }
        }
    }
    // Their stored files, by identifier.
    LtDataBaseInfo obj(workingFile(pv_), d.tblNames[kMailOBJTabl]);
    DbError error;
    const std::string objSql = sqlSelectAllById(obj.Tname);
    auto files = RecordSet::open(*inf.Dbase, objSql, false, true, error);
    if (!files) {
        return obj.reportError(error, "OpenRecordset " + objSql);
    }
    for (size_t i = 1; i < mailIds.size(); ++i) {
        if (!files->FindFirst(condId(mailIds[i]), error)) {
            return obj.reportError(error, "FindFirst " + condId(mailIds[i]));
        }
        while (!files->NoMatch()) {
            if (!files->Delete(error)) {
                return obj.reportError(error, "Delete");
            }
            if (!files->FindNext(condId(mailIds[i]), error)) {
                return obj.reportError(error, "FindNext " + condId(mailIds[i]));
            }
        }
    }
    files.reset();
    // The folder table without the deleted subtree.
    return folders_.writeFolderTable(*inf.Dbase, removedKey) && (tx.commit(error) || inf.reportError(error, "Update"));
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
