#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/db/DbValue.h"

struct sqlite3_stmt;

namespace quorvel::archive {

// The fetched rows of a result set, kept compact: one fixed-size cell per
// value and all text and binary bytes in one growing buffer, so that fetching
// a hundred thousand rows makes a handful of allocations instead of a million.
class RowStore {
public:
    explicit RowStore(size_t columns = 0) : columns_(columns) {}

    size_t size() const { return columns_ ? cells_.size() / columns_ : 0; }
    size_t columns() const { return columns_; }
    bool empty() const { return cells_.empty(); }

    // Appends the current row of a statement: its columns from `first` on;
    // lazy[i] marks a column whose value is the length of a long binary.
    void appendFromStatement(sqlite3_stmt* stmt, int first, const std::vector<char>& lazy);
    void append(const std::vector<DbValue>& row);
    void replace(size_t row, const std::vector<DbValue>& values);

    DbValue get(size_t row, size_t column) const;
    std::vector<DbValue> row(size_t row) const;

private:
    struct Cell {
        DbValue::Type type = DbValue::Type::Null;
        uint32_t length = 0;  // bytes in the buffer, for text and blobs
        int64_t number = 0;   // the integer, the real's bits, the buffer offset or the lazy size
    };
    Cell cellOf(const DbValue& v);

    size_t columns_;
    std::vector<Cell> cells_;
    std::string bytes_;
};

}  // namespace quorvel::archive
