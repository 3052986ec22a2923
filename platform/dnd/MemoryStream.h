#pragma once

#include <string>

#include "platform/dnd/DndExport.h"
#include "platform/dnd/DndTypes.h"

namespace quorvel::dnd {

// A stream that reads the given bytes from the start.
QV_DND_EXPORT HRESULT createMemoryStream(std::string bytes, IStream** stream);

}  // namespace quorvel::dnd
