#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "archive/db/Database.h"
#include "archive/db/RecordSet.h"

namespace quorvel::archive {

// The one way into an archive. An instance names one file and one table, opens
// the file exclusively, works through one result set and closes again; callers
// make a fresh instance for every task and hold no connection between tasks.
//
// No failure leaves the class: each is shown in the fixed error box (through
// the message service) and returned as false.
class LtDataBaseInfo {
public:
    std::string Fname;                  // the archive's working file
    std::string Tname;                  // the table this instance works on
    std::unique_ptr<Database> Dbase;    // the open file; empty when closed
    std::unique_ptr<RecordSet> RecSet;  // the current result set; empty when closed

    LtDataBaseInfo() = default;
    LtDataBaseInfo(std::string fname, std::string tname) : Fname(std::move(fname)), Tname(std::move(tname)) {}
    ~LtDataBaseInfo() { DB_Close(); }
    LtDataBaseInfo(const LtDataBaseInfo&) = delete;
    LtDataBaseInfo& operator=(const LtDataBaseInfo&) = delete;

    bool DB_AddNew();
    void DB_Close();
    bool DB_Delete();
    bool DB_Edit();
    // Opens Fname itself, runs the statement and closes again.
    bool DB_Execute(const std::string& SQL);
    // `Sw` is accepted and not used.
    bool DB_FindFirst(const std::string& SQL, bool Sw = false);
    bool DB_FindNext(const std::string& SQL, bool Sw = false);
    // True without moving when the set is before its first row (an empty set).
    bool DB_MoveFirst();
    bool DB_MoveNext();
    // A result set over SQL, or over the table Tname when SQL is empty;
    // updatable when `flag` is true.
    bool DB_Open(const std::string& SQL, bool flag);
    // Deletes the rows of Tname (all, or those meeting SQLW), then opens a
    // result set over the whole table.
    bool DB_OpenClear(const std::string& SQLW, bool flag);
    bool DB_Update();

    // Shows the error box for a failure outside the operations above (a
    // transaction's commit) and answers false.
    bool reportError(const DbError& error, const std::string& label) { return fail(error, label); }

    // Shows the error box for a failure; `Sts` is the error number.
    void File_Err(const std::string& Fname, const std::string& Tname, int16_t Sts, const std::string& Msg);

private:
    bool openFile();
    bool fail(const DbError& error, const std::string& label);
    bool noResultSet(const std::string& label);
    std::string errDescription_;
};

// The text of the error box, line by line.
std::string fileErrorText(const std::string& fname, const std::string& tname, int16_t number,
                          const std::string& description, const std::string& comment);

}  // namespace quorvel::archive
