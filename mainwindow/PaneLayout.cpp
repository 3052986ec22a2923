#include "mainwindow/PaneLayout.h"

#include <cmath>
#include <initializer_list>

namespace quorvel {

namespace {
// Each assignment stands alone: a length that comes out negative (a window
// squeezed very small) is refused and the control keeps its previous value.
void setLength(double& target, double value) {
    if (value >= 0) {
        target = value;
    }
}
}  // namespace

PaneLayout::PaneLayout() {
    picTitles.height = kTitlesHeight;
    lblTitle = {kTitleLeft, kTitleTop, 0, kTitleHeight};
    imgSplitter.width = kSplitterWidth;
    imgSplitterV.height = kSplitterVHeight;
    previewHeadder.height = kHeaderHeight;
}

float PaneLayout::clampX(double p) const {
    if (p < kMargin) {
        return static_cast<float>(kMargin);
    }
    if (p > windowWidth - kMargin) {
        return static_cast<float>(windowWidth - kMargin);
    }
    return static_cast<float>(p);
}

float PaneLayout::clampY(double p) const {
    if (p < kMargin) {
        return static_cast<float>(kMargin);
    }
    if (p > windowHeight - kMargin) {
        return static_cast<float>(windowHeight - kMargin);
    }
    return static_cast<float>(p);
}

void PaneLayout::SizeControls(float& xPos) {
    xPos = clampX(xPos);
    setLength(tree.width, xPos);
    imgSplitter.left = xPos;
    list.left = xPos + kListGap;
    setLength(list.width, windowWidth - (tree.width + kAllowance));
    for (TwipsRect* r : {&previewHeadder, &preViewBox, &imgSplitterV, &picSplitterV}) {
        r->left = list.left;
        setLength(r->width, list.width);
    }
    setLength(lblTitle.width, tree.width + kTitleExtra + list.width);
    // The title strip and the status bar span the client area.
    picTitles.left = 0;
    picTitles.top = 0;
    setLength(picTitles.width, clientWidth);
    statusBar = {0, clientHeight - statusBarHeight, clientWidth, statusBarHeight};
}

void PaneLayout::SizeControlsV(float& yPos) {
    tree.top = picTitles.height;
    list.top = tree.top;
    setLength(tree.height, clientHeight - (picTitles.top + picTitles.height + statusBarHeight));
    imgSplitter.top = tree.top;
    setLength(imgSplitter.height, tree.height);
    yPos = clampY(yPos);
    imgSplitterV.top = yPos;
    setLength(list.height, yPos - list.top);
    previewHeadder.top = yPos + kHeaderOffset;
    preViewBox.top = yPos + previewHeadder.height;
    setLength(preViewBox.height, tree.top + tree.height - preViewBox.top);
    statusBar = {0, clientHeight - statusBarHeight, clientWidth, statusBarHeight};
}

void PaneLayout::resized() {
    SizeControls(x);
    SizeControlsV(y);
}

void PaneLayout::verticalDragStart() {
    // Half the grab area's width: rounded to a whole number, then halved
    // with the remainder dropped.
    const long whole = std::lround(imgSplitter.width);
    picSplitter = {x, imgSplitter.top, static_cast<double>(whole / 2), imgSplitter.height - kBarInset};
    picSplitterVisible = true;
    splitterDragging = true;
}

void PaneLayout::verticalDragMove(double offsetX) {
    if (splitterDragging) {
        picSplitter.left = clampX(x + offsetX);
    }
}

void PaneLayout::verticalDragEnd() {
    if (!picSplitterVisible) {
        return;
    }
    x = static_cast<float>(picSplitter.left);
    SizeControls(x);
    picSplitterVisible = false;
    splitterDragging = false;
}

void PaneLayout::horizontalDragStart() {
    picSplitterV = {imgSplitterV.left, y + kBarInset, imgSplitterV.width, imgSplitterV.height / 2};
    picSplitterVVisible = true;
    splitterDragging = true;
}

void PaneLayout::horizontalDragMove(double offsetY) {
    if (splitterDragging) {
        picSplitterV.top = clampY(y + offsetY);
    }
}

void PaneLayout::horizontalDragEnd() {
    if (!picSplitterVVisible) {
        return;
    }
    y = static_cast<float>(picSplitterV.top);
    SizeControlsV(y);
    picSplitterVVisible = false;
    splitterDragging = false;
}

}  // namespace quorvel
