// OLE Automation services: strings, arrays, variants, variant arithmetic and
// per-thread error information, exported under their Windows names.
#pragma once

#include "com/interfaces.h"

// --- BSTR --------------------------------------------------------------------------------
// Returns a new string the caller frees with SysFreeString; null when s is null.
PLATFORM_API BSTR SysAllocString(const OLECHAR* s);
// Copies len units of s (s may be null: the units are then zero-filled).
PLATFORM_API BSTR SysAllocStringLen(const OLECHAR* s, UINT len);
// Copies len bytes (an odd byte count is kept as given; length prefix counts bytes).
PLATFORM_API BSTR SysAllocStringByteLen(const char* s, UINT len);
PLATFORM_API INT SysReAllocString(BSTR* target, const OLECHAR* s);
PLATFORM_API INT SysReAllocStringLen(BSTR* target, const OLECHAR* s, UINT len);
PLATFORM_API void SysFreeString(BSTR s);
PLATFORM_API UINT SysStringLen(BSTR s);      // in units; 0 for null
PLATFORM_API UINT SysStringByteLen(BSTR s);  // in bytes; 0 for null

// --- SAFEARRAY ---------------------------------------------------------------------------
PLATFORM_API SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds);
PLATFORM_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG count);
PLATFORM_API HRESULT SafeArrayDestroy(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out);
PLATFORM_API HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data);
PLATFORM_API HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayLock(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayUnlock(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT dim, LONG* bound);
PLATFORM_API HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT dim, LONG* bound);
PLATFORM_API UINT SafeArrayGetDim(SAFEARRAY* psa);
PLATFORM_API UINT SafeArrayGetElemsize(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* vt);
PLATFORM_API HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* newBound);
PLATFORM_API HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* indices, void* value);
PLATFORM_API HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* indices, void* value);
// The pieces SafeArrayCreate is made of, for callers that fill a descriptor themselves.
PLATFORM_API HRESULT SafeArrayAllocDescriptor(UINT dims, SAFEARRAY** out);
PLATFORM_API HRESULT SafeArrayAllocDescriptorEx(VARTYPE vt, UINT dims, SAFEARRAY** out);
PLATFORM_API HRESULT SafeArrayAllocData(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayDestroyData(SAFEARRAY* psa);
PLATFORM_API HRESULT SafeArrayDestroyDescriptor(SAFEARRAY* psa);
// Copies the elements of src into dst, which has the same shape; dst's old elements are freed.
PLATFORM_API HRESULT SafeArrayCopyData(SAFEARRAY* src, SAFEARRAY* dst);
// The address of one element inside the data block (no lock is taken).
PLATFORM_API HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* indices, void** cell);

// --- VARIANT -----------------------------------------------------------------------------
PLATFORM_API void VariantInit(VARIANT* v);
PLATFORM_API HRESULT VariantClear(VARIANT* v);
PLATFORM_API HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Copies and dereferences a VT_BYREF source.
PLATFORM_API HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);
// Windows rules: reals to integers round half to even; an overflow gives DISP_E_OVERFLOW
// and leaves dest unchanged; an impossible change gives DISP_E_TYPEMISMATCH. dest must hold
// a valid variant (it is cleared before the result goes in) and may be src itself; a
// VT_BYREF src is dereferenced. Numbers and strings use invariant "C" text ("1.5");
// VARIANT_ALPHABOOL writes booleans as "True"/"False" (else "-1"/"0"); VT_NULL changes only
// to VT_NULL and VT_EMPTY; objects change through their default value unless
// VARIANT_NOVALUEPROP is given.
PLATFORM_API HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);
PLATFORM_API HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags,
                                         VARTYPE vt);
// Products of integers widen (to VT_I8 where VT_I4 would overflow); a quotient of integers
// is VT_R8; division by zero gives DISP_E_DIVBYZERO (0 / 0 DISP_E_OVERFLOW); a VT_NULL
// operand gives VT_NULL; VT_EMPTY counts as a VT_I2 zero; strings are read as VT_R8.
// result is an out parameter: its old contents are not released, unless result is one of
// the operands (the operand's value is then replaced, or kept when the operation fails).
// A failure otherwise leaves result VT_EMPTY.
PLATFORM_API HRESULT VarMul(VARIANT* left, VARIANT* right, VARIANT* result);
PLATFORM_API HRESULT VarDiv(VARIANT* left, VARIANT* right, VARIANT* result);

// --- Error information (per thread) -------------------------------------------------------
PLATFORM_API HRESULT CreateErrorInfo(ICreateErrorInfo** out);
// Replaces the calling thread's record (info may be null to clear it); takes a reference.
PLATFORM_API HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
// Hands the calling thread's record to the caller (who releases it) and clears it;
// S_FALSE with *out null when there is none.
PLATFORM_API HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** out);
