#include "tests/support/ActiveContent.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quorvel::test {

namespace {

constexpr std::array<std::string_view, 11> kActiveElements = {
    "script", "iframe", "object", "embed", "applet", "frame", "frameset", "link", "meta", "base", "form"};
constexpr std::array<std::string_view, 16> kUrlAttributes = {
    "href",     "src",        "background", "action", "formaction", "lowsrc", "dynsrc",   "poster",
    "longdesc", "xlink:href", "data",       "usemap", "srcset",     "cite",   "codebase", "archive"};
constexpr std::array<std::string_view, 4> kActiveSchemes = {"javascript:", "vbscript:", "data:", "file:"};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// A character that continues a CSS name: letters, digits, "-", "_", and
// anything beyond ASCII.
bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (lower(c) >= 'a' && lower(c) <= 'f');
}

int hexValue(char c) {
    return c >= '0' && c <= '9' ? c - '0' : lower(c) - 'a' + 10;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[i]) != lower(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from) {
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        if (startsWithNoCase(text.substr(i), needle)) {
            return i;
        }
    }
    return std::string_view::npos;
}

void appendUtf8(char32_t c, std::string& out) {
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        c = 0xFFFD;
    }
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Character references: numeric ones with or without their ";", and the
// named ones that can spell a scheme, a url( or a comment.
std::string decodeReferences(std::string_view text) {
    static constexpr std::pair<std::string_view, char32_t> kNamed[] = {
        {"colon", ':'}, {"lpar", '('},     {"rpar", ')'}, {"sol", '/'},  {"bsol", '\\'}, {"ast", '*'},
        {"tab", '\t'},  {"newline", '\n'}, {"num", '#'},  {"semi", ';'}, {"comma", ','}, {"period", '.'},
        {"quot", '"'},  {"apos", '\''},    {"lt", '<'},   {"gt", '>'},   {"nbsp", 0xA0}, {"amp", '&'},
    };
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        std::size_t j = i + 1;
        char32_t code = 0;
        bool decoded = false;
        if (j < text.size() && text[j] == '#') {
            ++j;
            const bool hex = j < text.size() && lower(text[j]) == 'x';
            j += hex ? 1 : 0;
            const std::size_t first = j;
            while (j < text.size() && (hex ? isHexDigit(text[j]) : (text[j] >= '0' && text[j] <= '9'))) {
                if (code <= 0x10FFFF) {
                    code = code * (hex ? 16 : 10) + static_cast<char32_t>(hexValue(text[j]));
                }
                ++j;
            }
            decoded = j > first;
        } else {
            for (const auto& [name, c] : kNamed) {
                if (startsWithNoCase(text.substr(j), name)) {
                    code = c;
                    j += name.size();
                    decoded = true;
                    break;
                }
            }
        }
        if (!decoded) {
            out += text[i++];
            continue;
        }
        if (j < text.size() && text[j] == ';') {
            ++j;
        }
        appendUtf8(code, out);
        i = j;
    }
    return out;
}

// CSS as its scanner reads it: comments gone, escapes replaced by their characters.
std::string decodeCss(std::string_view css) {
    std::string out;
    out.reserve(css.size());
    std::size_t i = 0;
    while (i < css.size()) {
        if (css.substr(i, 2) == "/*") {
            const std::size_t close = css.find("*/", i + 2);
            i = close == std::string_view::npos ? css.size() : close + 2;
            continue;
        }
        if (css[i] != '\\' || i + 1 >= css.size()) {
            out += css[i++];
            continue;
        }
        ++i;
        if (!isHexDigit(css[i])) {
            out += css[i++];
            continue;
        }
        char32_t code = 0;
        for (int digits = 0; digits < 6 && i < css.size() && isHexDigit(css[i]); ++digits) {
            code = code * 16 + static_cast<char32_t>(hexValue(css[i++]));
        }
        if (css.substr(i, 2) == "\r\n") {
            i += 2;
        } else if (i < css.size() && isBlank(css[i])) {
            ++i;
        }
        appendUtf8(code, out);
    }
    return out;
}

std::string excerpt(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 60)) {
        out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    }
    return out;
}

void checkCss(std::string_view decoded, const std::string& where, std::vector<std::string>& findings) {
    // "@import" as a whole at-keyword: "@importx" is another rule's name.
    for (std::size_t at = findNoCase(decoded, "@import", 0); at != std::string_view::npos;
         at = findNoCase(decoded, "@import", at + 1)) {
        const std::size_t next = at + 7;
        if (next < decoded.size() && isNameCharacter(decoded[next])) {
            continue;
        }
        // Inside one unquoted url( token, closed and without blanks, it is
        // part of the URL, not a rule (the url( checks judge the target).
        std::size_t opened = std::string_view::npos;
        for (std::size_t u = findNoCase(decoded, "url(", 0); u != std::string_view::npos && u < at;
             u = findNoCase(decoded, "url(", u + 1)) {
            opened = u;
        }
        const std::size_t closed = decoded.find(')', at);
        if (opened != std::string_view::npos && closed != std::string_view::npos &&
            decoded.substr(opened + 4, closed - opened - 4).find_first_of(" \t\r\n\f\"';{}()") ==
                std::string_view::npos) {
            continue;
        }
        findings.push_back("@import in " + where + ": " + excerpt(decoded.substr(at)));
    }
    // A url( target runs to its ")" (a quoted one to its closing quote first);
    // a "url(" inside it is part of it, as CSS reads it.
    std::size_t at = 0;
    while ((at = findNoCase(decoded, "url(", at)) != std::string_view::npos) {
        std::size_t t = at + 4;
        while (t < decoded.size() && isBlank(decoded[t])) {
            ++t;
        }
        std::size_t targetEnd = decoded.find(')', t);
        if (t < decoded.size() && (decoded[t] == '"' || decoded[t] == '\'')) {
            const std::size_t closingQuote = decoded.find(decoded[t], t + 1);
            ++t;
            targetEnd = closingQuote;
            // Blanks at the ends of a URL do not count.
            while (t < decoded.size() && t < targetEnd && isBlank(decoded[t])) {
                ++t;
            }
        }
        targetEnd = std::min(targetEnd, decoded.size());
        if (!startsWithNoCase(decoded.substr(t, targetEnd - t), "cid:")) {
            findings.push_back("url( of no cid: part in " + where + ": " + excerpt(decoded.substr(at)));
        }
        at = std::max(targetEnd, at + 4);
    }
}

void checkUrl(std::string_view attribute, std::string_view value, std::vector<std::string>& findings) {
    const std::string decoded = decodeReferences(value);
    // srcset holds a list of candidates, each a URL and a size.
    std::vector<std::string_view> urls;
    if (attribute == "srcset") {
        std::string_view rest = decoded;
        for (std::size_t comma; (comma = rest.find(',')) != std::string_view::npos; rest.remove_prefix(comma + 1)) {
            urls.push_back(rest.substr(0, comma));
        }
        urls.push_back(rest);
    } else {
        urls.push_back(decoded);
    }
    for (std::string_view url : urls) {
        std::string squeezed;
        for (char c : url) {
            if (static_cast<unsigned char>(c) > 0x20 && c != 0x7F) {
                squeezed += lower(c);
            }
        }
        for (std::string_view scheme : kActiveSchemes) {
            if (squeezed.starts_with(scheme)) {
                findings.push_back(std::string(scheme) + " URL in " + std::string(attribute) + ": " + excerpt(url));
            }
        }
    }
}

struct Attribute {
    std::string name;
    std::string_view value;
};

// Reads the attributes of a start tag from `i`, just after its name; stops
// after its ">" or at the end of the text.
std::vector<Attribute> readAttributes(std::string_view html, std::size_t& i) {
    std::vector<Attribute> attributes;
    while (i < html.size()) {
        while (i < html.size() && (isBlank(html[i]) || html[i] == '/')) {
            ++i;
        }
        if (i >= html.size()) {
            break;
        }
        if (html[i] == '>') {
            ++i;
            break;
        }
        Attribute attribute;
        while (i < html.size() && !isBlank(html[i]) && html[i] != '>' && html[i] != '=' &&
               (html[i] != '/' || attribute.name.empty())) {
            attribute.name += lower(html[i++]);
        }
        while (i < html.size() && isBlank(html[i])) {
            ++i;
        }
        if (i < html.size() && html[i] == '=') {
            ++i;
            while (i < html.size() && isBlank(html[i])) {
                ++i;
            }
            if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
                const char quote = html[i++];
                const std::size_t close = std::min(html.find(quote, i), html.size());
                attribute.value = html.substr(i, close - i);
                i = std::min(close + 1, html.size());
            } else {
                const std::size_t start = i;
                while (i < html.size() && !isBlank(html[i]) && html[i] != '>') {
                    ++i;
                }
                attribute.value = html.substr(start, i - start);
            }
        }
        attributes.push_back(std::move(attribute));
    }
    return attributes;
}

}  // namespace

std::vector<std::string> activeContentInCss(std::string_view css) {
    std::vector<std::string> findings;
    checkCss(decodeCss(css), "style sheet", findings);
    return findings;
}

std::vector<std::string> activeContentIn(std::string_view html) {
    std::vector<std::string> findings;
    std::size_t i = 0;
    while ((i = html.find('<', i)) != std::string_view::npos) {
        const std::size_t tagAt = i;
        ++i;
        while (i < html.size() && isBlank(html[i])) {
            ++i;
        }
        if (i >= html.size()) {
            break;
        }
        if (html.substr(i, 3) == "!--") {
            const std::size_t close = html.find("-->", i + 3);
            i = close == std::string_view::npos ? html.size() : close + 3;
            continue;
        }
        if (html[i] == '!' || html[i] == '?' || html[i] == '/') {
            const std::size_t close = html.find('>', i);
            i = close == std::string_view::npos ? html.size() : close + 1;
            continue;
        }
        if (!isAsciiLetter(html[i])) {
            continue;
        }
        std::string name;
        // The view takes everything up to a blank, "/", "<", "=" or ">" as the name.
        while (i < html.size() && !isBlank(html[i]) && html[i] != '>' && html[i] != '/' && html[i] != '<' &&
               html[i] != '=') {
            name += lower(html[i++]);
        }
        const std::string at = " (offset " + std::to_string(tagAt) + ")";
        if (std::find(kActiveElements.begin(), kActiveElements.end(), name) != kActiveElements.end()) {
            findings.push_back("element <" + name + ">" + at);
        }
        for (const Attribute& attribute : readAttributes(html, i)) {
            if (attribute.name.starts_with("on")) {
                findings.push_back("event handler " + attribute.name + " on <" + name + ">" + at);
            }
            if (std::find(kUrlAttributes.begin(), kUrlAttributes.end(), attribute.name) != kUrlAttributes.end()) {
                checkUrl(attribute.name, attribute.value, findings);
            }
            if (attribute.name == "style") {
                checkCss(decodeCss(decodeReferences(attribute.value)), "style attribute of <" + name + ">" + at,
                         findings);
            }
        }
        if (name == "style") {
            // The tags inside are looked at too, in case the view reads them.
            const std::size_t close = std::min(findNoCase(html, "</style", i), html.size());
            checkCss(decodeCss(decodeReferences(html.substr(i, close - i))), "style element" + at, findings);
        }
    }
    return findings;
}

std::string describeFindings(const std::vector<std::string>& findings) {
    std::string out;
    for (const std::string& f : findings) {
        out += out.empty() ? "" : "\n";
        out += f;
    }
    return out;
}

}  // namespace quorvel::test
