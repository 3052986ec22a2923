// check and compact: the archive health library on an archive named on the
// command line.
#include "app/ProgramValues.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveClaim.h"
#include "cli/ArchiveReader.h"
#include "cli/Commands.h"
#include "cli/LineEscape.h"
#include "cli/Options.h"
#include "health/ArchiveHealth.h"

namespace quorvel::cli {

const std::string_view kCheckDetails =
    "Checks an archive for what could lose or hide mails: damage to the\n"
    "database, missing tables, a mail without its header row or its stored\n"
    "file, a mail or folder outside the folder tree, a stored mail that cannot\n"
    "be read or no longer reads as a mail. Prints one line per problem. The\n"
    "archive is only read, never changed; a write that was cut short (a\n"
    "program killed while writing) is left for the next writer to roll back,\n"
    "and the archive is checked as that will leave it.\n"
    "\n"
    "With --repair the archive is claimed as import claims it and mended: its\n"
    "rows are copied into a new file, a stored mail without a header row gets\n"
    "one, mails and folders outside the tree go under the root (mails into a\n"
    "folder made for them), a header row without a stored mail is removed;\n"
    "the new file replaces the archive only when complete and sound. No\n"
    "mail's bytes are ever dropped. Prints each problem mended (\"mended: \"),\n"
    "what the repair did (\"note: \") and each problem it cannot mend\n"
    "(\"left: \").\n"
    "\n"
    "--wait SECONDS sets how long to wait for another program that holds the\n"
    "archive (default 30).\n"
    "\n"
    "Exit status: check: 0 when no problem was found, 1 when some were, 2 when\n"
    "the archive cannot be read. --repair: 0 when repaired or nothing needed\n"
    "mending, 1 when problems it cannot mend are left, 2 when it could not\n"
    "repair (the archive is then as it was).\n";

const std::string_view kCompactDetails =
    "Gives back the space of deleted mails: the archive is written anew beside\n"
    "itself and the new file renamed over it, so that it is either the old or\n"
    "the new file whatever happens. The archive is claimed meanwhile, as import\n"
    "claims it. Prints the size before and after.\n"
    "\n"
    "--wait SECONDS sets how long to wait for another program that holds the\n"
    "archive (default 30).\n"
    "\n"
    "Exit status: 0 when compacted, 2 when not (the archive is then as it was).\n";

namespace {

void printProblems(const std::vector<health::Problem>& problems, const char* prefix, std::ostream& out) {
    for (const health::Problem& p : problems) {
        out << prefix << escapeForLine(health::describe(p)) << "\n";
    }
}

int check(const ProgramValues& pv, const Deadline& deadline, std::ostream& out, std::ostream& err) {
    const std::string archive = workingFile(pv);
    ArchiveReader reader;
    if (!reader.open(archive, deadline, err)) {
        return kExitError;
    }
    reader.close();
    if (reader.interrupted()) {
        err << "quorvel-cli: " << archive << ": a write to it was cut short; checked as rolling that write back will "
            << "leave it (the next writer does so)\n";
    }
    const health::CheckResult result = health::checkArchive(reader.file(), pv.defs);
    if (!result.readable) {
        err << "quorvel-cli: " << archive << ": cannot read the archive (" << escapeForLine(result.error) << ")\n";
        return kExitError;
    }
    printProblems(result.problems, "", out);
    return result.problems.empty() ? kExitOk : 1;
}

int repair(const ProgramValues& pv, const Deadline& deadline, std::ostream& out, std::ostream& err) {
    const std::string archive = workingFile(pv);
    ArchiveClaim claim;
    if (!claim.take(pv, deadline, err) || !readyForWriting(archive, deadline, err)) {
        return kExitError;
    }
    const health::CheckResult found = health::checkArchive(archive, pv.defs);
    if (!found.readable) {
        err << "quorvel-cli: " << archive << ": cannot read the archive (" << escapeForLine(found.error) << ")\n";
        return kExitError;
    }
    if (found.problems.empty()) {
        out << "nothing to mend\n";
        return kExitOk;
    }
    const health::RepairResult result = health::repairArchive(archive, pv.defs);
    if (!result.done) {
        err << "quorvel-cli: " << archive << ": cannot repair (" << escapeForLine(result.error)
            << "); the archive is as it was\n";
        return kExitError;
    }
    printProblems(result.mended, "mended: ", out);
    for (const std::string& note : result.notes) {
        out << "note: " << escapeForLine(note) << "\n";
    }
    // What the repair does not mend (a mail that no longer reads as one) is
    // still there: it is said, not hidden behind a success.
    const health::CheckResult left = health::checkArchive(archive, pv.defs);
    printProblems(left.problems, "left: ", out);
    return left.readable && left.problems.empty() ? kExitOk : 1;
}

}  // namespace

int runCheck(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    double wait = 0;
    const bool mend = takeFlag(args, "--repair");
    if (!takeWait(args, wait, err) || refuseUnknownOption(args, err)) {
        return kExitUsage;
    }
    if (args.size() != 1) {
        err << "usage: quorvel-cli check [--repair] [--wait SECONDS] ARCHIVE\n";
        return kExitUsage;
    }
    ProgramValues pv;
    if (!setArchive(args[0], pv, err)) {
        return kExitError;
    }
    const Deadline deadline(wait);
    return mend ? repair(pv, deadline, out, err) : check(pv, deadline, out, err);
}

int runCompact(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    double wait = 0;
    if (!takeWait(args, wait, err) || refuseUnknownOption(args, err)) {
        return kExitUsage;
    }
    if (args.size() != 1) {
        err << "usage: quorvel-cli compact [--wait SECONDS] ARCHIVE\n";
        return kExitUsage;
    }
    ProgramValues pv;
    if (!setArchive(args[0], pv, err)) {
        return kExitError;
    }
    const std::string archive = workingFile(pv);
    const Deadline deadline(wait);
    ArchiveClaim claim;
    if (!claim.take(pv, deadline, err) || !readyForWriting(archive, deadline, err)) {
        return kExitError;
    }
    const health::CompactResult result = health::compactArchive(archive);
    if (!result.done) {
        err << "quorvel-cli: " << archive << ": cannot compact (" << escapeForLine(result.error)
            << "); the archive is as it was\n";
        return kExitError;
    }
    out << escapeForLine(archive) << ": " << result.bytesBefore << " bytes before, " << result.bytesAfter
        << " bytes after\n";
    return kExitOk;
}

}  // namespace quorvel::cli
