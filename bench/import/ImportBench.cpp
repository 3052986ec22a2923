// Imports a drop of generated mails of about 20 KB each into an archive, the
// way the window stores them (parse, then both rows of each mail in one
// transaction, one archive task per mail), and compares the throughput with
// a plain SQLite bulk insert of the same bytes in one transaction.
// Usage: import_store_bench [MAILS]   (default 10000)
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "archive/ArchiveLocation.h"
#include "archive/Schema.h"
#include "archive/db/Database.h"
#include "bench/import/BenchCorpus.h"
#include "import/MailImporter.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace quorvel;

namespace {

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

long peakRssMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

archive::ArchiveLocation archiveIn(const std::string& folder, const std::string& name) {
    archive::ArchiveLocation pv;
    pv.defs = archive::makeTableDefs();
    pv.arcPath = folder;
    pv.arcName = pv.lockName = name;
    fs::copy_file(QUORVEL_TEMPLATE, workingFile(pv), fs::copy_options::overwrite_existing);
    return pv;
}

double importRun(archive::ArchiveLocation& pv, const std::vector<std::string>& files) {
    int32_t counter = 0;
    auto t = Clock::now();
    auto result = mailimport::importFiles(pv, counter, files, "1_");
    const double seconds = since(t);
    if (result.stored != static_cast<int>(files.size())) {
        std::fprintf(stderr, "stored %d of %zu\n", result.stored, files.size());
        std::exit(1);
    }
    return seconds;
}

double plainBulkInsert(const std::string& path, const std::vector<std::string>& files) {
    fs::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE m (ID INTEGER, body BLOB)", nullptr, nullptr, nullptr);
    auto t = Clock::now();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO m VALUES (?, ?)", -1, &st, nullptr);
    int id = 0;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        sqlite3_bind_int(st, 1, ++id);
        sqlite3_bind_blob(st, 2, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double seconds = since(t);
    sqlite3_close(db);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    bench::ScratchDir scratch;
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(scratch.path() + "/" + std::to_string(i) + ".eml");
        std::ofstream(files.back(), std::ios::binary) << bench::corpusMail(i, 20000);
    }

    // The working copy of an archive opened with lock files: scratch until saved.
    archive::ArchiveLocation working = archiveIn(scratch.path(), "working.hvl");
    archive::markScratchFile(workingFile(working), true);
    const double scratchSeconds = importRun(working, files);

    // An archive worked on in place: each stored mail is on disk when reported.
    const int durableCount = std::min(count, 1000);
    archive::ArchiveLocation inPlace = archiveIn(scratch.path(), "inplace.qvb");
    const double durableSeconds =
        importRun(inPlace, std::vector<std::string>(files.begin(), files.begin() + durableCount));

    const double plain = plainBulkInsert(scratch.path() + "/plain.db", files);
    std::printf("import of %d mails of about 20 KB into a working copy: %.2f s, %.0f mails/s\n", count,
                scratchSeconds, count / scratchSeconds);
    std::printf("plain SQLite bulk insert of the same bytes in one transaction: %.2f s, %.0f mails/s; "
                "the import runs at %.2f of it\n",
                plain, count / plain, plain / scratchSeconds);
    std::printf("import of %d mails into an archive in place (each mail synced): %.2f s, %.0f mails/s\n",
                durableCount, durableSeconds, durableCount / durableSeconds);
    std::printf("peak memory: %ld MiB\n", peakRssMiB());
    return 0;
}
