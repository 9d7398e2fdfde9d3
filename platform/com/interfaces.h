// The standard COM and OLE Automation interfaces, declared as abstract classes whose
// virtual functions come in COM order, so the vtables match the Windows declarations.
#pragma once

#include "automation/variant.h"

// {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx} as a constant expression.
#define PLATFORM_GUID(d1, d2, d3, b0, b1, b2, b3, b4, b5, b6, b7) \
    GUID {                                                        \
        d1, d2, d3, {                                             \
            b0, b1, b2, b3, b4, b5, b6, b7                        \
        }                                                         \
    }

inline constexpr IID IID_IUnknown = PLATFORM_GUID(0x00000000, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
inline constexpr IID IID_IClassFactory = PLATFORM_GUID(0x00000001, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
inline constexpr IID IID_IDispatch = PLATFORM_GUID(0x00020400, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
inline constexpr IID IID_ITypeInfo = PLATFORM_GUID(0x00020401, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
inline constexpr IID IID_ITypeLib = PLATFORM_GUID(0x00020402, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
inline constexpr IID IID_IRecordInfo = PLATFORM_GUID(0x0000002F, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
inline constexpr IID IID_IErrorInfo =
    PLATFORM_GUID(0x1CF2B120, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
inline constexpr IID IID_ICreateErrorInfo =
    PLATFORM_GUID(0x22F03340, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
inline constexpr IID IID_ISupportErrorInfo =
    PLATFORM_GUID(0xDF0B3D60, 0x548F, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
inline constexpr IID IID_IObjectWithSite =
    PLATFORM_GUID(0xFC4801A3, 0x2BA9, 0x11CF, 0xA2, 0x29, 0x00, 0xAA, 0x00, 0x3D, 0x73, 0x52);
inline constexpr IID IID_IConnectionPointContainer =
    PLATFORM_GUID(0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IEnumConnectionPoints =
    PLATFORM_GUID(0xB196B285, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IConnectionPoint =
    PLATFORM_GUID(0xB196B286, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IEnumConnections =
    PLATFORM_GUID(0xB196B287, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

struct IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) = 0;
    STDMETHOD_(ULONG, AddRef)() = 0;
    STDMETHOD_(ULONG, Release)() = 0;

protected:
    ~IUnknown() = default;  // objects are destroyed through Release, never through delete
};

struct IClassFactory : IUnknown {
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) = 0;
    STDMETHOD(LockServer)(BOOL lock) = 0;
};

// Type information is answered from the member tables of com/dispatch.h; the full
// ITypeInfo surface is declared so the vtable slot order is right, even where our
// implementation answers E_NOTIMPL.
struct ITypeInfo : IUnknown {
    STDMETHOD(GetTypeAttr)(void** attr) = 0;
    STDMETHOD(GetTypeComp)(void** comp) = 0;
    STDMETHOD(GetFuncDesc)(UINT index, void** desc) = 0;
    STDMETHOD(GetVarDesc)(UINT index, void** desc) = 0;
    STDMETHOD(GetNames)(MEMBERID id, BSTR* names, UINT maxNames, UINT* count) = 0;
    STDMETHOD(GetRefTypeOfImplType)(UINT index, DWORD* ref) = 0;
    STDMETHOD(GetImplTypeFlags)(UINT index, INT* flags) = 0;
    STDMETHOD(GetIDsOfNames)(LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
    STDMETHOD(Invoke)
    (PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
     UINT* argErr) = 0;
    STDMETHOD(GetDocumentation)(MEMBERID id, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) = 0;
    STDMETHOD(GetDllEntry)(MEMBERID id, int kind, BSTR* dll, BSTR* name, WORD* ordinal) = 0;
    STDMETHOD(GetRefTypeInfo)(DWORD ref, ITypeInfo** info) = 0;
    STDMETHOD(AddressOfMember)(MEMBERID id, int kind, PVOID* addr) = 0;
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, PVOID* obj) = 0;
    STDMETHOD(GetMops)(MEMBERID id, BSTR* mops) = 0;
    STDMETHOD(GetContainingTypeLib)(void** lib, UINT* index) = 0;
    STDMETHOD_(void, ReleaseTypeAttr)(void* attr) = 0;
    STDMETHOD_(void, ReleaseFuncDesc)(void* desc) = 0;
    STDMETHOD_(void, ReleaseVarDesc)(void* desc) = 0;
};

struct IDispatch : IUnknown {
    STDMETHOD(GetTypeInfoCount)(UINT* count) = 0;
    STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** info) = 0;
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) = 0;
    STDMETHOD(Invoke)
    (DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
     UINT* argErr) = 0;
};

struct IRecordInfo : IUnknown {
    STDMETHOD(RecordInit)(PVOID record) = 0;
    STDMETHOD(RecordClear)(PVOID record) = 0;
    STDMETHOD(RecordCopy)(PVOID existing, PVOID copy) = 0;
    STDMETHOD(GetGuid)(GUID* guid) = 0;
    STDMETHOD(GetName)(BSTR* name) = 0;
    STDMETHOD(GetSize)(ULONG* size) = 0;
    STDMETHOD(GetTypeInfo)(ITypeInfo** info) = 0;
    STDMETHOD(GetField)(PVOID data, LPCOLESTR name, VARIANT* field) = 0;
    STDMETHOD(GetFieldNoCopy)(PVOID data, LPCOLESTR name, VARIANT* field, PVOID* dataCArray) = 0;
    STDMETHOD(PutField)(ULONG flags, PVOID data, LPCOLESTR name, VARIANT* field) = 0;
    STDMETHOD(PutFieldNoCopy)(ULONG flags, PVOID data, LPCOLESTR name, VARIANT* field) = 0;
    STDMETHOD(GetFieldNames)(ULONG* count, BSTR* names) = 0;
    STDMETHOD_(BOOL, IsMatchingType)(IRecordInfo* other) = 0;
    STDMETHOD_(PVOID, RecordCreate)() = 0;
    STDMETHOD(RecordCreateCopy)(PVOID source, PVOID* dest) = 0;
    STDMETHOD(RecordDestroy)(PVOID record) = 0;
};

struct IErrorInfo : IUnknown {
    STDMETHOD(GetGUID)(GUID* guid) = 0;
    STDMETHOD(GetSource)(BSTR* source) = 0;
    STDMETHOD(GetDescription)(BSTR* description) = 0;
    STDMETHOD(GetHelpFile)(BSTR* helpFile) = 0;
    STDMETHOD(GetHelpContext)(DWORD* helpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
    STDMETHOD(SetGUID)(REFGUID guid) = 0;
    STDMETHOD(SetSource)(LPOLESTR source) = 0;
    STDMETHOD(SetDescription)(LPOLESTR description) = 0;
    STDMETHOD(SetHelpFile)(LPOLESTR helpFile) = 0;
    STDMETHOD(SetHelpContext)(DWORD helpContext) = 0;
};

struct ISupportErrorInfo : IUnknown {
    STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) = 0;
};

struct IObjectWithSite : IUnknown {
    STDMETHOD(SetSite)(IUnknown* site) = 0;
    STDMETHOD(GetSite)(REFIID riid, void** site) = 0;
};

struct IConnectionPoint;
struct IConnectionPointContainer;

struct CONNECTDATA {
    IUnknown* pUnk;
    DWORD dwCookie;
};

struct IEnumConnections : IUnknown {
    STDMETHOD(Next)(ULONG count, CONNECTDATA* items, ULONG* fetched) = 0;
    STDMETHOD(Skip)(ULONG count) = 0;
    STDMETHOD(Reset)() = 0;
    STDMETHOD(Clone)(IEnumConnections** copy) = 0;
};

struct IEnumConnectionPoints : IUnknown {
    STDMETHOD(Next)(ULONG count, IConnectionPoint** items, ULONG* fetched) = 0;
    STDMETHOD(Skip)(ULONG count) = 0;
    STDMETHOD(Reset)() = 0;
    STDMETHOD(Clone)(IEnumConnectionPoints** copy) = 0;
};

struct IConnectionPoint : IUnknown {
    STDMETHOD(GetConnectionInterface)(IID* iid) = 0;
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** container) = 0;
    STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) = 0;
    STDMETHOD(Unadvise)(DWORD cookie) = 0;
    STDMETHOD(EnumConnections)(IEnumConnections** connections) = 0;
};

struct IConnectionPointContainer : IUnknown {
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** points) = 0;
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** point) = 0;
};
