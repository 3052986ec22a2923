#pragma once

#include <gmime/gmime.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "maillist/preview/MailRenderer.h"

namespace quorvel::preview {

// Walks the MIME tree of a parsed message and collects what the preview shows:
// the text of the body parts (as safe HTML fragments), the parts HTML refers
// to by cid:, and the names of the attachments. Contents are read through a
// decoding stream and never beyond the limits.
class MimePartReader {
public:
    explicit MimePartReader(const RenderLimits& limits) : limits_(limits) {}

    void read(GMimeObject* body) { visit(body, 0, Context::Normal); }

    const std::vector<std::string>& bodyFragments() const { return bodyFragments_; }
    const std::vector<std::string>& attachmentNames() const { return attachmentNames_; }
    std::size_t hiddenAttachments() const { return hiddenAttachments_; }
    bool truncated() const { return truncated_; }
    std::map<std::string, InlinePart> takeInlineParts() { return std::move(inlineParts_); }

private:
    // Inside multipart/related, the parts after the root are resources of the root.
    enum class Context { Normal, RelatedResource };

    void visit(GMimeObject* object, int depth, Context context);
    void visitMultipart(GMimeMultipart* multipart, int depth, Context context);
    void visitLeaf(GMimePart* part, Context context);
    void addTextBody(GMimePart* part, bool html);
    void addInlinePart(GMimePart* part, const std::string& contentId);
    void addAttachment(const std::string& name);

    RenderLimits limits_;
    std::vector<std::string> bodyFragments_;
    std::vector<std::string> attachmentNames_;
    std::map<std::string, InlinePart> inlineParts_;
    std::size_t textBytesUsed_ = 0;
    std::size_t htmlBytesUsed_ = 0;
    std::size_t tableCellsUsed_ = 0;
    std::size_t inlineBytesUsed_ = 0;
    std::size_t hiddenAttachments_ = 0;
    bool truncated_ = false;
};

// The content of a leaf part with its transfer encoding removed, at most
// `limit` bytes; `more` tells whether the content went on beyond them.
std::string readDecodedContent(GMimePart* part, std::size_t limit, bool& more);

}  // namespace quorvel::preview
