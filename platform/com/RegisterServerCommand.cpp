#include "platform/com/RegisterServerCommand.h"

#include <cstdio>
#include <filesystem>

#include "platform/com/Activation.h"

namespace quorvel::com {

namespace {

std::string hex(HRESULT code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

}  // namespace

int runRegisterServerCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    RegistrationEntry entry = RegistrationEntry::Register;
    std::string library;
    if (args.size() == 1 && args[0] != "-u") {
        library = args[0];
    } else if (args.size() == 2 && args[0] == "-u") {
        entry = RegistrationEntry::Unregister;
        library = args[1];
    } else {
        err << "usage: regsvr [-u] LIBRARY.so\n";
        return 2;
    }
    std::error_code ec;
    const std::string path = std::filesystem::absolute(library, ec).lexically_normal().string();
    std::string error;
    const HRESULT result = callRegistrationEntry(ec ? library : path, entry, &error);
    if ((result == CO_E_DLLNOTFOUND || result == CO_E_ERRORINDLL) && !error.empty()) {
        err << error << "\n";
        return 1;
    }
    if (FAILED(result)) {
        err << entryName(entry) << " in " << path << " failed: " << hex(result) << "\n";
        return 1;
    }
    out << entryName(entry) << " in " << path << " succeeded.\n";
    return 0;
}

}  // namespace quorvel::com
