// Creating, renaming and deleting folders through the real window: the name
// dialog, the tree's events and the tree following the folder model. What
// the edits write to the archive is tested on the model (tests/folders).
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "folders/FolderEditor.h"
#include "folders/FolderTree.h"
#include "folders/frmInpDirName.h"
#include "tests/folders/TreeFollowsModel.h"
#include "tests/mainwindow/WindowFixture.h"

using namespace quorvel;
using platform::MsgAnswer;
using test::Instance;

namespace {

bool runSql(const ProgramValues& pv, const char* sql) {
    return test::runSql(workingFile(pv), sql);
}

void clickNode(ui::TreeView* tree, const QString& key) {
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(tree->item(key)).center());
    // Long enough for a click not to be the first of a double click, and for a
    // rename that a slow second click would start.
    QTest::qWait(QApplication::doubleClickInterval() + 150);
}

bool editing(ui::TreeView* tree) {
    const QLineEdit* editor = tree->viewport()->findChild<QLineEdit*>();
    return editor && editor->isVisible();
}

}  // namespace

class FolderEditingTest : public QObject {
    Q_OBJECT
private slots:
    void createAndRename();
    void clicksRenameOnlyASelectedFolderAndNeverTheRoot();
    void deleteAsksAndLeavesTheParentCurrent();
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

    // A new folder goes under the selected one, with the next identifier.
    tree->selectNode("2_");
    QVERIFY(edit.addFolder("仕事"));
    QCOMPARE(tree->parentKey("3_"), QStringLiteral("2_"));
    QCOMPARE(w->dirCounter, 3);
    QVERIFY(tree->expanded("2_"));
    QVERIFY(inst.pv.modFlag);
    test::verifyTreeFollowsModel(w->folderTree(), *tree);

    // Renaming to the same text changes nothing; a new name is taken.
    inst.pv.modFlag = false;
    bool cancel = false;
    edit.tvTreeView_AfterLabelEdit("3_", "仕事", &cancel);
    QVERIFY(!inst.pv.modFlag);
    edit.tvTreeView_AfterLabelEdit("3_", "プロジェクト", &cancel);
    QVERIFY(!cancel);
    QVERIFY(inst.pv.modFlag);
    QCOMPARE(w->folderTree().model().name(3), std::string("プロジェクト"));
    // A name the archive refuses stays off the tree.
    QVERIFY(runSql(inst.pv, "CREATE TRIGGER refuse BEFORE UPDATE ON mailDirTabl BEGIN SELECT RAISE(ABORT, 'no'); END"));
    edit.tvTreeView_AfterLabelEdit("3_", "x", &cancel);
    QVERIFY(cancel);

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
        QVERIFY(!editing(tree));
    }

    // One click on a folder that is not selected makes it current; typed keys
    // then change no name.
    clickNode(tree, "2_");
    QVERIFY(!editing(tree));
    QCOMPARE(inst.pv.curDir, std::string("2_"));
    QTest::keyClicks(tree, "x");
    QTest::keyClick(tree, Qt::Key_Return);
    QTest::qWait(50);
    QCOMPARE(w->folderTree().model().name(2), std::string("受信"));

    // A second, slow click on the selected folder edits its name; an empty
    // name is refused as in the creation dialog.
    clickNode(tree, "2_");
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
    QCOMPARE(w->folderTree().model().name(2), std::string("受信"));
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

void FolderEditingTest::deleteAsksAndLeavesTheParentCurrent() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    inst.openArchiveWithMails(3);  // in the root
    w->folderTree().loadTree();
    FolderEditor& edit = w->folderEditor();
    ui::TreeView* tree = w->tvTreeView;
    // 2 under the root, 3 under 2, 4 under 3; 5 beside 2.
    for (const auto& [parent, name] :
         std::vector<std::pair<const char*, const char*>>{{"1_", "a"}, {"2_", "b"}, {"3_", "c"}, {"1_", "keep"}}) {
        tree->selectNode(parent);
        QVERIFY(edit.addFolder(name));
    }
    QVERIFY(runSql(inst.pv, "UPDATE MailInfTabl SET dirID = 3 WHERE ID = 3"));
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

    // A deletion the archive refuses shows the error box and leaves the tree.
    QVERIFY(runSql(inst.pv, "CREATE TRIGGER refuse BEFORE DELETE ON MailOBJTabl BEGIN SELECT RAISE(ABORT, 'no'); END"));
    tree->selectNode("2_");
    inst.msgs.setNextAnswer(MsgAnswer::Ok);
    edit.mnuDelFld_Click();
    QVERIFY(inst.msgs.shown().back().text.find("テーブル名：MailOBJTabl") != std::string::npos);
    QCOMPARE(tree->nodeCount(), 5);
    QCOMPARE(inst.pv.curDir, std::string("4_"));
    QVERIFY(!inst.pv.modFlag);

    QVERIFY(runSql(inst.pv, "DROP TRIGGER refuse"));
    inst.msgs.setNextAnswer(MsgAnswer::Ok);
    edit.tvTreeView_KeyDown(Qt::Key_Delete, 0);
    QCOMPARE(tree->nodeCount(), 2);
    test::verifyTreeFollowsModel(w->folderTree(), *tree);
    // The parent is current and shows its own mails.
    QCOMPARE(inst.pv.curDir, std::string("1_"));
    QCOMPARE(tree->selectedKey(), QStringLiteral("1_"));
    QCOMPARE(w->lvListView->itemCount(), 2);
    QCOMPARE(w->sbStatusBar->panelText(1), QStringLiteral("2通のメールがあります。"));
    QVERIFY(inst.pv.modFlag);
    inst.msgs.setNextAnswer(MsgAnswer::No);
    w->close();
}

QTEST_MAIN(FolderEditingTest)
#include "FolderEditing_test.moc"
