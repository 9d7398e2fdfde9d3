// The table-driven IDispatch: member lookup, argument matching and conversion, and the
// checks that keep a table in step with the C++ methods it binds.
#include "com/dispatch.h"

#include <climits>
#include <exception>

#include "com/wide.h"

namespace platform {

using com_internal::EqualNoCase;
using com_internal::ToUtf8;

namespace {

constexpr UINT kNoArg = UINT_MAX;

bool HasRetval(const DispMember& m) {
    return !m.params.empty() && (m.params.back().flags & PARAMFLAG_FRETVAL);
}

// A parameter that may be left out: [optional], or an [out] one (its value is dropped).
bool MayOmit(const DispParam& p) {
    return (p.flags & PARAMFLAG_FOPT) || ((p.flags & PARAMFLAG_FOUT) && !(p.flags & PARAMFLAG_FIN));
}

const VARIANT* Deref(const VARIANT* v) {
    for (int i = 0; i < 4 && v && v->vt == (VT_VARIANT | VT_BYREF); ++i) v = v->pvarVal;
    return v;
}

std::string Describe(const DispInterface& t, const DispMember& m) {
    return ToUtf8(t.name ? t.name : u"?") + "." + ToUtf8(m.name ? m.name : u"?");
}

bool Compatible(VARTYPE cxx, VARTYPE table) {
    switch (cxx) {
        case VT_EMPTY:
            return true;
        case VT_I2:
            return table == VT_I2 || table == VT_BOOL;
        case VT_I4:
            return table == VT_I4 || table == VT_INT || table == VT_ERROR || table == VT_HRESULT;
        case VT_UI4:
            return table == VT_UI4 || table == VT_UINT;
        case VT_R8:
            return table == VT_R8 || table == VT_DATE;
        case VT_ARRAY:
            return (table & VT_ARRAY) != 0 || table == VT_SAFEARRAY;
        default:
            return table == cxx;
    }
}

}  // namespace

namespace detail {

DispMember MakeMember(DispKind kind, const OLECHAR* name, DISPID id, const OLECHAR* help,
                      std::vector<DispParam> params, Thunk thunk, std::vector<CxxParam> cxx) {
    DispMember m;
    m.name = name;
    m.id = id;
    m.kind = kind;
    m.help = help;
    m.thunk = thunk;
    while (params.size() < cxx.size())
        params.push_back({nullptr, VT_EMPTY, cxx[params.size()].pointer ? kOut : kIn});
    for (std::size_t i = 0; i < params.size() && i < cxx.size(); ++i) {
        DispParam& p = params[i];
        if ((p.vt & ~VT_BYREF) == VT_EMPTY) p.vt = cxx[i].defaultVt;
        if (cxx[i].pointer) p.vt |= VT_BYREF;
    }
    m.params = std::move(params);
    m.cxx = std::move(cxx);
    m.returnType = HasRetval(m) ? VARTYPE(m.params.back().vt & ~VT_BYREF) : VARTYPE(VT_VOID);
    return m;
}

bool IsOmitted(const VARIANT* arg) {
    const VARIANT* v = Deref(arg);
    return !v || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND);
}

HRESULT QueryFor(IUnknown* unk, REFIID iid, void** out) {
    *out = nullptr;
    if (!unk) return E_NOINTERFACE;
    return unk->QueryInterface(iid, out);
}

HRESULT Coerce(const VARIANT* arg, VARTYPE vt, VARIANT* holder, bool* owned) {
    VariantInit(holder);
    *owned = false;
    const VARIANT* src = Deref(arg);
    VARTYPE base = VARTYPE(vt & ~VT_BYREF);
    if (!src) return DISP_E_TYPEMISMATCH;
    VARTYPE srcBase = VARTYPE(src->vt & ~VT_BYREF);
    bool byref = (src->vt & VT_BYREF) != 0;

    if (base == VT_VARIANT) {
        if (!byref) {
            *holder = *src;
            return S_OK;
        }
        *owned = true;
        return VariantCopyInd(holder, src);
    }
    if ((base & VT_ARRAY) || base == VT_SAFEARRAY) {
        if (srcBase == VT_EMPTY || srcBase == VT_NULL) {
            holder->vt = VT_EMPTY;
            holder->parray = nullptr;
            return S_OK;
        }
        if (!(srcBase & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
        VARTYPE want = base == VT_SAFEARRAY ? VARTYPE(0) : VARTYPE(base & VT_TYPEMASK);
        if (want && (srcBase & VT_TYPEMASK) != want) return DISP_E_TYPEMISMATCH;
        holder->vt = srcBase;
        holder->parray = byref ? *src->pparray : src->parray;
        return S_OK;
    }
    if (base == VT_UNKNOWN || base == VT_DISPATCH) {
        if (srcBase == VT_EMPTY || srcBase == VT_NULL) {
            holder->vt = base;
            holder->punkVal = nullptr;
            return S_OK;
        }
        if (srcBase != VT_UNKNOWN && srcBase != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
        IUnknown* unk = byref ? *src->ppunkVal : src->punkVal;
        holder->vt = base;
        if (base == VT_DISPATCH && srcBase == VT_UNKNOWN && unk) {
            void* disp = nullptr;
            if (FAILED(unk->QueryInterface(IID_IDispatch, &disp))) return DISP_E_TYPEMISMATCH;
            holder->pdispVal = static_cast<IDispatch*>(disp);
            *owned = true;
            return S_OK;
        }
        holder->punkVal = unk;
        return S_OK;
    }
    if (srcBase == base) {  // the right type already: no copy
        if (!byref) {
            *holder = *src;
        } else if (base == VT_BSTR) {
            holder->vt = VT_BSTR;
            holder->bstrVal = *src->pbstrVal;
        } else if (base == VT_DECIMAL) {
            holder->decVal = *src->pdecVal;
            holder->vt = VT_DECIMAL;
        } else {
            *owned = true;
            return VariantCopyInd(holder, src);
        }
        return S_OK;
    }
    VARIANT direct;
    VariantInit(&direct);
    const VARIANT* from = src;
    if (byref) {
        HRESULT hr = VariantCopyInd(&direct, src);
        if (FAILED(hr)) return hr;
        from = &direct;
    }
    HRESULT hr = VariantChangeType(holder, from, 0, base);
    VariantClear(&direct);
    if (FAILED(hr)) {
        VariantInit(holder);
        return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
    *owned = true;
    return S_OK;
}

bool DirectTarget(const VARIANT* target, VARTYPE paramVt) {
    if (!target || !(target->vt & VT_BYREF)) return false;
    VARTYPE t = VARTYPE(target->vt & ~VT_BYREF);
    VARTYPE p = VARTYPE(paramVt & ~VT_BYREF);
    if (p & VT_ARRAY)
        return (t & VT_ARRAY) && ((p & VT_TYPEMASK) == 0 || (t & VT_TYPEMASK) == (p & VT_TYPEMASK));
    return t == p;
}

HRESULT StoreOut(VARIANT* target, VARIANT* value, bool inout) {
    if (target->vt == (VT_VARIANT | VT_BYREF)) {
        VariantClear(target->pvarVal);
        *target->pvarVal = *value;
        return S_OK;
    }
    VARTYPE base = VARTYPE(target->vt & ~VT_BYREF);
    if (!(target->vt & VT_BYREF)) {
        VariantClear(value);
        return S_OK;
    }
    if (base & VT_ARRAY) {
        if (value->vt != VT_EMPTY && !(value->vt & VT_ARRAY)) {
            VariantClear(value);
            return DISP_E_TYPEMISMATCH;
        }
        if (inout && *target->pparray) SafeArrayDestroy(*target->pparray);
        *target->pparray = value->vt == VT_EMPTY ? nullptr : value->parray;
        return S_OK;
    }
    VARIANT v;
    VariantInit(&v);
    if (value->vt == base) {
        v = *value;
    } else {
        HRESULT hr = VariantChangeType(&v, value, 0, base);
        VariantClear(value);
        if (FAILED(hr)) return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
    switch (base) {
        case VT_I1:
        case VT_UI1:
            *target->pbVal = v.bVal;
            break;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            *target->piVal = v.iVal;
            break;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_ERROR:
        case VT_R4:
            *target->plVal = v.lVal;
            break;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
        case VT_DATE:
        case VT_CY:
            *target->pllVal = v.llVal;
            break;
        case VT_DECIMAL:
            *target->pdecVal = v.decVal;
            break;
        case VT_BSTR:
            if (inout) SysFreeString(*target->pbstrVal);
            *target->pbstrVal = v.bstrVal;
            break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (inout && *target->ppunkVal) (*target->ppunkVal)->Release();
            *target->ppunkVal = v.punkVal;
            break;
        default:
            VariantClear(&v);
            return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

void ArrayToVariant(SAFEARRAY* array, VARTYPE vt, VARIANT* out) {
    VariantInit(out);
    if (!array) return;  // VT_EMPTY
    VARTYPE element = VARTYPE(vt & VT_TYPEMASK);
    if (vt == VT_SAFEARRAY || element == 0) {
        element = VT_UI1;
        VARTYPE own = VT_EMPTY;
        if (SUCCEEDED(SafeArrayGetVartype(array, &own)) && own != VT_EMPTY) element = own;
    }
    out->vt = VARTYPE(VT_ARRAY | element);
    out->parray = array;
}

}  // namespace detail

DispMember Event(const OLECHAR* name, DISPID id, const OLECHAR* help, std::vector<DispParam> params) {
    DispMember m;
    m.name = name;
    m.id = id;
    m.kind = DispKind::Method;
    m.help = help;
    m.params = std::move(params);
    m.returnType = VT_VOID;
    return m;
}

const DispMember* FindMember(const DispInterface& table, DISPID id, WORD flags) {
    auto find = [&](DispKind kind) -> const DispMember* {
        for (const auto& m : table.members)
            if (m.id == id && m.kind == kind) return &m;
        return nullptr;
    };
    const DispMember* m = nullptr;
    if (flags & DISPATCH_PROPERTYPUTREF) {
        m = find(DispKind::PutRef);
        if (!m) m = find(DispKind::Put);
        return m;
    }
    if (flags & DISPATCH_PROPERTYPUT) return find(DispKind::Put);
    if (flags & DISPATCH_METHOD) m = find(DispKind::Method);
    if (!m && (flags & DISPATCH_PROPERTYGET)) m = find(DispKind::Get);
    return m;
}

HRESULT TableGetIDsOfNames(const DispInterface& table, REFIID riid, LPOLESTR* names, UINT count,
                           DISPID* ids) {
    if (riid != GUID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (count == 0) return S_OK;
    if (!names || !ids) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const DispMember* first = nullptr;
    for (const auto& m : table.members)
        if (EqualNoCase(m.name, names[0])) {
            first = &m;
            break;
        }
    if (!first) return DISP_E_UNKNOWNNAME;
    ids[0] = first->id;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
        // get and put of one property share the id; either may name the parameter
        for (const auto& m : table.members) {
            if (m.id != first->id || !EqualNoCase(m.name, first->name)) continue;
            for (std::size_t k = 0; k < m.params.size() && ids[i] == DISPID_UNKNOWN; ++k)
                if (m.params[k].name && EqualNoCase(m.params[k].name, names[i])) ids[i] = DISPID(k);
        }
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT TableInvoke(const DispInterface& table, void* self, DISPID id, WORD flags, DISPPARAMS* params,
                    VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    const DispMember* m = FindMember(table, id, flags);
    if (!m || !m->thunk) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    if (params->cNamedArgs > params->cArgs || (params->cArgs && !params->rgvarg) ||
        (params->cNamedArgs && !params->rgdispidNamedArgs))
        return E_INVALIDARG;

    const std::size_t n = m->params.size();
    const bool retval = HasRetval(*m);
    const std::size_t inputs = retval ? n - 1 : n;
    std::vector<VARIANT*> args(n, nullptr);
    std::vector<UINT> from(n, kNoArg);  // rgvarg index of each parameter

    const UINT positional = params->cArgs - params->cNamedArgs;
    bool anyNamed = false;
    for (UINT i = 0; i < params->cNamedArgs; ++i) {
        DISPID named = params->rgdispidNamedArgs[i];
        std::size_t index;
        if (named == DISPID_PROPERTYPUT && (m->kind == DispKind::Put || m->kind == DispKind::PutRef)) {
            if (inputs == 0) return DISP_E_BADPARAMCOUNT;
            index = inputs - 1;  // the value is a put's last parameter
        } else {
            anyNamed = true;
            if (named < 0 || std::size_t(named) >= inputs) {
                if (argErr) *argErr = i;
                return DISP_E_PARAMNOTFOUND;
            }
            index = std::size_t(named);
        }
        if (from[index] != kNoArg) {
            if (argErr) *argErr = i;
            return DISP_E_PARAMNOTFOUND;
        }
        from[index] = i;
        args[index] = &params->rgvarg[i];
    }
    if (anyNamed) {
        bool named = false;
        for (const auto& p : m->params) named = named || p.name;
        if (!named) return DISP_E_NONAMEDARGS;
    }
    // A record cannot travel in the result variant (there is no record information to
    // allocate one with): the caller passes its own record as one more, last argument.
    const bool recordRetval = retval && !m->cxx.empty() && m->cxx.back().record;
    if (positional > inputs + (recordRetval ? 1 : 0)) return DISP_E_BADPARAMCOUNT;
    for (UINT k = 0; k < positional; ++k) {
        UINT index = params->cArgs - 1 - k;  // rgvarg runs backwards
        if (from[k] != kNoArg) {
            if (argErr) *argErr = index;
            return DISP_E_PARAMNOTFOUND;
        }
        from[k] = index;
        args[k] = &params->rgvarg[index];
    }
    for (std::size_t k = 0; k < inputs; ++k) {
        if (!detail::IsOmitted(args[k])) continue;
        args[k] = nullptr;
        if (MayOmit(m->params[k])) continue;
        // too few arguments given in order is a count problem; a gap is a missing one
        return !anyNamed && params->cNamedArgs == 0 && k >= positional ? DISP_E_BADPARAMCOUNT
                                                                       : DISP_E_PARAMNOTOPTIONAL;
    }
    VARIANT scratch;
    VariantInit(&scratch);
    if (result) VariantInit(result);
    if (recordRetval) {
        if (!args[n - 1] || detail::IsOmitted(args[n - 1])) return DISP_E_PARAMNOTOPTIONAL;
    } else if (retval) {
        args[n - 1] = result ? result : &scratch;
    }

    SetErrorInfo(0, nullptr);  // what the method leaves there is its own report
    UINT bad = kNoArg;
    HRESULT hr;
    try {
        hr = m->thunk(self, *m, args.data(), &bad);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    } catch (...) {
        hr = E_UNEXPECTED;
    }
    VariantClear(&scratch);
    if (bad != kNoArg) {
        if (argErr && bad < n && from[bad] != kNoArg) *argErr = from[bad];
        return hr;
    }
    if (SUCCEEDED(hr) || !excep) return hr;

    *excep = EXCEPINFO{};
    excep->scode = hr;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        info->GetSource(&excep->bstrSource);
        info->GetDescription(&excep->bstrDescription);
        info->GetHelpFile(&excep->bstrHelpFile);
        info->GetHelpContext(&excep->dwHelpContext);
        SetErrorInfo(0, info);  // still there for the caller's GetErrorInfo
        info->Release();
    }
    return DISP_E_EXCEPTION;
}

std::string ValidateTable(const DispInterface& table) {
    if (!table.name) return "interface without a name";
    for (std::size_t i = 0; i < table.members.size(); ++i) {
        const DispMember& m = table.members[i];
        std::string where = Describe(table, m);
        if (!m.name) return where + ": member without a name";
        for (std::size_t j = 0; j < i; ++j)
            if (table.members[j].id == m.id && table.members[j].kind == m.kind)
                return where + ": dispatch id " + std::to_string(m.id) + " used twice for one kind";
        for (std::size_t k = 0; k < m.params.size(); ++k) {
            const DispParam& p = m.params[k];
            if ((p.flags & PARAMFLAG_FRETVAL) && k + 1 != m.params.size())
                return where + ": only the last parameter can be the retval";
            if ((p.flags & PARAMFLAG_FRETVAL) && !(p.flags & PARAMFLAG_FOUT))
                return where + ": a retval must be [out]";
        }
        if (m.kind == DispKind::Get && !HasRetval(m)) return where + ": a property get needs a retval";
        if ((m.kind == DispKind::Put || m.kind == DispKind::PutRef) && (m.params.empty() || HasRetval(m)))
            return where + ": a property put takes a value and returns none";
        if (!m.thunk) continue;  // an event: described, not bound
        if (m.cxx.size() != m.params.size())
            return where + ": " + std::to_string(m.params.size()) + " parameters in the table, " +
                   std::to_string(m.cxx.size()) + " in C++";
        for (std::size_t k = 0; k < m.params.size(); ++k) {
            const DispParam& p = m.params[k];
            const detail::CxxParam& c = m.cxx[k];
            std::string param = where + " parameter " + std::to_string(k + 1);
            VARTYPE base = VARTYPE(p.vt & ~VT_BYREF);
            if (c.record) {
                if (base != VT_RECORD) return param + ": a struct pointer must be VT_RECORD";
                continue;
            }
            if (!Compatible(c.defaultVt, base)) return param + ": type does not match the C++ type";
            if ((p.flags & PARAMFLAG_FOUT) && !c.pointer) return param + ": [out] needs a C++ pointer";
            if (c.pointer && !(p.flags & PARAMFLAG_FOUT) && c.defaultVt != VT_VARIANT)
                return param + ": a pointer other than VARIANT* must be [out] or [in, out]";
        }
    }
    return {};
}

}  // namespace platform
