// The program's entry point: start-up, then the main window's event loop.
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>
#include <QUrl>

#include <iostream>

#include "app/StartUp.h"
#include "mainwindow/frmMain.h"
#include "tromsel/TromselRegistration.h"
#include "platform/dialogs/QtDialogServices.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The desktop finds the program's entry and icon by these names.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvel"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quorvel")));

    // The program's texts are Japanese whatever the desktop's language, and so
    // are Qt's own (file dialogs, standard buttons) where a translation exists.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(&qtTexts);
    }

    quorvel::platform::QtMessageService messages;
    quorvel::platform::QtFileDialogService fileDialogs;
    quorvel::platform::setMessageService(&messages);
    quorvel::platform::setFileDialogService(&fileDialogs);

    // Qt has taken its own options out; the rest is the archive path, which
    // may hold spaces, so the arguments are joined again as one text.
    QStringList args = QApplication::arguments();
    args.removeFirst();
    // A launcher may pass the archive as a file: URL.
    if (args.size() == 1 && args[0].startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
        args[0] = QUrl(args[0]).toLocalFile();
    }
    const std::string commandLine = args.join(QLatin1Char(' ')).toStdString();

    quorvel::ProgramValues pv;
    quorvel::InstanceLocks locks;
    if (quorvel::s_startUp(pv, locks, QApplication::applicationDirPath().toStdString(), commandLine) ==
        quorvel::StartOutcome::End) {
        return 0;
    }
    // A fresh build or install works with no separate registration step: the
    // drop-target component of this program folder is registered on demand.
    if (quorvel::com::FAILED(quorvel::com::ensureTromselRegistered(pv.programFolder))) {
        std::cerr << "quorvel: the drop-target component could not be registered; "
                     "mails dragged from a mail program cannot be received"
                  << std::endl;
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
