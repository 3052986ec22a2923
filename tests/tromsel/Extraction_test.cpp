// Extraction of a drop's virtual files, with data objects built by the tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "tests/support/TestEnv.h"
#include "tests/tromsel/TestObjects.h"
#include "tromsel/Extraction.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;
using tromsel::extractDroppedFiles;

struct Drop {
    std::vector<std::string> events;
    HRESULT result = S_OK;
    void run(TestDataObject& data, std::string& location) {
        result = extractDroppedFiles(&data, location, [this](const std::string& list) { events.push_back(list); });
    }
};

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Extraction, twoItemsMakeTwoFilesAndTwoGrowingEvents) {
    TempDir dir;
    TestDataObject data;
    data.descriptor = descriptorOf({"Hello.eml", "World.eml"});
    data.contents = {{0, "From: a\r\n\r\nfirst"}, {1, "From: b\r\n\r\nsecond"}};
    std::string location = dir.path();
    Drop drop;
    drop.run(data, location);

    const std::string p0 = dir.path() + "/0Hello.eml", p1 = dir.path() + "/1World.eml";
    EXPECT_EQ(drop.events, (std::vector<std::string>{p0, p0 + "," + p1}));
    EXPECT_EQ(readFile(p0), "From: a\r\n\r\nfirst");
    EXPECT_EQ(readFile(p1), "From: b\r\n\r\nsecond");
    EXPECT_EQ(drop.result, S_FALSE);  // the last stream's answer: its end came in a short read
    EXPECT_EQ(data.fetchedItems, (std::vector<LONG>{0, 1}));
}

TEST(Extraction, noItemsNoDataAndMissingFormats) {
    TempDir dir;
    std::string location = dir.path();
    TestDataObject empty;
    empty.descriptor = descriptorOf({});
    Drop drop;
    drop.run(empty, location);
    EXPECT_EQ(drop.result, S_OK);
    EXPECT_TRUE(drop.events.empty());

    EXPECT_EQ(extractDroppedFiles(nullptr, location, [](const std::string&) { FAIL(); }), S_OK);

    TestDataObject noDescriptor;
    noDescriptor.offerDescriptor = false;
    drop.run(noDescriptor, location);
    EXPECT_EQ(drop.result, DV_E_FORMATETC);
    TestDataObject noContents;
    noContents.descriptor = descriptorOf({"a.eml"});
    noContents.offerContents = false;
    noContents.contents = {{0, "x"}};
    drop.run(noContents, location);
    EXPECT_EQ(drop.result, DV_E_FORMATETC);
    EXPECT_TRUE(drop.events.empty());
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(Extraction, emptyStreamIsListedButLeavesNoFileAndExactBufferMultiples) {
    TempDir dir;
    TestDataObject data;
    data.descriptor = descriptorOf({"empty.eml", "big.eml"});
    const std::string big(2048, 'x');
    data.contents = {{0, ""}, {1, big}};
    std::string location = dir.path();
    Drop drop;
    drop.run(data, location);

    const std::string p0 = dir.path() + "/0empty.eml", p1 = dir.path() + "/1big.eml";
    EXPECT_EQ(drop.events, (std::vector<std::string>{p0, p0 + "," + p1}));
    EXPECT_FALSE(fs::exists(p0));
    EXPECT_EQ(fs::file_size(p1), 2048u);
    EXPECT_EQ(readFile(p1), big);
    EXPECT_EQ(data.readsOfItem[1], 3);  // two full reads, a third that delivers nothing
    EXPECT_EQ(drop.result, S_FALSE);
}

TEST(Extraction, emptyLocationBecomesCurrentFolderAndDuplicateNamesDoNotCollide) {
    TempDir dir;
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    TestDataObject data;
    data.descriptor = descriptorOf({"same.eml", "same.eml"});
    data.contents = {{0, "one"}, {1, "two"}};
    std::string location;
    Drop drop;
    drop.run(data, location);
    fs::current_path(before);

    EXPECT_EQ(location, ".");  // and it stays so for the object
    EXPECT_EQ(drop.events.back(), "./0same.eml,./1same.eml");
    EXPECT_EQ(readFile(dir.file("0same.eml")), "one");
    EXPECT_EQ(readFile(dir.file("1same.eml")), "two");
}

TEST(Extraction, unsafeNamesAreSkippedLikeUnfetchableItems) {
    TempDir dir;
    const std::string inside = dir.path() + "/drop";
    fs::create_directories(inside);
    std::string unterminated(kMaxPath, 'n');
    TestDataObject data;
    data.descriptor = descriptorOf(
        {"ok.eml", "../escape.eml", "/etc/abs.eml", "a/b.eml", "..", "bell\x07.eml", unterminated, "Fwd...eml"});
    for (LONG i = 0; i < 8; ++i) {
        data.contents[i] = "mail " + std::to_string(i);
    }
    std::string location = inside;
    Drop drop;
    drop.run(data, location);

    const std::string first = inside + "/0ok.eml";
    const std::string last = first + "," + inside + "/7Fwd...eml";
    EXPECT_EQ(drop.events, (std::vector<std::string>{first, first, first, first, first, first, first, last}));
    EXPECT_EQ(filesIn(inside), (std::vector<std::string>{"0ok.eml", "7Fwd...eml"}));
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"drop"});  // nothing written beside it
    EXPECT_EQ(data.fetchedItems, (std::vector<LONG>{0, 7}));           // unsafe items are never fetched
    EXPECT_EQ(drop.result, S_FALSE);

    // A trailing unsafe item makes the drop's result the refusal.
    TestDataObject tail;
    tail.descriptor = descriptorOf({"../x.eml"});
    tail.contents = {{0, "x"}};
    drop.run(tail, location);
    EXPECT_EQ(drop.result, hresultFromErrno(EINVAL));
}

TEST(Extraction, namesThatAreNotUtf8AreMendedSoTheListNamesTheFile) {
    TempDir dir;
    TestDataObject data;
    data.descriptor = descriptorOf({"\x83\x81\x81[\x83\x8b.eml"});  // Shift_JIS bytes
    data.contents = {{0, "body"}};
    std::string location = dir.path();
    Drop drop;
    drop.run(data, location);
    ASSERT_EQ(drop.events.size(), 1u);
    EXPECT_EQ(drop.events[0], dir.path() + "/0___[__.eml");
    EXPECT_EQ(readFile(drop.events[0]), "body");
}

TEST(Extraction, countBeyondTheDescriptorMemoryIsRefusedWithoutReading) {
    TempDir dir;
    std::string location = dir.path();
    TestDataObject data;
    data.descriptor = descriptorOf({"a.eml", "b.eml"}, 3);
    data.contents = {{0, "a"}, {1, "b"}, {2, "c"}};
    Drop drop;
    drop.run(data, location);
    EXPECT_EQ(drop.result, tromsel::kInvalidDescriptor);
    EXPECT_TRUE(drop.events.empty());
    EXPECT_TRUE(data.fetchedItems.empty());

    TestDataObject huge;
    huge.descriptor = descriptorOf({}, 0xFFFFFFFFL);
    drop.run(huge, location);
    EXPECT_EQ(drop.result, tromsel::kInvalidDescriptor);

    TestDataObject shortBlock;
    shortBlock.descriptor = "\x01\x00";
    drop.run(shortBlock, location);
    EXPECT_EQ(drop.result, tromsel::kInvalidDescriptor);
    EXPECT_TRUE(drop.events.empty());
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(Extraction, failuresOfFetchCreationReadAndPathLength) {
    TempDir dir;
    TestDataObject data;
    data.descriptor = descriptorOf({"gone.eml", "ok.eml", "broken.eml"});
    data.contentFailures = {{0, DV_E_LINDEX}};
    data.contents = {{1, "fine"}, {2, std::string(3000, 'z')}};
    data.streamFailAt = {{2, 1500}};
    std::string location = dir.path();
    Drop drop;
    drop.run(data, location);
    const std::string p1 = dir.path() + "/1ok.eml", p2 = dir.path() + "/2broken.eml";
    // The unfetchable item is skipped but still raises its event.
    EXPECT_EQ(drop.events, (std::vector<std::string>{"", p1, p1 + "," + p2}));
    EXPECT_EQ(readFile(p1), "fine");
    EXPECT_FALSE(fs::exists(p2));  // a stream that failed half-way leaves no truncated mail
    EXPECT_EQ(drop.result, E_FAIL);

    // A file that cannot be created: its path is listed all the same.
    TestDataObject one;
    one.descriptor = descriptorOf({"x.eml"});
    one.contents = {{0, "x"}};
    std::string missing = dir.path() + "/no/such/folder";
    drop.events.clear();
    drop.run(one, missing);
    EXPECT_EQ(drop.result, hresultFromErrno(ENOENT));
    EXPECT_EQ(drop.events, std::vector<std::string>{missing + "/0x.eml"});

    // A composed path longer than its 260-byte buffer is skipped.
    TestDataObject longName;
    longName.descriptor = descriptorOf({std::string(250, 'L') + ".eml"});
    longName.contents = {{0, "x"}};
    drop.events.clear();
    drop.run(longName, location);
    EXPECT_EQ(drop.result, hresultFromErrno(ENAMETOOLONG));
    EXPECT_EQ(drop.events, std::vector<std::string>{""});
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"1ok.eml"});
}

}  // namespace
}  // namespace quorvel::test
