#pragma once

#include <string>

#include "platform/com/ClassFactory.h"
#include "platform/com/ClassStore.h"

// Activation of classes registered in the per-user class store: the class's
// library is loaded with dlopen and its exported DllGetClassObject hands out
// the class factory. Libraries stay loaded for the life of the process.
namespace quorvel::com {

// The entry points an in-process server library exports, with C linkage.
using DllGetClassObjectFn = HRESULT (*)(const CLSID* clsid, const IID* iid, void** object);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();

// The class a ProgID names (its CLSID subkey); CO_E_CLASSSTRING when the
// ProgID is unknown or its CLSID is not a GUID.
HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid, const ClassStore& store = ClassStore());

// REGDB_E_CLASSNOTREG when the class has no InprocServer32 library,
// CO_E_DLLNOTFOUND when that library cannot be loaded, CO_E_ERRORINDLL when
// it lacks DllGetClassObject; otherwise the answer of DllGetClassObject.
HRESULT CoGetClassObject(REFCLSID clsid, REFIID iid, void** object, const ClassStore& store = ClassStore());
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object,
                         const ClassStore& store = ClassStore());

// Loads a library by its path (made absolute, so that dlopen never searches)
// and returns its handle, or null with the loader's message in `error`.
void* loadServerLibrary(const std::string& path, std::string* error = nullptr);

enum class RegistrationEntry { Register, Unregister };
const char* entryName(RegistrationEntry entry);

// Calls DllRegisterServer or DllUnregisterServer of the library at `path`.
// CO_E_DLLNOTFOUND or CO_E_ERRORINDLL (with a message in `error`) when the
// library cannot be loaded or lacks the entry point.
HRESULT callRegistrationEntry(const std::string& path, RegistrationEntry entry, std::string* error = nullptr);

// Registers `libraryPath` when the class store lacks the class `clsid` under
// `progId`, or names for it a library file that no longer exists. S_FALSE
// when the registration was in order and nothing was done.
HRESULT ensureClassRegistered(REFCLSID clsid, const std::string& progId, const std::string& libraryPath,
                              const ClassStore& store = ClassStore());

}  // namespace quorvel::com
