#pragma once

#include <cstddef>

#include "platform/dnd/DndExport.h"
#include "platform/dnd/DndTypes.h"

class QMimeData;

// A Qt drag's QMimeData seen as an IDataObject. It offers the shell's
// virtual-file formats, registered by name: "FileGroupDescriptor" and
// "FileGroupDescriptorW" (global memory) and "FileContents" (a stream per
// item), for
//   - the Windows-format names Qt gives them:
//     application/x-qt-windows-mime;value="FileGroupDescriptor",
//     ...;value="FileGroupDescriptorW", ...;value="FileContents";index=N;
//   - a drag whose data is one message (message/rfc822 holding the message
//     itself): one item named "message.eml".
// QueryGetData looks only at the list of formats: reading drag data while
// the drag hovers makes some mail programs write files. GetData reads.
namespace quorvel::dnd {

// The start of the Windows-format mime name Qt uses for a named format.
inline constexpr const char* kQtWindowsMimePrefix = "application/x-qt-windows-mime;value=\"";
inline constexpr const char* kDescriptorFormat = "FileGroupDescriptor";
inline constexpr const char* kDescriptorWFormat = "FileGroupDescriptorW";
inline constexpr const char* kContentsFormat = "FileContents";
inline constexpr const char* kMessageMime = "message/rfc822";
inline constexpr const char* kMessageItemName = "message.eml";

// Sizes of the shell's descriptor records: 72 bytes of attributes, then the
// name of 260 characters.
inline constexpr std::size_t kDescriptorRecordSize = 332;
inline constexpr std::size_t kDescriptorWRecordSize = 592;
inline constexpr std::size_t kDescriptorNameOffset = 72;
inline constexpr std::size_t kMaxPath = 260;

// The adapter holds `mime` without owning it; detachMimeDataObject tells it
// the drag is over, after which every call fails.
QV_DND_EXPORT HRESULT createMimeDataObject(const QMimeData* mime, IDataObject** data);
QV_DND_EXPORT void detachMimeDataObject(IDataObject* data);
// The QMimeData behind an adapter (for a drop target of the program that
// reads a plain file drop); null for any other data object or after the drag.
QV_DND_EXPORT const QMimeData* mimeDataOf(IDataObject* data);

}  // namespace quorvel::dnd
