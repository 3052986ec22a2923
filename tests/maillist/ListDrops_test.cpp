// Drops on the real main window's mail list and drags out of it, under the
// offscreen platform.
#include <QMimeData>
#include <QUrl>
#include <QtTest>
#include <filesystem>
#include <map>

#include "maillist/DragOut.h"
#include "maillist/ListDragOut.h"
#include "maillist/ListDrops.h"
#include "maillist/MailList.h"
#include "mainwindow/frmMain.h"
#include "tests/mainwindow/WindowFixture.h"
#include "tests/support/DragEvents.h"
#include "tromsel/TromselRegistration.h"

namespace fs = std::filesystem;
using namespace quorvel;
using quorvel::test::Instance;

namespace {

std::string mail(const std::string& subject, const std::string& body) {
    return "From: a@example.com\r\nTo: b@example.com\r\nSubject: " + subject +
           "\r\nDate: Tue, 01 Jan 2002 10:15:30 +0900\r\n\r\n" + body + "\r\n";
}

// The whole drag of a file manager over the list's area: enter, move, drop.
void dropOn(ui::ListView* list, const QMimeData& mime) {
    QWidget* area = list->viewport();
    const QPoint at(area->width() / 2, area->height() / 2);
    test::dragAlong(area, &mime, {at, at + QPoint(1, 1), at + QPoint(2, 2)});
}

void dropFiles(ui::ListView* list, const std::vector<std::string>& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& p : paths) {
        urls << QUrl::fromLocalFile(QString::fromStdString(p));
    }
    mime.setUrls(urls);
    dropOn(list, mime);
}

QString status(frmMain& w) {
    return w.sbStatusBar->panelText(1);
}

// A file of the test's with these bytes.
std::string file(const Instance& inst, const std::string& name, const std::string& bytes) {
    test::writeFile(inst.dir.file(name), bytes);
    return inst.dir.file(name);
}

}  // namespace

class ListDropsTest : public QObject {
    Q_OBJECT
private slots:
    void threeMailsDroppedGoIntoTheCurrentFolder() {
        Instance inst;
        auto w = inst.startOnMails(2);
        QVERIFY(w);
        inst.msgs.clear();
        inst.pv.modFlag = false;
        dropFiles(w->lvListView, {file(inst, "a.eml", mail("a", "A")), file(inst, "b.eml", mail("b", "B")),
                                  file(inst, "c.eml", mail("c", "C"))});
        QCOMPARE(inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4, 5}));
        QCOMPARE(w->mailCounter, 5);
        QCOMPARE(status(*w), QStringLiteral("3件のメールを登録"));
        QCOMPARE(w->lvListView->itemCount(), 5);  // the list was loaded again
        QVERIFY(inst.pv.modFlag);
        QVERIFY(inst.msgs.shown().empty());
        QCOMPARE(w->errLogCount, 0);
        QCOMPARE(w->drag.componentOn, ComponentTarget::List);
        QVERIFY(!fs::exists(inst.pv.workPath + "/errlog_1.txt"));
    }

    void filesThatAreNoMailsAreLoggedAndNamed() {
        Instance inst;
        auto w = inst.startOnMails(0);
        QVERIFY(w);
        inst.msgs.clear();
        const std::string notMail = file(inst, "notes.txt", "no header at all\r\n\r\n");
        dropFiles(w->lvListView, {file(inst, "a.eml", mail("a", "A")), notMail, file(inst, "b.eml", mail("b", "B"))});
        QCOMPARE(inst.mailsIn(1), (std::vector<int>{1, 2}));
        QCOMPARE(status(*w), QStringLiteral("2件のメールを登録"));
        const std::string log1 = inst.pv.workPath + "/errlog_1.txt";
        QCOMPARE(test::readFile(log1), "\n" + notMail);
        QCOMPARE(inst.msgs.shown().size(), size_t{1});
        QCOMPARE(inst.msgs.shown()[0].text, "以下のファイルは.eml形式と認識できませんでした。\n\n" + notMail +
                                                "\nこれらのファイル名は、次のファイルに保存されています。\n" + log1);
        QCOMPARE(inst.msgs.shown()[0].buttons, platform::MsgButtons::Ok);

        // The next such drop of this run writes the next log.
        dropFiles(w->lvListView, {file(inst, "c.eml", mail("c", "C")), notMail});
        const std::string log2 = inst.pv.workPath + "/errlog_2.txt";
        QCOMPARE(test::readFile(log2), "\n" + notMail);
        QCOMPARE(test::readFile(log1), "\n" + notMail);
        QCOMPARE(w->errLogCount, 2);
        QCOMPARE(inst.msgs.shown().size(), size_t{2});
        QVERIFY(inst.msgs.shown()[1].text.ends_with("\n" + log2));
        QCOMPARE(inst.mailsIn(1), (std::vector<int>{1, 2, 3}));

        // 150 of them: the box names the first ones and counts the rest, so it
        // fits a screen; the log names every one.
        std::vector<std::string> many;
        for (int i = 0; i < 150; ++i) {
            many.push_back(file(inst, "n" + std::to_string(i) + ".txt", "not a mail\r\n"));
        }
        dropFiles(w->lvListView, many);
        const std::string box = inst.msgs.shown().back().text;
        QVERIFY(box.find(many[14]) != std::string::npos);
        QVERIFY(box.find(many[15]) == std::string::npos);
        QVERIFY(box.find("\n…ほか135件\n") != std::string::npos);
        QCOMPARE(std::count(box.begin(), box.end(), '\n'), 1 + 15 + 1 + 1 + 1);
        const std::string log3 = test::readFile(inst.pv.workPath + "/errlog_3.txt");
        QCOMPARE(std::count(log3.begin(), log3.end(), '\n'), 150);
        QVERIFY(box.ends_with(inst.pv.workPath + "/errlog_3.txt"));
    }

    void urlsThatAreNoFilesAreNotImported() {
        Instance inst;
        auto w = inst.startOnMails(1);
        QVERIFY(w);
        QMimeData mime;
        mime.setUrls({QUrl("https://example.com/a.eml")});
        dropOn(w->lvListView, mime);
        QCOMPARE(inst.mailsIn(1), std::vector<int>{1});
        QCOMPARE(w->errLogCount, 0);
    }

    void deliveredFilesAreStoredOneByOneAndDeleted() {
        Instance inst;
        auto w = inst.startOnMails(1);
        QVERIFY(w);
        ListDrops& drops = w->listDrops();
        const std::string folder = drops.dropFolder();
        QCOMPARE(folder, inst.pv.sysPath + "/tmp");
        w->drag.componentOn = ComponentTarget::List;
        std::string list;
        for (int i = 0; i < 3; ++i) {
            const std::string path = folder + "/" + std::to_string(i) + "msg, " + std::to_string(i) + ".eml";
            test::writeFile(path, mail("m" + std::to_string(i), "body"));
            list += (list.empty() ? "" : ",") + path;
            w->sbStatusBar->setPanelText(1, QString());
            drops.UIDragDrop_FilesDropped(list);
            QCOMPARE(status(*w), QStringLiteral("1件のメールを登録"));
            QVERIFY(!fs::exists(path));
        }
        QCOMPARE(inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4}));
        QCOMPARE(w->lvListView->itemCount(), 4);
        QVERIFY(fs::is_empty(folder));

        // A file that is not named .eml is deleted and not stored.
        inst.pv.modFlag = false;
        const std::string other = folder + "/0notes.txt";
        test::writeFile(other, mail("x", "X"));
        drops.UIDragDrop_FilesDropped(other);
        QVERIFY(!fs::exists(other));
        QCOMPARE(inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4}));
        QVERIFY(inst.pv.modFlag);
        QVERIFY(inst.msgs.shown().empty());
    }

    void aDeliveredMailForTheTreeGoesToItsHighlightedFolder() {
        Instance inst;
        auto w = inst.startOnMails(0);
        QVERIFY(w);
        w->drag.componentOn = ComponentTarget::Tree;
        w->tvTreeView->addNode(QString(), "2_", "other", QString());
        w->tvTreeView->setDropHighlight("2_");
        QCOMPARE(w->tvTreeView->dropHighlight(), QStringLiteral("2_"));
        const std::string path = w->listDrops().dropFolder() + "/0a.eml";
        test::writeFile(path, mail("a", "A"));
        w->listDrops().UIDragDrop_FilesDropped(path);
        QCOMPARE(inst.mailsIn(2), std::vector<int>{1});
        QVERIFY(inst.mailsIn(1).empty());
        QVERIFY(!fs::exists(path));
    }

    void aMessageFromAMailProgramArrivesThroughTheComponent() {
        Instance inst;
        auto w = inst.startOnMails(1);
        QVERIFY(w);
        QVERIFY(com::SUCCEEDED(com::ensureTromselRegistered(QUORVEL_TEST_PROGRAM_DIR)));
        QMimeData mime;
        mime.setData("message/rfc822", QByteArray::fromStdString(mail("from a mailer", "M")));
        dropOn(w->lvListView, mime);
        QVERIFY(w->listDrops().UIDragDrop() != nullptr);
        QCOMPARE(inst.mailsIn(1), (std::vector<int>{1, 2}));
        QCOMPARE(status(*w), QStringLiteral("1件のメールを登録"));
        QVERIFY(fs::is_empty(w->listDrops().dropFolder()));
        QVERIFY(inst.msgs.shown().empty());

        // The list has its own drop target back: plain files go in again.
        dropFiles(w->lvListView, {file(inst, "b.eml", mail("b", "B"))});
        QCOMPARE(inst.mailsIn(1), (std::vector<int>{1, 2, 3}));
    }

    void draggedOutMailsAreWrittenWhenAskedAndNotDroppedBack() {
        Instance inst;
        auto w = inst.startOnMails(3);  // mail 3 has no subject
        QVERIFY(w);
        std::map<std::string, std::string> bytes{
            {"3_", Instance::mailBytes(3)}, {"4_", mail("Re", "first")}, {"5_", mail("Re", "second")}};
        dropFiles(w->lvListView, {file(inst, "4.eml", bytes["4_"]), file(inst, "5.eml", bytes["5_"])});
        ui::ListView* list = w->lvListView;
        QCOMPARE(list->itemCount(), 5);
        list->setSorting(true, 6, true);  // by subject, descending: the empty subject last
        list->clearSelection();
        for (const char* key : {"3_", "4_", "5_"}) {
            list->selectionModel()->select(list->model()->index(list->indexOfKey(key), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }

        std::unique_ptr<DragOutMimeData> data = w->listDragOut().begin();
        QVERIFY(data);
        QVERIFY(w->drag.listDragActive);
        QCOMPARE(w->drag.keys.size(), size_t{4});
        QCOMPARE(w->drag.keys[0], std::string());
        QCOMPARE(w->drag.keys[3], std::string("3_"));
        QCOMPARE(w->drag.names, (std::vector<std::string>{"", "Re(1)", "Re", "(1)"}));
        QCOMPARE(data->formats(), QStringList{"text/uri-list"});
        const std::string dragFolder = dragOutFolder(inst.pv.workPath);
        QVERIFY(!fs::exists(dragFolder + "/Re.eml"));  // nothing written before it is asked for
        // Files the preview and the mail program use sit in the working folder
        // under number names; a subject never lands on one of them.
        test::writeFile(inst.pv.workPath + "/Re.eml", "opened by the mail program");

        const QList<QUrl> urls = data->urls();
        QCOMPARE(urls.size(), 3);
        QCOMPARE(test::readFile(inst.pv.workPath + "/Re.eml"), std::string("opened by the mail program"));
        const std::vector<std::string> names{"Re(1).eml", "Re.eml", "(1).eml"};
        for (int i = 0; i < 3; ++i) {
            const std::string path = dragFolder + "/" + names[static_cast<size_t>(i)];
            QCOMPARE(urls[i], QUrl::fromLocalFile(QString::fromStdString(path)));
            QCOMPARE(test::readFile(path), bytes[w->drag.keys[static_cast<size_t>(i) + 1]]);
        }

        // Dropped back onto the list while the drag lasts: nothing is imported.
        dropOn(list, *data);
        QCOMPARE(inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4, 5}));
        QCOMPARE(w->errLogCount, 0);

        w->listDragOut().end();
        QVERIFY(!w->drag.listDragActive);
        QCOMPARE(w->drag.keys, std::vector<std::string>{""});

        // Afterwards the same files are imported again.
        dropFiles(list, {dragFolder + "/Re.eml"});
        QCOMPARE(inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4, 5, 6}));

        // They go with the archive's other mail files when it closes.
        inst.msgs.setNextAnswer(platform::MsgAnswer::No);
        QVERIFY(w->mnuFileClose_Click());
        QVERIFY(!fs::exists(dragFolder));
    }
};

QTEST_MAIN(ListDropsTest)
#include "ListDrops_test.moc"
