// The repair and the compaction: both write a new file beside the archive
// and rename it over the archive only when it is complete and sound.
#include <sys/stat.h>

#include <algorithm>

#include "health/ArchiveHealth.h"
#include "health/HealthParts.h"
#include "health/ReplacementFile.h"
#include "health/Sqlite.h"

namespace quorvel::health {

namespace {

struct SchemaObject {
    std::string type;
    std::string name;
    std::string sql;
};

std::vector<SchemaObject> schemaOf(Connection& db, const std::string& schema) {
    std::vector<SchemaObject> objects;
    Statement st(db.get(), "SELECT type, name, sql FROM " + schema +
                               ".sqlite_master WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite_%' ORDER BY rowid");
    while (st.step()) {
        objects.push_back({st.text(0), st.text(1), st.text(2)});
    }
    return objects;
}

// Copies the rows of one table that can be read: all at once, or, when the
// table is damaged, row by row up to the first that cannot be read.
void copyRows(Connection& db, const std::string& table, RepairResult& result) {
    if (db.exec("INSERT INTO main." + bracketed(table) + " SELECT * FROM old." + bracketed(table))) {
        return;
    }
    Statement read(db.get(), "SELECT * FROM old." + bracketed(table) + " ORDER BY rowid");
    const int columns = sqlite3_column_count(read.get());
    std::string placeholders;
    for (int i = 0; i < columns; ++i) {
        placeholders += i ? ",?" : "?";
    }
    Statement write(db.get(), "INSERT INTO main." + bracketed(table) + " VALUES (" + placeholders + ")");
    int64_t copied = 0;
    while (read.step()) {
        for (int i = 0; i < columns; ++i) {
            sqlite3_bind_value(write.get(), i + 1, sqlite3_column_value(read.get(), i));
        }
        write.step();
        write.reset();
        ++copied;
    }
    if (!read.ok()) {
        result.notes.push_back("table " + table + ": " + std::to_string(copied) +
                               " rows copied; the rest could not be read (" + read.message() + ")");
    }
}

// The folder under the root that mails without a folder go to, made at the
// first need.
int64_t recoveryFolder(Connection& db, const archive::TableDefs& defs, RepairResult& result) {
    if (result.recoveryFolder != 0) {
        return result.recoveryFolder;
    }
    const std::string dir = bracketed(defs.tblNames[archive::kMailDirTabl]);
    const int64_t id = std::max<int64_t>(db.scalar("SELECT max(ID) FROM " + dir), archive::kRootDirId) + 1;
    Statement add(db.get(), "INSERT INTO " + dir + " (ID, dname, parentID) VALUES (?1, ?2, ?3)");
    add.bind(1, id);
    add.bind(2, std::string(kRecoveryFolderName));
    add.bind(3, static_cast<int64_t>(archive::kRootDirId));
    add.step();
    result.recoveryFolder = id;
    result.notes.push_back("made folder " + std::to_string(id) + " under the root for mails without a folder");
    return id;
}

// A header row for a stored mail that has none, from what the parser reads
// in it; a mail the parser does not take gets a row all the same, so that
// it shows and can be dragged out.
bool rebuildHeader(Connection& db, const archive::TableDefs& defs, int64_t id, int64_t folder) {
    StoredMails mails(db.get(), defs);
    while (mails.next() && mails.id() != id) {
    }
    if (mails.id() != id) {
        return false;
    }
    MailScratch scratch;
    std::string error;
    const bool parsed = scratch.read(mails, defs, error, /*whole=*/true) == MailReading::Mail;
    std::string columns = "dirID, ID";
    std::string values = "?1, ?2";
    std::vector<std::string> texts;
    for (size_t c = archive::col::kInfMailType; parsed && c < scratch.values().inf.size(); ++c) {
        const std::string& value = scratch.values().inf[c];
        if (!value.empty()) {
            texts.push_back(value);
            columns += ", " + bracketed(defs.infCols[c].colName);
            values += ", ?" + std::to_string(texts.size() + 2);
        }
    }
    Statement add(db.get(), "INSERT INTO " + bracketed(defs.tblNames[archive::kMailInfTabl]) + " (" + columns +
                                ") VALUES (" + values + ")");
    add.bind(1, folder);
    add.bind(2, id);
    for (size_t i = 0; i < texts.size(); ++i) {
        add.bind(static_cast<int>(i + 3), texts[i]);
    }
    add.step();
    return add.ok();
}

bool mend(Connection& db, const archive::TableDefs& defs, RepairResult& result) {
    const std::string inf = bracketed(defs.tblNames[archive::kMailInfTabl]);
    const std::string dir = bracketed(defs.tblNames[archive::kMailDirTabl]);
    const std::string obj = bracketed(defs.tblNames[archive::kMailOBJTabl]);
    const std::string file = bracketed(defs.objCols[archive::col::kObjFile].colName);
    for (const Problem& p : rowProblems(db.get(), defs)) {
        bool ok = true;
        switch (p.kind) {
            case ProblemKind::NoRoot:
                ok = db.exec("INSERT INTO " + dir + " (ID, dname, parentID, kind) VALUES (1, '" +
                             archive::kRootDirName + "', 0, 1)");
                break;
            case ProblemKind::DetachedFolder:
                ok = db.exec("UPDATE " + dir + " SET parentID = 1 WHERE ID = " + std::to_string(p.id));
                break;
            case ProblemKind::MissingFolder:
                ok = db.exec("UPDATE " + inf + " SET dirID = " + std::to_string(recoveryFolder(db, defs, result)) +
                             " WHERE ID = " + std::to_string(p.id));
                break;
            case ProblemKind::MailWithoutHeader:
                ok = rebuildHeader(db, defs, p.id, recoveryFolder(db, defs, result));
                break;
            case ProblemKind::HeaderWithoutMail:
                // Nothing of the mail is left but its header: the row goes,
                // with an empty stored row of the same mail.
                ok =
                    db.exec("DELETE FROM " + inf + " WHERE ID = " + std::to_string(p.id)) &&
                    db.exec("DELETE FROM " + obj + " WHERE ID = " + std::to_string(p.id) + " AND " + file + " IS NULL");
                break;
            default:
                break;
        }
        if (!ok) {
            result.error = describe(p) + ": " + db.message();
            return false;
        }
        result.mended.push_back(p);
    }
    // Stored rows that hold no bytes and belong to no mail hold nothing to keep.
    if (!db.exec("DELETE FROM " + obj + " WHERE " + file + " IS NULL AND ID NOT IN (SELECT ID FROM " + inf + ")")) {
        result.error = db.message();
        return false;
    }
    const std::vector<Problem> left = rowProblems(db.get(), defs);
    if (!left.empty()) {
        result.error = "still " + describe(left.front());
        return false;
    }
    return true;
}

}  // namespace

RepairResult repairArchive(const std::string& path, const archive::TableDefs& defs, const Progress& progress) {
    RepairResult result;
    ReplacementFile replacement(path);
    if (!replacement.ok()) {
        result.error = replacement.error();
        return result;
    }
    {
        Connection db(replacement.path(), true);
        Statement attach(db.get(), "ATTACH DATABASE ?1 AS old");
        attach.bind(1, readOnlyUri(path));
        attach.step();
        const std::vector<SchemaObject> objects = schemaOf(db, "old");
        if (!attach.ok() || objects.empty()) {
            result.error = "cannot read " + path + ": " + (attach.ok() ? "no tables" : attach.message());
            return result;
        }
        const auto tables = std::count_if(objects.begin(), objects.end(), [](auto& o) { return o.type == "table"; });
        const int64_t total = tables + 2;
        int64_t done = 0;
        db.exec("BEGIN");
        for (const SchemaObject& o : objects) {
            if (o.type != "table" || o.sql.rfind("CREATE VIRTUAL", 0) == 0) {
                continue;
            }
            if (progress && !progress(done++, total)) {
                result.cancelled = true;
                return result;
            }
            if (!db.exec(o.sql)) {
                result.error = "cannot make table " + o.name + ": " + db.message();
                return result;
            }
            copyRows(db, o.name, result);
        }
        for (const SchemaObject& o : objects) {
            if (o.type != "table" && !db.exec(o.sql)) {
                result.error = "cannot make " + o.type + " " + o.name + ": " + db.message();
                return result;
            }
        }
        if (!db.exec("COMMIT") || !db.exec("DETACH DATABASE old")) {
            result.error = db.message();
            return result;
        }
        if (progress && !progress(done++, total)) {
            result.cancelled = true;
            return result;
        }
        const std::vector<Problem> tablesMissing = missingTables(db.get(), defs);
        if (!tablesMissing.empty()) {
            result.error = "cannot repair: " + describe(tablesMissing.front());
            return result;
        }
        db.exec("BEGIN");
        if (!mend(db, defs, result) || !db.exec("COMMIT")) {
            if (result.error.empty()) {
                result.error = db.message();
            }
            return result;
        }
        Statement integrity(db.get(), "PRAGMA integrity_check(1)");
        if (!integrity.step() || integrity.text(0) != "ok") {
            result.error = "the repaired copy fails the integrity check: " + integrity.text(0);
            return result;
        }
        if (progress) {
            progress(total, total);
        }
    }
    if (!replacement.commit()) {
        result.error = replacement.error();
        return result;
    }
    result.done = true;
    return result;
}

CompactResult compactArchive(const std::string& path) {
    CompactResult result;
    struct stat st {};
    result.bytesBefore = ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
    ReplacementFile replacement(path);
    if (!replacement.ok()) {
        result.error = replacement.error();
        return result;
    }
    {
        Connection db(readOnlyUri(path), false);
        Statement vacuum(db.get(), "VACUUM INTO ?1");
        vacuum.bind(1, replacement.path());
        vacuum.step();
        if (!db.ok() || !vacuum.ok()) {
            result.error = "cannot compact " + path + ": " + vacuum.message();
            return result;
        }
    }
    if (!replacement.commit()) {
        result.error = replacement.error();
        return result;
    }
    result.bytesAfter = ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
    result.done = true;
    return result;
}

}  // namespace quorvel::health
