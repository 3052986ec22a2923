// quorvel-cli import of mailboxes, run as the built tool: what it prints,
// where, and its exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/mailboximport/ImportFixture.h"
#include "tests/support/ArchiveSql.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailboximport::test {
namespace {

namespace fs = std::filesystem;
using quorvel::test::readFile;
using quorvel::test::writeFile;

struct CliRun {
    int status = -1;
    std::vector<std::string> lines;
    std::string err;
};

class CliImport : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_.file("src"));
        archive_ = dir_.file("a.qvb");
        fs::copy_file(quorvel::test::builtTemplatePath(), archive_);
    }

    // The tool with its output in files.
    CliRun run(std::vector<std::string> args) {
        std::string command = QUORVEL_CLI;
        for (const std::string& a : args) {
            command += " '" + a + "'";
        }
        command += " >" + dir_.file("out") + " 2>" + dir_.file("err");
        const int raw = std::system(command.c_str());
        CliRun r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::istringstream out(readFile(dir_.file("out")));
        for (std::string line; std::getline(out, line);) {
            r.lines.push_back(line);
        }
        r.err = readFile(dir_.file("err"));
        return r;
    }

    // The tool with its standard error (and only that) on a terminal: what
    // the terminal showed.
    std::string runOnTerminal(const std::vector<std::string>& args) {
        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid == 0) {
            const int out = ::open(dir_.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            std::vector<char*> argv{const_cast<char*>(QUORVEL_CLI)};
            for (const std::string& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        std::string shown;
        char buf[4096];
        for (ssize_t n; (n = ::read(terminal, buf, sizeof buf)) > 0;) {
            shown.append(buf, static_cast<size_t>(n));
        }
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        ::close(terminal);
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << shown;
        return shown;
    }

    std::string src(const std::string& name) const { return dir_.file("src/" + name); }

    quorvel::test::IsolatedXdg env_;
    quorvel::test::TempDir dir_;
    std::string archive_;
};

TEST_F(CliImport, printsTheCountsAndWhatIsNoMailWithTheirStatus) {
    writeFile(src("Mail/Inbox"), mboxOf({mail("a"), "no header\n", mail("b")}));
    writeFile(src("Mail/Inbox.sbd/Sub"), mboxOf({mail("c")}));
    writeFile(src("d.eml"), mail("d"));

    CliRun r = run({"import", archive_, src("Mail"), src("d.eml")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.lines, (std::vector<std::string>{"4件のメールを登録", "3件のフォルダを作成",
                                                 "not a mail: " + src("Mail/Inbox#2")}));
    EXPECT_EQ(r.err, "");  // no progress on a file

    r = run({"import", archive_, "--skip-duplicates", src("Mail"), src("d.eml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.lines, (std::vector<std::string>{"0件のメールを登録", "4件の重複するメールを省略",
                                                 "not a mail: " + src("Mail/Inbox#2")}));

    writeFile(src("Mail/Inbox"), mboxOf({mail("a"), mail("e")}));
    r = run({"import", "--skip-duplicates", archive_, "--folder", "1", src("Mail")});
    EXPECT_EQ(r.status, 0);  // duplicates left out are no failure
    EXPECT_EQ(r.lines, (std::vector<std::string>{"1件のメールを登録", "2件の重複するメールを省略"}));
    EXPECT_EQ(quorvel::test::sqlRows(archive_, "SELECT count(*) FROM MailInfTabl"), std::vector<std::string>{"5"});
}

TEST_F(CliImport, errorsAreOneLineAndStatusTwo) {
    writeFile(src("box"), mboxOf({mail("a")}));
    CliRun r = run({"import", archive_, "--folder", "9", src("box")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "quorvel-cli: " + archive_ + ": no folder 9\n");
    EXPECT_TRUE(r.lines.empty());

    writeFile(dir_.file("text.qvb"), "no database\n");
    r = run({"import", dir_.file("text.qvb"), src("box")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "quorvel-cli: " + dir_.file("text.qvb") + ": cannot open the archive (file is not a database)\n");
    EXPECT_TRUE(r.lines.empty());

    EXPECT_EQ(run({"import", archive_}).status, 1);  // usage: no PATH
    EXPECT_EQ(quorvel::test::sqlRows(archive_, "SELECT count(*) FROM MailInfTabl"), std::vector<std::string>{"0"});
}

TEST_F(CliImport, aTerminalSeesAProgressLineThatItsEndWipes) {
    std::vector<std::string> mails;
    for (int i = 0; i < 50; ++i) {
        mails.push_back(mail("m" + std::to_string(i)));
    }
    writeFile(src("Inbox"), mboxOf(mails));
    const std::string shown = runOnTerminal({"import", archive_, src("Inbox")});
    EXPECT_EQ(shown.rfind("\rimporting into ", 0), 0u) << shown;
    EXPECT_NE(shown.find("mails stored"), std::string::npos) << shown;
    const std::string wipe = "\r\x1b[K";
    ASSERT_GE(shown.size(), wipe.size());
    EXPECT_EQ(shown.substr(shown.size() - wipe.size()), wipe);
    EXPECT_EQ(shown.find('\n'), std::string::npos);  // written over itself
    EXPECT_EQ(readFile(dir_.file("out")), "50件のメールを登録\n1件のフォルダを作成\n");
}

}  // namespace
}  // namespace quorvel::mailboximport::test
