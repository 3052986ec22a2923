#pragma once

#include <cstdint>
#include <string>

#include "app/ProgramValues.h"

namespace quorvel {

// Writes mail `id`'s stored file, byte for byte, to `path`. It is copied in
// pieces under a temporary name and renamed when complete, so a failed write
// (a full disk) never leaves a truncated mail under that name. False when the
// mail was not found or the file could not be written (the access layer shows
// its own errors).
bool writeStoredMail(const ProgramValues& pv, int32_t id, const std::string& path);

}  // namespace quorvel
