// The reading of HTML that judges the preview's output (and the sanitiser's,
// in the fuzz targets): it must see each way of loading or running something,
// however it is written, and nothing in what a sanitised mail may hold.
#include "tests/support/ActiveContent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using quorvel::test::activeContentIn;
using quorvel::test::activeContentInCss;
using quorvel::test::describeFindings;

void expectCaught(const std::vector<std::string>& htmls) {
    for (const std::string& html : htmls) {
        EXPECT_FALSE(activeContentIn(html).empty()) << html;
    }
}

TEST(ActiveContent, elementsThatRunEmbedOrRedirect) {
    expectCaught({"<script>alert(1)</script>", "<SCRIPT src=x>", "< script>", "<iframe src=\"http://x/\">",
                  "<object data=x.swf>", "<embed src=x.swf>", "<applet code=x>", "<frameset><frame src=x>",
                  "<link rel=stylesheet href=x.css>", "<meta http-equiv=refresh content=\"0;url=http://x/\">",
                  "<base href=\"http://x/\">", "<form action=\"http://x/\">", "<p>a</p><Form>"});
    // What is named like them is not them, and text or closing tags are nothing.
    for (const char* html : {"<scripted>", "<p>&lt;script&gt;</p>", "</script>", "<metadata>", "<p>form</p>"}) {
        EXPECT_TRUE(activeContentIn(html).empty()) << html;
    }
}

TEST(ActiveContent, eventHandlerAttributes) {
    expectCaught({"<p onclick=\"x()\">", "<img ONERROR=x>", "<body/onload=x>", "<a title=t onmouseover='x'>",
                  "<div\nonfocus=x>"});
    EXPECT_TRUE(activeContentIn("<p title=\"onclick\" class=on>online</p>").empty());
}

TEST(ActiveContent, schemesThatRunOrReadLocalData) {
    expectCaught({
        "<a href=\"javascript:alert(1)\">",
        "<a href=\"javascript&#58;alert(1)\">",
        "<a href=\"javascript&#x3a;alert(1)\">",
        "<a href=\"javascript&#X3A alert(1)\">",  // no ";"
        "<a href=\"javascript&colon;alert(1)\">",
        "<a href=\"java&#115;cript:alert(1)\">",
        "<a href=\" JaVa&#x09;Script:alert(1)\">",  // blanks and controls are ignored
        "<a href=\"java\tscript:x\">",
        "<a href=vbscript&#x3a;msgbox(1)>",
        "<img src=\"data:image/png;base64,AAAA\">",
        "<img src='file:///dev/zero'>",
        "<img src=\"fi&#10;le:///etc/hostname\">",
        "<table background=\"file:///etc/hostname\">",
        "<img srcset=\"a.png 1x, file:///b.png 2x\">",
        "<form action=javascript:x>",
    });
    for (const char* html :
         {"<a href=\"http://x/javascript:\">", "<a href=\"mailto:a@example.jp\">", "<img src=\"cid:logo@example.jp\">",
          "<img src=\"x.png\">", "<a href=\"#file:\">", "<p title=\"javascript:x\">", "<p>javascript:alert(1)</p>"}) {
        EXPECT_TRUE(activeContentIn(html).empty()) << html << "\n" << describeFindings(activeContentIn(html));
    }
}

TEST(ActiveContent, styleTextAfterReferencesCommentsAndEscapes) {
    expectCaught({
        "<p style=\"background:url(http://x/)\">",
        "<p style=\"background:URL( 'file:///dev/zero' )\">",
        "<p style=\"background:u\\72l(http://x/)\">",
        "<p style=\"background:\\75\\000072\\6C (http://x/)\">",
        "<p style=\"background:u\\72\r\nl(http://x/)\">",
        "<p style=\"background:url&#40;http://x/)\">",
        "<p style=\"background:u&#114;l(http://x/)\">",
        "<p style=\"background:u/**/rl(http://x/)\">",
        "<p style=\"background:url(cid:a; @import 'http://x/'\">",
        "<p style=\"@import 'http://x/'\">",
        "<p style=\"b:url(http://x/\">",  // never closed
        "<style>p{background:url(http://x/)}</style>",
        "<style>@import url(cid:a);</style>",
        "<style>p{background:url&#40;http://x/)}</style>",
        "<style>@\\69mport 'x';</style>",
    });
    expectCaught({"<p style=\"b:url(cid:a) url(http://x/)\">", "<p style=\"b:url('cid:a)') url(http://x/)\">",
                  "<p style=\"b:url('http://x/ cid:a')\">"});
    for (const char* html :
         {"<p style=\"background:url(cid:logo@example.jp)\">",
          "<p style=\"b:url(cid:a&#1;url(http://x/)\">",  // one url, the inner one part of it
          "<p style=\"b:url( 'cid:a url(http://x/)' )\">", "<p style='background: URL( \"cid:a\" ); color: red'>",
          "<style>p{background:url(cid:a)} q{color:red}</style>", "<pre>url(http://x/) and @import in text</pre>",
          "<p title=\"url(http://x/)\">"}) {
        EXPECT_TRUE(activeContentIn(html).empty()) << html << "\n" << describeFindings(activeContentIn(html));
    }
    EXPECT_FALSE(activeContentInCss("a{b:url(http://x/)}").empty());
    EXPECT_FALSE(activeContentInCss("@IMPORT 'x';").empty());
    EXPECT_FALSE(activeContentInCss("@import\"x\";").empty());
    EXPECT_FALSE(activeContentInCss("a{b:url(\"  file:///x\")}").empty());
    EXPECT_TRUE(activeContentInCss("@importer x;").empty());  // another rule
    EXPECT_TRUE(activeContentInCss("a{b:url( \"  cid:x \" )}").empty());
    EXPECT_TRUE(activeContentInCss("a{b:url(cid:x);c:none}").empty());
    // Inside an unquoted url( target, "@import" is part of the URL.
    EXPECT_TRUE(activeContentInCss("a{b:url(cid:bg@exam@import)}").empty());
    EXPECT_FALSE(activeContentInCss("a{b:url(cid:x)} @import 'y';").empty());
}

TEST(ActiveContent, aSanitisedMailIsSafeAndEachFindingIsReported) {
    const std::string mail =
        "<html><body><p style=\"color:red\">Hello &amp; welcome <a href=\"https://example.jp/?a=1&amp;b=2\">site</a>"
        "</p><img src=\"cid:logo%40example.jp\" width=\"1\"><table background=\"cid:bg\"><tr><td>cell</td></tr>"
        "</table><pre style=\"white-space: pre-wrap\">&lt;script&gt; url(x) onload=</pre></body></html>";
    EXPECT_TRUE(activeContentIn(mail).empty()) << describeFindings(activeContentIn(mail));

    const auto findings = activeContentIn("<script></script><img src=file:///x onerror=y>");
    ASSERT_EQ(findings.size(), 3u) << describeFindings(findings);
    EXPECT_NE(findings[0].find("<script>"), std::string::npos);
    EXPECT_NE(describeFindings(findings).find("file: URL in src"), std::string::npos);
    EXPECT_NE(describeFindings(findings).find("onerror"), std::string::npos);
}

}  // namespace
