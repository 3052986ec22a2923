#include "archive/LtDataBaseInfo.h"

#include <iterator>

#include "platform/dialogs/MessageService.h"

namespace quorvel::archive {

namespace {
DbErrorSink& currentSink() {
    static DbErrorSink sink = showDbErrorBox;
    return sink;
}
}  // namespace

void setDbErrorSink(DbErrorSink sink) {
    currentSink() = sink ? std::move(sink) : DbErrorSink(showDbErrorBox);
}

void showDbErrorBox(const DbFailure& f) {
    platform::msgBox(fileErrorText(f.fname, f.tname, f.number, f.description, f.comment), platform::MsgButtons::Ok,
                     platform::MsgIcon::Critical);
}

std::string fileErrorText(const std::string& fname, const std::string& tname, int16_t number,
                          const std::string& description, const std::string& comment) {
    const std::string lines[] = {
        "ファイルのアクセス中にエラーが発生しました。",
        "",
        "ファイル名：" + fname,
        "テーブル名：" + tname,
        "エラー番号：" + std::to_string(number),
        "エラー内容：" + description,
        "コメント等：" + comment,  // the last line has no line end
    };
    std::string text = lines[0];
    for (size_t i = 1; i < std::size(lines); ++i) {
        text += "\r\n" + lines[i];
    }
    return text;
}

void LtDataBaseInfo::File_Err(const std::string& fname, const std::string& tname, int16_t Sts, const std::string& Msg) {
    currentSink()({fname, tname, Sts, errDescription_, Msg});
}

bool LtDataBaseInfo::fail(const DbError& error, const std::string& label) {
    errDescription_ = error.message;
    File_Err(Fname, Tname, static_cast<int16_t>(error.code), label);
    return false;
}

// An operation on the result set before one was opened fails with the box,
// as the engine does for an object that is not set.
bool LtDataBaseInfo::noResultSet(const std::string& label) {
    return fail({kErrNoCurrent, "no result set is open"}, label);
}

bool LtDataBaseInfo::openFile() {
    DB_Close();
    DbError error;
    Dbase = Database::openExclusive(Fname, error);
    if (!Dbase) {
        return fail(error, "OpenDatabase");
    }
    return true;
}

void LtDataBaseInfo::DB_Close() {
    RecSet.reset();  // the result set goes before the file it reads
    Dbase.reset();
}

bool LtDataBaseInfo::DB_Open(const std::string& SQL, bool flag) {
    if (!openFile()) {
        return false;
    }
    DbError error;
    RecSet = RecordSet::open(*Dbase, SQL.empty() ? Tname : SQL, SQL.empty(), flag, error);
    if (!RecSet) {
        return fail(error, SQL.empty() ? "OpenRecordset" : "OpenRecordset " + SQL);
    }
    return true;
}

bool LtDataBaseInfo::DB_OpenClear(const std::string& SQLW, bool flag) {
    if (!openFile()) {
        return false;
    }
    std::string statement =
        SQLW.empty() ? "DELETE * FROM " + Tname + ";" : "DELETE * FROM " + Tname + " WHERE " + SQLW + ";";
    DbError error;
    if (!Dbase->execute(statement, error)) {
        return fail(error, "Execute " + statement);
    }
    RecSet = RecordSet::open(*Dbase, Tname, true, flag, error);
    if (!RecSet) {
        return fail(error, "OpenRecordset");
    }
    return true;
}

bool LtDataBaseInfo::DB_Execute(const std::string& SQL) {
    if (!openFile()) {
        return false;
    }
    DbError error;
    if (!Dbase->execute(SQL, error)) {
        return fail(error, "Execute " + SQL);  // the file stays open until the instance goes
    }
    DB_Close();
    return true;
}

bool LtDataBaseInfo::DB_AddNew() {
    if (!RecSet) {
        return noResultSet("AddNew");
    }
    DbError error;
    return RecSet->AddNew(error) || fail(error, "AddNew");
}

bool LtDataBaseInfo::DB_Delete() {
    if (!RecSet) {
        return noResultSet("Delete");
    }
    DbError error;
    return RecSet->Delete(error) || fail(error, "Delete");
}

bool LtDataBaseInfo::DB_Edit() {
    if (!RecSet) {
        return noResultSet("Edit");
    }
    DbError error;
    return RecSet->Edit(error) || fail(error, "Edit");
}

bool LtDataBaseInfo::DB_Update() {
    if (!RecSet) {
        return noResultSet("Update");
    }
    DbError error;
    return RecSet->Update(error) || fail(error, "Update");
}

bool LtDataBaseInfo::DB_MoveFirst() {
    if (!RecSet) {
        return noResultSet("MoveFirst");
    }
    if (RecSet->isBOF()) {
        return true;
    }
    DbError error;
    return RecSet->MoveFirst(error) || fail(error, "MoveFirst");
}

bool LtDataBaseInfo::DB_MoveNext() {
    if (!RecSet) {
        return noResultSet("MoveNext");
    }
    DbError error;
    return RecSet->MoveNext(error) || fail(error, "MoveNext");
}

bool LtDataBaseInfo::DB_FindFirst(const std::string& SQL, bool) {
    if (!RecSet) {
        return noResultSet("FindFirst " + SQL);
    }
    DbError error;
    if (!RecSet->FindFirst(SQL, error)) {
        return fail(error, "FindFirst " + SQL);
    }
    return !RecSet->NoMatch();
}

bool LtDataBaseInfo::DB_FindNext(const std::string& SQL, bool) {
    if (!RecSet) {
        return noResultSet("FindNext " + SQL);
    }
    DbError error;
    if (!RecSet->FindNext(SQL, error)) {
        return fail(error, "FindNext " + SQL);
    }
    return !RecSet->NoMatch();
}

}  // namespace quorvel::archive
