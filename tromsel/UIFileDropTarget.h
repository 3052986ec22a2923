#pragma once

#include "platform/com/RefCounted.h"
#include "platform/dnd/DndTypes.h"

namespace quorvel::tromsel {

class UIFileDragDrop;

// The drop target a UIFileDragDrop puts on a window in place of the window's
// own. Answers IUnknown and IDropTarget only. Its link to the owner does not
// count as a reference; the owner cuts it before it goes, and a target whose
// link is cut (the drag-and-drop layer may still hold it for a moment) does
// nothing.
class UIFileDropTarget final : public com::RefCounted<UIFileDropTarget, com::HeapLifetime, dnd::IDropTarget> {
public:
    explicit UIFileDropTarget(UIFileDragDrop* owner);

    com::HRESULT QueryInterface(com::REFIID iid, void** object) override;

    com::HRESULT DragEnter(dnd::IDataObject* data, com::DWORD keyState, dnd::POINTL point, com::DWORD* effect) override;
    com::HRESULT DragOver(com::DWORD keyState, dnd::POINTL point, com::DWORD* effect) override;
    com::HRESULT DragLeave() override;
    com::HRESULT Drop(dnd::IDataObject* data, com::DWORD keyState, dnd::POINTL point, com::DWORD* effect) override;

    void detach() { owner_ = nullptr; }

private:
    friend RefCounted;
    ~UIFileDropTarget();

    UIFileDragDrop* owner_;
};

}  // namespace quorvel::tromsel
