#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

#include "cli/Commands.h"

// Options of the archive commands, taken out of the arguments wherever they
// stand, so that what is left is the command's operands. Each "take" that
// fails has printed its one line.
namespace quorvel::cli {

// --folder ID: a folder identifier greater than 0.
bool takeFolder(Args& args, int32_t& folder, std::ostream& err);

// --wait SECONDS: how long to wait for another program that holds the
// archive (default kDefaultWaitSeconds); a number from 0 to a day.
bool takeWait(Args& args, double& seconds, std::ostream& err);

// A flag such as --json: true when it was given.
bool takeFlag(Args& args, std::string_view flag);

// Whether an operand left looks like an option nobody took.
bool refuseUnknownOption(const Args& args, std::ostream& err);

}  // namespace quorvel::cli
