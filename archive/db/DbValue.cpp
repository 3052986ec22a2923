#include "archive/db/DbValue.h"

#include <charconv>
#include <cstdlib>

namespace quorvel::archive {

DbValue DbValue::integer(int64_t v) {
    DbValue d;
    d.type_ = Type::Integer;
    d.int_ = v;
    return d;
}

DbValue DbValue::real(double v) {
    DbValue d;
    d.type_ = Type::Real;
    d.real_ = v;
    return d;
}

DbValue DbValue::text(std::string v) {
    DbValue d;
    d.type_ = Type::Text;
    d.bytes_ = std::move(v);
    return d;
}

DbValue DbValue::blob(std::string bytes) {
    DbValue d;
    d.type_ = Type::Blob;
    d.bytes_ = std::move(bytes);
    return d;
}

DbValue DbValue::lazyBlob(int64_t size) {
    DbValue d;
    d.type_ = Type::LazyBlob;
    d.int_ = size;
    return d;
}

std::string DbValue::toText() const {
    switch (type_) {
        case Type::Null:
        case Type::LazyBlob:
            return {};
        case Type::Integer:
            return std::to_string(int_);
        case Type::Real: {
            char buffer[64];
            auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, real_);
            return ec == std::errc() ? std::string(buffer, ptr) : std::string();
        }
        case Type::Text:
        case Type::Blob:
            return bytes_;
    }
    return {};
}

int64_t DbValue::toInt() const {
    switch (type_) {
        case Type::Integer:
            return int_;
        case Type::Real:
            return static_cast<int64_t>(real_);
        case Type::Text:
            return std::strtoll(bytes_.c_str(), nullptr, 10);
        default:
            return 0;
    }
}

double DbValue::toReal() const {
    switch (type_) {
        case Type::Integer:
            return static_cast<double>(int_);
        case Type::Real:
            return real_;
        case Type::Text:
            return std::strtod(bytes_.c_str(), nullptr);
        default:
            return 0;
    }
}

int64_t DbValue::size() const {
    if (type_ == Type::LazyBlob) {
        return int_;
    }
    if (type_ == Type::Text || type_ == Type::Blob) {
        return static_cast<int64_t>(bytes_.size());
    }
    return 0;
}

}  // namespace quorvel::archive
