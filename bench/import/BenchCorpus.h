#pragma once

#include <cstdint>
#include <string>

namespace quorvel::bench {

// A temporary folder for the generated mails, removed with its content.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Mail number n of the corpus: a realistic header (folded Received lines with
// "for" clauses, a long DKIM signature, Japanese subjects and senders in
// ISO-2022-JP and UTF-8 encoded words for some mails, plain ones for others)
// and a multipart body of about `size` bytes, every other mail with an attachment.
std::string corpusMail(int n, size_t size);

// Writes a mail of about `size` bytes whose body is base64 lines, with the
// attachment marker as its last line, without holding it in memory. Returns
// the file's length.
uint64_t writeHugeMail(const std::string& path, uint64_t size);

}  // namespace quorvel::bench
