// The working copy that claims an open archive, as this and other processes
// meet it.
#include "archive/LockFile.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "app/ProgramValues.h"
#include "archive/db/Database.h"
#include "platform/dialogs/MessageService.h"
#include "platform/fs/FileCopy.h"
#include "tests/archive/ArchiveTestUtil.h"

namespace fs = std::filesystem;
using namespace quorvel::archive;
using quorvel::platform::isClaimed;
using quorvel::platform::MsgAnswer;
using quorvel::platform::MsgButtons;
using quorvel::platform::ScopedScriptedMessages;
using quorvel::test::makeArchive;
using quorvel::test::readFile;
using quorvel::test::rowsOf;
using quorvel::test::TempDir;

namespace {

struct LockFileTest : ::testing::Test {
    TempDir dir;
    ScopedScriptedMessages msgs;
    std::string archive = makeArchive(dir, "a.b.qvb");
    std::string working = dir.file("a.hvl");  // the name body is everything before the first dot

    quorvel::ProgramValues opening() const {
        quorvel::ProgramValues pv;
        pv.arcPath = dir.path();
        pv.arcName = "a.b.qvb";
        pv.useLockF = "1";
        pv.defs = makeTableDefs();
        return pv;
    }
    std::string lastMessage() const { return msgs.shown().empty() ? "<none>" : msgs.shown().back().text; }
};

}  // namespace

TEST_F(LockFileTest, theWorkingCopyIsClaimedWhileOpenAndFreeOnceDeleted) {
    auto pv = opening();
    ASSERT_TRUE(f_makeLockFl(pv));
    EXPECT_EQ(pv.lockName, "a.hvl");
    EXPECT_EQ(readFile(working), readFile(archive));
    EXPECT_TRUE(isClaimed(working));
    EXPECT_TRUE(isScratchFile(working));
    EXPECT_TRUE(msgs.shown().empty());

    auto again = opening();
    EXPECT_FALSE(f_makeLockFl(again));
    EXPECT_EQ(lastMessage(), archive + kMsgInUse);

    EXPECT_TRUE(s_DelLockFl(working));
    EXPECT_FALSE(fs::exists(working));
    EXPECT_FALSE(isClaimed(working));
    EXPECT_FALSE(isScratchFile(working));
    EXPECT_TRUE(s_DelLockFl(working));  // gone already
}

// The claim is the holder's for as long as it lives: another process finds
// the archive in use, and once that process is killed its copy is work left
// behind, taken up only on the user's word.
TEST_F(LockFileTest, aCopyHeldByAnotherProcessIsInUseAndOutlivesItAsLeftWork) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        auto pv = opening();
        const char made = f_makeLockFl(pv) ? 'y' : 'n';
        (void)!::write(ready[1], &made, 1);
        ::pause();
        ::_exit(0);
    }
    char made = 0;
    ASSERT_EQ(::read(ready[0], &made, 1), 1);
    ASSERT_EQ(made, 'y');
    auto pv = opening();
    bool recovered = true;
    EXPECT_FALSE(f_makeLockFl(pv, &recovered));
    EXPECT_FALSE(recovered);
    EXPECT_EQ(lastMessage(), archive + kMsgInUse);  // no question while it lives
    ::kill(holder, SIGKILL);
    ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);

    {
        DbError e;
        auto left = Database::openExclusive(working, e);
        ASSERT_TRUE(left && left->execute("INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (7, 'work', 1)", e));
    }
    EXPECT_FALSE(f_makeLockFl(pv));  // no one to ask: in use
    msgs.setNextAnswer(MsgAnswer::Cancel);
    EXPECT_FALSE(f_makeLockFl(pv, &recovered));
    EXPECT_EQ(msgs.shown().back().buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(lastMessage(), archive + kMsgLeftCopyQuestion);
    msgs.setNextAnswer(MsgAnswer::Yes);
    ASSERT_TRUE(f_makeLockFl(pv, &recovered));
    EXPECT_TRUE(recovered);
    EXPECT_TRUE(isClaimed(working));
    EXPECT_EQ(rowsOf(working, "SELECT dname FROM mailDirTabl WHERE ID = 7"), std::vector<std::string>{"work"});
    EXPECT_TRUE(s_DelLockFl(working));
}
