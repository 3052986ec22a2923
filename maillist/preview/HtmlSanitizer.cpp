#include "maillist/preview/HtmlSanitizer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "maillist/preview/PreviewHtml.h"
#include "platform/text/Utf8Encode.h"

namespace quorvel::preview {

namespace {

// Elements removed together with everything up to their end tag.
constexpr std::array kDropWithContent = {"script",   "iframe", "object",  "applet",   "frameset",
                                         "template", "title",  "select",  "textarea", "button",
                                         "svg",      "math",   "noembed", "noframes", "xml"};
// Tags removed alone: wrappers whose text stays, and elements without content.
constexpr std::array kDropTagOnly = {"html",  "head",  "body",  "form",   "noscript", "meta",   "link",    "base",
                                     "input", "embed", "frame", "keygen", "param",    "option", "optgroup"};
constexpr std::array kUrlAttributes = {"href",   "src",  "background", "action",     "formaction", "lowsrc", "dynsrc",
                                       "poster", "cite", "longdesc",   "xlink:href", "data",       "usemap"};

template <std::size_t N>
bool contains(const std::array<const char*, N>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Position of `needle` (lower case) in `text` from `from`, ignoring case; npos if none.
std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from) {
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        if (lower(text[i]) == needle[0] && startsWithNoCase(text.substr(i), needle)) {
            return i;
        }
    }
    return std::string_view::npos;
}

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == ':' || c == '_';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The text an HTML parser makes of an attribute value: character references
// decoded, with or without their ';' as browsers read them. A named reference
// not known here stays as written.
std::string decodeEntities(std::string_view value) {
    static constexpr std::pair<std::string_view, char32_t> kNamed[] = {
        {"colon", ':'},  {"tab", '\t'},  {"newline", '\n'}, {"lpar", '('},  {"rpar", ')'},  {"amp", '&'},
        {"lt", '<'},     {"gt", '>'},    {"quot", '"'},     {"apos", '\''}, {"sol", '/'},   {"bsol", '\\'},
        {"period", '.'}, {"comma", ','}, {"semi", ';'},     {"num", '#'},   {"nbsp", 0xA0},
    };
    std::string out;
    std::size_t i = 0;
    while (i < value.size()) {
        if (value[i] != '&') {
            out += value[i++];
            continue;
        }
        std::size_t j = i + 1;
        char32_t code = 0;
        bool decoded = false;
        if (j < value.size() && value[j] == '#') {
            ++j;
            const bool hex = j < value.size() && (value[j] == 'x' || value[j] == 'X');
            j += hex ? 1 : 0;
            const std::size_t digits = j;
            while (j < value.size() && (hex ? std::isxdigit(static_cast<unsigned char>(value[j]))
                                            : std::isdigit(static_cast<unsigned char>(value[j])))) {
                if (code < 0x110000) {
                    code = code * (hex ? 16 : 10) +
                           static_cast<char32_t>(std::isdigit(static_cast<unsigned char>(value[j]))
                                                     ? value[j] - '0'
                                                     : lower(value[j]) - 'a' + 10);
                }
                ++j;
            }
            decoded = j > digits;
        } else {
            for (const auto& [name, c] : kNamed) {
                if (startsWithNoCase(value.substr(j), name)) {
                    code = c;
                    j += name.size();
                    decoded = true;
                    break;
                }
            }
        }
        if (!decoded) {
            out += value[i++];
            continue;
        }
        if (j < value.size() && value[j] == ';') {
            ++j;
        }
        text::appendUtf8(out, code == 0 ? 0xFFFD : code);
        i = j;
    }
    return out;
}

std::string escapeAmpersands(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c == '&' ? std::string("&amp;") : std::string(1, c);
    }
    return out;
}

// Whether a URL value may stay: once decoded as the parser decodes it, and
// without the blanks and controls browsers ignore inside a scheme, it names
// no scheme or one that only points somewhere (never runs, never embeds).
bool isSafeUrl(std::string_view raw) {
    std::string squeezed;
    for (char c : decodeEntities(raw)) {
        if (static_cast<unsigned char>(c) > 0x20) {
            squeezed.push_back(lower(c));
        }
    }
    const std::size_t end = squeezed.find_first_of(":/?#");
    if (end == std::string::npos || squeezed[end] != ':') {
        return squeezed.find('&') == std::string::npos || squeezed.find(':') == std::string::npos;
    }
    const std::string scheme = squeezed.substr(0, end);
    static constexpr std::array kAllowed = {"http", "https", "mailto", "cid", "ftp", "news", "tel"};
    return std::any_of(kAllowed.begin(), kAllowed.end(), [&](const char* a) { return scheme == a; });
}

struct Attribute {
    std::string name;
    std::string value;
};

struct Tag {
    std::string name;
    bool closing = false;
    std::vector<Attribute> attributes;
    std::size_t end = 0;  // one past '>'
};

// Reads the tag starting at text[pos] == '<'. False when it is cut off.
bool readTag(std::string_view text, std::size_t pos, Tag& tag) {
    std::size_t i = pos + 1;
    if (i < text.size() && text[i] == '/') {
        tag.closing = true;
        ++i;
    }
    while (i < text.size() && isNameChar(text[i])) {
        tag.name.push_back(lower(text[i++]));
    }
    while (i < text.size()) {
        while (i < text.size() && (isSpace(text[i]) || text[i] == '/')) {
            ++i;
        }
        if (i >= text.size()) {
            return false;
        }
        if (text[i] == '>') {
            tag.end = i + 1;
            return true;
        }
        Attribute attribute;
        while (i < text.size() && !isSpace(text[i]) && text[i] != '>' && text[i] != '=' &&
               (text[i] != '/' || attribute.name.empty())) {
            attribute.name.push_back(lower(text[i++]));
        }
        while (i < text.size() && isSpace(text[i])) {
            ++i;
        }
        if (i < text.size() && text[i] == '=') {
            ++i;
            while (i < text.size() && isSpace(text[i])) {
                ++i;
            }
            if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                const char quote = text[i++];
                const std::size_t close = text.find(quote, i);
                if (close == std::string_view::npos) {
                    return false;
                }
                attribute.value.assign(text.substr(i, close - i));
                i = close + 1;
            } else {
                while (i < text.size() && !isSpace(text[i]) && text[i] != '>') {
                    attribute.value.push_back(text[i++]);
                }
            }
        }
        if (!attribute.name.empty()) {
            tag.attributes.push_back(std::move(attribute));
        }
    }
    return false;
}

void appendSafeTag(const Tag& tag, std::string& out) {
    out += '<';
    if (tag.closing) {
        out += '/';
        out += tag.name;
        out += '>';
        return;
    }
    out += tag.name;
    for (const Attribute& attribute : tag.attributes) {
        // srcset lists several URLs at once: the view has no use for it.
        if (attribute.name.starts_with("on") || attribute.name == "srcset" ||
            !std::all_of(attribute.name.begin(), attribute.name.end(), isNameChar)) {
            continue;
        }
        std::string value = attribute.value;
        if (contains(kUrlAttributes, attribute.name) && !isSafeUrl(value)) {
            continue;
        }
        if (attribute.name == "style") {
            // The style sheet sees the value with its references decoded,
            // and it is written back with no reference left to decode.
            value = escapeAmpersands(sanitizeCss(decodeEntities(value)));
        }
        out += ' ';
        out += attribute.name;
        out += "=\"";
        out += escapeAttributeValue(value);
        out += '"';
    }
    out += '>';
}

}  // namespace

// Style sheet text as the CSS parser reads it: comments gone, escapes
// ("\\72", "\\(") turned into the characters they stand for.
std::string decodeCss(std::string_view css) {
    std::string out;
    std::size_t i = 0;
    while (i < css.size()) {
        if (css.substr(i).starts_with("/*")) {
            const std::size_t close = css.find("*/", i + 2);
            // Dropped without a trace: "u/**/rl(" is then judged as url(,
            // whatever a style engine would make of it.
            i = close == std::string_view::npos ? css.size() : close + 2;
            continue;
        }
        if (css[i] != '\\' || i + 1 >= css.size()) {
            out += css[i++];
            continue;
        }
        ++i;
        char32_t code = 0;
        std::size_t digits = 0;
        while (i < css.size() && digits < 6 && std::isxdigit(static_cast<unsigned char>(css[i]))) {
            const char c = lower(css[i++]);
            code =
                code * 16 + static_cast<char32_t>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10);
            ++digits;
        }
        if (digits == 0) {
            out += css[i++];  // an escaped character stands for itself
            continue;
        }
        if (i < css.size() && isSpace(css[i])) {
            ++i;  // one blank ends a hexadecimal escape
        }
        text::appendUtf8(out, code == 0 ? 0xFFFD : code);
    }
    return out;
}

std::string sanitizeCss(std::string_view raw) {
    const std::string css = decodeCss(raw);
    std::string out;
    out.reserve(css.size());
    std::size_t i = 0;
    while (i < css.size()) {
        if (css[i] == '@' && startsWithNoCase(std::string_view(css).substr(i), "@import")) {
            const std::size_t semicolon = css.find(';', i);
            i = semicolon == std::string::npos ? css.size() : semicolon + 1;
            out += ' ';  // what stood on either side must not join ("u" + "rl(")
            continue;
        }
        if ((css[i] == 'u' || css[i] == 'U') && startsWithNoCase(std::string_view(css).substr(i), "url(")) {
            const std::size_t close = css.find(')', i);
            if (close == std::string::npos) {
                break;  // a url( that never closes swallows the rest: none of it is kept
            }
            // The target stands bare or in one pair of matching quotes,
            // with blanks only around it; anything else is not judged.
            std::string_view target = std::string_view(css).substr(i + 4, close - i - 4);
            while (!target.empty() && isSpace(target.front())) {
                target.remove_prefix(1);
            }
            while (!target.empty() && isSpace(target.back())) {
                target.remove_suffix(1);
            }
            if (target.size() >= 2 && (target.front() == '"' || target.front() == '\'') &&
                target.back() == target.front()) {
                target = target.substr(1, target.size() - 2);
            }
            const bool plain = std::none_of(target.begin(), target.end(), [&](char c) {
                return isSpace(c) || c == '"' || c == '\'' || c == ';' || c == '{' || c == '}' || c == '<' ||
                       c == '>' || c == '\\' || c == '(' || c == ')';
            });
            // A kept reference is written bare, without the blanks and quotes
            // it came with.
            out += plain && startsWithNoCase(target, "cid:") ? "url(" + std::string(target) + ")" : std::string("none");
            i = close + 1;
            continue;
        }
        // What was decoded stays plain text: a '<' must not end the style
        // element, a backslash must not start an escape a second reading
        // would decode ("u\5c 72l(" is "u\72l(" once decoded).
        out += css[i] == '<' ? std::string("\\3c ") : css[i] == '\\' ? std::string("\\5c ") : std::string(1, css[i]);
        ++i;
    }
    return out;
}

SanitizedHtml sanitizeMailHtml(std::string_view html, std::size_t maxTableCells) {
    SanitizedHtml result;
    std::string& out = result.html;

    out.reserve(html.size());
    std::size_t i = 0;
    while (i < html.size()) {
        const std::size_t lt = html.find('<', i);
        out.append(html.substr(i, lt == std::string_view::npos ? std::string_view::npos : lt - i));
        if (lt == std::string_view::npos) {
            break;
        }
        const std::string_view rest = html.substr(lt);
        if (rest.starts_with("<!--")) {
            const std::size_t close = html.find("-->", lt + 4);
            i = close == std::string_view::npos ? html.size() : close + 3;
            continue;
        }
        if (rest.starts_with("<!") || rest.starts_with("<?")) {
            const std::size_t close = html.find('>', lt);
            i = close == std::string_view::npos ? html.size() : close + 1;
            continue;
        }
        const bool tagStart = rest.size() > 1 && (std::isalpha(static_cast<unsigned char>(rest[1])) || rest[1] == '/');
        if (!tagStart) {
            out += "&lt;";
            i = lt + 1;
            continue;
        }
        Tag tag;
        if (!readTag(html, lt, tag)) {
            break;  // cut off: the rest is not shown
        }
        i = tag.end;
        if (tag.name.empty() || contains(kDropTagOnly, tag.name)) {
            continue;
        }
        if (contains(kDropWithContent, tag.name)) {
            if (!tag.closing) {
                const std::size_t close = findNoCase(html, "</" + tag.name, i);
                const std::size_t gt = close == std::string_view::npos ? close : html.find('>', close);
                i = gt == std::string_view::npos ? html.size() : gt + 1;
            }
            continue;
        }
        if (!tag.closing && (tag.name == "td" || tag.name == "th") && ++result.cells > maxTableCells) {
            --result.cells;
            result.cut = true;
            break;
        }
        appendSafeTag(tag, out);
        if (tag.name == "style" && !tag.closing) {
            const std::size_t close = findNoCase(html, "</style", i);
            const std::size_t stop = close == std::string_view::npos ? html.size() : close;
            // The view decodes references in a style element too.
            out += escapeAmpersands(sanitizeCss(decodeEntities(html.substr(i, stop - i))));
            i = stop;
            if (close == std::string_view::npos) {
                out += "</style>";  // else what follows this part would be style text
            }
        }
    }
    return result;
}

}  // namespace quorvel::preview
