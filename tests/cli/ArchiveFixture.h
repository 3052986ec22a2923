#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/CliRun.h"
#include "tests/support/ArchiveSql.h"
#include "tests/support/TestEnv.h"

extern char** environ;

// What the archive command tests share: mails, archives in a folder of their
// own (the tool's output files stay outside it), changes made behind the
// tool's back, and runs of the tool in the background.
namespace quorvel::test {

inline std::string mailText(const std::string& subject, const std::string& body = "body\n") {
    return "From: a@example.com\nTo: b@example.com\nSubject: " + subject + "\nDate: 1 Jan 2002 10:00:00\n\n" + body;
}

// Runs statements on an archive behind the tool's back.
inline void sqlOn(const std::string& archive, const std::string& sql) {
    sqlRows(archive, sql);
}

// A file's bytes and modification time: equal states mean nothing wrote it.
struct FileState {
    bool exists = false;
    std::string bytes;
    int64_t mtimeNs = 0;

    static FileState of(const std::string& path) {
        FileState s;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) {
            s.exists = true;
            s.bytes = readFile(path);
            s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
        }
        return s;
    }
    bool operator==(const FileState& o) const { return exists == o.exists && bytes == o.bytes && mtimeNs == o.mtimeNs; }
};

// The tool run in the background, its output in files named after `name`.
class CliProcess {
public:
    CliProcess(const TempDir& dir, const std::string& name, const std::vector<std::string>& args)
        : out_(dir.file(name + ".out")), err_(dir.file(name + ".err")) {
        std::vector<std::string> all{QUORVEL_CLI};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CliProcess() {
        if (pid_ > 0 && status_ < -1) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Whether it ended within `ms` milliseconds.
    bool endsWithin(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (ended()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return ended();
    }
    int wait() {
        int raw = 0;
        if (status_ < -1 && ::waitpid(pid_, &raw, 0) == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        }
        return status_;
    }
    std::string out() const { return readFile(out_); }
    std::string err() const { return readFile(err_); }

private:
    bool ended() {
        int raw = 0;
        if (status_ < -1 && ::waitpid(pid_, &raw, WNOHANG) == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        }
        return status_ >= -1;
    }
    std::string out_, err_;
    pid_t pid_ = -1;
    int status_ = -2;  // -2 while running
};

// Archives in dir_/arc, mails in dir_/mails.
class CliArchiveTest : public ::testing::Test {
protected:
    IsolatedXdg env_;
    TempDir dir_;

    CliRun run(const std::vector<std::string>& args) { return runCli(dir_, args); }
    std::string arc(const std::string& name) const { return dir_.file("arc/" + name); }
    std::string mailFile(const std::string& name, const std::string& bytes) {
        writeFile(dir_.file("mails/" + name), bytes);
        return dir_.file("mails/" + name);
    }
    // A new archive holding mails with these subjects, as mails 1, 2, ...
    std::string archiveWith(const std::string& name, const std::vector<std::string>& subjects) {
        std::filesystem::create_directories(dir_.file("arc"));
        const std::string a = arc(name);
        EXPECT_EQ(run({"new", a}).status, 0);
        std::vector<std::string> args{"import", a};
        for (size_t i = 0; i < subjects.size(); ++i) {
            args.push_back(mailFile(name + "-" + std::to_string(i) + ".eml", mailText(subjects[i])));
        }
        if (!subjects.empty()) {
            const CliRun r = run(args);
            EXPECT_EQ(r.status, 0) << r.err;
        }
        return a;
    }
};

}  // namespace quorvel::test
