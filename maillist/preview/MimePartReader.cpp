#include "maillist/preview/MimePartReader.h"

#include <algorithm>
#include <string_view>

#include "maillist/preview/BodyCharset.h"
#include "maillist/preview/HtmlSanitizer.h"
#include "maillist/preview/PreviewHtml.h"
#include "maillist/preview/PreviewTexts.h"

namespace quorvel::preview {

namespace {

// Deeper nesting than this is not a real mail; it is not shown.
constexpr int kMaxDepth = 32;

std::string validUtf8(const char* text) {
    if (!text) {
        return {};
    }
    char* valid = g_utf8_make_valid(text, -1);
    std::string out = valid;
    g_free(valid);
    return out;
}

std::string unbracketed(std::string_view id) {
    while (!id.empty() && g_ascii_isspace(id.front())) {
        id.remove_prefix(1);
    }
    while (!id.empty() && g_ascii_isspace(id.back())) {
        id.remove_suffix(1);
    }
    if (id.size() >= 2 && id.front() == '<' && id.back() == '>') {
        id = id.substr(1, id.size() - 2);
    }
    return std::string(id);
}

// The Content-ID as written between the angle brackets. GMime's own reading
// parses it as an address and drops what follows a second "@", which some
// mail programs write.
std::string contentIdOf(GMimeObject* object) {
    const char* raw = g_mime_object_get_header(object, "Content-ID");
    return raw ? unbracketed(raw) : std::string();
}

bool isType(GMimeObject* object, const char* type, const char* subtype) {
    GMimeContentType* contentType = g_mime_object_get_content_type(object);
    return contentType && g_mime_content_type_is_type(contentType, type, subtype);
}

bool isExplicitAttachment(GMimeObject* object) {
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
    return disposition && g_mime_content_disposition_is_attachment(disposition);
}

bool isExplicitInline(GMimeObject* object) {
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
    return disposition && !g_mime_content_disposition_is_attachment(disposition);
}

// How well a branch of multipart/alternative can be shown: HTML over plain text.
int alternativeScore(GMimeObject* object, int depth) {
    if (depth > kMaxDepth) {
        return 0;
    }
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        int best = 0;
        for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) {
            best = std::max(best, alternativeScore(g_mime_multipart_get_part(multipart, i), depth + 1));
        }
        return best;
    }
    if (isType(object, "text", "html")) {
        return 2;
    }
    return isType(object, "text", "plain") ? 1 : 0;
}

GMimeObject* relatedRoot(GMimeMultipart* related) {
    const char* start = g_mime_object_get_content_type_parameter(GMIME_OBJECT(related), "start");
    if (start) {
        const std::string wanted = unbracketed(start);
        for (int i = 0; i < g_mime_multipart_get_count(related); ++i) {
            GMimeObject* part = g_mime_multipart_get_part(related, i);
            if (contentIdOf(part) == wanted) {
                return part;
            }
        }
    }
    return g_mime_multipart_get_count(related) > 0 ? g_mime_multipart_get_part(related, 0) : nullptr;
}

std::string attachedMessageName(GMimeMessagePart* part) {
    GMimeObject* object = GMIME_OBJECT(part);
    const char* name = g_mime_object_get_content_disposition_parameter(object, "filename");
    if (!name) {
        name = g_mime_object_get_content_type_parameter(object, "name");
    }
    if (name && *name) {
        return validUtf8(name);
    }
    GMimeMessage* message = g_mime_message_part_get_message(part);
    const char* subject = message ? g_mime_message_get_subject(message) : nullptr;
    if (subject && *subject) {
        return validUtf8(subject) + ".eml";
    }
    return texts::kUnnamedAttachment;
}

}  // namespace

std::string readDecodedContent(GMimePart* part, std::size_t limit, bool& more) {
    more = false;
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    GMimeStream* raw = content ? g_mime_data_wrapper_get_stream(content) : nullptr;
    if (!raw) {
        return {};
    }
    g_mime_stream_reset(raw);
    GMimeStream* decoded = g_mime_stream_filter_new(raw);
    const GMimeContentEncoding encoding = g_mime_data_wrapper_get_encoding(content);
    if (encoding == GMIME_CONTENT_ENCODING_BASE64 || encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE ||
        encoding == GMIME_CONTENT_ENCODING_UUENCODE) {
        GMimeFilter* filter = g_mime_filter_basic_new(encoding, FALSE);
        g_mime_stream_filter_add(GMIME_STREAM_FILTER(decoded), filter);
        g_object_unref(filter);
    }
    std::string out;
    char buffer[65536];
    while (out.size() <= limit) {
        const ssize_t n = g_mime_stream_read(decoded, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    g_object_unref(decoded);
    if (out.size() > limit) {
        out.resize(limit);
        more = true;
    }
    return out;
}

void MimePartReader::visit(GMimeObject* object, int depth, Context context) {
    if (!object || depth > kMaxDepth) {
        return;
    }
    if (GMIME_IS_MULTIPART(object)) {
        visitMultipart(GMIME_MULTIPART(object), depth, context);
    } else if (GMIME_IS_MESSAGE_PART(object)) {
        addAttachment(attachedMessageName(GMIME_MESSAGE_PART(object)));
    } else if (GMIME_IS_PART(object)) {
        visitLeaf(GMIME_PART(object), context);
    }
}

void MimePartReader::visitMultipart(GMimeMultipart* multipart, int depth, Context context) {
    GMimeObject* object = GMIME_OBJECT(multipart);
    const int count = g_mime_multipart_get_count(multipart);
    if (isType(object, "multipart", "alternative")) {
        // The last of the best-scoring branches: the sender's preferred form.
        GMimeObject* chosen = nullptr;
        int chosenScore = -1;
        for (int i = 0; i < count; ++i) {
            GMimeObject* branch = g_mime_multipart_get_part(multipart, i);
            const int score = alternativeScore(branch, depth + 1);
            if (score >= chosenScore) {
                chosen = branch;
                chosenScore = score;
            }
        }
        visit(chosen, depth + 1, context);
    } else if (isType(object, "multipart", "related")) {
        GMimeObject* root = relatedRoot(multipart);
        visit(root, depth + 1, context);
        for (int i = 0; i < count; ++i) {
            GMimeObject* part = g_mime_multipart_get_part(multipart, i);
            if (part != root) {
                visit(part, depth + 1, Context::RelatedResource);
            }
        }
    } else if (isType(object, "multipart", "signed")) {
        // The second part is the signature, not something the sender attached.
        visit(count > 0 ? g_mime_multipart_get_part(multipart, 0) : nullptr, depth + 1, context);
    } else {
        for (int i = 0; i < count; ++i) {
            visit(g_mime_multipart_get_part(multipart, i), depth + 1, context);
        }
    }
}

void MimePartReader::visitLeaf(GMimePart* part, Context context) {
    GMimeObject* object = GMIME_OBJECT(part);
    const std::string contentId = contentIdOf(object);
    const bool attachment = isExplicitAttachment(object);
    const char* filename = g_mime_part_get_filename(part);
    if (context == Context::RelatedResource && !contentId.empty()) {
        addInlinePart(part, contentId);
        return;
    }
    const bool html = isType(object, "text", "html");
    const bool plain = isType(object, "text", "plain");
    const bool text = isType(object, "text", "*");
    if (!attachment && text && (html || plain || !filename || isExplicitInline(object))) {
        addTextBody(part, html);
        return;
    }
    if (!contentId.empty() && !attachment) {
        // Referred to from HTML elsewhere, maybe; listed too so it is never lost.
        addInlinePart(part, contentId);
    }
    addAttachment(filename && *filename ? validUtf8(filename) : std::string(texts::kUnnamedAttachment));
}

void MimePartReader::addTextBody(GMimePart* part, bool html) {
    std::size_t budget = limits_.maxTextBytes - std::min(textBytesUsed_, limits_.maxTextBytes);
    if (html) {
        budget = std::min(budget, limits_.maxHtmlBytes - std::min(htmlBytesUsed_, limits_.maxHtmlBytes));
    }
    if (budget == 0) {
        truncated_ = true;
        return;
    }
    bool more = false;
    const std::string bytes = readDecodedContent(part, budget, more);
    textBytesUsed_ += bytes.size();
    truncated_ = truncated_ || more;
    const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
    const std::string text = decodeBodyText(bytes, charset ? charset : "");
    if (!html) {
        bodyFragments_.push_back(plainTextToHtml(text));
        return;
    }
    htmlBytesUsed_ += bytes.size();
    SanitizedHtml sanitized =
        sanitizeMailHtml(text, limits_.maxTableCells - std::min(tableCellsUsed_, limits_.maxTableCells));
    tableCellsUsed_ += sanitized.cells;
    truncated_ = truncated_ || sanitized.cut;
    bodyFragments_.push_back(std::move(sanitized.html));
}

void MimePartReader::addInlinePart(GMimePart* part, const std::string& contentId) {
    if (inlineParts_.count(contentId) || inlineBytesUsed_ >= limits_.maxInlineBytes) {
        return;
    }
    bool more = false;
    std::string bytes = readDecodedContent(part, limits_.maxInlineBytes - inlineBytesUsed_, more);
    if (more) {
        return;  // a cut image is no use; the budget stays for smaller ones
    }
    inlineBytesUsed_ += bytes.size();
    InlinePart inlinePart;
    if (GMimeContentType* contentType = g_mime_object_get_content_type(GMIME_OBJECT(part))) {
        char* mimeType = g_mime_content_type_get_mime_type(contentType);
        inlinePart.mimeType = mimeType ? mimeType : "";
        g_free(mimeType);
    }
    inlinePart.bytes = std::move(bytes);
    inlineParts_.emplace(contentId, std::move(inlinePart));
}

void MimePartReader::addAttachment(const std::string& name) {
    if (attachmentNames_.size() >= limits_.maxListedAttachments) {
        ++hiddenAttachments_;
        return;
    }
    attachmentNames_.push_back(name);
}

}  // namespace quorvel::preview
