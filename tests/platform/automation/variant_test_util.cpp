#include "variant_test_util.h"

#include <cstdio>

std::string Describe(const VARIANT& v) {
    char buf[96];
    switch (v.vt) {
    case VT_EMPTY: return "EMPTY";
    case VT_NULL: return "NULL";
    case VT_I1: return "I1:" + std::to_string(v.cVal);
    case VT_I2: return "I2:" + std::to_string(v.iVal);
    case VT_I4: return "I4:" + std::to_string(v.lVal);
    case VT_INT: return "INT:" + std::to_string(v.intVal);
    case VT_I8: return "I8:" + std::to_string(v.llVal);
    case VT_UI1: return "UI1:" + std::to_string(v.bVal);
    case VT_UI2: return "UI2:" + std::to_string(v.uiVal);
    case VT_UI4: return "UI4:" + std::to_string(v.ulVal);
    case VT_UINT: return "UINT:" + std::to_string(v.uintVal);
    case VT_UI8: return "UI8:" + std::to_string(v.ullVal);
    case VT_BOOL: return "BOOL:" + std::to_string(v.boolVal);
    case VT_ERROR: return "ERROR:" + std::to_string(v.scode);
    case VT_R4: std::snprintf(buf, sizeof buf, "R4:%.9g", v.fltVal); return buf;
    case VT_R8: std::snprintf(buf, sizeof buf, "R8:%.17g", v.dblVal); return buf;
    case VT_DATE: std::snprintf(buf, sizeof buf, "DATE:%.17g", v.date); return buf;
    case VT_CY: return "CY:" + std::to_string(v.cyVal.int64);
    case VT_DECIMAL:
        std::snprintf(buf, sizeof buf, "DEC:%s%llu/e%d", (v.decVal.sign & 0x80) ? "-" : "",
                      static_cast<unsigned long long>(v.decVal.Lo64), v.decVal.scale);
        return buf;
    case VT_BSTR: {
        std::string s = "BSTR:";
        for (UINT i = 0; i < SysStringLen(v.bstrVal); ++i)
            s += v.bstrVal[i] < 0x80 ? static_cast<char>(v.bstrVal[i]) : '?';
        return s;
    }
    default: return "VT" + std::to_string(v.vt);
    }
}
