// new and import: the same start-up tables, parser, importer and storage as
// the window, on an archive named on the command line.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/ProgramValues.h"
#include "archive/Schema.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveClaim.h"
#include "cli/ArchiveReader.h"
#include "cli/Commands.h"
#include "cli/DbErrorLine.h"
#include "cli/LineEscape.h"
#include "cli/Options.h"
#include "document/ArchiveDocument.h"
#include "document/DocumentTexts.h"
#include "import/MailImporter.h"
#include "mailboximport/ImportTexts.h"
#include "mailboximport/MailboxImporter.h"

namespace fs = std::filesystem;

namespace quorvel::cli {

const std::string_view kNewDetails =
    "Makes a new, empty archive from the program's template (sys/inttmpl.qvb\n"
    "beside this tool). An existing file is not replaced.\n";

const std::string_view kImportDetails =
    "Imports mails into a folder of an archive (default: the root, 1). Each\n"
    "PATH is a mail file, an mbox file, a Maildir or a folder: a mail file\n"
    "becomes a new mail of the folder, as dropping it on the folder in the\n"
    "window does; a folder is mirrored below it, and so is an mbox file, its\n"
    "mail program's NAME.sbd subfolders and a Maildir's Maildir++ subfolders\n"
    "(a folder of the same name already there is filled, not made again).\n"
    "Every mail is stored byte for byte. Prints the count stored, the count\n"
    "of folders made when there were any, and each file, or mail of an mbox\n"
    "(PATH#N, its N-th mail), that is not a mail. The archive is written in\n"
    "place, in batches of up to 1000 mails or one second: a crash loses at\n"
    "most the last batch, never part of a mail. While standard error is a\n"
    "terminal, a progress line is shown there.\n"
    "\n"
    "--skip-duplicates leaves out each mail whose exact bytes the folder it\n"
    "would go into holds already, and prints how many were left out; the\n"
    "same mailbox imported again then adds nothing.\n"
    "\n"
    "While it works, the archive is claimed (its NAME.hvl beside it): the\n"
    "program does not open it meanwhile, and another writing command waits\n"
    "for it. An archive the program has open is refused. --wait SECONDS sets\n"
    "how long to wait for another command that holds the archive (default 30).\n"
    "\n"
    "Exit status: 0 when every mail was stored (or left out as a duplicate),\n"
    "1 when something was not a mail, 2 on an error (the archive is in use,\n"
    "missing or cannot be written, or it has no folder ID); each error is one\n"
    "line on standard error.\n";

namespace {

std::string programFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// A line on standard error that tells how far an import has come, written
// over itself; only for a person watching a terminal.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& err) : err_(err), shown_(::isatty(STDERR_FILENO) == 1) {}
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool update(const mailboximport::ImportProgress& p) {
        const auto now = std::chrono::steady_clock::now();
        if (!shown_ || now - last_ < std::chrono::milliseconds(100)) {
            return true;
        }
        last_ = now;
        constexpr double kMiB = 1024.0 * 1024.0;
        char figures[160];
        std::snprintf(figures, sizeof figures, "%lld mails stored, %lld duplicates, %.1f of %.1f MB, %.0f mails/s",
                      static_cast<long long>(p.stored), static_cast<long long>(p.duplicates), p.bytesDone / kMiB,
                      p.bytesTotal / kMiB, p.mailsPerSecond);
        err_ << "\rimporting into " << escapeForLine(p.folder) << ": " << figures << "\x1b[K" << std::flush;
        written_ = true;
        return true;
    }
    void clear() {
        if (written_) {
            err_ << "\r\x1b[K" << std::flush;
            written_ = false;
        }
    }

private:
    std::ostream& err_;
    bool shown_;
    bool written_ = false;
    std::chrono::steady_clock::time_point last_{};
};

// Imports the paths, trying again while another connection holds the archive
// (a reader) until the deadline; false after the lines that say why not.
bool importPaths(ProgramValues& pv, int32_t folder, const std::vector<std::string>& paths,
                 const mailboximport::ImportOptions& options, const Deadline& deadline,
                 mailboximport::ImportResult& result, std::ostream& err) {
    for (;;) {
        DbErrorHold hold;
        result = {};
        const Lookup found = findFolder(pv, folder);
        int32_t mailCounter = found == Lookup::Found ? highestId(pv, archive::kMailInfTabl) : -1;
        int32_t dirCounter = 0;
        if (mailCounter >= 0) {
            ProgressLine line(err);
            result = mailboximport::importMailboxes(pv, paths, folder, mailCounter, dirCounter, options,
                                                    [&](const auto& progress) { return line.update(progress); });
        }
        // The import holds the archive from its start on: a busy archive
        // means nothing was stored yet, so trying again repeats nothing.
        if (hold.onlyBusy() && result.stored == 0 && result.foldersMade == 0) {
            hold.drop();
            if (deadline.passed()) {
                err << "quorvel-cli: " << workingFile(pv) << ": in use by another program (still in use after waiting "
                    << deadline.waitedText() << "; see --wait)\n";
                return false;
            }
            deadline.pause();
            continue;
        }
        if (found == Lookup::Missing) {
            err << "quorvel-cli: " << workingFile(pv) << ": no folder " << folder << "\n";
            return false;
        }
        return mailCounter >= 0 && !result.failed;  // the hold prints the access layer's lines
    }
}

}  // namespace

int runNew(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "usage: quorvel-cli new ARCHIVE\n";
        return kExitUsage;
    }
    std::string error;
    if (!makeArchiveFromTemplate(programFolder() + "/sys/" + texts::kTemplateName, archive::makeTableDefs(), args[0],
                                 error)) {
        err << "quorvel-cli: " << args[0] << ": cannot make the archive (" << error << ")\n";
        return kExitError;
    }
    out << "made " << args[0] << "\n";
    return kExitOk;
}

int runImport(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    int32_t folder = archive::kRootDirId;
    double wait = 0;
    mailboximport::ImportOptions options;
    options.skipDuplicates = takeFlag(args, "--skip-duplicates");
    if (!takeFolder(args, folder, err) || !takeWait(args, wait, err)) {
        return kExitUsage;
    }
    if (args.size() < 2) {
        err << "usage: quorvel-cli import ARCHIVE [--folder ID] [--skip-duplicates] [--wait SECONDS] PATH...\n";
        return kExitUsage;
    }
    ProgramValues pv;
    if (!setArchive(args[0], pv, err)) {
        return kExitError;
    }
    const Deadline deadline(wait);
    ArchiveClaim claim;
    if (!claim.take(pv, deadline, err) || !readyForWriting(workingFile(pv), deadline, err)) {
        return kExitError;
    }
    const std::vector<std::string> paths(args.begin() + 1, args.end());
    mailboximport::ImportResult result;
    const bool stored = importPaths(pv, folder, paths, options, deadline, result, err);
    claim.release();
    if (stored || result.stored > 0 || !result.notMail.empty()) {
        out << result.stored << mailimport::kStoredSuffix << "\n";
        if (options.skipDuplicates) {
            out << result.duplicates << mailboximport::texts::kDuplicatesSuffix << "\n";
        }
        if (result.foldersMade > 0) {
            out << result.foldersMade << mailboximport::texts::kFoldersSuffix << "\n";
        }
    }
    for (const std::string& path : result.notMail) {
        out << "not a mail: " << escapeForLine(path) << "\n";
    }
    if (!stored) {
        return kExitError;
    }
    return result.notMail.empty() ? kExitOk : 1;
}

}  // namespace quorvel::cli
