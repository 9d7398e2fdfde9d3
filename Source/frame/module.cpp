#include "frame/module.h"

#include <dlfcn.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "com/dispatch.h"
#include "frame/registrar.h"

namespace kez::frame {

namespace {

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const ClassInfo& info) : info_(info) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Class objects live as long as the library; the count only tracks clients.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        // An aggregated object can hand its controller nothing but its own IUnknown.
        if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
        if (!info_.create) return E_UNEXPECTED;
        IUnknown* inner = nullptr;
        HRESULT hr = info_.create(info_, outer, &inner);
        if (FAILED(hr)) return hr;
        if (!inner) return E_OUTOFMEMORY;
        hr = inner->QueryInterface(iid, out);
        inner->Release();  // destroys the object when the interface was refused
        return hr;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            Module::Instance().Lock();
        else
            Module::Instance().Unlock();
        return S_OK;
    }

private:
    const ClassInfo& info_;
    std::atomic<ULONG> refs_{1};
};

// Marker whose address dladdr resolves to this module.
void ModuleMarker() {}

const char16_t kAppIdScript[] =
    u"HKCR\n"
    u"{\n"
    u"    NoRemove AppID\n"
    u"    {\n"
    u"        '%APPID%' = s '%PROJECT%'\n"
    u"        '%MODULENAME%'\n"
    u"        {\n"
    u"            val AppID = s '%APPID%'\n"
    u"        }\n"
    u"    }\n"
    u"}\n";

const char16_t kClassScript[] =
    u"HKCR\n"
    u"{\n"
    u"    '%PROGID%' = s '%DESCRIPTION%'\n"
    u"    {\n"
    u"        CLSID = s '%CLSID%'\n"
    u"    }\n"
    u"    '%VIPROGID%' = s '%DESCRIPTION%'\n"
    u"    {\n"
    u"        CLSID = s '%CLSID%'\n"
    u"        CurVer = s '%PROGID%'\n"
    u"    }\n"
    u"    NoRemove CLSID\n"
    u"    {\n"
    u"        ForceRemove '%CLSID%' = s '%DESCRIPTION%'\n"
    u"        {\n"
    u"            ProgID = s '%PROGID%'\n"
    u"            VersionIndependentProgID = s '%VIPROGID%'\n"
    u"            ForceRemove Programmable\n"
    u"            InprocServer32 = s '%MODULE%'\n"
    u"            {\n"
    u"                val ThreadingModel = s 'Apartment'\n"
    u"            }\n"
    u"            val AppID = s '%APPID%'\n"
    u"            TypeLib = s '%LIBID%'\n"
    u"        }\n"
    u"    }\n"
    u"}\n";

}  // namespace

struct Module::State {
    std::mutex lock;  // guards the creation of class objects
    std::atomic<long> locks{0};
    std::vector<std::unique_ptr<ClassFactory>> factories;
};

std::u16string GuidText(const GUID& g) {
    const char16_t* digits = u"0123456789ABCDEF";
    std::u16string s = u"{";
    auto put = [&](std::uint64_t v, int nibbles) {
        for (int i = nibbles - 1; i >= 0; --i) s += digits[(v >> (4 * i)) & 15];
    };
    put(g.Data1, 8);
    s += u'-';
    put(g.Data2, 4);
    s += u'-';
    put(g.Data3, 4);
    s += u'-';
    put(g.Data4[0], 2);
    put(g.Data4[1], 2);
    s += u'-';
    for (int i = 2; i < 8; ++i) put(g.Data4[i], 2);
    s += u'}';
    return s;
}

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp = 0xFFFD;
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) {
            ++i;
        } else {
            cp = n == 1 ? c : c & (0x7F >> n);
            bool ok = true;
            for (size_t k = 1; k < n; ++k) {
                unsigned char cc = static_cast<unsigned char>(s[i + k]);
                if ((cc & 0xC0) != 0x80) ok = false;
                cp = (cp << 6) | (cc & 0x3F);
            }
            if (!ok) cp = 0xFFFD;
            i += n;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
    }
    return out;
}

Module& Module::Instance() {
    static Module* module = new Module(KezLibraryInfo());  // lives until the process ends
    return *module;
}

Module::Module(const LibraryInfo& info) : info_(info), state_(new State) {
    state_->factories.resize(info.classes.size());
}

Module::~Module() { delete state_; }

HRESULT Module::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (size_t i = 0; i < info_.classes.size(); ++i) {
        if (info_.classes[i].clsid != clsid) continue;
        ClassFactory* factory;
        {
            std::lock_guard<std::mutex> guard(state_->lock);
            if (!state_->factories[i]) {
                state_->factories[i].reset(new (std::nothrow) ClassFactory(info_.classes[i]));
                if (!state_->factories[i]) return E_OUTOFMEMORY;
            }
            factory = state_->factories[i].get();
        }
        return factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT Module::CanUnloadNow() const { return state_->locks.load() == 0 ? S_OK : S_FALSE; }

void Module::Lock() { ++state_->locks; }
void Module::Unlock() { --state_->locks; }
long Module::LockCount() const { return state_->locks.load(); }

std::u16string Module::ModulePath() const {
    Dl_info dl{};
    if (dladdr(reinterpret_cast<void*>(&ModuleMarker), &dl) && dl.dli_fname) return Utf8ToUtf16(dl.dli_fname);
    return info_.moduleFileName;
}

std::u16string Module::Script(unsigned id) const {
    const char16_t* project = u"";
    for (const StringResource& s : info_.strings)
        if (s.id == info_.projectNameId) project = s.text;
    Replacements common = {
        {u"MODULE", ModulePath()},         {u"MODULENAME", info_.moduleFileName},
        {u"APPID", GuidText(info_.appId)}, {u"LIBID", GuidText(info_.typeLibId)},
        {u"PROJECT", project},
    };
    if (id == info_.appIdScriptId) return ExpandScript(kAppIdScript, common);
    for (const ClassInfo& c : info_.classes) {
        if (c.scriptId != id) continue;
        Replacements r = common;
        r.push_back({u"CLSID", GuidText(c.clsid)});
        r.push_back({u"DESCRIPTION", c.description});
        r.push_back({u"PROGID", c.progId});
        r.push_back({u"VIPROGID", c.viProgId});
        return ExpandScript(kClassScript, r);
    }
    return {};
}

platform::TypeLibInfo Module::TypeLib() const {
    platform::TypeLibInfo lib;
    lib.libid = info_.typeLibId;
    lib.major = info_.typeLibMajor;
    lib.minor = info_.typeLibMinor;
    lib.lcid = info_.typeLibLcid;
    lib.name = info_.typeLibName;
    lib.help = info_.typeLibHelp;
    for (const ClassInfo& c : info_.classes)
        if (c.table) lib.interfaces.push_back(&c.table());
    return lib;
}

HRESULT Module::RegisterServer() {
    HRESULT hr = RunScript(Script(info_.appIdScriptId), true);
    if (FAILED(hr)) return hr;
    for (const ClassInfo& c : info_.classes) {
        hr = RunScript(Script(c.scriptId), true);
        if (FAILED(hr)) return hr;
    }
    return platform::RegisterTypeLibrary(TypeLib(), ModulePath().c_str());
}

HRESULT Module::UnregisterServer() {
    for (const ClassInfo& c : info_.classes) {
        HRESULT hr = RunScript(Script(c.scriptId), false);
        if (FAILED(hr)) return hr;
    }
    HRESULT hr = platform::UnregisterTypeLibrary(TypeLib());
    if (FAILED(hr)) return hr;
    return RunScript(Script(info_.appIdScriptId), false);
}

}  // namespace kez::frame
