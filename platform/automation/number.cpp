// Numeric reading and writing of variants, shared by VariantChangeType and VarMul/VarDiv.
#include "automation/number.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace platform_automation {
namespace {

constexpr __int128 kI64Min = std::numeric_limits<std::int64_t>::min();
constexpr __int128 kI64Max = std::numeric_limits<std::int64_t>::max();
constexpr __int128 kU64Max = std::numeric_limits<std::uint64_t>::max();

// DATE spans 1 January 100 to 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;

// Half to even on an exact rational quotient q = num / den (den > 0).
__int128 DivideHalfEven(__int128 num, __int128 den) {
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0) {
        r += den;
        --q;
    }
    const __int128 twice = 2 * r;
    if (twice > den || (twice == den && (q & 1))) ++q;
    return q;
}

double RoundHalfEven(double v) {
    const double f = std::floor(v);
    const double diff = v - f;
    if (diff > 0.5) return f + 1;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

Number FromInt128(__int128 v) {
    Number n;
    if (v >= kI64Min && v <= kI64Max) {
        n.kind = Number::Signed;
        n.i = static_cast<std::int64_t>(v);
    } else if (v > 0 && v <= kU64Max) {
        n.kind = Number::Unsigned;
        n.u = static_cast<std::uint64_t>(v);
    } else {
        n.kind = Number::Real;
        n.d = static_cast<double>(v);
    }
    return n;
}

// DECIMAL: a 96-bit magnitude, a power-of-ten scale (0..28) and a sign byte (0x80 negative).
HRESULT ReadDecimal(const DECIMAL& dec, Number* out) {
    if (dec.scale > 28) return DISP_E_OVERFLOW;
    const __int128 magnitude = (static_cast<__int128>(dec.Hi32) << 64) | dec.Lo64;
    const bool negative = (dec.sign & 0x80) != 0;
    if (dec.scale == 0) {
        *out = FromInt128(negative ? -magnitude : magnitude);
        return S_OK;
    }
    out->kind = Number::Real;
    out->d = static_cast<double>(magnitude) / std::pow(10.0, dec.scale);
    if (negative) out->d = -out->d;
    return S_OK;
}

HRESULT StoreDecimal(const Number& n, DECIMAL* dec) {
    __int128 mantissa = 0;
    int scale = 0;
    switch (n.kind) {
    case Number::Signed: mantissa = n.i; break;
    case Number::Unsigned: mantissa = n.u; break;
    case Number::Currency:
        mantissa = n.i;
        scale = 4;
        break;
    case Number::Real: {
        const double a = std::fabs(n.d);
        if (!std::isfinite(n.d) || a >= 7.9228162514264337593543950335e28) return DISP_E_OVERFLOW;
        // Keep the fifteen significant digits a double carries reliably.
        if (a != 0) scale = std::clamp(14 - static_cast<int>(std::floor(std::log10(a))), 0, 28);
        const long double scaled = static_cast<long double>(n.d) * std::pow(10.0L, scale);
        mantissa = static_cast<__int128>(std::nearbyint(scaled));
        break;
    }
    }
    while (scale > 0 && mantissa % 10 == 0) {
        mantissa /= 10;
        --scale;
    }
    const bool negative = mantissa < 0;
    const __int128 magnitude = negative ? -mantissa : mantissa;
    if ((magnitude >> 96) != 0) return DISP_E_OVERFLOW;
    dec->wReserved = 0;
    dec->scale = static_cast<BYTE>(scale);
    dec->sign = negative ? 0x80 : 0;
    dec->Hi32 = static_cast<ULONG>(magnitude >> 64);
    dec->Lo64 = static_cast<ULONGLONG>(magnitude);
    return S_OK;
}

bool IsBlank(OLECHAR c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

HRESULT ParseNumber(const OLECHAR* text, UINT length, Number* out) {
    if (!text) return DISP_E_TYPEMISMATCH;
    UINT begin = 0, end = length;
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    if (begin == end || end - begin > 400) return DISP_E_TYPEMISMATCH;
    std::string ascii;
    for (UINT i = begin; i < end; ++i) {
        if (text[i] >= 0x80) return DISP_E_TYPEMISMATCH;
        ascii.push_back(static_cast<char>(text[i]));
    }
    const char* p = ascii.data();
    const char* last = p + ascii.size();

    // &H and &O prefixes: hexadecimal and octal integers.
    if (ascii.size() > 2 && ascii[0] == '&') {
        const char kind = static_cast<char>(ascii[1] | 0x20);
        const int base = kind == 'h' ? 16 : kind == 'o' ? 8 : 0;
        if (base == 0) return DISP_E_TYPEMISMATCH;
        std::uint64_t u = 0;
        const auto r = std::from_chars(p + 2, last, u, base);
        if (r.ptr != last) return DISP_E_TYPEMISMATCH;
        if (r.ec == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
        *out = FromInt128(u);
        return S_OK;
    }

    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (p == last || !((*p >= '0' && *p <= '9') || *p == '.')) return DISP_E_TYPEMISMATCH;
    for (const char* q = p; q < last; ++q) {
        const char c = *q;
        const bool ok = (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
        if (!ok) return DISP_E_TYPEMISMATCH;  // no "inf", "nan" or hexadecimal floats
    }
    // Whole numbers are read exactly, so large 64-bit values survive a round trip.
    std::uint64_t whole = 0;
    auto r = std::from_chars(p, last, whole, 10);
    if (r.ptr == last && r.ec == std::errc()) {
        *out = FromInt128(negative ? -static_cast<__int128>(whole) : static_cast<__int128>(whole));
        return S_OK;
    }
    double d = 0;
    const auto rd = std::from_chars(p, last, d, std::chars_format::general);
    if (rd.ptr != last) return DISP_E_TYPEMISMATCH;
    if (rd.ec == std::errc::result_out_of_range && std::fabs(d) > 1) return DISP_E_OVERFLOW;
    out->kind = Number::Real;
    out->d = negative ? -d : d;
    return S_OK;
}

HRESULT ReadNumber(const VARIANT& v, Number* out) {
    Number n;
    switch (v.vt) {
    case VT_EMPTY: break;
    case VT_I1: n.i = v.cVal; break;
    case VT_I2: n.i = v.iVal; break;
    case VT_I4: n.i = v.lVal; break;
    case VT_INT: n.i = v.intVal; break;
    case VT_I8: n.i = v.llVal; break;
    case VT_BOOL: n.i = v.boolVal ? -1 : 0; break;
    case VT_UI1:
        n.kind = Number::Unsigned;
        n.u = v.bVal;
        break;
    case VT_UI2:
        n.kind = Number::Unsigned;
        n.u = v.uiVal;
        break;
    case VT_UI4:
        n.kind = Number::Unsigned;
        n.u = v.ulVal;
        break;
    case VT_UINT:
        n.kind = Number::Unsigned;
        n.u = v.uintVal;
        break;
    case VT_UI8:
        n.kind = Number::Unsigned;
        n.u = v.ullVal;
        break;
    case VT_R4:
        n.kind = Number::Real;
        n.d = v.fltVal;
        break;
    case VT_R8:
        n.kind = Number::Real;
        n.d = v.dblVal;
        break;
    case VT_DATE:
        n.kind = Number::Real;
        n.d = v.date;
        break;
    case VT_CY:
        n.kind = Number::Currency;
        n.i = v.cyVal.int64;
        break;
    case VT_DECIMAL: return ReadDecimal(v.decVal, out);
    case VT_BSTR: return ParseNumber(v.bstrVal, SysStringLen(v.bstrVal), out);
    default: return DISP_E_TYPEMISMATCH;
    }
    *out = n;
    return S_OK;
}

double ToDouble(const Number& n) {
    switch (n.kind) {
    case Number::Signed: return static_cast<double>(n.i);
    case Number::Unsigned: return static_cast<double>(n.u);
    case Number::Currency: return static_cast<double>(n.i) / 10000.0;
    case Number::Real: return n.d;
    }
    return 0;
}

bool ToInteger(const Number& n, __int128 min, __int128 max, __int128* out) {
    __int128 v = 0;
    switch (n.kind) {
    case Number::Signed: v = n.i; break;
    case Number::Unsigned: v = n.u; break;
    case Number::Currency: v = DivideHalfEven(n.i, 10000); break;
    case Number::Real: {
        if (!std::isfinite(n.d)) return false;
        const double r = RoundHalfEven(n.d);
        // Every bound we use is within 2^64, where the double comparison is exact enough:
        // a rounded double is an integer, so comparing against the bound as a double decides.
        if (r < -18446744073709551616.0 || r >= 18446744073709551616.0) return false;
        v = static_cast<__int128>(r);
        break;
    }
    }
    if (v < min || v > max) return false;
    *out = v;
    return true;
}

HRESULT StoreNumber(const Number& n, VARTYPE vt, VARIANT* dest) {
    VARIANT r;
    VariantInit(&r);
    r.vt = vt;
    __int128 v = 0;
    auto integer = [&](__int128 min, __int128 max) { return ToInteger(n, min, max, &v); };
    switch (vt) {
    case VT_I1:
        if (!integer(-128, 127)) return DISP_E_OVERFLOW;
        r.cVal = static_cast<CHAR>(v);
        break;
    case VT_UI1:
        if (!integer(0, 255)) return DISP_E_OVERFLOW;
        r.bVal = static_cast<BYTE>(v);
        break;
    case VT_I2:
        if (!integer(-32768, 32767)) return DISP_E_OVERFLOW;
        r.iVal = static_cast<SHORT>(v);
        break;
    case VT_UI2:
        if (!integer(0, 65535)) return DISP_E_OVERFLOW;
        r.uiVal = static_cast<USHORT>(v);
        break;
    case VT_I4:
    case VT_INT:
        if (!integer(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()))
            return DISP_E_OVERFLOW;
        r.lVal = static_cast<LONG>(v);
        break;
    case VT_UI4:
    case VT_UINT:
        if (!integer(0, std::numeric_limits<std::uint32_t>::max())) return DISP_E_OVERFLOW;
        r.ulVal = static_cast<ULONG>(v);
        break;
    case VT_I8:
        if (!integer(kI64Min, kI64Max)) return DISP_E_OVERFLOW;
        r.llVal = static_cast<LONGLONG>(v);
        break;
    case VT_UI8:
        if (!integer(0, kU64Max)) return DISP_E_OVERFLOW;
        r.ullVal = static_cast<ULONGLONG>(v);
        break;
    case VT_BOOL: {
        bool truth = false;
        switch (n.kind) {
        case Number::Signed:
        case Number::Currency: truth = n.i != 0; break;
        case Number::Unsigned: truth = n.u != 0; break;
        case Number::Real: truth = n.d != 0; break;
        }
        r.boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    }
    case VT_R4: {
        const double d = ToDouble(n);
        if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
        r.fltVal = static_cast<float>(d);
        break;
    }
    case VT_R8: r.dblVal = ToDouble(n); break;
    case VT_DATE: {
        const double d = ToDouble(n);
        if (!(d >= kMinDate && d < kMaxDate)) return DISP_E_OVERFLOW;
        r.date = d;
        break;
    }
    case VT_CY: {
        __int128 scaled = 0;
        if (n.kind == Number::Currency) {
            scaled = n.i;
        } else if (n.kind == Number::Real) {
            if (!std::isfinite(n.d)) return DISP_E_OVERFLOW;
            // Scaled in double precision, as the value itself is: 0.00005 is then exactly
            // half a unit and goes to the even neighbour.
            const double s = n.d * 10000.0;
            if (s < -9.3e18 || s > 9.3e18) return DISP_E_OVERFLOW;
            scaled = static_cast<__int128>(RoundHalfEven(s));
        } else {
            scaled = (n.kind == Number::Signed ? static_cast<__int128>(n.i) : static_cast<__int128>(n.u)) * 10000;
        }
        if (scaled < kI64Min || scaled > kI64Max) return DISP_E_OVERFLOW;
        r.cyVal.int64 = static_cast<LONGLONG>(scaled);
        break;
    }
    case VT_DECIMAL: {
        DECIMAL dec;
        const HRESULT hr = StoreDecimal(n, &dec);
        if (FAILED(hr)) return hr;
        r.decVal = dec;
        r.vt = VT_DECIMAL;
        break;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
    std::memcpy(static_cast<void*>(dest), &r, sizeof(VARIANT));
    return S_OK;
}

std::string FormatReal(double value, int digits) {
    if (value == 0) return "0";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
    std::string s(buf, r.ptr);
    for (char& c : s)
        if (c == 'e') c = 'E';
    return s;
}

}  // namespace platform_automation
