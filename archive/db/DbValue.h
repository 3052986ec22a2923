#pragma once

#include <cstdint>
#include <string>

namespace quorvel::archive {

// One field value as the engine gives it. A long-binary value that was not
// read yet is "lazy": only its size is known, and Field::Value() or
// Field::GetChunk() read its bytes from the file.
class DbValue {
public:
    enum class Type { Null, Integer, Real, Text, Blob, LazyBlob };

    DbValue() = default;
    static DbValue integer(int64_t v);
    static DbValue real(double v);
    static DbValue text(std::string v);
    static DbValue blob(std::string bytes);
    static DbValue lazyBlob(int64_t size);

    // Conveniences for callers that set fields.
    DbValue(const char* v) : DbValue(text(v)) {}
    DbValue(std::string v) : DbValue(text(std::move(v))) {}
    DbValue(int v) : DbValue(integer(v)) {}
    DbValue(int64_t v) : DbValue(integer(v)) {}

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }

    // The value as text: null gives "", numbers their decimal text, blobs
    // their bytes.
    std::string toText() const;
    // The value as a whole number: text is read by its leading digits.
    int64_t toInt() const;
    double toReal() const;
    // Bytes of a text or blob value; the size of a lazy blob.
    int64_t size() const;

    bool operator==(const DbValue& other) const = default;

private:
    Type type_ = Type::Null;
    int64_t int_ = 0;
    double real_ = 0;
    std::string bytes_;
};

}  // namespace quorvel::archive
