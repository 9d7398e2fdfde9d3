// Type-library registration keys written from member tables.
#include <cstdio>
#include <string>

#include "com/dispatch.h"
#include "com/wide.h"
#include "registry/registry.h"

namespace platform {
namespace {

using com_internal::FromUtf8;
using com_internal::GuidText;

// The automation marshaller: dual and dispatch interfaces are marshalled from their type library.
constexpr const OLECHAR* kDispatchProxy = u"{00020424-0000-0000-C000-000000000046}";

HRESULT FromStatus(LSTATUS status) {
    return status == ERROR_SUCCESS ? S_OK : REGDB_E_WRITEREGDB;
}

LSTATUS SetString(HKEY root, const std::u16string& path, const OLECHAR* valueName,
                  const std::u16string& value) {
    HKEY key = nullptr;
    LSTATUS s = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                &key, nullptr);
    if (s != ERROR_SUCCESS) return s;
    s = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(OLECHAR)));
    RegCloseKey(key);
    return s;
}

std::u16string Version(const TypeLibInfo& lib) {
    char text[32];
    std::snprintf(text, sizeof text, "%x.%x", unsigned(lib.major), unsigned(lib.minor));
    return FromUtf8(text);
}

std::u16string Hex(LCID lcid) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", unsigned(lcid));
    return FromUtf8(text);
}

bool HasSubkeys(const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    OLECHAR name[256];
    DWORD size = 256;
    bool any = RegEnumKeyExW(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return any;
}

bool Gone(LSTATUS s) {
    return s == ERROR_SUCCESS || s == ERROR_FILE_NOT_FOUND || s == ERROR_PATH_NOT_FOUND;
}

}  // namespace

HRESULT RegisterTypeLibrary(const TypeLibInfo& lib, const OLECHAR* modulePath, const OLECHAR* helpDir) {
    if (!modulePath || !*modulePath) return E_INVALIDARG;
    const std::u16string libid = GuidText(lib.libid);
    const std::u16string versionKey = u"TypeLib\\" + libid + u"\\" + Version(lib);
    std::u16string folder = helpDir ? std::u16string(helpDir) : std::u16string(modulePath);
    if (!helpDir) {
        auto slash = folder.rfind(u'/');
        folder = slash == std::u16string::npos ? std::u16string() : folder.substr(0, slash);
    }
    const OLECHAR* title = lib.help ? lib.help : lib.name ? lib.name : u"";
    LSTATUS s = SetString(HKEY_CLASSES_ROOT, versionKey, nullptr, title);
    if (s == ERROR_SUCCESS)
        s = SetString(HKEY_CLASSES_ROOT, versionKey + u"\\" + Hex(lib.lcid) + u"\\linux64", nullptr,
                      modulePath);
    if (s == ERROR_SUCCESS) s = SetString(HKEY_CLASSES_ROOT, versionKey + u"\\FLAGS", nullptr, u"0");
    if (s == ERROR_SUCCESS) s = SetString(HKEY_CLASSES_ROOT, versionKey + u"\\HELPDIR", nullptr, folder);
    for (const DispInterface* itf : lib.interfaces) {
        if (s != ERROR_SUCCESS) break;
        const std::u16string key = u"Interface\\" + GuidText(itf->iid);
        s = SetString(HKEY_CLASSES_ROOT, key, nullptr, itf->name ? itf->name : u"");
        if (s == ERROR_SUCCESS)
            s = SetString(HKEY_CLASSES_ROOT, key + u"\\ProxyStubClsid32", nullptr, kDispatchProxy);
        if (s == ERROR_SUCCESS)
            s = SetString(HKEY_CLASSES_ROOT, key + u"\\ProxyStubClsid", nullptr, kDispatchProxy);
        if (s == ERROR_SUCCESS) s = SetString(HKEY_CLASSES_ROOT, key + u"\\TypeLib", nullptr, libid);
        if (s == ERROR_SUCCESS)
            s = SetString(HKEY_CLASSES_ROOT, key + u"\\TypeLib", u"Version", Version(lib));
    }
    return FromStatus(s);
}

HRESULT UnregisterTypeLibrary(const TypeLibInfo& lib) {
    const std::u16string libKey = u"TypeLib\\" + GuidText(lib.libid);
    LSTATUS s = RegDeleteTreeW(HKEY_CLASSES_ROOT, (libKey + u"\\" + Version(lib)).c_str());
    if (!Gone(s)) return REGDB_E_WRITEREGDB;
    if (!HasSubkeys(libKey)) {
        s = RegDeleteTreeW(HKEY_CLASSES_ROOT, libKey.c_str());
        if (!Gone(s)) return REGDB_E_WRITEREGDB;
    }
    for (const DispInterface* itf : lib.interfaces) {
        s = RegDeleteTreeW(HKEY_CLASSES_ROOT, (u"Interface\\" + GuidText(itf->iid)).c_str());
        if (!Gone(s)) return REGDB_E_WRITEREGDB;
    }
    return S_OK;
}

}  // namespace platform
