// What the index reads out of a mail's stored bytes.
#include "search/MailText.h"

#include <glib.h>
#include <gtest/gtest.h>

#include "search/HtmlText.h"
#include "search/TextCharset.h"
#include "tests/search/SearchArchive.h"

using namespace quorvel::search;
using quorvel::test::base64;
using quorvel::test::encodeAs;
using quorvel::test::encodedWord;
using quorvel::test::mailBytes;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(MailText, headersAndBodyAreDecodedFromEveryJapaneseCharset) {
    MailTextReader reader;
    for (const char* charset : {"ISO-2022-JP", "Shift_JIS", "UTF-8", "EUC-JP"}) {
        SCOPED_TRACE(charset);
        const std::string mail = mailBytes(
            {"From: " + encodedWord("山田太郎", charset) + " <taro@example.jp>",
             "To: " + encodedWord("経理部", charset) + " <keiri@example.jp>", "Cc: boss@example.jp",
             "Subject: " + encodedWord("来年度の予算について", charset), "MIME-Version: 1.0",
             std::string("Content-Type: text/plain; charset=") + charset,
             std::string("Content-Transfer-Encoding: ") + (std::string(charset) == "ISO-2022-JP" ? "7bit" : "8bit")},
            encodeAs("予算案を送ります。\r\n2番の表をご覧ください。\r\n", charset));
        const MailText text = reader.read(mail);
        EXPECT_EQ(text.subject, "来年度の予算について");
        EXPECT_TRUE(contains(text.sender, "山田太郎") && contains(text.sender, "taro@example.jp")) << text.sender;
        EXPECT_TRUE(contains(text.recipients, "経理部") && contains(text.recipients, "boss@example.jp"))
            << text.recipients;
        EXPECT_TRUE(contains(text.body, "予算案を送ります")) << text.body;
        EXPECT_FALSE(text.hasAttachments);
    }
}

TEST(MailText, undeclaredBytesAreUtf8WhenTheyCanBeElseTheJapaneseCodePage) {
    MailTextReader reader;
    const MailText sjis =
        reader.read(mailBytes({"Subject: " + encodeAs("生の件名", "CP932")}, encodeAs("宣言のない本文", "CP932")));
    EXPECT_EQ(sjis.subject, "生の件名");
    EXPECT_TRUE(contains(sjis.body, "宣言のない本文")) << sjis.body;
    const MailText jis = reader.read(mailBytes({"Subject: x"}, encodeAs("宣言のない本文", "ISO-2022-JP")));
    EXPECT_TRUE(contains(jis.body, "宣言のない本文")) << jis.body;
    const MailText utf8 = reader.read(mailBytes({"Subject: 生のUTF-8"}, "本文です"));
    EXPECT_EQ(utf8.subject, "生のUTF-8");
    EXPECT_EQ(utf8.body, "本文です");
}

TEST(MailText, ofAlternativesOnlyThePlainTextAndOfHtmlOnlyItsText) {
    MailTextReader reader;
    const std::string alternative =
        mailBytes({"Subject: alt", "MIME-Version: 1.0", "Content-Type: multipart/alternative; boundary=b"},
                  "--b\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\nplain words\r\n"
                  "--b\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n<p>html words</p>\r\n--b--\r\n");
    const MailText alt = reader.read(alternative);
    EXPECT_TRUE(contains(alt.body, "plain words"));
    EXPECT_FALSE(contains(alt.body, "html words"));

    const std::string html = mailBytes(
        {"Subject: html", "MIME-Version: 1.0", "Content-Type: text/html; charset=Shift_JIS",
         "Content-Transfer-Encoding: base64"},
        base64(encodeAs("<html><head><style>.x{color:red}</style><script>var secret=1;</script></head>"
                        "<body><p>今月の<b>予</b>算は&lt;未定&gt;&#x3067;&#12377;</p><!-- hidden --></body></html>",
                        "CP932")));
    const MailText h = reader.read(html);
    EXPECT_TRUE(contains(h.body, "今月の予算は<未定>です")) << h.body;
    EXPECT_FALSE(contains(h.body, "secret"));
    EXPECT_FALSE(contains(h.body, "color"));
    EXPECT_FALSE(contains(h.body, "hidden"));
}

TEST(MailText, attachmentsGiveTheirNamesAndNoText) {
    MailTextReader reader;
    const std::string mail = mailBytes(
        {"Subject: files", "MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b"},
        "--b\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\nsee attached\r\n"
        "--b\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Disposition: attachment; filename=\"" +
            encodedWord("見積書.txt", "ISO-2022-JP") +
            "\"\r\n\r\nattached text is not body\r\n"
            "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; "
            "filename*=UTF-8''%E8%AB%8B%E6%B1%82%E6%9B%B8.pdf\r\nContent-Transfer-Encoding: base64\r\n\r\nJVBERg==\r\n"
            "--b--\r\n");
    const MailText text = reader.read(mail);
    EXPECT_TRUE(text.hasAttachments);
    EXPECT_TRUE(contains(text.attachments, "見積書.txt")) << text.attachments;
    EXPECT_TRUE(contains(text.attachments, "請求書.pdf")) << text.attachments;
    EXPECT_TRUE(contains(text.body, "see attached"));
    EXPECT_FALSE(contains(text.body, "attached text"));
}

TEST(MailText, aHugeMailGivesAtMostTheLimitAndNoBrokenCharacter) {
    MailTextReader reader;
    std::string body;
    while (body.size() < 3 * 1024 * 1024) {
        body += "予算の話を延々と続ける。";
    }
    body += "END-MARKER";
    const MailText text = reader.read(mailBytes({"Subject: big", "Content-Type: text/plain; charset=UTF-8"}, body));
    EXPECT_LE(text.subject.size() + text.body.size() + text.attachments.size(), kMaxIndexedText + 4);
    EXPECT_GT(text.body.size(), kMaxIndexedText - 64);
    EXPECT_TRUE(g_utf8_validate(text.body.data(), static_cast<gssize>(text.body.size()), nullptr));
    EXPECT_FALSE(contains(text.body, "END-MARKER"));
    const MailText small = reader.read(mailBytes({"Subject: 予算"}, "本文"), 8);
    EXPECT_EQ(small.subject, "予算");
    EXPECT_TRUE(small.body.empty()) << small.body;
}

TEST(MailText, bytesThatAreNoMailGiveNoTextAndNoCrash) {
    MailTextReader reader;
    EXPECT_TRUE(reader.read("").body.empty());
    const MailText junk = reader.read(std::string("\0\xFF\xFE garbage", 12));
    EXPECT_TRUE(g_utf8_validate(junk.body.data(), static_cast<gssize>(junk.body.size()), nullptr));
}

TEST(HtmlText, blockTagsSeparateWordsAndAnUnclosedScriptHidesTheRest) {
    EXPECT_EQ(htmlToText("a<br>b<div>c</div>d<span>e</span>f", 100), "a\nb\nc\ndef");
    EXPECT_EQ(htmlToText("<a href='x>y'>link</a> 1 < 2 &amp; &unknown; &#0;", 100), "link 1 < 2 & &unknown;  ");
    EXPECT_EQ(htmlToText("x<script>never shown", 100), "x\n");
    EXPECT_LE(htmlToText(std::string(1000, 'z'), 10).size(), 10u);
}

TEST(TextCharset, unknownOrWrongLabelsStillGiveText) {
    EXPECT_EQ(textToUtf8(encodeAs("日本語", "CP932"), "x-made-up"), "日本語");
    EXPECT_EQ(textToUtf8(encodeAs("日本語", "EUC-JP"), "euc-jp"), "日本語");
    // Windows mail programs write their own characters under the standard labels.
    EXPECT_EQ(textToUtf8(encodeAs("①㈱", "CP932"), "Shift_JIS"), "①㈱");
    EXPECT_EQ(textToUtf8("caf\xE9", "iso-8859-1"), "caf\u00E9");
    const std::string broken = textToUtf8("ok\xFF\xFF", "utf-8");
    EXPECT_TRUE(g_utf8_validate(broken.data(), static_cast<gssize>(broken.size()), nullptr));
    EXPECT_EQ(broken.substr(0, 2), "ok");
}
