#include "maillist/preview/HtmlSanitizer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "maillist/preview/PreviewHtml.h"

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

// A URL value that could run something when followed: scheme checked after
// dropping the blanks and controls browsers ignore inside it.
bool isScriptLikeUrl(std::string_view value) {
    std::string squeezed;
    for (char c : value) {
        if (static_cast<unsigned char>(c) > 0x20) {
            squeezed.push_back(lower(c));
        }
        if (squeezed.size() >= 24) {
            break;
        }
    }
    // An entity before the scheme's colon could spell any scheme: refuse it.
    const std::size_t colon = squeezed.find(':');
    if (colon != std::string::npos && squeezed.find('&') < colon) {
        return true;
    }
    return squeezed.starts_with("javascript:") || squeezed.starts_with("vbscript:") || squeezed.starts_with("data:");
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
        if (attribute.name.starts_with("on") ||
            !std::all_of(attribute.name.begin(), attribute.name.end(), isNameChar)) {
            continue;
        }
        std::string value = attribute.value;
        if (contains(kUrlAttributes, attribute.name) && isScriptLikeUrl(value)) {
            continue;
        }
        if (attribute.name == "style") {
            value = sanitizeCss(value);
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

std::string sanitizeCss(std::string_view css) {
    std::string out;
    out.reserve(css.size());
    std::size_t i = 0;
    while (i < css.size()) {
        if (css[i] == '@' && startsWithNoCase(css.substr(i), "@import")) {
            const std::size_t semicolon = css.find(';', i);
            i = semicolon == std::string_view::npos ? css.size() : semicolon + 1;
            continue;
        }
        if ((css[i] == 'u' || css[i] == 'U') && startsWithNoCase(css.substr(i), "url(")) {
            const std::size_t close = css.find(')', i);
            const std::size_t stop = close == std::string_view::npos ? css.size() : close + 1;
            std::string_view target = css.substr(i + 4, stop - i - 4);
            while (!target.empty() && (isSpace(target.front()) || target.front() == '"' || target.front() == '\'')) {
                target.remove_prefix(1);
            }
            if (startsWithNoCase(target, "cid:")) {
                out.append(css.substr(i, stop - i));
            } else {
                out += "none";
            }
            i = stop;
            continue;
        }
        out += css[i++];
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
            out += sanitizeCss(html.substr(i, stop - i));
            i = stop;
        }
    }
    return result;
}

}  // namespace quorvel::preview
