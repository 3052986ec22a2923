#pragma once

// The arithmetic of the main window's panes and splitters, in twips and with
// no widgets, so that every number can be checked directly.
namespace quorvel {

struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

class PaneLayout {
public:
    // Sizes the layout takes from the controls' design.
    static constexpr double kTitlesHeight = 420;
    static constexpr double kTitleLeft = 0, kTitleTop = 15, kTitleHeight = 390;
    static constexpr double kSplitterWidth = 150;
    static constexpr double kSplitterVHeight = 135;
    static constexpr double kHeaderHeight = 495;
    // The constants of the arithmetic.
    static constexpr double kMargin = 1500;      // splitters stay this far inside the window
    static constexpr double kMinWindow = 3000;   // smallest window width and height
    static constexpr double kListGap = 80;       // between the tree's width and the list's left edge
    static constexpr double kAllowance = 190;    // subtracted from the window width for the right panes
    static constexpr double kTitleExtra = 50;    // added to the title label's width
    static constexpr double kHeaderOffset = 60;  // the preview header below the horizontal splitter
    static constexpr double kBarInset = 20;      // drag bars

    PaneLayout();

    // The window's outer size, its client size and the status bar's height.
    double windowWidth = 12000;
    double windowHeight = 9000;
    double clientWidth = 12000;
    double clientHeight = 9000;
    double statusBarHeight = 0;

    // Splitter positions: x is the vertical splitter's left edge, y the
    // horizontal splitter's top edge, in the client area.
    float x = 2700;
    float y = 4000;

    TwipsRect picTitles, lblTitle, tree, imgSplitter, picSplitter, list, imgSplitterV, picSplitterV, previewHeadder,
        preViewBox, statusBar;
    bool picSplitterVisible = false;
    bool picSplitterVVisible = false;
    bool splitterDragging = false;

    // Lays out the columns for x and the rows for y; both are clamped in place.
    void SizeControls(float& x);
    void SizeControlsV(float& y);
    // A resize of the window: both layouts with the current positions.
    void resized();

    // Dragging the vertical splitter; the offset is the mouse's from the grab area.
    void verticalDragStart();
    void verticalDragMove(double offsetX);
    void verticalDragEnd();
    void horizontalDragStart();
    void horizontalDragMove(double offsetY);
    void horizontalDragEnd();

private:
    float clampX(double p) const;
    float clampY(double p) const;
};

}  // namespace quorvel
