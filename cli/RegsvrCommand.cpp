// regsvr: calls a component library's own registration entry point.
#include "cli/Commands.h"
#include "platform/com/RegisterServerCommand.h"

namespace quorvel::cli {

const std::string_view kRegsvrDetails =
    "Loads LIBRARY.so and calls its DllRegisterServer, which writes the library's\n"
    "classes into the per-user class store ($XDG_CONFIG_HOME/Halvane/classes.conf).\n"
    "With -u it calls DllUnregisterServer and removes them again.\n"
    "The program registers the drop-target library of its own folder by itself\n"
    "when it starts; this command is for doing it by hand.\n"
    "\n"
    "Exit status: 0 when the library's entry point succeeded, 1 when it failed\n"
    "or the library could not be loaded, 2 on a usage error.\n";

int runRegsvr(const Args& args, std::ostream& out, std::ostream& err) {
    return com::runRegisterServerCommand(args, out, err);
}

}  // namespace quorvel::cli
