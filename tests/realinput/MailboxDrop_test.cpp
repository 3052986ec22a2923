// An mbox dragged from a file manager onto a folder of the tree, with the
// real pointer: its folder, and that of the subfolder its mail program keeps
// beside it, are made below the folder, each mail stored byte for byte, as
// quorvel-cli then lists them.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "tests/realinput/ProgramSession.h"

namespace quorvel::test::realinput {
namespace {

const std::vector<Folder> kFolders{{2, 1, "1 仕事"}, {3, 1, "2 趣味"}};
constexpr int kHobbyRow = 2;  // "2 趣味", ID 3
constexpr int kHobby = 3;

// The mails of one mbox, each after its separator line and before a blank line.
std::string mboxOf(const std::vector<std::string>& mailFiles) {
    std::string out;
    for (const std::string& file : mailFiles) {
        out += "From sender@example.org Tue Jan  2 10:00:00 2024\n" + readFile(file) + "\n";
    }
    return out;
}

using MailboxDrops = ProgramSession;

TEST_F(MailboxDrops, anMboxDroppedOnAFolderIsMirroredBelowIt) {
    const std::string a = writeMail("mbox drop A");
    const std::string b = writeMail("mbox drop B");
    const std::string c = writeMail("mbox drop C, in the subfolder");
    const std::string folder = a.substr(0, a.rfind('/'));
    writeFile(folder + "/Inbox", mboxOf({a, b}));
    writeFile(folder + "/Inbox.sbd/Sub", mboxOf({c}));
    ASSERT_NO_FATAL_FAILURE(makeArchive(kFolders, {}));
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_NO_FATAL_FAILURE(startSource(Offer::Uris, {folder + "/Inbox"}));

    EXPECT_EQ(dragFromSource({layout().treeRow(kHobbyRow)}), "copy") << "the drop was refused";
    pauseFor(milliseconds(1500));  // the import runs once the drop has ended
    ASSERT_NO_FATAL_FAILURE(saveAndQuit());

    const ArchiveListing listing = listArchive();
    ASSERT_TRUE(listing.error.empty()) << listing.error;
    const auto named = [&](const std::string& name) {
        const auto f = std::find_if(listing.folders.begin(), listing.folders.end(),
                                    [&](const Folder& folder) { return folder.name == name; });
        return f == listing.folders.end() ? Folder{} : *f;
    };
    const Folder inbox = named("Inbox"), sub = named("Sub");
    EXPECT_EQ(inbox.parent, kHobby);
    EXPECT_GT(inbox.id, 3);
    EXPECT_EQ(sub.parent, inbox.id);
    for (const auto& [file, subject, where] :
         std::vector<std::tuple<std::string, std::string, int>>{{a, "mbox drop A", inbox.id},
                                                                {b, "mbox drop B", inbox.id},
                                                                {c, "mbox drop C, in the subfolder", sub.id}}) {
        EXPECT_EQ(listing.foldersOf(subject), std::vector<int>{where}) << subject;
        if (const int id = listing.mailId(subject); id > 0) {
            EXPECT_EQ(storedMail(id), readFile(file)) << subject << " is not stored byte for byte";
        }
    }
}

}  // namespace
}  // namespace quorvel::test::realinput
