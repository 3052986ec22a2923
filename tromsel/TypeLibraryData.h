#pragma once

#include "platform/com/Dispatch.h"

namespace quorvel::tromsel {

// The type library TROMSELLib: LIBID, version 1.0, locale 0x0409, the
// interfaces FileDragDrop and _FileDragDropEvents and the class
// UIFileDragDrop with their names, DISPIDs and help texts. It is compiled
// into the library (its registration names the library file as its place).
com::HRESULT loadTypeLib(com::ITypeLib** lib);

inline constexpr const char* kTypeLibHelp = "tromsel 1.0 Type Library";
inline constexpr const char* kClassHelp = "FileDragDrop Class";

}  // namespace quorvel::tromsel
