// New archives, and the question before changes are lost.
#include "app/RegIO.h"
#include "tests/document/DocumentFixture.h"

namespace fs = std::filesystem;
using namespace quorvel;
using platform::MsgAnswer;
using platform::MsgButtons;
using Showing = DocumentView::Showing;

namespace {

using DocumentNew = test::DocumentTest;

TEST_F(DocumentNew, NewArchivesAreNumberedAndReplaceEachOther) {
    ASSERT_TRUE(doc.newFromTemplate().done());
    EXPECT_EQ(openedPath(), working("新規_1.qvb"));
    EXPECT_TRUE(fs::exists(working("新規_1.hvl")));
    EXPECT_TRUE(doc.isOpen() && pv.newFlag && !pv.modFlag);
    EXPECT_EQ(view.shown.back(), Showing::Opened);

    // Nothing changed: no question; the replaced working copy goes.
    ASSERT_TRUE(doc.newFromTemplate().done());
    EXPECT_EQ(pv.arcName, "新規_2.qvb");
    EXPECT_FALSE(fs::exists(working("新規_1.hvl")));
    EXPECT_EQ(f_regGetVal("", "newFCnt", ""), "2");
    EXPECT_TRUE(settingsFilePath("").starts_with(env.configHome()));  // never the user's settings
    EXPECT_TRUE(msgs.shown().empty());

    // The number goes on from the stored count.
    f_regSetVal("", "newFCnt", "41");
    ASSERT_TRUE(doc.newFromTemplate().done());
    EXPECT_EQ(pv.arcName, "新規_42.qvb");
}

TEST_F(DocumentNew, ReplacingAChangedArchiveAsksToSaveItFirst) {
    ASSERT_TRUE(doc.newFromTemplate().done());
    addFolder(5);

    // Cancel, or a cancelled save dialog, keeps the archive and its change.
    for (bool saveDialogCancelled : {false, true}) {
        msgs.setNextAnswer(saveDialogCancelled ? MsgAnswer::Yes : MsgAnswer::Cancel);
        EXPECT_FALSE(doc.newFromTemplate().done());
        EXPECT_EQ(lastMessage(), texts::kMsgSaveCurrent);
        EXPECT_EQ(lastShown().buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(pv.arcName, "新規_1.qvb");
        EXPECT_TRUE(pv.modFlag && pv.newFlag && doc.isOpen());
    }
    EXPECT_EQ(files.asked().size(), 1u);

    // Yes with a name saves it there, then the new archive replaces it.
    const std::string saved = dir.file("mine.qvb");
    msgs.setNextAnswer(MsgAnswer::Yes);
    files.setNextFileName(saved);
    ASSERT_TRUE(doc.newFromTemplate().done());
    EXPECT_EQ(pv.arcName, "新規_2.qvb");
    EXPECT_EQ(folderRows(saved), 2);
    EXPECT_FALSE(fs::exists(dir.file("mine.hvl")));

    // No leaves the archive as last saved.
    ASSERT_TRUE(doc.open(saved).done());
    addFolder(6);
    msgs.setNextAnswer(MsgAnswer::No);
    ASSERT_TRUE(doc.newFromTemplate().done());
    EXPECT_EQ(folderRows(saved), 2);
    EXPECT_FALSE(fs::exists(dir.file("mine.hvl")));
    EXPECT_FALSE(pv.modFlag);
}

TEST_F(DocumentNew, CloseAsksBeforeLosingChanges) {
    ASSERT_TRUE(doc.newFromTemplate().done());
    addFolder(2);

    // A new archive is saved under a name; a cancelled dialog or Cancel keeps it open.
    for (MsgAnswer answer : {MsgAnswer::Yes, MsgAnswer::Cancel}) {
        msgs.setNextAnswer(answer);
        EXPECT_FALSE(doc.close().done());
        EXPECT_EQ(lastMessage(), std::string("新規_1.qvb") + texts::kMsgChangedSaveAs);
        EXPECT_TRUE(doc.isOpen() && pv.modFlag);
        EXPECT_EQ(view.noArchiveShown, 0);
    }
    ASSERT_EQ(files.asked().size(), 1u);
    EXPECT_EQ(files.asked()[0].request.title, texts::kDialogSaveAs);
    EXPECT_EQ(files.asked()[0].request.fileName, "");  // a new archive has no name yet

    const std::string saved = dir.file("mine.qvb");
    msgs.setNextAnswer(MsgAnswer::Yes);
    files.setNextFileName(saved);
    ASSERT_TRUE(doc.close().done());
    EXPECT_FALSE(doc.isOpen() || pv.modFlag);
    EXPECT_EQ(view.noArchiveShown, 1);
    EXPECT_EQ(folderRows(saved), 2);
    EXPECT_FALSE(fs::exists(dir.file("mine.hvl")));

    // An archive with a name is saved over.
    ASSERT_TRUE(doc.open(saved).done());
    addFolder(3);
    msgs.setNextAnswer(MsgAnswer::Yes);
    ASSERT_TRUE(doc.close().done());
    EXPECT_EQ(lastMessage(), std::string("mine.qvb") + texts::kMsgChangedSave);
    EXPECT_EQ(folderRows(saved), 3);

    // With nothing open, close asks nothing and save writes nothing.
    const size_t shown = msgs.shown().size();
    EXPECT_TRUE(doc.close().done());
    EXPECT_FALSE(doc.save().done());
    EXPECT_EQ(msgs.shown().size(), shown);
}

TEST_F(DocumentNew, AMissingOrBrokenTemplateMakesNothing) {
    ASSERT_TRUE(doc.newFromTemplate().done());
    fs::rename(templatePath(), dir.file("moved.qvb"));
    EXPECT_FALSE(doc.newFromTemplate().done());
    EXPECT_EQ(lastMessage(), texts::kMsgNoTemplate);

    test::writeFile(templatePath(), "not an archive");
    EXPECT_FALSE(doc.newFromTemplate().done());
    EXPECT_EQ(lastMessage(), texts::kMsgTemplateBroken);
    EXPECT_EQ(msgs.shown().size(), 2u);
    EXPECT_EQ(pv.arcName, "新規_1.qvb");
    EXPECT_TRUE(doc.isOpen() && fs::exists(working("新規_1.hvl")));
    EXPECT_EQ(f_regGetVal("", "newFCnt", ""), "1");
}

}  // namespace
