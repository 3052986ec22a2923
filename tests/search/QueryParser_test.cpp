// The query language: what a text means, and the one message for each kind
// of text that is no query.
#include "search/QueryParser.h"

#include <gtest/gtest.h>

#include "search/SearchTexts.h"

using namespace quorvel::search;

namespace {

// A query written back in a fixed form: groups joined by " & ", terms of a
// group by " | "; a text term as field=text (with "..." for a phrase).
std::string shape(const std::string& text) {
    const ParsedQuery parsed = parseQuery(text);
    if (!parsed.query) {
        return "refused: " + parsed.message;
    }
    static const char* const kFields[] = {"any", "subject", "from", "to", "body", "attachment"};
    std::string out;
    for (const auto& group : parsed.query->groups) {
        out += out.empty() ? "" : " & ";
        std::string terms;
        for (const QueryTerm& term : group) {
            terms += terms.empty() ? "" : " | ";
            terms += term.negated ? "-" : "";
            if (const auto* t = std::get_if<TextTerm>(&term.what)) {
                terms += std::string(kFields[static_cast<int>(t->field)]) + "=" +
                         (t->phrase ? "\"" + t->text + "\"" : t->text);
            } else if (std::get_if<HasAttachment>(&term.what)) {
                terms += "has-attachment";
            } else if (const auto* d = std::get_if<DateBound>(&term.what)) {
                terms += (d->after ? "after " : "before ") + std::to_string(d->year) + "-" + std::to_string(d->month) +
                         "-" + std::to_string(d->day);
            } else if (const auto* f = std::get_if<FolderName>(&term.what)) {
                terms += "in " + f->name;
            }
        }
        out += terms;
    }
    return parsed.query->inCurrentFolder ? out + " (in current)" : out;
}

QueryProblem problemOf(const std::string& text) {
    return parseQuery(text).problem;
}

}  // namespace

TEST(QueryParser, wordsPhrasesNegationAndOr) {
    EXPECT_EQ(shape("予算 会議"), "any=予算 & any=会議");
    EXPECT_EQ(shape("\"来年度 予算\" 案"), "any=\"来年度 予算\" & any=案");
    EXPECT_EQ(shape("予算 -会議 -\"社外 秘\""), "any=予算 & -any=会議 & -any=\"社外 秘\"");
    EXPECT_EQ(shape("a b OR c d"), "any=a & any=b | any=c & any=d");
    EXPECT_EQ(shape("a OR b OR -c"), "any=a | any=b | -any=c");
    // Lower-case or is a word; a quote inside a word starts a phrase.
    EXPECT_EQ(shape("a or b"), "any=a & any=or & any=b");
    EXPECT_EQ(shape("ab\"c d\""), "any=ab & any=\"c d\"");
    EXPECT_EQ(shape("-OR"), "-any=OR");
}

TEST(QueryParser, fieldsAndFilters) {
    EXPECT_EQ(shape("from:山田 to:keiri subject:\"予算 案\" body:見積 attachment:pdf"),
              "from=山田 & to=keiri & subject=\"予算 案\" & body=見積 & attachment=pdf");
    EXPECT_EQ(shape("has:attachment -has:Attachment"), "has-attachment & -has-attachment");
    EXPECT_EQ(shape("after:2024-02-29 before:2024/3/1"), "after 2024-2-29 & before 2024-3-1");
    EXPECT_EQ(shape("in:仕事 -in:\"古い 物\""), "in 仕事 & -in 古い 物");
    EXPECT_EQ(shape("FROM:a Subject:b"), "from=a & subject=b");
    // A bare in: is the folder the user is in, whatever stands around it.
    EXPECT_EQ(shape("予算 in: 会議"), "any=予算 & any=会議 (in current)");
    EXPECT_EQ(shape("in:"), "refused: " + std::string(texts::kQueryNothingToFind));
    EXPECT_EQ(problemOf("-in:"), QueryProblem::MissingValue);
    // Unknown names are words: mail text is full of colons.
    EXPECT_EQ(shape("re:予算 10:30 foo:bar"), "any=re:予算 & any=10:30 & any=foo:bar");
}

TEST(QueryParser, fullWidthFormsActAsTheirAsciiForms) {
    EXPECT_EQ(shape("ｆｒｏｍ：山田　－会議"), "from=山田 & -any=会議");
    EXPECT_EQ(shape("＂予算 案＂ ＯＲ “見積 書”"), "any=\"予算 案\" | any=\"見積 書\"");
    EXPECT_EQ(shape("after：２０２４－０４－０１"), "after 2024-4-1");
}

TEST(QueryParser, wordsWithNothingToFindAreLeftOut) {
    EXPECT_EQ(shape("予算 !!! ・"), "any=予算");
    EXPECT_EQ(shape("!!! OR 予算"), "any=予算");
    EXPECT_EQ(parseQuery("!!! \"・・\"").problem, QueryProblem::NothingToFind);
}

TEST(QueryParser, eachMalformedQueryGetsItsMessage) {
    struct Case {
        const char* text;
        QueryProblem problem;
        const char* message;
    };
    const Case cases[] = {
        {"", QueryProblem::Empty, texts::kQueryEmpty},
        {"　 ", QueryProblem::Empty, texts::kQueryEmpty},
        {"予算 \"会議", QueryProblem::UnclosedQuote, texts::kQueryUnclosedQuote},
        {"subject:\"予算", QueryProblem::UnclosedQuote, texts::kQueryUnclosedQuote},
        {"予算 -", QueryProblem::LoneMinus, texts::kQueryLoneMinus},
        {"- 予算", QueryProblem::LoneMinus, texts::kQueryLoneMinus},
        {"OR 予算", QueryProblem::MisplacedOr, texts::kQueryMisplacedOr},
        {"予算 OR", QueryProblem::MisplacedOr, texts::kQueryMisplacedOr},
        {"a OR OR b", QueryProblem::MisplacedOr, texts::kQueryMisplacedOr},
        {"from: 山田", QueryProblem::MissingValue, texts::kQueryMissingValue},
        {"after:2024-02-30", QueryProblem::BadDate, texts::kQueryBadDate},
        {"before:24-01-01", QueryProblem::BadDate, texts::kQueryBadDate},
        {"after:2024-01-01x", QueryProblem::BadDate, texts::kQueryBadDate},
        {"after:2024-01/01", QueryProblem::BadDate, texts::kQueryBadDate},
        {"has:pdf", QueryProblem::UnknownHas, texts::kQueryUnknownHas},
        {"!!!", QueryProblem::NothingToFind, texts::kQueryNothingToFind},
    };
    for (const Case& c : cases) {
        const ParsedQuery parsed = parseQuery(c.text);
        EXPECT_FALSE(parsed.query) << c.text;
        EXPECT_EQ(parsed.problem, c.problem) << c.text;
        EXPECT_EQ(parsed.message, c.message) << c.text;
    }
    EXPECT_EQ(parseQuery("after:2024-02-30").fragment, "after:2024-02-30");
}

TEST(QueryParser, aQueryTooLongForASearchIsRefused) {
    std::string many;
    for (size_t i = 0; i <= kMaxQueryTerms; ++i) {
        many += "w" + std::to_string(i) + " ";
    }
    EXPECT_EQ(problemOf(many), QueryProblem::TooLong);
    EXPECT_EQ(problemOf(std::string(kMaxQueryBytes + 1, 'a')), QueryProblem::TooLong);
    EXPECT_EQ(problemOf(std::string(kMaxQueryBytes, 'a')), QueryProblem::None);
}

TEST(QueryParser, anyBytesGiveAQueryOrAMessage) {
    for (const std::string& text : {std::string("\xFF\xFE\"", 3), std::string("a\0b", 3), std::string("\"\0\"", 3)}) {
        const ParsedQuery parsed = parseQuery(text);
        EXPECT_TRUE(parsed.query || !parsed.message.empty());
    }
    EXPECT_EQ(shape(std::string("a\0b", 3)), "any=a & any=b");
}
