// search and index: the archive's search index, made on the first search and
// brought in step before each one.
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <sstream>

#include "cli/ArchiveAccess.h"
#include "cli/ArchiveClaim.h"
#include "cli/ArchiveReader.h"
#include "cli/Commands.h"
#include "cli/JsonLine.h"
#include "cli/LineEscape.h"
#include "cli/Options.h"
#include "search/QueryParser.h"
#include "search/Search.h"
#include "search/SearchIndex.h"
#include "search/Tokenizer.h"

namespace quorvel::cli {

const std::string_view kSearchDetails =
    "Finds the mails of an archive that match a query, newest first, and prints\n"
    "one line per mail: ID, folder ID, date, sender and subject, separated by\n"
    "tabs and escaped as `ls` does; with --json one object per line. With\n"
    "--folder ID only that folder and the folders below it are searched. The\n"
    "count goes to standard error.\n"
    "\n"
    "The query: words (every word must match), \"a phrase\", -word (must not\n"
    "match), a OR b, from: to: (To and Cc) subject: body: attachment: (file\n"
    "names), has:attachment, after:YYYY-MM-DD, before:YYYY-MM-DD, in:FOLDER.\n"
    "Japanese words of any length are found, also in ISO-2022-JP and\n"
    "Shift_JIS mails; full-width and half-width forms find each other.\n"
    "\n"
    "The first search of an archive makes its index (new tables inside the\n"
    "archive; its mails and folders are not changed), and each search first\n"
    "indexes the mails added since. For that the archive is claimed as\n"
    "`import` claims it. An archive the program has open is searched as it\n"
    "was last saved, in a private copy.\n"
    "\n"
    "Exit status: 0 when mails were found, 1 when none were, 2 on an error\n"
    "(a query that cannot be read, an archive missing, damaged or in use).\n";

const std::string_view kIndexDetails =
    "Makes an archive's search index, or brings it in step with the archive\n"
    "(search does this itself on each search). With --rebuild the index is\n"
    "made anew from every mail. The archive is claimed as `import` claims it.\n"
    "Prints how many mails were indexed. Exit status 0, or 2 on an error.\n";

namespace {

// The file a search or index works on, open for writing with the tokenizer
// registered: the archive itself under the tool's claim, or, when the program
// has it open, a private copy as last saved.
class IndexedArchive {
public:
    ~IndexedArchive() {
        if (db_) {
            sqlite3_close(db_);
        }
    }

    // `copyAllowed`: a private copy will do when the archive is in use.
    bool open(const std::string& arg, const Deadline& deadline, bool copyAllowed, std::ostream& err) {
        ProgramValues pv;
        if (!setArchive(arg, pv, err)) {
            return false;
        }
        path_ = workingFile(pv);
        std::ostringstream refused;
        if (claim_.take(pv, deadline, refused)) {
            return readyForWriting(path_, deadline, err) && connect(path_, err);
        }
        if (!copyAllowed) {
            err << refused.str();
            return false;
        }
        // In use: the copy holds what was last saved; what the program has
        // not saved yet is not searched.
        if (!reader_.open(path_, deadline, err, /*copy=*/true)) {
            return false;
        }
        reader_.close();
        err << "quorvel-cli: " << path_ << ": in use; searching it as last saved\n";
        return connect(reader_.file(), err);
    }

    sqlite3* db() const { return db_; }
    const std::string& path() const { return path_; }

private:
    bool connect(const std::string& file, std::ostream& err) {
        std::string error;
        if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK ||
            !search::registerTokenizer(db_, &error)) {
            err << "quorvel-cli: " << path_ << ": cannot open the archive ("
                << (error.empty() ? sqlite3_errmsg(db_) : error) << ")\n";
            return false;
        }
        sqlite3_busy_timeout(db_, 2000);
        return true;
    }

    std::string path_;
    ArchiveClaim claim_;
    ArchiveReader reader_;
    sqlite3* db_ = nullptr;
};

// A progress line on standard error, only where someone watches it.
search::IndexProgress progressLine(std::ostream& err) {
    if (&err != &std::cerr || !::isatty(STDERR_FILENO)) {
        return {};
    }
    return [&err](int64_t done, int64_t total) {
        err << "\rindexing " << done << " / " << total << " mails" << std::flush;
    };
}

bool bringInStep(IndexedArchive& archive, bool rebuild, std::ostream& err, int64_t* indexed = nullptr) {
    const search::IndexProgress progress = progressLine(err);
    const search::IndexResult result =
        rebuild ? search::rebuild(archive.db(), progress) : search::synchronise(archive.db(), progress);
    if (progress) {
        err << "\r\033[K" << std::flush;
    }
    if (!result.ok) {
        err << "quorvel-cli: " << archive.path() << ": cannot make the search index (" << result.error << ")\n";
        return false;
    }
    if (indexed) {
        *indexed = result.indexed;
    }
    return true;
}

std::string joined(const Args& words) {
    std::string text;
    for (const std::string& w : words) {
        text += (text.empty() ? "" : " ") + w;
    }
    return text;
}

}  // namespace

int runSearch(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    int32_t folder = 0;
    double wait = 0;
    const bool json = takeFlag(args, "--json");
    if (!takeFolder(args, folder, err) || !takeWait(args, wait, err)) {
        return kExitUsage;
    }
    if (args.size() < 2) {
        err << "usage: quorvel-cli search ARCHIVE [--folder ID] [--json] [--wait SECONDS] QUERY...\n";
        return kExitUsage;
    }
    // The query may start with "-": a word the mail must not hold, not an option.
    const search::ParsedQuery parsed = search::parseQuery(joined(Args(args.begin() + 1, args.end())));
    if (!parsed.query) {
        err << "quorvel-cli: " << parsed.message << "\n";
        return kExitError;
    }
    if (parsed.query->inCurrentFolder && folder == 0) {
        err << "quorvel-cli: in: alone searches the current folder; name it with --folder ID\n";
        return kExitUsage;
    }
    IndexedArchive archive;
    if (!archive.open(args[0], Deadline(wait), /*copyAllowed=*/true, err) || !bringInStep(archive, false, err)) {
        return kExitError;
    }
    const search::SearchResult found =
        search::search(archive.db(), *parsed.query, folder > 0 ? std::optional<int64_t>(folder) : std::nullopt);
    if (found.status != search::SearchResult::Status::Done) {
        err << "quorvel-cli: " << archive.path() << ": cannot search (" << found.error << ")\n";
        return kExitError;
    }
    for (const search::Hit& hit : found.hits) {
        const std::string& date = hit.dateR.empty() ? hit.date : hit.dateR;
        if (json) {
            out << JsonLine()
                       .add("id", hit.id)
                       .add("folder", hit.dirId)
                       .add("date", date)
                       .add("from", hit.from)
                       .add("subject", hit.subject)
                       .text()
                << '\n';
        } else {
            out << hit.id << '\t' << hit.dirId << '\t' << escapeForLine(date) << '\t' << escapeForLine(hit.from) << '\t'
                << escapeForLine(hit.subject) << '\n';
        }
    }
    out.flush();
    err << found.hits.size() << " mails found\n";
    return found.hits.empty() ? 1 : kExitOk;
}

int runIndex(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    double wait = 0;
    const bool rebuild = takeFlag(args, "--rebuild");
    if (!takeWait(args, wait, err) || refuseUnknownOption(args, err)) {
        return kExitUsage;
    }
    if (args.size() != 1) {
        err << "usage: quorvel-cli index ARCHIVE [--rebuild] [--wait SECONDS]\n";
        return kExitUsage;
    }
    IndexedArchive archive;
    int64_t indexed = 0;
    if (!archive.open(args[0], Deadline(wait), /*copyAllowed=*/false, err) ||
        !bringInStep(archive, rebuild, err, &indexed)) {
        return kExitError;
    }
    out << "indexed " << indexed << " mails\n";
    return kExitOk;
}

}  // namespace quorvel::cli
