#pragma once

#include <QLabel>
#include <QMainWindow>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgramValues.h"
#include "document/ArchiveDocument.h"
#include "maillist/DragSession.h"
#include "mainwindow/PaneLayout.h"
#include "mainwindow/SplitterGrip.h"
#include "mainwindow/help/HelpManager.h"
#include "toolkit/ListView.h"
#include "toolkit/StatusBar.h"
#include "toolkit/TreeView.h"

class QAction;
class QLineEdit;
class QMenu;

namespace quorvel {

class FolderEditor;
class TreeDrops;
class FolderTree;
class ListDragOut;
class ListDrops;
class MailList;
class Preview;
class PreviewBox;

// The main window. It owns the program-wide values of its instance for the
// life of the process, holds the panes, splitters, menus and status bar, and
// routes every event to the subsystem that handles it. It shows the archive
// document's archive.
class frmMain : public QMainWindow, public DocumentView {
    Q_OBJECT
public:
    explicit frmMain(ProgramValues& pv, QWidget* parent = nullptr);
    ~frmMain() override;

    // The window's load; false when the program must end at once.
    bool Form_Load();

    ProgramValues& values() { return pv_; }
    const PaneLayout& layout() const { return layout_; }
    MailList& mailList() { return *mailList_; }
    FolderTree& folderTree() { return *folderTree_; }
    FolderEditor& folderEditor() { return *folderEditor_; }
    TreeDrops& treeDrops() { return *treeDrops_; }
    Preview& preview() { return *preview_; }
    ListDrops& listDrops() { return *listDrops_; }
    ListDragOut& listDragOut() { return *listDragOut_; }

    // The controls, by their names.
    QWidget* picTitles = nullptr;
    QLabel* lblTitle0 = nullptr;
    ui::TreeView* tvTreeView = nullptr;
    ui::SplitterGrip* imgSplitter = nullptr;
    QWidget* picSplitter = nullptr;
    ui::ListView* lvListView = nullptr;
    ui::SplitterGrip* imgSplitterV = nullptr;
    QWidget* picSplitterV = nullptr;
    QLabel* previewHeadder = nullptr;
    PreviewBox* preViewBox = nullptr;
    ui::StatusBar* sbStatusBar = nullptr;

    // The menus.
    QMenu* mnuFile = nullptr;
    QAction* mnuFileNew = nullptr;
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFileClose = nullptr;
    QAction* mnuFileSave = nullptr;
    QAction* mnuFileSaveAs = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuTool = nullptr;
    QAction* mnuOpution = nullptr;
    QAction* mnuToolCheck = nullptr;
    QAction* mnuToolRepair = nullptr;
    QAction* mnuToolCompact = nullptr;
    QAction* mnuToolImport = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuAddFld = nullptr;
    QAction* mnuDelFld = nullptr;
    QMenu* mneEdit2 = nullptr;
    QAction* mnuDelMal = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpSearchForHelpOn = nullptr;
    QAction* mnuHelpAbout = nullptr;

    // The open archive's identifier counters: the highest folder and mail
    // identifiers handed out so far.
    int32_t dirCounter = 0;
    int32_t mailCounter = 0;

    // What the list and the tree share while something is dragged.
    DragSession drag;
    // The registered data formats of a mail program's drag, in their signed
    // 16-bit form.
    int16_t cfFileGroupDescriptor = 0;
    int16_t cfFileGroupDescriptorW = 0;
    int16_t cfFileContents = 0;
    // Error logs of rejected dropped files written in this run.
    int errLogCount = 0;

    // The File menu's commands, handed to the archive document; each answers
    // whether it went through.
    bool mnuFileNew_Click();
    bool mnuFileOpen_Click();
    bool mnuFileClose_Click();
    bool mnuFileSave_Click();
    bool mnuFileSaveAs_Click();
    ArchiveDocument& document() { return *document_; }
    bool archiveOpen() const;

    // The ツール menu's archive health commands, on the open archive.
    void mnuToolCheck_Click();
    void mnuToolRepair_Click();
    void mnuToolCompact_Click();
    // The ツール menu's import of mailboxes into the current folder.
    void mnuToolImport_Click();
    // Imports mail files, mbox files, Maildirs and folders into the folder
    // dirKey off the window's thread, with progress and a working キャンセル.
    // From the menu a summary box follows; a drop tells the status bar, and
    // names what was no mail, as a drop of mail files does.
    enum class ImportFrom { Menu, Drop };
    void importMailboxes(const std::vector<std::string>& paths, const std::string& dirKey, bool skipDuplicates,
                         ImportFrom from);

    // The search field above the list: Enter searches, Esc or an empty field
    // goes back to the current folder. searchMails is false when nothing was
    // searched (no archive, a query refused, cancelled, a failure shown).
    QLineEdit* txtSearch = nullptr;
    bool searchMails(const QString& text);
    void focusSearchField();
    bool searching() const { return searching_; }

    // Lays the panes out for splitter positions, as a resize or drag does.
    void SizeControls(float x);
    void SizeControlsV(float y);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildSearchField();
    // At the right end of the title strip, above the list.
    void placeSearchField();
    // The found count in the status bar, with the folder of the mail selected.
    void showSearchCount(const std::string& selectedKey = {});
    // Leaves search results; with showFolder the current folder is listed.
    void endSearch(bool showFolder);
    void navigatePreview(const QString& path);
    void buildMenus();
    void applyLayout();
    void relayout();
    void loadGeometry();
    void storeGeometry();
    void fitOuterSize();
    // The window's unload; false when it was cancelled.
    bool Form_Unload();
    // What the archive document asks the window to show.
    bool showArchive(Showing how) override;
    void showNoArchive() override;
    void setBusy(const char* text) override;

    ProgramValues& pv_;
    PaneLayout layout_;
    std::unique_ptr<MailList> mailList_;
    std::unique_ptr<Preview> preview_;
    std::unique_ptr<FolderTree> folderTree_;
    std::unique_ptr<FolderEditor> folderEditor_;
    std::unique_ptr<TreeDrops> treeDrops_;
    std::unique_ptr<ListDrops> listDrops_;
    std::unique_ptr<ListDragOut> listDragOut_;
    std::unique_ptr<ArchiveDocument> document_;
    HelpManager help_;
    bool unloaded_ = false;
    QSize outerSize_;   // the stored outer size, until the window is first shown
    QString busyKept_;  // the status text a long step replaced
    QString busyText_;
    bool searching_ = false;
    std::map<std::string, std::string> foundFolders_;  // mail key → folder key of the mails found
    std::string indexedState_;  // the working file and change count the index was last brought in step with
};

}  // namespace quorvel
