#include "cli/LineEscape.h"

#include <cstdio>

#include "cli/Utf8.h"

namespace quorvel::cli {

namespace {

void appendHex(std::string& out, const char* format, unsigned value) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, format, value);
    out += escaped;
}

}  // namespace

std::string escapeForLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t len = utf8SequenceLength(text, i);
        if (len == 0) {
            appendHex(out, "\\x%02x", c);
            ++i;
            continue;
        }
        if (len == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            // U+0080..U+009F: terminals take some of them (U+009B) as a CSI.
            appendHex(out, "\\u%04x", static_cast<unsigned char>(text[i + 1]));
        } else if (len > 1) {
            out.append(text, i, len);
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            appendHex(out, "\\x%02x", c);
        } else {
            out += static_cast<char>(c);
        }
        i += len;
    }
    return out;
}

}  // namespace quorvel::cli
