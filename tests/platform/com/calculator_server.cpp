// A small in-process server for the COM tests: one class on the table-driven IDispatch,
// with error information, a connection point, a class factory and self-registration.
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "calculator.h"
#include "com/combase.h"
#include "registry/registry.h"

namespace {

std::atomic<LONG> locks{0};

class Calculator final : public platform::DispatchImpl<ICalculator>, public ISupportErrorInfo {
public:
    Calculator() : DispatchImpl(CalculatorTable()) { ++locks; }

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ICalculator) {
            *ppv = static_cast<ICalculator*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *ppv = static_cast<ISupportErrorInfo*>(this);
        } else if (riid == IID_IConnectionPointContainer) {
            *ppv = events_.Container();
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
    STDMETHOD_(ULONG, Release)() override {
        ULONG left = --refs_;
        if (!left) delete this;
        return left;
    }
    STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) override {
        return riid == IID_ICalculator ? S_OK : S_FALSE;
    }

    STDMETHOD(Add)(LONG a, LONG b, LONG* sum) override {
        if (!sum) return E_POINTER;
        *sum = a + b;
        return S_OK;
    }
    STDMETHOD(Scale)(LONG factor, LONG* value, BSTR* label, LONG* calls) override {
        if (!value || !label || !calls) return E_POINTER;
        *value *= factor;
        *label = SysAllocString(std::u16string(u"x" + ToText(factor)).c_str());
        *calls = ++scaleCalls_;
        return S_OK;
    }
    STDMETHOD(Fail)(BSTR why) override {
        ICreateErrorInfo* create = nullptr;
        if (SUCCEEDED(CreateErrorInfo(&create))) {
            create->SetGUID(IID_ICalculator);
            create->SetSource(const_cast<LPOLESTR>(kCalculatorProgId));
            create->SetDescription(why ? why : const_cast<LPOLESTR>(u"failed"));
            IErrorInfo* info = nullptr;
            if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
                SetErrorInfo(0, info);
                info->Release();
            }
            create->Release();
        }
        return kCalculatorFailure;
    }
    STDMETHOD(get_Name)(BSTR* value) override {
        if (!value) return E_POINTER;
        *value = SysAllocStringLen(name_.data(), UINT(name_.size()));
        return S_OK;
    }
    STDMETHOD(put_Name)(BSTR value) override {
        name_.assign(value ? value : u"", SysStringLen(value));
        return S_OK;
    }
    STDMETHOD(get_Volume)(LONG* value) override {
        if (!value) return E_POINTER;
        *value = volume_;
        return S_OK;
    }
    STDMETHOD(put_Volume)(LONG value) override {
        volume_ = value < 0 ? 0 : value > 100 ? 100 : value;
        return S_OK;
    }
    STDMETHOD(get_Enabled)(VARIANT_BOOL* value) override {
        if (!value) return E_POINTER;
        *value = enabled_;
        return S_OK;
    }
    STDMETHOD(put_Enabled)(VARIANT_BOOL value) override {
        enabled_ = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    STDMETHOD(Reverse)(SAFEARRAY* bytes, SAFEARRAY** reversed) override {
        if (!reversed) return E_POINTER;
        *reversed = nullptr;
        if (!bytes) return S_OK;  // nothing to work on is no failure
        LONG lo = 0, hi = -1;
        SafeArrayGetLBound(bytes, 1, &lo);
        SafeArrayGetUBound(bytes, 1, &hi);
        ULONG count = ULONG(hi - lo + 1);
        SAFEARRAY* out = SafeArrayCreateVector(VT_UI1, 0, count);
        if (!out) return E_OUTOFMEMORY;
        BYTE* src = nullptr;
        BYTE* dst = nullptr;
        SafeArrayAccessData(bytes, reinterpret_cast<void**>(&src));
        SafeArrayAccessData(out, reinterpret_cast<void**>(&dst));
        for (ULONG i = 0; i < count; ++i) dst[i] = src[count - 1 - i];
        SafeArrayUnaccessData(out);
        SafeArrayUnaccessData(bytes);
        *reversed = out;
        return S_OK;
    }
    STDMETHOD(Echo)(VARIANT value, VARIANT* copy) override {
        if (!copy) return E_POINTER;
        VariantInit(copy);
        return VariantCopy(copy, &value);
    }
    STDMETHOD(Sum)(LONG a, VARIANT b, double c, LONGLONG* total) override {
        if (!total) return E_POINTER;
        LONGLONG sum = a + LONGLONG(c);
        if (!(b.vt == VT_ERROR && b.scode == DISP_E_PARAMNOTFOUND)) {
            VARIANT n;
            VariantInit(&n);
            if (FAILED(VariantChangeType(&n, &b, 0, VT_I8))) return E_INVALIDARG;
            sum += n.llVal;
        }
        *total = sum;
        return S_OK;
    }
    STDMETHOD(Mirror)(CalcPoint* point) override {
        if (!point) return E_POINTER;
        LONG x = point->x;
        point->x = point->y;
        point->y = x;
        return S_OK;
    }
    STDMETHOD(Ring)(LONG count) override {
        for (LONG i = 1; i <= count; ++i) events_.Fire(DIID_ICalculatorEvents, kTickEvent, {i});
        events_.Fire(DIID_ICalculatorEvents, kDoneEvent);
        return S_OK;
    }

private:
    ~Calculator() { --locks; }
    static std::u16string ToText(LONG v) {
        std::string s = std::to_string(v);
        return std::u16string(s.begin(), s.end());
    }

    std::atomic<ULONG> refs_{1};
    platform::ConnectionPoints events_{static_cast<ICalculator*>(this), {DIID_ICalculatorEvents}};
    std::u16string name_ = u"calc";
    LONG volume_ = 50;
    VARIANT_BOOL enabled_ = VARIANT_FALSE;
    LONG scaleCalls_ = 0;
};

class Factory final : public IClassFactory {
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is a static of the module; it does not count towards the lock.
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new (std::nothrow) Calculator;
        if (!object) return E_OUTOFMEMORY;
        HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    STDMETHOD(LockServer)(BOOL lock) override {
        locks += lock ? 1 : -1;
        return S_OK;
    }
};

Factory factory;

platform::TypeLibInfo TypeLib() {
    return {LIBID_ComTest, 1, 0, 0, u"ComTestLib", u"ComTest 1.0 Type Library", {&CalculatorTable()}};
}

LSTATUS SetString(const std::u16string& path, const OLECHAR* name, const std::u16string& value) {
    HKEY key = nullptr;
    LSTATUS s =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (s != ERROR_SUCCESS) return s;
    s = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(OLECHAR)));
    RegCloseKey(key);
    return s;
}

std::u16string Text(const GUID& g) {
    OLECHAR buffer[40];
    StringFromGUID2(g, buffer, 40);
    return buffer;
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_Calculator) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() {
    return locks == 0 ? S_OK : S_FALSE;
}

// Registers the class; the version-independent ProgID names its class through CurVer only.
STDAPI DllRegisterServer() {
    if (std::getenv("COMTEST_REFUSE_REGISTRATION")) return E_ACCESSDENIED;
    OLECHAR path[4096];
    if (!PlatformModuleFileNameOf(reinterpret_cast<const void*>(&DllRegisterServer), path, 4096))
        return E_FAIL;
    const std::u16string clsid = Text(CLSID_Calculator);
    const std::u16string key = u"CLSID\\" + clsid;
    LSTATUS s = SetString(key, nullptr, u"Calculator Class");
    if (!s) s = SetString(key + u"\\InprocServer32", nullptr, path);
    if (!s) s = SetString(key + u"\\InprocServer32", u"ThreadingModel", u"Apartment");
    if (!s) s = SetString(key + u"\\ProgID", nullptr, kCalculatorProgId);
    if (!s) s = SetString(key + u"\\VersionIndependentProgID", nullptr, kCalculatorIndependentProgId);
    if (!s) s = SetString(std::u16string(kCalculatorProgId) + u"\\CLSID", nullptr, clsid);
    if (!s) s = SetString(kCalculatorIndependentProgId, nullptr, u"Calculator Class");
    if (!s)
        s = SetString(std::u16string(kCalculatorIndependentProgId) + u"\\CurVer", nullptr, kCalculatorProgId);
    if (s) return REGDB_E_WRITEREGDB;
    return platform::RegisterTypeLibrary(TypeLib(), path);
}

STDAPI DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (u"CLSID\\" + Text(CLSID_Calculator)).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kCalculatorProgId);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kCalculatorIndependentProgId);
    return platform::UnregisterTypeLibrary(TypeLib());
}
