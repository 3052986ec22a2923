#include "tromsel/UIFileDropTarget.h"

#include "platform/dnd/DragDrop.h"
#include "tromsel/Extraction.h"
#include "tromsel/Module.h"
#include "tromsel/UIFileDragDrop.h"

namespace quorvel::tromsel {

using namespace com;

namespace {

dnd::HWND handleOf(LONG hWnd) {
    return static_cast<dnd::HWND>(static_cast<std::uint32_t>(hWnd));
}

}  // namespace

UIFileDropTarget::UIFileDropTarget(UIFileDragDrop* owner) : owner_(owner) {
    module::objectCreated();
}

UIFileDropTarget::~UIFileDropTarget() {
    module::objectDestroyed();
}

HRESULT UIFileDropTarget::QueryInterface(REFIID iid, void** object) {
    return answerQueryInterface(static_cast<dnd::IDropTarget*>(this), iid, {dnd::IID_IDropTarget}, object);
}

HRESULT UIFileDropTarget::DragEnter(dnd::IDataObject*, DWORD, dnd::POINTL, DWORD*) {
    return S_OK;
}

HRESULT UIFileDropTarget::DragOver(DWORD, dnd::POINTL point, DWORD*) {
    if (!owner_) {
        return S_OK;
    }
    ComPtr<FileDragDrop> hold(owner_);
    dnd::POINT client{point.x, point.y};
    dnd::ScreenToClient(handleOf(owner_->window()), &client);
    owner_->raiseDragOver(client.x, client.y);
    return S_OK;
}

HRESULT UIFileDropTarget::DragLeave() {
    if (!owner_) {
        return S_OK;
    }
    ComPtr<FileDragDrop> hold(owner_);
    owner_->UnRegisterFileDrop(owner_->window());
    return S_OK;
}

HRESULT UIFileDropTarget::Drop(dnd::IDataObject* data, DWORD, dnd::POINTL, DWORD*) {
    if (!owner_) {
        return S_OK;
    }
    // The owner and this target stay alive through the events, whatever the
    // program does from inside them.
    UIFileDragDrop* owner = owner_;
    ComPtr<FileDragDrop> holdOwner(owner);
    ComPtr<dnd::IDropTarget> holdSelf(this);
    const HRESULT result = extractDroppedFiles(data, owner->location(),
                                               [owner](const std::string& list) { owner->raiseFilesDropped(list); });
    // Hand the window back unless the program already registered the owner
    // anew from inside an event.
    if (owner->owns(this)) {
        owner->UnRegisterFileDrop(owner->window());
    }
    return result;
}

}  // namespace quorvel::tromsel
