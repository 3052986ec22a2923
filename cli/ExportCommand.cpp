// export: mails written out under their drag-out names, the archive only read.
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>

#include "app/ProgramValues.h"
#include "archive/Schema.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveReader.h"
#include "cli/Commands.h"
#include "cli/DbErrorLine.h"
#include "cli/LineEscape.h"
#include "cli/Options.h"
#include "maillist/DragOut.h"
#include "maillist/StoredMail.h"

namespace fs = std::filesystem;

namespace quorvel::cli {

const std::string_view kExportDetails =
    "Writes mails of an archive into a folder, byte for byte as they were\n"
    "imported, named after their subjects as dragging them out of the window\n"
    "names them (a subject that repeats gets \"(n)\"; \"/\" and control\n"
    "characters are replaced, a long subject shortened). An existing file of\n"
    "the same name is replaced, a link of that name too, never what it points\n"
    "to. Prints each path written. A mail the archive does not have, or whose\n"
    "stored file is missing, is reported and the others are still written.\n"
    "\n"
    "The archive is only read, never changed. --wait SECONDS sets how long to\n"
    "wait for a command that is writing it (default 30).\n"
    "\n"
    "Exit status: 0 when every mail was written, 1 when some were not (each\n"
    "named on standard error), 2 when the archive could not be read.\n";

namespace {

struct Wanted {
    int32_t id = 0;
    std::string subject;
};

// The mails asked for that have a header row, with their subjects; the
// others are reported. False after its line when the archive cannot be read.
bool findMails(const ArchiveReader& reader, const ProgramValues& pv, const Args& ids, std::vector<Wanted>& found,
               bool& skipped, std::ostream& err) {
    const auto& d = pv.defs;
    const std::string& table = d.tblNames[archive::kMailInfTabl];
    const std::string sql = "SELECT [" + d.infCols[archive::col::kInfSubject].colName + "] FROM [" + table +
                            "] WHERE [" + d.infCols[archive::col::kInfId].colName + "] = ?1";
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(reader.db(), sql.c_str(), -1, &st, nullptr);
    for (size_t i = 0; rc == SQLITE_OK && i < ids.size(); ++i) {
        const int32_t id = archive::keyToId(ids[i]);
        sqlite3_reset(st);
        sqlite3_bind_int64(st, 1, id);
        const int step = id > 0 ? sqlite3_step(st) : SQLITE_DONE;
        if (step == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(st, 0);
            found.push_back({id, text ? reinterpret_cast<const char*>(text) : ""});
        } else if (step == SQLITE_DONE) {
            err << "quorvel-cli: " << workingFile(pv) << ": no mail " << escapeForLine(ids[i]) << "\n";
            skipped = true;
        } else {
            rc = step;
        }
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_OK) {
        err << "quorvel-cli: " << workingFile(pv) << ": cannot read table " << table << " ("
            << sqlite3_errmsg(reader.db()) << ")\n";
        return false;
    }
    return true;
}

enum class Export { Written, Skipped, ArchiveFailed };

// Writes one mail from `source` (the archive or its private copy), trying
// again while a writer holds the archive.
Export exportMail(const ProgramValues& pv, const ProgramValues& source, int32_t id, const std::string& path,
                  const Deadline& deadline, std::ostream& out, std::ostream& err) {
    for (;;) {
        DbErrorHold hold;
        std::string error;
        switch (writeStoredMailFile(source, id, path, error)) {
            case StoredMailWrite::Written:
                out << escapeForLine(path) << "\n";
                return Export::Written;
            case StoredMailWrite::NoSuchMail:
            case StoredMailWrite::NoStoredFile:
                err << "quorvel-cli: " << workingFile(pv) << ": mail " << id << " has no stored file\n";
                return Export::Skipped;
            case StoredMailWrite::Failed:
                break;
        }
        if (!error.empty()) {
            err << "quorvel-cli: " << escapeForLine(error) << "\n";
            return Export::Skipped;  // the file, not the archive
        }
        if (!hold.onlyBusy()) {
            return Export::ArchiveFailed;  // the hold prints why
        }
        hold.drop();
        if (deadline.passed()) {
            err << "quorvel-cli: " << workingFile(pv) << ": in use by another program (still in use after waiting "
                << deadline.waitedText() << "; see --wait)\n";
            return Export::ArchiveFailed;
        }
        deadline.pause();
    }
}

}  // namespace

int runExport(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    std::string to;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--to") {
            to = args[i + 1];
            args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
            break;
        }
    }
    double wait = 0;
    if (!takeWait(args, wait, err) || refuseUnknownOption(args, err)) {
        return kExitUsage;
    }
    if (to.empty() || args.size() < 2) {
        err << "usage: quorvel-cli export ARCHIVE --to DIR [--wait SECONDS] ID...\n";
        return kExitUsage;
    }
    ProgramValues pv;
    if (!setArchive(args[0], pv, err)) {
        return kExitError;
    }
    std::error_code ec;
    if (!fs::is_directory(to, ec)) {
        err << "quorvel-cli: " << to << ": no such folder\n";
        return kExitError;
    }
    const Deadline deadline(wait);
    // The stored mails are written by the window's own routine, which opens
    // its file for writing: an archive this user may not write is read from
    // a private copy, so that it is never opened to be written.
    const bool mayWrite = ::access(workingFile(pv).c_str(), W_OK) == 0;
    ArchiveReader reader;
    std::vector<Wanted> mails;
    bool skipped = false;
    if (!reader.open(workingFile(pv), deadline, err, !mayWrite) ||
        !findMails(reader, pv, Args(args.begin() + 1, args.end()), mails, skipped, err)) {
        return kExitError;
    }
    reader.close();
    ProgramValues source = pv;
    const fs::path read = reader.file();
    source.arcPath = read.parent_path().string();
    source.lockName = read.filename().string();

    std::vector<std::string> subjects;
    for (const Wanted& m : mails) {
        subjects.push_back(m.subject);
    }
    const auto names = dragOutNames(subjects);
    for (size_t i = 0; i < mails.size(); ++i) {
        switch (exportMail(pv, source, mails[i].id, to + "/" + dragOutFileName(names[i]), deadline, out, err)) {
            case Export::Written:
                break;
            case Export::Skipped:
                skipped = true;
                break;
            case Export::ArchiveFailed:
                return kExitError;
        }
    }
    return skipped ? 1 : kExitOk;
}

}  // namespace quorvel::cli
