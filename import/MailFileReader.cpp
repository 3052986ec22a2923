#include "import/MailFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quorvel::mailimport {

namespace {

inline bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

const char* findLineEnd(const char* p, const char* end) {
    for (; p != end; ++p) {
        // One comparison for the common byte; CR and LF are both below 14.
        if (static_cast<unsigned char>(*p) <= '\r' && isLineEnd(*p)) {
            break;
        }
    }
    return p;
}

}  // namespace

MailFileReader::MailFileReader() : buf_(new char[kBufferSize]) {}

MailFileReader::~MailFileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool MailFileReader::open(const std::string& path) {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below anyway.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        error_ = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error_ = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        return false;
    }
    fileSize_ = static_cast<uint64_t>(st.st_size);
    return true;
}

void MailFileReader::openMemory(std::string_view bytes) {
    memory_ = bytes;
    fromMemory_ = true;
    fileSize_ = bytes.size();
}

size_t MailFileReader::readInto(size_t offset) {
    if (fromMemory_) {
        const size_t n = std::min(memory_.size(), kBufferSize - offset);
        std::memcpy(buf_.get() + offset, memory_.data(), n);
        memory_.remove_prefix(n);
        eof_ = n == 0;
        return n;
    }
    if (eof_ || failed() || fd_ < 0) {
        return 0;
    }
    for (;;) {
        ssize_t n = ::read(fd_, buf_.get() + offset, kBufferSize - offset);
        if (n > 0) {
            return static_cast<size_t>(n);
        }
        if (n == 0) {
            eof_ = true;
            return 0;
        }
        if (errno != EINTR) {
            error_ = std::strerror(errno);
            return 0;
        }
    }
}

bool MailFileReader::refill() {
    pos_ = 0;
    len_ = readInto(0);
    return len_ > 0;
}

MailFileReader::LineResult MailFileReader::readLine(std::string& line, size_t maxLength) {
    line.clear();
    bool gotBytes = false;
    for (;;) {
        if (pos_ == len_ && !refill()) {
            if (failed()) {
                return LineResult::Failed;
            }
            return gotBytes ? LineResult::Line : LineResult::End;
        }
        gotBytes = true;
        const char* begin = buf_.get() + pos_;
        const char* end = buf_.get() + len_;
        const char* stop = findLineEnd(begin, end);
        size_t n = static_cast<size_t>(stop - begin);
        if (n > maxLength - line.size()) {
            return LineResult::TooLong;
        }
        line.append(begin, n);
        pos_ += n;
        if (stop == end) {
            continue;
        }
        ++pos_;
        if (*stop == '\r') {
            // CRLF is one line end, also when the LF is the first byte of the next chunk.
            if (pos_ == len_) {
                refill();
            }
            if (pos_ < len_ && buf_[pos_] == '\n') {
                ++pos_;
            }
        }
        return LineResult::Line;
    }
}

bool MailFileReader::atEnd() {
    if (pos_ < len_) {
        return false;
    }
    return !refill();
}

bool MailFileReader::findLine(std::string_view text) {
    const size_t m = text.size();
    if (m == 0 || m >= kBufferSize / 2) {
        return false;
    }
    bool firstIsLineStart = true;  // the byte at pos_ begins a line
    for (;;) {
        const char* begin = buf_.get() + pos_;
        const char* end = buf_.get() + len_;
        const char* from = begin;
        while (from < end) {
            auto* hit = static_cast<const char*>(::memmem(from, static_cast<size_t>(end - from), text.data(), m));
            if (!hit) {
                break;
            }
            bool startsLine = hit == begin ? firstIsLineStart : isLineEnd(hit[-1]);
            if (startsLine) {
                if (hit + m < end) {
                    if (isLineEnd(hit[m])) {
                        return true;
                    }
                } else if (eof_) {
                    return true;  // the file's last line, without a line end
                } else {
                    break;  // whether a line end follows is in the next chunk
                }
            }
            from = hit + 1;
        }
        if (eof_ || failed()) {
            return false;
        }
        // Keep the last m bytes: a match may straddle the chunk boundary.
        size_t keepFrom = len_ - pos_ > m ? len_ - m : pos_;
        if (keepFrom > pos_) {
            firstIsLineStart = isLineEnd(buf_[keepFrom - 1]);
        }
        size_t kept = len_ - keepFrom;
        std::memmove(buf_.get(), buf_.get() + keepFrom, kept);
        pos_ = 0;
        len_ = kept + readInto(kept);
        if (failed()) {
            return false;
        }
    }
}

}  // namespace quorvel::mailimport
