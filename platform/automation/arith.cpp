// VarMul and VarDiv with the Windows result types: integer products keep the wider operand
// type and widen further when they overflow it (VT_UI1 -> VT_I2 -> VT_I4 -> VT_I8); reals
// give VT_R8 (VT_R4 with VT_R4 or a small integer); quotients are VT_R8 unless both sides
// are VT_R4; VT_NULL wins over everything; VT_EMPTY counts as a VT_I2 zero; strings and
// objects take part through their numeric value.
#include "automation/number.h"
#include "automation/oleauto.h"
#include "automation/variant_internal.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

using platform_automation::Number;

namespace {

// An operand reduced to a plain numeric (or null) variant: references followed, objects
// asked for their value, strings read as VT_R8.
class Operand {
public:
    Operand() { VariantInit(&held_); }
    ~Operand() { VariantClear(&held_); }
    Operand(const Operand&) = delete;
    Operand& operator=(const Operand&) = delete;

    HRESULT Load(const VARIANT* in) {
        if (!in) return E_INVALIDARG;
        HRESULT hr = platform_automation::ValidateVariantType(in->vt);
        if (FAILED(hr)) return hr;
        value_ = in;
        if (in->vt & VT_BYREF) {
            hr = VariantCopyInd(&held_, in);
            if (FAILED(hr)) return hr;
            value_ = &held_;
        }
        if (value_->vt == VT_DISPATCH) {
            VARIANT fetched;
            hr = platform_automation::FetchDispatchValue(value_->pdispVal, &fetched);
            if (FAILED(hr)) return hr;
            VARIANT plain;
            VariantInit(&plain);
            hr = VariantCopyInd(&plain, &fetched);
            VariantClear(&fetched);
            if (FAILED(hr)) return hr;
            VariantClear(&held_);
            std::memcpy(static_cast<void*>(&held_), &plain, sizeof(VARIANT));
            value_ = &held_;
            if (held_.vt == VT_DISPATCH) return DISP_E_TYPEMISMATCH;
        }
        if (value_->vt == VT_BSTR) {
            VARIANT real;
            VariantInit(&real);
            hr = VariantChangeType(&real, value_, 0, VT_R8);
            if (FAILED(hr)) return hr;
            VariantClear(&held_);
            held_ = real;
            value_ = &held_;
        }
        switch (value_->vt) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_I8:
        case VT_UI8:
        case VT_BOOL:
        case VT_R4:
        case VT_R8:
        case VT_DATE:
        case VT_CY:
        case VT_DECIMAL: return S_OK;
        default: return DISP_E_TYPEMISMATCH;
        }
    }

    VARTYPE vt() const { return value_->vt; }
    Number number() const {
        Number n;
        platform_automation::ReadNumber(*value_, &n);
        return n;
    }

private:
    VARIANT held_;
    const VARIANT* value_ = nullptr;
};

// Rank of the integer result an operand type asks for.
int IntegerRank(VARTYPE vt) {
    switch (vt) {
    case VT_UI1: return 0;
    case VT_EMPTY:
    case VT_I2:
    case VT_BOOL: return 1;
    case VT_I1:
    case VT_UI2:
    case VT_I4:
    case VT_INT: return 2;
    default: return 3;  // VT_UI4, VT_UINT, VT_I8, VT_UI8: only VT_I8 holds all their values
    }
}

constexpr VARTYPE kIntegerTypes[] = {VT_UI1, VT_I2, VT_I4, VT_I8};

bool IsSmallForSingle(VARTYPE vt) {
    return vt == VT_EMPTY || vt == VT_UI1 || vt == VT_I2 || vt == VT_BOOL || vt == VT_R4 || vt == VT_I1 ||
           vt == VT_UI2;
}

// Writes the product into result, or the failure. result may be an operand.
HRESULT Finish(HRESULT hr, const VARIANT& value, VARIANT* result, bool aliased) {
    if (FAILED(hr)) {
        if (!aliased) VariantInit(result);
        return hr;
    }
    if (aliased) VariantClear(result);  // the operand's old value is ours to release
    std::memcpy(static_cast<void*>(result), &value, sizeof(VARIANT));
    return S_OK;
}

HRESULT Multiply(const Operand& l, const Operand& r, VARIANT* out) {
    VariantInit(out);
    const VARTYPE a = l.vt(), b = r.vt();
    if (a == VT_NULL || b == VT_NULL) {
        out->vt = VT_NULL;
        return S_OK;
    }
    const Number x = l.number(), y = r.number();
    if (a == VT_DECIMAL || b == VT_DECIMAL) {
        Number p;
        p.kind = Number::Real;
        p.d = platform_automation::ToDouble(x) * platform_automation::ToDouble(y);
        return platform_automation::StoreNumber(p, VT_DECIMAL, out);
    }
    const bool anyDouble = a == VT_R8 || b == VT_R8 || a == VT_DATE || b == VT_DATE;
    const bool anySingle = a == VT_R4 || b == VT_R4;
    if (anyDouble || anySingle) {
        const double p = platform_automation::ToDouble(x) * platform_automation::ToDouble(y);
        if (!std::isfinite(p)) return DISP_E_OVERFLOW;
        const bool single = !anyDouble && IsSmallForSingle(a) && IsSmallForSingle(b) && std::fabs(p) <= FLT_MAX;
        if (single) {
            out->vt = VT_R4;
            out->fltVal = static_cast<float>(p);
        } else {
            out->vt = VT_R8;
            out->dblVal = p;
        }
        return S_OK;
    }
    if (a == VT_CY || b == VT_CY) {
        __int128 p = 0;
        if (a == VT_CY && b == VT_CY) {
            // Both carry four decimals: the exact product carries eight; round back to four.
            const __int128 wide = static_cast<__int128>(x.i) * y.i;
            __int128 q = wide / 10000, rem = wide % 10000;
            if (rem < 0) {
                rem += 10000;
                --q;
            }
            if (2 * rem > 10000 || (2 * rem == 10000 && (q & 1))) ++q;
            p = q;
        } else {
            const Number& cy = a == VT_CY ? x : y;
            const Number& other = a == VT_CY ? y : x;
            const __int128 factor = other.kind == Number::Unsigned ? static_cast<__int128>(other.u) : other.i;
            p = static_cast<__int128>(cy.i) * factor;
        }
        if (p < std::numeric_limits<std::int64_t>::min() || p > std::numeric_limits<std::int64_t>::max())
            return DISP_E_OVERFLOW;
        out->vt = VT_CY;
        out->cyVal.int64 = static_cast<LONGLONG>(p);
        return S_OK;
    }
    const __int128 xv = x.kind == Number::Unsigned ? static_cast<__int128>(x.u) : x.i;
    const __int128 yv = y.kind == Number::Unsigned ? static_cast<__int128>(y.u) : y.i;
    __int128 p = 0;
    if (__builtin_mul_overflow(xv, yv, &p)) return DISP_E_OVERFLOW;
    Number product;
    product.kind = Number::Signed;
    for (int rank = std::max(IntegerRank(a), IntegerRank(b)); rank < 4; ++rank) {
        if (p < std::numeric_limits<std::int64_t>::min() || p > std::numeric_limits<std::int64_t>::max()) break;
        product.i = static_cast<std::int64_t>(p);
        if (SUCCEEDED(platform_automation::StoreNumber(product, kIntegerTypes[rank], out))) return S_OK;
    }
    return DISP_E_OVERFLOW;
}

HRESULT Divide(const Operand& l, const Operand& r, VARIANT* out) {
    VariantInit(out);
    const VARTYPE a = l.vt(), b = r.vt();
    if (a == VT_NULL || b == VT_NULL) {
        out->vt = VT_NULL;
        return S_OK;
    }
    const double x = platform_automation::ToDouble(l.number());
    const double y = platform_automation::ToDouble(r.number());
    if (y == 0) return x == 0 ? DISP_E_OVERFLOW : DISP_E_DIVBYZERO;
    const double q = x / y;
    if (!std::isfinite(q)) return DISP_E_OVERFLOW;
    if (a == VT_DECIMAL || b == VT_DECIMAL) {
        Number n;
        n.kind = Number::Real;
        n.d = q;
        return platform_automation::StoreNumber(n, VT_DECIMAL, out);
    }
    if (a == VT_R4 && b == VT_R4 && std::fabs(q) <= FLT_MAX) {
        out->vt = VT_R4;
        out->fltVal = static_cast<float>(q);
        return S_OK;
    }
    out->vt = VT_R8;
    out->dblVal = q;
    return S_OK;
}

template <typename Op>
HRESULT Apply(VARIANT* left, VARIANT* right, VARIANT* result, Op op) {
    if (!result) return E_INVALIDARG;
    const bool aliased = result == left || result == right;
    Operand l, r;
    HRESULT hr = l.Load(left);
    if (SUCCEEDED(hr)) hr = r.Load(right);
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(hr)) hr = op(l, r, &value);
    return Finish(hr, value, result, aliased);
}

}  // namespace

// result is an out parameter: whatever it held is not released unless it is also one of the
// operands (the product may replace an argument in place).
PLATFORM_API HRESULT VarMul(VARIANT* left, VARIANT* right, VARIANT* result) {
    return Apply(left, right, result, Multiply);
}

PLATFORM_API HRESULT VarDiv(VARIANT* left, VARIANT* right, VARIANT* result) {
    return Apply(left, right, result, Divide);
}
