// Deletes a folder holding 10,000 mails from an archive of 100,000 mails in
// ten folders, through the same code as the tree's フォルダ削除.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "folders/FolderEditor.h"
#include "folders/FolderTree.h"
#include "folders/TreeDrops.h"
#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "platform/dialogs/MessageService.h"
#include "toolkit/ListView.h"
#include "toolkit/StatusBar.h"
#include "toolkit/TreeView.h"

namespace fs = std::filesystem;
using namespace quorvel;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const std::string folder = (fs::temp_directory_path() / "quorvel-folder-bench").string();
    fs::remove_all(folder);
    fs::create_directories(folder);
    constexpr int kMails = 100000;
    constexpr int kFolders = 10;

    ProgramValues pv;
    pv.defs = archive::makeTableDefs();
    pv.arcPath = folder;
    pv.arcName = pv.lockName = "a.qvb";
    pv.workPath = folder;
    fs::copy_file(QUORVEL_TEMPLATE, workingFile(pv));
    {
        archive::LtDataBaseInfo dirs(workingFile(pv), "mailDirTabl");
        dirs.DB_Open("", true);
        for (int f = 2; f < 2 + kFolders; ++f) {
            dirs.DB_AddNew();
            dirs.RecSet->Fields("ID").setValue(f);
            dirs.RecSet->Fields("dname").setValue("folder " + std::to_string(f));
            dirs.RecSet->Fields("parentID").setValue(1);
            dirs.DB_Update();
        }
    }
    for (const char* table : {"MailInfTabl", "MailOBJTabl"}) {
        archive::LtDataBaseInfo db(workingFile(pv), table);
        db.DB_Open(archive::sqlAppendOnly(table), true);
        archive::Transaction tx(*db.Dbase);
        const std::string bytes(2048, 'm');
        for (int i = 1; i <= kMails; ++i) {
            db.DB_AddNew();
            db.RecSet->Fields("ID").setValue(i);
            if (std::string(table) == "MailInfTabl") {
                db.RecSet->Fields("dirID").setValue(2 + i % kFolders);
                db.RecSet->Fields("Subject").setValue("件名 " + std::to_string(i));
            } else {
                db.RecSet->Fields("mailFlObj").AppendChunk(bytes);
            }
            db.DB_Update();
        }
        archive::DbError e;
        tx.commit(e);
    }

    ui::TreeView tree;
    ui::ListView list;
    QLabel title, header;
    ui::StatusBar status;
    QMenu listMenu, treeMenu;
    QAction deleteFolder;
    MailList mails(pv, list, listMenu);
    Preview preview(pv, header, list, [](const QString&) {});
    FolderTree folders(pv, tree, title, status, mails, preview);
    int32_t dirCounter = kFolders + 1;
    FolderEditor editor(pv, dirCounter, tree, folders, treeMenu, deleteFolder);
    folders.loadTree();
    platform::ScopedScriptedMessages answers;  // the confirmation is answered OK

    tree.selectNode("5_");
    auto t = Clock::now();
    editor.mnuDelFld_Click();
    const double seconds = std::chrono::duration<double>(Clock::now() - t).count();

    long long left = 0;
    {
        archive::LtDataBaseInfo check(workingFile(pv), "MailInfTabl");
        check.DB_Open("", false);
        left = static_cast<long long>(check.RecSet->RecordCount());
    }
    std::printf("deleting a folder of %d mails from an archive of %d: %.3f s (%lld mails left)\n", kMails / kFolders,
                kMails, seconds, left);

    // Moving 1,000 mails of folder 2 to folder 3, as dropping them on the tree does.
    std::vector<std::string> keys;
    for (int i = 10; i <= kMails && keys.size() < 1000; i += kFolders) {
        keys.push_back(archive::makeKey(i));  // i % 10 == 0: folder 2
    }
    t = Clock::now();
    const bool moved = moveMailsToFolder(pv, folders.model(), keys, "3_");
    const double moveSeconds = std::chrono::duration<double>(Clock::now() - t).count();
    std::printf("moving %zu mails to another folder: %.3f s (%s)\n", keys.size(), moveSeconds,
                moved ? "moved" : "failed");
    fs::remove_all(folder);
    return 0;
}
