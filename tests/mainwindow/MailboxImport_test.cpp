// Whole mailboxes into the window's archive: an mbox or a folder dropped on a
// folder or the list, and the ツール menu's import with its question about
// duplicates, its progress and its キャンセル.
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QListView>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include "folders/FolderEditor.h"
#include "folders/FolderTree.h"
#include "mainwindow/ImportTexts.h"
#include "platform/dialogs/QtDialogServices.h"
#include "tests/mainwindow/WindowFixture.h"
#include "tests/support/DragEvents.h"

using namespace quorvel;
using test::Instance;

namespace {

std::string mailText(const std::string& subject) {
    return "From: a@example.com\nTo: b@example.com\nSubject: " + subject + "\nDate: 1 Jan 2002 10:00:00\n\nbody\n";
}

std::string mboxOf(const std::vector<std::string>& mails) {
    std::string out;
    for (const std::string& m : mails) {
        out += "From a@example.com Tue Jan  1 10:00:00 2002\n" + m + "\n";
    }
    return out;
}

QMimeData* urlsOf(const std::vector<std::string>& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const std::string& p : paths) {
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
    }
    mime->setUrls(urls);
    return mime;
}

void dropOnTree(ui::TreeView* tree, const QMimeData& mime, const QString& node) {
    test::dragAlong(tree->viewport(), &mime, {tree->visualItemRect(tree->item(node)).center()});
}

// Answers the options dialog, once it shows, with the check box as given.
void answerOptions(bool skipDuplicates, bool accept, bool* shownChecked) {
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog && dialog->objectName() == QStringLiteral("frmImportOptions"));
        auto* check = dialog->findChild<QCheckBox*>(QStringLiteral("chkSkipDuplicates"));
        QVERIFY(check);
        QCOMPARE(check->text(), QString::fromUtf8("重複するメールを取り込まない"));
        *shownChecked = check->isChecked();
        check->setChecked(skipDuplicates);
        accept ? dialog->accept() : dialog->reject();
    });
}

std::vector<std::string> storedIn(const Instance& inst, int folder) {
    std::vector<std::string> mails;
    for (int id : inst.mailsIn(folder)) {
        mails.push_back(
            test::sqlRows(workingFile(inst.pv), "SELECT mailFlObj FROM MailOBJTabl WHERE ID = " + std::to_string(id))
                .at(0));
    }
    return mails;
}

}  // namespace

class MailboxImportTest : public QObject {
    Q_OBJECT
private slots:
    void anMboxDroppedOnAFolderIsMirroredInsideIt();
    void theMenuAsksForPathsAndDuplicatesThenSumsUp();
    void cancelStopsTheImportAndKeepsWholeMails();
    void theFileDialogChoosesFilesAndFoldersTogether();
};

void MailboxImportTest::anMboxDroppedOnAFolderIsMirroredInsideIt() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    w->tvTreeView->selectNode("1_");
    QVERIFY(w->folderEditor().addFolder("受信"));
    const std::string a = mailText("a"), b = mailText("b"), c = mailText("c");
    test::writeFile(inst.dir.file("src/Inbox"), mboxOf({a, b}));
    test::writeFile(inst.dir.file("src/Inbox.sbd/Sub"), mboxOf({c}));
    inst.pv.modFlag = false;

    std::unique_ptr<QMimeData> mime(urlsOf({inst.dir.file("src/Inbox")}));
    dropOnTree(w->tvTreeView, *mime, "2_");
    // Imported once the drop has ended.
    QTRY_COMPARE(storedIn(inst, 3), (std::vector<std::string>{a, b}));
    QCOMPARE(storedIn(inst, 4), std::vector<std::string>{c});
    QCOMPARE(test::sqlRows(workingFile(inst.pv), "SELECT dname || '<' || parentID FROM mailDirTabl WHERE ID > 2"),
             (std::vector<std::string>{"Inbox<2", "Sub<3"}));
    QCOMPARE(w->tvTreeView->parentKey("4_"), QStringLiteral("3_"));
    QCOMPARE(w->tvTreeView->parentKey("3_"), QStringLiteral("2_"));
    QVERIFY(w->tvTreeView->expanded("2_"));
    QCOMPARE(w->sbStatusBar->panelText(1), QString::fromUtf8("3件のメールを登録、2件のフォルダを作成"));
    QVERIFY(inst.pv.modFlag);
    QCOMPARE(w->mailCounter, 3);
    QCOMPARE(w->dirCounter, 4);
    QVERIFY(inst.msgs.shown().empty());

    // Dropped again, on the list of the same folder: nothing new.
    w->folderTree().showFolder("2_");
    QWidget* list = w->lvListView->viewport();
    test::dragAlong(list, mime.get(), {QPoint(list->width() / 2, list->height() / 2)});
    QTRY_COMPARE(w->sbStatusBar->panelText(1), QString::fromUtf8("0件のメールを登録、3件の重複するメールを省略"));
    QCOMPARE(storedIn(inst, 3).size(), 2u);

    // Mail files alone still go the way they always went.
    test::writeFile(inst.dir.file("src/d.eml"), mailText("d"));
    test::writeFile(inst.dir.file("src/x.txt"), "no mail\n");
    std::unique_ptr<QMimeData> files(urlsOf({inst.dir.file("src/d.eml"), inst.dir.file("src/x.txt")}));
    test::dragAlong(list, files.get(), {QPoint(list->width() / 2, list->height() / 2)});
    QCOMPARE(inst.mailsIn(2), std::vector<int>{4});
    QCOMPARE(w->sbStatusBar->panelText(1), QString::fromUtf8("1件のメールを登録"));
    QCOMPARE(inst.msgs.shown().size(), 1u);
    QVERIFY(inst.msgs.shown()[0].text.rfind("以下のファイルは.eml形式と認識できませんでした。", 0) == 0);
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void MailboxImportTest::theMenuAsksForPathsAndDuplicatesThenSumsUp() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    const std::string a = mailText("a"), b = mailText("b");
    test::writeFile(inst.dir.file("src/box/1.eml"), a);
    test::writeFile(inst.dir.file("src/box/old.mbox"), mboxOf({b, "no header\n"}));
    test::writeFile(inst.dir.file("src/notes.txt"), "no mail\n");
    const std::vector<std::string> paths{inst.dir.file("src/box"), inst.dir.file("src/notes.txt")};

    // Cancelled at the question: nothing happens.
    bool shownChecked = false;
    inst.files.setNextPaths(paths);
    answerOptions(true, false, &shownChecked);
    w->mnuToolImport->trigger();
    QVERIFY(shownChecked);
    QVERIFY(inst.msgs.shown().empty());
    QCOMPARE(test::sqlRows(workingFile(inst.pv), "SELECT count(*) FROM MailInfTabl"), std::vector<std::string>{"0"});
    QCOMPARE(inst.files.asked().size(), 1u);
    QVERIFY(inst.files.asked()[0].paths);
    QCOMPARE(inst.files.asked()[0].request.title, std::string("取り込むメールボックスの選択"));

    inst.files.setNextPaths(paths);
    answerOptions(true, true, &shownChecked);
    w->mnuToolImport->trigger();
    QCOMPARE(storedIn(inst, 2), (std::vector<std::string>{a}));
    QCOMPARE(storedIn(inst, 3), (std::vector<std::string>{b}));
    QCOMPARE(inst.msgs.shown().size(), 1u);
    const std::string log = inst.pv.workPath + "/errlog_1.txt";
    QCOMPARE(inst.msgs.shown()[0].text,
             "メールボックスの取り込みが終わりました。\n2件のメールを登録\n0件の重複するメールを省略\n2件の"
             "フォルダを作成\n\n以下のファイルは.eml形式と認識できませんでした。\n\n" +
                 inst.dir.file("src/box/old.mbox") + "#2\n" + inst.dir.file("src/notes.txt") +
                 "\nこれらのファイル名は、次のファイルに保存されています。\n" + log);
    QCOMPARE(test::readFile(log), "\n" + inst.dir.file("src/box/old.mbox") + "#2\n" + inst.dir.file("src/notes.txt"));
    QVERIFY(w->tvTreeView->exists("3_"));

    // Again, duplicates left out, then taken.
    inst.files.setNextPaths({inst.dir.file("src/box")});
    answerOptions(true, true, &shownChecked);
    w->mnuToolImport->trigger();
    QVERIFY(inst.msgs.shown().back().text.rfind(
                "メールボックスの取り込みが終わりました。\n0件のメールを登録\n2件の重複するメールを省略\n", 0) == 0);
    inst.files.setNextPaths({inst.dir.file("src/box")});
    answerOptions(false, true, &shownChecked);
    w->mnuToolImport->trigger();
    QCOMPARE(storedIn(inst, 2), (std::vector<std::string>{a, a}));
    QVERIFY(inst.msgs.shown().back().text.rfind("メールボックスの取り込みが終わりました。\n2件のメールを登録\n\n", 0) ==
            0);
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void MailboxImportTest::cancelStopsTheImportAndKeepsWholeMails() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    std::vector<std::string> mails;
    for (int i = 0; i < 20000; ++i) {
        mails.push_back(mailText("mail " + std::to_string(i)));
    }
    test::writeFile(inst.dir.file("src/big.mbox"), mboxOf(mails));

    // キャンセル once the progress window shows how far the import is.
    QString label;
    QTimer press;
    press.setInterval(20);
    QObject::connect(&press, &QTimer::timeout, [&] {
        for (QProgressDialog* dialog : w->findChildren<QProgressDialog*>()) {
            auto* cancel = dialog->findChild<QPushButton*>();
            if (dialog->isVisible() && cancel && dialog->labelText().contains(QStringLiteral("big.mbox"))) {
                label = dialog->labelText();
                cancel->click();
                press.stop();
            }
        }
    });
    press.start();
    inst.files.setNextPaths({inst.dir.file("src/big.mbox")});
    bool shownChecked = false;
    answerOptions(false, true, &shownChecked);
    w->mnuToolImport->trigger();

    QVERIFY2(label.startsWith(QString::fromUtf8("メールボックスを取り込んでいます。\nbig.mbox\n")), qPrintable(label));
    QVERIFY(label.contains(QString::fromUtf8("件/秒）")));
    const std::vector<std::string> stored = storedIn(inst, 2);
    QVERIFY2(stored.size() < mails.size(), "the import ended before the cancel");
    QCOMPARE(stored, std::vector<std::string>(mails.begin(), mails.begin() + static_cast<long>(stored.size())));
    QCOMPARE(inst.msgs.shown().size(), 1u);
    QCOMPARE(inst.msgs.shown()[0].text, "取り込みを中止しました。それまでに登録したメールは残っています。\n" +
                                            std::to_string(stored.size()) + "件のメールを登録\n1件のフォルダを作成");
    QCOMPARE(w->lvListView->itemCount(), 0);  // the list shows the current folder, the root
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void MailboxImportTest::theFileDialogChoosesFilesAndFoldersTogether() {
    test::IsolatedXdg env;  // the dialog keeps its state in the settings
    test::TempDir dir;
    test::writeFile(dir.file("box.mbox"), mboxOf({mailText("a")}));
    test::writeFile(dir.file("Maildir/cur/1"), mailText("b"));
    test::writeFile(dir.file("other.txt"), "not chosen\n");
    // Chooses the entries named in the dialog's list, as clicks with Ctrl
    // held do, and presses its Open button.
    auto choose = [&](const QStringList& names) {
        bool pressed = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
            QVERIFY(view);
            // The folder is read in the background: its three entries first.
            QVERIFY(QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 3; }, 5000));
            for (int row = 0; row < 3; ++row) {
                const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
                if (names.contains(index.data().toString())) {
                    view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
                }
            }
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            QVERIFY(buttons);
            buttons->button(QDialogButtonBox::Open)->click();
            pressed = !dialog->isVisible();
            if (!pressed) {
                dialog->reject();  // the button did not take the choice
            }
        });
        platform::QtFileDialogService service;
        std::vector<std::string> chosen = service.showOpenPaths({"選択", "", dir.path()});
        std::sort(chosen.begin(), chosen.end());
        return pressed ? chosen : std::vector<std::string>{"(not taken)"};
    };
    QCOMPARE(choose({"Maildir"}), std::vector<std::string>{dir.file("Maildir")});
    QCOMPARE(choose({"box.mbox"}), std::vector<std::string>{dir.file("box.mbox")});
    QCOMPARE(choose({"box.mbox", "Maildir"}), (std::vector<std::string>{dir.file("Maildir"), dir.file("box.mbox")}));
}

QTEST_MAIN(MailboxImportTest)
#include "MailboxImport_test.moc"
