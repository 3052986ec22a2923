// The index's terms: what text becomes, and where each term came from.
#include "search/Segmenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvel::search;

namespace {

// Terms as "text" with "+" before a colocated one.
std::vector<std::string> termTexts(const std::string& text, SegmentMode mode = SegmentMode::Document) {
    Segmenter segmenter;
    std::vector<std::string> out;
    for (const OwnedTerm& t : segmenter.terms(text, mode)) {
        out.push_back((t.colocated ? "+" : "") + t.text);
    }
    return out;
}

// Each term with the source text its offsets point at.
std::vector<std::string> sources(const std::string& text) {
    Segmenter segmenter;
    std::vector<std::string> out;
    for (const OwnedTerm& t : segmenter.terms(text, SegmentMode::Document)) {
        out.push_back(t.text + "=" + text.substr(t.start, t.end - t.start));
    }
    return out;
}

using Texts = std::vector<std::string>;

}  // namespace

TEST(Segmenter, aJapaneseRunGivesItsPiecesAndItsLastCharacterAtTheLastPiecesPlace) {
    EXPECT_EQ(termTexts("予算案"), (Texts{"予算", "算案", "+案"}));
    EXPECT_EQ(termTexts("予"), (Texts{"予"}));
    EXPECT_EQ(termTexts("来年の予算"), (Texts{"来年", "年の", "の予", "予算", "+算"}));
    // Katakana with the prolonged sound mark, Hangul.
    EXPECT_EQ(termTexts("サーバー"), (Texts{"サー", "ーバ", "バー", "+ー"}));
    EXPECT_EQ(termTexts("한국어"), (Texts{"한국", "국어", "+어"}));
}

TEST(Segmenter, aQueryGivesPiecesOnlyAndAOneCharacterRunAlone) {
    EXPECT_EQ(termTexts("予算案", SegmentMode::Query), (Texts{"予算", "算案"}));
    Segmenter segmenter;
    const std::vector<OwnedTerm> one = segmenter.terms("予", SegmentMode::Query);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_TRUE(one[0].loneCjk);
    EXPECT_FALSE(one[0].colocated);
    const std::vector<OwnedTerm> pieces = segmenter.terms("予算", SegmentMode::Query);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_FALSE(pieces[0].loneCjk);
}

TEST(Segmenter, otherScriptsAreWordsAndPunctuationSeparates) {
    EXPECT_EQ(termTexts("Hello, World! e-mail 2024年"), (Texts{"hello", "world", "e", "mail", "2024", "年"}));
    EXPECT_EQ(termTexts("Привет мир"), (Texts{"привет", "мир"}));
    EXPECT_EQ(termTexts("会議はMeetingで"), (Texts{"会議", "議は", "+は", "meeting", "で"}));
    EXPECT_EQ(termTexts("「予算」・決定。"), (Texts{"予算", "+算", "決定", "+定"}));
}

TEST(Segmenter, foldingMakesFullAndHalfWidthFormsAndCaseMeet) {
    EXPECT_EQ(termTexts("ＡＢＣ１２３"), termTexts("abc123"));
    EXPECT_EQ(termTexts("ｱｲｳ"), termTexts("アイウ"));
    // A half-width voiced sound mark is a character of its own that NFKC puts onto the kana.
    EXPECT_EQ(termTexts("ｶﾞｲﾄﾞ"), termTexts("ガイド"));
    EXPECT_EQ(termTexts("STRASSE Straße"), (Texts{"strasse", "strasse"}));
    EXPECT_EQ(termTexts("㈱予算"), (Texts{"株", "予算", "+算"}));
    EXPECT_EQ(termTexts("Cafe\u0301"), termTexts("Caf\u00E9"));
}

TEST(Segmenter, offsetsPointIntoTheTextAsGivenWhateverFoldingDid) {
    EXPECT_EQ(sources("ｶﾞｲﾄﾞ本"), (Texts{"ガイ=ｶﾞｲ", "イド=ｲﾄﾞ", "ド本=ﾄﾞ本", "本=本"}));
    EXPECT_EQ(sources("ＡＢＣ def"), (Texts{"abc=ＡＢＣ", "def=def"}));
    EXPECT_EQ(sources("Cafe\u0301!"), (Texts{"caf\u00E9=Cafe\u0301"}));
    EXPECT_EQ(sources("x㍻y"), (Texts{"x=x", "平成=㍻", "成=㍻", "y=y"}));
}

TEST(Segmenter, invalidBytesSeparateAndNeverReachATerm) {
    EXPECT_EQ(termTexts("ab\xFF"
                        "cd\xE4\xBA"
                        "予算"),
              (Texts{"ab", "cd", "予算", "+算"}));
    EXPECT_EQ(termTexts(std::string("a\0b", 3)), (Texts{"a", "b"}));
}

TEST(Segmenter, aVeryLongWordIsCutAndAVeryLongRunKeepsEveryPiece) {
    const std::vector<std::string> word = termTexts(std::string(500, 'x') + " y");
    ASSERT_EQ(word.size(), 2u);
    EXPECT_EQ(word[0], std::string(kMaxWordBytes, 'x'));
    // Longer than the part a run is passed on in.
    std::string run;
    for (int i = 0; i < 10000; ++i) {
        run += (i % 2) ? "予" : "算";
    }
    const std::vector<std::string> pieces = termTexts(run);
    ASSERT_EQ(pieces.size(), 10000u);
    EXPECT_EQ(pieces[0], "算予");
    EXPECT_EQ(pieces[9998], "算予");
    EXPECT_EQ(pieces[9999], "+予");
}

TEST(Segmenter, foldTextIsTheSameFoldingForWholeNames) {
    EXPECT_EQ(foldText("ＩＮＢＯＸ ｼｺﾞﾄ"), "inbox シゴト");
    EXPECT_EQ(foldText(std::string("a\xFF", 2)), foldText(std::string("a\xEF\xBF\xBD")));
}
