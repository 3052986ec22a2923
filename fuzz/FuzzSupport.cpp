#include "fuzz/FuzzSupport.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace quorvel::fuzz {

MemoryFile::MemoryFile() {
    fd_ = ::memfd_create("quorvel-fuzz", MFD_CLOEXEC);
    if (fd_ < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
    ::close(fd_);
}

const std::string& MemoryFile::hold(std::string_view bytes) {
    if (::ftruncate(fd_, 0) != 0) {
        std::perror("ftruncate");
        std::abort();
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n <= 0) {
            std::perror("pwrite");
            std::abort();
        }
        done += static_cast<std::size_t>(n);
    }
    return path_;
}

namespace {

struct Scratch {
    std::string path;
    Scratch() {
        const char* tmpdir = std::getenv("TMPDIR");
        std::error_code ec;
        fs::path base = tmpdir && *tmpdir ? fs::path(tmpdir) : fs::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
        std::string pattern = (base / "quorvel-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

}  // namespace

const std::string& scratchFolder() {
    static Scratch scratch;
    return scratch.path;
}

void emptyFolder(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        fs::remove_all(entry.path(), ec);
    }
}

void fail(std::string_view what, std::string_view input) {
    // Written with fwrite: either may hold NUL bytes.
    std::fputs("\n==== ", stderr);
    std::fwrite(what.data(), 1, what.size(), stderr);
    std::fprintf(stderr, "\n==== input (%zu bytes):\n", input.size());
    std::fwrite(input.data(), 1, std::min<std::size_t>(input.size(), 4096), stderr);
    std::fprintf(stderr, "\n====\n");
    std::abort();
}

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || i + len > text.size()) {
            return false;
        }
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (std::size_t k = 1; k < len; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (t & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += len;
    }
    return true;
}

}  // namespace quorvel::fuzz
