// The program's first run, driven as main() drives it: start-up, the window's
// load, showing it and closing it.
#include <QtTest>

#include <filesystem>

#include "app/RegIO.h"
#include "app/StartUp.h"
#include "mainwindow/frmMain.h"
#include "platform/dialogs/MessageService.h"
#include "platform/settings/SettingsFile.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace quorvel;

class FrmMainTest : public QObject {
    Q_OBJECT
private slots:
    void firstRunWritesItsSettingsAndLeavesTheCountAtZero();
};

void FrmMainTest::firstRunWritesItsSettingsAndLeavesTheCountAtZero() {
    test::IsolatedXdg env;
    test::TempDir dir;
    platform::ScopedScriptedMessages msgs;
    const std::string program = test::makeProgramFolder(dir.path());
    QVERIFY(!fs::exists(settingsFilePath("")));

    ProgramValues pv;
    InstanceLocks locks;
    QCOMPARE(s_startUp(pv, locks, program, ""), StartOutcome::ShowWindow);
    {
        frmMain window(pv);
        QVERIFY(window.Form_Load());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("Quorvel"));
        QVERIFY(fs::is_directory(program + "/tmp/tmp1"));
        QCOMPARE(f_regGetVal("", "runACnt", ""), std::string("1"));
        QVERIFY(window.close());
    }
    auto values = platform::SettingsFile::parse(test::readFile(settingsFilePath("")));
    QCOMPARE(values["sysPath"], program + "/sys");
    QCOMPARE(values["tmpPath"], program + "/tmp");
    QCOMPARE(values["newFCnt"], std::string("0"));
    QCOMPARE(values["runACnt"], std::string("0"));
    QVERIFY(!fs::exists(program + "/tmp/tmp1"));
    QVERIFY(msgs.shown().empty());
}

QTEST_MAIN(FrmMainTest)
#include "frmMain_test.moc"
