#pragma once

#include "platform/com/Dispatch.h"

// The binary interface of the drop-target library libtromsel.so, for the
// library and for the program that activates its class: identifiers, the dual
// interface FileDragDrop and the DISPIDs of the event interface
// _FileDragDropEvents (a dispatch interface, called only through Invoke).
namespace quorvel::tromsel {

using com::BSTR;
using com::HRESULT;
using com::LONG;

// Type library TROMSELLib, version 1.0.
inline constexpr com::GUID LIBID_TROMSELLib{
    0xFF67AF18, 0xD706, 0x4AA7, {0x9F, 0x5F, 0x31, 0x19, 0x79, 0xBF, 0xD9, 0x93}};
inline constexpr com::IID IID_FileDragDrop{
    0x8DF7753F, 0xD39C, 0x43F3, {0x9C, 0x32, 0x10, 0x45, 0x0A, 0x81, 0xBF, 0x7E}};
inline constexpr com::IID DIID__FileDragDropEvents{
    0x7BC22FB9, 0x8CB1, 0x4978, {0x92, 0x9F, 0x25, 0x62, 0x96, 0x7A, 0xFB, 0x33}};
inline constexpr com::CLSID CLSID_UIFileDragDrop{
    0x4B40AAC9, 0x17CA, 0x4499, {0x9A, 0xFD, 0xF3, 0xCD, 0xFB, 0xA3, 0x65, 0x06}};

inline constexpr const char* kProgId = "tromsel.UIFileDragDrop.1";
inline constexpr const char* kVersionIndependentProgId = "tromsel.UIFileDragDrop";
// The library's file in the program folder.
inline constexpr const char* kLibraryFileName = "libtromsel.so";

inline constexpr com::DISPID DISPID_RegisterFileDrop = 1;
inline constexpr com::DISPID DISPID_UnRegisterFileDrop = 2;
inline constexpr com::DISPID DISPID_FilesDropped = 1;  // FilesDropped(BSTR file_list)
inline constexpr com::DISPID DISPID_DragOver = 2;      // DragOver(int x, int y)

// Dual interface: these two methods follow the seven of IDispatch.
struct FileDragDrop : com::IDispatch {
    // Puts the object's drop target on the window hWnd (a window handle of
    // the drag-and-drop layer, as a 32-bit integer); dropped files go into
    // the folder `location`.
    virtual HRESULT RegisterFileDrop(LONG hWnd, BSTR location) = 0;
    // Takes the object's drop target off hWnd and gives the window back the
    // drop target it had before.
    virtual HRESULT UnRegisterFileDrop(LONG hWnd) = 0;

protected:
    ~FileDragDrop() = default;
};

}  // namespace quorvel::tromsel
