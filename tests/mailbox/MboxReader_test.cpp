#include "mailbox/MboxReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/mailbox/MailboxFixtures.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailbox {
namespace {

using V = std::vector<std::string>;
using test::mailsOf;
using test::readMbox;

const std::string kSep1 = "From a@example.jp Sat Jan  3 01:05:34 1996";
const std::string kSep2 = "From MAILER-DAEMON Fri Jul  8 12:08:34 2011";
const std::string kSep3 = "From - Tue Mar  3 10:00:00 2020";

class MboxReaderTest : public ::testing::Test {
protected:
    std::string write(const std::string& bytes) {
        std::string path = dir_.file("mbox" + std::to_string(++count_));
        quorvel::test::writeFile(path, bytes);
        return path;
    }
    V split(const std::string& bytes, Quoting quoting = Quoting::Mboxrd, size_t bufferSize = 0) {
        MboxReader::Options options;
        options.quoting = quoting;
        if (bufferSize) {
            options.bufferSize = bufferSize;
        }
        return mailsOf(write(bytes), options);
    }

    quorvel::test::TempDir dir_;
    int count_ = 0;
};

TEST_F(MboxReaderTest, mailsAreTheBytesBetweenSeparatorsWithoutTheBlankLineBefore) {
    const std::string m1 = "Subject: one\n\nbody 1\n";
    const std::string m2 = "Subject: two\n\nbody 2\nlast line\n";
    const std::string m3 = "Subject: three\n\n\n\nbody 3 ends with blank lines\n\n";
    const std::string file = kSep1 + "\n" + m1 + "\n" + kSep2 + "\n" + m2 + "\n" + kSep3 + "\n" + m3 + "\n";
    const auto mails = readMbox(write(file));
    ASSERT_EQ(mails.size(), 3u);
    EXPECT_EQ(mails[0].bytes, m1);
    EXPECT_EQ(mails[1].bytes, m2);
    // Only the one blank line the writer added goes; the mail's own stay.
    EXPECT_EQ(mails[2].bytes, m3);

    const uint64_t second = kSep1.size() + 1 + m1.size() + 1;
    const uint64_t third = second + kSep2.size() + 1 + m2.size() + 1;
    EXPECT_EQ(mails[0].info.offset, 0u);
    EXPECT_EQ(mails[1].info.offset, second);
    EXPECT_EQ(mails[2].info.offset, third);
    EXPECT_EQ(mails[0].info.length, second);
    EXPECT_EQ(mails[2].info.length, file.size() - third);
    EXPECT_EQ(mails[0].info.envelope, kSep1);
    EXPECT_EQ(mails[1].info.envelope, kSep2);
    EXPECT_EQ(mails[2].info.envelope, kSep3);
    for (size_t i = 0; i < mails.size(); ++i) {
        EXPECT_EQ(mails[i].info.ordinal, i);
        EXPECT_TRUE(mails[i].info.separated);
        EXPECT_FALSE(mails[i].info.truncated);
    }
}

TEST_F(MboxReaderTest, theLastMailLosesOneTrailingBlankLineOrNone) {
    EXPECT_EQ(split(kSep1 + "\nA: b\n\nbody\n"), V{"A: b\n\nbody\n"});
    EXPECT_EQ(split(kSep1 + "\nA: b\n\nbody\n\n"), V{"A: b\n\nbody\n"});
    EXPECT_EQ(split(kSep1 + "\nA: b\n\nbody\n\n\n"), V{"A: b\n\nbody\n\n"});
    EXPECT_EQ(split(kSep1 + "\r\nA: b\r\n\r\nbody\r\n\r\n"), V{"A: b\r\n\r\nbody\r\n"});
}

TEST_F(MboxReaderTest, emptyMailsBetweenSeparatorsAreHandedOut) {
    EXPECT_EQ(split(kSep1 + "\n\n" + kSep2 + "\n\n" + kSep3 + "\n"), (V{"", "", ""}));
    EXPECT_EQ(split(kSep1 + "\n"), V{""});
}

TEST_F(MboxReaderTest, quotedFromLinesLoseOneQuoteInTheNewerForm) {
    const std::string body =
        ">From one\n"
        ">>From two\n"
        ">>>From three\n"
        "> From not quoted: a blank after the quote\n"
        "x>From not at the start of the line\n"
        ">From\n"
        ">>from lower case\n";
    const std::string file = kSep1 + "\n" + body + "\n" + kSep2 + "\n\n>From after an empty line\n";
    EXPECT_EQ(split(file, Quoting::Mboxrd), (V{"From one\n"
                                               ">From two\n"
                                               ">>From three\n"
                                               "> From not quoted: a blank after the quote\n"
                                               "x>From not at the start of the line\n"
                                               ">From\n"
                                               ">>from lower case\n",
                                               "\nFrom after an empty line\n"}));
    EXPECT_EQ(split(file, Quoting::Mboxo), (V{"From one\n"
                                              ">>From two\n"
                                              ">>>From three\n"
                                              "> From not quoted: a blank after the quote\n"
                                              "x>From not at the start of the line\n"
                                              ">From\n"
                                              ">>from lower case\n",
                                              "\nFrom after an empty line\n"}));
}

TEST_F(MboxReaderTest, anUnquotedFromLineSplitsOnlyAfterAnEmptyLine) {
    // Older files left body lines "From " unquoted. Not after an empty line
    // such a line is body text; after one it cannot be told from a separator
    // and splits the mail: the known ambiguity of those files.
    EXPECT_EQ(split(kSep1 + "\nA: b\n\nline\nFrom here on, body text\n"), V{"A: b\n\nline\nFrom here on, body text\n"});
    EXPECT_EQ(split(kSep1 + "\nA: b\n\nline\n\nFrom here on, body text\n"), (V{"A: b\n\nline\n", ""}));
    // The line right after a separator is never one.
    EXPECT_EQ(split(kSep1 + "\n" + kSep2 + "\n"), V{kSep2 + "\n"});
    // Only "From " with its blank counts.
    EXPECT_EQ(split(kSep1 + "\nA: b\n\nFrom\n\nFrom:x\n\nFromage\n"), V{"A: b\n\nFrom\n\nFrom:x\n\nFromage\n"});
}

TEST_F(MboxReaderTest, crlfAndMixedLineEndsAreKeptAsTheyAre) {
    const std::string crlf = "Subject: crlf\r\n\r\nbody\r\n";
    const std::string lf = "Subject: lf\n\nbody\n";
    const std::string mixed = "Subject: mixed\r\nX: y\n\r\nbody\rstill the same line\n";
    EXPECT_EQ(split(kSep1 + "\r\n" + crlf + "\r\n" + kSep2 + "\r\n" + crlf + "\r\n"), (V{crlf, crlf}));
    EXPECT_EQ(split(kSep1 + "\r\n" + crlf + "\n" + kSep2 + "\n" + lf + "\r\n" + kSep3 + "\r\n" + mixed),
              (V{crlf, lf, mixed}));
    // A blank line of CRLF also comes before a separator inside a mail; a
    // bare CR is not a line end.
    EXPECT_EQ(split(kSep1 + "\n" + "a\r\n\r\nFrom x Sat Jan  3 01:05:34 1996\nb\n"), (V{"a\r\n", "b\n"}));
    EXPECT_EQ(split(kSep1 + "\n" + "a\n\rFrom x\n"), V{"a\n\rFrom x\n"});
    EXPECT_EQ(split(kSep1 + "\n" + "a\r\rFrom x\n"), V{"a\r\rFrom x\n"});
    const auto mails = readMbox(write(kSep1 + "\r\n" + crlf));
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].info.envelope, kSep1);
}

TEST_F(MboxReaderTest, emptyFilesAndFilesWithoutSeparatorLoseNothing) {
    EXPECT_EQ(split(""), V{});
    EXPECT_EQ(split("\n\n"), V{});
    EXPECT_EQ(split("\r\n\n\n" + kSep1 + "\nA: 1\n"), V{"A: 1\n"});
    // Bytes before a first separator come out as a mail of their own.
    const auto mails = readMbox(write("Subject: no separator\n\nbody\n\n" + kSep1 + "\nA: b\n"));
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].bytes, "Subject: no separator\n\nbody\n");
    EXPECT_FALSE(mails[0].info.separated);
    EXPECT_EQ(mails[0].info.offset, 0u);
    EXPECT_EQ(mails[1].bytes, "A: b\n");
    EXPECT_TRUE(mails[1].info.separated);
    EXPECT_EQ(mails[1].info.ordinal, 1u);
    EXPECT_EQ(split("just text, no line end"), V{"just text, no line end"});
}

TEST_F(MboxReaderTest, aFileCutInsideTheLastMailHandsOutWhatIsThere) {
    const auto cut = readMbox(write(kSep1 + "\nA: 1\n\n" + kSep2 + "\nSubject: cut\n\nhalf a li"));
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_FALSE(cut[0].info.truncated);
    EXPECT_EQ(cut[1].bytes, "Subject: cut\n\nhalf a li");
    EXPECT_TRUE(cut[1].info.truncated);

    const auto inSeparator = readMbox(write(kSep1 + "\nA: 1\n\nFrom x@example.jp Sat Ja"));
    ASSERT_EQ(inSeparator.size(), 2u);
    EXPECT_EQ(inSeparator[1].bytes, "");
    EXPECT_EQ(inSeparator[1].info.envelope, "From x@example.jp Sat Ja");
    EXPECT_TRUE(inSeparator[1].info.truncated);

    const auto afterCr = readMbox(write(kSep1 + "\nA: 1\r"));
    ASSERT_EQ(afterCr.size(), 1u);
    EXPECT_EQ(afterCr[0].bytes, "A: 1\r");
    EXPECT_TRUE(afterCr[0].info.truncated);
}

// The same file through buffers of every small size: each separator, quote
// and line end falls across a refill somewhere.
TEST_F(MboxReaderTest, everyBufferSizeSplitsTheSame) {
    const std::string big(5000, 'b');
    const std::string manyQuotes(100, '>');
    const std::string longSeparator = "From " + std::string(2000, 's') + " Sat Jan  3 01:05:34 1996";
    const std::string file = kSep1 + "\n" +                                                         //
                             "A: 1\n\n" + big + "\n>From q\nFrom mid-line\nx From y\n" +            //
                             "\n" + kSep2 + "\r\n" +                                                //
                             "A: 2\r\n\r\n" + manyQuotes + "From deep\r\n" + manyQuotes + "\r\n" +  //
                             "\r\n" + longSeparator + "\n" +                                        //
                             "\n" + kSep3 + "\n" +                                                  //
                             "A: 4\n\n>>From\n>From end";
    const V expected = {
        "A: 1\n\n" + big + "\nFrom q\nFrom mid-line\nx From y\n",
        "A: 2\r\n\r\n" + std::string(99, '>') + "From deep\r\n" + manyQuotes + "\r\n",
        "",
        "A: 4\n\n>>From\nFrom end",
    };
    for (size_t size = MboxReader::kMinBufferSize; size <= 96; ++size) {
        EXPECT_EQ(split(file, Quoting::Mboxrd, size), expected) << "buffer of " << size;
    }
    EXPECT_EQ(split(file), expected);
    const auto mails = readMbox(write(file), {Quoting::Mboxrd, 16, MboxReader::kDefaultMaxMailBytes});
    ASSERT_EQ(mails.size(), 4u);
    EXPECT_EQ(mails[2].info.envelope, longSeparator.substr(0, MboxReader::kMaxEnvelope));
    EXPECT_TRUE(mails[3].info.truncated);
}

TEST_F(MboxReaderTest, aMailPastTheLimitIsLeftOutAndTheNextOnesStillSplit) {
    // Its lines "From " are no separators, also when only the end of it is kept.
    const std::string big = "Subject: big\n\n" + std::string(300, 'x') + "\r\nFrom inside\r\n>From quoted\n";
    const std::string file =
        kSep1 + "\nA: 1\n\n" + kSep2 + "\n" + big + "\n" + kSep3 + "\r\nA: 3\r\n\r\n" + kSep1 + "\nA: 4\n";
    MboxReader::Options options;
    options.bufferSize = 32;
    options.maxMailBytes = 100;
    MboxReader reader(options);
    std::string error;
    ASSERT_TRUE(reader.open(write(file), error)) << error;
    std::string mail;
    MailInfo info;
    ASSERT_EQ(reader.next(mail, info), MboxReader::Next::Mail);
    EXPECT_EQ(mail, "A: 1\n");
    ASSERT_EQ(reader.next(mail, info), MboxReader::Next::TooLarge);
    EXPECT_EQ(mail, "");
    EXPECT_EQ(info.offset, kSep1.size() + 7);
    EXPECT_EQ(info.length, kSep2.size() + 1 + big.size() + 1);
    EXPECT_EQ(info.ordinal, 1u);
    ASSERT_EQ(reader.next(mail, info), MboxReader::Next::Mail);
    EXPECT_EQ(mail, "A: 3\r\n");
    EXPECT_EQ(info.ordinal, 2u);
    ASSERT_EQ(reader.next(mail, info), MboxReader::Next::Mail);
    EXPECT_EQ(mail, "A: 4\n");
    EXPECT_EQ(reader.next(mail, info), MboxReader::Next::End);
    EXPECT_EQ(reader.next(mail, info), MboxReader::Next::End);

    // The limit is on the mail handed out, not on its bytes in the file.
    const std::string fits = std::string(99, 'a') + "\n";
    const std::string quotedFits = ">From " + std::string(94, 'c') + "\n";
    const std::string over = std::string(100, 'b') + "\n";
    MboxReader edge({Quoting::Mboxrd, 16, 100});
    ASSERT_TRUE(edge.open(
        write(kSep1 + "\n" + fits + "\r\n" + kSep2 + "\n" + quotedFits + "\n" + kSep3 + "\n" + over + "\n"), error))
        << error;
    ASSERT_EQ(edge.next(mail, info), MboxReader::Next::Mail);
    EXPECT_EQ(mail, fits);
    ASSERT_EQ(edge.next(mail, info), MboxReader::Next::Mail);
    EXPECT_EQ(mail, quotedFits.substr(1));
    EXPECT_EQ(edge.next(mail, info), MboxReader::Next::TooLarge);
}

TEST_F(MboxReaderTest, memoryIsTheBufferWhateverTheMailAndProgressReachesTheEnd) {
    const std::string body(1 << 20, 'm');
    const std::string file = kSep1 + "\nA: 1\n\n" + body + "\n\n" + kSep2 + "\nA: 2\n";
    MboxReader::Options options;
    options.bufferSize = 4096;
    MboxReader reader(options);
    std::string error;
    ASSERT_TRUE(reader.open(write(file), error)) << error;
    EXPECT_EQ(reader.fileSize(), file.size());
    EXPECT_EQ(reader.bytesDone(), 0u);
    std::string mail;
    MailInfo info;
    ASSERT_EQ(reader.next(mail, info), MboxReader::Next::Mail);
    EXPECT_EQ(mail, "A: 1\n\n" + body + "\n");
    EXPECT_LE(reader.heldBytes(), 4096 + MboxReader::kMaxEnvelope + 64);
    EXPECT_EQ(reader.bytesDone(), kSep1.size() + 1 + mail.size() + 1);
    ASSERT_EQ(reader.next(mail, info), MboxReader::Next::Mail);
    EXPECT_EQ(reader.next(mail, info), MboxReader::Next::End);
    EXPECT_EQ(reader.bytesDone(), file.size());
}

TEST_F(MboxReaderTest, onlyRegularFilesAreOpened) {
    MboxReader reader;
    std::string error;
    EXPECT_FALSE(reader.open(dir_.file("missing"), error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_FALSE(MboxReader().open(dir_.path(), error));
    const std::string target = write(kSep1 + "\nA: 1\n");
    ASSERT_EQ(::symlink(target.c_str(), dir_.file("link").c_str()), 0);
    EXPECT_FALSE(MboxReader().open(dir_.file("link"), error));
    std::string mail;
    MailInfo info;
    EXPECT_EQ(reader.next(mail, info), MboxReader::Next::End);
}

}  // namespace
}  // namespace quorvel::mailbox
