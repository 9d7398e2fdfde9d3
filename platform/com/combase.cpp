// Class activation through the registry, GUID text forms and module loading by name.
#include "com/combase.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "com/wide.h"
#include "registry/registry.h"

using platform::com_internal::FromUtf8;
using platform::com_internal::GuidText;
using platform::com_internal::ToUtf8;

namespace {

thread_local std::string lastLoadError;

// --- module search -------------------------------------------------------------------------

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string ProgramFolder() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    buffer[n] = 0;
    return FolderOf(buffer);
}

std::string PlatformFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&ProgramFolder), &info) && info.dli_fname)
        return FolderOf(info.dli_fname);
    return {};
}

// The file names a module name may stand for: itself, and for "X.DLL" also libX.so, X.so.
std::vector<std::string> Candidates(const std::string& name) {
    std::vector<std::string> names{name};
    if (name.size() > 4) {
        std::string ext = name.substr(name.size() - 4);
        for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".dll") {
            std::string stem = name.substr(0, name.size() - 4);
            names.push_back("lib" + stem + ".so");
            names.push_back(stem + ".so");
        }
    }
    return names;
}

void* OpenFile(const std::string& path) {
    if (access(path.c_str(), F_OK) != 0) return nullptr;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* e = dlerror();
        lastLoadError = e ? e : "cannot load " + path;
    }
    return handle;
}

void* LoadModule(const std::string& name) {
    lastLoadError.clear();
    if (name.empty()) {
        lastLoadError = "empty module name";
        return nullptr;
    }
    auto slash = name.rfind('/');
    if (slash != std::string::npos) {
        std::string folder = name.substr(0, slash + 1);
        for (const auto& candidate : Candidates(name.substr(slash + 1)))
            if (void* h = OpenFile(folder + candidate)) return h;
        if (lastLoadError.empty()) lastLoadError = name + ": no such file";
        return nullptr;
    }
    auto names = Candidates(name);
    for (const std::string& folder : {ProgramFolder(), PlatformFolder()}) {
        if (folder.empty()) continue;
        for (const auto& candidate : names)
            if (void* h = OpenFile(folder + "/" + candidate)) return h;
    }
    std::string firstError = lastLoadError;
    for (const auto& candidate : names) {
        if (void* h = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return h;
        const char* e = dlerror();
        if (firstError.empty() && e) firstError = e;
    }
    lastLoadError = firstError.empty() ? name + ": not found" : firstError;
    return nullptr;
}

DWORD CopyOut(const std::string& utf8, LPWSTR buffer, DWORD size) {
    if (!buffer || size == 0) return 0;
    std::u16string text = FromUtf8(utf8);
    DWORD n = DWORD(text.size());
    bool truncated = n >= size;
    if (truncated) n = size - 1;
    std::memcpy(buffer, text.data(), n * sizeof(OLECHAR));
    buffer[n] = 0;
    return truncated ? size : n;  // as the Windows call: a full buffer tells of truncation
}

// --- the registry ----------------------------------------------------------------------------

bool ReadDefault(const std::u16string& keyPath, std::u16string* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = 0;
    bool ok = false;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::u16string data(size / sizeof(OLECHAR) + 1, u'\0');
        DWORD got = DWORD(data.size() * sizeof(OLECHAR));
        if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) ==
            ERROR_SUCCESS) {
            data.resize(got / sizeof(OLECHAR));
            while (!data.empty() && data.back() == 0) data.pop_back();
            *value = data;
            ok = true;
        }
    }
    RegCloseKey(key);
    return ok;
}

// --- loaded servers ----------------------------------------------------------------------------

struct Server {
    void* handle;
    DllGetClassObjectFn getClassObject;
    DllCanUnloadNowFn canUnloadNow;
};

// Recursive: a server's DllGetClassObject may itself activate another class. Held while the
// entry point runs, so CoFreeUnusedLibraries cannot unload a module that is being entered.
std::recursive_mutex serversLock;
std::map<std::string, Server>& Servers() {
    static auto* servers = new std::map<std::string, Server>;  // never destroyed: modules outlive exit order
    return *servers;
}

int HexValue(OLECHAR c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool ParseGuid(LPCOLESTR text, GUID* guid) {
    if (!text) return false;
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    static const char layout[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    for (int i = 0; i < 38; ++i) {
        if (!text[i]) return false;
        if (layout[i] == 'X' ? HexValue(text[i]) < 0 : text[i] != OLECHAR(layout[i])) return false;
    }
    if (text[38]) return false;
    auto hex = [&](int from, int digits) {
        std::uint32_t v = 0;
        for (int i = 0; i < digits; ++i) v = (v << 4) | std::uint32_t(HexValue(text[from + i]));
        return v;
    };
    guid->Data1 = hex(1, 8);
    guid->Data2 = std::uint16_t(hex(10, 4));
    guid->Data3 = std::uint16_t(hex(15, 4));
    guid->Data4[0] = std::uint8_t(hex(20, 2));
    guid->Data4[1] = std::uint8_t(hex(22, 2));
    for (int i = 0; i < 6; ++i) guid->Data4[2 + i] = std::uint8_t(hex(25 + 2 * i, 2));
    return true;
}

}  // namespace

PLATFORM_API HRESULT CoInitialize(LPVOID) {
    return S_OK;
}
PLATFORM_API HRESULT CoInitializeEx(LPVOID, DWORD) {
    return S_OK;
}
PLATFORM_API void CoUninitialize() {}

PLATFORM_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD, LPVOID, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    std::u16string path;
    if (!ReadDefault(u"CLSID\\" + GuidText(clsid) + u"\\InprocServer32", &path) || path.empty())
        return REGDB_E_CLASSNOTREG;
    std::string file = ToUtf8(path);
    DllGetClassObjectFn getClassObject = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(serversLock);
        auto& servers = Servers();
        auto found = servers.find(file);
        if (found == servers.end()) {
            void* handle = LoadModule(file);
            if (!handle) return CO_E_DLLNOTFOUND;
            auto get = reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
            if (!get) {
                lastLoadError = file + ": no DllGetClassObject";
                dlclose(handle);
                return CO_E_ERRORINDLL;
            }
            auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
            found = servers.emplace(file, Server{handle, get, canUnload}).first;
        }
        getClassObject = found->second.getClassObject;
        return getClassObject(clsid, riid, ppv);
    }
}

PLATFORM_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                                      LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr =
        CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    if (!factory) return E_UNEXPECTED;
    hr = factory->CreateInstance(outer, riid, ppv);
    factory->Release();
    return hr;
}

PLATFORM_API void CoFreeUnusedLibraries() {
    std::lock_guard<std::recursive_mutex> guard(serversLock);
    auto& servers = Servers();
    for (auto it = servers.begin(); it != servers.end();) {
        if (it->second.canUnloadNow && it->second.canUnloadNow() == S_OK) {
            dlclose(it->second.handle);
            it = servers.erase(it);
        } else {
            ++it;
        }
    }
}

PLATFORM_API HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
    if (!progId || !clsid) return E_INVALIDARG;
    std::u16string name = progId;
    // a version-independent ProgID without a CLSID of its own names its current version
    for (int depth = 0; depth < 8 && !name.empty(); ++depth) {
        std::u16string text;
        if (ReadDefault(name + u"\\CLSID", &text))
            return ParseGuid(text.c_str(), clsid) ? S_OK : CO_E_CLASSSTRING;
        std::u16string next;
        if (!ReadDefault(name + u"\\CurVer", &next) || next == name) break;
        name = next;
    }
    return CO_E_CLASSSTRING;
}

PLATFORM_API HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId) {
    if (!progId) return E_INVALIDARG;
    *progId = nullptr;
    std::u16string text;
    if (!ReadDefault(u"CLSID\\" + GuidText(clsid) + u"\\ProgID", &text) || text.empty())
        return REGDB_E_CLASSNOTREG;
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!out) return E_OUTOFMEMORY;
    std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
    *progId = out;
    return S_OK;
}

PLATFORM_API HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
    if (!clsid) return E_INVALIDARG;
    if (!text || !*text) {
        *clsid = GUID_NULL;
        return S_OK;
    }
    if (text[0] != u'{') return CLSIDFromProgID(text, clsid);
    return ParseGuid(text, clsid) ? S_OK : CO_E_CLASSSTRING;
}

PLATFORM_API HRESULT IIDFromString(LPCOLESTR text, IID* iid) {
    if (!iid) return E_INVALIDARG;
    if (!text || !*text) {
        *iid = GUID_NULL;
        return S_OK;
    }
    return ParseGuid(text, iid) ? S_OK : E_INVALIDARG;
}

PLATFORM_API INT StringFromGUID2(REFGUID guid, LPOLESTR buffer, INT size) {
    if (!buffer || size < 39) return 0;
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  unsigned(guid.Data1), unsigned(guid.Data2), unsigned(guid.Data3), guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
                  guid.Data4[7]);
    for (int i = 0; i < 39; ++i) buffer[i] = OLECHAR(text[i]);
    return 39;
}

PLATFORM_API HMODULE LoadLibraryW(LPCWSTR name) {
    return name ? LoadModule(ToUtf8(name)) : nullptr;
}

PLATFORM_API HMODULE LoadLibraryA(const char* name) {
    return name ? LoadModule(name) : nullptr;
}

PLATFORM_API void* GetProcAddress(HMODULE module, const char* name) {
    if (!module || !name) return nullptr;
    return dlsym(module, name);
}

PLATFORM_API BOOL FreeLibrary(HMODULE module) {
    return module && dlclose(module) == 0 ? TRUE : FALSE;
}

PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    if (!module) {
        char path[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        if (n <= 0) return 0;
        path[n] = 0;
        return CopyOut(path, buffer, size);
    }
    link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map) return 0;
    const char* name = map->l_name;
    if (!name || !*name) return GetModuleFileNameW(nullptr, buffer, size);
    char resolved[PATH_MAX];
    return CopyOut(realpath(name, resolved) ? resolved : name, buffer, size);
}

PLATFORM_API DWORD PlatformModuleFileNameOf(const void* address, LPWSTR buffer, DWORD size) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname) return 0;
    char resolved[PATH_MAX];
    return CopyOut(realpath(info.dli_fname, resolved) ? resolved : info.dli_fname, buffer, size);
}

PLATFORM_API const char* PlatformLastLoadError() {
    return lastLoadError.c_str();
}
