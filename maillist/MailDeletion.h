#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ProgramValues.h"

namespace quorvel {

// Deletes from `TblName` every row whose ID is one of delLst's entries from 1
// on (entry 0 is a placeholder). The deletions of one call are one
// transaction: all of them, or none when a step fails (its box was shown).
bool s_delMailByID(const ProgramValues& pv, const std::vector<int32_t>& delLst, const std::string& TblName);

}  // namespace quorvel
