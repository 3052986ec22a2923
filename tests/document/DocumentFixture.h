#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/LockFile.h"
#include "archive/LtDataBaseInfo.h"
#include "document/ArchiveDocument.h"
#include "document/DocumentTexts.h"
#include "platform/dialogs/FileDialogService.h"
#include "platform/dialogs/MessageService.h"
#include "tests/support/TestEnv.h"

namespace quorvel::test {

// Shows the archive as the window's folder tree does, by reading the working
// file's folders (nothing shown when they cannot be read), and records what
// it was asked.
class RecordingView : public DocumentView {
public:
    explicit RecordingView(const ProgramValues& pv) : pv_(pv) {}

    bool showArchive(Showing how) override {
        shown.push_back(how);
        folders.clear();
        archive::LtDataBaseInfo db(workingFile(pv_), "mailDirTabl");
        if (db.DB_Open("", false)) {
            for (bool ok = db.DB_MoveFirst(); ok && !db.RecSet->isEOF(); ok = db.DB_MoveNext()) {
                folders.push_back(db.RecSet->Fields("ID").Value().toText() + "_");
            }
        }
        return !folders.empty();
    }
    void showNoArchive() override {
        ++noArchiveShown;
        folders.clear();
    }
    void setBusy(const char* text) override { busy.push_back(text ? text : "(end)"); }

    bool showsFolder(const std::string& key) const {
        return std::find(folders.begin(), folders.end(), key) != folders.end();
    }

    std::vector<Showing> shown;
    std::vector<std::string> folders;  // the keys of the folders shown now
    int noArchiveShown = 0;
    std::vector<std::string> busy;

private:
    const ProgramValues& pv_;
};

// One instance's document as start-up leaves it: a program folder holding the
// template, a working folder, private settings, scripted answers and dialogs.
class DocumentTest : public ::testing::Test {
protected:
    IsolatedXdg env;
    TempDir dir;
    platform::ScopedScriptedMessages msgs;
    platform::ScriptedFileDialogs files;
    ProgramValues pv;
    RecordingView view{pv};
    ArchiveDocument doc{pv, view};

    void SetUp() override {
        pv.sysPath = dir.file("sys");
        pv.workPath = dir.file("work");
        std::filesystem::create_directories(pv.workPath);
        std::filesystem::create_directories(pv.sysPath);
        std::filesystem::copy_file(builtTemplatePath(), templatePath());
        pv.useLockF = "1";
        pv.defs = archive::makeTableDefs();
        platform::setFileDialogService(&files);
    }
    void TearDown() override {
        pv.modFlag = false;
        doc.close();  // lets go of the working copy's claim
        platform::setFileDialogService(nullptr);
    }

    std::string templatePath() const { return pv.sysPath + "/" + texts::kTemplateName; }
    std::string working(const std::string& name) const { return pv.workPath + "/" + name; }

    // An archive copied from the template, changed by `sql` when given.
    std::string archiveFile(const std::string& name, const char* sql = nullptr) {
        const std::string path = dir.file(name);
        std::filesystem::copy_file(builtTemplatePath(), path);
        if (sql) {
            runSql(path, sql);
        }
        return path;
    }

    static void runSql(const std::string& path, const char* sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    }

    // The folders in an archive file, or -1 when they cannot be read.
    static int folderRows(const std::string& path) {
        sqlite3* db = nullptr;
        int rows = -1;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "SELECT count(*) FROM mailDirTabl", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            rows = sqlite3_column_int(st, 0);
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return rows;
    }

    // A change to the open archive, as an import or a folder edit makes one.
    void addFolder(int id) {
        const std::string sql = "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (" + std::to_string(id) + ", 'f" +
                                std::to_string(id) + "', 1)";
        runSql(workingFile(pv), sql.c_str());
        doc.markModified();
    }

    std::string lastMessage() const { return msgs.shown().empty() ? "" : msgs.shown().back().text; }
    std::string openedPath() const { return pv.arcPath + "/" + pv.arcName; }
};

}  // namespace quorvel::test
