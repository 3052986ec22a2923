// quorvel-cli import into an archive in place, against SQLite's own rate:
// 10,000 generated mails of about 20 KB (text, base64 attachments, Japanese
// headers) imported as one mbox and as 10,000 mail files by the built tool,
// and the same bytes stored by a plain prepared INSERT in one transaction,
// in this program, on the same disk, with the archive's own journal and sync
// settings. Each figure is the best of two runs; the runs alternate. With
// --big MB, a generated mbox of that size (and one mail of 50 MB in it) is
// imported and the tool's peak memory reported. Asserts nothing.
// --keep leaves the generated files (and says where) for a profiler.
//   mailboximport_bench [MAILS] [--big MB] [--folder DIR] [--keep]
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/import/BenchCorpus.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// A mail as a writer of the newer mbox form writes it.
void appendToMbox(std::string& out, const std::string& mail) {
    out += "From bench@example.com Tue Jan  1 10:00:00 2002\n";
    size_t at = 0;
    while (at < mail.size()) {
        size_t end = mail.find('\n', at);
        end = end == std::string::npos ? mail.size() : end + 1;
        const size_t quotes = mail.find_first_not_of('>', at);
        if (quotes < end && mail.compare(quotes, 5, "From ") == 0) {
            out += '>';
        }
        out.append(mail, at, end - at);
        at = end;
    }
    if (!mail.empty() && mail.back() != '\n') {
        out += '\n';
    }
    out += '\n';
}

std::string freshArchive(const std::string& path) {
    fs::copy_file(QUORVEL_TEMPLATE, path, fs::copy_options::overwrite_existing);
    return path;
}

struct ToolRun {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// The built tool, its output thrown away; its time and peak memory.
ToolRun runTool(const std::vector<std::string>& args) {
    std::vector<std::string> all{QUORVEL_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ToolRun run;
    const auto t = Clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    // The child's own high-water mark, read while it runs: the peak that
    // wait4 reports would count this program's memory as well, which the
    // child shares until it has started the tool.
    int raw = 0;
    const std::string status = "/proc/" + std::to_string(pid) + "/status";
    while (::waitpid(pid, &raw, WNOHANG) == 0) {
        std::ifstream in(status);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("VmHWM:", 0) == 0) {
                run.peakKb = std::max(run.peakKb, std::strtol(line.c_str() + 6, nullptr, 10));
            }
        }
        ::usleep(2000);
    }
    run.seconds = since(t);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (run.status != 0) {
        std::fprintf(stderr, "quorvel-cli %s ended with status %d\n", args.front().c_str(), run.status);
        std::exit(1);
    }
    return run;
}

// SQLite on its own: the mails' bytes, already in memory, stored with one
// prepared statement in one transaction, synced as an archive in place is.
double sqliteAlone(const std::string& path, const std::vector<std::string>& mails) {
    sqlite3* db = nullptr;
    sqlite3_open(freshArchive(path).c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA cache_size=-65536", nullptr, nullptr,
                 nullptr);
    const auto t = Clock::now();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (?, ?)", -1, &st, nullptr);
    int id = 0;
    for (const std::string& m : mails) {
        sqlite3_bind_int(st, 1, ++id);
        sqlite3_bind_blob(st, 2, m.data(), static_cast<int>(m.size()), SQLITE_STATIC);
        if (sqlite3_step(st) != SQLITE_DONE) {
            std::fprintf(stderr, "insert: %s\n", sqlite3_errmsg(db));
            std::exit(1);
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double seconds = since(t);
    sqlite3_close(db);
    return seconds;
}

void report(const char* what, double seconds, size_t mails, uint64_t bytes, double baseline, long peakKb) {
    std::printf("%-52s %6.2f s %7.0f mails/s %6.1f MB/s", what, seconds, mails / seconds, bytes / seconds / 1e6);
    if (baseline > 0) {
        std::printf("  %3.0f%% of SQLite's rate", 100.0 * baseline / seconds);
    }
    if (peakKb > 0) {
        std::printf("  peak %ld MiB", peakKb / 1024);
    }
    std::printf("\n");
}

// An mbox of about `megabytes`, mails of about 20 KB and one of 50 MB in
// the middle, written as it is made; the size of its largest mail.
uint64_t writeBigMbox(const std::string& path, uint64_t megabytes, uint64_t& mails) {
    std::ofstream out(path, std::ios::binary);
    const uint64_t target = megabytes * 1024 * 1024;
    uint64_t written = 0, largest = 0;
    std::string chunk;
    for (int i = 0; written < target; ++i) {
        std::string mail = quorvel::bench::corpusMail(i, 20000);
        if (i == 5000) {
            const std::string line = std::string(76, 'x') + "\n";
            for (size_t n = 0; n < 50 * 1024 * 1024 / line.size(); ++n) {
                mail += line;
            }
        }
        largest = std::max<uint64_t>(largest, mail.size());
        chunk.clear();
        appendToMbox(chunk, mail);
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        written += chunk.size();
        ++mails;
    }
    return largest;
}

}  // namespace

int main(int argc, char** argv) {
    size_t count = 10000;
    uint64_t bigMb = 0;
    bool keep = false;
    std::string parent = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--big") == 0 && i + 1 < argc) {
            bigMb = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--keep") == 0) {
            keep = true;
        } else if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc) {
            parent = argv[++i];
        } else {
            count = std::strtoul(argv[i], nullptr, 10);
        }
    }
    std::string pattern = parent + "/quorvel-mailboximport-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;

    std::vector<std::string> mails;
    std::string mbox;
    uint64_t bytes = 0;
    std::vector<std::string> files{"import", dir + "/eml.qvb"};
    fs::create_directories(dir + "/eml");
    for (size_t i = 0; i < count; ++i) {
        mails.push_back(quorvel::bench::corpusMail(static_cast<int>(i), 20000));
        bytes += mails.back().size();
        appendToMbox(mbox, mails.back());
        files.push_back(dir + "/eml/" + std::to_string(i) + ".eml");
        std::ofstream(files.back(), std::ios::binary) << mails.back();
    }
    std::ofstream(dir + "/box.mbox", std::ios::binary) << mbox;
    mbox.clear();
    mbox.shrink_to_fit();
    std::printf("%zu mails, %.1f MB (%.1f KB each on average), into archives in place in %s\n", count, bytes / 1e6,
                bytes / 1e3 / count, parent.c_str());

    double baseline = 1e9, fromMbox = 1e9, fromFiles = 1e9, skipping = 1e9, again = 1e9;
    long mboxPeak = 0;
    for (int round = 0; round < 2; ++round) {
        baseline = std::min(baseline, sqliteAlone(dir + "/sqlite.qvb", mails));
        const ToolRun m = runTool({"import", freshArchive(dir + "/mbox.qvb"), dir + "/box.mbox"});
        fromMbox = std::min(fromMbox, m.seconds);
        mboxPeak = std::max(mboxPeak, m.peakKb);
        freshArchive(dir + "/eml.qvb");
        fromFiles = std::min(fromFiles, runTool(files).seconds);
        skipping = std::min(
            skipping,
            runTool({"import", freshArchive(dir + "/skip.qvb"), "--skip-duplicates", dir + "/box.mbox"}).seconds);
        again = std::min(again, runTool({"import", dir + "/skip.qvb", "--skip-duplicates", dir + "/box.mbox"}).seconds);
    }
    report("SQLite alone: one INSERT per mail, one transaction", baseline, count, bytes, 0, 0);
    report("quorvel-cli import of the mbox", fromMbox, count, bytes, baseline, mboxPeak);
    report("quorvel-cli import of the mail files", fromFiles, count, bytes, baseline, 0);
    report("quorvel-cli import --skip-duplicates of the mbox", skipping, count, bytes, baseline, 0);
    report("the same again: every mail a duplicate", again, count, bytes, 0, 0);

    if (bigMb > 0) {
        uint64_t bigMails = 0;
        const uint64_t largest = writeBigMbox(dir + "/big.mbox", bigMb, bigMails);
        const ToolRun big = runTool({"import", freshArchive(dir + "/big.qvb"), dir + "/big.mbox"});
        std::printf("quorvel-cli import of a %llu MB mbox (%llu mails, the largest %.1f MB): %.1f s, peak %ld MiB\n",
                    static_cast<unsigned long long>(bigMb), static_cast<unsigned long long>(bigMails),
                    largest / 1048576.0, big.seconds, big.peakKb / 1024);
    }
    if (keep) {
        std::printf("the files are kept in %s\n", dir.c_str());
    } else {
        fs::remove_all(dir);
    }
    return 0;
}
