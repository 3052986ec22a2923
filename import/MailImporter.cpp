#include "import/MailImporter.h"

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "import/MailFileParser.h"
#include "platform/fs/FileCopy.h"

namespace quorvel::mailimport {

using namespace archive;

MailWriter::MailWriter(ArchiveLocation& pv)
    : pv_(pv),
      inf_(workingFile(pv), pv.defs.tblNames[kMailInfTabl]),
      obj_(workingFile(pv), pv.defs.tblNames[kMailOBJTabl]) {}

MailWriter::~MailWriter() = default;

bool MailWriter::open() {
    if (objSet_) {
        return true;
    }
    if (!inf_.DB_Open(sqlAppendOnly(inf_.Tname), true)) {
        return false;
    }
    DbError error;
    const std::string objSql = sqlAppendOnly(obj_.Tname);
    objSet_ = RecordSet::open(*inf_.Dbase, objSql, false, true, error);
    return objSet_ || obj_.reportError(error, "OpenRecordset " + objSql);
}

bool MailWriter::store(int32_t id, const std::string& dirKey) {
    if (!open()) {
        return false;
    }
    TableDefs& d = pv_.defs;
    const std::string idText = std::to_string(id);
    d.infCols[col::kInfDirId].value = std::to_string(keyToId(dirKey));
    d.infCols[col::kInfId].value = idText;
    d.bdyCols[col::kBdyId].value = idText;  // no row of that table is written
    d.objCols[col::kObjId].value = idText;

    Transaction tx(*inf_.Dbase);
    if (!inf_.DB_AddNew()) {
        return false;
    }
    for (const ColumnSpec& c : d.infCols) {
        if (!c.value.empty()) {
            inf_.RecSet->Fields(c.colName).setValue(c.value);
        }
    }
    if (!inf_.DB_Update()) {
        return false;
    }
    // The stored file goes into the same transaction; it is streamed from
    // the mail file, so a mail of any size takes a bounded amount of memory.
    DbError error;
    if (!objSet_->AddNew(error)) {
        return obj_.reportError(error, "AddNew");
    }
    objSet_->Fields(d.objCols[col::kObjId].colName).setValue(d.objCols[col::kObjId].value);
    objSet_->Fields(d.objCols[col::kObjFile].colName).AppendChunkFromFile(d.objCols[col::kObjFile].value);
    if (!objSet_->Update(error)) {
        return obj_.reportError(error, "Update");
    }
    return tx.commit(error) || inf_.reportError(error, "Update");
}

bool storeParsedMail(ArchiveLocation& pv, int32_t id, const std::string& dirKey) {
    return MailWriter(pv).store(id, dirKey);
}

ImportOutcome importMailFile(ArchiveLocation& pv, int32_t& mailCounter, const std::string& path,
                             const std::string& dirKey) {
    MailWriter writer(pv);
    return importMailFile(writer, pv, mailCounter, path, dirKey);
}

ImportOutcome importMailFile(MailWriter& writer, ArchiveLocation& pv, int32_t& mailCounter, const std::string& path,
                             const std::string& dirKey) {
    if (!f_parseMailFl(path, pv.defs)) {
        return ImportOutcome::NotMail;
    }
    ++mailCounter;
    return writer.store(mailCounter, dirKey) ? ImportOutcome::Stored : ImportOutcome::Failed;
}

DropImport importFiles(ArchiveLocation& pv, int32_t& mailCounter, const std::vector<std::string>& paths,
                       const std::string& dirKey, const std::function<void(int stored)>& progress) {
    DropImport result;
    // One drop is one task on the archive: it is opened once for all its
    // files, and each mail is its own transaction.
    MailWriter writer(pv);
    for (const std::string& path : paths) {
        switch (importMailFile(writer, pv, mailCounter, path, dirKey)) {
            case ImportOutcome::Stored:
                ++result.stored;
                if (progress) {
                    progress(result.stored);
                }
                break;
            case ImportOutcome::NotMail:
                result.rejected.push_back(path);
                break;
            case ImportOutcome::Failed:
                // The archive refused a write (its box was shown): trying the
                // remaining files would only repeat the box for each of them.
                result.failed = true;
                return result;
        }
    }
    return result;
}

std::string rejectedListText(const std::vector<std::string>& rejected) {
    std::string text;
    for (const std::string& path : rejected) {
        text += "\n" + path;
    }
    return text;
}

std::string rejectedListForBox(const std::vector<std::string>& rejected) {
    if (rejected.size() <= kRejectedShownMax) {
        return rejectedListText(rejected);
    }
    const std::vector<std::string> shown(rejected.begin(), rejected.begin() + kRejectedShownMax);
    return rejectedListText(shown) + "\n" + kRejectedMorePrefix + std::to_string(rejected.size() - shown.size()) +
           kRejectedMoreSuffix;
}

std::string errorLogPath(const std::string& workPath, int n) {
    return workPath + "/errlog_" + std::to_string(n) + ".txt";
}

bool writeErrorLog(const std::string& path, const std::string& listText) {
    std::string error;
    return platform::writeFileReplacing(path, listText, error);
}

std::string rejectedFilesMessage(const std::string& listText, const std::string& logPath) {
    return std::string(kRejectedHead) + "\n" + listText + "\n" + kRejectedLogHead + "\n" + logPath;
}

std::string newestDroppedPath(const std::string& fileList, const std::string& previous) {
    if (!previous.empty() && fileList.size() > previous.size() + 1 &&
        fileList.compare(0, previous.size(), previous) == 0 && fileList[previous.size()] == ',') {
        return fileList.substr(previous.size() + 1);
    }
    return fileList;  // the first event of a drop names one path, commas and all
}

}  // namespace quorvel::mailimport
