// new and import: the same start-up tables, parser and storage as the
// window, on an archive named on the command line.
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

namespace fs = std::filesystem;

namespace quorvel::cli {

const std::string_view kNewDetails =
    "Makes a new, empty archive from the program's template (sys/inttmpl.qvb\n"
    "beside this tool). An existing file is not replaced.\n";

const std::string_view kImportDetails =
    "Imports mail files into a folder of an archive, as dropping them on the\n"
    "folder in the window does: each file that is a mail becomes a new mail of\n"
    "the folder (default: the root, 1). Prints the count stored and each file\n"
    "that is not a mail. The archive is written in place, each mail durably.\n"
    "\n"
    "While it works, the archive is claimed (its NAME.hvl beside it): the\n"
    "program does not open it meanwhile, and another writing command waits\n"
    "for it. An archive the program has open is refused. --wait SECONDS sets\n"
    "how long to wait for another command that holds the archive (default 30).\n"
    "\n"
    "Exit status: 0 when every file was stored, 1 when some were not mails,\n"
    "2 on an error (the archive is in use, missing or cannot be written, or\n"
    "it has no folder ID); each error is one line on standard error.\n";

namespace {

std::string programFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// Stores the files, trying again while another connection holds the archive
// (a reader) until the deadline; false after the lines that say why not.
bool storeFiles(ProgramValues& pv, int32_t folder, const std::vector<std::string>& files, const Deadline& deadline,
                mailimport::DropImport& result, std::ostream& err) {
    for (;;) {
        DbErrorHold hold;
        result = {};
        const Lookup found = findFolder(pv, folder);
        int32_t mailCounter = found == Lookup::Found ? highestId(pv, archive::kMailInfTabl) : -1;
        if (mailCounter >= 0) {
            result = mailimport::importFiles(pv, mailCounter, files, archive::makeKey(folder));
        }
        // The writer holds the archive from its first mail on: a busy archive
        // means nothing was stored yet, so trying again repeats nothing.
        if (hold.onlyBusy() && result.stored == 0) {
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
    if (!takeFolder(args, folder, err) || !takeWait(args, wait, err)) {
        return kExitUsage;
    }
    if (args.size() < 2) {
        err << "usage: quorvel-cli import ARCHIVE [--folder ID] [--wait SECONDS] FILE...\n";
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
    const std::vector<std::string> files(args.begin() + 1, args.end());
    mailimport::DropImport result;
    const bool stored = storeFiles(pv, folder, files, deadline, result, err);
    claim.release();
    if (stored || result.stored > 0 || !result.rejected.empty()) {
        out << result.stored << mailimport::kStoredSuffix << "\n";
    }
    for (const std::string& path : result.rejected) {
        out << "not a mail: " << escapeForLine(path) << "\n";
    }
    if (!stored) {
        return kExitError;
    }
    return result.rejected.empty() ? kExitOk : 1;
}

}  // namespace quorvel::cli
