#include "tromsel/Registration.h"

#include <filesystem>

#include "platform/com/Guid.h"
#include "tromsel/FileDragDrop.h"
#include "tromsel/TypeLibraryData.h"

namespace quorvel::tromsel {

using namespace com;

namespace {

// The class key's TypeLib value, written exactly so.
constexpr const char* kTypeLibValue = "{FF67AF18-D706-4aa7-9F5F-311979BFD993}";
// The type library's place for this platform, beside Windows' "win32".
constexpr const char* kTypeLibPlatform = "linux";

std::string classKey() {
    return "CLSID\\" + guidToString(CLSID_UIFileDragDrop);
}
std::string typeLibKey() {
    return "TypeLib\\" + guidToString(LIBID_TROMSELLib);
}
std::string typeLibVersionKey() {
    return typeLibKey() + "\\1.0";
}
std::string interfaceKey(const IID& iid) {
    return "Interface\\" + guidToString(iid);
}

void writeInterface(ClassStoreData& d, const IID& iid, const char* name) {
    const std::string key = interfaceKey(iid);
    d.deleteTree(key);
    d.setValue(key, "", name);
    d.setValue(key + "\\TypeLib", "", guidToString(LIBID_TROMSELLib));
    d.setValue(key + "\\TypeLib", "Version", "1.0");
}

}  // namespace

HRESULT registerServer(const std::string& libraryPath, const ClassStore& store) {
    const std::string clsid = guidToString(CLSID_UIFileDragDrop);
    const std::string folder = std::filesystem::path(libraryPath).parent_path().string();
    const bool written = store.update([&](ClassStoreData& d) {
        d.setValue(kProgId, "", kClassHelp);
        d.setValue(std::string(kProgId) + "\\CLSID", "", clsid);

        d.setValue(kVersionIndependentProgId, "", kClassHelp);
        d.setValue(std::string(kVersionIndependentProgId) + "\\CLSID", "", clsid);
        d.setValue(std::string(kVersionIndependentProgId) + "\\CurVer", "", kProgId);

        d.createKey("CLSID");
        const std::string cls = classKey();
        d.deleteTree(cls);
        d.setValue(cls, "", kClassHelp);
        d.setValue(cls + "\\ProgID", "", kProgId);
        d.setValue(cls + "\\VersionIndependentProgID", "", kVersionIndependentProgId);
        d.createKey(cls + "\\Programmable");
        d.setValue(cls + "\\InprocServer32", "", libraryPath);
        d.setValue(cls + "\\InprocServer32", "ThreadingModel", "Apartment");
        d.setValue(cls + "\\TypeLib", "", kTypeLibValue);

        const std::string lib = typeLibVersionKey();
        d.deleteTree(lib);
        d.setValue(lib, "", kTypeLibHelp);
        d.setValue(lib + "\\FLAGS", "", "0");
        d.setValue(lib + "\\0\\" + kTypeLibPlatform, "", libraryPath);
        d.setValue(lib + "\\HELPDIR", "", folder);
        writeInterface(d, IID_FileDragDrop, "FileDragDrop");
        writeInterface(d, DIID__FileDragDropEvents, "_FileDragDropEvents");
    });
    return written ? S_OK : SELFREG_E_CLASS;
}

HRESULT unregisterServer(const ClassStore& store) {
    const bool written = store.update([&](ClassStoreData& d) {
        d.deleteTree(kProgId);
        d.deleteTree(kVersionIndependentProgId);
        d.deleteTree(classKey());
        d.deleteTree(typeLibVersionKey());
        if (!d.hasSubKeys(typeLibKey())) {
            d.deleteTree(typeLibKey());  // no other version of the library is registered
        }
        d.deleteTree(interfaceKey(IID_FileDragDrop));
        d.deleteTree(interfaceKey(DIID__FileDragDropEvents));
    });
    return written ? S_OK : SELFREG_E_CLASS;
}

}  // namespace quorvel::tromsel
