// Splits a generated mbox (1 GB by default, mails of about 20 KB, some with
// quoted "From " lines) into mails without storing them, and reads the same
// file with a plain read(2) loop as the floor; mapping the file and touching
// every page shows what reading through mmap would start from. The file is
// read once before timing: the figures are for a warm page cache. Prints its
// figures; asserts nothing about time.
//   mailbox_bench [SIZE_MB] [FOLDER]   (defaults: 1024, $TMPDIR or /tmp)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "mailbox/MboxReader.h"

namespace {

using Clock = std::chrono::steady_clock;
using quorvel::mailbox::MailInfo;
using quorvel::mailbox::MboxReader;

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A folder of its own, removed with the file in it when the benchmark ends.
class Scratch {
public:
    explicit Scratch(const std::string& parent) {
        std::string pattern = parent + "/quorvel-mailbox-bench-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        dir_ = pattern;
    }
    ~Scratch() {
        ::unlink(file().c_str());
        ::rmdir(dir_.c_str());
    }
    std::string file() const { return dir_ + "/big.mbox"; }

private:
    std::string dir_;
};

struct Generated {
    uint64_t bytes = 0;
    uint64_t mails = 0;
    uint64_t mailBytes = 0;  // the mails as the reader must hand them out
};

// Mails of about 20 KB as a writer of the newer form writes them: every
// tenth holds a body line "From " (written ">From ") and one ">From "
// (written ">>From ").
Generated writeMbox(const std::string& path, uint64_t size) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::vector<char> buffer(1 << 20);
    std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
    // A few kilobytes of text, then an attachment in base64, as most of the
    // bytes of real mailboxes are: an 'F' every 64 bytes or so stops the
    // search for "From " as often as real mail does.
    static const char* const kWords[] = {"From",  "the",    "File",   "for",    "meeting", "archive", "of",
                                         "mail",  "and",    "notes",  "a",      "folder",  "import",  "is",
                                         "today", "report", "Friday", "please", "see",     "below",   "with"};
    static const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    uint32_t random = 12345;
    auto next = [&] {
        random = random * 1103515245u + 12345u;
        return random >> 16;
    };
    auto textLine = [&] {
        std::string text;
        const size_t length = 40 + next() % 37;
        while (text.size() < length) {
            // Never "From " at the start of a line: the writer would quote it.
            const char* word = kWords[next() % (sizeof kWords / sizeof *kWords)];
            text += text.empty() && std::strcmp(word, "From") == 0 ? "Fine" : word;
            text += ' ';
        }
        text.back() = '\n';
        return text;
    };
    auto base64Line = [&] {
        std::string text(76, 'A');
        for (char& c : text) {
            c = kBase64[next() % 64];
        }
        return text + "\n";
    };
    Generated made;
    std::string mail;
    while (made.bytes < size) {
        const uint64_t n = made.mails;
        char header[400];
        int headerLength = std::snprintf(header, sizeof header,
                                         "From: Sender %llu <sender%llu@example.jp>\n"
                                         "To: archive@example.jp\n"
                                         "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= %llu\n"
                                         "Date: Sat, 3 Jan 1996 01:05:34 +0900\n"
                                         "Message-ID: <%llu@example.jp>\n"
                                         "MIME-Version: 1.0\n"
                                         "Content-Type: text/plain; charset=ISO-2022-JP\n\n",
                                         static_cast<unsigned long long>(n), static_cast<unsigned long long>(n),
                                         static_cast<unsigned long long>(n), static_cast<unsigned long long>(n));
        mail.assign(header, static_cast<size_t>(headerLength));
        std::string written = mail;
        for (int i = 0; mail.size() < 20 * 1024; ++i) {
            if (n % 10 == 0 && i == 40) {
                mail += "From a line of the body\n>From a quoted one\n";
                written += ">From a line of the body\n>>From a quoted one\n";
            }
            const std::string text = mail.size() < 4 * 1024 ? textLine() : base64Line();
            mail += text;
            written += text;
        }
        const std::string separator = "From sender" + std::to_string(n) + "@example.jp Sat Jan  3 01:05:34 1996\n";
        std::fputs(separator.c_str(), out);
        std::fwrite(written.data(), 1, written.size(), out);
        std::fputc('\n', out);
        made.bytes += separator.size() + written.size() + 1;
        made.mailBytes += mail.size();
        ++made.mails;
    }
    if (std::fclose(out) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return made;
}

// The best of three passes, in seconds.
double best(const std::function<void()>& pass) {
    double fastest = 1e9;
    for (int i = 0; i < 3; ++i) {
        auto start = Clock::now();
        pass();
        fastest = std::min(fastest, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return fastest;
}

uint64_t readLoop(const std::string& path, size_t bufferSize) {
    std::vector<char> buffer(bufferSize);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    uint64_t total = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) {
        total += static_cast<uint64_t>(n);
    }
    ::close(fd);
    return total;
}

// Every page of the file mapped and touched: what reading through a
// mapping costs before any byte is looked at, beside what read(2) costs.
uint64_t mappedTouch(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    ::fstat(fd, &st);
    const size_t size = static_cast<size_t>(st.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) {
        std::perror("mmap");
        std::exit(1);
    }
    ::madvise(map, size, MADV_SEQUENTIAL);
    const auto* bytes = static_cast<const volatile unsigned char*>(map);
    uint64_t sum = 0;
    for (size_t at = 0; at < size; at += 4096) {
        sum += bytes[at];
    }
    ::munmap(map, size);
    return sum;
}

struct Split {
    uint64_t mails = 0;
    uint64_t bytes = 0;
};

Split split(const std::string& path, size_t bufferSize) {
    MboxReader::Options options;
    options.bufferSize = bufferSize;
    MboxReader reader(options);
    std::string error;
    if (!reader.open(path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    Split done;
    std::string mail;
    MailInfo info;
    while (reader.next(mail, info) == MboxReader::Next::Mail) {
        ++done.mails;
        done.bytes += mail.size();
    }
    return done;
}

}  // namespace

int main(int argc, char** argv) {
    const uint64_t sizeMb = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string parent = argc > 2 ? argv[2] : (tmpdir && *tmpdir ? tmpdir : "/tmp");
    Scratch scratch(parent);
    const std::string path = scratch.file();

    auto start = Clock::now();
    const Generated made = writeMbox(path, sizeMb << 20);
    std::printf("mbox: %.2f GB, %llu mails of %.1f KB on average, written in %.1f s\n", made.bytes / 1e9,
                static_cast<unsigned long long>(made.mails), made.mailBytes / 1024.0 / made.mails,
                std::chrono::duration<double>(Clock::now() - start).count());
    readLoop(path, 1 << 20);  // warm the page cache

    const double gb = made.bytes / 1e9;
    const double readSeconds = best([&] { readLoop(path, MboxReader::kDefaultBufferSize); });
    std::printf("  read(2) loop, %zu KB buffer: %6.2f GB/s\n", MboxReader::kDefaultBufferSize / 1024, gb / readSeconds);
    const long rssBefore = peakRssKb();
    for (size_t bufferSize : {size_t{64} << 10, MboxReader::kDefaultBufferSize, size_t{1} << 20}) {
        Split done;
        const double seconds = best([&] { done = split(path, bufferSize); });
        const bool right = done.mails == made.mails && done.bytes == made.mailBytes;
        std::printf("  MboxReader, %4zu KB buffer:  %6.2f GB/s, %.2f of the read loop, %llu mails%s\n",
                    bufferSize / 1024, gb / seconds, readSeconds / seconds, static_cast<unsigned long long>(done.mails),
                    right ? "" : "  WRONG: not the mails written");
    }
    std::printf("  peak RSS %ld KB before splitting, %ld KB after\n", rssBefore, peakRssKb());
    // Last: the mapped pages count in the peak RSS.
    const double mapSeconds = best([&] { mappedTouch(path); });
    std::printf("  mmap, every page touched:   %6.2f GB/s\n", gb / mapSeconds);
    return 0;
}
