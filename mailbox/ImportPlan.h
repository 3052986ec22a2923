#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mailbox/Skipped.h"

namespace quorvel::mailbox {

// One thing to import and the folder it goes into.
struct SourceItem {
    enum class Kind {
        Folder,    // a folder to make even when nothing goes into it (a folder of the tree, or a parent)
        MailFile,  // one mail in a file of its own
        Mbox,      // the mails of an mbox file
        Maildir,   // the mails of one Maildir folder (its new/ and cur/)
    };
    Kind kind = Kind::Folder;
    // Folder names from the import's target folder down; empty for the target itself.
    std::vector<std::string> folderPath;
    std::string path;    // what is read; for a Folder the folder it mirrors (empty for a made-up parent)
    uint64_t bytes = 0;  // the bytes to read, for a progress figure

    bool operator==(const SourceItem&) const = default;
};

struct ImportPlan {
    // In the order to import them, which is the same for every planning of
    // the same tree. A folder comes before every item inside it: each item's
    // parent folders are named by earlier items, and no Folder item repeats.
    std::vector<SourceItem> items;
    std::vector<Skipped> skipped;      // left out on purpose, with the reason
    std::vector<std::string> notMail;  // files that are neither a mail nor a mailbox
    uint64_t totalBytes = 0;           // the sum of the items' bytes
};

// Plans the import of a file or a folder.
//
// A folder D becomes the folder D; inside it, a loose file is a mail when its
// name ends in ".eml" (in any case) -- its content is not looked at here, the
// importer's parser judges it -- a file that starts like an mbox (isMbox)
// becomes a folder named after the file, a Maildir becomes a folder named
// after its directory (its Maildir++ subfolders ".A.B" folders A / B below
// it), and any other folder is walked the same way. A mail program's tree
// is read as it stores folders: the mbox file "Inbox" is the folder Inbox,
// and "Inbox.sbd/Sub" the folder Sub inside it, also when "Inbox" itself is
// missing. An empty file is an empty mbox only where a mail program keeps
// its folders (beside its summary files or in an .sbd folder, or with a
// summary file or .sbd folder of its own) or when named like one (".mbox",
// ".mbx", "mbox"). A single ".eml" file given as `path` is a mail of the
// target folder itself.
//
// Nothing inside the tree is followed through a symbolic link (a link is
// skipped and reported); `path` itself is followed when it is a link, since
// the user chose it. The walk keeps its own stack instead of recursing, so
// a deep tree costs memory for the folders on the way down, never stack:
// the depth is bounded by what a path can name (PATH_MAX), and a folder
// deeper than that is reported as unreadable.
ImportPlan planImport(const std::string& path);

}  // namespace quorvel::mailbox
