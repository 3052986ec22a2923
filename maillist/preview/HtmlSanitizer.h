#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::preview {

// Makes the HTML part of a mail fit to be shown inside the preview document:
//  - removed with their content: script, iframe, object, applet,
//    frameset, template, title, form controls (select, textarea, button),
//    svg and math;
//  - removed, content kept: html, head, body, form, noscript;
//  - removed: meta (refresh among them), link, base, input, embed, frame,
//    comments, doctypes;
//  - attributes: every on* handler goes; a link or source attribute stays
//    only when its URL, read as the browser reads it (character references
//    decoded, blanks and controls ignored), has no scheme or one of http,
//    https, mailto, cid, ftp, news, tel (so javascript&#58; goes too);
//    style attributes and style elements are read with their references and
//    CSS escapes decoded, and lose @import rules, every url() that is not a
//    plain cid: reference, and everything after a url( that never closes.
// Nothing in the result can run; remote references may remain (img src),
// and the view refuses to load them. Tags cut off at the end are dropped.
//
// Table cells cost the view's layout most; after `maxTableCells` of them the
// rest is left out and `cut` is set.
struct SanitizedHtml {
    std::string html;
    bool cut = false;
    std::size_t cells = 0;  // table cells kept
};
SanitizedHtml sanitizeMailHtml(std::string_view html, std::size_t maxTableCells = SIZE_MAX);

// Style sheet text, comments and escapes decoded, with @import rules removed,
// non-cid url() replaced by none, and '<' escaped.
std::string sanitizeCss(std::string_view css);

}  // namespace quorvel::preview
