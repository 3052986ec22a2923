#pragma once

#include <cstddef>

#include "platform/dnd/DndExport.h"
#include "platform/dnd/DndTypes.h"

// Movable global memory blocks as data objects hand them out, and the release
// of a storage medium.
namespace quorvel::dnd {

inline constexpr UINT GMEM_MOVEABLE = 0x2;
inline constexpr UINT GMEM_ZEROINIT = 0x40;

// Null when the memory cannot be had.
QV_DND_EXPORT HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// The block's bytes; null for a null handle.
QV_DND_EXPORT void* GlobalLock(HGLOBAL memory);
// TRUE while the block is still locked.
QV_DND_EXPORT BOOL GlobalUnlock(HGLOBAL memory);
// The size the block was allocated with; 0 for a null handle.
QV_DND_EXPORT std::size_t GlobalSize(HGLOBAL memory);
// Null on success.
QV_DND_EXPORT HGLOBAL GlobalFree(HGLOBAL memory);

// Releases the medium's stream, or frees its memory unless pUnkForRelease
// owns it; releases pUnkForRelease; leaves the medium TYMED_NULL.
QV_DND_EXPORT void ReleaseStgMedium(STGMEDIUM* medium);

}  // namespace quorvel::dnd
