#include "search/HtmlText.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace quorvel::search {

namespace {

// Tags inside a line of text: they must not cut a word in two.
constexpr std::string_view kInlineTags[] = {
    "a",      "abbr",   "acronym", "b",   "bdi",   "bdo",  "big",  "cite", "code", "data", "del",   "dfn",   "em",
    "font",   "i",      "ins",     "kbd", "label", "mark", "nobr", "q",    "rb",   "s",    "samp",  "small", "span",
    "strike", "strong", "sub",     "sup", "time",  "tt",   "u",    "var",  "wbr",  "o:p",  "blink", "ruby"};

struct NamedReference {
    std::string_view name;
    uint32_t code;
};

constexpr NamedReference kNamedReferences[] = {
    {"amp", '&'},      {"lt", '<'},      {"gt", '>'},      {"quot", '"'},     {"apos", '\''},     {"nbsp", ' '},
    {"ensp", ' '},     {"emsp", ' '},    {"thinsp", ' '},  {"copy", 0xA9},    {"reg", 0xAE},      {"trade", 0x2122},
    {"yen", 0xA5},     {"euro", 0x20AC}, {"pound", 0xA3},  {"cent", 0xA2},    {"sect", 0xA7},     {"para", 0xB6},
    {"deg", 0xB0},     {"middot", 0xB7}, {"times", 0xD7},  {"divide", 0xF7},  {"hellip", 0x2026}, {"mdash", 0x2014},
    {"ndash", 0x2013}, {"laquo", 0xAB},  {"raquo", 0xBB},  {"ldquo", 0x201C}, {"rdquo", 0x201D},  {"lsquo", 0x2018},
    {"rsquo", 0x2019}, {"bull", 0x2022}, {"larr", 0x2190}, {"rarr", 0x2192},
};

bool startsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    if (text.size() - at < word.size()) {
        return false;
    }
    for (size_t i = 0; i < word.size(); ++i) {
        if (g_ascii_tolower(text[at + i]) != word[i]) {
            return false;
        }
    }
    return true;
}

void appendCodePoint(uint32_t code, std::string& out) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out += ' ';
        return;
    }
    char bytes[8];
    out.append(bytes, static_cast<size_t>(g_unichar_to_utf8(code, bytes)));
}

// A character reference at html[at] ('&'); its end, or `at` when it is none.
size_t reference(std::string_view html, size_t at, std::string& out) {
    const size_t semicolon = html.find(';', at + 1);
    if (semicolon == std::string_view::npos || semicolon - at > 12) {
        return at;
    }
    const std::string_view body = html.substr(at + 1, semicolon - at - 1);
    if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) {
            return at;
        }
        uint32_t code = 0;
        for (const char c : digits) {
            const int d = hex ? g_ascii_xdigit_value(c) : g_ascii_digit_value(c);
            if (d < 0) {
                return at;
            }
            code = std::min<uint32_t>(code * (hex ? 16 : 10) + static_cast<uint32_t>(d), 0x110000);
        }
        appendCodePoint(code, out);
        return semicolon + 1;
    }
    for (const NamedReference& r : kNamedReferences) {
        if (r.name == body) {
            appendCodePoint(r.code, out);
            return semicolon + 1;
        }
    }
    return at;
}

// Past the '>' that closes the tag opened at `at`, quotes respected.
size_t tagEnd(std::string_view html, size_t at) {
    char quote = 0;
    for (size_t i = at; i < html.size(); ++i) {
        const char c = html[i];
        if (quote) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return html.size();
}

// Past the element's end tag ("</script ...>"), or the end of the text.
size_t skipContent(std::string_view html, size_t at, std::string_view name) {
    for (size_t i = html.find("</", at); i != std::string_view::npos; i = html.find("</", i + 2)) {
        if (startsWithNoCase(html, i + 2, name)) {
            return tagEnd(html, i + 2);
        }
    }
    return html.size();
}

}  // namespace

std::string htmlToText(std::string_view html, size_t limit) {
    std::string out;
    size_t i = 0;
    while (i < html.size() && out.size() < limit) {
        const char c = html[i];
        if (c == '&') {
            const size_t next = reference(html, i, out);
            if (next == i) {
                out += c;
                ++i;
            } else {
                i = next;
            }
            continue;
        }
        if (c != '<' || i + 1 >= html.size()) {
            out += c;
            ++i;
            continue;
        }
        if (html.compare(i, 4, "<!--") == 0) {
            const size_t close = html.find("-->", i + 4);
            i = close == std::string_view::npos ? html.size() : close + 3;
            continue;
        }
        const size_t nameStart = i + (html[i + 1] == '/' ? 2 : 1);
        const char first = nameStart < html.size() ? html[nameStart] : '\0';
        if (html[i + 1] == '!' || html[i + 1] == '?') {
            i = tagEnd(html, i + 1);
            continue;
        }
        if (!g_ascii_isalpha(first)) {
            out += c;  // a "<" that opens no tag is text
            ++i;
            continue;
        }
        size_t nameEnd = nameStart;
        while (nameEnd < html.size() && (g_ascii_isalnum(html[nameEnd]) || html[nameEnd] == ':')) {
            ++nameEnd;
        }
        std::string name(html.substr(nameStart, nameEnd - nameStart));
        std::transform(name.begin(), name.end(), name.begin(), [](char ch) { return g_ascii_tolower(ch); });
        i = tagEnd(html, nameEnd);
        const bool closing = html[nameStart - 1] == '/';
        if (!closing && (name == "script" || name == "style") && html[i - 1] == '>' && html[i - 2] != '/') {
            i = skipContent(html, i, name);
        }
        if (std::find(std::begin(kInlineTags), std::end(kInlineTags), name) == std::end(kInlineTags)) {
            out += '\n';
        }
    }
    return out;
}

}  // namespace quorvel::search
