#include "import/MailFileReader.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/TestEnv.h"

namespace quorvel::mailimport {
namespace {

constexpr size_t kChunk = MailFileReader::kBufferSize;
using Result = MailFileReader::LineResult;

class MailFileReaderTest : public ::testing::Test {
protected:
    // Opens a file holding `bytes` in `reader`.
    void open(MailFileReader& reader, const std::string& bytes) {
        std::string path = dir_.file("f" + std::to_string(++count_));
        test::writeFile(path, bytes);
        ASSERT_TRUE(reader.open(path)) << reader.error();
    }
    // Every line, and whether the reader was at its end after each.
    std::vector<std::string> lines(const std::string& bytes) {
        MailFileReader r;
        open(r, bytes);
        std::vector<std::string> out;
        std::string line;
        while (r.readLine(line, 1 << 20) == Result::Line) {
            out.push_back(line + (r.atEnd() ? "|end" : ""));
        }
        return out;
    }
    bool hasLine(const std::string& bytes, const std::string& text) {
        MailFileReader r;
        open(r, bytes);
        return r.findLine(text);
    }

    test::TempDir dir_;
    int count_ = 0;
};

TEST_F(MailFileReaderTest, linesEndAtCrCrlfOrLf) {
    using V = std::vector<std::string>;
    EXPECT_EQ(lines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d|end"}));
    EXPECT_EQ(lines("a\n\rb\r\n"), (V{"a", "", "b|end"}));
    EXPECT_EQ(lines("a\r\r\n"), (V{"a", "|end"}));
    EXPECT_EQ(lines(""), V{});
    // CRLF split by the chunk boundary is still one line end.
    std::string big(kChunk - 1, 'x');
    EXPECT_EQ(lines(big + "\r\nnext"), (V{big, "next|end"}));
    EXPECT_EQ(lines(big + "y" + big + "\r"), (V{big + "y" + big + "|end"}));
}

TEST_F(MailFileReaderTest, aLineLongerThanTheLimitIsRefused) {
    MailFileReader r;
    open(r, std::string(3 * kChunk, 'x') + "\r\nshort\r\n");
    std::string line;
    EXPECT_EQ(r.readLine(line, 2 * kChunk), Result::TooLong);
    EXPECT_LE(line.size(), 2 * kChunk);
}

TEST_F(MailFileReaderTest, findLineNeedsTheWholeLine) {
    const std::string m = "Content-Disposition: attachment;";
    EXPECT_TRUE(hasLine(m, m));
    EXPECT_TRUE(hasLine("x\n" + m + "\r\ny", m));
    EXPECT_FALSE(hasLine("x" + m + "\r\n", m));
    EXPECT_FALSE(hasLine(m + " \r\n", m));
    EXPECT_FALSE(hasLine(m + "x", m));
    EXPECT_FALSE(hasLine("", m));
    // Wherever the chunk boundary falls in or around the line.
    for (size_t at = kChunk - m.size() - 3; at <= kChunk + 2; ++at) {
        std::string before(at - 1, 'a');
        EXPECT_TRUE(hasLine(before + "\n" + m + "\r\nz", m)) << at;
        EXPECT_TRUE(hasLine(before + "\r" + m, m)) << at;
        EXPECT_FALSE(hasLine(before + "b" + m + "\n", m)) << at;
        EXPECT_FALSE(hasLine(before + "\n" + m + "b", m)) << at;
    }
}

TEST_F(MailFileReaderTest, refusesWhatIsNotARegularFile) {
    MailFileReader missing, folder;
    EXPECT_FALSE(missing.open(dir_.file("none")));
    EXPECT_FALSE(missing.error().empty());
    EXPECT_FALSE(folder.open(dir_.path()));
    EXPECT_FALSE(folder.error().empty());
}

}  // namespace
}  // namespace quorvel::mailimport
