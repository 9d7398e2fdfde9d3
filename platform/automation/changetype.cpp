// VariantChangeType(Ex): converts a variant to another type with the Windows rules. The
// conversion always builds its result in a separate variant, so dest may be src, and a
// failure leaves dest exactly as it was.
#include "automation/number.h"
#include "automation/oleauto.h"
#include "automation/variant_internal.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

using platform_automation::Number;

namespace {

BSTR BstrFromAscii(const std::string& s) {
    BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(s.size()));
    if (!b) return nullptr;
    for (std::size_t i = 0; i < s.size(); ++i) b[i] = static_cast<unsigned char>(s[i]);
    return b;
}

bool EqualsIgnoringCase(const OLECHAR* text, UINT length, const char* word) {
    UINT begin = 0, end = length;
    while (begin < end && text[begin] == u' ') ++begin;
    while (end > begin && text[end - 1] == u' ') --end;
    const std::size_t n = std::strlen(word);
    if (end - begin != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        OLECHAR c = text[begin + i];
        if (c >= u'A' && c <= u'Z') c = static_cast<OLECHAR>(c + 32);
        if (c != static_cast<OLECHAR>(word[i])) return false;
    }
    return true;
}

std::string FormatCurrency(std::int64_t scaled) {
    const bool negative = scaled < 0;
    // Work on the magnitude as unsigned so the most negative value is safe.
    const std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    std::string s = std::to_string(mag / 10000);
    std::uint64_t frac = mag % 10000;
    if (frac) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(frac));
        std::string f(buf);
        while (!f.empty() && f.back() == '0') f.pop_back();
        s += "." + f;
    }
    return negative ? "-" + s : s;
}

std::string FormatDecimal(const DECIMAL& dec) {
    __int128 mag = (static_cast<__int128>(dec.Hi32) << 64) | dec.Lo64;
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(mag % 10)));
        mag /= 10;
    } while (mag);
    const int scale = dec.scale;
    if (scale > 0) {
        while (static_cast<int>(digits.size()) <= scale) digits.insert(digits.begin(), '0');
        digits.insert(digits.end() - scale, '.');
        while (digits.back() == '0') digits.pop_back();
        if (digits.back() == '.') digits.pop_back();
    }
    if ((dec.sign & 0x80) && digits != "0") digits.insert(digits.begin(), '-');
    return digits;
}

// DATE: days since 30 December 1899; the fraction, taken as positive, is the time of day.
// Written the way the default (English, United States) locale writes it: "M/D/YYYY",
// "h:mm:ss AM", or both; midnight of day 0 is the time alone.
std::string FormatDate(double date) {
    double whole = std::trunc(date);
    long long seconds = std::llround(std::fabs(date - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += date < 0 ? -1 : 1;
    }
    std::string out;
    const auto days = static_cast<std::int64_t>(whole);
    if (days != 0) {
        using namespace std::chrono;
        constexpr sys_days kDayZero = year{1899} / December / 30;
        const year_month_day ymd{kDayZero + std::chrono::days{days}};
        out = std::to_string(static_cast<unsigned>(ymd.month())) + "/" + std::to_string(static_cast<unsigned>(ymd.day())) +
              "/" + std::to_string(static_cast<int>(ymd.year()));
    }
    if (seconds != 0 || days == 0) {
        const int h = static_cast<int>(seconds / 3600);
        const int min = static_cast<int>(seconds / 60 % 60);
        const int sec = static_cast<int>(seconds % 60);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h % 12 == 0 ? 12 : h % 12, min, sec, h < 12 ? "AM" : "PM");
        if (!out.empty()) out += ' ';
        out += buf;
    }
    return out;
}

HRESULT ToBstr(const VARIANT& src, USHORT flags, VARIANT* out) {
    std::string text;
    switch (src.vt) {
    case VT_EMPTY: break;
    case VT_BOOL:
        if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))
            text = src.boolVal ? "True" : "False";
        else
            text = src.boolVal ? "-1" : "0";
        break;
    case VT_R4: text = platform_automation::FormatReal(src.fltVal, 7); break;
    case VT_R8: text = platform_automation::FormatReal(src.dblVal, 15); break;
    case VT_DATE:
        if (!(src.date > -657435.0 && src.date < 2958466.0)) return DISP_E_OVERFLOW;  // beyond year 100..9999
        text = FormatDate(src.date);
        break;
    case VT_CY: text = FormatCurrency(src.cyVal.int64); break;
    case VT_DECIMAL: text = FormatDecimal(src.decVal); break;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_UI8: {
        Number n;
        platform_automation::ReadNumber(src, &n);
        text = n.kind == Number::Unsigned ? std::to_string(n.u) : std::to_string(n.i);
        break;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
    BSTR b = BstrFromAscii(text);
    if (!b) return E_OUTOFMEMORY;
    VariantInit(out);
    out->vt = VT_BSTR;
    out->bstrVal = b;
    return S_OK;
}

HRESULT ToBool(const VARIANT& src, VARIANT* out) {
    if (src.vt == VT_BSTR) {
        const UINT len = SysStringLen(src.bstrVal);
        const bool isTrue = src.bstrVal && EqualsIgnoringCase(src.bstrVal, len, "true");
        const bool isFalse = src.bstrVal && EqualsIgnoringCase(src.bstrVal, len, "false");
        if (isTrue || isFalse) {
            VariantInit(out);
            out->vt = VT_BOOL;
            out->boolVal = isTrue ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    Number n;
    const HRESULT hr = platform_automation::ReadNumber(src, &n);
    if (FAILED(hr)) return hr;
    return platform_automation::StoreNumber(n, VT_BOOL, out);
}

HRESULT ToInterface(const VARIANT& src, VARTYPE vt, VARIANT* out) {
    if (src.vt != VT_UNKNOWN && src.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    void* p = nullptr;
    if (src.punkVal && FAILED(src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &p)))
        return DISP_E_TYPEMISMATCH;
    VariantInit(out);
    out->vt = vt;
    out->punkVal = static_cast<IUnknown*>(p);
    return S_OK;
}

// Byte arrays and strings convert into each other byte for byte; other arrays only copy.
HRESULT ArrayChange(const VARIANT& src, VARTYPE vt, VARIANT* out) {
    if (src.vt == (VT_ARRAY | VT_UI1) && vt == VT_BSTR) {
        SAFEARRAY* sa = src.parray;
        const ULONG n = (sa && sa->cDims == 1) ? sa->rgsabound[0].cElements : 0;
        if (sa && sa->cDims != 1) return DISP_E_TYPEMISMATCH;
        BSTR b = SysAllocStringByteLen(sa ? static_cast<const char*>(sa->pvData) : nullptr, n);
        if (!b) return E_OUTOFMEMORY;
        VariantInit(out);
        out->vt = VT_BSTR;
        out->bstrVal = b;
        return S_OK;
    }
    if (src.vt == VT_BSTR && vt == (VT_ARRAY | VT_UI1)) {
        const UINT n = SysStringByteLen(src.bstrVal);
        SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, n);
        if (!sa) return E_OUTOFMEMORY;
        if (n) std::memcpy(sa->pvData, src.bstrVal, n);
        VariantInit(out);
        out->vt = vt;
        out->parray = sa;
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT Coerce(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT* out, int depth) {
    VariantInit(out);
    if (src.vt == vt) return VariantCopy(out, &src);
    if (vt == VT_EMPTY) return S_OK;
    if (src.vt == VT_NULL) return vt == VT_NULL ? S_OK : DISP_E_TYPEMISMATCH;
    if (vt == VT_NULL) {
        if (src.vt & VT_ARRAY || src.vt == VT_UNKNOWN || src.vt == VT_DISPATCH || src.vt == VT_RECORD)
            return DISP_E_TYPEMISMATCH;
        out->vt = VT_NULL;
        return S_OK;
    }
    if ((src.vt & VT_ARRAY) || (vt & VT_ARRAY)) return ArrayChange(src, vt, out);
    if (vt == VT_UNKNOWN || vt == VT_DISPATCH) return ToInterface(src, vt, out);

    if (src.vt == VT_DISPATCH) {
        // An object converts through its default value, unless the caller forbids it.
        if ((flags & VARIANT_NOVALUEPROP) || depth > 0) return DISP_E_TYPEMISMATCH;
        VARIANT value;
        HRESULT hr = platform_automation::FetchDispatchValue(src.pdispVal, &value);
        if (FAILED(hr)) return hr;
        VARIANT plain;
        VariantInit(&plain);
        hr = VariantCopyInd(&plain, &value);
        VariantClear(&value);
        if (SUCCEEDED(hr)) hr = Coerce(plain, flags, vt, out, depth + 1);
        VariantClear(&plain);
        return hr;
    }
    if (src.vt == VT_ERROR || vt == VT_ERROR) {
        // A status code travels only between VT_ERROR and the 32-bit integers.
        if (src.vt == VT_ERROR && (vt == VT_I4 || vt == VT_UI4 || vt == VT_INT || vt == VT_UINT)) {
            out->vt = vt;
            out->lVal = src.scode;
            return S_OK;
        }
        if (vt == VT_ERROR && (src.vt == VT_I4 || src.vt == VT_UI4 || src.vt == VT_INT || src.vt == VT_UINT)) {
            out->vt = VT_ERROR;
            out->scode = src.lVal;
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    }
    if (vt == VT_BSTR) return ToBstr(src, flags, out);
    if (vt == VT_BOOL) return ToBool(src, out);
    if (vt == VT_DATE && src.vt == VT_BSTR) return DISP_E_TYPEMISMATCH;  // date text is not read

    Number n;
    const HRESULT hr = platform_automation::ReadNumber(src, &n);
    if (FAILED(hr)) return hr;
    return platform_automation::StoreNumber(n, vt, out);
}

}  // namespace

PLATFORM_API HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags,
                                         VARTYPE vt) {
    if (!dest || !src) return E_INVALIDARG;
    HRESULT hr = platform_automation::ValidateVariantType(src->vt);
    if (FAILED(hr)) return hr;
    if ((vt & VT_BYREF) || FAILED(platform_automation::ValidateVariantType(vt)) || vt == VT_RECORD)
        return DISP_E_BADVARTYPE;

    VARIANT plain;  // src without its reference
    VariantInit(&plain);
    const VARIANT* from = src;
    if (src->vt & VT_BYREF) {
        hr = VariantCopyInd(&plain, src);
        if (FAILED(hr)) return hr;
        from = &plain;
    }
    VARIANT result;
    hr = Coerce(*from, flags, vt, &result, 0);
    VariantClear(&plain);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    std::memcpy(static_cast<void*>(dest), &result, sizeof(VARIANT));
    return S_OK;
}

PLATFORM_API HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
    return VariantChangeTypeEx(dest, src, 0x0409, flags, vt);
}
