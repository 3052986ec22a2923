#include "app/RegIO.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/settings/SettingsFile.h"
#include "tests/support/TestEnv.h"

using namespace quorvel;
using quorvel::test::IsolatedXdg;
using quorvel::test::writeFile;

TEST(RegIO, readEdgesDefaultsLimitAndUnset) {
    IsolatedXdg env;
    EXPECT_EQ(settingsFilePath(""), env.configHome() + "/Halvane/5172093846152077.conf");
    EXPECT_EQ(settingsFilePath("a\\b"), env.configHome() + "/Halvane/5172093846152077/a/b.conf");

    // Nothing stored yet: every read gives its default, and reading creates nothing.
    EXPECT_EQ(f_regGetVal("", "hedW1", "0"), "0");
    EXPECT_EQ(f_regGetVal("", "sysPath", "/prog/sys"), "/prog/sys");
    EXPECT_FALSE(std::filesystem::exists(settingsFilePath("")));

    ASSERT_TRUE(f_regSetVal("", "useLockF", "unset"));
    EXPECT_EQ(f_regGetVal("", "useLockF", "1"), "1");

    // 126 bytes read back; 127 count as missing.
    const std::string longest(126, 'x');
    ASSERT_TRUE(f_regSetVal("", "sysPath", longest));
    EXPECT_EQ(f_regGetVal("", "sysPath", "default"), longest);
    ASSERT_TRUE(f_regSetVal("", "sysPath", longest + "y"));
    EXPECT_EQ(f_regGetVal("", "sysPath", "/prog/sys"), "/prog/sys");
    // The limit counts bytes: 42 three-byte characters fit, 43 do not.
    std::string wide;
    for (int i = 0; i < 42; ++i) {
        wide += "あ";
    }
    ASSERT_TRUE(f_regSetVal("", "tmpPath", wide));
    EXPECT_EQ(f_regGetVal("", "tmpPath", "d"), wide);
    ASSERT_TRUE(f_regSetVal("", "tmpPath", wide + "あ"));
    EXPECT_EQ(f_regGetVal("", "tmpPath", "d"), "d");

    // A sub-key keeps its values apart.
    ASSERT_TRUE(f_regSetVal("sub", "sysPath", "other"));
    EXPECT_EQ(f_regGetVal("sub", "sysPath", ""), "other");
    EXPECT_EQ(f_regGetVal("", "sysPath", "/prog/sys"), "/prog/sys");
}

TEST(RegIO, numbersAreWrittenAsTheirShortestText) {
    IsolatedXdg env;
    ASSERT_TRUE(f_regSetVal("", "MainLeft", 1000));
    ASSERT_TRUE(f_regSetVal("", "hedW2", 1234.5));
    ASSERT_TRUE(f_regSetVal("", "hedW3", 400.0));
    ASSERT_TRUE(f_regSetVal("", "runACnt", -1LL));
    EXPECT_EQ(f_regGetVal("", "MainLeft", ""), "1000");
    EXPECT_EQ(f_regGetVal("", "hedW2", ""), "1234.5");
    EXPECT_EQ(plainNumber(f_regGetVal("", "hedW2", "")), 1234.5);
    EXPECT_EQ(f_regGetVal("", "hedW3", ""), "400");
    EXPECT_EQ(f_regGetVal("", "runACnt", ""), "-1");
}

TEST(RegIO, lenientAndPlainNumbers) {
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("12abc"), 12);
    EXPECT_EQ(leadingNumber("  7"), 7);
    EXPECT_EQ(leadingNumber("-3"), -3);
    EXPECT_EQ(leadingNumber("2.9"), 2);
    EXPECT_EQ(plainNumber("1000"), 1000.0);
    EXPECT_EQ(plainNumber("-12.25"), -12.25);
    EXPECT_FALSE(plainNumber("12abc").has_value());
    EXPECT_FALSE(plainNumber("").has_value());
    EXPECT_FALSE(plainNumber("1e3").has_value());
    EXPECT_EQ(numberText(1234.5), "1234.5");
    EXPECT_EQ(numberText(9000), "9000");
}

TEST(RegIO, classValuesComeFromTheDefaultMailProgram) {
    IsolatedXdg env;
    EXPECT_EQ(f_regGetClassVal(".eml", "", "none"), "none");

    writeFile(env.dataDir() + "/applications/mailer.desktop",
              "[Desktop Entry]\nType=Application\nExec=\"/opt/Mail Tool/mailer\" --open %u\n");
    writeFile(env.configHome() + "/mimeapps.list", "[Default Applications]\nmessage/rfc822=mailer.desktop\n");
    EXPECT_EQ(f_regGetClassVal(".eml", "", ""), "mailer.desktop");
    EXPECT_EQ(f_regGetClassVal("mailer.desktop\\shell\\open\\command", "", ""),
              "\"/opt/Mail Tool/mailer\" --open \"%1\"");
    // Named values and other keys are not registered here.
    EXPECT_EQ(f_regGetClassVal(".eml", "Content Type", "d"), "d");
    EXPECT_EQ(f_regGetClassVal(".txt", "", "d"), "d");
    EXPECT_EQ(f_regGetClassVal("nothing.desktop\\shell\\open\\command", "", "d"), "d");

    // A command past 126 bytes counts as missing.
    writeFile(env.dataDir() + "/applications/mailer.desktop",
              "[Desktop Entry]\nExec=/" + std::string(130, 'p') + " %u\n");
    EXPECT_EQ(f_regGetClassVal("mailer.desktop\\shell\\open\\command", "", "d"), "d");
}
