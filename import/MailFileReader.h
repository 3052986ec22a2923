#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quorvel::mailimport {

// Reads a mail file as lines through one fixed buffer, so that neither a huge
// file nor a huge line is ever held whole. A line ends at CR, CRLF or LF; the
// bytes are handed out unchanged, without their line end. A mail already in
// memory (one of an mbox) is read through the same buffer, so that both
// sources split into the very same lines.
class MailFileReader {
public:
    static constexpr size_t kBufferSize = 64 * 1024;

    enum class LineResult {
        Line,     // a line was read (possibly the last one, ended by the end of the file)
        End,      // no byte was left
        TooLong,  // the line is longer than the limit; the reader stands somewhere inside it
        Failed,   // reading failed; error() says why
    };

    MailFileReader();
    ~MailFileReader();
    MailFileReader(const MailFileReader&) = delete;
    MailFileReader& operator=(const MailFileReader&) = delete;

    // Opens a regular file for reading. False when it cannot be opened or is
    // not a regular file; error() then names the cause.
    bool open(const std::string& path);
    // Reads `bytes`, which must outlive the reader, instead of a file.
    void openMemory(std::string_view bytes);
    // The file's length when it was opened.
    uint64_t fileSize() const { return fileSize_; }

    LineResult readLine(std::string& line, size_t maxLength);
    // True when no byte is left to read (also after a failure).
    bool atEnd();
    // Reads on from the current position, which must be the start of a line,
    // and answers whether some line is exactly `text` (the last line of the
    // file may end without a line end). Stops at the first such line. `text`
    // must be shorter than half the buffer.
    bool findLine(std::string_view text);

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

private:
    bool refill();                   // discards what was read and reads the next chunk
    size_t readInto(size_t offset);  // appends at offset; sets eof_ or error_

    int fd_ = -1;
    std::string_view memory_;  // the bytes of a mail in memory not yet copied into the buffer
    bool fromMemory_ = false;
    std::unique_ptr<char[]> buf_;
    size_t pos_ = 0;
    size_t len_ = 0;
    bool eof_ = false;
    uint64_t fileSize_ = 0;
    std::string error_;
};

}  // namespace quorvel::mailimport
