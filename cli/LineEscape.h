#pragma once

#include <string>
#include <string_view>

namespace quorvel::cli {

// A value made safe for one field of a tab-separated line on a terminal:
// "\\" for a backslash, "\t", "\n" and "\r", "\xNN" for other control bytes
// and for bytes that are not UTF-8, "\u0080".."\u009f" for the C1 controls.
// Everything else is kept, so plain text reads as it is.
std::string escapeForLine(std::string_view text);

}  // namespace quorvel::cli
