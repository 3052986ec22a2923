#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <string>

#include "app/ProgramValues.h"
#include "folders/model/FolderModel.h"

class QLabel;

namespace quorvel {

class MailList;
class Preview;
namespace ui {
class StatusBar;
class TreeView;
}  // namespace ui

// The folder tree: the folder model of the open archive shown as nodes keyed
// "12_", the current folder chosen and shown. The model is the truth; the
// nodes follow it once an edit has reached the archive.
class FolderTree : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kRootImage = "quorvel";
    static constexpr const char* kFolderImage = "closeF";
    static constexpr const char* kMailCountSuffix = "通のメールがあります。";

    FolderTree(ProgramValues& pv, ui::TreeView& tree, QLabel& title, ui::StatusBar& status, MailList& mails,
               Preview& preview, QObject* parent = nullptr);

    // Loads the model from the archive's folder table and builds every node
    // from it; the root shows the archive's file name.
    void loadTree();
    // Loads the tree again after the folder table changed behind the model
    // (an import made folders): the folders open before stay open, `reveal`
    // and the folders above it are opened, the current folder stays current.
    void reloadTree(const QString& reveal);
    // Selects the folder of a key and shows its path in the title.
    void s_curDirApr(const std::string& curDir);
    // Makes a clicked folder current: its mails, its path and their count.
    void tvTreeView_NodeClick(const QString& key);
    // Makes a folder current: selected, its path shown, its mails listed and
    // counted, the preview empty.
    void showFolder(const QString& key);
    // The mail count of the list in the status bar.
    void showMailCount();
    // Rewrites the archive's folder table from the model; false on a failure.
    bool s_maileDirSave();
    int32_t f_getMaxDirID();
    int32_t f_getMaxMalID();

    folders::FolderModel& model() { return model_; }
    // A folder's node key, and the folder of a key (none for a key that no
    // folder's identifier gives).
    static QString keyOf(folders::FolderModel::Id id);
    static std::optional<folders::FolderModel::Id> idOf(const QString& key);

    QString lastClicked() const { return lastClicked_; }
    void forgetLastClicked() { lastClicked_.clear(); }
    void setLastClicked(const QString& key) { lastClicked_ = key; }

private:
    ProgramValues& pv_;
    ui::TreeView& tree_;
    QLabel& title_;
    ui::StatusBar& status_;
    MailList& mails_;
    Preview& preview_;
    folders::FolderModel model_;
    QString lastClicked_;
};

}  // namespace quorvel
