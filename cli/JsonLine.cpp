#include "cli/JsonLine.h"

#include <cstdio>

#include "cli/Utf8.h"

namespace quorvel::cli {

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        size_t len = utf8SequenceLength(text, i);
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

JsonLine& JsonLine::add(std::string_view key, int64_t value) {
    addKey(key);
    body_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::add(std::string_view key, bool value) {
    addKey(key);
    body_ += value ? "true" : "false";
    return *this;
}

}  // namespace quorvel::cli
