#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/Schema.h"

// The health of an archive file: a check that finds what could lose or hide
// mails, a repair that mends it without ever deleting a mail's bytes, and a
// compaction that gives back the space of deleted mails. Widget-free: the
// command-line tool and the window's ツール menu both use it.
namespace quorvel::health {

enum class ProblemKind {
    Damaged,            // the database's own integrity check failed (detail: its message)
    MissingTable,       // a table or column the program reads is missing (detail: which)
    HeaderWithoutMail,  // a header row whose stored mail is missing or empty
    MailWithoutHeader,  // a stored mail with no header row
    MissingFolder,      // a mail whose folder does not exist (other: the folder)
    NoRoot,             // the root folder's row is missing
    DetachedFolder,     // a folder whose parent is missing or that lies in a cycle (other: its parent)
    UnreadableMail,     // a stored mail that cannot be read
    NotAMail,           // a stored mail that no longer parses as a mail
};

struct Problem {
    ProblemKind kind;
    int64_t id = 0;     // the mail or folder
    int64_t other = 0;  // see ProblemKind
    std::string detail;
};

// One line in English, for the command-line tool ("mail 12 has no header row").
std::string describe(const Problem& problem);
// The same in the window's language.
std::string describeJapanese(const Problem& problem);

// Told how far a long task is (done of total steps); answering false cancels.
using Progress = std::function<bool(int64_t done, int64_t total)>;

struct CheckResult {
    bool readable = false;  // false: the file could not be read as a database (see error)
    bool cancelled = false;
    std::string error;
    std::vector<Problem> problems;
};

// Checks an archive without changing it (read-only; it waits a bounded time
// for a writer to finish).
CheckResult checkArchive(const std::string& path, const archive::TableDefs& defs, const Progress& progress = {});

struct RepairResult {
    bool done = false;  // the archive was replaced by the repaired copy
    bool cancelled = false;
    std::string error;
    std::vector<Problem> mended;     // what was found and mended
    std::vector<std::string> notes;  // what the repair did, in English
    int64_t recoveryFolder = 0;      // the folder made for mails without one; 0 when none was needed
};

// The name of the folder a repair makes under the root for mails that had none.
inline constexpr const char* kRecoveryFolderName = "復旧したメール";

// Repairs an archive: its rows are copied into a new file made beside it, the
// copy is mended (a stored mail without a header row gets one from the
// parser; mails whose folder is missing and folders whose parent is missing
// go under the root, mails into a folder made for them; a header row without
// a stored mail is removed and reported), checked, and renamed over the
// archive. Never deletes a mail's bytes; the archive is untouched unless the
// whole repair succeeds.
RepairResult repairArchive(const std::string& path, const archive::TableDefs& defs, const Progress& progress = {});

struct CompactResult {
    bool done = false;
    std::string error;
    int64_t bytesBefore = 0;
    int64_t bytesAfter = 0;
};

// Gives back the space of deleted mails: the archive is written anew
// (VACUUM INTO a file beside it) and the new file renamed over it.
CompactResult compactArchive(const std::string& path);

}  // namespace quorvel::health
