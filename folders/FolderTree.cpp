#include "folders/FolderTree.h"

#include <QLabel>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "toolkit/StatusBar.h"
#include "toolkit/TreeView.h"

namespace quorvel {

using namespace archive;

FolderTree::FolderTree(ProgramValues& pv, ui::TreeView& tree, QLabel& title, ui::StatusBar& status, MailList& mails,
                       Preview& preview, QObject* parent)
    : QObject(parent), pv_(pv), tree_(tree), title_(title), status_(status), mails_(mails), preview_(preview) {
    connect(&tree_, &ui::TreeView::NodeClick, this, &FolderTree::tvTreeView_NodeClick);
}

void FolderTree::loadTree() {
    tree_.clearNodes();
    const std::string& table = pv_.defs.tblNames[kMailDirTabl];
    LtDataBaseInfo db(workingFile(pv_), table);
    if (!db.DB_Open(sqlSelectFolders(pv_.defs), false)) {
        return;
    }
    RecordSet& rs = *db.RecSet;
    Field& id = rs.Fields(pv_.defs.dirCols[col::kDirId].colName);
    Field& name = rs.Fields(pv_.defs.dirCols[col::kDirName].colName);
    Field& parent = rs.Fields(pv_.defs.dirCols[col::kDirParentId].colName);
    // Every folder becomes a node first, so that a folder whose row comes
    // before its parent's still finds its parent in the second pass.
    if (db.DB_MoveFirst()) {
        while (!rs.isEOF()) {
            const QString key = QString::fromStdString(makeKey(id.Value().toInt()));
            tree_.addNode({}, key, QString::fromStdString(name.Value().toText()), kFolderImage);
            tree_.setSorted(key, true);  // its subfolders, loaded or made later, in name order
            if (!db.DB_MoveNext()) {
                break;
            }
        }
    }
    db.DB_MoveFirst();
    if (!rs.isEOF() && db.DB_MoveNext()) {
        for (int position = 2; !rs.isEOF(); ++position) {
            const QString key = tree_.keyAt(position);
            const QString parentKey = QString::fromStdString(makeKey(parent.Value().toInt()));
            // A folder whose parent is missing, or that would close a circle,
            // stays under the archive's top level rather than being lost.
            tree_.setParent(key, parentKey);
            if (!db.DB_MoveNext()) {
                break;
            }
        }
    }
    const QString root = tree_.keyAt(1);
    if (!root.isEmpty()) {
        tree_.setText(root, QString::fromStdString(pv_.arcName));
        tree_.setImage(root, kRootImage);
        tree_.setEditable(root, false);  // the archive's own node keeps its name
        tree_.setSorted(root, true);
        tree_.setNodeExpanded(root, true);
        lastClicked_ = root;
    }
    db.DB_Close();
}

void FolderTree::s_curDirApr(const std::string& curDir) {
    const QString key = QString::fromStdString(curDir);
    tree_.selectNode(key);
    title_.setText(tree_.fullPath(key));
}

void FolderTree::tvTreeView_NodeClick(const QString& key) {
    // The archive's own node cannot be renamed.
    tree_.setLabelEdit(tree_.positionOf(key) == 1 ? ui::TreeView::LabelEdit::Manual
                                                  : ui::TreeView::LabelEdit::Automatic);
    if (key == lastClicked_) {
        return;
    }
    showFolder(key);
}

void FolderTree::showFolder(const QString& key) {
    pv_.curDir = key.toStdString();
    s_curDirApr(pv_.curDir);
    mails_.s_mailListLoad(pv_.curDir);
    showMailCount();
    lastClicked_ = key;
    preview_.clearPreview();
}

void FolderTree::showMailCount() {
    status_.setPanelText(1, QString::number(mails_.count()) + QString::fromUtf8(kMailCountSuffix));
}

bool FolderTree::s_maileDirSave() {
    LtDataBaseInfo db(workingFile(pv_), pv_.defs.tblNames[kMailDirTabl]);
    if (!db.DB_Open(sqlAppendOnly(db.Tname), true)) {
        return false;
    }
    // The table is emptied and written again in one transaction: a failure
    // half way must not leave the archive with only part of its folders.
    Transaction tx(*db.Dbase);
    DbError error;
    return writeFolderTable(*db.Dbase, {}) && (tx.commit(error) || db.reportError(error, "Update"));
}

bool FolderTree::writeFolderTable(Database& db, const QString& leaveOut) {
    LtDataBaseInfo report(workingFile(pv_), pv_.defs.tblNames[kMailDirTabl]);  // names the table in its boxes
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
    const auto& cols = pv_.defs.dirCols;
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
    auto leftOut = [&](const QString& key) {
        for (QString k = key; !k.isEmpty(); k = tree_.parentKey(k)) {
            if (k == leaveOut) {
                return true;
            }
        }
        return false;
    };
    bool ok = addRow(kRootDirId, kRootDirName, kRootParentId, true);
    for (int position = 2; ok && position <= tree_.nodeCount(); ++position) {
        const QString key = tree_.keyAt(position);
        if (!leaveOut.isEmpty() && leftOut(key)) {
            continue;
        }
        ok = addRow(keyToId(key.toStdString()), tree_.text(key).toStdString(),
                    keyToId(tree_.parentKey(key).toStdString()), false);
    }
    return ok;
}

int32_t FolderTree::maxId(int table) {
    const std::string& name = pv_.defs.tblNames[static_cast<size_t>(table)];
    LtDataBaseInfo db(workingFile(pv_), name);
    if (!db.DB_Open(sqlSelectAllByIdDesc(name), false)) {
        return 0;
    }
    db.DB_MoveFirst();
    return db.RecSet->isEOF() ? 0 : static_cast<int32_t>(db.RecSet->Fields("ID").Value().toInt());
}

int32_t FolderTree::f_getMaxDirID() {
    return maxId(kMailDirTabl);
}

int32_t FolderTree::f_getMaxMalID() {
    return maxId(kMailInfTabl);
}

}  // namespace quorvel
