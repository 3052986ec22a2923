// Extraction of a drop's virtual files, with data objects built by the tests.
#include "tromsel/Extraction.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "tests/support/TestEnv.h"
#include "tests/tromsel/TestObjects.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A drop into the test's folder unless told otherwise: the events raised
// (each the growing list of files) and the answer.
class Extraction : public ::testing::Test {
protected:
    TempDir dir;
    std::string location = dir.path();
    Names events;

    HRESULT drop(TestDataObject& data) {
        return tromsel::extractDroppedFiles(&data, location,
                                            [this](const std::string& list) { events.push_back(list); });
    }
    std::string path(const std::string& name) const { return location + "/" + name; }
};

TEST_F(Extraction, twoItemsMakeTwoFilesAndTwoGrowingEvents) {
    TestDataObject data;
    data.descriptor = descriptorOf({"Hello.eml", "World.eml"});
    data.contents = {{0, "From: a\r\n\r\nfirst"}, {1, "From: b\r\n\r\nsecond"}};
    EXPECT_EQ(drop(data), S_FALSE);  // the last stream's answer: its end came in a short read

    const std::string p0 = path("0Hello.eml"), p1 = path("1World.eml");
    EXPECT_EQ(events, (Names{p0, p0 + "," + p1}));
    EXPECT_EQ(readFile(p0), "From: a\r\n\r\nfirst");
    EXPECT_EQ(readFile(p1), "From: b\r\n\r\nsecond");
    EXPECT_EQ(data.fetchedItems, (std::vector<LONG>{0, 1}));
}

TEST_F(Extraction, noItemsNoDataAndMissingFormats) {
    TestDataObject empty;
    empty.descriptor = descriptorOf({});
    EXPECT_EQ(drop(empty), S_OK);
    EXPECT_EQ(tromsel::extractDroppedFiles(nullptr, location, [](const std::string&) { FAIL(); }), S_OK);

    TestDataObject noDescriptor;
    noDescriptor.offerDescriptor = false;
    EXPECT_EQ(drop(noDescriptor), DV_E_FORMATETC);
    TestDataObject noContents;
    noContents.descriptor = descriptorOf({"a.eml"});
    noContents.offerContents = false;
    noContents.contents = {{0, "x"}};
    EXPECT_EQ(drop(noContents), DV_E_FORMATETC);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST_F(Extraction, emptyStreamIsListedButLeavesNoFileAndExactBufferMultiples) {
    TestDataObject data;
    data.descriptor = descriptorOf({"empty.eml", "big.eml"});
    const std::string big(2048, 'x');
    data.contents = {{0, ""}, {1, big}};
    EXPECT_EQ(drop(data), S_FALSE);

    const std::string p0 = path("0empty.eml"), p1 = path("1big.eml");
    EXPECT_EQ(events, (Names{p0, p0 + "," + p1}));
    EXPECT_FALSE(fs::exists(p0));
    EXPECT_EQ(readFile(p1), big);
    EXPECT_EQ(data.readsOfItem[1], 3);  // two full reads, a third that delivers nothing
}

TEST_F(Extraction, emptyLocationBecomesCurrentFolderAndDuplicateNamesDoNotCollide) {
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    TestDataObject data;
    data.descriptor = descriptorOf({"same.eml", "same.eml"});
    data.contents = {{0, "one"}, {1, "two"}};
    location.clear();
    drop(data);
    fs::current_path(before);

    EXPECT_EQ(location, ".");  // and it stays so for the object
    EXPECT_EQ(events.back(), "./0same.eml,./1same.eml");
    EXPECT_EQ(readFile(dir.file("0same.eml")), "one");
    EXPECT_EQ(readFile(dir.file("1same.eml")), "two");
}

TEST_F(Extraction, unsafeNamesAreSkippedLikeUnfetchableItems) {
    location = dir.path() + "/drop";
    fs::create_directories(location);
    std::string unterminated(kMaxPath, 'n');
    TestDataObject data;
    data.descriptor = descriptorOf(
        {"ok.eml", "../escape.eml", "/etc/abs.eml", "a/b.eml", "..", "bell\x07.eml", unterminated, "Fwd...eml"});
    for (LONG i = 0; i < 8; ++i) {
        data.contents[i] = "mail " + std::to_string(i);
    }
    EXPECT_EQ(drop(data), S_FALSE);

    const std::string first = path("0ok.eml"), last = first + "," + path("7Fwd...eml");
    EXPECT_EQ(events, (Names{first, first, first, first, first, first, first, last}));
    EXPECT_EQ(folderEntries(location), (Names{"0ok.eml", "7Fwd...eml"}));
    EXPECT_EQ(folderEntries(dir.path()), Names{"drop"});      // nothing written beside it
    EXPECT_EQ(data.fetchedItems, (std::vector<LONG>{0, 7}));  // unsafe items are never fetched

    // A trailing unsafe item makes the drop's result the refusal.
    TestDataObject tail;
    tail.descriptor = descriptorOf({"../x.eml"});
    tail.contents = {{0, "x"}};
    EXPECT_EQ(drop(tail), hresultFromErrno(EINVAL));
}

TEST_F(Extraction, namesThatAreNotUtf8AreMendedSoTheListNamesTheFile) {
    TestDataObject data;
    data.descriptor = descriptorOf({"\x83\x81\x81[\x83\x8b.eml"});  // Shift_JIS bytes
    data.contents = {{0, "body"}};
    drop(data);
    ASSERT_EQ(events, Names{path("0___[__.eml")});
    EXPECT_EQ(readFile(events[0]), "body");
}

TEST_F(Extraction, countBeyondTheDescriptorMemoryIsRefusedWithoutReading) {
    TestDataObject data;
    data.descriptor = descriptorOf({"a.eml", "b.eml"}, 3);
    data.contents = {{0, "a"}, {1, "b"}, {2, "c"}};
    EXPECT_EQ(drop(data), tromsel::kInvalidDescriptor);
    EXPECT_TRUE(data.fetchedItems.empty());

    TestDataObject huge;
    huge.descriptor = descriptorOf({}, 0xFFFFFFFFL);
    EXPECT_EQ(drop(huge), tromsel::kInvalidDescriptor);
    TestDataObject shortBlock;
    shortBlock.descriptor = "\x01\x00";
    EXPECT_EQ(drop(shortBlock), tromsel::kInvalidDescriptor);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST_F(Extraction, failuresOfFetchCreationReadAndPathLength) {
    TestDataObject data;
    data.descriptor = descriptorOf({"gone.eml", "ok.eml", "broken.eml"});
    data.contentFailures = {{0, DV_E_LINDEX}};
    data.contents = {{1, "fine"}, {2, std::string(3000, 'z')}};
    data.streamFailAt = {{2, 1500}};
    EXPECT_EQ(drop(data), E_FAIL);
    const std::string p1 = path("1ok.eml"), p2 = path("2broken.eml");
    // The unfetchable item is skipped but still raises its event.
    EXPECT_EQ(events, (Names{"", p1, p1 + "," + p2}));
    EXPECT_EQ(readFile(p1), "fine");
    EXPECT_FALSE(fs::exists(p2));  // a stream that failed half-way leaves no truncated mail

    // A file that cannot be created: its path is listed all the same.
    TestDataObject one;
    one.descriptor = descriptorOf({"x.eml"});
    one.contents = {{0, "x"}};
    location = dir.path() + "/no/such/folder";
    events.clear();
    EXPECT_EQ(drop(one), hresultFromErrno(ENOENT));
    EXPECT_EQ(events, Names{path("0x.eml")});

    // A composed path longer than its 260-byte buffer is skipped.
    TestDataObject longName;
    longName.descriptor = descriptorOf({std::string(250, 'L') + ".eml"});
    longName.contents = {{0, "x"}};
    location = dir.path();
    events.clear();
    EXPECT_EQ(drop(longName), hresultFromErrno(ENAMETOOLONG));
    EXPECT_EQ(events, Names{""});
    EXPECT_EQ(folderEntries(dir.path()), Names{"1ok.eml"});
}

}  // namespace
}  // namespace quorvel::test
