#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mailbox/ImportPlan.h"
#include "mailbox/Maildir.h"
#include "mailbox/MboxReader.h"

namespace quorvel::mailbox {

// Where one mail handed out by SourceReader came from.
struct MailOrigin {
    std::string path;        // the mail's own file, or the mbox file holding it
    uint64_t offset = 0;     // in an mbox: where its separator line starts
    uint64_t ordinal = 0;    // in an mbox: its place among the file's mails, from 0
    bool truncated = false;  // in an mbox: the file ends inside this mail's last line
};

// Hands out the mails of one planned item one at a time, whatever its kind,
// with how far it has come for a progress figure.
class SourceReader {
public:
    struct Options {
        Quoting quoting = Quoting::Mboxrd;
        uint64_t maxMailBytes = MboxReader::kDefaultMaxMailBytes;
    };

    enum class Next {
        Mail,
        TooLarge,  // a mail longer than maxMailBytes, left out; `origin` says where it is
        Failed,    // error() says why; for a Maildir the next call goes on with the next mail, an mbox ends
        End,
    };

    SourceReader();
    explicit SourceReader(const Options& options);

    // A Folder item has no mails: its reader answers End at once.
    bool open(const SourceItem& item, std::string& error);
    Next next(std::string& mail, MailOrigin& origin);

    uint64_t bytesDone() const;
    uint64_t bytesTotal() const { return bytesTotal_; }
    const std::string& error() const { return error_; }

private:
    Options options_;
    SourceItem::Kind kind_ = SourceItem::Kind::Folder;
    std::string path_;
    std::unique_ptr<MboxReader> mbox_;
    std::unique_ptr<MaildirReader> maildir_;
    bool mailFileDone_ = true;
    uint64_t bytesTotal_ = 0;
    std::string error_;
};

}  // namespace quorvel::mailbox
