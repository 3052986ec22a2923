// The tree and list controls' semantics that the windows rely on.
#include <QHeaderView>
#include <QLineEdit>
#include <QtTest>

#include "toolkit/ListView.h"
#include "toolkit/TreeView.h"
#include "toolkit/Twips.h"

using quorvel::ui::ListView;
using quorvel::ui::TreeView;

class ToolkitTest : public QObject {
    Q_OBJECT
private slots:
    void treeNodesByKeyPositionAndParent();
    void treeLabelEditCanBeRefused();
    void listSortsShownTextsAsText();
    void listColumnsKeepTwipsAndPositions();
};

void ToolkitTest::treeNodesByKeyPositionAndParent() {
    TreeView tree;
    QCOMPARE(tree.addNode("", "1_", "archive.qvb", "quorvel"), TreeView::kOk);
    QCOMPARE(tree.addNode("1_", "3_", "Work", "closeF"), TreeView::kOk);
    QCOMPARE(tree.addNode("1_", "2_", "Private", "closeF"), TreeView::kOk);
    QCOMPARE(tree.addNode("3_", "4_", "Projects", "closeF"), TreeView::kOk);
    QCOMPARE(tree.addNode("1_", "2_", "again", "closeF"), TreeView::kErrKeyNotUnique);
    QCOMPARE(tree.addNode("9_", "5_", "orphan", "closeF"), TreeView::kErrNoSuchNode);
    QCOMPARE(tree.nodeCount(), 4);
    QCOMPARE(tree.keyAt(1), QString("1_"));
    QCOMPARE(tree.keyAt(3), QString("2_"));  // order of addition, not of display
    QCOMPARE(tree.positionOf("4_"), 4);

    // Children in name order once the parent is sorted.
    QCOMPARE(tree.firstChild("1_"), QString("3_"));
    tree.setSorted("1_", true);
    QCOMPARE(tree.firstChild("1_"), QString("2_"));
    QCOMPARE(tree.childCount("1_"), 2);
    QCOMPARE(tree.fullPath("4_"), QString("archive.qvb\\Work\\Projects"));

    // A node cannot move into its own subtree; a move takes the subtree along.
    QCOMPARE(tree.setParent("3_", "4_"), TreeView::kErrCycle);
    QCOMPARE(tree.setParent("3_", "3_"), TreeView::kErrCycle);
    QCOMPARE(tree.parentKey("3_"), QString("1_"));
    QCOMPARE(tree.setParent("3_", "2_"), TreeView::kOk);
    QCOMPARE(tree.fullPath("4_"), QString("archive.qvb\\Private\\Work\\Projects"));
    QCOMPARE(tree.childCount("1_"), 1);

    tree.setDropHighlight("2_");

    // Removing a node removes its subtree; later positions move up.
    QCOMPARE(tree.removeNode("3_"), TreeView::kOk);
    QCOMPARE(tree.nodeCount(), 2);
    QVERIFY(!tree.exists("4_"));
    QCOMPARE(tree.keyAt(2), QString("2_"));
    QCOMPARE(tree.dropHighlight(), QString("2_"));  // a removal elsewhere leaves it
    tree.clearNodes();
    QCOMPARE(tree.nodeCount(), 0);
    QCOMPARE(tree.keyAt(1), QString());
}

void ToolkitTest::treeLabelEditCanBeRefused() {
    TreeView tree;
    tree.addNode("", "1_", "root", "quorvel");
    tree.addNode("1_", "2_", "B", "closeF");
    tree.addNode("1_", "3_", "C", "closeF");
    tree.setSorted("1_", true);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    QString seen;
    bool refuse = true;
    connect(&tree, &TreeView::AfterLabelEdit, this, [&](const QString& key, const QString& text, bool* cancel) {
        seen = key + "=" + text;
        *cancel = refuse;
    });
    auto edit = [&](const QString& key, const QString& text) {
        tree.startLabelEdit(key);
        auto* editor = tree.findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits from the event queue and deletes the editor later.
        QTRY_VERIFY(tree.findChildren<QLineEdit*>().isEmpty());
    };
    edit("3_", "A");
    QCOMPARE(seen, QString("3_=A"));
    QCOMPARE(tree.text("3_"), QString("C"));
    refuse = false;
    edit("3_", "A");
    QCOMPARE(tree.text("3_"), QString("A"));
    QCOMPARE(tree.firstChild("1_"), QString("3_"));  // resorted under its sorted parent
}

void ToolkitTest::listSortsShownTextsAsText() {
    ListView list;
    for (int i = 0; i < 10; ++i) {
        list.addColumn(QString("c%1").arg(i), 1000);
    }
    const char* sizes[] = {"9KB", "12KB", "100KB", "1KB"};
    for (int i = 0; i < 4; ++i) {
        int row = list.addItem(QString("%1_").arg(i + 1), QString());
        list.setSubItem(row, 9, sizes[i]);
        list.setSubItem(row, 5, QString("subject %1").arg(4 - i));
    }
    QCOMPARE(list.addItem("2_", ""), -1);  // keys are unique
    list.setSorting(true, 9, false);
    QStringList order;
    for (int r = 0; r < list.itemCount(); ++r) {
        order << list.subItem(r, 9);
    }
    QCOMPARE(order, QStringList({"100KB", "12KB", "1KB", "9KB"}));

    // Rows added while sorted take their place; a batch is sorted at its end.
    list.setSorting(true, 5, true);
    QCOMPARE(list.subItem(0, 5), QString("subject 4"));
    int row = list.addItem("5_", "");
    list.setSubItem(row, 5, "subject 9");  // a sub-item set after adding does not move the row
    list.beginUpdate();
    for (int i = 6; i <= 8; ++i) {
        int r = list.addItem(QString("%1_").arg(i), "");
        list.setSubItem(r, 5, QString("subject %1").arg(i - 6));
    }
    list.endUpdate();
    QCOMPARE(list.itemCount(), 8);
    QCOMPARE(list.subItem(list.itemCount() - 1, 5), QString("subject 0"));

    // Selection follows the rows through a sort; removal by key.
    list.selectionModel()->select(list.model()->index(list.indexOfKey("8_"), 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list.setSorting(true, 5, false);
    QCOMPARE(list.selectedKeys(), QStringList({"8_"}));
    QVERIFY(list.removeItem("8_"));
    QVERIFY(!list.removeItem("8_"));
    QCOMPARE(list.indexOfKey("8_"), -1);
    QCOMPARE(list.itemCount(), 7);
    list.clearItems();
    QCOMPARE(list.itemCount(), 0);
}

void ToolkitTest::listColumnsKeepTwipsAndPositions() {
    ListView list;
    const double widths[] = {0, 400, 400, 400, 1000};
    for (double w : widths) {
        list.addColumn("c", w);
    }
    // Widths read back as set, though pixels cannot hold every twip value.
    for (int c = 1; c <= 5; ++c) {
        QCOMPARE(list.columnWidth(c), widths[c - 1]);
    }
    list.setColumnWidth(2, 1234.5);
    QCOMPARE(list.columnWidth(2), 1234.5);
    QCOMPARE(list.header()->sectionSize(1), quorvel::ui::twipsToPx(1234.5));
    QCOMPARE(list.header()->sectionSize(0), 0);

    list.setColumnPosition(5, 1);
    QCOMPARE(list.columnPosition(5), 1);
    QCOMPARE(list.columnPosition(1), 2);
}

QTEST_MAIN(ToolkitTest)
#include "Toolkit_test.moc"
