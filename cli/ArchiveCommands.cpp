// new, import and ls: the same start-up tables, parser, storage and archive
// access as the window, on an archive named on the command line.
#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "app/ProgramValues.h"
#include "app/StartUp.h"
#include "archive/LockFile.h"
#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "cli/Commands.h"
#include "import/MailImporter.h"
#include "maillist/DragOut.h"
#include "maillist/StoredMail.h"
#include "platform/fs/FileCopy.h"

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
    "Exit status: 0 when every file was stored, 1 when some were not mails,\n"
    "2 on an error (the archive is in use, missing or cannot be written).\n";

const std::string_view kLsDetails =
    "Lists an archive's folders (ID, parent ID, name), or with --folder the mails\n"
    "of one folder (ID and the nine list columns), as tab-separated lines.\n";

namespace {

constexpr int kExitError = 2;

std::string programFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// The archive as the window would have it open with lock files off: the
// archive file itself is the working file.
bool openArchive(const std::string& path, ProgramValues& pv, std::ostream& err) {
    pv.defs = archive::makeTableDefs();
    pv.useLockF = "0";
    const fs::path p = fs::absolute(path);
    pv.arcPath = p.parent_path().string();
    pv.arcName = p.filename().string();
    pv.lockName = pv.arcName;
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) {
        err << "quorvel-cli: no archive " << path << "\n";
        return false;
    }
    // An archive that the window has open is left alone: its lock copy says so.
    const std::string lock = pv.arcPath + "/" + archive::f_getFlNameBody(pv.arcName) + ".hvl";
    if (lock != p.string() && fs::exists(lock, ec)) {
        err << "quorvel-cli: " << path << " is in use (its lock copy " << lock << " exists)\n";
        return false;
    }
    return true;
}

bool takeFolder(Args& args, int32_t& folder, std::ostream& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--folder") {
            if (i + 1 >= args.size() || archive::keyToId(args[i + 1]) <= 0) {
                err << "quorvel-cli: --folder needs a folder ID\n";
                return false;
            }
            folder = archive::keyToId(args[i + 1]);
            args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
            return true;
        }
    }
    return true;
}

int32_t highestId(const ProgramValues& pv, int table) {
    const std::string& name = pv.defs.tblNames[static_cast<size_t>(table)];
    archive::LtDataBaseInfo db(workingFile(pv), name);
    if (!db.DB_Open(archive::sqlSelectAllByIdDesc(name), false)) {
        return -1;
    }
    db.DB_MoveFirst();
    return db.RecSet->isEOF() ? 0 : static_cast<int32_t>(db.RecSet->Fields("ID").Value().toInt());
}

}  // namespace

int runNew(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "usage: quorvel-cli new ARCHIVE\n";
        return kExitUsage;
    }
    std::string error;
    bool existed = false;
    if (!platform::copyFileNew(programFolder() + "/sys/inttmpl.qvb", args[0], error, existed)) {
        err << "quorvel-cli: " << error << "\n";
        return kExitError;
    }
    out << "made " << args[0] << "\n";
    return kExitOk;
}

int runImport(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    int32_t folder = archive::kRootDirId;
    if (!takeFolder(args, folder, err)) {
        return kExitUsage;
    }
    if (args.size() < 2) {
        err << "usage: quorvel-cli import ARCHIVE [--folder ID] FILE...\n";
        return kExitUsage;
    }
    ProgramValues pv;
    if (!openArchive(args[0], pv, err)) {
        return kExitError;
    }
    int32_t mailCounter = highestId(pv, archive::kMailInfTabl);
    if (mailCounter < 0) {
        return kExitError;
    }
    const std::vector<std::string> files(args.begin() + 1, args.end());
    const auto result = mailimport::importFiles(pv, mailCounter, files, archive::makeKey(folder));
    out << result.stored << mailimport::kStoredSuffix << "\n";
    for (const std::string& path : result.rejected) {
        out << "not a mail: " << path << "\n";
    }
    if (result.failed) {
        return kExitError;
    }
    return result.rejected.empty() ? kExitOk : 1;
}

int runLs(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    int32_t folder = 0;
    if (!takeFolder(args, folder, err)) {
        return kExitUsage;
    }
    if (args.size() != 1) {
        err << "usage: quorvel-cli ls ARCHIVE [--folder ID]\n";
        return kExitUsage;
    }
    ProgramValues pv;
    pv.defs = archive::makeTableDefs();
    const fs::path p = fs::absolute(args[0]);
    pv.arcPath = p.parent_path().string();
    pv.lockName = pv.arcName = p.filename().string();
    const auto& d = pv.defs;
    if (folder == 0) {
        archive::LtDataBaseInfo db(workingFile(pv), d.tblNames[archive::kMailDirTabl]);
        if (!db.DB_Open(archive::sqlSelectAllById(d.tblNames[archive::kMailDirTabl]), false)) {
            return kExitError;
        }
        for (db.DB_MoveFirst(); !db.RecSet->isEOF(); db.DB_MoveNext()) {
            out << db.RecSet->Fields("ID").Value().toText() << '\t' << db.RecSet->Fields("parentID").Value().toText()
                << '\t' << db.RecSet->Fields("dname").Value().toText() << '\n';
        }
        return kExitOk;
    }
    archive::LtDataBaseInfo db(workingFile(pv), d.tblNames[archive::kMailInfTabl]);
    if (!db.DB_Open(archive::sqlMailList(d, folder), false)) {
        return kExitError;
    }
    for (db.DB_MoveFirst(); !db.RecSet->isEOF(); db.DB_MoveNext()) {
        for (int c = archive::col::kInfId; c <= archive::col::kInfSize; ++c) {
            out << (c > archive::col::kInfId ? "\t" : "")
                << archive::cutNull(db.RecSet->Fields(d.infCols[static_cast<size_t>(c)].colName).Value());
        }
        out << '\n';
    }
    return kExitOk;
}

const std::string_view kExportDetails =
    "Writes mails of an archive into a folder, byte for byte as they were\n"
    "imported, named after their subjects as dragging them out of the window\n"
    "names them (a subject that repeats gets \"(n)\"). An existing file of the\n"
    "same name is replaced. Prints each path written.\n"
    "\n"
    "Exit status: 0 when every mail was written, 2 when one was not found or\n"
    "could not be written.\n";

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
    if (to.empty() || args.size() < 2) {
        err << "usage: quorvel-cli export ARCHIVE --to DIR ID...\n";
        return kExitUsage;
    }
    ProgramValues pv;
    pv.defs = archive::makeTableDefs();
    const fs::path p = fs::absolute(args[0]);
    pv.arcPath = p.parent_path().string();
    pv.lockName = pv.arcName = p.filename().string();
    std::error_code ec;
    if (!fs::is_regular_file(p, ec) || !fs::is_directory(to, ec)) {
        err << "quorvel-cli: no archive " << args[0] << " or no folder " << to << "\n";
        return kExitError;
    }
    // The subjects of the mails, in the order given.
    std::vector<int32_t> ids;
    std::vector<std::string> subjects;
    {
        const std::string& table = pv.defs.tblNames[archive::kMailInfTabl];
        archive::LtDataBaseInfo db(workingFile(pv), table);
        if (!db.DB_Open(archive::sqlSelectAllById(table), false)) {
            return kExitError;
        }
        for (size_t i = 1; i < args.size(); ++i) {
            const int32_t id = archive::keyToId(args[i]);
            db.DB_MoveFirst();
            if (id <= 0 || !db.DB_FindFirst(archive::condId(id))) {
                err << "quorvel-cli: no mail " << args[i] << "\n";
                return kExitError;
            }
            ids.push_back(id);
            subjects.push_back(archive::cutNull(db.RecSet->Fields("Subject").Value()));
        }
    }
    const auto names = dragOutNames(subjects);
    for (size_t i = 0; i < ids.size(); ++i) {
        const std::string path = to + "/" + dragOutFileName(names[i]);
        if (!writeStoredMail(pv, ids[i], path)) {
            err << "quorvel-cli: cannot write " << path << "\n";
            return kExitError;
        }
        out << path << "\n";
    }
    return kExitOk;
}

}  // namespace quorvel::cli
