// Small builders for variants in tests.
#pragma once

#include "automation/oleauto.h"

#include <string>

inline VARIANT MakeI2(SHORT v) { VARIANT r; VariantInit(&r); r.vt = VT_I2; r.iVal = v; return r; }
inline VARIANT MakeI4(LONG v) { VARIANT r; VariantInit(&r); r.vt = VT_I4; r.lVal = v; return r; }
inline VARIANT MakeI8(LONGLONG v) { VARIANT r; VariantInit(&r); r.vt = VT_I8; r.llVal = v; return r; }
inline VARIANT MakeUI1(BYTE v) { VARIANT r; VariantInit(&r); r.vt = VT_UI1; r.bVal = v; return r; }
inline VARIANT MakeUI2(USHORT v) { VARIANT r; VariantInit(&r); r.vt = VT_UI2; r.uiVal = v; return r; }
inline VARIANT MakeUI4(ULONG v) { VARIANT r; VariantInit(&r); r.vt = VT_UI4; r.ulVal = v; return r; }
inline VARIANT MakeUI8(ULONGLONG v) { VARIANT r; VariantInit(&r); r.vt = VT_UI8; r.ullVal = v; return r; }
inline VARIANT MakeI1(CHAR v) { VARIANT r; VariantInit(&r); r.vt = VT_I1; r.cVal = v; return r; }
inline VARIANT MakeR4(FLOAT v) { VARIANT r; VariantInit(&r); r.vt = VT_R4; r.fltVal = v; return r; }
inline VARIANT MakeR8(DOUBLE v) { VARIANT r; VariantInit(&r); r.vt = VT_R8; r.dblVal = v; return r; }
inline VARIANT MakeDate(DATE v) { VARIANT r; VariantInit(&r); r.vt = VT_DATE; r.date = v; return r; }
inline VARIANT MakeCy(LONGLONG scaled) { VARIANT r; VariantInit(&r); r.vt = VT_CY; r.cyVal.int64 = scaled; return r; }
inline VARIANT MakeBool(bool v) { VARIANT r; VariantInit(&r); r.vt = VT_BOOL; r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return r; }
inline VARIANT MakeError(SCODE v) { VARIANT r; VariantInit(&r); r.vt = VT_ERROR; r.scode = v; return r; }
inline VARIANT MakeEmpty() { VARIANT r; VariantInit(&r); return r; }
inline VARIANT MakeNull() { VARIANT r; VariantInit(&r); r.vt = VT_NULL; return r; }
// The caller clears it.
inline VARIANT MakeBstr(const char16_t* s) { VARIANT r; VariantInit(&r); r.vt = VT_BSTR; r.bstrVal = SysAllocString(s); return r; }

// The variant's value as comparable text: "I4:10", "R8:1.5", "BSTR:abc", "NULL".
std::string Describe(const VARIANT& v);
