// The ツール menu's health commands on the open archive's working file.
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>
#include <atomic>

#include "folders/FolderTree.h"
#include "health/ArchiveHealth.h"
#include "mainwindow/frmMain.h"
#include "platform/fs/FileCopy.h"
#include "tests/mainwindow/WindowFixture.h"
#include "toolkit/LongTask.h"

using namespace quorvel;
using platform::MsgAnswer;
using test::Instance;

class HealthCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void checkRepairAndCompactTheOpenArchive();
    void aLongTaskStopsWhenCancelled();
};

void HealthCommandsTest::checkRepairAndCompactTheOpenArchive() {
    Instance inst;
    auto w = inst.start();
    QVERIFY(w);
    const std::string working = workingFile(inst.pv);
    for (int id = 1; id <= 2; ++id) {
        const std::string n = std::to_string(id);
        QVERIFY(test::runSql(working, "INSERT INTO MailInfTabl (ID, dirID) VALUES (" + n +
                                          ", 1); INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (" + n + ", " +
                                          test::blobLiteral(Instance::mailBytes(id)) + ")"));
    }
    w->mnuToolCheck_Click();
    QCOMPARE(inst.msgs.shown().back().text, std::string("問題は見つかりませんでした。"));

    QVERIFY(test::runSql(working, "DELETE FROM MailInfTabl WHERE ID = 2"));
    w->mnuToolCheck_Click();
    QCOMPARE(
        inst.msgs.shown().back().text,
        std::string(
            "1件の問題が見つかりました。ツール > ファイルの修復で直せます。\n\nメール2には見出しの行がありません。"));

    // Cancelled at the question, nothing happens.
    inst.pv.modFlag = false;
    inst.msgs.setNextAnswer(MsgAnswer::Cancel);
    w->mnuToolRepair_Click();
    QVERIFY(!inst.pv.modFlag);

    inst.msgs.setNextAnswer(MsgAnswer::Ok);
    w->mnuToolRepair_Click();
    QCOMPARE(inst.msgs.shown().back().text,
             std::string("修復が終わりました。次の問題を直しました。\n\nメール2には見出しの行がありません。"));
    // The mail shows again, in the folder made for it, and the working file
    // is still this instance's and counts as changed.
    QVERIFY(w->tvTreeView->exists("2_"));
    QCOMPARE(w->tvTreeView->text("2_"), QString::fromUtf8(health::kRecoveryFolderName));
    w->folderTree().tvTreeView_NodeClick("2_");
    QCOMPARE(w->lvListView->itemCount(), 1);
    QVERIFY(platform::isClaimed(working));
    QVERIFY(inst.pv.modFlag);
    QCOMPARE(w->dirCounter, 2);
    w->mnuToolCheck_Click();
    QCOMPARE(inst.msgs.shown().back().text, std::string("問題は見つかりませんでした。"));

    w->mnuToolCompact_Click();
    QVERIFY(inst.msgs.shown().back().text.starts_with("最適化が終わりました。"));
    QVERIFY(platform::isClaimed(working));
    inst.msgs.setNextAnswer(MsgAnswer::No);
    w->close();
}

void HealthCommandsTest::aLongTaskStopsWhenCancelled() {
    QWidget parent;
    parent.show();
    std::atomic<int64_t> steps{0};
    QTimer::singleShot(100, [&] {
        if (auto* dialog = parent.findChild<QProgressDialog*>()) {
            if (auto* button = dialog->findChild<QPushButton*>()) {
                button->click();
            }
        }
    });
    const bool cancelled = ui::runLongTask(&parent, "work", [&](const ui::TaskProgress& progress) {
        while (progress(steps, 1000000)) {
            ++steps;
            QThread::usleep(100);
        }
    });
    QVERIFY(cancelled);
    QVERIFY(steps > 0);

    // Work that ends by itself is not cancelled.
    QVERIFY(!ui::runLongTask(&parent, "work", [](const ui::TaskProgress& progress) { progress(1, 1); }));
}

QTEST_MAIN(HealthCommandsTest)
#include "HealthCommands_test.moc"
