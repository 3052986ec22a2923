#pragma once

#include <string>

#include "app/ProgramValues.h"
#include "document/DocumentView.h"

namespace quorvel {

// How a document command ended. Failed means the user was told why (a message
// box through the message service); `reason` repeats it for callers without
// a window.
struct DocResult {
    enum Outcome { Done, Cancelled, Failed };
    Outcome outcome = Done;
    std::string reason;

    bool done() const { return outcome == Done; }
    static DocResult cancelled() { return {Cancelled, {}}; }
    static DocResult failed(std::string why) { return {Failed, std::move(why)}; }
};

// The open archive's life: made from the template, opened, saved, saved under
// another name, closed; its working copy, whether it has unsaved changes, and
// the archive to go back to when an open fails. No widgets: it asks its
// questions through the message service and the file dialogs, and has a
// DocumentView show the archive.
class ArchiveDocument {
public:
    ArchiveDocument(ProgramValues& pv, DocumentView& view) : pv_(pv), view_(view) {}

    bool isOpen() const { return open_; }
    bool isModified() const { return pv_.modFlag; }
    void markModified() { pv_.markModified(); }

    // 新規作成: a numbered copy of the template in the working folder.
    DocResult newFromTemplate();
    // 開く: the file dialog, then open(path) without asking again.
    DocResult openChosen();
    // Opens an archive file, after the save question for the one open now.
    DocResult open(const std::string& path);
    // The archive named by the settings or the command line, at start-up;
    // none named makes a new one.
    DocResult openAtStart();
    // 上書き保存.
    DocResult save();
    // 名前を付けて保存: the file dialog, then saveAs(path).
    DocResult saveAsChosen();
    DocResult saveAs(const std::string& chosen);
    // 閉じる: the question for unsaved changes, then the working copy goes.
    DocResult close();
    // The save question before the open archive is replaced; false when the
    // user cancelled it (or the save it asked for).
    bool confirmReplace();
    // After a health command wrote the working file anew.
    void workingFileReplaced();

    // Whether a file is an archive this program can open (0: it is not).
    int32_t f_chkInitFile(const std::string& fnameFP) const;

private:
    // What to go back to when an open fails.
    struct Settled {
        std::string lockName;
        bool newFlag = false, modFlag = false, wasOpen = false;
        std::string replacedWorkingFile;  // the working file of the archive being replaced
    };
    Settled settled() const;
    void restore(const Settled& s);
    // Opens the archive named by arcPath and arcName.
    DocResult openNamed(const Settled& s);
    DocResult abandonOpen(const Settled& s);
    // Opens a chosen file, its save question already answered.
    DocResult openPath(const Settled& s, const std::string& chosen);
    DocResult saveAsPath(const std::string& chosen);
    // Copies the working file to `target`.
    DocResult writeTo(const std::string& target);

    ProgramValues& pv_;
    DocumentView& view_;
    bool open_ = false;
};

// Copies the program's template to `target`, never over an existing file;
// false with the reason when the template is missing or not an archive, or the
// copy failed.
bool makeArchiveFromTemplate(const std::string& templatePath, const archive::TableDefs& defs, const std::string& target,
                             std::string& error);

}  // namespace quorvel
