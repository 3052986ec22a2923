#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace quorvel::mailboximport {

// The SHA-256 of a mail's bytes: how the archive finds a mail it already
// holds without reading every stored mail again.
using MailDigest = std::array<uint8_t, 32>;

MailDigest digestOf(std::string_view bytes);

}  // namespace quorvel::mailboximport
