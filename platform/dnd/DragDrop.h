#pragma once

#include "platform/dnd/DndExport.h"
#include "platform/dnd/DndTypes.h"

class QWidget;

// Drop targets of windows, over Qt's drag-and-drop events. A window handle is
// a widget's winId(); a drop target registered on it receives that widget's
// drag events (for a scroll area, those of its viewport) as IDropTarget calls,
// with the drag's data seen through the MimeDataObject adapter and points in
// screen coordinates.
//
// The registry is one per process: it lives in libqv_dnd.so, which the program
// and the drop-target library both link, so a drop target the program
// registers is the one the library finds, replaces and gives back. Call these
// on the user-interface thread only.
namespace quorvel::dnd {

// The name of the window property that holds a window's drop target.
inline constexpr const char* kDropTargetProperty = "OleDropTargetInterface";

// The handle of a widget (creating its native window if need be).
QV_DND_EXPORT HWND windowHandle(QWidget* widget);
// The widget of a handle, or null. A handle that travelled as a 32-bit
// integer is matched by its low 32 bits when that names exactly one window.
QV_DND_EXPORT QWidget* windowFromHandle(HWND window);

// Holds a reference to `target` until the window is revoked or destroyed.
// DRAGDROP_E_INVALIDHWND for a handle that names no window,
// DRAGDROP_E_ALREADYREGISTERED when the window has a drop target,
// E_INVALIDARG for a null target.
QV_DND_EXPORT HRESULT RegisterDragDrop(HWND window, IDropTarget* target);
// DRAGDROP_E_INVALIDHWND, or DRAGDROP_E_NOTREGISTERED when the window has no
// drop target. A drag in progress over the window ends for the old target.
QV_DND_EXPORT HRESULT RevokeDragDrop(HWND window);
// The window's property of that name without a reference of its own: the
// registered IDropTarget for kDropTargetProperty, null when there is none.
QV_DND_EXPORT void* GetPropA(HWND window, const char* name);
// Converts a point from screen coordinates to the window's own.
QV_DND_EXPORT BOOL ScreenToClient(HWND window, POINT* point);

}  // namespace quorvel::dnd
