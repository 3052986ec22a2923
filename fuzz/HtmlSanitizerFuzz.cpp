// The sanitiser of a mail's HTML, judged by an independent reading of what it
// gives back: nothing in it may load or run. The style sheet sanitiser alone
// is held to the same for style text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "maillist/preview/HtmlSanitizer.h"
#include "tests/support/ActiveContent.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const preview::SanitizedHtml sanitized = preview::sanitizeMailHtml(input);
    if (const auto findings = test::activeContentIn(sanitized.html); !findings.empty()) {
        fuzz::fail("sanitizeMailHtml left something that loads or runs:\n" + test::describeFindings(findings) +
                       "\n---- output:\n" + sanitized.html,
                   input);
    }
    const std::string css = preview::sanitizeCss(input);
    if (const auto findings = test::activeContentInCss(css); !findings.empty()) {
        fuzz::fail(
            "sanitizeCss left something that loads:\n" + test::describeFindings(findings) + "\n---- output:\n" + css,
            input);
    }
    if (css.find('<') != std::string::npos) {
        fuzz::fail("sanitizeCss left a '<' that could end its style element:\n" + css, input);
    }
    return 0;
}
