// Adding, changing and deleting the current row of an updatable result set.
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "archive/db/RecordSet.h"

namespace quorvel::archive {

namespace {

DbError engineError(sqlite3* db) {
    return {sqlite3_errcode(db), sqlite3_errmsg(db)};
}

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

bool bindValue(sqlite3_stmt* st, int index, const DbValue& v) {
    switch (v.type()) {
        case DbValue::Type::Null:
        case DbValue::Type::LazyBlob:
            return sqlite3_bind_null(st, index) == SQLITE_OK;
        case DbValue::Type::Integer:
            return sqlite3_bind_int64(st, index, v.toInt()) == SQLITE_OK;
        case DbValue::Type::Real:
            return sqlite3_bind_double(st, index, v.toReal()) == SQLITE_OK;
        case DbValue::Type::Text: {
            std::string t = v.toText();
            return sqlite3_bind_text64(st, index, t.data(), t.size(), SQLITE_TRANSIENT, SQLITE_UTF8) == SQLITE_OK;
        }
        case DbValue::Type::Blob: {
            std::string b = v.toText();
            return sqlite3_bind_blob64(st, index, b.data(), b.size(), SQLITE_TRANSIENT) == SQLITE_OK;
        }
    }
    return false;
}

}  // namespace

void RecordSet::CancelUpdate() {
    mode_ = Mode::None;
    buffer_.clear();
    dirty_.clear();
    chunks_.clear();
}

bool RecordSet::AddNew(DbError& error) {
    if (!updatable_) {
        error = {kErrReadOnly, "the result set is read-only"};
        return false;
    }
    CancelUpdate();
    mode_ = Mode::Add;
    buffer_.assign(cols_.size(), DbValue());
    dirty_.assign(cols_.size(), 0);
    chunks_.assign(cols_.size(), {});
    return true;
}

bool RecordSet::Edit(DbError& error) {
    if (!updatable_) {
        error = {kErrReadOnly, "the result set is read-only"};
        return false;
    }
    if (!hasCurrentRow()) {
        error = {kErrNoCurrent, "no current row to edit"};
        return false;
    }
    CancelUpdate();
    mode_ = Mode::Edit;
    buffer_ = rows_.row(pos_);
    dirty_.assign(cols_.size(), 0);
    chunks_.assign(cols_.size(), {});
    return true;
}

bool RecordSet::Update(DbError& error) {
    if (mode_ == Mode::None) {
        error = {kErrNotEditing, "Update without AddNew or Edit"};
        return false;
    }
    closeBlob();
    bool ok = writeRow(error);
    CancelUpdate();
    return ok;
}

// Writes the row being built in one transaction, long-binary data included,
// so that a failure leaves the file as it was.
bool RecordSet::writeRow(DbError& error) {
    matchesValid_ = false;
    sqlite3* h = db_.handle();
    std::vector<size_t> set;
    std::vector<int64_t> chunkSize(cols_.size(), -1);
    for (size_t c = 0; c < cols_.size(); ++c) {
        if (!dirty_[c]) {
            continue;
        }
        if (cols_[c].origin.empty()) {
            error = {SQLITE_ERROR, "field cannot be updated: " + cols_[c].name};
            return false;
        }
        set.push_back(c);
        if (chunks_[c].empty()) {
            continue;
        }
        int64_t total = 0;
        for (const auto& chunk : chunks_[c]) {
            if (chunk.file.empty()) {
                total += static_cast<int64_t>(chunk.bytes.size());
                continue;
            }
            struct stat st {};
            if (::stat(chunk.file.c_str(), &st) != 0) {
                error = {SQLITE_IOERR, "cannot read " + chunk.file};
                return false;
            }
            total += st.st_size;
        }
        chunkSize[c] = total;
    }

    Transaction tx(db_);
    if (!tx.begun()) {
        error = engineError(h);
        return false;
    }
    std::string sql;
    if (mode_ == Mode::Add) {
        if (set.empty()) {
            sql = "INSERT INTO " + quoteIdent(baseTable_) + " DEFAULT VALUES";
        } else {
            std::string names, marks;
            for (size_t c : set) {
                names += (names.empty() ? "" : ", ") + quoteIdent(cols_[c].origin);
                marks += marks.empty() ? "?" : ", ?";
            }
            sql = "INSERT INTO " + quoteIdent(baseTable_) + " (" + names + ") VALUES (" + marks + ")";
        }
    } else {
        if (set.empty()) {
            return true;  // nothing changed
        }
        std::string assignments;
        for (size_t c : set) {
            assignments += (assignments.empty() ? "" : ", ") + quoteIdent(cols_[c].origin) + " = ?";
        }
        sql = "UPDATE " + quoteIdent(baseTable_) + " SET " + assignments + " WHERE _rowid_ = ?";
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        error = engineError(h);
        return false;
    }
    int index = 1;
    bool bound = true;
    for (size_t c : set) {
        bound = bound && (chunkSize[c] >= 0 ? sqlite3_bind_zeroblob64(
                                                  st, index, static_cast<sqlite3_uint64>(chunkSize[c])) == SQLITE_OK
                                            : bindValue(st, index, buffer_[c]));
        ++index;
    }
    if (mode_ == Mode::Edit) {
        bound = bound && sqlite3_bind_int64(st, index, rowids_[pos_]) == SQLITE_OK;
    }
    int rc = bound ? sqlite3_step(st) : SQLITE_ERROR;
    if (rc != SQLITE_DONE) {
        error = bound ? engineError(h) : DbError{SQLITE_TOOBIG, "a value could not be passed to the engine"};
        sqlite3_finalize(st);
        return false;
    }
    sqlite3_finalize(st);
    const int64_t rowid = mode_ == Mode::Add ? sqlite3_last_insert_rowid(h) : rowids_[pos_];
    if (!writeChunks(rowid, error)) {
        return false;
    }
    std::vector<DbValue> row = buffer_;
    if (!rereadRow(rowid, row, error) || !tx.commit(error)) {
        return false;
    }
    if (mode_ == Mode::Add) {
        // A new row joins the end of the set; the current row stays current.
        rows_.append(row);
        rowids_.push_back(rowid);
        deleted_.push_back(0);
        posOfRowid_.emplace(rowid, rows_.size() - 1);
        ++live_;
        if (eof_ && !bof_) {
            pos_ = rows_.size();  // still past the end
        }
    } else {
        rows_.replace(pos_, row);
    }
    return true;
}

// Streams each long-binary column's chunks into the space the row reserved.
bool RecordSet::writeChunks(int64_t rowid, DbError& error) {
    sqlite3* h = db_.handle();
    for (size_t c = 0; c < cols_.size(); ++c) {
        if (!dirty_[c] || chunks_[c].empty()) {
            continue;
        }
        sqlite3_blob* blob = nullptr;
        if (sqlite3_blob_open(h, "main", baseTable_.c_str(), cols_[c].origin.c_str(), rowid, 1, &blob) != SQLITE_OK) {
            error = engineError(h);
            sqlite3_blob_close(blob);
            return false;
        }
        const int capacity = sqlite3_blob_bytes(blob);
        int offset = 0;
        auto put = [&](const char* data, size_t n) {
            if (static_cast<int64_t>(offset) + static_cast<int64_t>(n) > capacity) {
                error = {SQLITE_IOERR, "the file grew while it was being stored"};
                return false;
            }
            if (n > 0 && sqlite3_blob_write(blob, data, static_cast<int>(n), offset) != SQLITE_OK) {
                error = engineError(h);
                return false;
            }
            offset += static_cast<int>(n);
            return true;
        };
        bool ok = true;
        for (const auto& chunk : chunks_[c]) {
            if (!ok) {
                break;
            }
            if (chunk.file.empty()) {
                ok = put(chunk.bytes.data(), chunk.bytes.size());
                continue;
            }
            std::ifstream in(chunk.file, std::ios::binary);
            if (!in) {
                error = {SQLITE_IOERR, "cannot read " + chunk.file};
                ok = false;
                break;
            }
            std::string piece(1 << 20, '\0');
            while (ok && in) {
                in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
                ok = put(piece.data(), static_cast<size_t>(in.gcount()));
            }
            if (ok && in.bad()) {
                error = {SQLITE_IOERR, "cannot read " + chunk.file};
                ok = false;
            }
        }
        if (ok && offset != capacity) {
            error = {SQLITE_IOERR, "the file shrank while it was being stored"};
            ok = false;
        }
        sqlite3_blob_close(blob);
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool RecordSet::Delete(DbError& error) {
    if (!updatable_) {
        error = {kErrReadOnly, "the result set is read-only"};
        return false;
    }
    if (!hasCurrentRow()) {
        error = {kErrNoCurrent, "no current row to delete"};
        return false;
    }
    CancelUpdate();
    closeBlob();
    sqlite3* h = db_.handle();
    // Deleting many rows one by one reuses one prepared statement.
    sqlite3_stmt* st = cachedStatement("DELETE FROM " + quoteIdent(baseTable_) + " WHERE _rowid_ = ?");
    if (!st) {
        error = engineError(h);
        return false;
    }
    sqlite3_bind_int64(st, 1, rowids_[pos_]);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) {
        error = engineError(h);
        return false;
    }
    // The deleted row stays current (with no values) until the next move.
    deleted_[pos_] = 1;
    --live_;
    return true;
}

}  // namespace quorvel::archive
