#include "mainwindow/help/HelpWindow.h"

#include <QAction>
#include <QDir>
#include <QToolBar>

#include "mainwindow/help/HelpBrowser.h"
#include "mainwindow/help/HelpTexts.h"
#include "toolkit/Twips.h"

namespace quorvel {

namespace {

QString t(const char* text) {
    return QString::fromUtf8(text);
}

// The window's first size, in twips like every size of the program.
constexpr double kWidth = 10500;
constexpr double kHeight = 8400;

}  // namespace

HelpWindow::HelpWindow(const QString& helpFolder)
    : contents_(QUrl::fromLocalFile(QDir(helpFolder).filePath(t(texts::kHelpContentsPage)))) {
    browser_ = new HelpBrowser(helpFolder, this);
    setCentralWidget(browser_);

    QToolBar* bar = addToolBar(t(texts::kHelpWindowTitle));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    actContents = bar->addAction(t(texts::kHelpContents), this, &HelpWindow::showContents);
    actBack = bar->addAction(t(texts::kHelpBack), browser_, &QTextBrowser::backward);
    actBack->setShortcut(QKeySequence::Back);
    actBack->setEnabled(false);
    actForward = bar->addAction(t(texts::kHelpForward), browser_, &QTextBrowser::forward);
    actForward->setShortcut(QKeySequence::Forward);
    actForward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, actBack, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, actForward, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::updateTitle);

    resize(ui::twipsToPx(kWidth), ui::twipsToPx(kHeight));
    updateTitle();
}

void HelpWindow::showContents() {
    browser_->setSource(contents_);
}

void HelpWindow::updateTitle() {
    const QString page = browser_->documentTitle();
    const QString title = t(texts::kHelpWindowTitle);
    setWindowTitle(page.isEmpty() || page == title ? title : title + QStringLiteral(" - ") + page);
}

}  // namespace quorvel
