// Opening archives: files in use, files that are no archives, the view
// condition, work left by a crash and folders that cannot be read.
#include "platform/fs/FileCopy.h"
#include "tests/document/DocumentFixture.h"

namespace fs = std::filesystem;
using namespace quorvel;
using platform::MsgAnswer;
using Showing = DocumentView::Showing;

namespace {

using DocumentOpen = test::DocumentTest;

TEST_F(DocumentOpen, AnArchiveInUseIsRefusedAndTheOpenOneStays) {
    const std::string a = archiveFile("a.qvb");
    const std::string ab = archiveFile("a.b.qvb");
    const std::string b = archiveFile("b.qvb");
    ASSERT_TRUE(doc.newFromTemplate().done());

    files.setNextFileName(dir.file("none.qvb"));
    EXPECT_FALSE(doc.openChosen().done());
    EXPECT_EQ(lastMessage(), texts::kMsgNotFound);
    EXPECT_EQ(lastAsked().title, texts::kDialogOpen);
    EXPECT_EQ(lastAsked().filter, texts::kFilter);

    files.setNextFileName(a);
    ASSERT_TRUE(doc.openChosen().done());
    EXPECT_EQ(openedPath(), a);
    EXPECT_EQ(test::readFile(dir.file("a.hvl")), test::readFile(a));
    EXPECT_FALSE(fs::exists(working("新規_1.hvl")));
    EXPECT_EQ(pv.prevPath + "/" + pv.prevName, a);

    // The same archive again, and one sharing its lock name, are in use.
    for (const std::string& path : {a, ab}) {
        EXPECT_FALSE(doc.open(path).done());
        EXPECT_EQ(lastMessage(), path + archive::kMsgInUse);
        EXPECT_EQ(openedPath(), a);
        EXPECT_TRUE(doc.isOpen() && fs::exists(dir.file("a.hvl")));
    }

    // Another connection writing an archive: in use, and no copy is taken of
    // a file changing under it.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(b.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(doc.open(b).done());
    EXPECT_EQ(lastMessage(), b + archive::kMsgInUse);
    EXPECT_FALSE(fs::exists(dir.file("b.hvl")));
    EXPECT_EQ(openedPath(), a);
    EXPECT_EQ(pv.lockName, "a.hvl");
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
    EXPECT_EQ(view.shown.size(), 2u);  // the new archive and a: nothing else was shown
}

TEST_F(DocumentOpen, FilesThatAreNoArchivesAreRefusedWithOneMessage) {
    const std::string text = dir.file("notes.qvb");
    const std::string empty = dir.file("empty.qvb");
    test::writeFile(text, "From: someone\r\n\r\nnot an archive\r\n");
    test::writeFile(empty, "");
    const std::string partial = archiveFile("partial.qvb", "DROP TABLE MailOBJTabl");
    const std::string noFolders = archiveFile("nofolders.qvb", "DELETE FROM mailDirTabl");
    const std::string partialBytes = test::readFile(partial);

    // Named at the start: the start's own message, and nothing open.
    pv.arcPath = dir.path();
    pv.arcName = "notes.qvb";
    EXPECT_FALSE(doc.openAtStart().done());
    EXPECT_EQ(msgs.shown().size(), 1u);
    EXPECT_EQ(lastMessage(), texts::kMsgStartFileBroken);
    EXPECT_FALSE(doc.isOpen() || fs::exists(dir.file("notes.hvl")));

    // Chosen to open: one message each; the open archive stays.
    ASSERT_TRUE(doc.newFromTemplate().done());
    view.busy.clear();

    for (const std::string& path : {text, empty, partial, noFolders}) {
        const size_t before = msgs.shown().size();
        EXPECT_FALSE(doc.open(path).done());
        EXPECT_EQ(msgs.shown().size(), before + 1);
        EXPECT_EQ(lastMessage(), texts::kMsgOpenFileBroken);
        EXPECT_EQ(openedPath(), working("新規_1.qvb"));
        EXPECT_FALSE(fs::exists(fs::path(path).replace_extension(".hvl")));
    }
    EXPECT_EQ(fs::file_size(empty), 0u);  // looked at, never written
    EXPECT_EQ(test::readFile(partial), partialBytes);
    EXPECT_TRUE(doc.isOpen() && fs::exists(working("新規_1.hvl")));
    EXPECT_EQ(view.shown.size(), 1u);
    // The status text stands for the length of each look, and goes after.
    const std::string on = texts::kStatusOpening, off = "(end)";
    EXPECT_EQ(view.busy, (std::vector<std::string>{on, off, on, off, on, off, on, off}));
}

TEST_F(DocumentOpen, TheViewConditionIsKeptBySaveAsAndAbsentMeansTheRoot) {
    const char* sub = "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (12, 'sub', 1)";
    const std::string a = archiveFile("a.qvb", sub);
    const std::string none = archiveFile("none.qvb", sub);
    runSql(none, "DELETE FROM curCondTabl");
    ASSERT_TRUE(doc.open(a).done());
    pv.curDir = "12_";
    pv.activMail = "3";
    const std::string b = dir.file("b.qvb");
    ASSERT_TRUE(doc.saveAs(b).done());
    ASSERT_TRUE(doc.close().done());

    // An archive without a condition opens on its root, not on the folder
    // the archive before was left on.
    ASSERT_TRUE(doc.open(b).done());
    EXPECT_EQ(pv.curDir, "12_");
    EXPECT_TRUE(pv.activMail.empty());
    ASSERT_TRUE(doc.open(none).done());
    EXPECT_EQ(pv.curDir, "1_");
}

TEST_F(DocumentOpen, WorkLeftByACrashIsTakenUpDiscardedOrKept) {
    const std::string a = archiveFile("a.qvb");
    const std::string left = dir.file("a.hvl");
    const std::string saved = test::readFile(a);
    auto leaveWork = [&] {
        fs::copy_file(a, left, fs::copy_options::overwrite_existing);
        runSql(left, "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (7, 'unsaved', 1)");
    };

    // (A copy a live program holds is in use: the lock file's test.)
    // An empty file is the command-line tool's claim, left when it was
    // killed: it holds no work and goes without a question.
    test::writeFile(left, "");
    const size_t shownBefore = msgs.shown().size();
    ASSERT_TRUE(doc.open(a).done());
    EXPECT_EQ(msgs.shown().size(), shownBefore);
    EXPECT_EQ(test::readFile(left), saved);
    ASSERT_TRUE(doc.close().done());

    // Cancel opens nothing and keeps the work.
    leaveWork();
    msgs.setNextAnswer(MsgAnswer::Cancel);
    EXPECT_FALSE(doc.open(a).done());
    EXPECT_EQ(lastMessage(), a + archive::kMsgLeftCopyQuestion);
    EXPECT_TRUE(fs::exists(left) && !doc.isOpen());

    // Yes takes the work up: shown, unsaved, the archive untouched until a
    // save; the copy is this program's now.
    msgs.setNextAnswer(MsgAnswer::Yes);
    ASSERT_TRUE(doc.open(a).done());
    EXPECT_TRUE(view.showsFolder("7_"));
    EXPECT_TRUE(pv.modFlag);
    EXPECT_EQ(test::readFile(a), saved);
    EXPECT_TRUE(platform::isClaimed(left));
    msgs.setNextAnswer(MsgAnswer::No);
    ASSERT_TRUE(doc.close().done());
    EXPECT_FALSE(fs::exists(left));

    // No discards the work, with the journal that belonged to it.
    leaveWork();
    test::writeFile(left + "-journal", "a journal of the left copy");
    msgs.setNextAnswer(MsgAnswer::No);
    ASSERT_TRUE(doc.open(a).done());
    EXPECT_FALSE(view.showsFolder("7_"));
    EXPECT_FALSE(pv.modFlag);
    EXPECT_FALSE(fs::exists(left + "-journal"));
    EXPECT_EQ(test::readFile(left), saved);
}

TEST_F(DocumentOpen, AnArchiveWhoseFoldersCannotBeReadLeavesNoWorkingCopy) {
    // The folder table's page spoilt: the file still looks like an archive.
    const std::string a = archiveFile("a.qvb");
    test::spoilTable(a, "mailDirTabl");
    ASSERT_TRUE(doc.newFromTemplate().done());

    // The archive open before is shown again.
    const size_t before = msgs.shown().size();
    EXPECT_FALSE(doc.open(a).done());
    EXPECT_GT(msgs.shown().size(), before);  // the access layer's box
    EXPECT_FALSE(fs::exists(dir.file("a.hvl")));
    EXPECT_EQ(view.shown.back(), Showing::Restored);
    EXPECT_EQ(openedPath(), working("新規_1.qvb"));
    EXPECT_EQ(pv.lockName, "新規_1.hvl");
    EXPECT_TRUE(doc.isOpen() && pv.newFlag && fs::exists(working("新規_1.hvl")));

    // With none open before, none is open after.
    ASSERT_TRUE(doc.close().done());
    EXPECT_FALSE(doc.open(a).done());
    EXPECT_FALSE(fs::exists(dir.file("a.hvl")));
    EXPECT_FALSE(doc.isOpen());
    EXPECT_EQ(view.noArchiveShown, 2);
}

}  // namespace
