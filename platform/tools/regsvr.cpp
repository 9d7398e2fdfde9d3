// regsvr: registers (or with -u unregisters) in-process servers by calling their
// DllRegisterServer / DllUnregisterServer. -s: no message on success.
// -m DIR writes the machine-wide classes hive kept in DIR instead of the user's registry;
// --root STAGE (with -m) drops STAGE from the front of every path recorded there, so a
// package can register the modules it stages for their installed place.
// Exit status: 0 success, 1 usage, 3 the module did not load, 4 it lacks the entry point,
// 5 the entry point failed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "com/combase.h"
#include "registry/registry.h"
#include "text/codepage.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: regsvr [-u] [-s] [-m DIR [--root STAGE]] MODULE...\n"
                 "  -u  unregister (DllUnregisterServer)\n"
                 "  -s  silent: no message on success\n"
                 "  -m DIR        write the machine-wide classes hive in DIR, not the user's registry\n"
                 "  --root STAGE  with -m: record paths with STAGE removed from their front\n");
    return 1;
}

// Drops `stage` from the front of every string value below `key`.
std::u16string FromUtf8(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::u16string out(std::size_t(n > 0 ? n : 0), u'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n);
    return out;
}

bool Unstage(HKEY key, const std::u16string& stage) {
    bool ok = true;
    for (DWORD i = 0;; ++i) {
        char16_t name[512];
        DWORD nameLen = 512, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        std::u16string data(size / 2 + 1, u'\0');
        DWORD got = DWORD(data.size() * 2);
        nameLen = 512;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) !=
            ERROR_SUCCESS)
            continue;
        data.resize(got / 2);
        while (!data.empty() && data.back() == 0) data.pop_back();
        if (data.size() <= stage.size() || data.compare(0, stage.size(), stage) != 0 || data[stage.size()] != u'/')
            continue;
        data.erase(0, stage.size());
        ok = RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                            DWORD((data.size() + 1) * 2)) == ERROR_SUCCESS && ok;
    }
    for (DWORD i = 0;; ++i) {
        char16_t name[512];
        DWORD nameLen = 512;
        if (RegEnumKeyExW(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_ALL_ACCESS, &sub) != ERROR_SUCCESS) continue;
        ok = Unstage(sub, stage) && ok;
        RegCloseKey(sub);
    }
    return ok;
}

int Run(const std::string& module, bool unregister, bool silent) {
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    HMODULE handle = LoadLibraryA(module.c_str());
    if (!handle) {
        std::fprintf(stderr, "LoadLibrary(\"%s\") failed: %s\n", module.c_str(), PlatformLastLoadError());
        return 3;
    }
    auto fn = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(handle, entry));
    if (!fn) {
        std::fprintf(stderr, "%s was loaded, but the %s entry point was not found.\n", module.c_str(), entry);
        FreeLibrary(handle);
        return 4;
    }
    HRESULT hr = fn();
    FreeLibrary(handle);
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s in %s failed with 0x%08X.\n", entry, module.c_str(), unsigned(hr));
        return 5;
    }
    if (!silent) std::printf("%s in %s succeeded.\n", entry, module.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    bool silent = false;
    std::string machineDir, stage;
    std::vector<std::string> modules;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "-m" || a == "--root") && i + 1 < argc)
            (a == "-m" ? machineDir : stage) = argv[++i];
        else if (a == "-u" || a == "/u")
            unregister = true;
        else if (a == "-s" || a == "/s")
            silent = true;
        else if (a == "-us" || a == "-su")
            unregister = silent = true;
        else if (a.size() > 1 && a[0] == '-')
            return Usage();
        else
            modules.push_back(a);
    }
    if (modules.empty() || (!stage.empty() && machineDir.empty())) return Usage();
    while (stage.size() > 1 && stage.back() == '/') stage.pop_back();
    if (!machineDir.empty()) PlatformSetRegistryDir(machineDir.c_str());
    int status = 0;
    for (const auto& m : modules) {
        int s = Run(m, unregister, silent);
        if (s && !status) status = s;
    }
    if (!status && !stage.empty() && !Unstage(HKEY_CLASSES_ROOT, FromUtf8(stage))) {
        std::fprintf(stderr, "The paths in %s could not be rewritten.\n", machineDir.c_str());
        status = 5;
    }
    return status;
}
