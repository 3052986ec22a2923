#include "maillist/StoredMail.h"

#include <cstdio>
#include <fstream>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"

namespace quorvel {

namespace {
constexpr int64_t kCopyPiece = 1 << 20;
}

bool writeStoredMail(const ProgramValues& pv, int32_t id, const std::string& path) {
    const std::string& table = pv.defs.tblNames[archive::kMailOBJTabl];
    archive::LtDataBaseInfo db(workingFile(pv), table);
    if (!db.DB_Open(archive::sqlSelectAllById(table), false)) {
        return false;
    }
    db.DB_MoveFirst();
    if (!db.DB_FindFirst(archive::condId(id))) {
        return false;
    }
    archive::Field& file = db.RecSet->Fields(pv.defs.objCols[archive::col::kObjFile].colName);
    const std::string partial = path + ".part";
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    const int64_t size = file.FieldSize();
    bool ok = static_cast<bool>(out);
    for (int64_t offset = 0; ok && offset < size; offset += kCopyPiece) {
        auto piece = file.GetChunk(offset, kCopyPiece);
        ok = piece && out.write(piece->data(), static_cast<std::streamsize>(piece->size()));
    }
    out.close();
    ok = ok && !out.fail();
    if (!ok || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

}  // namespace quorvel
