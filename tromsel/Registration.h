#pragma once

#include <string>

#include "platform/com/ClassStore.h"
#include "platform/com/HResult.h"

// The library's registration data in the class store: the two ProgID keys,
// the class key under CLSID, and the type library with its interfaces.
namespace quorvel::tromsel {

// Writes the keys; the class key and its "Programmable" subkey are replaced
// whole. SELFREG_E_CLASS when the store cannot be written.
com::HRESULT registerServer(const std::string& libraryPath, const com::ClassStore& store);
// Removes exactly what registerServer writes; the CLSID key itself stays.
com::HRESULT unregisterServer(const com::ClassStore& store);

}  // namespace quorvel::tromsel
