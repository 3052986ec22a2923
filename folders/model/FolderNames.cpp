#include "folders/model/FolderNames.h"

#include <cstdint>

namespace quorvel::folders {

namespace {

bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at`, with its code point; 0 when
// the byte there does not begin one (overlong forms, surrogates and values
// above U+10FFFF included).
size_t validSequence(std::string_view s, size_t at, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(s[at]);
    size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        length = 2, least = 0x80, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3, least = 0x800, cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        length = 4, least = 0x10000, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() - at < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(s[at + i]);
        if (!isContinuation(b)) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return cp < least || surrogate || cp > 0x10FFFF ? 0 : length;
}

// A key that orders code points as their UTF-16 forms are ordered: the
// characters above U+FFFF (surrogate pairs, D800..DBFF first) come between
// U+D7FF and U+E000.
uint32_t utf16Rank(char32_t cp) {
    if (cp < 0xD800) {
        return cp;
    }
    return cp >= 0x10000 ? 0xD800 + (cp - 0x10000) : cp + 0x100000;
}

}  // namespace

std::string nameAsShown(std::string_view stored) {
    if (stored.substr(0, 3) == "\xEF\xBB\xBF") {
        stored.remove_prefix(3);
    }
    std::string shown;
    shown.reserve(stored.size());
    for (size_t at = 0; at < stored.size();) {
        char32_t cp = 0;
        const size_t length = validSequence(stored, at, cp);
        if (length == 0) {
            shown += "\xEF\xBF\xBD";
            ++at;
        } else {
            shown.append(stored, at, length);
            at += length;
        }
    }
    return shown;
}

bool nameBefore(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        // A byte that begins no valid sequence counts as U+FFFD, as it shows.
        char32_t ca = 0, cb = 0;
        const size_t la = validSequence(a, i, ca), lb = validSequence(b, j, cb);
        ca = la ? ca : 0xFFFD;
        cb = lb ? cb : 0xFFFD;
        i += la ? la : 1;
        j += lb ? lb : 1;
        if (ca != cb) {
            return utf16Rank(ca) < utf16Rank(cb);
        }
    }
    return i >= a.size() && j < b.size();
}

}  // namespace quorvel::folders
