#include "import/JapaneseEncodedWords.h"

#include <glib.h>

#include <algorithm>
#include <cctype>

namespace quorvel::mailimport {

namespace {

std::string lower(std::string_view s) {
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return r;
}

bool isBlankText(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

std::string decodeQ(std::string_view payload) {
    std::string out;
    for (size_t i = 0; i < payload.size(); ++i) {
        char c = payload[i];
        if (c == '_') {
            out += ' ';
        } else if (c == '=' && i + 2 < payload.size() && hexValue(payload[i + 1]) >= 0 &&
                   hexValue(payload[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(payload[i + 1]) * 16 + hexValue(payload[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string decodeB(std::string_view payload) {
    std::string text(payload);
    gsize len = 0;
    guchar* bytes = g_base64_decode(text.c_str(), &len);
    std::string out(reinterpret_cast<char*>(bytes), len);
    g_free(bytes);
    return out;
}

std::string decodePayload(std::string_view payload, const std::string& encoding) {
    return encoding == "b" ? decodeB(payload) : decodeQ(payload);
}

std::string encodeB(std::string_view bytes) {
    gchar* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string out(text);
    g_free(text);
    return out;
}

bool isShiftJisLabel(const std::string& label) {
    return label == "shift_jis" || label == "shift-jis" || label == "sjis" || label == "x-sjis" ||
           label == "ms_kanji" || label == "csshiftjis";
}

bool isEucJpLabel(const std::string& label) {
    return label == "euc-jp" || label == "x-euc-jp" || label == "eucjp";
}

void appendCp932Pair(unsigned char j1, unsigned char j2, std::string& out) {
    auto s1 = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
    auto s2 = static_cast<unsigned char>((j1 & 1) ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E);
    out += static_cast<char>(s1);
    out += static_cast<char>(s2);
}

// "x-unknown" is the one label the library reads in the process locale's
// charset (Latin-1 under the C locale, UTF-8 in a UTF-8 session), so the same
// mail would decode differently from a desktop and from a cron job. Adjacent
// words of that label are collected here, as the library joins a run of words
// of one charset before converting it, and written out as one B word whose
// label comes from the bytes: UTF-8 when they are UTF-8, else CP932, the order
// undeclared 8-bit text is read in.
struct UndeclaredRun {
    bool open = false;
    std::string bytes;
};

void flushUndeclared(UndeclaredRun& run, std::string& out) {
    if (!run.open) {
        return;
    }
    const bool utf8 = g_utf8_validate(run.bytes.data(), static_cast<gssize>(run.bytes.size()), nullptr);
    out.append(utf8 ? "=?UTF-8?B?" : "=?CP932?B?").append(encodeB(run.bytes)).append("?=");
    run = UndeclaredRun();
}

// One encoded word, split into its parts; `end` is the position after "?=".
struct EncodedWord {
    std::string_view charset, encoding, payload;
    size_t end = 0;
};

bool parseWord(std::string_view text, size_t start, EncodedWord& w) {
    size_t q1 = text.find('?', start + 2);
    if (q1 == std::string_view::npos || q1 == start + 2 || q1 + 2 >= text.size() || text[q1 + 2] != '?') {
        return false;
    }
    size_t close = text.find("?=", q1 + 3);
    if (close == std::string_view::npos) {
        return false;
    }
    w.charset = text.substr(start + 2, q1 - start - 2);
    if (w.charset.find_first_of(" \t") != std::string_view::npos) {
        return false;
    }
    w.encoding = text.substr(q1 + 1, 1);
    w.payload = text.substr(q1 + 3, close - q1 - 3);
    w.end = close + 2;
    return true;
}

}  // namespace

bool jisToCp932(std::string_view bytes, JisState& st, std::string& out) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (b == 0x1B) {
            std::string_view seq = bytes.substr(i + 1, 2);
            if (seq == "$@" || seq == "$B") {
                st.mode = JisState::Kanji;
            } else if (seq == "(B" || seq == "(J") {
                st.mode = JisState::Ascii;
            } else if (seq == "(I") {
                st.mode = JisState::Kana;
            } else if (seq == "&@") {
                // announces the 1990 edition of JIS X 0208; ESC $ B follows
            } else {
                return false;
            }
            st.pendingLead = -1;
            i += 2;
            continue;
        }
        if (b == 0x0E || b == 0x0F) {
            st.shiftOut = b == 0x0E;
            continue;
        }
        if (b >= 0x80) {
            return false;
        }
        bool graphic = b >= 0x21 && b <= 0x7E;
        if (!graphic || (st.mode == JisState::Ascii && !st.shiftOut)) {
            out += static_cast<char>(b);  // blanks and line ends pass in any mode
        } else if (st.shiftOut || st.mode == JisState::Kana) {
            if (b > 0x5F) {
                return false;
            }
            out += static_cast<char>(b | 0x80);
        } else if (st.pendingLead < 0) {
            st.pendingLead = b;
        } else {
            appendCp932Pair(static_cast<unsigned char>(st.pendingLead), b, out);
            st.pendingLead = -1;
        }
    }
    return true;
}

std::string preferWindowsJapanese(std::string_view text) {
    std::string out;
    JisState jis;
    UndeclaredRun undeclared;
    bool lastWordEmpty = false;  // the previous word held only half a character
    size_t done = 0;             // text before this position is in out
    size_t start;
    while ((start = text.find("=?", done)) != std::string_view::npos) {
        EncodedWord w;
        if (!parseWord(text, start, w)) {
            flushUndeclared(undeclared, out);
            out.append(text.substr(done, start + 2 - done));
            done = start + 2;
            continue;
        }
        std::string_view gap = text.substr(done, start - done);
        std::string label = lower(w.charset.substr(0, w.charset.find('*')));
        std::string encoding = lower(w.encoding);
        const bool encoded = encoding == "b" || encoding == "q";
        if (encoded && label == "x-unknown" && undeclared.open && isBlankText(gap)) {
            undeclared.bytes += decodePayload(w.payload, encoding);
            done = w.end;
            continue;
        }
        flushUndeclared(undeclared, out);
        if (!isBlankText(gap)) {
            jis = JisState();
            out.append(gap);
        } else if (!lastWordEmpty) {
            out.append(gap);  // else it would stand between text and a word, and show
        }
        lastWordEmpty = false;
        std::string_view word = text.substr(start, w.end - start);
        if (!encoded) {
            out.append(word);  // not an encoded word: plain text stays as it is
            jis = JisState();
        } else if (label == "x-unknown") {
            undeclared.open = true;
            undeclared.bytes = decodePayload(w.payload, encoding);
            jis = JisState();
        } else if (isShiftJisLabel(label)) {
            out.append("=?CP932?").append(w.encoding).append("?").append(w.payload).append("?=");
        } else if (isEucJpLabel(label)) {
            out.append("=?EUC-JP-MS?").append(w.encoding).append("?").append(w.payload).append("?=");
        } else if (label == "iso-2022-jp") {
            std::string bytes = decodePayload(w.payload, encoding);
            std::string cp932;
            if (jisToCp932(bytes, jis, cp932)) {
                if (!cp932.empty()) {
                    out.append("=?CP932?B?").append(encodeB(cp932)).append("?=");
                }
                lastWordEmpty = cp932.empty();
            } else {
                out.append(word);
                jis = JisState();
            }
        } else {
            out.append(word);
            jis = JisState();
        }
        done = w.end;
    }
    flushUndeclared(undeclared, out);
    out.append(text.substr(done));
    return out;
}

}  // namespace quorvel::mailimport
