#include "archive/db/RecordSet.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

#include "archive/db/SimpleCondition.h"
#include "archive/db/SqlScanner.h"

namespace quorvel::archive {

namespace {

DbError engineError(sqlite3* db) {
    return {sqlite3_errcode(db), sqlite3_errmsg(db)};
}

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

std::string quoteIdent(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

bool equalsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Reads "SELECT * FROM <table><rest>"; the table name may stand in brackets
// or double quotes.
bool parseSelectStar(const std::string& sql, std::string& table, std::string& rest) {
    SqlScanner scan{sql};
    scan.space();
    if (!scan.word("SELECT") || !scan.space() || !scan.word("*") || !scan.space() || !scan.word("FROM") ||
        !scan.space()) {
        return false;
    }
    size_t& i = scan.i;
    if (i < sql.size() && (sql[i] == '[' || sql[i] == '"')) {
        char close = sql[i] == '[' ? ']' : '"';
        size_t end = sql.find(close, i + 1);
        if (end == std::string::npos) {
            return false;
        }
        table = sql.substr(i + 1, end - i - 1);
        i = end + 1;
    } else {
        size_t start = i;
        while (i < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_')) {
            ++i;
        }
        table = sql.substr(start, i - start);
    }
    if (table.empty() || (i < sql.size() && !std::isspace(static_cast<unsigned char>(sql[i])) && sql[i] != ';')) {
        return false;
    }
    rest = sql.substr(i);
    return true;
}

bool isLongBinary(const std::string& declType) {
    std::string upper;
    for (char c : declType) {
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper.find("BLOB") != std::string::npos;
}

DbValue columnValue(sqlite3_stmt* stmt, int i, bool lazy) {
    switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
            return lazy ? DbValue::lazyBlob(sqlite3_column_int64(stmt, i))
                        : DbValue::integer(sqlite3_column_int64(stmt, i));
        case SQLITE_FLOAT:
            return DbValue::real(sqlite3_column_double(stmt, i));
        case SQLITE_TEXT: {
            auto p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            return DbValue::text(std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt, i))));
        }
        default: {
            auto p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
            int n = sqlite3_column_bytes(stmt, i);
            return DbValue::blob(p ? std::string(p, static_cast<size_t>(n)) : std::string());
        }
    }
}

}  // namespace

std::unique_ptr<RecordSet> RecordSet::open(Database& db, const std::string& source, bool sourceIsTable, bool updatable,
                                           DbError& error) {
    std::unique_ptr<RecordSet> rs(new RecordSet(db));
    if (!rs->prepareSource(source, sourceIsTable, error) || !rs->fetchRows(error)) {
        return nullptr;
    }
    if (updatable && (!rs->hasRowid_ || rs->baseTable_.empty())) {
        error = {kErrReadOnly, "this result set cannot be updated: its rows do not come from one table"};
        return nullptr;
    }
    rs->updatable_ = updatable;
    rs->fields_.reserve(rs->cols_.size());
    for (int i = 0; i < static_cast<int>(rs->cols_.size()); ++i) {
        rs->fields_.push_back(Field(rs.get(), i));
    }
    rs->bof_ = rs->eof_ = rs->rows_.empty();
    return rs;
}

RecordSet::~RecordSet() {
    closeBlob();
    for (auto& [sql, stmt] : statements_) {
        sqlite3_finalize(stmt);
    }
}

sqlite3_stmt* RecordSet::cachedStatement(const std::string& sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) {
        return it->second;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_.handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    statements_.emplace(sql, stmt);
    return stmt;
}

// Works out the statement that fetches the rows. A table, or "SELECT * FROM"
// a table, is fetched column by column so that long-binary columns stay in
// the file; any other statement is taken as it stands, with the row identity
// added when all its columns come from one table.
bool RecordSet::prepareSource(const std::string& source, bool sourceIsTable, DbError& error) {
    sqlite3* h = db_.handle();
    std::string table = source;
    std::string rest;
    if (sourceIsTable || parseSelectStar(source, table, rest)) {
        Statement info;
        if (sqlite3_prepare_v2(h, ("PRAGMA table_info(" + quoteIdent(table) + ")").c_str(), -1, &info.stmt, nullptr) !=
            SQLITE_OK) {
            error = engineError(h);
            return false;
        }
        while (sqlite3_step(info.stmt) == SQLITE_ROW) {
            auto name = reinterpret_cast<const char*>(sqlite3_column_text(info.stmt, 1));
            auto type = reinterpret_cast<const char*>(sqlite3_column_text(info.stmt, 2));
            cols_.push_back({name ? name : "", name ? name : "", isLongBinary(type ? type : "")});
        }
        if (!cols_.empty()) {
            baseTable_ = table;
            hasRowid_ = true;
            sql_ = "SELECT " + columnSelectList() + " FROM " + quoteIdent(table) + rest;
            return true;
        }
        // No such table: let the engine say so in its own words.
        Statement probe;
        if (sqlite3_prepare_v2(h, ("SELECT * FROM " + quoteIdent(table)).c_str(), -1, &probe.stmt, nullptr) !=
            SQLITE_OK) {
            error = engineError(h);
            return false;
        }
        error = {SQLITE_ERROR, "no such table: " + table};
        return false;
    }

    // Any other statement: try it with the row identity in front.
    size_t i = source.find_first_not_of(" \t\r\n");
    bool startsWithSelect = i != std::string::npos && source.size() - i > 7 &&
                            equalsNoCase(source.substr(i, 7), "SELECT ") &&
                            !equalsNoCase(source.substr(i + 7, 9), "DISTINCT ");
    if (startsWithSelect) {
        Statement withRowid;
        std::string sql = "SELECT _rowid_, " + source.substr(i + 7);
        if (sqlite3_prepare_v2(h, sql.c_str(), -1, &withRowid.stmt, nullptr) == SQLITE_OK) {
            int n = sqlite3_column_count(withRowid.stmt);
            std::string base;
            bool oneTable = n > 1;
            for (int c = 1; c < n && oneTable; ++c) {
                const char* t = sqlite3_column_table_name(withRowid.stmt, c);
                if (!t || (!base.empty() && base != t)) {
                    oneTable = false;
                } else {
                    base = t;
                }
            }
            if (oneTable) {
                for (int c = 1; c < n; ++c) {
                    const char* origin = sqlite3_column_origin_name(withRowid.stmt, c);
                    cols_.push_back({sqlite3_column_name(withRowid.stmt, c), origin ? origin : "", false});
                }
                baseTable_ = base;
                hasRowid_ = true;
                sql_ = sql;
                return true;
            }
        }
    }
    Statement plain;
    if (sqlite3_prepare_v2(h, source.c_str(), -1, &plain.stmt, nullptr) != SQLITE_OK) {
        error = engineError(h);
        return false;
    }
    for (int c = 0; c < sqlite3_column_count(plain.stmt); ++c) {
        const char* origin = sqlite3_column_origin_name(plain.stmt, c);
        cols_.push_back({sqlite3_column_name(plain.stmt, c), origin ? origin : "", false});
    }
    sql_ = source;
    return true;
}

std::string RecordSet::columnSelectList() const {
    std::string list = hasRowid_ ? "_rowid_" : "";
    for (const auto& c : cols_) {
        if (!list.empty()) {
            list += ", ";
        }
        list += c.lazy ? "length(" + quoteIdent(c.origin) + ")" : quoteIdent(c.origin);
    }
    return list;
}

bool RecordSet::fetchRows(DbError& error) {
    sqlite3* h = db_.handle();
    Statement st;
    if (sqlite3_prepare_v2(h, sql_.c_str(), -1, &st.stmt, nullptr) != SQLITE_OK) {
        error = engineError(h);
        return false;
    }
    const int first = hasRowid_ ? 1 : 0;
    std::vector<char> lazy;
    for (const auto& c : cols_) {
        lazy.push_back(c.lazy ? 1 : 0);
    }
    rows_ = RowStore(cols_.size());
    int rc;
    while ((rc = sqlite3_step(st.stmt)) == SQLITE_ROW) {
        rows_.appendFromStatement(st.stmt, first, lazy);
        rowids_.push_back(hasRowid_ ? sqlite3_column_int64(st.stmt, 0) : 0);
    }
    if (rc != SQLITE_DONE) {
        error = engineError(h);
        return false;
    }
    deleted_.assign(rows_.size(), 0);
    live_ = rows_.size();
    return true;
}

bool RecordSet::rereadRow(int64_t rowid, std::vector<DbValue>& row, DbError& error) const {
    sqlite3* h = db_.handle();
    std::string list;
    for (const auto& c : cols_) {
        if (!list.empty()) {
            list += ", ";
        }
        if (c.origin.empty()) {
            list += "NULL";
        } else {
            list += c.lazy ? "length(" + quoteIdent(c.origin) + ")" : quoteIdent(c.origin);
        }
    }
    Statement st;
    std::string sql = "SELECT " + list + " FROM " + quoteIdent(baseTable_) + " WHERE _rowid_ = ?";
    if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st.stmt, nullptr) != SQLITE_OK) {
        error = engineError(h);
        return false;
    }
    sqlite3_bind_int64(st.stmt, 1, rowid);
    if (sqlite3_step(st.stmt) != SQLITE_ROW) {
        error = engineError(h);
        return false;
    }
    std::vector<DbValue> fresh;
    for (int c = 0; c < static_cast<int>(cols_.size()); ++c) {
        // A computed column keeps what the row held; it cannot be re-read.
        fresh.push_back(cols_[static_cast<size_t>(c)].origin.empty() && c < static_cast<int>(row.size())
                            ? row[static_cast<size_t>(c)]
                            : columnValue(st.stmt, c, cols_[static_cast<size_t>(c)].lazy));
    }
    row = std::move(fresh);
    return true;
}

Field& RecordSet::Fields(const std::string& name) {
    int i = columnIndex(name);
    return i < 0 ? invalidField_ : fields_[static_cast<size_t>(i)];
}

Field& RecordSet::Fields(int index) {
    return index < 0 || index >= fieldCount() ? invalidField_ : fields_[static_cast<size_t>(index)];
}

int RecordSet::columnIndex(const std::string& name) const {
    for (size_t i = 0; i < cols_.size(); ++i) {
        if (equalsNoCase(cols_[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<size_t> RecordSet::nextLive(size_t from) const {
    for (size_t i = from; i < rows_.size(); ++i) {
        if (!deleted_[i]) {
            return i;
        }
    }
    return std::nullopt;
}

bool RecordSet::hasCurrentRow() const {
    return !bof_ && !eof_ && pos_ < rows_.size() && !deleted_[pos_];
}

bool RecordSet::MoveFirst(DbError&) {
    CancelUpdate();
    auto first = nextLive(0);
    if (!first) {
        pos_ = rows_.size();
        bof_ = eof_ = true;
        return true;
    }
    pos_ = *first;
    bof_ = eof_ = false;
    return true;
}

bool RecordSet::MoveNext(DbError& error) {
    if (eof_) {
        error = {kErrNoCurrent, "no current row: the result set is at its end"};
        return false;
    }
    CancelUpdate();
    auto next = nextLive(pos_ + 1);
    bof_ = false;
    if (!next) {
        pos_ = rows_.size();
        eof_ = true;
    } else {
        pos_ = *next;
    }
    return true;
}

bool RecordSet::FindFirst(const std::string& condition, DbError& error) {
    return find(condition, 0, error);
}

bool RecordSet::FindNext(const std::string& condition, DbError& error) {
    return find(condition, eof_ ? rows_.size() : (bof_ ? 0 : pos_ + 1), error);
}

bool RecordSet::find(const std::string& condition, size_t start, DbError& error) {
    CancelUpdate();
    std::optional<size_t> found;
    if (hasRowid_ && !baseTable_.empty()) {
        // The engine finds the matching rows through the table's indexes. The
        // positions found are kept for the next find with the same condition,
        // so walking many matches with FindNext asks the engine once.
        if (!matchesValid_ || matchCondition_ != condition) {
            sqlite3* h = db_.handle();
            // "column = number", the usual search, runs as one prepared
            // statement per column with the number bound to it.
            auto simple = SimpleCondition::parse(condition);
            bool bound = simple && simple->numeric && simple->op == "=" && columnIndex(simple->column) >= 0 &&
                         simple->literal.find('.') == std::string::npos;
            Statement own;
            sqlite3_stmt* st = nullptr;
            if (bound) {
                st = cachedStatement("SELECT _rowid_ FROM " + quoteIdent(baseTable_) + " WHERE " +
                                     quoteIdent(simple->column) + " = ?");
                if (st) {
                    sqlite3_bind_int64(st, 1, std::strtoll(simple->literal.c_str(), nullptr, 10));
                }
                bound = st != nullptr;  // a name the table lacks: the condition as written
            }
            if (!bound) {
                std::string sql = "SELECT _rowid_ FROM " + quoteIdent(baseTable_) + " WHERE " + condition;
                if (sqlite3_prepare_v2(h, sql.c_str(), -1, &own.stmt, nullptr) == SQLITE_OK) {
                    st = own.stmt;
                }
            }
            if (!st) {
                error = engineError(h);
                return false;
            }
            if (posOfRowid_.size() != rowids_.size()) {
                posOfRowid_.clear();
                for (size_t i = 0; i < rowids_.size(); ++i) {
                    posOfRowid_.emplace(rowids_[i], i);
                }
            }
            matches_.clear();
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                auto it = posOfRowid_.find(sqlite3_column_int64(st, 0));
                if (it != posOfRowid_.end()) {
                    matches_.push_back(it->second);
                }
            }
            if (bound) {
                sqlite3_reset(st);
            }
            if (rc != SQLITE_DONE) {
                error = engineError(h);
                return false;
            }
            std::sort(matches_.begin(), matches_.end());
            matchCondition_ = condition;
            matchesValid_ = true;
        }
        // Deleted rows stay in the list and are passed over.
        for (auto it = std::lower_bound(matches_.begin(), matches_.end(), start); it != matches_.end(); ++it) {
            if (!deleted_[*it]) {
                found = *it;
                break;
            }
        }
    } else {
        auto parsed = SimpleCondition::parse(condition);
        if (!parsed) {
            error = {SQLITE_ERROR, "condition not understood: " + condition};
            return false;
        }
        int c = columnIndex(parsed->column);
        if (c < 0) {
            error = {SQLITE_ERROR, "no such column: " + parsed->column};
            return false;
        }
        for (size_t i = start; i < rows_.size() && !found; ++i) {
            if (!deleted_[i] && parsed->matches(rows_.get(i, static_cast<size_t>(c)))) {
                found = i;
            }
        }
    }
    noMatch_ = !found.has_value();
    if (found) {
        pos_ = *found;
        bof_ = eof_ = false;
    }
    return true;
}

void RecordSet::setFieldError(int code, std::string message) const {
    fieldError_ = {code, std::move(message)};
}

}  // namespace quorvel::archive
