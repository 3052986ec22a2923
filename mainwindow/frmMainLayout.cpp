// Placing the panes from the layout arithmetic, the window's geometry and its
// storage in the settings.
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QWindowStateChangeEvent>

#include "app/RegIO.h"
#include "maillist/preview/PreviewBox.h"
#include "mainwindow/frmMain.h"
#include "toolkit/Twips.h"

namespace quorvel {

namespace {

void place(QWidget* widget, const TwipsRect& r) {
    widget->setGeometry(ui::twipsToPx(r.left), ui::twipsToPx(r.top), ui::twipsToPx(r.width), ui::twipsToPx(r.height));
}

// A stored number, or the default where the value is missing or is no number.
double storedNumber(const char* name, double fallback) {
    auto value = plainNumber(f_regGetVal("", name, numberText(fallback)));
    return value && std::abs(*value) < 1e7 ? *value : fallback;
}

}  // namespace

void frmMain::SizeControls(float x) {
    layout_.SizeControls(x);
    layout_.x = x;
    applyLayout();
}

void frmMain::SizeControlsV(float y) {
    layout_.SizeControlsV(y);
    layout_.y = y;
    applyLayout();
}

void frmMain::relayout() {
    const QRect frame = frameGeometry();
    layout_.windowWidth = ui::pxToTwips(frame.width());
    layout_.windowHeight = ui::pxToTwips(frame.height());
    layout_.clientWidth = ui::pxToTwips(centralWidget()->width());
    layout_.clientHeight = ui::pxToTwips(centralWidget()->height());
    layout_.statusBarHeight = ui::pxToTwips(sbStatusBar->sizeHint().height());
    layout_.resized();
    applyLayout();
}

void frmMain::applyLayout() {
    place(picTitles, layout_.picTitles);
    place(lblTitle0, layout_.lblTitle);
    placeSearchField();
    place(tvTreeView, layout_.tree);
    place(imgSplitter, layout_.imgSplitter);
    place(lvListView, layout_.list);
    place(imgSplitterV, layout_.imgSplitterV);
    place(previewHeadder, layout_.previewHeadder);
    place(preViewBox, layout_.preViewBox);
    place(sbStatusBar, layout_.statusBar);
    place(picSplitter, layout_.picSplitter);
    place(picSplitterV, layout_.picSplitterV);
    picSplitter->setVisible(layout_.picSplitterVisible);
    picSplitterV->setVisible(layout_.picSplitterVVisible);
    picSplitter->raise();
    picSplitterV->raise();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isMinimized()) {
        return;
    }
    relayout();
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        relayout();
    }
}

void frmMain::loadGeometry() {
    layout_.x = static_cast<float>(storedNumber("splitterHleft", 2700));
    layout_.y = static_cast<float>(storedNumber("splitterVTop", 4000));
    double left = storedNumber("MainLeft", 1000);
    double top = storedNumber("MainTop", 1000);
    double width = std::max(storedNumber("MainWidth", 12000), PaneLayout::kMinWindow);
    double height = std::max(storedNumber("MainHeight", 9000), PaneLayout::kMinWindow);

    // A window stored where no screen is any more comes back at the default place.
    const QRect wanted(ui::twipsToPx(left), ui::twipsToPx(top), ui::twipsToPx(width), ui::twipsToPx(height));
    bool visible = false;
    for (QScreen* screen : QGuiApplication::screens()) {
        visible = visible || screen->availableGeometry().intersects(wanted.adjusted(0, 0, -wanted.width() / 2, -20));
    }
    if (!visible && !QGuiApplication::screens().isEmpty()) {
        left = top = 1000;
    }
    outerSize_ = QSize(ui::twipsToPx(width), ui::twipsToPx(height));
    move(ui::twipsToPx(left), ui::twipsToPx(top));
    fitOuterSize();
}

// The stored sizes and the smallest size are outer sizes, frame included; the
// frame is the platform's and known only once the window is shown, so the
// size is fitted again then.
void frmMain::fitOuterSize() {
    QSize frameExtra = frameGeometry().size() - size();
    if (!isVisible() || frameExtra.width() < 0 || frameExtra.height() < 0) {
        frameExtra = QSize(0, 0);  // not known before the window is shown
    }
    const int minPx = ui::twipsToPx(PaneLayout::kMinWindow);
    setMinimumSize(minPx - frameExtra.width(), minPx - frameExtra.height());
    if (outerSize_.isValid()) {
        resize(outerSize_ - frameExtra);
    }
    relayout();
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (outerSize_.isValid()) {
        fitOuterSize();
        outerSize_ = QSize();  // from now on the user sizes the window
    }
}

void frmMain::storeGeometry() {
    if (isMinimized()) {
        return;  // the earlier values stay
    }
    const QRect frame = frameGeometry();
    f_regSetVal("", "MainLeft", ui::pxToTwips(frame.x()));
    f_regSetVal("", "MainTop", ui::pxToTwips(frame.y()));
    f_regSetVal("", "MainWidth", ui::pxToTwips(frame.width()));
    f_regSetVal("", "MainHeight", ui::pxToTwips(frame.height()));
    f_regSetVal("", "splitterHleft", static_cast<double>(layout_.x));
    f_regSetVal("", "splitterVTop", static_cast<double>(layout_.y));
}

}  // namespace quorvel
