#include "tromsel/TypeLibraryData.h"

#include "platform/com/TypeLibrary.h"
#include "tromsel/FileDragDrop.h"

namespace quorvel::tromsel {

namespace {

using namespace com;

const ParamDescription kRegisterParams[] = {{"hWnd", VT_I4}, {"location", VT_BSTR}};
const ParamDescription kUnRegisterParams[] = {{"hWnd", VT_I4}};
const FuncDescription kFileDragDropFuncs[] = {
    {DISPID_RegisterFileDrop, "RegisterFileDrop", "method RegisterFileDrop", 1, VT_HRESULT, kRegisterParams, 2},
    {DISPID_UnRegisterFileDrop, "UnRegisterFileDrop", "method UnRegisterFileDrop", 2, VT_HRESULT, kUnRegisterParams, 1},
};

const ParamDescription kFilesDroppedParams[] = {{"file_list", VT_BSTR}};
const ParamDescription kDragOverParams[] = {{"x", VT_INT}, {"y", VT_INT}};
const FuncDescription kEventFuncs[] = {
    {DISPID_FilesDropped, "FilesDropped", "method FilesDropped", 0, VT_VOID, kFilesDroppedParams, 1},
    {DISPID_DragOver, "DragOver", "method DragOver", 0, VT_HRESULT, kDragOverParams, 2},
};

const ImplDescription kClassImpls[] = {
    {&IID_FileDragDrop, IMPLTYPEFLAG_FDEFAULT},
    {&DIID__FileDragDropEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE},
};

const TypeDescription kTypes[] = {
    {IID_FileDragDrop, TKIND_INTERFACE, "FileDragDrop", "FileDragDrop Interface",
     TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE, kFileDragDropFuncs, 2, nullptr, 0},
    {DIID__FileDragDropEvents, TKIND_DISPATCH, "_FileDragDropEvents", "_FileDragDropEvents Interface", 0, kEventFuncs,
     2, nullptr, 0},
    {CLSID_UIFileDragDrop, TKIND_COCLASS, "UIFileDragDrop", kClassHelp, TYPEFLAG_FCANCREATE, nullptr, 0, kClassImpls,
     2},
};

const TypeLibDescription kTypeLib{LIBID_TROMSELLib, 1, 0, 0x0409, "TROMSELLib", kTypeLibHelp, kTypes, 3};

}  // namespace

HRESULT loadTypeLib(ITypeLib** lib) {
    return createTypeLib(kTypeLib, lib);
}

}  // namespace quorvel::tromsel
