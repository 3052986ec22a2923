#pragma once

#include <cstdint>

#include "platform/com/Unknown.h"

// The data types and interfaces of drag and drop: window handles, drop
// effects, the data object with its format records and storage media, the
// stream, and the drop target a window registers.
namespace quorvel::dnd {

using com::BOOL;
using com::DWORD;
using com::HRESULT;
using com::IUnknown;
using com::LONG;
using com::REFIID;
using com::UINT;
using com::ULONG;

// A window handle is a widget's native window id (QWidget::winId()).
using HWND = std::uintptr_t;
using CLIPFORMAT = std::uint16_t;
// A block of global memory; see GlobalMemory.h.
using HGLOBAL = void*;

struct POINTL {
    LONG x;
    LONG y;
};
struct POINT {
    LONG x;
    LONG y;
};

inline constexpr DWORD DROPEFFECT_NONE = 0;
inline constexpr DWORD DROPEFFECT_COPY = 1;
inline constexpr DWORD DROPEFFECT_MOVE = 2;
inline constexpr DWORD DROPEFFECT_LINK = 4;

// Key state of a drag notification.
inline constexpr DWORD MK_LBUTTON = 0x1;
inline constexpr DWORD MK_RBUTTON = 0x2;
inline constexpr DWORD MK_SHIFT = 0x4;
inline constexpr DWORD MK_CONTROL = 0x8;
inline constexpr DWORD MK_MBUTTON = 0x10;
inline constexpr DWORD MK_ALT = 0x20;

inline constexpr DWORD DVASPECT_CONTENT = 1;
inline constexpr DWORD TYMED_NULL = 0;
inline constexpr DWORD TYMED_HGLOBAL = 1;
inline constexpr DWORD TYMED_ISTREAM = 4;

inline constexpr CLIPFORMAT CF_HDROP = 15;

inline constexpr HRESULT DV_E_FORMATETC = com::hr(0x80040064);
inline constexpr HRESULT DV_E_LINDEX = com::hr(0x80040068);
inline constexpr HRESULT DV_E_TYMED = com::hr(0x80040069);
inline constexpr HRESULT DV_E_DVASPECT = com::hr(0x8004006B);
inline constexpr HRESULT DRAGDROP_E_NOTREGISTERED = com::hr(0x80040100);
inline constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = com::hr(0x80040101);
inline constexpr HRESULT DRAGDROP_E_INVALIDHWND = com::hr(0x80040102);

inline constexpr com::IID IID_IStream{0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IDataObject{0x0000010E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr com::IID IID_IDropTarget{0x00000122, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct DVTARGETDEVICE;

struct FORMATETC {
    CLIPFORMAT cfFormat;
    DVTARGETDEVICE* ptd;
    DWORD dwAspect;
    LONG lindex;  // -1 for all of the data
    DWORD tymed;
};

struct IStream : IUnknown {
    // Reads up to `size` bytes from the current position: S_OK when all came,
    // S_FALSE when fewer did (the end of the data), or an error.
    virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;

protected:
    ~IStream() = default;
};

struct STGMEDIUM {
    DWORD tymed;
    union {
        HGLOBAL hGlobal;
        IStream* pstm;
    };
    // When set, releasing the medium releases this instead of freeing it.
    IUnknown* pUnkForRelease;
};

struct IDataObject : IUnknown {
    // Fills `medium`, which the caller frees with ReleaseStgMedium.
    virtual HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) = 0;
    // S_OK when GetData would give the format in one of the requested media.
    virtual HRESULT QueryGetData(FORMATETC* format) = 0;

protected:
    ~IDataObject() = default;
};

struct IDropTarget : IUnknown {
    virtual HRESULT DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) = 0;
    virtual HRESULT DragOver(DWORD keyState, POINTL point, DWORD* effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) = 0;

protected:
    ~IDropTarget() = default;
};

}  // namespace quorvel::dnd
