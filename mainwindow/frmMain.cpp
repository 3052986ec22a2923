#include "mainwindow/frmMain.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>

#include "app/WorkingFolder.h"
#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "maillist/preview/PreviewBox.h"
#include "mainwindow/MainTexts.h"
#include "mainwindow/toolkit/Images.h"
#include "mainwindow/toolkit/Twips.h"

namespace quorvel {

frmMain::frmMain(ProgramValues& pv, QWidget* parent) : QMainWindow(parent), pv_(pv) {
    setWindowTitle(QString::fromUtf8(texts::kCaption));
    buildControls();
    buildMenus();
    mailList_ = std::make_unique<MailList>(pv_, *lvListView, *mneEdit2);
    mailList_->showPreview = [this](const std::string& key) { preview_->s_aprPreview(key); };
    mailList_->deleteMails = [this] { mnuDelMal->trigger(); };
    preview_ = std::make_unique<Preview>(pv_, *previewHeadder, *lvListView,
                                         [this](const QString& path) { navigatePreview(path); });
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);

    picTitles = new QWidget(client);
    lblTitle0 = new QLabel(picTitles);
    lblTitle0->setText(QString::fromUtf8(texts::kNoFileOpen));

    tvTreeView = new ui::TreeView(client);
    tvTreeView->setImageList(ui::treeImageList());
    lvListView = new ui::ListView(client);
    lvListView->setHeaderImages(ui::headerImageList());

    previewHeadder = new QLabel(client);
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
    if (!f_enterWorkingFolder(pv_)) {
        return false;
    }
    loadGeometry();
    previewHeadder->setText(Preview::emptyHeaderText());
    mailList_->buildColumns();
    return true;
}

bool frmMain::Form_Unload() {
    if (unloaded_) {
        return true;
    }
    unloaded_ = true;
    storeGeometry();
    mailList_->storeLayout();
    s_leaveInstance(pv_);
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
