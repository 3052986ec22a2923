#pragma once

#include <string>
#include <string_view>

typedef struct _GMimeParserOptions GMimeParserOptions;

namespace quorvel::mailimport {

// Turns the bytes of header lines into text (UTF-8). Two steps, because the
// line must be text before the parser can find its colon and drop a character,
// and the encoded words belong to the value only:
//  - lineText: raw bytes. Valid UTF-8 stays as it is; other 8-bit bytes are
//    read as CP932 (Shift-JIS with the Windows extensions); bytes that are no
//    character in either become "?", and so does a NUL byte.
//  - decodeWords: RFC 2047 encoded words (B and Q, any charset iconv knows)
//    become text; everything else, including the ";", ",", "+" and "for" the
//    date and recipient rules look for, comes back as it went in. A word that
//    does not decode is kept as far as it decodes.
// Text that needs neither step never reaches the library, and what does
// decodes the same under any process locale (a cron job's C locale included).
class HeaderDecoder {
public:
    HeaderDecoder() = default;
    ~HeaderDecoder();
    HeaderDecoder(const HeaderDecoder&) = delete;
    HeaderDecoder& operator=(const HeaderDecoder&) = delete;

    std::string lineText(std::string_view bytes);
    std::string decodeWords(std::string_view text);

    static bool needsLineConversion(std::string_view bytes);
    static bool hasEncodedWord(std::string_view text) { return text.find("=?") != std::string_view::npos; }

private:
    GMimeParserOptions* options();  // made on first use
    GMimeParserOptions* options_ = nullptr;
};

}  // namespace quorvel::mailimport
