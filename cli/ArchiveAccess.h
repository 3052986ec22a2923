#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "app/ProgramValues.h"

// The archive named on the tool's command line, and the look-ups the archive
// commands share. Each failure prints one line, "quorvel-cli: PATH: ...".
namespace quorvel::cli {

// Fills pv as the window has an archive open with lock files off (the archive
// file itself is the working file); false, after its line, when there is no
// such file.
bool setArchive(const std::string& arg, ProgramValues& pv, std::ostream& err);

enum class Lookup { Found, Missing, Failed };

// Whether the archive has folder `id`; Failed after the access layer's line.
Lookup findFolder(const ProgramValues& pv, int32_t id);

// The highest identifier in a table, 0 when it is empty, -1 after the access
// layer's line.
int32_t highestId(const ProgramValues& pv, int table);

}  // namespace quorvel::cli
