#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace quorvel::preview {

// A part the HTML refers to by cid: (an inline image, usually).
struct InlinePart {
    std::string mimeType;  // "image/png"
    std::string bytes;     // transfer encoding removed
};

// What the preview shows for one file.
struct PreviewDocument {
    bool isMessage = false;                         // false: `html` is the notice saying why nothing is shown
    std::string html;                               // UTF-8, for the rich-text subset of the view
    std::map<std::string, InlinePart> inlineParts;  // by Content-ID, without the angle brackets
    std::vector<std::string> attachmentNames;       // decoded, in the order of the message
    bool truncated = false;                         // the text was cut at the limit
};

// Bounds that keep the cost of a preview small whatever the size of the mail.
struct RenderLimits {
    // Decoded text of all body parts together. HTML costs the view far more
    // to lay out than plain text, tables most of all, so it has its own,
    // smaller bounds.
    std::size_t maxTextBytes = 1024 * 1024;
    std::size_t maxHtmlBytes = 256 * 1024;
    std::size_t maxTableCells = 800;
    std::size_t maxInlineBytes = 16 * 1024 * 1024;  // decoded inline parts together
    std::size_t maxListedAttachments = 500;
};

// Reads the message file at `path` and builds its preview. The file is parsed
// from a stream over it: large parts are never read whole, only up to the limits.
PreviewDocument renderMailFile(const std::string& path, const RenderLimits& limits = {});

}  // namespace quorvel::preview
