#pragma once

#include "platform/com/Unknown.h"

namespace quorvel::com {

struct IClassFactory : IUnknown {
    // outer is the controlling object for aggregation; null for none.
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

}  // namespace quorvel::com
