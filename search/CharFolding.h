#pragma once

#include <cstdint>
#include <string_view>

// What the index makes of one character: its folded form and its kind. Both
// the index and the query side read text through these, so a character is
// always seen the same way on either side.
namespace quorvel::search {

enum class CharKind : uint8_t {
    Separator,  // blanks, punctuation, symbols, anything not otherwise named
    Word,       // letters and digits of scripts written with spaces
    Cjk,        // Han, Hiragana, Katakana (with ー) and Hangul: cut into pieces
    Mark,       // a combining mark left over after folding: belongs to the character before it
};

struct FoldedChar {
    // NFKC, then case folding, then NFKC again (folding can leave text that is
    // not in normal form). UTF-8; empty for a character that folds away, and
    // several characters for one like ㍻ or ﬁ.
    std::string_view text;
    // The character joins the one before it under NFKC (a combining mark, a
    // half-width voiced sound mark, a conjoining Hangul vowel or final), so
    // the two must be folded together.
    bool attaches = false;
    // The character folds to itself (most Han and kana do), and its kind.
    bool unchanged = false;
    CharKind kind = CharKind::Separator;
};

// Any code point up to U+10FFFF (others are treated as separators). The
// answers are computed for a block of 256 code points at its first use and
// kept for the life of the process; safe from any thread.
FoldedChar foldChar(uint32_t c);
CharKind kindOf(uint32_t c);

}  // namespace quorvel::search
