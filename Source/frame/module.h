// The library's module state and its four entry points: the class list walked for lookup
// and registration, class objects created on first request and kept for the library's
// life, the lock count that decides unloading, and self-registration from scripts.
#pragma once

#include <string>

#include "com/dispatch.h"
#include "frame/library.h"

namespace kez::frame {

class Module {
public:
    // The one module of this library (built from KezLibraryInfo() on first use).
    static Module& Instance();

    const LibraryInfo& Info() const { return info_; }

    // DllGetClassObject: E_POINTER for a null out pointer, CLASS_E_CLASSNOTAVAILABLE for a
    // class id that is not in the list.
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
    // DllCanUnloadNow: S_OK when the lock count is 0, else S_FALSE.
    HRESULT CanUnloadNow() const;
    // DllRegisterServer / DllUnregisterServer; each stops at the first failure.
    HRESULT RegisterServer();
    HRESULT UnregisterServer();

    // Raised for every live object and every LockServer(TRUE).
    void Lock();
    void Unlock();
    long LockCount() const;

    // The registration script with that number, expanded for this module (empty if none):
    // the application-id script and one per class.
    std::u16string Script(unsigned id) const;
    // The type library as the member tables describe it.
    platform::TypeLibInfo TypeLib() const;
    // The full path of the loaded module, as registered.
    std::u16string ModulePath() const;

private:
    explicit Module(const LibraryInfo& info);
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    ~Module();

    struct State;
    const LibraryInfo& info_;
    State* state_;
};

// Text helpers shared by the libraries.
std::u16string GuidText(const GUID& g);  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::u16string Utf8ToUtf16(std::string_view s);

}  // namespace kez::frame

// The four exported entry points, defined once in each library's module file.
#define KEZ_FRAME_ENTRY_POINTS()                                                        \
    STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {                 \
        return ::kez::frame::Module::Instance().GetClassObject(clsid, iid, out);        \
    }                                                                                   \
    STDAPI DllCanUnloadNow() { return ::kez::frame::Module::Instance().CanUnloadNow(); } \
    STDAPI DllRegisterServer() { return ::kez::frame::Module::Instance().RegisterServer(); } \
    STDAPI DllUnregisterServer() { return ::kez::frame::Module::Instance().UnregisterServer(); }
