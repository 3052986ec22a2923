// The search benchmark: archives of generated Japanese mails (10,000 of
// about 20 KB, and 100,000), indexed as the first search indexes them, then
// searched. Every figure stands beside a baseline measured in the same run:
//   index build   mails/s, against reading the same stored mails and parsing
//                 them with GMime only (no text, no index);
//   one word      median time of a two-character word, against LIKE '%予算%'
//                 over MailInfTabl.Subject (the only text a plain query has);
//   three words   median time, the same baseline;
//   size          the index against the archive and against the text it holds,
//                 with detail=column beside it for the smaller archive.
// The smaller archive is made twice: of typical mails (headers, the text as
// plain text and as HTML, some attachments) and of mails that are all
// Japanese plain text, the most text a mail of that size can hold.
// Usage: search_bench [WORK_FOLDER] [SMALL=10000] [LARGE=100000] [LARGE_MAIL_BYTES=20000]
#include <gmime/gmime.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/db/Database.h"
#include "bench/search/MailGenerator.h"
#include "search/MailText.h"
#include "search/QueryParser.h"
#include "search/Search.h"
#include "search/SearchIndex.h"
#include "search/Segmenter.h"
#include "search/Tokenizer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace quorvel;

namespace {

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// The processor time this process has used, in seconds. Other work on the
// machine stretches the time on the clock but hardly this.
double processorSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// A rate measured on the clock and on the processor.
struct Rate {
    double wall, processor;
};

Rate rateOf(double count, const std::function<void()>& work) {
    const auto t = Clock::now();
    const double p = processorSeconds();
    work();
    return {count / since(t), count / (processorSeconds() - p)};
}

[[noreturn]] void die(const std::string& what) {
    std::fprintf(stderr, "search_bench: %s\n", what.c_str());
    std::exit(1);
}

void exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        die(std::string(sql) + ": " + (error ? error : ""));
    }
}

int64_t scalar(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    const int64_t value = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return value;
}

double mib(double bytes) {
    return bytes / (1024.0 * 1024.0);
}

// Makes the archive; the mails' average size in bytes.
double generate(const std::string& path, int mails, size_t mailBytes, bench::MailShape shape) {
    fs::copy_file(QUORVEL_TEMPLATE, path, fs::copy_options::overwrite_existing);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    exec(db, "PRAGMA synchronous=OFF; BEGIN");
    sqlite3_stmt *inf = nullptr, *obj = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO MailInfTabl (dirID, ID, mailType, attachment, DateR, [From], Subject, [Date], "
                       "[To], size) VALUES (1, ?1, 'R', '', ?2, ?3, ?4, ?2, ?5, ?6)",
                       -1, &inf, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO MailOBJTabl (ID, mailFlObj) VALUES (?1, ?2)", -1, &obj, nullptr);
    bench::MailGenerator generator(20240401);
    double total = 0;
    for (int id = 1; id <= mails; ++id) {
        const bench::GeneratedMail m = generator.next(mailBytes, shape);
        total += static_cast<double>(m.bytes.size());
        const std::string size = std::to_string((m.bytes.size() + 1023) / 1024) + "KB";
        sqlite3_bind_int(inf, 1, id);
        sqlite3_bind_text(inf, 2, m.date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(inf, 3, m.from.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(inf, 4, m.subject.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(inf, 5, m.to.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(inf, 6, size.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(obj, 1, id);
        sqlite3_bind_blob(obj, 2, m.bytes.data(), static_cast<int>(m.bytes.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(inf) != SQLITE_DONE || sqlite3_step(obj) != SQLITE_DONE) {
            die(sqlite3_errmsg(db));
        }
        sqlite3_reset(inf);
        sqlite3_reset(obj);
    }
    sqlite3_finalize(inf);
    sqlite3_finalize(obj);
    exec(db, "COMMIT");
    sqlite3_close(db);
    return total / mails;
}

// Calls `each` with every stored mail's bytes, in identifier order.
void forEachStoredMail(sqlite3* db, const std::function<void(const char*, size_t)>& each) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT mailFlObj FROM MailOBJTabl ORDER BY ID", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        each(static_cast<const char*>(sqlite3_column_blob(st, 0)), static_cast<size_t>(sqlite3_column_bytes(st, 0)));
    }
    sqlite3_finalize(st);
}

void gmimeOnly(sqlite3* db) {
    forEachStoredMail(db, [](const char* bytes, size_t size) {
        GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes, size);
        GMimeParser* parser = g_mime_parser_new_with_stream(stream);
        GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
        if (message) {
            g_object_unref(message);
        }
        g_object_unref(parser);
        g_object_unref(stream);
    });
}

// The text the index holds, in bytes, as the index reads it.
double textBytes(sqlite3* db) {
    search::MailTextReader reader;
    double total = 0;
    forEachStoredMail(db, [&](const char* bytes, size_t size) {
        const search::MailText text = reader.read(std::string_view(bytes, size));
        total += static_cast<double>(text.subject.size() + text.sender.size() + text.recipients.size() +
                                     text.body.size() + text.attachments.size());
    });
    return total;
}

int appendTerm(void* context, const search::Term& term) {
    auto* out = static_cast<std::string*>(context);
    out->append(term.text).push_back(' ');
    return 0;
}

// FTS5's own share of the build: the same mails' terms, cut beforehand and
// written with blanks between them, into the same kind of table through
// FTS5's plain ascii tokenizer, in transactions of the same size.
double fts5Only(sqlite3* db) {
    search::MailTextReader reader;
    search::Segmenter segmenter;
    std::vector<std::array<std::string, 5>> cut;
    forEachStoredMail(db, [&](const char* bytes, size_t size) {
        const search::MailText text = reader.read(std::string_view(bytes, size));
        std::array<std::string, 5>& fields = cut.emplace_back();
        const std::string* from[] = {&text.subject, &text.sender, &text.recipients, &text.body, &text.attachments};
        for (int i = 0; i < 5; ++i) {
            segmenter.run(*from[i], search::SegmentMode::Document, appendTerm, &fields[i]);
        }
    });
    exec(db,
         "CREATE VIRTUAL TABLE temp.plain USING fts5(subject, sender, recipients, body, attachments, "
         "tokenize='ascii', content='', columnsize=0, detail=full);"
         "INSERT INTO temp.plain (plain, rank) VALUES ('hashsize', 67108864)");
    sqlite3_stmt* add = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO temp.plain (rowid, subject, sender, recipients, body, attachments) VALUES "
                       "(?1, ?2, ?3, ?4, ?5, ?6)",
                       -1, &add, nullptr);
    const Rate rate = rateOf(static_cast<double>(cut.size()), [&] {
        for (size_t row = 0; row < cut.size(); ++row) {
            if (row % 1000 == 0) {
                exec(db, row ? "RELEASE plain; SAVEPOINT plain" : "SAVEPOINT plain");
            }
            sqlite3_bind_int64(add, 1, static_cast<int64_t>(row + 1));
            for (int i = 0; i < 5; ++i) {
                sqlite3_bind_text(add, i + 2, cut[row][i].data(), static_cast<int>(cut[row][i].size()), SQLITE_STATIC);
            }
            sqlite3_step(add);
            sqlite3_reset(add);
        }
        exec(db, "RELEASE plain");
    });
    sqlite3_finalize(add);
    exec(db, "DROP TABLE temp.plain");
    return rate.processor;
}

// The same text in a table with detail=column, for its size.
double detailColumnBytes(sqlite3* db) {
    exec(db,
         "CREATE VIRTUAL TABLE temp.byColumn USING fts5(subject, sender, recipients, body, attachments, "
         "tokenize='quorvel', content='', columnsize=0, detail=column)");
    search::MailTextReader reader;
    sqlite3_stmt* add = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO temp.byColumn (rowid, subject, sender, recipients, body, attachments) VALUES "
                       "(?1, ?2, ?3, ?4, ?5, ?6)",
                       -1, &add, nullptr);
    int64_t row = 0;
    exec(db, "SAVEPOINT byColumn");
    forEachStoredMail(db, [&](const char* bytes, size_t size) {
        const search::MailText text = reader.read(std::string_view(bytes, size));
        sqlite3_bind_int64(add, 1, ++row);
        const std::string* fields[] = {&text.subject, &text.sender, &text.recipients, &text.body, &text.attachments};
        for (int i = 0; i < 5; ++i) {
            sqlite3_bind_text(add, i + 2, fields[i]->data(), static_cast<int>(fields[i]->size()), SQLITE_STATIC);
        }
        sqlite3_step(add);
        sqlite3_reset(add);
    });
    sqlite3_finalize(add);
    exec(db, "RELEASE byColumn; INSERT INTO temp.byColumn (byColumn) VALUES ('optimize')");
    const double bytes =
        static_cast<double>(scalar(db, "SELECT sum(pgsize) FROM dbstat('temp') WHERE name LIKE 'byColumn%'"));
    exec(db, "DROP TABLE temp.byColumn");
    return bytes;
}

double medianMs(const std::function<void()>& run, int times = 15) {
    run();  // warm
    std::vector<double> ms;
    for (int i = 0; i < times; ++i) {
        const auto t = Clock::now();
        run();
        ms.push_back(since(t) * 1000);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

size_t hits(sqlite3* db, const std::string& text) {
    const search::ParsedQuery parsed = search::parseQuery(text);
    if (!parsed.query) {
        die(text + ": " + parsed.message);
    }
    const search::SearchResult result = search::search(db, *parsed.query);
    if (result.status != search::SearchResult::Status::Done) {
        die(text + ": " + result.error);
    }
    return result.hits.size();
}

void measureQuery(sqlite3* db, const std::string& text, const char* what) {
    size_t found = 0;
    const double ms = medianMs([&] { found = hits(db, text); });
    std::printf("  %-13s %-26s %8.2f ms  (%zu hits)\n", what, text.c_str(), ms, found);
}

void run(const std::string& folder, int mails, size_t mailBytes, bench::MailShape shape, bool queries) {
    const std::string path = folder + "/search-" + std::to_string(mails) + ".qvb";
    const bool typical = shape == bench::MailShape::Typical;
    std::printf("== %d mails of about %zu bytes, %s\n", mails, mailBytes,
                typical ? "typical (headers, plain text and HTML, some attachments)" : "all plain Japanese text");
    auto t = Clock::now();
    const double average = generate(path, mails, mailBytes, shape);
    const double archiveBytes = static_cast<double>(fs::file_size(path));
    std::printf("  generated in %.1f s; mails of %.1f KB on average; archive %.1f MiB\n", since(t), average / 1024,
                mib(archiveBytes));

    // The working copy the program indexes is a scratch file.
    archive::markScratchFile(path, true);
    archive::DbError error;
    auto database = archive::Database::openExclusive(path, error);
    if (!database) {
        die(error.message);
    }
    sqlite3* db = database->handle();
    std::string registerError;
    if (!search::registerTokenizer(db, &registerError)) {
        die(registerError);
    }

    const Rate baseline = rateOf(mails, [&] { gmimeOnly(db); });
    double text = 0;
    const Rate extraction = rateOf(mails, [&] { text = textBytes(db); });
    search::IndexResult indexed;
    const Rate build = rateOf(mails, [&] { indexed = search::synchronise(db); });
    if (!indexed.ok || indexed.indexed != mails) {
        die("index: " + indexed.error);
    }
    std::printf("  index build   %6.0f mails/s of processor time (%.0f on the clock)\n", build.processor, build.wall);
    std::printf("     baseline   %6.0f mails/s read and parsed by GMime only (%.0f); the text alone %.0f (%.0f)\n",
                baseline.processor, baseline.wall, extraction.processor, extraction.wall);
    const double index = static_cast<double>(scalar(db, "SELECT sum(pgsize) FROM dbstat WHERE name LIKE 'qvSearch%'"));
    std::printf("  index size    %8.1f MiB = %.2f x the text (%.1f MiB), %.2f x the archive before it (%.1f MiB)\n",
                mib(index), index / text, mib(text), index / archiveBytes, mib(archiveBytes));
    if (queries && mails <= 10000) {
        std::printf("     FTS5's own share: the same terms cut beforehand, %.0f mails/s of processor time\n",
                    fts5Only(db));
    }
    if (!queries) {
        const double byColumn = detailColumnBytes(db);
        std::printf("  detail=column %8.1f MiB = %.2f x the text (no phrases: not used)\n", mib(byColumn),
                    byColumn / text);
        database.reset();
        archive::markScratchFile(path, false);
        fs::remove(path);
        return;
    }

    size_t like = 0;
    const double likeMs = medianMs([&] {
        like = static_cast<size_t>(scalar(db,
                                          "SELECT count(*) FROM MailInfTabl "
                                          "WHERE Subject LIKE '%予算%'"));
    });
    std::printf("  baseline      LIKE '%%予算%%' on Subject  %8.2f ms  (%zu hits)\n", likeMs, like);
    measureQuery(db, "予算", "one word");
    measureQuery(db, "見積", "one word");
    measureQuery(db, "契約", "one word");
    measureQuery(db, "会議", "one word");
    measureQuery(db, "会議 予算 見積", "three words");
    measureQuery(db, "meeting 会議 -契約", "three words");
    measureQuery(db, "予", "one character");
    measureQuery(db, "subject:予算", "field");
    database.reset();
    archive::markScratchFile(path, false);
    fs::remove(path);
}

}  // namespace

int main(int argc, char** argv) {
    g_mime_init();
    std::string folder = argc > 1 ? argv[1] : "";
    const int small = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int large = argc > 3 ? std::atoi(argv[3]) : 100000;
    const size_t largeBytes = argc > 4 ? static_cast<size_t>(std::atol(argv[4])) : 20000;
    bool madeFolder = false;
    if (folder.empty()) {
        std::string pattern = (fs::temp_directory_path() / "quorvel-search-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            die("cannot make a work folder");
        }
        folder = pattern;
        madeFolder = true;
    }
    run(folder, small, 20000, bench::MailShape::Typical, true);
    run(folder, small, 20000, bench::MailShape::PlainText, false);
    if (large > 0) {
        run(folder, large, largeBytes, bench::MailShape::Typical, true);
    }
    if (madeFolder) {
        fs::remove_all(folder);
    }
    return 0;
}
