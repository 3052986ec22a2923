// The archive document driven through the main window's File commands, with
// scripted answers and file names.
#include <sqlite3.h>

#include <QtTest>
#include <filesystem>
#include <fstream>

#include "app/RegIO.h"
#include "archive/LtDataBaseInfo.h"
#include "folders/FolderTree.h"
#include "maillist/MailList.h"
#include "mainwindow/MainTexts.h"
#include "mainwindow/frmMain.h"
#include "platform/fs/FileCopy.h"
#include "tests/mainwindow/WindowFixture.h"

namespace fs = std::filesystem;
using namespace quorvel;
using platform::MsgAnswer;
using platform::MsgButtons;
using test::Instance;

namespace {

QString rootText(frmMain& w) {
    return w.tvTreeView->text(w.tvTreeView->keyAt(1));
}

// A change to the open archive, as an import or a folder edit makes one.
void addFolder(frmMain& w, int id, const std::string& name) {
    archive::LtDataBaseInfo db(workingFile(w.values()), "mailDirTabl");
    QVERIFY(db.DB_Open("", true));
    QVERIFY(db.DB_AddNew());
    db.RecSet->Fields("ID").setValue(id);
    db.RecSet->Fields("dname").setValue(name);
    db.RecSet->Fields("parentID").setValue(1);
    QVERIFY(db.DB_Update());
    w.values().modFlag = true;
}

void runSql(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

int folderRows(const std::string& archivePath) {
    archive::LtDataBaseInfo db(archivePath, "mailDirTabl");
    return db.DB_Open("", false) ? static_cast<int>(db.RecSet->RecordCount()) : -1;
}

}  // namespace

class DocumentTest : public QObject {
    Q_OBJECT
private slots:
    void newArchivesAreNumberedAndReplaceEachOther();
    void closeAndExitAskBeforeLosingChanges();
    void openRefusesAnArchiveInUse();
    void saveAsWritesRetargetsAndKeepsTheViewCondition();
    void workingInPlaceWithoutLockFiles();
    void filesThatAreNoArchivesAreRefusedWithOneMessage();
    void anArchiveWithoutAViewConditionOpensOnItsRoot();
    void workLeftByACrashIsTakenUpOrDiscarded();
    void readOnlyBusyAndDamagedArchives();
};

void DocumentTest::newArchivesAreNumberedAndReplaceEachOther() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    QCOMPARE(rootText(*w), QStringLiteral("新規_1.qvb"));
    QCOMPARE(w->lblTitle0->text(), QStringLiteral("新規_1.qvb"));
    const std::string work = inst.pv.workPath;
    QVERIFY(fs::exists(work + "/新規_1.qvb"));
    QVERIFY(fs::exists(work + "/新規_1.hvl"));
    QCOMPARE(w->dirCounter, 1);
    QCOMPARE(w->mailCounter, 0);
    QVERIFY(inst.pv.newFlag);

    // Files written for the mails of one archive go when another opens.
    test::writeFile(work + "/1_.eml", "a preview of the first archive's mail 1");
    test::writeFile(work + "/2.eml", "a copy for the mail program");
    test::writeFile(work + "/notes.eml", "not a mail file of ours");
    QVERIFY(w->mnuFileNew_Click());  // nothing changed: no question
    QVERIFY(!fs::exists(work + "/1_.eml"));
    QVERIFY(!fs::exists(work + "/2.eml"));
    QVERIFY(fs::exists(work + "/notes.eml"));
    QCOMPARE(rootText(*w), QStringLiteral("新規_2.qvb"));
    QVERIFY(!fs::exists(work + "/新規_1.hvl"));  // the replaced working file is gone
    QCOMPARE(f_regGetVal("", "newFCnt", ""), std::string("2"));

    // A changed archive asks first; Cancel keeps it.
    addFolder(*w, 5, "受信");
    inst.msgs.setNextAnswer(MsgAnswer::Cancel);
    QVERIFY(!w->mnuFileNew_Click());
    QCOMPARE(inst.msgs.shown().back().text, std::string("現在のファイルを保存しますか？"));
    QCOMPARE(inst.msgs.shown().back().buttons, MsgButtons::YesNoCancel);
    QCOMPARE(rootText(*w), QStringLiteral("新規_2.qvb"));
    QVERIFY(inst.pv.modFlag);

    // A missing template is reported and nothing changes.
    fs::rename(inst.pv.sysPath + "/inttmpl.qvb", inst.pv.sysPath + "/moved.qvb");
    inst.msgs.setNextAnswer(MsgAnswer::No);
    QVERIFY(!w->mnuFileNew_Click());
    QCOMPARE(inst.msgs.shown().back().text,
             std::string("初期化ファイルがありません。セットアップしなおしてください。"));
    QCOMPARE(rootText(*w), QStringLiteral("新規_2.qvb"));
    inst.msgs.setNextAnswer(MsgAnswer::No);
    w->close();
    QVERIFY(!w->isVisible());
    QCOMPARE(f_regGetVal("", "runACnt", ""), std::string("0"));
    QCOMPARE(f_regGetVal("", "newFCnt", ""), std::string("0"));
    QVERIFY(!fs::exists(work));
}

void DocumentTest::closeAndExitAskBeforeLosingChanges() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    addFolder(*w, 2, "仕事");

    // Closing a changed new archive asks to save it; a cancelled save dialog
    // keeps the archive open rather than losing the change.
    inst.msgs.setNextAnswer(MsgAnswer::Yes);
    QVERIFY(!w->mnuFileClose_Click());
    QCOMPARE(inst.msgs.shown().back().text, std::string("新規_1.qvbは、変更されています。保存しますか？"));
    QCOMPARE(inst.files.asked().back().request.title, std::string("名前を付けて保存"));
    QCOMPARE(inst.files.asked().back().request.filter, std::string("Quorvelファイル(*.qvb)|*.qvb"));
    QVERIFY(w->archiveOpen());

    // Cancel at exit keeps the window and the archive.
    inst.msgs.setNextAnswer(MsgAnswer::Cancel);
    QVERIFY(!w->close());
    QVERIFY(w->isVisible());
    QVERIFY(w->archiveOpen());

    // Yes with a file name saves, then closes.
    const std::string saved = inst.dir.file("mine.qvb");
    inst.msgs.setNextAnswer(MsgAnswer::Yes);
    inst.files.setNextFileName(saved);
    QVERIFY(w->mnuFileClose_Click());
    QVERIFY(!w->archiveOpen());
    QCOMPARE(w->lblTitle0->text(), QStringLiteral("ファイルを開いていません！"));
    QCOMPARE(w->lvListView->itemCount(), 0);
    QCOMPARE(folderRows(saved), 2);
    QVERIFY(!fs::exists(inst.dir.file("mine.hvl")));

    // Closing with nothing open asks nothing; with nothing open, save writes nothing.
    const size_t shown = inst.msgs.shown().size();
    QVERIFY(!w->mnuFileSave_Click());
    QVERIFY(w->mnuFileClose_Click());
    QCOMPARE(inst.msgs.shown().size(), shown);
    QVERIFY(w->close());
}

void DocumentTest::openRefusesAnArchiveInUse() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    const std::string a = inst.dir.file("a.qvb");
    const std::string ab = inst.dir.file("a.b.qvb");
    fs::copy_file(test::builtTemplatePath(), a);
    fs::copy_file(test::builtTemplatePath(), ab);

    inst.files.setNextFileName(inst.dir.file("none.qvb"));
    QVERIFY(!w->mnuFileOpen_Click());
    QCOMPARE(inst.msgs.shown().back().text, std::string("ファイルが見つかりません"));
    QCOMPARE(rootText(*w), QStringLiteral("新規_1.qvb"));

    inst.files.setNextFileName(a);
    QVERIFY(w->mnuFileOpen_Click());
    QCOMPARE(inst.files.asked().back().request.title, std::string("開く"));
    QCOMPARE(rootText(*w), QStringLiteral("a.qvb"));
    QCOMPARE(test::readFile(inst.dir.file("a.hvl")), test::readFile(a));
    QVERIFY(!fs::exists(inst.pv.workPath + "/新規_1.hvl"));

    // The same archive again, and one sharing its lock name, are in use.
    for (const std::string& path : {a, ab}) {
        inst.files.setNextFileName(path);
        QVERIFY(!w->mnuFileOpen_Click());
        QCOMPARE(inst.msgs.shown().back().text, path + "は使用中です。");
        QCOMPARE(rootText(*w), QStringLiteral("a.qvb"));
        QCOMPARE(inst.pv.arcName, std::string("a.qvb"));
        QVERIFY(fs::exists(inst.dir.file("a.hvl")));
    }

    // Answering No to the save question leaves the archive as last saved.
    const std::string before = test::readFile(a);
    addFolder(*w, 3, "x");
    inst.msgs.setNextAnswer(MsgAnswer::No);
    QVERIFY(w->mnuFileNew_Click());
    QCOMPARE(test::readFile(a), before);
    QVERIFY(!fs::exists(inst.dir.file("a.hvl")));
    QVERIFY(w->close());
}

void DocumentTest::saveAsWritesRetargetsAndKeepsTheViewCondition() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    addFolder(*w, 12, "プロジェクト");
    w->folderTree().loadTree();
    w->folderTree().tvTreeView_NodeClick("12_");
    QCOMPARE(inst.pv.curDir, std::string("12_"));
    QCOMPARE(w->sbStatusBar->panelText(1), QStringLiteral("0通のメールがあります。"));

    // 上書き保存 of a new archive asks for a name; cancelling changes nothing.
    QVERIFY(!w->mnuFileSave_Click());
    QVERIFY(inst.pv.newFlag);

    const std::string b = inst.dir.file("b.qvb");
    inst.files.setNextFileName(b);
    QVERIFY(w->mnuFileSaveAs_Click());
    QVERIFY(!inst.pv.newFlag && !inst.pv.modFlag);
    QCOMPARE(inst.pv.arcPath + "/" + inst.pv.arcName, b);
    QCOMPARE(rootText(*w), QStringLiteral("b.qvb"));
    QVERIFY(fs::exists(inst.dir.file("b.hvl")));
    QVERIFY(!fs::exists(inst.pv.workPath + "/新規_1.hvl"));

    // Onto its own path it is 上書き保存; onto another file it asks first.
    const std::string c = inst.dir.file("c.qvb");
    fs::copy_file(test::builtTemplatePath(), c);
    inst.files.setNextFileName(c);
    inst.msgs.setNextAnswer(MsgAnswer::No);
    QVERIFY(!w->mnuFileSaveAs_Click());
    QCOMPARE(inst.msgs.shown().back().text, "ファイル=" + c + "は存在しています。上書きしますか？");
    QCOMPARE(inst.msgs.shown().back().buttons, MsgButtons::YesNo);
    QCOMPARE(folderRows(c), 1);

    // An archive another instance has open is not overwritten.
    test::writeFile(inst.dir.file("c.hvl"), "held by another instance");
    inst.files.setNextFileName(c);
    QVERIFY(!w->mnuFileSaveAs_Click());
    QCOMPARE(inst.msgs.shown().back().text, c + "は使用中です。");
    QCOMPARE(folderRows(c), 1);
    fs::remove(inst.dir.file("c.hvl"));

    // Close, reopen: the folder saved as current comes back selected.
    QVERIFY(w->mnuFileClose_Click());
    inst.files.setNextFileName(b);
    QVERIFY(w->mnuFileOpen_Click());
    QCOMPARE(inst.pv.curDir, std::string("12_"));
    QCOMPARE(w->tvTreeView->selectedKey(), QStringLiteral("12_"));
    QCOMPARE(w->lblTitle0->text(), QStringLiteral("b.qvb\\プロジェクト"));
    QVERIFY(inst.pv.activMail.empty());
    QCOMPARE(w->dirCounter, 12);
    QVERIFY(w->close());
}

void DocumentTest::workingInPlaceWithoutLockFiles() {
    Instance inst;
    f_regSetVal("", "useLockF", "0");
    const std::string a = inst.dir.file("a.qvb");
    fs::copy_file(test::builtTemplatePath(), a);
    inst.commandLine = a;
    auto w = inst.start();
    QVERIFY(w);
    QCOMPARE(rootText(*w), QStringLiteral("a.qvb"));
    QCOMPARE(inst.pv.lockName, std::string("a.qvb"));
    QVERIFY(!fs::exists(inst.dir.file("a.hvl")));
    addFolder(*w, 4, "直接");
    QCOMPARE(folderRows(a), 2);       // the change is in the archive at once
    QVERIFY(w->mnuFileSave_Click());  // nothing to copy
    inst.msgs.setNextAnswer(MsgAnswer::No);
    QVERIFY(w->mnuFileClose_Click());
    QVERIFY(!w->archiveOpen());
    QCOMPARE(folderRows(a), 2);  // closing deleted nothing: there is no working copy
    QVERIFY(w->close());
}

void DocumentTest::filesThatAreNoArchivesAreRefusedWithOneMessage() {
    Instance inst;
    const std::string text = inst.dir.file("notes.qvb");
    const std::string empty = inst.dir.file("empty.qvb");
    const std::string partial = inst.dir.file("partial.qvb");
    test::writeFile(text, "From: someone\r\n\r\nnot an archive\r\n");
    test::writeFile(empty, "");
    fs::copy_file(test::builtTemplatePath(), partial);
    runSql(partial, "DROP TABLE MailOBJTabl");
    const std::string noFolders = inst.dir.file("nofolders.qvb");
    fs::copy_file(test::builtTemplatePath(), noFolders);
    runSql(noFolders, "DELETE FROM mailDirTabl");

    // From the command line: the start's message, and no archive open.
    inst.commandLine = text;
    {
        auto w = inst.start();
        QVERIFY(w);
        QCOMPARE(inst.msgs.shown().size(), size_t{1});
        QCOMPARE(inst.msgs.shown()[0].text, std::string("quorvelのファイルでないか、ファイルが壊れています。"));
        QCOMPARE(w->lblTitle0->text(), QString::fromUtf8(texts::kNoFileOpen));
        QCOMPARE(w->tvTreeView->nodeCount(), 0);
        QVERIFY(!fs::exists(inst.dir.file("notes.hvl")));
        QVERIFY(w->close());
    }

    // From 開く: one message each, and the open archive stays as it was.
    inst.commandLine.clear();
    inst.msgs.clear();
    auto w = inst.start();
    QVERIFY(w);
    for (const std::string& path : {text, empty, partial, noFolders}) {
        const size_t before = inst.msgs.shown().size();
        inst.files.setNextFileName(path);
        QVERIFY(!w->mnuFileOpen_Click());
        QCOMPARE(inst.msgs.shown().size(), before + 1);
        QCOMPARE(inst.msgs.shown().back().text,
                 std::string("ファイルが壊れているか、クオーベルのファイルではありません。"));
        QCOMPARE(rootText(*w), QStringLiteral("新規_1.qvb"));
        QVERIFY(!fs::exists(fs::path(path).replace_extension(".hvl")));
    }
    QCOMPARE(fs::file_size(empty), 0u);  // looked at, never written

    // A name typed without an extension is saved as an archive 開く lists.
    inst.files.setNextFileName(inst.dir.file("typed"));
    QVERIFY(w->mnuFileSaveAs_Click());
    QVERIFY(fs::exists(inst.dir.file("typed.qvb")));
    QVERIFY(!fs::exists(inst.dir.file("typed")));
    QCOMPARE(inst.pv.arcName, std::string("typed.qvb"));
    QVERIFY(w->close());
}

void DocumentTest::anArchiveWithoutAViewConditionOpensOnItsRoot() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    const std::string a = inst.dir.file("a.qvb");
    const std::string b = inst.dir.file("b.qvb");
    for (const std::string& path : {a, b}) {
        fs::copy_file(test::builtTemplatePath(), path);
        runSql(path, "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (2, 'sub', 1)");
    }
    runSql(b, "DELETE FROM curCondTabl");
    inst.files.setNextFileName(a);
    QVERIFY(w->mnuFileOpen_Click());
    w->folderTree().tvTreeView_NodeClick("2_");
    QCOMPARE(inst.pv.curDir, std::string("2_"));
    inst.files.setNextFileName(b);
    QVERIFY(w->mnuFileOpen_Click());
    QCOMPARE(inst.pv.curDir, std::string("1_"));
    QCOMPARE(w->tvTreeView->selectedKey(), QStringLiteral("1_"));
    QCOMPARE(w->lblTitle0->text(), QStringLiteral("b.qvb"));
    QVERIFY(w->close());
}

void DocumentTest::workLeftByACrashIsTakenUpOrDiscarded() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    const std::string a = inst.dir.file("a.qvb");
    const std::string left = inst.dir.file("a.hvl");
    fs::copy_file(test::builtTemplatePath(), a);
    const std::string saved = test::readFile(a);
    auto leaveWork = [&] {
        fs::copy_file(a, left, fs::copy_options::overwrite_existing);
        runSql(left, "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (7, 'unsaved', 1)");
    };

    // Held by a live program: the archive is in use, whatever is in the copy.
    leaveWork();
    const int claim = platform::claimFile(left);
    QVERIFY(claim >= 0);
    inst.files.setNextFileName(a);
    QVERIFY(!w->mnuFileOpen_Click());
    QCOMPARE(inst.msgs.shown().back().text, a + "は使用中です。");
    ::close(claim);

    // An empty file of that name is the command-line tool's claim, left when
    // it was killed: it holds no work and goes without a question.
    test::writeFile(left, "");
    const size_t shownBefore = inst.msgs.shown().size();
    inst.files.setNextFileName(a);
    QVERIFY(w->mnuFileOpen_Click());
    QCOMPARE(inst.msgs.shown().size(), shownBefore);
    QCOMPARE(test::readFile(left), saved);
    QVERIFY(w->mnuFileClose_Click());
    leaveWork();

    // Left by a program that ended without closing: Cancel opens nothing.
    const size_t asked = inst.msgs.shown().size();
    inst.msgs.setNextAnswer(MsgAnswer::Cancel);
    inst.files.setNextFileName(a);
    QVERIFY(!w->mnuFileOpen_Click());
    QCOMPARE(inst.msgs.shown().size(), asked + 1);
    QCOMPARE(inst.msgs.shown().back().buttons, MsgButtons::YesNoCancel);
    QVERIFY(inst.msgs.shown().back().text.starts_with(a + "には、前回正常に終了しなかった"));
    QVERIFY(fs::exists(left));
    QVERIFY(!w->archiveOpen());

    // Yes takes the work up: it shows, counts as unsaved, and the archive
    // itself is untouched until a save.
    inst.msgs.setNextAnswer(MsgAnswer::Yes);
    inst.files.setNextFileName(a);
    QVERIFY(w->mnuFileOpen_Click());
    QVERIFY(w->tvTreeView->exists("7_"));
    QVERIFY(inst.pv.modFlag);
    QCOMPARE(test::readFile(a), saved);
    // Taken up, the copy is this program's: another look finds it in use.
    QVERIFY(platform::isClaimed(left));
    inst.msgs.setNextAnswer(MsgAnswer::No);
    QVERIFY(w->mnuFileClose_Click());
    QVERIFY(!fs::exists(left));

    // No discards the work, with the journal that belonged to it.
    leaveWork();
    test::writeFile(left + "-journal", "a journal of the left copy");
    inst.msgs.setNextAnswer(MsgAnswer::No);
    inst.files.setNextFileName(a);
    QVERIFY(w->mnuFileOpen_Click());
    QVERIFY(!w->tvTreeView->exists("7_"));
    QVERIFY(!inst.pv.modFlag);
    QVERIFY(!fs::exists(left + "-journal"));
    QCOMPARE(test::readFile(left), saved);
    QVERIFY(w->close());
}

void DocumentTest::readOnlyBusyAndDamagedArchives() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    const std::string a = inst.dir.file("a.qvb");
    fs::copy_file(test::builtTemplatePath(), a);

    // A read-only archive opens for reading and work; a save never replaces
    // it, a save under another name does.
    fs::permissions(a, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string saved = test::readFile(a);
    inst.files.setNextFileName(a);
    QVERIFY(w->mnuFileOpen_Click());
    addFolder(*w, 3, "x");
    QVERIFY(!w->mnuFileSave_Click());
    QCOMPARE(inst.msgs.shown().back().text,
             a + "は読み取り専用のため、上書き保存できません。名前を付けて保存してください。");
    QCOMPARE(test::readFile(a), saved);
    inst.files.setNextFileName(inst.dir.file("copy.qvb"));
    QVERIFY(w->mnuFileSaveAs_Click());
    QCOMPARE(folderRows(inst.dir.file("copy.qvb")), 2);
    QVERIFY(w->mnuFileClose_Click());
    fs::permissions(a, fs::perms::owner_write, fs::perm_options::add);

    // Another connection writing the archive: it is in use, and no copy is
    // taken of a file changing under it.
    sqlite3* writer = nullptr;
    QCOMPARE(sqlite3_open(a.c_str(), &writer), SQLITE_OK);
    QCOMPARE(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    inst.files.setNextFileName(a);
    QVERIFY(!w->mnuFileOpen_Click());
    QCOMPARE(inst.msgs.shown().back().text, a + "は使用中です。");
    QVERIFY(!fs::exists(inst.dir.file("a.hvl")));
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);

    // Folders that cannot be read: the engine's box, then no archive open and
    // no working copy left to make it read as in use.
    int page = 0;
    int pageSize = 0;
    {
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(a.c_str(), &db), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM sqlite_master "
                           "WHERE name = 'mailDirTabl'",
                           -1, &st, nullptr);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        page = sqlite3_column_int(st, 0);
        pageSize = sqlite3_column_int(st, 1);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    {
        std::fstream f(a, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(page - 1) * pageSize);
        const std::string garbage(64, '\xff');
        f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    const size_t before = inst.msgs.shown().size();
    inst.files.setNextFileName(a);
    QVERIFY(!w->mnuFileOpen_Click());
    QVERIFY(inst.msgs.shown().size() > before);
    QVERIFY(!fs::exists(inst.dir.file("a.hvl")));
    QVERIFY(!w->archiveOpen());
    QCOMPARE(w->lblTitle0->text(), QString::fromUtf8(texts::kNoFileOpen));
    QVERIFY(w->close());
}

QTEST_MAIN(DocumentTest)
#include "Document_test.moc"
