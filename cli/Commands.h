#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The commands of quorvel-cli. Each lives in its own file and is listed once,
// in the table in main.cpp.
namespace quorvel::cli {

// Exit statuses shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;       // unknown command or option, missing argument
inline constexpr int kExitUnreadable = 2;  // some file could not be opened or read
inline constexpr int kExitError = 2;       // the archive is missing, in use, or cannot be read or written

using Args = std::vector<std::string>;  // the arguments after the command's name
using CommandFn = int (*)(const Args& args, std::ostream& out, std::ostream& err);

struct Command {
    std::string_view name;
    std::string_view synopsis;  // arguments, as in "parse FILE..."
    std::string_view summary;   // one line for the command list
    std::string_view details;   // the command's own help
    CommandFn run;
};

// parse FILE...: the header values of mail files, one JSON line per file.
int runParse(const Args& args, std::ostream& out, std::ostream& err);
extern const std::string_view kParseDetails;

// new ARCHIVE; import ARCHIVE [--folder ID] [--skip-duplicates] [--wait SECONDS] PATH...;
// ls ARCHIVE [--folder ID] [--json] [--wait SECONDS]
int runNew(const Args& args, std::ostream& out, std::ostream& err);
int runImport(const Args& args, std::ostream& out, std::ostream& err);
int runLs(const Args& args, std::ostream& out, std::ostream& err);
extern const std::string_view kNewDetails;
extern const std::string_view kImportDetails;
extern const std::string_view kLsDetails;
// export ARCHIVE --to DIR [--wait SECONDS] ID...: mails written under their
// drag-out names.
int runExport(const Args& args, std::ostream& out, std::ostream& err);
extern const std::string_view kExportDetails;

// check [--repair] [--wait SECONDS] ARCHIVE; compact [--wait SECONDS] ARCHIVE
int runCheck(const Args& args, std::ostream& out, std::ostream& err);
int runCompact(const Args& args, std::ostream& out, std::ostream& err);
extern const std::string_view kCheckDetails;
extern const std::string_view kCompactDetails;

// search ARCHIVE [--folder ID] [--json] [--wait SECONDS] QUERY...: the mails
// that match, newest first; index ARCHIVE [--rebuild]: the search index.
int runSearch(const Args& args, std::ostream& out, std::ostream& err);
int runIndex(const Args& args, std::ostream& out, std::ostream& err);
extern const std::string_view kSearchDetails;
extern const std::string_view kIndexDetails;

// regsvr [-u] LIBRARY.so: registers a component library in the per-user class
// store, or unregisters it.
int runRegsvr(const Args& args, std::ostream& out, std::ostream& err);
extern const std::string_view kRegsvrDetails;

}  // namespace quorvel::cli
