#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "app/ProgramValues.h"
#include "maillist/DragSession.h"
#include "platform/dnd/DndTypes.h"

namespace quorvel {

class FolderEditor;
class FolderTree;
class ListDrops;
namespace folders {
class FolderModel;
}  // namespace folders
namespace ui {
class ListView;
class TreeView;
}  // namespace ui

// Moves mails (keys "12_") into a folder in one transaction: all of them, or
// none when the archive refused. The caller takes their list rows away once
// this answered true.
bool moveMailsToFolder(ProgramValues& pv, folders::FolderModel& folders, const std::vector<std::string>& mailKeys,
                       const QString& folderKey);

// The folder tree as a drop target: mails dragged from the list move into the
// folder they are dropped on, a folder dragged within the tree moves with its
// subtree, and mail files from outside are imported into the folder. The
// folder under the pointer is highlighted while anything is dragged over it.
class TreeDrops : public QObject {
    Q_OBJECT
public:
    // The data format of a folder dragged within the tree; it carries nothing.
    static constexpr const char* kFolderDragFormat = "application/x-quorvel-folder";

    TreeDrops(ProgramValues& pv, ui::TreeView& tree, ui::ListView& list, FolderTree& folders, FolderEditor& editor,
              ListDrops& listDrops, DragSession& drag, QObject* parent = nullptr);
    ~TreeDrops() override;

    // The drag events, as the tree's drop target hears them; `pos` is in the
    // tree viewport's coordinates.
    void tvTreeView_OLEDragOver(dnd::IDataObject* data, const QPoint& pos, dnd::DWORD* effect);
    void tvTreeView_OLEDragDrop(dnd::IDataObject* data);
    void tvTreeView_OLEStartDrag();
    void tvTreeView_OLECompleteDrag();
    void tvTreeView_MouseUp();

    // Moves mails (keys "12_") into a folder: all of them, or none when the
    // archive refused; their list rows go once the archive has them.
    bool moveMails(const std::vector<std::string>& mailKeys, const QString& folderKey);
    // Makes `folderKey` a folder of `parentKey`; false, with a beep, when that
    // would put it below itself.
    bool moveFolder(const QString& folderKey, const QString& parentKey);

    bool treeDragActive() const { return treeDragActive_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Target;

    ProgramValues& pv_;
    ui::TreeView& tree_;
    ui::ListView& list_;
    FolderTree& folders_;
    FolderEditor& editor_;
    ListDrops& listDrops_;
    DragSession& drag_;
    Target* target_ = nullptr;
    bool treeDragActive_ = false;
    QString draggedFolder_;
    bool componentPut_ = false;  // the component took this drag already
};

}  // namespace quorvel
