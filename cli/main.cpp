// quorvel-cli: the command-line tool. The first argument names the command;
// each command is one function in its own file, listed once below.
#include <iostream>
#include <string_view>

#include "cli/Commands.h"
#include "cli/DbErrorLine.h"

namespace {

using quorvel::cli::Command;

// Every command of the tool, in the order --help lists them.
const Command kCommands[] = {
    {"parse", "parse FILE...", "print the header values of mail files, one JSON line per file",
     quorvel::cli::kParseDetails, quorvel::cli::runParse},
    {"new", "new ARCHIVE", "make a new, empty archive from the template", quorvel::cli::kNewDetails,
     quorvel::cli::runNew},
    {"import", "import ARCHIVE [--folder ID] [--skip-duplicates] [--wait SECONDS] PATH...",
     "store mail files, mbox files, Maildirs and folders in a folder of an archive", quorvel::cli::kImportDetails,
     quorvel::cli::runImport},
    {"ls", "ls ARCHIVE [--folder ID] [--json] [--wait SECONDS]",
     "list an archive's folders, or the mails of one folder", quorvel::cli::kLsDetails, quorvel::cli::runLs},
    {"export", "export ARCHIVE --to DIR [--wait SECONDS] ID...", "write mails to files named after their subjects",
     quorvel::cli::kExportDetails, quorvel::cli::runExport},
    {"check", "check [--repair] [--wait SECONDS] ARCHIVE",
     "find what could lose or hide mails in an archive; with --repair, mend it", quorvel::cli::kCheckDetails,
     quorvel::cli::runCheck},
    {"compact", "compact [--wait SECONDS] ARCHIVE", "give back the space of deleted mails",
     quorvel::cli::kCompactDetails, quorvel::cli::runCompact},
    {"search", "search ARCHIVE [--folder ID] [--json] [--wait SECONDS] QUERY...",
     "find the mails that match a query, newest first", quorvel::cli::kSearchDetails, quorvel::cli::runSearch},
    {"index", "index ARCHIVE [--rebuild] [--wait SECONDS]", "make or bring in step an archive's search index",
     quorvel::cli::kIndexDetails, quorvel::cli::runIndex},
    {"regsvr", "regsvr [-u] LIBRARY.so", "register a component library for this user, or unregister it (-u)",
     quorvel::cli::kRegsvrDetails, quorvel::cli::runRegsvr},
};

bool isHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h" || arg == "help";
}

const Command* findCommand(std::string_view name) {
    for (const Command& c : kCommands) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

void printUsage(std::ostream& out) {
    out << "Usage: quorvel-cli COMMAND [ARGUMENTS...]\n"
           "       quorvel-cli help COMMAND\n"
           "\n"
           "The command-line tool of the Quorvel mail archiver.\n"
           "\n"
           "Commands:\n";
    for (const Command& c : kCommands) {
        out << "  " << c.synopsis << "\n      " << c.summary << "\n";
    }
}

void printCommandHelp(const Command& c, std::ostream& out) {
    out << "Usage: quorvel-cli " << c.synopsis << "\n\n" << c.details;
}

int unknownCommand(std::string_view name) {
    std::cerr << "quorvel-cli: unknown command " << name << " (see quorvel-cli --help)\n";
    return quorvel::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    // The archive access layer's failures are lines on standard error here,
    // not the window's box.
    quorvel::cli::installDbErrorLines(std::cerr);
    quorvel::cli::Args args(argv + 1, argv + argc);
    if (args.empty()) {
        printUsage(std::cerr);
        return quorvel::cli::kExitUsage;
    }
    if (isHelp(args[0])) {
        if (args.size() < 2) {
            printUsage(std::cout);
            return quorvel::cli::kExitOk;
        }
        const Command* c = findCommand(args[1]);
        if (!c) {
            return unknownCommand(args[1]);
        }
        printCommandHelp(*c, std::cout);
        return quorvel::cli::kExitOk;
    }
    const Command* command = findCommand(args[0]);
    if (!command) {
        return unknownCommand(args[0]);
    }
    args.erase(args.begin());
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        printCommandHelp(*command, std::cout);
        return quorvel::cli::kExitOk;
    }
    return command->run(args, std::cout, std::cerr);
}
