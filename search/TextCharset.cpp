#include "search/TextCharset.h"

#include <gmime/gmime.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <initializer_list>

#include "import/JapaneseEncodedWords.h"
#include "search/GMimeOnce.h"

namespace quorvel::search {

namespace {

std::string label(std::string_view charset) {
    std::string out;
    for (const char c : charset) {
        if (c != ' ' && c != '\t' && c != '"') {
            out += static_cast<char>(g_ascii_tolower(c));
        }
    }
    return out;
}

bool isOneOf(const std::string& name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool isUtf8(std::string_view bytes) {
    return g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr);
}

// False when iconv does not know the charset.
bool convert(std::string_view bytes, const char* charset, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    out.clear();
    out.reserve(bytes.size() + bytes.size() / 2);
    char buffer[16384];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* at = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &at, &outLeft);
        out.append(buffer, static_cast<size_t>(at - buffer));
        if (rc != static_cast<size_t>(-1) || errno == EINVAL) {
            break;  // done, or a character cut off at the end
        }
        if (errno == EILSEQ) {
            out += ' ';
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return true;
}

std::string fromCp932(std::string_view bytes) {
    std::string out;
    convert(bytes, "CP932", out);
    return out;
}

std::string fromIso2022jp(std::string_view bytes) {
    mailimport::JisState state;
    std::string cp932;
    if (mailimport::jisToCp932(bytes, state, cp932)) {
        return fromCp932(cp932);
    }
    std::string out;
    if (convert(bytes, "ISO-2022-JP-2", out)) {
        return out;
    }
    return fromCp932(bytes);
}

std::string undeclared(std::string_view bytes) {
    if (bytes.find("\x1B$") != std::string_view::npos) {
        return fromIso2022jp(bytes);
    }
    if (isUtf8(bytes)) {
        return std::string(bytes);
    }
    return fromCp932(bytes);
}

}  // namespace

std::string textToUtf8(std::string_view bytes, std::string_view charset) {
    ensureGMime();  // for its table of charset names
    const std::string name = label(charset);
    if (name.empty() || isOneOf(name, {"us-ascii", "ascii", "x-unknown", "unknown-8bit"})) {
        return undeclared(bytes);
    }
    if (isOneOf(name, {"utf-8", "utf8"})) {
        if (isUtf8(bytes)) {
            return std::string(bytes);
        }
        std::string out;
        convert(bytes, "UTF-8", out);
        return out;
    }
    if (name.rfind("iso-2022-jp", 0) == 0 || name == "csiso2022jp") {
        return fromIso2022jp(bytes);
    }
    if (isOneOf(name, {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932", "ms_kanji", "x-ms-cp932",
                       "csshiftjis"})) {
        return fromCp932(bytes);
    }
    std::string out;
    const char* iconvName = isOneOf(name, {"euc-jp", "x-euc-jp", "eucjp", "cseucpkdfmtjapanese"})
                                ? "EUC-JP-MS"
                                : g_mime_charset_iconv_name(name.c_str());
    if (iconvName && convert(bytes, iconvName, out)) {
        return out;
    }
    return undeclared(bytes);
}

}  // namespace quorvel::search
