#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel::test {

// What in HTML given to the preview's view could load or run something, read
// as that view reads it (a space may follow the "<" of a tag; references are
// decoded in attribute values and in style elements alike):
//  - the elements script, iframe, object, embed, applet, frame, frameset,
//    link, meta, base and form;
//  - any attribute whose name starts with "on";
//  - a javascript:, vbscript:, data: or file: URL in a link or source
//    attribute (href, src, background, action, srcset, ...), judged with
//    character references decoded (&#58; &#x3a; &colon;, with or without the
//    ";") and blanks and controls ignored;
//  - in a style attribute or style element, once references, CSS comments
//    and CSS escapes (\72, \() are decoded: an @import, or a url( whose
//    target is not a cid: reference.
// Each finding is one line saying what and where; none when the HTML is safe.
// No library's parser is used, so that the sanitiser is judged by a reading
// of its own.
std::vector<std::string> activeContentIn(std::string_view html);

// The style checks alone, on style sheet text whose references are decoded.
std::vector<std::string> activeContentInCss(std::string_view css);

// The findings as one text, for a failure message.
std::string describeFindings(const std::vector<std::string>& findings);

}  // namespace quorvel::test
