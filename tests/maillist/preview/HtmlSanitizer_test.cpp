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
              " p { background: none } div { background: url(cid:bg@x) }");
    EXPECT_EQ(clean("<style>@import 'http://x/a.css';p{color:red}</style><p style=\"background:url(http://x/)\">t</p>"),
              "<style>p{color:red}</style><p style=\"background:none\">t</p>");
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
