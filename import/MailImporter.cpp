#include "import/MailImporter.h"

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "import/MailFileParser.h"
#include "platform/fs/FileCopy.h"

namespace quorvel::mailimport {

using namespace archive;

MailWriter::MailWriter(const ArchiveLocation& at)
    : at_(at),
      inf_(workingFile(at), at.defs.tblNames[kMailInfTabl]),
      obj_(workingFile(at), at.defs.tblNames[kMailOBJTabl]) {}

MailWriter::~MailWriter() = default;

bool MailWriter::fail(LtDataBaseInfo& table, const DbError& error, const std::string& label) {
    lastError_ = error;
    return table.reportError(error, label);
}

bool MailWriter::open() {
    if (objSet_) {
        return true;
    }
    DbError error;
    inf_.DB_Close();
    inf_.Dbase = Database::openExclusive(inf_.Fname, error);
    if (!inf_.Dbase) {
        return fail(inf_, error, "OpenDatabase");
    }
    return openResultSets();
}

bool MailWriter::openResultSets() {
    DbError error;
    objSet_.reset();
    const std::string infSql = sqlAppendOnly(inf_.Tname);
    inf_.RecSet = RecordSet::open(*inf_.Dbase, infSql, false, true, error);
    if (!inf_.RecSet) {
        return fail(inf_, error, "OpenRecordset " + infSql);
    }
    const std::string objSql = sqlAppendOnly(obj_.Tname);
    objSet_ = RecordSet::open(*inf_.Dbase, objSql, false, true, error);
    return objSet_ || fail(obj_, error, "OpenRecordset " + objSql);
}

Database* MailWriter::database() {
    return open() ? inf_.Dbase.get() : nullptr;
}

bool MailWriter::forgetWrittenRows() {
    return !objSet_ || openResultSets();
}

bool MailWriter::store(const MailValues& mail, int32_t id, const std::string& dirKey) {
    // Streamed from the mail file, so a mail of any size takes a bounded
    // amount of memory.
    return storeRows(mail, id, dirKey, [&](Field& file) { return file.AppendChunkFromFile(mail.file); });
}

bool MailWriter::store(const MailValues& mail, std::string_view bytes, int32_t id, const std::string& dirKey) {
    return storeRows(mail, id, dirKey, [&](Field& file) { return file.AppendChunk(bytes); });
}

bool MailWriter::storeRows(const MailValues& mail, int32_t id, const std::string& dirKey,
                           const std::function<bool(Field&)>& putBytes) {
    if (!open()) {
        return false;
    }
    const TableDefs& d = at_.defs;
    const std::string idText = std::to_string(id);

    Transaction tx(*inf_.Dbase);
    DbError error;
    RecordSet& inf = *inf_.RecSet;
    if (!inf.AddNew(error)) {
        return fail(inf_, error, "AddNew");
    }
    inf.Fields(d.infCols[col::kInfDirId].colName).setValue(std::to_string(keyToId(dirKey)));
    inf.Fields(d.infCols[col::kInfId].colName).setValue(idText);
    for (size_t c = col::kInfMailType; c < mail.inf.size(); ++c) {
        if (!mail.inf[c].empty()) {
            inf.Fields(d.infCols[c].colName).setValue(mail.inf[c]);
        }
    }
    if (!inf.Update(error)) {
        return fail(inf_, error, "Update");
    }
    // The stored file goes into the same transaction.
    if (!objSet_->AddNew(error)) {
        return fail(obj_, error, "AddNew");
    }
    objSet_->Fields(d.objCols[col::kObjId].colName).setValue(idText);
    putBytes(objSet_->Fields(d.objCols[col::kObjFile].colName));
    if (!objSet_->Update(error)) {
        return fail(obj_, error, "Update");
    }
    return tx.commit(error) || fail(inf_, error, "Update");
}

ImportOutcome importMailFile(const ArchiveLocation& at, int32_t& mailCounter, const std::string& path,
                             const std::string& dirKey) {
    MailWriter writer(at);
    return importMailFile(writer, at, mailCounter, path, dirKey);
}

ImportOutcome importMailFile(MailWriter& writer, const ArchiveLocation& at, int32_t& mailCounter,
                             const std::string& path, const std::string& dirKey) {
    const ParseResult parsed = parseMailFile(path, at.defs.infCols);
    if (parsed.outcome != ParseOutcome::Mail) {
        return ImportOutcome::NotMail;
    }
    ++mailCounter;
    return writer.store(parsed.mail, mailCounter, dirKey) ? ImportOutcome::Stored : ImportOutcome::Failed;
}

DropImport importFiles(const ArchiveLocation& at, int32_t& mailCounter, const std::vector<std::string>& paths,
                       const std::string& dirKey, const std::function<void(int stored)>& progress) {
    DropImport result;
    // One drop is one task on the archive: it is opened once for all its
    // files, and each mail is its own transaction.
    MailWriter writer(at);
    for (const std::string& path : paths) {
        switch (importMailFile(writer, at, mailCounter, path, dirKey)) {
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
