// The drop-target registry over real widgets (offscreen platform): the
// answers of RegisterDragDrop and RevokeDragDrop, the window property, and
// the drag events a registered target receives. A target registered during
// a drag (the component's take-over) is the library's drop test.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QMimeData>
#include <QWidget>

#include "platform/dnd/DragDrop.h"
#include "platform/dnd/MemoryStream.h"
#include "tests/support/DragEvents.h"
#include "tests/tromsel/TestObjects.h"

namespace quorvel::test {
namespace {

// A widget with drop handling of its own, as Qt delivers it.
class OwnDropWidget : public QWidget {
public:
    OwnDropWidget() { setAcceptDrops(true); }
    int ownEnters = 0;

protected:
    void dragEnterEvent(QDragEnterEvent* e) override {
        ++ownEnters;
        e->acceptProposedAction();
    }
};

// A drag offering copy and move over one widget; it enters with Ctrl held.
struct Drag {
    QWidget* receiver;
    QMimeData mime;

    Qt::DropAction send(QEvent::Type type, QPoint at = {}) {
        const Qt::KeyboardModifiers keys = type == QEvent::DragEnter ? Qt::ControlModifier : Qt::NoModifier;
        return sendDrag(receiver, type, at, &mime, keys, Qt::CopyAction | Qt::MoveAction);
    }
    bool enter(QPoint at) { return send(QEvent::DragEnter, at) != Qt::IgnoreAction; }
    Qt::DropAction move(QPoint at) { return send(QEvent::DragMove, at); }
    Qt::DropAction drop(QPoint at) { return send(QEvent::Drop, at); }
    void leave() { send(QEvent::DragLeave); }
};

TEST(DragDropRegistry, registerRevokeAndTheWindowProperty) {
    QWidget w;
    const HWND h = windowHandle(&w);
    ASSERT_NE(h, 0u);
    auto* target = new RecordingDropTarget;

    EXPECT_EQ(RegisterDragDrop(0, target), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RegisterDragDrop(h + 1000, target), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RegisterDragDrop(h, nullptr), E_INVALIDARG);
    EXPECT_EQ(RevokeDragDrop(h), DRAGDROP_E_NOTREGISTERED);
    EXPECT_EQ(RevokeDragDrop(0), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(GetPropA(h, kDropTargetProperty), nullptr);

    ASSERT_EQ(RegisterDragDrop(h, target), S_OK);
    EXPECT_EQ(refsOf(target), 2u);  // the registry holds one reference
    EXPECT_TRUE(w.acceptDrops());
    EXPECT_EQ(GetPropA(h, kDropTargetProperty), static_cast<IDropTarget*>(target));
    EXPECT_EQ(GetPropA(h, "SomethingElse"), nullptr);
    auto* other = new RecordingDropTarget;
    EXPECT_EQ(RegisterDragDrop(h, other), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(refsOf(other), 1u);

    // A handle that travelled as a 32-bit integer still names the window.
    EXPECT_EQ(windowFromHandle(static_cast<std::uint32_t>(h)), &w);

    ASSERT_EQ(RevokeDragDrop(h), S_OK);
    EXPECT_EQ(refsOf(target), 1u);
    EXPECT_FALSE(w.acceptDrops());  // as it was before
    EXPECT_EQ(GetPropA(h, kDropTargetProperty), nullptr);
    EXPECT_EQ(RevokeDragDrop(h), DRAGDROP_E_NOTREGISTERED);

    // A window that goes lets go of its target.
    {
        QWidget shortLived;
        ASSERT_EQ(RegisterDragDrop(windowHandle(&shortLived), other), S_OK);
        EXPECT_EQ(refsOf(other), 2u);
    }
    EXPECT_EQ(refsOf(other), 1u);
    other->Release();
    target->Release();
}

TEST(DragDropRegistry, aRegisteredTargetReceivesTheWidgetsDragEvents) {
    OwnDropWidget w;
    w.resize(200, 100);
    w.move(40, 30);
    w.show();
    const HWND h = windowHandle(&w);
    Drag drag{&w, {}};
    drag.mime.setData("application/x-test", "x");

    // No target: the widget's own handling runs.
    EXPECT_TRUE(drag.enter({5, 5}));
    EXPECT_EQ(w.ownEnters, 1);

    auto* target = new RecordingDropTarget;
    ASSERT_EQ(RegisterDragDrop(h, target), S_OK);
    EXPECT_TRUE(drag.enter({10, 20}));
    EXPECT_EQ(w.ownEnters, 1);
    EXPECT_EQ(target->enters, 1);
    EXPECT_EQ(target->offeredEffect, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_EQ(target->lastKeys, MK_LBUTTON | MK_CONTROL);
    const QPoint global = w.mapToGlobal(QPoint(10, 20));
    EXPECT_EQ(target->lastPoint.x, global.x());
    EXPECT_EQ(target->lastPoint.y, global.y());
    // The data is seen through the adapter, which hands out the QMimeData.
    EXPECT_EQ(mimeDataOf(target->lastData.get()), &drag.mime);

    POINT p{global.x(), global.y()};
    ASSERT_TRUE(ScreenToClient(h, &p));
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);

    target->effect = DROPEFFECT_MOVE;
    EXPECT_EQ(drag.move({11, 21}), Qt::MoveAction);
    target->effect = DROPEFFECT_NONE;
    EXPECT_EQ(drag.move({12, 22}), Qt::IgnoreAction);
    EXPECT_EQ(target->overs, 2);

    target->effect = DROPEFFECT_COPY;
    EXPECT_EQ(drag.drop({13, 23}), Qt::CopyAction);
    EXPECT_EQ(target->drops, 1);
    EXPECT_EQ(target->leaves, 0);
    // After the drag the adapter no longer reaches the drag's data.
    EXPECT_EQ(mimeDataOf(target->lastData.get()), nullptr);

    drag.enter({1, 1});
    drag.leave();
    EXPECT_EQ(target->leaves, 1);
    EXPECT_EQ(refsOf(target), 2u);  // nothing of the drags is held any more
    ASSERT_EQ(RevokeDragDrop(h), S_OK);
    target->Release();
}

// Qt sends moves and the drop only to a widget that accepted the drag's
// entry: a target that has no effect where the drag comes in (empty space
// below a tree's rows) must still get the moves onto a place it takes.
TEST(DragDropRegistry, anEntryWithNoEffectStillBringsTheMovesAndTheDrop) {
    QWidget w;
    w.resize(100, 100);
    w.show();
    const HWND h = windowHandle(&w);
    auto* target = new RecordingDropTarget;
    ASSERT_EQ(RegisterDragDrop(h, target), S_OK);
    Drag drag{&w, {}};
    target->effect = DROPEFFECT_NONE;
    EXPECT_TRUE(drag.enter({1, 90}));
    EXPECT_EQ(drag.move({1, 80}), Qt::IgnoreAction);
    target->effect = DROPEFFECT_COPY;
    EXPECT_EQ(drag.move({1, 10}), Qt::CopyAction);
    EXPECT_EQ(drag.drop({1, 10}), Qt::CopyAction);
    EXPECT_EQ(target->drops, 1);
    ASSERT_EQ(RevokeDragDrop(h), S_OK);
    target->Release();
}

TEST(DragDropRegistry, aScrollAreaGetsTheDragsOfItsViewport) {
    QListWidget list;
    list.resize(200, 200);
    list.show();
    const HWND h = windowHandle(&list);
    auto* target = new RecordingDropTarget;
    ASSERT_EQ(RegisterDragDrop(h, target), S_OK);
    EXPECT_TRUE(list.viewport()->acceptDrops());

    Drag drag{list.viewport(), {}};
    drag.enter({7, 9});
    EXPECT_EQ(target->enters, 1);
    POINT p{target->lastPoint.x, target->lastPoint.y};
    ASSERT_TRUE(ScreenToClient(h, &p));
    const QPoint expected = list.viewport()->mapTo(&list, QPoint(7, 9));
    EXPECT_EQ(p.x, expected.x());
    EXPECT_EQ(p.y, expected.y());
    drag.leave();
    ASSERT_EQ(RevokeDragDrop(h), S_OK);
    target->Release();
}

TEST(DragDropRegistry, namedFormatsMemoryAndStreams) {
    const UINT a = RegisterClipboardFormatA("FileGroupDescriptor");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatA("filegroupdescriptor"), a);
    EXPECT_NE(RegisterClipboardFormatA("FileGroupDescriptorW"), a);
    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
    EXPECT_EQ(RegisterClipboardFormatA(nullptr), 0u);

    STGMEDIUM memory{};
    memory.tymed = TYMED_HGLOBAL;
    memory.hGlobal = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 10);
    ASSERT_NE(memory.hGlobal, nullptr);
    ReleaseStgMedium(&memory);  // freed (ASan would see a leak or a double free)
    EXPECT_EQ(memory.tymed, TYMED_NULL);

    IStream* s = nullptr;
    ASSERT_EQ(createMemoryStream(std::string(2048, 'q'), &s), S_OK);
    char buf[1024];
    ULONG got = 0;
    EXPECT_EQ(s->Read(buf, 1024, &got), S_OK);
    EXPECT_EQ(got, 1024u);
    EXPECT_EQ(s->Read(buf, 1024, &got), S_OK);
    EXPECT_EQ(s->Read(buf, 1024, &got), S_FALSE);
    EXPECT_EQ(got, 0u);
    auto* owner = new RecordingDropTarget;  // any object standing for pUnkForRelease
    owner->AddRef();
    STGMEDIUM stream{};
    stream.tymed = TYMED_ISTREAM;
    stream.pstm = s;
    stream.pUnkForRelease = owner;
    ReleaseStgMedium(&stream);  // releases the stream and the owner
    EXPECT_EQ(refsOf(owner), 1u);
    owner->Release();
}

}  // namespace
}  // namespace quorvel::test
