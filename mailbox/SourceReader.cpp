#include "mailbox/SourceReader.h"

#include "mailbox/FileAccess.h"

namespace quorvel::mailbox {

SourceReader::SourceReader() : SourceReader(Options{}) {}

SourceReader::SourceReader(const Options& options) : options_(options) {}

bool SourceReader::open(const SourceItem& item, std::string& error) {
    kind_ = item.kind;
    path_ = item.path;
    mbox_.reset();
    maildir_.reset();
    mailFileDone_ = true;
    bytesTotal_ = 0;
    error_.clear();
    switch (item.kind) {
        case SourceItem::Kind::Folder:
            return true;
        case SourceItem::Kind::MailFile:
            mailFileDone_ = false;
            bytesTotal_ = item.bytes;
            return true;
        case SourceItem::Kind::Mbox: {
            MboxReader::Options mboxOptions;
            mboxOptions.quoting = options_.quoting;
            mboxOptions.maxMailBytes = options_.maxMailBytes;
            mbox_ = std::make_unique<MboxReader>(mboxOptions);
            if (!mbox_->open(item.path, error)) {
                error_ = error;
                mbox_.reset();
                return false;
            }
            bytesTotal_ = mbox_->fileSize();
            return true;
        }
        case SourceItem::Kind::Maildir:
            maildir_ = std::make_unique<MaildirReader>(options_.maxMailBytes);
            if (!maildir_->open(item.path, error)) {
                error_ = error;
                maildir_.reset();
                return false;
            }
            bytesTotal_ = maildir_->bytesTotal();
            return true;
    }
    return false;
}

SourceReader::Next SourceReader::next(std::string& mail, MailOrigin& origin) {
    mail.clear();
    origin = MailOrigin{};
    if (mbox_) {
        MailInfo info;
        const MboxReader::Next got = mbox_->next(mail, info);
        origin = {path_, info.offset, info.ordinal, info.truncated};
        switch (got) {
            case MboxReader::Next::Mail:
                return Next::Mail;
            case MboxReader::Next::TooLarge:
                return Next::TooLarge;
            case MboxReader::Next::Failed:
                error_ = path_ + ": " + mbox_->error();
                return Next::Failed;
            case MboxReader::Next::End:
                break;
        }
        return Next::End;
    }
    if (maildir_) {
        const MaildirReader::Next got = maildir_->next(mail, origin.path);
        switch (got) {
            case MaildirReader::Next::Mail:
                return Next::Mail;
            case MaildirReader::Next::TooLarge:
                return Next::TooLarge;
            case MaildirReader::Next::Failed:
                error_ = maildir_->error();
                return Next::Failed;
            case MaildirReader::Next::End:
                break;
        }
        return Next::End;
    }
    if (mailFileDone_) {
        return Next::End;
    }
    mailFileDone_ = true;
    origin.path = path_;
    switch (readWholeFile(path_, options_.maxMailBytes, mail, error_)) {
        case WholeFile::Read:
            return Next::Mail;
        case WholeFile::TooLarge:
            return Next::TooLarge;
        case WholeFile::Failed:
            break;
    }
    return Next::Failed;
}

uint64_t SourceReader::bytesDone() const {
    if (mbox_) {
        return mbox_->bytesDone();
    }
    if (maildir_) {
        return maildir_->bytesDone();
    }
    return mailFileDone_ ? bytesTotal_ : 0;
}

}  // namespace quorvel::mailbox
