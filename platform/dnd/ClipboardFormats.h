#pragma once

#include "platform/dnd/DndExport.h"
#include "platform/dnd/DndTypes.h"

namespace quorvel::dnd {

// The number of a named data format, the same for the same name (compared
// without regard to ASCII case) for the life of the process; numbers are
// handed out from 0xC000 up. 0 for a null or empty name or when the numbers
// run out.
QV_DND_EXPORT UINT RegisterClipboardFormatA(const char* name);

}  // namespace quorvel::dnd
