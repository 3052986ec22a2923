#include "maillist/preview/MailRenderer.h"

#include <fcntl.h>
#include <gmime/gmime.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "maillist/preview/GMimeInit.h"
#include "maillist/preview/MimePartReader.h"
#include "maillist/preview/PreviewHtml.h"
#include "maillist/preview/PreviewTexts.h"

namespace quorvel::preview {

namespace {

template <typename T>
struct GObjectRef {
    T* ptr = nullptr;
    explicit GObjectRef(T* p) : ptr(p) {}
    ~GObjectRef() {
        if (ptr) {
            g_object_unref(ptr);
        }
    }
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
};

PreviewDocument notice(const char* reason) {
    PreviewDocument doc;
    doc.html = composeNoticeHtml(reason);
    return doc;
}

// GMime reads almost any bytes as a message with an empty header; a file
// counts as a mail only when its header holds one of the fields every mail
// program writes.
bool hasMailHeader(GMimeObject* object) {
    static constexpr std::array kFields = {"from",         "to",       "date",        "subject", "message-id",
                                           "mime-version", "received", "return-path", "sender",  "content-type"};
    GMimeHeaderList* headers = g_mime_object_get_header_list(object);
    const int count = headers ? g_mime_header_list_get_count(headers) : 0;
    for (int i = 0; i < count; ++i) {
        const char* name = g_mime_header_get_name(g_mime_header_list_get_header_at(headers, i));
        for (const char* field : kFields) {
            if (name && strcasecmp(name, field) == 0) {
                return true;
            }
        }
    }
    return false;
}

GMimeParserOptions* parserOptions() {
    // Shared by all previews; GMime only reads it while parsing.
    static GMimeParserOptions* options = [] {
        GMimeParserOptions* o = g_mime_parser_options_new();
        const char* fallback[] = {"UTF-8", "CP932", nullptr};
        g_mime_parser_options_set_fallback_charsets(o, fallback);
        g_mime_parser_options_set_rfc2047_compliance_mode(o, GMIME_RFC_COMPLIANCE_LOOSE);
        g_mime_parser_options_set_parameter_compliance_mode(o, GMIME_RFC_COMPLIANCE_LOOSE);
        return o;
    }();
    return options;
}

}  // namespace

PreviewDocument renderMailFile(const std::string& path, const RenderLimits& limits) {
    ensureGMimeInit();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return notice(errno == ENOENT || errno == ENOTDIR ? texts::kNoFile : texts::kCannotRead);
    }
    if (!S_ISREG(info.st_mode)) {
        return notice(texts::kCannotRead);
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return notice(texts::kCannotRead);
    }
    if (info.st_size == 0) {
        ::close(fd);
        return notice(texts::kNotAMessage);
    }
    // The stream owns the descriptor. With a seekable stream the parser keeps
    // part contents as ranges of the file instead of copies in memory.
    GObjectRef<GMimeStream> stream(g_mime_stream_fs_new(fd));
    GObjectRef<GMimeParser> parser(g_mime_parser_new_with_stream(stream.ptr));
    g_mime_parser_set_persist_stream(parser.ptr, TRUE);
    g_mime_parser_set_format(parser.ptr, GMIME_FORMAT_MESSAGE);
    GObjectRef<GMimeMessage> message(g_mime_parser_construct_message(parser.ptr, parserOptions()));
    if (!message.ptr || !hasMailHeader(GMIME_OBJECT(message.ptr))) {
        return notice(texts::kNotAMessage);
    }

    MimePartReader reader(limits);
    if (GMimeObject* body = g_mime_message_get_mime_part(message.ptr)) {
        reader.read(body);
    }
    PreviewDocument doc;
    doc.isMessage = true;
    doc.truncated = reader.truncated();
    doc.html = composePreviewHtml(reader.bodyFragments(), reader.truncated(), reader.attachmentNames(),
                                  reader.hiddenAttachments());
    doc.inlineParts = reader.takeInlineParts();
    doc.attachmentNames = reader.attachmentNames();
    return doc;
}

}  // namespace quorvel::preview
