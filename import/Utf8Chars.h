#pragma once

#include <cstddef>
#include <string_view>

namespace quorvel::mailimport {

// The length in bytes of the UTF-8 character that begins at text[at] (1 for a
// stray continuation byte), never running past the end of the text.
inline size_t utf8CharLength(std::string_view text, size_t at) {
    if (at >= text.size()) {
        return 0;
    }
    auto lead = static_cast<unsigned char>(text[at]);
    size_t len = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return len < text.size() - at ? len : text.size() - at;
}

// The text from the character after the one at text[at] on: the parser drops
// exactly one character in several places, and a character may be several bytes.
inline std::string_view afterOneChar(std::string_view text, size_t at) {
    return at >= text.size() ? std::string_view() : text.substr(at + utf8CharLength(text, at));
}

}  // namespace quorvel::mailimport
