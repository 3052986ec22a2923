#include "search/MailText.h"

#include <gmime/gmime.h>

#include <algorithm>

#include "search/GMimeOnce.h"
#include "search/HtmlText.h"
#include "search/TextCharset.h"

namespace quorvel::search {

namespace {

// Deeper nesting than this is no real mail.
constexpr int kMaxDepth = 32;
// The attachments' names of one mail take at most this much of its room.
constexpr size_t kMaxNameBytes = 64 * 1024;

bool isType(GMimeObject* object, const char* type, const char* subtype) {
    GMimeContentType* contentType = g_mime_object_get_content_type(object);
    return contentType && g_mime_content_type_is_type(contentType, type, subtype);
}

bool isAttachmentDisposition(GMimeObject* object) {
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
    return disposition && g_mime_content_disposition_is_attachment(disposition);
}

// Appends as much of `text` as the budget allows, never cutting a character.
void appendWithin(std::string& out, std::string_view text, size_t& budget) {
    if (text.empty() || budget == 0) {
        return;
    }
    size_t take = std::min(text.size(), budget);
    while (take > 0 && take < text.size() && (static_cast<unsigned char>(text[take]) & 0xC0) == 0x80) {
        --take;
    }
    if (!out.empty() && budget > take) {
        out += '\n';
        --budget;
    }
    out.append(text.substr(0, take));
    budget -= take;
}

// Cuts text to at most `size` bytes, never inside a character.
void cutAt(std::string& text, size_t size) {
    if (text.size() <= size) {
        return;
    }
    while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) {
        --size;
    }
    text.resize(size);
}

// The part's content with its transfer encoding undone, at most `limit` bytes.
std::string decodedContent(GMimePart* part, size_t limit) {
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
    while (out.size() < limit) {
        const ssize_t n = g_mime_stream_read(decoded, buffer, std::min(sizeof buffer, limit - out.size()));
        if (n <= 0) {
            break;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    g_object_unref(decoded);
    return out;
}

std::string validText(const char* text) {
    if (!text) {
        return {};
    }
    char* valid = g_utf8_make_valid(text, -1);
    std::string out = valid;
    g_free(valid);
    return out;
}

}  // namespace

struct MailTextReader::Walk {
    MailText& text;
    size_t& budget;
    std::string names;
};

MailTextReader::MailTextReader() {
    ensureGMime();
    options_ = g_mime_parser_options_new();
    // Undeclared 8-bit names: UTF-8 when valid, else the Japanese code page.
    const char* fallback[] = {"UTF-8", "CP932", nullptr};
    g_mime_parser_options_set_fallback_charsets(options_, fallback);
}

MailTextReader::~MailTextReader() {
    g_mime_parser_options_free(options_);
}

std::string MailTextReader::headerText(const char* raw) {
    if (!raw) {
        return {};
    }
    std::string line;
    for (const char* p = raw; *p; ++p) {  // unfolded: the folding blank stays
        if (*p != '\r' && *p != '\n') {
            line += *p;
        }
    }
    const size_t first = line.find_first_not_of(" \t");
    line.erase(0, first == std::string::npos ? line.size() : first);
    if (line.find("\x1B$") != std::string::npos) {  // ISO-2022-JP written raw into the header
        line = textToUtf8(line, "iso-2022-jp");
    }
    return decoder_.decodeWords(decoder_.lineText(line));
}

MailText MailTextReader::read(std::string_view bytes, size_t limit) {
    MailText text;
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    g_object_unref(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, options_);
    g_object_unref(parser);
    if (!message) {
        return text;
    }
    size_t budget = limit;
    GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(message));
    const int count = headers ? g_mime_header_list_get_count(headers) : 0;
    for (int i = 0; i < count; ++i) {
        GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
        const char* name = g_mime_header_get_name(header);
        std::string* field = nullptr;
        if (!name) {
            continue;
        } else if (g_ascii_strcasecmp(name, "Subject") == 0) {
            field = &text.subject;
        } else if (g_ascii_strcasecmp(name, "From") == 0) {
            field = &text.sender;
        } else if (g_ascii_strcasecmp(name, "To") == 0 || g_ascii_strcasecmp(name, "Cc") == 0) {
            field = &text.recipients;
        } else {
            continue;
        }
        appendWithin(*field, headerText(g_mime_header_get_raw_value(header)), budget);
    }
    // The names are found in the same pass as the text, but take their room first.
    const size_t afterHeaders = budget;
    Walk walk{text, budget, {}};
    this->walk(g_mime_message_get_mime_part(message), 0, true, walk);
    size_t nameRoom = std::min(afterHeaders, kMaxNameBytes);
    appendWithin(text.attachments, walk.names, nameRoom);
    cutAt(text.body, afterHeaders - text.attachments.size());
    g_object_unref(message);
    return text;
}

void MailTextReader::walk(GMimeObject* object, int depth, bool takeText, Walk& w) {
    if (!object || depth > kMaxDepth) {
        return;
    }
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        const int count = g_mime_multipart_get_count(multipart);
        // Of the forms of one text, the plain one: the others say the same.
        int chosen = -1;
        if (isType(object, "multipart", "alternative")) {
            for (int i = 0; i < count && chosen < 0; ++i) {
                GMimeObject* child = g_mime_multipart_get_part(multipart, i);
                if (isType(child, "text", "plain") && !isAttachmentDisposition(child)) {
                    chosen = i;
                }
            }
        }
        for (int i = 0; i < count; ++i) {
            walk(g_mime_multipart_get_part(multipart, i), depth + 1, takeText && (chosen < 0 || chosen == i), w);
        }
    } else if (GMIME_IS_MESSAGE_PART(object)) {
        const char* name = g_mime_object_get_content_disposition_parameter(object, "filename");
        if (isAttachmentDisposition(object) || (name && *name)) {
            w.text.hasAttachments = true;
            w.names += validText(name);
            w.names += '\n';
        }
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        if (inner) {
            walk(g_mime_message_get_mime_part(inner), depth + 1, takeText, w);
        }
    } else if (GMIME_IS_PART(object)) {
        addPart(GMIME_PART(object), takeText, w);
    }
}

void MailTextReader::addPart(GMimePart* part, bool takeText, Walk& w) {
    GMimeObject* object = GMIME_OBJECT(part);
    const char* filename = g_mime_part_get_filename(part);
    if (isAttachmentDisposition(object) || (filename && *filename)) {
        w.text.hasAttachments = true;
        std::string name = validText(filename);
        if (mailimport::HeaderDecoder::hasEncodedWord(name)) {  // words GMime left as they were
            name = decoder_.decodeWords(name);
        }
        w.names += name;
        w.names += '\n';
        return;
    }
    const bool html = isType(object, "text", "html");
    if (!takeText || w.budget == 0 || !(html || isType(object, "text", "plain"))) {
        return;
    }
    // Room for markup and for charsets that take more bytes than UTF-8.
    const size_t rawLimit = w.budget * 4 + 65536;
    const std::string bytes = decodedContent(part, rawLimit);
    const char* charset = g_mime_object_get_content_type_parameter(object, "charset");
    std::string text = textToUtf8(bytes, charset ? charset : "");
    if (html) {
        text = htmlToText(text, w.budget);
    }
    appendWithin(w.text.body, text, w.budget);
}

}  // namespace quorvel::search
