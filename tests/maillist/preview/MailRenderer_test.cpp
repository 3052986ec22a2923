#include "maillist/preview/MailRenderer.h"

#include <glib.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "maillist/preview/PreviewTexts.h"
#include "tests/support/TestEnv.h"

using namespace quorvel::preview;
using quorvel::test::TempDir;
using quorvel::test::writeFile;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string kHeader =
    "From: sender@example.jp\r\nTo: you@example.jp\r\nSubject: test\r\n"
    "Date: Tue, 2 Apr 2024 10:00:00 +0900\r\nMIME-Version: 1.0\r\n";

std::string base64(const std::string& bytes) {
    gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string out = encoded;
    g_free(encoded);
    return out;
}

class MailRendererTest : public ::testing::Test {
protected:
    PreviewDocument render(const std::string& mail, const RenderLimits& limits = {}) {
        const std::string path = dir_.file("mail" + std::to_string(++count_) + ".eml");
        writeFile(path, mail);
        return renderMailFile(path, limits);
    }

    TempDir dir_;
    int count_ = 0;
};

}  // namespace

TEST_F(MailRendererTest, plainTextIsDecodedEscapedAndKeepsItsLines) {
    const PreviewDocument iso = render(kHeader +
                                       "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
                                       "Content-Transfer-Encoding: 7bit\r\n\r\n"
                                       "\x1B$BF|K\\8l\x1B(B\r\n<b>not bold</b> & more\r\n");
    EXPECT_TRUE(iso.isMessage);
    EXPECT_FALSE(iso.truncated);
    EXPECT_THAT(iso.html, HasSubstr("日本語\n&lt;b&gt;not bold&lt;/b&gt; &amp; more"));
    EXPECT_THAT(iso.html, HasSubstr("<pre"));

    const PreviewDocument qp = render(kHeader +
                                      "Content-Type: text/plain; charset=UTF-8\r\n"
                                      "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                                      "=E6=97=A5=E6=9C=\r\n=AC a=3Db\r\n");
    EXPECT_THAT(qp.html, HasSubstr("日本 a=b"));

    const PreviewDocument noContentType = render("From: a@example.jp\r\nSubject: x\r\n\r\nhello\r\n");
    EXPECT_TRUE(noContentType.isMessage);
    EXPECT_THAT(noContentType.html, HasSubstr("hello"));
}

TEST_F(MailRendererTest, multipartAlternativeShowsTheHtmlBranchWhereverItStands) {
    for (const bool htmlFirst : {false, true}) {
        const std::string plain = "--alt\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\nPLAIN VERSION\r\n";
        const std::string html = "--alt\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n<p>HTML VERSION</p>\r\n";
        const PreviewDocument doc = render(kHeader + "Content-Type: multipart/alternative; boundary=\"alt\"\r\n\r\n" +
                                           (htmlFirst ? html + plain : plain + html) + "--alt--\r\n");
        EXPECT_THAT(doc.html, HasSubstr("<p>HTML VERSION</p>")) << htmlFirst;
        EXPECT_THAT(doc.html, Not(HasSubstr("PLAIN VERSION"))) << htmlFirst;
        EXPECT_TRUE(doc.attachmentNames.empty());
    }
}

TEST_F(MailRendererTest, relatedImagesAreKeptByContentIdAndNotListed) {
    const std::string png = std::string("\x89PNG\r\n\x1A\n", 8) + std::string("\0\0\0\rIHDR-bytes", 15);
    const PreviewDocument doc =
        render(kHeader +
               "Content-Type: multipart/related; boundary=\"rel\"; type=\"multipart/alternative\"\r\n\r\n"
               "--rel\r\nContent-Type: multipart/alternative; boundary=\"alt\"\r\n\r\n"
               "--alt\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
               "--alt\r\nContent-Type: text/html\r\n\r\n<p>logo <img src=\"cid:logo.1@example.jp\"></p>\r\n"
               "--alt--\r\n"
               "--rel\r\nContent-Type: image/png; name=\"logo.png\"\r\nContent-ID: <logo.1@example.jp>\r\n"
               "Content-Transfer-Encoding: base64\r\n\r\n" +
               base64(png) + "\r\n--rel--\r\n");
    EXPECT_THAT(doc.html, HasSubstr("<img src=\"cid:logo.1@example.jp\">"));
    ASSERT_EQ(doc.inlineParts.count("logo.1@example.jp"), 1u);
    EXPECT_EQ(doc.inlineParts.at("logo.1@example.jp").mimeType, "image/png");
    EXPECT_EQ(doc.inlineParts.at("logo.1@example.jp").bytes, png);
    EXPECT_TRUE(doc.attachmentNames.empty());
}

TEST_F(MailRendererTest, htmlLosesScriptsAndHandlersButKeepsItsText) {
    const PreviewDocument doc =
        render(kHeader +
               "Content-Type: text/html; charset=UTF-8\r\n\r\n"
               "<html><head><script>document.title='SCRIPT RAN'</script></head>"
               "<body onload=\"track()\"><p>本文です</p>"
               "<img src=\"http://remote.example/track.gif\" onerror=\"x()\"></body></html>\r\n");
    EXPECT_THAT(doc.html, HasSubstr("<p>本文です</p>"));
    EXPECT_THAT(doc.html, Not(HasSubstr("SCRIPT RAN")));
    EXPECT_THAT(doc.html, Not(HasSubstr("onload")));
    EXPECT_THAT(doc.html, Not(HasSubstr("onerror")));
    // The reference stays; the view is the one that refuses to load it.
    EXPECT_THAT(doc.html, HasSubstr("http://remote.example/track.gif"));
}

TEST_F(MailRendererTest, attachmentNamesAreDecodedAndListedInOrder) {
    const PreviewDocument doc =
        render(kHeader +
               "Content-Type: multipart/mixed; boundary=\"mix\"\r\n\r\n"
               "--mix\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n本文\r\n"
               "--mix\r\nContent-Type: application/pdf; name=\"=?ISO-2022-JP?B?GyRCO3FOQRsoQi5wZGY=?=\"\r\n"
               "Content-Disposition: attachment; filename=\"=?ISO-2022-JP?B?GyRCO3FOQRsoQi5wZGY=?=\"\r\n"
               "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0=\r\n"
               "--mix\r\nContent-Type: application/octet-stream\r\n"
               "Content-Disposition: attachment; filename*=UTF-8''%E5%A0%B1%E5%91%8A%E6%9B%B8%202024.docx\r\n\r\nx\r\n"
               "--mix\r\nContent-Type: application/vnd.ms-excel; name=\"=?Shift_JIS?B?jKmQz4+RLnhsc3g=?=\"\r\n\r\nx\r\n"
               "--mix\r\nContent-Type: text/plain; name=\"memo.txt\"\r\n"
               "Content-Disposition: attachment; filename=\"memo.txt\"\r\n\r\nATTACHED TEXT\r\n"
               "--mix\r\nContent-Type: message/rfc822\r\n\r\n"
               "From: b@example.jp\r\nSubject: =?UTF-8?B?6K2w5LqL6Yyy?=\r\n\r\nforwarded\r\n"
               "--mix--\r\n");
    const std::vector<std::string> expected = {"資料.pdf", "報告書 2024.docx", "見積書.xlsx", "memo.txt", "議事録.eml"};
    EXPECT_EQ(doc.attachmentNames, expected);
    EXPECT_THAT(doc.html, HasSubstr("本文"));
    EXPECT_THAT(doc.html, HasSubstr(quorvel::preview::texts::kAttachments));
    EXPECT_THAT(doc.html, HasSubstr("<li>資料.pdf</li>"));
    EXPECT_THAT(doc.html, Not(HasSubstr("ATTACHED TEXT")));
    EXPECT_THAT(doc.html, Not(HasSubstr("forwarded")));
}

TEST_F(MailRendererTest, filesThatAreNotMailsGiveTheNoticeWithTheReason) {
    namespace texts = quorvel::preview::texts;
    struct Case {
        std::string path;
        const char* reason;
    };
    writeFile(dir_.file("image.png"), std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\x01\0", 20));
    writeFile(dir_.file("notes.txt"), "just some notes\nwithout any header\n");
    writeFile(dir_.file("empty.eml"), "");
    std::filesystem::create_directory(dir_.file("folder.eml"));
    const Case cases[] = {
        {dir_.file("missing.eml"), texts::kNoFile},    {dir_.file("image.png"), texts::kNotAMessage},
        {dir_.file("notes.txt"), texts::kNotAMessage}, {dir_.file("empty.eml"), texts::kNotAMessage},
        {dir_.file("folder.eml"), texts::kCannotRead},
    };
    for (const Case& c : cases) {
        const PreviewDocument doc = renderMailFile(c.path);
        EXPECT_FALSE(doc.isMessage) << c.path;
        EXPECT_THAT(doc.html, HasSubstr(texts::kCannotShow)) << c.path;
        EXPECT_THAT(doc.html, HasSubstr(c.reason)) << c.path;
    }
}

TEST_F(MailRendererTest, bodiesOverTheLimitAreCutWithANotice) {
    std::string body;
    for (int i = 0; i < 400; ++i) {
        body += "line " + std::to_string(i) + " あいうえお\r\n";
    }
    RenderLimits small;
    small.maxTextBytes = 1000;
    for (const char* encoding : {"8bit", "base64"}) {
        const bool b64 = std::string(encoding) == "base64";
        const PreviewDocument doc =
            render(kHeader + "Content-Type: text/plain; charset=UTF-8\r\n" + "Content-Transfer-Encoding: " + encoding +
                       "\r\n\r\n" + (b64 ? base64(body) : body),
                   small);
        EXPECT_TRUE(doc.truncated) << encoding;
        EXPECT_THAT(doc.html, HasSubstr("line 0 あいうえお")) << encoding;
        EXPECT_THAT(doc.html, Not(HasSubstr("line 399"))) << encoding;
        EXPECT_THAT(doc.html, HasSubstr(quorvel::preview::texts::kTruncated)) << encoding;
        EXPECT_LT(doc.html.size(), 2000u) << encoding;
    }
    const PreviewDocument whole = render(kHeader + "Content-Type: text/plain; charset=UTF-8\r\n\r\n" + body);
    EXPECT_FALSE(whole.truncated);
    EXPECT_THAT(whole.html, HasSubstr("line 399"));
    EXPECT_THAT(whole.html, Not(HasSubstr(quorvel::preview::texts::kTruncated)));
}

TEST_F(MailRendererTest, aLargeMailIsShownOnlyUpToTheDefaultLimits) {
    const std::string line(99, 'x');
    std::string body;
    while (body.size() < 6 * 1024 * 1024) {
        body += line + "\n";
    }
    const std::string image(64 * 1024, 'i');
    RenderLimits limits;
    limits.maxInlineBytes = 32 * 1024;
    const PreviewDocument doc = render(
        kHeader + "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\n" +
            body + "END OF BODY\r\n--m\r\nContent-Type: image/png\r\nContent-ID: <big@x>\r\n\r\n" + image +
            "\r\n--m--\r\n",
        limits);
    EXPECT_TRUE(doc.truncated);
    EXPECT_THAT(doc.html, Not(HasSubstr("END OF BODY")));
    EXPECT_LE(doc.html.size(), limits.maxTextBytes + 4096);
    EXPECT_GE(doc.html.size(), limits.maxTextBytes - 4096);
    EXPECT_EQ(doc.inlineParts.count("big@x"), 0u);  // over the inline budget: not kept at all
}
