#include "archive/Schema.h"

#include <gtest/gtest.h>

#include "archive/db/Database.h"

using namespace quorvel::archive;

TEST(Schema, mailListStatementIsBuiltFromTheColumnList) {
    TableDefs defs = makeTableDefs();
    EXPECT_EQ(sqlMailList(defs, 12),
              "SELECT [MailInfTabl].[ID],[MailInfTabl].[mailType],[MailInfTabl].[X-Priority],"
              "[MailInfTabl].[attachment],[MailInfTabl].[DateR],[MailInfTabl].[From],[MailInfTabl].[Subject],"
              "[MailInfTabl].[Date],[MailInfTabl].[To],[MailInfTabl].[size] From MailInfTabl WHERE "
              "((([MailInfTabl].[dirID])=12))");
    EXPECT_EQ(sqlSelectAllById("MailOBJTabl"), "SELECT * FROM MailOBJTabl ORDER BY ID");
    EXPECT_EQ(sqlSelectAllByIdDesc("mailDirTabl"), "SELECT * FROM mailDirTabl ORDER BY ID DESC");
    EXPECT_EQ(sqlSelectFolders(defs), "SELECT * FROM mailDirTabl ORDER BY parentID");
    EXPECT_EQ(sqlDeleteAll("curCondTabl"), "DELETE * FROM curCondTabl;");
    EXPECT_EQ(condId(7), "ID = 7");
    EXPECT_EQ(condDirId(120), "dirID = 120");
}

TEST(Schema, columnListsHoldTheMailListColumns) {
    TableDefs defs = makeTableDefs();
    ASSERT_EQ(defs.infCols.size(), 11u);
    const char* captions[] = {"", "", "T", "！", "〆", "受信日時", "送信者", "件名", "送信日時", "宛先", "サイズ"};
    const int widths[] = {0, 0, 400, 400, 400, 1000, 1000, 1000, 1000, 1000, 1000};
    for (size_t i = 0; i < defs.infCols.size(); ++i) {
        EXPECT_EQ(defs.infCols[i].caption, captions[i]) << i;
        EXPECT_EQ(defs.infCols[i].width, widths[i]) << i;
    }
    EXPECT_EQ(defs.infCols[col::kInfPriority].colName, "X-Priority");
    EXPECT_EQ(defs.objCols[col::kObjFile].colName, "mailFlObj");
    EXPECT_EQ(defs.dirCols[col::kDirParentId].colName, "parentID");
    EXPECT_EQ(defs.condCols[col::kCondActivMail].colName, "activMail");
    EXPECT_EQ(defs.bdyCols[col::kBdyBody].colName, "mailBody");
    EXPECT_EQ(defs.tblNames[0], "");
    EXPECT_EQ(defs.tblNames[kMailOBJTabl], "MailOBJTabl");
}

TEST(Schema, keysTurnBackIntoIdentifiers) {
    EXPECT_EQ(makeKey(1), "1_");
    EXPECT_EQ(makeKey(12), "12_");
    EXPECT_EQ(keyToId("12_"), 12);
    EXPECT_EQ(keyToId("1_"), 1);
    EXPECT_EQ(keyToId("305"), 305);
    EXPECT_EQ(keyToId("_3"), 0);
    EXPECT_EQ(keyToId(""), 0);
    EXPECT_EQ(keyToId("99999999999_"), 0);
}

TEST(Schema, jetDeleteFormIsTranslated) {
    EXPECT_EQ(translateStatement("DELETE * FROM mailDirTabl;"), "DELETE FROM mailDirTabl;");
    EXPECT_EQ(translateStatement("  delete  *  FROM T WHERE ID = 3;"), "  delete  FROM T WHERE ID = 3;");
    EXPECT_EQ(translateStatement("DELETE FROM T;"), "DELETE FROM T;");
    EXPECT_EQ(translateStatement("SELECT * FROM T"), "SELECT * FROM T");
}
