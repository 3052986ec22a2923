// Every engine failure shows the error box and answers false; nothing is written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "archive/LtDataBaseInfo.h"
#include "platform/dialogs/MessageService.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace quorvel::archive;
using quorvel::platform::MsgButtons;
using quorvel::platform::MsgIcon;
using quorvel::platform::ScopedScriptedMessages;
using quorvel::test::addMails;
using quorvel::test::makeArchive;
using quorvel::test::readFile;
using quorvel::test::TempDir;
using quorvel::test::writeFile;

namespace {

struct Errors : ::testing::Test {
    TempDir dir;
    ScopedScriptedMessages msgs;
    std::string path = makeArchive(dir);

    // The comment line of the one box shown since the last call.
    std::string lastComment() {
        EXPECT_EQ(msgs.shown().size(), 1u);
        if (msgs.shown().empty()) {
            return "<no box>";
        }
        const std::string text = msgs.shown().back().text;
        msgs.clear();
        size_t at = text.rfind("コメント等：");
        return at == std::string::npos ? text : text.substr(at + std::string("コメント等：").size());
    }
};

}  // namespace

TEST_F(Errors, boxTextHasItsSevenLines) {
    LtDataBaseInfo db(dir.file("missing.qvb"), "MailInfTabl");
    EXPECT_FALSE(db.DB_Open("", false));
    ASSERT_EQ(msgs.shown().size(), 1u);
    const auto& box = msgs.shown()[0];
    EXPECT_EQ(box.text, "ファイルのアクセス中にエラーが発生しました。\r\n\r\nファイル名：" + dir.file("missing.qvb") +
                            "\r\nテーブル名：MailInfTabl\r\nエラー番号：14\r\nエラー内容：unable to open database "
                            "file\r\nコメント等：OpenDatabase");
    EXPECT_EQ(box.caption, "Quorvel");
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(box.icon, MsgIcon::Critical);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.qvb")));  // opening never creates a file
}

// A program with a sink of its own (the command-line tool) gets each failure
// field by field and no box; taking the sink away brings the box back.
TEST_F(Errors, anInstalledSinkTakesTheFailuresInsteadOfTheBox) {
    std::vector<DbFailure> got;
    struct Restore {
        ~Restore() { setDbErrorSink({}); }
    } restore;
    setDbErrorSink([&got](const DbFailure& f) { got.push_back(f); });
    LtDataBaseInfo db(dir.file("missing.qvb"), "MailInfTabl");
    EXPECT_FALSE(db.DB_Open("", false));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].fname, dir.file("missing.qvb"));
    EXPECT_EQ(got[0].tname, "MailInfTabl");
    EXPECT_EQ(got[0].number, 14);
    EXPECT_EQ(got[0].description, "unable to open database file");
    EXPECT_EQ(got[0].comment, "OpenDatabase");
    EXPECT_TRUE(msgs.shown().empty());

    setDbErrorSink({});
    EXPECT_FALSE(db.DB_Open("", false));
    EXPECT_EQ(lastComment(), "OpenDatabase");
    EXPECT_EQ(got.size(), 1u);
}

TEST_F(Errors, filesThatAreNoArchiveFailToOpen) {
    writeFile(dir.file("text.qvb"), "From: someone\r\nSubject: not a database\r\n\r\nbody\r\n");
    LtDataBaseInfo notDb(dir.file("text.qvb"), "MailInfTabl");
    EXPECT_FALSE(notDb.DB_Open("", false));
    EXPECT_EQ(lastComment(), "OpenDatabase");
    EXPECT_EQ(readFile(dir.file("text.qvb")), "From: someone\r\nSubject: not a database\r\n\r\nbody\r\n");

    // A database without the table opens, and its result set fails.
    LtDataBaseInfo noTable(path, "NoSuchTabl");
    EXPECT_FALSE(noTable.DB_Open("", false));
    EXPECT_EQ(lastComment(), "OpenRecordset");
    EXPECT_FALSE(noTable.DB_Open("SELECT * FROM NoSuchTabl ORDER BY ID", false));
    EXPECT_EQ(lastComment(), "OpenRecordset SELECT * FROM NoSuchTabl ORDER BY ID");
    EXPECT_FALSE(noTable.DB_OpenClear("", true));
    EXPECT_EQ(lastComment(), "Execute DELETE * FROM NoSuchTabl;");
    // The file stays open after a failed step until the instance goes.
    noTable.DB_Close();

    LtDataBaseInfo badSql(path, "MailInfTabl");
    EXPECT_FALSE(badSql.DB_Open("SELECT nothing FROM MailInfTabl", false));
    EXPECT_EQ(lastComment(), "OpenRecordset SELECT nothing FROM MailInfTabl");
    badSql.DB_Close();
    EXPECT_FALSE(badSql.DB_Execute("DELETE FROM NoSuchTabl"));
    EXPECT_EQ(lastComment(), "Execute DELETE FROM NoSuchTabl");
    badSql.DB_Close();
    EXPECT_TRUE(badSql.DB_Execute("DELETE * FROM MailInfTabl;"));
    EXPECT_FALSE(badSql.Dbase);  // closed again after success
}

TEST_F(Errors, readOnlyAndLockedFilesAreRefused) {
    if (::geteuid() != 0) {  // root writes read-only files anyway
        ::chmod(path.c_str(), 0444);
        LtDataBaseInfo ro(path, "MailInfTabl");
        EXPECT_FALSE(ro.DB_Open("", true));
        EXPECT_EQ(lastComment(), "OpenDatabase");
        ::chmod(path.c_str(), 0644);
    }

    // Another process holds the archive.
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        DbError e;
        auto held = Database::openExclusive(path, e);
        char c = held ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(release[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    LtDataBaseInfo locked(path, "MailInfTabl");
    EXPECT_FALSE(locked.DB_Open("", false));
    EXPECT_EQ(lastComment(), "OpenDatabase");
    (void)!::write(release[1], "x", 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(locked.DB_Open("", false));  // free once that process has gone
    EXPECT_TRUE(msgs.shown().empty());
}

TEST_F(Errors, misuseOfTheResultSetIsReportedWithItsLabel) {
    addMails(path, 2, [](int) { return 1; });
    LtDataBaseInfo db(path, "MailInfTabl");
    EXPECT_FALSE(db.DB_MoveNext());  // nothing open yet
    EXPECT_EQ(lastComment(), "MoveNext");

    ASSERT_TRUE(db.DB_Open("", false));
    EXPECT_FALSE(db.DB_AddNew());
    EXPECT_EQ(lastComment(), "AddNew");
    EXPECT_FALSE(db.DB_Edit());
    EXPECT_EQ(lastComment(), "Edit");
    EXPECT_FALSE(db.DB_Delete());
    EXPECT_EQ(lastComment(), "Delete");
    EXPECT_FALSE(db.DB_Update());
    EXPECT_EQ(lastComment(), "Update");
    EXPECT_FALSE(db.DB_FindFirst("nosuchcolumn = 1"));
    EXPECT_EQ(lastComment(), "FindFirst nosuchcolumn = 1");
    ASSERT_TRUE(db.DB_FindFirst("ID = 1"));
    EXPECT_FALSE(db.DB_FindNext("ID = = 1"));
    EXPECT_EQ(lastComment(), "FindNext ID = = 1");
    EXPECT_FALSE(db.RecSet->Fields("ID").setValue(5));  // not editing: nothing is set
    EXPECT_TRUE(db.DB_MoveNext());
    EXPECT_TRUE(db.DB_MoveNext());
    EXPECT_TRUE(db.RecSet->isEOF());
    EXPECT_FALSE(db.DB_MoveNext());
    EXPECT_EQ(lastComment(), "MoveNext");
    EXPECT_TRUE(db.RecSet->Fields("Subject").Value().isNull());  // no current row
    EXPECT_FALSE(db.RecSet->Fields("NoSuchColumn").valid());
    db.DB_Close();

    // A duplicate identifier is refused by the archive; the row is not written.
    LtDataBaseInfo upd(path, "MailInfTabl");
    ASSERT_TRUE(upd.DB_Open("", true));
    ASSERT_TRUE(upd.DB_AddNew());
    upd.RecSet->Fields("ID").setValue(1);
    EXPECT_FALSE(upd.DB_Update());
    EXPECT_EQ(lastComment(), "Update");
    EXPECT_EQ(upd.RecSet->RecordCount(), 2);
    EXPECT_TRUE(msgs.shown().empty());
}
