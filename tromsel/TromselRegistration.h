#pragma once

#include <string>

#include "platform/com/ClassStore.h"
#include "platform/com/HResult.h"

namespace quorvel::com {

// Registers the drop-target library of the program folder (libtromsel.so)
// when the class store lacks its class or names a library file that no longer
// exists, so that a fresh build or installation works without a separate
// step. S_FALSE when the registration was already in order; CO_E_DLLNOTFOUND
// when the program folder has no such library.
HRESULT ensureTromselRegistered(const std::string& programFolder, const ClassStore& store = ClassStore());

}  // namespace quorvel::com
