// The built program under its own X server, driven by the real pointer and
// keyboard: mails dropped from another program and dragged inside the window
// must land in the folder under the pointer, and clicks on the folder tree
// must not rename folders. What the archive holds afterwards is read with
// quorvel-cli and from the archive file.
#include <gtest/gtest.h>

#include "tests/realinput/ProgramSession.h"

namespace quorvel::test::realinput {
namespace {

// The archive's folders under its root (ID 1), in the order the tree shows
// them: the tree sorts a folder's children by name.
const std::vector<Folder> kFolders{{2, 1, "1 仕事"}, {3, 1, "2 趣味"}, {4, 1, "3 保存"}};
constexpr int kRootRow = 0;
constexpr int kWorkRow = 1;   // "1 仕事", ID 2
constexpr int kHobbyRow = 2;  // "2 趣味", ID 3
constexpr int kKeepRow = 3;   // "3 保存", ID 4
constexpr int kRoot = 1, kWork = 2, kHobby = 3, kKeep = 4;
const char* const kRootName = "ルート";

// A mail file and where it belongs.
struct ExpectedMail {
    int folder;
    std::string file;
    std::string subject;
};

class Drops : public ProgramSession {
protected:
    // Each mail is stored once, in its folder, byte for byte as its file.
    void expectStored(const std::vector<ExpectedMail>& mails) {
        const ArchiveListing listing = listArchive();
        ASSERT_TRUE(listing.error.empty()) << listing.error;
        for (const ExpectedMail& m : mails) {
            EXPECT_EQ(listing.foldersOf(m.subject), std::vector<int>{m.folder}) << "the folders of " << m.subject;
            if (const int id = listing.mailId(m.subject); id > 0) {
                EXPECT_EQ(storedMail(id), readFile(m.file)) << m.subject << " is not stored byte for byte";
            }
        }
    }
};

TEST_F(Drops, filesDroppedOnTheListGoToTheCurrentFolder) {
    const std::string a = writeMail("list drop A");
    const std::string b = writeMail("list drop B");
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {}, kHobby));
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_NO_FATAL_FAILURE(startSource(Offer::Uris, {a, b}));

    EXPECT_EQ(dragFromSource({layout().listRow(1)}), "copy") << "the drop was refused";
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());
    expectStored({{kHobby, a, "list drop A"}, {kHobby, b, "list drop B"}});
}

TEST_F(Drops, filesEnteringTheTreeBelowItsRowsGoToTheFolderUnderThePointer) {
    const std::string a = writeMail("tree drop A");
    const std::string b = writeMail("tree drop B");
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {}));
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_NO_FATAL_FAILURE(startSource(Offer::Uris, {a, b}));

    // Across the preview into the empty part of the tree, then up onto the
    // folder.
    const Point below = layout().treeBelowRows();
    EXPECT_EQ(dragFromSource({{kMainWidth + 30, below.y}, layout().preview(), below, layout().treeRow(kHobbyRow)}),
              "copy")
        << "the drop was refused";
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());
    expectStored({{kHobby, a, "tree drop A"}, {kHobby, b, "tree drop B"}});
}

TEST_F(Drops, mailsDraggedFromTheListOntoAFolderMoveThere) {
    const std::string a = writeMail("moved A");
    const std::string b = writeMail("moved B");
    const std::string c = writeMail("moved C");
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {a, b, c}));
    ASSERT_NO_FATAL_FAILURE(startProgram());

    // The second and third row, then a drag down and left into the empty part
    // of the tree and up and left onto the folder.
    clickAndWait(layout().listRow(1));
    input().shiftClick(at(layout().listRow(2)));
    pauseFor(milliseconds(500));
    const Point below = layout().treeBelowRows();
    dragInProgram({layout().listRow(2), {below.x + 30, below.y - 100}, layout().treeRow(kKeepRow)});
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());
    expectStored({{kRoot, a, "moved A"}, {kKeep, b, "moved B"}, {kKeep, c, "moved C"}});
}

TEST_F(Drops, aMessageFromAMailProgramDroppedOnAFolderAfterTheListGoesToThatFolder) {
    const std::string a = writeMail("message drop");
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {}));
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_NO_FATAL_FAILURE(startSource(Offer::Message, {a}));

    // Over the list, into the tree over one folder, up onto another.
    const Point keep = layout().treeRow(kKeepRow);
    EXPECT_EQ(dragFromSource({layout().listRow(1), {layout().listLeft + 20, keep.y}, keep, layout().treeRow(kWorkRow)}),
              "copy")
        << "the drop was refused";
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());
    expectStored({{kWork, a, "message drop"}});
    EXPECT_EQ(dropFolderFiles(), std::vector<std::string>{}) << "the written message is left in the drop folder";
}

TEST_F(Drops, virtualFilesUnderWindowsNamesEnteringBelowTheRowsGoToTheFolderUnderThePointer) {
    const std::string a = writeMail("virtual A");
    const std::string b = writeMail("virtual B");
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {}));
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_NO_FATAL_FAILURE(startSource(Offer::Descriptor, {a, b}));

    // Over the list, down into the empty part of the tree, up onto the folder.
    const Point below = layout().treeBelowRows();
    EXPECT_EQ(dragFromSource({layout().listRow(0), layout().listBelowRows(), below, layout().treeRow(kHobbyRow)}),
              "copy")
        << "the drop was refused";
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());
    expectStored({{kHobby, a, "virtual A"}, {kHobby, b, "virtual B"}});
    EXPECT_EQ(dropFolderFiles(), std::vector<std::string>{}) << "written files are left in the drop folder";
}

// One drag after another in one run: each mail program's drop goes where it
// was dropped, whatever the drag before it left behind.
TEST_F(Drops, successiveDragsFromAMailProgramEachLandWhereDropped) {
    const std::string a = writeMail("first, on a folder");
    const std::string b = writeMail("second, on the list");
    const std::string c = writeMail("third, on another folder");
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {}, kHobby));
    ASSERT_NO_FATAL_FAILURE(startProgram());

    ASSERT_NO_FATAL_FAILURE(startSource(Offer::Message, {a}));
    EXPECT_EQ(dragFromSource({layout().listRow(1), layout().treeRow(kWorkRow)}), "copy") << "the drop was refused";
    ASSERT_NO_FATAL_FAILURE(startSource(Offer::Message, {b}));
    EXPECT_EQ(dragFromSource({layout().treeRow(kKeepRow), layout().listRow(1)}), "copy") << "the drop was refused";
    ASSERT_NO_FATAL_FAILURE(startSource(Offer::Descriptor, {c}));
    EXPECT_EQ(dragFromSource({layout().listRow(1), layout().treeRow(kKeepRow)}), "copy") << "the drop was refused";
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());
    expectStored(
        {{kWork, a, "first, on a folder"}, {kHobby, b, "second, on the list"}, {kKeep, c, "third, on another folder"}});
    EXPECT_EQ(dropFolderFiles(), std::vector<std::string>{}) << "written files are left in the drop folder";
}

// Clicks on the tree and then typing: only a slow second click on the
// selected folder may open its name for editing, never one on the archive's
// own node. Each test also renames a folder the right way, which shows that
// the typing reaches the program.
class Renaming : public ProgramSession {
protected:
    void typeName(const std::string& name) {
        waitForKeyboard();
        input().key("ctrl+a");
        input().type(name);
        input().key("Return");
        pauseFor(milliseconds(500));
    }
    // A slow double click: select, then click the selected folder again, and
    // give the name's editor time to open.
    void renameAt(int row, const std::string& name) {
        clickAndWait(layout().treeRow(row));
        clickAndWait(layout().treeRow(row));
        pauseFor(milliseconds(500));
        typeName(name);
    }
    std::map<int, std::string> folderNames() {
        const ArchiveListing listing = listArchive();
        EXPECT_TRUE(listing.error.empty()) << listing.error;
        std::map<int, std::string> names;
        for (const Folder& f : listing.folders) {
            names[f.id] = f.name;
        }
        return names;
    }
};

TEST_F(Renaming, oneClickOnAnUnselectedFolderRenamesNothing) {
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {}));
    ASSERT_NO_FATAL_FAILURE(startProgram());

    clickAndWait(layout().treeRow(kWorkRow));
    typeName("Wrong");
    renameAt(kHobbyRow, "Renamed");
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());
    const std::map<int, std::string> expected{
        {kRoot, kRootName}, {kWork, "1 仕事"}, {kHobby, "Renamed"}, {kKeep, "3 保存"}};
    EXPECT_EQ(folderNames(), expected);
}

TEST_F(Renaming, clicksOnTheArchiveNodeRenameNothing) {
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {}));
    ASSERT_NO_FATAL_FAILURE(startProgram());

    // The archive's node is selected at the start: this first click is
    // already a click on the selected node.
    clickAndWait(layout().treeRow(kRootRow));
    typeName("Wrong");
    clickAndWait(layout().treeRow(kRootRow));
    typeName("Wrong again");
    renameAt(kKeepRow, "Kept");
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());
    const std::map<int, std::string> expected{
        {kRoot, kRootName}, {kWork, "1 仕事"}, {kHobby, "2 趣味"}, {kKeep, "Kept"}};
    EXPECT_EQ(folderNames(), expected);
}

}  // namespace
}  // namespace quorvel::test::realinput
