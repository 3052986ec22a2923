// The main window's side of the archive document: the File menu's commands
// hand over to the document, and the window shows what the document opened.
#include <QApplication>

#include "archive/Schema.h"
#include "document/DocumentTexts.h"
#include "folders/FolderTree.h"
#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "mainwindow/MainTexts.h"
#include "mainwindow/frmMain.h"

namespace quorvel {

bool frmMain::mnuFileNew_Click() {
    return document_->newFromTemplate().done();
}

bool frmMain::mnuFileOpen_Click() {
    return document_->openChosen().done();
}

bool frmMain::mnuFileSave_Click() {
    return document_->save().done();
}

bool frmMain::mnuFileSaveAs_Click() {
    return document_->saveAsChosen().done();
}

bool frmMain::mnuFileClose_Click() {
    return document_->close().done();
}

bool frmMain::archiveOpen() const {
    return document_->isOpen();
}

bool frmMain::showArchive(Showing how) {
    // Whatever the archive shows now, it is no longer a search's results;
    // an archive opened anew has its index looked at again.
    endSearch(false);
    if (how == Showing::Opened) {
        indexedState_.clear();
        // Files written for the previous archive's mails must not be shown for
        // this archive's mails of the same number.
        Preview::clearMailFileCache(pv_.workPath);
    }
    folderTree_->loadTree();
    if (tvTreeView->nodeCount() == 0) {
        return false;
    }
    // A saved folder that no longer exists opens the root.
    if (how != Showing::Restored && !tvTreeView->exists(QString::fromStdString(pv_.curDir))) {
        pv_.curDir = archive::makeKey(archive::kRootDirId);
    }
    switch (how) {
        case Showing::Opened:
            folderTree_->s_curDirApr(pv_.curDir);
            mailList_->s_mailListLoad(pv_.curDir);
            folderTree_->showMailCount();
            preview_->s_aprPreview(pv_.activMail);
            break;
        case Showing::Restored:
            folderTree_->s_curDirApr(pv_.curDir);
            mailList_->s_mailListLoad(pv_.curDir);
            preview_->clearPreview();
            break;
        case Showing::Replaced:
            folderTree_->showFolder(QString::fromStdString(pv_.curDir));
            break;
        case Showing::Renamed:
            folderTree_->s_curDirApr(pv_.curDir);
            return true;  // the same mails, the same identifiers
    }
    dirCounter = folderTree_->f_getMaxDirID();
    mailCounter = folderTree_->f_getMaxMalID();
    return true;
}

void frmMain::showNoArchive() {
    endSearch(false);
    indexedState_.clear();
    tvTreeView->clearNodes();
    folderTree_->forgetLastClicked();
    lvListView->clearItems();
    preview_->clearPreview();
    Preview::clearMailFileCache(pv_.workPath);
    lblTitle0->setText(QString::fromUtf8(texts::kNoFileOpen));
}

void frmMain::setBusy(const char* text) {
    if (text) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busyKept_ = sbStatusBar->panelText(1);
        busyText_ = QString::fromUtf8(text);
        sbStatusBar->setPanelText(1, busyText_);
        return;
    }
    QApplication::restoreOverrideCursor();
    // A text the work put there (the opened folder's count) stays.
    if (sbStatusBar->panelText(1) == busyText_) {
        sbStatusBar->setPanelText(1, busyKept_);
    }
}

}  // namespace quorvel
