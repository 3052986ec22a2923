#include "mailbox/SourceReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/mailbox/MailboxFixtures.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailbox {
namespace {

using quorvel::test::writeFile;
using V = std::vector<std::string>;

struct ReadItem {
    V mails;
    std::vector<MailOrigin> origins;
    std::vector<SourceReader::Next> others;  // every answer that was not a mail, End included
};

// Reads the opened item to its end, checking that progress only grows and ends at the total.
ReadItem drain(SourceReader& reader) {
    ReadItem out;
    uint64_t done = reader.bytesDone();
    std::string mail;
    MailOrigin origin;
    for (int guard = 0; guard < 100; ++guard) {
        SourceReader::Next got = reader.next(mail, origin);
        EXPECT_GE(reader.bytesDone(), done);
        done = reader.bytesDone();
        if (got == SourceReader::Next::Mail) {
            out.mails.push_back(mail);
            out.origins.push_back(origin);
            continue;
        }
        out.others.push_back(got);
        if (got == SourceReader::Next::End) {
            break;
        }
    }
    EXPECT_EQ(reader.bytesDone(), reader.bytesTotal());
    return out;
}

ReadItem readItem(SourceReader& reader, const SourceItem& item) {
    std::string error;
    EXPECT_TRUE(reader.open(item, error)) << error;
    EXPECT_EQ(reader.bytesTotal(), item.bytes) << item.path;
    return drain(reader);
}

TEST(SourceReader, everyKindHandsOutItsMailsByteForByte) {
    quorvel::test::TempDir dir;
    const std::string sep = "From a@example.jp Sat Jan  3 01:05:34 1996";
    const std::string m1 = "Subject: 1\r\n\r\n>From quoted\r\n";
    const std::string m2 = "Subject: 2\n\nbody\nFrom unquoted\n";
    writeFile(dir.file("Top/box"), sep + "\r\n" + m1 + "\r\n" + sep + "\n" + m2);
    writeFile(dir.file("Top/one.eml"), "Subject: eml\n\n\x1b$B$3$s$K$A$O\x1b(B\n");
    test::makeMaildir(dir.file("Top/md"));
    writeFile(dir.file("Top/md/new/2.n"), "Subject: new\n\n");
    writeFile(dir.file("Top/md/cur/1.c:2,S"), "Subject: cur\n\n");
    writeFile(dir.file("Top/md/tmp/0.t"), "Subject: tmp\n\n");

    const ImportPlan plan = planImport(dir.file("Top"));
    ASSERT_EQ(plan.items.size(), 4u);
    SourceReader reader;

    ReadItem folder = readItem(reader, plan.items[0]);
    EXPECT_TRUE(folder.mails.empty());

    ReadItem box = readItem(reader, plan.items[1]);
    EXPECT_EQ(box.mails, (V{"Subject: 1\r\n\r\nFrom quoted\r\n", m2}));
    ASSERT_EQ(box.origins.size(), 2u);
    EXPECT_EQ(box.origins[1].path, dir.file("Top/box"));
    EXPECT_EQ(box.origins[1].offset, sep.size() + 2 + m1.size() + 2);
    EXPECT_EQ(box.origins[1].ordinal, 1u);

    ReadItem md = readItem(reader, plan.items[2]);
    EXPECT_EQ(md.mails, (V{"Subject: new\n\n", "Subject: cur\n\n"}));
    EXPECT_EQ(md.origins[0].path, dir.file("Top/md/new/2.n"));

    ReadItem eml = readItem(reader, plan.items[3]);
    EXPECT_EQ(eml.mails, V{"Subject: eml\n\n\x1b$B$3$s$K$A$O\x1b(B\n"});
    EXPECT_EQ(eml.origins[0].path, dir.file("Top/one.eml"));

    // The older quoting form, asked for.
    SourceReader mboxo({Quoting::Mboxo, SourceReader::Options{}.maxMailBytes});
    EXPECT_EQ(readItem(mboxo, plan.items[1]).mails, (V{"Subject: 1\r\n\r\nFrom quoted\r\n", m2}));
}

TEST(SourceReader, aMailThatCannotBeReadIsReportedAndTheRestGoesOn) {
    quorvel::test::TempDir dir;
    writeFile(dir.file("Top/big.eml"), std::string(500, 'x'));
    writeFile(dir.file("Top/gone.eml"), "Subject: gone\n\n");
    test::makeMaildir(dir.file("Top/md"));
    writeFile(dir.file("Top/md/cur/1:2,"), "Subject: 1\n\n");
    writeFile(dir.file("Top/md/cur/2:2,"), "Subject: 2\n\n");
    writeFile(dir.file("Top/md/cur/3:2,"), "Subject: 3\n\n");
    const ImportPlan plan = planImport(dir.file("Top"));
    ASSERT_EQ(plan.items.size(), 4u);
    ASSERT_EQ(::unlink(dir.file("Top/gone.eml").c_str()), 0);

    SourceReader reader({Quoting::Mboxrd, 100});
    using N = SourceReader::Next;
    ReadItem big = readItem(reader, plan.items[1]);
    EXPECT_TRUE(big.mails.empty());
    EXPECT_EQ(big.others, (std::vector<N>{N::TooLarge, N::End}));
    ReadItem gone = readItem(reader, plan.items[2]);
    EXPECT_EQ(gone.others, (std::vector<N>{N::Failed, N::End}));
    EXPECT_NE(reader.error().find("gone.eml"), std::string::npos);
    std::string error;
    ASSERT_TRUE(reader.open(plan.items[3], error)) << error;
    // Moved away by a mail server after the listing.
    ASSERT_EQ(::unlink(dir.file("Top/md/cur/2:2,").c_str()), 0);
    ReadItem md = drain(reader);
    EXPECT_EQ(md.mails, (V{"Subject: 1\n\n", "Subject: 3\n\n"}));
    EXPECT_EQ(md.others, (std::vector<N>{N::Failed, N::End}));

    EXPECT_FALSE(reader.open({SourceItem::Kind::Mbox, {"x"}, dir.file("none"), 0}, error));
    EXPECT_FALSE(reader.open({SourceItem::Kind::Maildir, {"x"}, dir.file("none"), 0}, error));
}

}  // namespace
}  // namespace quorvel::mailbox
