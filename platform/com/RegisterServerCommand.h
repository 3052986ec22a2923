#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quorvel::com {

// The registration command of the command-line tool, in the manner of a
// server registration tool:
//   LIBRARY.so       calls the library's DllRegisterServer
//   -u LIBRARY.so    calls its DllUnregisterServer
// `args` are the command's arguments after its name. Reports on `out`, errors
// on `err`. Returns 0 on success, 1 when the library cannot be loaded, lacks
// the entry point or the entry point fails, 2 for a usage error.
int runRegisterServerCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quorvel::com
