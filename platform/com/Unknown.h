#pragma once

#include <initializer_list>
#include <utility>

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

namespace quorvel::com {

// The root of every interface. Interfaces are abstract classes of virtual
// functions only, so their function tables have the same layout in the
// program and in a library loaded at run time; objects free themselves in
// Release, never through a pointer to an interface.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// The usual body of QueryInterface: `self` as the interface, with a reference
// added, when `iid` is IUnknown or one of `served`; E_NOINTERFACE otherwise.
template <typename Interface>
HRESULT answerQueryInterface(Interface* self, REFIID iid, std::initializer_list<IID> served, void** object) {
    if (!object) {
        return E_POINTER;
    }
    bool known = iid == IID_IUnknown;
    for (const IID& s : served) {
        known = known || iid == s;
    }
    if (!known) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = self;
    self->AddRef();
    return S_OK;
}

// Holds one reference to an interface and releases it when it goes.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference of its own.
    explicit ComPtr(T* p) : p_(p) {
        if (p_) {
            p_->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { reset(); }
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    // Adopts a reference the caller already owns (an object fresh from a
    // factory, an out-parameter of QueryInterface).
    static ComPtr adopt(T* p) {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    void reset() {
        if (T* p = std::exchange(p_, nullptr)) {
            p->Release();
        }
    }
    T* detach() { return std::exchange(p_, nullptr); }
    // The slot for an out-parameter; whatever was held is released first.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    template <typename U>
    HRESULT as(REFIID iid, ComPtr<U>& out) const {
        if (!p_) {
            return E_POINTER;
        }
        return p_->QueryInterface(iid, out.putVoid());
    }

private:
    T* p_ = nullptr;
};

}  // namespace quorvel::com
