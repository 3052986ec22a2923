#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "import/HeaderDecoder.h"

typedef struct _GMimeParserOptions GMimeParserOptions;
typedef struct _GMimeObject GMimeObject;
typedef struct _GMimePart GMimePart;

namespace quorvel::search {

// At most this much text of one mail goes into the index. A mail of many
// megabytes (a log pasted into the body, a long thread quoted again and
// again) would otherwise cost as much index and time as hundreds of ordinary
// mails, for words that are nearly always also in its first megabyte.
inline constexpr size_t kMaxIndexedText = 1024 * 1024;

// The text of one mail that the index holds, as UTF-8.
struct MailText {
    std::string subject;
    std::string sender;       // From
    std::string recipients;   // To and Cc
    std::string body;         // the text parts (HTML reduced to its text)
    std::string attachments;  // the attachments' file names, one a line
    bool hasAttachments = false;
};

// Reads mails as stored (their exact bytes) with GMime. Headers are decoded
// the way the mail list shows them (the import's header decoder); text parts
// in their charsets (TextCharset.h); of multipart/alternative only the plain
// text when there is one. Headers come first, then the attachments' names,
// then the body, until `limit` bytes of text are taken.
class MailTextReader {
public:
    MailTextReader();
    ~MailTextReader();
    MailTextReader(const MailTextReader&) = delete;
    MailTextReader& operator=(const MailTextReader&) = delete;

    MailText read(std::string_view bytes, size_t limit = kMaxIndexedText);

private:
    struct Walk;
    void walk(GMimeObject* object, int depth, bool takeText, Walk& walk);
    void addPart(GMimePart* part, bool takeText, Walk& walk);
    std::string headerText(const char* raw);

    GMimeParserOptions* options_;
    mailimport::HeaderDecoder decoder_;
};

}  // namespace quorvel::search
