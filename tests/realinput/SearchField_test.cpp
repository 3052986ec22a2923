// The search field driven by the real keyboard: Ctrl+F, a word and Enter list
// the mails found, and the rows found are the ones the mouse then drags.
#include <gtest/gtest.h>

#include "tests/realinput/ProgramSession.h"

namespace quorvel::test::realinput {
namespace {

const std::vector<Folder> kFolders{{2, 1, "1 仕事"}, {3, 1, "2 趣味"}, {4, 1, "3 保存"}};
constexpr int kKeepRow = 3;  // "3 保存", ID 4
constexpr int kRoot = 1, kKeep = 4;

using SearchField = ProgramSession;

TEST_F(SearchField, theMailsFoundAreTheRowsTheMouseDrags) {
    const std::string a = writeMail("budget report");
    const std::string b = writeMail("lunch menu");
    const std::string c = writeMail("budget plan");
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {a, b, c}));
    ASSERT_NO_FATAL_FAILURE(startProgram());

    clickAndWait(layout().titleStrip());
    waitForKeyboard();
    input().key("ctrl+f");
    input().type("budget");
    input().key("Return");
    pauseFor(milliseconds(1500));  // the first search makes the index

    // The two rows found, dragged onto a folder: the mail between them in the
    // folder's own list stays where it is.
    clickAndWait(layout().listRow(0));
    input().shiftClick(at(layout().listRow(1)));
    pauseFor(milliseconds(500));
    const Point below = layout().treeBelowRows();
    dragInProgram({layout().listRow(1), {below.x + 30, below.y - 100}, layout().treeRow(kKeepRow)});
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());

    const ArchiveListing listing = listArchive();
    ASSERT_TRUE(listing.error.empty()) << listing.error;
    EXPECT_EQ(listing.foldersOf("budget report"), std::vector<int>{kKeep});
    EXPECT_EQ(listing.foldersOf("budget plan"), std::vector<int>{kKeep});
    EXPECT_EQ(listing.foldersOf("lunch menu"), std::vector<int>{kRoot});
}

}  // namespace
}  // namespace quorvel::test::realinput
