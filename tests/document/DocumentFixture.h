#pragma once

#include <gtest/gtest.h>

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
#include "tests/support/ArchiveSql.h"
#include "tests/support/TestEnv.h"

namespace quorvel::test {

// Shows the archive as the window's folder tree does, by reading the working
// file's folders (nothing shown when they cannot be read); records the calls.
class RecordingView : public DocumentView {
public:
    explicit RecordingView(const ProgramValues& pv) : pv_(pv) {}
    bool showArchive(Showing how) override {
        shown.push_back(how);
        folders.clear();
        archive::LtDataBaseInfo db(workingFile(pv_), "mailDirTabl");
        for (bool ok = db.DB_Open("", false) && db.DB_MoveFirst(); ok && !db.RecSet->isEOF(); ok = db.DB_MoveNext()) {
            folders.push_back(db.RecSet->Fields("ID").Value().toText() + "_");
        }
        return !folders.empty();
    }
    void showNoArchive() override {
        ++noArchiveShown;
        folders.clear();
    }
    void setBusy(const char* text) override { busy.push_back(text ? text : "(end)"); }
    bool showsFolder(const std::string& key) const { return std::ranges::count(folders, key) > 0; }

    std::vector<Showing> shown;
    std::vector<std::string> folders;  // the keys of the folders shown now
    std::vector<std::string> busy;
    int noArchiveShown = 0;

private:
    const ProgramValues& pv_;
};

// One instance's document as start-up leaves it: a program folder with the
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
    std::string openedPath() const { return pv.arcPath + "/" + pv.arcName; }
    // The last message box and file dialog, or empty ones when none was shown.
    platform::ScriptedMessageService::Shown lastShown() const {
        return msgs.shown().empty() ? platform::ScriptedMessageService::Shown{} : msgs.shown().back();
    }
    std::string lastMessage() const { return lastShown().text; }
    platform::FileDialogRequest lastAsked() const {
        return files.asked().empty() ? platform::FileDialogRequest{} : files.asked().back().request;
    }

    // An archive copied from the template, changed by `sql` when given.
    std::string archiveFile(const std::string& name, const std::string& sql = "") {
        const std::string path = dir.file(name);
        std::filesystem::copy_file(builtTemplatePath(), path);
        if (!sql.empty()) {
            runSql(path, sql);
        }
        return path;
    }
    static void runSql(const std::string& path, const std::string& sql) { sqlRows(path, sql); }
    static int64_t folderRows(const std::string& path) {
        const std::vector<std::string> rows = sqlRows(path, "SELECT count(*) FROM mailDirTabl");
        return rows.empty() ? -1 : std::stoll(rows[0]);
    }
    // A change to the open archive, as an import or a folder edit makes one.
    void addFolder(int id) {
        const std::string n = std::to_string(id);
        runSql(workingFile(pv), "INSERT INTO mailDirTabl (ID, dname, parentID) VALUES (" + n + ", 'f" + n + "', 1)");
        doc.markModified();
    }
};

}  // namespace quorvel::test
