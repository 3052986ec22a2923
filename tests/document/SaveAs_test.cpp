// 上書き保存 and 名前を付けて保存: the target, its questions and refusals, and
// working in place without lock files.
#include "tests/document/DocumentFixture.h"

namespace fs = std::filesystem;
using namespace quorvel;
using platform::MsgAnswer;
using platform::MsgButtons;
using Showing = DocumentView::Showing;

namespace {

using DocumentSave = test::DocumentTest;

TEST_F(DocumentSave, SaveAsWritesAndRetargets) {
    ASSERT_TRUE(doc.newFromTemplate().done());
    addFolder(12);

    // 上書き保存 of a new archive asks for a name; cancelling changes nothing.
    EXPECT_FALSE(doc.save().done());
    EXPECT_TRUE(pv.newFlag && pv.modFlag);

    const std::string b = dir.file("b.qvb");
    files.setNextFileName(b);
    ASSERT_TRUE(doc.saveAsChosen().done());
    EXPECT_FALSE(pv.newFlag || pv.modFlag);
    EXPECT_EQ(openedPath(), b);
    EXPECT_EQ(pv.prevPath + "/" + pv.prevName, b);
    EXPECT_EQ(view.shown.back(), Showing::Renamed);
    EXPECT_EQ(folderRows(b), 2);
    EXPECT_EQ(folderRows(dir.file("b.hvl")), 2);
    EXPECT_FALSE(fs::exists(working("新規_1.hvl")));

    // The dialog starts on the archive's own name; saved onto it, it is
    // 上書き保存: no question.
    addFolder(13);
    files.setNextFileName(b);
    ASSERT_TRUE(doc.saveAsChosen().done());
    EXPECT_EQ(lastAsked().fileName, b);
    EXPECT_EQ(folderRows(b), 3);
    EXPECT_TRUE(msgs.shown().empty());

    // A name typed without an extension gets the archive's.
    ASSERT_TRUE(doc.saveAs(dir.file("typed")).done());
    EXPECT_EQ(openedPath(), dir.file("typed.qvb"));
    EXPECT_EQ(folderRows(dir.file("typed.qvb")), 3);
    EXPECT_FALSE(fs::exists(dir.file("typed")));
    EXPECT_FALSE(fs::exists(dir.file("b.hvl")));
}

TEST_F(DocumentSave, ASavedTargetWithoutAWorkingCopyLeavesNothingOpen) {
    ASSERT_TRUE(doc.newFromTemplate().done());
    addFolder(2);
    // Its working copy's name is taken by a folder: the copy cannot be made
    // after the archive was written.
    fs::create_directory(dir.file("d.hvl"));
    EXPECT_FALSE(doc.saveAs(dir.file("d.qvb")).done());
    EXPECT_EQ(folderRows(dir.file("d.qvb")), 2);  // saved whole all the same
    EXPECT_FALSE(doc.isOpen());
    EXPECT_EQ(view.noArchiveShown, 1);
    EXPECT_TRUE(doc.close().done());  // nothing left to ask about
}

TEST_F(DocumentSave, AnExistingTargetIsReplacedOnlyWhenFreeWritableAndConfirmed) {
    ASSERT_TRUE(doc.newFromTemplate().done());
    addFolder(2);
    const std::string c = archiveFile("c.qvb");
    const std::string replace = texts::kMsgReplacePrefix + c + texts::kMsgReplaceSuffix;

    msgs.setNextAnswer(MsgAnswer::No);
    EXPECT_FALSE(doc.saveAs(c).done());
    EXPECT_EQ(lastMessage(), replace);
    EXPECT_EQ(lastShown().buttons, MsgButtons::YesNo);
    EXPECT_EQ(folderRows(c), 1);

    // Another instance has it open: refused before anything is written.
    test::writeFile(dir.file("c.hvl"), "held by another instance");
    EXPECT_FALSE(doc.saveAs(c).done());
    EXPECT_EQ(lastMessage(), c + archive::kMsgInUse);
    EXPECT_EQ(folderRows(c), 1);
    fs::remove(dir.file("c.hvl"));

    // A read-only file is never replaced.
    fs::permissions(c, fs::perms::owner_read);
    EXPECT_FALSE(doc.saveAs(c).done());
    EXPECT_EQ(lastMessage(), c + texts::kMsgReadOnlyReplaceSuffix);
    EXPECT_EQ(folderRows(c), 1);
    fs::permissions(c, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(pv.newFlag && pv.modFlag);
    EXPECT_EQ(openedPath(), working("新規_1.qvb"));

    msgs.setNextAnswer(MsgAnswer::Yes);
    ASSERT_TRUE(doc.saveAs(c).done());
    EXPECT_EQ(folderRows(c), 2);
    EXPECT_EQ(openedPath(), c);
}

TEST_F(DocumentSave, AReadOnlyArchiveIsWorkedOnButNeverSavedOver) {
    const std::string a = archiveFile("a.qvb");
    fs::permissions(a, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string saved = test::readFile(a);
    ASSERT_TRUE(doc.open(a).done());
    addFolder(3);
    EXPECT_FALSE(doc.save().done());
    EXPECT_EQ(lastMessage(), a + texts::kMsgReadOnlySuffix);
    EXPECT_EQ(test::readFile(a), saved);
    EXPECT_TRUE(pv.modFlag);

    files.setNextFileName(dir.file("copy.qvb"));
    ASSERT_TRUE(doc.saveAsChosen().done());
    EXPECT_EQ(lastAsked().fileName, a);
    EXPECT_EQ(folderRows(dir.file("copy.qvb")), 2);
    EXPECT_EQ(test::readFile(a), saved);
}

TEST_F(DocumentSave, WithoutLockFilesTheArchiveItselfIsWorkedOn) {
    pv.useLockF = "0";
    const std::string a = archiveFile("a.qvb");
    ASSERT_TRUE(doc.open(a).done());
    EXPECT_EQ(pv.lockName, "a.qvb");
    EXPECT_FALSE(fs::exists(dir.file("a.hvl")));
    addFolder(4);
    EXPECT_EQ(folderRows(a), 2);  // the change is in the archive at once
    EXPECT_TRUE(doc.save().done());
    EXPECT_EQ(std::ranges::count(view.busy, texts::kStatusSaving), 0);  // nothing to copy
    msgs.setNextAnswer(MsgAnswer::No);
    ASSERT_TRUE(doc.close().done());
    EXPECT_EQ(folderRows(a), 2);  // closing deleted nothing: there is no copy
}

}  // namespace
