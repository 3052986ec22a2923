#pragma once

#include <string>

#include "platform/com/ConnectionPoint.h"
#include "platform/com/RefCounted.h"
#include "platform/dnd/DndTypes.h"
#include "tromsel/FileDragDrop.h"

namespace quorvel::tromsel {

class UIFileDropTarget;

// The class UIFileDragDrop: takes over a window's drop target for one drag
// (RegisterFileDrop), writes the virtual files of a drop into `location` and
// raises FilesDropped, and gives the window its own drop target back on the
// drop, when the drag leaves, on UnRegisterFileDrop, or when it goes.
// Apartment-threaded: every call comes on the thread that made it.
class UIFileDragDrop final
    : public com::RefCounted<UIFileDragDrop, com::HeapLifetime, FileDragDrop, com::IConnectionPointContainer> {
public:
    // A new object answering `iid`, for the class factory.
    static com::HRESULT create(com::REFIID iid, void** object);

    com::HRESULT QueryInterface(com::REFIID iid, void** object) override;

    // IDispatch over FileDragDrop. Invoke returns the called method's result.
    com::HRESULT GetTypeInfoCount(com::UINT* count) override;
    com::HRESULT GetTypeInfo(com::UINT index, com::LCID lcid, com::ITypeInfo** info) override;
    com::HRESULT GetIDsOfNames(com::REFIID iid, com::OLECHAR** names, com::UINT count, com::LCID lcid,
                               com::DISPID* ids) override;
    com::HRESULT Invoke(com::DISPID member, com::REFIID iid, com::LCID lcid, com::WORD flags, com::DISPPARAMS* params,
                        com::VARIANT* result, com::EXCEPINFO* exception, com::UINT* argError) override;

    com::HRESULT RegisterFileDrop(LONG hWnd, BSTR location) override;
    com::HRESULT UnRegisterFileDrop(LONG hWnd) override;

    com::HRESULT EnumConnectionPoints(com::IEnumConnectionPoints** points) override;
    // Only _FileDragDropEvents; CONNECT_E_NOCONNECTION for any other IID.
    com::HRESULT FindConnectionPoint(com::REFIID iid, com::IConnectionPoint** point) override;

    // For the inner drop target.
    void raiseFilesDropped(const std::string& fileList);
    void raiseDragOver(LONG x, LONG y);
    std::string& location() { return location_; }
    LONG window() const { return hWnd_; }
    bool owns(const UIFileDropTarget* target) const { return target && target == inner_; }

private:
    friend RefCounted;
    UIFileDragDrop();
    ~UIFileDragDrop();

    com::ConnectionPoint events_;
    std::string location_;
    LONG hWnd_ = 0;
    UIFileDropTarget* inner_ = nullptr;  // while registered
    dnd::IDropTarget* saved_ = nullptr;  // the window's own drop target, while taken over
};

}  // namespace quorvel::tromsel
