#pragma once

#include <string>

namespace quorvel::mailbox {

// An entry of an imported tree that is deliberately not read, and why.
struct Skipped {
    enum class Reason {
        IndexFile,     // a mail program's index, summary or state file beside its mailboxes
        MaildirState,  // a file or folder a mail server keeps in a Maildir beside the mails
        Hidden,        // a name starting with '.'
        Link,          // a symbolic link: never followed out of the tree
        NotRegular,    // a FIFO, socket or device
        Unreadable,    // a folder or file that could not be looked at (detail says why)
    };
    std::string path;
    Reason reason = Reason::Unreadable;
    std::string detail;

    bool operator==(const Skipped&) const = default;
};

}  // namespace quorvel::mailbox
