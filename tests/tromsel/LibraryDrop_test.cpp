// The take-over and hand-back of a window's drop target by a UIFileDragDrop
// from the built library, and drops through real widgets: the test's own drop
// target stands for the program's control, registered through the same
// registry the library uses.
#include <gtest/gtest.h>

#include <QMimeData>
#include <QWidget>

#include <memory>

#include "platform/com/ConnectionPoints.h"
#include "platform/dnd/DragDrop.h"
#include "tests/support/DragEvents.h"
#include "tests/tromsel/LibraryTestSupport.h"
#include "tests/tromsel/TestObjects.h"

namespace quorvel::test {
namespace {

using tromsel::FileDragDrop;

struct Window {
    QWidget widget;
    HWND h;
    LONG hWnd;
    RecordingDropTarget* own = new RecordingDropTarget;  // the control's own drop target

    Window() {
        widget.resize(300, 200);
        widget.move(20, 10);
        widget.show();
        h = windowHandle(&widget);
        hWnd = static_cast<LONG>(h);
        EXPECT_EQ(RegisterDragDrop(h, own), S_OK);
    }
    ~Window() {
        RevokeDragDrop(h);
        own->lastData.reset();
        EXPECT_EQ(refsOf(own), 1u);  // nobody kept a reference
        own->Release();
    }
    void* current() const { return GetPropA(h, kDropTargetProperty); }
    bool ownInPlace() const { return current() == static_cast<IDropTarget*>(own); }

    void send(QEvent::Type type, QPoint at, const QMimeData& mime) { sendDrag(&widget, type, at, &mime); }
};

struct Sinks {
    RecordingSink first, second;
    ComPtr<IConnectionPoint> point;
    DWORD_PTR c1 = 0, c2 = 0;
    explicit Sinks(FileDragDrop* object) {
        ComPtr<IConnectionPointContainer> container;
        EXPECT_EQ(object->QueryInterface(IID_IConnectionPointContainer, container.putVoid()), S_OK);
        EXPECT_EQ(container->FindConnectionPoint(tromsel::DIID__FileDragDropEvents, point.put()), S_OK);
        EXPECT_EQ(point->Advise(&first, &c1), S_OK);
        EXPECT_EQ(point->Advise(&second, &c2), S_OK);
    }
    ~Sinks() {
        point->Unadvise(c1);
        point->Unadvise(c2);
    }
};

TEST(UIFileDragDropOnWidgets, theWindowsOwnTargetIsBackWhenTheDragLeaves) {
    ActivatedObject a;
    Window win;
    Sinks sinks(a.object.get());
    Bstr location("/tmp");
    ASSERT_EQ(a.object->RegisterFileDrop(win.hWnd, location.get()), S_OK);
    EXPECT_FALSE(win.ownInPlace());
    EXPECT_NE(win.current(), nullptr);
    EXPECT_EQ(refsOf(win.own), 2u);  // the test's and the object's saved one

    QMimeData mime;
    win.send(QEvent::DragEnter, {30, 40}, mime);
    win.send(QEvent::DragMove, {31, 41}, mime);
    EXPECT_EQ(win.own->enters + win.own->overs, 0);
    // DragOver in the window's own coordinates, on both sinks.
    ASSERT_FALSE(sinks.first.dragOvers.empty());
    EXPECT_EQ(sinks.first.dragOvers.back(), std::make_pair(31, 41));
    EXPECT_EQ(sinks.second.dragOvers, sinks.first.dragOvers);
    EXPECT_EQ(sinks.first.argumentTypes.back(), VT_I4);

    win.send(QEvent::DragLeave, {}, mime);
    EXPECT_TRUE(win.ownInPlace());
    EXPECT_EQ(win.own->leaves, 0);  // the own target never had this drag
    win.send(QEvent::DragEnter, {1, 1}, mime);
    EXPECT_EQ(win.own->enters, 1);  // and it has the next one
    win.send(QEvent::DragLeave, {}, mime);
    EXPECT_EQ(win.own->leaves, 1);
}

TEST(UIFileDragDropOnWidgets, unRegisterTwiceGivesTheTargetBackOnceAndKeepsIt) {
    ActivatedObject a;
    Window win;
    Bstr location("/tmp");
    ASSERT_EQ(a.object->RegisterFileDrop(win.hWnd, location.get()), S_OK);
    EXPECT_EQ(a.object->UnRegisterFileDrop(win.hWnd), S_OK);
    EXPECT_TRUE(win.ownInPlace());
    EXPECT_EQ(a.object->UnRegisterFileDrop(win.hWnd), S_OK);
    EXPECT_TRUE(win.ownInPlace());  // the second call does not take the window's own target away
    EXPECT_EQ(refsOf(win.own), 2u);

    // Registered again, then released while registered: the window is handed back.
    ASSERT_EQ(a.object->RegisterFileDrop(win.hWnd, location.get()), S_OK);
    EXPECT_FALSE(win.ownInPlace());
    a.object.reset();
    EXPECT_TRUE(win.ownInPlace());
}

TEST(UIFileDragDropOnWidgets, aDropOfVirtualFilesWritesThemAndBothSinksHearEachItem) {
    IsolatedXdg xdg;
    ASSERT_TRUE(SUCCEEDED(ensureTromselRegistered(programDir())));
    TempDir dropFolder;
    Window win;
    ComPtr<FileDragDrop> component;
    std::unique_ptr<Sinks> sinks;

    // As the program's control does: on a drag offering the wide descriptor,
    // activate a new object and put it on the window from inside DragOver.
    win.own->onDragOver = [&] {
        FORMATETC wide{static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kDescriptorWFormat)), nullptr, DVASPECT_CONTENT,
                       -1, TYMED_HGLOBAL};
        if (win.own->lastData->QueryGetData(&wide) != S_OK) {
            return;
        }
        sinks.reset();
        ASSERT_EQ(
            CoCreateInstance(tromsel::CLSID_UIFileDragDrop, nullptr, tromsel::IID_FileDragDrop, component.putVoid()),
            S_OK);
        sinks = std::make_unique<Sinks>(component.get());
        Bstr location(dropFolder.path());
        ASSERT_EQ(component->RegisterFileDrop(win.hWnd, location.get()), S_OK);
    };

    const QString win32 = QString::fromLatin1(kQtWindowsMimePrefix);
    QMimeData mime;
    mime.setData(win32 + "FileGroupDescriptor\"", QByteArray::fromStdString(descriptorOf({"A.eml", "B.eml"})));
    mime.setData(win32 + "FileGroupDescriptorW\"", "present");
    mime.setData(win32 + "FileContents\";index=0", "Subject: a\r\n\r\nA");
    mime.setData(win32 + "FileContents\";index=1", "Subject: b\r\n\r\nB");

    win.send(QEvent::DragEnter, {5, 5}, mime);
    win.send(QEvent::DragMove, {6, 6}, mime);
    ASSERT_TRUE(component);
    win.send(QEvent::DragMove, {7, 7}, mime);
    EXPECT_EQ(win.own->leaves, 1);  // the control was told the drag left it
    win.send(QEvent::Drop, {8, 8}, mime);

    const std::string p0 = dropFolder.path() + "/0A.eml", p1 = dropFolder.path() + "/1B.eml";
    EXPECT_EQ(readFile(p0), "Subject: a\r\n\r\nA");
    EXPECT_EQ(readFile(p1), "Subject: b\r\n\r\nB");
    const std::vector<std::string> expected{p0, p0 + "," + p1};
    EXPECT_EQ(sinks->first.fileLists, expected);
    EXPECT_EQ(sinks->second.fileLists, expected);
    EXPECT_EQ(win.own->drops, 0);
    EXPECT_TRUE(win.ownInPlace());  // handed back after the drop

    // A message dragged as message/rfc822 arrives as one file, message.eml.
    QMimeData message;
    message.setData("message/rfc822", "Subject: c\r\n\r\nC");
    win.send(QEvent::DragEnter, {5, 5}, message);
    win.send(QEvent::DragMove, {6, 6}, message);
    win.send(QEvent::Drop, {7, 7}, message);
    EXPECT_EQ(readFile(dropFolder.path() + "/0message.eml"), "Subject: c\r\n\r\nC");
    EXPECT_EQ(sinks->first.fileLists.back(), dropFolder.path() + "/0message.eml");
    EXPECT_TRUE(win.ownInPlace());

    win.own->onDragOver = nullptr;
    sinks.reset();
    component.reset();
}

}  // namespace
}  // namespace quorvel::test
