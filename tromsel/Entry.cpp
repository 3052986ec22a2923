// The library's exported entry points, the only symbols it exports.
#include <dlfcn.h>

#include <filesystem>

#include "tromsel/ClassFactory.h"
#include "tromsel/FileDragDrop.h"
#include "tromsel/Module.h"
#include "tromsel/Registration.h"
#include "tromsel/TromselExport.h"

using namespace quorvel;
using namespace quorvel::com;

namespace {

// The full path of this library file, as the loader knows it.
std::string libraryPath() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&tromsel::classFactory), &info) || !info.dli_fname) {
        return {};
    }
    std::error_code ec;
    const auto path = std::filesystem::absolute(info.dli_fname, ec);
    return ec ? std::string(info.dli_fname) : path.lexically_normal().string();
}

}  // namespace

TROMSEL_EXPORT HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!clsid || !iid) {
        return E_INVALIDARG;
    }
    if (*clsid != tromsel::CLSID_UIFileDragDrop) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return tromsel::classFactory()->QueryInterface(*iid, object);
}

TROMSEL_EXPORT HRESULT DllCanUnloadNow() {
    return tromsel::module::canUnload() ? S_OK : S_FALSE;
}

TROMSEL_EXPORT HRESULT DllRegisterServer() {
    const std::string path = libraryPath();
    if (path.empty()) {
        return SELFREG_E_CLASS;
    }
    return tromsel::registerServer(path, ClassStore());
}

TROMSEL_EXPORT HRESULT DllUnregisterServer() {
    return tromsel::unregisterServer(ClassStore());
}
