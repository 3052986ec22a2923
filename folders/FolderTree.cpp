#include "folders/FolderTree.h"

#include <QLabel>
#include <QStringList>
#include <charconv>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "toolkit/StatusBar.h"
#include "toolkit/TreeView.h"

namespace quorvel {

using namespace archive;
using folders::FolderModel;

FolderTree::FolderTree(ProgramValues& pv, ui::TreeView& tree, QLabel& title, ui::StatusBar& status, MailList& mails,
                       Preview& preview, QObject* parent)
    : QObject(parent),
      pv_(pv),
      tree_(tree),
      title_(title),
      status_(status),
      mails_(mails),
      preview_(preview),
      model_(workingFile(pv), pv.defs) {
    connect(&tree_, &ui::TreeView::NodeClick, this, &FolderTree::tvTreeView_NodeClick);
}

QString FolderTree::keyOf(FolderModel::Id id) {
    return QString::fromStdString(makeKey(id));
}

std::optional<FolderModel::Id> FolderTree::idOf(const QString& key) {
    const std::string text = key.toStdString();
    FolderModel::Id id = 0;
    // Only the key the identifier itself gives: "012_" names no node.
    if (std::from_chars(text.data(), text.data() + text.size(), id).ec != std::errc() || makeKey(id) != text) {
        return std::nullopt;
    }
    return id;
}

void FolderTree::loadTree() {
    tree_.clearNodes();
    model_ = FolderModel(workingFile(pv_), pv_.defs);
    if (!model_.load()) {
        return;
    }
    model_.setRootText(pv_.arcName);
    // Every folder becomes a top-level node in its position first, then takes
    // its parent in the same order as the model did: the tree sorts as the
    // model does, so the subfolders come out in the model's order.
    const auto& ids = model_.positions();
    for (FolderModel::Id id : ids) {
        tree_.addNode({}, keyOf(id), QString::fromStdString(model_.name(id)), kFolderImage);
        tree_.setSorted(keyOf(id), true);  // its subfolders, loaded or made later, in name order
    }
    for (FolderModel::Id id : ids) {
        if (const auto parent = model_.parent(id)) {
            tree_.setParent(keyOf(id), keyOf(*parent));
        }
    }
    if (const auto root = model_.root()) {
        const QString key = keyOf(*root);
        tree_.setImage(key, kRootImage);
        tree_.setEditable(key, false);  // the archive's own node keeps its name
        tree_.setNodeExpanded(key, true);
        lastClicked_ = key;
    }
}

void FolderTree::reloadTree(const QString& reveal) {
    QStringList open;
    for (FolderModel::Id id : model_.positions()) {
        if (tree_.expanded(keyOf(id))) {
            open.push_back(keyOf(id));
        }
    }
    loadTree();
    for (const QString& key : open) {
        if (tree_.exists(key)) {
            tree_.setNodeExpanded(key, true);
        }
    }
    for (QString key = reveal; tree_.exists(key); key = tree_.parentKey(key)) {
        tree_.setNodeExpanded(key, true);
    }
    const QString current = QString::fromStdString(pv_.curDir);
    if (tree_.exists(current)) {
        s_curDirApr(pv_.curDir);
        lastClicked_ = current;
    }
}

void FolderTree::s_curDirApr(const std::string& curDir) {
    const QString key = QString::fromStdString(curDir);
    tree_.selectNode(key);
    const auto id = idOf(key);
    title_.setText(id ? QString::fromStdString(model_.fullPath(*id)) : QString());
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
    return model_.save();
}

int32_t FolderTree::f_getMaxDirID() {
    return model_.highestId();
}

int32_t FolderTree::f_getMaxMalID() {
    const std::string& name = pv_.defs.tblNames[kMailInfTabl];
    LtDataBaseInfo db(workingFile(pv_), name);
    if (!db.DB_Open(sqlSelectAllByIdDesc(name), false)) {
        return 0;
    }
    db.DB_MoveFirst();
    return db.RecSet->isEOF() ? 0 : static_cast<int32_t>(db.RecSet->Fields("ID").Value().toInt());
}

}  // namespace quorvel
