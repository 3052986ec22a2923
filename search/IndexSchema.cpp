#include "search/IndexSchema.h"

#include "archive/Schema.h"

namespace quorvel::search {

namespace {

std::string bracketed(const std::string& name) {
    return "[" + name + "]";
}

ArchiveNames makeNames() {
    namespace col = archive::col;
    const archive::TableDefs defs = archive::makeTableDefs();
    const auto inf = [&](int i) { return bracketed(defs.infCols[i].colName); };
    ArchiveNames n;
    n.mails = bracketed(defs.tblNames[archive::kMailInfTabl]);
    n.id = inf(col::kInfId);
    n.dirId = inf(col::kInfDirId);
    n.mailType = inf(col::kInfMailType);
    n.priority = inf(col::kInfPriority);
    n.attachment = inf(col::kInfAttachment);
    n.dateR = inf(col::kInfDateR);
    n.from = inf(col::kInfFrom);
    n.subject = inf(col::kInfSubject);
    n.date = inf(col::kInfDate);
    n.to = inf(col::kInfTo);
    n.size = inf(col::kInfSize);
    n.stored = bracketed(defs.tblNames[archive::kMailOBJTabl]);
    n.storedId = bracketed(defs.objCols[col::kObjId].colName);
    n.storedBytes = bracketed(defs.objCols[col::kObjFile].colName);
    n.folders = bracketed(defs.tblNames[archive::kMailDirTabl]);
    n.folderId = bracketed(defs.dirCols[col::kDirId].colName);
    n.folderName = bracketed(defs.dirCols[col::kDirName].colName);
    n.folderParent = bracketed(defs.dirCols[col::kDirParentId].colName);
    return n;
}

}  // namespace

const ArchiveNames& archiveNames() {
    static const ArchiveNames names = makeNames();
    return names;
}

}  // namespace quorvel::search
