#pragma once

#include <string>
#include <string_view>
#include <vector>

// Building blocks for the test mails: Japanese text in the charsets mail
// programs use, as raw bytes or as encoded words.
namespace quorvel::test {

// UTF-8 text converted to a charset iconv knows (ends in the initial shift state).
std::string inCharset(std::string_view utf8, const char* charset);
// An encoded word: the text in `charset`, B (base64) or Q encoded, labelled `label`.
std::string bWord(std::string_view utf8, const char* charset, const char* label = nullptr);
std::string qWord(std::string_view utf8, const char* charset);
std::string base64(std::string_view bytes);

// Header lines joined by `eol`, a blank line, then the body.
std::string mailText(const std::vector<std::string>& headerLines, const std::string& body = "",
                     const std::string& eol = "\r\n");

}  // namespace quorvel::test
