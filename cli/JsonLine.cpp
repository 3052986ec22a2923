#include "cli/JsonLine.h"

#include <cstdio>

namespace quorvel::cli {

namespace {

// Length of the valid UTF-8 sequence at text[at], or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF are not).
size_t validSequenceLength(std::string_view text, size_t at) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char b = byte(at);
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // bounds of the second byte
    if (b < 0x80) {
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + len > text.size() || byte(at + 1) < lo || byte(at + 1) > hi) {
        return 0;
    }
    for (size_t i = 2; i < len; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) {
            return 0;
        }
    }
    return len;
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        size_t len = validSequenceLength(text, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (len > 1) {
            out.append(text, i, len);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
        i += len;
    }
    return out + "\"";
}

void JsonLine::addKey(std::string_view key) {
    if (body_.size() > 1) {
        body_ += ',';
    }
    body_ += jsonString(key);
    body_ += ':';
}

JsonLine& JsonLine::add(std::string_view key, std::string_view value) {
    addKey(key);
    body_ += jsonString(value);
    return *this;
}

JsonLine& JsonLine::add(std::string_view key, bool value) {
    addKey(key);
    body_ += value ? "true" : "false";
    return *this;
}

}  // namespace quorvel::cli
