#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <vector>

#include "app/ProgramValues.h"

class QAction;
class QMenu;

namespace quorvel {

class FolderTree;
namespace ui {
class TreeView;
}  // namespace ui

// Creating, renaming and deleting folders from the tree. Each change goes to
// the folder model, which writes it to the archive as one transaction; the
// tree changes only once the archive has.
class FolderEditor : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kMsgDeleteSuffix =
        "以下のフォルダ、メールすべてを削除します。いったん削除すると元に戻せません。"
        "また、サブフォルダやフォルダに収納されているメールも削除されます。";

    FolderEditor(ProgramValues& pv, int32_t& dirCounter, ui::TreeView& tree, FolderTree& folders, QMenu& mnuEdit,
                 QAction& mnuDelFld, QObject* parent = nullptr);

    // Shows the name dialog; the folder goes under the selected node.
    void mnuAddFld_Click();
    // Makes a folder named `name` under the selected node; false when no
    // archive is open or the archive could not be written.
    bool addFolder(const QString& name);
    // Asks, then deletes the selected folder with everything below it.
    void mnuDelFld_Click();

    void tvTreeView_AfterLabelEdit(const QString& key, const QString& newText, bool* cancel);
    void tvTreeView_KeyDown(int key, int shift);
    void tvTreeView_MouseDown(int button, int shift, const QPoint& pos);

    // The folders below a node, each after all of its own descendants.
    std::vector<int32_t> foldersBelow(const QString& key) const;
    // The node pressed last (the source of a drag in the tree).
    QString pressedNode() const { return pressed_; }

private:
    ProgramValues& pv_;
    int32_t& dirCounter_;
    ui::TreeView& tree_;
    FolderTree& folders_;
    QMenu& mnuEdit_;
    QAction& mnuDelFld_;
    QString pressed_;
};

}  // namespace quorvel
