#include "mailbox/Maildir.h"

#include <algorithm>
#include <string_view>

#include "mailbox/DirectoryListing.h"
#include "mailbox/FileAccess.h"

namespace quorvel::mailbox {

namespace {

std::string_view uniquePart(std::string_view name) {
    return name.substr(0, name.find(':'));
}

bool listPart(const std::string& folder, std::vector<MaildirMail>& mails, std::vector<Skipped>& skipped,
              std::string& error) {
    std::vector<DirectoryEntry> entries;
    if (!listDirectory(folder, entries, error)) {
        return false;
    }
    std::stable_sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        return uniquePart(a.name) < uniquePart(b.name);
    });
    for (const DirectoryEntry& entry : entries) {
        std::string path = folder + "/" + entry.name;
        if (entry.name.front() == '.') {
            skipped.push_back({path, Skipped::Reason::Hidden, {}});
        } else if (entry.type == DirectoryEntry::Type::File) {
            mails.push_back({path, entry.size});
        } else if (entry.type == DirectoryEntry::Type::Link) {
            skipped.push_back({path, Skipped::Reason::Link, {}});
        } else {
            skipped.push_back({path, Skipped::Reason::NotRegular, {}});
        }
    }
    return true;
}

}  // namespace

bool isMaildir(const std::string& folder) {
    return isFolder(folder + "/cur") && isFolder(folder + "/new");
}

bool listMaildir(const std::string& folder, std::vector<MaildirMail>& mails, std::vector<Skipped>& skipped,
                 std::string& error) {
    mails.clear();
    return listPart(folder + "/new", mails, skipped, error) && listPart(folder + "/cur", mails, skipped, error);
}

bool MaildirReader::open(const std::string& folder, std::string& error) {
    std::vector<Skipped> ignored;  // the walker reported them when it planned the import
    if (!listMaildir(folder, mails_, ignored, error)) {
        error_ = error;
        return false;
    }
    next_ = 0;
    bytesDone_ = 0;
    bytesTotal_ = 0;
    for (const MaildirMail& mail : mails_) {
        bytesTotal_ += mail.size;
    }
    return true;
}

MaildirReader::Next MaildirReader::next(std::string& mail, std::string& path) {
    mail.clear();
    if (next_ == mails_.size()) {
        return Next::End;
    }
    const MaildirMail& file = mails_[next_++];
    path = file.path;
    bytesDone_ += file.size;
    switch (readWholeFile(file.path, maxMailBytes_, mail, error_)) {
        case WholeFile::Read:
            return Next::Mail;
        case WholeFile::TooLarge:
            return Next::TooLarge;
        case WholeFile::Failed:
            break;
    }
    return Next::Failed;
}

}  // namespace quorvel::mailbox
