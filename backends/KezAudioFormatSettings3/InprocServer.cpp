#include "InprocServer.h"

#include <dlfcn.h>

#include <cstdio>

#include "registry/registry.h"

namespace kezserver {
namespace {

class Key {
public:
    Key(HKEY parent, const std::u16string& path) {
        if (RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key_, nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool Set(const char16_t* name, const std::u16string& value) {
        if (!key_) return false;
        auto bytes = DWORD((value.size() + 1) * sizeof(char16_t));
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
               ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

bool DeleteTree(const std::u16string& path) {
    LSTATUS rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::u16string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.Data1),
                  unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return FromUtf8(text);
}

std::u16string FromUtf8(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        std::size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c >> 5) == 6) { cp = c & 0x1F; len = 2; }
        else if ((c >> 4) == 14) { cp = c & 0x0F; len = 3; }
        else if ((c >> 3) == 30) { cp = c & 0x07; len = 4; }
        else { out.push_back(u'\uFFFD'); ++i; continue; }
        if (i + len > s.size()) { out.push_back(u'\uFFFD'); break; }
        bool ok = true;
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc >> 6) != 2) { ok = false; break; }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) { out.push_back(u'\uFFFD'); ++i; continue; }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

std::u16string ModulePath(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    std::string path = info.dli_fname;
    if (!path.empty() && path[0] != '/') {
        // Loaded by a relative name: make it absolute so the registry entry stays valid.
        if (char* full = realpath(path.c_str(), nullptr)) {
            path = full;
            free(full);
        }
    }
    return FromUtf8(path);
}

HRESULT RegisterClass(const ClassRegistration& reg, const std::u16string& modulePath) {
    if (modulePath.empty()) return SELFREG_E_CLASS;
    std::u16string clsid = GuidText(reg.clsid);
    std::u16string base = u"CLSID\\" + clsid;
    bool ok = Key(HKEY_CLASSES_ROOT, base).Set(nullptr, reg.description);
    {
        Key server(HKEY_CLASSES_ROOT, base + u"\\InprocServer32");
        ok = server.Set(nullptr, modulePath) && ok;
        ok = server.Set(u"ThreadingModel", u"Apartment") && ok;
    }
    ok = Key(HKEY_CLASSES_ROOT, base + u"\\ProgID").Set(nullptr, reg.progId) && ok;
    ok = Key(HKEY_CLASSES_ROOT, base + u"\\VersionIndependentProgID").Set(nullptr, reg.versionIndependentProgId) && ok;
    std::u16string prog = reg.progId;
    std::u16string indep = reg.versionIndependentProgId;
    ok = Key(HKEY_CLASSES_ROOT, prog).Set(nullptr, reg.description) && ok;
    ok = Key(HKEY_CLASSES_ROOT, prog + u"\\CLSID").Set(nullptr, clsid) && ok;
    ok = Key(HKEY_CLASSES_ROOT, indep).Set(nullptr, reg.description) && ok;
    ok = Key(HKEY_CLASSES_ROOT, indep + u"\\CLSID").Set(nullptr, clsid) && ok;
    ok = Key(HKEY_CLASSES_ROOT, indep + u"\\CurVer").Set(nullptr, prog) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterClass(const ClassRegistration& reg) {
    bool ok = DeleteTree(u"CLSID\\" + GuidText(reg.clsid));
    ok = DeleteTree(reg.progId) && ok;
    ok = DeleteTree(reg.versionIndependentProgId) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT Fail(HRESULT hr, const char16_t* source, const std::u16string& description, REFIID iid) {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create)) && create) {
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(source));
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))) && info) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return hr;
}

}  // namespace kezserver
