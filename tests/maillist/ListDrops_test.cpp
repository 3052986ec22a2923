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

// A started window on an archive whose folder 1 holds mails 1..n.
struct Started {
    Instance inst;
    std::unique_ptr<frmMain> w;
    explicit Started(int n) {
        w = inst.start();
        if (!w) {
            return;
        }
        inst.openArchiveWithMails(n);
        w->mailCounter = n;
        w->mailList().s_mailListLoad("1_");
    }
    std::string file(const std::string& name, const std::string& content) {
        const std::string path = inst.dir.file(name);
        test::writeFile(path, content);
        return path;
    }
};

}  // namespace

class ListDropsTest : public QObject {
    Q_OBJECT
private slots:
    void threeMailsDroppedGoIntoTheCurrentFolder() {
        Started s(2);
        QVERIFY(s.w);
        s.inst.msgs.clear();
        s.inst.pv.modFlag = false;
        dropFiles(s.w->lvListView,
                  {s.file("a.eml", mail("a", "A")), s.file("b.eml", mail("b", "B")), s.file("c.eml", mail("c", "C"))});
        QCOMPARE(s.inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4, 5}));
        QCOMPARE(s.w->mailCounter, 5);
        QCOMPARE(status(*s.w), QStringLiteral("3件のメールを登録"));
        QCOMPARE(s.w->lvListView->itemCount(), 5);  // the list was loaded again
        QVERIFY(s.inst.pv.modFlag);
        QVERIFY(s.inst.msgs.shown().empty());
        QCOMPARE(s.w->errLogCount, 0);
        QCOMPARE(s.w->drag.componentOn, ComponentTarget::List);
        QVERIFY(!fs::exists(s.inst.pv.workPath + "/errlog_1.txt"));
    }

    void filesThatAreNoMailsAreLoggedAndNamed() {
        Started s(0);
        QVERIFY(s.w);
        s.inst.msgs.clear();
        const std::string notMail = s.file("notes.txt", "no header at all\r\n\r\n");
        dropFiles(s.w->lvListView, {s.file("a.eml", mail("a", "A")), notMail, s.file("b.eml", mail("b", "B"))});
        QCOMPARE(s.inst.mailsIn(1), (std::vector<int>{1, 2}));
        QCOMPARE(status(*s.w), QStringLiteral("2件のメールを登録"));
        const std::string log1 = s.inst.pv.workPath + "/errlog_1.txt";
        QCOMPARE(test::readFile(log1), "\n" + notMail);
        QCOMPARE(s.inst.msgs.shown().size(), size_t{1});
        QCOMPARE(s.inst.msgs.shown()[0].text, "以下のファイルは.eml形式と認識できませんでした。\n\n" + notMail +
                                                  "\nこれらのファイル名は、次のファイルに保存されています。\n" + log1);
        QCOMPARE(s.inst.msgs.shown()[0].buttons, platform::MsgButtons::Ok);

        // The next such drop of this run writes the next log.
        dropFiles(s.w->lvListView, {s.file("c.eml", mail("c", "C")), notMail});
        const std::string log2 = s.inst.pv.workPath + "/errlog_2.txt";
        QCOMPARE(test::readFile(log2), "\n" + notMail);
        QCOMPARE(test::readFile(log1), "\n" + notMail);
        QCOMPARE(s.w->errLogCount, 2);
        QCOMPARE(s.inst.msgs.shown().size(), size_t{2});
        QVERIFY(s.inst.msgs.shown()[1].text.ends_with("\n" + log2));
        QCOMPARE(s.inst.mailsIn(1), (std::vector<int>{1, 2, 3}));

        // 150 of them: the box names the first ones and counts the rest, so it
        // fits a screen; the log names every one.
        std::vector<std::string> many;
        for (int i = 0; i < 150; ++i) {
            many.push_back(s.file("n" + std::to_string(i) + ".txt", "not a mail\r\n"));
        }
        dropFiles(s.w->lvListView, many);
        const std::string box = s.inst.msgs.shown().back().text;
        QVERIFY(box.find(many[14]) != std::string::npos);
        QVERIFY(box.find(many[15]) == std::string::npos);
        QVERIFY(box.find("\n…ほか135件\n") != std::string::npos);
        QCOMPARE(std::count(box.begin(), box.end(), '\n'), 1 + 15 + 1 + 1 + 1);
        const std::string log3 = test::readFile(s.inst.pv.workPath + "/errlog_3.txt");
        QCOMPARE(std::count(log3.begin(), log3.end(), '\n'), 150);
        QVERIFY(box.ends_with(s.inst.pv.workPath + "/errlog_3.txt"));
    }

    void urlsThatAreNoFilesAreNotImported() {
        Started s(1);
        QVERIFY(s.w);
        QMimeData mime;
        mime.setUrls({QUrl("https://example.com/a.eml")});
        dropOn(s.w->lvListView, mime);
        QCOMPARE(s.inst.mailsIn(1), std::vector<int>{1});
        QCOMPARE(s.w->errLogCount, 0);
    }

    void deliveredFilesAreStoredOneByOneAndDeleted() {
        Started s(1);
        QVERIFY(s.w);
        ListDrops& drops = s.w->listDrops();
        const std::string folder = drops.dropFolder();
        QCOMPARE(folder, s.inst.pv.sysPath + "/tmp");
        s.w->drag.componentOn = ComponentTarget::List;
        std::string list;
        for (int i = 0; i < 3; ++i) {
            const std::string path = folder + "/" + std::to_string(i) + "msg, " + std::to_string(i) + ".eml";
            test::writeFile(path, mail("m" + std::to_string(i), "body"));
            list += (list.empty() ? "" : ",") + path;
            s.w->sbStatusBar->setPanelText(1, QString());
            drops.UIDragDrop_FilesDropped(list);
            QCOMPARE(status(*s.w), QStringLiteral("1件のメールを登録"));
            QVERIFY(!fs::exists(path));
        }
        QCOMPARE(s.inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4}));
        QCOMPARE(s.w->lvListView->itemCount(), 4);
        QVERIFY(fs::is_empty(folder));

        // A file that is not named .eml is deleted and not stored.
        s.inst.pv.modFlag = false;
        const std::string other = folder + "/0notes.txt";
        test::writeFile(other, mail("x", "X"));
        drops.UIDragDrop_FilesDropped(other);
        QVERIFY(!fs::exists(other));
        QCOMPARE(s.inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4}));
        QVERIFY(s.inst.pv.modFlag);
        QVERIFY(s.inst.msgs.shown().empty());
    }

    void aDeliveredMailForTheTreeGoesToItsHighlightedFolder() {
        Started s(0);
        QVERIFY(s.w);
        s.w->drag.componentOn = ComponentTarget::Tree;
        s.w->tvTreeView->addNode(QString(), "2_", "other", QString());
        s.w->tvTreeView->setDropHighlight("2_");
        QCOMPARE(s.w->tvTreeView->dropHighlight(), QStringLiteral("2_"));
        const std::string path = s.w->listDrops().dropFolder() + "/0a.eml";
        test::writeFile(path, mail("a", "A"));
        s.w->listDrops().UIDragDrop_FilesDropped(path);
        QCOMPARE(s.inst.mailsIn(2), std::vector<int>{1});
        QVERIFY(s.inst.mailsIn(1).empty());
        QVERIFY(!fs::exists(path));
    }

    void aMessageFromAMailProgramArrivesThroughTheComponent() {
        Started s(1);
        QVERIFY(s.w);
        QVERIFY(com::SUCCEEDED(com::ensureTromselRegistered(QUORVEL_TEST_PROGRAM_DIR)));
        QMimeData mime;
        mime.setData("message/rfc822", QByteArray::fromStdString(mail("from a mailer", "M")));
        dropOn(s.w->lvListView, mime);
        QVERIFY(s.w->listDrops().UIDragDrop() != nullptr);
        QCOMPARE(s.inst.mailsIn(1), (std::vector<int>{1, 2}));
        QCOMPARE(status(*s.w), QStringLiteral("1件のメールを登録"));
        QVERIFY(fs::is_empty(s.w->listDrops().dropFolder()));
        QVERIFY(s.inst.msgs.shown().empty());

        // The list has its own drop target back: plain files go in again.
        dropFiles(s.w->lvListView, {s.file("b.eml", mail("b", "B"))});
        QCOMPARE(s.inst.mailsIn(1), (std::vector<int>{1, 2, 3}));
    }

    void draggedOutMailsAreWrittenWhenAskedAndNotDroppedBack() {
        Started s(3);  // mail 3 has no subject
        QVERIFY(s.w);
        std::map<std::string, std::string> bytes{
            {"3_", Instance::mailBytes(3)}, {"4_", mail("Re", "first")}, {"5_", mail("Re", "second")}};
        dropFiles(s.w->lvListView, {s.file("4.eml", bytes["4_"]), s.file("5.eml", bytes["5_"])});
        ui::ListView* list = s.w->lvListView;
        QCOMPARE(list->itemCount(), 5);
        list->setSorting(true, 6, true);  // by subject, descending: the empty subject last
        list->clearSelection();
        for (const char* key : {"3_", "4_", "5_"}) {
            list->selectionModel()->select(list->model()->index(list->indexOfKey(key), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }

        std::unique_ptr<DragOutMimeData> data = s.w->listDragOut().begin();
        QVERIFY(data);
        QVERIFY(s.w->drag.listDragActive);
        QCOMPARE(s.w->drag.keys.size(), size_t{4});
        QCOMPARE(s.w->drag.keys[0], std::string());
        QCOMPARE(s.w->drag.keys[3], std::string("3_"));
        QCOMPARE(s.w->drag.names, (std::vector<std::string>{"", "Re(1)", "Re", "(1)"}));
        QCOMPARE(data->formats(), QStringList{"text/uri-list"});
        const std::string dragFolder = dragOutFolder(s.inst.pv.workPath);
        QVERIFY(!fs::exists(dragFolder + "/Re.eml"));  // nothing written before it is asked for
        // Files the preview and the mail program use sit in the working folder
        // under number names; a subject never lands on one of them.
        test::writeFile(s.inst.pv.workPath + "/Re.eml", "opened by the mail program");

        const QList<QUrl> urls = data->urls();
        QCOMPARE(urls.size(), 3);
        QCOMPARE(test::readFile(s.inst.pv.workPath + "/Re.eml"), std::string("opened by the mail program"));
        const std::vector<std::string> names{"Re(1).eml", "Re.eml", "(1).eml"};
        for (int i = 0; i < 3; ++i) {
            const std::string path = dragFolder + "/" + names[static_cast<size_t>(i)];
            QCOMPARE(urls[i], QUrl::fromLocalFile(QString::fromStdString(path)));
            QCOMPARE(test::readFile(path), bytes[s.w->drag.keys[static_cast<size_t>(i) + 1]]);
        }

        // Dropped back onto the list while the drag lasts: nothing is imported.
        dropOn(list, *data);
        QCOMPARE(s.inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4, 5}));
        QCOMPARE(s.w->errLogCount, 0);

        s.w->listDragOut().end();
        QVERIFY(!s.w->drag.listDragActive);
        QCOMPARE(s.w->drag.keys, std::vector<std::string>{""});

        // Afterwards the same files are imported again.
        dropFiles(list, {dragFolder + "/Re.eml"});
        QCOMPARE(s.inst.mailsIn(1), (std::vector<int>{1, 2, 3, 4, 5, 6}));

        // They go with the archive's other mail files when it closes.
        s.inst.msgs.setNextAnswer(platform::MsgAnswer::No);
        QVERIFY(s.w->mnuFileClose_Click());
        QVERIFY(!fs::exists(dragFolder));
    }
};

QTEST_MAIN(ListDropsTest)
#include "ListDrops_test.moc"
