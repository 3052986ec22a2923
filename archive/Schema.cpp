#include "archive/Schema.h"

namespace quorvel::archive {

TableDefs makeTableDefs() {
    TableDefs defs;
    defs.tblNames = {"", "curCondTabl", "mailDirTabl", "MailInfTabl", "MailBdyTabl", "MailOBJTabl"};
    defs.condCols = {{"ID", "", 0}, {"curDir", "", 0}, {"activMail", "", 0}};
    defs.dirCols = {{"ID", "", 0}, {"dname", "", 0}, {"parentID", "", 0}, {"kind", "", 0}};
    defs.infCols = {
        {"dirID", "", 0},           {"ID", "", 0},
        {"mailType", "T", 400},     {"X-Priority", "！", 400},
        {"attachment", "〆", 400},  {"DateR", "受信日時", 1000},
        {"From", "送信者", 1000},   {"Subject", "件名", 1000},
        {"Date", "送信日時", 1000}, {"To", "宛先", 1000},
        {"size", "サイズ", 1000},
    };
    defs.bdyCols = {{"ID", "", 0}, {"mailBody", "", 0}};
    defs.objCols = {{"ID", "", 0}, {"mailFlObj", "", 0}};
    return defs;
}

std::string sqlSelectAllById(const std::string& table) {
    return "SELECT * FROM " + table + " ORDER BY ID";
}

std::string sqlSelectAllByIdDesc(const std::string& table) {
    return "SELECT * FROM " + table + " ORDER BY ID DESC";
}

std::string sqlSelectFolders(const TableDefs& defs) {
    return "SELECT * FROM " + defs.tblNames[kMailDirTabl] + " ORDER BY parentID";
}

std::string sqlMailList(const TableDefs& defs, int32_t dirId) {
    const std::string& table = defs.tblNames[kMailInfTabl];
    std::string sql = "SELECT ";
    for (int i = col::kInfId; i <= col::kInfSize; ++i) {
        sql += "[" + table + "].[" + defs.infCols[i].colName + "],";
    }
    sql.pop_back();
    sql += " From " + table + " WHERE ((([" + table + "].[" + defs.infCols[col::kInfDirId].colName +
           "])=" + std::to_string(dirId) + "))";
    return sql;
}

std::string sqlDeleteAll(const std::string& table) {
    return "DELETE * FROM " + table + ";";
}

std::string sqlAppendOnly(const std::string& table) {
    return "SELECT * FROM " + table + " WHERE 0";
}

std::string condId(int32_t id) {
    return "ID = " + std::to_string(id);
}

std::string condDirId(int32_t id) {
    return "dirID = " + std::to_string(id);
}

std::string makeKey(int64_t id) {
    return std::to_string(id) + "_";
}

int32_t keyToId(const std::string& key) {
    int64_t value = 0;
    for (char c : key) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) {
            return 0;  // no identifier is that large
        }
    }
    return static_cast<int32_t>(value);
}

}  // namespace quorvel::archive
