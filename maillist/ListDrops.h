#pragma once

#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/ProgramValues.h"
#include "maillist/DragSession.h"
#include "platform/com/ConnectionPoints.h"
#include "platform/dnd/DndTypes.h"
#include "tromsel/FileDragDrop.h"

class QMimeData;
class QWidget;

namespace quorvel {

class MailList;
namespace ui {
class ListView;
class StatusBar;
class TreeView;
}  // namespace ui

// The main window's state the drops read and change; every member lives as
// long as the window.
struct DropState {
    ProgramValues& pv;
    int32_t& mailCounter;
    DragSession& drag;
    int& errLogCount;  // error logs written in this run
    int16_t& cfFileGroupDescriptor;
    int16_t& cfFileGroupDescriptorW;
};

// The controls the drops work with.
struct DropControls {
    QWidget& window;  // shows the pointer shapes
    ui::ListView& list;
    ui::TreeView& tree;
    ui::StatusBar& statusBar;
    MailList& mailList;
};

// Mails dropped on the mail list: plain files from a file manager go into the
// current folder; for a mail program's virtual files the list hands the drag
// to a UIFileDragDrop, which writes each message into the drop folder and
// tells FilesDropped, and the file is imported from there and deleted.
class ListDrops {
public:
    ListDrops(const DropState& state, const DropControls& controls);
    ~ListDrops();
    ListDrops(const ListDrops&) = delete;
    ListDrops& operator=(const ListDrops&) = delete;

    // The list's drag events, as its drop target hears them.
    void lvListView_DragEnter(dnd::IDataObject* data);
    void lvListView_DragOverOrLeave();
    void lvListView_Drop(dnd::IDataObject* data);
    // Whether the list takes a drag of this data (the effect it answers).
    bool acceptsDrag(dnd::IDataObject* data) const;

    // Imports every file of a plain drop, in order, into the folder dirKey.
    // A drop that holds whole mailboxes goes to mailboxDrop instead.
    void s_importDropFiles(const std::vector<std::string>& paths, const std::string& dirKey);
    // Takes a plain drop (paths, folder key) that holds more than mail files
    // and answers true; answers false for mail files, which the list then
    // imports as it always did. Set by the window, which owns the import of
    // mailboxes.
    std::function<bool(const std::vector<std::string>&, const std::string&)> mailboxDrop;
    // Imports one file the drop-target component delivered.
    void s_importMailFl(const std::string& path, const std::string& dirKey);
    // The component's event: file_list holds the paths written so far in
    // this drop, joined by ",".
    void UIDragDrop_FilesDropped(const std::string& fileList);
    // The component's drag-over report, in the client coordinates of the
    // control it holds.
    void UIDragDrop_DragOver(int x, int y);

    // The drop folder the component writes into.
    std::string dropFolder() const { return state_.pv.dropPath; }
    // The current drop-target component; null until a drag brings virtual files.
    tromsel::FileDragDrop* UIDragDrop() const { return uiDragDrop_.get(); }

    // Puts a new drop-target component on a control's window for a drag of
    // virtual files, for the tree's highlighted folder or the list's folder.
    void putComponentOn(QWidget& control, ComponentTarget target);
    // Whether the data offers a mail program's virtual files.
    bool offersVirtualFiles(dnd::IDataObject* data) const { return offers(data, state_.cfFileGroupDescriptorW); }

    // The file paths of a plain file drop (its file:// URLs), in order.
    static std::vector<std::string> droppedPaths(const QMimeData* mime);

private:
    class Target;
    class EventSink;

    bool offers(dnd::IDataObject* data, int16_t format) const;
    void releaseComponent();

    DropState state_;
    DropControls controls_;
    Target* target_ = nullptr;  // the list's registered drop target, one reference
    com::ComPtr<tromsel::FileDragDrop> uiDragDrop_;
    com::ComPtr<com::IConnectionPoint> eventPoint_;
    EventSink* sink_ = nullptr;  // one reference while connected
    com::DWORD_PTR cookie_ = 0;
    std::string previousList_;     // the file list of the drop's event before
    std::string componentFolder_;  // the folder the files of the current drop go to
};

}  // namespace quorvel
