// The check: what could lose or hide mails, found without changing the file.
#include <map>
#include <set>

#include "health/ArchiveHealth.h"
#include "health/HealthParts.h"
#include "health/Sqlite.h"

namespace quorvel::health {

std::string describe(const Problem& p) {
    const std::string id = std::to_string(p.id);
    switch (p.kind) {
        case ProblemKind::Damaged:
            return "the database is damaged: " + p.detail;
        case ProblemKind::MissingTable:
            return "missing " + p.detail;
        case ProblemKind::HeaderWithoutMail:
            return "mail " + id + " has a header row but no stored mail";
        case ProblemKind::MailWithoutHeader:
            return "mail " + id + " is stored but has no header row";
        case ProblemKind::MissingFolder:
            return "mail " + id + " is in folder " + std::to_string(p.other) + ", which does not exist";
        case ProblemKind::NoRoot:
            return "the root folder's row is missing";
        case ProblemKind::DetachedFolder:
            return "folder " + id + " has parent " + std::to_string(p.other) +
                   ", which does not exist or lies below it";
        case ProblemKind::UnreadableMail:
            return "mail " + id + " cannot be read: " + p.detail;
        case ProblemKind::NotAMail:
            return "mail " + id + " no longer reads as a mail";
    }
    return "unknown problem";
}

std::string describeJapanese(const Problem& p) {
    const std::string id = std::to_string(p.id);
    switch (p.kind) {
        case ProblemKind::Damaged:
            return "データベースが壊れています：" + p.detail;
        case ProblemKind::MissingTable:
            return "テーブルまたは列がありません：" + p.detail;
        case ProblemKind::HeaderWithoutMail:
            return "メール" + id + "には保存されたメールがありません。";
        case ProblemKind::MailWithoutHeader:
            return "メール" + id + "には見出しの行がありません。";
        case ProblemKind::MissingFolder:
            return "メール" + id + "のフォルダ" + std::to_string(p.other) + "がありません。";
        case ProblemKind::NoRoot:
            return "ルートフォルダの行がありません。";
        case ProblemKind::DetachedFolder:
            return "フォルダ" + id + "の親フォルダ" + std::to_string(p.other) + "がないか、フォルダが循環しています。";
        case ProblemKind::UnreadableMail:
            return "メール" + id + "を読めません：" + p.detail;
        case ProblemKind::NotAMail:
            return "メール" + id + "はメールとして読めなくなっています。";
    }
    return {};
}

std::vector<Problem> missingTables(sqlite3* db, const archive::TableDefs& defs) {
    std::vector<Problem> problems;
    const std::pair<int, const archive::ColumnList*> tables[] = {
        {archive::kCurCondTabl, &defs.condCols}, {archive::kMailDirTabl, &defs.dirCols},
        {archive::kMailInfTabl, &defs.infCols},  {archive::kMailBdyTabl, &defs.bdyCols},
        {archive::kMailOBJTabl, &defs.objCols},
    };
    for (const auto& [index, columns] : tables) {
        const std::string& table = defs.tblNames[static_cast<size_t>(index)];
        Statement st(db, "SELECT name FROM pragma_table_info(?1)");
        st.bind(1, table);
        std::set<std::string> have;
        while (st.step()) {
            have.insert(st.text(0));
        }
        if (have.empty()) {
            problems.push_back({ProblemKind::MissingTable, 0, 0, "table " + table});
            continue;
        }
        for (const archive::ColumnSpec& c : *columns) {
            if (!have.count(c.colName)) {
                problems.push_back({ProblemKind::MissingTable, 0, 0, "column " + c.colName + " of " + table});
            }
        }
    }
    return problems;
}

std::vector<Problem> rowProblems(sqlite3* db, const archive::TableDefs& defs) {
    const std::string inf = bracketed(defs.tblNames[archive::kMailInfTabl]);
    const std::string obj = bracketed(defs.tblNames[archive::kMailOBJTabl]);
    const std::string dir = bracketed(defs.tblNames[archive::kMailDirTabl]);
    const std::string file = bracketed(defs.objCols[archive::col::kObjFile].colName);
    std::vector<Problem> problems;
    auto collect = [&](const std::string& sql, ProblemKind kind) {
        Statement st(db, sql);
        while (st.step()) {
            problems.push_back({kind, st.integer(0), st.integer(1), {}});
        }
    };
    collect("SELECT i.ID, 0 FROM " + inf + " i WHERE NOT EXISTS (SELECT 1 FROM " + obj + " o WHERE o.ID = i.ID AND o." +
                file + " IS NOT NULL) ORDER BY i.ID",
            ProblemKind::HeaderWithoutMail);
    collect("SELECT o.ID, 0 FROM " + obj + " o WHERE o." + file + " IS NOT NULL AND NOT EXISTS (SELECT 1 FROM " + inf +
                " i WHERE i.ID = o.ID) ORDER BY o.ID",
            ProblemKind::MailWithoutHeader);
    collect("SELECT i.ID, i.dirID FROM " + inf + " i WHERE NOT EXISTS (SELECT 1 FROM " + dir +
                " d WHERE d.ID = i.dirID) ORDER BY i.ID",
            ProblemKind::MissingFolder);

    // The folders must form one tree under the root.
    std::map<int64_t, int64_t> parents;
    Statement folders(db, "SELECT ID, parentID FROM " + dir);
    while (folders.step()) {
        parents[folders.integer(0)] = folders.integer(1);
    }
    if (!parents.count(archive::kRootDirId)) {
        problems.push_back({ProblemKind::NoRoot, archive::kRootDirId, 0, {}});
    }
    for (const auto& [id, parent] : parents) {
        if (id == archive::kRootDirId) {
            continue;
        }
        int64_t at = id;
        size_t steps = 0;
        while (at != archive::kRootDirId && parents.count(at) && steps++ <= parents.size()) {
            at = parents[at];
        }
        if (at != archive::kRootDirId) {
            problems.push_back({ProblemKind::DetachedFolder, id, parent, {}});
        }
    }
    return problems;
}

CheckResult checkArchive(const std::string& path, const archive::TableDefs& defs, const Progress& progress) {
    CheckResult result;
    Connection db(readOnlyUri(path), false);
    if (!db.ok() || db.scalar("SELECT count(*) FROM sqlite_master") < 0) {
        result.error = db.message();
        return result;
    }
    result.readable = true;
    {
        Statement integrity(db.get(), "PRAGMA integrity_check(20)");
        while (integrity.step()) {
            if (integrity.text(0) != "ok") {
                result.problems.push_back({ProblemKind::Damaged, 0, 0, integrity.text(0)});
            }
        }
        if (!integrity.ok()) {
            result.problems.push_back({ProblemKind::Damaged, 0, 0, integrity.message()});
        }
    }
    const std::vector<Problem> tables = missingTables(db.get(), defs);
    result.problems.insert(result.problems.end(), tables.begin(), tables.end());
    if (!tables.empty()) {
        return result;  // the rest reads tables that are not all there
    }
    const std::vector<Problem> rows = rowProblems(db.get(), defs);
    result.problems.insert(result.problems.end(), rows.begin(), rows.end());

    // Every stored mail is read and must still be a mail.
    StoredMails mails(db.get(), defs);
    const int64_t total = mails.count();
    int64_t done = 0;
    MailScratch scratch;
    while (mails.next()) {
        if (progress && !progress(done, total)) {
            result.cancelled = true;
            return result;
        }
        ++done;
        std::string error;
        const MailReading reading = scratch.read(mails, defs, error, /*whole=*/false);
        if (reading == MailReading::Unreadable) {
            result.problems.push_back({ProblemKind::UnreadableMail, mails.id(), 0, error});
        } else if (reading == MailReading::NotMail) {
            result.problems.push_back({ProblemKind::NotAMail, mails.id(), 0, {}});
        }
    }
    if (!mails.ok()) {
        result.problems.push_back({ProblemKind::Damaged, 0, 0, mails.message()});
    }
    if (progress) {
        progress(total, total);
    }
    return result;
}

}  // namespace quorvel::health
