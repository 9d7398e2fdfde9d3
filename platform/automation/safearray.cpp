// SAFEARRAY: a descriptor with its bounds, and one data block holding the elements with the
// first dimension varying fastest. The bounds are kept in reverse order (rgsabound[0] is the
// last dimension), as on Windows, so SafeArrayRedim only ever changes the end of the block.
#include "automation/oleauto.h"
#include "automation/variant_internal.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Sixteen bytes in front of every descriptor; the element type sits in the last four,
// where Windows keeps it for FADF_HAVEVARTYPE arrays.
constexpr std::size_t kDescriptorPrefix = 16;

VARTYPE* StoredType(SAFEARRAY* psa) {
    return reinterpret_cast<VARTYPE*>(reinterpret_cast<char*>(psa) - sizeof(DWORD));
}

std::size_t DescriptorSize(UINT dims) {
    return sizeof(SAFEARRAY) + (dims - 1) * sizeof(SAFEARRAYBOUND);
}

USHORT FeaturesFor(VARTYPE vt) {
    switch (vt) {
    case VT_BSTR: return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_UNKNOWN: return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    case VT_DISPATCH: return FADF_HAVEVARTYPE | FADF_DISPATCH;
    case VT_VARIANT: return FADF_HAVEVARTYPE | FADF_VARIANT;
    default: return FADF_HAVEVARTYPE;
    }
}

// Element count of the whole array; false when it does not fit in memory sizes.
bool CellCount(const SAFEARRAY* psa, std::size_t* count) {
    std::size_t n = 1;
    for (UINT d = 0; d < psa->cDims; ++d) {
        const std::size_t c = psa->rgsabound[d].cElements;
        if (c != 0 && n > std::numeric_limits<std::size_t>::max() / c) return false;
        n *= c;
    }
    *count = n;
    return true;
}

bool DataBytes(const SAFEARRAY* psa, std::size_t* bytes) {
    std::size_t n = 0;
    if (!CellCount(psa, &n)) return false;
    if (psa->cbElements != 0 && n > std::numeric_limits<std::size_t>::max() / psa->cbElements) return false;
    *bytes = n * psa->cbElements;
    return true;
}

// Releases what the elements in [first, first + count) own and zeroes them.
void ReleaseCells(SAFEARRAY* psa, std::size_t first, std::size_t count) {
    char* base = static_cast<char*>(psa->pvData) + first * psa->cbElements;
    if (psa->fFeatures & FADF_BSTR) {
        auto* cells = reinterpret_cast<BSTR*>(base);
        for (std::size_t i = 0; i < count; ++i) SysFreeString(cells[i]);
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* cells = reinterpret_cast<IUnknown**>(base);
        for (std::size_t i = 0; i < count; ++i)
            if (cells[i]) cells[i]->Release();
    } else if (psa->fFeatures & FADF_VARIANT) {
        auto* cells = reinterpret_cast<VARIANT*>(base);
        for (std::size_t i = 0; i < count; ++i) VariantClear(&cells[i]);
    }
    std::memset(base, 0, count * psa->cbElements);
}

// Deep copy of every element of src into the (zeroed) data block of dst.
HRESULT CopyCells(SAFEARRAY* src, SAFEARRAY* dst, std::size_t count) {
    if (src->fFeatures & FADF_BSTR) {
        auto* from = static_cast<BSTR*>(src->pvData);
        auto* to = static_cast<BSTR*>(dst->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            if (!from[i]) continue;
            to[i] = SysAllocStringByteLen(reinterpret_cast<const char*>(from[i]), SysStringByteLen(from[i]));
            if (!to[i]) return E_OUTOFMEMORY;
        }
    } else if (src->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* from = static_cast<IUnknown**>(src->pvData);
        auto* to = static_cast<IUnknown**>(dst->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            to[i] = from[i];
            if (to[i]) to[i]->AddRef();
        }
    } else if (src->fFeatures & FADF_VARIANT) {
        auto* from = static_cast<VARIANT*>(src->pvData);
        auto* to = static_cast<VARIANT*>(dst->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            const HRESULT hr = VariantCopy(&to[i], &from[i]);
            if (FAILED(hr)) return hr;
        }
    } else {
        std::memcpy(dst->pvData, src->pvData, count * src->cbElements);
    }
    return S_OK;
}

// Offset of the cell named by indices (first index = first dimension); false when out of
// bounds.
bool CellOffset(const SAFEARRAY* psa, const LONG* indices, std::size_t* cell) {
    std::size_t offset = 0, stride = 1;
    for (UINT d = 0; d < psa->cDims; ++d) {
        const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - 1 - d];
        const std::int64_t rel = static_cast<std::int64_t>(indices[d]) - b.lLbound;
        if (rel < 0 || rel >= static_cast<std::int64_t>(b.cElements)) return false;
        offset += static_cast<std::size_t>(rel) * stride;
        stride *= b.cElements;
    }
    *cell = offset;
    return true;
}

}  // namespace

UINT platform_automation::ElementSize(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE: return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(void*);
    case VT_DECIMAL: return sizeof(DECIMAL);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

PLATFORM_API HRESULT SafeArrayAllocDescriptor(UINT dims, SAFEARRAY** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (dims == 0 || dims > 65535) return E_INVALIDARG;
    auto* block = static_cast<char*>(std::calloc(1, kDescriptorPrefix + DescriptorSize(dims)));
    if (!block) return E_OUTOFMEMORY;
    auto* psa = reinterpret_cast<SAFEARRAY*>(block + kDescriptorPrefix);
    psa->cDims = static_cast<USHORT>(dims);
    *out = psa;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayAllocDescriptorEx(VARTYPE vt, UINT dims, SAFEARRAY** out) {
    const UINT size = platform_automation::ElementSize(vt);
    if (size == 0) return E_INVALIDARG;
    const HRESULT hr = SafeArrayAllocDescriptor(dims, out);
    if (FAILED(hr)) return hr;
    (*out)->fFeatures = FeaturesFor(vt);
    (*out)->cbElements = size;
    *StoredType(*out) = vt;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayAllocData(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    std::size_t bytes = 0;
    if (!DataBytes(psa, &bytes)) return E_OUTOFMEMORY;
    void* data = std::calloc(1, bytes ? bytes : 1);
    if (!data) return E_OUTOFMEMORY;
    psa->pvData = data;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayDestroyData(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    if (!psa->pvData) return S_OK;
    std::size_t count = 0;
    if (CellCount(psa, &count)) ReleaseCells(psa, 0, count);
    if (!(psa->fFeatures & (FADF_STATIC | FADF_AUTO | FADF_EMBEDDED))) {
        std::free(psa->pvData);
        psa->pvData = nullptr;
    }
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayDestroyDescriptor(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    std::free(reinterpret_cast<char*>(psa) - kDescriptorPrefix);
    return S_OK;
}

PLATFORM_API SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds) {
    if (!bounds || dims == 0) return nullptr;
    SAFEARRAY* psa = nullptr;
    if (FAILED(SafeArrayAllocDescriptorEx(vt, dims, &psa))) return nullptr;
    for (UINT d = 0; d < dims; ++d) psa->rgsabound[dims - 1 - d] = bounds[d];
    if (FAILED(SafeArrayAllocData(psa))) {
        SafeArrayDestroyDescriptor(psa);
        return nullptr;
    }
    return psa;
}

PLATFORM_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG count) {
    SAFEARRAYBOUND bound{count, lowerBound};
    return SafeArrayCreate(vt, 1, &bound);
}

PLATFORM_API HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    const HRESULT hr = SafeArrayDestroyData(psa);
    if (FAILED(hr)) return hr;
    return SafeArrayDestroyDescriptor(psa);
}

PLATFORM_API HRESULT SafeArrayCopyData(SAFEARRAY* src, SAFEARRAY* dst) {
    if (!src || !dst || src->cDims != dst->cDims || src->cbElements != dst->cbElements) return E_INVALIDARG;
    for (UINT d = 0; d < src->cDims; ++d)
        if (src->rgsabound[d].cElements != dst->rgsabound[d].cElements) return E_INVALIDARG;
    std::size_t count = 0;
    if (!CellCount(src, &count)) return E_OUTOFMEMORY;
    if (count == 0) return S_OK;
    if (!src->pvData || !dst->pvData) return E_INVALIDARG;
    ReleaseCells(dst, 0, count);
    return CopyCells(src, dst, count);
}

PLATFORM_API HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!psa) return S_OK;
    SAFEARRAY* copy = nullptr;
    HRESULT hr = SafeArrayAllocDescriptor(psa->cDims, &copy);
    if (FAILED(hr)) return hr;
    *StoredType(copy) = *StoredType(psa);
    copy->fFeatures = psa->fFeatures & ~(FADF_AUTO | FADF_STATIC | FADF_EMBEDDED | FADF_FIXEDSIZE);
    copy->cbElements = psa->cbElements;
    std::memcpy(copy->rgsabound, psa->rgsabound, psa->cDims * sizeof(SAFEARRAYBOUND));
    if (psa->pvData) {
        hr = SafeArrayAllocData(copy);
        if (SUCCEEDED(hr)) {
            std::size_t count = 0;
            CellCount(copy, &count);
            hr = CopyCells(psa, copy, count);
        }
        if (FAILED(hr)) {
            SafeArrayDestroy(copy);
            return hr;
        }
    }
    *out = copy;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayLock(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == std::numeric_limits<ULONG>::max()) return E_UNEXPECTED;
    ++psa->cLocks;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data) {
    if (!psa || !data) return E_INVALIDARG;
    const HRESULT hr = SafeArrayLock(psa);
    *data = SUCCEEDED(hr) ? psa->pvData : nullptr;
    return hr;
}

PLATFORM_API HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

PLATFORM_API HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT dim, LONG* bound) {
    if (!psa || !bound) return E_INVALIDARG;
    if (dim < 1 || dim > psa->cDims) return DISP_E_BADINDEX;
    *bound = psa->rgsabound[psa->cDims - dim].lLbound;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT dim, LONG* bound) {
    if (!psa || !bound) return E_INVALIDARG;
    if (dim < 1 || dim > psa->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - dim];
    // An empty dimension has an upper bound one below its lower bound.
    *bound = static_cast<LONG>(static_cast<std::int64_t>(b.lLbound) + static_cast<std::int64_t>(b.cElements) - 1);
    return S_OK;
}

PLATFORM_API UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

PLATFORM_API UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

PLATFORM_API HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* vt) {
    if (!psa || !vt) return E_INVALIDARG;
    if (psa->fFeatures & FADF_HAVEVARTYPE)
        *vt = *StoredType(psa);
    else if (psa->fFeatures & FADF_BSTR)
        *vt = VT_BSTR;
    else if (psa->fFeatures & FADF_UNKNOWN)
        *vt = VT_UNKNOWN;
    else if (psa->fFeatures & FADF_DISPATCH)
        *vt = VT_DISPATCH;
    else if (psa->fFeatures & FADF_VARIANT)
        *vt = VT_VARIANT;
    else
        return E_INVALIDARG;
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* newBound) {
    if (!psa || !newBound) return E_INVALIDARG;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    if (psa->fFeatures & FADF_FIXEDSIZE) return E_INVALIDARG;
    std::size_t oldCount = 0, newCount = 0;
    if (!CellCount(psa, &oldCount)) return E_UNEXPECTED;
    const SAFEARRAYBOUND old = psa->rgsabound[0];
    psa->rgsabound[0] = *newBound;
    std::size_t newBytes = 0;
    if (!CellCount(psa, &newCount) || !DataBytes(psa, &newBytes)) {
        psa->rgsabound[0] = old;
        return E_OUTOFMEMORY;
    }
    if (newCount < oldCount) ReleaseCells(psa, newCount, oldCount - newCount);
    void* data = std::realloc(psa->pvData, newBytes ? newBytes : 1);
    if (!data) {
        // The dropped cells are already released and zeroed; the block keeps its size.
        psa->rgsabound[0] = old;
        return E_OUTOFMEMORY;
    }
    psa->pvData = data;
    if (newCount > oldCount)
        std::memset(static_cast<char*>(data) + oldCount * psa->cbElements, 0,
                    (newCount - oldCount) * psa->cbElements);
    return S_OK;
}

PLATFORM_API HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* indices, void** cell) {
    if (!psa || !indices || !cell) return E_INVALIDARG;
    std::size_t offset = 0;
    if (!CellOffset(psa, indices, &offset)) return DISP_E_BADINDEX;
    *cell = static_cast<char*>(psa->pvData) + offset * psa->cbElements;
    return S_OK;
}

// value: for BSTR, IUnknown and IDispatch arrays the element itself (a BSTR or interface
// pointer); for VARIANT arrays a VARIANT*; otherwise a pointer to the element's value.
PLATFORM_API HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* indices, void* value) {
    if (!psa || !indices) return E_INVALIDARG;
    std::size_t offset = 0;
    if (!CellOffset(psa, indices, &offset)) return DISP_E_BADINDEX;
    char* cell = static_cast<char*>(psa->pvData) + offset * psa->cbElements;
    if (psa->fFeatures & FADF_BSTR) {
        auto src = static_cast<BSTR>(value);
        BSTR copy = nullptr;
        if (src) {
            copy = SysAllocStringByteLen(reinterpret_cast<const char*>(src), SysStringByteLen(src));
            if (!copy) return E_OUTOFMEMORY;
        }
        auto* slot = reinterpret_cast<BSTR*>(cell);
        SysFreeString(*slot);
        *slot = copy;
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        auto* src = static_cast<IUnknown*>(value);
        if (src) src->AddRef();
        auto* slot = reinterpret_cast<IUnknown**>(cell);
        if (*slot) (*slot)->Release();
        *slot = src;
    } else if (psa->fFeatures & FADF_VARIANT) {
        if (!value) return E_INVALIDARG;
        return VariantCopy(reinterpret_cast<VARIANT*>(cell), static_cast<const VARIANT*>(value));
    } else {
        if (!value) return E_INVALIDARG;
        std::memcpy(cell, value, psa->cbElements);
    }
    return S_OK;
}

// value receives a copy the caller owns: a new BSTR, an added reference, a copied VARIANT
// (value must then be an initialised or empty VARIANT), or the raw bytes.
PLATFORM_API HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* indices, void* value) {
    if (!psa || !indices || !value) return E_INVALIDARG;
    std::size_t offset = 0;
    if (!CellOffset(psa, indices, &offset)) return DISP_E_BADINDEX;
    const char* cell = static_cast<const char*>(psa->pvData) + offset * psa->cbElements;
    if (psa->fFeatures & FADF_BSTR) {
        BSTR src = *reinterpret_cast<const BSTR*>(cell);
        BSTR copy = nullptr;
        if (src) {
            copy = SysAllocStringByteLen(reinterpret_cast<const char*>(src), SysStringByteLen(src));
            if (!copy) return E_OUTOFMEMORY;
        }
        *static_cast<BSTR*>(value) = copy;
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown* src = *reinterpret_cast<IUnknown* const*>(cell);
        if (src) src->AddRef();
        *static_cast<IUnknown**>(value) = src;
    } else if (psa->fFeatures & FADF_VARIANT) {
        auto* dst = static_cast<VARIANT*>(value);
        VariantInit(dst);
        return VariantCopy(dst, reinterpret_cast<const VARIANT*>(cell));
    } else {
        std::memcpy(value, cell, psa->cbElements);
    }
    return S_OK;
}
