#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::cli {

// Builds one JSON object on one line, members in the order they are added.
// Strings are written as UTF-8; bytes that are not UTF-8 (file names may hold
// any byte) become U+FFFD, so the line is always valid JSON.
class JsonLine {
public:
    JsonLine& add(std::string_view key, std::string_view value);
    JsonLine& add(std::string_view key, int64_t value);
    JsonLine& add(std::string_view key, bool value);
    std::string text() const { return body_ + "}"; }

private:
    void addKey(std::string_view key);
    std::string body_ = "{";
};

// A JSON string literal, quotes included.
std::string jsonString(std::string_view text);

}  // namespace quorvel::cli
