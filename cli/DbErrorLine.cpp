#include "cli/DbErrorLine.h"

#include <sqlite3.h>

#include <memory>
#include <string_view>
#include <vector>

namespace quorvel::cli {

namespace {

int printed = 0;
std::ostream* sinkStream = nullptr;

// Failures kept back by a DbErrorHold; null when none is alive.
struct Kept {
    std::vector<std::string> lines;
    bool allBusy = true;
};
std::unique_ptr<Kept> kept;

void print(const std::string& line) {
    *sinkStream << line << '\n' << std::flush;
    ++printed;
}

// The operations of the access layer that only read; every other one writes.
bool isRead(std::string_view operation) {
    for (std::string_view read : {"OpenRecordset", "MoveFirst", "MoveNext", "FindFirst", "FindNext"}) {
        if (operation == read) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string dbFailureLine(const archive::DbFailure& f) {
    // The comment names the operation first ("FindFirst ID = 3"); the
    // statement after it is for the window's box, not for this line.
    const std::string operation = f.comment.substr(0, f.comment.find(' '));
    std::string what;
    if (operation == "OpenDatabase") {
        what = "cannot open the archive";
    } else {
        what = std::string(isRead(operation) ? "cannot read" : "cannot write") + " table " + f.tname;
    }
    if (!f.description.empty()) {
        what += " (" + f.description + ")";
    }
    std::string line = "quorvel-cli: " + f.fname + ": " + what;
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';  // one failure, one line, whatever the engine's text holds
        }
    }
    return line;
}

void installDbErrorLines(std::ostream& err) {
    sinkStream = &err;
    archive::setDbErrorSink([](const archive::DbFailure& failure) {
        if (!kept) {
            print(dbFailureLine(failure));
            return;
        }
        kept->lines.push_back(dbFailureLine(failure));
        const int code = failure.number & 0xff;
        kept->allBusy = kept->allBusy && (code == SQLITE_BUSY || code == SQLITE_LOCKED);
    });
}

int dbErrorLinesPrinted() {
    return printed;
}

DbErrorHold::DbErrorHold() {
    kept = std::make_unique<Kept>();
}

DbErrorHold::~DbErrorHold() {
    const std::unique_ptr<Kept> held = std::move(kept);
    if (sinkStream) {
        for (const std::string& line : held->lines) {
            print(line);
        }
    }
}

bool DbErrorHold::onlyBusy() const {
    return !kept->lines.empty() && kept->allBusy;
}

void DbErrorHold::drop() {
    kept->lines.clear();
    kept->allBusy = true;
}

}  // namespace quorvel::cli
