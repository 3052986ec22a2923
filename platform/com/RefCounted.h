#pragma once

#include <atomic>

#include "platform/com/Unknown.h"

namespace quorvel::com {

// How an object's references are counted and what the last Release does.
// A lifetime starts at one reference, the creator's.
template <typename Count, bool deletesAtZero>
class CountedLifetime {
public:
    static constexpr bool kDeletesAtZero = deletesAtZero;
    ULONG added() { return ++count_; }
    ULONG released() { return --count_; }

private:
    Count count_{1};
};

// Made with new and used on one thread: the last Release deletes it.
using HeapLifetime = CountedLifetime<ULONG, true>;
// Made with new; references are taken and dropped on any thread.
using SharedHeapLifetime = CountedLifetime<std::atomic<ULONG>, true>;
// Lives in a stack frame or in static storage, which frees it: Release only
// counts, so a reference dropped late cannot free what is not its to free.
using ScopedLifetime = CountedLifetime<ULONG, false>;

// AddRef and Release for every one of `Interfaces` (interfaces derived from
// IUnknown), with one count kept as `Lifetime` says. Derived is the class
// that is deleted; one whose destructor is not public befriends this base.
//
//     class MemoryStream final : public com::RefCounted<MemoryStream, com::HeapLifetime, IStream>
//
// QueryInterface stays with each class: which interfaces it answers, and with
// which pointer, is its own (answerQueryInterface is the usual body).
template <typename Derived, typename Lifetime, typename... Interfaces>
class RefCounted : public Interfaces... {
public:
    ULONG AddRef() override { return lifetime_.added(); }
    ULONG Release() override {
        const ULONG left = lifetime_.released();
        if constexpr (Lifetime::kDeletesAtZero) {
            if (left == 0) {
                delete static_cast<Derived*>(this);
            }
        }
        return left;
    }

    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

protected:
    RefCounted() = default;
    ~RefCounted() = default;

private:
    Lifetime lifetime_;
};

}  // namespace quorvel::com
