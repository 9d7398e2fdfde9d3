// regsvr: registers (or with -u unregisters) in-process servers by calling their
// DllRegisterServer / DllUnregisterServer. -s: no message on success.
// Exit status: 0 success, 1 usage, 3 the module did not load, 4 it lacks the entry point,
// 5 the entry point failed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "com/combase.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: regsvr [-u] [-s] MODULE...\n"
                 "  -u  unregister (DllUnregisterServer)\n"
                 "  -s  silent: no message on success\n");
    return 1;
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
    std::vector<std::string> modules;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-u" || a == "/u")
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
    if (modules.empty()) return Usage();
    int status = 0;
    for (const auto& m : modules) {
        int s = Run(m, unregister, silent);
        if (s && !status) status = s;
    }
    return status;
}
