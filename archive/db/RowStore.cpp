#include "archive/db/RowStore.h"

#include <sqlite3.h>

#include <cstring>

namespace quorvel::archive {

void RowStore::appendFromStatement(sqlite3_stmt* stmt, int first, const std::vector<char>& lazy) {
    for (size_t c = 0; c < columns_; ++c) {
        const int i = static_cast<int>(c) + first;
        Cell cell;
        switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_NULL:
                break;
            case SQLITE_INTEGER:
                cell.type = lazy[c] ? DbValue::Type::LazyBlob : DbValue::Type::Integer;
                cell.number = sqlite3_column_int64(stmt, i);
                break;
            case SQLITE_FLOAT: {
                cell.type = DbValue::Type::Real;
                double d = sqlite3_column_double(stmt, i);
                std::memcpy(&cell.number, &d, sizeof d);
                break;
            }
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                const bool text = sqlite3_column_type(stmt, i) == SQLITE_TEXT;
                const void* p =
                    text ? static_cast<const void*>(sqlite3_column_text(stmt, i)) : sqlite3_column_blob(stmt, i);
                const int n = sqlite3_column_bytes(stmt, i);
                cell.type = text ? DbValue::Type::Text : DbValue::Type::Blob;
                cell.number = static_cast<int64_t>(bytes_.size());
                cell.length = static_cast<uint32_t>(n);
                if (n > 0) {
                    bytes_.append(static_cast<const char*>(p), static_cast<size_t>(n));
                }
                break;
            }
        }
        cells_.push_back(cell);
    }
}

RowStore::Cell RowStore::cellOf(const DbValue& v) {
    Cell cell;
    cell.type = v.type();
    switch (v.type()) {
        case DbValue::Type::Null:
            break;
        case DbValue::Type::Integer:
            cell.number = v.toInt();
            break;
        case DbValue::Type::LazyBlob:
            cell.number = v.size();
            break;
        case DbValue::Type::Real: {
            double d = v.toReal();
            std::memcpy(&cell.number, &d, sizeof d);
            break;
        }
        case DbValue::Type::Text:
        case DbValue::Type::Blob: {
            std::string bytes = v.toText();
            cell.number = static_cast<int64_t>(bytes_.size());
            cell.length = static_cast<uint32_t>(bytes.size());
            bytes_ += bytes;
            break;
        }
    }
    return cell;
}

void RowStore::append(const std::vector<DbValue>& row) {
    for (size_t c = 0; c < columns_; ++c) {
        cells_.push_back(c < row.size() ? cellOf(row[c]) : Cell{});
    }
}

void RowStore::replace(size_t row, const std::vector<DbValue>& values) {
    // The old bytes stay in the buffer unused; a set lives for one task only.
    for (size_t c = 0; c < columns_; ++c) {
        cells_[row * columns_ + c] = c < values.size() ? cellOf(values[c]) : Cell{};
    }
}

DbValue RowStore::get(size_t row, size_t column) const {
    const Cell& cell = cells_[row * columns_ + column];
    switch (cell.type) {
        case DbValue::Type::Null:
            return {};
        case DbValue::Type::Integer:
            return DbValue::integer(cell.number);
        case DbValue::Type::LazyBlob:
            return DbValue::lazyBlob(cell.number);
        case DbValue::Type::Real: {
            double d;
            std::memcpy(&d, &cell.number, sizeof d);
            return DbValue::real(d);
        }
        case DbValue::Type::Text:
            return DbValue::text(bytes_.substr(static_cast<size_t>(cell.number), cell.length));
        case DbValue::Type::Blob:
            return DbValue::blob(bytes_.substr(static_cast<size_t>(cell.number), cell.length));
    }
    return {};
}

std::vector<DbValue> RowStore::row(size_t row) const {
    std::vector<DbValue> out;
    out.reserve(columns_);
    for (size_t c = 0; c < columns_; ++c) {
        out.push_back(get(row, c));
    }
    return out;
}

}  // namespace quorvel::archive
