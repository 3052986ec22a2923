// ls: an archive's folders, or the mails of one folder, read without
// changing the archive.
#include <sqlite3.h>

#include "app/ProgramValues.h"
#include "archive/Schema.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveReader.h"
#include "cli/Commands.h"
#include "cli/JsonLine.h"
#include "cli/LineEscape.h"
#include "cli/Options.h"

namespace quorvel::cli {

const std::string_view kLsDetails =
    "Lists an archive's folders (ID, parent ID, name), or with --folder the mails\n"
    "of one folder (ID and the nine list columns), as tab-separated lines. In the\n"
    "values, a backslash is written \\\\, a tab \\t, a line feed \\n, a carriage\n"
    "return \\r, any other control character \\xNN (\\u0080 to \\u009f for the C1\n"
    "controls), and each byte that is not UTF-8 \\xNN, so that every line holds\n"
    "one entry and prints nothing but text.\n"
    "\n"
    "With --json each entry is one JSON object on its own line, the values as\n"
    "they are (bytes that are not UTF-8 shown as U+FFFD):\n"
    "  {\"id\":1,\"parentID\":0,\"name\":\"...\"}   for a folder\n"
    "  {\"id\":7,\"mailType\":..,\"X-Priority\":..,\"attachment\":..,\"DateR\":..,\"From\":..,\n"
    "   \"Subject\":..,\"Date\":..,\"To\":..,\"size\":..}   for a mail\n"
    "\n"
    "The archive is only read, never changed. --wait SECONDS sets how long to\n"
    "wait for a command that is writing it (default 30).\n"
    "\n"
    "Exit status: 0 when listed, 2 on an error (the archive is missing or\n"
    "cannot be read, or it has no folder ID); each error is one line on\n"
    "standard error.\n";

namespace {

std::string bracketed(const std::string& name) {
    return "[" + name + "]";
}

std::string textOf(sqlite3_stmt* st, int column) {
    const auto* text = sqlite3_column_text(st, column);
    return text
               ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(st, column)))
               : std::string();
}

// One entry: the columns' names (for JSON) and the statement's row.
void printRow(sqlite3_stmt* st, const std::vector<std::string>& names, bool json, std::ostream& out) {
    if (json) {
        JsonLine line;
        for (size_t c = 0; c < names.size(); ++c) {
            const int i = static_cast<int>(c);
            if (sqlite3_column_type(st, i) == SQLITE_INTEGER) {  // the identifiers
                line.add(names[c], static_cast<int64_t>(sqlite3_column_int64(st, i)));
            } else {
                line.add(names[c], textOf(st, i));
            }
        }
        out << line.text() << '\n';
        return;
    }
    for (size_t c = 0; c < names.size(); ++c) {
        out << (c ? "\t" : "") << escapeForLine(textOf(st, static_cast<int>(c)));
    }
    out << '\n';
}

// Runs a query and prints its rows; false after the line that says why.
bool listRows(const ArchiveReader& reader, const std::string& archive, const std::string& table, const std::string& sql,
              int64_t folder, const std::vector<std::string>& names, bool json, std::ostream& out, std::ostream& err) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(reader.db(), sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(st, 1, folder);
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            printRow(st, names, json, out);
        }
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        err << "quorvel-cli: " << archive << ": cannot read table " << table << " (" << sqlite3_errmsg(reader.db())
            << ")\n";
        return false;
    }
    return true;
}

// Whether the archive has folder `id`; Failed after its line.
Lookup folderIn(const ArchiveReader& reader, const std::string& archive, const archive::TableDefs& d, int64_t id,
                std::ostream& err) {
    const std::string& table = d.tblNames[archive::kMailDirTabl];
    sqlite3_stmt* st = nullptr;
    const std::string sql = "SELECT 1 FROM " + bracketed(table) + " WHERE ID = ?1";
    int rc = sqlite3_prepare_v2(reader.db(), sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(st, 1, id);
        rc = sqlite3_step(st);
    }
    sqlite3_finalize(st);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        return rc == SQLITE_ROW ? Lookup::Found : Lookup::Missing;
    }
    err << "quorvel-cli: " << archive << ": cannot read table " << table << " (" << sqlite3_errmsg(reader.db())
        << ")\n";
    return Lookup::Failed;
}

}  // namespace

int runLs(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    int32_t folder = 0;
    double wait = 0;
    const bool json = takeFlag(args, "--json");
    if (!takeFolder(args, folder, err) || !takeWait(args, wait, err) || refuseUnknownOption(args, err)) {
        return kExitUsage;
    }
    if (args.size() != 1) {
        err << "usage: quorvel-cli ls ARCHIVE [--folder ID] [--json] [--wait SECONDS]\n";
        return kExitUsage;
    }
    ProgramValues pv;
    if (!setArchive(args[0], pv, err)) {
        return kExitError;
    }
    const std::string archive = workingFile(pv);
    ArchiveReader reader;
    if (!reader.open(archive, Deadline(wait), err)) {
        return kExitError;
    }
    const auto& d = pv.defs;
    if (folder == 0) {
        const std::string& table = d.tblNames[archive::kMailDirTabl];
        const std::string sql = "SELECT ID, parentID, dname FROM " + bracketed(table) + " ORDER BY ID";
        return listRows(reader, archive, table, sql, 0, {"id", "parentID", "name"}, json, out, err) ? kExitOk
                                                                                                    : kExitError;
    }
    switch (folderIn(reader, archive, d, folder, err)) {
        case Lookup::Found:
            break;
        case Lookup::Missing:
            err << "quorvel-cli: " << archive << ": no folder " << folder << "\n";
            return kExitError;
        case Lookup::Failed:
            return kExitError;
    }
    const std::string& table = d.tblNames[archive::kMailInfTabl];
    std::vector<std::string> names{"id"};
    std::string columns = bracketed(d.infCols[archive::col::kInfId].colName);
    for (int c = archive::col::kInfMailType; c <= archive::col::kInfSize; ++c) {
        names.push_back(d.infCols[static_cast<size_t>(c)].colName);
        columns += ", " + bracketed(names.back());
    }
    const std::string sql = "SELECT " + columns + " FROM " + bracketed(table) + " WHERE " +
                            bracketed(d.infCols[archive::col::kInfDirId].colName) + " = ?1 ORDER BY " +
                            bracketed(d.infCols[archive::col::kInfId].colName);
    return listRows(reader, archive, table, sql, folder, names, json, out, err) ? kExitOk : kExitError;
}

}  // namespace quorvel::cli
