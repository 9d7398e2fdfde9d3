// Base types of the component platform, with the binary layouts of their Windows
// counterparts so that clients written against the Windows declarations work unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

// PLATFORM_API: a C entry point exported under its Windows name. PLATFORM_CXX: a C++
// symbol of the platform (or of a module) that other binaries link against.
#if defined(_WIN32)
#define PLATFORM_CXX __declspec(dllexport)
#else
#define PLATFORM_CXX __attribute__((visibility("default")))
#endif
#define PLATFORM_API extern "C" PLATFORM_CXX

// Calling conventions have no meaning on our targets; kept so declarations read as usual.
#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define WINAPI
#define STDAPI PLATFORM_API HRESULT
#define STDMETHOD(name) virtual HRESULT STDMETHODCALLTYPE name
#define STDMETHOD_(type, name) virtual type STDMETHODCALLTYPE name

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using USHORT = std::uint16_t;
using SHORT = std::int16_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using ULONG = std::uint32_t;  // 32 bits, as on Windows (LLP64), not the C long
using LONG = std::int32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using BOOL = std::int32_t;
using CHAR = char;
using FLOAT = float;
using DOUBLE = double;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LCID = std::uint32_t;
using DISPID = std::int32_t;
using MEMBERID = DISPID;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using DATE = double;
using PVOID = void*;
using LPVOID = void*;
using HMODULE = void*;
using HINSTANCE = void*;

using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
// BSTR: UTF-16 code units, preceded by a 32-bit byte length and followed by a zero unit.
using BSTR = OLECHAR*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

inline constexpr GUID GUID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

union CY {
    struct {
        std::uint32_t Lo;
        std::int32_t Hi;
    } s;
    LONGLONG int64;
};

struct DECIMAL {
    USHORT wReserved;
    BYTE scale;
    BYTE sign;
    ULONG Hi32;
    ULONGLONG Lo64;
};

// Status codes.
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define MAKE_HRESULT(sev, fac, code) \
    ((HRESULT)(((std::uint32_t)(sev) << 31) | ((std::uint32_t)(fac) << 16) | ((std::uint32_t)(code))))
#define HRESULT_CODE(hr) ((hr) & 0xFFFF)
#define HRESULT_FACILITY(hr) (((hr) >> 16) & 0x1FFF)

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = (HRESULT)0x80004001;
inline constexpr HRESULT E_NOINTERFACE = (HRESULT)0x80004002;
inline constexpr HRESULT E_POINTER = (HRESULT)0x80004003;
inline constexpr HRESULT E_ABORT = (HRESULT)0x80004004;
inline constexpr HRESULT E_FAIL = (HRESULT)0x80004005;
inline constexpr HRESULT E_UNEXPECTED = (HRESULT)0x8000FFFF;
inline constexpr HRESULT E_ACCESSDENIED = (HRESULT)0x80070005;
inline constexpr HRESULT E_HANDLE = (HRESULT)0x80070006;
inline constexpr HRESULT E_OUTOFMEMORY = (HRESULT)0x8007000E;
inline constexpr HRESULT E_INVALIDARG = (HRESULT)0x80070057;
inline constexpr HRESULT CLASS_E_NOAGGREGATION = (HRESULT)0x80040110;
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = (HRESULT)0x80040111;
inline constexpr HRESULT REGDB_E_CLASSNOTREG = (HRESULT)0x80040154;
inline constexpr HRESULT REGDB_E_READREGDB = (HRESULT)0x80040150;
inline constexpr HRESULT REGDB_E_WRITEREGDB = (HRESULT)0x80040151;
inline constexpr HRESULT REGDB_E_IIDNOTREG = (HRESULT)0x80040155;
inline constexpr HRESULT CO_E_CLASSSTRING = (HRESULT)0x800401F3;
inline constexpr HRESULT CO_E_DLLNOTFOUND = (HRESULT)0x8004018F;
inline constexpr HRESULT CO_E_ERRORINDLL = (HRESULT)0x800401F9;
inline constexpr HRESULT CONNECT_E_NOCONNECTION = (HRESULT)0x80040200;
inline constexpr HRESULT CONNECT_E_ADVISELIMIT = (HRESULT)0x80040201;
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = (HRESULT)0x80040202;
inline constexpr HRESULT SELFREG_E_TYPELIB = (HRESULT)0x80040200;
inline constexpr HRESULT SELFREG_E_CLASS = (HRESULT)0x80040201;
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = (HRESULT)0x8002802B;
inline constexpr HRESULT TYPE_E_LIBNOTREGISTERED = (HRESULT)0x8002801D;

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = (HRESULT)0x80020001;
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = (HRESULT)0x80020003;
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = (HRESULT)0x80020004;
inline constexpr HRESULT DISP_E_TYPEMISMATCH = (HRESULT)0x80020005;
inline constexpr HRESULT DISP_E_UNKNOWNNAME = (HRESULT)0x80020006;
inline constexpr HRESULT DISP_E_NONAMEDARGS = (HRESULT)0x80020007;
inline constexpr HRESULT DISP_E_BADVARTYPE = (HRESULT)0x80020008;
inline constexpr HRESULT DISP_E_EXCEPTION = (HRESULT)0x80020009;
inline constexpr HRESULT DISP_E_OVERFLOW = (HRESULT)0x8002000A;
inline constexpr HRESULT DISP_E_BADINDEX = (HRESULT)0x8002000B;
inline constexpr HRESULT DISP_E_UNKNOWNLCID = (HRESULT)0x8002000C;
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = (HRESULT)0x8002000D;
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = (HRESULT)0x8002000E;
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = (HRESULT)0x8002000F;
inline constexpr HRESULT DISP_E_BADCALLEE = (HRESULT)0x80020010;
inline constexpr HRESULT DISP_E_NOTACOLLECTION = (HRESULT)0x80020011;
inline constexpr HRESULT DISP_E_DIVBYZERO = (HRESULT)0x80020012;

// Win32 error codes used by the registry and file layers.
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_PATH_NOT_FOUND = 3;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr LONG ERROR_INVALID_DATA = 13;
inline constexpr LONG ERROR_WRITE_FAULT = 29;
inline constexpr LONG ERROR_READ_FAULT = 30;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_BADKEY = 1010;
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_KEY_DELETED = 1018;
