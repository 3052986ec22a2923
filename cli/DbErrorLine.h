#pragma once

#include <ostream>
#include <string>

#include "archive/LtDataBaseInfo.h"

// The tool's sink for the archive access layer's failures: where the window
// shows its seven-line box, the tool prints one English line on standard
// error, "quorvel-cli: PATH: what went wrong".
namespace quorvel::cli {

// The line for one failure, without its line end.
std::string dbFailureLine(const archive::DbFailure& failure);

// Puts the tool's sink in place: each failure becomes its line on `err`.
void installDbErrorLines(std::ostream& err);

// How many failures the sink has printed so far. A command that fails after
// the access layer reported why prints no second line of its own.
int dbErrorLinesPrinted();

// Keeps back the failures of a step that may be tried again when another
// program held the archive: while it lives, failures are kept instead of
// printed. Lines kept and not dropped are printed when it goes. One at a
// time.
class DbErrorHold {
public:
    DbErrorHold();
    ~DbErrorHold();
    DbErrorHold(const DbErrorHold&) = delete;
    DbErrorHold& operator=(const DbErrorHold&) = delete;

    // Whether failures were kept and each was the archive being busy
    // (another connection holds its lock).
    bool onlyBusy() const;
    // Forgets the failures kept so far.
    void drop();
};

}  // namespace quorvel::cli
