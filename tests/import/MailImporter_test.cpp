#include "import/MailImporter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/ProgramValues.h"
#include "archive/LtDataBaseInfo.h"
#include "platform/dialogs/MessageService.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;
using namespace quorvel;
using namespace quorvel::mailimport;
using quorvel::test::TempDir;
using quorvel::test::writeFile;

namespace {

std::string mail(const std::string& subject, size_t bodyBytes = 10) {
    return "From: a@example.com\r\nTo: b@example.com\r\nSubject: " + subject +
           "\r\nDate: Tue, 01 Jan 2002 10:15:30 +0900\r\n\r\n" + std::string(bodyBytes, 'x') + "\r\n";
}

struct Archive {
    TempDir dir;
    platform::ScopedScriptedMessages msgs;
    ProgramValues pv;
    Archive() {
        pv.defs = archive::makeTableDefs();
        pv.arcPath = dir.path();
        pv.arcName = pv.lockName = "a.qvb";
        fs::copy_file(test::builtTemplatePath(), workingFile(pv));
    }
    std::vector<int64_t> ids(const char* table) {
        archive::LtDataBaseInfo db(workingFile(pv), table);
        std::vector<int64_t> out;
        if (db.DB_Open(archive::sqlSelectAllById(table), false)) {
            for (db.DB_MoveFirst(); !db.RecSet->isEOF(); db.DB_MoveNext()) {
                out.push_back(db.RecSet->Fields("ID").Value().toInt());
            }
        }
        return out;
    }
};

}  // namespace

TEST(MailImporter, mailsAreStoredWithBothRowsAndNotMailsListed) {
    Archive a;
    writeFile(a.dir.file("1.eml"), mail("one"));
    writeFile(a.dir.file("2.eml"), mail("two", 5000));
    writeFile(a.dir.file("notes.txt"), "no header at all\r\n\r\n");
    int32_t counter = 7;  // identifiers continue from the counter
    std::vector<int> progress;
    DropImport r = importFiles(a.pv, counter, {a.dir.file("1.eml"), a.dir.file("notes.txt"), a.dir.file("2.eml")},
                               "12_", [&](int stored) { progress.push_back(stored); });
    EXPECT_EQ(r.stored, 2);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.rejected, std::vector<std::string>{a.dir.file("notes.txt")});
    EXPECT_EQ(progress, (std::vector<int>{1, 2}));
    EXPECT_EQ(counter, 9);
    EXPECT_EQ(a.ids("MailInfTabl"), (std::vector<int64_t>{8, 9}));
    EXPECT_EQ(a.ids("MailOBJTabl"), (std::vector<int64_t>{8, 9}));
    EXPECT_TRUE(a.ids("MailBdyTabl").empty());

    archive::LtDataBaseInfo inf(workingFile(a.pv), "MailInfTabl");
    ASSERT_TRUE(inf.DB_Open("", false));
    ASSERT_TRUE(inf.DB_FindFirst("ID = 9"));
    EXPECT_EQ(inf.RecSet->Fields("dirID").Value().toInt(), 12);
    EXPECT_EQ(inf.RecSet->Fields("Subject").Value().toText(), "two");
    EXPECT_EQ(inf.RecSet->Fields("size").Value().toText(), "5KB");
    EXPECT_TRUE(inf.RecSet->Fields("X-Priority").Value().isNull());  // an empty value is not set
    inf.DB_Close();
    archive::LtDataBaseInfo obj(workingFile(a.pv), "MailOBJTabl");
    ASSERT_TRUE(obj.DB_Open("", false));
    ASSERT_TRUE(obj.DB_FindFirst("ID = 9"));
    EXPECT_EQ(obj.RecSet->Fields("mailFlObj").Value().toText(), mail("two", 5000));
    EXPECT_TRUE(a.msgs.shown().empty());
}

TEST(MailImporter, aFailedWriteLeavesNeitherRowAndStopsTheDrop) {
    Archive a;
    writeFile(a.dir.file("1.eml"), mail("one"));
    writeFile(a.dir.file("2.eml"), mail("two"));
    int32_t counter = 0;
    ASSERT_EQ(importMailFile(a.pv, counter, a.dir.file("1.eml"), "1_"), ImportOutcome::Stored);
    // The next mail's identifier is taken already (an archive changed behind
    // the window's back): the header row is refused, and no file row is left.
    counter = 0;
    DropImport r = importFiles(a.pv, counter, {a.dir.file("2.eml"), a.dir.file("1.eml")}, "1_");
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.stored, 0);
    ASSERT_EQ(a.msgs.shown().size(), 1u);  // one box, not one per remaining file
    EXPECT_EQ(a.ids("MailInfTabl"), std::vector<int64_t>{1});
    EXPECT_EQ(a.ids("MailOBJTabl"), std::vector<int64_t>{1});
}

TEST(MailImporter, errorLogAndMessageTexts) {
    TempDir dir;
    const std::string list = rejectedListText({"/a/x.txt", "/b/y.doc"});
    EXPECT_EQ(list, "\n/a/x.txt\n/b/y.doc");
    EXPECT_EQ(errorLogPath("/w/tmp1", 2), "/w/tmp1/errlog_2.txt");
    ASSERT_TRUE(writeErrorLog(dir.file("errlog_1.txt"), list));
    EXPECT_EQ(test::readFile(dir.file("errlog_1.txt")), list);
    EXPECT_FALSE(writeErrorLog(dir.file("missing/errlog_1.txt"), list));
    EXPECT_EQ(rejectedFilesMessage(list, "/w/errlog_1.txt"),
              "以下のファイルは.eml形式と認識できませんでした。\n\n/a/x.txt\n/b/y.doc\n"
              "これらのファイル名は、次のファイルに保存されています。\n/w/errlog_1.txt");
}

TEST(MailImporter, newestDroppedPathIsTheOneEachEventAdds) {
    EXPECT_EQ(newestDroppedPath("/d/0a.eml", ""), "/d/0a.eml");
    EXPECT_EQ(newestDroppedPath("/d/0a.eml,/d/1b.eml", "/d/0a.eml"), "/d/1b.eml");
    // An .eml item after one that is not: still found.
    EXPECT_EQ(newestDroppedPath("/d/0a.txt,/d/1b.eml", "/d/0a.txt"), "/d/1b.eml");
    // Commas inside names do not confuse it.
    EXPECT_EQ(newestDroppedPath("/d/0a,b.eml,/d/1c,d.eml", "/d/0a,b.eml"), "/d/1c,d.eml");
    EXPECT_EQ(newestDroppedPath("/d/0new.eml", "/d/0old.eml,/d/1old.eml"), "/d/0new.eml");
}
