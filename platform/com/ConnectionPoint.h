#pragma once

#include <cstddef>

#include "platform/com/ConnectionPoints.h"
#include "platform/com/Dispatch.h"
#include "platform/com/SinkList.h"

namespace quorvel::com {

// The connection point of one dispatch event interface, embedded in the object
// that raises the events: its reference count is the container's.
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* container, REFIID eventIid, size_t maxSinks = SinkList::kNoLimit);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return container_->AddRef(); }
    ULONG Release() override { return container_->Release(); }

    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    // Holds the sink's event interface; a sink without it is refused with
    // CONNECT_E_CANNOTCONNECT, a full list with CONNECT_E_ADVISELIMIT.
    HRESULT Advise(IUnknown* sink, DWORD_PTR* cookie) override;
    HRESULT Unadvise(DWORD_PTR cookie) override;
    HRESULT EnumConnections(IEnumConnections** connections) override;

    // Calls Invoke on every held sink in list order, free entries skipped.
    // Each sink is held during its call; its answer is ignored. The list is
    // read afresh for each entry, so a sink may advise or unadvise from
    // inside its call.
    void invokeEach(DISPID member, DISPPARAMS& params);

private:
    IConnectionPointContainer* container_;
    IID eventIid_;
    SinkList sinks_;
};

// An enumerator over connection points; holds a reference to each.
HRESULT createConnectionPointEnum(IConnectionPoint* const* points, size_t count, IEnumConnectionPoints** out);

}  // namespace quorvel::com
