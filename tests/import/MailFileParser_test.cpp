#include "import/MailFileParser.h"

#include <gtest/gtest.h>

#include "tests/import/TestMails.h"
#include "tests/support/TestEnv.h"

namespace quorvel::mailimport {
namespace {

namespace col = archive::col;
using test::bWord;
using test::mailText;

class MailFileParserTest : public ::testing::Test {
protected:
    bool parse(const std::string& bytes) {
        path_ = dir_.file("m" + std::to_string(++count_) + ".eml");
        test::writeFile(path_, bytes);
        result_ = parseMailFile(path_, defs_.infCols);
        return result_.outcome == ParseOutcome::Mail;
    }
    // A mail of the given header lines after From and Subject lines, so that it counts as a mail.
    bool parseWith(std::vector<std::string> lines, const std::string& body = "") {
        lines.insert(lines.begin(), {"From: f@example.org", "Subject: s"});
        return parse(mailText(lines, body));
    }
    const std::string& v(int c) const { return result_.mail.inf[static_cast<size_t>(c)]; }
    static bool allEmpty(const ParseResult& r) {
        for (const std::string& value : r.mail.inf) {
            if (!value.empty()) {
                return false;
            }
        }
        return r.mail.file.empty();
    }

    test::TempDir dir_;
    archive::TableDefs defs_ = archive::makeTableDefs();
    std::string path_;
    ParseResult result_;
    int count_ = 0;
};

TEST_F(MailFileParserTest, receivedMailFillsEveryColumn) {
    ASSERT_TRUE(parse(mailText(
        {"Return-Path: <s@example.org>", "Received: from mx.example.org (mx.example.org [192.0.2.1])",
         "\tby mail.example.jp with ESMTP id ABC", "\tfor <me@example.jp>; Tue, 01 Jan 2002 10:15:30 +0900 (JST)",
         "Received: from inner by mx.example.org; Mon, 31 Dec 2001 23:59:00 +0900",
         "Date: Mon, 31 Dec 2001 22:05:09 +0900", "From: Sender <s@example.org>", "To: other@example.jp",
         "Subject: Hello", "X-Priority: 1 (Highest)"},
        "body\r\nContent-Disposition: attachment;\r\nmore\r\n")));
    EXPECT_EQ(v(col::kInfDirId), "");
    EXPECT_EQ(v(col::kInfId), "");
    EXPECT_EQ(v(col::kInfMailType), "R");
    EXPECT_EQ(v(col::kInfPriority), "！");
    EXPECT_EQ(v(col::kInfAttachment), "〆");
    EXPECT_EQ(v(col::kInfDateR), "2002/01/01 10:15");  // the first Received line that yields a date
    EXPECT_EQ(v(col::kInfFrom), "Sender <s@example.org>");
    EXPECT_EQ(v(col::kInfSubject), "Hello");
    EXPECT_EQ(v(col::kInfDate), "2001/12/31 22:05");
    EXPECT_EQ(v(col::kInfTo), "<me@example.jp>");  // the Received "for" wins over the later To
    EXPECT_EQ(v(col::kInfSize), "1KB");
    EXPECT_EQ(result_.mail.file, path_);
}

TEST_F(MailFileParserTest, anyLineEndReadsTheSame) {
    const std::vector<std::string> header = {"From: a@example.org", "To: b@example.org", "Subject: Hi",
                                             "Date: 1 Jan 2002 10:00:00"};
    for (std::string eol : {"\r\n", "\n", "\r"}) {
        ASSERT_TRUE(parse(mailText(header, "x" + eol + "Content-Disposition: attachment;" + eol, eol)));
        EXPECT_EQ(v(col::kInfMailType), "S");
        EXPECT_EQ(v(col::kInfDateR), "");
        EXPECT_EQ(v(col::kInfDate), "2002/01/01 10:00");
        EXPECT_EQ(v(col::kInfTo), "b@example.org");
        EXPECT_EQ(v(col::kInfAttachment), "〆");
        EXPECT_EQ(v(col::kInfPriority), "");
    }
}

TEST_F(MailFileParserTest, japaneseSubjectsAndSendersInEachEncoding) {
    const std::string subject = "会議のお知らせ";
    // Each charset is the decoder's test; here, words and raw bytes as the parser meets them.
    const std::pair<std::string, std::string> cases[] = {
        {bWord(subject, "UTF-8") + " (2)", subject + " (2)"},
        {test::inCharset(subject, "CP932"), subject},  // raw Shift-JIS bytes
        {"Re:" + bWord(subject, "ISO-2022-JP"), "Re:" + subject},
    };
    for (const auto& [raw, expected] : cases) {
        ASSERT_TRUE(
            parse(mailText({"From: " + bWord("山田 太郎", "ISO-2022-JP") + " <taro@example.jp>", "Subject: " + raw})));
        EXPECT_EQ(v(col::kInfSubject), expected);
        EXPECT_EQ(v(col::kInfFrom), "山田 太郎 <taro@example.jp>");
    }
    // A folded subject: each line decoded by itself, the folding blank dropped.
    ASSERT_TRUE(parse(
        mailText({"From: a", "Subject: " + bWord("会議の", "ISO-2022-JP"), " " + bWord("お知らせ", "ISO-2022-JP")})));
    EXPECT_EQ(v(col::kInfSubject), subject);
}

TEST_F(MailFileParserTest, foldedAndUnspacedHeaderLines) {
    ASSERT_TRUE(parse(
        mailText({"From: Taro", " Yamada <t@example.jp>", "To: a@example.jp,", "\tb@example.jp", "Subject:Hello"})));
    EXPECT_EQ(v(col::kInfFrom), "TaroYamada <t@example.jp>");
    EXPECT_EQ(v(col::kInfTo), "b@example.jp");            // a folded To keeps its last line
    EXPECT_EQ(v(col::kInfSubject), "ello");               // one character after the colon is always dropped
    ASSERT_TRUE(parse(mailText({"From:日本語", " x"})));  // a From folded once counts twice
    EXPECT_EQ(v(col::kInfFrom), "本語x");
    EXPECT_FALSE(parse(mailText({"From: a", "X-Mailer: b"})));
}

TEST_F(MailFileParserTest, whoEndsUpAsTheRecipient) {
    const std::string forA = "Received: by mx with SMTP id 1 for <r1@x>; Tue, 01 Jan 2002 10:15:30 +0900";
    const std::string forB = "Received: by mx with SMTP id 2 for <r2@x>; Tue, 01 Jan 2002 10:16:30 +0900";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"To: a@x", "Cc: c@x"}, "a@x;c@x"},
        {{"Cc: c@x", "To: a@x"}, "a@x"},
        {{"Cc: c@x"}, ";c@x"},
        {{"To: a@x", forA}, "<r1@x>"},
        {{forA, "To: a@x", forB, "Cc: c@x"}, "<r2@x>;c@x"},
        {{"Delivered-To: d@x", "To: a@x", forA, "Cc: c@x"}, "d@x;c@x"},
        {{forA, "Delivered-To: d@x", "To: a@x"}, "d@x"},
        {{"Received: from forum.example.com by mx; Tue, 01 Jan 2002 10:15:30 +0900"}, "m.example.com by mx"},
    };
    for (const auto& [lines, expected] : cases) {
        ASSERT_TRUE(parseWith(lines));
        EXPECT_EQ(v(col::kInfTo), expected) << lines.front();
    }
}

TEST_F(MailFileParserTest, priorityMarks) {
    // Which values are urgent is the rules' test; here, the line as the parser cuts it.
    const std::pair<std::string, std::string> cases[] = {
        {"X-Priority: 1 (Highest)", "！"},
        {"X-Priority: 3 (Normal)", ""},
        {"X-Priority:5", "！"},  // "5" is the dropped character
        {"X-Mailer: 1", ""},
    };
    for (const auto& [line, expected] : cases) {
        ASSERT_TRUE(parseWith({line}));
        EXPECT_EQ(v(col::kInfPriority), expected) << line;
    }
}

TEST_F(MailFileParserTest, attachmentMarkerIsAnExactBodyLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"Content-Disposition: attachment;\r\n", "〆"},
        {"a\r\nContent-Disposition: attachment;", "〆"},
        {"Content-Disposition: attachment; filename=a.txt\r\n", ""},
        {"Content-Disposition: attachment;\t\r\n", ""},
        {" Content-Disposition: attachment;\r\n", ""},
        {"content-disposition: attachment;\r\n", ""},
    };
    for (const auto& [body, expected] : cases) {
        ASSERT_TRUE(parseWith({}, body));
        EXPECT_EQ(v(col::kInfAttachment), expected) << body;
    }
    ASSERT_TRUE(parseWith({"Content-Disposition: attachment;"}, "x\r\n"));  // a header line is no body line
    EXPECT_EQ(v(col::kInfAttachment), "");
}

TEST_F(MailFileParserTest, sizeIsKilobytesRoundedUp) {
    const std::string head = mailText({"From: a", "Subject: b"});
    for (auto [bytes, expected] : {std::pair<size_t, std::string>{head.size(), "1KB"}, {1024, "1KB"}, {1025, "2KB"}}) {
        ASSERT_TRUE(parse(head + std::string(bytes - head.size(), 'x')));
        EXPECT_EQ(v(col::kInfSize), expected) << bytes;
    }
    EXPECT_FALSE(parse("x"));
    EXPECT_EQ(kilobyteSizeText(2500), "3KB");
    EXPECT_EQ(kilobyteSizeText(5ull << 30), "5242880KB");
}

TEST_F(MailFileParserTest, whatIsNotAMailLeavesNothing) {
    const char kElfStart[] = {0x7f, 'E', 'L', 'F', 2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0x3e, 0, 1, 0, 0, 0, '\n'};
    const std::string cases[] = {
        "",
        "\r\n\r\nFrom: a\r\nSubject: b\r\n\r\n",
        "From: a\r\nnot a header\r\nSubject: b\r\n\r\n",
        "From: a\r\nSubject:\r\nTo: c\r\n\r\n",
        "From: a\r\nSubject: b\r\n",  // the last header line meets the end of the file
        "From: a\r\nX-Note: " + std::string(kMaxHeaderBytes, 'x') + "\r\nSubject: b\r\n\r\n",
        std::string(kElfStart, sizeof kElfStart),
        std::string(200000, 'y'),  // one long line without an end
    };
    for (const std::string& bytes : cases) {
        EXPECT_FALSE(parse(bytes)) << bytes.substr(0, 40);
        EXPECT_TRUE(allEmpty(result_)) << bytes.substr(0, 40);  // nothing read before the verdict is handed out
    }
    EXPECT_TRUE(parse("From: a\r\nSubject: b\r\n\r\n"));
    ASSERT_TRUE(parse(std::string("From: a") + '\0' + "b\r\nSubject: =?UTF-8?B?\r\n\r\n"));
    EXPECT_EQ(v(col::kInfFrom), "a?b");
}

TEST_F(MailFileParserTest, unreadableFilesAreReportedAsSuch) {
    for (const std::string& path : {dir_.file("missing.eml"), dir_.path()}) {
        const ParseResult r = parseMailFile(path, defs_.infCols);
        EXPECT_EQ(r.outcome, ParseOutcome::Unreadable) << path;
        EXPECT_FALSE(r.error.empty());
        EXPECT_TRUE(allEmpty(r));
    }
    EXPECT_TRUE(parseWith({}));
}

}  // namespace
}  // namespace quorvel::mailimport
