#include "archive/Schema.h"
#include "cli/Commands.h"
#include "cli/JsonLine.h"
#include "import/MailFileParser.h"

namespace quorvel::cli {

const std::string_view kParseDetails =
    "Reads each FILE as a mail and prints one JSON object per file, one per line, in the\n"
    "order given, in UTF-8:\n"
    "  {\"file\":PATH,\"mail\":false}   for a file that is not a mail (or cannot be read)\n"
    "  {\"file\":PATH,\"mail\":true,\"mailType\":..,\"X-Priority\":..,\"attachment\":..,\"DateR\":..,\n"
    "   \"From\":..,\"Subject\":..,\"Date\":..,\"To\":..,\"size\":..}   for a mail\n"
    "The values are the texts the import stores: mailType \"R\" (received) or \"S\" (sent),\n"
    "X-Priority \"！\" for an urgent mail, attachment \"〆\" when the body marks an attachment,\n"
    "dates as \"yyyy/mm/dd hh:mm\" (clock time as written in the mail), size in kilobytes\n"
    "rounded up (\"3KB\"). Bytes of a file name that are not UTF-8 are shown as U+FFFD.\n"
    "Use -- before file names that begin with \"-\".\n"
    "\n"
    "Exit status: 0 when every file was read, 2 when some file could not be opened or read\n"
    "(a message on standard error names it; the other files are still reported), 1 on a\n"
    "usage error.\n";

int runParse(const Args& args, std::ostream& out, std::ostream& err) {
    Args files;
    bool optionsEnd = false;
    for (const std::string& arg : args) {
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            err << "quorvel-cli parse: unknown option " << arg << "\n";
            return kExitUsage;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        err << "quorvel-cli parse: no FILE given (see quorvel-cli parse --help)\n";
        return kExitUsage;
    }

    const archive::TableDefs defs = archive::makeTableDefs();
    int status = kExitOk;
    for (const std::string& file : files) {
        mailimport::ParseResult result = mailimport::parseMailFile(file, defs.infCols);
        if (result.outcome == mailimport::ParseOutcome::Unreadable) {
            err << "quorvel-cli parse: cannot read " << file << ": " << result.error << "\n";
            status = kExitUnreadable;
        }
        bool mail = result.outcome == mailimport::ParseOutcome::Mail;
        JsonLine line;
        line.add("file", file).add("mail", mail);
        if (mail) {
            for (int i = archive::col::kInfMailType; i <= archive::col::kInfSize; ++i) {
                line.add(defs.infCols[i].colName, result.mail.inf[static_cast<size_t>(i)]);
            }
        }
        out << line.text() << '\n';
    }
    out.flush();
    return status;
}

}  // namespace quorvel::cli
