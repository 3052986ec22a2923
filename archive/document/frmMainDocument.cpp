// The life of the open archive in the main window: opening, the File menu's
// commands and their questions. These are members of the main window, kept
// here with the rest of the archive document.
#include <QApplication>
#include <filesystem>

#include "app/RegIO.h"
#include "app/StartUp.h"
#include "archive/ArchiveCheck.h"
#include "archive/LockFile.h"
#include "archive/ViewCondition.h"
#include "archive/document/DocumentTexts.h"
#include "folders/FolderTree.h"
#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "mainwindow/MainTexts.h"
#include "mainwindow/frmMain.h"
#include "platform/dialogs/FileDialogService.h"
#include "platform/dialogs/MessageService.h"
#include "platform/fs/FileCopy.h"

namespace fs = std::filesystem;

namespace quorvel {

using platform::MsgAnswer;
using platform::msgBox;
using platform::MsgButtons;

namespace {

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// The hourglass and a status text for the length of a long operation.
class BusyScope {
public:
    BusyScope(ui::StatusBar& status, const char* text)
        : status_(status), kept_(status.panelText(1)), busy_(QString::fromUtf8(text)) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        status_.setPanelText(1, busy_);
    }
    ~BusyScope() {
        QApplication::restoreOverrideCursor();
        // A text the work put there (the opened folder's count) stays.
        if (status_.panelText(1) == busy_) {
            status_.setPanelText(1, kept_);
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    ui::StatusBar& status_;
    QString kept_;
    QString busy_;
};

// A file whose mode allows nobody to write it: the user keeps it as it is,
// and a save never replaces it (the mode, not access(), so that it holds for
// root as well).
bool markedReadOnly(const std::string& path) {
    std::error_code ec;
    const fs::perms p = fs::status(path, ec).permissions();
    return !ec && fs::exists(path, ec) &&
           (p & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) == fs::perms::none;
}

// A name typed without an extension gets ".qvb", so that 開く lists the file.
std::string withArchiveExtension(const std::string& chosen) {
    if (chosen.empty() || chosen.back() == '/') {
        return chosen;
    }
    return fs::path(chosen).has_extension() ? chosen : chosen + ".qvb";
}

}  // namespace

bool frmMain::archiveOpen() const {
    return tvTreeView->nodeCount() > 0;
}

int32_t frmMain::f_chkInitFile(const std::string& fnameFP) {
    // A file that cannot be read just now is left to the open, which says why.
    return archive::checkArchiveShape(fnameFP, pv_.defs) == archive::ArchiveShape::NotArchive ? 0 : 1;
}

frmMain::SettledState frmMain::settledState() const {
    SettledState s;
    s.lockName = pv_.lockName;
    s.newFlag = pv_.newFlag;
    s.modFlag = pv_.modFlag;
    if (archiveOpen()) {
        s.replacedWorkingFile = workingFile(pv_);
    }
    return s;
}

bool frmMain::s_OpenFile(const SettledState& settled) {
    bool recovered = false;
    if (!archive::f_makeLockFl(pv_, &recovered)) {
        pv_.arcPath = pv_.prevPath;
        pv_.arcName = pv_.prevName;
        pv_.lockName = settled.lockName;
        pv_.newFlag = settled.newFlag;
        pv_.modFlag = settled.modFlag;
        return false;
    }
    pv_.modFlag = false;
    // Files written for the previous archive's mails must not be shown for
    // this archive's mails of the same number.
    Preview::clearMailFileCache(pv_.workPath);
    tvTreeView->clearNodes();
    archive::s_LoadCondition(pv_);
    folderTree_->loadTree();
    if (!archiveOpen()) {
        return abandonOpen(settled);  // the archive's folders could not be read: its box said why
    }
    // A saved folder that no longer exists opens the root.
    if (!tvTreeView->exists(QString::fromStdString(pv_.curDir))) {
        pv_.curDir = archive::makeKey(archive::kRootDirId);
    }
    folderTree_->s_curDirApr(pv_.curDir);
    mailList_->s_mailListLoad(pv_.curDir);
    folderTree_->showMailCount();
    preview_->s_aprPreview(pv_.activMail);
    dirCounter = folderTree_->f_getMaxDirID();
    mailCounter = folderTree_->f_getMaxMalID();
    if (!settled.replacedWorkingFile.empty() && archive::usesLockFiles(pv_) &&
        settled.replacedWorkingFile != workingFile(pv_)) {
        archive::s_DelLockFl(settled.replacedWorkingFile);
    }
    pv_.prevPath = pv_.arcPath;
    pv_.prevName = pv_.arcName;
    // Work taken up from a left working copy is not in the archive yet.
    pv_.modFlag = recovered;
    return true;
}

bool frmMain::abandonOpen(const SettledState& settled) {
    // The working copy just made goes, so the archive does not read as in
    // use; the archive that was open before is shown again.
    if (archive::usesLockFiles(pv_)) {
        archive::s_DelLockFl(workingFile(pv_));
    }
    pv_.arcPath = pv_.prevPath;
    pv_.arcName = pv_.prevName;
    pv_.lockName = settled.lockName;
    pv_.newFlag = settled.newFlag;
    pv_.modFlag = settled.modFlag;
    if (!settled.replacedWorkingFile.empty()) {
        archive::s_LoadCondition(pv_);
        folderTree_->loadTree();
    }
    if (archiveOpen()) {
        folderTree_->s_curDirApr(pv_.curDir);
        mailList_->s_mailListLoad(pv_.curDir);
    } else {
        lblTitle0->setText(QString::fromUtf8(texts::kNoFileOpen));
        lvListView->clearItems();
    }
    preview_->clearPreview();
    return false;
}

bool frmMain::f_extFile() {
    if (pv_.arcName.empty() || !pv_.modFlag || !archiveOpen()) {
        return true;
    }
    switch (msgBox(texts::kMsgSaveCurrent, MsgButtons::YesNoCancel)) {
        case MsgAnswer::Yes: {
            // A save the user cancelled keeps everything as it is.
            const bool saved = pv_.newFlag ? mnuFileSaveAs_Click() : mnuFileSave_Click();
            if (!saved) {
                return false;
            }
            pv_.newFlag = false;
            pv_.modFlag = false;
            return true;
        }
        case MsgAnswer::No:
            return true;
        default:
            return false;
    }
}

bool frmMain::mnuFileNew_Click() {
    if (!f_extFile()) {
        return false;
    }
    const SettledState settled = settledState();
    const std::string templ = pv_.sysPath + "/" + texts::kTemplateName;
    if (!fileExists(templ)) {
        msgBox(texts::kMsgNoTemplate);
        return false;
    }
    if (f_chkInitFile(templ) <= 0) {
        msgBox(texts::kMsgTemplateBroken);
        return false;
    }
    const long long n = leadingNumber(f_regGetVal("", "newFCnt", "0")) + 1;
    f_regSetVal("", "newFCnt", n);
    const std::string name = texts::kNewArchivePrefix + std::to_string(n) + ".qvb";
    std::string error;
    if (!platform::copyFileReplacing(templ, pv_.workPath + "/" + name, error)) {
        msgBox(std::string(texts::kMsgNewFailed) + "\n" + error, MsgButtons::Ok, platform::MsgIcon::Critical);
        return false;
    }
    pv_.newFlag = true;
    pv_.modFlag = false;
    pv_.arcPath = pv_.workPath;
    pv_.arcName = name;
    return s_OpenFile(settled);
}

bool frmMain::mnuFileOpen_Click() {
    if (!f_extFile()) {
        return false;
    }
    const SettledState settled = settledState();
    const std::string chosen = platform::fileDialogs().showOpen({texts::kDialogOpen, texts::kFilter, {}});
    if (chosen.empty()) {
        return false;
    }
    std::string folder, name;
    if (!fileExists(chosen) || !f_splitPath(chosen, folder, name)) {
        msgBox(texts::kMsgNotFound);
        return false;
    }
    pv_.arcPath = folder;
    pv_.arcName = name;
    BusyScope busy(*sbStatusBar, texts::kStatusOpening);
    if (f_chkInitFile(chosen) <= 0) {
        msgBox(texts::kMsgOpenFileBroken);
        pv_.arcPath = pv_.prevPath;
        pv_.arcName = pv_.prevName;
        return false;
    }
    pv_.newFlag = false;
    pv_.modFlag = false;
    return s_OpenFile(settled);
}

bool frmMain::mnuFileSave_Click() {
    if (!archiveOpen()) {
        return false;  // nothing to save
    }
    if (pv_.newFlag) {
        return mnuFileSaveAs_Click();
    }
    if (!archive::usesLockFiles(pv_)) {
        return true;  // the archive itself holds every change
    }
    const std::string target = pv_.arcPath + "/" + pv_.arcName;
    if (markedReadOnly(target)) {
        msgBox(target + texts::kMsgReadOnlySuffix, MsgButtons::Ok, platform::MsgIcon::Warning);
        return false;
    }
    BusyScope busy(*sbStatusBar, texts::kStatusSaving);
    std::string error;
    if (!platform::copyFileReplacing(workingFile(pv_), target, error)) {
        msgBox(std::string(texts::kMsgSaveFailed) + "\n" + error, MsgButtons::Ok, platform::MsgIcon::Critical);
        return false;
    }
    pv_.modFlag = false;
    return true;
}

bool frmMain::mnuFileSaveAs_Click() {
    if (!archiveOpen()) {
        return false;
    }
    archive::s_SaveCondition(pv_);
    const std::string current = pv_.arcPath + "/" + pv_.arcName;
    const std::string chosen = withArchiveExtension(
        platform::fileDialogs().showSave({texts::kDialogSaveAs, texts::kFilter, pv_.newFlag ? "" : current}));
    if (chosen.empty()) {
        return false;
    }
    if (chosen == current) {
        return mnuFileSave_Click();
    }
    // An archive that another instance has open is not overwritten: its
    // working copy tells, and it is checked before anything is written.
    std::string folder, name;
    const bool split = f_splitPath(chosen, folder, name);
    if (split && archive::usesLockFiles(pv_)) {
        const std::string targetLock = folder + "/" + archive::lockNameFor(pv_, name);
        if (targetLock != workingFile(pv_) && fileExists(targetLock)) {
            msgBox(chosen + archive::kMsgInUse);
            return false;
        }
    }
    if (markedReadOnly(chosen)) {
        msgBox(chosen + texts::kMsgReadOnlyReplaceSuffix, MsgButtons::Ok, platform::MsgIcon::Warning);
        return false;
    }
    if (fileExists(chosen) &&
        msgBox(texts::kMsgReplacePrefix + chosen + texts::kMsgReplaceSuffix, MsgButtons::YesNo) != MsgAnswer::Yes) {
        return false;
    }
    BusyScope busy(*sbStatusBar, texts::kStatusSaving);
    std::string error;
    if (!platform::copyFileReplacing(workingFile(pv_), chosen, error)) {
        msgBox(std::string(texts::kMsgSaveFailed) + "\n" + error, MsgButtons::Ok, platform::MsgIcon::Critical);
        return false;
    }
    if (archive::usesLockFiles(pv_)) {
        archive::s_DelLockFl(workingFile(pv_));
    }
    pv_.newFlag = false;
    pv_.modFlag = false;
    if (split) {
        pv_.arcPath = folder;
        pv_.arcName = name;
        archive::f_makeLockFl(pv_);
        pv_.prevPath = pv_.arcPath;
        pv_.prevName = pv_.arcName;
        folderTree_->loadTree();
        folderTree_->s_curDirApr(pv_.curDir);
    } else {
        pv_.arcPath = pv_.prevPath;
        pv_.arcName = pv_.prevName;
        archive::f_makeLockFl(pv_);
    }
    return true;
}

bool frmMain::mnuFileClose_Click() {
    if (!archiveOpen()) {
        return true;
    }
    if (pv_.modFlag) {
        const bool asNew = pv_.newFlag;
        const std::string text = pv_.arcName + (asNew ? texts::kMsgChangedSaveAs : texts::kMsgChangedSave);
        switch (msgBox(text, MsgButtons::YesNoCancel)) {
            case MsgAnswer::Yes:
                // A save that did not happen (its dialog cancelled) keeps the
                // archive open: closing now would lose the changes.
                if (!(asNew ? mnuFileSaveAs_Click() : mnuFileSave_Click())) {
                    return false;
                }
                break;
            case MsgAnswer::No:
                break;
            default:
                return false;
        }
    }
    if (archive::usesLockFiles(pv_)) {
        archive::s_DelLockFl(workingFile(pv_));
    }
    tvTreeView->clearNodes();
    folderTree_->forgetLastClicked();
    lvListView->clearItems();
    preview_->clearPreview();
    Preview::clearMailFileCache(pv_.workPath);
    lblTitle0->setText(QString::fromUtf8(texts::kNoFileOpen));
    pv_.modFlag = false;
    return true;
}

}  // namespace quorvel
