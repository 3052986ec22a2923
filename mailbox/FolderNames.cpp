#include "mailbox/FolderNames.h"

#include <cstdint>

#include "platform/text/Utf8Encode.h"

namespace quorvel::mailbox {

namespace {

// The value of a character of modified base64 (',' stands for '/'), or -1.
int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    return c == ',' ? 63 : -1;
}

// Decodes the base64 run of one "&...-"; false when it is malformed.
bool decodeRun(std::string_view run, std::string& out) {
    uint32_t bits = 0;
    int bitCount = 0;
    char32_t highSurrogate = 0;
    for (char c : run) {
        int value = base64Value(c);
        if (value < 0) {
            return false;
        }
        bits = (bits << 6) | static_cast<uint32_t>(value);
        bitCount += 6;
        if (bitCount < 16) {
            continue;
        }
        bitCount -= 16;
        const char32_t unit = (bits >> bitCount) & 0xFFFF;
        bits &= (1u << bitCount) - 1;
        if (highSurrogate != 0) {
            if (unit < 0xDC00 || unit > 0xDFFF) {
                return false;
            }
            text::appendUtf8(out, 0x10000 + ((highSurrogate - 0xD800) << 10) + (unit - 0xDC00));
            highSurrogate = 0;
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            highSurrogate = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        } else if (unit >= 0x20 && unit <= 0x7E) {
            return false;  // printable ASCII is never encoded
        } else {
            text::appendUtf8(out, unit);
        }
    }
    // What is left over pads the last unit: fewer than six bits, all zero.
    return highSurrogate == 0 && bitCount < 6 && bits == 0;
}

}  // namespace

std::optional<std::string> decodeModifiedUtf7(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c < 0x20 || c > 0x7E) {
            return std::nullopt;  // raw 8-bit: a name stored in UTF-8 or a local charset
        }
        if (c != '&') {
            out += c;
            ++i;
            continue;
        }
        const size_t end = text.find('-', i + 1);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        if (end == i + 1) {
            out += '&';
        } else if (!decodeRun(text.substr(i + 1, end - i - 1), out)) {
            return std::nullopt;
        }
        i = end + 1;
    }
    return out;
}

std::vector<std::string> maildirFolderPath(std::string_view directoryName) {
    if (!directoryName.empty() && directoryName.front() == '.') {
        directoryName.remove_prefix(1);
    }
    std::vector<std::string> path;
    size_t start = 0;
    for (;;) {
        const size_t dot = directoryName.find('.', start);
        std::string_view part = directoryName.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (part.empty()) {
            std::optional<std::string> whole = decodeModifiedUtf7(directoryName);
            return {whole ? *whole : std::string(directoryName)};
        }
        std::optional<std::string> decoded = decodeModifiedUtf7(part);
        path.push_back(decoded ? *decoded : std::string(part));
        if (dot == std::string_view::npos) {
            break;
        }
        start = dot + 1;
    }
    return path;
}

}  // namespace quorvel::mailbox
