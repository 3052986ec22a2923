// Stored mail files go in and come out byte for byte, in chunks.
#include <gtest/gtest.h>

#include "archive/LtDataBaseInfo.h"
#include "platform/dialogs/MessageService.h"
#include "tests/archive/ArchiveTestUtil.h"

using namespace quorvel::archive;
using quorvel::platform::ScopedScriptedMessages;
using quorvel::test::makeArchive;
using quorvel::test::TempDir;
using quorvel::test::writeFile;

namespace {

std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        s[i] = static_cast<char>((i * 131 + i / 251) & 0xff);  // every byte value, NUL included
    }
    return s;
}

struct LongBinary : ::testing::Test {
    TempDir dir;
    ScopedScriptedMessages msgs;
    std::string path = makeArchive(dir);

    void store(int id, const std::function<void(Field&)>& append, bool expectOk = true) {
        LtDataBaseInfo db(path, "MailOBJTabl");
        ASSERT_TRUE(db.DB_Open(sqlSelectAllById("MailOBJTabl"), true));
        ASSERT_TRUE(db.DB_AddNew());
        db.RecSet->Fields("ID").setValue(id);
        append(db.RecSet->Fields("mailFlObj"));
        EXPECT_EQ(db.DB_Update(), expectOk);
    }

    std::string readBack(int id, int64_t chunk) {
        LtDataBaseInfo db(path, "MailOBJTabl");
        EXPECT_TRUE(db.DB_Open(sqlSelectAllById("MailOBJTabl"), false));
        if (!db.DB_FindFirst(condId(id))) {
            return "<not found>";
        }
        Field& f = db.RecSet->Fields("mailFlObj");
        std::string out;
        const int64_t size = f.FieldSize();
        for (int64_t off = 0; off < size; off += chunk) {
            auto piece = f.GetChunk(off, chunk);
            if (!piece) {
                return "<read failed>";
            }
            out += *piece;
        }
        return out;
    }
};

}  // namespace

TEST_F(LongBinary, bytesAndFilesRoundTripInPieces) {
    const std::string small = pattern(1000);
    const std::string large = pattern(3 * 1024 * 1024 + 17);  // several copy pieces and pages
    writeFile(dir.file("mail.eml"), large);

    store(1, [&](Field& f) { ASSERT_TRUE(f.AppendChunk(small)); });
    store(2, [&](Field& f) { ASSERT_TRUE(f.AppendChunkFromFile(dir.file("mail.eml"))); });
    store(3, [&](Field& f) {  // chunks add up, from memory and from files alike
        ASSERT_TRUE(f.AppendChunk("head"));
        ASSERT_TRUE(f.AppendChunkFromFile(dir.file("mail.eml")));
        ASSERT_TRUE(f.AppendChunk(std::string("\0tail", 5)));
    });
    store(4, [&](Field& f) { ASSERT_TRUE(f.AppendChunk("")); });

    EXPECT_EQ(readBack(1, 1024), small);
    EXPECT_EQ(readBack(2, 1 << 16), large);
    EXPECT_EQ(readBack(3, 999), "head" + large + std::string("\0tail", 5));
    EXPECT_EQ(readBack(4, 10), "");

    LtDataBaseInfo db(path, "MailOBJTabl");
    ASSERT_TRUE(db.DB_Open("", false));
    ASSERT_TRUE(db.DB_FindFirst(condId(1)));
    Field& f = db.RecSet->Fields("mailFlObj");
    EXPECT_EQ(f.FieldSize(), 1000);
    EXPECT_EQ(f.Value().toText(), small);
    EXPECT_EQ(f.GetChunk(990, 100), small.substr(990));
    EXPECT_EQ(f.GetChunk(1000, 10), "");
    EXPECT_FALSE(f.GetChunk(-1, 10).has_value());
    // Moving to another row reads that row's value, not the last one read.
    ASSERT_TRUE(db.DB_FindFirst(condId(2)));
    EXPECT_EQ(f.GetChunk(0, 5), large.substr(0, 5));
    EXPECT_TRUE(msgs.shown().empty());
}

TEST_F(LongBinary, editReplacesTheValueAndAFailedStoreLeavesNoRow) {
    store(1, [&](Field& f) { ASSERT_TRUE(f.AppendChunk("first version")); });
    {
        LtDataBaseInfo db(path, "MailOBJTabl");
        ASSERT_TRUE(db.DB_Open("", true));
        ASSERT_TRUE(db.DB_FindFirst(condId(1)));
        ASSERT_TRUE(db.DB_Edit());
        ASSERT_TRUE(db.RecSet->Fields("mailFlObj").AppendChunk("second"));
        ASSERT_TRUE(db.DB_Update());
        EXPECT_EQ(db.RecSet->Fields("mailFlObj").FieldSize(), 6);
    }
    EXPECT_EQ(readBack(1, 4), "second");

    // The mail file vanished before it could be stored: no half row is left.
    store(
        2, [&](Field& f) { ASSERT_TRUE(f.AppendChunkFromFile(dir.file("gone.eml"))); }, false);
    ASSERT_EQ(msgs.shown().size(), 1u);
    EXPECT_NE(msgs.shown()[0].text.find("コメント等：Update"), std::string::npos);
    EXPECT_EQ(readBack(2, 4), "<not found>");
    LtDataBaseInfo db(path, "MailOBJTabl");
    ASSERT_TRUE(db.DB_Open("", false));
    EXPECT_EQ(db.RecSet->RecordCount(), 1);
}
