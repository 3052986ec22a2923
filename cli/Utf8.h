#pragma once

#include <cstddef>
#include <string_view>

namespace quorvel::cli {

// Length of the valid UTF-8 sequence at text[at], or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF are not).
size_t utf8SequenceLength(std::string_view text, size_t at);

}  // namespace quorvel::cli
