#include "import/HeaderValueRules.h"

#include <gtest/gtest.h>

namespace quorvel::mailimport {
namespace {

TEST(HeaderValueRules, body2DateFormsAndRefusals) {
    const std::pair<std::string, std::string> cases[] = {
        {"Tue, 01 Jan 2002 10:15:30 +0900", "2002/01/01 10:15"},
        {"from a by b; Tue, 01 Jan 2002 10:15:30 +0900 (JST)", "2002/01/01 10:15"},
        {"1 Jan 2002 10:00:00", "2002/01/01 10:00"},
        {"2002/01/01 10:00", "2002/01/01 10:00"},
        {"Tue 1 jan 2002 9:05", "2002/01/01 09:05"},
        // A negative zone reaches the recognition and is not converted.
        {"Tue, 01 Jan 2002 23:15:30 -0500", "2002/01/01 23:15"},
        {"Tue, 01 Jan 2002 10:15:30 -0500 (EST)", "2002/01/01 10:15"},
        {"Mon, 31 Dec 2001 23:59:59 GMT", "2001/12/31 23:59"},
        {"by x with id 7\tfor <a@b>; 29 Feb 2004 00:00 +0000", "2004/02/29 00:00"},
        {"1 January 02 10:00", "2002/01/01 10:00"},
        {"1 Jan 99 10:00", "1999/01/01 10:00"},
        {"2002-1-2", "2002/01/02 00:00"},
        {"1-Jan-2002 10:00", "2002/01/01 10:00"},
        {"Sat, 29 Feb 2003 10:00 +0900", ""},
        {"Tue, 01 Jan 2002 24:00:00 +0900", ""},
        {"Tue, 01 Jan 2002 10:60 +0900", ""},
        {"Tue, 01 Jan 2002 10:15 PDT junk", ""},
        {"10:00", ""},
        {"from a by b;", ""},
        {"1 Foo 2002 10:00", ""},
        {"2002/13/01 10:00", ""},
        {"", ""},
    };
    for (const auto& [body, expected] : cases) {
        EXPECT_EQ(f_body2Date(body), expected) << body;
    }
}

TEST(HeaderValueRules, body2forTakesWhatFollowsTheFirstFor) {
    EXPECT_EQ(f_body2for("by mx with SMTP id 1 for <a@example.jp>; Tue, 01 Jan 2002"), "<a@example.jp>");
    EXPECT_EQ(f_body2for("for  <a@b> x"), " <a@b> x");
    // Inside a longer word too: the rest of the line from the fifth letter of "forum".
    EXPECT_EQ(f_body2for("from forum.example.com by mx; Tue, 01 Jan 2002"), "m.example.com by mx");
    EXPECT_EQ(f_body2for("for日本語;x"), "本語");  // the dropped character is a whole character
    EXPECT_EQ(f_body2for("For <a@b>"), "");
    EXPECT_EQ(f_body2for("from a by b"), "");
    EXPECT_EQ(f_body2for("for"), "");
}

TEST(HeaderValueRules, urgentPriorityIsANumberBelowTwo) {
    for (std::string v : {"1", "1 (Highest)", "", "  ", "0", "-3", "1.9", "x", "01"}) {
        EXPECT_TRUE(isUrgentPriority(v)) << v;
    }
    for (std::string v : {"2", "3 (Normal)", " 5", "12", "+2", "99999999999999999999"}) {
        EXPECT_FALSE(isUrgentPriority(v)) << v;
    }
}

}  // namespace
}  // namespace quorvel::mailimport
