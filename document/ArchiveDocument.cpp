#include "document/ArchiveDocument.h"

#include <filesystem>

#include "app/RegIO.h"
#include "app/StartUp.h"
#include "archive/ArchiveCheck.h"
#include "archive/LockFile.h"
#include "archive/ViewCondition.h"
#include "document/DocumentTexts.h"
#include "platform/dialogs/FileDialogService.h"
#include "platform/dialogs/MessageService.h"
#include "platform/fs/FileCopy.h"

namespace fs = std::filesystem;

namespace quorvel {

using platform::MsgAnswer;
using platform::msgBox;
using platform::MsgButtons;
using platform::MsgIcon;

namespace {

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

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

// The message box of a failure; the result carries its text.
DocResult failWith(const std::string& text, MsgIcon icon = MsgIcon::None) {
    msgBox(text, MsgButtons::Ok, icon);
    return DocResult::failed(text);
}

// A status text for the length of a long step.
class Busy {
public:
    Busy(DocumentView& view, const char* text) : view_(view) { view_.setBusy(text); }
    ~Busy() { view_.setBusy(nullptr); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    DocumentView& view_;
};

}  // namespace

bool makeArchiveFromTemplate(const std::string& templatePath, const archive::TableDefs& defs, const std::string& target,
                             std::string& error) {
    if (!fileExists(templatePath)) {
        error = templatePath + ": no such file";
        return false;
    }
    if (archive::checkArchiveShape(templatePath, defs) == archive::ArchiveShape::NotArchive) {
        error = templatePath + ": not an archive";
        return false;
    }
    bool existed = false;
    return platform::copyFileNew(templatePath, target, error, existed);
}

int32_t ArchiveDocument::f_chkInitFile(const std::string& fnameFP) const {
    // A file that cannot be read just now is left to the open, which says why.
    return archive::checkArchiveShape(fnameFP, pv_.defs) == archive::ArchiveShape::NotArchive ? 0 : 1;
}

ArchiveDocument::Settled ArchiveDocument::settled() const {
    Settled s;
    s.lockName = pv_.lockName;
    s.newFlag = pv_.newFlag;
    s.modFlag = pv_.modFlag;
    s.wasOpen = open_;
    if (open_) {
        s.replacedWorkingFile = workingFile(pv_);
    }
    return s;
}

void ArchiveDocument::restore(const Settled& s) {
    pv_.arcPath = pv_.prevPath;
    pv_.arcName = pv_.prevName;
    pv_.lockName = s.lockName;
    pv_.newFlag = s.newFlag;
    pv_.modFlag = s.modFlag;
}

DocResult ArchiveDocument::openNamed(const Settled& s) {
    bool recovered = false;
    if (!archive::f_makeLockFl(pv_, &recovered)) {
        const std::string refused = pv_.arcPath + "/" + pv_.arcName;
        restore(s);  // in use, or not copied: its message said why
        return DocResult::failed(refused);
    }
    pv_.modFlag = false;
    archive::s_LoadCondition(pv_, pv_);
    if (!view_.showArchive(DocumentView::Showing::Opened)) {
        return abandonOpen(s);  // the archive's folders could not be read: its box said why
    }
    open_ = true;
    if (!s.replacedWorkingFile.empty() && archive::usesLockFiles(pv_) && s.replacedWorkingFile != workingFile(pv_)) {
        archive::s_DelLockFl(s.replacedWorkingFile);
    }
    pv_.prevPath = pv_.arcPath;
    pv_.prevName = pv_.arcName;
    // Work taken up from a left working copy is not in the archive yet.
    pv_.modFlag = recovered;
    return {};
}

DocResult ArchiveDocument::abandonOpen(const Settled& s) {
    // The working copy just made goes, so the archive does not read as in
    // use; the archive that was open before is shown again.
    const std::string failed = pv_.arcPath + "/" + pv_.arcName;
    if (archive::usesLockFiles(pv_)) {
        archive::s_DelLockFl(workingFile(pv_));
    }
    restore(s);
    bool shown = false;
    if (s.wasOpen) {
        archive::s_LoadCondition(pv_, pv_);
        shown = view_.showArchive(DocumentView::Showing::Restored);
    }
    open_ = shown;
    if (!shown) {
        view_.showNoArchive();
    }
    return DocResult::failed(failed);
}

bool ArchiveDocument::confirmReplace() {
    if (pv_.arcName.empty() || !pv_.modFlag || !open_) {
        return true;
    }
    switch (msgBox(texts::kMsgSaveCurrent, MsgButtons::YesNoCancel)) {
        case MsgAnswer::Yes:
            // A save the user cancelled keeps everything as it is.
            if (!(pv_.newFlag ? saveAsChosen() : save()).done()) {
                return false;
            }
            pv_.newFlag = false;
            pv_.modFlag = false;
            return true;
        case MsgAnswer::No:
            return true;
        default:
            return false;
    }
}

DocResult ArchiveDocument::newFromTemplate() {
    if (!confirmReplace()) {
        return DocResult::cancelled();
    }
    const Settled s = settled();
    const std::string templ = pv_.sysPath + "/" + texts::kTemplateName;
    if (!fileExists(templ)) {
        return failWith(texts::kMsgNoTemplate);
    }
    if (f_chkInitFile(templ) <= 0) {
        return failWith(texts::kMsgTemplateBroken);
    }
    const long long n = leadingNumber(f_regGetVal("", "newFCnt", "0")) + 1;
    f_regSetVal("", "newFCnt", n);
    const std::string name = texts::kNewArchivePrefix + std::to_string(n) + ".qvb";
    std::string error;
    if (!platform::copyFileReplacing(templ, pv_.workPath + "/" + name, error)) {
        return failWith(std::string(texts::kMsgNewFailed) + "\n" + error, MsgIcon::Critical);
    }
    pv_.newFlag = true;
    pv_.modFlag = false;
    pv_.arcPath = pv_.workPath;
    pv_.arcName = name;
    return openNamed(s);
}

DocResult ArchiveDocument::openChosen() {
    if (!confirmReplace()) {
        return DocResult::cancelled();
    }
    const Settled s = settled();
    const std::string chosen = platform::fileDialogs().showOpen({texts::kDialogOpen, texts::kFilter, {}});
    if (chosen.empty()) {
        return DocResult::cancelled();
    }
    return openPath(s, chosen);
}

DocResult ArchiveDocument::open(const std::string& path) {
    if (!confirmReplace()) {
        return DocResult::cancelled();
    }
    return openPath(settled(), path);
}

DocResult ArchiveDocument::openPath(const Settled& s, const std::string& chosen) {
    std::string folder, name;
    if (!fileExists(chosen) || !f_splitPath(chosen, folder, name)) {
        return failWith(texts::kMsgNotFound);
    }
    pv_.arcPath = folder;
    pv_.arcName = name;
    Busy busy(view_, texts::kStatusOpening);
    if (f_chkInitFile(chosen) <= 0) {
        pv_.arcPath = pv_.prevPath;
        pv_.arcName = pv_.prevName;
        return failWith(texts::kMsgOpenFileBroken);
    }
    pv_.newFlag = false;
    pv_.modFlag = false;
    return openNamed(s);
}

DocResult ArchiveDocument::openAtStart() {
    if (pv_.arcName.empty() || pv_.arcPath.empty()) {
        return newFromTemplate();
    }
    if (f_chkInitFile(pv_.arcPath + "/" + pv_.arcName) > 0) {
        return openNamed(settled());
    }
    return failWith(texts::kMsgStartFileBroken);
}

DocResult ArchiveDocument::writeTo(const std::string& target) {
    Busy busy(view_, texts::kStatusSaving);
    std::string error;
    if (!platform::copyFileReplacing(workingFile(pv_), target, error)) {
        return failWith(std::string(texts::kMsgSaveFailed) + "\n" + error, MsgIcon::Critical);
    }
    return {};
}

DocResult ArchiveDocument::save() {
    if (!open_) {
        return DocResult::cancelled();  // nothing to save
    }
    if (pv_.newFlag) {
        return saveAsChosen();
    }
    if (!archive::usesLockFiles(pv_)) {
        return {};  // the archive itself holds every change
    }
    const std::string target = pv_.arcPath + "/" + pv_.arcName;
    if (markedReadOnly(target)) {
        return failWith(target + texts::kMsgReadOnlySuffix, MsgIcon::Warning);
    }
    DocResult written = writeTo(target);
    if (written.done()) {
        pv_.modFlag = false;
    }
    return written;
}

DocResult ArchiveDocument::saveAsChosen() {
    if (!open_) {
        return DocResult::cancelled();
    }
    archive::s_SaveCondition(pv_, pv_);
    const std::string current = pv_.arcPath + "/" + pv_.arcName;
    const std::string chosen =
        platform::fileDialogs().showSave({texts::kDialogSaveAs, texts::kFilter, pv_.newFlag ? "" : current});
    return chosen.empty() ? DocResult::cancelled() : saveAsPath(chosen);
}

DocResult ArchiveDocument::saveAs(const std::string& chosen) {
    if (!open_) {
        return DocResult::cancelled();
    }
    archive::s_SaveCondition(pv_, pv_);
    return saveAsPath(chosen);
}

DocResult ArchiveDocument::saveAsPath(const std::string& given) {
    const std::string chosen = withArchiveExtension(given);
    if (chosen == pv_.arcPath + "/" + pv_.arcName) {
        return save();
    }
    // An archive that another instance has open is not overwritten: its
    // working copy tells, and it is checked before anything is written.
    std::string folder, name;
    const bool split = f_splitPath(chosen, folder, name);
    if (split && archive::usesLockFiles(pv_)) {
        const std::string targetLock = folder + "/" + archive::lockNameFor(pv_, name);
        if (targetLock != workingFile(pv_) && fileExists(targetLock)) {
            return failWith(chosen + archive::kMsgInUse);
        }
    }
    if (markedReadOnly(chosen)) {
        return failWith(chosen + texts::kMsgReadOnlyReplaceSuffix, MsgIcon::Warning);
    }
    if (fileExists(chosen) &&
        msgBox(texts::kMsgReplacePrefix + chosen + texts::kMsgReplaceSuffix, MsgButtons::YesNo) != MsgAnswer::Yes) {
        return DocResult::cancelled();
    }
    if (DocResult written = writeTo(chosen); !written.done()) {
        return written;
    }
    if (archive::usesLockFiles(pv_)) {
        archive::s_DelLockFl(workingFile(pv_));
    }
    pv_.newFlag = false;
    pv_.modFlag = false;
    if (split) {
        pv_.arcPath = folder;
        pv_.arcName = name;
    } else {
        pv_.arcPath = pv_.prevPath;
        pv_.arcName = pv_.prevName;
    }
    if (!archive::f_makeLockFl(pv_)) {
        // The archive is saved whole, but there is no working copy to go on
        // with (its message said why): nothing stays open that every later
        // step would fail on.
        open_ = false;
        view_.showNoArchive();
        return DocResult::failed(pv_.arcPath + "/" + pv_.arcName);
    }
    if (split) {
        pv_.prevPath = pv_.arcPath;
        pv_.prevName = pv_.arcName;
        view_.showArchive(DocumentView::Showing::Renamed);
    }
    return {};
}

DocResult ArchiveDocument::close() {
    if (!open_) {
        return {};
    }
    if (pv_.modFlag) {
        const bool asNew = pv_.newFlag;
        const std::string text = pv_.arcName + (asNew ? texts::kMsgChangedSaveAs : texts::kMsgChangedSave);
        switch (msgBox(text, MsgButtons::YesNoCancel)) {
            case MsgAnswer::Yes:
                // A save that did not happen (its dialog cancelled) keeps the
                // archive open: closing now would lose the changes.
                if (!(asNew ? saveAsChosen() : save()).done()) {
                    return DocResult::cancelled();
                }
                break;
            case MsgAnswer::No:
                break;
            default:
                return DocResult::cancelled();
        }
    }
    if (archive::usesLockFiles(pv_)) {
        archive::s_DelLockFl(workingFile(pv_));
    }
    open_ = false;
    view_.showNoArchive();
    pv_.modFlag = false;
    return {};
}

void ArchiveDocument::workingFileReplaced() {
    // A new file has the working file's name now: it is this instance's as
    // the old one was, and it is what the next save writes.
    if (archive::usesLockFiles(pv_)) {
        archive::renewClaim(workingFile(pv_));
    }
    view_.showArchive(DocumentView::Showing::Replaced);
    pv_.markModified();
}

}  // namespace quorvel
