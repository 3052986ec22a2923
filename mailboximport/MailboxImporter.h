#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/ArchiveLocation.h"
#include "mailbox/MboxReader.h"
#include "mailbox/Skipped.h"

// Whole mailboxes into the open archive: mail files, mbox files, Maildir
// folders and folder trees, their folders mirrored below a target folder.
// No widgets: the window runs it on a thread of its own, the tool directly.
namespace quorvel::mailboximport {

struct ImportOptions {
    // A mail whose exact bytes the folder it would go into holds already is
    // left out.
    bool skipDuplicates = false;
    // The mails stored are committed after this many mails or this much time,
    // whichever comes first: a crash loses at most one batch, never part of
    // a mail, and a folder is committed with (or before) its first mails.
    size_t batchMails = 1000;
    std::chrono::milliseconds batchTime{1000};
    mailbox::Quoting quoting = mailbox::Quoting::Mboxrd;
};

struct ImportProgress {
    std::string folder;      // the name of the folder mails go into now
    int64_t stored = 0;      // mails stored so far, the open batch's included
    int64_t committed = 0;   // of those, the ones the archive keeps whatever happens
    int64_t duplicates = 0;  // mails left out as duplicates
    uint64_t bytesDone = 0;  // of the sources read
    uint64_t bytesTotal = 0;
    double mailsPerSecond = 0;
};

// Told how far the import has come, between mails; answering false stops it
// there.
using ImportProgressFn = std::function<bool(const ImportProgress&)>;

struct ImportResult {
    int64_t stored = 0;       // mails the archive now holds for good
    int64_t duplicates = 0;   // mails left out because their folder held them
    int64_t foldersMade = 0;  // folders the archive now holds for good
    // What was read and is no mail: files, mails of an mbox as "PATH#N" (its
    // N-th mail, from 1), mails too large to store, what could not be read.
    std::vector<std::string> notMail;
    std::vector<mailbox::Skipped> skipped;  // left out on purpose: links, index files, hidden files
    bool cancelled = false;
    bool failed = false;    // the archive refused a write; what was committed before stays
    std::string failure;    // the access layer's message when failed
    std::string stoppedIn;  // the source being read when the import was cancelled or failed
};

// Imports every path, in order, below the folder `target`. Mail identifiers
// follow `mailCounter` and folder identifiers `dirCounter` (each the highest
// handed out so far; both are raised). The archive is worked on through one
// connection of this call's own, on the calling thread; failures also go to
// the access layer's error sink.
ImportResult importMailboxes(const archive::ArchiveLocation& at, const std::vector<std::string>& paths, int32_t target,
                             int32_t& mailCounter, int32_t& dirCounter, const ImportOptions& options,
                             const ImportProgressFn& progress = {});

// Whether a drop of these paths holds more than mail files: a folder, or a
// file other than an ".eml" that starts as an mbox does. A drop of mail files
// only goes the way single mails always went.
bool holdsMailboxes(const std::vector<std::string>& paths);

}  // namespace quorvel::mailboximport
