#pragma once

#include "platform/com/ClassFactory.h"

namespace quorvel::tromsel {

// The one class factory of the library, for UIFileDragDrop. It refuses
// aggregation (CLASS_E_NOAGGREGATION); LockServer counts server locks; every
// reference handed out counts as a living object, so the library is not
// unloaded under a client that holds the factory.
com::IClassFactory* classFactory();

}  // namespace quorvel::tromsel
