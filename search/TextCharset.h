#pragma once

#include <string>
#include <string_view>

namespace quorvel::search {

// The decoded bytes of a text part as UTF-8, given the charset its
// Content-Type names (may be empty). Never fails: a byte the charset does
// not have becomes a blank, which only separates words.
//  - ISO-2022-JP, Shift_JIS and EUC-JP are read with the Windows tables
//    (CP932, EUC-JP-MS), as Japanese mail programs write them;
//  - no charset, or US-ASCII over 8-bit bytes: UTF-8 when the bytes are UTF-8,
//    else ISO-2022-JP when they hold its escapes, else CP932.
std::string textToUtf8(std::string_view bytes, std::string_view charset);

}  // namespace quorvel::search
