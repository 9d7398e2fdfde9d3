// What every in-process server module of ours needs besides its classes: the module's own
// path, self-registration of a class (CLSID with InprocServer32 and ProgID keys), error
// information for a failed call, the module's object and lock counts, and a class factory.
#pragma once

#include <atomic>
#include <new>
#include <string>

#include "automation/oleauto.h"

namespace kezserver {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry spells class ids.
std::u16string GuidText(const GUID& guid);
std::u16string FromUtf8(const std::string& text);

// Full path of the module that contains address (any function or object of the module).
std::u16string ModulePath(const void* address);

struct ClassRegistration {
    CLSID clsid;
    const char16_t* description;  // default value of the CLSID and ProgID keys
    const char16_t* progId;       // versioned, e.g. u"KezAudioPlayer3.AudioPlayer3.1"
    const char16_t* versionIndependentProgId;
};

// Writes HKCR\CLSID\{clsid} (InprocServer32 = modulePath, ThreadingModel "Apartment",
// ProgID, VersionIndependentProgID) and both ProgID keys. SELFREG_E_CLASS on failure.
HRESULT RegisterClass(const ClassRegistration& reg, const std::u16string& modulePath);
// Removes what RegisterClass wrote; keys already missing are no failure.
HRESULT UnregisterClass(const ClassRegistration& reg);

// Sets the calling thread's error information (source, description, interface) and
// returns hr, so a method can end with `return Fail(...)`.
HRESULT Fail(HRESULT hr, const char16_t* source, const std::u16string& description, REFIID iid);

// Objects alive and LockServer count of the module, for DllCanUnloadNow.
struct ModuleCounts {
    std::atomic<long> objects{0};
    std::atomic<long> locks{0};
    bool CanUnload() const { return objects.load() == 0 && locks.load() == 0; }
};

// A class factory for T, which must have a constructor taking no arguments, start with a
// reference count of 1 and count itself in counts. Lives in static storage.
template <class T>
class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(ModuleCounts& counts) : counts_(counts) {}

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // Static object: the reference count only keeps the module loaded.
    STDMETHOD_(ULONG, AddRef)() override { return ULONG(++counts_.locks); }
    STDMETHOD_(ULONG, Release)() override { return ULONG(--counts_.locks); }

    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        HRESULT hr = T::CanCreate();
        if (FAILED(hr)) return hr;
        T* object = new (std::nothrow) T;
        if (!object) return E_OUTOFMEMORY;
        hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    STDMETHOD(LockServer)(BOOL lock) override {
        if (lock) ++counts_.locks;
        else --counts_.locks;
        return S_OK;
    }

private:
    ModuleCounts& counts_;
};

}  // namespace kezserver
