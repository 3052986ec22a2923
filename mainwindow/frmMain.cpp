#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>

#include "app/WorkingFolder.h"
#include "app/options/frmOptions.h"
#include "document/DocumentTexts.h"
#include "folders/FolderEditor.h"
#include "folders/FolderTree.h"
#include "folders/TreeDrops.h"
#include "mailboximport/MailboxImporter.h"
#include "maillist/ListDragOut.h"
#include "maillist/ListDrops.h"
#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "maillist/preview/PreviewBox.h"
#include "mainwindow/MainTexts.h"
#include "mainwindow/help/frmAbout.h"
#include "platform/dialogs/MessageService.h"
#include "platform/dnd/ClipboardFormats.h"
#include "toolkit/Images.h"
#include "toolkit/Twips.h"

namespace quorvel {

frmMain::frmMain(ProgramValues& pv, QWidget* parent) : QMainWindow(parent), pv_(pv) {
    setWindowTitle(QString::fromUtf8(texts::kCaption));
    buildControls();
    buildMenus();
    mailList_ = std::make_unique<MailList>(pv_, *lvListView, *mneEdit2);
    mailList_->showPreview = [this](const std::string& key) {
        preview_->s_aprPreview(key);
        if (searching_) {
            showSearchCount(key);
        }
    };
    mailList_->deleteMails = [this] { mnuDelMal->trigger(); };
    mailList_->resetPreview = [this] { preview_->clearPreview(); };
    preview_ = std::make_unique<Preview>(pv_, *previewHeadder, *lvListView,
                                         [this](const QString& path) { navigatePreview(path); });
    folderTree_ = std::make_unique<FolderTree>(pv_, *tvTreeView, *lblTitle0, *sbStatusBar, *mailList_, *preview_);
    folderEditor_ = std::make_unique<FolderEditor>(pv_, dirCounter, *tvTreeView, *folderTree_, *mnuEdit, *mnuDelFld);
    connect(mnuAddFld, &QAction::triggered, this, [this] { folderEditor_->mnuAddFld_Click(); });
    connect(mnuDelFld, &QAction::triggered, this, [this] { folderEditor_->mnuDelFld_Click(); });
    listDrops_ = std::make_unique<ListDrops>(
        DropState{pv_, mailCounter, drag, errLogCount, cfFileGroupDescriptor, cfFileGroupDescriptorW},
        DropControls{*this, *lvListView, *tvTreeView, *sbStatusBar, *mailList_});
    listDragOut_ = std::make_unique<ListDragOut>(pv_, *lvListView, drag);
    treeDrops_ =
        std::make_unique<TreeDrops>(pv_, *tvTreeView, *lvListView, *folderTree_, *folderEditor_, *listDrops_, drag);
    mailList_->mouseDownDrag = [this] { drag.keys.assign(1, ""); };
    buildSearchField();
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] { focusSearchField(); });
    document_ = std::make_unique<ArchiveDocument>(pv_, static_cast<DocumentView&>(*this));
    connect(lvListView, &ui::ListView::StartDrag, this, [this] {
        listDragOut_->run();
        unsetCursor();
    });
    connect(mnuFileNew, &QAction::triggered, this, [this] { mnuFileNew_Click(); });
    connect(mnuFileOpen, &QAction::triggered, this, [this] { mnuFileOpen_Click(); });
    connect(mnuFileClose, &QAction::triggered, this, [this] { mnuFileClose_Click(); });
    connect(mnuFileSave, &QAction::triggered, this, [this] { mnuFileSave_Click(); });
    connect(mnuFileSaveAs, &QAction::triggered, this, [this] { mnuFileSaveAs_Click(); });
    connect(mnuDelMal, &QAction::triggered, this, [this] {
        mailList_->mnuDelMal();
        if (searching_) {
            showSearchCount();
        } else {
            folderTree_->showMailCount();
        }
    });
    connect(mnuOpution, &QAction::triggered, this, [this] { showOptionsDialog(this); });
    connect(mnuToolCheck, &QAction::triggered, this, [this] { mnuToolCheck_Click(); });
    connect(mnuToolRepair, &QAction::triggered, this, [this] { mnuToolRepair_Click(); });
    connect(mnuToolCompact, &QAction::triggered, this, [this] { mnuToolCompact_Click(); });
    connect(mnuToolImport, &QAction::triggered, this, [this] { mnuToolImport_Click(); });
    // Mailboxes dropped on the list or a folder: imported once the drop has
    // ended, so that the program they came from is not kept waiting.
    listDrops_->mailboxDrop = [this](const std::vector<std::string>& paths, const std::string& dirKey) {
        if (!mailboximport::holdsMailboxes(paths)) {
            return false;
        }
        QTimer::singleShot(0, this, [this, paths, dirKey] { importMailboxes(paths, dirKey, true, ImportFrom::Drop); });
        return true;
    };
    connect(mnuHelpContents, &QAction::triggered, this, [this] { help_.displayToc(pv_.programFolder); });
    connect(mnuHelpAbout, &QAction::triggered, this, [this] { showAboutBox(this); });
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);

    picTitles = new QWidget(client);
    // Folder names, paths and mail headers are shown as they are, never as markup.
    lblTitle0 = new QLabel(picTitles);
    lblTitle0->setTextFormat(Qt::PlainText);
    lblTitle0->setText(QString::fromUtf8(texts::kNoFileOpen));

    tvTreeView = new ui::TreeView(client);
    tvTreeView->setImageList(ui::treeImageList());
    lvListView = new ui::ListView(client);
    lvListView->setHeaderImages(ui::headerImageList());

    previewHeadder = new QLabel(client);
    previewHeadder->setTextFormat(Qt::PlainText);
    previewHeadder->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    previewHeadder->setText(Preview::emptyHeaderText());
    preViewBox = new PreviewBox(client);

    // The grab areas lie above the panes they divide; the grey bars above all.
    imgSplitter = new ui::SplitterGrip(Qt::Vertical, client);
    imgSplitterV = new ui::SplitterGrip(Qt::Horizontal, client);
    for (QWidget** bar : {&picSplitter, &picSplitterV}) {
        *bar = new QWidget(client);
        (*bar)->setAutoFillBackground(true);
        QPalette grey = (*bar)->palette();
        grey.setColor(QPalette::Window, QColor(128, 128, 128));
        (*bar)->setPalette(grey);
        (*bar)->hide();
    }

    sbStatusBar = new ui::StatusBar(client);
    sbStatusBar->setPanelText(1, QString::fromUtf8(texts::kStatusInitial));

    connect(imgSplitter, &ui::SplitterGrip::pressed, this, [this] {
        layout_.verticalDragStart();
        applyLayout();
    });
    connect(imgSplitter, &ui::SplitterGrip::moved, this, [this](const QPoint& offset) {
        layout_.verticalDragMove(ui::pxToTwips(offset.x()));
        applyLayout();
    });
    connect(imgSplitter, &ui::SplitterGrip::released, this, [this] {
        layout_.verticalDragEnd();
        applyLayout();
    });
    connect(imgSplitterV, &ui::SplitterGrip::pressed, this, [this] {
        layout_.horizontalDragStart();
        applyLayout();
    });
    connect(imgSplitterV, &ui::SplitterGrip::moved, this, [this](const QPoint& offset) {
        layout_.horizontalDragMove(ui::pxToTwips(offset.y()));
        applyLayout();
    });
    connect(imgSplitterV, &ui::SplitterGrip::released, this, [this] {
        layout_.horizontalDragEnd();
        applyLayout();
    });
}

void frmMain::navigatePreview(const QString& path) {
    preViewBox->Navigate(path);
}

bool frmMain::Form_Load() {
    drag.reset();
    pv_.curDir = "1_";
    pv_.activMail.clear();
    // Registered formats lie between 0xC000 and 0xFFFF; kept in signed form.
    auto format = [](const char* name) { return static_cast<int16_t>(dnd::RegisterClipboardFormatA(name) - 65536); };
    cfFileGroupDescriptor = format("FileGroupDescriptor");
    cfFileGroupDescriptorW = format("FileGroupDescriptorW");
    cfFileContents = format("FileContents");
    if (!f_enterWorkingFolder(pv_)) {
        return false;
    }
    loadGeometry();
    previewHeadder->setText(Preview::emptyHeaderText());
    mailList_->buildColumns();
    document_->openAtStart();
    return true;
}

bool frmMain::Form_Unload() {
    if (unloaded_) {
        return true;
    }
    mnuFileClose_Click();
    if (archiveOpen()) {
        help_.closeAll();
        return false;  // the user kept the archive open
    }
    unloaded_ = true;
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other != this && other->isVisible()) {
            other->close();
        }
    }
    storeGeometry();
    mailList_->storeLayout();
    s_leaveInstance(pv_);
    help_.closeAll();
    return true;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (Form_Unload()) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace quorvel
