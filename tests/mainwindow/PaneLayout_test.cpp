#include "mainwindow/PaneLayout.h"

#include <gtest/gtest.h>

using quorvel::PaneLayout;

namespace {
PaneLayout window(double width, double height, double statusBar = 300) {
    PaneLayout l;
    l.windowWidth = l.clientWidth = width;
    l.windowHeight = height;
    l.clientHeight = height - 700;  // caption, borders and menu bar
    l.statusBarHeight = statusBar;
    return l;
}
}  // namespace

// The panes' lengths follow from the window and the splitters; their fixed
// offsets are the layout's constants.
TEST(PaneLayout, defaultWindowGivesTheDesignedPanes) {
    PaneLayout l = window(12000, 9000);
    l.resized();
    EXPECT_EQ(l.x, 2700);
    EXPECT_EQ(l.y, 4000);
    EXPECT_EQ(l.tree.width, 2700);
    EXPECT_EQ(l.imgSplitter.left, 2700);
    EXPECT_EQ(l.list.left, 2780);
    EXPECT_EQ(l.list.width, 9110);
    EXPECT_EQ(l.lblTitle.width, 2700 + 50 + 9110);
    EXPECT_EQ(l.tree.height, 8300 - (420 + 300));
    EXPECT_EQ(l.imgSplitter.height, l.tree.height);
    EXPECT_EQ(l.list.height, 4000 - 420);
    EXPECT_EQ(l.preViewBox.top + l.preViewBox.height, l.tree.top + l.tree.height);  // level with the tree
    for (const auto* r : {&l.previewHeadder, &l.preViewBox, &l.imgSplitterV}) {
        EXPECT_EQ(r->left, 2780);
        EXPECT_EQ(r->width, 9110);
    }
}

TEST(PaneLayout, splittersStayInsideTheMargins) {
    PaneLayout small = window(3000, 3000);
    small.resized();
    EXPECT_EQ(small.x, 1500);
    EXPECT_EQ(small.y, 1500);

    PaneLayout l = window(12000, 9000);
    l.x = 99999;  // a stored position far outside the window
    l.y = -5;
    l.resized();
    EXPECT_EQ(l.x, 10500);
    EXPECT_EQ(l.y, 1500);

    // Too small for the panes: a length that comes out negative is refused and
    // the control keeps what it had.
    PaneLayout squeezed = window(12000, 9000);
    squeezed.resized();
    const double treeHeight = squeezed.tree.height;
    squeezed.clientHeight = 500;
    squeezed.resized();
    EXPECT_EQ(squeezed.tree.height, treeHeight);
}

TEST(PaneLayout, draggingMovesOnlyTheBarUntilRelease) {
    PaneLayout l = window(12000, 9000);
    l.resized();
    l.verticalDragStart();
    EXPECT_TRUE(l.splitterDragging);
    EXPECT_TRUE(l.picSplitterVisible);
    EXPECT_EQ(l.picSplitter.left, 2700);
    l.verticalDragMove(-5000);
    EXPECT_EQ(l.picSplitter.left, 1500);
    EXPECT_EQ(l.tree.width, 2700);  // the panes wait for the release
    l.verticalDragMove(600);
    EXPECT_EQ(l.picSplitter.left, 3300);
    l.verticalDragMove(-5000);
    l.verticalDragEnd();
    EXPECT_FALSE(l.splitterDragging);
    EXPECT_FALSE(l.picSplitterVisible);
    EXPECT_EQ(l.tree.width, 1500);
    EXPECT_EQ(l.list.left, 1580);

    l.horizontalDragStart();
    l.horizontalDragMove(20000);
    EXPECT_EQ(l.picSplitterV.top, 7500);  // window height - 1500
    l.horizontalDragEnd();
    EXPECT_EQ(l.y, 7500);
    EXPECT_EQ(l.imgSplitterV.top, 7500);

    // A move without a press changes nothing.
    l.verticalDragMove(300);
    EXPECT_FALSE(l.picSplitterVisible);
    EXPECT_EQ(l.tree.width, 1500);
}
