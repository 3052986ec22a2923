// Drag-out names and the mail program's command line.
#include <gtest/gtest.h>

#include "maillist/DragOut.h"
#include "maillist/MailerLaunch.h"
#include "tests/support/TestEnv.h"

using namespace quorvel;

TEST(DragOut, namesAreUniqueWithinOneDrag) {
    EXPECT_EQ(dragOutNames({"Re", "Re", ""}), (std::vector<std::string>{"Re(1)", "Re", "(1)"}));
    EXPECT_EQ(dragOutNames({"件名"}), std::vector<std::string>{"件名"});
    EXPECT_EQ(dragOutNames({"a", "A", "a", "a"}), (std::vector<std::string>{"a(2)", "A", "a(1)", "a"}));
    EXPECT_EQ(dragOutNames({"", ""}), (std::vector<std::string>{"(2)", "(1)"}));
    EXPECT_EQ(f_slash2anderB("a/b\\c:d"), "a_b\\c:d");

    EXPECT_EQ(dragOutFileName("Re: 1/2"), "Re: 1_2.eml");
    EXPECT_EQ(dragOutFileName(std::string("a\0b", 3)), "ab.eml");
    EXPECT_EQ(dragOutFileName(".."), "_...eml");
    // Too long for a file name: shortened at a character boundary, the
    // "(n)" suffix and the extension kept.
    std::string longSubject;
    for (int i = 0; i < 120; ++i) {
        longSubject += "件";  // three bytes each
    }
    const std::string name = dragOutFileName(longSubject + "(3)");
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(name.substr(name.size() - 7), "(3).eml");
    EXPECT_EQ((name.size() - 7) % 3, 0u);  // whole characters only
    EXPECT_EQ(name.substr(0, 3), "件");
}

TEST(MailerLaunch, thePathTravelsAsOneArgument) {
    EXPECT_EQ(mailerArguments("/usr/bin/mailer --open ", "/w/tmp1/7.eml"),
              (std::vector<std::string>{"/usr/bin/mailer", "--open", "/w/tmp1/7.eml"}));
    EXPECT_EQ(mailerArguments("mailer ", "/a b/c.eml"), (std::vector<std::string>{"mailer", "/a b/c.eml"}));
    EXPECT_TRUE(mailerArguments("   ", "/x.eml").empty());
    // The path is appended as text: a prefix written without a space keeps it.
    EXPECT_EQ(mailerArguments("prog /eml:", "/w/7 x.eml"), (std::vector<std::string>{"prog", "/eml:/w/7 x.eml"}));
    EXPECT_EQ(mailerArguments("mailer", "/w/7.eml"), (std::vector<std::string>{"mailer", "/w/7.eml"}));

    // A program whose path holds a space is found by the file it names.
    test::TempDir dir;
    test::writeFile(dir.file("My Mail/mailer"), "#!/bin/sh\n");
    EXPECT_EQ(mailerArguments(dir.file("My Mail/mailer") + " /eml: ", "/w/7.eml"),
              (std::vector<std::string>{dir.file("My Mail/mailer"), "/eml:", "/w/7.eml"}));
}
