#include "maillist/preview/BodyCharset.h"

#include <gtest/gtest.h>

using quorvel::preview::decodeBodyText;

namespace {

const std::string kIso2022jp =
    "\x1B\x24\x42\x46\x7C\x4B\x5C\x38\x6C\x24\x4E\x25\x46\x25\x2D\x25\x39\x25\x48\x1B\x28\x42";
const std::string kShiftJisWithCircledOne = "\x93\xFA\x96\x7B\x8C\xEA\x87\x40";  // 日本語①
const std::string kEucJp = "\xC6\xFC\xCB\xDC\xB8\xEC";                           // 日本語

}  // namespace

TEST(BodyCharset, decodesTheJapaneseCharsetsUnderTheirLabels) {
    EXPECT_EQ(decodeBodyText(kIso2022jp + "\r\nabc", "ISO-2022-JP"), "日本語のテキスト\r\nabc");
    EXPECT_EQ(decodeBodyText(kShiftJisWithCircledOne, "Shift_JIS"), "日本語①");
    EXPECT_EQ(decodeBodyText(kShiftJisWithCircledOne, "x-sjis"), "日本語①");
    EXPECT_EQ(decodeBodyText(kEucJp, "euc-jp"), "日本語");
    EXPECT_EQ(decodeBodyText("caf\xE9", "ISO-8859-1"), "café");
    EXPECT_EQ(decodeBodyText("日本語", " UTF-8 "), "日本語");
}

TEST(BodyCharset, readsIso2022jpWithWindowsRowsAndKana) {
    // ① from the NEC row, and half-width katakana ｱ by ESC ( I and by SO/SI.
    EXPECT_EQ(decodeBodyText("\x1B$B\x2D\x21\x1B(B", "iso-2022-jp"), "①");
    EXPECT_EQ(decodeBodyText("\x1B(I\x31\x1B(Bx", "iso-2022-jp"), "ｱx");
    EXPECT_EQ(decodeBodyText("\x0E\x31\x0Fx", "iso-2022-jp"), "ｱx");
}

TEST(BodyCharset, fallsBackToUtf8ThenCp932WhenTheCharsetIsMissingOrUnknown) {
    EXPECT_EQ(decodeBodyText("日本語", ""), "日本語");
    EXPECT_EQ(decodeBodyText(kShiftJisWithCircledOne, ""), "日本語①");
    EXPECT_EQ(decodeBodyText(kShiftJisWithCircledOne, "x-no-such-charset"), "日本語①");
    EXPECT_EQ(decodeBodyText("日本語", "x-no-such-charset"), "日本語");
    // 8-bit text mislabelled as ASCII is common.
    EXPECT_EQ(decodeBodyText(kShiftJisWithCircledOne, "us-ascii"), "日本語①");
}

TEST(BodyCharset, dropsACharacterCutOffAtTheEndAndReplacesBadBytes) {
    const std::string cutUtf8 = std::string("日本語").substr(0, 8);  // two characters and a half
    EXPECT_EQ(decodeBodyText(cutUtf8, "UTF-8"), "日本");
    EXPECT_EQ(decodeBodyText(cutUtf8, ""), "日本");
    EXPECT_EQ(decodeBodyText(kIso2022jp.substr(0, 6), "ISO-2022-JP"), "日");
    EXPECT_EQ(decodeBodyText(kShiftJisWithCircledOne.substr(0, 7), "Shift_JIS"), "日本語");
    EXPECT_EQ(decodeBodyText("a\xFF"
                             "b",
                             "UTF-8"),
              "a\xEF\xBF\xBD"
              "b");
}
