#include "search/SearchIndex.h"

#include <sqlite3.h>

#include <vector>

#include "search/IndexSchema.h"
#include "search/MailText.h"
#include "search/Sql.h"
#include "search/Tokenizer.h"

namespace quorvel::search {

namespace {

// Mails per transaction while synchronising (about a second's work): few
// enough that an error or a crash loses little, enough that FTS5 writes few
// segments, each of which it must merge again later.
constexpr size_t kBatch = 1000;
// The progress is told after this many mails.
constexpr int64_t kProgressStep = 100;
// Below this many unreachable documents the index is never made anew for them.
constexpr int64_t kUnusedAllowance = 1000;
// FTS5 gathers the terms of a transaction in memory and writes them out as
// a new segment when they pass this size (1 MiB by default: a segment every
// few dozen mails, each to be merged again later). The memory a batch may
// take while it is indexed.
constexpr int64_t kHashBytes = 64 * 1024 * 1024;

std::string stateValue(const char* name) {
    return std::string("(SELECT value FROM ") + kStateTable + " WHERE name = '" + name + "')";
}

// What changes when another mail takes an identifier or a mail's bytes
// change: the stored length, the dates and the subject's length.
std::string stampExpression() {
    const ArchiveNames& n = archiveNames();
    return "ifnull(length(o." + n.storedBytes + "), -1) || '|' || ifnull(m." + n.dateR + ", '') || '|' || ifnull(m." +
           n.date + ", '') || '|' || length(ifnull(m." + n.subject + ", ''))";
}

std::string mailWithStoredBytes() {
    const ArchiveNames& n = archiveNames();
    return n.mails + " m LEFT JOIN " + n.stored + " o ON o." + n.storedId + " = m." + n.id;
}

bool fail(std::string* error, const std::string& message) {
    if (error) {
        *error = message;
    }
    return false;
}

bool dropTables(sqlite3* db, std::string* error) {
    std::string script = std::string("DROP TABLE IF EXISTS ") + kTextTable + ";";
    for (const char* shadow : kTextShadowTables) {
        script += std::string("DROP TABLE IF EXISTS ") + shadow + ";";
    }
    script += std::string("DROP TABLE IF EXISTS ") + kDocTable + "; DROP TABLE IF EXISTS " + kStateTable + ";";
    return sql::exec(db, script.c_str(), error);
}

bool createTables(sqlite3* db, std::string* error) {
    // detail=full keeps positions, which phrases and words of three or more
    // Han characters (pieces that must follow each other) need; without a
    // ranking function the column sizes are not needed.
    const std::string script =
        std::string("CREATE VIRTUAL TABLE ") + kTextTable +
        " USING fts5(subject, sender, recipients, body, attachments, tokenize='" + kTokenizerName +
        "', content='', columnsize=0, detail=full);"
        "CREATE TABLE " +
        kDocTable +
        " (doc INTEGER PRIMARY KEY, mail INTEGER UNIQUE, stamp TEXT NOT NULL, attach INTEGER NOT NULL);"
        "CREATE TABLE " +
        kStateTable + " (name TEXT PRIMARY KEY, value INTEGER NOT NULL);" + "INSERT INTO " + kStateTable +
        " (name, value) VALUES ('format', " + std::to_string(kFormatVersion) + "), ('tokenizer', " +
        std::to_string(kTokenizerVersion) + ");" + "INSERT INTO " + kTextTable + " (" + kTextTable +
        ", rank) VALUES ('hashsize', " + std::to_string(kHashBytes) + ");";
    return sql::exec(db, script.c_str(), error);
}

// Writes one mail's document; the statements are prepared once for many mails.
//
// None of them may need a statement journal: FTS5 writes the terms it has
// gathered in memory out as a new segment whenever such a statement starts in
// the same transaction, and a segment per mail costs many times the
// indexing itself in merges. So the document number comes from the plain
// single-row INSERT into qvSearchDoc (its rowid, one above the highest ever
// given, as its rows are never deleted), and a mail's old document is only
// looked up, and let go of by an UPDATE when there is one.
class Indexer {
public:
    explicit Indexer(sqlite3* db)
        : db_(db),
          read_(db, readStatement()),
          find_(db, std::string("SELECT doc FROM ") + kDocTable + " WHERE mail = ?1"),
          letGo_(db, std::string("UPDATE ") + kDocTable + " SET mail = NULL WHERE doc = ?1"),
          addDoc_(db, std::string("INSERT INTO ") + kDocTable + " (mail, stamp, attach) VALUES (?1, ?2, ?3)"),
          addText_(db, std::string("INSERT INTO ") + kTextTable +
                           " (rowid, subject, sender, recipients, body, attachments) VALUES (?1, ?2, ?3, ?4, ?5, ?6)") {
    }

    bool ready(std::string* error) const {
        for (const sql::Statement* st : {&read_, &find_, &letGo_, &addDoc_, &addText_}) {
            if (!st->ok()) {
                return fail(error, st->message());
            }
        }
        return true;
    }

    bool index(int64_t id, std::string* error) {
        read_.reset();
        read_.bind(1, id);
        if (!read_.step()) {
            return read_.ok() ? remove(id, error) : fail(error, read_.message());
        }
        MailText text;
        const std::string_view bytes = read_.blob(3);
        if (!bytes.empty()) {
            text = reader_.read(bytes);
        } else {  // no stored bytes: at least what the mail list shows
            text.subject = read_.text(0);
            text.sender = read_.text(1);
            text.recipients = read_.text(2);
        }
        const std::string stamp = read_.text(4);
        read_.reset();
        if (!remove(id, error)) {
            return false;
        }
        addDoc_.reset();
        addDoc_.bind(1, id);
        addDoc_.bind(2, stamp);
        addDoc_.bind(3, int64_t{text.hasAttachments ? 1 : 0});
        if (!addDoc_.run()) {
            return fail(error, addDoc_.message());
        }
        const int64_t doc = sqlite3_last_insert_rowid(db_);
        addDoc_.reset();
        addText_.reset();
        addText_.bind(1, doc);
        addText_.bind(2, text.subject);
        addText_.bind(3, text.sender);
        addText_.bind(4, text.recipients);
        addText_.bind(5, text.body);
        addText_.bind(6, text.attachments);
        const bool added = addText_.run();
        addText_.reset();
        return added || fail(error, sqlite3_errmsg(db_));
    }

    // The mail's document becomes unreachable (see SearchIndex.h).
    bool remove(int64_t id, std::string* error) {
        find_.reset();
        find_.bind(1, id);
        if (!find_.step()) {
            return find_.ok() || fail(error, find_.message());
        }
        const int64_t doc = find_.integer(0);
        find_.reset();
        letGo_.reset();
        letGo_.bind(1, doc);
        return letGo_.run() || fail(error, letGo_.message());
    }

private:
    static std::string readStatement() {
        const ArchiveNames& n = archiveNames();
        return "SELECT m." + n.subject + ", m." + n.from + ", m." + n.to + ", o." + n.storedBytes + ", " +
               stampExpression() + " FROM " + mailWithStoredBytes() + " WHERE m." + n.id + " = ?1";
    }

    sqlite3* db_;
    sql::Statement read_, find_, letGo_, addDoc_, addText_;
    MailTextReader reader_;
};

int64_t scalar(sqlite3* db, const std::string& text) {
    sql::Statement st(db, text);
    return st.step() ? st.integer(0) : -1;
}

// Makes empty index tables, over whatever was there.
bool recreate(sqlite3* db, std::string* error) {
    sql::Savepoint savepoint(db);
    if (!dropTables(db, error) || !createTables(db, error)) {
        return false;
    }
    return savepoint.release() || fail(error, sqlite3_errmsg(db));
}

// Lets go of the documents of mails that are gone; their count.
bool dropGone(sqlite3* db, IndexResult& result) {
    const ArchiveNames& n = archiveNames();
    sql::Statement gone(db, std::string("UPDATE ") + kDocTable +
                                " SET mail = NULL WHERE mail IS NOT NULL AND mail NOT IN (SELECT " + n.id + " FROM " +
                                n.mails + " WHERE " + n.id + " IS NOT NULL)");
    if (!gone.run()) {
        return fail(&result.error, gone.message());
    }
    result.dropped = sqlite3_changes(db);
    return true;
}

bool tooManyUnused(sqlite3* db) {
    const int64_t unused = scalar(db, std::string("SELECT count(*) FROM ") + kDocTable + " WHERE mail IS NULL");
    const int64_t live = scalar(db, std::string("SELECT count(*) FROM ") + kDocTable + " WHERE mail IS NOT NULL");
    return unused > kUnusedAllowance && unused > live;
}

bool mailsToIndex(sqlite3* db, std::vector<int64_t>& ids, std::string& error) {
    const ArchiveNames& n = archiveNames();
    sql::Statement st(db, "SELECT m." + n.id + " FROM " + mailWithStoredBytes() + " LEFT JOIN " + kDocTable +
                              " d ON d.mail = m." + n.id + " WHERE m." + n.id + " IS NOT NULL AND d.stamp IS NOT " +
                              stampExpression() + " ORDER BY m." + n.id);
    while (st.step()) {
        ids.push_back(st.integer(0));
    }
    return st.ok() || fail(&error, st.message());
}

IndexResult bringInLine(sqlite3* db, bool anew, const IndexProgress& progress, const std::atomic<bool>* cancel) {
    IndexResult result;
    if (anew || !hasIndex(db)) {
        if (!recreate(db, &result.error)) {
            return result;
        }
        result.rebuilt = true;
    } else {
        if (!dropGone(db, result)) {
            return result;
        }
        if (tooManyUnused(db)) {
            if (!recreate(db, &result.error)) {
                return result;
            }
            result.rebuilt = true;
        }
    }
    std::vector<int64_t> ids;
    if (!mailsToIndex(db, ids, result.error)) {
        return result;
    }
    const auto total = static_cast<int64_t>(ids.size());
    if (progress) {
        progress(0, total);
    }
    Indexer indexer(db);
    if (!indexer.ready(&result.error)) {
        return result;
    }
    for (size_t at = 0; at < ids.size();) {
        sql::Savepoint savepoint(db);
        if (!savepoint.begun()) {
            result.error = sqlite3_errmsg(db);
            return result;
        }
        const size_t end = std::min(ids.size(), at + kBatch);
        for (; at < end; ++at) {
            if (cancel && cancel->load()) {
                result.cancelled = true;
                break;
            }
            if (!indexer.index(ids[at], &result.error)) {
                return result;  // this batch is rolled back
            }
            ++result.indexed;
            if (progress && result.indexed % kProgressStep == 0 && at + 1 < end) {
                progress(result.indexed, total);
            }
        }
        if (!savepoint.release()) {
            result.error = sqlite3_errmsg(db);
            return result;
        }
        if (progress) {
            progress(result.indexed, total);
        }
        if (result.cancelled) {
            result.ok = true;
            return result;
        }
    }
    // An index made anew on request is merged into one segment (a little
    // smaller and faster to search, for a sixth more time). Otherwise, the
    // merging FTS5 does as it writes keeps the segments few enough.
    if (anew) {
        const std::string merge =
            std::string("INSERT INTO ") + kTextTable + " (" + kTextTable + ") VALUES ('optimize')";
        if (!sql::exec(db, merge.c_str(), &result.error)) {
            return result;
        }
    }
    result.ok = true;
    return result;
}

}  // namespace

bool hasIndex(sqlite3* db) {
    const std::string text = "SELECT " + stateValue("format") + ", " + stateValue("tokenizer") +
                             ", (SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('" + kTextTable +
                             "', '" + kDocTable + "'))";
    sql::Statement st(db, text);
    return st.step() && st.integer(0) == kFormatVersion && st.integer(1) == kTokenizerVersion && st.integer(2) == 2;
}

IndexResult synchronise(sqlite3* db, const IndexProgress& progress, const std::atomic<bool>* cancel) {
    return bringInLine(db, false, progress, cancel);
}

IndexResult rebuild(sqlite3* db, const IndexProgress& progress, const std::atomic<bool>* cancel) {
    return bringInLine(db, true, progress, cancel);
}

bool indexMail(sqlite3* db, int64_t id, std::string* error) {
    if (!hasIndex(db)) {
        return true;
    }
    Indexer indexer(db);
    if (!indexer.ready(error)) {
        return false;
    }
    sql::Savepoint savepoint(db);
    if (!indexer.index(id, error)) {
        return false;
    }
    return savepoint.release() || fail(error, sqlite3_errmsg(db));
}

bool removeMail(sqlite3* db, int64_t id, std::string* error) {
    if (!hasIndex(db)) {
        return true;
    }
    Indexer indexer(db);
    if (!indexer.ready(error)) {
        return false;
    }
    return indexer.remove(id, error);
}

bool dropIndex(sqlite3* db, std::string* error) {
    sql::Savepoint savepoint(db);
    if (!dropTables(db, error)) {
        return false;
    }
    return savepoint.release() || fail(error, sqlite3_errmsg(db));
}

}  // namespace quorvel::search
