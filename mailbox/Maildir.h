#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mailbox/Skipped.h"

namespace quorvel::mailbox {

// True when `folder` has the folders cur/ and new/ (tmp/ is usually there
// too but not needed to read one); links to them do not count.
bool isMaildir(const std::string& folder);

struct MaildirMail {
    std::string path;
    uint64_t size = 0;
};

// The mails of one Maildir folder: the regular files of new/, then those of
// cur/, each part sorted bytewise by the name before its ":2,FLAGS" info
// (then by the whole name). The info is not read: a mail program that marks
// a mail read renames its file, and that must not move it in the order.
// tmp/ holds deliveries in progress and is never read. Dot-files, links and
// other entries of new/ and cur/ that are no regular files are listed in
// `skipped`. False when new/ or cur/ cannot be read (`error` says why).
bool listMaildir(const std::string& folder, std::vector<MaildirMail>& mails, std::vector<Skipped>& skipped,
                 std::string& error);

// Hands out the mails of one Maildir folder one at a time, each read whole
// (memory is that of the largest mail).
class MaildirReader {
public:
    static constexpr uint64_t kDefaultMaxMailBytes = uint64_t{1} << 30;

    enum class Next {
        Mail,
        TooLarge,  // the file is longer than the limit; `path` names it
        Failed,    // one file could not be read (error()); the next call goes on with the next file
        End,
    };

    explicit MaildirReader(uint64_t maxMailBytes = kDefaultMaxMailBytes) : maxMailBytes_(maxMailBytes) {}

    // Lists the folder's mails; their reading comes with next().
    bool open(const std::string& folder, std::string& error);
    Next next(std::string& mail, std::string& path);

    size_t mailCount() const { return mails_.size(); }
    uint64_t bytesTotal() const { return bytesTotal_; }
    uint64_t bytesDone() const { return bytesDone_; }
    const std::string& error() const { return error_; }

private:
    uint64_t maxMailBytes_;
    std::vector<MaildirMail> mails_;
    size_t next_ = 0;
    uint64_t bytesTotal_ = 0;
    uint64_t bytesDone_ = 0;
    std::string error_;
};

}  // namespace quorvel::mailbox
