// Field values of the current row and chunked long-binary access.
#include <sqlite3.h>

#include "archive/db/RecordSet.h"

namespace quorvel::archive {

const std::string& Field::Name() const {
    static const std::string none;
    return rs_ ? rs_->cols_[static_cast<size_t>(index_)].name : none;
}

DbValue Field::Value() const {
    if (!rs_) {
        return {};
    }
    const size_t i = static_cast<size_t>(index_);
    DbValue v;
    if (rs_->mode_ != RecordSet::Mode::None) {
        if (!rs_->chunks_[i].empty()) {
            std::string bytes;
            for (const auto& chunk : rs_->chunks_[i]) {
                bytes += chunk.bytes;  // a chunk given by path is read on Update
            }
            return DbValue::blob(std::move(bytes));
        }
        v = rs_->buffer_[i];
        if (rs_->mode_ == RecordSet::Mode::Add || v.type() != DbValue::Type::LazyBlob) {
            return v;
        }
    } else {
        if (!rs_->hasCurrentRow()) {
            rs_->setFieldError(kErrNoCurrent, "no current row");
            return {};
        }
        v = rs_->rows_.get(rs_->pos_, i);
    }
    if (v.type() != DbValue::Type::LazyBlob) {
        return v;
    }
    std::string bytes;
    if (!rs_->readBlob(index_, 0, v.size(), bytes)) {
        return {};
    }
    return DbValue::blob(std::move(bytes));
}

bool Field::setValue(const DbValue& value) {
    if (!rs_ || rs_->mode_ == RecordSet::Mode::None) {
        if (rs_) {
            rs_->setFieldError(kErrNotEditing, "a field is set without AddNew or Edit");
        }
        return false;
    }
    const size_t i = static_cast<size_t>(index_);
    rs_->buffer_[i] = value;
    rs_->dirty_[i] = 1;
    rs_->chunks_[i].clear();
    return true;
}

bool Field::AppendChunk(std::string_view bytes) {
    if (!rs_ || rs_->mode_ == RecordSet::Mode::None) {
        if (rs_) {
            rs_->setFieldError(kErrNotEditing, "AppendChunk without AddNew or Edit");
        }
        return false;
    }
    const size_t i = static_cast<size_t>(index_);
    rs_->chunks_[i].push_back({std::string(bytes), {}});
    rs_->dirty_[i] = 1;
    return true;
}

bool Field::AppendChunkFromFile(const std::string& path) {
    if (!rs_ || rs_->mode_ == RecordSet::Mode::None || path.empty()) {
        if (rs_) {
            rs_->setFieldError(kErrNotEditing, "AppendChunk without AddNew or Edit");
        }
        return false;
    }
    const size_t i = static_cast<size_t>(index_);
    rs_->chunks_[i].push_back({{}, path});
    rs_->dirty_[i] = 1;
    return true;
}

std::optional<std::string> Field::GetChunk(int64_t offset, int64_t length) const {
    if (!rs_) {
        return std::nullopt;
    }
    if (offset < 0 || length < 0) {
        rs_->setFieldError(SQLITE_RANGE, "GetChunk outside the value");
        return std::nullopt;
    }
    if (!rs_->hasCurrentRow()) {
        rs_->setFieldError(kErrNoCurrent, "no current row");
        return std::nullopt;
    }
    const DbValue v = rs_->rows_.get(rs_->pos_, static_cast<size_t>(index_));
    if (v.type() == DbValue::Type::LazyBlob) {
        std::string out;
        if (!rs_->readBlob(index_, offset, length, out)) {
            return std::nullopt;
        }
        return out;
    }
    std::string all = v.toText();
    if (offset >= static_cast<int64_t>(all.size())) {
        return std::string();
    }
    return all.substr(static_cast<size_t>(offset), static_cast<size_t>(length));
}

int64_t Field::FieldSize() const {
    if (!rs_ || !rs_->hasCurrentRow()) {
        return 0;
    }
    return rs_->rows_.get(rs_->pos_, static_cast<size_t>(index_)).size();
}

// Reads part of a long-binary value. The blob handle stays open while the same
// value is read piece by piece, so reading a large value front to back does
// not walk its pages again for every piece.
bool RecordSet::readBlob(int col, int64_t offset, int64_t length, std::string& out) const {
    if (blob_ && (blobRowid_ != rowids_[pos_] || blobCol_ != col)) {
        closeBlob();
    }
    sqlite3* h = db_.handle();
    if (!blob_) {
        const auto& c = cols_[static_cast<size_t>(col)];
        if (sqlite3_blob_open(h, "main", baseTable_.c_str(), c.origin.c_str(), rowids_[pos_], 0, &blob_) != SQLITE_OK) {
            setFieldError(sqlite3_errcode(h), sqlite3_errmsg(h));
            sqlite3_blob_close(blob_);
            blob_ = nullptr;
            return false;
        }
        blobRowid_ = rowids_[pos_];
        blobCol_ = col;
    }
    const int64_t size = sqlite3_blob_bytes(blob_);
    if (offset >= size) {
        out.clear();
        return true;
    }
    const int64_t n = std::min(length, size - offset);
    out.resize(static_cast<size_t>(n));
    if (n > 0 && sqlite3_blob_read(blob_, out.data(), static_cast<int>(n), static_cast<int>(offset)) != SQLITE_OK) {
        setFieldError(sqlite3_errcode(h), sqlite3_errmsg(h));
        out.clear();
        closeBlob();
        return false;
    }
    return true;
}

void RecordSet::closeBlob() const {
    if (blob_) {
        sqlite3_blob_close(blob_);
        blob_ = nullptr;
        blobCol_ = -1;
    }
}

}  // namespace quorvel::archive
