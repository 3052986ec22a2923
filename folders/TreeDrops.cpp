#include "folders/TreeDrops.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>

#include "archive/Schema.h"
#include "folders/FolderEditor.h"
#include "folders/FolderTree.h"
#include "maillist/ListDrops.h"
#include "platform/dnd/DragDrop.h"
#include "platform/dnd/DropTargetBase.h"
#include "platform/dnd/MimeDataObject.h"
#include "toolkit/ListView.h"
#include "toolkit/TreeView.h"

namespace quorvel {

using archive::keyToId;
using folders::FolderModel;

// The tree's own drop target: hands the drag events to the drops.
class TreeDrops::Target final : public dnd::DropTargetBase {
public:
    explicit Target(TreeDrops* owner) : owner_(owner) {}
    void detach() { owner_ = nullptr; }

    dnd::HRESULT DragEnter(dnd::IDataObject* data, dnd::DWORD, dnd::POINTL point, dnd::DWORD* effect) override {
        data_ = com::ComPtr<dnd::IDataObject>(data);
        if (owner_) {
            owner_->componentPut_ = false;  // the tree's own target has the window again
        }
        over(point, effect);
        return com::S_OK;
    }
    dnd::HRESULT DragOver(dnd::DWORD, dnd::POINTL point, dnd::DWORD* effect) override {
        over(point, effect);
        return com::S_OK;
    }
    dnd::HRESULT DragLeave() override {
        data_.reset();
        // When the component takes the window over, the drag has not left the
        // tree: the highlighted folder is where the component's files go.
        if (owner_ && !owner_->componentPut_) {
            owner_->tree_.setDropHighlight({});
        }
        return com::S_OK;
    }
    dnd::HRESULT Drop(dnd::IDataObject* data, dnd::DWORD, dnd::POINTL point, dnd::DWORD* effect) override {
        over(point, effect);
        data_.reset();
        if (owner_) {
            owner_->tvTreeView_OLEDragDrop(data);
        }
        return com::S_OK;
    }

private:
    void over(dnd::POINTL point, dnd::DWORD* effect) {
        if (!owner_) {
            if (effect) {
                *effect = 0;
            }
            return;
        }
        const QPoint pos = owner_->tree_.viewport()->mapFromGlobal(QPoint(point.x, point.y));
        owner_->tvTreeView_OLEDragOver(data_.get(), pos, effect);
    }

    TreeDrops* owner_;
    com::ComPtr<dnd::IDataObject> data_;
};

TreeDrops::TreeDrops(ProgramValues& pv, ui::TreeView& tree, ui::ListView& list, FolderTree& folders,
                     FolderEditor& editor, ListDrops& listDrops, DragSession& drag, QObject* parent)
    : QObject(parent),
      pv_(pv),
      tree_(tree),
      list_(list),
      folders_(folders),
      editor_(editor),
      listDrops_(listDrops),
      drag_(drag) {
    tree_.setAcceptDrops(true);
    target_ = new Target(this);
    dnd::RegisterDragDrop(dnd::windowHandle(&tree_), target_);
    connect(&tree_, &ui::TreeView::StartDrag, this, [this] {
        tvTreeView_OLEStartDrag();
        auto* drag = new QDrag(&tree_);
        auto* mime = new QMimeData;
        mime->setData(kFolderDragFormat, {});
        drag->setMimeData(mime);
        drag->exec(Qt::MoveAction | Qt::CopyAction | Qt::LinkAction);
        tvTreeView_OLECompleteDrag();
    });
    connect(&tree_, &ui::TreeView::MouseUp, this, [this] { tvTreeView_MouseUp(); });
    // Installed after the registration's own filter, so it sees the leave first.
    tree_.viewport()->installEventFilter(this);
}

bool TreeDrops::eventFilter(QObject* watched, QEvent* event) {
    // A drag that leaves the tree while the component holds the window never
    // reaches the tree's own target: its highlight goes here.
    if (watched == tree_.viewport() && event->type() == QEvent::DragLeave && componentPut_) {
        componentPut_ = false;
        tree_.setDropHighlight({});
    }
    return QObject::eventFilter(watched, event);
}

TreeDrops::~TreeDrops() {
    target_->detach();
    dnd::RevokeDragDrop(dnd::windowHandle(&tree_));
    target_->Release();
}

void TreeDrops::tvTreeView_OLEDragOver(dnd::IDataObject* data, const QPoint& pos, dnd::DWORD* effect) {
    const QString node = tree_.hitTest(pos);
    tree_.setDropHighlight(node);
    if (effect) {
        *effect = node.isEmpty() ? 0 : (*effect & 7);
    }
    if (!node.isEmpty() && !componentPut_ && data && listDrops_.offersVirtualFiles(data)) {
        componentPut_ = true;  // from now on the component is the window's drop target
        listDrops_.putComponentOn(tree_, ComponentTarget::Tree);
    }
}

void TreeDrops::tvTreeView_OLEDragDrop(dnd::IDataObject* data) {
    componentPut_ = false;
    const QString target = tree_.dropHighlight();
    if (target.isEmpty()) {
        return;
    }
    if (drag_.listDragActive) {
        const std::vector<std::string> keys = drag_.draggedKeys();
        if (target.toStdString() != pv_.curDir) {
            moveMails(keys, target);
        }
        drag_.keys.assign(1, "");
    } else if (treeDragActive_ && !draggedFolder_.isEmpty()) {
        moveFolder(draggedFolder_, target);
        draggedFolder_.clear();
    } else if (const QMimeData* mime = dnd::mimeDataOf(data); mime && mime->hasUrls()) {
        listDrops_.s_importDropFiles(ListDrops::droppedPaths(mime), target.toStdString());
        pv_.markModified();
    }
    tree_.setDropHighlight({});
    tree_.window()->unsetCursor();
}

bool TreeDrops::moveMails(const std::vector<std::string>& mailKeys, const QString& folderKey) {
    const bool moved = moveMailsToFolder(pv_, folders_.model(), mailKeys, folderKey);
    if (moved) {
        for (const std::string& key : mailKeys) {
            list_.removeItem(QString::fromStdString(key));
        }
    }
    folders_.showMailCount();
    return moved;
}

bool moveMailsToFolder(ProgramValues& pv, FolderModel& folders, const std::vector<std::string>& mailKeys,
                       const QString& folderKey) {
    const auto folder = FolderTree::idOf(folderKey);
    std::vector<int32_t> mailIds;
    for (const std::string& key : mailKeys) {
        mailIds.push_back(keyToId(key));
    }
    if (!folder || !folders.moveMails(mailIds, *folder)) {
        return false;  // rolled back: the list still shows what the folder holds
    }
    pv.markModified();
    return true;
}

bool TreeDrops::moveFolder(const QString& folderKey, const QString& parentKey) {
    const auto folder = FolderTree::idOf(folderKey), parent = FolderTree::idOf(parentKey);
    if (!folder || !parent) {
        return false;
    }
    switch (folders_.model().moveFolder(*folder, *parent)) {
        case FolderModel::kOk:
            break;
        case FolderModel::kErrCycle:
            // Onto itself or below itself: refused without a word. The folders
            // are saved as they stand and the archive counts as changed all
            // the same.
            QApplication::beep();
            folders_.s_maileDirSave();
            pv_.markModified();
            return false;
        default:
            return false;  // the archive keeps the old place, so does the tree
    }
    tree_.setParent(folderKey, parentKey);
    tree_.setSorted(parentKey, true);
    pv_.markModified();
    return true;
}

void TreeDrops::tvTreeView_OLEStartDrag() {
    treeDragActive_ = true;
    draggedFolder_ = editor_.pressedNode();
}

void TreeDrops::tvTreeView_OLECompleteDrag() {
    draggedFolder_.clear();
    treeDragActive_ = false;
    tree_.window()->unsetCursor();
}

void TreeDrops::tvTreeView_MouseUp() {
    drag_.keys.assign(1, "");
    draggedFolder_.clear();
}

}  // namespace quorvel
