// Measures the mail list on a folder of 100,000 mails: filling it with
// s_mailListLoad, a header-click sort, and the memory the list takes.
// Usage: maillist_bench [WORK_FOLDER]
#include <unistd.h>
#include <QApplication>
#include <QMenu>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/ProgramValues.h"
#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "maillist/MailDeletion.h"
#include "maillist/MailList.h"
#include "toolkit/ListView.h"

namespace fs = std::filesystem;
using namespace quorvel;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

long residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE) / (1024 * 1024);
}

void fill(const std::string& path, int count) {
    archive::LtDataBaseInfo db(path, "MailInfTabl");
    if (!db.DB_Open("", true)) {
        std::exit(1);
    }
    archive::Transaction tx(*db.Dbase);
    for (int i = 1; i <= count; ++i) {
        db.DB_AddNew();
        auto& rs = *db.RecSet;
        rs.Fields("dirID").setValue(1);
        rs.Fields("ID").setValue(i);
        rs.Fields("mailType").setValue(i % 3 ? "R" : "S");
        rs.Fields("X-Priority").setValue(i % 50 ? "" : "！");
        rs.Fields("attachment").setValue(i % 7 ? "" : "〆");
        rs.Fields("DateR").setValue("2002/01/" + std::to_string(10 + i % 20) + " 10:" + std::to_string(10 + i % 50));
        rs.Fields("From").setValue("送信者 " + std::to_string(i % 997) + " <user" + std::to_string(i) +
                                   "@example.co.jp>");
        rs.Fields("Subject").setValue("件名 第" + std::to_string(i) + "号 会議の議事録について");
        rs.Fields("Date").setValue("2002/01/" + std::to_string(10 + i % 20) + " 09:" + std::to_string(10 + i % 50));
        rs.Fields("To").setValue("team@example.co.jp");
        rs.Fields("size").setValue(std::to_string(1 + i % 300) + "KB");
        db.DB_Update();
    }
    archive::DbError e;
    tx.commit(e);
    db.DB_Close();
    // Each mail's stored file, small here: the deletion's cost is in finding rows.
    archive::LtDataBaseInfo obj(path, "MailOBJTabl");
    obj.DB_Open("SELECT * FROM MailOBJTabl WHERE 0", true);
    archive::Transaction objTx(*obj.Dbase);
    const std::string bytes(2048, 'm');
    for (int i = 1; i <= count; ++i) {
        obj.DB_AddNew();
        obj.RecSet->Fields("ID").setValue(i);
        obj.RecSet->Fields("mailFlObj").AppendChunk(bytes);
        obj.DB_Update();
    }
    objTx.commit(e);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const std::string folder = argc > 1 ? argv[1] : (fs::temp_directory_path() / "quorvel-maillist-bench").string();
    fs::remove_all(folder);
    fs::create_directories(folder);
    constexpr int kMails = 100000;

    ProgramValues pv;
    pv.defs = archive::makeTableDefs();
    pv.arcPath = folder;
    pv.arcName = pv.lockName = "mails.qvb";
    fs::copy_file(QUORVEL_TEMPLATE, workingFile(pv));
    fill(workingFile(pv), kMails);

    ui::ListView list;
    QMenu menu;
    MailList mails(pv, list, menu);
    mails.buildColumns();
    list.resize(900, 500);
    list.show();
    app.processEvents();

    const long before = residentMiB();
    auto t = Clock::now();
    mails.s_mailListLoad("1_");
    app.processEvents();
    const double load = since(t);
    const long afterLoad = residentMiB();
    t = Clock::now();
    mails.lvListView_ColumnClick(7);  // 件名, descending
    app.processEvents();
    const double sortSubject = since(t);
    t = Clock::now();
    mails.lvListView_ColumnClick(5);  // 受信日時
    app.processEvents();
    const double sortDate = since(t);
    t = Clock::now();
    mails.s_mailListLoad("1_");  // a fill while sorted comes out sorted
    app.processEvents();
    const double sortedLoad = since(t);

    // Deleting 1,000 selected mails of the folder, as mnuDelMal does.
    std::vector<int32_t> ids;
    for (int i = 1; i <= 1000; ++i) {
        ids.push_back(i * (kMails / 1000));
    }
    t = Clock::now();
    deleteMailsFromArchive(workingFile(pv), pv.defs, ids);
    const double deletion = since(t);

    std::printf("deleting 1,000 of %d mails from both tables: %.3f s\n", kMails, deletion);
    std::printf("s_mailListLoad of %d mails: %.3f s (%d rows shown)\n", kMails, load, list.itemCount());
    std::printf("header-click sort: subject %.3f s, received date %.3f s; a fill while sorted %.3f s\n", sortSubject,
                sortDate, sortedLoad);
    std::printf("memory: %ld MiB resident before the fill, %ld MiB after (the list holds about %ld MiB)\n", before,
                afterLoad, afterLoad - before);
    fs::remove_all(folder);
    return 0;
}
