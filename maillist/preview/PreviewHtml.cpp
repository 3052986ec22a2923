#include "maillist/preview/PreviewHtml.h"

#include "maillist/preview/PreviewTexts.h"

namespace quorvel::preview {

namespace {

// Appends text with the characters that mean markup replaced by entities.
// An attribute value keeps its "&" (it may already hold an entity); plain
// text loses its carriage returns.
enum class Escape { Text, Attribute, PlainText };

void appendEscaped(std::string& out, std::string_view text, Escape mode) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += mode == Escape::Attribute ? "&" : "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += mode == Escape::PlainText ? "\"" : "&quot;";
                break;
            case '\r':
                if (mode != Escape::PlainText) {
                    out += c;
                }
                break;
            default:
                out += c;
        }
    }
}

}  // namespace

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    appendEscaped(out, text, Escape::Text);
    return out;
}

std::string escapeAttributeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    appendEscaped(out, value, Escape::Attribute);
    return out;
}

std::string plainTextToHtml(std::string_view text) {
    // A pre block keeps breaks and spaces and is by far the fastest form for
    // the rich-text engine (a <br> per line is more than ten times slower).
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 64);
    out += "<pre style=\"white-space: pre-wrap\">";
    appendEscaped(out, text, Escape::PlainText);
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
