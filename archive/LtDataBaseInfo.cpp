#include "archive/LtDataBaseInfo.h"

#include "platform/dialogs/MessageService.h"

namespace quorvel::archive {

std::string fileErrorText(const std::string& fname, const std::string& tname, int16_t number,
                          const std::string& description, const std::string& comment) {
    return "ファイルのアクセス中にエラーが発生しました。\r\n"
           "\r\n"
           "ファイル名：" + fname + "\r\n"
           "テーブル名：" + tname + "\r\n"
           "エラー番号：" + std::to_string(number) + "\r\n"
           "エラー内容：" + description + "\r\n"
           "コメント等：" + comment;
}

void LtDataBaseInfo::File_Err(const std::string& fname, const std::string& tname, int16_t Sts,
                              const std::string& Msg) {
    platform::msgBox(fileErrorText(fname, tname, Sts, errDescription_, Msg), platform::MsgButtons::Ok,
                     platform::MsgIcon::Critical);
}

bool LtDataBaseInfo::fail(const DbError& error, const std::string& label) {
    errDescription_ = error.message;
    File_Err(Fname, Tname, static_cast<int16_t>(error.code), label);
    return false;
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

// The operations on the result set fail with the error box when there is no
// result set at all, as the engine would for an object that is not set.
#define QV_NEED_RECSET(label)                                                 \
    if (!RecSet) {                                                            \
        return fail({kErrNoCurrent, "no result set is open"}, label);         \
    }

bool LtDataBaseInfo::DB_AddNew() {
    QV_NEED_RECSET("AddNew");
    DbError error;
    return RecSet->AddNew(error) || fail(error, "AddNew");
}

bool LtDataBaseInfo::DB_Delete() {
    QV_NEED_RECSET("Delete");
    DbError error;
    return RecSet->Delete(error) || fail(error, "Delete");
}

bool LtDataBaseInfo::DB_Edit() {
    QV_NEED_RECSET("Edit");
    DbError error;
    return RecSet->Edit(error) || fail(error, "Edit");
}

bool LtDataBaseInfo::DB_Update() {
    QV_NEED_RECSET("Update");
    DbError error;
    return RecSet->Update(error) || fail(error, "Update");
}

bool LtDataBaseInfo::DB_MoveFirst() {
    QV_NEED_RECSET("MoveFirst");
    if (RecSet->isBOF()) {
        return true;
    }
    DbError error;
    return RecSet->MoveFirst(error) || fail(error, "MoveFirst");
}

bool LtDataBaseInfo::DB_MoveNext() {
    QV_NEED_RECSET("MoveNext");
    DbError error;
    return RecSet->MoveNext(error) || fail(error, "MoveNext");
}

bool LtDataBaseInfo::DB_FindFirst(const std::string& SQL, bool) {
    QV_NEED_RECSET("FindFirst " + SQL);
    DbError error;
    if (!RecSet->FindFirst(SQL, error)) {
        return fail(error, "FindFirst " + SQL);
    }
    return !RecSet->NoMatch();
}

bool LtDataBaseInfo::DB_FindNext(const std::string& SQL, bool) {
    QV_NEED_RECSET("FindNext " + SQL);
    DbError error;
    if (!RecSet->FindNext(SQL, error)) {
        return fail(error, "FindNext " + SQL);
    }
    return !RecSet->NoMatch();
}

#undef QV_NEED_RECSET

}  // namespace quorvel::archive
