// The preview's reading of a mail file: the MIME tree walked, the text parts
// decoded and the HTML sanitised, as the preview pane renders a mail. The
// document must hold nothing that loads or runs, and no more inline bytes
// than the limits allow.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "maillist/preview/MailRenderer.h"
#include "tests/support/ActiveContent.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemoryFile file;
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // Small limits, so that the cutting of text, tables and parts is reached
    // by small inputs too.
    preview::RenderLimits limits;
    limits.maxTextBytes = 2048;
    limits.maxHtmlBytes = 1024;
    limits.maxTableCells = 8;
    limits.maxInlineBytes = 1024;
    limits.maxListedAttachments = 4;
    const preview::PreviewDocument doc = preview::renderMailFile(file.hold(input), limits);

    if (const auto findings = test::activeContentIn(doc.html); !findings.empty()) {
        fuzz::fail("the preview document can load or run something:\n" + test::describeFindings(findings) +
                       "\n---- document:\n" + doc.html,
                   input);
    }
    std::size_t inlineBytes = 0;
    for (const auto& [id, part] : doc.inlineParts) {
        inlineBytes += part.bytes.size();
    }
    if (inlineBytes > limits.maxInlineBytes) {
        fuzz::fail("inline parts beyond their limit: " + std::to_string(inlineBytes), input);
    }
    if (doc.attachmentNames.size() > limits.maxListedAttachments) {
        fuzz::fail("more attachment names than the limit", input);
    }
    return 0;
}
