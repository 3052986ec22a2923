#include "tests/import/TestMails.h"

#include <glib.h>
#include <iconv.h>

#include <cstdio>
#include <stdexcept>

namespace quorvel::test {

std::string inCharset(std::string_view utf8, const char* charset) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("no charset ") + charset);
    }
    std::string in(utf8), out(in.size() * 4 + 16, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t srcLeft = in.size(), dstLeft = out.size();
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) {
        throw std::runtime_error(std::string("cannot convert to ") + charset);
    }
    out.resize(out.size() - dstLeft);
    return out;
}

std::string base64(std::string_view bytes) {
    gchar* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string out(text);
    g_free(text);
    return out;
}

std::string bWord(std::string_view utf8, const char* charset, const char* label) {
    return std::string("=?") + (label ? label : charset) + "?B?" + base64(inCharset(utf8, charset)) + "?=";
}

std::string qWord(std::string_view utf8, const char* charset) {
    std::string out = std::string("=?") + charset + "?Q?";
    for (unsigned char c : inCharset(utf8, charset)) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "=%02X", c);
        out += c == ' ' ? "_" : (c >= 0x21 && c < 0x7F && c != '=' && c != '?' && c != '_') ? std::string(1, c) : hex;
    }
    return out + "?=";
}

std::string mailText(const std::vector<std::string>& headerLines, const std::string& body, const std::string& eol) {
    std::string text;
    for (const auto& line : headerLines) {
        text += line + eol;
    }
    return text + eol + body;
}

}  // namespace quorvel::test
