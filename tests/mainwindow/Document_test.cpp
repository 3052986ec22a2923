// What the main window shows of the archive document: the tree, title, list,
// counters and status text, its close event and its start. The document's own
// rules are tested without a window in tests/document.
#include <QtTest>
#include <filesystem>

#include "document/DocumentTexts.h"
#include "mainwindow/MainTexts.h"
#include "mainwindow/frmMain.h"
#include "tests/mainwindow/WindowFixture.h"

namespace fs = std::filesystem;
using namespace quorvel;
using platform::MsgAnswer;
using test::Instance;

namespace {

QString rootText(frmMain& w) {
    return w.tvTreeView->text(w.tvTreeView->keyAt(1));
}

// An archive with folder 12 holding mail 9, its view condition on `curDir`.
std::string archiveWith(Instance& inst, const std::string& name, const std::string& curDir) {
    const std::string path = inst.dir.file(name);
    fs::copy_file(test::builtTemplatePath(), path);
    return test::runSql(path,
                        "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (12, 'プロジェクト', 1);"
                        "INSERT INTO MailInfTabl (ID, dirID, mailType) VALUES (9, 12, 'R');"
                        "UPDATE curCondTabl SET curDir = '" +
                            curDir + "'")
               ? path
               : "";
}

}  // namespace

class DocumentTest : public QObject {
    Q_OBJECT
private slots:
    void theWindowShowsTheOpenArchive();
    void theStartTheStatusTextAndTheCloseEvent();
};

void DocumentTest::theWindowShowsTheOpenArchive() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    QCOMPARE(rootText(*w), QStringLiteral("新規_1.qvb"));
    QCOMPARE(w->lblTitle0->text(), QStringLiteral("新規_1.qvb"));
    QCOMPARE(w->dirCounter, 1);
    QCOMPARE(w->mailCounter, 0);

    // Files written for one archive's mails go when another opens.
    const std::string work = inst.pv.workPath;
    test::writeFile(work + "/1_.eml", "a preview of the first archive's mail 1");
    test::writeFile(work + "/2.eml", "a copy for the mail program");
    test::writeFile(work + "/notes.eml", "not a mail file of ours");
    inst.files.setNextFileName(archiveWith(inst, "a.qvb", "12_"));
    QVERIFY(w->mnuFileOpen_Click());
    QVERIFY(!fs::exists(work + "/1_.eml") && !fs::exists(work + "/2.eml"));
    QVERIFY(fs::exists(work + "/notes.eml"));

    // Opened on its saved folder, counters past its highest identifiers.
    QCOMPARE(rootText(*w), QStringLiteral("a.qvb"));
    QCOMPARE(w->tvTreeView->selectedKey(), QStringLiteral("12_"));
    QCOMPARE(w->lblTitle0->text(), QStringLiteral("a.qvb\\プロジェクト"));
    QCOMPARE(w->lvListView->itemCount(), 1);
    QCOMPARE(w->sbStatusBar->panelText(1), QStringLiteral("1通のメールがあります。"));  // not the text before the open
    QCOMPARE(w->dirCounter, 12);
    QCOMPARE(w->mailCounter, 9);

    // Saved under another name, the root shows the new name.
    inst.files.setNextFileName(inst.dir.file("b.qvb"));
    QVERIFY(w->mnuFileSaveAs_Click());
    QCOMPARE(rootText(*w), QStringLiteral("b.qvb"));

    QVERIFY(w->mnuFileClose_Click());
    QVERIFY(!w->archiveOpen());
    QCOMPARE(w->lblTitle0->text(), QString::fromUtf8(texts::kNoFileOpen));
    QCOMPARE(w->tvTreeView->nodeCount(), 0);
    QCOMPARE(w->lvListView->itemCount(), 0);

    // A saved folder that no longer exists opens the root.
    inst.files.setNextFileName(archiveWith(inst, "gone.qvb", "99_"));
    QVERIFY(w->mnuFileOpen_Click());
    QCOMPARE(w->tvTreeView->selectedKey(), QStringLiteral("1_"));
    QCOMPARE(w->lblTitle0->text(), QStringLiteral("gone.qvb"));
    QVERIFY(w->close());
}

void DocumentTest::theStartTheStatusTextAndTheCloseEvent() {
    Instance inst;
    inst.commandLine = archiveWith(inst, "a.qvb", "12_");
    auto w = inst.start();
    QVERIFY(w);
    QCOMPARE(rootText(*w), QStringLiteral("a.qvb"));

    DocumentView& view = *w;
    const QString before = w->sbStatusBar->panelText(1);
    view.setBusy(texts::kStatusSaving);
    QCOMPARE(w->sbStatusBar->panelText(1), QString::fromUtf8(texts::kStatusSaving));
    view.setBusy(nullptr);
    QCOMPARE(w->sbStatusBar->panelText(1), before);

    // Exit with unsaved changes asks; Cancel keeps the window and the archive.
    w->values().markModified();
    inst.msgs.setNextAnswer(MsgAnswer::Cancel);
    QVERIFY(!w->close());
    QCOMPARE(inst.msgs.shown().size(), size_t{1});
    QVERIFY(w->isVisible() && w->archiveOpen());
    inst.msgs.setNextAnswer(MsgAnswer::No);
    QVERIFY(w->close());
    QVERIFY(!w->isVisible());
}

QTEST_MAIN(DocumentTest)
#include "Document_test.moc"
