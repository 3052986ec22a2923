#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "app/RegIO.h"
#include "app/StartUp.h"
#include "app/WorkingFolder.h"
#include "platform/dialogs/MessageService.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace quorvel;
using quorvel::platform::ScopedScriptedMessages;
using quorvel::test::IsolatedXdg;
using quorvel::test::makeProgramFolder;
using quorvel::test::TempDir;
using quorvel::test::writeFile;

namespace {

struct Instance {
    ProgramValues pv;
    std::unique_ptr<InstanceLocks> locks = std::make_unique<InstanceLocks>();
};

std::unique_ptr<Instance> startInstance(const std::string& program) {
    auto inst = std::make_unique<Instance>();
    EXPECT_EQ(s_startUp(inst->pv, *inst->locks, program, ""), StartOutcome::ShowWindow);
    EXPECT_TRUE(f_enterWorkingFolder(inst->pv));
    return inst;
}

void exitInstance(std::unique_ptr<Instance>& inst) {
    s_leaveInstance(inst->pv);
    inst.reset();  // the process ends and its locks go with it
}

}  // namespace

TEST(InstanceNumber, workingFolderIsMadeAndRemovedAndCountersFollow) {
    IsolatedXdg env;
    TempDir dir;
    ScopedScriptedMessages msgs;
    const std::string program = makeProgramFolder(dir.path());

    auto one = startInstance(program);
    EXPECT_EQ(one->pv.workPath, program + "/tmp/tmp1");
    EXPECT_EQ(one->pv.tmpPath, one->pv.workPath);
    EXPECT_TRUE(fs::is_directory(one->pv.workPath));
    writeFile(one->pv.workPath + "/新規_1.qvb", "a new archive");

    auto two = startInstance(program);
    EXPECT_EQ(two->pv.runNo, 2);
    f_regSetVal("", "newFCnt", "3");

    exitInstance(two);
    EXPECT_EQ(f_regGetVal("", "runACnt", ""), "1");
    EXPECT_EQ(f_regGetVal("", "newFCnt", ""), "3");
    EXPECT_FALSE(fs::exists(program + "/tmp/tmp2"));

    exitInstance(one);
    EXPECT_EQ(f_regGetVal("", "runACnt", ""), "0");
    EXPECT_EQ(f_regGetVal("", "newFCnt", ""), "0");
    EXPECT_FALSE(fs::exists(program + "/tmp/tmp1"));
    EXPECT_TRUE(msgs.shown().empty());
}

// Instance 1 exits while instance 2 runs: the count says 1, so the next start
// would be number 2 again. A number a live instance holds is passed over
// instead of ending the new instance.
TEST(InstanceNumber, numberHeldByALiveInstanceIsPassedOver) {
    IsolatedXdg env;
    TempDir dir;
    ScopedScriptedMessages msgs;
    const std::string program = makeProgramFolder(dir.path());

    auto one = startInstance(program);
    auto two = startInstance(program);
    exitInstance(one);
    ASSERT_EQ(f_regGetVal("", "runACnt", ""), "1");

    auto three = startInstance(program);
    EXPECT_EQ(three->pv.runNo, 3);
    EXPECT_TRUE(msgs.shown().empty());
    EXPECT_TRUE(fs::is_directory(two->pv.workPath));

    // A stale working folder of a free number (its instance crashed) is
    // cleaned and the number reused.
    writeFile(program + "/tmp/tmp4/left.eml", "from a crash");
    f_regSetVal("", "runACnt", "3");
    auto four = startInstance(program);
    EXPECT_EQ(four->pv.runNo, 4);
    EXPECT_FALSE(fs::exists(program + "/tmp/tmp4/left.eml"));
    EXPECT_TRUE(msgs.shown().empty());
}

TEST(InstanceNumber, workingFolderThatCannotBeCleanedEndsTheInstance) {
    IsolatedXdg env;
    TempDir dir;
    ScopedScriptedMessages msgs;
    const std::string program = makeProgramFolder(dir.path());
    // Another instance runs, so nothing is cleaned at start; the folder of
    // number 1 holds a sub-folder, so it cannot be removed either.
    InstanceLocks other;
    ASSERT_FALSE(other.joinRunning(program + "/tmp"));
    writeFile(program + "/tmp/tmp1/sub/x", "x");

    ProgramValues pv;
    InstanceLocks locks;
    ASSERT_EQ(s_startUp(pv, locks, program, ""), StartOutcome::ShowWindow);
    EXPECT_EQ(pv.runNo, 1);
    EXPECT_FALSE(f_enterWorkingFolder(pv));
    ASSERT_EQ(msgs.shown().size(), 1u);
    EXPECT_EQ(msgs.shown()[0].text, "すべてのQuorvelを閉じて、" + program +
                                        "/tmpの下にあるフォルダやファイルをすべて削除してください。"
                                        "このフォルダ自体は削除しないでください。");
    EXPECT_TRUE(pv.workPath.empty());
}

// The running-instance test works between real processes, and a process that
// ends without cleaning up holds nothing afterwards.
TEST(InstanceNumber, locksAreHeldPerProcessAndDropWithIt) {
    TempDir dir;
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        InstanceLocks locks;
        bool other = locks.joinRunning(dir.path());
        bool claimed = locks.claimSlot(dir.path(), 1) == InstanceLocks::Slot::Claimed;
        char c = (!other && claimed) ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(release[0], &c, 1);
        ::_exit(0);  // no destructor runs: the system must drop the locks
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    {
        InstanceLocks mine;
        EXPECT_TRUE(mine.joinRunning(dir.path()));
        EXPECT_EQ(mine.claimSlot(dir.path(), 1), InstanceLocks::Slot::HeldByOther);
        EXPECT_EQ(mine.claimSlot(dir.path(), 2), InstanceLocks::Slot::Claimed);
    }
    (void)!::write(release[1], "x", 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    InstanceLocks after;
    EXPECT_FALSE(after.joinRunning(dir.path()));
    EXPECT_EQ(after.claimSlot(dir.path(), 1), InstanceLocks::Slot::Claimed);
    EXPECT_EQ(after.claimSlot(dir.path() + "/missing", 1), InstanceLocks::Slot::Unavailable);
}
