// The claim a writing command holds on its archive (NAME.hvl), as the window
// and other commands meet it.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "platform/fs/FileCopy.h"
#include "tests/cli/ArchiveFixture.h"

namespace {

namespace fs = std::filesystem;
using quorvel::test::CliProcess;
using quorvel::test::CliRun;
using quorvel::test::FileState;
using quorvel::test::mailText;
using quorvel::test::writeFile;

class ArchiveClaimTest : public quorvel::test::CliArchiveTest {
protected:
    // The writing commands, each on archive `a`.
    std::vector<std::vector<std::string>> writers(const std::string& a) {
        return {{"import", a, "--wait", "5", mailFile("w.eml", mailText("w"))},
                {"check", "--repair", "--wait", "5", a},
                {"compact", "--wait", "5", a}};
    }
};

// A lock on the archive's database itself, as a connection that is writing
// holds it, so that the tool's own opening has to wait.
class DatabaseLock {
public:
    explicit DatabaseLock(const std::string& path) {
        EXPECT_EQ(sqlite3_open(path.c_str(), &db_), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~DatabaseLock() { release(); }
    void release() {
        if (db_) {
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }

private:
    sqlite3* db_ = nullptr;
};

TEST_F(ArchiveClaimTest, theWindowsWorkingCopyIsRefusedAtOnceAndLeftAlone) {
    const std::string a = archiveWith("a.qvb", {"first"});
    const std::string hvl = arc("a.hvl");
    const FileState archive = FileState::of(a);

    // Open in the window: its working copy exists and is claimed.
    writeFile(hvl, "the window's working copy");
    const int window = quorvel::platform::claimFile(hvl);
    ASSERT_GE(window, 0);
    for (const auto& args : writers(a)) {
        SCOPED_TRACE(args[0]);
        const auto start = std::chrono::steady_clock::now();
        CliRun r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "quorvel-cli: " + a + ": in use by another program\n");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));  // not waited for
    }
    ::close(window);

    // Left by a window that crashed: its work is the user's to take up.
    for (const auto& args : writers(a)) {
        SCOPED_TRACE(args[0]);
        CliRun r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "quorvel-cli: " + a + ": the program ended without closing it and left unsaved work in " +
                             hvl + "; open the archive in the program to take up or discard that work\n");
    }
    EXPECT_EQ(quorvel::test::readFile(hvl), "the window's working copy");
    EXPECT_TRUE(FileState::of(a) == archive);
}

TEST_F(ArchiveClaimTest, anEmptyClaimLeftByAKilledToolIsCleared) {
    const std::string a = archiveWith("a.qvb", {"first"});
    for (const auto& args : writers(a)) {
        SCOPED_TRACE(args[0]);
        writeFile(arc("a.hvl"), "");
        CliRun r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_FALSE(fs::exists(arc("a.hvl")));
    }
    EXPECT_EQ(run({"ls", a, "--folder", "1"}).lines.size(), 2u);
}

TEST_F(ArchiveClaimTest, theClaimStandsWhileTheToolWorksAndGoesAfter) {
    const std::string a = archiveWith("a.qvb", {"first"});
    const std::string hvl = arc("a.hvl");
    // The import is held up by another connection writing the archive.
    DatabaseLock writer(a);
    CliProcess import(dir_, "import", {"import", a, "--wait", "20", mailFile("2.eml", mailText("second"))});
    for (int i = 0; i < 200 && !quorvel::platform::isClaimed(hvl); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(quorvel::platform::isClaimed(hvl));
    EXPECT_EQ(fs::file_size(hvl), 0u);
    // The window opening the archive meanwhile finds it in use: its working
    // copy cannot be made under that name.
    std::string error;
    bool existed = false;
    EXPECT_FALSE(quorvel::platform::copyFileNew(a, hvl, error, existed));
    EXPECT_TRUE(existed);
    EXPECT_FALSE(import.endsWithin(300));  // it waits for the database...

    writer.release();  // ...and goes on once it is free
    EXPECT_EQ(import.wait(), 0) << import.err();
    EXPECT_FALSE(fs::exists(hvl));
    EXPECT_EQ(run({"ls", a, "--folder", "1"}).lines.size(), 2u);
}

TEST_F(ArchiveClaimTest, anotherToolsClaimIsWaitedForUpToTheWait) {
    const std::string a = archiveWith("a.qvb", {"first"});
    const std::string hvl = arc("a.hvl");
    writeFile(hvl, "");
    const int other = quorvel::platform::claimFile(hvl);
    ASSERT_GE(other, 0);

    const auto start = std::chrono::steady_clock::now();
    CliRun late = run({"import", a, "--wait", "0.5", mailFile("2.eml", mailText("second"))});
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(late.status, 2);
    EXPECT_EQ(late.err, "quorvel-cli: " + a +
                            ": in use by another program (still in use after waiting 0.5 seconds; see --wait)\n");
    EXPECT_TRUE(fs::exists(hvl));  // the other tool's claim is its own

    CliProcess waiting(dir_, "import", {"import", a, "--wait", "20", mailFile("3.eml", mailText("third"))});
    EXPECT_FALSE(waiting.endsWithin(500));
    ::unlink(hvl.c_str());  // the other tool is done
    ::close(other);
    EXPECT_EQ(waiting.wait(), 0) << waiting.err();
    EXPECT_EQ(run({"ls", a, "--folder", "1"}).lines.size(), 2u);
}

TEST_F(ArchiveClaimTest, importsAtTheSameTimeAllStoreTheirMails) {
    const std::string a = archiveWith("a.qvb", {});
    constexpr int kImports = 3, kMails = 25;
    std::vector<std::unique_ptr<CliProcess>> imports;
    for (int i = 0; i < kImports; ++i) {
        std::vector<std::string> args{"import", a};
        for (int m = 0; m < kMails; ++m) {
            const std::string name = std::to_string(i) + "-" + std::to_string(m);
            args.push_back(mailFile(name + ".eml", mailText(name)));
        }
        imports.push_back(std::make_unique<CliProcess>(dir_, "import" + std::to_string(i), args));
    }
    for (auto& p : imports) {
        EXPECT_EQ(p->wait(), 0) << p->err();
    }
    const CliRun listed = run({"ls", a, "--folder", "1"});
    ASSERT_EQ(listed.lines.size(), static_cast<size_t>(kImports * kMails));
    // Every mail once, under its own identifier.
    std::set<std::string> subjects;
    for (size_t i = 0; i < listed.lines.size(); ++i) {
        std::vector<std::string> fields;
        std::istringstream line(listed.lines[i]);
        for (std::string field; std::getline(line, field, '\t');) {
            fields.push_back(field);
        }
        ASSERT_EQ(fields.size(), 10u);
        EXPECT_EQ(fields[0], std::to_string(i + 1));
        subjects.insert(fields[6]);
    }
    EXPECT_EQ(subjects.size(), listed.lines.size());
}

TEST_F(ArchiveClaimTest, whereNoClaimCanBeMadeNothingIsWritten) {
    // A link planted under the claim's name is neither followed nor removed.
    const std::string a = archiveWith("a.qvb", {"first"});
    const FileState before = FileState::of(a);
    writeFile(dir_.file("victim"), "keep me");
    fs::create_symlink(dir_.file("victim"), arc("a.hvl"));
    CliRun linked = run({"import", a, mailFile("2.eml", mailText("second"))});
    EXPECT_EQ(linked.status, 2);
    EXPECT_EQ(linked.err, "quorvel-cli: " + a + ": cannot claim the archive (" + arc("a.hvl") +
                              " is in the way and is not a plain file)\n");
    EXPECT_TRUE(fs::is_symlink(arc("a.hvl")));
    EXPECT_EQ(quorvel::test::readFile(dir_.file("victim")), "keep me");
    EXPECT_TRUE(FileState::of(a) == before);

    // An archive whose own name is its claim's.
    const std::string h = archiveWith("h.hvl", {});
    const FileState empty = FileState::of(h);
    CliRun named = run({"import", h, mailFile("1.eml", mailText("first"))});
    EXPECT_EQ(named.status, 2);
    EXPECT_EQ(named.err,
              "quorvel-cli: " + h + ": cannot claim the archive (its name is that of its own working copy)\n");
    EXPECT_TRUE(FileState::of(h) == empty);
}

}  // namespace
