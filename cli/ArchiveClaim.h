#pragma once

#include <ostream>
#include <string>

#include "app/ProgramValues.h"
#include "cli/Deadline.h"

namespace quorvel::cli {

// A writing command's claim on its archive, held for as long as it works:
// the name of the window's working copy (NAME.hvl beside the archive) as an
// empty file under a claim (platform::claimFile's kind of lock). While it
// stands, the window finds the archive in use and another writing command
// waits for it. The kernel drops the lock however the tool ends, so an empty
// file left by a killed tool is known as such and cleared.
class ArchiveClaim {
public:
    ArchiveClaim() = default;
    ~ArchiveClaim();
    ArchiveClaim(const ArchiveClaim&) = delete;
    ArchiveClaim& operator=(const ArchiveClaim&) = delete;

    // Claims the archive of `pv`; false after its line on `err`. Another
    // tool's claim is waited for until `deadline`; the window's working
    // copy, claimed or left by a crash, is refused at once.
    bool take(const ProgramValues& pv, const Deadline& deadline, std::ostream& err);

    // Removes the file and lets go; false after its line when it cannot go.
    bool release();

private:
    std::string archive_;
    std::string path_;
    int fd_ = -1;
    std::ostream* err_ = nullptr;
};

// The name the window's working copy of the archive has: beside it, its name
// up to the first "." followed by ".hvl".
std::string claimPathFor(const ProgramValues& pv);

}  // namespace quorvel::cli
