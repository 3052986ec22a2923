#include "tromsel/TromselRegistration.h"

#include "platform/com/Activation.h"
#include "tromsel/FileDragDrop.h"

namespace quorvel::com {

HRESULT ensureTromselRegistered(const std::string& programFolder, const ClassStore& store) {
    return ensureClassRegistered(tromsel::CLSID_UIFileDragDrop, tromsel::kVersionIndependentProgId,
                                 programFolder + "/" + tromsel::kLibraryFileName, store);
}

}  // namespace quorvel::com
