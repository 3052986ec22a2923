#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archive/db/Database.h"
#include "archive/db/RecordSet.h"

namespace quorvel::archive {

// The one way into an archive. An instance names one file and one table, opens
// the file exclusively, works through one result set and closes again; callers
// make a fresh instance for every task and hold no connection between tasks.
//
// No failure leaves the class: each goes to the error sink (by default the
// fixed error box, through the message service) and is returned as false.
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

    // Reports a failure outside the operations above (a transaction's commit)
    // to the error sink and answers false.
    bool reportError(const DbError& error, const std::string& label) { return fail(error, label); }

    // Reports a failure to the error sink; `Sts` is the error number.
    void File_Err(const std::string& Fname, const std::string& Tname, int16_t Sts, const std::string& Msg);

private:
    bool openFile();
    bool fail(const DbError& error, const std::string& label);
    bool noResultSet(const std::string& label);
    std::string errDescription_;
};

// One failure of the access layer: what the error box shows, field by field.
struct DbFailure {
    std::string fname;        // the file worked on
    std::string tname;        // the table worked on
    int16_t number = 0;       // the engine's error number
    std::string description;  // the engine's text
    std::string comment;      // the operation: "OpenDatabase", "FindFirst ID = 3", ...
};

// Where the access layer's failures go. The window keeps the default, the
// error box; a program without one (the command-line tool) puts its own in
// place before its first archive task.
using DbErrorSink = std::function<void(const DbFailure&)>;
// Replaces the sink in use; an empty one restores the error box.
void setDbErrorSink(DbErrorSink sink);
// The default sink: the error box, critical, with an OK button.
void showDbErrorBox(const DbFailure& failure);

// The text of the error box, line by line.
std::string fileErrorText(const std::string& fname, const std::string& tname, int16_t number,
                          const std::string& description, const std::string& comment);

}  // namespace quorvel::archive
