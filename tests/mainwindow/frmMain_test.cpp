// The real main window under the offscreen platform, on archives the tests build.
#include <QAbstractButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QtTest>
#include <filesystem>

#include "app/RegIO.h"
#include "app/StartUp.h"
#include "folders/FolderEditor.h"
#include "folders/FolderTree.h"
#include "import/MailImporter.h"
#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "maillist/preview/PreviewBox.h"
#include "mainwindow/frmMain.h"
#include "platform/dialogs/MessageService.h"
#include "platform/dialogs/QtDialogServices.h"
#include "platform/settings/SettingsFile.h"
#include "tests/mainwindow/WindowFixture.h"
#include "toolkit/Twips.h"

namespace fs = std::filesystem;
using namespace quorvel;
using quorvel::test::Instance;

namespace {

QStringList column(ui::ListView* list, int subItem) {
    QStringList out;
    for (int r = 0; r < list->itemCount(); ++r) {
        out << list->subItem(r, subItem);
    }
    return out;
}

void clickHeader(ui::ListView* list, int column) {
    QHeaderView* h = list->header();
    const int x = h->sectionViewportPosition(column - 1) + h->sectionSize(column - 1) / 2;
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
}

void clickRow(ui::ListView* list, int row, Qt::KeyboardModifiers mods = {}) {
    const QRect r = list->visualRect(list->model()->index(row, 6));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, r.center());
}

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT
private slots:
    void firstRunLayoutMenusAndSettings();
    void smallestWindowAndStoredLayoutSurviveARestart();
    void mailListSortsAndAlternatesIcons();
    void previewFollowsPlainClicksOnly();
    void namesAndMailTextShowAsTheyAre();
    void theOpenDialogGivesBackATypedNameThatDoesNotExist();
    void deleteKeyAndDoubleClick();
};

void FrmMainTest::firstRunLayoutMenusAndSettings() {
    Instance inst;
    QVERIFY(!fs::exists(settingsFilePath("")));
    {
        auto w = inst.start();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Quorvel"));
        QCOMPARE(ui::pxToTwips(w->frameGeometry().width()), 12000.0);
        QCOMPARE(ui::pxToTwips(w->frameGeometry().height()), 9000.0);
        // The panes stand where the layout puts them (its numbers are the layout's own test's).
        const PaneLayout& l = w->layout();
        QCOMPARE(w->tvTreeView->width(), ui::twipsToPx(l.tree.width));
        QCOMPARE(w->lvListView->x(), ui::twipsToPx(l.list.left));
        QCOMPARE(w->imgSplitterV->y(), ui::twipsToPx(l.y));
        QCOMPARE(w->lblTitle0->text(), QStringLiteral("新規_1.qvb"));  // a new archive is open
        // The opened archive's folder is counted, as after every open.
        QCOMPARE(w->sbStatusBar->panelText(1), QStringLiteral("0通のメールがあります。"));
        QCOMPARE(w->previewHeadder->text(), QStringLiteral("送信者：\u3000宛先：\n件名："));

        // Exactly three menus in the bar; the two edit menus only pop up.
        QStringList bar;
        for (QAction* a : w->menuBar()->actions()) {
            bar << a->text();
        }
        QCOMPARE(bar, QStringList({"ﾌｧｲﾙ(&F)", "ツール(&T)", "ﾍﾙﾌﾟ(&H)"}));
        QCOMPARE(w->mnuEdit->title(), QStringLiteral("編集(&E)"));
        QCOMPARE(w->mnuDelMal->text(), QStringLiteral("メール削除(DEL)"));
        QCOMPARE(w->mnuFileNew->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(w->mnuFileOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        int withShortcut = 0;  // no other: a shortcut on Delete would take the key from the list and the tree
        for (QAction* a : w->findChildren<QAction*>()) {
            withShortcut += a->shortcut().isEmpty() ? 0 : 1;
        }
        QCOMPARE(withShortcut, 2);

        // Columns: captions from the column list, the size column right-aligned.
        QStringList captions;
        for (int c = 1; c <= w->lvListView->columnCount(); ++c) {
            captions << w->lvListView->columnCaption(c);
        }
        QCOMPARE(captions,
                 QStringList({"", "T", "！", "〆", "受信日時", "送信者", "件名", "送信日時", "宛先", "サイズ"}));
        QVERIFY(w->lvListView->columnRightAligned(10));
        QVERIFY(!w->lvListView->columnRightAligned(9));
        // 目次 is wired to the help; this program folder has none, which it says.
        w->mnuHelpContents->trigger();
        QCOMPARE(inst.msgs.shown().size(), size_t{1});
        QVERIFY(inst.msgs.shown()[0].text.find("ヘルプファイルがありません。") == 0);
        inst.msgs.clear();
        w->mnuFileExit->trigger();  // 終了 closes the window
        QVERIFY(!w->isVisible());
    }
    auto values = platform::SettingsFile::parse(test::readFile(settingsFilePath("")));
    QCOMPARE(values["MainWidth"], std::string("12000"));  // the layout is stored at the exit
    QVERIFY(inst.msgs.shown().empty());
}

void FrmMainTest::smallestWindowAndStoredLayoutSurviveARestart() {
    Instance inst;
    double outerWidth = 0;
    {
        auto w = inst.start();
        QVERIFY(w);
        w->resize(10, 10);  // held at the smallest size
        QTRY_COMPARE(w->layout().x, 1500.0f);
        QCOMPARE(w->layout().y, 1500.0f);
        QCOMPARE(ui::pxToTwips(w->frameGeometry().width()), 3000.0);
        w->resize(ui::twipsToPx(15000), ui::twipsToPx(10500));
        outerWidth = ui::pxToTwips(w->frameGeometry().width());
        w->SizeControlsV(5000);
        w->SizeControls(4000);
        w->lvListView->setColumnPosition(7, 2);
        w->lvListView->setColumnWidth(7, 2500);
        w->close();
    }
    {
        auto w = inst.start();
        QVERIFY(w);
        QCOMPARE(w->layout().y, 5000.0f);
        QCOMPARE(w->layout().x, 4000.0f);
        QCOMPARE(w->lvListView->columnPosition(7), 2);
        QCOMPARE(w->lvListView->columnWidth(7), 2500.0);
        QCOMPARE(ui::pxToTwips(w->frameGeometry().width()), outerWidth);
        w->close();
    }
    // Values that are not numbers give the defaults.
    f_regSetVal("", "hedW7", "wide");
    f_regSetVal("", "splitterVTop", "top");
    auto w = inst.start();
    QVERIFY(w);
    QCOMPARE(w->lvListView->columnWidth(7), 1000.0);
    QCOMPARE(w->layout().y, 4000.0f);
    w->close();
}

void FrmMainTest::mailListSortsAndAlternatesIcons() {
    Instance inst;
    auto w = inst.startOnMails(4);
    QVERIFY(w);
    ui::ListView* list = w->lvListView;
    QCOMPARE(list->itemCount(), 4);
    const int mail3 = list->indexOfKey("3_");
    QVERIFY(mail3 >= 0);
    QCOMPARE(list->subItem(mail3, 6), QString());  // a null subject is an empty cell
    QCOMPARE(list->subItem(mail3, 1), QStringLiteral("R"));

    clickHeader(list, 7);  // 件名: first click sorts descending with the "down" icon
    QCOMPARE(w->mailList().sortState()[7], 2);
    QCOMPARE(list->columnIcon(7), MailList::kIconDown);
    QCOMPARE(column(list, 6), QStringList({"件名4", "件名2", "件名1", ""}));
    clickHeader(list, 7);
    QCOMPARE(list->columnIcon(7), MailList::kIconUp);
    QCOMPARE(column(list, 6), QStringList({"", "件名1", "件名2", "件名4"}));
    clickHeader(list, 6);  // 送信者 takes the icon
    QCOMPARE(list->columnIcon(7), 0);
    QCOMPARE(list->columnIcon(6), MailList::kIconDown);
    QCOMPARE(w->mailList().sortState()[7], 1);
    clickHeader(list, 2);  // the mark columns sort without an icon
    for (int c = 1; c <= 10; ++c) {
        QCOMPARE(list->columnIcon(c), 0);
    }
    QCOMPARE(column(list, 1), QStringList({"S", "S", "R", "R"}));
    clickHeader(list, 10);  // sizes compare as text: 12KB before 4KB
    clickHeader(list, 10);
    QCOMPARE(column(list, 9), QStringList({"12KB", "16KB", "4KB", "8KB"}));

    // A new fill comes out in the chosen order.
    w->mailList().s_mailListLoad("1_");
    QCOMPARE(column(list, 9), QStringList({"12KB", "16KB", "4KB", "8KB"}));
    w->mailList().s_mailListLoad("");  // no folder: the list stays
    QCOMPARE(list->itemCount(), 4);
    w->mailList().s_mailListLoad("2_");  // an empty folder empties it
    QCOMPARE(list->itemCount(), 0);
    QVERIFY(inst.msgs.shown().empty());
    w->close();
}

void FrmMainTest::previewFollowsPlainClicksOnly() {
    Instance inst;
    auto w = inst.startOnMails(3);
    QVERIFY(w);
    ui::ListView* list = w->lvListView;
    const std::string placeholder = inst.pv.sysPath + "/unselected.eml";

    w->preview().clearPreview();
    QCOMPARE(w->preViewBox->LocationURL().toStdString(), placeholder);

    clickRow(list, list->indexOfKey("2_"));
    const std::string file2 = inst.pv.workPath + "/2_.eml";
    QCOMPARE(w->preViewBox->LocationURL().toStdString(), file2);
    QCOMPARE(test::readFile(file2), Instance::mailBytes(2));
    QCOMPARE(w->previewHeadder->text(), QStringLiteral("送信者：送信者2\u3000宛先：宛先2\n件名：件名2"));

    // With Ctrl held the selection changes, the preview does not.
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    list->setFocus();
    QTest::keyPress(list, Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(w->mailList().modifierState(), 2);
    clickRow(list, list->indexOfKey("3_"), Qt::ControlModifier);
    QCOMPARE(w->preViewBox->LocationURL().toStdString(), file2);
    QCOMPARE(list->selectedKeys().size(), 2);
    QTest::keyRelease(list, Qt::Key_Control, Qt::NoModifier);
    QCOMPARE(w->mailList().modifierState(), 0);
    clickRow(list, list->indexOfKey("3_"));
    QCOMPARE(w->previewHeadder->text(), QStringLiteral("送信者：送信者3\u3000宛先：宛先3\n件名："));

    // Ctrl pressed in the list and let go in a dialog (Ctrl+O, then the
    // dialog closed): the next plain click still shows its mail.
    QTest::keyPress(list, Qt::Key_Control, Qt::ControlModifier);
    clickRow(list, list->indexOfKey("1_"));
    QCOMPARE(w->preViewBox->LocationURL().toStdString(), inst.pv.workPath + "/1_.eml");

    // A preview file is written once per run and then reused as it stands.
    test::writeFile(file2, "changed on disk");
    clickRow(list, list->indexOfKey("2_"));
    QCOMPARE(test::readFile(file2), std::string("changed on disk"));

    // A key without a mail leaves the pane reset.
    w->preview().s_aprPreview("");
    QCOMPARE(w->preViewBox->LocationURL().toStdString(), placeholder);
    QCOMPARE(w->previewHeadder->text(), Preview::emptyHeaderText());
    w->preview().s_aprPreview("99_");
    QVERIFY(!fs::exists(inst.pv.workPath + "/99_.eml"));
    QVERIFY(inst.msgs.shown().empty());
    w->close();
}

void FrmMainTest::deleteKeyAndDoubleClick() {
    Instance inst;
    // A stand-in mail program that records each start.
    const std::string log = inst.dir.file("mailer.log");
    const std::string script = inst.dir.file("bin/mailer");
    test::writeFile(
        script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\" >> '" + log + "'; done\necho >> '" + log + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    test::writeFile(inst.env.dataDir() + "/applications/standin.desktop",
                    "[Desktop Entry]\nType=Application\nExec=" + script + " --open %u\n");
    test::writeFile(inst.env.configHome() + "/mimeapps.list",
                    "[Default Applications]\nmessage/rfc822=standin.desktop\n");
    auto w = inst.startOnMails(5);
    QVERIFY(w);
    QCOMPARE(inst.pv.mailerCmd, script + " --open ");
    ui::ListView* list = w->lvListView;
    list->setSorting(true, 6, false);  // by subject: 件名1, 件名2, ...

    // Double click: the file is written once, the program started each time.
    const int row2 = list->indexOfKey("2_");
    const QRect r = list->visualRect(list->model()->index(row2, 6));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    const std::string open2 = inst.pv.workPath + "/2.eml";
    QCOMPARE(test::readFile(open2), test::Instance::mailBytes(2));
    test::writeFile(open2, "kept as written");
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(test::readFile(open2), std::string("kept as written"));
    QTRY_COMPARE(test::readFile(log), "--open|" + open2 + "|\n--open|" + open2 + "|\n");

    // Shift+Delete does nothing; Delete removes the three selected mails.
    list->clearSelection();
    for (const char* key : {"1_", "3_", "5_"}) {
        list->selectionModel()->select(list->model()->index(list->indexOfKey(key), 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    inst.pv.modFlag = false;
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(list->itemCount(), 5);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->itemCount(), 2);
    QVERIFY(inst.pv.modFlag);
    QCOMPARE(w->preViewBox->LocationURL().toStdString(), inst.pv.sysPath + "/unselected.eml");
    QCOMPARE(test::sqlRows(workingFile(inst.pv), "SELECT ID FROM MailInfTabl; SELECT ID FROM MailOBJTabl"),
             (std::vector<std::string>{"2", "4", "2", "4"}));  // both rows of each mail
    QVERIFY(inst.msgs.shown().empty());

    // A deleted identifier is not handed out again in the same run.
    test::writeFile(inst.dir.file("new.eml"), "From: a@example.com\nSubject: new\n\nbody\n");
    QCOMPARE(mailimport::importMailFile(inst.pv, w->mailCounter, inst.dir.file("new.eml"), "1_"),
             mailimport::ImportOutcome::Stored);
    w->mailList().s_mailListLoad("1_");
    QVERIFY(list->indexOfKey("6_") >= 0);
    QCOMPARE(list->indexOfKey("5_"), -1);

    // Without a mail program the double click says so.
    inst.pv.mailerCmd.clear();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualRect(list->model()->index(list->indexOfKey("4_"), 6)).center());
    QCOMPARE(inst.msgs.shown().back().text, std::string(".emlに関連付けられたメーラーはありません！"));
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void FrmMainTest::namesAndMailTextShowAsTheyAre() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    w->tvTreeView->selectNode("1_");
    const QString markup = QStringLiteral("<i>it</i> x<br>y");
    QVERIFY(w->folderEditor().addFolder(markup));
    w->folderTree().tvTreeView_NodeClick("2_");
    QLabel* title = w->lblTitle0;
    QCOMPARE(title->text(), QStringLiteral("新規_1.qvb\\") + markup);
    // Shown as markup, the line break would make the label two lines high.
    QLabel oneLine(QStringLiteral("x"));
    QCOMPARE(title->sizeHint().height(), oneLine.sizeHint().height());

    // A header that holds markup: the same two lines as any other header.
    const int plainHeight = w->previewHeadder->sizeHint().height();
    w->previewHeadder->setText(
        Preview::headerText(QStringLiteral("<img src=\"file:///dev/zero\"><br><br>"), markup, markup));
    QCOMPARE(w->previewHeadder->sizeHint().height(), plainHeight);

    // The program's message boxes show their text as it is.
    platform::QtMessageService boxes;
    QString shownFormat;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box) {
            shownFormat = box->textFormat() == Qt::PlainText ? "plain" : "other";
            box->button(QMessageBox::Ok)->click();
        }
    });
    boxes.show(markup.toStdString(), platform::MsgButtons::Ok, platform::MsgIcon::None, "Quorvel");
    QCOMPARE(shownFormat, QStringLiteral("plain"));
    inst.msgs.setNextAnswer(platform::MsgAnswer::No);
    w->close();
}

void FrmMainTest::theOpenDialogGivesBackATypedNameThatDoesNotExist() {
    test::TempDir dir;
    const std::string typed = dir.file("missing.qvb");
    QTimer::singleShot(200, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (name) {
            name->setText(QString::fromStdString(typed));
        }
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, which takes the typed name
    });
    platform::QtFileDialogService dialogs;
    QCOMPARE(dialogs.showOpen({"開く", "Quorvelファイル(*.qvb)|*.qvb", dir.path() + "/"}), typed);
}

QTEST_MAIN(FrmMainTest)
#include "frmMain_test.moc"
