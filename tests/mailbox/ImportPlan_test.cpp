#include "mailbox/ImportPlan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "tests/mailbox/MailboxFixtures.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailbox {
namespace {

using quorvel::test::writeFile;
using test::describe;
using V = std::vector<std::string>;
using R = Skipped::Reason;

const std::string kMbox = "From a@example.jp Sat Jan  3 01:05:34 1996\nSubject: x\n\nbody\n";

class ImportPlanTest : public ::testing::Test {
protected:
    std::string at(const std::string& relative) const { return dir_.file(relative); }
    ImportPlan plan(const std::string& relative) {
        ImportPlan made = planImport(at(relative));
        test::expectParentsFirst(made);
        uint64_t sum = 0;
        for (const SourceItem& item : made.items) {
            sum += item.bytes;
        }
        EXPECT_EQ(made.totalBytes, sum);
        return made;
    }
    V relative(const std::vector<std::string>& paths) const {
        V out;
        for (const std::string& path : paths) {
            out.push_back(path.substr(dir_.path().size() + 1));
        }
        return out;
    }
    std::vector<std::pair<std::string, R>> reasons(const ImportPlan& made) const {
        std::vector<std::pair<std::string, R>> out;
        for (const Skipped& skipped : made.skipped) {
            out.emplace_back(skipped.path.substr(dir_.path().size() + 1), skipped.reason);
        }
        return out;
    }

    quorvel::test::TempDir dir_;
};

TEST_F(ImportPlanTest, aMailProgramTreeThreeLevelsDeep) {
    for (const char* mbox : {"Local/A", "Local/A.sbd/B", "Local/A.sbd/B.sbd/C", "Local/Orphan.sbd/D"}) {
        writeFile(at(mbox), kMbox);
        writeFile(at(std::string(mbox) + ".msf"), "// summary");
    }
    writeFile(at("Local/Trash"), "");  // emptied
    writeFile(at("Local/Trash.msf"), "// summary");
    writeFile(at("Local/Unsent"), "");  // empty, among a mail program's folders
    for (const char* state : {"Local/rules.dat", "Local/cache.json", "Local/filterlog.html", "Local/global.sqlite"}) {
        writeFile(at(state), "state");
    }

    const ImportPlan whole = plan("Local");
    EXPECT_EQ(describe(whole, dir_.path()), (V{
                                                "Folder Local <- Local",
                                                "Mbox Local/A <- Local/A",
                                                "Mbox Local/A/B <- Local/A.sbd/B",
                                                "Mbox Local/A/B/C <- Local/A.sbd/B.sbd/C",
                                                "Folder Local/Orphan <- Local/Orphan.sbd",
                                                "Mbox Local/Orphan/D <- Local/Orphan.sbd/D",
                                                "Mbox Local/Trash <- Local/Trash",
                                                "Mbox Local/Unsent <- Local/Unsent",
                                            }));
    EXPECT_EQ(whole.totalBytes, 4 * kMbox.size());
    EXPECT_TRUE(whole.notMail.empty());
    EXPECT_EQ(reasons(whole), (std::vector<std::pair<std::string, R>>{
                                  {"Local/A.msf", R::IndexFile},
                                  {"Local/A.sbd/B.msf", R::IndexFile},
                                  {"Local/A.sbd/B.sbd/C.msf", R::IndexFile},
                                  {"Local/Orphan.sbd/D.msf", R::IndexFile},
                                  {"Local/Trash.msf", R::IndexFile},
                                  {"Local/cache.json", R::IndexFile},
                                  {"Local/filterlog.html", R::IndexFile},
                                  {"Local/global.sqlite", R::IndexFile},
                                  {"Local/rules.dat", R::IndexFile},
                              }));

    // One mailbox of the tree, with the folders below it.
    EXPECT_EQ(describe(plan("Local/A"), dir_.path()), (V{
                                                          "Mbox A <- Local/A",
                                                          "Mbox A/B <- Local/A.sbd/B",
                                                          "Mbox A/B/C <- Local/A.sbd/B.sbd/C",
                                                      }));
    EXPECT_EQ(describe(plan("Local/Orphan.sbd"), dir_.path()), (V{
                                                                   "Folder Orphan <- Local/Orphan.sbd",
                                                                   "Mbox Orphan/D <- Local/Orphan.sbd/D",
                                                               }));
    EXPECT_EQ(describe(plan("Local/Trash"), dir_.path()), V{"Mbox Trash <- Local/Trash"});
}

TEST_F(ImportPlanTest, aFolderMixingMailboxesMaildirsAndMailFiles) {
    writeFile(at("Mixed/Archive"), kMbox);
    writeFile(at("Mixed/a.eml"), "Subject: a\n\n");
    writeFile(at("Mixed/B.EML"), "Subject: b\n\n");
    writeFile(at("Mixed/notes.txt"), "not a mail");
    writeFile(at("Mixed/empty.txt"), "");
    writeFile(at("Mixed/old.mbox"), "");
    writeFile(at("Mixed/.hidden.eml"), "Subject: h\n\n");
    writeFile(at("Mixed/Sub/c.eml"), "Subject: c\n\n");
    test::makeMaildir(at("Mixed/Maildir"));
    writeFile(at("Mixed/Maildir/cur/1.a:2,S"), "Subject: m\n\n");
    writeFile(at("Mixed/Maildir/server-uidlist"), "3 V1 N2");
    for (const char* sub : {".Work", ".Work.Projects", ".Lone.Child"}) {
        test::makeMaildir(at(std::string("Mixed/Maildir/") + sub));
    }
    writeFile(at("Mixed/Maildir/.Work.Projects/new/2.b"), "Subject: p\n\n");
    test::makeFolder(at("Mixed/Maildir/.NotAMaildir"));

    const ImportPlan made = plan("Mixed");
    EXPECT_EQ(describe(made, dir_.path()), (V{
                                               "Folder Mixed <- Mixed",
                                               "Mbox Mixed/Archive <- Mixed/Archive",
                                               "MailFile Mixed <- Mixed/B.EML",
                                               "Maildir Mixed/Maildir <- Mixed/Maildir",
                                               "Folder Mixed/Maildir/Lone",
                                               "Maildir Mixed/Maildir/Lone/Child <- Mixed/Maildir/.Lone.Child",
                                               "Maildir Mixed/Maildir/Work <- Mixed/Maildir/.Work",
                                               "Maildir Mixed/Maildir/Work/Projects <- Mixed/Maildir/.Work.Projects",
                                               "Folder Mixed/Sub <- Mixed/Sub",
                                               "MailFile Mixed/Sub <- Mixed/Sub/c.eml",
                                               "MailFile Mixed <- Mixed/a.eml",
                                               "Mbox Mixed/old.mbox <- Mixed/old.mbox",
                                           }));
    EXPECT_EQ(relative(made.notMail), (V{"Mixed/empty.txt", "Mixed/notes.txt"}));
    EXPECT_EQ(reasons(made), (std::vector<std::pair<std::string, R>>{
                                 {"Mixed/.hidden.eml", R::Hidden},
                                 {"Mixed/Maildir/.NotAMaildir", R::MaildirState},
                                 {"Mixed/Maildir/server-uidlist", R::MaildirState},
                             }));
    // The Maildir items count the bytes of their mails.
    EXPECT_EQ(made.items[3].bytes, 12u);
    EXPECT_EQ(made.items[7].bytes, 12u);
    // A second planning sees the same.
    ImportPlan again = planImport(at("Mixed"));
    EXPECT_EQ(again.items, made.items);
}

TEST_F(ImportPlanTest, linksInsideTheTreeAreSkippedNeverFollowed) {
    writeFile(at("Outside/secret.eml"), "Subject: outside\n\n");
    writeFile(at("Outside/box"), kMbox);
    writeFile(at("Linked/real.eml"), "Subject: in\n\n");
    test::makeLink(at("Outside/secret.eml"), at("Linked/link.eml"));
    test::makeLink(at("Outside/box"), at("Linked/box"));
    test::makeLink(at("Outside"), at("Linked/folder"));
    test::makeLink("../..", at("Linked/loop"));
    test::makeMaildir(at("Linked/md"));
    test::makeLink(at("Outside/secret.eml"), at("Linked/md/cur/3.x:2,"));

    const ImportPlan made = plan("Linked");
    EXPECT_EQ(describe(made, dir_.path()), (V{
                                               "Folder Linked <- Linked",
                                               "Maildir Linked/md <- Linked/md",
                                               "MailFile Linked <- Linked/real.eml",
                                           }));
    EXPECT_EQ(made.items[1].bytes, 0u);
    EXPECT_EQ(reasons(made), (std::vector<std::pair<std::string, R>>{
                                 {"Linked/box", R::Link},
                                 {"Linked/folder", R::Link},
                                 {"Linked/link.eml", R::Link},
                                 {"Linked/loop", R::Link},
                                 {"Linked/md/cur/3.x:2,", R::Link},
                             }));

    // The path the user chose is followed, and names the folder.
    test::makeLink(at("Linked"), at("Chosen"));
    EXPECT_EQ(describe(plan("Chosen"), dir_.path()), (V{
                                                         "Folder Chosen <- Linked",
                                                         "Maildir Chosen/md <- Linked/md",
                                                         "MailFile Chosen <- Linked/real.eml",
                                                     }));
}

TEST_F(ImportPlanTest, aPathThatIsOneFile) {
    writeFile(at("one.eml"), "Subject: one\n\n");
    writeFile(at("notes.txt"), "text");
    writeFile(at("Trash"), "");
    writeFile(at("Trash.msf"), "");
    writeFile(at("empty"), "");
    writeFile(at("Inbox"), "not an mbox\n");
    writeFile(at("Inbox.sbd/Sub"), kMbox);

    EXPECT_EQ(describe(plan("one.eml"), dir_.path()), V{"MailFile  <- one.eml"});
    EXPECT_EQ(plan("one.eml").totalBytes, 14u);
    EXPECT_EQ(plan("notes.txt").notMail, V{at("notes.txt")});
    EXPECT_TRUE(plan("notes.txt").items.empty());
    EXPECT_EQ(describe(plan("Trash"), dir_.path()), V{"Mbox Trash <- Trash"});
    EXPECT_EQ(plan("empty").notMail, V{at("empty")});
    // A file that is no mbox still has its subfolders read.
    const ImportPlan inbox = plan("Inbox");
    EXPECT_EQ(inbox.notMail, V{at("Inbox")});
    EXPECT_EQ(describe(inbox, dir_.path()), (V{"Folder Inbox <- Inbox.sbd", "Mbox Inbox/Sub <- Inbox.sbd/Sub"}));

    const ImportPlan missing = plan("missing");
    EXPECT_TRUE(missing.items.empty());
    ASSERT_EQ(missing.skipped.size(), 1u);
    EXPECT_EQ(missing.skipped[0].reason, R::Unreadable);
    ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
    EXPECT_EQ(reasons(plan("fifo")), (std::vector<std::pair<std::string, R>>{{"fifo", R::NotRegular}}));
}

// A chain of folders deeper than a path can name, made and removed through
// descriptors since no path reaches its bottom.
class DeepChain {
public:
    DeepChain(const std::string& top, const std::string& name, int levels) : top_(top), name_(name), levels_(levels) {
        ::mkdir(top.c_str(), 0700);
        int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < levels && fd >= 0; ++i) {
            ::mkdirat(fd, name.c_str(), 0700);
            int below = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = below;
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
    ~DeepChain() {
        std::vector<int> fds{::open(top_.c_str(), O_RDONLY | O_DIRECTORY)};
        while (static_cast<int>(fds.size()) < levels_ + 1 && fds.back() >= 0) {
            fds.push_back(::openat(fds.back(), name_.c_str(), O_RDONLY | O_DIRECTORY));
        }
        for (size_t i = fds.size() - 1; i > 0; --i) {
            ::close(fds[i]);
            ::unlinkat(fds[i - 1], name_.c_str(), AT_REMOVEDIR);
        }
        ::close(fds[0]);
    }

private:
    std::string top_, name_;
    int levels_;
};

TEST_F(ImportPlanTest, aTreeDeeperThanAPathCanNameIsWalkedToWhereItCanAndReported) {
    const std::string name(100, 'd');
    const int levels = PATH_MAX / 100 + 2;
    DeepChain chain(at("Deep"), name, levels);
    const ImportPlan made = plan("Deep");
    ASSERT_EQ(made.skipped.size(), 1u);
    EXPECT_EQ(made.skipped[0].reason, R::Unreadable);
    EXPECT_GE(made.skipped[0].path.size(), static_cast<size_t>(PATH_MAX));
    // Every folder a path can still name is planned, one below the other.
    ASSERT_GT(made.items.size(), static_cast<size_t>(levels / 2));
    EXPECT_EQ(made.items.back().folderPath.size(), made.items.size());
    EXPECT_EQ(made.items.back().path, made.skipped[0].path);
}

}  // namespace
}  // namespace quorvel::mailbox
