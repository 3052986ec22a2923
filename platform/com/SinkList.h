#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com/Unknown.h"

namespace quorvel::com {

// The sinks of one connection point. The first sink is held inline; the
// second makes an array of 4 entries, which doubles whenever it is full. A
// freed entry is reused before the list grows. The list does not count
// references: the connection point does.
class SinkList {
public:
    static constexpr size_t kNoLimit = SIZE_MAX / sizeof(IUnknown*);

    explicit SinkList(size_t maxEntries = kNoLimit) : max_(maxEntries) {}
    ~SinkList();
    SinkList(const SinkList&) = delete;
    SinkList& operator=(const SinkList&) = delete;

    // False when no room can be made (memory, or the limit of entries).
    bool add(IUnknown* sink);
    // Frees the first entry holding this pointer value and returns it, or
    // null when no entry holds it.
    IUnknown* remove(std::uintptr_t value);

    // Number of entries, free ones included: 0, 1, or the array's size.
    size_t size() const { return size_; }
    // The sink of an entry, null for a free entry.
    IUnknown* at(size_t index) const;

private:
    size_t max_;
    size_t size_ = 0;
    IUnknown* inline_ = nullptr;
    IUnknown** array_ = nullptr;
};

}  // namespace quorvel::com
