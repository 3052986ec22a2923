// A mail parsed from memory has exactly the values of the same bytes parsed
// from a file, and is stored byte for byte from memory.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/Schema.h"
#include "import/MailFileParser.h"
#include "import/MailFileReader.h"
#include "import/MailImporter.h"
#include "tests/mailboximport/ImportFixture.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailboximport::test {
namespace {

using mailimport::ParseOutcome;
using quorvel::test::writeFile;

TEST(ParseFromMemory, answersWhatTheFileOfTheSameBytesAnswers) {
    const archive::TableDefs defs = archive::makeTableDefs();
    const std::string marker = "Content-Disposition: attachment;";
    // The attachment marker straddling the reader's buffer, at the start of
    // a line and elsewhere.
    std::string longBody(mailimport::MailFileReader::kBufferSize - 120, 'x');
    longBody += "\n" + marker + "\n";
    const std::vector<std::string> cases = {
        mail("plain"),
        mail("crlf", "b\r\n", true),
        "From: a@example.com\rSubject: only CR\rDate: 1 Jan 2002 10:00:00\r\rbody\r",
        "Received: from x by y for <z@example.com>; Tue, 1 Jan 2002 10:00:00 +0900\nFrom: "
        "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= "
        "<a@example.com>\nSubject: =?UTF-8?B?44OG44K544OI?=\n\tcontinued\nX-Priority: 1\n\nbody\n",
        mail("attached", longBody),
        mail("mark not at a line start", std::string(70000, 'y') + " " + marker + "\n"),
        "From: a@example.com\nSubject: no blank line at the end",
        "Subject: one header only\n\nbody\n",
        "no header\n",
        "",
    };
    quorvel::test::TempDir dir;
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const std::string path = dir.file(std::to_string(i) + ".eml");
        writeFile(path, cases[i]);
        const mailimport::ParseResult fromFile = mailimport::parseMailFile(path, defs.infCols);
        const mailimport::ParseResult fromMemory = mailimport::parseMail(cases[i], defs.infCols);
        ASSERT_EQ(fromMemory.outcome, fromFile.outcome);
        EXPECT_EQ(fromMemory.mail.inf, fromFile.mail.inf);
        EXPECT_TRUE(fromMemory.mail.file.empty());
    }
    EXPECT_EQ(mailimport::parseMail(cases[4], defs.infCols).mail.inf[archive::col::kInfAttachment], "〆");
    EXPECT_EQ(mailimport::parseMail(cases[0], defs.infCols).outcome, ParseOutcome::Mail);
    EXPECT_EQ(mailimport::parseMail(cases[8], defs.infCols).outcome, ParseOutcome::NotMail);
}

TEST_F(ImportTest, theWriterStoresBytesFromMemoryAsTheyAre) {
    std::string bytes = mail("binary", std::string("\0\r\n\xff\xfe", 5) + "end\n");
    const mailimport::ParseResult parsed = mailimport::parseMail(bytes, at_.defs.infCols);
    ASSERT_EQ(parsed.outcome, ParseOutcome::Mail);
    {
        mailimport::MailWriter writer(at_);
        ASSERT_TRUE(writer.store(parsed.mail, bytes, 7, "1_"));
        ASSERT_TRUE(writer.store(parsed.mail, std::string_view(bytes).substr(0, 10), 8, "1_"));
    }
    // A large mail, written into space its row reserves.
    const std::string large = mail("large", std::string(3 * 1024 * 1024, 'x') + "\nend\n");
    {
        mailimport::MailWriter writer(at_);
        ASSERT_TRUE(writer.store(mailimport::parseMail(large, at_.defs.infCols).mail, large, 9, "1_"));
    }
    EXPECT_EQ(contents().at(""), (std::vector<std::string>{bytes, bytes.substr(0, 10), large}));
    EXPECT_EQ(sql("SELECT Subject || '|' || size FROM MailInfTabl WHERE ID = 7"),
              std::vector<std::string>{"binary|1KB"});

    // A stored file the archive refuses takes its header row back with it,
    // and the writer goes on with the next mail.
    sql("CREATE TRIGGER refuse BEFORE INSERT ON MailOBJTabl WHEN NEW.ID = 10 BEGIN SELECT RAISE(ABORT, 'refused'); "
        "END");
    {
        mailimport::MailWriter writer(at_);
        EXPECT_FALSE(writer.store(parsed.mail, bytes, 10, "1_"));
        EXPECT_EQ(writer.lastError().message, "refused");
        EXPECT_TRUE(writer.store(parsed.mail, bytes, 11, "1_"));
    }
    EXPECT_EQ(sql("SELECT group_concat(ID) FROM MailInfTabl WHERE ID >= 10"), std::vector<std::string>{"11"});
    EXPECT_EQ(sql("SELECT group_concat(ID) FROM MailOBJTabl WHERE ID >= 10"), std::vector<std::string>{"11"});
    EXPECT_EQ(failures(), std::vector<std::string>{"MailOBJTabl: Update: refused"});
}

}  // namespace
}  // namespace quorvel::mailboximport::test
