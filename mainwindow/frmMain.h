#pragma once

#include <QLabel>
#include <QMainWindow>
#include <memory>

#include "app/ProgramValues.h"
#include "mainwindow/PaneLayout.h"
#include "mainwindow/SplitterGrip.h"
#include "mainwindow/toolkit/ListView.h"
#include "mainwindow/toolkit/StatusBar.h"
#include "mainwindow/toolkit/TreeView.h"

class QAction;
class QMenu;

namespace quorvel {

class MailList;
class Preview;
class PreviewBox;

// The main window. It owns the program-wide values of its instance for the
// life of the process, holds the panes, splitters, menus and status bar, and
// routes every event to the subsystem that handles it.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(ProgramValues& pv, QWidget* parent = nullptr);
    ~frmMain() override;

    // The window's load; false when the program must end at once.
    bool Form_Load();

    ProgramValues& values() { return pv_; }
    const PaneLayout& layout() const { return layout_; }
    MailList& mailList() { return *mailList_; }
    Preview& preview() { return *preview_; }

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
    QMenu* mnuEdit = nullptr;
    QAction* mnuAddFld = nullptr;
    QAction* mnuDelFld = nullptr;
    QMenu* mneEdit2 = nullptr;
    QAction* mnuDelMal = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpSearchForHelpOn = nullptr;
    QAction* mnuHelpAbout = nullptr;

    // Lays the panes out for splitter positions, as a resize or drag does.
    void SizeControls(float x);
    void SizeControlsV(float y);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void navigatePreview(const QString& path);
    void buildMenus();
    void applyLayout();
    void relayout();
    void loadGeometry();
    void storeGeometry();
    void fitOuterSize();
    // The window's unload; false when it was cancelled.
    bool Form_Unload();

    ProgramValues& pv_;
    PaneLayout layout_;
    std::unique_ptr<MailList> mailList_;
    std::unique_ptr<Preview> preview_;
    bool unloaded_ = false;
    QSize outerSize_;  // the stored outer size, until the window is first shown
};

}  // namespace quorvel
