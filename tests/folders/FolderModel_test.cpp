// The folder model over working copies of the template archive: the tree's
// shape and order as loaded, what each edit writes, that a refused edit
// changes nothing, and the one deletion path for mails.
#include "folders/model/FolderModel.h"

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <functional>
#include <random>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "folders/model/FolderNames.h"
#include "maillist/MailDeletion.h"
#include "tests/support/ArchiveSql.h"
#include "tests/support/TestEnv.h"

using namespace quorvel;
using folders::FolderModel;
using Ids = std::vector<FolderModel::Id>;
using Rows = std::vector<std::string>;

namespace {

// The access layer's failures are collected here instead of shown.
class FolderModelTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    archive::TableDefs defs_ = archive::makeTableDefs();
    std::string file_ = dir_.file("a.qvb");
    std::vector<archive::DbFailure> failures_;

    FolderModelTest() {
        std::filesystem::copy_file(test::builtTemplatePath(), file_);
        archive::setDbErrorSink([this](const archive::DbFailure& f) { failures_.push_back(f); });
    }
    ~FolderModelTest() override { archive::setDbErrorSink({}); }

    FolderModel loaded() {
        FolderModel model(file_, defs_);
        EXPECT_TRUE(model.load());
        return model;
    }
    // Runs statements behind the model's back; a query's rows as "a|b|c".
    Rows sql(const std::string& statements) { return test::sqlRows(file_, statements); }
    Rows folderRows() { return sql("SELECT * FROM mailDirTabl ORDER BY rowid"); }
    Rows mailIds(const char* table) { return sql(std::string("SELECT ID FROM ") + table + " ORDER BY rowid"); }
    // Everything an edit can touch, row identities included.
    Rows snapshot() {
        return sql(
            "SELECT 'd', rowid, * FROM mailDirTabl; SELECT 'i', rowid, * FROM MailInfTabl;"
            "SELECT 'o', rowid, * FROM MailOBJTabl");
    }
    // Folders 2 and 5 under the root, 3 under 2, 4 under 3, each named "f"
    // and its number; mails 1-2 in 2, 3-4 in 4, 5 in 5 and 6-7 in the root.
    FolderModel withFoldersAndMails() {
        FolderModel model = loaded();
        for (auto [parent, id] : {std::pair{1, 2}, {2, 3}, {3, 4}, {1, 5}}) {
            EXPECT_EQ(model.addFolder(parent, id, "f" + std::to_string(id)), FolderModel::kOk);
        }
        for (auto [id, folder] : {std::pair{1, 2}, {2, 2}, {3, 4}, {4, 4}, {5, 5}, {6, 1}, {7, 1}}) {
            sql("INSERT INTO MailInfTabl (dirID, ID) VALUES (" + std::to_string(folder) + ", " + std::to_string(id) +
                "); INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (" + std::to_string(id) + ", x'6d61696c')");
        }
        return model;
    }

    // What every archive must hold after any change: one row in each mail
    // table per mail, every mail in a folder that exists, and the folders one
    // tree under the root, each reached from it once.
    void expectInvariants() {
        EXPECT_EQ(sql("SELECT * FROM (SELECT ID FROM MailInfTabl EXCEPT SELECT ID FROM MailOBJTabl) UNION ALL "
                      "SELECT * FROM (SELECT ID FROM MailOBJTabl EXCEPT SELECT ID FROM MailInfTabl) UNION ALL "
                      "SELECT ID FROM MailInfTabl GROUP BY ID HAVING count(*) > 1 UNION ALL "
                      "SELECT ID FROM MailOBJTabl GROUP BY ID HAVING count(*) > 1 UNION ALL "
                      "SELECT ID FROM MailInfTabl WHERE NOT EXISTS (SELECT 1 FROM mailDirTabl WHERE ID = dirID)"),
                  Rows{});
        EXPECT_EQ(sql("SELECT parentID, kind FROM mailDirTabl WHERE ID = 1"), Rows{"0|1"});
        EXPECT_EQ(sql("WITH RECURSIVE t(id) AS (SELECT 1 UNION ALL SELECT d.ID FROM mailDirTabl d JOIN t ON "
                      "d.parentID = t.id AND d.ID != 1) SELECT count(*), count(DISTINCT id) FROM t"),
                  sql("SELECT count(*), count(*) FROM mailDirTabl"));
    }
    // The folders by identifier, "id:name<parent>child,child,": what a reload
    // of the archive must give back.
    static Rows shape(const FolderModel& model) {
        Ids ids = model.positions();
        std::sort(ids.begin(), ids.end());
        Rows out;
        for (auto id : ids) {
            out.push_back(std::to_string(id) + ":" + model.name(id) + "<" +
                          std::to_string(model.parent(id).value_or(0)) + ">");
            for (auto child : model.children(id)) {
                out.back() += std::to_string(child) + ",";
            }
        }
        return out;
    }
};

}  // namespace

TEST_F(FolderModelTest, aMissingParentOrACircleLeavesAFolderAtTheTopLevel) {
    // Rows come by parentID: 1, 2, 7, 5, 4, 6, 3. Folder 7 comes before its
    // parent 3, whose own parent is missing; 4 and 5 are each other's parent;
    // 6 is its own.
    sql("INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (2, 'a', 1), (3, 'b', 9), (4, 'c', 5), (5, 'd', 4),"
        " (6, 'e', 6), (7, 'f', 3)");
    FolderModel model = loaded();
    EXPECT_EQ(model.positions(), (Ids{1, 2, 7, 5, 4, 6, 3}));
    EXPECT_EQ(model.topLevel(), (Ids{1, 4, 6, 3}));
    EXPECT_EQ(model.children(3), Ids{7});
    EXPECT_EQ(model.children(4), Ids{5});  // 5 took 4 first; then 4 would have closed the circle
    EXPECT_EQ(model.highestId(), 7);
    // Written back: the fixed root row, then the folders in their positions,
    // one at the top level with parent 0.
    model.setRootText("a.qvb");
    ASSERT_TRUE(model.save());
    EXPECT_EQ(folderRows(), (Rows{"1|ルート|0|1", "2|a|1|", "7|f|3|", "5|d|4|", "4|c|0|", "6|e|0|", "3|b|0|"}));

    sql("DROP TABLE mailDirTabl");
    EXPECT_FALSE(model.load());
    EXPECT_TRUE(model.empty());
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_EQ(failures_[0].tname, "mailDirTabl");
}

TEST_F(FolderModelTest, subfoldersInTheTreesOrderAndWhatTheTreeAsks) {
    // UTF-16 order: "B" < "a" < "x" < U+1F600 < U+FF61 (UTF-8 would put
    // U+1F600 last); equal names in the order they came.
    sql("INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (2, 'x', 1), (3, '｡', 1), (4, '😀', 1), (5, 'a', 1),"
        " (6, 'B', 1), (7, 'x', 1), (8, 'sub', 5), (9, 'subsub', 8), (10, 'sub2', 5)");
    FolderModel model = loaded();
    model.setRootText("a.qvb");
    EXPECT_EQ(model.children(1), (Ids{6, 5, 2, 7, 4, 3}));
    ASSERT_TRUE(model.renameFolder(2, "y"));  // now after the other x
    EXPECT_EQ(model.children(1), (Ids{6, 5, 7, 2, 4, 3}));
    EXPECT_EQ(model.subtree(5), (Ids{9, 8, 10, 5}));
    EXPECT_EQ(model.fullPath(9), "a.qvb\\a\\sub\\subsub");
    EXPECT_EQ(model.fullPath(99), "");
    for (auto [id, parent, answer] : {std::tuple{5, 5, FolderModel::kErrCycle},
                                      {5, 9, FolderModel::kErrCycle},
                                      {1, 9, FolderModel::kErrCycle},
                                      {8, 10, FolderModel::kOk},
                                      {8, 99, FolderModel::kErrNoSuchFolder}}) {
        EXPECT_EQ(model.checkMove(id, parent), answer) << id << " below " << parent;
    }
}

TEST(FolderNames, readAndOrderedAsTheTreesTexts) {
    Rows names = {
        "\xEF\xBB\xBF"
        "abc",
        "a\xEF\xBB\xBF",
        "\x80\x80",
        "\xC0\x80",
        "\xE3\x81"
        "a",
        "\xED\xA0\x80",
        "\xF4\x90\x80\x80",
        "\xEF\xBF\xBE",
        "\xC3(",
        "受信",
        "😀",
        "｡",
        std::string("a\0b", 3)};
    std::mt19937 rng(7);
    const char pieces[][5] = {"a", "Z", "\xC3", "\xA9", "\xE3\x81", "\x82", "\xF0\x9F", "\x98\x80", "\xEF\xBB\xBF"};
    for (int i = 0; i < 2000; ++i) {
        names.emplace_back();
        for (int n = rng() % 6; n > 0; --n) {
            names.back() += pieces[rng() % std::size(pieces)];
        }
    }
    for (size_t i = 0; i < names.size(); ++i) {
        const QString shown = QString::fromStdString(names[i]);
        const QString other = QString::fromStdString(names[(i * 7 + 3) % names.size()]);
        ASSERT_EQ(folders::nameAsShown(names[i]), shown.toStdString()) << i;
        EXPECT_EQ(folders::nameBefore(shown.toStdString(), other.toStdString()), shown < other) << i;
    }
}

TEST_F(FolderModelTest, addRenameAndMoveWriteTheFolderTable) {
    FolderModel model = loaded();
    ASSERT_EQ(model.addFolder(1, 2, "受信"), FolderModel::kOk);
    ASSERT_EQ(model.addFolder(2, 3, "仕事"), FolderModel::kOk);
    ASSERT_EQ(model.addFolder(1, 4, "受信"), FolderModel::kOk);  // one name twice under a parent
    EXPECT_EQ(folderRows(), (Rows{"1|ルート|0|1", "2|受信|1|", "3|仕事|2|", "4|受信|1|"}));
    Rows before = snapshot();
    EXPECT_EQ(model.addFolder(1, 3, "again"), FolderModel::kErrIdInUse);
    EXPECT_EQ(model.addFolder(9, 5, "lost"), FolderModel::kErrNoSuchFolder);
    EXPECT_FALSE(model.renameFolder(1, "x"));  // the root keeps its stored name
    EXPECT_EQ(model.moveFolder(2, 3), FolderModel::kErrCycle);
    EXPECT_EQ(snapshot(), before);

    // A rename updates its one row and leaves the other columns as stored.
    sql("UPDATE mailDirTabl SET kind = 7 WHERE ID = 3");
    ASSERT_TRUE(model.renameFolder(3, "プロジェクト"));
    EXPECT_EQ(folderRows(), (Rows{"1|ルート|0|1", "2|受信|1|", "3|プロジェクト|2|7", "4|受信|1|"}));
    EXPECT_EQ(model.moveFolder(2, 4), FolderModel::kOk);
    EXPECT_EQ(folderRows(), (Rows{"1|ルート|0|1", "2|受信|4|", "3|プロジェクト|2|", "4|受信|1|"}));
    EXPECT_EQ(model.fullPath(3), "ルート\\受信\\受信\\プロジェクト");
    EXPECT_TRUE(failures_.empty());
}

TEST_F(FolderModelTest, aDeletedFolderTakesItsSubtreeAndEveryMailInIt) {
    FolderModel model = withFoldersAndMails();
    sql("INSERT INTO MailInfTabl (dirID, ID) VALUES (3, NULL)");  // no number to find it by
    EXPECT_FALSE(model.deleteFolder(1));
    ASSERT_TRUE(model.deleteFolder(2));
    EXPECT_EQ(folderRows(), (Rows{"1|ルート|0|1", "5|f5|1|"}));
    EXPECT_EQ(mailIds("MailInfTabl"), (Rows{"5", "6", "7"}));
    EXPECT_EQ(mailIds("MailOBJTabl"), (Rows{"5", "6", "7"}));
    EXPECT_EQ(model.positions(), (Ids{1, 5}));
    EXPECT_EQ(model.children(1), Ids{5});
    EXPECT_TRUE(failures_.empty());
}

TEST_F(FolderModelTest, anEditTheArchiveRefusesChangesNeitherTheArchiveNorTheModel) {
    FolderModel model = withFoldersAndMails();
    auto done = [](int answer) { return answer == FolderModel::kOk; };
    const std::vector<int32_t> mails{1, 3};
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"BEFORE INSERT ON mailDirTabl WHEN NEW.ID = 9", [&] { return done(model.addFolder(3, 9, "new")); }},
        {"BEFORE UPDATE ON mailDirTabl", [&] { return model.renameFolder(3, "new"); }},
        {"BEFORE INSERT ON mailDirTabl WHEN NEW.parentID = 5", [&] { return done(model.moveFolder(3, 5)); }},
        // After the header rows, at the stored files; and at the very end.
        {"BEFORE DELETE ON MailOBJTabl WHEN OLD.ID = 4", [&] { return model.deleteFolder(2); }},
        {"BEFORE INSERT ON mailDirTabl", [&] { return model.deleteFolder(2); }},
        {"BEFORE UPDATE ON MailInfTabl WHEN NEW.ID = 3", [&] { return model.moveMails(mails, 5); }},
        {"BEFORE DELETE ON MailOBJTabl WHEN OLD.ID = 3", [&] { return deleteMailsFromArchive(file_, defs_, mails); }},
        {"BEFORE INSERT ON mailDirTabl", [&] { return model.save(); }},
    };
    for (const auto& [refusal, edit] : cases) {
        SCOPED_TRACE(refusal);
        sql(std::string("CREATE TRIGGER refuse ") + refusal + " BEGIN SELECT RAISE(ABORT, 'refused'); END");
        const Rows before = snapshot(), held = shape(model);
        const Ids positions = model.positions();
        failures_.clear();
        EXPECT_FALSE(edit());
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(shape(model), held);
        EXPECT_EQ(model.positions(), positions);
        ASSERT_EQ(failures_.size(), 1u);
        EXPECT_EQ(failures_[0].description, "refused");
        sql("DROP TRIGGER refuse");
    }
}

TEST_F(FolderModelTest, editsKeepTheArchiveWholeAndAsTheModelHoldsIt) {
    FolderModel model = withFoldersAndMails();
    auto done = [](int answer) { return answer == FolderModel::kOk; };
    const std::vector<int32_t> some{1, 2, 6, 99}, five{5}, seven{7};  // 99 is no mail
    const std::function<bool()> edits[] = {
        [&] { return model.moveMails(some, 4); },
        [&] { return done(model.moveFolder(4, 5)); },
        [&] { return done(model.addFolder(4, 6, "d")); },
        [&] { return model.moveMails(five, 6); },
        [&] { return model.renameFolder(2, "z"); },
        [&] { return done(model.moveFolder(2, 6)); },
        [&] { return deleteMailsFromArchive(file_, defs_, seven); },
        [&] { return model.deleteFolder(5); },
    };
    for (size_t i = 0; i < std::size(edits); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(edits[i]());
        expectInvariants();
        EXPECT_EQ(shape(loaded()), shape(model));
    }
    EXPECT_FALSE(model.moveMails(five, 99));  // no such folder
    EXPECT_EQ(model.positions(), Ids{1});
    EXPECT_EQ(mailIds("MailInfTabl"), Rows{});
    EXPECT_EQ(mailIds("MailOBJTabl"), Rows{});
    EXPECT_TRUE(failures_.empty());
}
