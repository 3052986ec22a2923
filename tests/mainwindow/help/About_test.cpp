// The about box and the system facts it falls back to.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QTimer>
#include <QtTest>

#include "mainwindow/help/SystemInfo.h"
#include "mainwindow/help/frmAbout.h"
#include "platform/dialogs/MessageService.h"
#include "tests/support/TestEnv.h"

using namespace quorvel;

namespace {

// Points PATH at one folder for the life of the object.
class ScopedPath {
public:
    explicit ScopedPath(const std::string& folder) : saved_(qgetenv("PATH")) {
        qputenv("PATH", QByteArray::fromStdString(folder));
    }
    ~ScopedPath() { qputenv("PATH", saved_); }

private:
    QByteArray saved_;
};

void writeExecutable(const std::string& path) {
    test::writeFile(path, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(QString::fromStdString(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

const char* kMeminfo =
    "MemTotal:       16318452 kB\n"
    "MemFree:         1203944 kB\n"
    "MemAvailable:    9876543 kB\n";

}  // namespace

class AboutTest : public QObject {
    Q_OBJECT
private slots:
    void showsTitleAndVersionAndClosesByOk();
    void sysInfoStartsAnInstalledProgramOrShowsTheFacts();
    void memoryFromMeminfo();
    void showAboutBoxIsModalAndOwned();
};

void AboutTest::showsTitleAndVersionAndClosesByOk() {
    frmAbout box(nullptr);
    QCOMPARE(box.windowTitle(), QStringLiteral("Quorvelのバージョン情報"));
    QCOMPARE(box.lblTitle->text(), QStringLiteral("Quorvel"));
    QCOMPARE(box.lblVersion->text(), QStringLiteral("バージョン ") + QStringLiteral(QUORVEL_EXPECTED_VERSION));
    QCOMPARE(box.cmdOK->text(), QStringLiteral("OK"));
    QVERIFY(box.cmdOK->isDefault());
    QCOMPARE(box.cmdSysInfo->text(), QStringLiteral("システム情報(&S)..."));
    box.open();
    box.cmdOK->click();
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
}

// システム情報 starts the first system-information program on the PATH that
// is executable; without one, or when it will not start, a box shows the
// facts, and the about box stays open either way.
void AboutTest::sysInfoStartsAnInstalledProgramOrShowsTheFacts() {
    struct Case {
        std::vector<std::string> executables, others;
        bool starts;
        std::string tried;  // the program the box tries, "" for none
    };
    const Case cases[] = {
        {{"kinfocenter", "hardinfo"}, {"hardinfo2"}, true, "hardinfo"},
        {{}, {"hardinfo"}, true, ""},
        {{"gnome-system-monitor"}, {}, false, "gnome-system-monitor"},
    };
    for (const Case& c : cases) {
        platform::ScopedScriptedMessages msgs;
        test::TempDir bin;
        for (const std::string& name : c.executables) {
            writeExecutable(bin.file(name));
        }
        for (const std::string& name : c.others) {
            test::writeFile(bin.file(name), "not executable");
        }
        ScopedPath path(bin.path());
        const QString expected = c.tried.empty() ? QString() : QString::fromStdString(bin.file(c.tried));
        QCOMPARE(findSystemInfoProgram(), expected);

        frmAbout box(nullptr);
        QStringList tried;
        box.setProgramStarter([&](const QString& program) {
            tried << program;
            return c.starts;
        });
        box.open();
        box.cmdSysInfo->click();
        QCOMPARE(tried, expected.isEmpty() ? QStringList() : QStringList{expected});
        QVERIFY(box.isVisible());
        if (c.starts && !expected.isEmpty()) {
            QVERIFY(msgs.shown().empty());
            continue;
        }
        QCOMPARE(msgs.shown().size(), size_t(1));
        const QString text = QString::fromStdString(msgs.shown()[0].text);
        QCOMPARE(msgs.shown()[0].caption, std::string("Quorvel"));
        QVERIFY(msgs.shown()[0].icon == platform::MsgIcon::Information);
        QVERIFY(text.contains(QStringLiteral("OS: ") + QSysInfo::prettyProductName()));
        QVERIFY(text.contains(QSysInfo::kernelVersion()));
        QVERIFY(text.contains(QStringLiteral("CPU アーキテクチャ: ") + QSysInfo::currentCpuArchitecture()));
        QVERIFY(text.contains(QStringLiteral("Qt バージョン: ") + QString::fromLatin1(qVersion())));
        if (QFile::exists(QStringLiteral("/proc/meminfo"))) {
            QVERIFY(text.contains(QStringLiteral("物理メモリ: ")));
        }
    }
}

void AboutTest::memoryFromMeminfo() {
    QCOMPARE(memTotalKb(QString::fromLatin1(kMeminfo)), std::optional<qint64>(16318452));
    QCOMPARE(memTotalKb(QStringLiteral("MemFree: 100 kB\n")), std::nullopt);
    QCOMPARE(memTotalKb(QString()), std::nullopt);
    // 16318452 kB is 15935.99 MB: 15936 to the nearest megabyte.
    QVERIFY(systemFactsText(QString::fromLatin1(kMeminfo)).endsWith(QStringLiteral("\n物理メモリ: 15936 MB")));
    QVERIFY(!systemFactsText(QString()).contains(QStringLiteral("物理メモリ")));
}

void AboutTest::showAboutBoxIsModalAndOwned() {
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    bool seen = false;
    QTimer::singleShot(0, this, [&] {
        auto* box = owner.findChild<frmAbout*>();
        if (!box) {
            // Not owned by the window: close whatever was shown so the test ends and fails.
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* stray = qobject_cast<QDialog*>(w)) {
                    stray->reject();
                }
            }
            return;
        }
        seen = box->isVisible() && QApplication::activeModalWidget() == box;
        box->cmdOK->click();
    });
    showAboutBox(&owner);
    QVERIFY(seen);
    QVERIFY(owner.findChildren<frmAbout*>().isEmpty());
}

QTEST_MAIN(AboutTest)
#include "About_test.moc"
