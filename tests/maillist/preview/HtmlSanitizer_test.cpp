#include "maillist/preview/HtmlSanitizer.h"

#include <gtest/gtest.h>

using quorvel::preview::sanitizeCss;
using quorvel::preview::sanitizeMailHtml;

namespace {

std::string clean(std::string_view html) {
    return sanitizeMailHtml(html).html;
}

}  // namespace

TEST(HtmlSanitizer, removesScriptsAndEmbeddedContentWithWhatTheyHold) {
    EXPECT_EQ(clean("<p>a</p><script>alert('x')</script><p>b</p>"), "<p>a</p><p>b</p>");
    EXPECT_EQ(clean("a<SCRIPT type=\"text/javascript\">if (1 < 2) go()</Script >b"), "ab");
    EXPECT_EQ(clean("a<iframe src=\"http://x/\">inner</iframe>b<object data=\"x\">o</object>c<embed src=x>d"), "abcd");
    EXPECT_EQ(clean("a<svg><script>x()</script></svg>b<textarea>t</textarea>c"), "abc");
    // An unclosed script hides everything after it rather than showing code.
    EXPECT_EQ(clean("a<script>evil(); more text"), "a");
}

TEST(HtmlSanitizer, removesFormsMetaRefreshAndDocumentWrappersButKeepsTheirText) {
    EXPECT_EQ(clean("<html><head><meta http-equiv=\"refresh\" content=\"0;url=http://x/\"><title>T</title>"
                    "<base href=\"http://x/\"><link rel=stylesheet href=\"http://x/a.css\"></head>"
                    "<body bgcolor=red><form action=\"http://x/\">Name <input name=n><button>Go</button></form>"
                    "</body></html>"),
              "Name ");
    EXPECT_EQ(clean("<!DOCTYPE html><!-- <p>hidden</p> -->shown<noscript>no script</noscript>"), "shownno script");
}

TEST(HtmlSanitizer, removesEventHandlersAndScriptUrlsFromAttributes) {
    EXPECT_EQ(clean("<img src=\"http://x/a.png\" onload=\"steal()\" ONERROR='x()' alt=pic>"),
              "<img src=\"http://x/a.png\" alt=\"pic\">");
    EXPECT_EQ(clean("<a href=\"javascript:alert(1)\">x</a>"), "<a>x</a>");
    EXPECT_EQ(clean("<a href=\" java\tscript:alert(1)\">x</a>"), "<a>x</a>");
    EXPECT_EQ(clean("<a href=\"jav&#97;script:alert(1)\">x</a>"), "<a>x</a>");
    EXPECT_EQ(clean("<img src=\"data:image/png;base64,AAAA\">"), "<img>");
    EXPECT_EQ(clean("<a href=\"https://example.jp/?a=1&amp;b=2\">x</a>"),
              "<a href=\"https://example.jp/?a=1&amp;b=2\">x</a>");
    EXPECT_EQ(clean("<td title='say \"hi\" <b>'>"), "<td title=\"say &quot;hi&quot; &lt;b&gt;\">");
}

TEST(HtmlSanitizer, keepsStylesWithoutImportsOrRemoteUrls) {
    EXPECT_EQ(sanitizeCss("@import url(http://x/a.css); p { background: url('http://x/t.gif') } "
                          "div { background: url(cid:bg@x) }"),
              "  p { background: none } div { background: url(cid:bg@x) }");
    EXPECT_EQ(clean("<style>@import 'http://x/a.css';p{color:red}</style><p style=\"background:url(http://x/)\">t</p>"),
              "<style> p{color:red}</style><p style=\"background:none\">t</p>");
}

// What a browser decodes before it looks at a URL or a style sheet is decoded
// here before judging it.
TEST(HtmlSanitizer, seesThroughReferencesAndEscapes) {
    for (const char* url : {"javascript&#58;alert(1)", "javascript&colon;alert(1)", "vbscript&#x3a;msgbox(1)",
                            "data&#58;text/html,x", "javascript&#0058alert(1)", "jav&#x09;ascript:alert(1)",
                            "file:///dev/zero", "FILE:/etc/passwd", "&#106;avascript:x", "java&tab;script:x"}) {
        EXPECT_EQ(clean(std::string("<a href=\"") + url + "\">x</a>"), "<a>x</a>") << url;
        EXPECT_EQ(clean(std::string("<img src='") + url + "'>"), "<img>") << url;
    }
    EXPECT_EQ(clean("<a href=\"mailto:a@example.jp\">m</a>"), "<a href=\"mailto:a@example.jp\">m</a>");
    EXPECT_EQ(clean("<img src=\"cid:part1@x\">"), "<img src=\"cid:part1@x\">");
    EXPECT_EQ(clean("<a href=\"#top\">t</a>"), "<a href=\"#top\">t</a>");

    for (const char* css : {"background:u\\72l(http://x/)", "background:\\75 \\72 \\6c (http://x/)",
                            "background:url&#40;http://x/)", "background:u/**/rl(http://x/)"}) {
        const std::string out = clean(std::string("<p style=\"") + css + "\">t</p>");
        EXPECT_EQ(out.find("http"), std::string::npos) << css << " gave " << out;
    }
    EXPECT_EQ(sanitizeCss("@\\69mport 'http://x/a.css'; p{}"), "  p{}");
    // A cid: url( that never closes cannot carry an @import along.
    const std::string unclosed = sanitizeCss("p{background:url(cid:a@x} @import 'http://x/a.css';");
    EXPECT_EQ(unclosed.find("import"), std::string::npos) << unclosed;
    EXPECT_EQ(unclosed.find("http"), std::string::npos) << unclosed;
    // What stood on either side of a removed rule never joins into a url(.
    const std::string joined = sanitizeCss("p{background:u@import x;rl(http://x/)}");
    EXPECT_EQ(joined.find("url("), std::string::npos) << joined;
    // A cid: target in mismatched quotes is not a plain reference.
    EXPECT_EQ(sanitizeCss("p{background:url(\"\"cid:ok\" )}"), "p{background:none}");
    EXPECT_EQ(sanitizeCss("p{background:url( 'cid:ok@x' )}"), "p{background:url(cid:ok@x)}");
    // Kept references are written bare: nothing of what stood around them.
    EXPECT_EQ(sanitizeCss("p{background:url(cid:bg@exam@import\n)}"), "p{background:url(cid:bg@exam@import)}");
    // Decoded, an escape must not close the style element.
    const std::string style = clean("<style>p{content:'\\3c/style\\3e<img src=x>'}</style>");
    EXPECT_EQ(style.find("</style><img"), std::string::npos) << style;
}

TEST(HtmlSanitizer, keepsTextThatOnlyLooksLikeMarkupAndDropsCutOffTags) {
    EXPECT_EQ(clean("1 < 2 and 3 <= 4"), "1 &lt; 2 and 3 &lt;= 4");
    EXPECT_EQ(clean("text<a href=\"http://x/"), "text");
    EXPECT_EQ(clean("<p>text</p><img src=x"), "<p>text</p>");
}

TEST(HtmlSanitizer, stopsAfterTheTableCellBudget) {
    const auto result = sanitizeMailHtml("<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>", 2);
    EXPECT_TRUE(result.cut);
    EXPECT_EQ(result.cells, 2u);
    EXPECT_EQ(result.html, "<table><tr><td>1</td><td>2</td></tr><tr>");
    EXPECT_FALSE(sanitizeMailHtml("<table><tr><td>1</td></tr></table>", 2).cut);
}
