#include "import/HeaderDecoder.h"

#include <gmime/gmime.h>

#include <cstdint>
#include <cstring>
#include <mutex>

#include "import/JapaneseEncodedWords.h"

namespace quorvel::mailimport {

namespace {

void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

// Takes ownership of a string from the library and makes sure it is UTF-8.
std::string adoptText(char* text) {
    if (!text) {
        return {};
    }
    std::string result;
    if (g_utf8_validate(text, -1, nullptr)) {
        result = text;
    } else {
        char* valid = g_utf8_make_valid(text, -1);
        result = valid;
        g_free(valid);
    }
    g_free(text);
    return result;
}

}  // namespace

HeaderDecoder::~HeaderDecoder() {
    if (options_) {
        g_mime_parser_options_free(options_);
    }
}

GMimeParserOptions* HeaderDecoder::options() {
    if (!options_) {
        initLibrary();
        options_ = g_mime_parser_options_new();
        // Undeclared 8-bit text and words in unknown charsets: UTF-8 when
        // valid, else the code page Japanese mail programs write.
        const char* fallback[] = {"UTF-8", "CP932", nullptr};
        g_mime_parser_options_set_fallback_charsets(options_, fallback);
    }
    return options_;
}

bool HeaderDecoder::needsLineConversion(std::string_view bytes) {
    // Eight bytes at a time: a high bit set, or a zero byte.
    constexpr uint64_t kLow = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, bytes.data() + i, 8);
        if ((w & kHigh) || ((w - kLow) & ~w & kHigh)) {
            return true;
        }
    }
    for (; i < bytes.size(); ++i) {
        if (bytes[i] == '\0' || (static_cast<unsigned char>(bytes[i]) & 0x80)) {
            return true;
        }
    }
    return false;
}

std::string HeaderDecoder::lineText(std::string_view bytes) {
    if (!needsLineConversion(bytes)) {
        return std::string(bytes);
    }
    // The library takes C strings: a NUL would cut the line short.
    std::string copy(bytes);
    for (char& c : copy) {
        if (c == '\0') {
            c = '?';
        }
    }
    return adoptText(g_mime_utils_decode_8bit(options(), copy.data(), copy.size()));
}

std::string HeaderDecoder::decodeWords(std::string_view text) {
    if (!hasEncodedWord(text)) {
        return std::string(text);
    }
    std::string prepared = preferWindowsJapanese(text);
    return adoptText(g_mime_utils_header_decode_text(options(), prepared.c_str()));
}

}  // namespace quorvel::mailimport
