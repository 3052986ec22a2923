// Measures the mail file parser against its targets and against GMime's full
// message parser. Prints its figures; asserts nothing about time.
//   import_bench [MAILS] [HUGE_MB]   (defaults: 10000 mails, a 200 MB mail)
#include <fcntl.h>
#include <gmime/gmime.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "archive/Schema.h"
#include "bench/import/BenchCorpus.h"
#include "import/MailFileParser.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Best of three timed passes over the corpus, in files per second.
double filesPerSecond(const std::vector<std::string>& files, const std::function<bool(const std::string&)>& parse,
                      int& mails) {
    double best = 0;
    for (int pass = 0; pass < 3; ++pass) {
        mails = 0;
        auto start = Clock::now();
        for (const auto& f : files) {
            mails += parse(f) ? 1 : 0;
        }
        best = std::max(best, files.size() / seconds(start));
    }
    return best;
}

bool gmimeParse(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    GMimeStream* stream = g_mime_stream_fs_new(fd);
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    bool ok = message && g_mime_message_get_subject(message) != nullptr;
    if (message) {
        g_object_unref(message);
    }
    g_object_unref(parser);
    g_object_unref(stream);
    return ok;
}

// The floor: read every byte and find every line end, nothing more.
bool lineScan(const std::string& path) {
    static std::vector<char> buf(64 * 1024);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    size_t lines = 0;
    ssize_t n;
    while ((n = ::read(fd, buf.data(), buf.size())) > 0) {
        for (const char* p = buf.data(); (p = static_cast<const char*>(std::memchr(p, '\n', buf.data() + n - p)));
             ++p) {
            ++lines;
        }
    }
    ::close(fd);
    return lines > 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quorvel;
    int mailCount = argc > 1 ? std::atoi(argv[1]) : 10000;
    uint64_t hugeMb = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 200;
    bench::ScratchDir dir;
    archive::TableDefs defs = archive::makeTableDefs();

    // The huge mail first, while the process is still small, so that the
    // peak memory it shows belongs to the body scan.
    std::string huge = dir.path() + "/huge.eml";
    uint64_t hugeSize = bench::writeHugeMail(huge, hugeMb << 20);
    long rssBefore = peakRssKb();
    mailimport::parseMailFile(huge, defs.infCols);  // warm-up: page cache
    auto start = Clock::now();
    const mailimport::ParseResult hugeParsed = mailimport::parseMailFile(huge, defs.infCols);
    double hugeSeconds = seconds(start);
    std::printf("huge mail: %.1f MB, mail=%d attachment=\"%s\" size=%s\n", hugeSize / 1e6,
                hugeParsed.outcome == mailimport::ParseOutcome::Mail,
                hugeParsed.mail.inf[archive::col::kInfAttachment].c_str(),
                hugeParsed.mail.inf[archive::col::kInfSize].c_str());
    std::printf("  body scan: %.2f GB/s (%.3f s); peak RSS %ld KB before, %ld KB after\n", hugeSize / hugeSeconds / 1e9,
                hugeSeconds, rssBefore, peakRssKb());
    ::unlink(huge.c_str());

    std::vector<std::string> files;
    uint64_t corpusBytes = 0;
    for (int n = 0; n < mailCount; ++n) {
        std::string mail = bench::corpusMail(n, 20 * 1024);
        files.push_back(dir.path() + "/m" + std::to_string(n) + ".eml");
        std::ofstream(files.back(), std::ios::binary) << mail;
        corpusBytes += mail.size();
    }
    std::printf("corpus: %d mails, %.1f KB each on average\n", mailCount, corpusBytes / 1024.0 / mailCount);

    int mails = 0;
    double ours = filesPerSecond(
        files,
        [&](const std::string& f) {
            return mailimport::parseMailFile(f, defs.infCols).outcome == mailimport::ParseOutcome::Mail;
        },
        mails);
    std::printf("  parseMailFile:   %8.0f files/s (%.2f GB/s), %d mails\n", ours, ours * corpusBytes / mailCount / 1e9,
                mails);
    g_mime_init();
    double gmime = filesPerSecond(files, gmimeParse, mails);
    std::printf("  GMime full parse: %7.0f files/s, %d messages\n", gmime, mails);
    double scan = filesPerSecond(files, lineScan, mails);
    std::printf("  plain line scan: %8.0f files/s\n", scan);
    std::printf("  ratio parseMailFile / GMime: %.2f\n", ours / gmime);
    std::printf("peak RSS at the end: %ld KB\n", peakRssKb());
    return 0;
}
