#include "import/HeaderDecoder.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "tests/import/TestMails.h"

namespace quorvel::mailimport {
namespace {

using test::bWord;
using test::inCharset;
using test::qWord;

TEST(HeaderDecoder, plainTextComesBackUnchanged) {
    HeaderDecoder d;
    for (std::string text :
         {"from a by b; Tue, 01 Jan 2002 10:15:30 +0900 (JST)", "  two  blanks\tand a tab ",
          "x+y, for <a@b>; =? not a word", "=?UTF-8?B?unterminated", "=?Shift_JIS?X?abc?= =?ISO-2022-JP?Y?abc?="}) {
        EXPECT_EQ(d.decodeWords(text), text);
        EXPECT_EQ(d.lineText(text), text);
    }
}

TEST(HeaderDecoder, encodedWordsInTheJapaneseCharsets) {
    HeaderDecoder d;
    const std::string text = "日本語の件名ｱｲｳ";
    EXPECT_EQ(d.decodeWords(bWord("日本語の件名", "ISO-2022-JP")), "日本語の件名");
    EXPECT_EQ(d.decodeWords(bWord(text, "CP932", "Shift_JIS")), text);
    EXPECT_EQ(d.decodeWords(bWord(text, "EUC-JP")), text);
    EXPECT_EQ(d.decodeWords(qWord(text, "UTF-8")), text);
    EXPECT_EQ(d.decodeWords(qWord("東京", "EUC-JP")), "東京");
    // Structure around the words stays; blanks between adjacent words go.
    EXPECT_EQ(d.decodeWords(bWord("山田", "ISO-2022-JP") + " " + bWord("太郎", "UTF-8") + " <t@example.jp>; +0900"),
              "山田太郎 <t@example.jp>; +0900");
}

TEST(HeaderDecoder, windowsExtensionsOfJapaneseCharsets) {
    HeaderDecoder d;
    // NEC row 13 (circled one, "kabushiki kaisha") and an IBM extension kanji, as Windows writes them.
    const std::string jis = "\x1b$B-!-j\x1b(B";
    EXPECT_EQ(d.decodeWords("=?ISO-2022-JP?B?" + test::base64(jis) + "?="), "①㈱");
    EXPECT_EQ(d.decodeWords(bWord("①髙", "CP932", "Shift_JIS")), "①髙");
    EXPECT_EQ(d.decodeWords(bWord("①", "EUC-JP-MS", "EUC-JP")), "①");
    // Half-width kana by ESC ( I, and a character split over two words.
    EXPECT_EQ(d.decodeWords("=?iso-2022-jp?B?" + test::base64("\x1b(I12\x1b(B") + "?="), "ｱｲ");
    std::string split1 = "=?ISO-2022-JP?B?" + test::base64("\x1b$BF") + "?=";
    std::string split2 = "=?ISO-2022-JP?B?" + test::base64("|\x1b(B") + "?=";
    EXPECT_EQ(d.decodeWords(split1 + " " + split2), "日");
}

TEST(HeaderDecoder, badWordsGiveATextAndNoCrash) {
    HeaderDecoder d;
    const std::string utf8Payload = test::base64("日本");
    EXPECT_EQ(d.decodeWords("=?x-unknown?B?" + utf8Payload + "?="), "日本");  // read as UTF-8
    for (std::string bad : {"=?UTF-8?B?!!!?=", "=?ISO-2022-JP?B?GyQo?=", "=??B?abc?=", "=?UTF-8?X?abc?=",
                            "=?ISO-2022-JP?Q?=1B$(Q!!?=", "=?UTF-8?B?AA==?= tail", "=?=?=?"}) {
        std::string out = d.decodeWords(bad);
        EXPECT_TRUE(g_utf8_validate(out.c_str(), static_cast<gssize>(out.size()), nullptr)) << bad;
    }
}

TEST(HeaderDecoder, rawBytesAreUtf8ElseCp932) {
    HeaderDecoder d;
    EXPECT_EQ(d.lineText("Subject: 件名"), "Subject: 件名");
    EXPECT_EQ(d.lineText("Subject: " + inCharset("件名ｱ", "CP932")), "Subject: 件名ｱ");
    EXPECT_EQ(d.lineText(std::string("a\0b", 3)), "a?b");
    std::string out = d.lineText("\xff\xfe x \x81");
    EXPECT_TRUE(g_utf8_validate(out.c_str(), static_cast<gssize>(out.size()), nullptr));
    EXPECT_NE(out.find(" x "), std::string::npos);
}

// Decodes header text under `locale` (environment and setlocale) and ends the
// process: status 0 when every result is the expected text. It runs in a
// fresh process because the library reads the locale once, on first use.
[[noreturn]] void decodeUnder(const char* locale) {
    ::setenv("LC_ALL", locale, 1);
    std::setlocale(LC_ALL, locale);
    HeaderDecoder d;
    const std::string cp932 = inCharset("日本", "CP932");
    const std::pair<std::string, std::string> words[] = {
        {"=?x-unknown?B?" + test::base64("日本") + "?=", "日本"},
        {"=?X-UNKNOWN?B?" + test::base64(cp932) + "?=", "日本"},
        // A character split over two words of the label.
        {"=?x-unknown?B?" + test::base64("\xe6\x97") + "?= =?x-unknown?Q?=A5?= x", "日 x"},
        {"=?x-no-such-charset?B?" + test::base64(cp932) + "?=", "日本"},
        {qWord("café", "ISO-8859-1"), "café"},
    };
    const std::pair<std::string, std::string> lines[] = {
        {"Subject: " + cp932, "Subject: 日本"},
        {"Subject: \xff\xfe x", "Subject: ?? x"},
    };
    int wrong = 0;
    for (const auto& [text, expected] : words) {
        const std::string got = d.decodeWords(text);
        if (got != expected) {
            std::fprintf(stderr, "decodeWords(%s) gave %s\n", text.c_str(), got.c_str());
            ++wrong;
        }
    }
    for (const auto& [bytes, expected] : lines) {
        const std::string got = d.lineText(bytes);
        if (got != expected) {
            std::fprintf(stderr, "lineText gave %s for %s\n", got.c_str(), expected.c_str());
            ++wrong;
        }
    }
    std::fflush(stderr);
    std::_Exit(wrong == 0 ? 0 : 1);  // no leak check of the library's one-time tables
}

// A fresh machine or a cron job runs with the C locale, a desktop session with
// a UTF-8 one: the same mail decodes to the same text under both.
TEST(HeaderDecoderLocale, sameTextUnderTheCAndAUtf8Locale) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, not a fork of this one
    for (const char* locale : {"C", "C.UTF-8"}) {
        EXPECT_EXIT(decodeUnder(locale), ::testing::ExitedWithCode(0), "") << locale;
    }
}

}  // namespace
}  // namespace quorvel::mailimport
