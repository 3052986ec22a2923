#include "maillist/preview/PreviewHtml.h"

#include "maillist/preview/PreviewTexts.h"

namespace quorvel::preview {

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string escapeAttributeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string plainTextToHtml(std::string_view text) {
    // A pre block keeps breaks and spaces and is by far the fastest form for
    // the rich-text engine (a <br> per line is more than ten times slower).
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 64);
    out += "<pre style=\"white-space: pre-wrap\">";
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\r':
                break;
            default:
                out += c;
        }
    }
    out += "</pre>";
    return out;
}

std::string composePreviewHtml(const std::vector<std::string>& bodyFragments, bool truncated,
                               const std::vector<std::string>& attachmentNames, std::size_t hiddenAttachments) {
    std::string out = "<html><body>";
    for (std::size_t i = 0; i < bodyFragments.size(); ++i) {
        if (i > 0) {
            out += "<hr>";
        }
        out += bodyFragments[i];
    }
    if (truncated) {
        out += "<p>";
        out += texts::kTruncated;
        out += "</p>";
    }
    if (!attachmentNames.empty() || hiddenAttachments > 0) {
        out += "<hr><p><b>";
        out += texts::kAttachments;
        out += "</b></p><ul>";
        for (const std::string& name : attachmentNames) {
            out += "<li>";
            out += escapeHtml(name);
            out += "</li>";
        }
        if (hiddenAttachments > 0) {
            out += "<li>";
            out += texts::kMoreAttachmentsBefore;
            out += std::to_string(hiddenAttachments);
            out += texts::kMoreAttachmentsAfter;
            out += "</li>";
        }
        out += "</ul>";
    }
    out += "</body></html>";
    return out;
}

std::string composeNoticeHtml(std::string_view reason) {
    std::string out = "<html><body><p>";
    out += texts::kCannotShow;
    out += "<br>";
    out += escapeHtml(reason);
    out += "</p></body></html>";
    return out;
}

}  // namespace quorvel::preview
