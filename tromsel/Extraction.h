#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/dnd/DndTypes.h"

// Turns the virtual files of a drop into files: the descriptor list
// "FileGroupDescriptor" (a 32-bit count, then 332-byte records whose name
// field at offset 72 holds a zero-terminated name of at most 260 bytes) and
// one "FileContents" stream per item. Item i goes to "<location>/<i><name>".
namespace quorvel::tromsel {

// Called once per descriptor item with the paths handled so far in this drop,
// joined by ",".
using FilesDroppedFn = std::function<void(const std::string& fileList)>;

// The copy buffer: every stream read asks for this many bytes.
inline constexpr unsigned kCopyBufferSize = 1024;
// The composed path with its terminating zero must fit this many bytes.
inline constexpr std::size_t kPathBufferSize = 260;

// The result is that of the last item (its write, or the fetch that failed),
// S_OK without items. An empty `location` becomes "." and stays so.
//
// Names come from another program. A name that could leave `location` (one
// holding "/", one that is "..") or holding control characters is skipped like
// an item whose contents cannot be fetched; so is a record whose name has no
// terminating zero, and a path too long for its buffer. A count larger than
// the descriptor memory holds refuses the whole drop, nothing read past it.
com::HRESULT extractDroppedFiles(dnd::IDataObject* data, std::string& location, const FilesDroppedFn& filesDropped);

// The name of a descriptor record (its 260-byte name field) fit for a file
// name, or nothing. Bytes that are not UTF-8 become "_", so that the path
// announced as text names the file written.
std::optional<std::string> safeItemName(const unsigned char* nameField);

// Writes a stream into a new file at `path` through the copy buffer; see the
// .cpp for the rules.
com::HRESULT writeItem(const std::string& path, dnd::IStream* stream);

// Refusal of a descriptor that is damaged (shorter than its count says).
inline constexpr com::HRESULT kInvalidDescriptor = com::hr(0x8007000D);

}  // namespace quorvel::tromsel
