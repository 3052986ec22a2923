#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "mailbox/FileAccess.h"

namespace quorvel::mailbox {

// How a line that starts with '>'s and "From " is read back.
//
// The writer of an mbox puts a '>' before every body line that would
// otherwise look like a separator. The older form (mboxo) quotes only
// "From " lines, so a mail line that was ">From " comes back as "From ":
// that form cannot be undone exactly. The newer form (mboxrd) quotes every
// line of the form ">*From ", and undoing it takes one '>' from each such
// line. Read with the mboxrd rule, an mboxo file gives the same mails except
// for lines that were ">From " before writing (they lose their '>'), which
// is why the mboxrd rule is the default.
enum class Quoting {
    Mboxrd,  // every line ">...>From " loses one '>'
    Mboxo,   // only a line ">From " (exactly one '>') loses it
};

// Where a mail handed out by MboxReader came from.
struct MailInfo {
    uint64_t offset = 0;     // where its separator line starts in the file
    uint64_t length = 0;     // its bytes in the file: separator line, mail and blank line up to the next separator
    uint64_t ordinal = 0;    // 0 for the first mail handed out (too-large ones count)
    bool separated = true;   // false for the bytes before the first separator of a file that does not start with one
    bool truncated = false;  // the file ends inside the last line of this mail (no line end after it)
    std::string envelope;    // the separator line without its line end, at most kMaxEnvelope bytes of it
};

// Splits an mbox file into mails while reading it once through one fixed
// buffer: memory is the buffer plus the mail being handed out, whatever the
// size of the file.
//
// A separator is a line starting with "From " that is the first line of the
// file or follows an empty line. Demanding the empty line is the rule that
// keeps unquoted body lines "From ..." of older files inside their mail,
// while every writer puts a blank line between two mails. A body line
// "From " right after an empty line cannot be told from a separator and
// splits the mail: a file written without quoting is ambiguous there.
//
// Lines end at LF; CRLF files and files mixing both are read alike, and the
// line ends are handed out as they are in the file. A mail is the bytes
// between its separator line and the next separator, without the one empty
// line before that separator (the writer added it). "Content-Length:" is
// ignored: mail programs write it wrong as often as right.
//
// Read with read(2) rather than mmap: a file cut short by another program
// while it is mapped kills the reader with SIGBUS, and copying from a warm
// cache is a small part of the cost of splitting (bench/mailbox measures
// the split, a plain read loop and a mapping).
class MboxReader {
public:
    static constexpr size_t kDefaultBufferSize = 256 * 1024;
    static constexpr size_t kMinBufferSize = 8;
    static constexpr size_t kMaxEnvelope = 1000;
    static constexpr uint64_t kDefaultMaxMailBytes = uint64_t{1} << 30;

    struct Options {
        Quoting quoting = Quoting::Mboxrd;
        size_t bufferSize = kDefaultBufferSize;  // raised to kMinBufferSize when smaller
        // A longer mail is skipped (Next::TooLarge): no archive can store it
        // and holding it could exhaust memory. Reading holds at most three
        // bytes more than this.
        uint64_t maxMailBytes = kDefaultMaxMailBytes;
    };

    enum class Next {
        Mail,      // `mail` holds the next mail's bytes
        TooLarge,  // the next mail is longer than maxMailBytes; `info` says where, `mail` is empty
        End,       // no mail is left
        Failed,    // reading failed (error()); every later call answers End
    };

    MboxReader();
    explicit MboxReader(const Options& options);
    MboxReader(const MboxReader&) = delete;
    MboxReader& operator=(const MboxReader&) = delete;

    // Opens an mbox file (a regular file, not a link). Whether it is one is
    // not checked here: isMbox() sniffs. Bytes before a first separator are
    // handed out as a mail of their own (separated false) so that nothing
    // of a file is lost, unless they are only line ends.
    bool open(const std::string& path, std::string& error);
    // Reads from a descriptor the caller opened (a regular file, read from
    // where it stands); `name` names it in errors.
    bool open(FileDescriptor file, const std::string& name, std::string& error);

    Next next(std::string& mail, MailInfo& info);

    uint64_t fileSize() const { return fileSize_; }
    // How far the reader has come in the file, for a progress figure.
    uint64_t bytesDone() const { return base_ + pos_; }
    const std::string& error() const { return error_; }
    // What the reader itself holds, besides the mail handed out.
    size_t heldBytes() const { return bufferSize_ + current_.envelope.capacity(); }
    size_t bufferSize() const { return bufferSize_; }

private:
    bool refill();
    void keep(std::string& mail, const char* bytes, size_t count);
    void keepEnvelope(const char* bytes, size_t count);
    void unquote(std::string& mail) const;
    // Ends the mail being read at file offset `end`; false when there is
    // nothing to hand out (only line ends before a first separator).
    bool finishMail(std::string& mail, MailInfo& info, uint64_t end, Next& result);

    const Quoting quoting_;
    const size_t bufferSize_;
    const uint64_t maxMailBytes_;
    FileDescriptor fd_;
    std::unique_ptr<char[]> buf_;
    size_t pos_ = 0;     // the next byte to look at
    size_t len_ = 0;     // the bytes in the buffer
    uint64_t base_ = 0;  // the file offset of buf_[0]
    uint64_t fileSize_ = 0;
    bool eof_ = false;
    bool done_ = false;
    bool lastByteWasLf_ = false;
    bool inEnvelope_ = false;       // inside a separator line
    bool envelopeCut_ = false;      // the separator line was longer than kMaxEnvelope
    bool dropping_ = false;         // the mail being read is longer than maxMailBytes_
    bool preambleHasText_ = false;  // the bytes before a first separator hold more than line ends
    uint64_t nextOrdinal_ = 0;
    MailInfo current_;  // the mail being read
    std::string error_;
};

}  // namespace quorvel::mailbox
