#include "mainwindow/help/HelpManager.h"

#include <QDir>
#include <QFileInfo>

#include "mainwindow/help/HelpTexts.h"
#include "mainwindow/help/HelpWindow.h"
#include "platform/dialogs/MessageService.h"

namespace quorvel {

HelpManager::HelpManager() = default;

HelpManager::~HelpManager() {
    closeAll();
}

QString HelpManager::helpFolder(const std::string& programFolder) {
    return QDir(QString::fromStdString(programFolder)).filePath(QString::fromUtf8(texts::kHelpFolderName));
}

bool HelpManager::displayToc(const std::string& programFolder) {
    const QString folder = helpFolder(programFolder);
    const QString contents = QDir(folder).filePath(QString::fromUtf8(texts::kHelpContentsPage));
    if (!QFileInfo(contents).isFile()) {
        platform::msgBox(std::string(texts::kHelpMissing) + "\n" + contents.toStdString(), platform::MsgButtons::Ok,
                         platform::MsgIcon::Warning);
        return false;
    }
    if (window_ && folder_ != folder) {
        closeAll();
    }
    if (!window_) {
        window_ = std::make_unique<HelpWindow>(folder);
        folder_ = folder;
    }
    window_->showContents();
    if (window_->isMinimized()) {
        window_->showNormal();
    } else {
        window_->show();
    }
    window_->raise();
    window_->activateWindow();
    return true;
}

void HelpManager::closeAll() {
    if (window_) {
        window_->close();
        window_.reset();
    }
}

}  // namespace quorvel
