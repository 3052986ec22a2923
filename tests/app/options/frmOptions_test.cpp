// The options dialog under the offscreen platform, on isolated settings.
#include <QCheckBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/RegIO.h"
#include "app/options/frmOptions.h"
#include "tests/support/TestEnv.h"

using namespace quorvel;

namespace {

std::string useLockF() {
    return f_regGetVal("", "useLockF", "(missing)");
}

}  // namespace

class FrmOptionsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { env_ = std::make_unique<test::IsolatedXdg>(); }
    void cleanup() { env_.reset(); }

    void freshSettingsOpenChecked();
    void storedValueIsReadLeniently_data();
    void storedValueIsReadLeniently();
    void cancelEscAndCloseLeaveTheValue();
    void applyWritesAndStaysOpen();
    void okWritesAndCloses();
    void captionsExact();
    void captionFitsAndTheDialogIsCentred();
    void okIsFirstInTabOrder();
    void showOptionsDialogIsModalOverItsOwner();

private:
    std::unique_ptr<test::IsolatedXdg> env_;
};

void FrmOptionsTest::freshSettingsOpenChecked() {
    frmOptions dialog;
    QVERIFY(dialog.Check1->isChecked());
    // Opening alone writes nothing.
    QVERIFY(!std::filesystem::exists(settingsFilePath("")));
}

void FrmOptionsTest::storedValueIsReadLeniently_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("checked");
    // The lenient reading itself is the settings' test.
    QTest::newRow("0") << "0" << false;
    QTest::newRow("leading number") << "3abc" << true;
    QTest::newRow("letters") << "abc" << false;
    QTest::newRow("unset reads as the default") << "unset" << true;
}

void FrmOptionsTest::storedValueIsReadLeniently() {
    QFETCH(QString, stored);
    QFETCH(bool, checked);
    QVERIFY(f_regSetVal("", "useLockF", stored.toStdString()));
    frmOptions dialog;
    QCOMPARE(dialog.Check1->isChecked(), checked);
}

// ｷｬﾝｾﾙ, Esc and closing the window all leave the stored value alone.
void FrmOptionsTest::cancelEscAndCloseLeaveTheValue() {
    const std::function<void(frmOptions&)> ways[] = {
        [](frmOptions& d) { d.cmdCancel->click(); },
        [](frmOptions& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](frmOptions& d) { QVERIFY(d.close()); },
    };
    for (const auto& closeIt : ways) {
        QVERIFY(f_regSetVal("", "useLockF", "1"));
        frmOptions dialog;
        dialog.open();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.Check1->setChecked(false);
        closeIt(dialog);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(useLockF(), std::string("1"));
    }
}

void FrmOptionsTest::applyWritesAndStaysOpen() {
    frmOptions dialog;
    dialog.open();
    // Every press writes the state of the moment.
    for (bool checked : {false, true, false}) {
        dialog.Check1->setChecked(checked);
        dialog.cmdApply->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(useLockF(), std::string(checked ? "1" : "0"));
    }
    // ｷｬﾝｾﾙ afterwards takes nothing back.
    dialog.cmdCancel->click();
    QCOMPARE(useLockF(), std::string("0"));
}

// OK settles the value as "0" or "1" (the "0" when the dialog is shown over
// its owner, below).
void FrmOptionsTest::okWritesAndCloses() {
    QVERIFY(f_regSetVal("", "useLockF", "abc"));
    frmOptions dialog;
    dialog.open();
    dialog.Check1->setChecked(true);
    dialog.cmdOK->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(useLockF(), std::string("1"));
}

void FrmOptionsTest::captionsExact() {
    frmOptions dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("ｵﾌﾟｼｮﾝ"));
    QCOMPARE(dialog.Check1->text(), QStringLiteral("ロックファイルを使う(次回起動時より有効となります。)"));
    QCOMPARE(dialog.cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.cmdCancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    QCOMPARE(dialog.cmdApply->text(), QStringLiteral("更新"));
    QVERIFY(dialog.cmdOK->isDefault());
    QVERIFY(!dialog.cmdApply->isDefault());
}

// The caption stays readable in the desktop's font, inside the dialog, which
// opens in the middle of the screen.
void FrmOptionsTest::captionFitsAndTheDialogIsCentred() {
    frmOptions dialog;
    QVERIFY(dialog.Check1->width() >= dialog.Check1->sizeHint().width());
    QVERIFY(dialog.rect().contains(dialog.Check1->geometry()));
    QVERIFY(dialog.rect().contains(dialog.cmdApply->geometry()));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(dialog.x(), screen.x() + (screen.width() - dialog.width()) / 2);
    QCOMPARE(dialog.y(), screen.y() + (screen.height() - dialog.height()) / 2);
}

void FrmOptionsTest::okIsFirstInTabOrder() {
    frmOptions dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.cmdOK));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.cmdCancel));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.cmdApply));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.Check1));
    dialog.close();
}

void FrmOptionsTest::showOptionsDialogIsModalOverItsOwner() {
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));

    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = owner.findChild<frmOptions*>();
        if (!dialog) {
            // Not owned by the window: close whatever was shown so the test ends and fails.
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* stray = qobject_cast<QDialog*>(w)) {
                    stray->reject();
                }
            }
            return;
        }
        seen = dialog->isVisible() && QApplication::activeModalWidget() == dialog;
        dialog->Check1->setChecked(false);
        dialog->cmdOK->click();
    });
    showOptionsDialog(&owner);
    QVERIFY(seen);
    QCOMPARE(useLockF(), std::string("0"));
    // The dialog is gone once the call returns.
    QVERIFY(owner.findChildren<frmOptions*>().isEmpty());
}

QTEST_MAIN(FrmOptionsTest)
#include "frmOptions_test.moc"
