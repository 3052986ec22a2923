#include "tromsel/UIFileDragDrop.h"

#include <new>
#include <utility>

#include "platform/dnd/DragDrop.h"
#include "tromsel/Module.h"
#include "tromsel/TypeLibraryData.h"
#include "tromsel/UIFileDropTarget.h"

namespace quorvel::tromsel {

using namespace com;

namespace {

dnd::HWND handleOf(LONG hWnd) {
    return static_cast<dnd::HWND>(static_cast<std::uint32_t>(hWnd));
}

// A whole-number argument; VT_I4, VT_INT and VT_I2 are accepted.
bool intArgument(const VARIANT& v, LONG* out) {
    switch (v.vt) {
        case VT_I4:
            *out = v.lVal;
            return true;
        case VT_INT:
            *out = v.intVal;
            return true;
        case VT_I2:
            *out = v.iVal;
            return true;
        default:
            return false;
    }
}

HRESULT typeInfoOf(REFIID iid, ITypeInfo** info) {
    ComPtr<ITypeLib> lib;
    HRESULT result = loadTypeLib(lib.put());
    return SUCCEEDED(result) ? lib->GetTypeInfoOfGuid(iid, info) : result;
}

}  // namespace

UIFileDragDrop::UIFileDragDrop() : events_(this, DIID__FileDragDropEvents) {
    module::objectCreated();
}

UIFileDragDrop::~UIFileDragDrop() {
    if (inner_) {
        UnRegisterFileDrop(hWnd_);
    }
    if (saved_) {
        std::exchange(saved_, nullptr)->Release();
    }
    module::objectDestroyed();
}

HRESULT UIFileDragDrop::create(REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    auto* made = new (std::nothrow) UIFileDragDrop();
    if (!made) {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = made->QueryInterface(iid, object);
    made->Release();
    return result;
}

HRESULT UIFileDragDrop::QueryInterface(REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_FileDragDrop) {
        *object = static_cast<FileDragDrop*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT UIFileDragDrop::GetTypeInfoCount(UINT* count) {
    if (!count) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

HRESULT UIFileDragDrop::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) {
        return E_POINTER;
    }
    *info = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    return typeInfoOf(IID_FileDragDrop, info);
}

HRESULT UIFileDragDrop::GetIDsOfNames(REFIID iid, OLECHAR** names, UINT count, LCID, DISPID* ids) {
    if (iid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    ComPtr<ITypeInfo> info;
    HRESULT result = typeInfoOf(IID_FileDragDrop, info.put());
    return SUCCEEDED(result) ? info->GetIDsOfNames(names, count, ids) : result;
}

HRESULT UIFileDragDrop::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO*, UINT* argError) {
    if (iid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if (!params) {
        return E_INVALIDARG;
    }
    if (!(flags & DISPATCH_METHOD) || (member != DISPID_RegisterFileDrop && member != DISPID_UnRegisterFileDrop)) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (params->cNamedArgs) {
        return DISP_E_NONAMEDARGS;
    }
    if (result) {
        VariantInit(result);  // the methods give back their result code only
    }
    const UINT expected = member == DISPID_RegisterFileDrop ? 2 : 1;
    if (params->cArgs != expected || !params->rgvarg) {
        return DISP_E_BADPARAMCOUNT;
    }
    // Arguments come last first: rgvarg[cArgs - 1] is hWnd.
    LONG hWnd = 0;
    if (!intArgument(params->rgvarg[expected - 1], &hWnd)) {
        if (argError) {
            *argError = expected - 1;
        }
        return DISP_E_TYPEMISMATCH;
    }
    if (member == DISPID_UnRegisterFileDrop) {
        return UnRegisterFileDrop(hWnd);
    }
    const VARIANT& location = params->rgvarg[0];
    if (location.vt != VT_BSTR) {
        if (argError) {
            *argError = 0;
        }
        return DISP_E_TYPEMISMATCH;
    }
    return RegisterFileDrop(hWnd, location.bstrVal);
}

HRESULT UIFileDragDrop::RegisterFileDrop(LONG hWnd, BSTR location) {
    if (inner_) {
        UnRegisterFileDrop(hWnd_);  // one window at a time
    }
    auto* inner = new (std::nothrow) UIFileDropTarget(this);
    if (!inner) {
        return E_OUTOFMEMORY;
    }
    const dnd::HWND window = handleOf(hWnd);
    HRESULT result = dnd::RegisterDragDrop(window, inner);
    if (FAILED(result)) {
        // The window has a drop target of its own: hold it, take it off, and
        // put the inner target in its place.
        if (auto* current = static_cast<dnd::IDropTarget*>(dnd::GetPropA(window, dnd::kDropTargetProperty))) {
            current->AddRef();
            saved_ = current;
            result = dnd::RevokeDragDrop(window);
            if (SUCCEEDED(result)) {
                result = dnd::RegisterDragDrop(window, inner);
                if (FAILED(result)) {
                    dnd::RegisterDragDrop(window, saved_);  // the window keeps its own target
                }
            }
        }
    }
    if (FAILED(result)) {
        inner->detach();
        inner->Release();
        if (saved_) {
            std::exchange(saved_, nullptr)->Release();
        }
        return result;
    }
    location_ = bstrToUtf8(location);
    hWnd_ = hWnd;
    inner_ = inner;
    return S_OK;
}

HRESULT UIFileDragDrop::UnRegisterFileDrop(LONG hWnd) {
    if (!inner_ || hWnd != hWnd_) {
        return S_OK;  // not registered on that window: nothing to take off or give back
    }
    const dnd::HWND window = handleOf(hWnd);
    // Take off only our own target; one registered since by someone else stays.
    if (dnd::GetPropA(window, dnd::kDropTargetProperty) == static_cast<dnd::IDropTarget*>(inner_)) {
        dnd::RevokeDragDrop(window);
    }
    HRESULT result = S_OK;
    if (dnd::IDropTarget* saved = std::exchange(saved_, nullptr)) {
        result = dnd::RegisterDragDrop(window, saved);
        saved->Release();
    }
    UIFileDropTarget* inner = std::exchange(inner_, nullptr);
    hWnd_ = 0;
    inner->detach();
    inner->Release();
    return result;
}

HRESULT UIFileDragDrop::EnumConnectionPoints(IEnumConnectionPoints** points) {
    IConnectionPoint* const only[] = {&events_};
    return createConnectionPointEnum(only, 1, points);
}

HRESULT UIFileDragDrop::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) {
        return E_POINTER;
    }
    if (iid != DIID__FileDragDropEvents) {
        *point = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    events_.AddRef();
    *point = &events_;
    return S_OK;
}

void UIFileDragDrop::raiseFilesDropped(const std::string& fileList) {
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = bstrFromUtf8(fileList);
    DISPPARAMS params{&arg, nullptr, 1, 0};
    events_.invokeEach(DISPID_FilesDropped, params);
    VariantClear(&arg);
}

void UIFileDragDrop::raiseDragOver(LONG x, LONG y) {
    VARIANT args[2];
    args[0].vt = VT_I4;
    args[0].lVal = y;
    args[1].vt = VT_I4;
    args[1].lVal = x;
    DISPPARAMS params{args, nullptr, 2, 0};
    events_.invokeEach(DISPID_DragOver, params);
}

}  // namespace quorvel::tromsel
