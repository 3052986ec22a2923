// Measures the database layer on large archives:
//  - opening a read-only set over 100,000 MailInfTabl rows and walking to EOF;
//  - FindFirst "ID = n" on 10,000 and 100,000 rows (it must not grow with n);
//  - storing and reading back a 200 MB mailFlObj in chunks, with peak memory.
// Usage: archive_bench [WORK_FOLDER]   (default: a folder under /tmp)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"

namespace fs = std::filesystem;
using namespace quorvel::archive;
using Clock = std::chrono::steady_clock;

namespace {

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

long peakRssMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

long currentRssMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE) / (1024 * 1024);
}

std::string makeArchive(const std::string& folder, const std::string& name) {
    std::string path = folder + "/" + name;
    fs::copy_file(QUORVEL_TEMPLATE, path, fs::copy_options::overwrite_existing);
    return path;
}

void fillMails(const std::string& path, int count) {
    LtDataBaseInfo db(path, "MailInfTabl");
    if (!db.DB_Open("", true)) {
        std::exit(1);
    }
    Transaction tx(*db.Dbase);
    for (int i = 1; i <= count; ++i) {
        db.DB_AddNew();
        auto& rs = *db.RecSet;
        rs.Fields("dirID").setValue(1 + i % 50);
        rs.Fields("ID").setValue(i);
        rs.Fields("mailType").setValue("R");
        rs.Fields("DateR").setValue("2002/01/01 10:15");
        rs.Fields("From").setValue("山田 太郎 <taro.yamada@example.co.jp>");
        rs.Fields("Subject").setValue("月例報告 第" + std::to_string(i) + "号: 会議の議事録と次回の予定について");
        rs.Fields("Date").setValue("2002/01/01 10:14");
        rs.Fields("To").setValue("team@example.co.jp, manager@example.co.jp");
        rs.Fields("size").setValue("12KB");
        db.DB_Update();
    }
    DbError e;
    tx.commit(e);
}

void benchWalk(const std::string& path, int count) {
    auto t = Clock::now();
    LtDataBaseInfo db(path, "MailInfTabl");
    db.DB_Open(sqlSelectAllById("MailInfTabl"), false);
    double opened = since(t);
    size_t bytes = 0;
    long rows = 0;
    db.DB_MoveFirst();
    while (!db.RecSet->isEOF()) {
        bytes += db.RecSet->Fields("Subject").Value().toText().size();
        ++rows;
        db.DB_MoveNext();
    }
    double total = since(t);
    std::printf("walk %d rows: open %.3f s, open+walk %.3f s (%ld rows, %zu subject bytes)\n", count, opened, total,
                rows, bytes);
}

void benchFind(const std::string& path, int count) {
    LtDataBaseInfo db(path, "MailInfTabl");
    db.DB_Open(sqlSelectAllById("MailInfTabl"), false);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> pick(1, count);
    auto t = Clock::now();
    db.DB_FindFirst(condId(pick(rng)));
    double first = since(t);
    constexpr int kFinds = 2000;
    t = Clock::now();
    int hits = 0;
    for (int i = 0; i < kFinds; ++i) {
        hits += db.DB_FindFirst(condId(pick(rng))) ? 1 : 0;
    }
    double each = since(t) / kFinds;
    std::printf("FindFirst on %d rows: first %.2f ms (builds the position map), then %.1f us each (%d/%d hits)\n",
                count, first * 1e3, each * 1e6, hits, kFinds);
}

void benchLongBinary(const std::string& folder) {
    const std::string mail = folder + "/big.eml";
    {
        std::ofstream out(mail, std::ios::binary);
        std::string line = "This is one line of a very large mail body, repeated to make 200 MB.\r\n";
        const size_t total = 200u * 1024 * 1024;
        for (size_t written = 0; written < total; written += line.size()) {
            out << line;
        }
    }
    const std::string path = makeArchive(folder, "blob.qvb");
    long before = currentRssMiB();
    auto t = Clock::now();
    {
        LtDataBaseInfo db(path, "MailOBJTabl");
        db.DB_Open(sqlSelectAllById("MailOBJTabl"), true);
        db.DB_AddNew();
        db.RecSet->Fields("ID").setValue(1);
        db.RecSet->Fields("mailFlObj").AppendChunkFromFile(mail);
        db.DB_Update();
    }
    double stored = since(t);
    long afterStore = peakRssMiB();
    t = Clock::now();
    size_t read = 0;
    {
        LtDataBaseInfo db(path, "MailOBJTabl");
        db.DB_Open(sqlSelectAllById("MailOBJTabl"), false);
        db.DB_FindFirst(condId(1));
        Field& f = db.RecSet->Fields("mailFlObj");
        const int64_t size = f.FieldSize();
        constexpr int64_t kChunk = 1 << 20;
        for (int64_t off = 0; off < size; off += kChunk) {
            read += f.GetChunk(off, kChunk)->size();
        }
    }
    double readTime = since(t);
    std::printf("200 MB mailFlObj: stored from the file in %.2f s, read back in 1 MiB chunks in %.2f s (%zu bytes)\n",
                stored, readTime, read);
    std::printf("memory: %ld MiB resident before, peak %ld MiB after storing, peak %ld MiB after reading\n", before,
                afterStore, peakRssMiB());
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : (fs::temp_directory_path() / "quorvel-archive-bench").string();
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (int count : {10000, 100000}) {
        std::string path = makeArchive(folder, "mails" + std::to_string(count) + ".qvb");
        fillMails(path, count);
        benchWalk(path, count);
        benchFind(path, count);
    }
    if (!std::getenv("QV_BENCH_KEEP")) {
        benchLongBinary(folder);
        fs::remove_all(folder);
    }
    return 0;
}
