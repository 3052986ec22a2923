// The statement a query becomes: the user's text only ever as bound values.
#include "search/SearchStatement.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "search/QueryParser.h"

using namespace quorvel::search;

TEST(SearchStatement, wordsBecomeQuotedFts5StringsWithAPrefixForALoneCharacter) {
    EXPECT_EQ(matchExpression({Field::Subject, "予", false}), "subject : \"予\" *");
    EXPECT_EQ(matchExpression({Field::Any, "予算", false}), "\"予算\"");
    EXPECT_EQ(matchExpression({Field::To, "abc予", false}), "recipients : \"abc予\" *");
    EXPECT_EQ(matchExpression({Field::Attachment, "say \"hi\"", true}), "attachments : \"say \"\"hi\"\"\"");
    EXPECT_EQ(matchExpression({Field::Body, std::string("a\0b", 3), false}), "body : \"a b\"");
    EXPECT_EQ(matchExpression({Field::From, "!!!", false}), "");
}

TEST(SearchStatement, noTextOfTheQueryIsPartOfTheStatement) {
    const ParsedQuery parsed =
        parseQuery("zzword \"zz phrase\" -zznot from:zzfrom in:zzfolder after:2024-01-02 OR has:attachment");
    ASSERT_TRUE(parsed.query);
    std::vector<std::string> looked;
    const SearchStatement st = buildSearchStatement(*parsed.query, int64_t{7}, [&](const std::string& name) {
        looked.push_back(name);
        return std::vector<int64_t>{11, 12};
    });
    EXPECT_EQ(st.sql.find("zz"), std::string::npos) << st.sql;
    EXPECT_EQ(st.sql.find("2024"), std::string::npos) << st.sql;
    EXPECT_EQ(looked, std::vector<std::string>{"zzfolder"});
    // The words make one FTS5 expression, itself a bound value.
    const BoundValue match(
        std::string("((\"zzword\") AND (\"zz phrase\") AND (sender : \"zzfrom\")) NOT "
                    "((\"zznot\"))"));
    EXPECT_EQ(std::count(st.values.begin(), st.values.end(), match), 1);
    // The folders of in: and of the caller, and the date, are values too.
    int numbers = 0;
    bool date = false;
    for (const BoundValue& v : st.values) {
        numbers += std::holds_alternative<int64_t>(v);
        date = date || v == BoundValue(std::string("2024/01/02"));
    }
    EXPECT_EQ(numbers, 3);
    EXPECT_TRUE(date);
}
