#include "cli/ArchiveAccess.h"

#include <filesystem>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"

namespace fs = std::filesystem;

namespace quorvel::cli {

namespace {

// The folder part of an archive's path as ProgramValues keeps it: the text
// that workingFile() follows with "/" and the name, so "" for the root folder,
// whose "/" would otherwise be doubled.
std::string archiveFolder(const std::string& absolutePath) {
    std::string folder = fs::path(absolutePath).parent_path().string();
    while (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

bool setArchive(const std::string& arg, ProgramValues& pv, std::ostream& err) {
    pv.defs = archive::makeTableDefs();
    pv.useLockF = "0";
    const fs::path p = fs::absolute(arg).lexically_normal();
    pv.arcPath = archiveFolder(p.string());
    pv.arcName = p.filename().string();
    pv.lockName = pv.arcName;
    std::error_code ec;
    if (pv.arcName.empty() || !fs::is_regular_file(p, ec)) {
        err << "quorvel-cli: " << workingFile(pv) << ": no such archive\n";
        return false;
    }
    return true;
}

Lookup findFolder(const ProgramValues& pv, int32_t id) {
    const std::string& table = pv.defs.tblNames[archive::kMailDirTabl];
    archive::LtDataBaseInfo db(workingFile(pv), table);
    if (!db.DB_Open("SELECT ID FROM " + table + " WHERE " + archive::condId(id), false)) {
        return Lookup::Failed;
    }
    return db.RecSet->isEOF() ? Lookup::Missing : Lookup::Found;
}

int32_t highestId(const ProgramValues& pv, int table) {
    const std::string& name = pv.defs.tblNames[static_cast<size_t>(table)];
    archive::LtDataBaseInfo db(workingFile(pv), name);
    if (!db.DB_Open(archive::sqlSelectAllByIdDesc(name), false) || !db.DB_MoveFirst()) {
        return -1;
    }
    return db.RecSet->isEOF() ? 0 : static_cast<int32_t>(db.RecSet->Fields("ID").Value().toInt());
}

}  // namespace quorvel::cli
