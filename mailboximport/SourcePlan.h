#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mailbox/ImportPlan.h"

namespace quorvel::mailboximport {

// One thing to read and the name it is reported under when it is no mail.
struct PlannedSource {
    mailbox::SourceItem item;
    std::string shownAs;
};

// What an import of several paths reads, in order.
struct SourcePlan {
    std::vector<PlannedSource> sources;
    std::vector<std::string> notMail;  // neither a mail nor a mailbox, or not readable
    std::vector<mailbox::Skipped> skipped;
    uint64_t totalBytes = 0;
};

// The plans of the paths one after the other. A path that is a file of its
// own and no mailbox is a mail file of the target folder whatever its name,
// since the parser, not the name, decides what a mail is; it is reported
// under the path as given.
SourcePlan planSources(const std::vector<std::string>& paths);

}  // namespace quorvel::mailboximport
