#pragma once

#include <cctype>
#include <string>

namespace quorvel::archive {

// Reads a statement's leading words: blanks and keywords (letter case
// ignored), moving a position forward.
struct SqlScanner {
    const std::string& sql;
    size_t i = 0;

    // Skips blanks; true when there was at least one.
    bool space() {
        const size_t start = i;
        while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) {
            ++i;
        }
        return i > start;
    }

    // Takes `word` (upper case) when it stands next.
    bool word(const char* w) {
        const size_t n = std::char_traits<char>::length(w);
        if (sql.size() - i < n) {
            return false;
        }
        for (size_t k = 0; k < n; ++k) {
            if (std::toupper(static_cast<unsigned char>(sql[i + k])) != w[k]) {
                return false;
            }
        }
        i += n;
        return true;
    }
};

}  // namespace quorvel::archive
