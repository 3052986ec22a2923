#include "mailbox/MboxReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace quorvel::mailbox {

namespace {

constexpr std::string_view kFrom = "From ";

// The first "From " wholly inside [p, end).
const char* findFrom(const char* p, const char* end) {
    while (end - p >= static_cast<ptrdiff_t>(kFrom.size())) {
        p = static_cast<const char*>(std::memchr(p, 'F', static_cast<size_t>(end - p) - (kFrom.size() - 1)));
        if (!p) {
            return nullptr;
        }
        if (std::memcmp(p + 1, kFrom.data() + 1, kFrom.size() - 1) == 0) {
            return p;
        }
        ++p;
    }
    return nullptr;
}

// The length of the empty line ("\n" or "\r\n") that ends `text`, or 0.
// `text` starts at the start of a line: a mail always does.
size_t trailingEmptyLine(std::string_view text) {
    const size_t n = text.size();
    if (n == 0 || text[n - 1] != '\n') {
        return 0;
    }
    if (n == 1 || text[n - 2] == '\n') {
        return 1;
    }
    return text[n - 2] == '\r' && (n == 2 || text[n - 3] == '\n') ? 2 : 0;
}

// What a mail past the size limit keeps: enough of its end for
// trailingEmptyLine to answer as it would on the whole mail.
constexpr size_t kDroppedTail = 3;

// Bytes a mail being read may hold beyond the limit and still come out
// within it: the blank line before the next separator (two) and a '>'
// that unquote() is still to take (one).
constexpr size_t kLimitSlack = 3;

}  // namespace

MboxReader::MboxReader() : MboxReader(Options{}) {}

MboxReader::MboxReader(const Options& options)
    : quoting_(options.quoting),
      bufferSize_(std::max(options.bufferSize, kMinBufferSize)),
      maxMailBytes_(std::max<uint64_t>(options.maxMailBytes, kMinBufferSize)),
      buf_(new char[bufferSize_]) {
    current_.envelope.reserve(kMaxEnvelope);
}

bool MboxReader::open(const std::string& path, std::string& error) {
    FileDescriptor file = openRegularFile(path, fileSize_, error);
    if (!file.valid()) {
        error_ = error;
        return false;
    }
    return open(std::move(file), path, error);
}

bool MboxReader::open(FileDescriptor file, const std::string& name, std::string& error) {
    if (!isRegularFile(file.get(), name, fileSize_, error)) {
        error_ = error;
        return false;
    }
    fd_ = std::move(file);
    // Until a separator is seen, the bytes belong to no mail of the file.
    current_.separated = false;
    return true;
}

bool MboxReader::refill() {
    // Bytes not yet decided on (the start of a possible "From ") move to the front.
    const size_t kept = len_ - pos_;
    std::memmove(buf_.get(), buf_.get() + pos_, kept);
    base_ += pos_;
    pos_ = 0;
    len_ = kept;
    ssize_t n = readSome(fd_.get(), buf_.get() + len_, bufferSize_ - len_);
    if (n < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    if (n == 0) {
        eof_ = true;
    } else {
        len_ += static_cast<size_t>(n);
        lastByteWasLf_ = buf_[len_ - 1] == '\n';
    }
    return true;
}

void MboxReader::keep(std::string& mail, const char* bytes, size_t count) {
    if (!current_.separated && !preambleHasText_) {
        for (size_t i = 0; i < count && !preambleHasText_; ++i) {
            preambleHasText_ = bytes[i] != '\r' && bytes[i] != '\n';
        }
    }
    if (!dropping_) {
        if (mail.size() + count <= maxMailBytes_ + kLimitSlack) {
            mail.append(bytes, count);
            return;
        }
        dropping_ = true;
    }
    if (count >= kDroppedTail) {
        mail.assign(bytes + count - kDroppedTail, kDroppedTail);
    } else {
        mail.append(bytes, count);
        mail.erase(0, mail.size() - std::min(mail.size(), kDroppedTail));
    }
}

void MboxReader::keepEnvelope(const char* bytes, size_t count) {
    std::string& envelope = current_.envelope;
    const size_t room = kMaxEnvelope - envelope.size();
    if (count > room) {
        envelopeCut_ = true;
    }
    envelope.append(bytes, std::min(count, room));
}

void MboxReader::unquote(std::string& mail) const {
    // The mail ends just before a "From "; the '>'s before it count when
    // nothing else stands between them and the start of the line.
    const size_t n = mail.size();
    size_t quotes = 0;
    while (quotes < n && mail[n - 1 - quotes] == '>') {
        ++quotes;
    }
    if (quotes == 0 || (quotes < n && mail[n - 1 - quotes] != '\n')) {
        return;
    }
    if (quoting_ == Quoting::Mboxo && quotes != 1) {
        return;
    }
    // The line holds only '>'s so far: dropping the last is dropping one.
    mail.pop_back();
}

bool MboxReader::finishMail(std::string& mail, MailInfo& info, uint64_t end, Next& result) {
    mail.resize(mail.size() - trailingEmptyLine(mail));
    const bool tooLarge = dropping_ || mail.size() > maxMailBytes_;
    dropping_ = false;
    if (!current_.separated && !preambleHasText_) {
        mail.clear();
        return false;  // nothing but line ends before the first separator
    }
    info = current_;
    info.length = end - current_.offset;
    info.ordinal = nextOrdinal_++;
    if (tooLarge) {
        mail.clear();
    }
    result = tooLarge ? Next::TooLarge : Next::Mail;
    return true;
}

MboxReader::Next MboxReader::next(std::string& mail, MailInfo& info) {
    mail.clear();
    if (done_ || !fd_.valid()) {
        return Next::End;
    }
    for (;;) {
        const size_t available = len_ - pos_;
        // Fewer than five bytes may be the start of a "From " that the next
        // read completes; a separator line needs no look ahead.
        if (available == 0 || (!inEnvelope_ && !eof_ && available < kFrom.size())) {
            if (!eof_) {
                if (!refill()) {
                    done_ = true;
                    return Next::Failed;
                }
                continue;
            }
            if (available == 0) {
                done_ = true;
                current_.truncated = !lastByteWasLf_ && base_ + len_ > 0;
                Next result = Next::End;
                finishMail(mail, info, base_ + len_, result);
                return result;
            }
        }
        const char* begin = buf_.get() + pos_;
        const char* end = buf_.get() + len_;

        if (inEnvelope_) {
            const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', available));
            const char* stop = lf ? lf : end;
            keepEnvelope(begin, static_cast<size_t>(stop - begin));
            pos_ += static_cast<size_t>(stop - begin);
            if (lf) {
                ++pos_;
                inEnvelope_ = false;
                if (!envelopeCut_ && !current_.envelope.empty() && current_.envelope.back() == '\r') {
                    current_.envelope.pop_back();
                }
            }
            continue;
        }

        const char* hit = findFrom(begin, end);
        if (!hit) {
            const char* stop = eof_ ? end : end - (kFrom.size() - 1);
            keep(mail, begin, static_cast<size_t>(stop - begin));
            pos_ += static_cast<size_t>(stop - begin);
            continue;
        }
        keep(mail, begin, static_cast<size_t>(hit - begin));
        pos_ += static_cast<size_t>(hit - begin);
        const uint64_t at = base_ + pos_;
        if (at == 0 || trailingEmptyLine(mail) > 0) {
            // A separator: the mail read so far is complete.
            Next result = Next::End;
            const bool handOut = finishMail(mail, info, at, result);
            current_.offset = at;
            current_.separated = true;
            current_.truncated = false;
            current_.envelope.clear();
            envelopeCut_ = false;
            inEnvelope_ = true;
            if (handOut) {
                return result;
            }
            continue;
        }
        if (!dropping_) {
            unquote(mail);
        }
        keep(mail, hit, kFrom.size());
        pos_ += kFrom.size();
    }
}

}  // namespace quorvel::mailbox
