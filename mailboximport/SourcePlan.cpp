#include "mailboximport/SourcePlan.h"

#include <sys/stat.h>

namespace quorvel::mailboximport {

using mailbox::Skipped;
using mailbox::SourceItem;

namespace {

// What the user named is followed when it is a link, as the planner does.
bool isFileFollowingLinks(const std::string& path, uint64_t& size) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

}  // namespace

SourcePlan planSources(const std::vector<std::string>& paths) {
    SourcePlan plan;
    for (const std::string& path : paths) {
        mailbox::ImportPlan one = mailbox::planImport(path);
        uint64_t size = 0;
        const bool file = isFileFollowingLinks(path, size);
        if (file && one.items.empty() && one.notMail.size() == 1) {
            // A file of its own that is no mbox: the parser judges it.
            one.items.push_back({SourceItem::Kind::MailFile, {}, one.notMail.front(), size});
            one.totalBytes += size;
            one.notMail.clear();
        }
        for (SourceItem& item : one.items) {
            const bool given = file && item.kind == SourceItem::Kind::MailFile && item.folderPath.empty();
            std::string shownAs = given ? path : item.path;
            plan.sources.push_back({std::move(item), std::move(shownAs)});
        }
        plan.totalBytes += one.totalBytes;
        for (std::string& notMail : one.notMail) {
            plan.notMail.push_back(std::move(notMail));
        }
        for (Skipped& skipped : one.skipped) {
            // What could not be looked at is reported with what is no mail;
            // what was left out on purpose is not.
            if (skipped.reason == Skipped::Reason::Unreadable || skipped.reason == Skipped::Reason::NotRegular) {
                plan.notMail.push_back(skipped.path);
            }
            plan.skipped.push_back(std::move(skipped));
        }
    }
    return plan;
}

}  // namespace quorvel::mailboximport
