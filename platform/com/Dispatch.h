#pragma once

#include <cstdint>

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"

// Late binding: calls by DISPID with arguments in VARIANTs, and the type
// information that names the members. Only the argument types the drop-target
// interfaces use are known here.
namespace quorvel::com {

using VARTYPE = std::uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_INT = 22;
inline constexpr VARTYPE VT_VOID = 24;
inline constexpr VARTYPE VT_HRESULT = 25;

struct VARIANT {
    VARTYPE vt;
    union {
        std::int32_t lVal;
        std::int16_t iVal;
        std::int32_t intVal;
        HRESULT scode;
        BSTR bstrVal;
        IUnknown* punkVal;
    };
};
void VariantInit(VARIANT* v);
// Frees what the variant owns (its BSTR, its reference) and empties it.
HRESULT VariantClear(VARIANT* v);

// Arguments of a call, the last argument first (rgvarg[0]).
struct DISPPARAMS {
    VARIANT* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    BSTR bstrSource;
    BSTR bstrDescription;
    HRESULT scode;
};

inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID MEMBERID_NIL = -1;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

struct ITypeInfo;

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID iid, OLECHAR** names, UINT count, LCID lcid, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID member, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT* argError) = 0;

protected:
    ~IDispatch() = default;
};

// Type information, read-only and in the shape the drop-target library
// publishes it: kinds, flags, members with their DISPIDs, names and help texts.
enum TYPEKIND : std::int32_t { TKIND_INTERFACE = 3, TKIND_DISPATCH = 4, TKIND_COCLASS = 5 };

inline constexpr WORD TYPEFLAG_FCANCREATE = 0x2;
inline constexpr WORD TYPEFLAG_FDUAL = 0x40;
inline constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
inline constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;
inline constexpr int IMPLTYPEFLAG_FDEFAULT = 0x1;
inline constexpr int IMPLTYPEFLAG_FSOURCE = 0x2;

struct TYPEATTR {
    GUID guid;
    TYPEKIND typekind;
    WORD cFuncs;
    WORD cImplTypes;
    WORD wTypeFlags;
};

inline constexpr WORD kMaxParams = 4;
struct FUNCDESC {
    DISPID memid;
    WORD oVft;  // slot in the function table after IDispatch's seven; 0 for a dispatch-only member
    VARTYPE resultType;
    WORD cParams;
    VARTYPE paramTypes[kMaxParams];
};

struct TLIBATTR {
    GUID guid;
    LCID lcid;
    WORD wMajorVerNum;
    WORD wMinorVerNum;
};

struct ITypeLib;

struct ITypeInfo : IUnknown {
    virtual HRESULT GetTypeAttr(TYPEATTR* attr) = 0;
    virtual HRESULT GetFuncDesc(UINT index, FUNCDESC* desc) = 0;
    // The member's (or with MEMBERID_NIL the type's) name and help text;
    // either out-parameter may be null.
    virtual HRESULT GetDocumentation(DISPID member, BSTR* name, BSTR* docString) = 0;
    // The member's name followed by its parameter names.
    virtual HRESULT GetNames(DISPID member, BSTR* names, UINT maxNames, UINT* count) = 0;
    // Names compare without regard to case; names after the first are
    // parameters and get their positions.
    virtual HRESULT GetIDsOfNames(OLECHAR** names, UINT count, DISPID* ids) = 0;
    virtual HRESULT GetImplType(UINT index, GUID* iid, int* flags) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) = 0;

protected:
    ~ITypeInfo() = default;
};

struct ITypeLib : IUnknown {
    virtual UINT GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** info) = 0;
    virtual HRESULT GetTypeInfoOfGuid(REFIID guid, ITypeInfo** info) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR* attr) = 0;
    // index -1 gives the library's own name and help text.
    virtual HRESULT GetDocumentation(std::int32_t index, BSTR* name, BSTR* docString) = 0;

protected:
    ~ITypeLib() = default;
};

}  // namespace quorvel::com
