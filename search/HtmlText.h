#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel::search {

// The text of an HTML part as a reader sees it, for the index: tags and
// comments dropped, the content of script and style dropped, character
// references decoded. Tags that start a block (p, div, br, td, ...) leave a
// line break so that the words on either side stay apart; inline tags (b,
// span, a, ...) leave nothing, so that 予<b>算</b> is still 予算. Stops after
// about `limit` bytes of text. The HTML must be UTF-8 already.
std::string htmlToText(std::string_view html, size_t limit);

}  // namespace quorvel::search
