#include "import/MailImporter.h"

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "import/MailFileParser.h"
#include "platform/fs/FileCopy.h"

namespace quorvel::mailimport {

using namespace archive;

// The statements of the writer's connection, each prepared at its first use
// and kept, by its text, until the writer goes or opens the archive again.
class MailWriter::Statements {
public:
    explicit Statements(sqlite3* db) : db_(db) {}
    ~Statements() {
        for (auto& [sql, st] : cache_) {
            sqlite3_finalize(st);
        }
    }
    Statements(const Statements&) = delete;
    Statements& operator=(const Statements&) = delete;

    sqlite3_stmt* get(const std::string& sql, DbError& error) {
        sqlite3_stmt*& st = cache_[sql];
        if (!st && sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            error = engineError();
            cache_.erase(sql);
            return nullptr;
        }
        return st;
    }
    // Runs a statement whose values are bound; it is reset whatever came of it.
    bool run(sqlite3_stmt* st, DbError& error) {
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
            error = engineError();
        }
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        return rc == SQLITE_DONE || rc == SQLITE_ROW;
    }
    bool run(const std::string& sql, DbError& error) {
        sqlite3_stmt* st = get(sql, error);
        return st && run(st, error);
    }

private:
    DbError engineError() const { return {sqlite3_errcode(db_), sqlite3_errmsg(db_)}; }

    sqlite3* db_;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
};

namespace {

std::string quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

bool bindText(sqlite3_stmt* st, int index, const std::string& text) {
    return sqlite3_bind_text64(st, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) == SQLITE_OK;
}

}  // namespace

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
    statements_.reset();
    inf_.DB_Close();
    inf_.Dbase = Database::openExclusive(inf_.Fname, error);
    if (!inf_.Dbase) {
        return fail(inf_, error, "OpenDatabase");
    }
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

bool MailWriter::store(const MailValues& mail, int32_t id, const std::string& dirKey) {
    // Streamed from the mail file, so a mail of any size takes a bounded
    // amount of memory.
    return storeRows(mail, id, dirKey, [&](Field& file) { return file.AppendChunkFromFile(mail.file); });
}

bool MailWriter::store(const MailValues& mail, std::string_view bytes, int32_t id, const std::string& dirKey) {
    if (!open()) {
        return false;
    }
    if (!statements_) {
        statements_ = std::make_unique<Statements>(inf_.Dbase->handle());
    }
    Statements& sql = *statements_;
    const TableDefs& d = at_.defs;
    const std::string idText = std::to_string(id);
    DbError error;
    // The same values as the row a result set writes: the folder and the
    // identifier as text, each value that is not empty, the bytes as a blob.
    std::string names = quoted(d.infCols[col::kInfDirId].colName) + ", " + quoted(d.infCols[col::kInfId].colName);
    std::string marks = "?1, ?2";
    std::vector<const std::string*> values;
    for (size_t c = col::kInfMailType; c < mail.inf.size(); ++c) {
        if (!mail.inf[c].empty()) {
            values.push_back(&mail.inf[c]);
            names += ", " + quoted(d.infCols[c].colName);
            marks += ", ?" + std::to_string(values.size() + 2);
        }
    }
    sqlite3_stmt* inf = sql.get("INSERT INTO " + quoted(inf_.Tname) + " (" + names + ") VALUES (" + marks + ")", error);
    sqlite3_stmt* obj =
        inf ? sql.get("INSERT INTO " + quoted(obj_.Tname) + " (" + quoted(d.objCols[col::kObjId].colName) + ", " +
                          quoted(d.objCols[col::kObjFile].colName) + ") VALUES (?1, ?2)",
                      error)
            : nullptr;
    if (!obj || !sql.run("SAVEPOINT qv_mail_rows", error)) {
        return fail(inf_, error, "AddNew");
    }
    // Both rows, or neither.
    auto undo = [&](LtDataBaseInfo& table, const std::string& label) {
        DbError ignored;
        sql.run("ROLLBACK TO qv_mail_rows", ignored);
        sql.run("RELEASE qv_mail_rows", ignored);
        return fail(table, error, label);
    };
    bindText(inf, 1, std::to_string(keyToId(dirKey)));
    bindText(inf, 2, idText);
    for (size_t i = 0; i < values.size(); ++i) {
        bindText(inf, static_cast<int>(i + 3), *values[i]);
    }
    if (!sql.run(inf, error)) {
        return undo(inf_, "Update");
    }
    bindText(obj, 1, idText);
    // A large mail goes into space the row reserves, so that the engine does
    // not build a second copy of it in memory.
    const bool reserved = bytes.size() > kReservedFrom;
    if (reserved) {
        sqlite3_bind_zeroblob64(obj, 2, bytes.size());
    } else {
        sqlite3_bind_blob64(obj, 2, bytes.data(), bytes.size(), SQLITE_STATIC);
    }
    if (!sql.run(obj, error) || (reserved && !writeReserved(bytes, error))) {
        return undo(obj_, "Update");
    }
    return sql.run("RELEASE qv_mail_rows", error) || undo(inf_, "Update");
}

bool MailWriter::writeReserved(std::string_view bytes, DbError& error) {
    sqlite3* db = inf_.Dbase->handle();
    sqlite3_blob* blob = nullptr;
    const std::string& column = at_.defs.objCols[col::kObjFile].colName;
    if (sqlite3_blob_open(db, "main", obj_.Tname.c_str(), column.c_str(), sqlite3_last_insert_rowid(db), 1, &blob) !=
        SQLITE_OK) {
        error = {sqlite3_errcode(db), sqlite3_errmsg(db)};
        sqlite3_blob_close(blob);
        return false;
    }
    // In pieces: a blob's offsets and lengths are ints.
    constexpr size_t kPiece = size_t{1} << 24;
    for (size_t at = 0; at < bytes.size(); at += kPiece) {
        const size_t n = std::min(kPiece, bytes.size() - at);
        if (sqlite3_blob_write(blob, bytes.data() + at, static_cast<int>(n), static_cast<int>(at)) != SQLITE_OK) {
            error = {sqlite3_errcode(db), sqlite3_errmsg(db)};
            sqlite3_blob_close(blob);
            return false;
        }
    }
    if (sqlite3_blob_close(blob) != SQLITE_OK) {
        error = {sqlite3_errcode(db), sqlite3_errmsg(db)};
        return false;
    }
    return true;
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
