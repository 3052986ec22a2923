#pragma once

#include <string>
#include <string_view>

namespace quorvel::preview {

// Turns the decoded bytes of a text part into UTF-8, given the charset its
// Content-Type declares (may be empty). The bytes may have been cut off at a
// size limit: an incomplete last character is dropped, and bytes the charset
// does not have become U+FFFD, so the result is always valid UTF-8.
//  - Shift_JIS labels are read as CP932 and EUC-JP as EUC-JP-MS, since Windows
//    mail programs write their extra characters (circled digits and the like)
//    under those labels; ISO-2022-JP is converted to CP932 for the same reason.
//  - A missing or unknown charset: UTF-8 when the bytes are valid UTF-8, else CP932.
std::string decodeBodyText(std::string_view bytes, std::string_view charset);

// ISO-2022-JP bytes (JIS X 0208 with the NEC and IBM rows, JIS X 0201 kana
// by ESC ( I or SO/SI) to CP932 bytes. False on an escape sequence that
// ISO-2022-JP does not have. A lone first byte at the end is dropped.
bool iso2022jpToCp932(std::string_view bytes, std::string& out);

}  // namespace quorvel::preview
