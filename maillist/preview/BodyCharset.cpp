#include "maillist/preview/BodyCharset.h"

#include <gmime/gmime.h>
#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "maillist/preview/GMimeInit.h"

namespace quorvel::preview {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::string lowerTrimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

bool isOneOf(const std::string& label, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), label) != names.end();
}

// Length of the valid UTF-8 prefix, or npos when everything is valid but a
// character cut off at the very end (which counts as valid).
bool validUtf8AllowingCutEnd(std::string_view bytes, std::size_t& validLength) {
    const char* end = nullptr;
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), &end)) {
        validLength = bytes.size();
        return true;
    }
    validLength = static_cast<std::size_t>(end - bytes.data());
    const std::size_t rest = bytes.size() - validLength;
    if (rest >= 4) {
        return false;
    }
    // A lead byte followed only by continuation bytes: a character cut in two.
    const auto lead = static_cast<unsigned char>(bytes[validLength]);
    const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (needed <= rest) {
        return false;
    }
    for (std::size_t i = validLength + 1; i < bytes.size(); ++i) {
        if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) {
            return false;
        }
    }
    return true;
}

// Converts with iconv to UTF-8; a byte the table refuses becomes U+FFFD and is
// skipped, an incomplete sequence at the end is dropped. False when iconv does
// not know the charset.
bool convertWithIconv(std::string_view bytes, const char* charset, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    out.clear();
    out.reserve(bytes.size() + bytes.size() / 2);
    char buffer[16384];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            continue;
        }
        if (errno == EINVAL) {  // cut off at the end
            break;
        }
        out.append(kReplacement);  // EILSEQ
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return true;
}

std::string fallbackDecode(std::string_view bytes) {
    std::size_t valid = 0;
    if (validUtf8AllowingCutEnd(bytes, valid)) {
        return std::string(bytes.substr(0, valid));
    }
    std::string out;
    convertWithIconv(bytes, "CP932", out);
    return out;
}

// JIS row and cell (0x21..0x7E each) to a Shift_JIS byte pair.
void appendJisAsShiftJis(unsigned char j1, unsigned char j2, std::string& out) {
    unsigned char s1 = static_cast<unsigned char>(((j1 - 0x21) >> 1) + 0x81);
    if (s1 > 0x9F) {
        s1 = static_cast<unsigned char>(s1 + 0x40);
    }
    unsigned char s2;
    if (j1 & 1) {
        s2 = static_cast<unsigned char>(j2 + 0x1F);
        if (s2 >= 0x7F) {
            ++s2;
        }
    } else {
        s2 = static_cast<unsigned char>(j2 + 0x7E);
    }
    out.push_back(static_cast<char>(s1));
    out.push_back(static_cast<char>(s2));
}

}  // namespace

bool iso2022jpToCp932(std::string_view bytes, std::string& out) {
    enum class Mode { Ascii, Kanji, Kana } mode = Mode::Ascii;
    bool shiftOut = false;
    out.clear();
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0x1B) {
            const std::string_view seq = bytes.substr(i + 1, 2);
            if (seq == "$B" || seq == "$@") {
                mode = Mode::Kanji;
            } else if (seq == "(B" || seq == "(J") {
                mode = Mode::Ascii;
            } else if (seq == "(I") {
                mode = Mode::Kana;
            } else if (seq.size() < 2 && i + 1 + seq.size() == bytes.size()) {
                break;  // an escape cut off at the end
            } else {
                return false;
            }
            i += 3;
            continue;
        }
        if (c == 0x0E || c == 0x0F) {
            shiftOut = c == 0x0E;
            ++i;
            continue;
        }
        if (c < 0x21 || c >= 0x7F) {  // controls and line breaks pass in every mode
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        if (shiftOut || mode == Mode::Kana) {
            if (c <= 0x5F) {
                out.push_back(static_cast<char>(c + 0x80));
            } else {
                out.push_back('?');
            }
            ++i;
        } else if (mode == Mode::Kanji) {
            if (i + 1 >= bytes.size()) {
                break;
            }
            const auto c2 = static_cast<unsigned char>(bytes[i + 1]);
            if (c2 < 0x21 || c2 >= 0x7F) {
                out.push_back('?');
                ++i;
                continue;
            }
            appendJisAsShiftJis(c, c2, out);
            i += 2;
        } else {
            out.push_back(static_cast<char>(c));
            ++i;
        }
    }
    return true;
}

std::string decodeBodyText(std::string_view bytes, std::string_view charset) {
    ensureGMimeInit();
    const std::string label = lowerTrimmed(charset);
    if (label.empty()) {
        return fallbackDecode(bytes);
    }
    if (isOneOf(label, {"utf-8", "utf8"})) {
        std::size_t valid = 0;
        if (validUtf8AllowingCutEnd(bytes, valid)) {
            return std::string(bytes.substr(0, valid));
        }
        std::string out;
        convertWithIconv(bytes, "UTF-8", out);
        return out;
    }
    if (isOneOf(label, {"us-ascii", "ascii", "iso-2022-jp", "csiso2022jp"})) {
        // Mislabelled 8-bit text is common under these labels.
        std::string sjis;
        if (iso2022jpToCp932(bytes, sjis)) {
            if (sjis.size() == bytes.size() && sjis == bytes) {
                return fallbackDecode(bytes);
            }
            std::string out;
            convertWithIconv(sjis, "CP932", out);
            return out;
        }
    }
    const char* iconvName = "";
    if (isOneOf(label, {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932", "ms_kanji", "x-ms-cp932",
                        "csshiftjis"})) {
        iconvName = "CP932";
    } else if (isOneOf(label, {"euc-jp", "x-euc-jp", "eucjp", "cseucpkdfmtjapanese"})) {
        iconvName = "EUC-JP-MS";
    } else {
        iconvName = g_mime_charset_iconv_name(label.c_str());
    }
    std::string out;
    if (iconvName && convertWithIconv(bytes, iconvName, out)) {
        return out;
    }
    return fallbackDecode(bytes);
}

}  // namespace quorvel::preview
