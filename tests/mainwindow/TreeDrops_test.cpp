// Drops on the folder tree: mails from the list, folders within the tree,
// mail files from outside. What a move writes to the archive is tested on the
// folder model (tests/folders).
#include <QMimeData>
#include <QtTest>

#include "folders/FolderEditor.h"
#include "folders/FolderTree.h"
#include "folders/TreeDrops.h"
#include "maillist/ListDrops.h"
#include "maillist/MailList.h"
#include "platform/dnd/MimeDataObject.h"
#include "tests/folders/TreeFollowsModel.h"
#include "tests/mainwindow/WindowFixture.h"
#include "tests/support/DragEvents.h"
#include "tromsel/TromselRegistration.h"

using namespace quorvel;
using test::Instance;

namespace {

// A whole drag over the tree ending on a node (or on empty space).
void dropOnTree(ui::TreeView* tree, const QMimeData& mime, const QString& node) {
    QWidget* area = tree->viewport();
    test::dragAlong(area, &mime,
                    {node.isEmpty() ? QPoint(area->width() / 2, area->height() - 2)
                                    : tree->visualItemRect(tree->item(node)).center()});
}

}  // namespace

class TreeDropsTest : public QObject {
    Q_OBJECT
private slots:
    void mailsFromTheListMoveIntoTheFolder();
    void foldersMoveWithTheirSubtreeButNeverBelowThemselves();
    void mailFilesAreImportedIntoTheFolder();
};

void TreeDropsTest::mailsFromTheListMoveIntoTheFolder() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    inst.openArchiveWithMails(3);
    w->folderTree().loadTree();
    w->tvTreeView->selectNode("1_");
    QVERIFY(w->folderEditor().addFolder("受信"));
    w->mailList().s_mailListLoad("1_");
    inst.pv.curDir = "1_";

    // Onto the current folder: nothing changes.
    QMimeData mime;
    mime.setData("application/x-test-mails", {});
    w->drag.keys = {"", "1_", "2_"};
    w->drag.listDragActive = true;
    inst.pv.modFlag = false;
    dropOnTree(w->tvTreeView, mime, "1_");
    QCOMPARE(w->lvListView->itemCount(), 3);
    QVERIFY(!inst.pv.modFlag);

    w->drag.keys = {"", "1_", "2_"};
    dropOnTree(w->tvTreeView, mime, "2_");
    QCOMPARE(inst.mailsIn(2), (std::vector<int>{1, 2}));
    QCOMPARE(w->lvListView->itemCount(), 1);
    QCOMPARE(w->sbStatusBar->panelText(1), QStringLiteral("1通のメールがあります。"));
    QCOMPARE(w->drag.keys, std::vector<std::string>{""});
    QVERIFY(inst.pv.modFlag);
    QVERIFY(w->tvTreeView->dropHighlight().isEmpty());
    w->drag.listDragActive = false;
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void TreeDropsTest::foldersMoveWithTheirSubtreeButNeverBelowThemselves() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    ui::TreeView* tree = w->tvTreeView;
    // 2 under the root, 3 under 2, 4 under 3; 5 beside 2.
    for (const auto& [parent, name] :
         std::vector<std::pair<const char*, const char*>>{{"1_", "a"}, {"2_", "b"}, {"3_", "c"}, {"1_", "d"}}) {
        tree->selectNode(parent);
        QVERIFY(w->folderEditor().addFolder(name));
    }

    TreeDrops& drops = w->treeDrops();
    inst.pv.modFlag = false;
    QVERIFY(!drops.moveFolder("2_", "4_"));  // below itself: refused, and counted as a change
    QCOMPARE(tree->parentKey("2_"), QStringLiteral("1_"));
    QVERIFY(inst.pv.modFlag);
    QVERIFY(drops.moveFolder("2_", "5_"));
    QCOMPARE(tree->fullPath("4_"), QStringLiteral("新規_1.qvb\\d\\a\\b\\c"));
    test::verifyTreeFollowsModel(w->folderTree(), *tree);

    // The same through a drag of the tree: pressed node, drop on a folder.
    tree->expandAll();
    w->folderEditor().tvTreeView_MouseDown(1, 0, tree->visualItemRect(tree->item("3_")).center());
    drops.tvTreeView_OLEStartDrag();
    QMimeData mime;
    mime.setData(TreeDrops::kFolderDragFormat, {});
    dropOnTree(tree, mime, "1_");
    drops.tvTreeView_OLECompleteDrag();
    QCOMPARE(tree->parentKey("3_"), QStringLiteral("1_"));
    QVERIFY(!drops.treeDragActive());

    // Released over empty space: nothing happens.
    w->folderEditor().tvTreeView_MouseDown(1, 0, tree->visualItemRect(tree->item("4_")).center());
    drops.tvTreeView_OLEStartDrag();
    dropOnTree(tree, mime, {});
    drops.tvTreeView_OLECompleteDrag();
    QCOMPARE(tree->parentKey("4_"), QStringLiteral("3_"));
    test::verifyTreeFollowsModel(w->folderTree(), *tree);

    // Reloaded with names the tree sorts by UTF-16, and edited again, the
    // tree still shows the model's order.
    QVERIFY(test::runSql(workingFile(inst.pv),
                         "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (6, '｡', 1), "
                         "(7, '😀', 1), (8, 'B', 1), (9, 'a', 1), (10, 'a', 1)"));
    w->folderTree().loadTree();
    w->dirCounter = w->folderTree().f_getMaxDirID();
    test::verifyTreeFollowsModel(w->folderTree(), *tree);
    QCOMPARE(tree->fullPath("4_"), QStringLiteral("新規_1.qvb\\b\\c"));
    QVERIFY(drops.moveFolder("3_", "5_"));
    bool cancel = false;
    w->folderEditor().tvTreeView_AfterLabelEdit("10_", "B", &cancel);
    QVERIFY(!cancel);
    tree->setText("10_", "B");  // as the label editor does once the name was taken
    tree->selectNode("1_");
    QVERIFY(w->folderEditor().addFolder("a"));
    test::verifyTreeFollowsModel(w->folderTree(), *tree);
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void TreeDropsTest::mailFilesAreImportedIntoTheFolder() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    w->tvTreeView->selectNode("1_");
    QVERIFY(w->folderEditor().addFolder("受信"));
    QVERIFY(w->folderEditor().addFolder("保管"));
    for (const char* name : {"a.eml", "b.eml"}) {
        test::writeFile(inst.dir.file(name), std::string("From: x@example.com\nSubject: ") + name + "\n\nbody\n");
    }
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(inst.dir.file("a.eml"))),
                  QUrl::fromLocalFile(QString::fromStdString(inst.dir.file("b.eml")))});
    dropOnTree(w->tvTreeView, mime, "2_");
    QCOMPARE(inst.mailsIn(2), (std::vector<int>{1, 2}));
    QCOMPARE(w->sbStatusBar->panelText(1), QStringLiteral("2件のメールを登録"));
    QVERIFY(inst.pv.modFlag);
    QVERIFY(inst.msgs.shown().empty());

    // Mails from a mail program, dragged over the list first, then into the
    // tree below its last row, up onto a folder and on to another: the drop
    // target component takes the tree's window at the first folder, and the
    // mail lands in the folder under the pointer at the drop.
    QVERIFY(com::SUCCEEDED(com::ensureTromselRegistered(QUORVEL_TEST_PROGRAM_DIR)));
    QMimeData message;
    message.setData("message/rfc822", "From: y@example.com\r\nSubject: dragged\r\n\r\nbody\r\n");
    QWidget* list = w->lvListView->viewport();
    const QPoint onList(list->width() / 2, list->height() / 2);
    for (QEvent::Type type : {QEvent::DragEnter, QEvent::DragMove, QEvent::DragLeave}) {
        test::sendDrag(list, type, onList, &message);
    }
    QCOMPARE(w->drag.componentOn, ComponentTarget::List);

    QWidget* area = w->tvTreeView->viewport();
    const QPoint below(area->width() / 2, area->height() - 2);
    const QPoint onFirst = w->tvTreeView->visualItemRect(w->tvTreeView->item("2_")).center();
    const QPoint onSecond = w->tvTreeView->visualItemRect(w->tvTreeView->item("3_")).center();
    // Refused, Qt would send this widget nothing more of the drag.
    QVERIFY(test::sendDrag(area, QEvent::DragEnter, below, &message) != Qt::IgnoreAction);
    for (const QPoint& at : {below, onFirst, onFirst + QPoint(1, 0)}) {
        test::sendDrag(area, QEvent::DragMove, at, &message);
    }
    QCOMPARE(w->drag.componentOn, ComponentTarget::Tree);
    QCOMPARE(w->tvTreeView->dropHighlight(), QStringLiteral("2_"));
    test::sendDrag(area, QEvent::DragMove, onSecond, &message);
    QCOMPARE(w->tvTreeView->dropHighlight(), QStringLiteral("3_"));
    test::sendDrag(area, QEvent::Drop, onSecond, &message);
    QCOMPARE(inst.mailsIn(3), std::vector<int>{3});
    QCOMPARE(inst.mailsIn(1), std::vector<int>{});
    QVERIFY(w->tvTreeView->dropHighlight().isEmpty());
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

QTEST_MAIN(TreeDropsTest)
#include "TreeDrops_test.moc"
