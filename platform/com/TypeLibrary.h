#pragma once

#include "platform/com/Dispatch.h"

// A type library described by constant tables compiled into the library that
// owns the types, served through ITypeLib and ITypeInfo.
namespace quorvel::com {

struct ParamDescription {
    const char* name;
    VARTYPE type;
};

struct FuncDescription {
    DISPID memid;
    const char* name;
    const char* help;
    WORD slot;
    VARTYPE result;
    const ParamDescription* params;
    WORD paramCount;
};

struct ImplDescription {
    const GUID* iid;
    int flags;
};

struct TypeDescription {
    GUID guid;
    TYPEKIND kind;
    const char* name;
    const char* help;
    WORD flags;
    const FuncDescription* funcs;
    WORD funcCount;
    const ImplDescription* impls;
    WORD implCount;
};

struct TypeLibDescription {
    GUID libid;
    WORD major;
    WORD minor;
    LCID lcid;
    const char* name;
    const char* help;
    const TypeDescription* types;
    UINT typeCount;
};

// The description must outlive every object handed out (static tables do).
HRESULT createTypeLib(const TypeLibDescription& description, ITypeLib** lib);

}  // namespace quorvel::com
