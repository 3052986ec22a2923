#include "platform/com/SinkList.h"

#include <cstdlib>

namespace quorvel::com {

SinkList::~SinkList() {
    std::free(array_);
}

IUnknown* SinkList::at(size_t index) const {
    if (index >= size_) {
        return nullptr;
    }
    return size_ == 1 ? inline_ : array_[index];
}

bool SinkList::add(IUnknown* sink) {
    if (size_ == 0 && max_ >= 1) {
        inline_ = sink;
        size_ = 1;
        return true;
    }
    if (size_ == 1) {
        if (!inline_) {
            inline_ = sink;
            return true;
        }
        if (max_ < 4) {
            return false;
        }
        auto** array = static_cast<IUnknown**>(std::calloc(4, sizeof(IUnknown*)));
        if (!array) {
            return false;
        }
        array[0] = inline_;
        array[1] = sink;
        inline_ = nullptr;
        array_ = array;
        size_ = 4;
        return true;
    }
    for (size_t i = 0; i < size_; ++i) {
        if (!array_[i]) {
            array_[i] = sink;
            return true;
        }
    }
    if (size_ == 0 || size_ > max_ / 2) {
        return false;
    }
    auto** grown = static_cast<IUnknown**>(std::realloc(array_, size_ * 2 * sizeof(IUnknown*)));
    if (!grown) {
        return false;
    }
    for (size_t i = size_; i < size_ * 2; ++i) {
        grown[i] = nullptr;
    }
    grown[size_] = sink;
    array_ = grown;
    size_ *= 2;
    return true;
}

IUnknown* SinkList::remove(std::uintptr_t value) {
    if (value == 0) {
        return nullptr;
    }
    if (size_ == 1) {
        if (reinterpret_cast<std::uintptr_t>(inline_) == value) {
            IUnknown* s = inline_;
            inline_ = nullptr;
            return s;
        }
        return nullptr;
    }
    for (size_t i = 0; i < size_; ++i) {
        if (reinterpret_cast<std::uintptr_t>(array_[i]) == value) {
            IUnknown* s = array_[i];
            array_[i] = nullptr;
            return s;
        }
    }
    return nullptr;
}

}  // namespace quorvel::com
