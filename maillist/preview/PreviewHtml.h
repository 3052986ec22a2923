#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::preview {

// &, <, > and " as entities.
std::string escapeHtml(std::string_view text);
// An attribute value taken from mail HTML: entities in it stay as they are,
// only what could end the quoted value or open a tag is escaped.
std::string escapeAttributeValue(std::string_view value);

// Plain text as an HTML fragment that keeps its line breaks and runs of spaces.
std::string plainTextToHtml(std::string_view text);

// The whole preview document: the body fragments in order (separated by a
// rule), the notice when the text was cut, and the list of attachment names
// under them.
std::string composePreviewHtml(const std::vector<std::string>& bodyFragments, bool truncated,
                               const std::vector<std::string>& attachmentNames, std::size_t hiddenAttachments);

// The document shown instead of a mail: the fixed first line and the reason.
std::string composeNoticeHtml(std::string_view reason);

}  // namespace quorvel::preview
