#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "archive/db/Database.h"
#include "archive/db/DbValue.h"
#include "archive/db/RowStore.h"

struct sqlite3_blob;
struct sqlite3_stmt;

namespace quorvel::archive {

class RecordSet;

// One column of a result set, reached by name: its value on the current row,
// and chunked access to long-binary values.
class Field {
public:
    const std::string& Name() const;

    // The current row's value; while a row is being added or edited, the value
    // set so far. A long-binary value is read whole (one copy).
    DbValue Value() const;
    // Sets the value of the row being added or edited; false otherwise.
    bool setValue(const DbValue& value);

    // Long-binary data of the row being added or edited. The first append
    // after AddNew or Edit replaces what the field held; later ones add to it.
    // A file appended by path is streamed into the archive on Update and is
    // never held in memory whole.
    bool AppendChunk(std::string_view bytes);
    bool AppendChunkFromFile(const std::string& path);

    // Up to `length` bytes from `offset` of the current row's value, read from
    // the file piece by piece; nothing on failure.
    std::optional<std::string> GetChunk(int64_t offset, int64_t length) const;
    // Size in bytes of the current row's value; 0 for null.
    int64_t FieldSize() const;

    bool valid() const { return rs_ != nullptr; }

private:
    friend class RecordSet;
    Field(RecordSet* rs, int index) : rs_(rs), index_(index) {}
    RecordSet* rs_;
    int index_;
};

// A result set with the semantics the archive code relies on: a read-only
// snapshot or an updatable set over one table, positioned on its first row
// when opened (BOF and EOF both true when empty), moved forward, searched by a
// condition, and changed one current row at a time.
//
// Values are fetched once when the set is opened, except long-binary ones,
// which stay in the file until asked for. Searches by a condition run in the
// engine, so "ID = n" uses the table's index instead of walking the rows.
class RecordSet {
public:
    static std::unique_ptr<RecordSet> open(Database& db, const std::string& source, bool sourceIsTable, bool updatable,
                                           DbError& error);
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    bool isBOF() const { return bof_; }
    bool isEOF() const { return eof_; }
    bool NoMatch() const { return noMatch_; }
    int64_t RecordCount() const { return static_cast<int64_t>(live_); }
    bool updatable() const { return updatable_; }

    int fieldCount() const { return static_cast<int>(cols_.size()); }
    // A field by name (letter case ignored), or an invalid field whose
    // operations all fail.
    Field& Fields(const std::string& name);
    Field& Fields(int index);

    bool MoveFirst(DbError& error);
    bool MoveNext(DbError& error);
    // True with NoMatch() false when a row met the condition and is now
    // current; true with NoMatch() true when none did; false on an error.
    bool FindFirst(const std::string& condition, DbError& error);
    bool FindNext(const std::string& condition, DbError& error);

    bool AddNew(DbError& error);
    bool Edit(DbError& error);
    bool Update(DbError& error);
    bool Delete(DbError& error);
    void CancelUpdate();

    // The failure of the last Field operation that failed.
    const DbError& fieldError() const { return fieldError_; }

private:
    friend class Field;
    struct ColumnInfo {
        std::string name;
        std::string origin;  // the table column it comes from; "" for an expression
        bool lazy = false;   // long binary, read on demand
    };
    struct Chunk {
        std::string bytes;
        std::string file;
    };
    enum class Mode { None, Add, Edit };

    explicit RecordSet(Database& db) : db_(db) {}
    bool prepareSource(const std::string& source, bool sourceIsTable, DbError& error);
    bool fetchRows(DbError& error);
    std::string columnSelectList() const;
    bool rereadRow(int64_t rowid, std::vector<DbValue>& row, DbError& error) const;
    bool find(const std::string& condition, size_t start, DbError& error);
    std::optional<size_t> nextLive(size_t from) const;
    bool hasCurrentRow() const;
    bool writeRow(DbError& error);
    bool writeChunks(int64_t rowid, DbError& error);
    bool readBlob(int col, int64_t offset, int64_t length, std::string& out) const;
    void closeBlob() const;
    int columnIndex(const std::string& name) const;
    void setFieldError(int code, std::string message) const;
    // A statement prepared once for the life of the set; null on failure.
    sqlite3_stmt* cachedStatement(const std::string& sql);

    Database& db_;
    std::string sql_;
    std::string baseTable_;  // "" when rows cannot be traced to one table
    bool hasRowid_ = false;
    bool updatable_ = false;
    std::vector<ColumnInfo> cols_;
    std::vector<Field> fields_;
    Field invalidField_{nullptr, -1};

    RowStore rows_;
    std::vector<int64_t> rowids_;
    std::vector<char> deleted_;
    size_t live_ = 0;
    size_t pos_ = 0;
    bool bof_ = true;
    bool eof_ = true;
    bool noMatch_ = false;
    std::unordered_map<int64_t, size_t> posOfRowid_;
    // The positions that met the last searched condition; a row written
    // through the set may change them, so a write forgets them.
    std::string matchCondition_;
    std::vector<size_t> matches_;
    bool matchesValid_ = false;

    Mode mode_ = Mode::None;
    std::vector<DbValue> buffer_;
    std::vector<char> dirty_;
    std::vector<std::vector<Chunk>> chunks_;

    std::unordered_map<std::string, sqlite3_stmt*> statements_;
    mutable sqlite3_blob* blob_ = nullptr;
    mutable int64_t blobRowid_ = 0;
    mutable int blobCol_ = -1;
    mutable DbError fieldError_;
};

}  // namespace quorvel::archive
