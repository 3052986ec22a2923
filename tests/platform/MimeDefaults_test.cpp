#include "platform/xdg/MimeDefaults.h"

#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"

namespace xdg = quorvel::platform::xdg;
using quorvel::test::IsolatedXdg;
using quorvel::test::writeFile;

namespace {
void desktopFile(const std::string& dir, const std::string& id, const std::string& exec, bool hidden = false) {
    writeFile(dir + "/applications/" + id, "[Desktop Entry]\nType=Application\nName=" + id + "\nExec=" + exec +
                                               (hidden ? "\nHidden=true" : "") +
                                               "\n[Desktop Action new]\nExec=other\n");
}
}  // namespace

TEST(MimeDefaults, execLinesBecomeQuotedCommandLines) {
    EXPECT_EQ(xdg::execToCommandLine("thunderbird %u"), "\"thunderbird\" \"%1\"");
    EXPECT_EQ(xdg::execToCommandLine("/usr/bin/claws-mail --open %f"), "\"/usr/bin/claws-mail\" --open \"%1\"");
    // Quoted arguments keep their spaces; field codes that name no file go.
    EXPECT_EQ(xdg::execToCommandLine("\"/opt/My Mail/mail\" %i --title \"a b\" %U %f"),
              "\"/opt/My Mail/mail\" --title \"a b\" \"%1\"");
    EXPECT_EQ(xdg::execToCommandLine("sh -c \"echo \\\"x\\\" 100%%\" %u"), "\"sh\" -c \"echo \"x\" 100%\" \"%1\"");
    // A sandbox launcher's forwarding brackets are dropped.
    EXPECT_EQ(xdg::execToCommandLine("/usr/bin/flatpak run --command=mailer org.example.Mail @@u %u @@"),
              "\"/usr/bin/flatpak\" run --command=mailer org.example.Mail \"%1\"");
    EXPECT_EQ(xdg::execToCommandLine("mailer"), "\"mailer\"");
    EXPECT_EQ(xdg::execToCommandLine("   "), "");
}

TEST(MimeDefaults, defaultApplicationFollowsPrecedence) {
    IsolatedXdg env;
    const std::string mime = "message/rfc822";
    EXPECT_FALSE(xdg::defaultApplication(mime).has_value());

    // Only the system cache knows a program.
    desktopFile(env.dataDir(), "cached.desktop", "cached %u");
    writeFile(env.dataDir() + "/applications/mimeinfo.cache", "[MIME Cache]\nmessage/rfc822=cached.desktop;\n");
    EXPECT_EQ(xdg::defaultApplication(mime), "cached.desktop");

    // An added association in the user's data folder comes before the cache.
    desktopFile(env.dataHome(), "added.desktop", "added %u");
    writeFile(env.dataHome() + "/applications/mimeapps.list", "[Added Associations]\nmessage/rfc822=added.desktop;\n");
    EXPECT_EQ(xdg::defaultApplication(mime), "added.desktop");

    // A default that is not installed is passed over; an installed one wins.
    desktopFile(env.dataDir(), "vendor/mailer.desktop", "mailer --compose %u");
    writeFile(env.configHome() + "/mimeapps.list",
              "[Default Applications]\nmessage/rfc822=missing.desktop;vendor-mailer.desktop;\n");
    EXPECT_EQ(xdg::defaultApplication(mime), "vendor-mailer.desktop");
    auto file = xdg::findDesktopFile("vendor-mailer.desktop");
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(xdg::desktopEntryValue(*file, "Exec"), "mailer --compose %u");

    // A hidden entry in the user's folder hides the system's one.
    desktopFile(env.dataHome(), "vendor-mailer.desktop", "x", true);
    EXPECT_FALSE(xdg::findDesktopFile("vendor-mailer.desktop").has_value());
    EXPECT_EQ(xdg::defaultApplication(mime), "added.desktop");

    // Removed associations take an added one out.
    writeFile(
        env.dataHome() + "/applications/mimeapps.list",
        "[Added Associations]\nmessage/rfc822=added.desktop;\n[Removed Associations]\nmessage/rfc822=added.desktop;\n");
    EXPECT_EQ(xdg::defaultApplication(mime), "cached.desktop");
    EXPECT_FALSE(xdg::findDesktopFile("../escape.desktop").has_value());
}
