#include "platform/com/Dispatch.h"

namespace quorvel::com {

void VariantInit(VARIANT* v) {
    v->vt = VT_EMPTY;
    v->punkVal = nullptr;
}

HRESULT VariantClear(VARIANT* v) {
    if (!v) {
        return E_INVALIDARG;
    }
    if (v->vt == VT_BSTR) {
        SysFreeString(v->bstrVal);
    } else if (v->vt == VT_UNKNOWN && v->punkVal) {
        v->punkVal->Release();
    }
    VariantInit(v);
    return S_OK;
}

}  // namespace quorvel::com
