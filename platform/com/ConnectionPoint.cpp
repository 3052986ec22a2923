#include "platform/com/ConnectionPoint.h"

#include <new>
#include <vector>

#include "platform/com/RefCounted.h"

namespace quorvel::com {

namespace {

// Enumerators copy what they list and hold a reference to every listed
// interface and to the owner, so they stay valid whatever happens later.
template <typename Interface, typename Item, const IID& kIid>
class Enumerator final : public RefCounted<Enumerator<Interface, Item, kIid>, HeapLifetime, Interface> {
public:
    Enumerator(IUnknown* owner, std::vector<Item> items, size_t position)
        : owner_(owner), items_(std::move(items)), position_(position) {
        if (owner_) {
            owner_->AddRef();
        }
        for (Item& item : items_) {
            unknownOf(item)->AddRef();
        }
    }
    ~Enumerator() {
        for (Item& item : items_) {
            unknownOf(item)->Release();
        }
        if (owner_) {
            owner_->Release();
        }
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return answerQueryInterface(static_cast<Interface*>(this), iid, {kIid}, object);
    }

    HRESULT Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) {
            return E_POINTER;
        }
        ULONG n = 0;
        while (n < count && position_ < items_.size()) {
            out[n] = items_[position_++];
            unknownOf(out[n])->AddRef();
            ++n;
        }
        if (fetched) {
            *fetched = n;
        }
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const size_t left = items_.size() - position_;
        if (count > left) {
            position_ = items_.size();
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT Clone(Interface** copy) override {
        if (!copy) {
            return E_POINTER;
        }
        *copy = new (std::nothrow) Enumerator(owner_, items_, position_);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    static IUnknown* unknownOf(const CONNECTDATA& d) { return d.pUnk; }
    static IUnknown* unknownOf(IConnectionPoint* p) { return p; }

    IUnknown* owner_;
    std::vector<Item> items_;
    size_t position_;
};

using ConnectionEnum = Enumerator<IEnumConnections, CONNECTDATA, IID_IEnumConnections>;
using PointEnum = Enumerator<IEnumConnectionPoints, IConnectionPoint*, IID_IEnumConnectionPoints>;

}  // namespace

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, REFIID eventIid, size_t maxSinks)
    : container_(container), eventIid_(eventIid), sinks_(maxSinks) {}

ConnectionPoint::~ConnectionPoint() {
    for (size_t i = 0; i < sinks_.size(); ++i) {
        if (IUnknown* sink = sinks_.at(i)) {
            sinks_.remove(reinterpret_cast<DWORD_PTR>(sink));
            sink->Release();
        }
    }
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) {
        return E_POINTER;
    }
    *iid = eventIid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) {
        return E_POINTER;
    }
    container_->AddRef();
    *container = container_;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD_PTR* cookie) {
    if (!cookie) {
        return E_POINTER;
    }
    *cookie = 0;
    if (!sink) {
        return E_POINTER;
    }
    void* events = nullptr;
    if (FAILED(sink->QueryInterface(eventIid_, &events)) || !events) {
        return CONNECT_E_CANNOTCONNECT;
    }
    // An event interface is a dispatch interface: the pointer is an IDispatch.
    IUnknown* held = static_cast<IDispatch*>(events);
    if (!sinks_.add(held)) {
        held->Release();
        return CONNECT_E_ADVISELIMIT;
    }
    *cookie = reinterpret_cast<DWORD_PTR>(held);
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD_PTR cookie) {
    IUnknown* sink = sinks_.remove(cookie);
    if (!sink) {
        return CONNECT_E_NOCONNECTION;
    }
    sink->Release();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) {
        return E_POINTER;
    }
    *connections = nullptr;
    std::vector<CONNECTDATA> items;
    for (size_t i = 0; i < sinks_.size(); ++i) {
        if (IUnknown* sink = sinks_.at(i)) {
            items.push_back(CONNECTDATA{sink, reinterpret_cast<DWORD_PTR>(sink)});
        }
    }
    *connections = new (std::nothrow) ConnectionEnum(container_, std::move(items), 0);
    return *connections ? S_OK : E_OUTOFMEMORY;
}

void ConnectionPoint::invokeEach(DISPID member, DISPPARAMS& params) {
    for (size_t i = 0; i < sinks_.size(); ++i) {
        IUnknown* sink = sinks_.at(i);
        if (!sink) {
            continue;
        }
        sink->AddRef();
        static_cast<IDispatch*>(sink)->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                              nullptr, nullptr);
        sink->Release();
    }
}

HRESULT createConnectionPointEnum(IConnectionPoint* const* points, size_t count, IEnumConnectionPoints** out) {
    if (!out) {
        return E_POINTER;
    }
    std::vector<IConnectionPoint*> items(points, points + count);
    *out = new (std::nothrow) PointEnum(nullptr, std::move(items), 0);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace quorvel::com
