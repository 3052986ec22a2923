#pragma once

// One run of the built program under a private X server, as a person uses
// it: a fresh home and settings, a copy of the program folder, an archive made
// with the project's own tool, a drag source of the tests' own, and the
// pointer and keyboard of the X server. Where things are on the screen
// follows from the window geometry the settings fix before the start.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/realinput/Harness.h"
#include "tests/support/TestEnv.h"

namespace quorvel::test::realinput {

// Sizes at 96 dots per inch (the X server's), where 15 twips make a pixel.
// The window's place, size and splitters are written into the settings in
// twips, as the program stores them.
inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 1024;
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kMainLeft = 100;  // window position and outer size, pixels
inline constexpr int kMainTop = 100;   // (no window manager: no frame)
inline constexpr int kMainWidth = 800;
inline constexpr int kMainHeight = 600;
inline constexpr int kSplitterX = 180;  // the tree's width
inline constexpr int kSplitterY = 300;  // the list's lower edge in the client area

// Measured once under Xvfb with IPA Gothic (the tests' fontconfig makes it
// the only sans-serif font) from `xwd -root` screenshots, reading the pixel
// rows of the panes:
//  - the menu bar is 18 pixels high: the panes' frame line lies 46 pixels
//    below the window's top, 28 of which (420 twips) are the title strip;
//  - the panes' frames are 1 pixel wide;
//  - a tree row is 18 pixels high (the 16-pixel folder image sets it): the
//    root row's highlight spans the first 18 pixel rows inside the frame,
//    the folder images repeat every 18 rows;
//  - the list's header is 17 pixels high, a list row 13 pixels (the glyphs
//    of the first column repeat every 13 pixel rows below the header).
inline constexpr int kMenuBarHeight = 18;
inline constexpr int kTitleStripHeight = 28;  // 420 twips
inline constexpr int kFrame = 1;
inline constexpr int kTreeRowHeight = 18;
inline constexpr int kListHeaderHeight = 17;
inline constexpr int kListRowHeight = 13;

// The program's window as the settings place it, in window coordinates.
struct WindowLayout {
    int panesTop = kMenuBarHeight + kTitleStripHeight;
    int treeLeft = 0;
    int treeRight = kSplitterX;  // the tree's width in pixels
    // The list starts 80 twips right of the tree; its width leaves 190 twips
    // of the window, as the layout arithmetic puts it.
    int listLeft = (kSplitterX * kTwipsPerPixel + 80 + kTwipsPerPixel / 2) / kTwipsPerPixel;
    int listRight = listLeft + (kMainWidth * kTwipsPerPixel - (kSplitterX * kTwipsPerPixel + 190)) / kTwipsPerPixel;
    int listBottom = kMenuBarHeight + kSplitterY;

    // The middle of a tree row (0 is the archive's own node), at the names.
    Point treeRow(int row) const {
        return {treeLeft + 90, panesTop + kFrame + row * kTreeRowHeight + kTreeRowHeight / 2};
    }
    // A point of the tree far below its last row, level with the preview.
    Point treeBelowRows() const { return {treeLeft + 90, listBottom + 150}; }
    // The middle of a list row (0 is the first), in the subject column.
    Point listRow(int row) const {
        return {listLeft + 240, panesTop + kFrame + kListHeaderHeight + row * kListRowHeight + kListRowHeight / 2};
    }
    // A point of the list below its rows.
    Point listBelowRows() const { return {listLeft + 300, listBottom - 40}; }
    // The preview, below the list.
    Point preview() const { return {listLeft + 300, listBottom + 150}; }
    // The title strip above the panes: a click there does nothing but give
    // the window the keyboard.
    Point titleStrip() const { return {kMainWidth / 2, kMenuBarHeight + kTitleStripHeight / 2}; }
};

// Where the drag source's window lies: right of the program's window.
inline constexpr int kSourceLeft = kMainLeft + kMainWidth + 60;
inline constexpr int kSourceTop = 160;
inline constexpr int kSourceWidth = 200;
inline constexpr int kSourceHeight = 150;

// A folder of the archive: its identifier, name and parent's identifier.
struct Folder {
    int id = 0;
    int parent = 0;
    std::string name;
};

// A mail of the archive as `quorvel-cli ls ARCHIVE --folder ID` lists it.
struct ListedMail {
    int id = 0;
    int folder = 0;
    std::string subject;
};

// The whole archive as the tool lists it, read after the program has ended.
struct ArchiveListing {
    std::vector<Folder> folders;
    std::vector<ListedMail> mails;
    std::string error;  // what went wrong while listing, if anything

    // The folders holding a mail with this subject, one entry per mail.
    std::vector<int> foldersOf(const std::string& subject) const;
    int mailId(const std::string& subject) const;
};

// The drag source's offers (see DragSource.cpp).
enum class Offer { Uris, Message, Descriptor };

class ProgramSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The archive: made with the tool, its folders added as rows of the
    // folder table (all under the root, which is ID 1), its mails imported
    // into the root. The archive's saved view opens `currentFolder`.
    void makeArchive(const std::vector<Folder>& folders, const std::vector<std::string>& rootMails,
                     int currentFolder = 1);
    // A small mail file with this subject and a body of some Japanese text;
    // its path.
    std::string writeMail(const std::string& subject);

    // Starts the program on the archive and waits for its window, which must
    // lie where the settings put it.
    void startProgram();
    // Starts the drag source offering these files and waits for its window.
    void startSource(Offer offer, const std::vector<std::string>& files);

    // A screen point of the program's window.
    Point at(Point windowPoint) const { return {origin_.x + windowPoint.x, origin_.y + windowPoint.y}; }
    Point sourceMiddle() const { return {kSourceLeft + kSourceWidth / 2, kSourceTop + kSourceHeight / 2}; }

    // A drag from the drag source along points of the program's window; the
    // button is let go at the last one once the program has answered there. The drag's end
    // as the source reports it: "copy", "move", "link" or "none".
    std::string dragFromSource(const std::vector<Point>& path);
    // A drag inside the program's window along window points: pressed at the
    // first, let go at the last.
    void dragInProgram(const std::vector<Point>& path);

    // A click where a person would click, then a pause so that the next click
    // is no double click.
    void clickAndWait(Point windowPoint);

    // Waits until the program's window has the keyboard (a click in it gives
    // it the keyboard once the program has seen the click).
    void waitForKeyboard();

    // Saves through the File menu (上書き保存), leaves through it (終了) and
    // waits for the program to end, which must end well.
    void saveAndQuit();

    ArchiveListing listArchive() const;
    // The stored bytes of a mail, read from the archive file.
    std::string storedMail(int id) const;
    // Files left in the program folder's drop folder.
    std::vector<std::string> dropFolderFiles() const;

    Input& input() { return *input_; }
    const WindowLayout& layout() const { return layout_; }
    const std::string& archivePath() const { return archive_; }

private:
    std::vector<std::string> sourceLines() const;
    std::string failureScreenPath() const;
    void keepScreenOfFailure();
    std::string screenBeforeSave() const;
    void copyProgramFolder();
    void writeSettings();
    void writeFontConfig();

    std::unique_ptr<TempDir> root_;
    std::unique_ptr<XServer> x_;
    std::unique_ptr<Input> input_;
    Env env_;
    Child program_;
    Child source_;
    std::string window_;  // the program's window, as xdotool names it
    std::string programFolder_;
    std::string archive_;
    Point origin_;
    WindowLayout layout_;
    int mailCount_ = 0;
};

}  // namespace quorvel::test::realinput
