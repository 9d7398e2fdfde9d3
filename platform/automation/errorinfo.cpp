// Error information: one record object that is written through ICreateErrorInfo and read
// through IErrorInfo, and one slot per thread holding the current record.
#include "automation/oleauto.h"

#include <atomic>
#include <new>

namespace {

BSTR Duplicate(BSTR s) {
    return s ? SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s)) : nullptr;
}

class ErrorRecord final : public ICreateErrorInfo, public IErrorInfo {
public:
    ~ErrorRecord() {
        SysFreeString(source_);
        SysFreeString(description_);
        SysFreeString(helpFile_);
    }

    // IUnknown: both interfaces share one count. Records may be handed between threads
    // (a thread can pass its record on), so the count is atomic.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ICreateErrorInfo) {
            *ppv = static_cast<ICreateErrorInfo*>(this);
        } else if (riid == IID_IErrorInfo) {
            *ppv = static_cast<IErrorInfo*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

    // ICreateErrorInfo: the strings are copied.
    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID guid) override {
        guid_ = guid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR source) override { return Store(&source_, source); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR description) override {
        return Store(&description_, description);
    }
    HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR helpFile) override { return Store(&helpFile_, helpFile); }
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD helpContext) override {
        helpContext_ = helpContext;
        return S_OK;
    }

    // IErrorInfo: each string handed out is a new BSTR the caller frees (null when unset).
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override {
        if (!guid) return E_INVALIDARG;
        *guid = guid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* source) override { return Hand(source_, source); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override { return Hand(description_, description); }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* helpFile) override { return Hand(helpFile_, helpFile); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* helpContext) override {
        if (!helpContext) return E_INVALIDARG;
        *helpContext = helpContext_;
        return S_OK;
    }

private:
    static HRESULT Store(BSTR* slot, LPOLESTR text) {
        BSTR copy = nullptr;
        if (text) {
            copy = SysAllocString(text);
            if (!copy) return E_OUTOFMEMORY;
        }
        SysFreeString(*slot);
        *slot = copy;
        return S_OK;
    }
    static HRESULT Hand(BSTR value, BSTR* out) {
        if (!out) return E_INVALIDARG;
        *out = Duplicate(value);
        return (value && !*out) ? E_OUTOFMEMORY : S_OK;
    }

    std::atomic<ULONG> refs_{1};
    GUID guid_ = GUID_NULL;
    BSTR source_ = nullptr;
    BSTR description_ = nullptr;
    BSTR helpFile_ = nullptr;
    DWORD helpContext_ = 0;
};

// The calling thread's record; released when the thread ends.
struct ThreadSlot {
    IErrorInfo* info = nullptr;
    ~ThreadSlot() {
        if (info) info->Release();
    }
};
thread_local ThreadSlot tlsError;

}  // namespace

PLATFORM_API HRESULT CreateErrorInfo(ICreateErrorInfo** out) {
    if (!out) return E_INVALIDARG;
    auto* record = new (std::nothrow) ErrorRecord;
    *out = record;
    return record ? S_OK : E_OUTOFMEMORY;
}

PLATFORM_API HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info) {
    if (info) info->AddRef();
    IErrorInfo* old = tlsError.info;
    tlsError.info = info;
    if (old) old->Release();
    return S_OK;
}

PLATFORM_API HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** out) {
    if (!out) return E_INVALIDARG;
    *out = tlsError.info;
    tlsError.info = nullptr;
    return *out ? S_OK : S_FALSE;
}
