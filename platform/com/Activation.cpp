#include "platform/com/Activation.h"

#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <mutex>

namespace quorvel::com {

namespace {

std::string serverKey(REFCLSID clsid) {
    return "CLSID\\" + guidToString(clsid) + "\\InprocServer32";
}

}  // namespace

const char* entryName(RegistrationEntry entry) {
    return entry == RegistrationEntry::Register ? "DllRegisterServer" : "DllUnregisterServer";
}

HRESULT CLSIDFromProgID(const std::string& progId, CLSID* clsid, const ClassStore& store) {
    if (!clsid) {
        return E_POINTER;
    }
    *clsid = GUID_NULL;
    if (!isValidKeyName(progId)) {
        return CO_E_CLASSSTRING;
    }
    auto text = store.value(progId + "\\CLSID");
    auto guid = text ? guidFromString(*text) : std::nullopt;
    if (!guid) {
        return CO_E_CLASSSTRING;
    }
    *clsid = *guid;
    return S_OK;
}

void* loadServerLibrary(const std::string& path, std::string* error) {
    static std::mutex mutex;
    static std::map<std::string, void*> loaded;

    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec || absolute.empty()) {
        if (error) {
            *error = "invalid library path: " + path;
        }
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex);
    auto it = loaded.find(absolute);
    if (it != loaded.end()) {
        return it->second;
    }
    void* handle = ::dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error) {
            const char* why = ::dlerror();
            *error = why ? why : ("cannot load " + absolute);
        }
        return nullptr;
    }
    loaded.emplace(absolute, handle);
    return handle;
}

HRESULT CoGetClassObject(REFCLSID clsid, REFIID iid, void** object, const ClassStore& store) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    auto path = store.value(serverKey(clsid));
    if (!path || path->empty()) {
        return REGDB_E_CLASSNOTREG;
    }
    if (path->front() != '/') {
        return CO_E_DLLNOTFOUND;  // a relative path would make the loader search
    }
    void* handle = loadServerLibrary(*path);
    if (!handle) {
        return CO_E_DLLNOTFOUND;
    }
    auto entry = reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
    if (!entry) {
        return CO_E_ERRORINDLL;
    }
    return entry(&clsid, &iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object, const ClassStore& store) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    ComPtr<IClassFactory> factory;
    HRESULT result = CoGetClassObject(clsid, IID_IClassFactory, factory.putVoid(), store);
    if (FAILED(result)) {
        return result;
    }
    return factory->CreateInstance(outer, iid, object);
}

HRESULT callRegistrationEntry(const std::string& path, RegistrationEntry entry, std::string* error) {
    void* handle = loadServerLibrary(path, error);
    if (!handle) {
        return CO_E_DLLNOTFOUND;
    }
    auto fn = reinterpret_cast<DllRegisterServerFn>(::dlsym(handle, entryName(entry)));
    if (!fn) {
        if (error) {
            *error = path + " has no entry point " + entryName(entry);
        }
        return CO_E_ERRORINDLL;
    }
    return fn();
}

HRESULT ensureClassRegistered(REFCLSID clsid, const std::string& progId, const std::string& libraryPath,
                              const ClassStore& store) {
    const ClassStoreData data = store.read();
    const auto registered = data.value(progId + "\\CLSID", "");
    const auto library = data.value(serverKey(clsid), "");
    std::error_code ec;
    if (registered && guidFromString(*registered) == clsid && library && !library->empty() &&
        std::filesystem::is_regular_file(*library, ec)) {
        return S_FALSE;
    }
    if (!std::filesystem::is_regular_file(libraryPath, ec)) {
        return CO_E_DLLNOTFOUND;
    }
    return callRegistrationEntry(libraryPath, RegistrationEntry::Register);
}

}  // namespace quorvel::com
