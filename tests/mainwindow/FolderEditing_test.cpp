// Creating, renaming and deleting folders through the real window.
#include <sqlite3.h>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "folders/FolderEditor.h"
#include "folders/FolderTree.h"
#include "folders/frmInpDirName.h"
#include "tests/mainwindow/ArchiveInvariants.h"
#include "tests/mainwindow/WindowFixture.h"

using namespace quorvel;
using platform::MsgAnswer;
using test::Instance;

namespace {

QStringList folderRows(const ProgramValues& pv) {
    archive::LtDataBaseInfo db(workingFile(pv), "mailDirTabl");
    QStringList rows;
    if (db.DB_Open(archive::sqlSelectAllById("mailDirTabl"), false)) {
        for (db.DB_MoveFirst(); !db.RecSet->isEOF(); db.DB_MoveNext()) {
            rows << QString::fromStdString(db.RecSet->Fields("ID").Value().toText() + ":" +
                                           db.RecSet->Fields("dname").Value().toText() + ":" +
                                           db.RecSet->Fields("parentID").Value().toText());
        }
    }
    return rows;
}

int rowCount(const ProgramValues& pv, const char* table) {
    archive::LtDataBaseInfo db(workingFile(pv), table);
    return db.DB_Open("", false) ? static_cast<int>(db.RecSet->RecordCount()) : -1;
}

// Mails 1..n of a folder, with their stored files.
void addMails(ProgramValues& pv, int firstId, int n, int32_t folder) {
    for (const char* table : {"MailInfTabl", "MailOBJTabl"}) {
        archive::LtDataBaseInfo db(workingFile(pv), table);
        QVERIFY(db.DB_Open("", true));
        for (int i = firstId; i < firstId + n; ++i) {
            QVERIFY(db.DB_AddNew());
            db.RecSet->Fields("ID").setValue(i);
            if (std::string(table) == "MailInfTabl") {
                db.RecSet->Fields("dirID").setValue(folder);
            } else {
                db.RecSet->Fields("mailFlObj").AppendChunk("mail");
            }
            QVERIFY(db.DB_Update());
        }
    }
}

}  // namespace

class FolderEditingTest : public QObject {
    Q_OBJECT
private slots:
    void createAndRename();
    void clicksRenameOnlyASelectedFolderAndNeverTheRoot();
    void deleteRemovesTheSubtreeAndItsMails();
    void aFailedDeletionChangesNothing();
};

void FolderEditingTest::createAndRename() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    FolderEditor& edit = w->folderEditor();
    ui::TreeView* tree = w->tvTreeView;

    // The name dialog refuses an empty name and stays open.
    frmInpDirName dialog([&](const QString& name) { return edit.addFolder(name); });
    dialog.show();
    dialog.cmdOK->click();
    QCOMPARE(inst.msgs.shown().back().text, std::string("名前が未入力です。"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Quorvel:メールフォルダの名称入力"));
    QCOMPARE(dialog.cmdCancel->text(), QStringLiteral("キャンセル"));
    dialog.Text1->setText("受信");
    dialog.cmdOK->click();
    QVERIFY(!dialog.isVisible());

    tree->selectNode("1_");
    QVERIFY(edit.addFolder("受信"));  // the same name twice under one parent is allowed
    tree->selectNode("2_");
    QVERIFY(edit.addFolder("仕事"));
    QCOMPARE(folderRows(inst.pv), QStringList({"1:ルート:0", "2:受信:1", "3:受信:1", "4:仕事:2"}));
    QCOMPARE(w->dirCounter, 4);
    QVERIFY(tree->expanded("2_"));
    QVERIFY(inst.pv.modFlag);

    // Renaming to the same text writes nothing; a new name updates its row.
    inst.pv.modFlag = false;
    bool cancel = false;
    edit.tvTreeView_AfterLabelEdit("4_", "仕事", &cancel);
    QVERIFY(!inst.pv.modFlag);
    edit.tvTreeView_AfterLabelEdit("4_", "プロジェクト", &cancel);
    QVERIFY(!cancel);
    QVERIFY(inst.pv.modFlag);
    QCOMPARE(folderRows(inst.pv).last(), QStringLiteral("4:プロジェクト:2"));
    test::verifyArchiveInvariants(inst.pv);

    // The root's context menu offers only フォルダ作成.
    edit.tvTreeView_MouseDown(2, 0, tree->visualItemRect(tree->item("1_")).center());
    QVERIFY(!w->mnuDelFld->isVisible());
    w->mnuEdit->hide();
    edit.tvTreeView_MouseDown(2, 0, tree->visualItemRect(tree->item("2_")).center());
    QVERIFY(w->mnuDelFld->isVisible());
    w->mnuEdit->hide();
    inst.msgs.setNextAnswer(MsgAnswer::No);
    w->close();
}

namespace {

void clickNode(ui::TreeView* tree, const QString& key) {
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(tree->item(key)).center());
}

// Long enough for a click not to be the first of a double click, and for a
// rename that a slow second click would start.
void pastDoubleClickTime() {
    QTest::qWait(QApplication::doubleClickInterval() + 150);
}

bool editing(ui::TreeView* tree) {
    const QLineEdit* editor = tree->viewport()->findChild<QLineEdit*>();
    return editor && editor->isVisible();
}

}  // namespace

void FolderEditingTest::clicksRenameOnlyASelectedFolderAndNeverTheRoot() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    ui::TreeView* tree = w->tvTreeView;
    tree->selectNode("1_");
    QVERIFY(w->folderEditor().addFolder("受信"));
    inst.pv.modFlag = false;

    // The root is selected after the start: clicking it never edits its name.
    for (int i = 0; i < 2; ++i) {
        clickNode(tree, "1_");
        pastDoubleClickTime();
        QVERIFY(!editing(tree));
    }

    // One click on a folder that is not selected makes it current; typed keys
    // then change no name.
    clickNode(tree, "2_");
    pastDoubleClickTime();
    QVERIFY(!editing(tree));
    QCOMPARE(inst.pv.curDir, std::string("2_"));
    QTest::keyClicks(tree, "x");
    QTest::keyClick(tree, Qt::Key_Return);
    QTest::qWait(50);
    QCOMPARE(folderRows(inst.pv), QStringList({"1:ルート:0", "2:受信:1"}));

    // A second, slow click on the selected folder edits its name; an empty
    // name is refused as in the creation dialog.
    clickNode(tree, "2_");
    pastDoubleClickTime();
    QVERIFY(editing(tree));
    auto* editor = tree->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(50);  // the editor hands its text over from the event loop
    QCOMPARE(inst.msgs.shown().size(), size_t{1});
    QCOMPARE(inst.msgs.shown().back().text, std::string("名前が未入力です。"));
    QCOMPARE(tree->text("2_"), QStringLiteral("受信"));
    QCOMPARE(folderRows(inst.pv), QStringList({"1:ルート:0", "2:受信:1"}));
    QVERIFY(!inst.pv.modFlag);

    // With no editor open, Delete asks before deleting the folder.
    QVERIFY(!editing(tree));
    inst.msgs.setNextAnswer(MsgAnswer::Cancel);
    QTest::keyClick(tree, Qt::Key_Delete);
    QCOMPARE(inst.msgs.shown().back().text, std::string("受信") + FolderEditor::kMsgDeleteSuffix);
    QCOMPARE(tree->nodeCount(), 2);
    inst.msgs.setNextAnswer(MsgAnswer::No);
    w->close();
}

void FolderEditingTest::deleteRemovesTheSubtreeAndItsMails() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    FolderEditor& edit = w->folderEditor();
    ui::TreeView* tree = w->tvTreeView;
    // 2 under the root, 3 under 2, 4 under 3; 5 beside 2.
    for (const auto& [parent, name] :
         std::vector<std::pair<const char*, const char*>>{{"1_", "a"}, {"2_", "b"}, {"3_", "c"}, {"1_", "keep"}}) {
        tree->selectNode(parent);
        QVERIFY(edit.addFolder(name));
    }
    addMails(inst.pv, 1, 2, 2);
    addMails(inst.pv, 3, 2, 4);
    addMails(inst.pv, 5, 1, 5);
    addMails(inst.pv, 6, 2, 1);
    w->folderTree().tvTreeView_NodeClick("4_");
    tree->selectNode("2_");
    QCOMPARE(edit.foldersBelow("2_"), (std::vector<int32_t>{4, 3}));

    // Cancel changes nothing; the root is never deleted by the Delete key.
    inst.pv.modFlag = false;
    inst.msgs.setNextAnswer(MsgAnswer::Cancel);
    edit.mnuDelFld_Click();
    QCOMPARE(inst.msgs.shown().back().text, std::string("a") + FolderEditor::kMsgDeleteSuffix);
    QCOMPARE(inst.msgs.shown().back().buttons, platform::MsgButtons::OkCancel);
    QCOMPARE(tree->nodeCount(), 5);
    QVERIFY(!inst.pv.modFlag);
    tree->selectNode("1_");
    const size_t shown = inst.msgs.shown().size();
    edit.tvTreeView_KeyDown(Qt::Key_Delete, 0);
    QCOMPARE(inst.msgs.shown().size(), shown);

    tree->selectNode("2_");
    inst.msgs.setNextAnswer(MsgAnswer::Ok);
    edit.tvTreeView_KeyDown(Qt::Key_Delete, 0);
    QCOMPARE(tree->nodeCount(), 2);
    QCOMPARE(folderRows(inst.pv), QStringList({"1:ルート:0", "5:keep:1"}));
    QCOMPARE(rowCount(inst.pv, "MailInfTabl"), 3);
    QCOMPARE(rowCount(inst.pv, "MailOBJTabl"), 3);
    QCOMPARE(inst.pv.curDir, std::string("1_"));
    QCOMPARE(tree->selectedKey(), QStringLiteral("1_"));
    // The parent is current and shows its own mails.
    QCOMPARE(w->lvListView->itemCount(), 2);
    QCOMPARE(w->sbStatusBar->panelText(1), QStringLiteral("2通のメールがあります。"));
    QVERIFY(inst.pv.modFlag);
    test::verifyArchiveInvariants(inst.pv);
    inst.msgs.setNextAnswer(MsgAnswer::No);
    w->close();
}

void FolderEditingTest::aFailedDeletionChangesNothing() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    FolderEditor& edit = w->folderEditor();
    ui::TreeView* tree = w->tvTreeView;
    tree->selectNode("1_");
    QVERIFY(edit.addFolder("a"));
    addMails(inst.pv, 1, 3, 2);
    // The stored files' table is gone (a damaged archive): the deletion fails
    // after the header rows were deleted, and everything is rolled back.
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(workingFile(inst.pv).c_str(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "DROP TABLE MailOBJTabl", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    tree->selectNode("2_");
    inst.msgs.setNextAnswer(MsgAnswer::Ok);
    edit.mnuDelFld_Click();
    QVERIFY(inst.msgs.shown().back().text.find("テーブル名：MailOBJTabl") != std::string::npos);
    QCOMPARE(tree->nodeCount(), 2);
    QCOMPARE(rowCount(inst.pv, "MailInfTabl"), 3);
    QCOMPARE(folderRows(inst.pv), QStringList({"1:ルート:0", "2:a:1"}));
    inst.msgs.setNextAnswer(MsgAnswer::No);
    w->close();
}

QTEST_MAIN(FolderEditingTest)
#include "FolderEditing_test.moc"
