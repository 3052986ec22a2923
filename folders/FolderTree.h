#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "app/ProgramValues.h"

class QLabel;

namespace quorvel::archive {
class Database;
}

namespace quorvel {

class MailList;
class Preview;
namespace ui {
class StatusBar;
class TreeView;
}  // namespace ui

// The folder tree as the working copy of the archive's folders: loaded from
// the archive, the current folder chosen and shown, and written back whole
// after every folder change.
class FolderTree : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kRootImage = "quorvel";
    static constexpr const char* kFolderImage = "closeF";
    static constexpr const char* kMailCountSuffix = "通のメールがあります。";

    FolderTree(ProgramValues& pv, ui::TreeView& tree, QLabel& title, ui::StatusBar& status, MailList& mails,
               Preview& preview, QObject* parent = nullptr);

    // Builds every node from the archive's folder table; the root shows the
    // archive's file name.
    void loadTree();
    // Selects the folder of a key and shows its path in the title.
    void s_curDirApr(const std::string& curDir);
    // Makes a clicked folder current: its mails, its path and their count.
    void tvTreeView_NodeClick(const QString& key);
    // Makes a folder current: selected, its path shown, its mails listed and
    // counted, the preview empty.
    void showFolder(const QString& key);
    // The mail count of the list in the status bar.
    void showMailCount();
    // Rewrites the archive's folder table from the tree; false on a failure.
    bool s_maileDirSave();
    // Empties and rewrites the folder table of the open file `db`, inside the
    // caller's transaction, leaving out the subtree of `leaveOut`.
    bool writeFolderTable(archive::Database& db, const QString& leaveOut);
    int32_t f_getMaxDirID();
    int32_t f_getMaxMalID();

    QString lastClicked() const { return lastClicked_; }
    void forgetLastClicked() { lastClicked_.clear(); }
    void setLastClicked(const QString& key) { lastClicked_ = key; }

private:
    int32_t maxId(int table);

    ProgramValues& pv_;
    ui::TreeView& tree_;
    QLabel& title_;
    ui::StatusBar& status_;
    MailList& mails_;
    Preview& preview_;
    QString lastClicked_;
};

}  // namespace quorvel
