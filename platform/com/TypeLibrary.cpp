#include "platform/com/TypeLibrary.h"

#include <new>

#include "platform/com/RefCounted.h"

namespace quorvel::com {

namespace {

bool sameNameIgnoringCase(const char* a, const std::u16string& b) {
    size_t i = 0;
    for (; a[i] && i < b.size(); ++i) {
        char16_t x = static_cast<unsigned char>(a[i]);
        char16_t y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char16_t>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char16_t>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return !a[i] && i == b.size();
}

std::u16string nameOf(const OLECHAR* name) {
    std::u16string s;
    if (name) {
        for (; *name; ++name) {
            s += *name;
        }
    }
    return s;
}

HRESULT giveText(const char* text, BSTR* out) {
    if (!out) {
        return S_OK;
    }
    *out = bstrFromUtf8(text ? text : "");
    return *out ? S_OK : E_OUTOFMEMORY;
}

class StaticTypeLib;

// Type information may be used from any thread: its counts are atomic.
class StaticTypeInfo final : public RefCounted<StaticTypeInfo, SharedHeapLifetime, ITypeInfo> {
public:
    StaticTypeInfo(StaticTypeLib* lib, UINT index);
    ~StaticTypeInfo();

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return answerQueryInterface(static_cast<ITypeInfo*>(this), iid, {IID_ITypeInfo}, object);
    }

    HRESULT GetTypeAttr(TYPEATTR* attr) override {
        if (!attr) {
            return E_POINTER;
        }
        attr->guid = type_.guid;
        attr->typekind = type_.kind;
        attr->cFuncs = type_.funcCount;
        attr->cImplTypes = type_.implCount;
        attr->wTypeFlags = type_.flags;
        return S_OK;
    }

    HRESULT GetFuncDesc(UINT index, FUNCDESC* desc) override {
        if (!desc) {
            return E_POINTER;
        }
        if (index >= type_.funcCount) {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        const FuncDescription& f = type_.funcs[index];
        *desc = FUNCDESC{f.memid, f.slot, f.result, f.paramCount, {}};
        for (WORD i = 0; i < f.paramCount && i < kMaxParams; ++i) {
            desc->paramTypes[i] = f.params[i].type;
        }
        return S_OK;
    }

    HRESULT GetDocumentation(DISPID member, BSTR* name, BSTR* docString) override {
        const char* n = nullptr;
        const char* h = nullptr;
        if (member == MEMBERID_NIL) {
            n = type_.name, h = type_.help;
        } else if (const FuncDescription* f = find(member)) {
            n = f->name, h = f->help;
        } else {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        if (name) {
            *name = nullptr;
        }
        if (docString) {
            *docString = nullptr;
        }
        HRESULT result = giveText(n, name);
        if (SUCCEEDED(result)) {
            result = giveText(h, docString);
        }
        return result;
    }

    HRESULT GetNames(DISPID member, BSTR* names, UINT maxNames, UINT* count) override {
        if (!names || !count) {
            return E_POINTER;
        }
        *count = 0;
        const FuncDescription* f = find(member);
        if (!f) {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        for (UINT i = 0; i <= f->paramCount && i < maxNames; ++i) {
            names[i] = bstrFromUtf8(i == 0 ? f->name : f->params[i - 1].name);
            *count = i + 1;
        }
        return S_OK;
    }

    HRESULT GetIDsOfNames(OLECHAR** names, UINT count, DISPID* ids) override {
        if (!names || !ids || count == 0) {
            return E_INVALIDARG;
        }
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
        const FuncDescription* found = nullptr;
        const std::u16string first = nameOf(names[0]);
        for (WORD i = 0; i < type_.funcCount; ++i) {
            if (sameNameIgnoringCase(type_.funcs[i].name, first)) {
                found = &type_.funcs[i];
            }
        }
        if (!found) {
            return DISP_E_UNKNOWNNAME;
        }
        ids[0] = found->memid;
        HRESULT result = S_OK;
        for (UINT i = 1; i < count; ++i) {
            const std::u16string param = nameOf(names[i]);
            for (WORD p = 0; p < found->paramCount; ++p) {
                if (sameNameIgnoringCase(found->params[p].name, param)) {
                    ids[i] = p;
                }
            }
            if (ids[i] == DISPID_UNKNOWN) {
                result = DISP_E_UNKNOWNNAME;
            }
        }
        return result;
    }

    HRESULT GetImplType(UINT index, GUID* iid, int* flags) override {
        if (!iid || !flags) {
            return E_POINTER;
        }
        if (index >= type_.implCount) {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        *iid = *type_.impls[index].iid;
        *flags = type_.impls[index].flags;
        return S_OK;
    }

    HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) override;

private:
    const FuncDescription* find(DISPID member) const {
        for (WORD i = 0; i < type_.funcCount; ++i) {
            if (type_.funcs[i].memid == member) {
                return &type_.funcs[i];
            }
        }
        return nullptr;
    }

    StaticTypeLib* lib_;  // holds a reference
    UINT index_;
    const TypeDescription& type_;
};

class StaticTypeLib final : public RefCounted<StaticTypeLib, SharedHeapLifetime, ITypeLib> {
public:
    explicit StaticTypeLib(const TypeLibDescription& d) : d_(d) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return answerQueryInterface(static_cast<ITypeLib*>(this), iid, {IID_ITypeLib}, object);
    }

    UINT GetTypeInfoCount() override { return d_.typeCount; }

    HRESULT GetTypeInfo(UINT index, ITypeInfo** info) override {
        if (!info) {
            return E_POINTER;
        }
        *info = nullptr;
        if (index >= d_.typeCount) {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        *info = new (std::nothrow) StaticTypeInfo(this, index);
        return *info ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT GetTypeInfoOfGuid(REFIID guid, ITypeInfo** info) override {
        for (UINT i = 0; i < d_.typeCount; ++i) {
            if (d_.types[i].guid == guid) {
                return GetTypeInfo(i, info);
            }
        }
        if (info) {
            *info = nullptr;
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }

    HRESULT GetLibAttr(TLIBATTR* attr) override {
        if (!attr) {
            return E_POINTER;
        }
        *attr = TLIBATTR{d_.libid, d_.lcid, d_.major, d_.minor};
        return S_OK;
    }

    HRESULT GetDocumentation(std::int32_t index, BSTR* name, BSTR* docString) override {
        if (index == -1) {
            if (name) {
                *name = nullptr;
            }
            if (docString) {
                *docString = nullptr;
            }
            HRESULT result = giveText(d_.name, name);
            return SUCCEEDED(result) ? giveText(d_.help, docString) : result;
        }
        if (index < 0 || static_cast<UINT>(index) >= d_.typeCount) {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        ComPtr<ITypeInfo> info;
        HRESULT result = GetTypeInfo(static_cast<UINT>(index), info.put());
        return SUCCEEDED(result) ? info->GetDocumentation(MEMBERID_NIL, name, docString) : result;
    }

    const TypeLibDescription& description() const { return d_; }

private:
    const TypeLibDescription& d_;
};

StaticTypeInfo::StaticTypeInfo(StaticTypeLib* lib, UINT index)
    : lib_(lib), index_(index), type_(lib->description().types[index]) {
    lib_->AddRef();
}

StaticTypeInfo::~StaticTypeInfo() {
    lib_->Release();
}

HRESULT StaticTypeInfo::GetContainingTypeLib(ITypeLib** lib, UINT* index) {
    if (!lib) {
        return E_POINTER;
    }
    lib_->AddRef();
    *lib = lib_;
    if (index) {
        *index = index_;
    }
    return S_OK;
}

}  // namespace

HRESULT createTypeLib(const TypeLibDescription& description, ITypeLib** lib) {
    if (!lib) {
        return E_POINTER;
    }
    *lib = new (std::nothrow) StaticTypeLib(description);
    return *lib ? S_OK : E_OUTOFMEMORY;
}

}  // namespace quorvel::com
