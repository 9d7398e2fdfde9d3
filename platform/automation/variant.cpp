// VARIANT life cycle: initialisation, release of what a variant owns, deep copies.
#include "automation/oleauto.h"
#include "automation/variant_internal.h"

#include <cstring>

namespace {

bool IsValidBase(VARTYPE base) {
    switch (base) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_VARIANT:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_RECORD: return true;
    default: return false;
    }
}

BSTR CopyBstr(BSTR s) {
    return SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s));
}

}  // namespace

HRESULT platform_automation::ValidateVariantType(VARTYPE vt) {
    if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return DISP_E_BADVARTYPE;
    const VARTYPE base = vt & VT_TYPEMASK;
    if (!IsValidBase(base)) return DISP_E_BADVARTYPE;
    const bool modified = (vt & (VT_ARRAY | VT_BYREF)) != 0;
    // A plain VT_VARIANT only exists behind a reference or as an array element type;
    // VT_EMPTY and VT_NULL have no referenced or array form.
    if (base == VT_VARIANT && !modified) return DISP_E_BADVARTYPE;
    if ((base == VT_EMPTY || base == VT_NULL) && modified) return DISP_E_BADVARTYPE;
    return S_OK;
}

HRESULT platform_automation::FetchDispatchValue(IDispatch* object, VARIANT* out) {
    VariantInit(out);
    if (!object) return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    const HRESULT hr =
        object->Invoke(DISPID_VALUE, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
    if (FAILED(hr)) {
        VariantClear(out);
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

PLATFORM_API void VariantInit(VARIANT* v) {
    if (!v) return;
    v->vt = VT_EMPTY;
    v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
}

PLATFORM_API HRESULT VariantClear(VARIANT* v) {
    if (!v) return E_INVALIDARG;
    const HRESULT valid = platform_automation::ValidateVariantType(v->vt);
    if (FAILED(valid)) return valid;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            // A locked array stays where it is, so its holder can still unlock and free it.
            const HRESULT hr = SafeArrayDestroy(v->parray);
            if (FAILED(hr)) return hr;
        } else {
            switch (v->vt) {
            case VT_BSTR: SysFreeString(v->bstrVal); break;
            case VT_UNKNOWN:
            case VT_DISPATCH:
                if (v->punkVal) v->punkVal->Release();
                break;
            case VT_RECORD:
                if (v->brecVal.pRecInfo) {
                    if (v->brecVal.pvRecord) v->brecVal.pRecInfo->RecordDestroy(v->brecVal.pvRecord);
                    v->brecVal.pRecInfo->Release();
                }
                break;
            default: break;
            }
        }
    }
    VariantInit(v);
    return S_OK;
}

// Copies the value of src (not dereferenced) into the raw, uninitialised dest.
static HRESULT CopyValue(VARIANT* dest, const VARIANT* src) {
    std::memcpy(static_cast<void*>(dest), src, sizeof(VARIANT));
    if (src->vt & VT_BYREF) return S_OK;
    if (src->vt & VT_ARRAY) {
        const HRESULT hr = SafeArrayCopy(src->parray, &dest->parray);
        if (FAILED(hr)) VariantInit(dest);
        return hr;
    }
    switch (src->vt) {
    case VT_BSTR:
        if (src->bstrVal) {
            dest->bstrVal = CopyBstr(src->bstrVal);
            if (!dest->bstrVal) {
                VariantInit(dest);
                return E_OUTOFMEMORY;
            }
        }
        break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        if (dest->punkVal) dest->punkVal->AddRef();
        break;
    case VT_RECORD:
        if (src->brecVal.pRecInfo) {
            dest->brecVal.pvRecord = nullptr;
            if (src->brecVal.pvRecord) {
                const HRESULT hr = src->brecVal.pRecInfo->RecordCreateCopy(src->brecVal.pvRecord,
                                                                           &dest->brecVal.pvRecord);
                if (FAILED(hr)) {
                    VariantInit(dest);
                    return hr;
                }
            }
            dest->brecVal.pRecInfo->AddRef();
        }
        break;
    default: break;
    }
    return S_OK;
}

PLATFORM_API HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    HRESULT hr = platform_automation::ValidateVariantType(src->vt);
    if (FAILED(hr)) return hr;
    VARIANT tmp;
    hr = CopyValue(&tmp, src);
    if (FAILED(hr)) return hr;
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&tmp);
        return hr;
    }
    std::memcpy(static_cast<void*>(dest), &tmp, sizeof(VARIANT));
    return S_OK;
}

PLATFORM_API HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) {
    if (!dest || !src) return E_INVALIDARG;
    HRESULT hr = platform_automation::ValidateVariantType(src->vt);
    if (FAILED(hr)) return hr;
    if (!(src->vt & VT_BYREF)) return VariantCopy(dest, src);
    if (!src->byref) return E_INVALIDARG;

    // Build the dereferenced value first: dest may be src itself.
    VARIANT value;
    VariantInit(&value);
    const VARTYPE target = src->vt & ~VT_BYREF;
    if (target == VT_VARIANT) {
        const VARIANT* inner = src->pvarVal;
        // A reference to a reference is not followed further.
        if (inner->vt == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
        hr = VariantCopy(&value, inner);
    } else if (target & VT_ARRAY) {
        value.vt = target;
        hr = SafeArrayCopy(*src->pparray, &value.parray);
        if (FAILED(hr)) VariantInit(&value);
    } else if (target == VT_DECIMAL) {
        value.decVal = *src->pdecVal;  // the decimal's first bytes overlay vt
        value.vt = VT_DECIMAL;
    } else if (target == VT_RECORD) {
        // A referenced record is held the same way as a direct one.
        VARIANT direct;
        std::memcpy(static_cast<void*>(&direct), src, sizeof(VARIANT));
        direct.vt = VT_RECORD;
        hr = CopyValue(&value, &direct);
    } else {
        VARIANT direct;
        VariantInit(&direct);
        direct.vt = target;
        std::memcpy(&direct.llVal, src->byref, platform_automation::ElementSize(target));
        hr = CopyValue(&value, &direct);
    }
    if (FAILED(hr)) return hr;
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&value);
        return hr;
    }
    std::memcpy(static_cast<void*>(dest), &value, sizeof(VARIANT));
    return S_OK;
}
