// The program's entry point: start-up, then the main window's event loop.
#include <QApplication>
#include <QStringList>

#include "app/StartUp.h"
#include "mainwindow/frmMain.h"
#include "platform/dialogs/QtDialogServices.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    quorvel::platform::QtMessageService messages;
    quorvel::platform::QtFileDialogService fileDialogs;
    quorvel::platform::setMessageService(&messages);
    quorvel::platform::setFileDialogService(&fileDialogs);

    // Qt has taken its own options out; the rest is the archive path, which
    // may hold spaces, so the arguments are joined again as one text.
    QStringList args = QApplication::arguments();
    args.removeFirst();
    const std::string commandLine = args.join(QLatin1Char(' ')).toStdString();

    quorvel::ProgramValues pv;
    quorvel::InstanceLocks locks;
    if (quorvel::s_startUp(pv, locks, QApplication::applicationDirPath().toStdString(), commandLine) ==
        quorvel::StartOutcome::End) {
        return 0;
    }
    quorvel::frmMain window(pv);
    if (!window.Form_Load()) {
        return 0;
    }
    window.show();
    int rc = app.exec();
    quorvel::platform::setMessageService(nullptr);
    quorvel::platform::setFileDialogService(nullptr);
    return rc;
}
