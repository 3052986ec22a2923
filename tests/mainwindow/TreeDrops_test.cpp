// Drops on the folder tree: mails from the list, folders within the tree,
// mail files from outside.
#include <QMimeData>
#include <QtTest>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "folders/FolderEditor.h"
#include "folders/FolderTree.h"
#include "folders/TreeDrops.h"
#include "maillist/ListDrops.h"
#include "maillist/MailList.h"
#include "platform/dnd/MimeDataObject.h"
#include "tests/mainwindow/ArchiveInvariants.h"
#include "tests/mainwindow/WindowFixture.h"

using namespace quorvel;
using test::Instance;

namespace {

std::vector<int> mailsOf(const ProgramValues& pv, int dirId) {
    archive::LtDataBaseInfo db(workingFile(pv), "MailInfTabl");
    std::vector<int> ids;
    if (db.DB_Open("SELECT * FROM MailInfTabl WHERE dirID = " + std::to_string(dirId) + " ORDER BY ID", false)) {
        for (db.DB_MoveFirst(); !db.RecSet->isEOF(); db.DB_MoveNext()) {
            ids.push_back(static_cast<int>(db.RecSet->Fields("ID").Value().toInt()));
        }
    }
    return ids;
}

QStringList folderRows(const ProgramValues& pv) {
    archive::LtDataBaseInfo db(workingFile(pv), "mailDirTabl");
    QStringList rows;
    if (db.DB_Open(archive::sqlSelectAllById("mailDirTabl"), false)) {
        for (db.DB_MoveFirst(); !db.RecSet->isEOF(); db.DB_MoveNext()) {
            rows << QString::fromStdString(db.RecSet->Fields("ID").Value().toText() + ":" +
                                           db.RecSet->Fields("parentID").Value().toText());
        }
    }
    return rows;
}

// A whole drag over the tree ending on a node (or on empty space).
void dropOnTree(ui::TreeView* tree, QMimeData& mime, const QString& node) {
    QWidget* area = tree->viewport();
    const QPoint at = node.isEmpty() ? QPoint(area->width() / 2, area->height() - 2)
                                     : tree->visualItemRect(tree->item(node)).center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area, &move);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area, &drop);
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
    w->dragKeys = {"", "1_", "2_"};
    w->listDragActive = true;
    inst.pv.modFlag = false;
    dropOnTree(w->tvTreeView, mime, "1_");
    QCOMPARE(mailsOf(inst.pv, 1), (std::vector<int>{1, 2, 3}));
    QCOMPARE(w->lvListView->itemCount(), 3);
    QVERIFY(!inst.pv.modFlag);

    w->dragKeys = {"", "1_", "2_"};
    dropOnTree(w->tvTreeView, mime, "2_");
    QCOMPARE(mailsOf(inst.pv, 2), (std::vector<int>{1, 2}));
    QCOMPARE(mailsOf(inst.pv, 1), (std::vector<int>{3}));
    QCOMPARE(w->lvListView->itemCount(), 1);
    QCOMPARE(w->dragKeys, std::vector<std::string>{""});
    QVERIFY(inst.pv.modFlag);
    QVERIFY(w->tvTreeView->dropHighlight().isEmpty());
    w->listDragActive = false;
    test::verifyArchiveInvariants(inst.pv);
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void TreeDropsTest::foldersMoveWithTheirSubtreeButNeverBelowThemselves() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    ui::TreeView* tree = w->tvTreeView;
    tree->selectNode("1_");
    QVERIFY(w->folderEditor().addFolder("a"));  // 2
    tree->selectNode("2_");
    QVERIFY(w->folderEditor().addFolder("b"));  // 3 under 2
    tree->selectNode("3_");
    QVERIFY(w->folderEditor().addFolder("c"));  // 4 under 3
    tree->selectNode("1_");
    QVERIFY(w->folderEditor().addFolder("d"));  // 5

    TreeDrops& drops = w->treeDrops();
    QVERIFY(!drops.moveFolder("2_", "4_"));  // below itself: refused
    QCOMPARE(tree->parentKey("2_"), QStringLiteral("1_"));
    QVERIFY(drops.moveFolder("2_", "5_"));
    QCOMPARE(tree->fullPath("4_"), QStringLiteral("新規_1.qvb\\d\\a\\b\\c"));
    QCOMPARE(folderRows(inst.pv), QStringList({"1:0", "2:5", "3:2", "4:3", "5:1"}));

    // The same through a drag of the tree: pressed node, drop on a folder.
    tree->expandAll();
    w->folderEditor().tvTreeView_MouseDown(1, 0, tree->visualItemRect(tree->item("3_")).center());
    drops.tvTreeView_OLEStartDrag();
    QMimeData mime;
    mime.setData(TreeDrops::kFolderDragFormat, {});
    dropOnTree(tree, mime, "1_");
    drops.tvTreeView_OLECompleteDrag();
    QCOMPARE(tree->parentKey("3_"), QStringLiteral("1_"));
    QCOMPARE(folderRows(inst.pv), QStringList({"1:0", "2:5", "3:1", "4:3", "5:1"}));
    QVERIFY(!drops.treeDragActive());

    // Released over empty space: nothing happens.
    w->folderEditor().tvTreeView_MouseDown(1, 0, tree->visualItemRect(tree->item("4_")).center());
    drops.tvTreeView_OLEStartDrag();
    dropOnTree(tree, mime, {});
    drops.tvTreeView_OLECompleteDrag();
    QCOMPARE(tree->parentKey("4_"), QStringLiteral("3_"));

    // Reopened, the tree has the same shape.
    w->folderTree().loadTree();
    QCOMPARE(tree->fullPath("4_"), QStringLiteral("新規_1.qvb\\b\\c"));
    QCOMPARE(tree->fullPath("2_"), QStringLiteral("新規_1.qvb\\d\\a"));
    test::verifyArchiveInvariants(inst.pv);
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void TreeDropsTest::mailFilesAreImportedIntoTheFolder() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    w->tvTreeView->selectNode("1_");
    QVERIFY(w->folderEditor().addFolder("受信"));
    for (const char* name : {"a.eml", "b.eml"}) {
        test::writeFile(inst.dir.file(name), std::string("From: x@example.com\nSubject: ") + name + "\n\nbody\n");
    }
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(inst.dir.file("a.eml"))),
                  QUrl::fromLocalFile(QString::fromStdString(inst.dir.file("b.eml")))});
    dropOnTree(w->tvTreeView, mime, "2_");
    QCOMPARE(mailsOf(inst.pv, 2), (std::vector<int>{1, 2}));
    QCOMPARE(w->sbStatusBar->panelText(1), QStringLiteral("2件のメールを登録"));
    QVERIFY(inst.pv.modFlag);
    QVERIFY(inst.msgs.shown().empty());

    // Mails from a mail program over a tree folder, after a drag passed over
    // the list: the tree takes the drop, and the delivered file lands in the
    // highlighted folder.
    w->dropTargetCtl = 2;
    QMimeData message;
    message.setData("message/rfc822", "From: y@example.com\r\nSubject: dragged\r\n\r\nbody\r\n");
    dnd::IDataObject* data = nullptr;
    QCOMPARE(dnd::createMimeDataObject(&message, &data), com::S_OK);
    dnd::DWORD effect = 7;
    w->treeDrops().tvTreeView_OLEDragOver(data, w->tvTreeView->visualItemRect(w->tvTreeView->item("2_")).center(),
                                          &effect);
    QCOMPARE(w->dropTargetCtl, 1);
    QCOMPARE(w->tvTreeView->dropHighlight(), QStringLiteral("2_"));
    dnd::detachMimeDataObject(data);
    data->Release();
    const std::string delivered = inst.pv.sysPath + "/tmp/0message.eml";
    test::writeFile(delivered, "From: y@example.com\r\nSubject: dragged\r\n\r\nbody\r\n");
    w->listDrops().UIDragDrop_FilesDropped(delivered);
    QCOMPARE(mailsOf(inst.pv, 2), (std::vector<int>{1, 2, 3}));
    QVERIFY(!std::filesystem::exists(delivered));
    test::verifyArchiveInvariants(inst.pv);
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

QTEST_MAIN(TreeDropsTest)
#include "TreeDrops_test.moc"
