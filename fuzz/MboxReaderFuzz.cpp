// The mbox reader on any bytes. Each input is read through a small buffer
// and the default one, in both quoting forms and with a small size limit,
// and must give what a plain line-by-line reading of the whole input gives.
// Besides that:
//  - the mails' places in the file follow each other and cover it;
//  - no mail's bytes in the file hold a line "From " after an empty line;
//  - written out again (quoted, between separators) the mails read back the same;
//  - the reader never holds more than its buffer besides the mail it hands out.
#include <fcntl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#if __has_include(<sanitizer/allocator_interface.h>)
#include <sanitizer/allocator_interface.h>
#define QV_COUNT_ALLOCATIONS 1
#endif

#include "fuzz/FuzzSupport.h"
#include "mailbox/MboxReader.h"

using namespace quorvel;
using mailbox::MailInfo;
using mailbox::MboxReader;
using mailbox::Quoting;

namespace {

struct Mail {
    std::string bytes;
    uint64_t offset = 0;
    uint64_t length = 0;
    bool separated = false;
    bool truncated = false;
    bool tooLarge = false;
    std::string envelope;
};

bool isEmptyLine(std::string_view line) {
    return line == "\n" || line == "\r\n";
}

bool startsWithFrom(std::string_view line) {
    return line.substr(0, 5) == "From ";
}

// The number of '>' before a "From " that starts the line, or 0.
size_t quotesBeforeFrom(std::string_view line) {
    size_t quotes = line.find_first_not_of('>');
    return quotes != std::string_view::npos && quotes > 0 && startsWithFrom(line.substr(quotes)) ? quotes : 0;
}

// The rules read straight: the whole input in memory, one line at a time.
std::vector<Mail> referenceSplit(std::string_view input, Quoting quoting, uint64_t maxMailBytes) {
    std::vector<Mail> mails;
    Mail current;
    size_t lastLineLength = 0;
    bool lastLineEmpty = false;
    auto finish = [&](uint64_t end) {
        if (lastLineEmpty) {
            current.bytes.resize(current.bytes.size() - lastLineLength);
        }
        current.length = end - current.offset;
        if (current.separated || current.bytes.find_first_not_of("\r\n") != std::string::npos) {
            current.tooLarge = current.bytes.size() > maxMailBytes;
            mails.push_back(current);
        }
    };
    size_t at = 0;
    while (at < input.size()) {
        const size_t lf = input.find('\n', at);
        const size_t end = lf == std::string_view::npos ? input.size() : lf + 1;
        std::string_view line = input.substr(at, end - at);
        if (startsWithFrom(line) && (at == 0 || lastLineEmpty)) {
            finish(at);
            current = Mail{};
            current.offset = at;
            current.separated = true;
            std::string_view envelope = line.substr(0, line.size() - (lf == std::string_view::npos ? 0 : 1));
            // The CR of a CRLF is no part of it; a line cut at the end of the file has no line end.
            if (lf != std::string_view::npos && envelope.size() <= MboxReader::kMaxEnvelope && !envelope.empty() &&
                envelope.back() == '\r') {
                envelope.remove_suffix(1);
            }
            current.envelope = std::string(envelope.substr(0, MboxReader::kMaxEnvelope));
            lastLineEmpty = false;
        } else {
            const size_t quotes = quotesBeforeFrom(line);
            if (quotes > 0 && (quoting == Quoting::Mboxrd || quotes == 1)) {
                line.remove_prefix(1);
            }
            current.bytes += line;
            lastLineEmpty = isEmptyLine(line);
            lastLineLength = line.size();
        }
        at = end;
    }
    current.truncated = !input.empty() && input.back() != '\n';
    finish(input.size());
    return mails;
}

std::vector<Mail> readAll(const std::string& path, const MboxReader::Options& options, std::string_view input) {
#ifdef QV_COUNT_ALLOCATIONS
    const size_t before = __sanitizer_get_current_allocated_bytes();
#endif
    MboxReader reader(options);
    std::string error;
    // The file in memory is reached through a link in /proc, which opening
    // by path rightly refuses.
    if (!reader.open(mailbox::FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), path, error)) {
        fuzz::fail("a file in memory could not be opened: " + error, input);
    }
    std::vector<Mail> mails;
    std::string bytes;
    MailInfo info;
    for (;;) {
        const MboxReader::Next got = reader.next(bytes, info);
        if (reader.heldBytes() > reader.bufferSize() + MboxReader::kMaxEnvelope) {
            fuzz::fail("the reader holds more than its buffer and one separator line", input);
        }
#ifdef QV_COUNT_ALLOCATIONS
        // Allocated since the reader was made: the reader, the mail, the
        // envelope handed out, and what is kept as results so far.
        size_t kept = 0;
        for (const Mail& mail : mails) {
            kept += mail.bytes.capacity() + mail.envelope.capacity() + sizeof(Mail);
        }
        kept += mails.capacity() * sizeof(Mail);
        const size_t now = __sanitizer_get_current_allocated_bytes();
        if (now > before &&
            now - before > reader.heldBytes() + bytes.capacity() + info.envelope.capacity() + kept + 4096) {
            fuzz::fail("the reader allocated more than its buffer and the mail it handed out", input);
        }
#endif
        if (got == MboxReader::Next::End) {
            break;
        }
        if (got == MboxReader::Next::Failed) {
            fuzz::fail("reading a file in memory failed: " + reader.error(), input);
        }
        if (got == MboxReader::Next::TooLarge && !bytes.empty()) {
            fuzz::fail("a mail too large was handed out", input);
        }
        mails.push_back({bytes, info.offset, info.length, info.separated, info.truncated,
                         got == MboxReader::Next::TooLarge, info.envelope});
    }
    if (reader.bytesDone() != input.size()) {
        fuzz::fail("the reader did not come to the end of the file", input);
    }
    return mails;
}

void expectSame(const std::vector<Mail>& got, const std::vector<Mail>& expected, std::string_view what,
                std::string_view input) {
    if (got.size() != expected.size()) {
        fuzz::fail(std::string(what) + ": " + std::to_string(got.size()) + " mails instead of " +
                       std::to_string(expected.size()),
                   input);
    }
    for (size_t i = 0; i < got.size(); ++i) {
        const Mail& a = got[i];
        const Mail& b = expected[i];
        if (a.tooLarge != b.tooLarge || (!a.tooLarge && a.bytes != b.bytes) || a.offset != b.offset ||
            a.length != b.length || a.separated != b.separated || a.truncated != b.truncated ||
            a.envelope != b.envelope) {
            fuzz::fail(std::string(what) + ": mail " + std::to_string(i) + " differs from the plain reading", input);
        }
    }
}

// The places of the mails follow each other to the end of the file; what
// comes before the first is only line ends.
void expectTiling(const std::vector<Mail>& mails, std::string_view input) {
    uint64_t next = mails.empty() ? input.size() : mails[0].offset;
    if (input.substr(0, next).find_first_not_of("\r\n") != std::string_view::npos) {
        fuzz::fail("bytes before the first mail were lost", input);
    }
    for (const Mail& mail : mails) {
        if (mail.offset != next) {
            fuzz::fail("a gap or an overlap between two mails", input);
        }
        next = mail.offset + mail.length;
    }
    if (next != input.size()) {
        fuzz::fail("the mails do not reach the end of the file", input);
    }
}

// No line "From " after an empty line inside a mail's bytes in the file
// (nor at the very start of the file, where it needs no empty line).
void expectNoHiddenSeparator(const Mail& mail, std::string_view input) {
    const std::string_view raw = input.substr(mail.offset, mail.length);
    bool first = true;
    bool lastEmpty = mail.offset == 0;
    size_t at = 0;
    while (at < raw.size()) {
        const size_t lf = raw.find('\n', at);
        const size_t end = lf == std::string_view::npos ? raw.size() : lf + 1;
        const std::string_view line = raw.substr(at, end - at);
        if (!(first && mail.separated) && lastEmpty && startsWithFrom(line)) {
            fuzz::fail("a mail holds a separator line", input);
        }
        lastEmpty = isEmptyLine(line);
        first = false;
        at = end;
    }
}

// The mails written as a writer of the newer form writes them.
std::string writeMbox(const std::vector<Mail>& mails, std::string_view input) {
    std::string out;
    for (size_t i = 0; i < mails.size(); ++i) {
        const std::string& bytes = mails[i].bytes;
        const bool last = i + 1 == mails.size();
        if (!last && !bytes.empty() && bytes.back() != '\n') {
            fuzz::fail("a mail before the last one does not end with a line end", input);
        }
        out += "From fuzz@example.jp Sat Jan  3 01:05:34 1996\n";
        size_t at = 0;
        while (at < bytes.size()) {
            const size_t lf = bytes.find('\n', at);
            const size_t end = lf == std::string::npos ? bytes.size() : lf + 1;
            std::string_view line(bytes.data() + at, end - at);
            if (startsWithFrom(line) || quotesBeforeFrom(line) > 0) {
                out += '>';
            }
            out += line;
            at = end;
        }
        if (!(last && mails[i].truncated)) {
            out += '\n';
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemoryFile file;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string& path = file.hold(input);
    const size_t smallBuffer = MboxReader::kMinBufferSize + size % 23;
    const uint64_t noLimit = MboxReader::kDefaultMaxMailBytes;

    const std::vector<Mail> rd = referenceSplit(input, Quoting::Mboxrd, noLimit);
    const std::vector<Mail> got = readAll(path, {Quoting::Mboxrd, smallBuffer, noLimit}, input);
    expectSame(got, rd, "mboxrd through a small buffer", input);
    expectSame(readAll(path, {Quoting::Mboxrd, MboxReader::kDefaultBufferSize, noLimit}, input), rd,
               "mboxrd through the default buffer", input);
    expectSame(readAll(path, {Quoting::Mboxo, smallBuffer, noLimit}, input),
               referenceSplit(input, Quoting::Mboxo, noLimit), "mboxo", input);
    const uint64_t limit = 8 + size % 64;
    expectSame(readAll(path, {Quoting::Mboxrd, smallBuffer, limit}, input),
               referenceSplit(input, Quoting::Mboxrd, limit), "with a size limit", input);

    expectTiling(got, input);
    for (const Mail& mail : got) {
        expectNoHiddenSeparator(mail, input);
    }

    const std::string again = writeMbox(got, input);
    const std::vector<Mail> reread = referenceSplit(again, Quoting::Mboxrd, noLimit);
    const std::vector<Mail> rereadByReader = readAll(file.hold(again), {Quoting::Mboxrd, smallBuffer, noLimit}, again);
    if (rereadByReader.size() != got.size()) {
        fuzz::fail("the mails written out again read back as " + std::to_string(rereadByReader.size()) + " mails",
                   input);
    }
    for (size_t i = 0; i < got.size(); ++i) {
        if (rereadByReader[i].bytes != got[i].bytes || reread[i].bytes != got[i].bytes) {
            fuzz::fail("mail " + std::to_string(i) + " written out again reads back different", input);
        }
    }
    return 0;
}
