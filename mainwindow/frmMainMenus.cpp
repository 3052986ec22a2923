// The menu bar, the two menus used only as context menus, and the commands'
// wiring. Commands handled by parts of the window not built yet are connected
// to nothing: they do nothing and say nothing.
#include <QMenu>
#include <QMenuBar>

#include "mainwindow/HealthTexts.h"
#include "mainwindow/ImportTexts.h"
#include "mainwindow/MainTexts.h"
#include "mainwindow/frmMain.h"

namespace quorvel {

namespace {
QString t(const char* text) {
    return QString::fromUtf8(text);
}
}  // namespace

void frmMain::buildMenus() {
    mnuFile = menuBar()->addMenu(t(texts::kMenuFile));
    mnuFileNew = mnuFile->addAction(t(texts::kMenuFileNew));
    mnuFileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen = mnuFile->addAction(t(texts::kMenuFileOpen));
    mnuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileClose = mnuFile->addAction(t(texts::kMenuFileClose));
    mnuFile->addSeparator();  // mnuFileBar0
    mnuFileSave = mnuFile->addAction(t(texts::kMenuFileSave));
    mnuFileSaveAs = mnuFile->addAction(t(texts::kMenuFileSaveAs));
    mnuFile->addSeparator();  // mnuFileBar3
    mnuFileExit = mnuFile->addAction(t(texts::kMenuFileExit));
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);

    mnuTool = menuBar()->addMenu(t(texts::kMenuTool));
    mnuOpution = mnuTool->addAction(t(texts::kMenuOption));
    // Beyond the options: the open archive's health.
    mnuTool->addSeparator();
    mnuToolCheck = mnuTool->addAction(t(texts::kMenuCheck));
    mnuToolRepair = mnuTool->addAction(t(texts::kMenuRepair));
    mnuToolCompact = mnuTool->addAction(t(texts::kMenuCompact));
    // Beyond them: whole mailboxes into the open archive.
    mnuTool->addSeparator();
    mnuToolImport = mnuTool->addAction(t(texts::kMenuImportMailbox));

    // Not in the menu bar: popped up by a right click in the tree.
    mnuEdit = new QMenu(t(texts::kMenuEdit), this);
    mnuAddFld = mnuEdit->addAction(t(texts::kMenuAddFolder));
    mnuDelFld = mnuEdit->addAction(t(texts::kMenuDeleteFolder));

    // Not in the menu bar: popped up by a right click in the mail list.
    mneEdit2 = new QMenu(t(texts::kMenuEdit2), this);
    mnuDelMal = mneEdit2->addAction(t(texts::kMenuDeleteMail));

    mnuHelp = menuBar()->addMenu(t(texts::kMenuHelp));
    mnuHelpContents = mnuHelp->addAction(t(texts::kMenuHelpContents));
    mnuHelpSearchForHelpOn = mnuHelp->addAction(t(texts::kMenuHelpSearch));
    mnuHelpSearchForHelpOn->setVisible(false);
    mnuHelp->addSeparator();  // mnuHelpBar0
    mnuHelpAbout = mnuHelp->addAction(t(texts::kMenuHelpAbout));

    // Shortcuts work from anywhere in the window, also with the menus hidden.
    for (QAction* action : {mnuFileNew, mnuFileOpen}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

}  // namespace quorvel
